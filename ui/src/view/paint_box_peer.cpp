// The on-screen peer of a PaintBox: an area its paint handler draws.
#include <FL/Fl_Widget.H>
#include <FL/fl_draw.H>

#include <memory>

#include "fltk_canvas.h"
#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

class PaintBoxWidget : public Fl_Widget {
 public:
  PaintBoxWidget(ViewContext &ctx, PaintBox &p) : Fl_Widget(0, 0, 10, 10), ctx_(ctx), p_(p) {}
  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    fl_rectf(x(), y(), w(), h(), ToFlColor(p_.Color()));
    {
      // The canvas sends its last strokes as it goes: still inside the clip.
      FltkCanvas canvas(ctx_, x(), y(), w(), h(), p_.Font());
      ++ctx_.drawing;
      p_.Paint(canvas);
      --ctx_.drawing;
    }
    fl_pop_clip();
  }

 private:
  ViewContext &ctx_;
  PaintBox &p_;
};

class PaintBoxPeer : public WidgetPeer {
 public:
  PaintBoxPeer(ViewContext &ctx, FormPeer &form, PaintBox &p) : WidgetPeer(ctx, form, p), p_(p) {
    Own(new PaintBoxWidget(ctx, p));
  }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Color || what == Aspect::Font) Widget()->redraw();
  }
  // The paint handler's canvas is the widget's own pixels.
  void Placed() override { p_.SetPixelSize(Widget()->w(), Widget()->h()); }

 private:
  PaintBox &p_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakePaintBoxPeer(ViewContext &ctx, FormPeer &form, PaintBox &p) {
  return std::make_unique<PaintBoxPeer>(ctx, form, p);
}

}  // namespace tamrix::ui::view
