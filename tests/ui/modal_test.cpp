#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

struct MainWindow : Form {
  ListBox Notes{this};
};

struct Dialog : Form {
  Dialog() {
    Ok.SetDefault(true);
    Ok.SetModalResult(mrOk);
    CancelButton.SetCancel(true);
    CancelButton.SetModalResult(mrCancel);
    SetBorderStyle(bsDialog);
  }
  Edit Timer{this};
  Button Ok{this};
  Button CancelButton{this};
};

class ModalTest : public ::testing::Test {
 protected:
  Application app{"tamrix"};
  MainWindow &main = app.CreateForm<MainWindow>();
  Dialog &dialog = app.CreateForm<Dialog>();
  void SetUp() override {
    main.SetMessageHandler(0x6402, [this](WPARAM, LPARAM) { main.Notes.Add("BuffHalfFull"); });
  }
};

TEST_F(ModalTest, HandlerDrivesTheDialogAndItsResultComesBack) {
  app.SetModalHandler([](Form &f) {
    auto &d = static_cast<Dialog &>(f);
    EXPECT_TRUE(d.Visible());
    EXPECT_TRUE(d.Modal());
    d.Timer.SetText("250");
    d.Ok.Click();
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(dialog.Timer.Text(), "250");
  EXPECT_FALSE(dialog.Visible());
  EXPECT_FALSE(dialog.Modal());

  app.SetModalHandler([](Form &f) { static_cast<Dialog &>(f).CancelButton.Click(); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  // The controls keep what the operator left there.
  EXPECT_EQ(dialog.Timer.Text(), "250");
}

TEST_F(ModalTest, ClosingOrNoAnswerMeansCancel) {
  app.SetModalHandler([](Form &f) { f.Close(); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  app.SetModalHandler(nullptr);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST_F(ModalTest, PostedMessagesAreDispatchedWhileTheDialogIsOpen) {
  std::vector<std::string> seen_in_dialog;
  app.SetModalHandler([&](Form &f) {
    PostMessageA(main.Handle(), 0x6402, 0, 0);
    app.ProcessMessages();
    seen_in_dialog = main.Notes.Items();
    f.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(seen_in_dialog, std::vector<std::string>{"BuffHalfFull"});
}

TEST_F(ModalTest, ModalLoopRunsPendingMessagesUntilOneEndsIt) {
  dialog.SetMessageHandler(
      0x500, [this](WPARAM w, LPARAM) { dialog.SetModalResult(static_cast<TModalResult>(w)); });
  app.SetModalHandler([&](Form &) {
    PostMessageA(main.Handle(), 0x6402, 0, 0);
    PostMessageA(dialog.Handle(), 0x500, mrOk, 0);
    PostMessageA(main.Handle(), 0x6402, 0, 0);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  // The loop stopped at the closing message; the third waits for the next one.
  EXPECT_EQ(main.Notes.Count(), 1);
  EXPECT_EQ(app.Queue().Pending(), 1u);
}

TEST_F(ModalTest, VisibleFormCannotBeShownModally) {
  dialog.Show();
  EXPECT_THROW(dialog.ShowModal(), Error);
  EXPECT_TRUE(dialog.Visible());
}

TEST_F(ModalTest, ErrorInsideDialogHandlerShownAndDialogStaysUsable) {
  dialog.Ok.OnClick = [this] { StrToInt(dialog.Timer.Text()); };
  app.SetModalHandler([](Form &f) {
    auto &d = static_cast<Dialog &>(f);
    d.Timer.SetText("");
    d.Ok.Click();  // result set before the handler fails
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "'' は整数ではありません");
}

TEST_F(ModalTest, MessageBoxHandlerSeesBoxWhileOpen) {
  std::vector<std::string> during;
  app.SetMessageBoxHandler([&](const MessageBoxRecord &r) {
    PostMessageA(main.Handle(), 0x6402, 0, 0);
    app.ProcessMessages();
    during.push_back(r.text + " / " + std::to_string(main.Notes.Count()));
  });
  app.MessageBox("DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ");
  EXPECT_EQ(during, std::vector<std::string>{"DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ / 1"});
}

}  // namespace
}  // namespace tamrix::ui
