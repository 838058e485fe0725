// A fetch of 65,536 words through the library from the driver, against a
// plain copy of the same 128 KiB. The goal: the fetch costs at most twice the
// copy.
//
// The words a fetch hands out were written by the driver's sampling thread
// while the caller waited, so beside the plain (cache-hot) copy there is a
// copy made under the same conditions: its source written by another thread,
// then a wait as long as one poll of the refill.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "tamrix.h"

namespace {

constexpr std::uint32_t kWords = 65'536;
constexpr std::size_t kBytes = kWords * sizeof(std::uint16_t);
constexpr std::chrono::milliseconds kPoll{5};

// Runs the board at the converter's limit until its buffer holds kWords,
// then halts it, so that the fetch meets no sampler.
bool FillBuffer(std::uint16_t slot) {
  if (TamrixStartSampling(slot) != 1) return false;
  std::uint32_t waiting = 0;
  std::uint32_t bits = 0;
  while (TamrixGetSamplingStatus(slot, &waiting, &bits) == 1 && waiting < kWords) {
    std::this_thread::sleep_for(kPoll);
  }
  return TamrixStopSampling(slot) == 1 && waiting == kWords;
}

void BM_FetchThroughLibrary(benchmark::State &state) {
  std::uint16_t slot = TAMRIX_ANY_SLOT;
  std::uint16_t scratch = 0;
  if (TamrixCreate(&slot, 0, &scratch) != 1) {
    state.SkipWithError("no free board");
    return;
  }
  const ModeRecord mode{.ChFirst = 0, .ChLast = 15, .BuffSize = kWords, .Timer = 2, .Mode = 3};
  if (TamrixSetMode(slot, &mode) != 1) {
    state.SkipWithError("mode refused");
    TamrixClose(slot);
    return;
  }
  std::vector<std::uint16_t> words(kWords);
  for (auto _ : state) {
    state.PauseTiming();
    const bool filled = FillBuffer(slot);
    state.ResumeTiming();
    if (!filled) {
      state.SkipWithError("buffer did not fill");
      break;
    }
    if (TamrixGetData(slot, kWords, words.data()) != 1) {
      state.SkipWithError("fetch refused");
      break;
    }
    benchmark::DoNotOptimize(words.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
  TamrixClose(slot);
}
// Each refill takes about 130 ms of sampling, outside the timing.
BENCHMARK(BM_FetchThroughLibrary)->Iterations(30)->Unit(benchmark::kMicrosecond);

void BM_PlainCopy(benchmark::State &state) {
  std::vector<std::uint16_t> source(kWords, 0x5A5A);
  std::vector<std::uint16_t> destination(kWords);
  for (auto _ : state) {
    std::memcpy(destination.data(), source.data(), kBytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMicrosecond);

// The copy under the fetch's conditions.
void BM_PlainCopyOfAnotherThreadsWrites(benchmark::State &state) {
  std::vector<std::uint16_t> source(kWords);
  std::vector<std::uint16_t> destination(kWords);
  std::uint16_t fill = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::thread([&] { std::memset(source.data(), ++fill, kBytes); }).join();
    std::this_thread::sleep_for(kPoll);
    state.ResumeTiming();
    std::memcpy(destination.data(), source.data(), kBytes);
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PlainCopyOfAnotherThreadsWrites)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
