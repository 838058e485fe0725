// The data path of GetData: the channel split beside a plain pass over the
// same words, and a full repaint of the graph onto a recording canvas.
#include <benchmark/benchmark.h>

#include <numeric>

#include "graph_fixture.h"

namespace {

constexpr int kWords = 65536;

std::unique_ptr<SampleBuffer> InterleavedWords() {
  auto buffer = std::make_unique<SampleBuffer>();
  for (int i = 0; i < kWords; ++i) {
    (*buffer)[i] = static_cast<std::uint16_t>((i % 16) << 12 | (i * 7) % 4096);
  }
  return buffer;
}

void BM_PlainPassOverTheWords(benchmark::State &state) {
  auto buffer = InterleavedWords();
  for (auto _ : state) {
    unsigned sum = 0;
    for (int i = 0; i < kWords; ++i) sum += (*buffer)[i] >> 12;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_PlainPassOverTheWords);

void BM_SplitChannels(benchmark::State &state) {
  GraphBench bench(false);
  MainForm->CurrentMode = TModeRecord{0, 15, kWords, 500, 3};
  auto buffer = InterleavedWords();
  auto table = std::make_unique<ChannelTable>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(MainForm->SplitChannels(kWords, *buffer, *table));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWords);
}
BENCHMARK(BM_SplitChannels);

void BM_FullRepaintOnRecordingCanvas(benchmark::State &state) {
  GraphBench bench(false);
  tamrix::ui::RecordingCanvas canvas;
  for (auto _ : state) {
    canvas.Clear();
    GraphForm->PaintBoxGraphPaint(canvas);
    benchmark::DoNotOptimize(canvas.Ops().size());
  }
}
BENCHMARK(BM_FullRepaintOnRecordingCanvas)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
