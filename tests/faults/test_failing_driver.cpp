// A driver that starts failing in the middle of a session: the check program
// reports every command's failure in its label, its "Err:" line and its
// GetLastError step, and works on as soon as the driver does.
#include <chrono>
#include <thread>

#include "check_program_fixture.h"
#include "fault_plan.h"
#include "tamrix_protocol.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;
using namespace std::chrono_literals;

class FailingDriver : public CheckProgram {
 protected:
  void SetUp() override {
    CheckProgram::SetUp();
    auto faults =
        reinterpret_cast<FaultsFunction>(GetProcAddress(Tamrixdll::TamrixLibraryHandle, "Faults"));
    ASSERT_NE(faults, nullptr) << "the breakable library was not the one loaded";
    plan = faults();
    *plan = FaultPlan{};
    // Keeps the plan readable while the program's exit releases the library.
    own_reference_ = LoadLibraryA(Tamrixdll::kLibraryFileName);
  }

  void TearDown() override {
    CheckProgram::TearDown();
    if (own_reference_ != 0) FreeLibrary(own_reference_);
  }

  // Slot 0 open, mode 3 on channel 0 (the dialog's defaults), sampling.
  void OpenAndSample() {
    SelectItem(form->ComboBoxTamrixCreate, "Auto");
    form->ButtonTamrixCreate.Click();
    ASSERT_EQ(form->LabelTamrixCreate.Caption(), " Slot=00 ");
    AnswerModeDialog(nullptr);
    form->ButtonTamrixSetMode.Click();
    ASSERT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
    form->ButtonTamrixStartSampling.Click();
    ASSERT_EQ(form->LabelTamrixStartSampling.Caption(), " OK ");
  }

  // Runs a command and returns the lines it added to the other-messages and
  // error-code lists.
  struct Added {
    std::vector<std::string> etc;
    std::vector<std::string> error_codes;
  };
  Added Run(Button &button) {
    const int etc_before = form->ListBoxEtcMsg.Count();
    const int codes_before = form->ListBoxTamrixErrMsg.Count();
    button.Click();
    const auto &etc = Lines(form->ListBoxEtcMsg);
    const auto &codes = Lines(form->ListBoxTamrixErrMsg);
    return {{etc.begin() + etc_before, etc.end()}, {codes.begin() + codes_before, codes.end()}};
  }

  // The numbered, framed form of each error text, from line `first` on.
  static std::vector<std::string> ErrorLines(int first, std::vector<std::string> texts) {
    for (std::string &text : texts) text = Format("%.3d ????? %s ?????", first++, text);
    return texts;
  }

  FaultPlan *plan = nullptr;

 private:
  HMODULE own_reference_ = 0;
};

struct Fault {
  FaultPlan::Kind kind;
  std::uint32_t value;
  const char *shown;                 // the error-code list's text for the code left behind
  const char *get_last_error_label;  // 65535 reads as "no TamrixGetLastError"
};

std::string FaultName(const ::testing::TestParamInfo<Fault> &info) {
  return (info.param.kind == FaultPlan::kNotCarriedOut ? "NotCarriedOut" : "Status") +
         std::to_string(info.param.value);
}

class EveryCommandReportsTheFailure : public FailingDriver,
                                      public ::testing::WithParamInterface<Fault> {};

TEST_P(EveryCommandReportsTheFailure, AndTheProgramRunsOnWhenTheDriverRecovers) {
  const Fault fault = GetParam();
  OpenAndSample();
  plan->kind = fault.kind;
  plan->value = fault.value;
  form->ComboBoxTamrixGetData.SetText("16");  // a typed count reaches the library even now

  struct Command {
    Button *button;
    Label *label;
    std::vector<std::string> failure_lines;
    bool get_last_error_step = true;
  };
  const std::vector<Command> commands = {
      {&form->ButtonTamrixGetVersion, &form->LabelTamrixGetVersion, {"Err: GetVersion Fail"}},
      {&form->ButtonTamrixGetResource,
       &form->LabelTamrixGetResource,
       {"Err: GetResource Slot=00 Fail"}},
      {&form->ButtonTamrixStartSampling,
       &form->LabelTamrixStartSampling,
       {"Err: StartSampling Slot=00 Fail"}},
      {&form->ButtonTamrixStopSampling,
       &form->LabelTamrixStopSampling,
       {"Err: StopSampling Slot=00 Fail"}},
      {&form->ButtonTamrixGetSamplingStatus,
       &form->LabelTamrixGetSamplingStatus,
       {"Err: GetSmaplingStatus Slot=00 Fail"},
       false},
      {&form->ButtonTamrixGetData,
       &form->LabelTamrixGetData,
       {"Err: GetSmaplingStatus Slot=00 Fail", "Err: GetData Slot=00 NumData=16 Fail"}},
      {&form->ButtonTamrixGetExIn,
       &form->LabelTamrixGetExIn,
       {"Err: GetExIn Slot=00 ExIn0=0H ExIn1=0H ExTrg=0H Fail"}},
      {&form->ButtonTamrixSetMode, &form->LabelTamrixSetMode, {"Err: SetMode Slot=00 Fail"}},
      {&form->ButtonTamrixClose, &form->LabelTamrixClose, {"Err: Close Slot=00 Fail"}},
      {&form->ButtonTamrixCreate, &form->LabelTamrixCreate, {"Err: Create Slot=02 Fail"}},
  };
  SelectItem(form->ComboBoxTamrixClose, "Auto");
  SelectItem(form->ComboBoxTamrixCreate, "02");
  for (const Command &command : commands) {
    SCOPED_TRACE(command.button->Caption());
    AnswerModeDialog(nullptr);
    const int next_line = form->ListBoxEtcMsg.Count() + 1;
    const int next_code = form->ListBoxTamrixErrMsg.Count() + 1;
    form->LabelTamrixGetLastError.SetCaption(" -- ");
    const Added added = Run(*command.button);
    EXPECT_EQ(command.label->Caption(), " NG ");
    EXPECT_EQ(added.etc, ErrorLines(next_line, command.failure_lines));
    if (command.get_last_error_step) {
      EXPECT_EQ(added.error_codes,
                std::vector<std::string>{Format("%.3d %s", next_code, fault.shown)});
      EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), fault.get_last_error_label);
    } else {
      EXPECT_TRUE(added.error_codes.empty());
      EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " -- ");
    }
  }
  const Added alone = Run(form->ButtonTamrixGetLastError);
  EXPECT_EQ(alone.error_codes.size(), 1u);
  EXPECT_TRUE(alone.error_codes.back().ends_with(fault.shown)) << alone.error_codes.back();
  EXPECT_GT(plan->broken, 0);
  EXPECT_TRUE(App().MessageBoxes().empty());

  *plan = FaultPlan{};
  form->ButtonTamrixGetVersion.Click();
  EXPECT_TRUE(form->LabelTamrixGetVersion.Caption().starts_with(" Version DLL=1000000 DRV="));
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "TAMRIX_SUCCESS");
  form->ButtonTamrixCreate.Click();
  EXPECT_EQ(form->LabelTamrixCreate.Caption(), " Slot=02 ");
  form->ButtonTamrixGetResource.Click();
  EXPECT_EQ(form->LabelTamrixGetResource.Caption(), " OK ");
  form->ButtonTamrixClose.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4), "Close Slot=02 Success");
  // Slot 0 kept sampling through the failures; closing it stops it.
  SelectItem(form->ComboBoxTamrixClose, "00");
  form->ButtonTamrixClose.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4), "Close Slot=00 Success");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "TAMRIX_SUCCESS");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, EveryCommandReportsTheFailure,
    ::testing::Values(Fault{FaultPlan::kNotCarriedOut, 31, "WinGetLastError=31", " OK "},
                      Fault{FaultPlan::kNotCarriedOut, 122, "WinGetLastError=122", " OK "},
                      // A platform code that reads as a library code cannot be told apart.
                      Fault{FaultPlan::kNotCarriedOut, 2, "TAMRIX_ERR_RESOURCE", " OK "},
                      Fault{FaultPlan::kStatus, 1, "TAMRIX_ERR_SLOT", " OK "},
                      Fault{FaultPlan::kStatus, 2, "TAMRIX_ERR_INV_ARG", " OK "},
                      Fault{FaultPlan::kStatus, 3, "TAMRIX_ERR_NUMDATA", " OK "},
                      Fault{FaultPlan::kStatus, 4, "TAMRIX_ERR_NOT_ENOUGH_MEM", " OK "},
                      Fault{FaultPlan::kStatus, 5, "TAMRIX_ERR_DMA_BUFFSIZE", " OK "},
                      Fault{FaultPlan::kStatus, 6, "TAMRIX_ERR_START", " OK "},
                      Fault{FaultPlan::kStatus, 7, "WinGetLastError=109", " OK "},
                      Fault{FaultPlan::kStatus, 8, "TAMRIX_ERR_DMA", " OK "},
                      Fault{FaultPlan::kStatus, 9, "WinGetLastError=9", " OK "},
                      Fault{FaultPlan::kStatus, 0x1234, "WinGetLastError=4660", " OK "},
                      // Passed through unchanged, 65535 is the binding's "not found" value.
                      Fault{FaultPlan::kStatus, 65535,
                            "DLL関数(TamrixGetLastError)が見つからないよ～", " NG "}),
    FaultName);

TEST_F(FailingDriver, OneFailedFetchAffectsOnlyItsOwnCommand) {
  OpenAndSample();
  std::int32_t waiting = 0;
  std::int32_t bits = 0;
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (waiting == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
    ASSERT_EQ(Tamrixdll::TamrixGetSamplingStatus(0, &waiting, &bits), 1);
  }
  ASSERT_GT(waiting, 0) << "the board never sampled";
  plan->kind = FaultPlan::kStatus;
  plan->value = 8;
  plan->only_code = TAMRIX_IOCTL_GET_DATA;
  plan->remaining = 1;

  const int next_line = form->ListBoxEtcMsg.Count() + 1;
  const Added failed = Run(form->ButtonTamrixGetData);
  EXPECT_EQ(form->LabelTamrixGetSamplingStatus.Caption(), " OK ");
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " NG ");
  ASSERT_EQ(failed.etc.size(), 2u);
  EXPECT_EQ(failed.etc[0], Format("%.3d GetSmaplingStatus Slot=00 Success", next_line));
  EXPECT_TRUE(
      failed.etc[1].starts_with(Format("%.3d ????? Err: GetData Slot=00 NumData=", next_line + 1)));
  EXPECT_TRUE(failed.etc[1].ends_with(" Fail ?????"));
  EXPECT_EQ(failed.error_codes.back().substr(4), "TAMRIX_ERR_DMA");
  EXPECT_FALSE(GraphForm->Visible());
  EXPECT_EQ(plan->broken, 1);

  const Added fetched = Run(form->ButtonTamrixGetData);
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " OK ");
  ASSERT_EQ(fetched.etc.size(), 2u);
  EXPECT_TRUE(fetched.etc[1].ends_with(" Success"));
  EXPECT_EQ(fetched.error_codes.back().substr(4), "TAMRIX_SUCCESS");
  EXPECT_TRUE(GraphForm->Visible()) << "mode 3 words reach the graph";
  EXPECT_EQ(plan->broken, 1);
}

}  // namespace
}  // namespace check_program_testing
