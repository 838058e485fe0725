#include "fltk_canvas.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <string>

namespace tamrix::ui::view {

void FltkCanvas::FlushLines() {
  if (!line_open_) return;
  fl_end_line();
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
        fl_begin_line();
        fl_vertex(ox_ + ctx_.Px(op.from.x), oy_ + ctx_.Px(op.from.y));
        line_open_ = true;
        line_color_ = op.color;
        line_width_ = op.width;
      }
      fl_vertex(ox_ + ctx_.Px(op.at.x), oy_ + ctx_.Px(op.at.y));
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
