/* The board service's own requests, sent through the device calls like any
 * driver request, with the 290-byte request block as the output buffer.
 * Function numbers 0x800 and up (codes 0x222000 and up) are private:
 * 0x222000 to 0x2223FF belong to the simulated driver, 0x222400 and up to
 * the service. A driver module in the process answers the service's codes
 * ERROR_INVALID_FUNCTION. */
#ifndef TAMRIX_SERVICE_H
#define TAMRIX_SERVICE_H

#define TAMRIX_IOCTL_PRIVATE_FIRST 0x222000u
#define TAMRIX_IOCTL_SIMULATOR_LAST 0x2223FFu
#define TAMRIX_IOCTL_SERVICE_FIRST 0x222400u

/* Who holds a slot. In: the slot at offset 0. Out: status word 0 when
 * another session holds the slot, with its holder below, else 1. */
#define TAMRIX_IOCTL_HOLDER 0x222400u
#define TAMRIX_HOLDER_OFS_PID 42u  /* u32 */
#define TAMRIX_HOLDER_OFS_USER 46u /* text, NUL-padded */
#define TAMRIX_HOLDER_OFS_HOST 110u
#define TAMRIX_HOLDER_TEXT_SIZE 64u

#endif
