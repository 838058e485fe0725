#include "sampling_plan.h"

#include <algorithm>

namespace tamrix_cli {
namespace {

constexpr std::uint32_t kLargestWordBuffer = 262144;
constexpr std::uint32_t kLargestDmaBuffer = 65536;  // 32 pages of 4096 bytes
constexpr std::uint32_t kFifoTransferWords = 512;
constexpr std::uint32_t kDmaPageWords = 2048;
// A continuous run's buffer holds at least 32 ms at the top rate: a few polls
// at the shortest interval, so that a short read is never overrun between two.
constexpr std::uint64_t kFewestContinuousWords = 16384;
constexpr double kShortestConversionUs = 2;
constexpr unsigned kAveragedConversions = 16;

bool IsDmaMode(std::int32_t mode) { return mode == 5 || mode == 10; }
bool IsFifoMode(std::int32_t mode) { return mode == 4 || mode == 9; }
bool IsAveragedMode(std::int32_t mode) { return mode == 2 || mode == 7; }
bool IsTriggeredMode(std::int32_t mode) { return mode >= 6 && mode <= 10; }

unsigned ScanWords(const ModeRecord &mode) {
  return mode.ChLast >= mode.ChFirst ? mode.ChLast - mode.ChFirst + 1 : 1;
}

// Microseconds from one word to the next.
double WordMicros(const ModeRecord &mode) {
  const double conversion = ConversionMicros(mode);
  return IsAveragedMode(mode.Mode) ? conversion * kAveragedConversions : conversion;
}

std::chrono::milliseconds Millis(double micros) {
  return std::chrono::milliseconds(static_cast<std::int64_t>(micros / 1000));
}

}  // namespace

double ConversionMicros(const ModeRecord &mode) {
  const std::uint32_t whole_milliseconds = mode.Timer / 1000 * 1000;
  const double period = mode.Timer <= 1000 ? mode.Timer : whole_milliseconds;
  return std::max(period, kShortestConversionUs);
}

double ScanMicros(const ModeRecord &mode) { return WordMicros(mode) * ScanWords(mode); }

bool IsSingleScanMode(std::int32_t mode) {
  return mode == 1 || mode == 2 || mode == 6 || mode == 7;
}

std::uint32_t LargestBuffer(std::int32_t mode) {
  return IsDmaMode(mode) ? kLargestDmaBuffer : kLargestWordBuffer;
}

std::uint32_t BufferWords(std::int32_t mode, unsigned scan_words, std::uint64_t words) {
  if (!IsSingleScanMode(mode)) words = std::max(words, kFewestContinuousWords);
  const std::uint64_t scans = std::max<std::uint64_t>(1, (words + scan_words - 1) / scan_words);
  const std::uint64_t largest_scans = std::max<std::uint64_t>(1, LargestBuffer(mode) / scan_words);
  return static_cast<std::uint32_t>(std::min(scans, largest_scans) * scan_words);
}

std::chrono::milliseconds PollInterval(const ModeRecord &mode) {
  // A quarter of the buffer, or one scan when the mode samples one.
  const double words =
      IsSingleScanMode(mode.Mode) ? ScanWords(mode) : std::max<double>(1, mode.BuffSize / 4.0);
  return std::clamp(Millis(words * WordMicros(mode)), std::chrono::milliseconds(5),
                    std::chrono::milliseconds(250));
}

std::chrono::milliseconds StallLimit(const ModeRecord &mode) {
  // Words reach the buffer in bursts: a FIFO half, a DMA page, a scan.
  double burst = 1;
  if (IsFifoMode(mode.Mode)) burst = kFifoTransferWords;
  if (IsDmaMode(mode.Mode)) burst = std::min(kDmaPageWords, mode.BuffSize);
  if (IsSingleScanMode(mode.Mode)) burst = ScanWords(mode);
  auto limit = std::chrono::milliseconds(3000) + 2 * Millis(burst * WordMicros(mode));
  // A triggered mode first waits for ExTrg, which comes every 500 ms.
  if (IsTriggeredMode(mode.Mode)) limit += std::chrono::milliseconds(1000);
  return limit;
}

}  // namespace tamrix_cli
