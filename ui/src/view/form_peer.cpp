#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_RGB_Image.H>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "peers.h"
#include "tamrix_ui/application.h"
#include "tamrix_ui/controls.h"

namespace tamrix::ui::view {

namespace {

class FormWindow : public Fl_Double_Window {
 public:
  FormWindow(FormPeer &peer, int w, int h) : Fl_Double_Window(w, h), peer_(peer) {
    end();
    resizable(nullptr);
    callback(&FormWindow::OnClose, this);
  }
  void resize(int x, int y, int w, int h) override {
    const bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    if (sized) peer_.UserResized(w, h);
  }
  int handle(int event) override {
    // Keys the focused widget left go to the form first: Enter on a focused
    // button presses it, a closed drop-down list takes its arrow keys. Only
    // the window that has the keyboard takes them (a shortcut is offered to
    // the window below the pointer too), and none behind a modal one.
    const Fl_Widget *focus = Fl::focus();
    const bool keyboard =
        (!focus || focus->window() == this) && (!Fl::modal() || Fl::modal() == this);
    if ((event == FL_KEYBOARD || event == FL_SHORTCUT) && keyboard && peer_.RouteKey()) return 1;
    const int taken = Fl_Double_Window::handle(event);
    if (event == FL_PUSH || event == FL_KEYBOARD) peer_.FocusFromView();
    return taken;
  }

 private:
  static void OnClose(Fl_Widget *, void *self) {
    // Esc reaches the window only when no cancel button took it; the
    // original windows do not close on Esc.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    static_cast<FormWindow *>(self)->peer_.UserClose();
  }
  FormPeer &peer_;
};

class MenuPeer : public Peer {
 public:
  MenuPeer(ViewContext &ctx, MainMenu &menu, Fl_Menu_Bar *bar)
      : ctx_(ctx), menu_(menu), bar_(bar) {}
  ~MenuPeer() override { delete bar_; }
  void Update(Aspect) override { Rebuild(); }
  void Rebuild() {
    bar_->clear();
    bar_->textfont(kFont);
    bar_->textsize(ctx_.FontSize(TFont{}));
    for (MenuItem *top : menu_.Items()) {
      const std::string top_path = MenuPathPart(top->Caption());
      if (top->Items().empty()) {
        Add(top_path, *top);
        continue;
      }
      for (MenuItem *sub : top->Items()) Add(top_path + "/" + MenuPathPart(sub->Caption()), *sub);
    }
    bar_->redraw();
  }

 private:
  void Add(const std::string &path, MenuItem &item) {
    bar_->add(path.c_str(), ToFlShortcut(item.ShortCut()), &MenuPeer::OnChoose, &item,
              item.Enabled() ? 0 : FL_MENU_INACTIVE);
  }
  static void OnChoose(Fl_Widget *, void *item) { static_cast<MenuItem *>(item)->Click(); }
  ViewContext &ctx_;
  MainMenu &menu_;
  Fl_Menu_Bar *bar_;
};

// Parents before children: a panel moves before what it holds.
void ForEachPeer(const Container &c, const std::function<void(WidgetPeer &)> &fn) {
  ForEachControl(c, [&fn](Control &child) {
    if (auto *p = dynamic_cast<WidgetPeer *>(child.PeerHolder().Get())) fn(*p);
    return Walk::Into;
  });
}

// Children before parents: a panel's group deletes what is still inside it.
void ResetPeers(const Container &c) {
  std::vector<Control *> all;
  ForEachControl(c, [&all](Control &child) {
    all.push_back(&child);
    return Walk::Into;
  });
  std::reverse(all.begin(), all.end());
  for (Control *child : all) child->PeerHolder().Reset();
}

}  // namespace

FormPeer::FormPeer(ViewContext &ctx, Form &form) : ctx_(ctx), form_(form) {
  Fl_Group::current(nullptr);
  window_ = new FormWindow(*this, std::max(ctx_.Px(form.ClientWidth()), 1),
                           std::max(ctx_.Px(form.ClientHeight()) + MenuHeight(), 1));
  window_->color(ToFlColor(form.Color()));
  window_->copy_label(form.Caption().c_str());
  ApplyIcon();
  Build();
  BuildMenu();
  ApplySize();
  LayoutAll();
  // Lists were filled before they had their size: scroll them again now.
  ForEachPeer(form_, [](WidgetPeer &p) { p.Update(Aspect::ItemIndex); });
}

void FormPeer::ApplyIcon() {
  const TIcon &icon = form_.Icon();
  if (icon.Empty() || icon.pixels.size() != static_cast<std::size_t>(icon.width) *
                                                static_cast<std::size_t>(icon.height))
    return;
  std::vector<uchar> rgb;
  rgb.reserve(icon.pixels.size() * 3);
  for (TColor c : icon.pixels) {
    const TColor value = ColorToRGB(c);
    rgb.insert(rgb.end(), {RedOf(value), GreenOf(value), BlueOf(value)});
  }
  // The window copies the image, so a temporary will do.
  Fl_RGB_Image image(rgb.data(), icon.width, icon.height, 3);
  window_->icon(&image);
}

FormPeer::~FormPeer() {
  // Control peers normally went first with their controls; any left behind
  // would dangle inside the window.
  ResetPeers(form_);
  if (form_.Menu()) form_.Menu()->PeerHolder().Reset();
  delete window_;
}

int FormPeer::MenuHeight() const { return form_.Menu() ? ctx_.Px(24) : 0; }

void FormPeer::Build() {
  // Each container's widgets go into its group, made before them.
  std::map<const Container *, Fl_Group *> groups{{&form_, window_}};
  ForEachControl(
      form_,
      [&](Control &child) {
        auto peer = MakeWidgetPeer(ctx_, *this, child);
        WidgetPeer &ref = *peer;
        groups.at(child.Parent())->add(ref.Widget());
        child.PeerHolder().Set(std::move(peer));
        ref.SyncAll();
        if (const Container *inner = child.AsContainer()) groups[inner] = GroupOf(ref);
        return Walk::Into;
      },
      WalkOrder::Tab);
}

void FormPeer::BuildMenu() {
  MainMenu *menu = form_.Menu();
  if (!menu) return;
  Fl_Group::current(nullptr);
  auto *bar = new Fl_Menu_Bar(0, 0, window_->w(), MenuHeight());
  bar->box(FL_FLAT_BOX);
  bar->color(ToFlColor(clBtnFace));
  window_->add(bar);
  auto peer = std::make_unique<MenuPeer>(ctx_, *menu, bar);
  peer->Rebuild();
  menu->PeerHolder().Set(std::move(peer));
}

void FormPeer::LayoutAll() {
  const int mh = MenuHeight();
  WidgetPeer::Placement where;
  where.menu_height = mh;
  if (set_width_ > 0 && set_height_ > 0) {
    where.grown_x = form_.ClientWidth() - set_width_;
    where.grown_y = form_.ClientHeight() - set_height_;
    where.grown_px_x = window_->w() - ctx_.Px(set_width_);
    where.grown_px_y = window_->h() - mh - ctx_.Px(set_height_);
  }
  ForEachPeer(form_, [&where](WidgetPeer &p) { p.Place(where); });
  for (int i = 0; i < window_->children(); ++i)
    if (auto *bar = dynamic_cast<Fl_Menu_Bar *>(window_->child(i)))
      bar->resize(0, 0, window_->w(), mh);
  window_->redraw();
}

void FormPeer::ApplySize() {
  set_width_ = form_.ClientWidth();
  set_height_ = form_.ClientHeight();
  const int w = std::max(ctx_.Px(form_.ClientWidth()), 1);
  const int h = std::max(ctx_.Px(form_.ClientHeight()) + MenuHeight(), 1);
  programmatic_resize_ = true;
  if (w != window_->w() || h != window_->h()) window_->size(w, h);
  programmatic_resize_ = false;
  if (form_.BorderStyle() == bsSizeable)
    window_->size_range(std::min(w, 100), std::min(h, 60));
  else
    window_->size_range(w, h, w, h);  // fixed border: no resize, no maximise
}

void FormPeer::ApplyShow() {
  if (!form_.Visible()) {
    window_->hide();
    window_->set_non_modal();
    return;
  }
  if (!placed_) {
    placed_ = true;
    if (form_.Position() == poScreenCenter) {
      int sx, sy, sw, sh;
      Fl::screen_work_area(sx, sy, sw, sh);
      window_->position(sx + (sw - window_->w()) / 2, sy + (sh - window_->h()) / 2);
    } else {
      window_->position(ctx_.Px(form_.Left()), ctx_.Px(form_.Top()));
    }
  }
  if (form_.Modal())
    window_->set_modal();
  else
    window_->set_non_modal();
  window_->show();
  FocusFirst();
}

namespace {

// The control whose widget holds the widget (a composite's part included).
Control *ControlOfWidget(const Container &c, const Fl_Widget *w) {
  Control *found = nullptr;
  ForEachControl(c, [&](Control &child) {
    auto *p = dynamic_cast<WidgetPeer *>(child.PeerHolder().Get());
    if (p && (p->Widget() == w ||
              (p->Widget()->as_group() && p->Widget()->contains(w) && !GroupOf(*p)))) {
      found = &child;
      return Walk::Stop;
    }
    return Walk::Into;
  });
  return found;
}

}  // namespace

bool FormPeer::RouteKey() {
  const TShortCut key = KeyOfEvent();
  if (key == scNone) return false;
  const TShortCut code = KeyOf(key);
  const bool letter = (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
  if ((key & scModifiers) == scAlt && letter && form_.Menu() &&
      form_.Menu()->FindMnemonic(static_cast<char>(code)) && !form_.Menu()->FindShortCut(key))
    return false;
  FocusFromView();
  bool taken = false;
  ctx_.app.RunGuarded([&] { taken = form_.KeyDown(key); });
  return taken;
}

void FormPeer::FocusFromView() {
  const Fl_Widget *focus = Fl::focus();
  if (!focus || focus->window() != window_) return;
  Control *c = ControlOfWidget(form_, focus);
  if (!c || c == form_.ActiveControl()) return;
  PeerMute mute(form_.PeerHolder());
  form_.SetActiveControl(c);
}

void FormPeer::FocusActive() {
  Control *c = form_.ActiveControl();
  if (!c || !window_->shown()) return;
  auto *p = dynamic_cast<WidgetPeer *>(c->PeerHolder().Get());
  if (!p) return;
  if (!p->Widget()->contains(Fl::focus())) p->Widget()->take_focus();
}

void FormPeer::FocusFirst() {
  // A shown form starts with its active control, or the first one in tab
  // order, focused; the toolkit would wait for a window manager's focus.
  std::vector<Control *> order = form_.TabOrderList();
  if (Control *active = form_.ActiveControl()) order.insert(order.begin(), active);
  for (Control *c : order) {
    auto *p = dynamic_cast<WidgetPeer *>(c->PeerHolder().Get());
    if (!p) continue;
    // A composite (the editable box) passes the focus to its field.
    if (p->Widget()->take_focus()) {
      FocusFromView();
      return;
    }
  }
}

void FormPeer::Update(Aspect what) {
  switch (what) {
    case Aspect::Caption: window_->copy_label(form_.Caption().c_str()); break;
    case Aspect::Color:
      window_->color(ToFlColor(form_.Color()));
      window_->redraw();
      break;
    case Aspect::Bounds:
    case Aspect::Style:
      ApplySize();
      LayoutAll();
      if (placed_ && form_.Position() == poDesigned)
        window_->position(ctx_.Px(form_.Left()), ctx_.Px(form_.Top()));
      break;
    case Aspect::Visible: ApplyShow(); break;
    case Aspect::Focus: FocusActive(); break;
    default: break;
  }
}

void FormPeer::UserResized(int w, int h) {
  if (programmatic_resize_) return;
  {
    PeerMute mute(form_.PeerHolder());
    form_.SetClientSize(ctx_.Layout(w), ctx_.Layout(std::max(h - MenuHeight(), 0)));
  }
  LayoutAll();
}

void FormPeer::UserClose() {
  ctx_.app.RunGuarded([this] { form_.Close(); });
}

}  // namespace tamrix::ui::view
