/* The interface of a loadable device driver module.
 *
 * A driver module is a shared object that exports one C function,
 *
 *     const tmx_driver *tmx_driver_entry(void);
 *
 * which returns a table that stays valid while the module is loaded. The
 * device layer loads the module when the first handle to its device is
 * opened and calls `load` once; it calls `unload` once before the module is
 * unloaded (last handle closed with FILE_FLAG_DELETE_ON_CLOSE, or the process
 * ending). Between the two, every DeviceIoControl on a handle of the device
 * reaches `control` on the caller's thread, possibly from several threads at
 * once: the driver does its own locking.
 *
 * `control` must complete the request before it returns. It returns 0 when it
 * processed the request (its outcome, success or failure, is then inside the
 * caller's buffers, e.g. a status word), or a platform error code (types.h)
 * when the request was not carried out: DeviceIoControl then returns zero and
 * the caller's GetLastError yields that code.
 *
 * A driver posts notifications to windows through host->post_message, which
 * never blocks and may be called from any thread, including the driver's own.
 *
 * Before the device layer first maps a module file, the probe program tries
 * it in a process of its own: it loads the module, calls `load` (posts go
 * nowhere there), sends one request with code 0 and no buffers, calls
 * `unload` and unloads the module. A driver must take all of this without
 * effects outside its process.
 */
#ifndef TAMRIX_PLATFORM_DRIVER_MODULE_H
#define TAMRIX_PLATFORM_DRIVER_MODULE_H

#include "tamrix_platform/types.h"

#define TMX_DRIVER_ABI_VERSION 1u
#define TMX_DRIVER_ENTRY_NAME "tmx_driver_entry"

#ifdef __cplusplus
extern "C" {
#endif

/** What the platform offers a loaded driver. */
typedef struct tmx_host_services {
  uint32_t abi_version; /**< TMX_DRIVER_ABI_VERSION */
  /** Posts a message to a window's queue; non-zero when it was queued. */
  tmx_bool (*post_message)(tmx_hwnd window, tmx_uint message, tmx_wparam wparam, tmx_lparam lparam);
} tmx_host_services;

/** A driver's handler of one I/O-control request. */
typedef tmx_dword tmx_driver_control_fn(void *context, tmx_dword io_control_code, void *in_buffer,
                                        tmx_dword in_size, void *out_buffer, tmx_dword out_size,
                                        tmx_dword *bytes_returned);

/** A driver module's entry table, returned by tmx_driver_entry(). */
typedef struct tmx_driver {
  uint32_t abi_version; /**< TMX_DRIVER_ABI_VERSION */
  /** Returns the driver's context, or null to refuse (the open fails with
   * TMX_ERROR_GEN_FAILURE). `host` outlives the context. */
  void *(*load)(const tmx_host_services *host);
  /** Stops every thread of the driver and frees the context. */
  void (*unload)(void *context);
  /** One I/O-control request; see above for the result. */
  tmx_driver_control_fn *control;
} tmx_driver;

typedef const tmx_driver *(*tmx_driver_entry_fn)(void);

#ifdef __cplusplus
}
#endif

#endif
