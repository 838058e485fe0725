#include "notifications.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "tamrix_protocol.h"

namespace tamrix::vxd {

void BufferAlarms::Arm() { half_armed_ = full_armed_ = overflow_armed_ = true; }

void BufferAlarms::AfterAppend(std::size_t size, std::size_t capacity, RunEvents &events) {
  if (half_armed_ && size * 2 >= capacity) {
    half_armed_ = false;
    events.half_full = true;
  }
  if (full_armed_ && size == capacity) {
    full_armed_ = false;
    events.full = true;
  }
}

void BufferAlarms::AfterLoss(std::uint64_t at, RunEvents &events) {
  if (!overflow_armed_) return;
  overflow_armed_ = false;
  events.overflow = true;
  events.overflow_at = at;
}

void BufferAlarms::AfterTake(std::size_t size, std::size_t capacity) {
  if (size * 2 < capacity) half_armed_ = true;
  if (size < capacity) full_armed_ = overflow_armed_ = true;
}

void NotificationGate::Reset(Clock::time_point now) {
  tokens_ = kBurst;
  refilled_at_ = now;
  page_posted_ = false;
  held_ = {};
}

bool NotificationGate::AllowEvent(Clock::time_point now) {
  const double elapsed = std::chrono::duration<double>(now - refilled_at_).count();
  tokens_ = std::min(kBurst, tokens_ + std::max(0.0, elapsed) * kPerSecond);
  refilled_at_ = std::max(refilled_at_, now);
  if (tokens_ < 1) return false;
  tokens_ -= 1;
  return true;
}

NotificationGate::Clock::time_point NotificationGate::NextTokenAt() const {
  if (tokens_ >= 1) return refilled_at_;
  const std::chrono::duration<double> wait((1 - tokens_) / kPerSecond);
  return refilled_at_ + std::chrono::ceil<Clock::duration>(wait);
}

void NotificationGate::Hold(std::uint64_t gap) {
  if (held_.losses == 0) held_.first_gap = gap;
  if (held_.losses < std::numeric_limits<std::int32_t>::max()) ++held_.losses;
}

NotificationGate::HeldOverflow NotificationGate::TakeHeld() { return std::exchange(held_, {}); }

bool NotificationGate::AllowPageDone(Clock::time_point now) {
  if (page_posted_ && now - last_page_post_ < kPageInterval) return false;
  page_posted_ = true;
  last_page_post_ = now;
  return true;
}

namespace {

// wParam: the gap's word index in the run (its low 32 bits); lParam: the
// losses it stands for.
void PostOverflow(const NotificationGate::HeldOverflow &held, HWND window, const Poster &post) {
  post(window, TAMRIX_MSG_BUFF_OVERFLOW, static_cast<WPARAM>(held.first_gap),
       static_cast<LPARAM>(held.losses));
}

}  // namespace

void Deliver(const RunEvents &events, NotificationGate &gate,
             NotificationGate::Clock::time_point now, HWND window, const Poster &post) {
  if (window == 0) return;
  if (gate.Holding() && gate.AllowEvent(now)) PostOverflow(gate.TakeHeld(), window, post);
  auto event = [&](bool happened, UINT message) {
    if (happened && gate.AllowEvent(now)) post(window, message, 0, 0);
  };
  event(events.overrun, TAMRIX_MSG_SAMPLING_OVERRUN);
  if (events.pages_done > 0 && gate.AllowPageDone(now)) post(window, TAMRIX_MSG_DMA_TC, 0, 0);
  event(events.half_full, TAMRIX_MSG_BUFF_HALF_FULL);
  event(events.full, TAMRIX_MSG_BUFF_FULL);
  if (events.overflow) {
    if (!gate.Holding() && gate.AllowEvent(now)) {
      PostOverflow({events.overflow_at, 1}, window, post);
    } else {
      gate.Hold(events.overflow_at);
    }
  }
  event(events.scan_end, TAMRIX_MSG_SINGLE_SAMPLING_END);
}

void DeliverHeld(NotificationGate &gate, NotificationGate::Clock::time_point now, HWND window,
                 const Poster &post) {
  if (window == 0 || !gate.Holding()) return;
  gate.AllowEvent(now);  // takes its token when there is one
  PostOverflow(gate.TakeHeld(), window, post);
}

}  // namespace tamrix::vxd
