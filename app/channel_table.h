// The fetched samples as the program holds them: the words as fetched, and
// the table of values per channel that the graph draws.
#pragma once

#include <array>
#include <cstdint>

// 16 channels of up to 4,099 values each, channel bits removed.
inline constexpr int kChannelCount = 16;
inline constexpr int kChannelCapacity = 4099;
using ChannelTable = std::array<std::array<std::uint16_t, kChannelCapacity>, kChannelCount>;

// Room for every count the library can accept for a range of 0..15 with
// 4,096 samples per channel; larger counts are refused before the call.
inline constexpr int kSampleBufferWords = 65536;
using SampleBuffer = std::array<std::uint16_t, kSampleBufferWords>;
