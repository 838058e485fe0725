#include <gtest/gtest.h>

#include <cmath>

#include "tamrix_ui/screen.h"
#include "tamrix_ui/screen_font.h"

namespace tamrix::ui {
namespace {

TEST(Scale, FromScreenResolution) {
  EXPECT_DOUBLE_EQ(ScaleFromDpi(120), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(96), 0.8);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(144), 1.2);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(0), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(NAN), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(-96), 1.0);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(5000), 1.0);
}

TEST(Scale, PixelsRoundToNearestBothWays) {
  EXPECT_EQ(ToScreen(571, 0.8), 457);
  EXPECT_EQ(ToScreen(625, 0.8), 500);
  EXPECT_EQ(ToScreen(15, 0.8), 12);
  EXPECT_EQ(ToScreen(15, 1.2), 18);
  EXPECT_EQ(FromScreen(457, 0.8), 571);
  EXPECT_EQ(FromScreen(500, 0.8), 625);
  for (int v : {0, 1, 7, 358, 548, 630}) EXPECT_EQ(FromScreen(ToScreen(v, 1.25), 1.25), v);
}

TEST(Scale, ScreenFontSizeRoundsDown) {
  // 13/15 of the layout's 15 pixels, scaled: 10.4, 10.8, 13, 15.6.
  const ScreenFont font{"IPAPGothic", 13, 15};
  EXPECT_EQ(font.PixelSize(15, 0.8), 10);
  EXPECT_EQ(font.PixelSize(15, 100.0 / 120), 10);
  EXPECT_EQ(font.PixelSize(15, 1.0), 13);
  EXPECT_EQ(font.PixelSize(15, 1.2), 15);
  EXPECT_EQ(font.PixelSize(1, 1.0), 6) << "never unreadably small";
  EXPECT_EQ(ScreenFont{}.PixelSize(15, 0.8), 12) << "by default, the layout's own height";
}

}  // namespace
}  // namespace tamrix::ui
