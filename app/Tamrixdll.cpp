#include "Tamrixdll.h"

#include <bit>

namespace Tamrixdll {

HMODULE TamrixLibraryHandle = 0;

namespace {

// Nothing is cached: a library swapped or lacking an export is met afresh
// at every call.
template <typename Function>
Function *Resolve(const char *name) {
  return reinterpret_cast<Function *>(GetProcAddress(TamrixLibraryHandle, name));
}

}  // namespace

bool LoadTamrixLibrary() {
  TamrixLibraryHandle = LoadLibraryA(kLibraryFileName);
  // The platform's rule: handle values below 32 are failures.
  return std::bit_cast<std::int32_t>(TamrixLibraryHandle) >= 32;
}

bool FreeTamrixLibrary() {
  if (TamrixLibraryHandle == 0) return true;
  return FreeLibrary(TamrixLibraryHandle) != 0;
}

std::int32_t TamrixCreate(std::uint16_t *slot, HWND window, std::uint16_t *scratch) {
  auto *call = Resolve<decltype(::TamrixCreate)>("TamrixCreate");
  return call ? call(slot, window, scratch) : 0;
}

std::int32_t TamrixClose(std::uint16_t slot) {
  auto *call = Resolve<decltype(::TamrixClose)>("TamrixClose");
  return call ? call(slot) : 0;
}

std::int32_t TamrixGetVersion(std::uint32_t *library_version, std::uint32_t *driver_version) {
  auto *call = Resolve<decltype(::TamrixGetVersion)>("TamrixGetVersion");
  return call ? call(library_version, driver_version) : 0;
}

std::int32_t TamrixGetResource(std::uint16_t slot, TAMRIXR *record) {
  auto *call = Resolve<decltype(::TamrixGetResource)>("TamrixGetResource");
  return call ? call(slot, record) : 0;
}

std::int32_t TamrixSetMode(std::uint16_t slot, ModeRecord *mode) {
  auto *call = Resolve<decltype(::TamrixSetMode)>("TamrixSetMode");
  return call ? call(slot, mode) : 0;
}

std::int32_t TamrixStartSampling(std::uint16_t slot) {
  auto *call = Resolve<decltype(::TamrixStartSampling)>("TamrixStartSampling");
  return call ? call(slot) : 0;
}

std::int32_t TamrixStopSampling(std::uint16_t slot) {
  auto *call = Resolve<decltype(::TamrixStopSampling)>("TamrixStopSampling");
  return call ? call(slot) : 0;
}

std::int32_t TamrixGetSamplingStatus(std::uint16_t slot, std::int32_t *num_data,
                                     std::int32_t *status) {
  auto *call = Resolve<decltype(::TamrixGetSamplingStatus)>("TamrixGetSamplingStatus");
  return call ? call(slot, reinterpret_cast<std::uint32_t *>(num_data),
                     reinterpret_cast<std::uint32_t *>(status))
              : 0;
}

std::int32_t TamrixGetData(std::uint16_t slot, std::int32_t count, std::uint16_t *buffer) {
  auto *call = Resolve<decltype(::TamrixGetData)>("TamrixGetData");
  return call ? call(slot, static_cast<std::uint32_t>(count), buffer) : 0;
}

std::int32_t TamrixGetLastError(std::uint16_t slot) {
  auto *call = Resolve<decltype(::TamrixGetLastError)>("TamrixGetLastError");
  return call ? call(slot) : kNoGetLastError;
}

std::int32_t TamrixGetExIn(std::uint16_t slot, std::int32_t *ex_in0, std::int32_t *ex_in1,
                           std::int32_t *ex_trg) {
  auto *call = Resolve<decltype(::TamrixGetExIn)>("TamrixGetExIn");
  return call ? call(slot, ex_in0, ex_in1, ex_trg) : 0;
}

}  // namespace Tamrixdll
