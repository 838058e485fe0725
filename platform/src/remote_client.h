/* The forwarding client: a module of the platform's private folder
 * ("tamrix-remote.so") that serves a device from a board service instead of
 * a driver in the process. Loaded on demand, so that this library itself
 * never links the transport. Private to the platform and the service. */
#ifndef TAMRIX_PLATFORM_REMOTE_CLIENT_H
#define TAMRIX_PLATFORM_REMOTE_CLIENT_H

#include "tamrix_platform/driver_module.h"

#define TMX_REMOTE_ABI_VERSION 1u
#define TMX_REMOTE_ENTRY_NAME "tmx_remote_entry"
#define TMX_REMOTE_MODULE_FILE "tamrix-remote.so"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tmx_remote_client {
  uint32_t abi_version; /**< TMX_REMOTE_ABI_VERSION */
  /** Opens a session for the device NAME (of "\\.\NAME") at the service the
   * URI names; notifications go through host. Returns the session, or null
   * with *error set to a platform error code. Never waits past its deadline. */
  void *(*connect)(const char *uri, const char *device, const tmx_host_services *host,
                   tmx_dword *error);
  /** One request, as a driver's control. */
  tmx_driver_control_fn *control;
  /** Ends the session; no post follows its return. */
  void (*disconnect)(void *session);
} tmx_remote_client;

typedef const tmx_remote_client *(*tmx_remote_entry_fn)(void);

#ifdef __cplusplus
}
#endif

#endif
