// One Application per program, on its window thread. It owns the forms
// (the first created is the main form), the thread's message queue, the
// error box, and optionally the on-screen view.
//
//   int main() {
//     tamrix::ui::Application app;            // title "Tamrix" for .../tamrix
//     app.UseScreen(font);                    // omit for headless runs
//     MainForm = &app.CreateForm<TMainForm>();
//     app.Run();                              // until the main form closes
//   }
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tamrix_platform/messages.h"
#include "tamrix_ui/controls.h"
#include "tamrix_ui/form.h"
#include "tamrix_ui/screen_font.h"
#include "tamrix_ui/text_measure.h"

namespace tamrix::ui {

class ScreenView;

enum TMsgDlgType { mtNone, mtError };

struct MessageBoxRecord {
  std::string title;
  std::string text;
  TMsgDlgType type = mtNone;
};

class Application {
 public:
  // The title comes from the running program's file (/proc/self/exe).
  Application();
  // The title comes from the given program path (argv[0]).
  explicit Application(std::string_view program_path);
  ~Application();
  Application(const Application &) = delete;
  Application &operator=(const Application &) = delete;

  // The application of this process; throws std::logic_error when none.
  static Application &Current();

  // File name without directory and extension, first character upper case,
  // the rest lower case: "/opt/x/TAMRIX.exe" -> "Tamrix".
  static std::string TitleFromProgramPath(std::string_view path);
  const std::string &Title() const { return title_; }

  // Constructs the form, runs its OnCreate (guarded) and, on screen, builds
  // its window (hidden until shown).
  template <typename T, typename... Args>
  T &CreateForm(Args &&...args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    T &ref = *form;
    AddForm(std::move(form));
    return ref;
  }
  Form *MainForm() const { return forms_.empty() ? nullptr : forms_.front().get(); }
  std::vector<Form *> Forms() const;

  // Shows the main form and dispatches until it closes (or Terminate), then
  // destroys every form, the last created first.
  void Run();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Dispatches every message pending now (and, on screen, pending events).
  void ProcessMessages();
  // Destroys the forms last-created first; each OnDestroy runs while its
  // controls exist.
  void DestroyForms();

  tmx::platform::MessageQueue &Queue() { return queue_; }
  Form *FindForm(HWND handle) const;
  // Takes one posted message and hands it to its form; false when none.
  bool DispatchOne();

  // Runs a handler; whatever it throws is shown in the error box and the
  // program goes on.
  void RunGuarded(const std::function<void()> &handler) noexcept;
  // The standard error box: modal, error icon, titled with Title().
  void ShowException(const std::exception &e);

  // A modal box with one OK button, titled with Title(). Headless, the box is
  // recorded and the call returns at once.
  TModalResult MessageBox(std::string_view text, TMsgDlgType type = mtNone);
  const std::vector<MessageBoxRecord> &MessageBoxes() const { return boxes_; }
  void ClearMessageBoxes() { boxes_.clear(); }

  // Headless hooks for tests: the modal handler runs when a form opens
  // modally (it may set controls, post and process messages, set
  // ModalResult); the box handler runs while a message box is "open".
  // Without a result from the handler or a dispatched message, ShowModal
  // ends with mrCancel.
  void SetModalHandler(std::function<void(Form &)> handler) { modal_handler_ = std::move(handler); }
  void SetMessageBoxHandler(std::function<void(const MessageBoxRecord &)> handler) {
    box_handler_ = std::move(handler);
  }

  // Switches to real windows, every font shown as the given one. Throws
  // ScreenUnavailable when no display can be opened. Call before creating
  // forms.
  void UseScreen(const ScreenFont &font = {});
  bool OnScreen() const { return view_ != nullptr; }
  ScreenView *View() const { return view_.get(); }

  const TextMeasurer &Measurer() const { return *measurer_; }
  void SetMeasurer(std::unique_ptr<TextMeasurer> m);

 private:
  friend class Form;
  void AddForm(std::unique_ptr<Form> form);
  void RegisterHandle(HWND h, Form *f);
  void UnregisterHandle(HWND h);
  TModalResult RunModal(Form &form);

  std::string title_;
  tmx::platform::MessageQueue queue_;
  std::vector<std::unique_ptr<Form>> forms_;
  std::vector<std::pair<HWND, Form *>> handles_;
  std::vector<MessageBoxRecord> boxes_;
  std::function<void(Form &)> modal_handler_;
  std::function<void(const MessageBoxRecord &)> box_handler_;
  std::unique_ptr<TextMeasurer> measurer_;
  std::unique_ptr<ScreenView> view_;
  bool terminated_ = false;
  bool destroying_ = false;
};

// Application::Current().MessageBox(...).
TModalResult MessageBox(std::string_view text, TMsgDlgType type = mtNone);

}  // namespace tamrix::ui
