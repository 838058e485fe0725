#include <algorithm>
#include <cmath>

#include "tamrix_ui/screen.h"
#include "tamrix_ui/screen_font.h"

namespace tamrix::ui {

double ScaleFromDpi(double dpi) {
  // Missing or nonsensical reports (0, NaN, a bogus millimetre size) fall
  // back to the layout's own resolution.
  if (!(dpi >= 30.0 && dpi <= 1000.0)) return 1.0;
  return dpi / 120.0;
}

int ToScreen(int layout_px, double scale) {
  // Half away from zero, as lround, without its library call: every stroke
  // of a graph goes through here.
  const double v = layout_px * scale;
  return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5);
}

int ScreenFont::PixelSize(int layout_height, double scale) const {
  // The small allowance keeps exact products (15 at 13/15 and 1.0 gives 13)
  // from falling a hair short of their integer.
  const double size = layout_height * static_cast<double>(size_numerator) * scale /
                      static_cast<double>(size_denominator);
  return std::max(6, static_cast<int>(std::floor(size + 1e-9)));
}

int FromScreen(int screen_px, double scale) {
  return scale > 0 ? static_cast<int>(std::lround(screen_px / scale)) : screen_px;
}

}  // namespace tamrix::ui
