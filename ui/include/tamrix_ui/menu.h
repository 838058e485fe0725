// Menu bar: top-level items with mnemonics ("ﾌｧｲﾙ(&F)": Alt+F opens it) and
// sub-items with shortcuts that act whichever control has the focus.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tamrix_ui/control.h"
#include "tamrix_ui/keys.h"

namespace tamrix::ui {

class MenuItem;

class MainMenu {
 public:
  explicit MainMenu(Form *form);
  ~MainMenu();
  MainMenu(const MainMenu &) = delete;
  MainMenu &operator=(const MainMenu &) = delete;

  const std::vector<MenuItem *> &Items() const { return items_; }
  Form *OwnerForm() const { return form_; }

  // An enabled item, at any depth, with that shortcut.
  MenuItem *FindShortCut(TShortCut s) const;
  // The top-level item with that mnemonic letter (either case).
  MenuItem *FindMnemonic(char letter) const;

  PeerSlot &PeerHolder() { return peer_; }
  void Changed() const { peer_.Notify(Aspect::Menu); }

 private:
  friend class MenuItem;
  Form *form_;
  std::vector<MenuItem *> items_;
  PeerSlot peer_;
};

class MenuItem {
 public:
  explicit MenuItem(MainMenu *menu);
  explicit MenuItem(MenuItem *parent);
  ~MenuItem();
  MenuItem(const MenuItem &) = delete;
  MenuItem &operator=(const MenuItem &) = delete;

  const std::string &Caption() const { return caption_; }
  void SetCaption(std::string caption);
  char Mnemonic() const { return MnemonicOf(caption_); }
  TShortCut ShortCut() const { return shortcut_; }
  void SetShortCut(TShortCut s);
  // "Alt+X", "F1"; unreadable text clears the shortcut.
  void SetShortCut(std::string_view text) { SetShortCut(TextToShortCut(text)); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e);

  const std::vector<MenuItem *> &Items() const { return items_; }
  MenuItem *Parent() const { return parent_; }
  MainMenu *Menu() const { return menu_; }
  // The sub-item with that mnemonic letter.
  MenuItem *FindMnemonic(char letter) const;

  // As if chosen: runs OnClick guarded.
  void Click();
  std::function<void()> OnClick;

 private:
  friend class MainMenu;
  MainMenu *menu_;
  MenuItem *parent_;
  std::string caption_;
  TShortCut shortcut_ = scNone;
  bool enabled_ = true;
  std::vector<MenuItem *> items_;
};

}  // namespace tamrix::ui
