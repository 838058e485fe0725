/* The platform's part for programs: notification windows for programs
 * without a GUI toolkit, and why the board's driver did not open.
 *
 * A board posts its notifications (TAMRIX_MSG_* in tamrix.h) to the window
 * handle given to TamrixCreate. This header gives a C program such a handle
 * and the means to take the posted messages: by waiting, or by polling a
 * descriptor from its own event loop (poll, select, epoll, asyncio).
 *
 * Messages to one window come out in the order they were posted, none lost,
 * whichever threads posted them. Every function may be called from any
 * thread; each window is meant to be read by one thread at a time.
 */
#ifndef TAMRIX_WINDOW_H
#define TAMRIX_WINDOW_H

#include <stdint.h>

#if defined(__GNUC__)
#define TMX_WINDOW_API __attribute__((visibility("default")))
#else
#define TMX_WINDOW_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/**
 * Makes a new notification window.
 *
 * @return a window handle to pass to TamrixCreate (never 0 on success, never
 *         reused within the process), or 0 when none can be made (out of
 *         memory, or no descriptor left for it).
 */
TMX_WINDOW_API uint32_t tmx_window_create(void);

/**
 * A descriptor that polls readable while a message waits for the window.
 * Do not read it or close it: take messages with tmx_window_wait. It stays
 * valid until the window is destroyed.
 *
 * @param window a handle from tmx_window_create
 * @return the descriptor, or -1 for a handle that is not a live window
 */
TMX_WINDOW_API int tmx_window_fd(uint32_t window);

/**
 * Takes the oldest message waiting for the window.
 *
 * @param window     a handle from tmx_window_create
 * @param timeout_ms how long to wait for a message: 0 does not wait, -1 (any
 *                   negative value) waits until one arrives
 * @param message    receives the message number (may be null)
 * @param wparam     receives its first parameter (may be null)
 * @param lparam     receives its second parameter (may be null)
 * @return 1 when a message was taken, 0 when none arrived within timeout_ms,
 *         -1 for a handle that is not a live window, or when another thread
 *         destroys the window while this one waits
 */
TMX_WINDOW_API int tmx_window_wait(uint32_t window, int timeout_ms, uint32_t *message,
                                   uint32_t *wparam, int32_t *lparam);

/**
 * Destroys the window: messages still waiting are dropped, later posts to
 * the handle fail as posts to a dead window do, and threads waiting in
 * tmx_window_wait for it return -1 at once. Destroying 0 or a handle that is
 * not live does nothing. Close the boards opened with this window first,
 * or their notifications are lost. Windows still open when the platform
 * library is unloaded are destroyed with it.
 */
TMX_WINDOW_API void tmx_window_destroy(uint32_t window);

/**
 * Why a device of this process did not open. The access library opens the
 * board's device (TAMRIX_DEVICE_NAME in tamrix_protocol.h) when it is
 * loaded; when that failed, every call fails with TMX_ERROR_INVALID_HANDLE
 * (6), and this says why. The TMX_ERROR_* codes are in
 * tamrix_platform/types.h.
 *
 * @param device_name the device's name, e.g. "\\\\.\\TAMRIX.VXD"
 * @return 0 when the latest attempt in this process to open the device
 *         succeeded or none was made, else the platform error code it failed
 *         with; for a driver module (see tmx_error_text):
 *         TMX_ERROR_FILE_NOT_FOUND (2)    no module file, or not a regular
 *                                         file, or no probe program beside it;
 *         TMX_ERROR_BAD_EXE_FORMAT (193)  a damaged module, or one that failed
 *                                         its trial run in the probe;
 *         TMX_ERROR_BAD_FORMAT (11)       a module of another interface version;
 *         TMX_ERROR_PROC_NOT_FOUND (127)  a shared object with no driver entry;
 *         TMX_ERROR_GEN_FAILURE (31)      the driver refused to start;
 *         TMX_ERROR_TIMEOUT (1460)        the trial run did not end in time.
 */
TMX_WINDOW_API uint32_t tmx_device_open_error(const char *device_name);

/**
 * Names a platform error code for a person: "ERROR_BAD_EXE_FORMAT: ...", one
 * line of English.
 *
 * @return a static string, or null for a code the platform does not give
 */
TMX_WINDOW_API const char *tmx_error_text(uint32_t code);

#ifdef __cplusplus
}
#endif

#endif
