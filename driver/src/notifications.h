// Which buffer events a run raises, and how many of them reach the window:
// each event once, and never a flood.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "tamrix_platform/win32.h"

namespace tamrix::vxd {

// Sends one notification message, with its two parameters, to a slot's window.
using Poster = std::function<void(HWND window, UINT message, WPARAM wparam, LPARAM lparam)>;

// What happened during one step of a run.
struct RunEvents {
  bool overrun = false;
  std::uint32_t pages_done = 0;
  bool half_full = false;
  bool full = false;
  bool overflow = false;
  std::uint64_t overflow_at = 0;  // words the run had put into the buffer before the loss
  bool scan_end = false;
};

// Half full and full fire once per filling of the buffer, a lost word once
// until the buffer has been drained below full again.
class BufferAlarms {
 public:
  void Arm();
  void AfterAppend(std::size_t size, std::size_t capacity, RunEvents &events);
  // `at` is the run's word index of the first word lost.
  void AfterLoss(std::uint64_t at, RunEvents &events);
  void AfterTake(std::size_t size, std::size_t capacity);

 private:
  bool half_armed_ = true;
  bool full_armed_ = true;
  bool overflow_armed_ = true;
};

// A slot's posting budget. Buffer and run events share a bucket of 8 that
// refills at 4 per second; page completions go out at most every 250 ms, each
// standing for the pages completed since the last one. An event that finds
// the budget spent is dropped: the status bits still tell. A lost-words
// event is held instead, since only it says where its gap lies: one at most,
// standing for every loss until it goes out.
class NotificationGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr double kBurst = 8;
  static constexpr double kPerSecond = 4;
  static constexpr std::chrono::milliseconds kPageInterval{250};

  struct HeldOverflow {
    std::uint64_t first_gap = 0;
    std::uint32_t losses = 0;  // 0: nothing held
  };

  void Reset(Clock::time_point now);
  bool AllowEvent(Clock::time_point now);
  bool AllowPageDone(Clock::time_point now);
  // When AllowEvent next finds a token.
  Clock::time_point NextTokenAt() const;

  // Keeps the first gap's place and counts the losses after it.
  void Hold(std::uint64_t gap);
  bool Holding() const { return held_.losses > 0; }
  HeldOverflow TakeHeld();

 private:
  double tokens_ = kBurst;
  Clock::time_point refilled_at_{};
  bool page_posted_ = false;
  Clock::time_point last_page_post_{};
  HeldOverflow held_;
};

// Posts the events through the gate, in the order they arise within a step,
// after a held lost-words event that the budget now lets out.
void Deliver(const RunEvents &events, NotificationGate &gate,
             NotificationGate::Clock::time_point now, HWND window, const Poster &post);

// Posts a held lost-words event whatever the budget: the run has ended, and
// nothing else would send it.
void DeliverHeld(NotificationGate &gate, NotificationGate::Clock::time_point now, HWND window,
                 const Poster &post);

}  // namespace tamrix::vxd
