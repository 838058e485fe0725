#pragma once

// The check program's windows with a full graph: 16 channels of 4,099
// samples of noise-like data, the worst case for the step line.
#include <memory>
#include <random>

#include "Graph.h"
#include "Modeset.h"
#include "main.h"

struct GraphBench {
  explicit GraphBench(bool on_screen) : app("/opt/tamrix/tamrix") {
    if (on_screen) app.UseScreen();
    MainForm = &app.CreateForm<TMainForm>();
    GraphForm = &app.CreateForm<TGraphForm>();
    ModeSetForm = &app.CreateForm<TModeSetForm>();
    auto table = std::make_unique<ChannelTable>();
    std::mt19937 random(1);
    for (auto& row : *table) {
      for (auto& value : row) value = static_cast<std::uint16_t>(random() % 4096);
    }
    GraphForm->SetData(kChannelCapacity, 0, 15, *table);
    MainForm->Show();
    GraphForm->Show();
  }
  ~GraphBench() { app.DestroyForms(); }

  tamrix::ui::Application app;
};
