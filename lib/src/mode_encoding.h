#pragma once

#include <cstdint>

#include "request_block.h"
#include "tamrix.h"

namespace tamrix {

// Writes the two timer stages for a period of `timer` units (1..50,000,000):
// up to 1000 units as ticks in the first stage alone; above, a first stage of
// 20,000 ticks times a second stage of whole thousands (remainder dropped).
void EncodeTimer(std::uint32_t timer, RequestBlock &block);

// Modes 5 and 10 move the buffer by DMA and are programmed in bytes and pages.
bool IsDmaMode(std::int32_t mode);

// Writes channels, mode and the buffer fields of a set-mode request. The
// caller has checked that a DMA buffer's byte count fits in 32 bits.
void EncodeMode(std::uint16_t slot, const ModeRecord &mode, RequestBlock &block);

inline constexpr std::uint32_t kDmaPageBytes = 4096;
// Largest buffer whose byte count (two per word) fits in 32 bits.
inline constexpr std::uint32_t kMaxWordsByByteCount = 0x7FFFFFFFu;

}  // namespace tamrix
