// The simulated boards with a scenario of noisy shaped signals, beside the
// documented boards and a plain copy, all in one run:
// - a fetch of 65,536 words from a full buffer: noisy, the default, and a
//   plain copy of the same 128 KiB (goal: noisy at most 4 times the copy;
//   the default as in bench_driver);
// - four boards sampling sixteen channels at 2 us, drained as they fill: the
//   driver's share of one core, noisy and default (goal: noisy under 5 %).
// The scenario goes in through the load control, so one process runs both.
#include <benchmark/benchmark.h>
#include <time.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plain_copy.h"
#include "tamrix.h"
#include "tamrix_sim.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kWords = 65'536;
constexpr std::size_t kBytes = kWords * sizeof(std::uint16_t);
constexpr std::uint32_t kFetchesPerFill = 4;
constexpr std::array<std::uint16_t, 4> kBoards{0, 1, 2, 5};

// Every channel of every board a sine with noise; or nothing changed.
std::string ScenarioText(bool noisy) {
  if (!noisy) return "";
  std::string text = "seed = 1\n";
  for (std::uint16_t slot : kBoards) {
    for (unsigned channel = 0; channel < 16; ++channel) {
      text += "[board." + std::to_string(slot) + ".channel." + std::to_string(channel) +
              "]\nsignal = \"sine\"\nfrequency_hz = " + std::to_string(1000 + 10 * channel) +
              "\namplitude = 1500\nnoise = 3\n";
    }
  }
  return text;
}

bool Load(benchmark::State &state, bool noisy) {
  char why[256];
  if (tamrix_sim_load("bench.toml", ScenarioText(noisy).c_str(), why, sizeof why) != 0) {
    state.SkipWithError(why);
    return false;
  }
  return true;
}

double CpuSeconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A board sampling sixteen channels at the converter's limit.
class Board {
 public:
  Board(std::uint16_t slot, std::uint32_t buffer_words) : slot_(slot), buffer_words_(buffer_words) {
    std::uint16_t scratch = 0;
    open_ = TamrixCreate(&slot_, 0, &scratch) == 1;
    const ModeRecord mode{
        .ChFirst = 0, .ChLast = 15, .BuffSize = buffer_words, .Timer = 2, .Mode = 3};
    ready_ = open_ && TamrixSetMode(slot_, &mode) == 1;
  }
  ~Board() {
    if (open_) TamrixClose(slot_);
  }
  Board(const Board &) = delete;
  Board &operator=(const Board &) = delete;

  bool Ready() const { return ready_; }
  bool Start() { return TamrixStartSampling(slot_) == 1; }
  bool Stop() { return TamrixStopSampling(slot_) == 1; }
  std::uint32_t Waiting() {
    std::uint32_t waiting = 0;
    std::uint32_t bits = 0;
    TamrixGetSamplingStatus(slot_, &waiting, &bits);
    return waiting;
  }
  // Samples until the buffer is full, then halts.
  bool Fill() {
    if (!Start()) return false;
    while (Waiting() < buffer_words_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return TamrixStopSampling(slot_) == 1;
  }
  bool Fetch(std::uint16_t *words, std::uint32_t count) {
    return TamrixGetData(slot_, count, words) == 1;
  }

 private:
  std::uint16_t slot_;
  std::uint32_t buffer_words_;
  bool open_ = false;
  bool ready_ = false;
};

void Fetch(benchmark::State &state, bool noisy) {
  if (!Load(state, noisy)) return;
  Board board(0, kFetchesPerFill * kWords);
  if (!board.Ready()) {
    state.SkipWithError("no board for the mode");
    return;
  }
  std::vector<std::uint16_t> words(kWords);
  std::uint32_t fetches_left = 0;
  for (auto _ : state) {
    if (fetches_left == 0) {
      if (!board.Fill() || !board.Fetch(words.data(), kWords)) {
        state.SkipWithError("buffer did not fill");
        break;
      }
      fetches_left = kFetchesPerFill - 1;
    }
    const auto start = Clock::now();
    const bool fetched = board.Fetch(words.data(), kWords);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (!fetched) {
      state.SkipWithError("fetch refused");
      break;
    }
    --fetches_left;
    benchmark::DoNotOptimize(words.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}

void BM_FetchDefault(benchmark::State &state) { Fetch(state, false); }
void BM_FetchNoisy(benchmark::State &state) { Fetch(state, true); }
BENCHMARK(BM_FetchDefault)->Iterations(30)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchNoisy)->Iterations(30)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK(tamrix::bench::BM_PlainCopy)->Name("BM_PlainCopy")->Unit(benchmark::kMicrosecond);

// The copy the noisy fetch amounts to: 128 KiB pieces of a store of four
// that another thread wrote half a second before (as long as the sampling
// thread takes to fill the buffer at the converter's limit), the first piece
// after each write untimed as in the fetch.
void BM_PlainCopyOfAStoreAnotherThreadWrote(benchmark::State &state) {
  std::vector<std::uint16_t> source(kFetchesPerFill * kWords);
  std::vector<std::uint16_t> destination(kWords);
  std::uint16_t fill = 0;
  std::uint32_t piece = kFetchesPerFill;
  for (auto _ : state) {
    if (piece == kFetchesPerFill) {
      std::thread writer([&] {
        for (std::uint16_t &word : source) word = ++fill;
      });
      writer.join();
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      std::memcpy(destination.data(), source.data(), kBytes);
      piece = 1;
    }
    const auto start = Clock::now();
    std::memcpy(destination.data(), source.data() + std::size_t{piece} * kWords, kBytes);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    ++piece;
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kBytes);
}
BENCHMARK(BM_PlainCopyOfAStoreAnotherThreadWrote)
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// One second of four boards sampling, drained every 20 ms: the sampling
// threads' share of a core is the process's CPU time less this thread's,
// which drains (its share is told beside).
void SamplingShare(benchmark::State &state, bool noisy) {
  if (!Load(state, noisy)) return;
  constexpr std::uint32_t kBuffer = 262'144;
  std::vector<std::unique_ptr<Board>> boards;
  for (std::uint16_t slot : kBoards) {
    boards.push_back(std::make_unique<Board>(slot, kBuffer));
    if (!boards.back()->Ready()) {
      state.SkipWithError("no board for the mode");
      return;
    }
  }
  std::vector<std::uint16_t> words(kBuffer);
  double share = 0;
  double drain = 0;
  for (auto _ : state) {
    for (auto &board : boards) board->Start();
    const double process = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double self = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    const auto start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(1)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (auto &board : boards) {
        if (const std::uint32_t waiting = board->Waiting()) board->Fetch(words.data(), waiting);
      }
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double driver = (CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process) -
                          (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - self);
    state.SetIterationTime(wall);
    share += driver / wall;
    drain += (CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - self) / wall;
    for (auto &board : boards) board->Stop();
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["sampling_core_percent"] = 100 * share / runs;
  state.counters["drain_core_percent"] = 100 * drain / runs;  // this thread's fetches
}

void BM_FourBoardsDefault(benchmark::State &state) { SamplingShare(state, false); }
void BM_FourBoardsNoisy(benchmark::State &state) { SamplingShare(state, true); }
BENCHMARK(BM_FourBoardsDefault)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FourBoardsNoisy)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
