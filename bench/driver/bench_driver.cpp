// A fetch of 65,536 words through the library from the driver, against a
// plain copy of the same 128 KiB. The goal: the fetch costs at most twice the
// copy.
//
// The plain copy runs in a tight loop, its memory hot. The fetch is measured
// the same way, fetch after fetch out of a full buffer; a refill takes half a
// second of sampling, outside the timing (each fetch is timed by itself, so
// the pauses cost nothing). The first fetch after a refill meets caches
// cooled by the wait, so that case is measured on its own, beside a plain
// copy after the same idle wait.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "plain_copy.h"
#include "tamrix.h"

namespace {

constexpr std::uint32_t kWords = 65'536;
constexpr std::size_t kBytes = kWords * sizeof(std::uint16_t);
constexpr std::uint32_t kFetchesPerFill = 4;
constexpr std::chrono::milliseconds kPoll{5};
// About as long as the board takes to sample kWords words at its limit.
constexpr std::chrono::milliseconds kRefillWait{130};

// Runs `step`, reporting its wall time as the iteration's; false if it failed.
bool Timed(benchmark::State &state, const std::function<bool()> &step) {
  const auto start = std::chrono::steady_clock::now();
  const bool done = step();
  state.SetIterationTime(
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  return done;
}

// An open slot whose mode samples all sixteen channels at the converter's
// limit into a buffer of `buffer_words`.
class SampledSlot {
 public:
  explicit SampledSlot(std::uint32_t buffer_words) {
    std::uint16_t scratch = 0;
    open_ = TamrixCreate(&slot_, 0, &scratch) == 1;
    const ModeRecord mode{
        .ChFirst = 0, .ChLast = 15, .BuffSize = buffer_words, .Timer = 2, .Mode = 3};
    ready_ = open_ && TamrixSetMode(slot_, &mode) == 1;
    buffer_words_ = buffer_words;
  }
  ~SampledSlot() {
    if (open_) TamrixClose(slot_);
  }
  bool Ready() const { return ready_; }

  // Runs the board until its buffer is full, then halts it, so that the
  // fetches meet no sampler.
  bool Fill() {
    if (TamrixStartSampling(slot_) != 1) return false;
    std::uint32_t waiting = 0;
    std::uint32_t bits = 0;
    while (TamrixGetSamplingStatus(slot_, &waiting, &bits) == 1 && waiting < buffer_words_) {
      std::this_thread::sleep_for(kPoll);
    }
    return TamrixStopSampling(slot_) == 1 && waiting == buffer_words_;
  }
  bool Fetch(std::uint16_t *words) { return TamrixGetData(slot_, kWords, words) == 1; }

 private:
  std::uint16_t slot_ = TAMRIX_ANY_SLOT;
  std::uint32_t buffer_words_ = 0;
  bool open_ = false;
  bool ready_ = false;
};

void BM_FetchThroughLibrary(benchmark::State &state) {
  SampledSlot board(kFetchesPerFill * kWords);
  if (!board.Ready()) {
    state.SkipWithError("no board for the mode");
    return;
  }
  std::vector<std::uint16_t> words(kWords);
  std::uint32_t fetches_left = 0;
  for (auto _ : state) {
    if (fetches_left == 0) {
      // The first fetch of a fill warms what the wait cooled.
      if (!board.Fill() || !board.Fetch(words.data())) {
        state.SkipWithError("buffer did not fill");
        break;
      }
      fetches_left = kFetchesPerFill - 1;
    }
    if (!Timed(state, [&] { return board.Fetch(words.data()); })) {
      state.SkipWithError("fetch refused");
      break;
    }
    --fetches_left;
    benchmark::DoNotOptimize(words.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_FetchThroughLibrary)->Iterations(30)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK(tamrix::bench::BM_PlainCopy)->Name("BM_PlainCopy")->Unit(benchmark::kMicrosecond);

// The first fetch after the board filled its buffer of kWords.
void BM_FetchAfterRefill(benchmark::State &state) {
  SampledSlot board(kWords);
  if (!board.Ready()) {
    state.SkipWithError("no board for the mode");
    return;
  }
  std::vector<std::uint16_t> words(kWords);
  for (auto _ : state) {
    if (!board.Fill() || !Timed(state, [&] { return board.Fetch(words.data()); })) {
      state.SkipWithError("buffer did not fill");
      break;
    }
    benchmark::DoNotOptimize(words.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_FetchAfterRefill)->Iterations(30)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A plain copy after an idle wait as long as that refill.
void BM_PlainCopyAfterIdleWait(benchmark::State &state) {
  std::vector<std::uint16_t> source(kWords, 0x5A5A);
  std::vector<std::uint16_t> destination(kWords);
  for (auto _ : state) {
    std::this_thread::sleep_for(kRefillWait);
    Timed(state, [&] { return std::memcpy(destination.data(), source.data(), kBytes) != nullptr; });
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PlainCopyAfterIdleWait)
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
