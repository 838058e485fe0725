#include "resource_packing.h"

#include <algorithm>

namespace tamrix::vxd {

void ClearResources(RequestBlock &block) {
  std::fill(block.bytes.begin() + TAMRIX_OFS_RESOURCES, block.bytes.end(), std::uint8_t{0});
}

void PackResources(const BoardDescription &board, RequestBlock &block) {
  ClearResources(block);

  block.PutU16(TAMRIX_RES_NUM_MEM_WINDOWS, static_cast<std::uint16_t>(board.memory_window_count));
  for (std::size_t i = 0; i < board.memory_window_count; ++i) {
    const MemoryWindow &window = board.memory_windows[i];
    block.PutU32(TAMRIX_RES_MEM_BASE + 4 * i, window.base);
    block.PutU32(TAMRIX_RES_MEM_LENGTH + 4 * i, window.length);
    block.PutU16(TAMRIX_RES_MEM_ATTRIB + 2 * i, window.attributes);
  }

  block.PutU16(TAMRIX_RES_NUM_IO_PORTS, static_cast<std::uint16_t>(board.io_range_count));
  for (std::size_t i = 0; i < board.io_range_count; ++i) {
    block.PutU16(TAMRIX_RES_IO_PORT_BASE + 2 * i, board.io_ranges[i].base);
    block.PutU16(TAMRIX_RES_IO_PORT_LENGTH + 2 * i, board.io_ranges[i].length);
  }

  block.PutU16(TAMRIX_RES_NUM_IRQS, 1);
  block.PutU8(TAMRIX_RES_IRQ_REGISTERS, board.interrupt.line);
  block.PutU8(TAMRIX_RES_IRQ_ATTRIB, board.interrupt.attributes);

  block.PutU16(TAMRIX_RES_NUM_DMAS, static_cast<std::uint16_t>(board.dma_count));
  for (std::size_t i = 0; i < board.dma_count; ++i) {
    block.PutU8(TAMRIX_RES_DMA_LST + i, board.dma_channels[i].channel);
    block.PutU16(TAMRIX_RES_DMA_ATTRIB + 2 * i, board.dma_channels[i].attributes);
  }

  block.PutU8(TAMRIX_RES_RESERVED + 0, board.hardware_revision);
  block.PutU8(TAMRIX_RES_RESERVED + 1, board.firmware_major);
  block.PutU8(TAMRIX_RES_RESERVED + 2, board.firmware_minor);
}

}  // namespace tamrix::vxd
