// A device handle through the device layer, as the library holds one: one
// session of the service it is configured for.
#pragma once

#include <cstdlib>
#include <string>

#include "request_block.h"
#include "tamrix_platform/device.h"
#include "tamrix_protocol.h"

namespace tamrix::testing {

class DeviceHandle {
 public:
  explicit DeviceHandle(const std::string &target) {
    setenv("TAMRIX_DEVICE", target.c_str(), 1);
    handle_ = tmx_create_file(TAMRIX_DEVICE_NAME, 0, 0, nullptr, CREATE_NEW,
                              FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    open_error_ = handle_ == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  }
  ~DeviceHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) tmx_close_handle(handle_);
  }
  DeviceHandle(const DeviceHandle &) = delete;
  DeviceHandle &operator=(const DeviceHandle &) = delete;

  bool open() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD open_error() const { return open_error_; }

  // 0 when the request was carried out, else the platform error code.
  DWORD Send(DWORD code, RequestBlock &block, void *in = nullptr, DWORD in_size = 0) const {
    DWORD returned = 0;
    return tmx_device_io_control(handle_, code, in, in_size, block.bytes.data(), TAMRIX_BLOCK_SIZE,
                                 &returned, nullptr)
               ? 0
               : GetLastError();
  }
  // The driver's status word for a request on a slot; 0xFFFF when the
  // request was not carried out.
  std::uint16_t Status(DWORD code, std::uint16_t slot, std::uint32_t window = 0) const {
    RequestBlock block = For(slot);
    block.PutU32(TAMRIX_OFS_WINDOW, window);
    return Send(code, block) == 0 ? block.U16(TAMRIX_OFS_STATUS) : 0xFFFF;
  }
  static RequestBlock For(std::uint16_t slot) {
    RequestBlock block{};
    block.PutU16(TAMRIX_OFS_SLOT, slot);
    return block;
  }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  DWORD open_error_ = 0;
};

}  // namespace tamrix::testing
