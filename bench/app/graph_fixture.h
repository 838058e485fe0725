#pragma once

// The check program's windows with a full graph: 16 channels of 4,099
// samples, either noise (the worst case: a long vertical stroke per sample)
// or one sine cycle per channel, like the board's own signals.
#include <cmath>
#include <memory>
#include <random>

#include "Graph.h"
#include "Modeset.h"
#include "main.h"
#include "program_fonts.h"

struct GraphBench {
  enum class Signal { kNoise, kSine };

  explicit GraphBench(bool on_screen, Signal signal = Signal::kNoise) : app("/opt/tamrix/tamrix") {
    if (on_screen) app.UseScreen(ProgramScreenFont());
    MainForm = &app.CreateForm<TMainForm>();
    GraphForm = &app.CreateForm<TGraphForm>();
    ModeSetForm = &app.CreateForm<TModeSetForm>();
    auto table = std::make_unique<ChannelTable>();
    std::mt19937 random(1);
    for (int c = 0; c < kChannelCount; ++c) {
      for (int i = 0; i < kChannelCapacity; ++i) {
        const double phase = 6.2831853 * (i + 256 * c) / kChannelCapacity;
        (*table)[c][i] = signal == Signal::kNoise
                             ? static_cast<std::uint16_t>(random() % 4096)
                             : static_cast<std::uint16_t>(2047.5 + 2047 * std::sin(phase));
      }
    }
    GraphForm->SetData(kChannelCapacity, 0, 15, *table);
    MainForm->Show();
    GraphForm->Show();
  }
  ~GraphBench() { app.DestroyForms(); }

  tamrix::ui::Application app;
};
