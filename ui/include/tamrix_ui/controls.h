// The concrete controls. Every handler (OnClick, OnPaint) runs guarded: an
// exception thrown out of it ends the handler and appears in the
// application's error box.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tamrix_ui/canvas.h"
#include "tamrix_ui/control.h"

namespace tamrix::ui {

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

class Button : public Control {
 public:
  explicit Button(Container *parent);
  ~Button() override;

  const std::string &Caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Enter presses the form's default button, Esc its cancel button.
  bool Default() const { return default_; }
  void SetDefault(bool d);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool c);
  // Copied into the owner form's ModalResult on every click.
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult r) { modal_result_ = r; }

  // As if pressed: sets the form's modal result, then runs OnClick.
  void Click();
  std::function<void()> OnClick;

  bool CanFocus() const override { return Visible() && Enabled(); }

 private:
  std::string caption_;
  bool default_ = false;
  bool cancel_ = false;
  TModalResult modal_result_ = mrNone;
};

// Labels take no focus. With AutoSize (the default) the label takes the
// extent of its caption in its font whenever either changes.
class Label : public Control {
 public:
  explicit Label(Container *parent);

  const std::string &Caption() const { return caption_; }
  void SetCaption(std::string caption);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool a);
  // A transparent label shows its parent's background instead of Color.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool t);

 protected:
  void OnFontChanged() override { FitText(); }
  void OnBoundsChanged() override { FitText(); }

 private:
  void FitText();
  std::string caption_;
  bool auto_size_ = true;
  bool transparent_ = false;
};

// Selection: ItemIndex is -1 (none) or a line index; setting a value
// outside the lines leaves no line selected. Selecting scrolls the line into
// view. The font colour applies to the whole list. A line wider than the
// room inside the frame brings a horizontal scroll bar, so that every line
// can be read in full; the bar takes its height from the lines' room.
class ListBox : public Control {
 public:
  explicit ListBox(Container *parent);

  // Appends a line; returns its index.
  int Add(std::string line);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  const std::vector<std::string> &Items() const { return items_; }
  // Throws RangeError for an index outside the lines.
  const std::string &Item(int index) const;

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);

  // First line in view, and how many lines the height shows.
  int TopIndex() const { return top_index_; }
  int VisibleLines() const;
  int ItemHeight() const;

  // Layout pixels: the sunken frame on each side, the room a line takes
  // beside its text, a scroll bar's thickness.
  static constexpr int kFrame = 2;
  static constexpr int kLinePadding = 6;
  static constexpr int kScrollBarSize = 20;
  // The widest line's text, as the application measures it.
  int ScrollWidth() const { return scroll_width_; }
  bool HorizontalScrollBar() const;

  bool CanFocus() const override { return Visible() && Enabled(); }

 protected:
  void OnBoundsChanged() override { ScrollIntoView(); }
  void OnFontChanged() override;

 private:
  void ScrollIntoView();
  int MeasureLine(const std::string &line) const;
  std::vector<std::string> items_;
  int item_index_ = -1;
  int top_index_ = 0;
  int scroll_width_ = 0;
  std::string measured_face_;
  int measured_height_ = 0;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

// csDropDownList: Text is always the selected item ("" for none).
// csDropDown: Text is free; setting or typing a text leaves ItemIndex -1,
// selecting an item copies it into Text.
//
// Keys of the focused box, closed or open: Up, Down, Home, End, Page Up and
// Page Down move the selection; in a drop-down list a typed letter or digit
// selects the next item that starts with it. Alt+Down and F4 open the list;
// while open, Enter, F4 and Alt+Up close it, Esc closes it and restores the
// selection it opened with, Tab closes it and moves on.
class ComboBox : public Control {
 public:
  explicit ComboBox(Container *parent);

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle s);

  const std::vector<std::string> &Items() const { return items_; }
  int AddItem(std::string item);
  void SetItems(std::vector<std::string> items);
  int ItemCount() const { return static_cast<int>(items_.size()); }
  // Throws RangeError for an index outside the items.
  const std::string &Item(int index) const;

  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  const std::string &Text() const { return text_; }
  void SetText(std::string text);

  // Rows shown when the list is open.
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int n);
  // Whether the list is open; closing it with Cancel restores the
  // selection it opened with.
  bool DroppedDown() const { return dropped_down_; }
  void SetDroppedDown(bool open);
  void CloseUp(bool cancel);

  bool CanFocus() const override { return Visible() && Enabled(); }
  bool KeyDown(TShortCut key) override;
  void Dismiss() override { CloseUp(false); }

 private:
  void SelectByKey(int index);
  int NextStartingWith(char c) const;
  TComboBoxStyle style_ = csDropDown;
  std::vector<std::string> items_;
  int item_index_ = -1;
  std::string text_;
  int drop_down_count_ = 8;
  bool dropped_down_ = false;
  int index_at_open_ = -1;
  std::string text_at_open_;
};

class Edit : public Control {
 public:
  explicit Edit(Container *parent);
  const std::string &Text() const { return text_; }
  void SetText(std::string text);
  bool CanFocus() const override { return Visible() && Enabled(); }

 private:
  std::string text_;
};

enum TBevelCut { bvNone, bvLowered, bvRaised };

// A panel's client area for docking is its bounds less BorderWidth and one
// BevelWidth for each bevel that is not bvNone. Defaults as on the original
// platform: outer bevel raised, inner none, bevel width 1. Bevel and border
// widths are device pixels at every screen scale, as on the original.
class Panel : public Control, public Container {
 public:
  explicit Panel(Container *parent);
  ~Panel() override;

  const std::string &Caption() const { return caption_; }
  void SetCaption(std::string caption);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut b);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut b);
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int w);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int w);

  Container *AsContainer() override { return this; }
  TRect AlignRect() const override;
  Form *OwnerForm() override { return Control::OwnerForm(); }
  const TFont &ChildFont() const override { return Font(); }

 protected:
  void OnBoundsChanged() override { Realign(); }
  void OnFontChanged() override { PropagateFont(); }

 private:
  void BevelChanged();
  std::string caption_;
  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvRaised;
  int bevel_width_ = 1;
  int border_width_ = 0;
};

// Draws only through its paint handler. Headless, Repaint() paints into a
// recording canvas kept as LastPaint(); on screen it redraws the area at
// once. Its canvas works in device pixels: PixelWidth() and PixelHeight()
// are the area's real pixels on screen, and its layout size headless.
class PaintBox : public Control {
 public:
  explicit PaintBox(Container *parent);

  int PixelWidth() const { return pixel_width_ < 0 ? Width() : pixel_width_; }
  int PixelHeight() const { return pixel_height_ < 0 ? Height() : pixel_height_; }
  // Set by the on-screen view whenever it places the box.
  void SetPixelSize(int width, int height) {
    pixel_width_ = width;
    pixel_height_ = height;
  }

  std::function<void(Canvas &)> OnPaint;
  void Repaint();
  // Runs the paint handler on the given canvas (guarded).
  void Paint(Canvas &canvas);

  // The operations of the last headless repaint.
  const RecordingCanvas &LastPaint() const { return *last_paint_; }
  // Paint handler runs so far, on screen or not.
  int PaintCount() const { return paint_count_; }

 private:
  std::unique_ptr<RecordingCanvas> last_paint_;
  int pixel_width_ = -1;
  int pixel_height_ = -1;
  int paint_count_ = 0;
  bool painting_ = false;
};

}  // namespace tamrix::ui
