#include <algorithm>
#include <cctype>
#include <optional>

#include "tamrix_ui/controls.h"
#include "tamrix_ui/errors.h"

namespace tamrix::ui {

ComboBox::ComboBox(Container *parent) : Control(parent) { SetColor(clWindow); }

void ComboBox::SetStyle(TComboBoxStyle s) {
  if (s == style_) return;
  style_ = s;
  if (style_ == csDropDownList)
    text_ = item_index_ >= 0 ? items_[static_cast<std::size_t>(item_index_)] : "";
  Changed(Aspect::Style);
}

int ComboBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  Changed(Aspect::Items);
  return ItemCount() - 1;
}

void ComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  item_index_ = -1;
  if (style_ == csDropDownList) text_.clear();
  Changed(Aspect::Items);
}

const std::string &ComboBox::Item(int index) const {
  text::CheckRange(index, ItemCount());
  return items_[static_cast<std::size_t>(index)];
}

void ComboBox::SetItemIndex(int index) {
  // No selection empties the text in both styles, as the platform's box does.
  item_index_ = index >= 0 && index < ItemCount() ? index : -1;
  text_ = item_index_ >= 0 ? items_[static_cast<std::size_t>(item_index_)] : "";
  Changed(Aspect::ItemIndex);
}

void ComboBox::SetText(std::string text) {
  if (style_ == csDropDownList) {
    // Only an item can be shown; other text selects nothing.
    const auto it = std::find(items_.begin(), items_.end(), text);
    SetItemIndex(it == items_.end() ? -1 : static_cast<int>(it - items_.begin()));
    return;
  }
  text_ = std::move(text);
  item_index_ = -1;
  Changed(Aspect::Text);
}

void ComboBox::SetDropDownCount(int n) {
  drop_down_count_ = std::max(n, 1);
  Changed(Aspect::Style);
}

void ComboBox::SetDroppedDown(bool open) {
  if (!open) {
    CloseUp(false);
    return;
  }
  if (dropped_down_ || !CanFocus()) return;
  // The open list takes the keyboard: the box is focused.
  SetFocus();
  index_at_open_ = item_index_;
  text_at_open_ = text_;
  dropped_down_ = true;
  Changed(Aspect::DropDown);
}

void ComboBox::CloseUp(bool cancel) {
  if (!dropped_down_) return;
  dropped_down_ = false;
  if (cancel) {
    // An editable box that showed typed text gets that text back.
    const bool typed = style_ == csDropDown && index_at_open_ < 0;
    if (typed) SetText(text_at_open_);
    if (!typed) SelectByKey(index_at_open_);
  }
  Changed(Aspect::DropDown);
}

void ComboBox::SelectByKey(int index) {
  if (index != item_index_) SetItemIndex(index);
}

int ComboBox::NextStartingWith(char c) const {
  const auto lower = [](char ch) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  };
  const int count = ItemCount();
  for (int step = 1; step <= count; ++step) {
    const int i = (item_index_ + step) % count;  // from the first item when none is selected
    const std::string &item = items_[static_cast<std::size_t>(i)];
    if (!item.empty() && lower(item[0]) == lower(c)) return i;
  }
  return -1;
}

bool ComboBox::KeyDown(TShortCut key) {
  const TShortCut code = KeyOf(key);
  const TShortCut mods = key & scModifiers;
  if (mods == scAlt && (code == vkDown || code == vkUp)) {
    // Alt+Up only closes.
    SetDroppedDown(!dropped_down_ && code == vkDown);
    return true;
  }
  if (key == vkF4) {
    SetDroppedDown(!dropped_down_);
    return true;
  }
  if (dropped_down_) {
    if (key == vkReturn || key == vkEscape) {
      CloseUp(key == vkEscape);
      return true;
    }
    if (code == vkTab) {
      CloseUp(false);
      return false;  // the form moves the focus on
    }
  }
  const int count = ItemCount();
  const bool list = style_ == csDropDownList;
  if (mods == 0) {
    // Home and End belong to the text of an editable box.
    const int page = std::max(drop_down_count_ - 1, 1);
    const int at = item_index_;
    std::optional<int> target;
    switch (code) {
      case vkUp: target = at - 1; break;
      case vkDown: target = at + 1; break;
      case vkPrior: target = at - page; break;
      case vkNext: target = at + page; break;
      case vkHome: target = list ? std::optional<int>(0) : std::nullopt; break;
      case vkEnd: target = list ? std::optional<int>(count - 1) : std::nullopt; break;
      default: break;
    }
    if (target) {
      if (count > 0) SelectByKey(std::clamp(*target, 0, count - 1));
      return true;
    }
  }
  const bool letter_or_digit = (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
  if (list && (mods & ~scShift) == 0 && letter_or_digit) {
    if (const int i = NextStartingWith(static_cast<char>(code)); i >= 0) SelectByKey(i);
    return true;
  }
  // An open list keeps the other keys to itself.
  return dropped_down_ && (mods & (scAlt | scCtrl)) == 0;
}

Edit::Edit(Container *parent) : Control(parent) { SetColor(clWindow); }

void Edit::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed(Aspect::Text);
}

}  // namespace tamrix::ui
