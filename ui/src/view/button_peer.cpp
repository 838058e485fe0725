// The on-screen peer of a Button: a push button showing the caption.
#include <FL/Fl_Button.H>
#include <FL/Fl_Widget.H>

#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

class ButtonPeer : public WidgetPeer {
 public:
  ButtonPeer(ViewContext &ctx, FormPeer &form, Button &b) : WidgetPeer(ctx, form, b), b_(b) {
    w_ = new Fl_Button(0, 0, 10, 10);
    w_->callback([](Fl_Widget *, void *p) { static_cast<Button *>(p)->Click(); }, &b_);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Caption: w_->copy_label(PlainLabel(b_.Caption()).c_str()); break;
      case Aspect::Font:
        w_->labelfont(kFont);
        w_->labelsize(ctx_.FontSize(b_.Font()));
        w_->labelcolor(ToFlColor(b_.Font().color));
        break;
      default: return;
    }
    w_->redraw();
  }

 private:
  Button &b_;
  Fl_Button *w_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeButtonPeer(ViewContext &ctx, FormPeer &form, Button &b) {
  return std::make_unique<ButtonPeer>(ctx, form, b);
}

}  // namespace tamrix::ui::view
