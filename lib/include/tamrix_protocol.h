/* The Tamrix driver protocol: device name, I/O-control codes and the byte
 * layout of the 290-byte request block that every request carries (packed,
 * little-endian). Shared by the library and by board drivers. */
#ifndef TAMRIX_PROTOCOL_H
#define TAMRIX_PROTOCOL_H

#include "tamrix.h"

#define TAMRIX_DEVICE_NAME "\\\\.\\TAMRIX.VXD"

/* 0x220000 + 4 * function number: device type 0x22, method 0, any access. */
#define TAMRIX_IOCTL_CREATE 0x220028u
#define TAMRIX_IOCTL_CLOSE 0x22002Cu
#define TAMRIX_IOCTL_VERSION 0x220030u
#define TAMRIX_IOCTL_RESOURCES 0x220034u
#define TAMRIX_IOCTL_SET_MODE 0x220038u
#define TAMRIX_IOCTL_START 0x22003Cu
#define TAMRIX_IOCTL_STOP 0x220040u
#define TAMRIX_IOCTL_SAMPLING_STATUS 0x220044u
#define TAMRIX_IOCTL_GET_DATA 0x220048u
#define TAMRIX_IOCTL_UNUSED 0x22004Cu /* never sent */
#define TAMRIX_IOCTL_EXTERNAL_INPUTS 0x220050u

#define TAMRIX_BLOCK_SIZE 290u

/* In: filled by the caller. */
#define TAMRIX_OFS_SLOT 0u          /* u16, every request but version */
#define TAMRIX_OFS_WINDOW 2u        /* u32, create: notification window */
#define TAMRIX_OFS_TIMER1_HIGH 6u   /* u16, set mode */
#define TAMRIX_OFS_TIMER1_LOW 8u    /* u16, set mode */
#define TAMRIX_OFS_TIMER2_HIGH 10u  /* u16, set mode */
#define TAMRIX_OFS_TIMER2_LOW 12u   /* u16, set mode */
#define TAMRIX_OFS_CH_FIRST 18u     /* u16, set mode */
#define TAMRIX_OFS_CH_LAST 20u      /* u16, set mode */
#define TAMRIX_OFS_MODE 22u         /* u16, set mode */
#define TAMRIX_OFS_DATA_COUNT 24u   /* u32, get data: words requested */
#define TAMRIX_OFS_DMA_BYTES 28u    /* u32, set mode, modes 5 and 10 */
#define TAMRIX_OFS_DMA_PAGES 32u    /* u32, set mode, modes 5 and 10 */
#define TAMRIX_OFS_BUFFER_WORDS 36u /* u32, set mode, other modes */
/* Out: filled by the driver. */
#define TAMRIX_OFS_STATUS 40u        /* u16, every request */
#define TAMRIX_OFS_DRV_VERSION 42u   /* u32, version */
#define TAMRIX_OFS_ASSIGNED_SLOT 46u /* u16, create */
#define TAMRIX_OFS_EX_TRG 50u        /* u32, external inputs: 1 = on */
#define TAMRIX_OFS_EX_IN0 54u        /* u32 */
#define TAMRIX_OFS_EX_IN1 58u        /* u32 */
#define TAMRIX_OFS_NUM_DATA 66u      /* u32, sampling status */
#define TAMRIX_OFS_SAMPLING_BITS 70u /* u32, sampling status */
#define TAMRIX_OFS_RESOURCES 74u     /* 216 bytes, resources, packed */

/* The packed resource fields, as block offsets. */
#define TAMRIX_RES_NUM_MEM_WINDOWS 74u /* u16 */
#define TAMRIX_RES_MEM_BASE 76u        /* 9 x u32 */
#define TAMRIX_RES_MEM_LENGTH 112u     /* 9 x u32 */
#define TAMRIX_RES_MEM_ATTRIB 148u     /* 9 x u16 */
#define TAMRIX_RES_NUM_IO_PORTS 166u   /* u16 */
#define TAMRIX_RES_IO_PORT_BASE 168u   /* 20 x u16 */
#define TAMRIX_RES_IO_PORT_LENGTH 208u /* 20 x u16 */
#define TAMRIX_RES_NUM_IRQS 248u       /* u16 */
#define TAMRIX_RES_IRQ_REGISTERS 250u  /* 7 x u8 */
#define TAMRIX_RES_IRQ_ATTRIB 257u     /* 7 x u8 */
#define TAMRIX_RES_NUM_DMAS 264u       /* u16 */
#define TAMRIX_RES_DMA_LST 266u        /* 7 x u8 */
#define TAMRIX_RES_DMA_ATTRIB 273u     /* 7 x u16 */
#define TAMRIX_RES_RESERVED 287u       /* 3 x u8 */

/* Driver status words (offset 40). */
#define TAMRIX_DRV_OK 0u
#define TAMRIX_DRV_BAD_SLOT 1u
#define TAMRIX_DRV_BAD_ARGUMENT 2u
#define TAMRIX_DRV_BAD_COUNT 3u
#define TAMRIX_DRV_NO_MEMORY 4u
#define TAMRIX_DRV_BAD_DMA_SIZE 5u
#define TAMRIX_DRV_START_FAILED 6u
#define TAMRIX_DRV_MODE_KEPT 7u
#define TAMRIX_DRV_DMA_FAILED 8u

/* The notification messages a driver posts (TAMRIX_MSG_*) are in tamrix.h. */

#endif
