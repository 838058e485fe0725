// read: samples until the words asked for are fetched, the time is up or an
// interrupt comes, draining the buffer whenever the board says so, and
// whenever it has been quiet for a while. The output is written on a thread
// of its own, so that a slow disk never keeps the buffer from being drained.
#include <chrono>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

#include "board_session.h"
#include "capture_file.h"
#include "commands.h"
#include "event_wait.h"
#include "interrupt.h"
#include "output_file.h"
#include "progress_bar.h"
#include "scan_writer.h"
#include "tamrix_sim_status.h"
#include "text_output.h"
#include "writer_thread.h"

namespace tamrix_cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint64_t kNoCount = std::numeric_limits<std::uint64_t>::max();
// 32 MiB: half a minute of the board's top rate waiting for a slow disk.
constexpr std::size_t kQueuedWords = std::size_t{16} << 20;

enum class Ending { kComplete, kTimeUp, kInterrupted, kWordsLost, kStalled, kWriteFailed };

// One capture: the words wanted, those fetched, and those of the current run
// (a single-scan mode starts a run per scan). The board is started by the
// caller, at `start`.
class Capture {
 public:
  Capture(BoardSession &board, const ModeRecord &mode, std::uint64_t wanted,
          Clock::time_point start, Clock::time_point end, WriterThread &writer)
      : board_(board),
        mode_(mode),
        wanted_(wanted),
        start_(start),
        end_(end),
        writer_(writer),
        last_word_(start) {
    if (wanted != kNoCount) progress_.emplace(wanted);
  }

  Ending Run() {
    for (;;) {
      if (const auto ending = Drain(true)) return *ending;
      const Clock::time_point now = Clock::now();
      if (now - last_word_ > StallLimit(mode_)) return Ending::kStalled;
      if (now >= end_) return Ending::kTimeUp;
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - now);
      if (WaitForEvent(board_, std::min(PollInterval(mode_), left)) == Wake::kInterrupt) {
        return Ending::kInterrupted;
      }
      TakeNotifications();
    }
  }

  // After the board was stopped: fetches the words it converted before.
  Ending Finish() {
    TakeNotifications();
    return Drain(false).value_or(Ending::kComplete);
  }

  std::uint64_t fetched() const { return fetched_; }

 private:
  // Fetches what waits, up to the words wanted; an ending once there is one.
  std::optional<Ending> Drain(bool sampling) {
    if (writer_.failure()) return Ending::kWriteFailed;
    const SamplingStatus status = board_.Status();
    TakeNotifications();  // those posted before the status was read
    const bool lost = (status.bits & TAMRIX_SIM_WORDS_LOST) != 0;
    // Words were lost, to a full buffer or while it had room (a simulated
    // board's fault): then words after the gap follow in the buffer. The
    // board's BuffOverflow says where the first gap lies, counted from the
    // run's start, so the words before it are kept however often the run was
    // drained. It may wait for the notification budget: then nothing is sure
    // yet. Untold, what waits is sound only if this run was never drained:
    // then the buffer holds the run's first words, and the lost ones came
    // after them.
    const bool told_later = lost && !gap_ && (status.bits & TAMRIX_SIM_OVERFLOW_HELD) != 0;
    std::uint64_t sound = status.num_data;
    if (lost && gap_) {
      // Its place is told in 32 bits; the gap is never behind what was taken.
      const auto ahead = static_cast<std::uint32_t>(*gap_ - run_fetched_);
      sound = ahead <= sound ? ahead : 0;
    } else if (told_later || (lost && run_fetched_ > 0)) {
      sound = 0;
    }
    const auto take =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(sound, wanted_ - fetched_));
    if (take > 0) {
      std::vector<std::uint16_t> words(take);
      board_.Fetch(take, words.data());
      if (!writer_.Push(std::move(words))) return Ending::kWriteFailed;
      fetched_ += take;
      run_fetched_ += take;
      last_word_ = Clock::now();
      if (progress_) progress_->Show(fetched_);
    }
    if (fetched_ == wanted_) return Ending::kComplete;
    if (lost && !told_later) return Lost();
    const bool run_ended = (status.bits & TAMRIX_SIM_SAMPLING) == 0;
    if (sampling && run_ended && take == status.num_data && IsSingleScanMode(mode_.Mode)) {
      board_.Start();  // the next scan
      run_fetched_ = 0;
      gap_.reset();
      last_word_ = Clock::now();
    }
    return std::nullopt;
  }

  // The board does not tell how many words it lost, only that it did. Its
  // notifications of the moment (BuffOverflow) come first.
  Ending Lost() {
    TakeNotifications();
    writer_.Push(Event(0, "WordsLost", -1));
    return Ending::kWordsLost;
  }

  // They mostly say when to look; a BuffOverflow also says where this run's
  // first gap lies: the words the run had put into the buffer before it.
  void TakeNotifications() {
    std::uint32_t message = 0;
    std::uint32_t wparam = 0;
    while (board_.TakeNotification(message, &wparam)) {
      if (message == TAMRIX_MSG_BUFF_OVERFLOW && !gap_) gap_ = wparam;
      const char *name = tamrix_notification_name(message);
      writer_.Push(Event(message, name ? name : "unknown", 0));
    }
  }

  // Stamped with the whole scans fetched so far and the time since start.
  CaptureEvent Event(std::uint32_t message, const char *name, std::int64_t words_lost) const {
    const std::chrono::duration<double> since = Clock::now() - start_;
    return {fetched_ / (mode_.ChLast - mode_.ChFirst + 1), since.count(), message, name,
            words_lost};
  }

  BoardSession &board_;
  const ModeRecord mode_;
  const std::uint64_t wanted_;
  const Clock::time_point start_;
  const Clock::time_point end_;
  WriterThread &writer_;
  std::optional<ProgressBar> progress_;
  std::uint64_t fetched_ = 0;
  std::uint64_t run_fetched_ = 0;
  std::optional<std::uint64_t> gap_;  // this run's first gap, once told
  Clock::time_point last_word_;
};

// Past the clock's last time point is as good as never.
Clock::time_point EndOf(Clock::time_point start, std::optional<std::chrono::nanoseconds> seconds) {
  return seconds && *seconds < Clock::time_point::max() - start
             ? start + std::chrono::duration_cast<Clock::duration>(*seconds)
             : Clock::time_point::max();
}

}  // namespace

int RunRead(const ReadCommand &command) {
  const SamplingOptions &sampling = command.sampling;
  const unsigned scan_words = sampling.channels.Count();
  const bool counted = command.count > 0;
  const std::uint64_t wanted =
      counted ? (command.count + scan_words - 1) / scan_words * scan_words : kNoCount;
  const ModeRecord mode{sampling.channels.first, sampling.channels.last,
                        BufferWords(sampling.mode, scan_words,
                                    std::min<std::uint64_t>(wanted, LargestBuffer(sampling.mode))),
                        sampling.period_us, sampling.mode};
  // Neither a count nor seconds: an interrupt is how the run ends.
  const bool until_interrupted = !counted && !command.seconds;
  // Before the temporary file exists, so that Ctrl-C never leaves it behind.
  CatchInterrupts();
  std::uint16_t slot = sampling.slot;
  std::optional<OutputFile> output;
  std::optional<CaptureFile> capture_file;
  std::optional<TextOutput> text_output;
  std::optional<ScanWriter> scan_writer;
  std::optional<WriterThread> writer;
  // Ends the writer and closes the output; the first failure, empty if none.
  // A text file is kept once it holds a whole scan, however the run ends:
  // the words fetched are gone from the board. A capture file has its name
  // from the start.
  const auto finish = [&] {
    std::string why;
    const auto first = [&](const std::string &failure) {
      if (why.empty()) why = failure;
    };
    if (writer) first(writer->Finish().value_or(""));
    if (capture_file) first(capture_file->Close());
    if (output) {
      first(
          output->Finish(scan_writer && scan_writer->scans_written() > 0 && scan_writer->sound()));
    }
    return why;
  };
  Ending ending;
  std::uint64_t fetched;
  try {
    output.emplace(command.output);
    if (command.format == OutputFormat::kHdf5) PrepareCaptureLibrary();
    BoardSession board(sampling.slot, BoardSession::Notifications::kWindow);
    slot = board.slot();
    board.SetMode(mode);
    if (command.format == OutputFormat::kHdf5) {
      capture_file.emplace(output->path(), output->name(), DescribeRun(board, mode),
                           command.compress);
    } else {
      text_output.emplace(output->file(), output->name(), command.format, sampling.channels);
    }
    ScanOutput &sink = capture_file ? static_cast<ScanOutput &>(*capture_file) : *text_output;
    scan_writer.emplace(sink, sampling.channels);

    if (capture_file) {
      // Readers may come from here on, and find the file by its name. The
      // file is ready before sampling starts, so that the board's buffer
      // never waits for it: the start time is taken a moment early.
      capture_file->StartReaders(UtcText(std::chrono::system_clock::now()));
      if (const std::string why = output->Finish(true); !why.empty()) {
        throw CommandFailure{slot, why};
      }
    }
    board.Start();
    const Clock::time_point start = Clock::now();
    writer.emplace(*scan_writer, sink, kQueuedWords);
    Capture capture(board, mode, wanted, start, EndOf(start, command.seconds), *writer);
    ending = capture.Run();
    board.Stop();
    if (ending == Ending::kTimeUp || (ending == Ending::kInterrupted && until_interrupted)) {
      ending = capture.Finish();
    }
    fetched = capture.fetched();
    board.Close();
  } catch (const OutputError &error) {
    finish();
    throw CommandFailure{slot, error.what};
  } catch (...) {
    finish();  // the failure of the run is the one to tell
    throw;
  }
  if (const std::string why = finish(); !why.empty()) throw CommandFailure{slot, why};

  const std::string progress =
      std::to_string(fetched) + (counted ? " of " + std::to_string(wanted) : "");
  switch (ending) {
    case Ending::kComplete:
    case Ending::kTimeUp: return 0;
    case Ending::kInterrupted:
      std::fprintf(stderr, "tamrix-cli read: slot %u: interrupted after %s words\n", slot,
                   progress.c_str());
      return kExitInterrupted;
    case Ending::kWordsLost:
      throw CommandFailure{slot, "the board lost words to a full buffer after " + progress +
                                     " words; the output stops before them"};
    case Ending::kWriteFailed:  // told by finish
    case Ending::kStalled: break;
  }
  char quiet[32];
  std::snprintf(quiet, sizeof quiet, "%.1f",
                std::chrono::duration<double>(StallLimit(mode)).count());
  throw CommandFailure{
      slot, std::string("no sample word for ") + quiet + " s, after " + progress + " words"};
}

}  // namespace tamrix_cli
