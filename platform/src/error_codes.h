#pragma once

#include "tamrix_platform/win32.h"

namespace tmx::platform {

// The platform error code for why a program could not be started.
DWORD ErrorFromErrno(int error);

}  // namespace tmx::platform
