#include "sampling_mode.h"

#include "timer_decode.h"

namespace tamrix::vxd {
namespace {

ModeDecision Refused(std::uint16_t status) { return ModeDecision{status, {}}; }

// Words of a DMA buffer, or the status that refuses its fields.
std::optional<std::uint32_t> DmaBufferWords(const RequestBlock &block, std::uint16_t &status) {
  const std::uint32_t bytes = block.U32(TAMRIX_OFS_DMA_BYTES);
  const std::uint32_t pages = block.U32(TAMRIX_OFS_DMA_PAGES);
  const std::uint64_t pages_needed =
      (static_cast<std::uint64_t>(bytes) + kDmaPageBytes - 1) / kDmaPageBytes;
  if (bytes == 0 || bytes % 2 != 0 || pages != pages_needed || pages > kMaxDmaPages) {
    status = TAMRIX_DRV_BAD_DMA_SIZE;
    return std::nullopt;
  }
  return bytes / 2;
}

}  // namespace

std::optional<ModeTraits> TraitsOfMode(std::uint16_t mode) {
  if (mode < 1 || mode > 10) return std::nullopt;
  const bool triggered = mode > 5;
  switch ((mode - 1) % 5) {
    case 0: return ModeTraits{ScanKind::kSingle, TransferKind::kPerWord, triggered};
    case 1: return ModeTraits{ScanKind::kAveragedSingle, TransferKind::kPerWord, triggered};
    case 2: return ModeTraits{ScanKind::kContinuous, TransferKind::kPerWord, triggered};
    case 3: return ModeTraits{ScanKind::kContinuous, TransferKind::kFifoBlock, triggered};
    default: return ModeTraits{ScanKind::kContinuous, TransferKind::kDmaPage, triggered};
  }
}

ModeDecision DecideMode(const RequestBlock &block, const BoardDescription &board) {
  SamplingSettings settings;
  settings.mode = block.U16(TAMRIX_OFS_MODE);
  const std::optional<ModeTraits> traits = TraitsOfMode(settings.mode);
  if (!traits) return Refused(TAMRIX_DRV_BAD_ARGUMENT);
  settings.traits = *traits;

  const std::uint16_t first = block.U16(TAMRIX_OFS_CH_FIRST);
  const std::uint16_t last = block.U16(TAMRIX_OFS_CH_LAST);
  if (first > 15 || last > 15 || first > last) return Refused(TAMRIX_DRV_BAD_ARGUMENT);
  settings.first_channel = static_cast<std::uint8_t>(first);
  settings.last_channel = static_cast<std::uint8_t>(last);

  const std::optional<std::int64_t> ticks =
      DecodePeriodTicks({block.U16(TAMRIX_OFS_TIMER1_HIGH), block.U16(TAMRIX_OFS_TIMER1_LOW),
                         block.U16(TAMRIX_OFS_TIMER2_HIGH), block.U16(TAMRIX_OFS_TIMER2_LOW)});
  if (!ticks) return Refused(TAMRIX_DRV_BAD_ARGUMENT);
  settings.programmed_period_ns = TicksToNanoseconds(*ticks);

  if (IsDma(settings.traits)) {
    if (!board.HasDma()) return Refused(TAMRIX_DRV_DMA_FAILED);
    std::uint16_t status = TAMRIX_DRV_OK;
    const std::optional<std::uint32_t> words = DmaBufferWords(block, status);
    if (!words) return Refused(status);
    settings.buffer_words = *words;
  } else {
    settings.buffer_words = block.U32(TAMRIX_OFS_BUFFER_WORDS);
    if (settings.buffer_words == 0) return Refused(TAMRIX_DRV_BAD_ARGUMENT);
    if (settings.buffer_words > kMaxBufferWords) return Refused(TAMRIX_DRV_NO_MEMORY);
  }
  return ModeDecision{TAMRIX_DRV_OK, settings};
}

}  // namespace tamrix::vxd
