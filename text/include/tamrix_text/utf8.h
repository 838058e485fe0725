// Minimal UTF-8 walking for text measurement.
#pragma once

#include <cstdint>
#include <string_view>

namespace tamrix::text::detail {

// Decodes the code point at text[i] and advances i; malformed bytes come
// out one at a time as U+FFFD.
inline char32_t NextCodePoint(std::string_view text, std::size_t &i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  const int extra = (b >> 5) == 0x6 ? 1 : (b >> 4) == 0xE ? 2 : (b >> 3) == 0x1E ? 3 : -1;
  if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    const auto c = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += static_cast<std::size_t>(extra) + 1;
  return cp;
}

// ASCII and half-width katakana take half the width of other characters.
inline bool IsHalfWidth(char32_t cp) { return cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F); }

}  // namespace tamrix::text::detail
