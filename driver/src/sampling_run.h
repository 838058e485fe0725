// One sampling run as the board carries it out, driven by elapsed time
// rather than by a clock of its own, so that any caller (the sampling
// thread, or a test) decides when time moves on.
#pragma once

#include <cstdint>
#include <memory>

#include "generated_words.h"
#include "notifications.h"
#include "run_words.h"
#include "sample_ring.h"
#include "sampling_mode.h"

namespace tamrix::vxd {

struct RunPlan {
  std::uint8_t first_channel = 0;
  std::uint32_t channel_count = 1;
  std::int64_t period_ns = kMinConversionNs;  // time of one conversion
  bool overrun = false;                       // the programmed period was too short
  ScanKind scan = ScanKind::kContinuous;
  std::uint32_t transfer_words = 1;  // words that reach the buffer together
  bool dma = false;                  // each transfer is a completed DMA page
  std::uint64_t first_step = 0;      // signal step of the run's first scan
  std::uint32_t buffer_words = 0;
  RunSignals signals;  // a scenario's signals, if any
};

// The plan for a run of `settings`, whose signals go on from `first_step`.
RunPlan PlanRun(const SamplingSettings &settings, std::uint64_t first_step,
                const RunSignals &signals = {});

class SamplingRun {
 public:
  explicit SamplingRun(const RunPlan &plan);

  // Converts every word due `elapsed_ns` after the first conversion began and
  // moves the completed transfers into the ring; words the ring has no room
  // for are lost.
  void AdvanceTo(std::int64_t elapsed_ns, SampleRing &ring, BufferAlarms &alarms,
                 RunEvents &events);
  // Moves words still held on the board (a partly filled FIFO half or DMA
  // page) into the ring, as a stop does.
  void Flush(SampleRing &ring, BufferAlarms &alarms, RunEvents &events);

  bool Finished() const;
  // Elapsed time at which the next transfer completes.
  std::int64_t NextTransferNs() const;
  // The signal step at which a following run of the same mode goes on.
  std::uint64_t NextStep() const;
  std::uint64_t WordsLost() const { return lost_; }
  bool Overrun() const { return plan_.overrun; }
  // The next `count` words to reach the buffer are lost instead, as if
  // they had found it full.
  void Drop(std::uint64_t count) { to_drop_ += count; }

 private:
  std::uint64_t WordsConvertedBy(std::int64_t elapsed_ns) const;
  std::uint64_t ConversionsPerWord() const;
  void Transfer(std::uint64_t up_to, SampleRing &ring, BufferAlarms &alarms, RunEvents &events);

  RunPlan plan_;
  std::shared_ptr<GeneratedWords> generated_;  // set: the words come from here
  std::shared_ptr<const RunWords> words_;      // else from this table
  std::uint64_t produced_ = 0;                 // words put into generated_
  std::uint64_t scan_words_;  // words of a single scan; unbounded for continuous runs
  std::uint64_t converted_ = 0;
  std::uint64_t transferred_ = 0;
  std::uint64_t lost_ = 0;
  std::uint64_t to_drop_ = 0;
  bool dropping_ = false;  // the latest transfer ended within a drop
  bool began_ = false;
};

}  // namespace tamrix::vxd
