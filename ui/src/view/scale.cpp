#include <cmath>

#include "tamrix_ui/screen.h"

namespace tamrix::ui {

double ScaleFromDpi(double dpi) {
  // Missing or nonsensical reports (0, NaN, a bogus millimetre size) fall
  // back to the layout's own resolution.
  if (!(dpi >= 30.0 && dpi <= 1000.0)) return 1.0;
  return dpi / 120.0;
}

int ToScreen(int layout_px, double scale) { return static_cast<int>(std::lround(layout_px * scale)); }

int FromScreen(int screen_px, double scale) {
  return scale > 0 ? static_cast<int>(std::lround(screen_px / scale)) : screen_px;
}

}  // namespace tamrix::ui
