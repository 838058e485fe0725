#include "notifications.h"

#include <algorithm>

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

void BufferAlarms::AfterLoss(RunEvents &events) {
  if (!overflow_armed_) return;
  overflow_armed_ = false;
  events.overflow = true;
}

void BufferAlarms::AfterTake(std::size_t size, std::size_t capacity) {
  if (size * 2 < capacity) half_armed_ = true;
  if (size < capacity) full_armed_ = overflow_armed_ = true;
}

void NotificationGate::Reset(Clock::time_point now) {
  tokens_ = kBurst;
  refilled_at_ = now;
  page_posted_ = false;
}

bool NotificationGate::AllowEvent(Clock::time_point now) {
  const double elapsed = std::chrono::duration<double>(now - refilled_at_).count();
  tokens_ = std::min(kBurst, tokens_ + std::max(0.0, elapsed) * kPerSecond);
  refilled_at_ = std::max(refilled_at_, now);
  if (tokens_ < 1) return false;
  tokens_ -= 1;
  return true;
}

bool NotificationGate::AllowPageDone(Clock::time_point now) {
  if (page_posted_ && now - last_page_post_ < kPageInterval) return false;
  page_posted_ = true;
  last_page_post_ = now;
  return true;
}

void Deliver(const RunEvents &events, NotificationGate &gate,
             NotificationGate::Clock::time_point now, HWND window, const Poster &post) {
  if (window == 0) return;
  auto event = [&](bool happened, UINT message) {
    if (happened && gate.AllowEvent(now)) post(window, message);
  };
  event(events.overrun, TAMRIX_MSG_SAMPLING_OVERRUN);
  if (events.pages_done > 0 && gate.AllowPageDone(now)) post(window, TAMRIX_MSG_DMA_TC);
  event(events.half_full, TAMRIX_MSG_BUFF_HALF_FULL);
  event(events.full, TAMRIX_MSG_BUFF_FULL);
  event(events.overflow, TAMRIX_MSG_BUFF_OVERFLOW);
  event(events.scan_end, TAMRIX_MSG_SINGLE_SAMPLING_END);
}

}  // namespace tamrix::vxd
