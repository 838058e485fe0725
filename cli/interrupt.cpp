#include "interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace tamrix_cli {
namespace {

// The self-pipe the handler writes to; the signal state of the process.
int pipe_ends[2] = {-1, -1};
volatile sig_atomic_t requested = 0;

void OnInterrupt(int) {
  const int saved = errno;
  requested = 1;
  const char byte = 1;
  [[maybe_unused]] const auto written = write(pipe_ends[1], &byte, 1);
  errno = saved;
}

}  // namespace

void CatchInterrupts() {
  if (pipe_ends[0] >= 0) return;
  if (pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) return;  // then Ctrl-C ends the process
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int InterruptDescriptor() { return pipe_ends[0]; }

bool InterruptRequested() { return requested != 0; }

}  // namespace tamrix_cli
