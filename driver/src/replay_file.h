// Reads one channel's values out of a capture that tamrix-cli read wrote,
// for a channel to play back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamrix::vxd {

enum class ReplayFormat {
  kGuess,  // HDF5 by its signature, CSV when the file starts with a header "chNN,...", else raw
  kCsv,    // a header of chNN columns, then rows of 12-bit values
  kRaw,    // 16-bit little-endian sample words, channel in bits 15..12
  kHdf5,   // a capture: /samples, a column per board channel first_channel..last_channel
};

// The 12-bit values of board channel `channel` (the chNN column, the raw
// words that carry it, or the capture's column of that channel), in order;
// nothing, with `why`, when the file cannot be read or holds none.
std::optional<std::vector<std::uint16_t>> ReadReplay(const std::string &path, ReplayFormat format,
                                                     unsigned channel, std::string &why);

}  // namespace tamrix::vxd
