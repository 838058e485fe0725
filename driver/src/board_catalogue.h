// The fixed set of boards the simulated driver serves: which slots hold a
// board, and what each board reports about itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamrix::vxd {

inline constexpr std::size_t kSlotCount = 16;
// Slot number in a create request that asks for the lowest free board.
inline constexpr std::uint16_t kAnyFreeSlot = 16;

// 1.2, build 16: major in the top byte, minor in the next, build below.
inline constexpr std::uint32_t kDriverVersion = 0x01020010u;

struct MemoryWindow {
  std::uint32_t base;
  std::uint32_t length;
  std::uint16_t attributes;  // bit 0: writable
};

struct IoPortRange {
  std::uint16_t base;
  std::uint16_t length;
};

struct InterruptLine {
  std::uint8_t line;
  std::uint8_t attributes;  // bit 0: shareable, bit 1: level-triggered
};

struct DmaChannel {
  std::uint8_t channel;
  std::uint16_t attributes;  // bit 0: 16-bit transfers
};

struct BoardDescription {
  std::uint8_t hardware_revision;
  std::uint8_t firmware_major;
  std::uint8_t firmware_minor;
  std::size_t memory_window_count;
  std::array<MemoryWindow, 1> memory_windows;
  std::size_t io_range_count;
  std::array<IoPortRange, 2> io_ranges;
  InterruptLine interrupt;
  std::size_t dma_count;  // 0: the board has no DMA channel
  std::array<DmaChannel, 1> dma_channels;

  bool HasDma() const { return dma_count > 0; }
};

// The board fitted in a slot, or null when the slot is empty (or out of range).
const BoardDescription *BoardInSlot(std::uint16_t slot);

}  // namespace tamrix::vxd
