// The binding to the access library: loaded by file name at run time, each
// export looked up by name at every call, with a default result when it
// cannot be reached.
#pragma once

#include <cstdint>

#include "tamrix.h"
#include "tamrix_platform/loader.h"

namespace Tamrixdll {

inline constexpr char kLibraryFileName[] = "tamrix.dll";
// What the GetLastError stub yields when the export cannot be reached.
inline constexpr std::int32_t kNoGetLastError = 0xFFFF;

// The loaded library's module handle; 0 until LoadTamrixLibrary runs.
extern HMODULE TamrixLibraryHandle;

bool LoadTamrixLibrary();
bool FreeTamrixLibrary();

std::int32_t TamrixCreate(std::uint16_t *slot, HWND window, std::uint16_t *scratch);
std::int32_t TamrixClose(std::uint16_t slot);
std::int32_t TamrixGetVersion(std::uint32_t *library_version, std::uint32_t *driver_version);
std::int32_t TamrixGetResource(std::uint16_t slot, TAMRIXR *record);
std::int32_t TamrixSetMode(std::uint16_t slot, ModeRecord *mode);
std::int32_t TamrixStartSampling(std::uint16_t slot);
std::int32_t TamrixStopSampling(std::uint16_t slot);
std::int32_t TamrixGetSamplingStatus(std::uint16_t slot, std::int32_t *num_data,
                                     std::int32_t *status);
std::int32_t TamrixGetData(std::uint16_t slot, std::int32_t count, std::uint16_t *buffer);
std::int32_t TamrixGetLastError(std::uint16_t slot);
std::int32_t TamrixGetExIn(std::uint16_t slot, std::int32_t *ex_in0, std::int32_t *ex_in1,
                           std::int32_t *ex_trg);

}  // namespace Tamrixdll
