#include "tamrix_ui/control.h"

#include <algorithm>
#include <climits>

#include "tamrix_ui/controls.h"
#include "tamrix_ui/form.h"

namespace tamrix::ui {

// ---- Container -------------------------------------------------------------

Container::~Container() {
  // Children normally go first (members die before their form); a straggler
  // must not reach back into a dead parent.
  for (Control *c : controls_) c->parent_ = nullptr;
}

void Container::Adopt(Control *c) { controls_.push_back(c); }

void Container::Release(Control *c) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), c), controls_.end());
  Realign();
}

void Container::PropagateFont() {
  for (Control *c : controls_) c->ParentFontChanged();
}

void Container::RealignTree() {
  Realign();
  ForEachControl(*this, [](Control &c) {
    if (Container *inner = c.AsContainer()) inner->Realign();
    return Walk::Into;
  });
}

void Container::Realign() {
  if (aligning_) return;
  if (const Form *f = OwnerForm(); f && !f->Created()) return;
  aligning_ = true;
  TRect rest = AlignRect();

  // Same-side controls keep the order of their current positions, so a
  // layout's design order survives every later realignment.
  auto docked = [this](TAlign a, auto key) {
    std::vector<Control *> list;
    for (Control *c : controls_)
      if (c->Docked() && c->Align() == a) list.push_back(c);
    std::stable_sort(list.begin(), list.end(),
                     [&](Control *x, Control *y) { return key(x) < key(y); });
    return list;
  };

  for (Control *c : docked(alTop, [](Control *c) { return c->Top(); })) {
    const int h = std::min(c->Height(), std::max(rest.height, 0));
    c->SetBoundsFromParent({rest.left, rest.top, std::max(rest.width, 0), c->Height()});
    rest.top += h;
    rest.height -= h;
  }
  for (Control *c : docked(alBottom, [](Control *c) { return -c->BoundsRect().Bottom(); })) {
    const int h = std::min(c->Height(), std::max(rest.height, 0));
    c->SetBoundsFromParent(
        {rest.left, rest.Bottom() - c->Height(), std::max(rest.width, 0), c->Height()});
    rest.height -= h;
  }
  for (Control *c : docked(alLeft, [](Control *c) { return c->Left(); })) {
    const int w = std::min(c->Width(), std::max(rest.width, 0));
    c->SetBoundsFromParent({rest.left, rest.top, c->Width(), std::max(rest.height, 0)});
    rest.left += w;
    rest.width -= w;
  }
  for (Control *c : docked(alRight, [](Control *c) { return -c->BoundsRect().Right(); })) {
    const int w = std::min(c->Width(), std::max(rest.width, 0));
    c->SetBoundsFromParent(
        {rest.Right() - c->Width(), rest.top, c->Width(), std::max(rest.height, 0)});
    rest.width -= w;
  }
  for (Control *c : docked(alClient, [](Control *) { return 0; }))
    c->SetBoundsFromParent(
        {rest.left, rest.top, std::max(rest.width, 0), std::max(rest.height, 0)});

  aligning_ = false;
  AfterRealign();
}

// ---- Control ---------------------------------------------------------------

Control::Control(Container *parent) : parent_(parent) {
  if (parent_) parent_->Adopt(this);
}

Control::~Control() {
  if (parent_) {
    if (Form *f = parent_->OwnerForm()) f->ControlRemoved(this);
    parent_->Release(this);
  }
  peer_.Reset();
}

Form *Control::OwnerForm() const { return parent_ ? parent_->OwnerForm() : nullptr; }

void Control::SetBounds(int left, int top, int width, int height) {
  const TRect r{left, top, std::max(width, 0), std::max(height, 0)};
  if (r == bounds_) return;
  bounds_ = r;
  Changed(Aspect::Bounds);
  OnBoundsChanged();
  if (parent_) parent_->Realign();
}

void Control::SetBoundsFromParent(const TRect &r) {
  if (r == bounds_) return;
  bounds_ = r;
  Changed(Aspect::Bounds);
  OnBoundsChanged();
}

void Control::SetAlign(TAlign a) {
  if (a == align_) return;
  align_ = a;
  if (parent_) parent_->Realign();
}

void Control::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  Changed(Aspect::Visible);
  if (parent_ && align_ != alNone) parent_->Realign();
}

void Control::SetEnabled(bool e) {
  if (e == enabled_) return;
  enabled_ = e;
  Changed(Aspect::Enabled);
}

const TFont &Control::Font() const {
  return parent_font_ && parent_ ? parent_->ChildFont() : font_;
}

void Control::SetFont(const TFont &font) {
  const bool same = !parent_font_ && font == font_;
  font_ = font;
  parent_font_ = false;
  if (same) return;
  Changed(Aspect::Font);
  OnFontChanged();
}

void Control::SetFontColor(TColor c) {
  TFont f = Font();
  f.color = c;
  SetFont(f);
}

void Control::ParentFontChanged() {
  if (!parent_font_) return;
  Changed(Aspect::Font);
  OnFontChanged();
}

void Control::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed(Aspect::Color);
}

bool Control::Focused() const {
  const Form *f = OwnerForm();
  return f && f->ActiveControl() == this;
}

void Control::SetFocus() {
  if (Form *f = OwnerForm()) f->SetActiveControl(this);
}

// ---- Walking the controls --------------------------------------------------

bool ForEachControl(const Container &container, const std::function<Walk(Control &)> &fn,
                    WalkOrder order) {
  // A copy: fn may change what it visits.
  std::vector<Control *> children = container.Controls();
  if (order == WalkOrder::Tab)
    std::stable_sort(children.begin(), children.end(), [](Control *a, Control *b) {
      const int ka = a->TabOrder() < 0 ? INT_MAX : a->TabOrder();
      const int kb = b->TabOrder() < 0 ? INT_MAX : b->TabOrder();
      return ka < kb;
    });
  for (Control *c : children) {
    const Walk next = fn(*c);
    if (next == Walk::Stop) return false;
    if (next == Walk::Past) continue;
    if (const Container *inner = c->AsContainer(); inner && !ForEachControl(*inner, fn, order))
      return false;
  }
  return true;
}

}  // namespace tamrix::ui
