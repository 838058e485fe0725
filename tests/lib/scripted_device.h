#pragma once

// A device behind the library's channel that records every request and
// answers as each test scripts it.
#include <cstdint>
#include <functional>
#include <vector>

#include "device_channel.h"

namespace tamrix::testing {

struct RecordedRequest {
  std::uint32_t code;
  void *input;
  std::uint32_t input_size;
  RequestBlock block;  // as the library sent it
};

class ScriptedDevice final : public DeviceChannel {
 public:
  // Fills the answer into the block; return a platform error code to make the
  // request not carried out, or 0 when processed.
  using Answer = std::function<std::int32_t(std::uint32_t code, RequestBlock &block)>;

  DeviceHandle Open(const char *name) override {
    opened_name = name;
    ++opens;
    return open_fails ? kInvalidDevice : reinterpret_cast<DeviceHandle>(0x1234);
  }
  bool Send(DeviceHandle device, std::uint32_t code, void *input, std::uint32_t input_size,
            RequestBlock &block) override {
    requests.push_back({code, input, input_size, block});
    devices_used.push_back(device);
    if (fail_without_code) {
      last_error_ = 0;
      return false;
    }
    last_error_ = answer ? answer(code, block) : 0;
    return last_error_ == 0;
  }
  void Close(DeviceHandle device) override { closed.push_back(device); }
  std::int32_t LastError() override { return last_error_; }

  // Answers every request with this driver status word.
  void AnswerStatus(std::uint16_t status) {
    answer = [status](std::uint32_t, RequestBlock &b) {
      b.PutU16(TAMRIX_OFS_STATUS, status);
      return 0;
    };
  }
  // Makes every request fail in the platform with this code.
  void FailWith(std::int32_t platform_error) {
    answer = [platform_error](std::uint32_t, RequestBlock &) { return platform_error; };
  }

  const RecordedRequest &Last() const { return requests.back(); }

  Answer answer;
  bool open_fails = false;
  // Requests fail while the platform's error code says 0.
  bool fail_without_code = false;
  int opens = 0;
  const char *opened_name = nullptr;
  std::vector<RecordedRequest> requests;
  std::vector<DeviceHandle> devices_used;
  std::vector<DeviceHandle> closed;

 private:
  std::int32_t last_error_ = 0;
};

}  // namespace tamrix::testing
