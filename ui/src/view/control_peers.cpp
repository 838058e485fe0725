// What every control's peer shares (visibility, enabling, placement in
// window pixels) and the peer each kind of control gets; the kinds' own
// widgets live in a file each.
#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>

#include <algorithm>
#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

WidgetPeer::~WidgetPeer() { delete widget_; }

void WidgetPeer::Update(Aspect what) {
  switch (what) {
    case Aspect::Bounds: form_.LayoutAll(); break;
    case Aspect::Visible:
      if (model_.Visible())
        widget_->show();
      else
        widget_->hide();
      break;
    case Aspect::Enabled:
      if (model_.Enabled())
        widget_->activate();
      else
        widget_->deactivate();
      break;
    default: Sync(what); break;
  }
}

void WidgetPeer::SyncAll() {
  for (Aspect a : {Aspect::Visible, Aspect::Enabled}) Update(a);
  for (Aspect a : {Aspect::Font, Aspect::Color, Aspect::Caption, Aspect::Style, Aspect::Items,
                   Aspect::Text, Aspect::ItemIndex, Aspect::Bevel, Aspect::Keys})
    Sync(a);
}

namespace {

struct Edges {
  int x0, y0, x1, y1;
};

// Which of a control's edges keep their distance to the window's right or
// bottom edge when the window is resized: those of a control docked to that
// side, and the far edges of one that spans the rest, inside a parent whose
// own far edge does so.
struct FarEdges {
  bool x0, y0, x1, y1;
};

FarEdges FarEdgesOf(const Control &c) {
  FarEdges parent{true, true, true, true};
  if (const auto *pc = dynamic_cast<const Control *>(c.Parent())) parent = FarEdgesOf(*pc);
  if (c.Align() == alNone || !c.Visible()) return {false, false, false, false};
  const TAlign a = c.Align();
  const bool spans_x = a == alTop || a == alBottom || a == alClient;
  const bool spans_y = a == alLeft || a == alRight || a == alClient;
  return {a == alRight && parent.x1, a == alBottom && parent.y1,
          (a == alRight || spans_x) && parent.x1, (a == alBottom || spans_y) && parent.y1};
}

// A control's edges in window pixels (below the menu bar). Edges are scaled
// from window-absolute layout positions, each rounded to the nearest pixel,
// so that docked neighbours meet without gaps. An edge that keeps its
// distance to the window's right or bottom edge is placed where it was at the
// size the program set, moved by as many pixels as the window has grown, so
// that a strip docked there keeps its width in pixels at every size. An edge
// on a panel's inner border keeps the panel's bevel and border, which are
// device pixels, at their width.
Edges EdgesOf(const ViewContext &ctx, const WidgetPeer::Placement &where, const Control &c) {
  int left = c.Left(), top = c.Top();
  for (Container *p = c.Parent(); p;) {
    auto *pc = dynamic_cast<Control *>(p);
    if (!pc) break;
    left += pc->Left();
    top += pc->Top();
    p = pc->Parent();
  }
  const FarEdges far = FarEdgesOf(c);
  const auto x = [&](int at, bool is_far) {
    return is_far ? ctx.Px(at - where.grown_x) + where.grown_px_x : ctx.Px(at);
  };
  const auto y = [&](int at, bool is_far) {
    return is_far ? ctx.Px(at - where.grown_y) + where.grown_px_y : ctx.Px(at);
  };
  Edges e{x(left, far.x0), y(top, far.y0), x(left + c.Width(), far.x1),
          y(top + c.Height(), far.y1)};
  if (const auto *panel = dynamic_cast<const Panel *>(c.Parent())) {
    const TRect inner = panel->AlignRect();
    const int inset = inner.left;
    if (inset > 0) {
      const Edges outer = EdgesOf(ctx, where, *panel);
      const TRect &r = c.BoundsRect();
      if (r.left == inner.left) e.x0 = outer.x0 + inset;
      if (r.top == inner.top) e.y0 = outer.y0 + inset;
      if (r.Right() == inner.Right()) e.x1 = outer.x1 - inset;
      if (r.Bottom() == inner.Bottom()) e.y1 = outer.y1 - inset;
    }
  }
  return e;
}

}  // namespace

void WidgetPeer::Place(const Placement &where) {
  const Edges e = EdgesOf(ctx_, where, model_);
  widget_->resize(e.x0, where.menu_height + e.y0, std::max(e.x1 - e.x0, 0),
                  std::max(e.y1 - e.y0, 0));
  Placed();
}

std::unique_ptr<WidgetPeer> MakeWidgetPeer(ViewContext &ctx, FormPeer &form, Control &control) {
  Fl_Group::current(nullptr);
  if (auto *b = dynamic_cast<Button *>(&control)) return MakeButtonPeer(ctx, form, *b);
  if (auto *l = dynamic_cast<Label *>(&control)) return MakeLabelPeer(ctx, form, *l);
  if (auto *l = dynamic_cast<ListBox *>(&control)) return MakeListBoxPeer(ctx, form, *l);
  if (auto *c = dynamic_cast<ComboBox *>(&control)) return MakeComboBoxPeer(ctx, form, *c);
  if (auto *e = dynamic_cast<Edit *>(&control)) return MakeEditPeer(ctx, form, *e);
  if (auto *p = dynamic_cast<Panel *>(&control)) return MakePanelPeer(ctx, form, *p);
  if (auto *p = dynamic_cast<PaintBox *>(&control)) return MakePaintBoxPeer(ctx, form, *p);
  // A control kind without a widget of its own still gets a place.
  struct Blank : WidgetPeer {
    Blank(ViewContext &c, FormPeer &f, Control &m) : WidgetPeer(c, f, m) {
      Own(new Fl_Box(0, 0, 10, 10));
    }
    void Sync(Aspect) override {}
  };
  return std::make_unique<Blank>(ctx, form, control);
}

}  // namespace tamrix::ui::view
