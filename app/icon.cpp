#include "icon.h"

#include <cmath>

using namespace tamrix::ui;

// A board's screen: a navy face in a grey frame, a teal grid, and two
// traces, a lime sine over a yellow step line.
TIcon ProgramIcon() {
  constexpr int kSize = 32;
  TIcon icon{kSize, kSize, std::vector<TColor>(std::size_t{kSize} * kSize, clNavy)};
  auto put = [&icon](int x, int y, TColor c) {
    if (x >= 0 && x < kSize && y >= 0 && y < kSize) icon.pixels[y * kSize + x] = c;
  };
  for (int i = 0; i < kSize; ++i) {
    for (int edge : {0, kSize - 1}) {
      put(i, edge, clSilver);
      put(edge, i, clGray);
    }
  }
  for (int y = 4; y < kSize - 1; y += 6) {
    for (int x = 2; x < kSize - 1; x += 2) put(x, y, clTeal);
  }
  for (int x = 2; x < kSize - 2; ++x) {
    put(x, (x / 7) % 2 == 0 ? 22 : 26, clYellow);
    if (x % 7 == 0) {
      for (int y = 22; y <= 26; ++y) put(x, y, clYellow);
    }
  }
  for (int x = 2; x < kSize - 2; ++x) {
    const int y = 12 - static_cast<int>(std::lround(7 * std::sin((x - 2) * 6.2831853 / 27)));
    put(x, y, clLime);
    put(x, y + 1, clLime);
  }
  return icon;
}
