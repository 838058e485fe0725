#include "tamrix_ui/application.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "tamrix_ui/errors.h"
#include "tamrix_ui/screen.h"

namespace tamrix::ui {

namespace {

Application *g_current = nullptr;

std::string OwnProgramPath() {
  std::error_code ec;
  const auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("project") : p.string();
}

}  // namespace

Application::Application() : Application(OwnProgramPath()) {}

Application::Application(std::string_view program_path)
    : title_(TitleFromProgramPath(program_path)),
      measurer_(std::make_unique<ApproximateTextMeasurer>()) {
  if (g_current) throw std::logic_error("only one Application may exist at a time");
  g_current = this;
}

Application::~Application() {
  DestroyForms();
  view_.reset();
  g_current = nullptr;
}

Application &Application::Current() {
  if (!g_current) throw std::logic_error("no Application exists");
  return *g_current;
}

std::string Application::TitleFromProgramPath(std::string_view path) {
  const auto slash = path.find_last_of("/\\");
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  const auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (c >= 0x80) continue;  // leave UTF-8 bytes alone
    name[i] = static_cast<char>(i == 0 ? std::toupper(c) : std::tolower(c));
  }
  return name;
}

std::vector<Form *> Application::Forms() const {
  std::vector<Form *> out;
  for (const auto &f : forms_) out.push_back(f.get());
  return out;
}

void Application::AddForm(std::unique_ptr<Form> form) {
  Form &f = *form;
  forms_.push_back(std::move(form));
  f.DoCreate();
  if (view_) view_->Realize(f);
}

void Application::RegisterHandle(HWND h, Form *f) { handles_.emplace_back(h, f); }

void Application::UnregisterHandle(HWND h) {
  handles_.erase(
      std::remove_if(handles_.begin(), handles_.end(), [h](const auto &e) { return e.first == h; }),
      handles_.end());
}

Form *Application::FindForm(HWND handle) const {
  for (const auto &[h, f] : handles_)
    if (h == handle) return f;
  return nullptr;
}

bool Application::DispatchOne() {
  tmx::platform::PostedMessage m;
  if (!queue_.Peek(m)) return false;
  if (Form *f = FindForm(m.window)) f->Dispatch(m.message, m.wparam, m.lparam);
  return true;
}

void Application::ProcessMessages() {
  if (view_) view_->Check();
  while (DispatchOne()) {
  }
}

void Application::Run() {
  Form *main = MainForm();
  if (!main) return;
  main->Show();
  while (!terminated_) {
    if (view_) {
      view_->WaitOnce();
    } else {
      tmx::platform::PostedMessage m;
      if (queue_.Wait(m, std::chrono::milliseconds(100)))
        if (Form *f = FindForm(m.window)) f->Dispatch(m.message, m.wparam, m.lparam);
    }
  }
  DestroyForms();
}

void Application::DestroyForms() {
  if (destroying_) return;
  destroying_ = true;
  while (!forms_.empty()) {
    forms_.back()->DoDestroy();
    forms_.pop_back();
  }
  destroying_ = false;
}

TModalResult Application::RunModal(Form &form) {
  if (form.visible_ || form.modal_) throw text::Error("Cannot make a visible window modal");
  form.modal_result_ = mrNone;
  form.modal_ = true;
  form.SetVisible(true);
  struct Restore {
    Form &f;
    ~Restore() {
      f.modal_ = false;
      f.SetVisible(false);
    }
  } restore{form};

  if (view_) {
    while (form.modal_result_ == mrNone && form.visible_ && !terminated_) view_->WaitOnce();
  } else {
    if (modal_handler_) modal_handler_(form);
    while (form.modal_result_ == mrNone && DispatchOne()) {
    }
  }
  if (form.modal_result_ == mrNone) form.modal_result_ = mrCancel;
  return form.modal_result_;
}

void Application::RunGuarded(const std::function<void()> &handler) noexcept {
  try {
    try {
      handler();
    } catch (const std::exception &e) {
      ShowException(e);
    } catch (...) {
      ShowException(std::runtime_error("unknown exception"));
    }
  } catch (...) {
    // The error box itself failed; nothing is left to tell the operator with.
  }
}

void Application::ShowException(const std::exception &e) { MessageBox(e.what(), mtError); }

TModalResult Application::MessageBox(std::string_view text, TMsgDlgType type) {
  boxes_.push_back({title_, std::string(text), type});
  const MessageBoxRecord record = boxes_.back();
  if (view_)
    view_->MessageBox(record.title, record.text, type == mtError);
  else if (box_handler_)
    box_handler_(record);
  return mrOk;
}

void Application::UseScreen(const ScreenFont &font) {
  if (view_) return;
  view_ = std::make_unique<ScreenView>(*this, font);
  for (const auto &f : forms_) view_->Realize(*f);
}

void Application::SetMeasurer(std::unique_ptr<TextMeasurer> m) {
  if (m) measurer_ = std::move(m);
}

TModalResult MessageBox(std::string_view text, TMsgDlgType type) {
  return Application::Current().MessageBox(text, type);
}

}  // namespace tamrix::ui
