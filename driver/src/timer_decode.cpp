#include "timer_decode.h"

namespace tamrix::vxd {

std::optional<std::int64_t> DecodePeriodTicks(const TimerFields &fields) {
  for (std::uint16_t byte :
       {fields.first_high, fields.first_low, fields.second_high, fields.second_low}) {
    if (byte > 0xFF) return std::nullopt;
  }
  const std::int64_t first = fields.first_high * 256 + fields.first_low;
  const std::int64_t second = fields.second_high * 256 + fields.second_low;
  if (first == 0) return std::nullopt;
  return second == 0 ? first : first * second;
}

}  // namespace tamrix::vxd
