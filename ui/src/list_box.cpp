#include <algorithm>

#include "app_access.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/errors.h"

namespace tamrix::ui {

ListBox::ListBox(Container *parent) : Control(parent) { SetColor(clWindow); }

int ListBox::Add(std::string line) {
  scroll_width_ = std::max(scroll_width_, MeasureLine(line));
  items_.push_back(std::move(line));
  Changed(Aspect::Items);
  return Count() - 1;
}

void ListBox::Clear() {
  items_.clear();
  item_index_ = -1;
  top_index_ = 0;
  scroll_width_ = 0;
  Changed(Aspect::Items);
}

int ListBox::MeasureLine(const std::string &line) const {
  return detail::AppOf(*this).Measurer().Measure(Font(), line).width;
}

void ListBox::OnFontChanged() {
  // Lists are recoloured line by line; only another face or size changes
  // the lines' widths.
  const TFont &font = Font();
  if (font.name == measured_face_ && font.height == measured_height_) return;
  measured_face_ = font.name;
  measured_height_ = font.height;
  scroll_width_ = 0;
  for (const std::string &line : items_) scroll_width_ = std::max(scroll_width_, MeasureLine(line));
  ScrollIntoView();
}

const std::string &ListBox::Item(int index) const {
  text::CheckRange(index, Count());
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::SetItemIndex(int index) {
  // As on the original platform, an index outside the lines deselects.
  item_index_ = index >= 0 && index < Count() ? index : -1;
  ScrollIntoView();
  Changed(Aspect::ItemIndex);
}

int ListBox::ItemHeight() const { return std::max(Font().height, 1); }

bool ListBox::HorizontalScrollBar() const {
  // The vertical bar, when the lines need one, narrows the room first.
  const bool vertical = static_cast<long>(Count()) * ItemHeight() > Height() - 2 * kFrame;
  const int room = Width() - 2 * kFrame - (vertical ? kScrollBarSize : 0);
  return scroll_width_ > 0 && scroll_width_ + kLinePadding > room;
}

int ListBox::VisibleLines() const {
  const int room = Height() - 2 * kFrame - (HorizontalScrollBar() ? kScrollBarSize : 0);
  return std::max(1, room / ItemHeight());
}

void ListBox::ScrollIntoView() {
  if (item_index_ < 0) return;
  const int lines = VisibleLines();
  if (item_index_ < top_index_)
    top_index_ = item_index_;
  else if (item_index_ >= top_index_ + lines)
    top_index_ = item_index_ - lines + 1;
}

}  // namespace tamrix::ui
