#include "fltk_canvas.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <string>

namespace tamrix::ui::view {

void FltkCanvas::Apply(const CanvasOp &op) {
  switch (op.kind) {
    case CanvasOp::LineTo:
      fl_color(ToFlColor(op.color));
      fl_line_style(FL_SOLID, op.width > 1 ? ctx_.Px(op.width) : 0);
      fl_line(ox_ + ctx_.Px(op.from.x), oy_ + ctx_.Px(op.from.y), ox_ + ctx_.Px(op.at.x),
              oy_ + ctx_.Px(op.at.y));
      fl_line_style(0);
      break;
    case CanvasOp::TextOut: {
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
