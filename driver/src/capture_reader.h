/* The HDF5 capture reader: a private module beside the driver module
 * ("tamrix-replay-hdf5.so"), loaded on the first replay of an HDF5 capture,
 * so that loading the driver maps neither HDF5 nor what HDF5 links. */
#ifndef TAMRIX_VXD_CAPTURE_READER_H
#define TAMRIX_VXD_CAPTURE_READER_H

#include <stddef.h>
#include <stdint.h>

#define TMX_CAPTURE_READER_ABI_VERSION 1u
#define TMX_CAPTURE_READER_ENTRY_NAME "tmx_capture_reader_entry"
#define TMX_CAPTURE_READER_FILE "tamrix-replay-hdf5.so"

#ifdef __cplusplus
extern "C" {
#endif

typedef void tmx_capture_values_fn(void *sink, const uint16_t *values, size_t count);
typedef void tmx_capture_why_fn(void *sink, const char *why);

typedef struct tmx_capture_reader {
  uint32_t abi_version; /**< TMX_CAPTURE_READER_ABI_VERSION */
  /** Reads the 12-bit values of board channel CHANNEL out of the capture at
   * PATH: returns 1 after one call of values, or 0 after one call of why
   * with the reason in the words of the scenario's error. */
  int (*read_channel)(const char *path, unsigned channel, void *sink, tmx_capture_values_fn *values,
                      tmx_capture_why_fn *why);
} tmx_capture_reader;

typedef const tmx_capture_reader *(*tmx_capture_reader_entry_fn)(void);

#ifdef __cplusplus
}
#endif

#endif
