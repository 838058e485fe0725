#include <FL/Fl.H>

#include "view_context.h"

namespace tamrix::ui::view {

Fl_Color ToFlColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return fl_rgb_color(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

std::string PlainLabel(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '@') out += '@';
    out += c;
  }
  return out;
}

std::string MenuPathPart(std::string_view caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '/' || c == '\\' || (c == '_' && i == 0)) out += '\\';
    out += c;
  }
  return out;
}

int ToFlShortcut(TShortCut s) {
  if (s == scNone) return 0;
  int fl = 0;
  if (s & scAlt) fl |= FL_ALT;
  if (s & scCtrl) fl |= FL_CTRL;
  if (s & scShift) fl |= FL_SHIFT;
  const TShortCut key = KeyOf(s);
  if (key >= vkF1 && key < vkF1 + 12) return fl | (FL_F + 1 + (key - vkF1));
  if (key == vkReturn) return fl | FL_Enter;
  if (key == vkEscape) return fl | FL_Escape;
  if (key == vkTab) return fl | FL_Tab;
  if (key >= 'A' && key <= 'Z') return fl | (key - 'A' + 'a');
  return fl | key;
}

}  // namespace tamrix::ui::view
