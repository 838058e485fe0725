/* Types and error codes of the platform layer, numbered as the original
 * platform numbers them so that codes reach callers unchanged. Installed for
 * driver writers with driver_module.h; every name here carries the tmx_ /
 * TMX_ prefix, so that it sits beside any other library's headers. */
#ifndef TAMRIX_PLATFORM_TYPES_H
#define TAMRIX_PLATFORM_TYPES_H

#include <stdint.h>

#if defined(__GNUC__)
#define TMX_PLATFORM_API __attribute__((visibility("default")))
#else
#define TMX_PLATFORM_API
#endif

typedef int32_t tmx_bool;
typedef uint32_t tmx_dword;
typedef uint32_t tmx_uint;
typedef void *tmx_handle;
/* A window's native handle: a 32-bit value, never 0 for a live window. */
typedef uint32_t tmx_hwnd;
typedef uint32_t tmx_wparam;
typedef int32_t tmx_lparam;

#define TMX_INVALID_HANDLE_VALUE ((tmx_handle)(intptr_t)-1)

#define TMX_ERROR_SUCCESS 0u
#define TMX_ERROR_INVALID_FUNCTION 1u
#define TMX_ERROR_FILE_NOT_FOUND 2u
#define TMX_ERROR_PATH_NOT_FOUND 3u
#define TMX_ERROR_ACCESS_DENIED 5u
#define TMX_ERROR_INVALID_HANDLE 6u
#define TMX_ERROR_NOT_ENOUGH_MEMORY 8u
#define TMX_ERROR_BAD_FORMAT 11u
#define TMX_ERROR_GEN_FAILURE 31u
#define TMX_ERROR_DEV_NOT_EXIST 55u
#define TMX_ERROR_FILE_EXISTS 80u
#define TMX_ERROR_INVALID_PARAMETER 87u
#define TMX_ERROR_SEM_TIMEOUT 121u
#define TMX_ERROR_INSUFFICIENT_BUFFER 122u
#define TMX_ERROR_MOD_NOT_FOUND 126u
#define TMX_ERROR_PROC_NOT_FOUND 127u
#define TMX_ERROR_BAD_EXE_FORMAT 193u
#define TMX_ERROR_DLL_INIT_FAILED 1114u
#define TMX_ERROR_TIMEOUT 1460u
#define TMX_ERROR_INVALID_WINDOW_HANDLE 1400u
#define TMX_ERROR_NOT_ENOUGH_QUOTA 1816u

#endif
