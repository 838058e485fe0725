#include "app_access.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/screen.h"

namespace tamrix::ui {

PaintBox::PaintBox(Container *parent)
    : Control(parent), last_paint_(std::make_unique<RecordingCanvas>()) {}

void PaintBox::Repaint() {
  // A paint handler that repaints its own box would recurse for ever.
  if (painting_) return;
  Application &app = detail::AppOf(*this);
  if (app.View() && PeerHolder().Get()) {
    app.View()->RepaintNow(*this);
    return;
  }
  last_paint_ = std::make_unique<RecordingCanvas>(Font());
  Paint(*last_paint_);
}

void PaintBox::Paint(Canvas &canvas) {
  if (painting_) return;
  painting_ = true;
  ++paint_count_;
  if (OnPaint) detail::AppOf(*this).RunGuarded([&] { OnPaint(canvas); });
  painting_ = false;
}

}  // namespace tamrix::ui
