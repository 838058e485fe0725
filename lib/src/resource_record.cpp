#include "resource_record.h"

#include <cstddef>

namespace tamrix {
namespace {

template <std::size_t N>
void CopyU32s(const RequestBlock &block, std::size_t at, std::uint32_t (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = block.U32(at + 4 * i);
}
template <std::size_t N>
void CopyU16s(const RequestBlock &block, std::size_t at, std::uint16_t (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = block.U16(at + 2 * i);
}
template <std::size_t N>
void CopyU8s(const RequestBlock &block, std::size_t at, std::uint8_t (&out)[N]) {
  for (std::size_t i = 0; i < N; ++i) out[i] = block.U8(at + i);
}

}  // namespace

void CopyResources(const RequestBlock &block, TAMRIXR &record) {
  record.NumMemWindows = block.U16(TAMRIX_RES_NUM_MEM_WINDOWS);
  CopyU32s(block, TAMRIX_RES_MEM_BASE, record.MemBase);
  CopyU32s(block, TAMRIX_RES_MEM_LENGTH, record.MemLength);
  CopyU16s(block, TAMRIX_RES_MEM_ATTRIB, record.MemAttrib);
  record.NumIOPorts = block.U16(TAMRIX_RES_NUM_IO_PORTS);
  CopyU16s(block, TAMRIX_RES_IO_PORT_BASE, record.IOPortBase);
  CopyU16s(block, TAMRIX_RES_IO_PORT_LENGTH, record.IOPortLength);
  record.NumIRQs = block.U16(TAMRIX_RES_NUM_IRQS);
  CopyU8s(block, TAMRIX_RES_IRQ_REGISTERS, record.IRQRegisters);
  CopyU8s(block, TAMRIX_RES_IRQ_ATTRIB, record.IRQAttrib);
  record.NumDMAs = block.U16(TAMRIX_RES_NUM_DMAS);
  CopyU8s(block, TAMRIX_RES_DMA_LST, record.DMALst);
  CopyU16s(block, TAMRIX_RES_DMA_ATTRIB, record.DMAAttrib);
  CopyU8s(block, TAMRIX_RES_RESERVED, record.Reserved);
}

}  // namespace tamrix
