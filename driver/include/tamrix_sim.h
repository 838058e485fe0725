/* The simulated driver's controls: private I/O-control requests to
 * "\\.\TAMRIX.VXD" that a test sends to act on the simulated boards while a
 * program samples (the library never sends them). They take no request
 * block: each carries its own input buffer, described below.
 *
 * In a process that runs the driver itself, the helpers below send them
 * through the platform's device calls: a second open of the device in the
 * same process shares the driver the library uses. The board service
 * forwards them to its driver, for an authorised session only.
 *
 * Every control answers through the device call: non-zero when done, else
 * zero with a platform error code for GetLastError. */
#ifndef TAMRIX_SIM_H
#define TAMRIX_SIM_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tamrix_platform/device.h"
#include "tamrix_protocol.h"

/* Also a C header. */
#ifdef __cplusplus
#define TAMRIX_SIM_NULL nullptr
#else
#define TAMRIX_SIM_NULL NULL
#endif

/* Function numbers 0x800 up, code = 0x220000 + 4 x function. */
#define TAMRIX_SIM_IOCTL(function) (0x220000u + 4u * (function))
/* Load a scenario. Input: its name (for error lines, and the folder that
 * relative replay paths start from), a NUL, then the TOML text. Output
 * (optional): room for the error line. Refused with
 * TAMRIX_SIM_ERROR_BUSY while a slot is open, with
 * TAMRIX_SIM_ERROR_INVALID_DATA when the scenario is refused (the output
 * then holds the line "NAME:LINE: KEY: ...", NUL-terminated, and
 * *bytes_returned its length). */
#define TAMRIX_SIM_IOCTL_LOAD TAMRIX_SIM_IOCTL(0x800u)
/* Fire one fault now. Input: the keys of one [[fault]] table as TOML text
 * ("slot = 0\nkind = \"lose\"\nwords = 100"), without `at` or `after`.
 * Output and refusal as for a load. */
#define TAMRIX_SIM_IOCTL_FAULT TAMRIX_SIM_IOCTL(0x801u)
/* Set an external input from now on. Input: struct tamrix_sim_input; an
 * input buffer of another size is refused with ERROR_INVALID_PARAMETER, a
 * slot without a board, an unknown input or state as a refused fault. */
#define TAMRIX_SIM_IOCTL_INPUT TAMRIX_SIM_IOCTL(0x802u)
/* The first and last code of the range kept for the controls. */
#define TAMRIX_SIM_IOCTL_FIRST 0x222000u
#define TAMRIX_SIM_IOCTL_LAST 0x2223FFu

#define TAMRIX_SIM_INPUT_EXTRG 0u
#define TAMRIX_SIM_INPUT_EXIN0 1u
#define TAMRIX_SIM_INPUT_EXIN1 2u

struct tamrix_sim_input {
  uint16_t slot;  /* a fitted board, 0..15 */
  uint16_t input; /* TAMRIX_SIM_INPUT_* */
  uint32_t on;    /* 0 off, 1 on */
};

/* Platform error codes of the controls and of the faults they fire. */
#define TAMRIX_SIM_ERROR_INVALID_DATA 13u           /* a scenario or fault refused */
#define TAMRIX_SIM_ERROR_BUSY 170u                  /* a load while a slot is open */
#define TAMRIX_SIM_ERROR_DEVICE_NOT_CONNECTED 1167u /* an unplugged board's requests */

/* Sends one control through a handle of its own to the driver. Returns 0 when
 * done, else the platform error code; `why` (may be null, `why_size` bytes)
 * receives the driver's error line, or "" when it gave none. */
static inline uint32_t tamrix_sim_control(uint32_t code, const void *input, size_t input_size,
                                          char *why, size_t why_size) {
  HANDLE device =
      CreateFileA(TAMRIX_DEVICE_NAME, 0, 0, TAMRIX_SIM_NULL, OPEN_EXISTING, 0, TAMRIX_SIM_NULL);
  DWORD returned = 0;
  uint32_t error = 0;
  if (why != TAMRIX_SIM_NULL && why_size > 0) why[0] = '\0';
  if (device == INVALID_HANDLE_VALUE) return GetLastError();
  if (!DeviceIoControl(device, code, (void *)input, (DWORD)input_size, why, (DWORD)why_size,
                       &returned, TAMRIX_SIM_NULL)) {
    error = GetLastError();
  }
  CloseHandle(device);
  return error;
}

/* Loads the scenario `text`, named `name` in error lines. */
static inline uint32_t tamrix_sim_load(const char *name, const char *text, char *why,
                                       size_t why_size) {
  const size_t name_size = strlen(name) + 1;
  const size_t text_size = strlen(text);
  /* The text's own NUL is not sent. */
  char *input = (char *)malloc(name_size + text_size + 1);
  uint32_t error;
  if (input == TAMRIX_SIM_NULL) return 8u; /* ERROR_NOT_ENOUGH_MEMORY */
  memcpy(input, name, name_size);
  memcpy(input + name_size, text, text_size + 1);
  error = tamrix_sim_control(TAMRIX_SIM_IOCTL_LOAD, input, name_size + text_size, why, why_size);
  free(input);
  return error;
}

/* Fires the fault whose [[fault]] keys are `keys` (TOML), now. */
static inline uint32_t tamrix_sim_fault(const char *keys, char *why, size_t why_size) {
  return tamrix_sim_control(TAMRIX_SIM_IOCTL_FAULT, keys, strlen(keys), why, why_size);
}

/* Sets input TAMRIX_SIM_INPUT_* of the board in `slot` on (1) or off (0). */
static inline uint32_t tamrix_sim_set_input(uint16_t slot, uint16_t input, uint32_t on, char *why,
                                            size_t why_size) {
  const struct tamrix_sim_input set = {slot, input, on};
  return tamrix_sim_control(TAMRIX_SIM_IOCTL_INPUT, &set, sizeof set, why, why_size);
}

#endif
