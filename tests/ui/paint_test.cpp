#include <gtest/gtest.h>

#include <string>

#include "tamrix_ui/ui.h"

namespace tamrix::ui {
namespace {

using namespace tamrix::text;

TEST(RecordingCanvas, KeepsStateAndEveryOperation) {
  RecordingCanvas c;
  c.SetPenColor(clYellow);
  c.MoveTo(0, 358);
  c.LineTo(0, 179);
  c.LineTo(2, 179);
  c.SetFontColor(0x80000008);
  c.TextOut(10, 32, "CH01");
  EXPECT_EQ(c.PenPos(), (TPoint{2, 179}));
  ASSERT_EQ(c.Ops().size(), 6u);
  const auto lines = c.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].from, (TPoint{0, 358}));
  EXPECT_EQ(lines[0].at, (TPoint{0, 179}));
  EXPECT_EQ(lines[1].from, (TPoint{0, 179}));
  EXPECT_EQ(lines[1].color, clYellow);
  EXPECT_EQ(lines[1].width, 1);
  const auto texts = c.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "CH01");
  EXPECT_EQ(texts[0].at, (TPoint{10, 32}));
  EXPECT_EQ(texts[0].color, 0x80000008u);
  c.SetPenWidth(0);
  EXPECT_EQ(c.PenWidth(), 1);
}

struct Boxes : Form {
  Boxes() {
    Graph.OnPaint = [this](Canvas &c) {
      Key.Repaint();    // another box, at once, from inside a paint
      Graph.Repaint();  // its own box: ignored
      c.SetPenColor(clBlue);
      c.MoveTo(0, 0);
      c.LineTo(Graph.Width(), 0);
      if (fail) throw RangeError();
      c.LineTo(Graph.Width(), 1);
    };
    Key.OnPaint = [this](Canvas &c) { c.TextOut(10, 10, "CH00"); };
    Graph.SetBounds(0, 0, 548, 358);
  }
  PaintBox Graph{this};
  PaintBox Key{this};
  bool fail = false;
};

TEST(PaintBox, HeadlessRepaintRecordsAFreshPicture) {
  Application app("tamrix");
  auto &f = app.CreateForm<Boxes>();
  f.Graph.Repaint();
  EXPECT_EQ(f.Graph.PaintCount(), 1);
  EXPECT_EQ(f.Key.PaintCount(), 1);
  ASSERT_EQ(f.Graph.LastPaint().Lines().size(), 2u);
  EXPECT_EQ(f.Graph.LastPaint().Lines()[0].at, (TPoint{548, 0}));
  ASSERT_EQ(f.Key.LastPaint().Texts().size(), 1u);
  f.Graph.Repaint();
  EXPECT_EQ(f.Graph.LastPaint().Lines().size(), 2u) << "each repaint starts a new picture";
  EXPECT_EQ(f.Graph.LastPaint().Ops().front().kind, CanvasOp::PenColor);
}

TEST(PaintBox, ErrorInPaintHandlerIsShownAndPaintingGoesOn) {
  Application app("tamrix");
  auto &f = app.CreateForm<Boxes>();
  f.fail = true;
  f.Graph.Repaint();
  EXPECT_EQ(f.Graph.LastPaint().Lines().size(), 1u);
  ASSERT_EQ(app.MessageBoxes().size(), 1u);
  EXPECT_EQ(app.MessageBoxes()[0].text, "範囲ﾁｪｯｸｴﾗｰ");
  f.fail = false;
  f.Graph.Repaint();
  EXPECT_EQ(f.Graph.LastPaint().Lines().size(), 2u);
  EXPECT_EQ(f.Graph.PaintCount(), 2);
}

TEST(PaintBox, PaintIntoAGivenCanvasUsesTheBoxFont) {
  Application app("tamrix");
  auto &f = app.CreateForm<Boxes>();
  f.Key.SetFontColor(clRed);
  RecordingCanvas c(f.Key.Font());
  f.Key.Paint(c);
  ASSERT_EQ(c.Texts().size(), 1u);
  EXPECT_EQ(c.Texts()[0].color, clRed);
}

}  // namespace
}  // namespace tamrix::ui
