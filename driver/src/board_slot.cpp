#include "board_slot.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "resource_packing.h"
#include "tamrix_sim.h"

namespace tamrix::vxd {
namespace {

using std::chrono::duration_cast;
using std::chrono::nanoseconds;
using Clock = BoardSlot::Clock;

// A run that waits for an ExTrg nobody has scheduled waits this long, in
// pieces, until an input control sets it.
constexpr auto kNoTrigger = std::chrono::hours(24 * 365);

Clock::duration Seconds(double seconds) {
  return duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

BoardSlot::BoardSlot(std::uint16_t slot, const BoardDescription *board, Clock::time_point power_on,
                     Poster poster, const Scenario *scenario)
    : slot_(slot),
      board_(board),
      power_on_(power_on),
      poster_(std::move(poster)),
      outlet_([this](HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        Outlet(window, message, wparam, lparam);
      }) {
  if (scenario == nullptr || board == nullptr) return;
  const ChannelSignals &channels = scenario->boards[slot]->channels;
  if (std::any_of(channels.begin(), channels.end(),
                  [](const ChannelSignal &signal) { return !signal.Plain(); })) {
    signals_ = &channels;
  }
  seed_ = scenario->seed;
  for (const Fault &fault : scenario->faults) {
    if (fault.slot != slot) continue;
    if (fault.at) {
      timed_.push_back(fault);
    } else if (*fault.after == 0) {
      Fire(fault, power_on);  // before any request
    } else {
      counted_.push_back(fault);
    }
  }
  std::stable_sort(timed_.begin(), timed_.end(),
                   [](const Fault &a, const Fault &b) { return *a.at < *b.at; });
  scripted_ = std::any_of(scenario->faults.begin(), scenario->faults.end(),
                          [slot](const Fault &fault) { return fault.slot == slot; });
  for (const InputChange &change : scenario->inputs) {
    if (change.slot != slot) continue;
    input_changes_[static_cast<std::size_t>(change.line)].emplace_back(Seconds(change.at),
                                                                       change.on);
  }
}

BoardSlot::~BoardSlot() {
  std::lock_guard control(control_);
  HaltSampler();
}

std::uint16_t BoardSlot::Open(HWND window) {
  if (board_ == nullptr) return TAMRIX_DRV_BAD_SLOT;
  std::lock_guard control(control_);
  std::lock_guard data(data_);
  if (open_ || unplugged_) return TAMRIX_DRV_BAD_SLOT;
  open_ = true;
  window_ = window;
  ForgetMode();
  gate_.Reset(Clock::now());
  return TAMRIX_DRV_OK;
}

bool BoardSlot::IsOpen() const {
  std::lock_guard data(data_);
  return open_;
}

std::uint16_t BoardSlot::Close() {
  std::lock_guard control(control_);
  {
    std::lock_guard data(data_);
    if (!open_) return TAMRIX_DRV_BAD_SLOT;
  }
  HaltSampler(false);
  std::lock_guard data(data_);
  open_ = false;
  window_ = 0;
  ForgetMode();
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::SetMode(const RequestBlock &request) {
  std::lock_guard control(control_);
  {
    std::lock_guard data(data_);
    if (!open_) return TAMRIX_DRV_BAD_SLOT;
    if (running_) return TAMRIX_DRV_MODE_KEPT;
  }
  HaltSampler();  // reaps the thread of a run that ended by itself

  const ModeDecision decision = DecideMode(request, *board_);
  std::lock_guard data(data_);
  ForgetMode();
  if (decision.status != TAMRIX_DRV_OK) return decision.status;
  ring_.Reset(decision.settings.buffer_words);
  mode_ = decision.settings;
  ++modes_accepted_;
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::Start() {
  std::lock_guard control(control_);
  {
    std::lock_guard data(data_);
    if (!open_) return TAMRIX_DRV_BAD_SLOT;
    if (!mode_ || running_) return TAMRIX_DRV_START_FAILED;
  }
  HaltSampler();

  std::lock_guard data(data_);
  const Clock::time_point now = Clock::now();
  start_call_ = now;
  run_start_ = mode_->traits.external_trigger ? TriggerFrom(now) : now;
  ring_.Clear();
  alarms_.Arm();
  gate_.TakeHeld();  // the old run's
  run_.emplace(
      PlanRun(*mode_, next_step_, RunSignals{signals_, seed_, slot_, modes_accepted_ - 1}));
  run_->Drop(std::exchange(to_drop_, 0));
  paused_ = std::exchange(stall_ahead_, Clock::duration{});
  scan_done_ = false;
  stop_requested_ = false;
  running_ = true;
  try {
    sampler_ = std::thread(&BoardSlot::SamplingLoop, this);
  } catch (const std::system_error &) {
    running_ = false;
    return TAMRIX_DRV_START_FAILED;
  }
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::Stop() {
  std::lock_guard control(control_);
  {
    std::lock_guard data(data_);
    if (!open_) return TAMRIX_DRV_BAD_SLOT;
  }
  HaltSampler();
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::ReadSamplingStatus(std::uint32_t &waiting, std::uint32_t &bits) const {
  std::lock_guard data(data_);
  if (!open_) return TAMRIX_DRV_BAD_SLOT;
  waiting = static_cast<std::uint32_t>(ring_.Size());
  bits = StatusBits(Clock::now());
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::TakeWords(void *destination, std::uint32_t count) {
  std::lock_guard data(data_);
  if (!open_) return TAMRIX_DRV_BAD_SLOT;
  if (count == 0 || count > ring_.Size()) return TAMRIX_DRV_BAD_COUNT;
  ring_.TakeOldest(destination, count);
  alarms_.AfterTake(ring_.Size(), ring_.Capacity());
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::ReadExternalInputs(ExternalInputs &inputs) const {
  std::lock_guard data(data_);
  if (!open_) return TAMRIX_DRV_BAD_SLOT;
  inputs = InputsNow(Clock::now());
  return TAMRIX_DRV_OK;
}

std::uint16_t BoardSlot::ReadResources(RequestBlock &answer) const {
  std::lock_guard data(data_);
  if (!open_) {
    ClearResources(answer);
    return TAMRIX_DRV_BAD_SLOT;
  }
  PackResources(*board_, answer);
  return TAMRIX_DRV_OK;
}

bool BoardSlot::Intercept(RequestKind kind, DWORD &error, std::uint16_t &status) {
  if (!scripted_.load(std::memory_order_acquire)) return false;
  std::lock_guard data(data_);
  if (unplugged_) {
    error = TAMRIX_SIM_ERROR_DEVICE_NOT_CONNECTED;
    return true;
  }
  for (auto it = answers_.begin(); it != answers_.end(); ++it) {
    if (it->request != kind) continue;
    if (it->fail) {
      error = it->value;
    } else {
      status = static_cast<std::uint16_t>(it->value);
    }
    if (--it->left == 0) answers_.erase(it);
    return true;
  }
  return false;
}

void BoardSlot::Counted(RequestKind kind) {
  if (!scripted_.load(std::memory_order_acquire)) return;
  std::lock_guard data(data_);
  const std::uint32_t made = ++requests_[static_cast<std::size_t>(kind)];
  const Clock::time_point now = Clock::now();
  for (auto it = counted_.begin(); it != counted_.end();) {
    if (it->counting == kind && made >= *it->after) {
      const Fault fault = *it;
      it = counted_.erase(it);
      Fire(fault, now);
    } else {
      ++it;
    }
  }
}

void BoardSlot::Inject(const Fault &fault) {
  std::lock_guard data(data_);
  scripted_ = true;
  Fire(fault, Clock::now());
}

void BoardSlot::SetInput(InputLine line, bool on) {
  std::lock_guard data(data_);
  const Clock::time_point now = Clock::now();
  auto &changes = input_changes_[static_cast<std::size_t>(line)];
  const Clock::duration at = now - power_on_;
  // From now on this setting stands: later scheduled changes still follow.
  std::erase_if(changes, [&](const auto &change) { return change.first <= at; });
  changes.insert(changes.begin(), {at, on});
  if (line == InputLine::kTrigger && running_ && now < run_start_ && mode_ &&
      mode_->traits.external_trigger) {
    run_start_ = TriggerFrom(now);
    poke_ = true;
    wake_.notify_all();
  }
}

// Called with control_ held and data_ free; afterwards no sampler runs.
void BoardSlot::HaltSampler(bool send_held) {
  {
    std::lock_guard data(data_);
    stop_requested_ = true;
    send_held_ = send_held;
  }
  wake_.notify_all();
  if (sampler_.joinable()) sampler_.join();
}

// Called with data_ held and no sampler running.
void BoardSlot::ForgetMode() {
  mode_.reset();
  run_.reset();
  ring_.Reset(0);
  alarms_.Arm();
  gate_.TakeHeld();
  next_step_ = 0;
  scan_done_ = false;
}

std::uint32_t BoardSlot::StatusBits(Clock::time_point now) const {
  std::uint32_t bits = 0;
  if (running_) bits |= TAMRIX_SIM_SAMPLING;
  if (running_ && now < run_start_) bits |= TAMRIX_SIM_AWAITING_TRIGGER;
  if (ring_.Capacity() > 0 && ring_.Size() * 2 >= ring_.Capacity()) bits |= TAMRIX_SIM_HALF_FULL;
  if (ring_.Capacity() > 0 && ring_.Size() == ring_.Capacity()) bits |= TAMRIX_SIM_FULL;
  if (run_ && run_->WordsLost() > 0) bits |= TAMRIX_SIM_WORDS_LOST;
  if (run_ && run_->Overrun()) bits |= TAMRIX_SIM_OVERRUN;
  if (scan_done_) bits |= TAMRIX_SIM_SCAN_DONE;
  if (gate_.Holding()) bits |= TAMRIX_SIM_OVERFLOW_HELD;
  if (mode_) {
    if (IsDma(mode_->traits)) bits |= TAMRIX_SIM_DMA;
    bits |= static_cast<std::uint32_t>(mode_->mode) << TAMRIX_SIM_MODE_SHIFT;
  }
  return bits;
}

std::int64_t BoardSlot::SinceStart(Clock::time_point t) const {
  return duration_cast<nanoseconds>(t - run_start_ - paused_).count();
}

ExternalInputs BoardSlot::InputsNow(Clock::time_point now) const {
  const Clock::duration t = now - power_on_;
  ExternalInputs inputs = InputsAt(slot_, t);
  bool *const lines[kInputLines] = {&inputs.trigger, &inputs.in0, &inputs.in1};
  for (std::size_t line = 0; line < kInputLines; ++line) {
    const auto &changes = input_changes_[line];
    if (changes.empty()) continue;
    *lines[line] = false;  // off until its first change
    for (const auto &[at, on] : changes) {
      if (at > t) break;
      *lines[line] = on;
    }
  }
  return inputs;
}

BoardSlot::Clock::time_point BoardSlot::TriggerFrom(Clock::time_point now) const {
  const auto &changes = input_changes_[static_cast<std::size_t>(InputLine::kTrigger)];
  if (changes.empty()) return power_on_ + TriggerAtOrAfter(slot_, now - power_on_);
  if (InputsNow(now).trigger) return now;
  for (const auto &[at, on] : changes) {
    if (on && power_on_ + at > now) return power_on_ + at;
  }
  return now + kNoTrigger;
}

void BoardSlot::Fire(const Fault &fault, Clock::time_point now) {
  if (running_ && (fault.kind == FaultKind::kLose || fault.kind == FaultKind::kStall)) {
    // The run reaches the fault's moment first: the words before it are sound.
    RunEvents events;
    run_->AdvanceTo(SinceStart(now), ring_, alarms_, events);
    Deliver(events, gate_, now, window_, outlet_);
  }
  switch (fault.kind) {
    case FaultKind::kLose:
      if (running_) {
        run_->Drop(fault.words);
      } else {
        to_drop_ += fault.words;
      }
      break;
    case FaultKind::kStall: (running_ ? paused_ : stall_ahead_) += Seconds(fault.seconds); break;
    case FaultKind::kStatus:
    case FaultKind::kFail:
      answers_.push_back(
          {fault.request, fault.kind == FaultKind::kFail, fault.answer, fault.count});
      break;
    case FaultKind::kUnplug:
      unplugged_ = true;
      if (running_) {
        // The sampler ends by itself; the next request that halts it reaps it.
        stop_requested_ = true;
        wake_.notify_all();
      }
      break;
    case FaultKind::kReplug: unplugged_ = false; break;
    case FaultKind::kNotifications:
      notices_to_drop_ += fault.drop;
      if (fault.delay_ms) notice_delay_ = std::chrono::milliseconds(*fault.delay_ms);
      break;
  }
}

std::optional<BoardSlot::Clock::time_point> BoardSlot::NextFaultAt() const {
  if (timed_.empty()) return std::nullopt;
  return start_call_ + Seconds(*timed_.front().at);
}

void BoardSlot::FireDueFaults(Clock::time_point now) {
  while (!timed_.empty()) {
    const Clock::time_point due = *NextFaultAt();
    if (due > now) return;
    const Fault fault = timed_.front();
    timed_.erase(timed_.begin());
    Fire(fault, due);
  }
}

void BoardSlot::Outlet(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (notices_to_drop_ > 0) {
    --notices_to_drop_;
    return;
  }
  if (notice_delay_.count() == 0 && delayed_.empty()) {
    poster_(window, message, wparam, lparam);
    return;
  }
  delayed_.push_back({Clock::now() + notice_delay_, window, message, wparam, lparam});
}

void BoardSlot::PostDueNotices(Clock::time_point now, bool all) {
  while (!delayed_.empty() && (all || delayed_.front().due <= now)) {
    const DelayedNotice notice = delayed_.front();
    delayed_.pop_front();
    poster_(notice.window, notice.message, notice.wparam, notice.lparam);
  }
}

void BoardSlot::SamplingLoop() {
  std::unique_lock data(data_);
  const auto wait_until = [&](Clock::time_point t) {
    wake_.wait_until(data, t, [this] { return stop_requested_ || std::exchange(poke_, false); });
  };
  for (;;) {
    const Clock::time_point now = Clock::now();
    RunEvents events;
    PostDueNotices(now, false);
    if (stop_requested_) {
      // Words converted up to the stop, and those still on the board, are kept.
      run_->AdvanceTo(SinceStart(now), ring_, alarms_, events);
      run_->Flush(ring_, alarms_, events);
      if (!send_held_) gate_.TakeHeld();  // closing: nobody reads it
      Deliver(events, gate_, now, window_, outlet_);
      break;
    }
    FireDueFaults(now);
    if (stop_requested_) continue;  // unplugged
    Clock::time_point next_wake = NextFaultAt().value_or(Clock::time_point::max());
    if (!delayed_.empty()) next_wake = std::min(next_wake, delayed_.front().due);
    if (now < run_start_) {
      wait_until(std::min({next_wake, run_start_, now + kNoTrigger / 365}));
      continue;
    }
    run_->AdvanceTo(SinceStart(now), ring_, alarms_, events);
    if (run_->Finished()) scan_done_ = true;
    Deliver(events, gate_, now, window_, outlet_);
    if (run_->Finished()) break;
    next_wake = std::min(next_wake, run_start_ + paused_ + nanoseconds(run_->NextTransferNs()));
    if (gate_.Holding()) next_wake = std::min(next_wake, gate_.NextTokenAt());
    wait_until(std::max(now + kBatchInterval, next_wake));
  }
  if (send_held_) DeliverHeld(gate_, Clock::now(), window_, outlet_);
  PostDueNotices(Clock::now(), true);  // late, but not lost with the run
  next_step_ = run_->NextStep();
  running_ = false;
}

}  // namespace tamrix::vxd
