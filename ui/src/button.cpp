#include "app_access.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui {

Button::Button(Container *parent) : Control(parent) {}

Button::~Button() = default;

void Button::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Aspect::Caption);
}

void Button::SetDefault(bool d) {
  if (d == default_) return;
  default_ = d;
  Changed(Aspect::Keys);
}

void Button::SetCancel(bool c) {
  if (c == cancel_) return;
  cancel_ = c;
  Changed(Aspect::Keys);
}

void Button::Click() {
  if (modal_result_ != mrNone)
    if (Form *f = OwnerForm()) f->SetModalResult(modal_result_);
  if (OnClick) detail::AppOf(*this).RunGuarded(OnClick);
}

}  // namespace tamrix::ui
