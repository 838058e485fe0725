/* The platform's per-thread last error. Exported under our own prefix; the
 * ported code calls it by its platform spelling through the inline wrappers. */
#ifndef TAMRIX_PLATFORM_WIN32_H
#define TAMRIX_PLATFORM_WIN32_H

#include "tamrix_platform/win32_names.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The calling thread's last error code, as the platform keeps it. */
TMX_PLATFORM_API DWORD tmx_get_last_error(void);
TMX_PLATFORM_API void tmx_set_last_error(DWORD code);

static inline DWORD GetLastError(void) { return tmx_get_last_error(); }
static inline void SetLastError(DWORD code) { tmx_set_last_error(code); }

#ifdef __cplusplus
}
#endif

#endif
