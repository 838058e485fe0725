// The check program on the screen of the X server it runs under (the suite
// runs it at 96, 100, 120 and 144 dpi): every text against the room its
// control gives it, and the graph's pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "Graph.h"
#include "Modeset.h"
#include "main.h"
#include "peers.h"
#include "program_fonts.h"
// After the program's headers: X's macros would clash with their names.
#include <FL/Fl.H>
#include <FL/Fl_Browser_.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

namespace {

using namespace tamrix::text;
using namespace tamrix::ui;

Fl_Widget *WidgetOf(Control &c) {
  auto *peer = dynamic_cast<view::WidgetPeer *>(c.PeerHolder().Get());
  return peer ? peer->Widget() : nullptr;
}

int TextWidth(int size, const std::string &text) {
  fl_font(view::kFont, size);
  return static_cast<int>(std::ceil(fl_width(text.c_str())));
}

// Every control the container holds, nested ones included.
void VisitControls(const Container &c, const std::function<void(Control &)> &fn) {
  ForEachControl(c, [&fn](Control &child) {
    fn(child);
    return Walk::Into;
  });
}

bool Overlap(const Fl_Widget &a, const Fl_Widget &b) {
  return a.x() < b.x() + b.w() && b.x() < a.x() + a.w() && a.y() < b.y() + b.h() &&
         b.y() < a.y() + a.h();
}

class OnScreen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    app_ = new Application("tamrix");
    try {
      app_->UseScreen(ProgramScreenFont());
    } catch (const ScreenUnavailable &) {
      delete app_;
      app_ = nullptr;
      return;
    }
    MainForm = &app_->CreateForm<TMainForm>();
    GraphForm = &app_->CreateForm<TGraphForm>();
    ModeSetForm = &app_->CreateForm<TModeSetForm>();
    MainForm->Show();
    GraphForm->Show();
    ModeSetForm->Show();
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  void SetUp() override {
    if (!app_) GTEST_SKIP() << "no X display";
    scale_ = app_->View()->Scale();
  }
  // Lets the windows draw: lists decide on their scroll bars as they do.
  static void Draw() {
    app_->ProcessMessages();
    Fl::flush();
  }

  static Application *app_;
  double scale_ = 1;
};
Application *OnScreen::app_ = nullptr;

// The longest lines the lists are given in an operator's session
// (tests/e2e/full_session.sh), the start without a library, and the
// error-code list's longest text.
struct ListLines {
  ListBox *list;
  std::vector<std::string> lines;
};

TEST_F(OnScreen, EveryCaptionListLineAndKeyLabelFitsItsControl) {
  SCOPED_TRACE("screen scale " + std::to_string(scale_));
  const ScreenFont font = ProgramScreenFont();
  TMainForm &m = *MainForm;
  const std::vector<ListLines> lists = {
      {&m.ListBoxEtcMsg,
       {"001 ????? Err: DLLのﾛｰﾄﾞ時ｴﾗｰ(DLLが見つからないか初期化ｴﾗｰ) ?????", "001 DLL ﾛｰﾄﾞ Success",
        "009 GetSmaplingStatus Slot=00 Success", "010 GetData Slot=00 NumData=4096 Success"}},
      {&m.ListBoxTamrixErrMsg,
       {"001 WinGetLastError=126", "008 TAMRIX_SUCCESS",
        "009 DLL関数(TamrixGetLastError)が見つからないよ～"}},
      {&m.ListBoxVxdMsg, {"001 BuffHalfFull", "003 BuffOverflow"}},
      {&m.ListBoxTamrixResourceDisplay,
       {"----- Ports -----", "IOPortLength[1]=8H", "IRQRegisters[0]=AH",
        "==================================="}},
      {&m.ListBoxTamrixSetMode, {"001 MODE=03 ChF=00 ChL=03 Buffer=4096 Timer=200"}},
      {&m.ListBoxTamrixStatusDisplay, {"003 NumData=4096 Status=31DH"}},
  };
  for (const ListLines &l : lists) {
    l.list->Clear();
    for (const std::string &line : l.lines) l.list->Add(line);
    MoveSelectionDown(*l.list);
  }
  for (const char *outcome : {" OK ", " NG "}) {
    VisitControls(m, [&](Control &c) {
      if (auto *label = dynamic_cast<Label *>(&c); label && c.Name().rfind("LabelTamrix", 0) == 0)
        label->SetCaption(outcome);
    });
    m.LabelTamrixCreate.SetCaption(" Slot=00 ");
    m.LabelTamrixGetVersion.SetCaption(" Version DLL=1000000 DRV=1020010 ");
    m.ComboBoxTamrixGetData.SetText("65536");
    Draw();

    for (Form *form : std::vector<Form *>{MainForm, ModeSetForm}) {
      VisitControls(*form, [&](Control &c) {
        Fl_Widget *w = WidgetOf(c);
        ASSERT_NE(w, nullptr) << c.Name();
        if (auto *b = dynamic_cast<Button *>(&c)) {
          EXPECT_LE(TextWidth(w->labelsize(), b->Caption()), w->w() - Fl::box_dw(w->box()))
              << c.Name();
        } else if (auto *label = dynamic_cast<Label *>(&c)) {
          EXPECT_LE(TextWidth(font.PixelSize(label->Font().height, scale_), label->Caption()),
                    w->w())
              << c.Name() << " '" << label->Caption() << "'";
          VisitControls(*form, [&](Control &other) {
            if (dynamic_cast<Label *>(&other)) return;
            EXPECT_FALSE(Overlap(*w, *WidgetOf(other)))
                << c.Name() << " '" << label->Caption() << "' runs into " << other.Name();
          });
        } else if (auto *box = dynamic_cast<ComboBox *>(&c)) {
          // The text stands left of the drop button, clear of the frame.
          const int room =
              w->w() - Fl::box_dw(FL_DOWN_BOX) - ToScreen(ListBox::kScrollBarSize, scale_) - 2;
          std::vector<std::string> texts = box->Items();
          texts.push_back(box->Text());
          for (const std::string &text : texts)
            EXPECT_LE(TextWidth(font.PixelSize(box->Font().height, scale_), text), room)
                << c.Name() << " '" << text << "'";
        }
      });
    }
  }

  // A line wider than its list is readable through the list's horizontal
  // bar, which the list and the screen agree on.
  for (const ListLines &l : lists) {
    auto *browser = dynamic_cast<Fl_Browser_ *>(WidgetOf(*l.list));
    ASSERT_NE(browser, nullptr);
    const bool bar = browser->hscrollbar.visible();
    EXPECT_EQ(l.list->HorizontalScrollBar(), bar) << l.list->Name();
    const int room = browser->w() - Fl::box_dw(browser->box()) -
                     (browser->scrollbar.visible() ? browser->scrollbar_size() : 0);
    for (const std::string &line : l.lines) {
      const int width = TextWidth(browser->textsize(), line) + ListBox::kLinePadding;
      EXPECT_TRUE(width <= room || bar)
          << l.list->Name() << " cuts '" << line << "': " << width << " > " << room;
    }
  }

  // The key's labels stand 10 pixels in and stay clear of the graph's bevel.
  PaintBox &key = GraphForm->PaintBoxGuid;
  fl_font(view::kFont, font.PixelSize(key.Font().height, scale_));
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const std::string text = Format("CH%.2d", channel);
    int dx = 0, dy = 0, w = 0, h = 0;
    fl_text_extents(text.c_str(), dx, dy, w, h);
    EXPECT_LE(10 + dx + w, key.PixelWidth() - 1)
        << text << " in a key " << key.PixelWidth() << " pixels wide";
  }
}

// At the sizes the program sets, and as the operator widens the window a
// pixel at a time: the right-hand strip keeps the width its rounded edges
// give it at the set size, flush with the window's edge.
TEST_F(OnScreen, GraphAreaSitsInsideAThreePixelBevelAndKnowsItsPixels) {
  const auto check = [&](const std::string &when) {
    Draw();
    const Fl_Widget *panel = WidgetOf(GraphForm->PanelGraph);
    const Fl_Widget *area = WidgetOf(GraphForm->PaintBoxGraph);
    EXPECT_EQ(area->x() - panel->x(), 3) << when;
    EXPECT_EQ(area->y() - panel->y(), 3) << when;
    EXPECT_EQ(panel->x() + panel->w() - (area->x() + area->w()), 3) << when;
    EXPECT_EQ(panel->y() + panel->h() - (area->y() + area->h()), 3) << when;
    EXPECT_EQ(GraphForm->GraphWidth, area->w()) << when;
    EXPECT_EQ(GraphForm->GraphHeight, area->h()) << when;
    EXPECT_EQ(GraphForm->ValueToY(0), area->h()) << when << ": value 0 on the line below the area";
  };
  for (const auto &[width, height] : {std::pair{811, 447}, std::pair{630, 373}}) {
    GraphForm->SetClientSize(width, height);
    check(std::to_string(width) + " x " + std::to_string(height) + " set");
  }
  const auto px = [&](int layout) { return ToScreen(layout, scale_); };
  const int strip = px(630) - px(630 - 27);
  const Fl_Widget *right = WidgetOf(GraphForm->PanelRight);
  EXPECT_EQ(right->w(), strip) << "each edge rounded at the set size";
  auto *window = dynamic_cast<view::FormPeer *>(GraphForm->PeerHolder().Get())->Window();
  const int set_w = window->w(), set_h = window->h();
  for (int grown = 1; grown <= 8; ++grown) {
    window->size(set_w + grown, set_h + grown / 2);
    const std::string when = "widened by " + std::to_string(grown) + " pixels";
    check(when);
    EXPECT_EQ(right->w(), strip) << when;
    EXPECT_EQ(right->x() + right->w(), window->w()) << when;
    const Fl_Widget *panel = WidgetOf(GraphForm->PanelGraph);
    EXPECT_EQ(panel->x() + panel->w(), right->x()) << when;
  }
  GraphForm->SetClientSize(630, 373);
  Draw();
}

}  // namespace
