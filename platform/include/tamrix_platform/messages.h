/* Posted window messages: the sending side (any thread, C linkage, so that
 * driver modules reach it through tmx_host_services) and the receiving end
 * that a window thread's message loop reads. */
#ifndef TAMRIX_PLATFORM_MESSAGES_H
#define TAMRIX_PLATFORM_MESSAGES_H

#include "tamrix_platform/win32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Queues a message for the window; never waits for the receiver. Zero with
 * ERROR_INVALID_WINDOW_HANDLE when no live window has that handle. */
TMX_PLATFORM_API BOOL tmx_post_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

static inline BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return tmx_post_message(window, message, wparam, lparam);
}

#ifdef __cplusplus
}

#include <chrono>
#include <cstddef>
#include <memory>

namespace tmx::platform {

struct PostedMessage {
  HWND window;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

// The receiving end of one thread's windows: messages posted to any handle
// created here come out in the order they were posted.
class TMX_PLATFORM_API MessageQueue {
 public:
  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue &) = delete;
  MessageQueue &operator=(const MessageQueue &) = delete;

  // A new window handle that routes to this queue; never 0, never reused.
  HWND CreateWindowHandle();
  // Later posts to the handle fail; messages already queued for it are dropped.
  void DestroyWindowHandle(HWND window);

  // Takes the oldest message without waiting.
  bool Peek(PostedMessage &out);
  // Takes the oldest message, waiting up to the timeout for one; false at
  // once once the queue is closed.
  bool Wait(PostedMessage &out, std::chrono::milliseconds timeout);
  // Ends the queue: what is pending is dropped, every waiter wakes, and from
  // then on nothing is queued and Wait returns false at once.
  void Close();
  bool Closed() const;
  std::size_t Pending() const;
  // A descriptor that is readable while messages are pending, for event loops
  // that wait on descriptors.
  int WakeDescriptor() const;

  struct State;  // opaque; shared with the handle registry

 private:
  std::shared_ptr<State> state_;
};

}  // namespace tmx::platform
#endif

#endif
