#include "app_access.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui {

Label::Label(Container *parent) : Control(parent) {}

void Label::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Aspect::Caption);
  FitText();
}

void Label::SetAutoSize(bool a) {
  if (a == auto_size_) return;
  auto_size_ = a;
  FitText();
}

void Label::SetTransparent(bool t) {
  if (t == transparent_) return;
  transparent_ = t;
  Changed(Aspect::Color);
}

void Label::FitText() {
  if (!auto_size_) return;
  const TextExtent e = detail::AppOf(*this).Measurer().Measure(Font(), caption_);
  SetBounds(Left(), Top(), e.width, e.height);
}

}  // namespace tamrix::ui
