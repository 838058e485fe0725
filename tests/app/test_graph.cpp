// The graph window's arithmetic, drawn onto a recording canvas.
#include "check_program_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;

class GraphWindow : public CheckProgram {
 protected:
  void SetUp() override {
    CheckProgram::SetUp();
    graph = GraphForm;
    graph->FormResize();
  }

  // Feeds one channel with the given values and returns its strokes.
  std::vector<CanvasOp> DrawOf(int channel, const std::vector<std::uint16_t> &values) {
    ChannelTable table{};
    std::copy(values.begin(), values.end(), table[channel].begin());
    graph->SetData(static_cast<std::int32_t>(values.size()), channel, channel, table);
    RecordingCanvas canvas;
    graph->PaintBoxGraphPaint(canvas);
    return canvas.Lines();
  }

  static std::vector<int> HorizontalSteps(const std::vector<CanvasOp> &lines) {
    std::vector<int> steps;
    for (const CanvasOp &line : lines) {
      if (line.at.y == line.from.y && line.at.x != line.from.x)
        steps.push_back(line.at.x - line.from.x);
    }
    return steps;
  }

  TGraphForm *graph = nullptr;
};

TEST_F(GraphWindow, LayoutGivesTheGraphArea548By358) {
  EXPECT_EQ(graph->GraphWidth, 548);
  EXPECT_EQ(graph->GraphHeight, 358);
  EXPECT_EQ(graph->PaintBoxGuid.Width(), 49);
  EXPECT_EQ(graph->PanelRight.Width(), 27);
  EXPECT_EQ(graph->PanelTop.Height(), 9);
  EXPECT_EQ(graph->Caption(), "Graph");
}

TEST_F(GraphWindow, ValueToYMatchesTheListedRows) {
  const std::pair<int, int> rows[] = {{0, 358},    {1, 357},  {2047, 179},
                                      {2048, 178}, {4094, 0}, {4095, 0}};
  for (const auto &[value, y] : rows) EXPECT_EQ(graph->ValueToY(value), y) << value;
}

TEST_F(GraphWindow, SingleSampleRunsCarryTheirFractions) {
  std::vector<std::uint16_t> alternating(256);
  for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 ? 4000 : 100;
  const std::vector<CanvasOp> lines = DrawOf(0, alternating);
  const std::vector<int> steps = HorizontalSteps(lines);
  ASSERT_EQ(steps.size(), 256u);
  EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + 8),
            (std::vector<int>{2, 2, 2, 2, 2, 2, 2, 3}));
  EXPECT_EQ(lines.back().at.x, 548);
  EXPECT_EQ(lines.front().color, 0xFF0000u) << "channel 0 is blue";
}

TEST_F(GraphWindow, RunsNarrowerThanAPixelLeaveOnlyTheirVerticalStroke) {
  std::vector<std::uint16_t> alternating(1024);
  for (std::size_t i = 0; i < alternating.size(); ++i) alternating[i] = i % 2 ? 3000 : 1000;
  const std::vector<CanvasOp> lines = DrawOf(3, alternating);
  const std::vector<int> steps = HorizontalSteps(lines);
  for (int step : steps) ASSERT_EQ(step, 1);
  const int end = lines.back().at.x;
  EXPECT_TRUE(end == 548 || end == 547) << end;
  EXPECT_EQ(static_cast<int>(steps.size()), end) << "every pixel is one stroke";
  EXPECT_EQ(lines.size(), 1024 + steps.size()) << "one vertical stroke per run";
  EXPECT_EQ(steps.front(), 1);
  EXPECT_EQ(lines[2].from.x, 0) << "the first run advanced by 0";
  EXPECT_EQ(lines.front().color, 0x0000FFu) << "channel 3 is red";
}

TEST_F(GraphWindow, AConstantSignalIsOneStroke) {
  const std::vector<CanvasOp> lines = DrawOf(5, std::vector<std::uint16_t>(4099, 2048));
  ASSERT_EQ(lines.size(), 2u) << "the empty first step and one horizontal stroke";
  EXPECT_EQ(lines[1].from, (TPoint{0, 178}));
  EXPECT_GE(lines[1].at.x, 547);
  EXPECT_EQ(lines[1].at.y, 178);
}

TEST_F(GraphWindow, KeyLabelsStandByChannelNumber) {
  ChannelTable table{};
  graph->SetData(1, 4, 7, table);
  RecordingCanvas canvas;
  graph->PaintBoxGuidPaint(canvas);
  const auto texts = canvas.Texts();
  ASSERT_EQ(texts.size(), 4u);
  const int ys[] = {98, 120, 142, 164};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(texts[k].text, Format("CH%.2d", 4 + k));
    EXPECT_EQ(texts[k].at, (TPoint{10, ys[k]}));
  }
  EXPECT_EQ(texts[0].color, 0xFFFF00u) << "channel 4 is aqua";
  graph->SetData(1, 0, 15, table);
  canvas.Clear();
  graph->PaintBoxGuidPaint(canvas);
  EXPECT_EQ(canvas.Texts().front().at.y, 10);
  EXPECT_EQ(canvas.Texts().back().at.y, 340);
  EXPECT_EQ(canvas.Texts().back().color, clWindowText);
}

TEST_F(GraphWindow, EmptyGraphDrawsNothingAndResizeRedrawsToTheNewSize) {
  RecordingCanvas canvas;
  graph->PaintBoxGraphPaint(canvas);
  EXPECT_TRUE(canvas.Ops().empty());
  std::vector<std::uint16_t> ramp(100);
  for (int i = 0; i < 100; ++i) ramp[i] = static_cast<std::uint16_t>(i * 40);
  DrawOf(1, ramp);
  graph->SetClientSize(630 + 100, 373 + 50);
  EXPECT_EQ(graph->GraphWidth, 648);
  EXPECT_EQ(graph->GraphHeight, 408);
  canvas.Clear();
  graph->PaintBoxGraphPaint(canvas);
  EXPECT_GE(canvas.Lines().back().at.x, 647);
  EXPECT_LE(canvas.Lines().back().at.x, 648);
  EXPECT_EQ(canvas.Lines().front().from.y, 408) << "value 0 on the new bottom line";
  graph->ClearGraph();
  canvas.Clear();
  graph->PaintBoxGraphPaint(canvas);
  EXPECT_TRUE(canvas.Ops().empty());
}

TEST_F(GraphWindow, ClosingOnlyHides) {
  graph->Show();
  EXPECT_TRUE(graph->Visible());
  graph->Close();
  EXPECT_FALSE(graph->Visible());
  EXPECT_EQ(App().Forms().size(), 3u);
}

}  // namespace
}  // namespace check_program_testing
