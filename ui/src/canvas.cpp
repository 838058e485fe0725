#include "tamrix_ui/canvas.h"

namespace tamrix::ui {

void Canvas::SetPenColor(TColor c) {
  pen_color_ = c;
  Apply({CanvasOp::PenColor, pen_, pen_, c, pen_width_, {}});
}

void Canvas::SetPenWidth(int w) {
  pen_width_ = w < 1 ? 1 : w;
  Apply({CanvasOp::PenWidth, pen_, pen_, pen_color_, pen_width_, {}});
}

// The new position is built once and stored: reading pen_ back right after
// storing its halves stalls the load on every stroke.
void Canvas::MoveTo(int x, int y) {
  const TPoint from = pen_, to{x, y};
  pen_ = to;
  Apply({CanvasOp::MoveTo, from, to, pen_color_, pen_width_, {}});
}

void Canvas::LineTo(int x, int y) {
  const TPoint from = pen_, to{x, y};
  pen_ = to;
  Apply({CanvasOp::LineTo, from, to, pen_color_, pen_width_, {}});
}

void Canvas::PolylineTo(std::span<const TPoint> points) {
  if (points.empty()) return;
  const TPoint from = pen_;
  pen_ = points.back();
  ApplyPolyline(from, points);
}

void Canvas::ApplyPolyline(TPoint from, std::span<const TPoint> points) {
  for (const TPoint &to : points) {
    Apply({CanvasOp::LineTo, from, to, pen_color_, pen_width_, {}});
    from = to;
  }
}

void Canvas::SetFontColor(TColor c) {
  font_.color = c;
  Apply({CanvasOp::FontColor, pen_, pen_, c, pen_width_, {}});
}

void Canvas::TextOut(int x, int y, std::string_view utf8) {
  Apply({CanvasOp::TextOut, pen_, {x, y}, font_.color, pen_width_, std::string(utf8)});
}

std::vector<CanvasOp> RecordingCanvas::Lines() const {
  std::vector<CanvasOp> lines;
  for (const auto &op : ops_)
    if (op.kind == CanvasOp::LineTo) lines.push_back(op);
  return lines;
}

std::vector<CanvasOp> RecordingCanvas::Texts() const {
  std::vector<CanvasOp> texts;
  for (const auto &op : ops_)
    if (op.kind == CanvasOp::TextOut) texts.push_back(op);
  return texts;
}

}  // namespace tamrix::ui
