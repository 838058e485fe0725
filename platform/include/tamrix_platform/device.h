/* Device calls: open a driver by device name, send it synchronous I/O-control
 * requests, close it. Failures leave a code for GetLastError. */
#ifndef TAMRIX_PLATFORM_DEVICE_H
#define TAMRIX_PLATFORM_DEVICE_H

#include "tamrix_platform/win32.h"

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000u

#ifdef __cplusplus
extern "C" {
#endif

/* Opens "\\.\NAME" by loading the driver module for NAME when no handle to it
 * is open yet. The module is the file "<name in lower case>.so" in the
 * platform's private folder: "tamrix/" beside this platform library when it
 * exists (an installed tree), else the folder of the platform library itself
 * (for "\\.\TAMRIX.VXD": "tamrix.vxd.so").
 * No module there: INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND. Any other
 * path form is refused with ERROR_PATH_NOT_FOUND.
 * Before a module file is first mapped it is checked to be a complete shared
 * object for this machine, then tried in the probe program "tamrix-probe"
 * of the same private folder, a process of its own; a file that fails either
 * is refused with ERROR_BAD_EXE_FORMAT, so that a damaged module never takes
 * the caller down. A probe that is not through within 5 seconds (a module
 * whose loading or start never returns) is killed and the module refused
 * with ERROR_TIMEOUT; no probe outlives the process that started it. A probe
 * that cannot be started refuses the module with the code of why
 * (ERROR_FILE_NOT_FOUND when it is missing). The verdict does not depend on
 * the caller's signal settings: SIGCHLD may be ignored. */
TMX_PLATFORM_API HANDLE tmx_create_file(const char *name, DWORD desired_access, DWORD share_mode,
                                        void *security_attributes, DWORD creation_disposition,
                                        DWORD flags_and_attributes, HANDLE template_file);

/* One synchronous request; the driver has answered when this returns.
 * Non-zero when the driver processed the request; zero with a last error when
 * it was not carried out (unknown handle: ERROR_INVALID_HANDLE). An overlapped
 * structure is not supported and must be null. */
TMX_PLATFORM_API BOOL tmx_device_io_control(HANDLE device, DWORD io_control_code, void *in_buffer,
                                            DWORD in_size, void *out_buffer, DWORD out_size,
                                            DWORD *bytes_returned, void *overlapped);

/* Closes a handle. Closing the last handle to a driver opened with
 * FILE_FLAG_DELETE_ON_CLOSE unloads the driver module. While a driver module
 * is loaded, the platform library stays loaded too. */
TMX_PLATFORM_API BOOL tmx_close_handle(HANDLE object);

static inline HANDLE CreateFileA(const char *name, DWORD desired_access, DWORD share_mode,
                                 void *security_attributes, DWORD creation_disposition,
                                 DWORD flags_and_attributes, HANDLE template_file) {
  return tmx_create_file(name, desired_access, share_mode, security_attributes,
                         creation_disposition, flags_and_attributes, template_file);
}
static inline BOOL DeviceIoControl(HANDLE device, DWORD io_control_code, void *in_buffer,
                                   DWORD in_size, void *out_buffer, DWORD out_size,
                                   DWORD *bytes_returned, void *overlapped) {
  return tmx_device_io_control(device, io_control_code, in_buffer, in_size, out_buffer, out_size,
                               bytes_returned, overlapped);
}
static inline BOOL CloseHandle(HANDLE object) { return tmx_close_handle(object); }

#ifdef __cplusplus
}
#endif

#endif
