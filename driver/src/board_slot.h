// One slot of the driver: whether it is open, its programmed mode, its sample
// buffer and the sampling thread of the current run. Requests arrive on the
// callers' threads; each answers with a driver status word.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "board_catalogue.h"
#include "external_inputs.h"
#include "notifications.h"
#include "request_block.h"
#include "sample_ring.h"
#include "sampling_mode.h"
#include "sampling_run.h"
#include "tamrix_sim_status.h"

namespace tamrix::vxd {

class BoardSlot {
 public:
  using Clock = std::chrono::steady_clock;
  // Fewest time between two wake-ups of the sampling thread: words go to the
  // buffer in batches.
  static constexpr std::chrono::milliseconds kBatchInterval{2};

  // `board` is null for an empty slot. `power_on` is the moment the external
  // inputs' pulse trains start.
  BoardSlot(std::uint16_t slot, const BoardDescription *board, Clock::time_point power_on,
            Poster poster);
  ~BoardSlot();  // halts sampling
  BoardSlot(const BoardSlot &) = delete;
  BoardSlot &operator=(const BoardSlot &) = delete;

  std::uint16_t Open(HWND window);
  std::uint16_t Close();
  std::uint16_t SetMode(const RequestBlock &request);
  std::uint16_t Start();
  std::uint16_t Stop();
  std::uint16_t ReadSamplingStatus(std::uint32_t &waiting, std::uint32_t &bits) const;
  // Moves the `count` oldest words to `destination` (2 * count bytes).
  std::uint16_t TakeWords(void *destination, std::uint32_t count);
  std::uint16_t ReadExternalInputs(ExternalInputs &inputs) const;
  std::uint16_t ReadResources(RequestBlock &answer) const;

 private:
  void SamplingLoop();
  // `send_held`: a BuffOverflow held for the budget still goes out.
  void HaltSampler(bool send_held = true);
  void ForgetMode();
  std::uint32_t StatusBits(Clock::time_point now) const;

  const std::uint16_t slot_;
  const BoardDescription *const board_;
  const Clock::time_point power_on_;
  const Poster poster_;

  // Serialises the requests that change the slot's life (open, close, mode,
  // start, stop), so that a sampler is joined without holding data_.
  std::mutex control_;
  std::thread sampler_;

  // Everything below is shared with the sampling thread.
  mutable std::mutex data_;
  std::condition_variable wake_;
  bool open_ = false;
  HWND window_ = 0;
  std::optional<SamplingSettings> mode_;
  std::uint64_t next_step_ = 0;
  SampleRing ring_;
  BufferAlarms alarms_;
  NotificationGate gate_;
  std::optional<SamplingRun> run_;
  Clock::time_point run_start_{};
  bool running_ = false;
  bool stop_requested_ = false;
  bool send_held_ = true;
  bool scan_done_ = false;
};

}  // namespace tamrix::vxd
