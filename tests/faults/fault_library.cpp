// The access library with a breakable channel, loaded by the check program
// as "tamrix.dll": the library's own core, and a channel that reaches the
// real driver through the platform's device calls unless the plan breaks
// the request.
#include "device_channel.h"
#include "fault_plan.h"
#include "library.h"
#include "tamrix.h"
#include "tamrix_platform/device.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {

FaultPlan plan;

class BreakableChannel final : public tamrix::DeviceChannel {
 public:
  tamrix::DeviceHandle Open(const char *name) override {
    HANDLE handle =
        CreateFileA(name, 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    return handle == INVALID_HANDLE_VALUE ? tamrix::kInvalidDevice : handle;
  }

  bool Send(tamrix::DeviceHandle device, std::uint32_t code, void *input, std::uint32_t input_size,
            tamrix::RequestBlock &block) override {
    if (Breaks(code)) {
      ++plan.broken;
      if (plan.remaining > 0) --plan.remaining;
      if (plan.kind == FaultPlan::kNotCarriedOut) {
        last_error_ = static_cast<std::int32_t>(plan.value);
        return false;
      }
      block.PutU16(TAMRIX_OFS_STATUS, static_cast<std::uint16_t>(plan.value));
      return true;
    }
    DWORD returned = 0;
    if (DeviceIoControl(device, code, input, input_size, block.bytes.data(), TAMRIX_BLOCK_SIZE,
                        &returned, nullptr) != 0) {
      return true;
    }
    last_error_ = static_cast<std::int32_t>(GetLastError());
    return false;
  }

  void Close(tamrix::DeviceHandle device) override { CloseHandle(device); }
  std::int32_t LastError() override { return last_error_; }

 private:
  static bool Breaks(std::uint32_t code) {
    return plan.kind != FaultPlan::kNone && plan.remaining != 0 &&
           (plan.only_code == 0 || plan.only_code == code);
  }

  std::int32_t last_error_ = 0;
};

BreakableChannel channel;
tamrix::Library library(channel);

}  // namespace

EXPORT FaultPlan *Faults() { return &plan; }

EXPORT std::int32_t DllMain(void *, std::uint32_t reason, void *) {
  if (reason == 1) return library.Attach() ? 1 : 0;
  if (reason == 0) library.Detach();
  return 1;
}

EXPORT std::int32_t TamrixCreate(std::uint16_t *slot, std::uint32_t window, void *reserved) {
  return library.Create(slot, window, reserved);
}
EXPORT std::int32_t TamrixClose(std::uint32_t slot) { return library.Close(slot); }
EXPORT std::int32_t TamrixGetVersion(std::uint32_t *library_version,
                                     std::uint32_t *driver_version) {
  return library.GetVersion(library_version, driver_version);
}
EXPORT std::int32_t TamrixGetResource(std::uint32_t slot, TAMRIXR *record) {
  return library.GetResource(slot, record);
}
EXPORT std::int32_t TamrixSetMode(std::uint32_t slot, const ModeRecord *mode) {
  return library.SetMode(slot, mode);
}
EXPORT std::int32_t TamrixStartSampling(std::uint32_t slot) { return library.StartSampling(slot); }
EXPORT std::int32_t TamrixStopSampling(std::uint32_t slot) { return library.StopSampling(slot); }
EXPORT std::int32_t TamrixGetSamplingStatus(std::uint32_t slot, std::uint32_t *num_data,
                                            std::uint32_t *status) {
  return library.GetSamplingStatus(slot, num_data, status);
}
EXPORT std::int32_t TamrixGetData(std::uint32_t slot, std::uint32_t count, std::uint16_t *buffer) {
  return library.GetData(slot, count, buffer);
}
EXPORT std::int32_t TamrixGetLastError(std::uint32_t slot) { return library.GetLastError(slot); }
EXPORT std::int32_t TamrixGetExIn(std::uint32_t slot, std::int32_t *ex_in0, std::int32_t *ex_in1,
                                  std::int32_t *ex_trg) {
  return library.GetExIn(slot, ex_in0, ex_in1, ex_trg);
}
