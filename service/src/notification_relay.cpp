#include "notification_relay.h"

#include "tamrix_window.h"

namespace tamrix::service {

NotificationRelay::NotificationRelay(std::uint32_t client_window, Sink sink)
    : client_window_(client_window), sink_(std::move(sink)), window_(tmx_window_create()) {
  if (window_ != 0) thread_ = std::thread(&NotificationRelay::Run, this);
}

NotificationRelay::~NotificationRelay() {
  tmx_window_destroy(window_);  // wakes the thread's wait with -1
  if (thread_.joinable()) thread_.join();
}

void NotificationRelay::Run() const {
  std::uint32_t message = 0;
  std::uint32_t wparam = 0;
  std::int32_t lparam = 0;
  while (tmx_window_wait(window_, -1, &message, &wparam, &lparam) == 1) {
    sink_(client_window_, message, wparam, lparam);
  }
}

}  // namespace tamrix::service
