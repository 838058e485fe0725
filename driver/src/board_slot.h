// One slot of the driver: whether it is open, its programmed mode, its sample
// buffer and the sampling thread of the current run. Requests arrive on the
// callers' threads; each answers with a driver status word.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "board_catalogue.h"
#include "external_inputs.h"
#include "notifications.h"
#include "request_block.h"
#include "sample_ring.h"
#include "sampling_mode.h"
#include "sampling_run.h"
#include "scenario.h"
#include "tamrix_sim_status.h"

namespace tamrix::vxd {

class BoardSlot {
 public:
  using Clock = std::chrono::steady_clock;
  // Fewest time between two wake-ups of the sampling thread: words go to the
  // buffer in batches.
  static constexpr std::chrono::milliseconds kBatchInterval{2};

  // `board` is null for an empty slot. `power_on` is the moment the external
  // inputs' pulse trains start. `scenario`, when given, outlives the slot:
  // the board's signals, its faults and its inputs' schedule.
  BoardSlot(std::uint16_t slot, const BoardDescription *board, Clock::time_point power_on,
            Poster poster, const Scenario *scenario = nullptr);
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

  // Before a request for this slot: true when a fault answers it instead,
  // with a platform `error` (the request not carried out) or else `status`.
  bool Intercept(RequestKind kind, DWORD &error, std::uint16_t &status);
  // After each request for this slot: counts it, firing the faults that
  // wait for that many.
  void Counted(RequestKind kind);
  // Fires a fault at once.
  void Inject(const Fault &fault);
  // Sets an external input from now on; it no longer follows its pulse train.
  void SetInput(InputLine line, bool on);
  bool IsOpen() const;
  bool Fitted() const { return board_ != nullptr; }

 private:
  struct Answer {
    RequestKind request;
    bool fail;  // not carried out, with `value` as the platform code
    std::uint32_t value;
    std::uint32_t left;
  };
  struct DelayedNotice {
    Clock::time_point due;
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
  };

  // Called with data_ held.
  void Fire(const Fault &fault, Clock::time_point now);
  void FireDueFaults(Clock::time_point now);
  std::optional<Clock::time_point> NextFaultAt() const;
  void Outlet(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void PostDueNotices(Clock::time_point now, bool all);
  std::int64_t SinceStart(Clock::time_point t) const;
  ExternalInputs InputsNow(Clock::time_point now) const;
  Clock::time_point TriggerFrom(Clock::time_point now) const;

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

  // The scenario's part. signals_ is null when every channel is the
  // documented one.
  const ChannelSignals *signals_ = nullptr;
  std::uint64_t seed_ = 0;
  std::uint64_t modes_accepted_ = 0;   // since the driver loaded
  const Poster outlet_;                // the poster behind the notification faults
  std::atomic<bool> scripted_{false};  // a fault waits, is armed or has fired
  std::vector<Fault> timed_;           // `at` faults not yet fired, in time order
  std::vector<Fault> counted_;         // `after` faults not yet fired
  std::array<std::uint32_t, kRequestKinds> requests_{};
  std::vector<Answer> answers_;
  bool unplugged_ = false;
  std::uint64_t to_drop_ = 0;       // words a lose fault takes from the next run
  Clock::duration stall_ahead_{};   // a stall fired while no run went on
  Clock::duration paused_{};        // the current run's stalls so far
  Clock::time_point start_call_{};  // when StartSampling began the run
  std::uint32_t notices_to_drop_ = 0;
  std::chrono::milliseconds notice_delay_{0};
  std::deque<DelayedNotice> delayed_;
  // Inputs that left their pulse train: their changes, from power on.
  std::array<std::vector<std::pair<Clock::duration, bool>>, kInputLines> input_changes_;
  bool poke_ = false;  // wakes a sampler whose trigger came early
};

}  // namespace tamrix::vxd
