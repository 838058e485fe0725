#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

struct MenuForm : Form {
  MenuForm() {
    File.SetCaption("ﾌｧｲﾙ(&F)");
    Exit.SetCaption("ﾌﾟﾛｸﾞﾗﾑの終了(&X)");
    Exit.SetShortCut("Alt+X");
    Exit.OnClick = [this] { log.push_back("exit"); };
    Help.SetCaption("ﾍﾙﾌﾟ(&H)");
    Contents.SetCaption("目次");
    Contents.SetShortCut("F1");
    Contents.OnClick = [this] { log.push_back("help"); };
    Go.SetTabOrder(2);
    Slots.SetTabOrder(0);
    Inner.SetTabOrder(1);
    InnerEdit.SetTabOrder(0);
    Notes.SetTabOrder(3);
    Go.OnClick = [this] { log.push_back("go"); };
  }
  MainMenu Menu1{this};
  MenuItem File{&Menu1};
  MenuItem Exit{&File};
  MenuItem Help{&Menu1};
  MenuItem Contents{&Help};
  Button Go{this};
  ComboBox Slots{this};
  Panel Inner{this};
  Edit InnerEdit{&Inner};
  Label Caption{this};
  ListBox Notes{this};
  std::vector<std::string> log;
};

class KeyboardTest : public ::testing::Test {
 protected:
  Application app{"tamrix"};
  MenuForm &f = app.CreateForm<MenuForm>();
};

TEST_F(KeyboardTest, ShortcutsActWhateverHasTheFocus) {
  for (Control *focus : std::vector<Control *>{nullptr, &f.Go, &f.Slots, &f.InnerEdit, &f.Notes}) {
    f.SetActiveControl(focus);
    EXPECT_TRUE(f.KeyDown(scAlt | 'X'));
    EXPECT_TRUE(f.KeyDown(vkF1));
  }
  EXPECT_EQ(f.log.size(), 10u);
  EXPECT_EQ(f.log.front(), "exit");
  EXPECT_EQ(f.log.back(), "help");
  EXPECT_FALSE(f.KeyDown(vkF1 + 1));
  f.Contents.SetEnabled(false);
  EXPECT_FALSE(f.KeyDown(vkF1));
  EXPECT_EQ(f.log.size(), 10u);
}

TEST_F(KeyboardTest, AltLetterOpensMenuByMnemonic) {
  EXPECT_TRUE(f.KeyDown(scAlt | 'F'));
  EXPECT_EQ(f.OpenMenu(), &f.File);
  EXPECT_TRUE(f.KeyDown('Q'));  // not in the menu: swallowed, menu stays open
  EXPECT_EQ(f.OpenMenu(), &f.File);
  EXPECT_TRUE(f.KeyDown('X'));
  EXPECT_EQ(f.OpenMenu(), nullptr);
  EXPECT_EQ(f.log, std::vector<std::string>{"exit"});

  EXPECT_TRUE(f.KeyDown(scAlt | 'H'));
  EXPECT_EQ(f.OpenMenu(), &f.Help);
  EXPECT_TRUE(f.KeyDown(vkEscape));
  EXPECT_EQ(f.OpenMenu(), nullptr);
  EXPECT_FALSE(f.KeyDown(scAlt | 'Z'));
  // F1 (key code 0x70, like 'p') is never taken for a letter.
  f.File.SetCaption("&pause");
  EXPECT_FALSE(f.KeyDown(scAlt | vkF1));
  EXPECT_EQ(f.OpenMenu(), nullptr);
}

TEST_F(KeyboardTest, TabOrderFollowsNumbersAndNestsPanels) {
  const std::vector<Control *> expected = {&f.Slots, &f.InnerEdit, &f.Go, &f.Notes};
  EXPECT_EQ(f.TabOrderList(), expected) << "labels and panels take no focus";
  f.SetActiveControl(&f.Go);
  EXPECT_TRUE(f.KeyDown(vkTab));
  EXPECT_EQ(f.ActiveControl(), &f.Notes);
  f.KeyDown(vkTab);
  EXPECT_EQ(f.ActiveControl(), &f.Slots) << "wraps around";
  f.KeyDown(scShift | vkTab);
  EXPECT_EQ(f.ActiveControl(), &f.Notes);
  f.Inner.Hide();
  EXPECT_EQ(f.TabOrderList().size(), 3u);
}

struct DialogForm : Form {
  DialogForm() {
    Mode.SetStyle(csDropDownList);
    for (int n = 1; n <= 10; ++n) Mode.AddItem(Format("%.2d", n));
    Mode.SetDropDownCount(17);
    Mode.SetItemIndex(2);
    Ok.SetDefault(true);
    Ok.SetModalResult(mrOk);
    Cancel.SetCancel(true);
    Cancel.SetModalResult(mrCancel);
    Other.OnClick = [this] { ++other_clicks; };
  }
  Edit Text{this};
  ComboBox Mode{this};
  Button Ok{this};
  Button Cancel{this};
  Button Other{this};
  int other_clicks = 0;
};

TEST_F(KeyboardTest, EnterAndEscInAModalDialog) {
  auto &d = app.CreateForm<DialogForm>();
  EXPECT_EQ(d.DefaultButton(), &d.Ok);
  EXPECT_EQ(d.CancelButton(), &d.Cancel);
  app.SetModalHandler([](Form &form) {
    form.SetActiveControl(&static_cast<DialogForm &>(form).Text);
    form.KeyDown(vkReturn);
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  app.SetModalHandler([](Form &form) { form.KeyDown(vkEscape); });
  EXPECT_EQ(d.ShowModal(), mrCancel);
  // Enter on a focused button presses that button instead.
  app.SetModalHandler([](Form &form) {
    auto &dlg = static_cast<DialogForm &>(form);
    dlg.SetActiveControl(&dlg.Other);
    dlg.KeyDown(vkReturn);
    dlg.Cancel.Click();
  });
  EXPECT_EQ(d.ShowModal(), mrCancel);
  EXPECT_EQ(d.other_clicks, 1);
  d.Ok.SetEnabled(false);
  d.SetActiveControl(&d.Text);
  EXPECT_EQ(d.DefaultButton(), nullptr);
  EXPECT_FALSE(d.KeyDown(vkReturn));
}

TEST_F(KeyboardTest, ADropDownListTakesItsKeysOpenOrClosed) {
  auto &d = app.CreateForm<DialogForm>();
  ComboBox &m = d.Mode;
  d.SetActiveControl(&m);
  // Closed: the selection moves, the focus stays.
  const std::pair<TShortCut, int> steps[] = {
      {vkDown, 3},  {vkUp, 2}, {vkEnd, 9}, {vkHome, 0}, {vkNext, 9},
      {vkPrior, 0}, {'1', 9},  {'0', 0},   {'0', 1},    {scShift | 'A', 1}};
  for (const auto &[key, index] : steps) {
    EXPECT_TRUE(d.KeyDown(key)) << ShortCutToText(key);
    EXPECT_EQ(m.ItemIndex(), index) << ShortCutToText(key);
  }
  EXPECT_EQ(d.ActiveControl(), &m);
  EXPECT_FALSE(m.DroppedDown());
  // Open: Esc closes it and restores the selection without cancelling the
  // dialog; Enter closes it without pressing OK.
  EXPECT_TRUE(d.KeyDown(scAlt | vkDown));
  EXPECT_TRUE(m.DroppedDown());
  d.KeyDown(vkDown);
  EXPECT_EQ(m.Text(), "03");
  d.KeyDown(vkEscape);
  EXPECT_FALSE(m.DroppedDown());
  EXPECT_EQ(m.Text(), "02");
  d.KeyDown(vkF4);
  EXPECT_TRUE(m.DroppedDown());
  d.KeyDown(vkEnd);
  d.KeyDown(vkReturn);
  EXPECT_FALSE(m.DroppedDown());
  EXPECT_EQ(m.Text(), "10");
  EXPECT_EQ(d.ModalResult(), mrNone);
  // Closed again: Enter presses the default button, Esc the cancel button.
  d.KeyDown(vkReturn);
  EXPECT_EQ(d.ModalResult(), mrOk);
  d.KeyDown(vkEscape);
  EXPECT_EQ(d.ModalResult(), mrCancel);
  // Tab closes an open list and moves on.
  d.SetActiveControl(&m);
  d.KeyDown(vkF4);
  d.KeyDown(vkTab);
  EXPECT_FALSE(m.DroppedDown());
  EXPECT_NE(d.ActiveControl(), &m);
}

}  // namespace
}  // namespace tamrix::ui
