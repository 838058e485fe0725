// The on-screen peer of a Panel: a group drawn with its bevels, holding the
// widgets of the panel's controls.
#include <FL/Fl_Group.H>
#include <FL/fl_draw.H>

#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

void DrawBevel(int x, int y, int w, int h, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const Fl_Color light = ToFlColor(clBtnHighlight), dark = ToFlColor(clBtnShadow);
  for (int i = 0; i < width; ++i) {
    fl_color(cut == bvRaised ? light : dark);
    fl_xyline(x + i, y + i, x + w - 1 - i);
    fl_yxline(x + i, y + i, y + h - 1 - i);
    fl_color(cut == bvRaised ? dark : light);
    fl_xyline(x + i, y + h - 1 - i, x + w - 1 - i);
    fl_yxline(x + w - 1 - i, y + i, y + h - 1 - i);
  }
}

class PanelGroup : public Fl_Group {
 public:
  PanelGroup(ViewContext &ctx, Panel &p) : Fl_Group(0, 0, 10, 10), ctx_(ctx), p_(p) {
    end();
    resizable(nullptr);
  }
  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      fl_rectf(x(), y(), w(), h(), ToFlColor(p_.Color()));
      // Bevel and border keep their widths in device pixels.
      const int bw = p_.BevelWidth();
      const int border = p_.BorderWidth();
      DrawBevel(x(), y(), w(), h(), p_.BevelOuter(), bw);
      const int in = (p_.BevelOuter() != bvNone ? bw : 0) + border;
      DrawBevel(x() + in, y() + in, w() - 2 * in, h() - 2 * in, p_.BevelInner(), bw);
      if (!p_.Caption().empty()) {
        fl_font(kFont, ctx_.FontSize(p_.Font()));
        fl_color(ToFlColor(p_.Font().color));
        fl_draw(p_.Caption().c_str(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
      }
      draw_children();
    } else {
      for (int i = 0; i < children(); ++i) update_child(*child(i));
    }
  }

 private:
  ViewContext &ctx_;
  Panel &p_;
};

class PanelPeer : public WidgetPeer {
 public:
  PanelPeer(ViewContext &ctx, FormPeer &form, Panel &p) : WidgetPeer(ctx, form, p) {
    group_ = new PanelGroup(ctx, p);
    Own(group_);
  }
  Fl_Group *Group() const { return group_; }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Color || what == Aspect::Bevel || what == Aspect::Caption ||
        what == Aspect::Font)
      group_->redraw();
  }

 private:
  PanelGroup *group_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakePanelPeer(ViewContext &ctx, FormPeer &form, Panel &p) {
  return std::make_unique<PanelPeer>(ctx, form, p);
}

Fl_Group *GroupOf(WidgetPeer &peer) {
  auto *p = dynamic_cast<PanelPeer *>(&peer);
  return p ? p->Group() : nullptr;
}

}  // namespace tamrix::ui::view
