// Fonts as the layout gives them: a face name, a character height in pixels
// at 120 pixels per inch, and a text colour.
#pragma once

#include <string>

#include "tamrix_ui/color.h"

namespace tamrix::ui {

struct TFont {
  std::string name = "ＭＳ Ｐゴシック";
  int height = 15;
  TColor color = clWindowText;

  bool operator==(const TFont &) const = default;
};

}  // namespace tamrix::ui
