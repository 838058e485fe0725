#include "event_wait.h"

#include <poll.h>

#include "interrupt.h"

namespace tamrix_cli {

Wake WaitForEvent(const BoardSession &board, std::chrono::milliseconds timeout) {
  if (InterruptRequested()) return Wake::kInterrupt;
  pollfd descriptors[2] = {{board.NotificationDescriptor(), POLLIN, 0},
                           {InterruptDescriptor(), POLLIN, 0}};
  const int ready = poll(descriptors, 2, static_cast<int>(timeout.count()));
  // A signal that interrupts poll has marked its request by then.
  if (InterruptRequested()) return Wake::kInterrupt;
  if (ready > 0 && (descriptors[0].revents & POLLIN)) return Wake::kNotification;
  return Wake::kTimeout;
}

}  // namespace tamrix_cli
