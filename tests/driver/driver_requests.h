// Request blocks as the access library fills them.
#pragma once

#include <cstdint>

#include "request_block.h"

namespace tamrix::vxd::testing {

struct ModeRequest {
  std::uint16_t slot = 0;
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  std::uint32_t buff_size = 256;
  std::uint32_t timer = 500;
  std::uint16_t mode = 3;
};

// Unnamed bytes hold a pattern: the driver must not depend on them.
inline RequestBlock SlotBlock(std::uint16_t slot) {
  RequestBlock block;
  for (std::size_t i = 0; i < block.bytes.size(); ++i)
    block.bytes[i] = static_cast<std::uint8_t>(0xA5 ^ i);
  block.PutU16(TAMRIX_OFS_SLOT, slot);
  return block;
}

// The two-stage timer and the buffer fields, worked out as the library does.
inline RequestBlock SetModeBlock(const ModeRequest &r) {
  RequestBlock block = SlotBlock(r.slot);
  const bool short_period = r.timer <= 1000;
  const std::uint32_t first = short_period ? r.timer * 20 : 20'000;
  const std::uint32_t second = short_period ? 0 : r.timer / 1000;
  block.PutU16(TAMRIX_OFS_TIMER1_HIGH, static_cast<std::uint16_t>(first >> 8));
  block.PutU16(TAMRIX_OFS_TIMER1_LOW, static_cast<std::uint16_t>(first & 0xFF));
  block.PutU16(TAMRIX_OFS_TIMER2_HIGH, static_cast<std::uint16_t>((second >> 8) & 0xFF));
  block.PutU16(TAMRIX_OFS_TIMER2_LOW, static_cast<std::uint16_t>(second & 0xFF));
  block.PutU16(TAMRIX_OFS_CH_FIRST, static_cast<std::uint16_t>(r.first));
  block.PutU16(TAMRIX_OFS_CH_LAST, static_cast<std::uint16_t>(r.last));
  block.PutU16(TAMRIX_OFS_MODE, r.mode);
  if (r.mode == 5 || r.mode == 10) {
    block.PutU32(TAMRIX_OFS_DMA_BYTES, 2 * r.buff_size);
    block.PutU32(TAMRIX_OFS_DMA_PAGES, (2 * r.buff_size + 4095) / 4096);
  } else {
    block.PutU32(TAMRIX_OFS_BUFFER_WORDS, r.buff_size);
  }
  return block;
}

}  // namespace tamrix::vxd::testing
