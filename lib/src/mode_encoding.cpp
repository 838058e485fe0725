#include "mode_encoding.h"

namespace tamrix {

void EncodeTimer(std::uint32_t timer, RequestBlock &block) {
  constexpr std::uint32_t kTicksPerUnit = 20;
  constexpr std::uint32_t kUnitsPerFirstStage = 1000;
  if (timer <= kUnitsPerFirstStage) {
    const std::uint32_t ticks = timer * kTicksPerUnit;
    block.PutU16(TAMRIX_OFS_TIMER1_HIGH, static_cast<std::uint16_t>(ticks >> 8));
    block.PutU16(TAMRIX_OFS_TIMER1_LOW, static_cast<std::uint16_t>(ticks & 0xFF));
    block.PutU16(TAMRIX_OFS_TIMER2_HIGH, 0);
    block.PutU16(TAMRIX_OFS_TIMER2_LOW, 0);
    return;
  }
  constexpr std::uint32_t kFirstStageTicks = kUnitsPerFirstStage * kTicksPerUnit;
  const std::uint32_t thousands = timer / kUnitsPerFirstStage;
  block.PutU16(TAMRIX_OFS_TIMER1_HIGH, static_cast<std::uint16_t>(kFirstStageTicks >> 8));
  block.PutU16(TAMRIX_OFS_TIMER1_LOW, static_cast<std::uint16_t>(kFirstStageTicks & 0xFF));
  block.PutU16(TAMRIX_OFS_TIMER2_HIGH, static_cast<std::uint16_t>((thousands >> 8) & 0xFF));
  block.PutU16(TAMRIX_OFS_TIMER2_LOW, static_cast<std::uint16_t>(thousands & 0xFF));
}

bool IsDmaMode(std::int32_t mode) { return mode == 5 || mode == 10; }

void EncodeMode(std::uint16_t slot, const ModeRecord &mode, RequestBlock &block) {
  block.PutU16(TAMRIX_OFS_SLOT, slot);
  block.PutU16(TAMRIX_OFS_CH_FIRST, static_cast<std::uint16_t>(mode.ChFirst));
  block.PutU16(TAMRIX_OFS_CH_LAST, static_cast<std::uint16_t>(mode.ChLast));
  block.PutU16(TAMRIX_OFS_MODE, static_cast<std::uint16_t>(mode.Mode));
  if (IsDmaMode(mode.Mode)) {
    const std::uint32_t bytes = 2 * mode.BuffSize;
    block.PutU32(TAMRIX_OFS_DMA_BYTES, bytes);
    block.PutU32(TAMRIX_OFS_DMA_PAGES, bytes / kDmaPageBytes + (bytes % kDmaPageBytes != 0));
  } else {
    block.PutU32(TAMRIX_OFS_BUFFER_WORDS, mode.BuffSize);
  }
}

}  // namespace tamrix
