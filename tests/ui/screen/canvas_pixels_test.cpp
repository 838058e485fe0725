// The screen canvas sends strokes to the X server in its own, shorter form.
// Here every picture is drawn twice into pixmaps of a real (virtual) X
// server: once through the canvas, once as the plain polylines the strokes
// are (joined strokes of one pen, broken at a move, a pen change or text),
// and the two must match pixel for pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "fltk_canvas.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/screen.h"
#include "view_context.h"
// After the program's headers: X's macros would clash with their names.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

namespace tamrix::ui::view {
namespace {

constexpr int kOriginX = 20, kOriginY = 30;
constexpr int kBoxW = 548, kBoxH = 358;  // device pixels, as the graph's box at 120 dpi

using Picture = std::function<void(Canvas &)>;

// A step line as the graph draws it: a vertical stroke to each new value,
// then a horizontal one as far as the samples reach; value 0 lands on the
// row below the box, the last step on the column right of it.
void StepLine(Canvas &c, const std::vector<int> &values) {
  const double scale = static_cast<double>(kBoxW) / values.size();
  double carry = 0;
  int x = 0;
  auto y_of = [](int v) { return kBoxH - v * kBoxH / 4095; };
  c.MoveTo(0, y_of(values[0]));
  for (std::size_t i = 0; i < values.size();) {
    std::size_t run = 1;
    while (i + run < values.size() && values[i + run] == values[i]) ++run;
    const int y = y_of(values[i]);
    i += run;
    c.LineTo(x, y);
    const double t = run * scale + carry;
    const int step = static_cast<int>(t);
    carry = t - step;
    if (step != 0) {
      x += step;
      c.LineTo(x, y);
    }
  }
}

// Sixteen channels in the graph window's colours: the last two share one.
void Graph(Canvas &c, bool noise) {
  const TColor colours[16] = {0xFF0000, 0x00FFFF, 0x008000, 0x0000FF, 0xFFFF00, 0xFF00FF,
                              0x00FF00, 0x000080, 0x800000, 0x008080, 0x800080, 0x808080,
                              0x808000, 0x808080, 0x000000, 0x000000};
  std::mt19937 random(7);
  for (int ch = 0; ch < 16; ++ch) {
    std::vector<int> values(4099);
    for (std::size_t i = 0; i < values.size(); ++i) {
      values[i] =
          noise ? static_cast<int>(random() % 4096)
                : static_cast<int>(2047.5 + 2047 * std::sin(6.2831853 * (i + 256 * ch) / 4099));
    }
    c.SetPenColor(colours[ch]);
    c.SetPenWidth(1);
    StepLine(c, values);
  }
}

// Strokes of every kind in a small area, so that they cross often: runs that
// retrace, touch or miss each other, slanted and one-point strokes, moves,
// three colours, a wide pen and text drawn over the lines.
void Mixed(Canvas &c) {
  std::mt19937 random(3);
  auto coord = [&](int n) { return static_cast<int>(random() % n); };
  const TColor colours[3] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3000; ++i) {
    switch (coord(16)) {
      case 0: c.SetPenColor(colours[coord(3)]); break;
      case 1: c.MoveTo(coord(60) - 5, coord(60) - 5); break;
      case 2: c.LineTo(coord(60) - 5, coord(60) - 5); break;  // mostly slanted
      case 3: c.LineTo(c.PenPos().x, c.PenPos().y); break;
      case 4: c.SetPenWidth(coord(4) == 0 ? 3 : 1); break;
      case 5:
        if (coord(8) == 0) {
          c.SetFontColor(colours[coord(3)]);
          c.TextOut(coord(50), coord(50), "CH07");
        }
        break;
      case 6:
      case 7:
      case 8:
      case 9: c.LineTo(c.PenPos().x, coord(60) - 5); break;
      default: c.LineTo(coord(60) - 5, c.PenPos().y); break;
    }
  }
}

constexpr double kLargestScale = 1.25;

// One display for the whole run: FLTK's text state outlives a display.
// Runs of one column or row that overlap, touch, or leave gaps of one to
// four pixels on either side, apart or joined, in two colours; one-point
// strokes on their own.
void Runs(Canvas &c) {
  for (int colour = 0; colour < 2; ++colour) {
    c.SetPenColor(colour == 0 ? clRed : clLime);
    for (int gap = -3; gap <= 4; ++gap) {
      for (int side : {1, -1}) {
        const int at = 80 * colour + 10 * (gap + 3) + (side > 0 ? 20 : 25);
        const int mid = 100;
        c.MoveTo(at, mid - 10 * side);
        c.LineTo(at, mid);
        c.MoveTo(at, mid + gap * side);
        c.LineTo(at, mid + (gap + 10) * side);
        c.LineTo(at, mid + 5 * side);  // back over itself
        c.MoveTo(mid - 10 * side, at);
        c.LineTo(mid, at);
        c.MoveTo(mid + gap * side, at);
        c.LineTo(mid + (gap + 10) * side, at);
        c.MoveTo(at, 200);
        c.LineTo(at, 200);
      }
    }
  }
}

struct Screen {
  Application app{"tamrix"};
  ViewContext ctx{app};
  int w = kOriginX + ToScreen(kBoxW, kLargestScale) + 20;
  int h = kOriginY + ToScreen(kBoxH, kLargestScale) + 20;
  Fl_Offscreen pixmap = 0;

  Screen() {
    app.UseScreen();
    pixmap = fl_create_offscreen(w, h);
    if (!fl_gc) fl_gc = XCreateGC(fl_display, pixmap, 0, nullptr);
  }
  ~Screen() { fl_delete_offscreen(pixmap); }

  // The box's picture as the paint box shows it: cleared, then clipped to
  // the box.
  std::vector<char> Take(const std::function<void()> &draw) {
    fl_begin_offscreen(pixmap);
    fl_rectf(0, 0, w, h, FL_WHITE);
    fl_push_clip(kOriginX, kOriginY, kBoxW, kBoxH);
    fl_rectf(kOriginX, kOriginY, kBoxW, kBoxH, FL_BLACK);
    draw();
    fl_pop_clip();
    fl_end_offscreen();
    XImage *image = XGetImage(fl_display, pixmap, 0, 0, w, h, AllPlanes, ZPixmap);
    std::vector<char> bytes(image->data, image->data + image->bytes_per_line * h);
    XDestroyImage(image);
    return bytes;
  }

  std::vector<char> ThroughCanvas(const Picture &picture) {
    return Take([&] {
      FltkCanvas canvas(ctx, kOriginX, kOriginY, kBoxW, kBoxH, TFont{});
      picture(canvas);
    });
  }

  // Each run of joined strokes of one pen as one XDrawLines, text as it
  // comes.
  std::vector<char> AsPolylines(const Picture &picture) {
    RecordingCanvas recorded;
    picture(recorded);
    return Take([&] {
      std::vector<XPoint> line;
      TPoint end;
      auto flush = [&] {
        if (line.size() > 1)
          XDrawLines(fl_display, fl_window, fl_gc, line.data(), static_cast<int>(line.size()),
                     CoordModeOrigin);
        line.clear();
      };
      auto px = [&](TPoint p) {
        return XPoint{static_cast<short>(kOriginX + p.x), static_cast<short>(kOriginY + p.y)};
      };
      TColor colour = 0;
      int width = 0;
      for (const CanvasOp &op : recorded.Ops()) {
        if (op.kind == CanvasOp::TextOut) {
          flush();
          fl_font(kFont, ctx.FontSize(TFont{}));
          fl_color(ToFlColor(op.color));
          fl_draw(op.text.c_str(), kOriginX + op.at.x,
                  kOriginY + op.at.y + fl_height() - fl_descent());
          continue;
        }
        if (op.kind != CanvasOp::LineTo) continue;
        if (line.empty() || op.color != colour || op.width != width || op.from != end) {
          flush();
          colour = op.color;
          width = op.width;
          fl_color(ToFlColor(op.color));
          fl_line_style(FL_SOLID, op.width > 1 ? op.width : 0);
          line.push_back(px(op.from));
        }
        line.push_back(px(op.at));
        end = op.at;
      }
      flush();
      fl_line_style(0);
    });
  }

  // Pixels that differ, for the failure message.
  static int Differences(const std::vector<char> &a, const std::vector<char> &b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
    return n;
  }
};

class CanvasPixels : public testing::TestWithParam<double> {
 protected:
  static void SetUpTestSuite() {
    if (std::getenv("DISPLAY") != nullptr) screen_ = new Screen;
  }
  static void TearDownTestSuite() {
    delete screen_;
    screen_ = nullptr;
  }
  void SetUp() override {
    if (!screen_) GTEST_SKIP() << "no X display";
    screen_->ctx.scale = GetParam();
  }
  static Screen *screen_;
};
Screen *CanvasPixels::screen_ = nullptr;

TEST_P(CanvasPixels, SameAsPlainPolylines) {
  Screen &screen = *screen_;
  const std::pair<const char *, Picture> pictures[] = {
      {"noise graph", [](Canvas &c) { Graph(c, true); }},
      {"smooth graph", [](Canvas &c) { Graph(c, false); }},
      {"runs", Runs},
      {"mixed strokes", Mixed},
  };
  for (const auto &[name, picture] : pictures) {
    const std::vector<char> expected = screen.AsPolylines(picture);
    const std::vector<char> actual = screen.ThroughCanvas(picture);
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_TRUE(actual == expected)
        << name << ": " << Screen::Differences(actual, expected) << " bytes differ";
    // Nothing was drawn at all would pass too: the pictures must show lines.
    EXPECT_NE(expected, screen.Take([] {})) << name;
  }
}

// Strokes are device pixels at any scale; the scale sizes the text.
INSTANTIATE_TEST_SUITE_P(Scales, CanvasPixels, testing::Values(0.8, 1.0, kLargestScale));

}  // namespace
}  // namespace tamrix::ui::view
