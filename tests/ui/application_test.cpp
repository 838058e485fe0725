#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

TEST(ApplicationTitle, FromProgramFileName) {
  EXPECT_EQ(Application::TitleFromProgramPath("tamrix"), "Tamrix");
  EXPECT_EQ(Application::TitleFromProgramPath("/work/build/bin/tamrix"), "Tamrix");
  EXPECT_EQ(Application::TitleFromProgramPath("C:\\TAMRIX\\TAMRIX.EXE"), "Tamrix");
  EXPECT_EQ(Application::TitleFromProgramPath("./tamrixCheck.bin"), "Tamrixcheck");
  EXPECT_EQ(Application::TitleFromProgramPath("/usr/lib/.hidden"), ".hidden");
  EXPECT_EQ(Application::TitleFromProgramPath(""), "");
}

TEST(ApplicationTitle, UsedForMessageBoxes) {
  Application app("/opt/x/tamrix");
  EXPECT_EQ(app.Title(), "Tamrix");
  EXPECT_EQ(MessageBox("DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ"), mrOk);
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].title, "Tamrix");
  EXPECT_EQ(app.MessageBoxes()[0].text, "DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ");
  EXPECT_EQ(app.MessageBoxes()[0].type, mtNone);
}

TEST(ApplicationTitle, OnlyOneApplicationAtATime) {
  Application app("tamrix");
  EXPECT_THROW(Application("other"), std::logic_error);
  EXPECT_EQ(&Application::Current(), &app);
}

// A form whose handlers write to a shared log, reading its own controls.
class LoggingForm : public Form {
 public:
  LoggingForm(std::string name, std::vector<std::string> &log) : log_(log) {
    SetName(std::move(name));
    List.SetName("List");
    Combo.SetStyle(csDropDownList);
    Combo.SetItems({"00", "01"});
    OnCreate = [this] {
      Combo.SetItemIndex(0);
      log_.push_back("create " + Name() + " combo=" + Combo.Text());
    };
    OnDestroy = [this] {
      List.Add("closing");
      log_.push_back("destroy " + Name() + " lines=" + std::to_string(List.Count()));
    };
  }
  ListBox List{this};
  ComboBox Combo{this};

 private:
  std::vector<std::string> &log_;
};

TEST(ApplicationForms, CreatedInOrderFirstIsMainDestroyedLastFirst) {
  std::vector<std::string> log;
  {
    Application app("tamrix");
    auto &main = app.CreateForm<LoggingForm>("Main", log);
    auto &graph = app.CreateForm<LoggingForm>("Graph", log);
    app.CreateForm<LoggingForm>("Mode", log);
    EXPECT_EQ(app.MainForm(), &main);
    EXPECT_EQ(app.Forms().at(1), &graph);
    EXPECT_FALSE(main.Visible());
    app.DestroyForms();
    EXPECT_EQ(app.MainForm(), nullptr);
  }
  const std::vector<std::string> expected = {"create Main combo=00",  "create Graph combo=00",
                                             "create Mode combo=00",  "destroy Mode lines=1",
                                             "destroy Graph lines=1", "destroy Main lines=1"};
  EXPECT_EQ(log, expected);
}

TEST(ApplicationForms, HandlesAreDistinctAndDieWithTheirForm) {
  Application app("tamrix");
  std::vector<std::string> log;
  auto &a = app.CreateForm<LoggingForm>("A", log);
  auto &b = app.CreateForm<LoggingForm>("B", log);
  const HWND ha = a.Handle(), hb = b.Handle();
  EXPECT_NE(ha, 0u);
  EXPECT_NE(ha, hb);
  EXPECT_EQ(app.FindForm(hb), &b);
  app.DestroyForms();
  EXPECT_EQ(app.FindForm(hb), nullptr);
  EXPECT_EQ(PostMessageA(ha, 0x6401, 0, 0), 0);
}

TEST(ApplicationRun, ShowsMainFormAndEndsWhenItCloses) {
  std::vector<std::string> log;
  Application app("tamrix");
  auto &main = app.CreateForm<LoggingForm>("Main", log);
  auto &other = app.CreateForm<LoggingForm>("Other", log);
  main.SetMessageHandler(0x400, [&](WPARAM, LPARAM) {
    log.push_back(std::string("visible=") + (main.Visible() ? "1" : "0"));
    other.Show();
    other.Close();  // not the main form: only hides
    log.push_back(std::string("other=") + (other.Visible() ? "1" : "0"));
    main.Close();
  });
  ASSERT_NE(PostMessageA(main.Handle(), 0x400, 0, 0), 0);
  app.Run();
  EXPECT_TRUE(app.Forms().empty());
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[2], "visible=1");
  EXPECT_EQ(log[3], "other=0");
  EXPECT_EQ(log.back(), "destroy Main lines=1");
}

TEST(ApplicationRun, ExceptionInCreateHandlerIsShownAndStartGoesOn) {
  Application app("tamrix");
  struct Failing : Form {
    Failing() {
      OnCreate = [this] {
        Label.SetCaption("before");
        StrToInt("abc");
        Label.SetCaption("after");
      };
    }
    tamrix::ui::Label Label{this};
  };
  auto &f = app.CreateForm<Failing>();
  EXPECT_EQ(f.Label.Caption(), "before");
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "'abc' は整数ではありません");
  EXPECT_EQ(app.MessageBoxes()[0].type, mtError);
  EXPECT_TRUE(f.Created());
}

TEST(ApplicationScreen, WithoutDisplayFailsCleanly) {
  const char *old = std::getenv("DISPLAY");
  const std::string saved = old ? old : "";
  // Not a display name at all (no ':'), so no server anywhere can answer it.
  setenv("DISPLAY", "tamrix-no-display", 1);
  Application app("tamrix");
  try {
    app.UseScreen();
    ADD_FAILURE() << "a display was opened";
  } catch (const ScreenUnavailable &e) {
    EXPECT_NE(std::string(e.what()).find("tamrix-no-display"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(app.OnScreen());
  if (old)
    setenv("DISPLAY", saved.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

}  // namespace
}  // namespace tamrix::ui
