// read: samples until the words asked for are fetched, draining the buffer
// whenever the board says so, and whenever it has been quiet for a while.
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "board_session.h"
#include "commands.h"
#include "event_wait.h"
#include "interrupt.h"
#include "output_file.h"
#include "progress_bar.h"
#include "scan_writer.h"
#include "tamrix_sim_status.h"

namespace tamrix_cli {
namespace {

using Clock = std::chrono::steady_clock;

enum class Ending { kComplete, kInterrupted, kWordsLost, kStalled };

// One capture: the words wanted, those fetched, and those of the current run
// (a single-scan mode starts a run per scan).
class Capture {
 public:
  Capture(BoardSession &board, const ModeRecord &mode, std::uint64_t wanted, ScanWriter &writer)
      : board_(board),
        mode_(mode),
        wanted_(wanted),
        writer_(writer),
        progress_(wanted),
        words_(mode.BuffSize) {}

  Ending Run() {
    board_.Start();
    last_word_ = Clock::now();
    for (;;) {
      if (const auto ending = Drain()) return *ending;
      if (Clock::now() - last_word_ > StallLimit(mode_)) return Ending::kStalled;
      if (WaitForEvent(board_, PollInterval(mode_)) == Wake::kInterrupt) {
        return Ending::kInterrupted;
      }
    }
  }

  std::uint64_t fetched() const { return fetched_; }

 private:
  // Fetches what waits, up to the words wanted; an ending once there is one.
  std::optional<Ending> Drain() {
    const SamplingStatus status = board_.Status();
    TakeNotifications();  // those posted before the status was read
    const bool lost = (status.bits & TAMRIX_SIM_WORDS_LOST) != 0;
    // Words were lost at a full buffer. What waits is sound only if this run
    // was never drained: then the buffer holds the run's first words, and
    // the lost ones came after them.
    if (lost && run_fetched_ > 0) return Ending::kWordsLost;
    // Words may also be lost while the buffer has room (a simulated board's
    // fault): then words after the gap follow in the buffer, and the board's
    // BuffOverflow says where it lies. It may wait for the notification
    // budget: then nothing is sure yet.
    const bool told_later = lost && !gap_ && (status.bits & TAMRIX_SIM_OVERFLOW_HELD) != 0;
    std::uint64_t sound = told_later ? 0 : status.num_data;
    if (lost && gap_) sound = std::min<std::uint64_t>(sound, *gap_);
    const auto take =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(sound, wanted_ - fetched_));
    if (take > 0) {
      board_.Fetch(take, words_.data());
      writer_.Add({words_.data(), take});
      fetched_ += take;
      run_fetched_ += take;
      last_word_ = Clock::now();
      progress_.Show(fetched_);
    }
    if (fetched_ == wanted_) return Ending::kComplete;
    if (lost && !told_later) return Ending::kWordsLost;
    const bool run_ended = (status.bits & TAMRIX_SIM_SAMPLING) == 0;
    if (run_ended && take == status.num_data && IsSingleScanMode(mode_.Mode)) {
      board_.Start();  // the next scan
      run_fetched_ = 0;
      gap_.reset();
      last_word_ = Clock::now();
    }
    return std::nullopt;
  }

  // They mostly say when to look; a BuffOverflow also says where this run's
  // first gap lies: the words the run had put into the buffer before it.
  void TakeNotifications() {
    std::uint32_t message = 0;
    std::uint32_t wparam = 0;
    while (board_.TakeNotification(message, &wparam)) {
      if (message == TAMRIX_MSG_BUFF_OVERFLOW && !gap_) gap_ = wparam;
    }
  }

  BoardSession &board_;
  const ModeRecord mode_;
  const std::uint64_t wanted_;
  ScanWriter &writer_;
  ProgressBar progress_;
  std::vector<std::uint16_t> words_;
  std::uint64_t fetched_ = 0;
  std::uint64_t run_fetched_ = 0;
  std::optional<std::uint64_t> gap_;  // this run's first gap, once told
  Clock::time_point last_word_;
};

}  // namespace

int RunRead(const ReadCommand &command) {
  const SamplingOptions &sampling = command.sampling;
  const unsigned scan_words = sampling.channels.Count();
  const std::uint64_t wanted = (command.count + scan_words - 1) / scan_words * scan_words;
  const ModeRecord mode{sampling.channels.first, sampling.channels.last,
                        BufferWords(sampling.mode, scan_words, wanted), sampling.period_us,
                        sampling.mode};
  // Before the temporary file exists, so that Ctrl-C never leaves it behind.
  CatchInterrupts();
  std::uint16_t slot = sampling.slot;
  std::optional<OutputFile> output;
  std::optional<ScanWriter> writer;
  // A run keeps what it wrote once it wrote a whole scan, however it ends:
  // the words fetched are gone from the board.
  const auto finish = [&] {
    if (!output) return std::string();
    return output->Finish(writer && writer->scans_written() > 0 && writer->sound());
  };
  Ending ending;
  std::uint64_t fetched;
  try {
    output.emplace(command.output);
    BoardSession board(sampling.slot, BoardSession::Notifications::kWindow);
    slot = board.slot();
    board.SetMode(mode);
    writer.emplace(output->file(), output->name(), command.format, sampling.channels);
    Capture capture(board, mode, wanted, *writer);
    ending = capture.Run();
    fetched = capture.fetched();
    board.Stop();
    board.Close();
  } catch (const OutputError &error) {
    finish();
    throw CommandFailure{slot, error.what};
  } catch (...) {
    finish();  // the failure of the run is the one to tell
    throw;
  }
  if (const std::string why = finish(); !why.empty()) throw CommandFailure{slot, why};

  const std::string progress = std::to_string(fetched) + " of " + std::to_string(wanted);
  switch (ending) {
    case Ending::kComplete: return 0;
    case Ending::kInterrupted:
      std::fprintf(stderr, "tamrix-cli read: slot %u: interrupted after %s words\n", slot,
                   progress.c_str());
      return kExitInterrupted;
    case Ending::kWordsLost:
      throw CommandFailure{slot, "the board lost words to a full buffer after " + progress +
                                     " words; the output stops before them"};
    case Ending::kStalled: break;
  }
  char quiet[32];
  std::snprintf(quiet, sizeof quiet, "%.1f",
                std::chrono::duration<double>(StallLimit(mode)).count());
  throw CommandFailure{
      slot, std::string("no sample word for ") + quiet + " s, after " + progress + " words"};
}

}  // namespace tamrix_cli
