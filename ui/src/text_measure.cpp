#include "tamrix_ui/text_measure.h"

#include "tamrix_text/utf8.h"

namespace tamrix::ui {

TextExtent ApproximateTextMeasurer::Measure(const TFont &font, std::string_view utf8) const {
  long half = 0;
  long full = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    if (text::detail::IsHalfWidth(text::detail::NextCodePoint(utf8, i)))
      ++half;
    else
      ++full;
  }
  // A half-width character is a little under half the height wide.
  const long h = font.height;
  const long width = (half * h * 9 + full * h * 20 + 19) / 20;
  return {static_cast<int>(width), font.height};
}

}  // namespace tamrix::ui
