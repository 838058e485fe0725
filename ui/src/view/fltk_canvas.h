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
  // The box is the paint box in window pixels; the paint is clipped to it.
  FltkCanvas(const ViewContext &ctx, int x, int y, int width, int height, TFont font)
      : Canvas(std::move(font)), ctx_(ctx), ox_(x), oy_(y), width_(width), height_(height) {}
  ~FltkCanvas() override { Flush(); }

 protected:
  void Apply(const CanvasOp &op) override;
  void ApplyPolyline(TPoint from, std::span<const TPoint> points) override;

 private:
  // Strokes are kept until text is drawn, the pen changes between thin and
  // wide, or the paint ends, then sent in a few large requests: a step line
  // of thousands of samples is a handful of requests, not one per stroke.
  void Flush();
  // One-pixel strokes: merged per colour, and cut down to the pixels no
  // later stroke paints over.
  void FlushThin();
  // Wider strokes keep their joins: polylines of one pen, sent whole.
  void AddWide(TPoint from, TPoint to);
  void FlushWide();
  void AddWidePoint(TPoint p);

  struct ThinPen {
    TColor color;
    StrokeRuns runs;
  };

  const ViewContext &ctx_;
  int ox_;
  int oy_;
  int width_;
  int height_;
  std::vector<ThinPen> thin_;             // in drawing order
  std::vector<short> wide_points_;        // x, y pairs in window pixels
  std::vector<std::size_t> wide_starts_;  // first point of each polyline
  TPoint wide_end_;
  TColor wide_color_ = 0;
  int wide_width_ = 1;
};

}  // namespace tamrix::ui::view
