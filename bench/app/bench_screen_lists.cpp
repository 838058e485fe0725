// A driver notification listed on the real screen (run it under xvfb-run
// or on a desktop), with the list already holding 10, 10,000 or 100,000
// lines: from the post, through the program's loop and the list's line and
// selection, to the list drawn and the X server done with it. The cost must
// not grow with the list.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "graph_fixture.h"
#include "tamrix_platform/messages.h"
#include "tamrix_protocol.h"
// After the program's headers: X's macros would clash with control names.
#include <FL/Fl.H>
#include <FL/x.H>

namespace {

// Fills the driver-message list to `lines`, as a session would have left it.
void FillTo(int lines) {
  if (MainForm->ListBoxVxdMsg.Count() > lines) MainForm->ButtonClearListClick();
  while (MainForm->ListBoxVxdMsg.Count() < lines) MainForm->AddVxdMsg("BuffHalfFull");
  Fl::flush();
  XSync(fl_display, False);
}

void BM_NotificationListedOnScreen(benchmark::State &state) {
  if (std::getenv("DISPLAY") == nullptr) {
    state.SkipWithError("no display");
    return;
  }
  // One set of windows for every list length, shown before the first.
  static std::unique_ptr<GraphBench> windows;
  if (!windows) {
    windows = std::make_unique<GraphBench>(true);
    for (int i = 0; i < 50; ++i) {
      windows->app.ProcessMessages();
      Fl::wait(0.01);
    }
  }
  const int lines = static_cast<int>(state.range(0));
  FillTo(lines);
  const HWND window = MainForm->Handle();
  const auto list_one = [&] {
    const int before = MainForm->ListBoxVxdMsg.Count();
    PostMessageA(window, TAMRIX_MSG_BUFF_HALF_FULL, 0, 0);
    while (MainForm->ListBoxVxdMsg.Count() == before) windows->app.View()->WaitOnce();
    Fl::flush();
    XSync(fl_display, False);
  };
  // The first lines drawn warm the fonts and the server up.
  for (int i = 0; i < 200; ++i) list_one();
  int listed = 0;
  for (auto _ : state) {
    // The list grows by at most a thousand lines while measured.
    if (MainForm->ListBoxVxdMsg.Count() >= lines + 1000) {
      state.PauseTiming();
      FillTo(lines);
      state.ResumeTiming();
    }
    list_one();
    ++listed;
  }
  state.counters["listed"] = listed;
}
BENCHMARK(BM_NotificationListedOnScreen)
    ->Arg(10)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
