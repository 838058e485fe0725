// A full repaint of the graph window on the real screen (run it under
// xvfb-run or on a desktop): the redraw is flushed and the X server waited
// for, so the figure includes the drawing itself.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "graph_fixture.h"
// After the program's headers: X's macros would clash with control names.
#include <FL/Fl.H>
#include <FL/x.H>

namespace {

void BM_FullRepaintOnScreen(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  GraphBench bench(true);
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
BENCHMARK(BM_FullRepaintOnScreen)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
