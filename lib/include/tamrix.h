/* Tamrix board access library: the eleven exported functions, their status
 * codes and records.
 *
 * Link with `pkg-config --cflags --libs tamrix` (or the CMake target
 * tamrix::tamrix). Loading the library opens the board driver; a process
 * without the driver cannot load it. */
#ifndef TAMRIX_H
#define TAMRIX_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define TAMRIX_CALL __stdcall
#else
#define TAMRIX_CALL
#endif

#if defined(TAMRIX_BUILDING_LIBRARY) && defined(__GNUC__)
#define TAMRIX_EXPORT __attribute__((visibility("default")))
#elif defined(TAMRIX_BUILDING_LIBRARY) && defined(_WIN32)
#define TAMRIX_EXPORT __declspec(dllexport)
#else
#define TAMRIX_EXPORT
#endif

/* Status codes (TamrixGetLastError). The same number space also carries
 * platform error codes of requests not carried out (TMX_ERROR_* numbers of
 * tamrix_platform/types.h) and driver status values of 9 to 65535, passed
 * on unchanged. */
#define TAMRIX_SUCCESS 0
#define TAMRIX_ERR_NO_DEVICE 1
#define TAMRIX_ERR_RESOURCE 2
#define TAMRIX_ERR_INV_ARG 3
#define TAMRIX_ERR_SLOT 100
#define TAMRIX_ERR_CHANNEL 101
#define TAMRIX_ERR_TIMER 102
#define TAMRIX_ERR_DMA_BUFFSIZE 103
#define TAMRIX_ERR_NOT_ENOUGH_MEM 104
#define TAMRIX_ERR_DMA 105
#define TAMRIX_ERR_NUMDATA 106
#define TAMRIX_ERR_NO_CREATE 107
#define TAMRIX_ERR_START 108
#define TAMRIX_ERR_MODE_KEPT 109
#define TAMRIX_ERR_UNKNOWN (-1)
#define TAMRIX_ERR_INTERNAL (-2)

/* Every status code with its name and a plain-English meaning, for tools
 * that list them: X(code, name, meaning). */
#define TAMRIX_STATUS_TABLE(X)                                                         \
  X(0, TAMRIX_SUCCESS, "success")                                                      \
  X(1, TAMRIX_ERR_NO_DEVICE, "no device")                                              \
  X(2, TAMRIX_ERR_RESOURCE, "resources not available")                                 \
  X(3, TAMRIX_ERR_INV_ARG, "invalid argument, or no mode set for the slot")            \
  X(100, TAMRIX_ERR_SLOT, "bad slot: out of range, empty, or already open")            \
  X(101, TAMRIX_ERR_CHANNEL, "channel out of range (0 to 15)")                         \
  X(102, TAMRIX_ERR_TIMER, "timer out of range (1 to 50,000,000)")                     \
  X(103, TAMRIX_ERR_DMA_BUFFSIZE, "buffer size not allowed for a DMA mode")            \
  X(104, TAMRIX_ERR_NOT_ENOUGH_MEM, "buffer too large: not enough memory")             \
  X(105, TAMRIX_ERR_DMA, "the board has no DMA channel")                               \
  X(106, TAMRIX_ERR_NUMDATA, "word count is 0, above the buffer, or above what waits") \
  X(107, TAMRIX_ERR_NO_CREATE, "slot not open")                                        \
  X(108, TAMRIX_ERR_START, "cannot start: no mode accepted, or already sampling")      \
  X(109, TAMRIX_ERR_MODE_KEPT, "mode not changed while sampling: the old mode stays")  \
  X(-1, TAMRIX_ERR_UNKNOWN, "unknown error")                                           \
  X(-2, TAMRIX_ERR_INTERNAL, "internal error")

/* Notifications a board posts to the window given at TamrixCreate (message
 * numbers; both parameters are 0). See tamrix_window.h to receive them. */
#define TAMRIX_MSG_SINGLE_SAMPLING_END 0x6401u /* a single scan has completed */
#define TAMRIX_MSG_BUFF_HALF_FULL 0x6402u      /* the buffer reached half full */
#define TAMRIX_MSG_BUFF_FULL 0x6403u           /* the buffer became full */
#define TAMRIX_MSG_BUFF_OVERFLOW 0x6404u       /* a word was lost to a full buffer */
#define TAMRIX_MSG_SAMPLING_OVERRUN 0x6405u    /* the period is below what the board can do */
#define TAMRIX_MSG_DMA_TC 0x6406u              /* a DMA page has completed */

/* Every notification with the name the check program shows: X(message, name). */
#define TAMRIX_NOTIFICATION_TABLE(X)                     \
  X(TAMRIX_MSG_SINGLE_SAMPLING_END, "SingleSamplingEnd") \
  X(TAMRIX_MSG_BUFF_HALF_FULL, "BuffHalfFull")           \
  X(TAMRIX_MSG_BUFF_FULL, "BuffFull")                    \
  X(TAMRIX_MSG_BUFF_OVERFLOW, "BuffOverflow")            \
  X(TAMRIX_MSG_SAMPLING_OVERRUN, "SamplingOverrun")      \
  X(TAMRIX_MSG_DMA_TC, "DmaTc")

/* Sample words: the channel in bits 15..12, the 12-bit value below. */
#define TAMRIX_WORD_CHANNEL(word) ((unsigned)((word) >> 12) & 0xFu)
#define TAMRIX_WORD_VALUE(word) ((unsigned)(word)&0xFFFu)

#define TAMRIX_SLOT_COUNT 16
#define TAMRIX_ANY_SLOT 0xFFFFu
#define TAMRIX_LIBRARY_VERSION 0x01000000u
#define TAMRIX_TIMER_MAX 50000000u

/** How a slot samples (TamrixSetMode). */
typedef struct ModeRecord {
  uint32_t ChFirst;  /**< first channel, 0..15 */
  uint32_t ChLast;   /**< last channel, 0..15, not below ChFirst */
  uint32_t BuffSize; /**< buffer size in sample words over all channels, not 0 */
  uint32_t Timer;    /**< period of one conversion in timer units (1 µs), 1..50,000,000 */
  int32_t Mode; /**< sampling mode (1..10 on the simulated boards); low 16 bits reach the driver */
} ModeRecord;

/** A board's allocated resources (TamrixGetResource), naturally aligned,
 * 220 bytes. Entries beyond each count carry no meaning. */
typedef struct TAMRIXR {
  uint16_t NumMemWindows;    /**< valid memory windows */
  uint32_t MemBase[9];       /**< memory window base addresses */
  uint32_t MemLength[9];     /**< memory window lengths */
  uint16_t MemAttrib[9];     /**< memory window attributes (bit 0: writable) */
  uint16_t NumIOPorts;       /**< valid I/O port ranges */
  uint16_t IOPortBase[20];   /**< I/O port range bases */
  uint16_t IOPortLength[20]; /**< I/O port range lengths */
  uint16_t NumIRQs;          /**< valid interrupt lines */
  uint8_t IRQRegisters[7];   /**< interrupt line numbers */
  uint8_t IRQAttrib[7];      /**< interrupt attributes (bit 0: shareable, bit 1: level) */
  uint16_t NumDMAs;          /**< valid DMA channels */
  uint8_t DMALst[7];         /**< DMA channel numbers */
  uint16_t DMAAttrib[7];     /**< DMA attributes (bit 0: 16-bit transfers) */
  uint8_t Reserved[3];       /**< the board's revision, firmware major, firmware minor */
} TAMRIXR;

#ifdef __cplusplus
#define TAMRIX_STATIC_ASSERT static_assert
#else
#define TAMRIX_STATIC_ASSERT _Static_assert
#endif
TAMRIX_STATIC_ASSERT(sizeof(ModeRecord) == 20, "ModeRecord is 20 bytes");
TAMRIX_STATIC_ASSERT(sizeof(TAMRIXR) == 220, "TAMRIXR is 220 bytes");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, MemBase) == 4, "MemBase at 4");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, MemLength) == 40, "MemLength at 40");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, MemAttrib) == 76, "MemAttrib at 76");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, NumIOPorts) == 94, "NumIOPorts at 94");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, IOPortBase) == 96, "IOPortBase at 96");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, IOPortLength) == 136, "IOPortLength at 136");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, NumIRQs) == 176, "NumIRQs at 176");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, IRQRegisters) == 178, "IRQRegisters at 178");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, IRQAttrib) == 185, "IRQAttrib at 185");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, NumDMAs) == 192, "NumDMAs at 192");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, DMALst) == 194, "DMALst at 194");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, DMAAttrib) == 202, "DMAAttrib at 202");
TAMRIX_STATIC_ASSERT(offsetof(TAMRIXR, Reserved) == 216, "Reserved at 216");

/* Each number of the status table is the code of its name. */
#define TAMRIX_STATUS_CHECK(code, name, meaning) \
  TAMRIX_STATIC_ASSERT((code) == (name), #name " is numbered as in the table");
TAMRIX_STATUS_TABLE(TAMRIX_STATUS_CHECK)
#undef TAMRIX_STATUS_CHECK

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Every function but TamrixGetLastError returns 1 for success and 0 for
 * failure, and leaves its outcome as a status code for TamrixGetLastError:
 * library-wide for TamrixCreate, TamrixGetVersion and any slot argument of 16
 * or more, else in the slot's own status. A slot argument counts by its low
 * 16 bits only (65537 is slot 1).
 *
 * Codes any function below may leave besides those it names:
 *   - a platform error code (TMX_ERROR_INVALID_HANDLE 6,
 *     TMX_ERROR_INSUFFICIENT_BUFFER 122, ...) when the request could not be
 *     carried out;
 *   - a driver status of 9 to 65535, passed on unchanged.
 *
 * Thread safety: the library has no threads and takes no locks. Every
 * function may be called from any thread; the status codes are shared by the
 * whole process, so a code read after a call may belong to another thread's
 * later call. Use one slot from one thread at a time.
 */

/**
 * Opens a board.
 *
 * @param slot     in: the wanted slot 0..15, or TAMRIX_ANY_SLOT for the lowest
 *                 free board; out (on success only): the slot opened
 * @param window   the window that receives the board's notifications
 *                 (TAMRIX_MSG_*), e.g. from tmx_window_create; 0 for none
 * @param reserved neither read nor written; may be null
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT (no such board, slot empty or
 *         already open, no free board), TAMRIX_ERR_INV_ARG (slot is null) or
 *         TAMRIX_ERR_INTERNAL (the driver named an impossible slot).
 *         The slot opens without a mode: call TamrixSetMode before sampling.
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixCreate(uint16_t *slot, uint32_t window, void *reserved);

/**
 * Closes a slot; sampling on it stops. The request goes to the driver even
 * for a slot the library does not know as open.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT (slot 16 or more, or not open
 *         at the driver).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixClose(uint32_t slot);

/**
 * Reads the library's version (TAMRIX_LIBRARY_VERSION) and the driver's
 * (major in bits 31..24, minor in 23..16, build in 15..0). Both results are
 * written whenever the driver answered, also when it answered a failure.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_INV_ARG (a null pointer) or the
 *         driver's translated status.
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetVersion(uint32_t *library_version,
                                                   uint32_t *driver_version);

/**
 * Reads the resources of an open slot's board into record (its padding bytes
 * are left as they were). The record is written whenever the driver answered.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE (slot not
 *         open) or TAMRIX_ERR_INV_ARG (record is null).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetResource(uint32_t slot, TAMRIXR *record);

/**
 * Sets how an open slot samples: channels ChFirst..ChLast in turn, one word
 * every Timer units (1 µs each; above 1000 only whole milliseconds count),
 * into a buffer of BuffSize words, in the given mode. Refused while sampling
 * runs (TAMRIX_ERR_MODE_KEPT: the running mode stays in force); any other
 * refusal by the driver leaves the slot without a mode.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE,
 *         TAMRIX_ERR_TIMER (Timer 0 or above TAMRIX_TIMER_MAX),
 *         TAMRIX_ERR_CHANNEL (a channel above 15), TAMRIX_ERR_INV_ARG
 *         (BuffSize 0, mode is null, or a mode the driver refuses),
 *         TAMRIX_ERR_NOT_ENOUGH_MEM, TAMRIX_ERR_DMA_BUFFSIZE, TAMRIX_ERR_DMA
 *         or TAMRIX_ERR_MODE_KEPT.
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixSetMode(uint32_t slot, const ModeRecord *mode);

/**
 * Starts sampling on an open slot with an accepted mode; the buffer is
 * emptied first.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE,
 *         TAMRIX_ERR_INV_ARG (no mode accepted since the slot was opened) or
 *         TAMRIX_ERR_START (already sampling).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixStartSampling(uint32_t slot);

/**
 * Stops sampling; the words converted so far stay in the buffer. Stopping a
 * slot that does not sample is harmless.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT or TAMRIX_ERR_NO_CREATE.
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixStopSampling(uint32_t slot);

/**
 * Reads how many sample words wait in the buffer and the driver's status
 * bits. Both results are written whenever the driver answered.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE or
 *         TAMRIX_ERR_INV_ARG (a null pointer).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetSamplingStatus(uint32_t slot, uint32_t *num_data,
                                                          uint32_t *status);

/**
 * Takes the oldest count sample words out of the buffer into buffer, which
 * must hold 2 * count bytes. The driver writes the words straight into it.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE or
 *         TAMRIX_ERR_NUMDATA (count 0, above the BuffSize of the slot's last
 *         SetMode, or above the words waiting: nothing is taken then).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetData(uint32_t slot, uint32_t count, uint16_t *buffer);

/**
 * The status code left by the latest call: the library-wide one when it is
 * not 0, else the slot's own. Sends nothing to the driver and clears nothing.
 *
 * @return the code; TAMRIX_ERR_SLOT for a slot of 16 or more (which also
 *         becomes the library-wide code).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetLastError(uint32_t slot);

/**
 * Reads the board's three external inputs: -1 for on, 0 for off. The results
 * are written whenever the driver answered.
 *
 * @return 1 on success; 0 with TAMRIX_ERR_SLOT, TAMRIX_ERR_NO_CREATE or
 *         TAMRIX_ERR_INV_ARG (a null pointer).
 */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetExIn(uint32_t slot, int32_t *ex_in0, int32_t *ex_in1,
                                                int32_t *ex_trg);

/* clang-format off */
#define TAMRIX_STATUS_NAME_CASE(code, name, meaning) case code: return #name;
#define TAMRIX_STATUS_MEANING_CASE(code, name, meaning) case code: return meaning;
/* clang-format on */

/**
 * The name of a status code ("TAMRIX_ERR_NUMDATA"), or null for a number
 * that is no library code (a platform error or a driver status). Part of the
 * header, not of the library's exports.
 */
static inline const char *tamrix_status_name(int32_t code) {
  switch (code) { TAMRIX_STATUS_TABLE(TAMRIX_STATUS_NAME_CASE) }
  return 0; /* NOLINT(modernize-use-nullptr): also a C header */
}

/* clang-format off */
#define TAMRIX_NOTIFICATION_NAME_CASE(message, name) case message: return name;
/* clang-format on */

/** The name of a notification ("BuffHalfFull"), or null for another number. */
static inline const char *tamrix_notification_name(uint32_t message) {
  switch (message) { TAMRIX_NOTIFICATION_TABLE(TAMRIX_NOTIFICATION_NAME_CASE) }
  return 0; /* NOLINT(modernize-use-nullptr): also a C header */
}

/** A plain-English meaning of a status code, or null as tamrix_status_name. */
static inline const char *tamrix_status_meaning(int32_t code) {
  switch (code) { TAMRIX_STATUS_TABLE(TAMRIX_STATUS_MEANING_CASE) }
  return 0; /* NOLINT(modernize-use-nullptr): also a C header */
}

#ifdef __cplusplus
}
#endif

#endif
