// The request block as the library and the simulated driver handle it: the
// bytes of tamrix_protocol.h's layout with little-endian accessors. C++ of
// ours, so kept out of the installed C header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "tamrix_protocol.h"

namespace tamrix {

// One request block with little-endian accessors at byte offsets.
struct RequestBlock {
  std::array<std::uint8_t, TAMRIX_BLOCK_SIZE> bytes;

  std::uint8_t U8(std::size_t at) const { return bytes[at]; }
  std::uint16_t U16(std::size_t at) const {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  }
  void PutU8(std::size_t at, std::uint8_t v) { bytes[at] = v; }
  void PutU16(std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
  }
  void PutU32(std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
};
static_assert(sizeof(RequestBlock) == TAMRIX_BLOCK_SIZE, "request block is 290 packed bytes");

}  // namespace tamrix
