#include "board_slot.h"

#include <system_error>

#include "resource_packing.h"

namespace tamrix::vxd {

BoardSlot::BoardSlot(std::uint16_t slot, const BoardDescription *board, Clock::time_point power_on,
                     Poster poster)
    : slot_(slot), board_(board), power_on_(power_on), poster_(std::move(poster)) {}

BoardSlot::~BoardSlot() {
  std::lock_guard control(control_);
  HaltSampler();
}

std::uint16_t BoardSlot::Open(HWND window) {
  if (board_ == nullptr) return TAMRIX_DRV_BAD_SLOT;
  std::lock_guard control(control_);
  std::lock_guard data(data_);
  if (open_) return TAMRIX_DRV_BAD_SLOT;
  open_ = true;
  window_ = window;
  ForgetMode();
  gate_.Reset(Clock::now());
  return TAMRIX_DRV_OK;
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
  run_start_ = now;
  if (mode_->traits.external_trigger) {
    run_start_ = power_on_ + TriggerAtOrAfter(slot_, now - power_on_);
  }
  ring_.Clear();
  alarms_.Arm();
  gate_.TakeHeld();  // the old run's
  run_.emplace(PlanRun(*mode_, next_step_));
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
  inputs = InputsAt(slot_, Clock::now() - power_on_);
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

void BoardSlot::SamplingLoop() {
  std::unique_lock data(data_);
  const auto since_start = [this](Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t - run_start_).count();
  };
  for (;;) {
    const Clock::time_point now = Clock::now();
    RunEvents events;
    if (stop_requested_) {
      // Words converted up to the stop, and those still on the board, are kept.
      run_->AdvanceTo(since_start(now), ring_, alarms_, events);
      run_->Flush(ring_, alarms_, events);
      if (!send_held_) gate_.TakeHeld();  // closing: nobody reads it
      Deliver(events, gate_, now, window_, poster_);
      break;
    }
    if (now < run_start_) {
      wake_.wait_until(data, run_start_, [this] { return stop_requested_; });
      continue;
    }
    run_->AdvanceTo(since_start(now), ring_, alarms_, events);
    if (run_->Finished()) scan_done_ = true;
    Deliver(events, gate_, now, window_, poster_);
    if (run_->Finished()) break;
    Clock::time_point next_wake = run_start_ + std::chrono::nanoseconds(run_->NextTransferNs());
    if (gate_.Holding()) next_wake = std::min(next_wake, gate_.NextTokenAt());
    wake_.wait_until(data, std::max(now + kBatchInterval, next_wake),
                     [this] { return stop_requested_; });
  }
  if (send_held_) DeliverHeld(gate_, Clock::now(), window_, poster_);
  next_step_ = run_->NextStep();
  running_ = false;
}

}  // namespace tamrix::vxd
