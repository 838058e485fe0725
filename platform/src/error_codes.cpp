#include "error_codes.h"

#include <cerrno>

#include "tamrix_window.h"

namespace tmx::platform {

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

}  // namespace tmx::platform

extern "C" const char *tmx_error_text(uint32_t code) {
  switch (code) {
    case ERROR_SUCCESS: return "ERROR_SUCCESS: no error";
    case ERROR_INVALID_FUNCTION: return "ERROR_INVALID_FUNCTION: the driver knows no such request";
    case ERROR_FILE_NOT_FOUND:
      return "ERROR_FILE_NOT_FOUND: the driver module or its probe program is missing";
    case ERROR_PATH_NOT_FOUND:
      return "ERROR_PATH_NOT_FOUND: not a device name, or the configured device is no URI";
    case ERROR_ACCESS_DENIED:
      return "ERROR_ACCESS_DENIED: not allowed to run the probe program or to use the board "
             "service";
    case ERROR_INVALID_HANDLE: return "ERROR_INVALID_HANDLE: no such open handle";
    case ERROR_NOT_ENOUGH_MEMORY:
      return "ERROR_NOT_ENOUGH_MEMORY: out of memory, processes or board service sessions";
    case ERROR_BAD_FORMAT:
      return "ERROR_BAD_FORMAT: the driver module is of another interface version";
    case ERROR_GEN_FAILURE: return "ERROR_GEN_FAILURE: the driver failed";
    case ERROR_DEV_NOT_EXIST:
      return "ERROR_DEV_NOT_EXIST: the board service is not running or cannot be reached";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER: a buffer is missing";
    case ERROR_SEM_TIMEOUT: return "ERROR_SEM_TIMEOUT: the board service did not answer in time";
    case ERROR_INSUFFICIENT_BUFFER: return "ERROR_INSUFFICIENT_BUFFER: a buffer is too small";
    case ERROR_MOD_NOT_FOUND: return "ERROR_MOD_NOT_FOUND: no such library";
    case ERROR_PROC_NOT_FOUND: return "ERROR_PROC_NOT_FOUND: the module has no such entry";
    case ERROR_BAD_EXE_FORMAT:
      return "ERROR_BAD_EXE_FORMAT: the driver module is damaged or failed its trial run";
    case ERROR_DLL_INIT_FAILED: return "ERROR_DLL_INIT_FAILED: the library refused to load";
    case ERROR_TIMEOUT: return "ERROR_TIMEOUT: the driver module's trial run did not end in time";
    case ERROR_INVALID_WINDOW_HANDLE: return "ERROR_INVALID_WINDOW_HANDLE: no such window";
    case ERROR_NOT_ENOUGH_QUOTA: return "ERROR_NOT_ENOUGH_QUOTA: the window's queue is full";
    default: return nullptr;
  }
}
