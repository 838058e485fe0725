#include <algorithm>

#include "tamrix_ui/controls.h"
#include "tamrix_ui/errors.h"

namespace tamrix::ui {

ComboBox::ComboBox(Container *parent) : Control(parent) { SetColor(clWindow); }

void ComboBox::SetStyle(TComboBoxStyle s) {
  if (s == style_) return;
  style_ = s;
  if (style_ == csDropDownList) text_ = item_index_ >= 0 ? items_[static_cast<std::size_t>(item_index_)] : "";
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

void ComboBox::ClearItems() { SetItems({}); }

const std::string &ComboBox::Item(int index) const {
  CheckRange(index, ItemCount());
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

Edit::Edit(Container *parent) : Control(parent) { SetColor(clWindow); }

void Edit::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed(Aspect::Text);
}

}  // namespace tamrix::ui
