// The on-screen peer of a ListBox: a browser scrolled by whole lines.
#include <FL/Fl.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Widget.H>

#include <algorithm>
#include <memory>

#include "peers.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

// Lines stand as far apart as the list's item height, and the horizontal
// bar follows the list's own widest line, so that the screen shows the lines
// the list reckons with. The list scrolls by whole lines, so its top line is
// never cut: the room left below the last whole line stays blank, and the
// lines' height is reckoned up by that room, so the last line can still
// come into view whole. A line is brought into view without walking the list
// from its first line, as the browser's own topline() and bottomline() do:
// the lines all have one height, so a line's place is its number times it.
class ListWidget : public Fl_Hold_Browser {
 public:
  ListWidget(ViewContext &ctx, ListBox &l) : Fl_Hold_Browser(0, 0, 10, 10), ctx_(ctx), l_(l) {
    scrollbar.callback(&ListWidget::OnScroll, this);
  }

  // Scrolls the fewest lines that show the whole line.
  void ShowLine(int line) {
    const int line_height = item_height(nullptr);
    const int visible = VisibleLines();
    int top = position() / line_height;
    if (line - 1 < top)
      top = line - 1;
    else if (line > top + visible)
      top = line - visible;
    ScrollTo(top);
  }

 protected:
  // The browser also scrolls by pixels on its own: value() brings the line
  // in with the bars of its last draw (both, before its first), and a drag
  // past its edge scrolls it. Whatever moved it, it is put back on a line
  // before it draws, the selected line kept whole if it was in view.
  void draw() override {
    const int line_height = item_height(nullptr);
    const int at = position();
    if (at % line_height != 0) {
      const int line = value();
      if (line > 0 && line * line_height > at && (line - 1) * line_height < at + Room())
        ShowLine(line);
      else
        ScrollTo(at / line_height);
    }
    Fl_Hold_Browser::draw();
  }
  int item_height(void *) const override { return std::max(ctx_.Px(l_.ItemHeight()), 1); }
  int full_width() const override {
    return l_.ScrollWidth() > 0 ? ctx_.Px(l_.ScrollWidth()) + ListBox::kLinePadding : 0;
  }
  int full_height() const override {
    const int line_height = item_height(nullptr);
    const int lines = size() * line_height, room = Room();
    return lines > room ? lines + room % line_height : lines;
  }

 private:
  // The height inside the frame and the bars the lines will bring, worked
  // out as the browser does when it next draws (a line just added may
  // bring a bar that is not there yet).
  int Room() const {
    const Fl_Boxtype frame = box() ? box() : FL_DOWN_BOX;
    const int bar = scrollbar_size() ? scrollbar_size() : Fl::scrollbar_size();
    const int lines = size() * item_height(nullptr);
    const int width = w() - Fl::box_dw(frame);
    int height = h() - Fl::box_dh(frame);
    const bool vertical = lines > height;
    if (full_width() > width - (vertical ? bar : 0)) height -= bar;
    return std::max(height, 0);
  }
  int VisibleLines() const { return std::max(Room() / item_height(nullptr), 1); }
  void ScrollTo(int top) {
    position(std::clamp(top, 0, std::max(size() - VisibleLines(), 0)) * item_height(nullptr));
  }
  // A drag of the bar's thumb stops at the nearest line.
  static void OnScroll(Fl_Widget *bar, void *self) {
    auto *w = static_cast<ListWidget *>(self);
    const int line_height = w->item_height(nullptr);
    const int at = static_cast<int>(static_cast<Fl_Scrollbar *>(bar)->value());
    w->ScrollTo((at + line_height / 2) / line_height);
  }

  ViewContext &ctx_;
  ListBox &l_;
};

class ListBoxPeer : public WidgetPeer {
 public:
  ListBoxPeer(ViewContext &ctx, FormPeer &form, ListBox &l) : WidgetPeer(ctx, form, l), l_(l) {
    w_ = new ListWidget(ctx, l);
    w_->format_char(0);
    w_->box(FL_DOWN_BOX);
    w_->has_scrollbar(Fl_Browser_::BOTH);
    w_->scrollbar_size(ctx.Px(ListBox::kScrollBarSize));
    w_->selection_color(ToFlColor(clHighlight));
    w_->when(FL_WHEN_CHANGED);
    w_->callback(&ListBoxPeer::OnSelect, this);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Items: {
        // Lines are only ever appended or all removed.
        if (w_->size() > l_.Count()) w_->clear();
        for (int i = w_->size(); i < l_.Count(); ++i)
          w_->add(l_.Items()[static_cast<std::size_t>(i)].c_str());
        SyncSelection();
        break;
      }
      case Aspect::ItemIndex: SyncSelection(); break;
      case Aspect::Font:
        w_->textfont(kFont);
        w_->textsize(ctx_.FontSize(l_.Font()));
        w_->textcolor(ToFlColor(l_.Font().color));
        break;
      case Aspect::Color: w_->color(ToFlColor(l_.Color())); break;
      default: return;
    }
    w_->redraw();
  }

 private:
  void SyncSelection() {
    const int line = l_.ItemIndex() + 1;
    if (line == 0) {
      w_->deselect();
      return;
    }
    // Before layout the browser is a placeholder too small for one line
    // inside its frame; scrolling it then leaves a stale offset behind.
    // Scrolled before it is selected, so that selecting finds it in view.
    if (w_->h() > w_->textsize() + Fl::box_dh(w_->box())) w_->ShowLine(line);
    w_->value(line);
  }
  static void OnSelect(Fl_Widget *, void *self) {
    auto *p = static_cast<ListBoxPeer *>(self);
    {
      PeerMute mute(p->l_.PeerHolder());
      p->l_.SetItemIndex(p->w_->value() - 1);
    }
    // The browser brought the line in by pixels (the arrow keys).
    if (p->w_->value() > 0) p->w_->ShowLine(p->w_->value());
  }
  ListBox &l_;
  ListWidget *w_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeListBoxPeer(ViewContext &ctx, FormPeer &form, ListBox &l) {
  return std::make_unique<ListBoxPeer>(ctx, form, l);
}

}  // namespace tamrix::ui::view
