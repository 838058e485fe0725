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

namespace {

TShortCut CodeOfKey(int k) {
  if (k >= 'a' && k <= 'z') return static_cast<TShortCut>(k - 'a' + 'A');
  if (k >= '0' && k <= '9') return static_cast<TShortCut>(k);
  if (k >= FL_KP + '0' && k <= FL_KP + '9') return static_cast<TShortCut>(k - FL_KP);
  if (k >= FL_F + 1 && k <= FL_F + 12) return static_cast<TShortCut>(vkF1 + (k - FL_F - 1));
  switch (k) {
    case FL_Enter:
    case FL_KP_Enter: return vkReturn;
    case FL_Escape: return vkEscape;
    case FL_Tab: return vkTab;
    case ' ': return vkSpace;
    case FL_Page_Up: return vkPrior;
    case FL_Page_Down: return vkNext;
    case FL_End: return vkEnd;
    case FL_Home: return vkHome;
    case FL_Left: return vkLeft;
    case FL_Up: return vkUp;
    case FL_Right: return vkRight;
    case FL_Down: return vkDown;
    default: return scNone;
  }
}

}  // namespace

TShortCut KeyOfEvent() {
  const TShortCut code = CodeOfKey(Fl::event_key());
  if (code == scNone) return scNone;
  TShortCut mods = 0;
  if (Fl::event_state(FL_SHIFT)) mods |= scShift;
  if (Fl::event_state(FL_CTRL)) mods |= scCtrl;
  if (Fl::event_state(FL_ALT)) mods |= scAlt;
  return static_cast<TShortCut>(mods | code);
}

}  // namespace tamrix::ui::view
