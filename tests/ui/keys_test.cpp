#include "tamrix_ui/keys.h"

#include <gtest/gtest.h>

#include "tamrix_ui/color.h"

namespace tamrix::ui {
namespace {

TEST(Keys, ShortCutTextRoundTrips) {
  EXPECT_EQ(TextToShortCut("Alt+X"), scAlt | 'X');
  EXPECT_EQ(TextToShortCut("alt+x"), scAlt | 'X');
  EXPECT_EQ(TextToShortCut("F1"), vkF1);
  EXPECT_EQ(TextToShortCut("F12"), vkF1 + 11);
  EXPECT_EQ(TextToShortCut("Ctrl+Shift+S"), scCtrl | scShift | 'S');
  EXPECT_EQ(TextToShortCut("F13"), scNone);
  EXPECT_EQ(TextToShortCut("Hyper+X"), scNone);
  EXPECT_EQ(TextToShortCut(""), scNone);
  for (const char *text : {"Alt+X", "F1", "Shift+Ctrl+S", "Esc", "Enter"})
    EXPECT_EQ(ShortCutToText(TextToShortCut(text)), text);
}

TEST(Keys, Mnemonics) {
  EXPECT_EQ(MnemonicOf("ﾌｧｲﾙ(&F)"), 'F');
  EXPECT_EQ(MnemonicOf("ﾌﾟﾛｸﾞﾗﾑの終了(&x)"), 'X');
  EXPECT_EQ(MnemonicOf("目次"), 0);
  EXPECT_EQ(MnemonicOf("A&&B"), 0);
  EXPECT_EQ(MnemonicOf("A&&B&c"), 'C');
  EXPECT_EQ(MnemonicOf("ends&"), 0);
  EXPECT_EQ(StripMnemonic("ﾍﾙﾌﾟ(&H)"), "ﾍﾙﾌﾟ(H)");
  EXPECT_EQ(StripMnemonic("A&&B"), "A&B");
}

TEST(Colors, ValuesAreBgrAndSystemColoursResolve) {
  EXPECT_EQ(RGB(255, 0, 0), clRed);
  EXPECT_EQ(RGB(0, 0, 255), clBlue);
  EXPECT_EQ(RedOf(clOlive), 128);
  EXPECT_EQ(BlueOf(clOlive), 0);
  EXPECT_EQ(ColorToRGB(0x80000008), clBlack);
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(0x00FFFF), clYellow);
  EXPECT_TRUE(IsSystemColor(clBtnFace));
  EXPECT_FALSE(IsSystemColor(clWhite));
}

}  // namespace
}  // namespace tamrix::ui
