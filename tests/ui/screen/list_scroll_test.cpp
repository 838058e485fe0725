// A list on a real (virtual) screen follows its selection: a line selected
// below the view is scrolled in at the bottom, one above it at the top, and
// one in view stays where it is. The list works out where a line is from
// its number, so a long list is a case of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "peers.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/form.h"
#include "tamrix_ui/screen.h"
// After the program's headers: X's macros would clash with their names.
#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Window.H>

namespace tamrix::ui {
namespace {

struct OneList : Form {
  OneList() {
    SetClientSize(300, 120);
    Lines.SetBounds(8, 8, 281, 73);  // the driver-message list's size
  }
  ListBox Lines{this};
};

class ListOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    app_.UseScreen();
    form_ = &app_.CreateForm<OneList>();
    form_->Show();
    for (int i = 0; i < 20; ++i) app_.ProcessMessages();
  }

  Fl_Browser &Browser() {
    auto *peer = dynamic_cast<view::WidgetPeer *>(form_->Lines.PeerHolder().Get());
    return *static_cast<Fl_Browser *>(peer->Widget());
  }

  // Until its window first draws, the browser has the bars it was made
  // with; a window with no damage left has drawn. Bounded: a loaded virtual
  // screen can take a while to map the window.
  bool Drawn() {
    const Fl_Window &window = *Browser().window();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
      app_.ProcessMessages();
      Fl::flush();
      if (window.damage() == 0) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      Fl::wait(0.01);
    }
  }

  // Lines as the program adds them: each selects the one after the last
  // selected.
  void Append(int count) {
    for (int i = 0; i < count; ++i) {
      form_->Lines.Add(std::to_string(form_->Lines.Count() + 1));
      form_->Lines.SetItemIndex(form_->Lines.ItemIndex() + 1);
    }
    app_.ProcessMessages();
  }

  Application app_{"tamrix"};
  OneList *form_ = nullptr;
};

TEST_F(ListOnScreen, TheSelectionIsScrolledIntoViewAndNoFurther) {
  Append(3000);
  Fl_Browser &browser = Browser();
  ASSERT_EQ(browser.size(), 3000);
  EXPECT_EQ(browser.value(), 3000);
  EXPECT_TRUE(browser.displayed(3000));
  const int top = browser.topline();
  EXPECT_GT(top, 2990) << "the newest line at the bottom";
  EXPECT_LT(top, 3000);

  form_->Lines.SetItemIndex(2);  // line 3, far above the view
  app_.ProcessMessages();
  EXPECT_EQ(browser.value(), 3);
  EXPECT_EQ(browser.topline(), 3) << "a line above the view comes in at the top";

  Append(1);  // line 4, in view already
  EXPECT_EQ(browser.value(), 4);
  EXPECT_EQ(browser.topline(), 3) << "a line in view moves nothing";

  form_->Lines.SetItemIndex(2999);
  app_.ProcessMessages();
  EXPECT_EQ(browser.topline(), top) << "back at the end, where it was";
}

// As a list fills, line by line and with a line wider than the list
// bringing the horizontal bar, it scrolls by whole lines: no line is cut at
// the top, and the newest stays whole in view. A drag of the bar's thumb
// stops at a line too. So does a list filled before its window first draws,
// when the browser would bring lines in with both bars counted.
TEST_F(ListOnScreen, AFillingListShowsWholeLinesWithTheNewestInView) {
  const int line = ToScreen(form_->Lines.ItemHeight(), app_.View()->Scale());
  const auto check = [&](const std::string &when) {
    ASSERT_TRUE(Drawn()) << when << ": the window did not draw";
    const Fl_Browser &browser = Browser();
    const int bar = browser.hscrollbar.visible() ? browser.scrollbar_size() : 0;
    const int room = browser.h() - Fl::box_dh(browser.box()) - bar;
    EXPECT_EQ(browser.position() % line, 0) << when << ": the top line is cut";
    EXPECT_GE(browser.position() + room, form_->Lines.Count() * line)
        << when << ": the newest line is not whole in view";
  };
  for (int i = 1; i <= 12; ++i) {
    Append(1);
    check(std::to_string(i) + " lines");
  }
  form_->Lines.Add(std::string(80, 'W'));
  form_->Lines.SetItemIndex(form_->Lines.Count() - 1);
  app_.ProcessMessages();
  check("with a wide line");
  Fl_Browser &browser = Browser();
  EXPECT_TRUE(browser.hscrollbar.visible());

  browser.scrollbar.value(line + line / 3, 1, 0, browser.size() * line);
  browser.scrollbar.do_callback();
  EXPECT_EQ(browser.position(), line) << "a thumb dragged a third of a line down";

  form_ = &app_.CreateForm<OneList>();
  form_->Show();
  Append(4);
  check("4 lines before the first draw");
}

}  // namespace
}  // namespace tamrix::ui
