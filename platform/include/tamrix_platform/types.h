/* Types and error codes of the platform layer, numbered as the original
 * platform numbers them so that codes reach callers unchanged. Installed for
 * driver writers with driver_module.h. */
#ifndef TAMRIX_PLATFORM_TYPES_H
#define TAMRIX_PLATFORM_TYPES_H

#include <stdint.h>

#if defined(__GNUC__)
#define TMX_PLATFORM_API __attribute__((visibility("default")))
#else
#define TMX_PLATFORM_API
#endif

typedef int32_t BOOL;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef void *HANDLE;
/* A window's native handle: a 32-bit value, never 0 for a live window. */
typedef uint32_t HWND;
typedef uint32_t WPARAM;
typedef int32_t LPARAM;

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

#define ERROR_SUCCESS 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_BAD_FORMAT 11u
#define ERROR_GEN_FAILURE 31u
#define ERROR_FILE_EXISTS 80u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_DLL_INIT_FAILED 1114u
#define ERROR_TIMEOUT 1460u
#define ERROR_INVALID_WINDOW_HANDLE 1400u
#define ERROR_NOT_ENOUGH_QUOTA 1816u

#endif
