#include "fltk_canvas.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cstring>
#include <string>

#include "pixel_cover.h"

namespace tamrix::ui::view {

namespace {

// Straight to the X server; the GC carries the colour, line style and clip
// that fl_color and fl_line_style set. A single-pixel piece goes as a point:
// what a line with both ends on one pixel draws is up to the server.
void SendThin(const std::vector<Segment> &segments) {
  static_assert(sizeof(XSegment) == sizeof(Segment));
  std::vector<XSegment> lines;
  std::vector<XPoint> points;
  lines.reserve(segments.size());
  for (const Segment &s : segments) {
    if (s.x1 == s.x2 && s.y1 == s.y2)
      points.push_back({s.x1, s.y1});
    else
      lines.push_back({s.x1, s.y1, s.x2, s.y2});
  }
  // Both split what is too large for one request themselves.
  if (!lines.empty())
    XDrawSegments(fl_display, fl_window, fl_gc, lines.data(), static_cast<int>(lines.size()));
  if (!points.empty())
    XDrawPoints(fl_display, fl_window, fl_gc, points.data(), static_cast<int>(points.size()),
                CoordModeOrigin);
}

}  // namespace

void FltkCanvas::Flush() {
  FlushThin();
  FlushWide();
}

void FltkCanvas::FlushThin() {
  if (thin_.empty()) return;
  const auto slanted = [](const Segment &s) { return s.x1 != s.x2 && s.y1 != s.y2; };
  bool any_slanted = false;
  for (ThinPen &pen : thin_) {
    const std::vector<Segment> &segments = pen.runs.Segments();
    any_slanted = any_slanted || std::any_of(segments.begin(), segments.end(), slanted);
  }
  fl_line_style(FL_SOLID, 0);
  // Last drawn first: each pen keeps only the pixels that stay its colour.
  // Such pieces never overlap, so without slanted strokes (whose pixels are
  // the server's, and must be drawn in order) each pen goes out as soon as
  // it is cut (Xlib sends them as its buffer fills: flushing each pen
  // costs more than it gains).
  PixelCover cover(ox_, oy_, width_, height_);
  std::vector<std::vector<Segment>> shown(thin_.size());
  for (std::size_t pen = thin_.size(); pen-- > 0;) {
    // Columns first: a step line's short rows then lie on pixels its columns
    // took, and go, instead of cutting the columns in two.
    const std::vector<Segment> &segments = thin_[pen].runs.Segments();
    for (const Segment &s : segments)
      if (s.x1 == s.x2) cover.Take(s, shown[pen]);
    for (const Segment &s : segments) {
      if (slanted(s))
        shown[pen].push_back(s);
      else if (s.y1 == s.y2)
        cover.Take(s, shown[pen]);
    }
    if (!any_slanted) {
      fl_color(ToFlColor(thin_[pen].color));
      SendThin(shown[pen]);
    }
  }
  if (any_slanted) {
    for (std::size_t pen = 0; pen < thin_.size(); ++pen) {
      fl_color(ToFlColor(thin_[pen].color));
      SendThin(shown[pen]);
    }
  }
  fl_line_style(0);
  thin_.clear();
}

void FltkCanvas::AddWidePoint(TPoint p) {
  wide_points_.push_back(static_cast<short>(ox_ + p.x));
  wide_points_.push_back(static_cast<short>(oy_ + p.y));
}

void FltkCanvas::AddWide(TPoint from, TPoint to) {
  if (wide_starts_.empty() || PenColor() != wide_color_ || PenWidth() != wide_width_) {
    FlushWide();
    wide_color_ = PenColor();
    wide_width_ = PenWidth();
  }
  if (wide_starts_.empty() || from != wide_end_) {
    wide_starts_.push_back(wide_points_.size() / 2);
    AddWidePoint(from);
  }
  AddWidePoint(to);
  wide_end_ = to;
}

void FltkCanvas::FlushWide() {
  if (wide_starts_.empty()) return;
  static_assert(sizeof(XPoint) == 2 * sizeof(short));
  fl_color(ToFlColor(wide_color_));
  fl_line_style(FL_SOLID, wide_width_);
  // XDrawLines does not split a polyline too large for one request.
  constexpr std::size_t kPointsPerRequest = 16000;
  const std::size_t points = wide_points_.size() / 2;
  std::vector<XPoint> xpoints(points);
  std::memcpy(xpoints.data(), wide_points_.data(), points * sizeof(XPoint));
  wide_starts_.push_back(points);
  for (std::size_t p = 0; p + 1 < wide_starts_.size(); ++p) {
    const std::size_t end = wide_starts_[p + 1];
    for (std::size_t first = wide_starts_[p]; first + 1 < end; first += kPointsPerRequest - 1) {
      const std::size_t n = std::min(kPointsPerRequest, end - first);
      XDrawLines(fl_display, fl_window, fl_gc, xpoints.data() + first, static_cast<int>(n),
                 CoordModeOrigin);
    }
  }
  wide_points_.clear();
  wide_starts_.clear();
  fl_line_style(0);
}

void FltkCanvas::ApplyPolyline(TPoint from, std::span<const TPoint> points) {
  if (PenWidth() > 1) {
    if (!thin_.empty()) FlushThin();
    for (const TPoint &to : points) {
      AddWide(from, to);
      from = to;
    }
    return;
  }
  if (!wide_starts_.empty()) FlushWide();
  if (thin_.empty() || thin_.back().color != PenColor()) thin_.push_back({PenColor(), {}});
  StrokeRuns &runs = thin_.back().runs;
  // Strokes that stay in one column (a step line's up and down) cover the
  // rows between the lowest and highest of their points: found in a tight
  // loop, they go in as one stroke. A one-pixel row step between two such
  // columns lies on pixels they both cover, and is left out.
  int x = ox_ + from.x, y = oy_ + from.y;
  Segment step{};
  bool step_pending = false, step_start_covered = false;
  const auto settle_step = [&](bool end_covered) {
    const bool hidden =
        step.y1 == step.y2 && std::abs(step.x2 - step.x1) == 1 && step_start_covered && end_covered;
    if (!hidden) runs.AddStroke(step.x1, step.y1, step.x2, step.y2);
    step_pending = false;
  };
  for (std::size_t i = 0; i < points.size();) {
    int lo = y, hi = y;
    for (; i < points.size() && ox_ + points[i].x == x; ++i) {
      y = oy_ + points[i].y;
      lo = std::min(lo, y);
      hi = std::max(hi, y);
    }
    const bool column = lo != hi;
    if (column) runs.AddStroke(x, lo, x, hi);
    if (step_pending) settle_step(column);
    if (i == points.size()) break;
    const int to_x = ox_ + points[i].x, to_y = oy_ + points[i].y;
    step = {static_cast<short>(x), static_cast<short>(y), static_cast<short>(to_x),
            static_cast<short>(to_y)};
    step_pending = true;
    step_start_covered = column;
    x = to_x;
    y = to_y;
    ++i;
  }
  if (step_pending) settle_step(false);
}

void FltkCanvas::Apply(const CanvasOp &op) {
  switch (op.kind) {
    case CanvasOp::LineTo: ApplyPolyline(op.from, {&op.at, 1}); break;
    case CanvasOp::TextOut: {
      Flush();
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
