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
  // Straight to the X server; the GC carries the colour, line style and clip
  // that fl_color and fl_line_style set.
  static_assert(sizeof(XPoint) == 2 * sizeof(short) && sizeof(XSegment) == sizeof(Segment));
  const std::size_t points = line_points_.size() / 2;
  line_starts_.push_back(points);
  if (line_width_ <= 1) {
    // One-pixel lines: the same pixels in far fewer, merged segments.
    for (std::size_t p = 0; p + 1 < line_starts_.size(); ++p)
      runs_.AddPolyline(&line_points_[2 * line_starts_[p]], line_starts_[p + 1] - line_starts_[p]);
    const std::vector<Segment> &segments = runs_.Segments();
    if (!segments.empty()) {  // an empty vector's data may be null
      std::vector<XSegment> xsegments(segments.size());
      std::memcpy(xsegments.data(), segments.data(), segments.size() * sizeof(XSegment));
      // XDrawSegments splits what is too large for one request itself.
      XDrawSegments(fl_display, fl_window, fl_gc, xsegments.data(),
                    static_cast<int>(xsegments.size()));
    }
    runs_.Clear();
  } else {
    // Wider lines keep their joins: each polyline goes whole, in requests
    // the server accepts (XDrawLines does not split them).
    constexpr std::size_t kPointsPerRequest = 16000;
    std::vector<XPoint> xpoints(points);
    std::memcpy(xpoints.data(), line_points_.data(), points * sizeof(XPoint));
    for (std::size_t p = 0; p + 1 < line_starts_.size(); ++p) {
      const std::size_t end = line_starts_[p + 1];
      for (std::size_t first = line_starts_[p]; first + 1 < end; first += kPointsPerRequest - 1) {
        const std::size_t n = std::min(kPointsPerRequest, end - first);
        XDrawLines(fl_display, fl_window, fl_gc, xpoints.data() + first, static_cast<int>(n),
                   CoordModeOrigin);
      }
    }
  }
  line_points_.clear();
  line_starts_.clear();
  fl_line_style(0);
  line_open_ = false;
}

void FltkCanvas::Apply(const CanvasOp &op) {
  switch (op.kind) {
    case CanvasOp::LineTo:
      if (!line_open_ || op.color != line_color_ || op.width != line_width_) {
        FlushLines();
        fl_color(ToFlColor(op.color));
        fl_line_style(FL_SOLID, op.width > 1 ? op.width : 0);
        line_open_ = true;
        line_color_ = op.color;
        line_width_ = op.width;
      }
      if (line_starts_.empty() || op.from != line_end_) {
        line_starts_.push_back(line_points_.size() / 2);
        AddPoint(ox_ + op.from.x, oy_ + op.from.y);
      }
      AddPoint(ox_ + op.at.x, oy_ + op.at.y);
      line_end_ = op.at;
      break;
    case CanvasOp::TextOut: {
      FlushLines();
      fl_font(kFont, ctx_.FontSize(Font()));
      fl_color(ToFlColor(op.color));
      // TextOut places the top of the text; fl_draw wants the baseline.
      const std::string text = op.text;
      fl_draw(text.c_str(), ox_ + op.at.x, oy_ + op.at.y + fl_height() - fl_descent());
      break;
    }
    default: break;  // state only
  }
}

}  // namespace tamrix::ui::view
