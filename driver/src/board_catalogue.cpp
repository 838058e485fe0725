#include "board_catalogue.h"

namespace tamrix::vxd {
namespace {

// Four boards, so that present, absent, "any free" and "none left" can all be
// reached; slot 2 is the older revision without a DMA channel.
constexpr BoardDescription kSlot0{.hardware_revision = 3,
                                  .firmware_major = 2,
                                  .firmware_minor = 10,
                                  .memory_window_count = 1,
                                  .memory_windows = {{{0x000D8000u, 0x00002000u, 0x0001}}},
                                  .io_range_count = 2,
                                  .io_ranges = {{{0x300, 0x10}, {0x310, 0x08}}},
                                  .interrupt = {10, 0x00},
                                  .dma_count = 1,
                                  .dma_channels = {{{5, 0x0001}}}};

constexpr BoardDescription kSlot1{.hardware_revision = 3,
                                  .firmware_major = 2,
                                  .firmware_minor = 10,
                                  .memory_window_count = 0,
                                  .memory_windows = {},
                                  .io_range_count = 2,
                                  .io_ranges = {{{0x320, 0x10}, {0x330, 0x08}}},
                                  .interrupt = {11, 0x00},
                                  .dma_count = 1,
                                  .dma_channels = {{{6, 0x0001}}}};

constexpr BoardDescription kSlot2{.hardware_revision = 2,
                                  .firmware_major = 1,
                                  .firmware_minor = 4,
                                  .memory_window_count = 0,
                                  .memory_windows = {},
                                  .io_range_count = 1,
                                  .io_ranges = {{{0x340, 0x10}, {}}},
                                  .interrupt = {5, 0x00},
                                  .dma_count = 0,
                                  .dma_channels = {}};

constexpr BoardDescription kSlot5{.hardware_revision = 4,
                                  .firmware_major = 3,
                                  .firmware_minor = 0,
                                  .memory_window_count = 1,
                                  .memory_windows = {{{0x000DC000u, 0x00004000u, 0x0001}}},
                                  .io_range_count = 2,
                                  .io_ranges = {{{0x3E0, 0x10}, {0x2E0, 0x08}}},
                                  .interrupt = {15, 0x01},
                                  .dma_count = 1,
                                  .dma_channels = {{{7, 0x0001}}}};

constexpr std::array<const BoardDescription *, kSlotCount> kFittedBoards{
    &kSlot0, &kSlot1, &kSlot2, nullptr, nullptr, &kSlot5, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

}  // namespace

const BoardDescription *BoardInSlot(std::uint16_t slot) {
  return slot < kSlotCount ? kFittedBoards[slot] : nullptr;
}

}  // namespace tamrix::vxd
