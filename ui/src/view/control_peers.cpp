#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Button.H>
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
      if (model_.Visible()) widget_->show();
      else widget_->hide();
      break;
    case Aspect::Enabled:
      if (model_.Enabled()) widget_->activate();
      else widget_->deactivate();
      break;
    default: Sync(what); break;
  }
}

void WidgetPeer::SyncAll() {
  for (Aspect a : {Aspect::Visible, Aspect::Enabled})
    Update(a);
  for (Aspect a : {Aspect::Font, Aspect::Color, Aspect::Caption, Aspect::Style, Aspect::Items,
                   Aspect::Text, Aspect::ItemIndex, Aspect::Bevel, Aspect::Keys})
    Sync(a);
}

void WidgetPeer::Place(int menu_height) {
  // Edges are scaled from window-absolute layout positions, so that docked
  // neighbours meet without gaps after rounding.
  int left = model_.Left(), top = model_.Top();
  for (Container *p = model_.Parent(); p; ) {
    auto *pc = dynamic_cast<Control *>(p);
    if (!pc) break;
    left += pc->Left();
    top += pc->Top();
    p = pc->Parent();
  }
  const int x0 = ctx_.Px(left), x1 = ctx_.Px(left + model_.Width());
  const int y0 = ctx_.Px(top), y1 = ctx_.Px(top + model_.Height());
  widget_->resize(x0, menu_height + y0, x1 - x0, y1 - y0);
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
      case Aspect::Keys:
        w_->shortcut(b_.Default() ? FL_Enter : b_.Cancel() ? FL_Escape : 0);
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
    fl_draw(l_.Caption().c_str(), x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE,
            nullptr, 0);
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
      if (Fl_Window *win = Widget()->window()) win->damage(FL_DAMAGE_ALL, Widget()->x(), Widget()->y(),
                                                            Widget()->w(), Widget()->h());
      Widget()->redraw();
    }
  }
};

// ---- ListBox -------------------------------------------------------------------

// The browser, bringing a line into view without walking the list from its
// first line, as its own topline() and bottomline() do: the lines all have
// one height, so a line's place is its number times that height.
class ListWidget : public Fl_Hold_Browser {
 public:
  ListWidget() : Fl_Hold_Browser(0, 0, 10, 10) {}

  // Scrolls the least that shows the whole line.
  void ShowLine(int line) {
    int x = 0, y = 0, width = 0, height = 0;
    bbox(x, y, width, height);
    const int line_height = item_height(find_line(line));
    const int top = (line - 1) * line_height;
    int to = position();
    if (top < to) {
      to = top;
    } else if (top + line_height > to + height) {
      to = top + line_height - height;
    } else {
      return;
    }
    position(std::clamp(to, 0, std::max(0, full_height() - height)));
  }
};

class ListBoxPeer : public WidgetPeer {
 public:
  ListBoxPeer(ViewContext &ctx, FormPeer &form, ListBox &l) : WidgetPeer(ctx, form, l), l_(l) {
    w_ = new ListWidget;
    w_->format_char(0);
    w_->box(FL_DOWN_BOX);
    // Lines wider than the list are clipped, as on the original platform;
    // a horizontal bar would hide a line of a short list.
    w_->has_scrollbar(Fl_Browser_::VERTICAL);
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
        for (int i = w_->size(); i < l_.Count(); ++i) w_->add(l_.Items()[static_cast<std::size_t>(i)].c_str());
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
    PeerMute mute(p->l_.PeerHolder());
    p->l_.SetItemIndex(p->w_->value() - 1);
  }
  ListBox &l_;
  ListWidget *w_;
};

// ---- ComboBox ------------------------------------------------------------------

void FillMenu(Fl_Menu_ *menu, const std::vector<std::string> &items) {
  menu->clear();
  for (const std::string &item : items) {
    // Added under a placeholder, then renamed: the name is shown as written.
    const int index = menu->add("x", 0, nullptr, nullptr, 0);
    menu->replace(index, item.c_str());
  }
}

class DropDownListPeer : public WidgetPeer {
 public:
  DropDownListPeer(ViewContext &ctx, FormPeer &form, ComboBox &c) : WidgetPeer(ctx, form, c), c_(c) {
    w_ = new Fl_Choice(0, 0, 10, 10);
    w_->down_box(FL_BORDER_BOX);
    w_->callback(&DropDownListPeer::OnChoose, this);
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Items:
        FillMenu(w_, c_.Items());
        SyncIndex();
        break;
      case Aspect::ItemIndex:
      case Aspect::Text: SyncIndex(); break;
      case Aspect::Font:
        w_->textfont(kFont);
        w_->textsize(ctx_.FontSize(c_.Font()));
        w_->textcolor(ToFlColor(c_.Font().color));
        break;
      case Aspect::Color: w_->color(ToFlColor(c_.Color())); break;
      default: return;
    }
    w_->redraw();
  }

 private:
  void SyncIndex() {
    if (c_.ItemIndex() < 0) w_->value(static_cast<const Fl_Menu_Item *>(nullptr));
    else w_->value(c_.ItemIndex());
  }
  static void OnChoose(Fl_Widget *, void *self) {
    auto *p = static_cast<DropDownListPeer *>(self);
    PeerMute mute(p->c_.PeerHolder());
    p->c_.SetItemIndex(p->w_->value());
  }
  ComboBox &c_;
  Fl_Choice *w_;
};

class DropDownPeer : public WidgetPeer {
 public:
  DropDownPeer(ViewContext &ctx, FormPeer &form, ComboBox &c) : WidgetPeer(ctx, form, c), c_(c) {
    w_ = new Fl_Input_Choice(0, 0, 10, 10);
    // Typing and choosing are told apart here, not by the composite.
    w_->input()->when(FL_WHEN_CHANGED);
    w_->input()->callback(&DropDownPeer::OnType, this);
    w_->menubutton()->callback(&DropDownPeer::OnChoose, this);
    // One tab stop for the whole box, as on the original platform.
    w_->menubutton()->clear_visible_focus();
    Own(w_);
  }

 protected:
  void Sync(Aspect what) override {
    switch (what) {
      case Aspect::Items: FillMenu(w_->menubutton(), c_.Items()); break;
      case Aspect::ItemIndex:
      case Aspect::Text: w_->input()->value(c_.Text().c_str()); break;
      case Aspect::Font:
        w_->textfont(kFont);
        w_->textsize(ctx_.FontSize(c_.Font()));
        w_->textcolor(ToFlColor(c_.Font().color));
        w_->menubutton()->textfont(kFont);
        w_->menubutton()->textsize(ctx_.FontSize(c_.Font()));
        break;
      case Aspect::Color: w_->input()->color(ToFlColor(c_.Color())); break;
      default: return;
    }
    w_->redraw();
  }

 private:
  static void OnType(Fl_Widget *, void *self) {
    auto *p = static_cast<DropDownPeer *>(self);
    PeerMute mute(p->c_.PeerHolder());
    p->c_.SetText(p->w_->input()->value());
  }
  static void OnChoose(Fl_Widget *, void *self) {
    auto *p = static_cast<DropDownPeer *>(self);
    const int index = p->w_->menubutton()->value();
    {
      PeerMute mute(p->c_.PeerHolder());
      p->c_.SetItemIndex(index);
    }
    p->w_->input()->value(p->c_.Text().c_str());
  }
  ComboBox &c_;
  Fl_Input_Choice *w_;
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
      const int bw = std::max(ctx_.Px(p_.BevelWidth()), 1);
      const int border = ctx_.Px(p_.BorderWidth());
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
    if (what == Aspect::Color || what == Aspect::Bevel || what == Aspect::Caption || what == Aspect::Font)
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
      FltkCanvas canvas(ctx_, x(), y(), p_.Font());
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
  PaintBoxPeer(ViewContext &ctx, FormPeer &form, PaintBox &p) : WidgetPeer(ctx, form, p) {
    Own(new PaintBoxWidget(ctx, p));
  }

 protected:
  void Sync(Aspect what) override {
    if (what == Aspect::Color || what == Aspect::Font) Widget()->redraw();
  }
};

}  // namespace

std::unique_ptr<WidgetPeer> MakeWidgetPeer(ViewContext &ctx, FormPeer &form, Control &control) {
  Fl_Group::current(nullptr);
  if (auto *b = dynamic_cast<Button *>(&control)) return std::make_unique<ButtonPeer>(ctx, form, *b);
  if (auto *l = dynamic_cast<Label *>(&control)) return std::make_unique<LabelPeer>(ctx, form, *l);
  if (auto *l = dynamic_cast<ListBox *>(&control)) return std::make_unique<ListBoxPeer>(ctx, form, *l);
  if (auto *c = dynamic_cast<ComboBox *>(&control)) {
    if (c->Style() == csDropDownList) return std::make_unique<DropDownListPeer>(ctx, form, *c);
    return std::make_unique<DropDownPeer>(ctx, form, *c);
  }
  if (auto *e = dynamic_cast<Edit *>(&control)) return std::make_unique<EditPeer>(ctx, form, *e);
  if (auto *p = dynamic_cast<Panel *>(&control)) return std::make_unique<PanelPeer>(ctx, form, *p);
  if (auto *p = dynamic_cast<PaintBox *>(&control)) return std::make_unique<PaintBoxPeer>(ctx, form, *p);
  // A control kind without a widget of its own still gets a place.
  struct Blank : WidgetPeer {
    Blank(ViewContext &c, FormPeer &f, Control &m) : WidgetPeer(c, f, m) { Own(new Fl_Box(0, 0, 10, 10)); }
    void Sync(Aspect) override {}
  };
  return std::make_unique<Blank>(ctx, form, control);
}

Fl_Group *GroupOf(WidgetPeer &peer) {
  auto *p = dynamic_cast<PanelPeer *>(&peer);
  return p ? p->Group() : nullptr;
}

}  // namespace tamrix::ui::view
