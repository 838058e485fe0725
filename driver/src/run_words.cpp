#include "run_words.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "sampling_run.h"
#include "waveforms.h"

namespace tamrix::vxd {
namespace {

// Long enough that a large fetch copies in big pieces even when one period
// is a single word.
constexpr std::size_t kShortestTable = 8192;

}  // namespace

std::shared_ptr<const RunWords> RunWords::Of(const RunPlan &plan) {
  auto words = std::make_shared<RunWords>(RunWords{});
  const unsigned first = plan.first_channel;
  const std::size_t channels = plan.channel_count;
  if (plan.scan == ScanKind::kAveragedSingle) {
    // One scan of means: nothing repeats.
    for (unsigned c = first; c < first + channels; ++c) {
      words->table_.push_back(
          SampleWord(c, AveragedInputValue(c, plan.first_step, kAveragedConversions)));
    }
    return words;
  }
  std::size_t period = 1;  // scans after which every scanned signal repeats
  for (unsigned c = first; c < first + channels; ++c) period = std::lcm(period, CycleLength(c));
  const std::size_t period_words = period * channels;
  const std::size_t periods = std::max<std::size_t>(1, kShortestTable / period_words);
  words->table_.resize(periods * period_words);
  for (std::size_t i = 0; i < words->table_.size(); ++i) {
    const unsigned channel = first + static_cast<unsigned>(i % channels);
    words->table_[i] = SampleWord(channel, InputValue(channel, i / channels));
  }
  words->start_ = static_cast<std::size_t>(plan.first_step % period) * channels;
  return words;
}

std::uint16_t RunWords::At(std::uint64_t index) const {
  std::uint16_t word = 0;
  Copy(index, 1, reinterpret_cast<unsigned char *>(&word));
  return word;
}

void RunWords::Copy(std::uint64_t first, std::size_t count, unsigned char *destination) const {
  std::size_t at = (start_ + first % table_.size()) % table_.size();
  while (count > 0) {
    const std::size_t piece = std::min(count, table_.size() - at);
    std::memcpy(destination, table_.data() + at, piece * sizeof(std::uint16_t));
    destination += piece * sizeof(std::uint16_t);
    count -= piece;
    at = 0;
  }
}

}  // namespace tamrix::vxd
