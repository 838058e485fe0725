// The on-screen peer of a Label: the caption drawn as written.
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

class LabelWidget : public Fl_Box {
 public:
  LabelWidget(ViewContext &ctx, Label &l) : Fl_Box(0, 0, 10, 10), ctx_(ctx), l_(l) {}
  void draw() override {
    if (!l_.Transparent()) fl_rectf(x(), y(), w(), h(), ToFlColor(l_.Color()));
    fl_font(kFont, ctx_.FontSize(l_.Font()));
    fl_color(ToFlColor(l_.Font().color));
    // No symbol escapes: captions are shown as written.
    fl_draw(l_.Caption().c_str(), x(), y(), w(), h(),
            FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE, nullptr, 0);
  }

 private:
  ViewContext &ctx_;
  Label &l_;
};

class LabelPeer : public WidgetPeer {
 public:
  LabelPeer(ViewContext &ctx, FormPeer &form, Label &l) : WidgetPeer(ctx, form, l) {
    Own(new LabelWidget(ctx, l));
  }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Caption || what == Aspect::Font || what == Aspect::Color) {
      // A transparent label shows what is behind it.
      if (Fl_Window *win = Widget()->window())
        win->damage(FL_DAMAGE_ALL, Widget()->x(), Widget()->y(), Widget()->w(), Widget()->h());
      Widget()->redraw();
    }
  }
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeLabelPeer(ViewContext &ctx, FormPeer &form, Label &l) {
  return std::make_unique<LabelPeer>(ctx, form, l);
}

}  // namespace tamrix::ui::view
