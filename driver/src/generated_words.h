// The words of a run whose channels follow a scenario's signals: shaped,
// noisy, drifting or replayed. They do not repeat, so each word is worked
// out once, when the run moves it into the buffer, into a store as large as
// the buffer; a fetch copies from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "scenario.h"
#include "word_source.h"

namespace tamrix::vxd {

struct RunPlan;

// The signals of one board, and what its random choices follow from.
struct RunSignals {
  const ChannelSignals *channels = nullptr;  // null: the documented signals
  std::uint64_t seed = 0;
  std::uint16_t slot = 0;
  // Modes the slot accepted before this run's: noise never repeats at the
  // restart of the signals, and a program that does the same gets the same.
  std::uint64_t modes_before = 0;
};

class GeneratedWords : public WordSource {
 public:
  // Null when every channel the plan scans is the documented signal as it
  // is: the run's table serves those.
  static std::shared_ptr<GeneratedWords> For(const RunPlan &plan);

  // Works out the run's words index .. index + count - 1 into store places
  // at .. at + count - 1; places beyond the capacity wrap round.
  void Produce(std::uint64_t index, std::size_t count, std::uint64_t at);
  // `first` is a store place.
  void Copy(std::uint64_t first, std::size_t count, unsigned char *destination) const override;

 private:
  struct Channel {
    unsigned number = 0;
    ChannelSignal signal;
    double cycles_per_step = 0;  // frequency times the channel's sampling interval
    double drift_per_step = 0;   // LSB
    std::uint64_t stream = 0;    // the key of its noise
  };

  std::uint16_t Value(const Channel &channel, std::uint64_t step) const;
  std::uint16_t Word(const Channel &channel, std::uint64_t step) const;

  std::vector<Channel> channels_;  // the scanned ones, in scan order
  std::uint64_t first_step_ = 0;
  bool averaged_ = false;
  std::vector<std::uint16_t> store_;
  const double *sine_ = nullptr;  // the tables, built once per process
  const double *gauss_ = nullptr;
};

}  // namespace tamrix::vxd
