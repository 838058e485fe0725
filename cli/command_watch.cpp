// watch: samples and prints the board's notifications as they arrive.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "board_session.h"
#include "commands.h"
#include "event_wait.h"
#include "interrupt.h"
#include "tamrix_sim_status.h"

namespace tamrix_cli {
namespace {

using Clock = std::chrono::steady_clock;

// Small enough that a watched board fills it, and says so, in good time.
constexpr std::uint64_t kWatchBufferWords = 4096;

}  // namespace

int RunWatch(const WatchCommand &command) {
  const SamplingOptions &sampling = command.sampling;
  CatchInterrupts();
  BoardSession board(sampling.slot, BoardSession::Notifications::kWindow);
  const ModeRecord mode{sampling.channels.first, sampling.channels.last,
                        BufferWords(sampling.mode, sampling.channels.Count(), kWatchBufferWords),
                        sampling.period_us, sampling.mode};
  board.SetMode(mode);
  std::vector<std::uint16_t> words(mode.BuffSize);

  board.Start();
  const Clock::time_point start = Clock::now();
  // Past the clock's last time point is as good as never.
  const Clock::time_point end =
      command.seconds && *command.seconds < Clock::time_point::max() - start
          ? start + std::chrono::duration_cast<Clock::duration>(*command.seconds)
          : Clock::time_point::max();
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (now >= end) break;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now);
    if (WaitForEvent(board, std::min(PollInterval(mode), left)) == Wake::kInterrupt) break;

    bool notified = false;
    std::uint32_t message;
    while (board.TakeNotification(message)) {
      const std::chrono::duration<double> since = Clock::now() - start;
      const char *name = tamrix_notification_name(message);
      std::printf("%10.3f  0x%04X  %s\n", since.count(), message, name ? name : "unknown");
      notified = true;
    }
    if (notified && std::fflush(stdout) != 0) {
      throw CommandFailure{board.slot(),
                           std::string("cannot write standard output: ") + std::strerror(errno)};
    }
    // Empty the buffer after each notification, and whenever it is full,
    // so that the board keeps posting.
    const SamplingStatus status = board.Status();
    if (status.num_data > 0 && (notified || (status.bits & TAMRIX_SIM_FULL))) {
      board.Fetch(status.num_data, words.data());
    }
  }
  board.Stop();
  board.Close();
  return 0;
}

}  // namespace tamrix_cli
