// Paint handlers draw on screen through this canvas: layout coordinates of
// the paint box, scaled and offset into the window.
#pragma once

#include "tamrix_ui/canvas.h"
#include "view_context.h"

namespace tamrix::ui::view {

class FltkCanvas : public Canvas {
 public:
  FltkCanvas(const ViewContext &ctx, int origin_x, int origin_y, TFont font)
      : Canvas(std::move(font)), ctx_(ctx), ox_(origin_x), oy_(origin_y) {}

 protected:
  void Apply(const CanvasOp &op) override;

 private:
  const ViewContext &ctx_;
  int ox_;
  int oy_;
};

}  // namespace tamrix::ui::view
