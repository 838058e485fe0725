// The board's two-stage sampling timer, clocked by a 20 MHz counter.
#pragma once

#include <cstdint>
#include <optional>

namespace tamrix::vxd {

inline constexpr std::int64_t kCounterClockHz = 20'000'000;
inline constexpr std::int64_t kNanosecondsPerTick = 1'000'000'000 / kCounterClockHz;  // 50
// One timer unit of the mode record is 20 ticks: exactly one microsecond.
inline constexpr std::int64_t kTicksPerTimerUnit = 20;

// The four timer fields of a set-mode request, each meant to hold one byte.
struct TimerFields {
  std::uint16_t first_high;
  std::uint16_t first_low;
  std::uint16_t second_high;
  std::uint16_t second_low;
};

// The period in counter ticks: the first stage divides the clock, a non-zero
// second stage divides it again. Nothing when a field holds more than a byte
// or the first stage is zero, since the counter cannot be loaded so.
std::optional<std::int64_t> DecodePeriodTicks(const TimerFields &fields);

inline constexpr std::int64_t TicksToNanoseconds(std::int64_t ticks) {
  return ticks * kNanosecondsPerTick;
}

}  // namespace tamrix::vxd
