// A full repaint of the graph window on the real screen (run it under
// xvfb-run or on a desktop): the redraw is flushed and the X server waited
// for, so the figure includes the drawing itself. Run one benchmark per
// process (--benchmark_filter): FLTK keeps text-drawing state across the
// windows of one run that a second set of windows cannot reuse.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "graph_fixture.h"
// After the program's headers: X's macros would clash with control names.
#include <FL/Fl.H>
#include <FL/x.H>

namespace {

void FullRepaintOnScreen(benchmark::State& state, GraphBench::Signal signal) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  GraphBench bench(true, signal);
  // Let the window be mapped and exposed before measuring.
  for (int i = 0; i < 50; ++i) {
    bench.app.ProcessMessages();
    Fl::wait(0.01);
  }
  const int paints_before = GraphForm->PaintBoxGraph.PaintCount();
  for (auto _ : state) {
    GraphForm->PaintBoxGraph.Repaint();
    XSync(fl_display, False);
  }
  state.counters["paints"] = GraphForm->PaintBoxGraph.PaintCount() - paints_before;
}
void BM_FullRepaintOnScreenNoise(benchmark::State& state) {
  FullRepaintOnScreen(state, GraphBench::Signal::kNoise);
}
void BM_FullRepaintOnScreenSine(benchmark::State& state) {
  FullRepaintOnScreen(state, GraphBench::Signal::kSine);
}
BENCHMARK(BM_FullRepaintOnScreenNoise)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_FullRepaintOnScreenSine)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
