/* Tamrix board access library: the eleven exported functions, their status
 * codes and records. Every function but TamrixGetLastError returns 1 for
 * success and 0 for failure and leaves the reason for TamrixGetLastError. */
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

#define TAMRIX_SLOT_COUNT 16
#define TAMRIX_ANY_SLOT 0xFFFFu
#define TAMRIX_LIBRARY_VERSION 0x01000000u
#define TAMRIX_TIMER_MAX 50000000u

typedef struct ModeRecord {
  uint32_t ChFirst;  /* first channel, 0..15 */
  uint32_t ChLast;   /* last channel, 0..15 */
  uint32_t BuffSize; /* buffer size in sample words over all channels, not 0 */
  uint32_t Timer;    /* period in timer units (20 counter ticks), 1..50,000,000 */
  int32_t Mode;      /* sampling mode; its low 16 bits reach the driver */
} ModeRecord;

/* A board's allocated resources, naturally aligned (220 bytes). */
typedef struct TAMRIXR {
  uint16_t NumMemWindows;
  uint32_t MemBase[9];
  uint32_t MemLength[9];
  uint16_t MemAttrib[9];
  uint16_t NumIOPorts;
  uint16_t IOPortBase[20];
  uint16_t IOPortLength[20];
  uint16_t NumIRQs;
  uint8_t IRQRegisters[7];
  uint8_t IRQAttrib[7];
  uint16_t NumDMAs;
  uint8_t DMALst[7];
  uint16_t DMAAttrib[7];
  uint8_t Reserved[3];
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

#ifdef __cplusplus
extern "C" {
#endif

/* Slot arguments count by their low 16 bits only. */
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixCreate(uint16_t *slot, uint32_t window, void *reserved);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixClose(uint32_t slot);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetVersion(uint32_t *library_version,
                                                   uint32_t *driver_version);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetResource(uint32_t slot, TAMRIXR *record);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixSetMode(uint32_t slot, const ModeRecord *mode);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixStartSampling(uint32_t slot);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixStopSampling(uint32_t slot);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetSamplingStatus(uint32_t slot, uint32_t *num_data,
                                                          uint32_t *status);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetData(uint32_t slot, uint32_t count, uint16_t *buffer);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetLastError(uint32_t slot);
TAMRIX_EXPORT int32_t TAMRIX_CALL TamrixGetExIn(uint32_t slot, int32_t *ex_in0, int32_t *ex_in1,
                                                int32_t *ex_trg);

#ifdef __cplusplus
}
#endif

#endif
