// What the simulated boards' modes mean to a program that samples: buffer
// sizes and how long to wait for words (their status bits are in
// tamrix_sim_status.h).
#pragma once

#include <chrono>
#include <cstdint>

#include "tamrix.h"

namespace tamrix_cli {

// Channels ChFirst..ChLast, one word each per scan.
struct ChannelRange {
  unsigned first = 0;
  unsigned last = 0;
  unsigned Count() const { return last - first + 1; }
};

bool IsSingleScanMode(std::int32_t mode);

// The time of one conversion as the board samples it: above 1000 only whole
// milliseconds count, and no conversion is shorter than 2 us.
double ConversionMicros(const ModeRecord &mode);

// The time of one scan: a conversion per channel, sixteen in an averaged mode.
double ScanMicros(const ModeRecord &mode);

// The largest buffer, in words, the board accepts for the mode.
std::uint32_t LargestBuffer(std::int32_t mode);

// words (for a continuous mode at least 16,384) rounded up to whole scans,
// at most the largest buffer of the mode (whole scans too), at least one scan.
std::uint32_t BufferWords(std::int32_t mode, unsigned scan_words, std::uint64_t words);

// How long to wait for a notification before looking at the buffer anyway:
// short enough that a board whose notifications are dropped (they have a
// budget) never fills the buffer unseen.
std::chrono::milliseconds PollInterval(const ModeRecord &mode);

// How long a sampling board may deliver no word before it counts as stalled.
std::chrono::milliseconds StallLimit(const ModeRecord &mode);

}  // namespace tamrix_cli
