#include <algorithm>

#include "tamrix_ui/controls.h"
#include "tamrix_ui/errors.h"

namespace tamrix::ui {

ListBox::ListBox(Container *parent) : Control(parent) { SetColor(clWindow); }

int ListBox::Add(std::string line) {
  items_.push_back(std::move(line));
  Changed(Aspect::Items);
  return Count() - 1;
}

void ListBox::Clear() {
  items_.clear();
  item_index_ = -1;
  top_index_ = 0;
  Changed(Aspect::Items);
}

const std::string &ListBox::Item(int index) const {
  CheckRange(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::SetItemIndex(int index) {
  // As on the original platform, an index outside the lines deselects.
  item_index_ = index >= 0 && index < Count() ? index : -1;
  ScrollIntoView();
  Changed(Aspect::ItemIndex);
}

int ListBox::ItemHeight() const { return std::max(Font().height, 1); }

int ListBox::VisibleLines() const {
  // Two pixels of sunken border above and below.
  return std::max(1, (Height() - 4) / ItemHeight());
}

void ListBox::ScrollIntoView() {
  if (item_index_ < 0) return;
  const int lines = VisibleLines();
  if (item_index_ < top_index_) top_index_ = item_index_;
  else if (item_index_ >= top_index_ + lines) top_index_ = item_index_ - lines + 1;
}

}  // namespace tamrix::ui
