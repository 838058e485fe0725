#pragma once

#include <string>

#include "tamrix_platform/win32.h"

namespace tmx::platform {

// The probe program, beside this library: given a driver module's path, the
// pid of the process that spawned it and a descriptor, it loads the module,
// starts and stops the driver, sends it one request of no known kind and
// unloads it, then writes one byte to the descriptor and exits.
inline constexpr const char *kProbeName = "tamrix-probe";

// Tries the module in a process of its own, so that whatever kills the
// dynamic loader or the driver's start there cannot reach the caller.
// ERROR_SUCCESS when the probe lived through it; ERROR_BAD_EXE_FORMAT when
// it died or failed; ERROR_TIMEOUT when it was not through within a few
// seconds (it is killed then); otherwise the code of why the probe could not
// be run. Waits in the calling thread, and the probe never outlives it.
DWORD ProbeModule(const std::string &module_path);

}  // namespace tmx::platform
