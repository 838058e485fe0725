// What each mode number means, and the checks a set-mode request must pass
// before the board is programmed.
#pragma once

#include <cstdint>
#include <optional>

#include "board_catalogue.h"
#include "request_block.h"

namespace tamrix::vxd {

// The converter needs 2 us per conversion (500 kHz); a shorter programmed
// period is an overrun and runs at this limit.
inline constexpr std::int64_t kMinConversionNs = 2'000;
// Mode 2 and 7 convert each channel this many times and hand out the mean.
inline constexpr std::uint32_t kAveragedConversions = 16;
// Words move from the board's FIFO to the buffer when half the 1024-word FIFO
// is filled.
inline constexpr std::uint32_t kFifoBlockWords = 512;
inline constexpr std::uint32_t kDmaPageBytes = 4096;
inline constexpr std::uint32_t kDmaPageWords = kDmaPageBytes / 2;
// Largest DMA buffer: 32 pages, 128 KiB, 65,536 words.
inline constexpr std::uint32_t kMaxDmaPages = 32;
// Largest buffer the driver allocates for the other modes: 512 KiB.
inline constexpr std::uint32_t kMaxBufferWords = 262'144;

enum class ScanKind {
  kSingle,          // one scan of the channel range, then stop
  kAveragedSingle,  // one scan, each word the mean of kAveragedConversions
  kContinuous,      // scan after scan until stopped
};

enum class TransferKind {
  kPerWord,    // each word reaches the buffer as it is converted
  kFifoBlock,  // words reach the buffer kFifoBlockWords at a time
  kDmaPage,    // words reach the buffer a DMA page at a time
};

struct ModeTraits {
  ScanKind scan;
  TransferKind transfer;
  bool external_trigger;  // waits for ExTrg before the first conversion
};

// Modes 1..5 start at once; modes 6..10 are the same five started by ExTrg.
std::optional<ModeTraits> TraitsOfMode(std::uint16_t mode);

inline bool IsDma(const ModeTraits &traits) { return traits.transfer == TransferKind::kDmaPage; }

struct SamplingSettings {
  std::uint16_t mode = 0;
  ModeTraits traits{};
  std::uint8_t first_channel = 0;
  std::uint8_t last_channel = 0;
  std::int64_t programmed_period_ns = 0;
  std::uint32_t buffer_words = 0;

  std::uint32_t ChannelCount() const { return last_channel - first_channel + 1u; }
  bool Overrun() const { return programmed_period_ns < kMinConversionNs; }
  std::int64_t EffectivePeriodNs() const {
    return Overrun() ? kMinConversionNs : programmed_period_ns;
  }
};

struct ModeDecision {
  std::uint16_t status = TAMRIX_DRV_OK;  // a driver status word; settings valid when OK
  SamplingSettings settings;
};

// Reads offsets 6..36 of a set-mode request for the given board. Refusals:
// unknown mode, channel or timer fields -> BAD_ARGUMENT; DMA mode on a board
// without DMA -> DMA_FAILED; inconsistent or oversized DMA buffer ->
// BAD_DMA_SIZE; empty word buffer -> BAD_ARGUMENT; oversized -> NO_MEMORY.
ModeDecision DecideMode(const RequestBlock &block, const BoardDescription &board);

}  // namespace tamrix::vxd
