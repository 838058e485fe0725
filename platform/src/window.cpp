// Notification windows for C programs: each handle has a message queue of its
// own, kept here by handle so that a caller holds nothing but the number.
#include <chrono>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "tamrix_platform/messages.h"
#include "tamrix_window.h"
#include "unload.h"

namespace {

using tmx::platform::MessageQueue;

class WindowTable {
 public:
  WindowTable() = default;
  ~WindowTable() {
    for (const auto &[window, queue] : queues_) {
      queue->DestroyWindowHandle(window);
      queue->Close();
    }
  }
  WindowTable(const WindowTable &) = delete;
  WindowTable &operator=(const WindowTable &) = delete;

  std::uint32_t Create() {
    auto queue = std::make_shared<MessageQueue>();
    // A window is polled through its descriptor: none left, no window.
    if (queue->WakeDescriptor() < 0) return 0;
    const HWND window = queue->CreateWindowHandle();
    std::lock_guard lock(mutex_);
    queues_.emplace(window, std::move(queue));
    return window;
  }

  std::shared_ptr<MessageQueue> Find(std::uint32_t window) {
    std::lock_guard lock(mutex_);
    const auto it = queues_.find(window);
    return it == queues_.end() ? nullptr : it->second;
  }

  void Destroy(std::uint32_t window) {
    std::shared_ptr<MessageQueue> queue;
    {
      std::lock_guard lock(mutex_);
      const auto it = queues_.find(window);
      if (it == queues_.end()) return;
      queue = std::move(it->second);
      queues_.erase(it);
    }
    queue->DestroyWindowHandle(window);
    queue->Close();  // its waiters, which hold the queue, wake
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::uint32_t, std::shared_ptr<MessageQueue>> queues_;
};

WindowTable &Windows() { return tmx::platform::Unloadable<WindowTable>::Get(); }

}  // namespace

void tmx::platform::ReleaseWindows() { Unloadable<WindowTable>::Release(); }

extern "C" std::uint32_t tmx_window_create(void) {
  try {
    return Windows().Create();
  } catch (...) {
    return 0;
  }
}

extern "C" int tmx_window_fd(std::uint32_t window) {
  const auto queue = Windows().Find(window);
  return queue ? queue->WakeDescriptor() : -1;
}

extern "C" int tmx_window_wait(std::uint32_t window, int timeout_ms, std::uint32_t *message,
                               std::uint32_t *wparam, std::int32_t *lparam) {
  const auto queue = Windows().Find(window);
  if (!queue) return -1;
  tmx::platform::PostedMessage posted{};
  bool taken;
  if (timeout_ms < 0) {
    do {
      taken = queue->Wait(posted, std::chrono::hours(1));
    } while (!taken && !queue->Closed());
  } else {
    taken = queue->Wait(posted, std::chrono::milliseconds(timeout_ms));
  }
  if (!taken) return queue->Closed() ? -1 : 0;
  if (message != nullptr) *message = posted.message;
  if (wparam != nullptr) *wparam = posted.wparam;
  if (lparam != nullptr) *lparam = posted.lparam;
  return 1;
}

extern "C" void tmx_window_destroy(std::uint32_t window) { Windows().Destroy(window); }
