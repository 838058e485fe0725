#include <algorithm>

#include "tamrix_ui/controls.h"

namespace tamrix::ui {

Panel::Panel(Container *parent) : Control(parent) {}

Panel::~Panel() = default;

void Panel::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Aspect::Caption);
}

void Panel::SetBevelInner(TBevelCut b) {
  if (b == bevel_inner_) return;
  bevel_inner_ = b;
  BevelChanged();
}

void Panel::SetBevelOuter(TBevelCut b) {
  if (b == bevel_outer_) return;
  bevel_outer_ = b;
  BevelChanged();
}

void Panel::SetBevelWidth(int w) {
  w = std::max(w, 1);
  if (w == bevel_width_) return;
  bevel_width_ = w;
  BevelChanged();
}

void Panel::SetBorderWidth(int w) {
  w = std::max(w, 0);
  if (w == border_width_) return;
  border_width_ = w;
  BevelChanged();
}

void Panel::BevelChanged() {
  Changed(Aspect::Bevel);
  Realign();
}

TRect Panel::AlignRect() const {
  const int inset = border_width_ + (bevel_outer_ != bvNone ? bevel_width_ : 0) +
                    (bevel_inner_ != bvNone ? bevel_width_ : 0);
  return {inset, inset, std::max(Width() - 2 * inset, 0), std::max(Height() - 2 * inset, 0)};
}

}  // namespace tamrix::ui
