#include "fltk_canvas.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>
#include <string>

namespace tamrix::ui::view {

void FltkCanvas::AddPoint(int x, int y) {
  line_points_.push_back(static_cast<short>(x));
  line_points_.push_back(static_cast<short>(y));
}

void FltkCanvas::FlushLines() {
  if (!line_open_) return;
  // Straight to the X server in large requests; the GC carries the colour,
  // line style and clip that fl_color and fl_line_style set.
  constexpr std::size_t kPointsPerRequest = 16000;
  static_assert(sizeof(XPoint) == 2 * sizeof(short));
  const std::size_t points = line_points_.size() / 2;
  std::vector<XPoint> xpoints(points);
  std::memcpy(xpoints.data(), line_points_.data(), points * sizeof(XPoint));
  for (std::size_t first = 0; first + 1 < points; first += kPointsPerRequest - 1) {
    const std::size_t n = std::min(kPointsPerRequest, points - first);
    XDrawLines(fl_display, fl_window, fl_gc, xpoints.data() + first, static_cast<int>(n), CoordModeOrigin);
  }
  line_points_.clear();
  fl_line_style(0);
  line_open_ = false;
}

void FltkCanvas::Apply(const CanvasOp &op) {
  switch (op.kind) {
    case CanvasOp::LineTo:
      if (!line_open_ || op.from != line_end_ || op.color != line_color_ ||
          op.width != line_width_) {
        FlushLines();
        fl_color(ToFlColor(op.color));
        fl_line_style(FL_SOLID, op.width > 1 ? ctx_.Px(op.width) : 0);
        AddPoint(ox_ + ctx_.Px(op.from.x), oy_ + ctx_.Px(op.from.y));
        line_open_ = true;
        line_color_ = op.color;
        line_width_ = op.width;
      }
      AddPoint(ox_ + ctx_.Px(op.at.x), oy_ + ctx_.Px(op.at.y));
      line_end_ = op.at;
      break;
    case CanvasOp::TextOut: {
      FlushLines();
      fl_font(kFont, ctx_.FontSize(Font()));
      fl_color(ToFlColor(op.color));
      // TextOut places the top of the text; fl_draw wants the baseline.
      const std::string text = op.text;
      fl_draw(text.c_str(), ox_ + ctx_.Px(op.at.x), oy_ + ctx_.Px(op.at.y) + fl_height() - fl_descent());
      break;
    }
    default:
      break;  // state only
  }
}

}  // namespace tamrix::ui::view
