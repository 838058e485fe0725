// Text extents for labels that size themselves to their caption. Headless
// runs use an approximation; the screen view measures with the real font.
#pragma once

#include <string_view>

#include "tamrix_ui/font.h"

namespace tamrix::ui {

struct TextExtent {
  int width = 0;
  int height = 0;
  bool operator==(const TextExtent &) const = default;
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Extent in 120-ppi layout pixels.
  virtual TextExtent Measure(const TFont &font, std::string_view utf8) const = 0;
};

// Half the font height for each ASCII or half-width character, the full
// height for every other character; the height is the font height.
class ApproximateTextMeasurer : public TextMeasurer {
 public:
  TextExtent Measure(const TFont &font, std::string_view utf8) const override;
};

}  // namespace tamrix::ui
