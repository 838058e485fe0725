// A full repaint of the graph window on the real screen (run it under
// xvfb-run or on a desktop): the redraw is flushed and the X server waited
// for, so the figure includes the drawing itself. Run one benchmark per
// process (--benchmark_filter): FLTK keeps text-drawing state across the
// windows of one run that a second set of windows cannot reuse. Repetitions
// reuse the windows, and report the worst run beside the median:
//   --benchmark_filter=Noise --benchmark_repetitions=10
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "graph_fixture.h"
// After the program's headers: X's macros would clash with control names.
#include <FL/Fl.H>
#include <FL/x.H>

namespace {

void FullRepaintOnScreen(benchmark::State &state, GraphBench::Signal signal) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  // One set of windows for every repetition, mapped and exposed before
  // the first is measured.
  static std::unique_ptr<GraphBench> windows;
  if (!windows) {
    windows = std::make_unique<GraphBench>(true, signal);
    for (int i = 0; i < 50; ++i) {
      windows->app.ProcessMessages();
      Fl::wait(0.01);
    }
  }
  const int paints_before = GraphForm->PaintBoxGraph.PaintCount();
  for (auto _ : state) {
    GraphForm->PaintBoxGraph.Repaint();
    XSync(fl_display, False);
  }
  state.counters["paints"] = GraphForm->PaintBoxGraph.PaintCount() - paints_before;
}
void BM_FullRepaintOnScreenNoise(benchmark::State &state) {
  FullRepaintOnScreen(state, GraphBench::Signal::kNoise);
}
void BM_FullRepaintOnScreenSine(benchmark::State &state) {
  FullRepaintOnScreen(state, GraphBench::Signal::kSine);
}
double Worst(const std::vector<double> &runs) {
  return *std::max_element(runs.begin(), runs.end());
}
BENCHMARK(BM_FullRepaintOnScreenNoise)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->ComputeStatistics("worst", Worst);
BENCHMARK(BM_FullRepaintOnScreenSine)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->ComputeStatistics("worst", Worst);

}  // namespace

BENCHMARK_MAIN();
