// How the screen view shows the layouts' fonts: every font in one face, at a
// fixed fraction of its layout height. The program chooses both, since only
// it knows which face stands in for the one its layouts were made for.
#pragma once

#include <string>

namespace tamrix::ui {

struct ScreenFont {
  // A fontconfig family name; the toolkit's own sans face unless the program
  // names another.
  std::string face = "sans";
  // Pixel size = layout height * size_numerator / size_denominator * scale.
  int size_numerator = 1;
  int size_denominator = 1;

  // The pixel size for a font of the given layout height, rounded down so
  // that no text outgrows its scaled control, and never below 6.
  int PixelSize(int layout_height, double scale) const;
};

}  // namespace tamrix::ui
