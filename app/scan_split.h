// The channel split's fast part: whole scans, in order, moved into the
// channel table a block of scans at a time.
#pragma once

#include <cstdint>

#include "channel_table.h"

// Takes `scans` scans of `channels` words each from `words`, where word j of
// every scan must carry channel first + j, and writes each word, channel
// bits removed, to table[first + j][scan]. Works block by block and stops
// before the first block holding a word of another channel; returns how many
// scans it wrote. Nothing past those scans is touched; the scans after the
// last whole block (fewer than 16) are always left to the caller.
// Requires 0 <= first, 1 <= channels, first + channels <= kChannelCount and
// 0 <= scans <= kChannelCapacity.
std::int32_t SplitWholeScans(const std::uint16_t *words, std::int32_t first, std::int32_t channels,
                             std::int32_t scans, ChannelTable &table);
