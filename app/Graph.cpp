#include "Graph.h"

#include <array>
#include <cmath>

#include "icon.h"

using namespace tamrix::text;
using namespace tamrix::ui;

TGraphForm *GraphForm = nullptr;

namespace {

// `t` truncated toward zero, as std::trunc gives it, without switching the
// FPU's rounding mode, which costs more than the rest of a step: rint
// rounds in whatever mode is in force, and one step back toward zero makes
// that the truncation.
long double Truncated(long double t) {
  long double whole = std::rint(t);
  if (t >= 0 ? whole > t : whole < t) whole += t >= 0 ? -1 : 1;
  return whole;
}

}  // namespace

TGraphForm::TGraphForm() {
  Layout();
  OnCreate = [this] { FormCreate(); };
  OnResize = [this] { FormResize(); };
  PaintBoxGraph.OnPaint = [this](Canvas &canvas) { PaintBoxGraphPaint(canvas); };
  PaintBoxGuid.OnPaint = [this](Canvas &canvas) { PaintBoxGuidPaint(canvas); };
}

void TGraphForm::Layout() {
  SetCaption("Graph");
  SetIcon(ProgramIcon());
  SetBorderStyle(bsSizeable);
  SetPosition(poDesigned);
  SetLeft(111);
  SetTop(138);
  SetFont(TFont{"ＭＳ Ｐゴシック", 15, clWindowText});

  PanelTop.SetAlign(alTop);
  PanelTop.SetHeight(9);
  PanelTop.SetBevelOuter(bvNone);

  PanelGuid.SetAlign(alLeft);
  PanelGuid.SetWidth(49);
  PanelGuid.SetBevelOuter(bvNone);
  PanelGuid.SetColor(clBtnFace);
  PaintBoxGuid.SetAlign(alLeft);
  PaintBoxGuid.SetWidth(49);

  PanelRight.SetAlign(alRight);
  PanelRight.SetWidth(27);
  PanelRight.SetBevelOuter(bvNone);

  PanelGraph.SetAlign(alClient);
  PanelGraph.SetColor(clBlack);
  PanelGraph.SetBevelOuter(bvNone);
  PanelGraph.SetBevelInner(bvLowered);
  PanelGraph.SetBevelWidth(3);
  PaintBoxGraph.SetAlign(alClient);
  PaintBoxGraph.SetColor(clBlack);

  SetClientSize(630, 373);
}

void TGraphForm::FormCreate() {
  ChannelColors = {0xFF0000, 0x00FFFF, 0x008000,     0x0000FF,    0xFFFF00, 0xFF00FF,
                   0x00FF00, 0x000080, 0x800000,     0x008080,    0x800080, 0x808080,
                   0x808000, 0x808080, clWindowText, clWindowText};
}

void TGraphForm::SetData(std::int32_t samples_per_channel, std::int32_t first_channel,
                         std::int32_t last_channel, const ChannelTable &table) {
  CheckRange(samples_per_channel - 1, kChannelCapacity);
  CheckRange(first_channel, kChannelCount);
  CheckRange(last_channel, kChannelCount);
  SampleCount = samples_per_channel;
  for (std::int32_t c = first_channel; c <= last_channel; ++c) {
    std::copy_n(table[c].begin(), samples_per_channel, Samples[c].begin());
  }
  FirstChannel = first_channel;
  LastChannel = last_channel;
}

void TGraphForm::ClearGraph() {
  SampleCount = 0;
  PaintBoxGraph.Repaint();
}

void TGraphForm::FormResize() {
  // The graph's arithmetic works on the area's own pixels.
  GraphWidth = PaintBoxGraph.PixelWidth();
  GraphHeight = PaintBoxGraph.PixelHeight();
  PaintBoxGraph.Repaint();
}

std::int32_t TGraphForm::ValueToY(std::int32_t value) const {
  // Extended precision, in exactly this order, truncated toward zero.
  const long double height = GraphHeight;
  const long double y = height - (height * (1.0L / 4095.0L)) * value;
  return static_cast<std::int32_t>(std::trunc(y));
}

const std::array<std::int32_t, TGraphForm::kValueCount> &TGraphForm::RowsOfValues() const {
  if (!rows_ready_ || rows_height_ != GraphHeight) {
    for (std::size_t value = 0; value < kValueCount; ++value) {
      rows_of_values_[value] = ValueToY(static_cast<std::int32_t>(value));
    }
    rows_height_ = GraphHeight;
    rows_ready_ = true;
  }
  return rows_of_values_;
}

void TGraphForm::PaintBoxGraphPaint(Canvas &canvas) {
  if (SampleCount == 0) return;
  PaintBoxGuid.Repaint();
  for (std::int32_t channel = FirstChannel; channel <= LastChannel; ++channel) {
    DrawChannel(canvas, channel, 0, SampleCount);
  }
}

void TGraphForm::DrawChannel(Canvas &canvas, std::int32_t channel, std::int32_t first_index,
                             std::int32_t count) const {
  CheckRange(channel, kChannelCount);
  CheckRange(first_index + count - 1, kChannelCapacity);
  const auto &row = Samples[channel];
  const auto &rows_of_values = RowsOfValues();
  // Every value a sample word can carry has its row; anything else is
  // worked out as it comes.
  const auto y_of = [&](std::uint16_t value) {
    return value < kValueCount ? rows_of_values[value] : ValueToY(value);
  };
  canvas.SetPenColor(ChannelColors[channel]);
  canvas.SetPenWidth(1);
  const long double scale = static_cast<long double>(GraphWidth) / count;
  long double carry = 0;
  std::int32_t x = 0;
  const std::int32_t last = first_index + count - 1;
  canvas.MoveTo(0, y_of(row[first_index]));
  // The strokes go to the canvas a batch of points at a time: with no call
  // between runs, the extended carry can stay in the FPU.
  std::array<TPoint, 1024> points;
  std::size_t used = 0;
  std::int32_t i = first_index;
  while (i <= last) {
    const std::uint16_t v = row[i];
    std::int32_t run = 1;
    while (i < last && row[i + 1] == v) {
      ++run;
      ++i;
    }
    ++i;
    const std::int32_t y = y_of(v);
    points[used++] = {x, y};
    const long double t = run * scale + carry;
    const long double whole = Truncated(t);
    carry = t - whole;
    // A whole number converts exactly, and through double without a mode switch.
    const auto step = static_cast<std::int32_t>(static_cast<double>(whole));
    if (step != 0) {
      x += step;
      points[used++] = {x, y};
    }
    if (used + 2 > points.size()) {
      canvas.PolylineTo({points.data(), used});
      used = 0;
    }
  }
  canvas.PolylineTo({points.data(), used});
}

void TGraphForm::PaintBoxGuidPaint(Canvas &canvas) {
  for (std::int32_t channel = FirstChannel; channel <= LastChannel; ++channel) {
    CheckRange(channel, kChannelCount);
    canvas.SetFontColor(ChannelColors[channel]);
    canvas.TextOut(10, (GraphHeight / 16) * channel + 10, Format("CH%.2d", channel));
  }
}
