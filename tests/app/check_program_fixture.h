#pragma once

// The check program's three windows, headless, with whatever library the
// loader finds beside the test program.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Graph.h"
#include "Modeset.h"
#include "Tamrixdll.h"
#include "main.h"
#include "program_fonts.h"

namespace check_program_testing {

class CheckProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = std::make_unique<tamrix::ui::Application>("/opt/tamrix/tamrix");
    if (OnScreen()) app_->UseScreen(ProgramScreenFont());
    MainForm = &app_->CreateForm<TMainForm>();
    GraphForm = &app_->CreateForm<TGraphForm>();
    ModeSetForm = &app_->CreateForm<TModeSetForm>();
    form = MainForm;
  }

  void TearDown() override {
    if (app_) app_->DestroyForms();
  }

  tamrix::ui::Application &App() { return *app_; }
  // Whether the windows go on a real screen rather than stay headless.
  virtual bool OnScreen() const { return false; }

  // The lists as the main window's destruction handler left them.
  struct FinalLists {
    std::vector<std::string> etc;
    std::vector<std::string> error_codes;
    std::uint16_t slot = 0;
  };
  // Ends the program as closing the main window does; the forms are gone
  // afterwards, so what the exit wrote is read just before.
  FinalLists ExitProgram() {
    FinalLists lists;
    auto destroy = form->OnDestroy;
    form->OnDestroy = [this, destroy, &lists] {
      destroy();
      lists.etc = form->ListBoxEtcMsg.Items();
      lists.error_codes = form->ListBoxTamrixErrMsg.Items();
      lists.slot = form->CurrentSlot;
    };
    app_->DestroyForms();
    form = nullptr;
    return lists;
  }

  static const std::vector<std::string> &Lines(const tamrix::ui::ListBox &list) {
    return list.Items();
  }
  static std::string LastLine(const tamrix::ui::ListBox &list) {
    return list.Count() == 0 ? std::string() : list.Items().back();
  }

  // Answers the next modal opening of the mode dialog.
  void AnswerModeDialog(std::function<void(TModeSetForm &)> fill,
                        tamrix::ui::TModalResult result = tamrix::ui::mrOk) {
    app_->SetModalHandler([fill, result](tamrix::ui::Form &dialog) {
      auto &mode_dialog = dynamic_cast<TModeSetForm &>(dialog);
      if (fill) fill(mode_dialog);
      dialog.SetModalResult(result);
    });
  }

  void SelectItem(tamrix::ui::ComboBox &box, const std::string &item) {
    for (int i = 0; i < box.ItemCount(); ++i) {
      if (box.Item(i) == item) {
        box.SetItemIndex(i);
        return;
      }
    }
    FAIL() << "no item " << item;
  }

  TMainForm *form = nullptr;

 private:
  std::unique_ptr<tamrix::ui::Application> app_;
};

}  // namespace check_program_testing
