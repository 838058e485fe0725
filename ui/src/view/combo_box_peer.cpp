// The on-screen peer of a ComboBox: the closed box (a drop-down list or an
// editable box) and the list it opens.
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Window.H>
#include <FL/Fl_Scrollbar.H>
#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <memory>

#include "peers.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

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

}  // namespace

std::unique_ptr<WidgetPeer> MakeComboBoxPeer(ViewContext &ctx, FormPeer &form, ComboBox &c) {
  return std::make_unique<ComboBoxPeer>(ctx, form, c);
}

}  // namespace tamrix::ui::view
