#include "generated_words.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sampling_run.h"

namespace tamrix::vxd {
namespace {

// Tables make a word cost a few nanoseconds: a sine and a Gaussian each by
// linear interpolation between 4096 points.
constexpr std::size_t kTablePoints = 4096;

// splitmix64's finaliser: every bit of the result depends on every bit of x.
std::uint64_t Mix(std::uint64_t x) {
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

struct SineTable {
  std::array<double, kTablePoints + 1> at{};
  SineTable() {
    for (std::size_t i = 0; i <= kTablePoints; ++i) {
      at[i] = std::sin(2 * std::numbers::pi * static_cast<double>(i) / kTablePoints);
    }
  }
};

// One cycle over phase 0..1.
double SineAt(const double *at, double phase) {
  const double place = phase * kTablePoints;
  const auto i = static_cast<std::size_t>(place);
  return at[i] + (place - static_cast<double>(i)) * (at[i + 1] - at[i]);
}

// Standard normal deviates from uniform 64-bit numbers through the inverse
// of the normal distribution at 4096 evenly spaced points; the tails end at
// 3.5 standard deviations, and the table is scaled to a variance of 1.
struct GaussTable {
  std::array<double, kTablePoints> at{};
  GaussTable() {
    for (std::size_t i = 0; i < kTablePoints; ++i) {
      const double p = (static_cast<double>(i) + 0.5) / kTablePoints;
      double low = -10;
      double high = 10;
      for (int step = 0; step < 100; ++step) {
        const double middle = (low + high) / 2;
        (0.5 * std::erfc(-middle / std::numbers::sqrt2) < p ? low : high) = middle;
      }
      at[i] = (low + high) / 2;
    }
    // The variance of the interpolated distribution, taken piece by piece.
    double variance = 0;
    for (std::size_t i = 0; i + 1 < kTablePoints; ++i) {
      const double a = at[i];
      const double b = at[i + 1];
      variance += (a * a + a * b + b * b) / 3;
    }
    variance /= kTablePoints - 1;
    for (double &value : at) value /= std::sqrt(variance);
  }
};

// A deviate from 64 random bits.
double GaussAt(const double *at, std::uint64_t bits) {
  const double place = static_cast<double>(bits >> 11) * 0x1.0p-53 * (kTablePoints - 1);
  const auto i = static_cast<std::size_t>(place);
  return at[i] + (place - static_cast<double>(i)) * (at[i + 1] - at[i]);
}

// Trivially destructible holders are not possible for these; they are
// built once and never destroyed, so a sampler still running at process
// exit never reads a destroyed table.
const SineTable &Sine() {
  static const auto *table = new SineTable;
  return *table;
}
const GaussTable &Gauss() {
  static const auto *table = new GaussTable;
  return *table;
}

// x >= 0: truncation is the floor, and cheaper.
double Fraction(double x) { return x - static_cast<double>(static_cast<std::int64_t>(x)); }

}  // namespace

std::shared_ptr<GeneratedWords> GeneratedWords::For(const RunPlan &plan) {
  const ChannelSignals *signals = plan.signals.channels;
  if (signals == nullptr) return nullptr;
  const bool any = std::any_of(signals->begin() + plan.first_channel,
                               signals->begin() + plan.first_channel + plan.channel_count,
                               [](const ChannelSignal &signal) { return !signal.Plain(); });
  if (!any) return nullptr;

  auto words = std::make_shared<GeneratedWords>();
  // A channel is converted once every channel count x period.
  const double step_seconds = static_cast<double>(plan.period_ns) * plan.channel_count * 1e-9;
  for (unsigned c = plan.first_channel; c < plan.first_channel + plan.channel_count; ++c) {
    Channel channel;
    channel.number = c;
    channel.signal = (*signals)[c];
    channel.cycles_per_step = channel.signal.frequency_hz * step_seconds;
    channel.drift_per_step = channel.signal.drift * step_seconds;
    channel.stream = Mix(plan.signals.seed ^ Mix((std::uint64_t{plan.signals.slot} << 8 | c) + 1) ^
                         Mix(plan.signals.modes_before + 0x5EED));
    words->channels_.push_back(channel);
  }
  words->first_step_ = plan.first_step;
  words->averaged_ = plan.scan == ScanKind::kAveragedSingle;
  words->store_.resize(std::max<std::size_t>(1, plan.buffer_words));
  words->sine_ = Sine().at.data();
  words->gauss_ = Gauss().at.data();
  return words;
}

std::uint16_t GeneratedWords::Value(const Channel &channel, std::uint64_t step) const {
  const ChannelSignal &signal = channel.signal;
  const double phase = Fraction(static_cast<double>(step) * channel.cycles_per_step);
  double value = signal.offset;
  switch (signal.kind) {
    case SignalKind::kBuiltin: value = InputValue(channel.number, step); break;
    case SignalKind::kSine: value += signal.amplitude * SineAt(sine_, phase); break;
    case SignalKind::kSquare: value += phase < 0.5 ? signal.amplitude : -signal.amplitude; break;
    case SignalKind::kTriangle:
      value += signal.amplitude * (phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase);
      break;
    case SignalKind::kSawtooth: value += signal.amplitude * (2 * phase - 1); break;
    case SignalKind::kConstant: break;
    case SignalKind::kReplay: {
      const std::vector<std::uint16_t> &values = *signal.recording;
      value = values[step % values.size()];
      break;
    }
  }
  value += channel.drift_per_step * static_cast<double>(step);
  if (signal.noise > 0) {
    value += signal.noise * GaussAt(gauss_, Mix(channel.stream + step * 0x9E3779B97F4A7C15ull));
  }
  // As a converter does: the nearest code, clipped to the range.
  return static_cast<std::uint16_t>(std::clamp(value + 0.5, 0.0, double{kFullScale}));
}

std::uint16_t GeneratedWords::Word(const Channel &channel, std::uint64_t step) const {
  if (!averaged_) return SampleWord(channel.number, Value(channel, step));
  std::uint32_t sum = 0;
  for (std::uint32_t i = 0; i < kAveragedConversions; ++i) sum += Value(channel, step + i);
  return SampleWord(channel.number, static_cast<std::uint16_t>(sum / kAveragedConversions));
}

void GeneratedWords::Produce(std::uint64_t index, std::size_t count, std::uint64_t at) {
  const std::size_t scanned = channels_.size();
  auto c = static_cast<std::size_t>(index % scanned);
  std::uint64_t step = first_step_ + index / scanned;
  auto place = static_cast<std::size_t>(at % store_.size());
  for (std::size_t i = 0; i < count; ++i) {
    store_[place] = Word(channels_[c], step);
    if (++place == store_.size()) place = 0;
    if (++c == scanned) {
      c = 0;
      ++step;
    }
  }
}

void GeneratedWords::Copy(std::uint64_t first, std::size_t count,
                          unsigned char *destination) const {
  auto at = static_cast<std::size_t>(first % store_.size());
  while (count > 0) {
    const std::size_t piece = std::min(count, store_.size() - at);
    std::memcpy(destination, store_.data() + at, piece * sizeof(std::uint16_t));
    destination += piece * sizeof(std::uint16_t);
    count -= piece;
    at = 0;
  }
}

}  // namespace tamrix::vxd
