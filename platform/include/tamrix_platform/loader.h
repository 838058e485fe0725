/* The library loader: load a shared library by name, find its exports, and
 * release it again.
 *
 * Module handles are small table values, never addresses, so that a caller
 * may hold them in 32 bits and read them as signed integers: a handle is
 * always 32 or more, and 0 means failure.
 *
 * A bare name is looked up in the program's own directory first, then in
 * the directory of this platform library (the system directory); a name
 * with a '/' is used as given. A name ending in ".dll" (any case) that has
 * no file of its own is tried as "lib<stem>.so", so "tamrix.dll" finds
 * libtamrix.so. A module that exports
 *
 *     int32_t DllMain(void *instance, uint32_t reason, void *reserved);
 *
 * is told of its process attach (reason DLL_PROCESS_ATTACH) when it is first
 * loaded, and of its detach (DLL_PROCESS_DETACH) when the last reference is
 * released; a zero answer to the attach refuses the load. */
#ifndef TAMRIX_PLATFORM_LOADER_H
#define TAMRIX_PLATFORM_LOADER_H

#include "tamrix_platform/win32.h"

typedef uint32_t HMODULE;

#define DLL_PROCESS_DETACH 0u
#define DLL_PROCESS_ATTACH 1u
#define DLL_THREAD_ATTACH 2u
#define DLL_THREAD_DETACH 3u

#ifdef __cplusplus
extern "C" {
#endif

/* Loads the module, or counts one more reference if it is already loaded
 * (the same handle comes back and its entry point is not called again).
 * 0 on failure, with GetLastError:
 *   ERROR_MOD_NOT_FOUND    no such file anywhere on the search path;
 *   ERROR_BAD_EXE_FORMAT   a file was found but is no loadable library;
 *   ERROR_DLL_INIT_FAILED  its entry point refused the attach (the module
 *                          has been told of its detach and unloaded again). */
TMX_PLATFORM_API HMODULE tmx_load_library(const char *name);

/* The address of an export of the module itself (not of the libraries it
 * depends on). Null with ERROR_INVALID_HANDLE for a handle that is not
 * loaded, ERROR_PROC_NOT_FOUND for a name the module does not export. */
TMX_PLATFORM_API void *tmx_get_proc_address(HMODULE module, const char *name);

/* Drops one reference; the last one runs the detach and unloads the module.
 * FALSE with ERROR_INVALID_HANDLE for a handle that is not loaded. */
TMX_PLATFORM_API BOOL tmx_free_library(HMODULE module);

static inline HMODULE LoadLibraryA(const char *name) { return tmx_load_library(name); }
static inline void *GetProcAddress(HMODULE module, const char *name) {
  return tmx_get_proc_address(module, name);
}
static inline BOOL FreeLibrary(HMODULE module) { return tmx_free_library(module); }

#ifdef __cplusplus
}
#endif

#endif
