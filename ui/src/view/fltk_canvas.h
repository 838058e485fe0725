// Paint handlers draw on screen through this canvas: device pixels of the
// paint box, offset into the window (the font alone follows the scale).
#pragma once

#include <cstddef>
#include <vector>

#include "stroke_runs.h"
#include "tamrix_ui/canvas.h"
#include "view_context.h"

namespace tamrix::ui::view {

class FltkCanvas : public Canvas {
 public:
  FltkCanvas(const ViewContext &ctx, int origin_x, int origin_y, TFont font)
      : Canvas(std::move(font)), ctx_(ctx), ox_(origin_x), oy_(origin_y) {}
  ~FltkCanvas() override { FlushLines(); }

 protected:
  void Apply(const CanvasOp &op) override;

 private:
  // Strokes of one pen are kept as polylines until the pen changes or text
  // is drawn, then sent in a few large requests: a step line of thousands of
  // samples is a handful of requests, not one per stroke.
  void FlushLines();
  void AddPoint(int x, int y);

  const ViewContext &ctx_;
  int ox_;
  int oy_;
  bool line_open_ = false;
  std::vector<short> line_points_;        // x, y pairs in window pixels
  std::vector<std::size_t> line_starts_;  // first point of each polyline
  TPoint line_end_;
  TColor line_color_ = 0;
  int line_width_ = 1;
  StrokeRuns runs_;
};

}  // namespace tamrix::ui::view
