#include "tamrix_ui/menu.h"

#include <algorithm>
#include <cctype>

#include "tamrix_ui/application.h"
#include "tamrix_ui/form.h"

namespace tamrix::ui {

namespace {

bool SameLetter(char a, char b) {
  return a != 0 &&
         std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
}

MenuItem *FindShortCutIn(const std::vector<MenuItem *> &items, TShortCut s) {
  for (MenuItem *item : items) {
    if (!item->Enabled()) continue;
    if (item->ShortCut() == s) return item;
    if (MenuItem *inner = FindShortCutIn(item->Items(), s)) return inner;
  }
  return nullptr;
}

MenuItem *FindMnemonicIn(const std::vector<MenuItem *> &items, char letter) {
  for (MenuItem *item : items)
    if (item->Enabled() && SameLetter(item->Mnemonic(), letter)) return item;
  return nullptr;
}

}  // namespace

MainMenu::MainMenu(Form *form) : form_(form) {
  if (form_) form_->menu_ = this;
}

MainMenu::~MainMenu() {
  for (MenuItem *item : items_) item->menu_ = nullptr;
  if (form_ && form_->menu_ == this) {
    form_->menu_ = nullptr;
    form_->open_menu_ = nullptr;
  }
  peer_.Reset();
}

MenuItem *MainMenu::FindShortCut(TShortCut s) const {
  return s == scNone ? nullptr : FindShortCutIn(items_, s);
}

MenuItem *MainMenu::FindMnemonic(char letter) const { return FindMnemonicIn(items_, letter); }

MenuItem::MenuItem(MainMenu *menu) : menu_(menu), parent_(nullptr) {
  if (menu_) {
    menu_->items_.push_back(this);
    menu_->Changed();
  }
}

MenuItem::MenuItem(MenuItem *parent) : menu_(parent ? parent->menu_ : nullptr), parent_(parent) {
  if (parent_) parent_->items_.push_back(this);
  if (menu_) menu_->Changed();
}

MenuItem::~MenuItem() {
  for (MenuItem *item : items_) item->parent_ = nullptr;
  auto &siblings = parent_ ? parent_->items_ : menu_ ? menu_->items_ : items_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  if (menu_) {
    if (Form *f = menu_->OwnerForm(); f && f->open_menu_ == this) f->open_menu_ = nullptr;
    menu_->Changed();
  }
}

void MenuItem::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  if (menu_) menu_->Changed();
}

void MenuItem::SetShortCut(TShortCut s) {
  shortcut_ = s;
  if (menu_) menu_->Changed();
}

void MenuItem::SetEnabled(bool e) {
  enabled_ = e;
  if (menu_) menu_->Changed();
}

MenuItem *MenuItem::FindMnemonic(char letter) const { return FindMnemonicIn(items_, letter); }

void MenuItem::Click() {
  if (!enabled_ || !OnClick) return;
  Form *f = menu_ ? menu_->OwnerForm() : nullptr;
  (f ? f->App() : Application::Current()).RunGuarded(OnClick);
}

}  // namespace tamrix::ui
