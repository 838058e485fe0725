// The board commands against the scripted library: which slot each
// addresses, the library call, the label and the lines.
#include "scripted_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::ui;
using BoardCommands = ScriptedProgram;

TEST_F(BoardCommands, AutoCreateShowsTheSlotTheDriverChose) {
  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  script->assigned_slot = 3;
  Click(form->ButtonTamrixCreate);
  EXPECT_EQ(script->calls,
            (std::vector<std::string>{"TamrixCreate(65535)", "TamrixGetLastError(3)"}));
  EXPECT_EQ(script->last_window, form->Handle());
  EXPECT_EQ(form->LabelTamrixCreate.Caption(), " Slot=03 ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 Create Slot=03 Success");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "001 TAMRIX_SUCCESS");
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " OK ");
  Click(form->ButtonTamrixStartSampling);
  EXPECT_EQ(script->calls[2], "TamrixStartSampling(3)");
}

TEST_F(BoardCommands, FailedAutoCreateLeavesSlot65535ForLaterCommands) {
  SelectItem(form->ComboBoxTamrixCreate, "Auto");
  script->create = 0;
  script->last_error = 1;
  Click(form->ButtonTamrixCreate);
  EXPECT_EQ(form->LabelTamrixCreate.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 ????? Err: Create Slot=65535 Fail ?????");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "001 TAMRIX_ERR_NO_DEVICE");
  EXPECT_EQ(form->CurrentSlot, 65535);
  Click(form->ButtonTamrixStopSampling);
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(65535)");
}

TEST_F(BoardCommands, NumberedCloseChangesTheSlotOfLaterCommands) {
  SelectItem(form->ComboBoxTamrixCreate, "05");
  script->assigned_slot = 5;
  Click(form->ButtonTamrixCreate);
  SelectItem(form->ComboBoxTamrixClose, "Auto");
  Click(form->ButtonTamrixClose);
  EXPECT_EQ(script->calls[2], "TamrixClose(5)");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 Close Slot=05 Success");
  EXPECT_EQ(form->LabelTamrixClose.Caption(), " OK ");

  SelectItem(form->ComboBoxTamrixClose, "07");
  script->close = 0;
  Click(form->ButtonTamrixClose);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "004 ????? Err: Close Slot=07 Fail ?????");
  EXPECT_EQ(form->LabelTamrixClose.Caption(), " NG ");
  Click(form->ButtonTamrixGetLastError);
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(7)");
}

TEST_F(BoardCommands, VersionGoesToTheLabelOnly) {
  script->library_version = 0x01000000;
  script->driver_version = 0x2A0F;
  Click(form->ButtonTamrixGetVersion);
  EXPECT_EQ(form->LabelTamrixGetVersion.Caption(), " Version DLL=1000000 DRV=2A0F ");
  EXPECT_EQ(form->ListBoxEtcMsg.Count(), 1) << "no line on success";
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Count(), 1);
  script->get_version = 0;
  Click(form->ButtonTamrixGetVersion);
  EXPECT_EQ(form->LabelTamrixGetVersion.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 ????? Err: GetVersion Fail ?????");
}

TEST_F(BoardCommands, OnlyALowByteOf1CountsAsSuccess) {
  script->start = 0x101;
  Click(form->ButtonTamrixStartSampling);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 StartSmapling Slot=00 Success");
  script->start = 2;
  Click(form->ButtonTamrixStartSampling);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 ????? Err: StartSampling Slot=00 Fail ?????");
  script->stop = 1;
  Click(form->ButtonTamrixStopSampling);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "004 StopSmapling Slot=00 Success");
  script->stop = 0;
  Click(form->ButtonTamrixStopSampling);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "005 ????? Err: StopSampling Slot=00 Fail ?????");
  EXPECT_EQ(form->LabelTamrixStopSampling.Caption(), " NG ");
}

TEST_F(BoardCommands, SamplingStatusHasNoGetLastErrorStep) {
  script->num_data = 1024;
  script->sampling_status = 0x8003;
  form->LabelTamrixGetLastError.SetCaption(" -- ");
  Click(form->ButtonTamrixGetSamplingStatus);
  EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetSamplingStatus(0)"});
  EXPECT_EQ(LastLine(form->ListBoxTamrixStatusDisplay), "001 NumData=1024 Status=8003H");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 GetSmaplingStatus Slot=00 Success");
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Count(), 0);
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " -- ");
  script->get_sampling_status = 0;
  Click(form->ButtonTamrixGetSamplingStatus);
  EXPECT_EQ(form->LabelTamrixGetSamplingStatus.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 ????? Err: GetSmaplingStatus Slot=00 Fail ?????");
  EXPECT_EQ(form->ListBoxTamrixStatusDisplay.Count(), 1);
}

TEST_F(BoardCommands, ExternalInputsInHexAndZeroWhenTheLibraryWritesNothing) {
  script->ex_in0 = -1;
  script->ex_in1 = 0;
  script->ex_trg = -1;
  Click(form->ButtonTamrixGetExIn);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            "002 GetExIn Slot=00 ExIn0=FFFFFFFFH ExIn1=0H ExTrg=FFFFFFFFH Success");
  EXPECT_EQ(LastLine(form->ListBoxTamrixGetExIn), "ExIn0=FFFFFFFFH ExIn1=0H ExTrg=FFFFFFFFH");
  script->get_ex_in = 0;
  script->ex_in_writes = false;
  Click(form->ButtonTamrixGetExIn);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            "003 ????? Err: GetExIn Slot=00 ExIn0=0H ExIn1=0H ExTrg=0H Fail ?????");
  EXPECT_EQ(form->ListBoxTamrixGetExIn.Count(), 1);
}

TEST_F(BoardCommands, GetLastErrorStepShowsNGOnlyFor65535) {
  script->last_error = 65535;
  Click(form->ButtonTamrixGetLastError);
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " NG ");
  script->last_error = 107;
  Click(form->ButtonTamrixGetLastError);
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " OK ");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "002 TAMRIX_ERR_NO_CREATE");
}

TAMRIXR OnePortOneIrq() {
  TAMRIXR record{};
  record.NumIOPorts = 1;
  record.IOPortBase[0] = 0x300;
  record.IOPortLength[0] = 0x10;
  record.NumIRQs = 1;
  record.IRQRegisters[0] = 0;
  record.IRQAttrib[0] = 0x0A;
  return record;
}

TEST_F(BoardCommands, ResourceReportListsEachSectionAndFlagsZeroCounts) {
  script->resource = OnePortOneIrq();
  Click(form->ButtonTamrixGetResource);
  EXPECT_EQ(Lines(form->ListBoxTamrixResourceDisplay), (std::vector<std::string>{
                                                           "----- Ports -----",
                                                           "NumIOPorts=1",
                                                           "IOPortBase[0]=300H",
                                                           "IOPortLength[0]=10H",
                                                           "----- IRQs ------",
                                                           "NumIRQs=1",
                                                           "IRQRegisters[0]=0H",
                                                           "IRQAttrib[0]=AH",
                                                           "----- DMAs ------",
                                                           "===================================",
                                                       }));
  EXPECT_EQ(Lines(form->ListBoxEtcMsg),
            (std::vector<std::string>{"001 DLL ﾛｰﾄﾞ Success", "002 GetResource Slot=00 Success",
                                      "003 ????? Err: TAMRIXR data error NumDMAs=0 ?????"}));
  EXPECT_EQ(form->ListBoxTamrixResourceDisplay.ItemIndex(), 0);
  Click(form->ButtonTamrixGetResource);
  EXPECT_EQ(form->ListBoxTamrixResourceDisplay.Count(), 20);
  EXPECT_EQ(form->ListBoxTamrixResourceDisplay.ItemIndex(), 1) << "one step per report";
}

TEST_F(BoardCommands, ResourceCountBeyondItsTableStopsWithARangeError) {
  TAMRIXR record = OnePortOneIrq();
  record.NumIRQs = 8;
  script->resource = record;
  Click(form->ButtonTamrixGetResource);
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "範囲ﾁｪｯｸｴﾗｰ");
  EXPECT_EQ(App().MessageBoxes()[0].type, mtError);
  EXPECT_EQ(App().MessageBoxes()[0].title, "Tamrix");
  const auto &lines = Lines(form->ListBoxTamrixResourceDisplay);
  ASSERT_EQ(lines.size(), 4u + 2u + 14u);
  EXPECT_EQ(lines.back(), "IRQAttrib[6]=0H");
  EXPECT_EQ(form->ListBoxTamrixResourceDisplay.ItemIndex(), -1) << "no selection step";
  EXPECT_EQ(script->calls.back(), "TamrixGetResource(0)") << "no GetLastError step";
  EXPECT_EQ(form->LabelTamrixGetResource.Caption(), " OK ");
}

TEST_F(BoardCommands, NotificationsAreListedInOrderAndUnknownNumbersIgnored) {
  for (UINT message : {0x6402u, 0x6403u, 0x6404u, 0x6400u, 0x6407u}) {
    ASSERT_TRUE(PostMessageA(form->Handle(), message, 0, 0));
  }
  App().ProcessMessages();
  EXPECT_EQ(Lines(form->ListBoxVxdMsg),
            (std::vector<std::string>{"001 BuffHalfFull", "002 BuffFull", "003 BuffOverflow"}));
  EXPECT_EQ(form->ListBoxVxdMsg.ItemIndex(), 2);
  for (UINT message = 0x6401; message <= 0x6406; ++message)
    PostMessageA(form->Handle(), message, 1, 2);
  App().ProcessMessages();
  EXPECT_EQ(LastLine(form->ListBoxVxdMsg), "009 DmaTc");
  EXPECT_EQ(Lines(form->ListBoxVxdMsg)[3], "004 SingleSamplingEnd");
  EXPECT_EQ(Lines(form->ListBoxVxdMsg)[7], "008 SamplingOverrun");
  Click(form->ButtonClearList);
  PostMessageA(form->Handle(), 0x6403, 0, 0);
  App().ProcessMessages();
  EXPECT_EQ(Lines(form->ListBoxVxdMsg), std::vector<std::string>{"001 BuffFull"});
}

TEST_F(BoardCommands, NotificationDuringTheModeDialogIsListedBeforeTheCommandsLines) {
  std::size_t listed_while_open = 0;
  std::size_t etc_lines_while_open = 0;
  AnswerModeDialog([&](TModeSetForm &) {
    PostMessageA(form->Handle(), 0x6401, 0, 0);
    App().ProcessMessages();
    listed_while_open = form->ListBoxVxdMsg.Items().size();
    etc_lines_while_open = form->ListBoxEtcMsg.Items().size();
  });
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(listed_while_open, 1u);
  EXPECT_EQ(etc_lines_while_open, 1u) << "the command had written nothing yet";
  EXPECT_EQ(Lines(form->ListBoxVxdMsg), std::vector<std::string>{"001 SingleSamplingEnd"});
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 SetMode Slot=00 Success");
}

}  // namespace
}  // namespace check_program_testing
