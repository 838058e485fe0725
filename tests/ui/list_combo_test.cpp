#include <gtest/gtest.h>

#include <string>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

struct Lists : Form {
  Lists() {
    SetClientSize(571, 625);
    Etc.SetBounds(8, 544, 553, 65);
    Err.SetBounds(8, 448, 265, 73);
    TFont red = Font();
    red.color = clRed;
    Err.SetFont(red);
    Slot.SetStyle(csDropDownList);
    for (int i = 0; i <= 15; ++i) Slot.AddItem(Format("%.2d", i));
    Slot.AddItem("Auto");
    Count.SetItems({"Auto"});
  }
  ListBox Etc{this};
  ListBox Err{this};
  ComboBox Slot{this};
  ComboBox Count{this};
  Label Caption{this};
};

class ListComboTest : public ::testing::Test {
 protected:
  Application app{"tamrix"};
  Lists &f = app.CreateForm<Lists>();

  // The program's way of following a list: one line further than before.
  static void Append(ListBox &l, const std::string &line) {
    l.Add(line);
    l.SetItemIndex(l.ItemIndex() + 1);
  }
};

TEST_F(ListComboTest, AddCountClearAndItemAccess) {
  EXPECT_EQ(f.Etc.Add("a"), 0);
  EXPECT_EQ(f.Etc.Add("b"), 1);
  EXPECT_EQ(f.Etc.Count(), 2);
  EXPECT_EQ(f.Etc.Item(1), "b");
  EXPECT_THROW(f.Etc.Item(2), RangeError);
  EXPECT_THROW(f.Etc.Item(-1), RangeError);
  f.Etc.SetItemIndex(1);
  f.Etc.Clear();
  EXPECT_EQ(f.Etc.Count(), 0);
  EXPECT_EQ(f.Etc.ItemIndex(), -1);
  EXPECT_EQ(f.Etc.TopIndex(), 0);
}

TEST_F(ListComboTest, ItemIndexOutsideTheLinesSelectsNothing) {
  EXPECT_EQ(f.Etc.ItemIndex(), -1);
  f.Etc.SetItemIndex(0);
  EXPECT_EQ(f.Etc.ItemIndex(), -1) << "empty list";
  f.Etc.Add("x");
  f.Etc.SetItemIndex(0);
  EXPECT_EQ(f.Etc.ItemIndex(), 0);
  f.Etc.SetItemIndex(1);
  EXPECT_EQ(f.Etc.ItemIndex(), -1);
  f.Etc.SetItemIndex(-5);
  EXPECT_EQ(f.Etc.ItemIndex(), -1);
}

TEST_F(ListComboTest, FollowingTheEndAndAfterAClick) {
  for (int i = 0; i < 10; ++i) Append(f.Etc, "line " + std::to_string(i));
  EXPECT_EQ(f.Etc.ItemIndex(), 9);
  // 65 pixels of list show four lines of a 15-pixel font.
  EXPECT_EQ(f.Etc.VisibleLines(), 4);
  EXPECT_EQ(f.Etc.TopIndex(), 6) << "the selected line is scrolled into view";
  f.Etc.SetItemIndex(2);  // the operator clicks the third line
  EXPECT_EQ(f.Etc.TopIndex(), 2);
  Append(f.Etc, "line 10");
  EXPECT_EQ(f.Etc.ItemIndex(), 3);
  EXPECT_EQ(f.Etc.Count(), 11);
}

TEST_F(ListComboTest, ALineWiderThanTheListBringsAHorizontalBar) {
  for (int i = 0; i < 3; ++i) Append(f.Err, "00" + std::to_string(i + 1) + " TAMRIX_SUCCESS");
  EXPECT_FALSE(f.Err.HorizontalScrollBar());
  EXPECT_EQ(f.Err.VisibleLines(), 4) << "73 pixels: four lines";
  Append(f.Err, "004 DLL関数(TamrixGetLastError)が見つからないよ～");
  EXPECT_GT(f.Err.ScrollWidth() + ListBox::kLinePadding, f.Err.Width() - 2 * ListBox::kFrame);
  EXPECT_TRUE(f.Err.HorizontalScrollBar());
  EXPECT_EQ(f.Err.VisibleLines(), 3) << "the bar takes a line's room";
  Append(f.Err, "005 TAMRIX_SUCCESS");
  EXPECT_EQ(f.Err.TopIndex(), 2) << "the newest line stays above the bar";
  f.Err.Clear();
  EXPECT_FALSE(f.Err.HorizontalScrollBar());
  EXPECT_EQ(f.Err.ScrollWidth(), 0);
}

TEST_F(ListComboTest, FontColourIsOneForTheWholeList) {
  EXPECT_EQ(f.Etc.Font().color, clWindowText);
  EXPECT_EQ(f.Err.Font().color, clRed) << "own font";
  f.Etc.SetFontColor(clRed);
  EXPECT_EQ(f.Etc.Font().color, clRed);
  EXPECT_EQ(f.Etc.Font().height, 15) << "only the colour changes";
  f.Etc.SetFontColor(clWindowText);
  EXPECT_EQ(f.Etc.Font().color, clWindowText);
  f.Err.SetFontColor(clBlue);
  f.Err.Clear();
  EXPECT_EQ(f.Err.Font().color, clBlue) << "emptying keeps the colour";
  // A window font change reaches lists that follow it, not the red one.
  TFont big = f.Font();
  big.height = 20;
  f.SetFont(big);
  EXPECT_EQ(f.Etc.Font().height, 15) << "Etc took its own font when recoloured";
  EXPECT_EQ(f.Caption.Font().height, 20);
  EXPECT_EQ(f.Err.Font().height, 15);
}

TEST_F(ListComboTest, DropDownListShowsOnlyItems) {
  EXPECT_EQ(f.Slot.ItemCount(), 17);
  EXPECT_EQ(f.Slot.ItemIndex(), -1);
  EXPECT_EQ(f.Slot.Text(), "");
  f.Slot.SetItemIndex(0);
  EXPECT_EQ(f.Slot.Text(), "00");
  f.Slot.SetItemIndex(16);
  EXPECT_EQ(f.Slot.Text(), "Auto");
  f.Slot.SetText("07");
  EXPECT_EQ(f.Slot.ItemIndex(), 7);
  f.Slot.SetText("99");
  EXPECT_EQ(f.Slot.ItemIndex(), -1);
  EXPECT_EQ(f.Slot.Text(), "");
  f.Slot.SetItemIndex(17);
  EXPECT_EQ(f.Slot.ItemIndex(), -1);
  EXPECT_THROW(f.Slot.Item(17), RangeError);
}

TEST_F(ListComboTest, EditableBoxTypingLeavesNoSelection) {
  f.Count.SetText("1");
  f.Count.SetItemIndex(0);
  EXPECT_EQ(f.Count.Text(), "Auto");
  EXPECT_EQ(f.Count.ItemIndex(), 0);
  f.Count.SetText("500");
  EXPECT_EQ(f.Count.ItemIndex(), -1);
  EXPECT_EQ(f.Count.Text(), "500");
  f.Count.SetText("Auto");  // typed, even if it matches the item
  EXPECT_EQ(f.Count.ItemIndex(), -1);
  f.Count.SetItemIndex(0);
  f.Count.SetItems({"Auto", "10"});
  EXPECT_EQ(f.Count.ItemIndex(), -1);
  EXPECT_EQ(f.Count.Text(), "Auto") << "the typed field keeps its text";
  f.Count.SetDropDownCount(0);
  EXPECT_EQ(f.Count.DropDownCount(), 1);
}

TEST_F(ListComboTest, LabelSizesItselfToItsText) {
  Label &l = f.Caption;
  l.SetBounds(152, 12, 26, 15);
  l.SetCaption(" -- ");
  EXPECT_EQ(l.Left(), 152);
  EXPECT_EQ(l.Height(), 15);
  const int dashes = l.Width();
  EXPECT_GT(dashes, 0);
  l.SetCaption(" OK ");
  EXPECT_EQ(l.Width(), dashes) << "four half-width characters either way";
  l.SetCaption("その他のﾒｯｾｰｼﾞ");
  EXPECT_EQ(l.Width(), app.Measurer().Measure(l.Font(), "その他のﾒｯｾｰｼﾞ").width);
  EXPECT_GT(l.Width(), 2 * dashes);
  l.SetBounds(0, 0, 5, 5);
  EXPECT_EQ(l.Width(), app.Measurer().Measure(l.Font(), "その他のﾒｯｾｰｼﾞ").width);
  l.SetAutoSize(false);
  l.SetBounds(1, 2, 30, 15);
  l.SetCaption(" NG - a much longer caption ");
  EXPECT_EQ(l.BoundsRect(), (TRect{1, 2, 30, 15}));
}

TEST(ApproximateMeasurer, HalfWidthAndFullWidthCharacters) {
  ApproximateTextMeasurer m;
  const TFont f;  // 15 pixels
  EXPECT_EQ(m.Measure(f, ""), (TextExtent{0, 15}));
  const int half = m.Measure(f, "ｱｱｱｱ").width;
  EXPECT_EQ(m.Measure(f, "abcd").width, half);
  EXPECT_EQ(m.Measure(f, "アア").width, 30);
  EXPECT_LT(half, 30);
  // A broken byte counts as one character, not as the rest of the string.
  EXPECT_EQ(m.Measure(f, std::string("\xE3") + "a").width, m.Measure(f,
                                                                     "\xEF\xBF\xBD"
                                                                     "a")
                                                               .width);
}

}  // namespace
}  // namespace tamrix::ui
