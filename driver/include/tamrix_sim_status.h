/* The sampling status bits of the simulated boards (TamrixGetSamplingStatus):
 * set by the driver, decoded by the command-line tool and the Python package.
 * C, so that every one of them reads this one table. */
#ifndef TAMRIX_SIM_STATUS_H
#define TAMRIX_SIM_STATUS_H

#define TAMRIX_SIM_SAMPLING 0x0001u         /* started, not yet ended */
#define TAMRIX_SIM_AWAITING_TRIGGER 0x0002u /* started, ExTrg not seen yet */
#define TAMRIX_SIM_HALF_FULL 0x0004u        /* buffer at least half full */
#define TAMRIX_SIM_FULL 0x0008u             /* buffer full */
#define TAMRIX_SIM_WORDS_LOST 0x0010u       /* the latest run lost words */
#define TAMRIX_SIM_OVERRUN 0x0020u          /* the latest run ran at the converter limit */
#define TAMRIX_SIM_DMA 0x0040u              /* the mode transfers by DMA */
#define TAMRIX_SIM_SCAN_DONE 0x0080u        /* the latest run completed its single scan */
#define TAMRIX_SIM_MODE_MASK 0x0F00u        /* the accepted mode number, 0 for none */
#define TAMRIX_SIM_MODE_SHIFT 8u
#define TAMRIX_SIM_OVERFLOW_HELD 0x1000u /* a BuffOverflow waits for the notification budget */

/* Every one-bit flag with the Python package's field name and the words the
 * command-line tool shows when it is set: X(bit, field, words). */
#define TAMRIX_SIM_STATUS_FLAGS(X)                                         \
  X(TAMRIX_SIM_SAMPLING, sampling, "sampling")                             \
  X(TAMRIX_SIM_AWAITING_TRIGGER, waiting_for_trigger, "waiting for ExTrg") \
  X(TAMRIX_SIM_HALF_FULL, half_full, "buffer half full")                   \
  X(TAMRIX_SIM_FULL, full, "buffer full")                                  \
  X(TAMRIX_SIM_WORDS_LOST, words_lost, "words lost")                       \
  X(TAMRIX_SIM_OVERRUN, overrun, "overrun")                                \
  X(TAMRIX_SIM_DMA, dma, "DMA")                                            \
  X(TAMRIX_SIM_SCAN_DONE, single_scan_done, "single scan done")            \
  X(TAMRIX_SIM_OVERFLOW_HELD, overflow_held, "overflow notice held")

#endif
