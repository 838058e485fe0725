// On-screen peers: each control, form and menu bar gets one FLTK widget that
// follows the model's changes; the widget's callbacks feed the operator's
// input back into the model with the peer muted, so it is not echoed.
#pragma once

#include <memory>

#include "tamrix_ui/control.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/form.h"
#include "tamrix_ui/menu.h"
#include "view_context.h"

class Fl_Group;
class Fl_Widget;
class Fl_Double_Window;

namespace tamrix::ui::view {

class FormPeer;

class WidgetPeer : public Peer {
 public:
  WidgetPeer(ViewContext &ctx, FormPeer &form, Control &model)
      : ctx_(ctx), form_(form), model_(model) {}
  ~WidgetPeer() override;
  void Update(Aspect what) override;
  // Everything, once the widget exists.
  void SyncAll();
  Fl_Widget *Widget() const { return widget_; }
  Control &Model() const { return model_; }
  // Where a form's controls go: below its menu bar, and how far the window
  // has been resized from the size the program set, in layout and in
  // window pixels.
  struct Placement {
    int menu_height = 0;
    int grown_x = 0, grown_y = 0;
    int grown_px_x = 0, grown_px_y = 0;
  };
  // Moves the widget to the control's place in window pixels.
  void Place(const Placement &where);

 protected:
  virtual void Sync(Aspect what) = 0;
  // After the widget has moved or changed size.
  virtual void Placed() {}
  void Own(Fl_Widget *w) { widget_ = w; }
  ViewContext &ctx_;
  FormPeer &form_;
  Control &model_;

 private:
  Fl_Widget *widget_ = nullptr;
};

// A peer for the control, its widget not yet in any group.
std::unique_ptr<WidgetPeer> MakeWidgetPeer(ViewContext &ctx, FormPeer &form, Control &control);
// The group a container's children go into (panels only).
Fl_Group *GroupOf(WidgetPeer &peer);

// The peer of each kind of control, its widget not yet in any group.
std::unique_ptr<WidgetPeer> MakeButtonPeer(ViewContext &ctx, FormPeer &form, Button &b);
std::unique_ptr<WidgetPeer> MakeLabelPeer(ViewContext &ctx, FormPeer &form, Label &l);
std::unique_ptr<WidgetPeer> MakeListBoxPeer(ViewContext &ctx, FormPeer &form, ListBox &l);
std::unique_ptr<WidgetPeer> MakeComboBoxPeer(ViewContext &ctx, FormPeer &form, ComboBox &c);
std::unique_ptr<WidgetPeer> MakeEditPeer(ViewContext &ctx, FormPeer &form, Edit &e);
std::unique_ptr<WidgetPeer> MakePanelPeer(ViewContext &ctx, FormPeer &form, Panel &p);
std::unique_ptr<WidgetPeer> MakePaintBoxPeer(ViewContext &ctx, FormPeer &form, PaintBox &p);

class FormPeer : public Peer {
 public:
  FormPeer(ViewContext &ctx, Form &form);
  ~FormPeer() override;
  void Update(Aspect what) override;
  // Puts every widget where the model has its control.
  void LayoutAll();
  void ApplyIcon();
  int MenuHeight() const;
  Fl_Double_Window *Window() const { return window_; }
  Form &Model() const { return form_; }
  // From the window: the operator resized it or asked to close it.
  void UserResized(int w, int h);
  void UserClose();
  // The key being handled, given to the form as typed (menu mnemonics stay
  // with the menu bar, which opens its own menus); true when taken.
  bool RouteKey();
  // The form's active control follows the toolkit's focus.
  void FocusFromView();

 private:
  void Build();
  void BuildMenu();
  void ApplySize();
  void ApplyShow();
  void FocusFirst();
  void FocusActive();
  ViewContext &ctx_;
  Form &form_;
  Fl_Double_Window *window_ = nullptr;
  bool programmatic_resize_ = false;
  // The client size the program last set, in layout pixels.
  int set_width_ = 0, set_height_ = 0;
  bool placed_ = false;
};

}  // namespace tamrix::ui::view
