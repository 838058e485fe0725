// The control base and the container side (forms and panels). Controls are
// members of their form, constructed with their parent:
//   Button ButtonOk{this};  PaintBox PaintBoxGraph{&PanelGraph};
// They register with the parent on construction and leave it on destruction.
// Positions are layout pixels at 120 ppi, relative to the parent's client
// origin; an on-screen view scales them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tamrix_ui/color.h"
#include "tamrix_ui/font.h"
#include "tamrix_ui/keys.h"

namespace tamrix::ui {

class Control;
class Form;

struct TRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool operator==(const TRect &) const = default;
};

// Docking: aligned children fill their parent's client area in the order
// top, bottom, left, right, client; alNone keeps the designed bounds.
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// What changed in a control or form, so that an on-screen peer can follow.
enum class Aspect {
  Bounds,
  Visible,
  Enabled,
  Font,
  Color,
  Caption,
  Text,
  Items,
  ItemIndex,
  Style,
  Bevel,
  Keys,
  Menu,
  Paint,
  Modal,
  Focus,
  DropDown
};

// The on-screen counterpart of a control, form or menu.
class Peer {
 public:
  virtual ~Peer() = default;
  virtual void Update(Aspect what) = 0;
};

// Holds a peer and forwards changes to it unless muted (the view mutes it
// while it feeds the operator's input back, so the input is not echoed).
class PeerSlot {
 public:
  Peer *Get() const { return peer_.get(); }
  void Set(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
  void Reset() { peer_.reset(); }
  void Notify(Aspect what) const {
    if (peer_ && mute_ == 0) peer_->Update(what);
  }
  void Mute() { ++mute_; }
  void Unmute() { --mute_; }

 private:
  std::unique_ptr<Peer> peer_;
  int mute_ = 0;
};

class PeerMute {
 public:
  explicit PeerMute(PeerSlot &slot) : slot_(slot) { slot_.Mute(); }
  ~PeerMute() { slot_.Unmute(); }
  PeerMute(const PeerMute &) = delete;
  PeerMute &operator=(const PeerMute &) = delete;

 private:
  PeerSlot &slot_;
};

class Container {
 public:
  virtual ~Container();
  Container(const Container &) = delete;
  Container &operator=(const Container &) = delete;

  // Children in creation order.
  const std::vector<Control *> &Controls() const { return controls_; }
  // Where aligned children go, in this container's own coordinates.
  virtual TRect AlignRect() const = 0;
  // Lays the aligned children out again; runs by itself on every change
  // that can move them once the form is created (while a layout is being
  // built, docking waits, so that design order decides, not set order).
  void Realign();
  // This container and every nested one.
  void RealignTree();

  virtual Form *OwnerForm() = 0;
  // The font children take while their ParentFont is set.
  virtual const TFont &ChildFont() const = 0;

 protected:
  Container() = default;
  // Children follow a font change of the container.
  void PropagateFont();
  virtual void AfterRealign() {}

 private:
  friend class Control;
  void Adopt(Control *c);
  void Release(Control *c);
  std::vector<Control *> controls_;
  bool aligning_ = false;
};

class Control {
 public:
  explicit Control(Container *parent);
  virtual ~Control();
  Control(const Control &) = delete;
  Control &operator=(const Control &) = delete;

  const std::string &Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.width; }
  int Height() const { return bounds_.height; }
  const TRect &BoundsRect() const { return bounds_; }
  void SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
  void SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
  void SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
  void SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }
  void SetBounds(int left, int top, int width, int height);

  TAlign Align() const { return align_; }
  void SetAlign(TAlign a);

  // -1: not in the tab order.
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int order) { tab_order_ = order; }

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);

  // The parent's font while ParentFont holds; setting a font clears it.
  const TFont &Font() const;
  void SetFont(const TFont &font);
  void SetFontColor(TColor c);
  bool ParentFont() const { return parent_font_; }

  TColor Color() const { return color_; }
  void SetColor(TColor c);

  Container *Parent() const { return parent_; }
  Form *OwnerForm() const;

  virtual bool CanFocus() const { return false; }
  bool Focused() const;
  void SetFocus();
  // A key typed while this control has the focus, before the form's own
  // keys (Enter, Esc, Tab); true when the control took it.
  virtual bool KeyDown(TShortCut) { return false; }
  // The focus leaves the control or its form hides: whatever it has open
  // (a drop-down list) closes without a choice.
  virtual void Dismiss() {}

  // The side of a control that holds others (a panel); null for the rest.
  virtual Container *AsContainer() { return nullptr; }

  PeerSlot &PeerHolder() { return peer_; }

 protected:
  void Changed(Aspect what) const { peer_.Notify(what); }
  // Bounds set by the parent's docking, without asking it to realign.
  virtual void OnBoundsChanged() {}
  virtual void OnFontChanged() {}

 private:
  friend class Container;
  void SetBoundsFromParent(const TRect &r);
  void ParentFontChanged();
  bool Docked() const { return align_ != alNone && visible_; }

  Container *parent_;
  std::string name_;
  TRect bounds_;
  TAlign align_ = alNone;
  int tab_order_ = -1;
  bool visible_ = true;
  bool enabled_ = true;
  bool parent_font_ = true;
  TFont font_;
  TColor color_ = clBtnFace;
  PeerSlot peer_;
};

// What a walk over the controls does after visiting one: go on into its
// children, go past them, or end the walk.
enum class Walk { Into, Past, Stop };
// Siblings in creation order, or by tab order (ties keep creation order,
// TabOrder -1 last).
enum class WalkOrder { Creation, Tab };

// Visits every control the container holds, nested ones included, depth
// first: a container before what it holds. False when fn stopped the walk.
bool ForEachControl(const Container &container, const std::function<Walk(Control &)> &fn,
                    WalkOrder order = WalkOrder::Creation);

}  // namespace tamrix::ui
