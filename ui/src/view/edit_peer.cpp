// The on-screen peer of an Edit: a one-line text field.
#include <FL/Fl_Input.H>
#include <FL/Fl_Widget.H>

#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

class EditPeer : public WidgetPeer {
 public:
  EditPeer(ViewContext &ctx, FormPeer &form, Edit &e) : WidgetPeer(ctx, form, e), e_(e) {
    w_ = new Fl_Input(0, 0, 10, 10);
    w_->when(FL_WHEN_CHANGED);
    w_->callback(&EditPeer::OnType, this);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Text: w_->value(e_.Text().c_str()); break;
      case Aspect::Font:
        w_->textfont(kFont);
        w_->textsize(ctx_.FontSize(e_.Font()));
        w_->textcolor(ToFlColor(e_.Font().color));
        break;
      case Aspect::Color: w_->color(ToFlColor(e_.Color())); break;
      default: return;
    }
    w_->redraw();
  }

 private:
  static void OnType(Fl_Widget *, void *self) {
    auto *p = static_cast<EditPeer *>(self);
    PeerMute mute(p->e_.PeerHolder());
    p->e_.SetText(p->w_->value());
  }
  Edit &e_;
  Fl_Input *w_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeEditPeer(ViewContext &ctx, FormPeer &form, Edit &e) {
  return std::make_unique<EditPeer>(ctx, form, e);
}

}  // namespace tamrix::ui::view
