// The analog signals wired to the sixteen inputs of every simulated board:
// one periodic shape per channel, advanced one step per conversion of that
// channel, so that any sampling rate draws whole, recognisable cycles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tamrix::vxd {

inline constexpr std::uint16_t kFullScale = 4095;
inline constexpr unsigned kChannelCount = 16;

// Conversions per cycle of the channel's signal.
std::size_t CycleLength(unsigned channel);

// The 12-bit value of the channel's k-th conversion.
std::uint16_t InputValue(unsigned channel, std::uint64_t k);

// The mean of `count` conversions from the k-th on, rounded down.
std::uint16_t AveragedInputValue(unsigned channel, std::uint64_t k, std::uint32_t count);

// A sample word: channel in bits 15..12, value in bits 11..0.
inline std::uint16_t SampleWord(unsigned channel, std::uint16_t value) {
  return static_cast<std::uint16_t>((channel << 12) | (value & 0x0FFFu));
}

}  // namespace tamrix::vxd
