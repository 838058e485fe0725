#include "waveforms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tamrix::vxd {
namespace {

constexpr std::size_t kLongestCycle = 512;

struct Signal {
  std::size_t length = 0;
  std::array<std::uint16_t, kLongestCycle> values{};
};

using SignalTable = std::array<Signal, kChannelCount>;

std::uint16_t Level(double value) {
  return static_cast<std::uint16_t>(std::clamp(std::lround(value), 0L, long{kFullScale}));
}

double Sine(double phase) { return std::sin(2.0 * std::numbers::pi * phase); }

// The shape of each channel over one cycle, phase in [0, 1).
double Shape(unsigned channel, double x) {
  switch (channel) {
    case 0: return 2048 + 2000 * Sine(x);
    case 1: return 4095 * (x < 0.5 ? 2 * x : 2 - 2 * x);  // triangle
    case 2: return x < 0.5 ? 3583 : 512;                  // square
    case 3: return std::floor(x * 4096);                  // rising sawtooth
    case 4: return 4095 - std::floor(x * 4096);           // falling ramp
    case 5: return x < 0.25 ? 3800 : 300;                 // 25 % pulse
    case 6: return std::floor(x * 8) * 585;               // eight-step staircase
    case 7: return 4095 * std::fabs(Sine(x));             // full-wave rectified
    case 8: return 4095 * std::max(0.0, Sine(x));         // half-wave rectified
    case 9: {                                             // RC charge, discharge
      const double full = 1 - std::exp(-5.0);
      return x < 0.5 ? 4095 * (1 - std::exp(-10 * x)) / full
                     : 4095 * (std::exp(-10 * (x - 0.5)) - std::exp(-5.0)) / full;
    }
    case 10: {  // trapezoid
      if (x < 0.2) return 400 + 3300 * (x / 0.2);
      if (x < 0.5) return 3700;
      if (x < 0.7) return 3700 - 3300 * ((x - 0.5) / 0.2);
      return 400;
    }
    case 11: return 2048 + (1000 + 900 * Sine(x)) * Sine(32 * x);  // amplitude-modulated
    case 12: return 2048 + 1200 * Sine(x);                         // fast sine
    case 13: return 2048 + 1800 * Sine(x + 0.25);                  // slow cosine
    case 14: return 3072;                                          // reference input
    default: return 2048;                                          // grounded: 0 V
  }
}

constexpr std::array<std::size_t, kChannelCount> kCycleLengths{
    128, 128, 128, 128, 256, 64, 256, 128, 128, 256, 128, 512, 32, 512, 1, 1};

SignalTable BuildSignals() {
  SignalTable table;
  for (unsigned c = 0; c < kChannelCount; ++c) {
    table[c].length = kCycleLengths[c];
    for (std::size_t k = 0; k < table[c].length; ++k) {
      table[c].values[k] =
          Level(Shape(c, static_cast<double>(k) / static_cast<double>(table[c].length)));
    }
  }
  return table;
}

// Trivially destructible, so a sampling thread still running while the
// process tears down never reads a destroyed table.
const SignalTable &Signals() {
  static const SignalTable table = BuildSignals();
  return table;
}

}  // namespace

std::size_t CycleLength(unsigned channel) { return kCycleLengths[channel % kChannelCount]; }

std::uint16_t InputValue(unsigned channel, std::uint64_t k) {
  const Signal &signal = Signals()[channel % kChannelCount];
  return signal.values[k % signal.length];
}

std::uint16_t AveragedInputValue(unsigned channel, std::uint64_t k, std::uint32_t count) {
  if (count == 0) return InputValue(channel, k);
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < count; ++i) sum += InputValue(channel, k + i);
  return static_cast<std::uint16_t>(sum / count);
}

}  // namespace tamrix::vxd
