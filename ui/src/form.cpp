#include "tamrix_ui/form.h"

#include <algorithm>

#include "tamrix_ui/application.h"
#include "tamrix_ui/errors.h"
#include "tamrix_ui/menu.h"

namespace tamrix::ui {

namespace {

// Letter and digit keys carry their upper-case ASCII code; other key codes
// (F1 is 0x70, 'p') must not pass for letters.
bool IsLetterOrDigitKey(TShortCut code) {
  return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
}

}  // namespace

Form::Form() : app_(Application::Current()), handle_(app_.Queue().CreateWindowHandle()) {
  app_.RegisterHandle(handle_, this);
}

Form::~Form() {
  app_.UnregisterHandle(handle_);
  app_.Queue().DestroyWindowHandle(handle_);
  peer_.Reset();
}

void Form::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  Changed(Aspect::Caption);
}

void Form::SetClientSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == client_width_ && height == client_height_) return;
  client_width_ = width;
  client_height_ = height;
  Realign();
  Changed(Aspect::Bounds);
  // Before creation the layout is still being built; the first Show reports
  // the size then.
  if (created_ && OnResize) app_.RunGuarded(OnResize);
}

void Form::SetLeft(int l) {
  left_ = l;
  Changed(Aspect::Bounds);
}

void Form::SetTop(int t) {
  top_ = t;
  Changed(Aspect::Bounds);
}

void Form::SetPosition(TPosition p) {
  position_ = p;
  Changed(Aspect::Bounds);
}

void Form::SetBorderStyle(TBorderStyle s) {
  border_style_ = s;
  Changed(Aspect::Style);
}

void Form::SetFont(const TFont &font) {
  if (font == font_) return;
  font_ = font;
  Changed(Aspect::Font);
  PropagateFont();
}

void Form::SetFontColor(TColor c) {
  TFont f = font_;
  f.color = c;
  SetFont(f);
}

void Form::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed(Aspect::Color);
}

void Form::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (!v) {
    open_menu_ = nullptr;
    if (active_) active_->Dismiss();
  }
  Changed(Aspect::Visible);
  if (v && !shown_once_) {
    shown_once_ = true;
    if (OnResize) app_.RunGuarded(OnResize);
  }
}

void Form::Show() { SetVisible(true); }

void Form::Hide() { SetVisible(false); }

void Form::Close() {
  if (modal_) {
    SetModalResult(mrCancel);
  } else if (app_.MainForm() == this) {
    Hide();
    app_.Terminate();
  } else {
    Hide();
  }
}

TModalResult Form::ShowModal() { return app_.RunModal(*this); }

void Form::SetModalResult(TModalResult r) {
  modal_result_ = r;
  Changed(Aspect::Modal);
}

void Form::SetMessageHandler(UINT message, MessageHandler handler) {
  if (handler)
    handlers_[message] = std::move(handler);
  else
    handlers_.erase(message);
}

bool Form::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  const auto it = handlers_.find(message);
  if (it == handlers_.end()) return false;
  // A copy: the handler may replace itself.
  const MessageHandler handler = it->second;
  app_.RunGuarded([&] { handler(wparam, lparam); });
  return true;
}

void Form::SetActiveControl(Control *c) {
  if (c == active_) return;
  // A list open below the box closes when the focus leaves it.
  if (active_) active_->Dismiss();
  active_ = c;
  Changed(Aspect::Focus);
}

void Form::ControlRemoved(Control *c) {
  if (active_ == c) active_ = nullptr;
}

std::vector<Control *> Form::TabOrderList() const {
  std::vector<Control *> out;
  ForEachControl(
      *this,
      [&out](Control &c) {
        if (!c.Visible()) return Walk::Past;
        if (!c.AsContainer() && c.CanFocus()) out.push_back(&c);
        return Walk::Into;
      },
      WalkOrder::Tab);
  return out;
}

void Form::SelectNext(bool forward) {
  const auto list = TabOrderList();
  if (list.empty()) return;
  const auto it = std::find(list.begin(), list.end(), active_);
  const auto n = static_cast<long>(list.size());
  long i = it == list.end() ? (forward ? -1 : 0) : it - list.begin();
  i = ((forward ? i + 1 : i - 1) % n + n) % n;
  SetActiveControl(list[static_cast<std::size_t>(i)]);
}

void Form::FindButtons(Button **def, Button **cancel) const {
  ForEachControl(*this, [def, cancel](Control &c) {
    if (!c.Visible() || !c.Enabled()) return Walk::Past;
    if (auto *b = dynamic_cast<Button *>(&c)) {
      if (b->Default() && !*def) *def = b;
      if (b->Cancel() && !*cancel) *cancel = b;
    }
    return Walk::Into;
  });
}

Button *Form::DefaultButton() const {
  Button *def = nullptr, *cancel = nullptr;
  FindButtons(&def, &cancel);
  return def;
}

Button *Form::CancelButton() const {
  Button *def = nullptr, *cancel = nullptr;
  FindButtons(&def, &cancel);
  return cancel;
}

bool Form::KeyDown(TShortCut key) {
  const TShortCut code = KeyOf(key);
  const TShortCut mods = key & scModifiers;

  if (menu_) {
    if (MenuItem *item = menu_->FindShortCut(key)) {
      open_menu_ = nullptr;
      item->Click();
      return true;
    }
  }
  if (open_menu_) {
    MenuItem *open = open_menu_;
    if (key == vkEscape) {
      open_menu_ = nullptr;
      return true;
    }
    if ((mods == 0 || mods == scAlt) && IsLetterOrDigitKey(code)) {
      if (MenuItem *item = open->FindMnemonic(static_cast<char>(code))) {
        open_menu_ = nullptr;
        item->Click();
      }
      // An open menu swallows the keys it does not know.
      return true;
    }
  }
  if (menu_ && mods == scAlt && IsLetterOrDigitKey(code)) {
    if (MenuItem *top = menu_->FindMnemonic(static_cast<char>(code))) {
      if (top->Items().empty())
        top->Click();
      else
        open_menu_ = top;
      return true;
    }
  }
  if (active_ && active_->KeyDown(key)) return true;
  if (key == vkReturn) {
    auto *target = dynamic_cast<Button *>(active_);
    if (!target) target = DefaultButton();
    if (!target) return false;
    target->Click();
    return true;
  }
  if (key == vkEscape) {
    Button *cancel = CancelButton();
    if (!cancel) return false;
    cancel->Click();
    return true;
  }
  if (code == vkTab && (mods & ~scShift) == 0) {
    SelectNext((mods & scShift) == 0);
    return true;
  }
  return false;
}

void Form::DoCreate() {
  if (created_) return;
  created_ = true;
  RealignTree();
  if (OnCreate) app_.RunGuarded(OnCreate);
}

void Form::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) app_.RunGuarded(OnDestroy);
}

}  // namespace tamrix::ui
