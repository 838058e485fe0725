// Posted window messages. Handles route to the queue of the thread that made
// them; any thread may post without waiting for that thread.
#include "tamrix_platform/messages.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>

#include "unload.h"

namespace tmx::platform {

struct MessageQueue::State {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<PostedMessage> messages;
  bool closed = false;
  int wake_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);

  ~State() {
    if (wake_fd >= 0) close(wake_fd);
  }

  void Push(const PostedMessage &message) {
    {
      std::lock_guard lock(mutex);
      if (closed) return;
      if (messages.empty()) Signal(true);
      messages.push_back(message);
    }
    posted.notify_one();
  }

  // Caller holds the mutex and has checked that a message is there.
  PostedMessage PopLocked() {
    PostedMessage message = messages.front();
    messages.pop_front();
    if (messages.empty()) Signal(false);
    return message;
  }

  void Signal(bool pending) const {
    if (wake_fd < 0) return;
    std::uint64_t value = 1;
    ssize_t ignored =
        pending ? write(wake_fd, &value, sizeof value) : read(wake_fd, &value, sizeof value);
    (void)ignored;
  }
};

namespace {

class WindowRegistry {
 public:
  HWND Add(const std::shared_ptr<MessageQueue::State> &queue) {
    std::lock_guard lock(mutex_);
    HWND handle;
    do {
      handle = next_++;
    } while (handle == 0 || routes_.contains(handle));
    routes_.emplace(handle, queue);
    return handle;
  }

  void Remove(HWND handle) {
    std::lock_guard lock(mutex_);
    routes_.erase(handle);
  }

  std::shared_ptr<MessageQueue::State> Find(HWND handle) {
    std::lock_guard lock(mutex_);
    auto it = routes_.find(handle);
    return it == routes_.end() ? nullptr : it->second.lock();
  }

 private:
  std::mutex mutex_;
  std::unordered_map<HWND, std::weak_ptr<MessageQueue::State>> routes_;
  HWND next_ = 0x00010000;
};

WindowRegistry &Registry() { return Unloadable<WindowRegistry>::Get(); }

}  // namespace

void ReleaseRoutes() { Unloadable<WindowRegistry>::Release(); }

MessageQueue::MessageQueue() : state_(std::make_shared<State>()) {}

MessageQueue::~MessageQueue() = default;

HWND MessageQueue::CreateWindowHandle() { return Registry().Add(state_); }

void MessageQueue::DestroyWindowHandle(HWND window) {
  Registry().Remove(window);
  std::lock_guard lock(state_->mutex);
  auto &messages = state_->messages;
  const bool had_messages = !messages.empty();
  std::erase_if(messages, [window](const PostedMessage &m) { return m.window == window; });
  if (had_messages && messages.empty()) state_->Signal(false);
}

bool MessageQueue::Peek(PostedMessage &out) {
  std::lock_guard lock(state_->mutex);
  if (state_->messages.empty()) return false;
  out = state_->PopLocked();
  return true;
}

bool MessageQueue::Wait(PostedMessage &out, std::chrono::milliseconds timeout) {
  std::unique_lock lock(state_->mutex);
  const auto ready = [this] { return state_->closed || !state_->messages.empty(); };
  if (!state_->posted.wait_for(lock, timeout, ready) || state_->closed) return false;
  out = state_->PopLocked();
  return true;
}

void MessageQueue::Close() {
  {
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    if (!state_->messages.empty()) state_->Signal(false);
    state_->messages.clear();
  }
  state_->posted.notify_all();
}

bool MessageQueue::Closed() const {
  std::lock_guard lock(state_->mutex);
  return state_->closed;
}

std::size_t MessageQueue::Pending() const {
  std::lock_guard lock(state_->mutex);
  return state_->messages.size();
}

int MessageQueue::WakeDescriptor() const { return state_->wake_fd; }

}  // namespace tmx::platform

extern "C" BOOL tmx_post_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto queue = tmx::platform::Registry().Find(window);
  if (!queue) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  queue->Push({window, message, wparam, lparam});
  return 1;
}
