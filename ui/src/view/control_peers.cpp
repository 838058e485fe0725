#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Window.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "fltk_canvas.h"
#include "peers.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

// ---- common ------------------------------------------------------------------

WidgetPeer::~WidgetPeer() { delete widget_; }

void WidgetPeer::Update(Aspect what) {
  switch (what) {
    case Aspect::Bounds: form_.LayoutAll(); break;
    case Aspect::Visible:
      if (model_.Visible())
        widget_->show();
      else
        widget_->hide();
      break;
    case Aspect::Enabled:
      if (model_.Enabled())
        widget_->activate();
      else
        widget_->deactivate();
      break;
    default: Sync(what); break;
  }
}

void WidgetPeer::SyncAll() {
  for (Aspect a : {Aspect::Visible, Aspect::Enabled}) Update(a);
  for (Aspect a : {Aspect::Font, Aspect::Color, Aspect::Caption, Aspect::Style, Aspect::Items,
                   Aspect::Text, Aspect::ItemIndex, Aspect::Bevel, Aspect::Keys})
    Sync(a);
}

namespace {

struct Edges {
  int x0, y0, x1, y1;
};

// Which of a control's edges keep their distance to the window's right or
// bottom edge when the window is resized: those of a control docked to that
// side, and the far edges of one that spans the rest, inside a parent whose
// own far edge does so.
struct FarEdges {
  bool x0, y0, x1, y1;
};

FarEdges FarEdgesOf(const Control &c) {
  FarEdges parent{true, true, true, true};
  if (const auto *pc = dynamic_cast<const Control *>(c.Parent())) parent = FarEdgesOf(*pc);
  if (c.Align() == alNone || !c.Visible()) return {false, false, false, false};
  const TAlign a = c.Align();
  const bool spans_x = a == alTop || a == alBottom || a == alClient;
  const bool spans_y = a == alLeft || a == alRight || a == alClient;
  return {a == alRight && parent.x1, a == alBottom && parent.y1,
          (a == alRight || spans_x) && parent.x1, (a == alBottom || spans_y) && parent.y1};
}

// A control's edges in window pixels (below the menu bar). Edges are scaled
// from window-absolute layout positions, each rounded to the nearest pixel,
// so that docked neighbours meet without gaps. An edge that keeps its
// distance to the window's right or bottom edge is placed where it was at the
// size the program set, moved by as many pixels as the window has grown, so
// that a strip docked there keeps its width in pixels at every size. An edge
// on a panel's inner border keeps the panel's bevel and border, which are
// device pixels, at their width.
Edges EdgesOf(const ViewContext &ctx, const WidgetPeer::Placement &where, const Control &c) {
  int left = c.Left(), top = c.Top();
  for (Container *p = c.Parent(); p;) {
    auto *pc = dynamic_cast<Control *>(p);
    if (!pc) break;
    left += pc->Left();
    top += pc->Top();
    p = pc->Parent();
  }
  const FarEdges far = FarEdgesOf(c);
  const auto x = [&](int at, bool is_far) {
    return is_far ? ctx.Px(at - where.grown_x) + where.grown_px_x : ctx.Px(at);
  };
  const auto y = [&](int at, bool is_far) {
    return is_far ? ctx.Px(at - where.grown_y) + where.grown_px_y : ctx.Px(at);
  };
  Edges e{x(left, far.x0), y(top, far.y0), x(left + c.Width(), far.x1),
          y(top + c.Height(), far.y1)};
  if (const auto *panel = dynamic_cast<const Panel *>(c.Parent())) {
    const TRect inner = panel->AlignRect();
    const int inset = inner.left;
    if (inset > 0) {
      const Edges outer = EdgesOf(ctx, where, *panel);
      const TRect &r = c.BoundsRect();
      if (r.left == inner.left) e.x0 = outer.x0 + inset;
      if (r.top == inner.top) e.y0 = outer.y0 + inset;
      if (r.Right() == inner.Right()) e.x1 = outer.x1 - inset;
      if (r.Bottom() == inner.Bottom()) e.y1 = outer.y1 - inset;
    }
  }
  return e;
}

}  // namespace

void WidgetPeer::Place(const Placement &where) {
  const Edges e = EdgesOf(ctx_, where, model_);
  widget_->resize(e.x0, where.menu_height + e.y0, std::max(e.x1 - e.x0, 0),
                  std::max(e.y1 - e.y0, 0));
  Placed();
}

namespace {

void DrawBevel(int x, int y, int w, int h, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const Fl_Color light = ToFlColor(clBtnHighlight), dark = ToFlColor(clBtnShadow);
  for (int i = 0; i < width; ++i) {
    fl_color(cut == bvRaised ? light : dark);
    fl_xyline(x + i, y + i, x + w - 1 - i);
    fl_yxline(x + i, y + i, y + h - 1 - i);
    fl_color(cut == bvRaised ? dark : light);
    fl_xyline(x + i, y + h - 1 - i, x + w - 1 - i);
    fl_yxline(x + w - 1 - i, y + i, y + h - 1 - i);
  }
}

// ---- Button --------------------------------------------------------------------

class ButtonPeer : public WidgetPeer {
 public:
  ButtonPeer(ViewContext &ctx, FormPeer &form, Button &b) : WidgetPeer(ctx, form, b), b_(b) {
    w_ = new Fl_Button(0, 0, 10, 10);
    w_->callback([](Fl_Widget *, void *p) { static_cast<Button *>(p)->Click(); }, &b_);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Caption: w_->copy_label(PlainLabel(b_.Caption()).c_str()); break;
      case Aspect::Font:
        w_->labelfont(kFont);
        w_->labelsize(ctx_.FontSize(b_.Font()));
        w_->labelcolor(ToFlColor(b_.Font().color));
        break;
      default: return;
    }
    w_->redraw();
  }

 private:
  Button &b_;
  Fl_Button *w_;
};

// ---- Label ---------------------------------------------------------------------

class LabelWidget : public Fl_Box {
 public:
  LabelWidget(ViewContext &ctx, Label &l) : Fl_Box(0, 0, 10, 10), ctx_(ctx), l_(l) {}
  void draw() override {
    if (!l_.Transparent()) fl_rectf(x(), y(), w(), h(), ToFlColor(l_.Color()));
    fl_font(kFont, ctx_.FontSize(l_.Font()));
    fl_color(ToFlColor(l_.Font().color));
    // No symbol escapes: captions are shown as written.
    fl_draw(l_.Caption().c_str(), x(), y(), w(), h(),
            FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE, nullptr, 0);
  }

 private:
  ViewContext &ctx_;
  Label &l_;
};

class LabelPeer : public WidgetPeer {
 public:
  LabelPeer(ViewContext &ctx, FormPeer &form, Label &l) : WidgetPeer(ctx, form, l) {
    Own(new LabelWidget(ctx, l));
  }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Caption || what == Aspect::Font || what == Aspect::Color) {
      // A transparent label shows what is behind it.
      if (Fl_Window *win = Widget()->window())
        win->damage(FL_DAMAGE_ALL, Widget()->x(), Widget()->y(), Widget()->w(), Widget()->h());
      Widget()->redraw();
    }
  }
};

// ---- ListBox -------------------------------------------------------------------

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

// ---- ComboBox ------------------------------------------------------------------

// The button at the right of a box, with its arrow pointing down.
void DrawDropButton(int x, int y, int w, int h) {
  fl_draw_box(FL_UP_BOX, x, y, w, h, ToFlColor(clBtnFace));
  const int half = std::max(std::min(w, h) / 4, 2);
  const int cx = x + w / 2, cy = y + h / 2 - half / 2;
  fl_color(FL_BLACK);
  fl_polygon(cx - half, cy, cx + half, cy, cx, cy + half);
}

// The open list of a box: below the box as wide as it, showing up to
// DropDownCount rows; above it only when there is no room below, and never
// off the screen. Clicking a row picks it, clicking elsewhere closes the
// list; keys go to the form, which gives them to the box.
class DropDownPopup : public Fl_Menu_Window {
 public:
  DropDownPopup(ViewContext &ctx, FormPeer &form, ComboBox &c, Fl_Widget &anchor)
      : Fl_Menu_Window(0, 0, 10, 10), ctx_(ctx), form_(form), c_(c), anchor_(anchor) {
    bar_ = new Fl_Scrollbar(0, 0, 10, 10);
    bar_->type(FL_VERTICAL);
    bar_->callback(&DropDownPopup::OnScroll, this);
    end();
  }
  ~DropDownPopup() override { Close(); }

  void Open() {
    if (shown()) return;
    const int count = c_.ItemCount();
    row_h_ = std::max(ctx_.Px(c_.Font().height), 1);
    rows_ = std::clamp(std::min(c_.DropDownCount(), count), 1, std::max(count, 1));
    const Fl_Window *win = anchor_.window();
    const int ax = win->x_root() + anchor_.x(), ay = win->y_root() + anchor_.y();
    const int aw = anchor_.w(), ah = anchor_.h();
    int sx, sy, sw, sh;
    Fl::screen_xywh(sx, sy, sw, sh, ax + aw / 2, ay + ah / 2);
    const int below = sy + sh - (ay + ah), above = ay - sy;
    int height = rows_ * row_h_ + 2;
    bool down = true;
    if (height > below) {
      if (height <= above) {
        down = false;
      } else {
        // Neither side holds every row: the roomier side, fewer rows.
        down = below >= above;
        rows_ = std::max((std::max(below, above) - 2) / row_h_, 1);
        height = rows_ * row_h_ + 2;
      }
    }
    const int x = std::clamp(ax, sx, std::max(sx, sx + sw - aw));
    const int y = std::clamp(down ? ay + ah : ay - height, sy, std::max(sy, sy + sh - height));
    resize(x, y, aw, height);
    const int bar_w = count > rows_ ? std::min(ctx_.Px(ListBox::kScrollBarSize), aw / 2) : 0;
    bar_->resize(aw - 1 - bar_w, 1, bar_w, height - 2);
    if (bar_w)
      bar_->show();
    else
      bar_->hide();
    hover_moved_ = false;
    top_ = 0;
    SyncIndex();
    show();
    Fl::grab(this);
  }

  void Close() {
    if (Fl::grab() == this) Fl::grab(nullptr);
    if (!shown()) return;
    // Letting go of the pointer hands the toolkit's focus to the window
    // below it, this list after a pick with the mouse, and hiding the list
    // then drops it: the box keeps the keyboard, so it gets the focus back.
    hide();
    if (c_.Focused() && !anchor_.contains(Fl::focus())) anchor_.take_focus();
  }

  // The highlight follows the box's selection, scrolled into view.
  void SyncIndex() {
    highlight_ = c_.ItemIndex();
    if (highlight_ >= 0) top_ = std::clamp(top_, highlight_ - rows_ + 1, highlight_);
    top_ = std::clamp(top_, 0, std::max(c_.ItemCount() - rows_, 0));
    bar_->value(top_, rows_, 0, c_.ItemCount());
    redraw();
  }

  int handle(int event) override {
    const int ex = Fl::event_x(), ey = Fl::event_y();
    const bool inside = ex >= 0 && ey >= 0 && ex < w() && ey < h();
    const bool on_bar = bar_->visible() && Fl::event_inside(bar_);
    switch (event) {
      case FL_KEYBOARD:
      case FL_SHORTCUT: form_.RouteKey(); return 1;
      case FL_PUSH:
        if (on_bar) return Fl_Menu_Window::handle(event);
        if (inside)
          Pick(RowAt(ey));
        else
          ctx_.app.RunGuarded([this] { c_.CloseUp(false); });
        return 1;
      case FL_MOVE:
      case FL_DRAG:
        if (Fl::pushed() == bar_) return Fl_Menu_Window::handle(event);
        if (inside && !on_bar && RowAt(ey) != highlight_) {
          hover_moved_ = true;
          highlight_ = RowAt(ey);
          redraw();
        }
        return 1;
      case FL_RELEASE:
        if (Fl::pushed() == bar_) return Fl_Menu_Window::handle(event);
        // A press on the box dragged onto a row picks it.
        if (inside && !on_bar && hover_moved_) Pick(RowAt(ey));
        return 1;
      case FL_MOUSEWHEEL:
        top_ = std::clamp(top_ + Fl::event_dy(), 0, std::max(c_.ItemCount() - rows_, 0));
        bar_->value(top_, rows_, 0, c_.ItemCount());
        redraw();
        return 1;
      default: return Fl_Menu_Window::handle(event);
    }
  }

  void draw() override {
    fl_draw_box(FL_BORDER_BOX, 0, 0, w(), h(), ToFlColor(clWindow));
    fl_color(FL_BLACK);
    fl_rect(0, 0, w(), h());
    fl_font(kFont, ctx_.FontSize(c_.Font()));
    const int text_w = w() - 2 - (bar_->visible() ? bar_->w() : 0);
    for (int r = 0; r < rows_ && top_ + r < c_.ItemCount(); ++r) {
      const int i = top_ + r;
      const int y = 1 + r * row_h_;
      const bool lit = i == highlight_;
      if (lit) fl_rectf(1, y, text_w, row_h_, ToFlColor(clHighlight));
      fl_color(ToFlColor(lit ? clHighlightText : c_.Font().color));
      fl_draw(c_.Items()[static_cast<std::size_t>(i)].c_str(), 1 + ctx_.Px(2), y,
              text_w - ctx_.Px(2), row_h_, FL_ALIGN_LEFT | FL_ALIGN_CLIP, nullptr, 0);
    }
    draw_children();
  }

 private:
  int RowAt(int y) const {
    const int row = top_ + (y - 1) / row_h_;
    return std::clamp(row, 0, std::max(c_.ItemCount() - 1, 0));
  }
  void Pick(int index) {
    if (c_.ItemCount() == 0) return;
    ctx_.app.RunGuarded([this, index] {
      c_.SetItemIndex(index);
      c_.CloseUp(false);
    });
  }
  static void OnScroll(Fl_Widget *, void *self) {
    auto *p = static_cast<DropDownPopup *>(self);
    p->top_ = p->bar_->value();
    p->redraw();
  }

  ViewContext &ctx_;
  FormPeer &form_;
  ComboBox &c_;
  Fl_Widget &anchor_;
  Fl_Scrollbar *bar_;
  int row_h_ = 1;
  int rows_ = 1;
  int top_ = 0;
  int highlight_ = -1;
  bool hover_moved_ = false;
};

// A drop-down list, closed: the selected item, highlighted while the box
// has the focus, and the drop button. A click opens or closes the list;
// keys go to the form (the window hands them on).
class DropDownListWidget : public Fl_Widget {
 public:
  DropDownListWidget(ViewContext &ctx, ComboBox &c) : Fl_Widget(0, 0, 10, 10), ctx_(ctx), c_(c) {}
  int handle(int event) override {
    switch (event) {
      case FL_PUSH: ctx_.app.RunGuarded([this] { c_.SetDroppedDown(!c_.DroppedDown()); }); return 1;
      case FL_FOCUS:
      case FL_UNFOCUS: redraw(); return 1;
      case FL_ENTER:
      case FL_LEAVE: return 1;
      default: return 0;
    }
  }
  void draw() override {
    fl_draw_box(FL_DOWN_BOX, x(), y(), w(), h(), ToFlColor(c_.Color()));
    const int dx = Fl::box_dx(FL_DOWN_BOX), dy = Fl::box_dy(FL_DOWN_BOX);
    const int ix = x() + dx, iy = y() + dy, iw = w() - Fl::box_dw(FL_DOWN_BOX),
              ih = h() - Fl::box_dh(FL_DOWN_BOX);
    const int bw = std::min(ctx_.Px(ListBox::kScrollBarSize), iw / 2);
    DrawDropButton(ix + iw - bw, iy, bw, ih);
    const bool lit = Fl::focus() == this && !c_.DroppedDown();
    const int pad = std::max(ctx_.Px(1), 1);
    if (lit) fl_rectf(ix + pad, iy + pad, iw - bw - 2 * pad, ih - 2 * pad, ToFlColor(clHighlight));
    fl_font(kFont, ctx_.FontSize(c_.Font()));
    fl_color(ToFlColor(lit ? clHighlightText : c_.Font().color));
    fl_draw(c_.Text().c_str(), ix + 2 * pad, iy, iw - bw - 3 * pad, ih,
            FL_ALIGN_LEFT | FL_ALIGN_CLIP, nullptr, 0);
  }

 private:
  ViewContext &ctx_;
  ComboBox &c_;
};

// An editable box: a text field and the drop button in one sunken frame.
class EditableBoxWidget : public Fl_Group {
 public:
  EditableBoxWidget(ViewContext &ctx, ComboBox &c) : Fl_Group(0, 0, 10, 10), ctx_(ctx), c_(c) {
    input_ = new Fl_Input(0, 0, 10, 10);
    input_->box(FL_FLAT_BOX);
    button_ = new DropButton(ctx, c);
    end();
    resizable(nullptr);
    box(FL_DOWN_BOX);
  }
  Fl_Input *Input() const { return input_; }
  void resize(int x, int y, int w, int h) override {
    // The box alone: its two parts are placed below, not scaled by the group.
    Fl_Widget::resize(x, y, w, h);  // NOLINT(bugprone-parent-virtual-call)
    const int ix = x + Fl::box_dx(box()), iy = y + Fl::box_dy(box());
    const int iw = w - Fl::box_dw(box()), ih = h - Fl::box_dh(box());
    const int bw = std::min(ctx_.Px(ListBox::kScrollBarSize), iw / 2);
    input_->resize(ix, iy, iw - bw, ih);
    button_->resize(ix + iw - bw, iy, bw, ih);
  }
  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) draw_box(box(), x(), y(), w(), h(), input_->color());
    draw_children();
  }

 private:
  class DropButton : public Fl_Widget {
   public:
    DropButton(ViewContext &ctx, ComboBox &c) : Fl_Widget(0, 0, 10, 10), ctx_(ctx), c_(c) {
      clear_visible_focus();
    }
    int handle(int event) override {
      if (event != FL_PUSH) return 0;
      ctx_.app.RunGuarded([this] { c_.SetDroppedDown(!c_.DroppedDown()); });
      return 1;
    }
    void draw() override { DrawDropButton(x(), y(), w(), h()); }

   private:
    ViewContext &ctx_;
    ComboBox &c_;
  };
  ViewContext &ctx_;
  ComboBox &c_;
  Fl_Input *input_;
  DropButton *button_;
};

class ComboBoxPeer : public WidgetPeer {
 public:
  ComboBoxPeer(ViewContext &ctx, FormPeer &form, ComboBox &c) : WidgetPeer(ctx, form, c), c_(c) {
    if (c.Style() == csDropDownList) {
      Own(new DropDownListWidget(ctx, c));
    } else {
      editable_ = new EditableBoxWidget(ctx, c);
      // Typing and choosing are told apart: typing leaves no item selected.
      editable_->Input()->when(FL_WHEN_CHANGED);
      editable_->Input()->callback(&ComboBoxPeer::OnType, this);
      Own(editable_);
    }
    Fl_Group::current(nullptr);
    popup_ = std::make_unique<DropDownPopup>(ctx, form, c, *Widget());
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Items:
      case Aspect::ItemIndex:
      case Aspect::Text:
        if (editable_) editable_->Input()->value(c_.Text().c_str());
        popup_->SyncIndex();
        break;
      case Aspect::Font:
        if (editable_) {
          editable_->Input()->textfont(kFont);
          editable_->Input()->textsize(ctx_.FontSize(c_.Font()));
          editable_->Input()->textcolor(ToFlColor(c_.Font().color));
        }
        break;
      case Aspect::Color:
        if (editable_) editable_->Input()->color(ToFlColor(c_.Color()));
        break;
      case Aspect::DropDown:
        if (c_.DroppedDown() && Widget()->window() && Widget()->window()->shown())
          popup_->Open();
        else
          popup_->Close();
        break;
      default: return;
    }
    Widget()->redraw();
  }

 private:
  static void OnType(Fl_Widget *, void *self) {
    auto *p = static_cast<ComboBoxPeer *>(self);
    PeerMute mute(p->c_.PeerHolder());
    p->c_.SetText(p->editable_->Input()->value());
  }
  ComboBox &c_;
  EditableBoxWidget *editable_ = nullptr;
  std::unique_ptr<DropDownPopup> popup_;
};

// ---- Edit ----------------------------------------------------------------------

class EditPeer : public WidgetPeer {
 public:
  EditPeer(ViewContext &ctx, FormPeer &form, Edit &e) : WidgetPeer(ctx, form, e), e_(e) {
    w_ = new Fl_Input(0, 0, 10, 10);
    w_->when(FL_WHEN_CHANGED);
    w_->callback(&EditPeer::OnType, this);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Text: w_->value(e_.Text().c_str()); break;
      case Aspect::Font:
        w_->textfont(kFont);
        w_->textsize(ctx_.FontSize(e_.Font()));
        w_->textcolor(ToFlColor(e_.Font().color));
        break;
      case Aspect::Color: w_->color(ToFlColor(e_.Color())); break;
      default: return;
    }
    w_->redraw();
  }

 private:
  static void OnType(Fl_Widget *, void *self) {
    auto *p = static_cast<EditPeer *>(self);
    PeerMute mute(p->e_.PeerHolder());
    p->e_.SetText(p->w_->value());
  }
  Edit &e_;
  Fl_Input *w_;
};

// ---- Panel ---------------------------------------------------------------------

class PanelGroup : public Fl_Group {
 public:
  PanelGroup(ViewContext &ctx, Panel &p) : Fl_Group(0, 0, 10, 10), ctx_(ctx), p_(p) {
    end();
    resizable(nullptr);
  }
  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      fl_rectf(x(), y(), w(), h(), ToFlColor(p_.Color()));
      // Bevel and border keep their widths in device pixels.
      const int bw = p_.BevelWidth();
      const int border = p_.BorderWidth();
      DrawBevel(x(), y(), w(), h(), p_.BevelOuter(), bw);
      const int in = (p_.BevelOuter() != bvNone ? bw : 0) + border;
      DrawBevel(x() + in, y() + in, w() - 2 * in, h() - 2 * in, p_.BevelInner(), bw);
      if (!p_.Caption().empty()) {
        fl_font(kFont, ctx_.FontSize(p_.Font()));
        fl_color(ToFlColor(p_.Font().color));
        fl_draw(p_.Caption().c_str(), x(), y(), w(), h(), FL_ALIGN_CENTER, nullptr, 0);
      }
      draw_children();
    } else {
      for (int i = 0; i < children(); ++i) update_child(*child(i));
    }
  }

 private:
  ViewContext &ctx_;
  Panel &p_;
};

class PanelPeer : public WidgetPeer {
 public:
  PanelPeer(ViewContext &ctx, FormPeer &form, Panel &p) : WidgetPeer(ctx, form, p) {
    group_ = new PanelGroup(ctx, p);
    Own(group_);
  }
  Fl_Group *Group() const { return group_; }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Color || what == Aspect::Bevel || what == Aspect::Caption ||
        what == Aspect::Font)
      group_->redraw();
  }

 private:
  PanelGroup *group_;
};

// ---- PaintBox ------------------------------------------------------------------

class PaintBoxWidget : public Fl_Widget {
 public:
  PaintBoxWidget(ViewContext &ctx, PaintBox &p) : Fl_Widget(0, 0, 10, 10), ctx_(ctx), p_(p) {}
  void draw() override {
    fl_push_clip(x(), y(), w(), h());
    fl_rectf(x(), y(), w(), h(), ToFlColor(p_.Color()));
    {
      // The canvas sends its last strokes as it goes: still inside the clip.
      FltkCanvas canvas(ctx_, x(), y(), w(), h(), p_.Font());
      ++ctx_.drawing;
      p_.Paint(canvas);
      --ctx_.drawing;
    }
    fl_pop_clip();
  }

 private:
  ViewContext &ctx_;
  PaintBox &p_;
};

class PaintBoxPeer : public WidgetPeer {
 public:
  PaintBoxPeer(ViewContext &ctx, FormPeer &form, PaintBox &p) : WidgetPeer(ctx, form, p), p_(p) {
    Own(new PaintBoxWidget(ctx, p));
  }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Color || what == Aspect::Font) Widget()->redraw();
  }
  // The paint handler's canvas is the widget's own pixels.
  void Placed() override { p_.SetPixelSize(Widget()->w(), Widget()->h()); }

 private:
  PaintBox &p_;
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeWidgetPeer(ViewContext &ctx, FormPeer &form, Control &control) {
  Fl_Group::current(nullptr);
  if (auto *b = dynamic_cast<Button *>(&control))
    return std::make_unique<ButtonPeer>(ctx, form, *b);
  if (auto *l = dynamic_cast<Label *>(&control)) return std::make_unique<LabelPeer>(ctx, form, *l);
  if (auto *l = dynamic_cast<ListBox *>(&control))
    return std::make_unique<ListBoxPeer>(ctx, form, *l);
  if (auto *c = dynamic_cast<ComboBox *>(&control))
    return std::make_unique<ComboBoxPeer>(ctx, form, *c);
  if (auto *e = dynamic_cast<Edit *>(&control)) return std::make_unique<EditPeer>(ctx, form, *e);
  if (auto *p = dynamic_cast<Panel *>(&control)) return std::make_unique<PanelPeer>(ctx, form, *p);
  if (auto *p = dynamic_cast<PaintBox *>(&control))
    return std::make_unique<PaintBoxPeer>(ctx, form, *p);
  // A control kind without a widget of its own still gets a place.
  struct Blank : WidgetPeer {
    Blank(ViewContext &c, FormPeer &f, Control &m) : WidgetPeer(c, f, m) {
      Own(new Fl_Box(0, 0, 10, 10));
    }
    void Sync(Aspect) override {}
  };
  return std::make_unique<Blank>(ctx, form, control);
}

Fl_Group *GroupOf(WidgetPeer &peer) {
  auto *p = dynamic_cast<PanelPeer *>(&peer);
  return p ? p->Group() : nullptr;
}

}  // namespace tamrix::ui::view
