// The exported functions and the library's entry point.
#include "library.h"
#include "tamrix.h"

namespace {

tamrix::Library library(tamrix::PlatformChannel());

// A program that links or opens the library directly gets the same process
// attach and detach as one that goes through the platform's loader.
struct ProcessAttachment {
  ProcessAttachment() { library.Attach(); }
  ~ProcessAttachment() { library.Detach(); }
} attachment;

constexpr std::uint32_t kProcessDetach = 0;
constexpr std::uint32_t kProcessAttach = 1;

}  // namespace

extern "C" {

// Called by the platform's loader. Refusing the attach makes the load fail.
TAMRIX_EXPORT std::int32_t TAMRIX_CALL DllMain(void *, std::uint32_t reason, void *) {
  switch (reason) {
    case kProcessAttach: return library.Attach() ? 1 : 0;
    case kProcessDetach: library.Detach(); return 1;
    default:  // thread attach and detach
      return 1;
  }
}

TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixCreate(std::uint16_t *slot, std::uint32_t window,
                                                    void *reserved) {
  return library.Create(slot, window, reserved);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixClose(std::uint32_t slot) {
  return library.Close(slot);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetVersion(std::uint32_t *library_version,
                                                        std::uint32_t *driver_version) {
  return library.GetVersion(library_version, driver_version);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetResource(std::uint32_t slot, TAMRIXR *record) {
  return library.GetResource(slot, record);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixSetMode(std::uint32_t slot, const ModeRecord *mode) {
  return library.SetMode(slot, mode);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixStartSampling(std::uint32_t slot) {
  return library.StartSampling(slot);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixStopSampling(std::uint32_t slot) {
  return library.StopSampling(slot);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetSamplingStatus(std::uint32_t slot,
                                                               std::uint32_t *num_data,
                                                               std::uint32_t *status) {
  return library.GetSamplingStatus(slot, num_data, status);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetData(std::uint32_t slot, std::uint32_t count,
                                                     std::uint16_t *buffer) {
  return library.GetData(slot, count, buffer);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetLastError(std::uint32_t slot) {
  return library.GetLastError(slot);
}
TAMRIX_EXPORT std::int32_t TAMRIX_CALL TamrixGetExIn(std::uint32_t slot, std::int32_t *ex_in0,
                                                     std::int32_t *ex_in1, std::int32_t *ex_trg) {
  return library.GetExIn(slot, ex_in0, ex_in1, ex_trg);
}

}  // extern "C"
