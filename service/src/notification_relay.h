#pragma once

#include <cstdint>
#include <functional>
#include <thread>

namespace tamrix::service {

// A window of the service's own, given to the driver in place of a client's
// window: a thread takes each message posted to it, in order, and hands it on
// with the client's window value.
class NotificationRelay {
 public:
  using Sink = std::function<void(std::uint32_t client_window, std::uint32_t message,
                                  std::uint32_t wparam, std::int32_t lparam)>;

  NotificationRelay(std::uint32_t client_window, Sink sink);
  // Messages still waiting are dropped: the slots posting here are closed.
  ~NotificationRelay();
  NotificationRelay(const NotificationRelay &) = delete;
  NotificationRelay &operator=(const NotificationRelay &) = delete;

  // 0 when no window could be made.
  std::uint32_t window() const { return window_; }

 private:
  void Run() const;

  std::uint32_t client_window_;
  Sink sink_;
  std::uint32_t window_;
  std::thread thread_;
};

}  // namespace tamrix::service
