// Top-level windows. A program derives its window classes from Form, holds
// the controls as members and sets their properties in its constructor:
//
//   class TMainForm : public tamrix::ui::Form {
//    public:
//     TMainForm() { Layout(); OnCreate = [this] { FormCreate(); }; }
//     tamrix::ui::Button ButtonTamrixCreate{this};
//     ...
//   };
//
// Forms are made with Application::CreateForm<T>(), which runs OnCreate once
// the whole object (all controls) exists; the application destroys them,
// running OnDestroy while the controls still exist.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tamrix_platform/messages.h"
#include "tamrix_ui/control.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/keys.h"

namespace tamrix::ui {

class Application;
class MainMenu;
class MenuItem;

enum TBorderStyle { bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter };

// A window icon: width x height colours, row by row (0x00BBGGRR).
struct TIcon {
  int width = 0;
  int height = 0;
  std::vector<TColor> pixels;
  bool Empty() const { return pixels.empty(); }
};

class Form : public Container {
 public:
  // Joins Application::Current(); throws std::logic_error without one.
  Form();
  ~Form() override;

  // Lives as long as the form; messages posted to it reach SetMessageHandler.
  HWND Handle() const { return handle_; }
  Application &App() const { return app_; }

  const std::string &Name() const { return name_; }
  void SetName(std::string n) { name_ = std::move(n); }
  const std::string &Caption() const { return caption_; }
  void SetCaption(std::string caption);
  // Shown by the window system on the title bar and task list.
  const TIcon &Icon() const { return icon_; }
  void SetIcon(TIcon icon) { icon_ = std::move(icon); }

  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  // Re-lays out docked controls and runs OnResize when the size changes.
  void SetClientSize(int width, int height);

  // Used with poDesigned.
  int Left() const { return left_; }
  int Top() const { return top_; }
  void SetLeft(int l);
  void SetTop(int t);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p);

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle s);

  const TFont &Font() const { return font_; }
  void SetFont(const TFont &font);
  void SetFontColor(TColor c);
  TColor Color() const { return color_; }
  void SetColor(TColor c);

  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  // The first Show also runs OnResize (the first display is a size change).
  void Show();
  void Hide();
  // The main form ends the application's loop; a modal form ends its modal
  // loop with mrCancel; any other form hides.
  void Close();

  // Shows the form modally and returns once ModalResult is set (or the form
  // closes). Posted messages keep being dispatched meanwhile.
  TModalResult ShowModal();
  bool Modal() const { return modal_; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult r);

  std::function<void()> OnCreate;
  std::function<void()> OnDestroy;
  std::function<void()> OnResize;

  using MessageHandler = std::function<void(WPARAM wparam, LPARAM lparam)>;
  // One handler per message number; numbers without one are ignored.
  void SetMessageHandler(UINT message, MessageHandler handler);
  // Runs the handler (guarded); false when the number has none.
  bool Dispatch(UINT message, WPARAM wparam, LPARAM lparam);

  MainMenu *Menu() const { return menu_; }

  // Focus and keyboard, for headless use; on screen the toolkit does this.
  Control *ActiveControl() const { return active_; }
  void SetActiveControl(Control *c);
  // Focusable controls, nested ones included, by tab order (ties keep
  // creation order); controls with TabOrder -1 come last.
  std::vector<Control *> TabOrderList() const;
  void SelectNext(bool forward = true);
  // A key as typed: menu shortcuts first, then an open menu's mnemonics,
  // Alt+letter opening a menu, the focused control's own keys, Enter
  // (focused button, else default button), Esc (open menu, else cancel
  // button), Tab. True when something took it.
  bool KeyDown(TShortCut key);
  // The top-level menu item opened by its mnemonic, until Esc or a choice.
  MenuItem *OpenMenu() const { return open_menu_; }
  Button *DefaultButton() const;
  Button *CancelButton() const;

  TRect AlignRect() const override { return {0, 0, client_width_, client_height_}; }
  Form *OwnerForm() override { return this; }
  const TFont &ChildFont() const override { return font_; }

  PeerSlot &PeerHolder() { return peer_; }
  bool Created() const { return created_; }
  // Run by the application; not for program code.
  void DoCreate();
  void DoDestroy();

 private:
  friend class MainMenu;
  friend class MenuItem;
  friend class Control;
  friend class Application;
  void Changed(Aspect what) const { peer_.Notify(what); }
  void ControlRemoved(Control *c);
  void FindButtons(Button **def, Button **cancel) const;

  Application &app_;
  HWND handle_;
  std::string name_;
  std::string caption_;
  TIcon icon_;
  int client_width_ = 0;
  int client_height_ = 0;
  int left_ = 0;
  int top_ = 0;
  TPosition position_ = poDesigned;
  TBorderStyle border_style_ = bsSizeable;
  TFont font_;
  TColor color_ = clBtnFace;
  bool visible_ = false;
  bool shown_once_ = false;
  bool modal_ = false;
  bool created_ = false;
  bool destroyed_ = false;
  TModalResult modal_result_ = mrNone;
  std::map<UINT, MessageHandler> handlers_;
  MainMenu *menu_ = nullptr;
  Control *active_ = nullptr;
  MenuItem *open_menu_ = nullptr;
  PeerSlot peer_;
};

}  // namespace tamrix::ui
