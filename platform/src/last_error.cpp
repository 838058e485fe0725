#include "tamrix_platform/win32.h"

namespace {
// Kept per thread, as the platform keeps it.
thread_local DWORD last_error = ERROR_SUCCESS;
}  // namespace

extern "C" DWORD tmx_get_last_error(void) { return last_error; }
extern "C" void tmx_set_last_error(DWORD code) { last_error = code; }
