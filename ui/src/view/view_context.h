// What every peer of one screen view shares.
#pragma once

#include <FL/Enumerations.H>

#include <string>
#include <string_view>

#include "tamrix_ui/color.h"
#include "tamrix_ui/font.h"
#include "tamrix_ui/keys.h"
#include "tamrix_ui/screen.h"
#include "tamrix_ui/screen_font.h"

class Fl_Widget;

namespace tamrix::ui {

class Application;

namespace view {

// Every font is shown in this face (the screen font's, registered at start).
constexpr Fl_Font kFont = FL_FREE_FONT;

struct ViewContext {
  Application &app;
  double scale = 1.0;
  ScreenFont font = {};
  // Depth of paint handlers running inside FLTK draw().
  int drawing = 0;

  int Px(int layout) const { return ToScreen(layout, scale); }
  int Layout(int screen) const { return FromScreen(screen, scale); }
  int FontSize(const TFont &f) const { return font.PixelSize(f.height, scale); }
};

Fl_Color ToFlColor(TColor c);
// FLTK reads '@' in labels as a symbol escape.
std::string PlainLabel(std::string_view text);
// FLTK reads '/', '\\' and '_' in menu paths; the '&' mnemonic is kept.
std::string MenuPathPart(std::string_view caption);
int ToFlShortcut(TShortCut s);
// The key of the event being handled, as the forms number keys; 0 for a
// key they have no number for.
TShortCut KeyOfEvent();

}  // namespace view
}  // namespace tamrix::ui
