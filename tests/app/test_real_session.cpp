// A whole manual session through the real library and the simulated board
// driver, the lists checked line by line.
#include <chrono>
#include <thread>

#include "check_program_fixture.h"
#include "tamrix_sim.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;
using namespace std::chrono_literals;

class RealSession : public CheckProgram {
 protected:
  // Pumps the window's queue until the driver-message list holds `text`.
  bool WaitForNotification(const std::string &text, std::chrono::milliseconds limit = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      App().ProcessMessages();
      for (const std::string &line : Lines(form->ListBoxVxdMsg)) {
        if (line.ends_with(" " + text)) return true;
      }
      std::this_thread::sleep_for(10ms);
    }
    return false;
  }
};

TEST_F(RealSession, OperatorWorksABoardFromCreateToExit) {
  ASSERT_EQ(Lines(form->ListBoxEtcMsg), std::vector<std::string>{"001 DLL ﾛｰﾄﾞ Success"});

  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  form->ButtonTamrixCreate.Click();
  const std::uint16_t slot = form->CurrentSlot;
  ASSERT_LT(slot, 16);
  EXPECT_EQ(form->LabelTamrixCreate.Caption(), Format(" Slot=%.2d ", slot));
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), Format("002 Create Slot=%.2d Success", slot));
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "001 TAMRIX_SUCCESS");

  form->ButtonTamrixGetVersion.Click();
  EXPECT_TRUE(form->LabelTamrixGetVersion.Caption().starts_with(" Version DLL=1000000 DRV="));
  EXPECT_EQ(form->ListBoxEtcMsg.Count(), 2);

  form->ButtonTamrixGetResource.Click();
  const auto &report = Lines(form->ListBoxTamrixResourceDisplay);
  ASSERT_GE(report.size(), 6u);
  EXPECT_EQ(report.front(), "----- Ports -----");
  EXPECT_TRUE(report[1].starts_with("NumIOPorts="));
  EXPECT_EQ(report.back(), "===================================");
  EXPECT_EQ(Lines(form->ListBoxEtcMsg)[2], Format("003 GetResource Slot=%.2d Success", slot));

  form->ButtonTamrixGetSamplingStatus.Click();
  EXPECT_TRUE(LastLine(form->ListBoxTamrixStatusDisplay).starts_with("001 NumData=0 Status="));
  form->ButtonTamrixGetExIn.Click();
  EXPECT_EQ(form->LabelTamrixGetExIn.Caption(), " OK ");
  EXPECT_TRUE(LastLine(form->ListBoxTamrixGetExIn).starts_with("ExIn0="));

  form->ButtonTamrixStartSampling.Click();
  EXPECT_EQ(form->LabelTamrixStartSampling.Caption(), " NG ") << "no mode set since the create";
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "005 TAMRIX_ERR_INV_ARG");

  AnswerModeDialog([this](TModeSetForm &dialog) {
    SelectItem(dialog.ComboBoxModeSel, "03");
    SelectItem(dialog.ComboBoxStartChSel, "00");
    SelectItem(dialog.ComboBoxStopChSel, "03");
    SelectItem(dialog.ComboBoxBuffSize, "256");
    dialog.EditTimer.SetText("200");
  });
  form->ButtonTamrixSetMode.Click();
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode),
            "001 MODE=03 ChF=00 ChL=03 Buffer=1024 Timer=200");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "006 TAMRIX_SUCCESS");

  form->ButtonTamrixStartSampling.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            Format("%.3d StartSmapling Slot=%.2d Success", form->ListBoxEtcMsg.Count(), slot));
  ASSERT_TRUE(WaitForNotification("BuffHalfFull"));
  EXPECT_EQ(Lines(form->ListBoxVxdMsg).front(), "001 BuffHalfFull");

  form->ButtonTamrixGetData.Click();
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " OK ");
  EXPECT_TRUE(GraphForm->Visible());
  EXPECT_GE(GraphForm->SampleCount, 128) << "at least half of 1,024 words over four channels";
  EXPECT_EQ(GraphForm->FirstChannel, 0);
  EXPECT_EQ(GraphForm->LastChannel, 3);
  for (int c = 0; c < 4; ++c) {
    for (int k = 0; k < GraphForm->SampleCount; ++k) ASSERT_LE(GraphForm->Samples[c][k], 4095);
  }

  form->ButtonTamrixStopSampling.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4),
            Format("StopSmapling Slot=%.2d Success", slot));
  SelectItem(form->ComboBoxTamrixClose, "Auto");
  form->ButtonTamrixClose.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4), Format("Close Slot=%.2d Success", slot));
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "TAMRIX_SUCCESS");

  // Exit closes the slot again, which the driver refuses, and releases the
  // library without a message box.
  const FinalLists lists = ExitProgram();
  EXPECT_EQ(lists.etc.back().substr(4), Format("????? Err: Close Slot=%.2d Fail ?????", slot));
  EXPECT_TRUE(App().MessageBoxes().empty());
}

// The simulated board answers a request with a driver status on cue (its
// fault control): the command's label says " NG " and the error list the code.
TEST_F(RealSession, ADriverStatusOnCueShowsNgAndItsCode) {
  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  form->ButtonTamrixCreate.Click();
  const std::string keys = "slot = " + std::to_string(form->CurrentSlot) +
                           "\nkind = \"status\"\nrequest = \"GetExIn\"\nstatus = 4660\n";
  char why[128];
  ASSERT_EQ(tamrix_sim_fault(keys.c_str(), why, sizeof why), 0u) << why;
  form->ButtonTamrixGetExIn.Click();
  EXPECT_EQ(form->LabelTamrixGetExIn.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "WinGetLastError=4660");
  form->ButtonTamrixGetExIn.Click();  // once only
  EXPECT_EQ(form->LabelTamrixGetExIn.Caption(), " OK ");
}

TEST_F(RealSession, ExitWhileSamplingRunsOnlyClosesTheSlot) {
  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  form->ButtonTamrixCreate.Click();
  AnswerModeDialog(nullptr);
  form->ButtonTamrixSetMode.Click();
  form->ButtonTamrixStartSampling.Click();
  ASSERT_EQ(form->LabelTamrixStartSampling.Caption(), " OK ");
  SelectItem(form->ComboBoxTamrixClose, "Auto");
  const FinalLists lists = ExitProgram();
  EXPECT_EQ(lists.etc.back().substr(4), Format("Close Slot=%.2d Success", lists.slot));
  EXPECT_TRUE(App().MessageBoxes().empty());
}

}  // namespace
}  // namespace check_program_testing
