// SetMode and GetData against the scripted library.
#include "scripted_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::ui;
using ModeAndData = ScriptedProgram;

std::vector<std::uint16_t> Interleaved(int channels, int words, int first = 0) {
  std::vector<std::uint16_t> data;
  for (int i = 0; i < words; ++i) {
    const int channel = first + i % channels;
    data.push_back(static_cast<std::uint16_t>(channel << 12 | (i * 37 + channel) % 4096));
  }
  return data;
}

TEST_F(ModeAndData, DialogDefaultsSendTheFirstRecord) {
  AnswerModeDialog(nullptr);
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(script->last_mode.ChFirst, 0u);
  EXPECT_EQ(script->last_mode.ChLast, 0u);
  EXPECT_EQ(script->last_mode.BuffSize, 256u);
  EXPECT_EQ(script->last_mode.Timer, 500u);
  EXPECT_EQ(script->last_mode.Mode, 3);
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode), "001 MODE=03 ChF=00 ChL=00 Buffer=256 Timer=500");
  EXPECT_EQ(form->ListBoxTamrixSetMode.ItemIndex(), 0);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 SetMode Slot=00 Success");
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(0)");
  EXPECT_EQ(form->CurrentMode.Mode, 3);
  EXPECT_EQ(form->CurrentMode.Timer, 500);
}

TEST_F(ModeAndData, BufferSizeIsPerChannelTimesTheChannelCount) {
  struct Case {
    const char *first, *last, *per_channel;
    std::int32_t size;
  };
  for (const Case& c : {Case{"02", "05", "1024", 4096}, Case{"00", "15", "4096", 65536},
                        Case{"05", "04", "256", 0}, Case{"05", "03", "16", -16}}) {
    AnswerModeDialog([&](TModeSetForm& dialog) {
      SelectItem(dialog.ComboBoxStartChSel, c.first);
      SelectItem(dialog.ComboBoxStopChSel, c.last);
      SelectItem(dialog.ComboBoxBuffSize, c.per_channel);
      SelectItem(dialog.ComboBoxModeSel, "10");
      dialog.EditTimer.SetText("$3E8");
    });
    Click(form->ButtonTamrixSetMode);
    EXPECT_EQ(static_cast<std::int32_t>(script->last_mode.BuffSize), c.size);
    EXPECT_EQ(script->last_mode.Timer, 1000u);
    EXPECT_EQ(script->last_mode.Mode, 10);
  }
  EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode),
            "004 MODE=10 ChF=05 ChL=03 Buffer=-16 Timer=1000");
}

TEST_F(ModeAndData, CancelDoesNothingAndKeepsTheDialogsValues) {
  AnswerModeDialog([&](TModeSetForm& dialog) {
    SelectItem(dialog.ComboBoxModeSel, "07");
    dialog.EditTimer.SetText("12");
  }, mrCancel);
  const auto etc = Lines(form->ListBoxEtcMsg);
  Click(form->ButtonTamrixSetMode);
  EXPECT_TRUE(script->calls.empty());
  EXPECT_EQ(Lines(form->ListBoxEtcMsg), etc);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " -- ");
  EXPECT_EQ(ModeSetForm->ComboBoxModeSel.Text(), "07");
  EXPECT_EQ(ModeSetForm->EditTimer.Text(), "12");
}

TEST_F(ModeAndData, BadTimerTextStopsBeforeTheLibrary) {
  AnswerModeDialog([](TModeSetForm& dialog) { dialog.EditTimer.SetText("500 "); });
  Click(form->ButtonTamrixSetMode);
  EXPECT_TRUE(script->calls.empty());
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "'500 ' は整数ではありません");
  EXPECT_EQ(App().MessageBoxes()[0].type, mtError);
  EXPECT_EQ(ModeSetForm->EditTimer.Text(), "500 ");
}

TEST_F(ModeAndData, FailedSetModeKeepsTheCurrentModeAndTheGraph) {
  AnswerModeDialog(nullptr);
  Click(form->ButtonTamrixSetMode);
  const TModeRecord accepted = form->CurrentMode;
  GraphForm->SampleCount = 7;
  script->set_mode = 0;
  script->last_error = 102;
  AnswerModeDialog([&](TModeSetForm& dialog) { SelectItem(dialog.ComboBoxModeSel, "05"); });
  Click(form->ButtonTamrixSetMode);
  EXPECT_EQ(form->CurrentMode.Mode, accepted.Mode);
  EXPECT_EQ(GraphForm->SampleCount, 7);
  EXPECT_EQ(form->LabelTamrixSetMode.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 ????? Err: SetMode Slot=00 Fail ?????");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), "002 TAMRIX_ERR_TIMER");
  EXPECT_EQ(form->ListBoxTamrixSetMode.Count(), 1);
}

TEST_F(ModeAndData, SingleValueModeListsWordZeroOnly) {
  script->num_data = 500;
  script->data = {0x03A7, 0x1234};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,500)");
  EXPECT_EQ(Lines(form->ListBoxTamrixSingleData), std::vector<std::string>{"3A7H"});
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "003 GetData Slot=00 NumData=500 Success");
  EXPECT_FALSE(GraphForm->Visible());
  script->data = {0};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(LastLine(form->ListBoxTamrixSingleData), "0H");
}

class DataAfterMode : public ModeAndData {
 protected:
  void SetMode(const char* mode, const char* first, const char* last) {
    AnswerModeDialog([=, this](TModeSetForm& dialog) {
      SelectItem(dialog.ComboBoxModeSel, mode);
      SelectItem(dialog.ComboBoxStartChSel, first);
      SelectItem(dialog.ComboBoxStopChSel, last);
    });
    Click(form->ButtonTamrixSetMode);
    ASSERT_EQ(form->LabelTamrixSetMode.Caption(), " OK ");
    script->calls.clear();
  }
  void TypeCount(const std::string& text) { form->ComboBoxTamrixGetData.SetText(text); }
};

TEST_F(DataAfterMode, FourInterleavedChannelsReachTheGraph) {
  SetMode("03", "00", "03");
  script->num_data = 1024;
  script->data = Interleaved(4, 1024);
  Click(form->ButtonTamrixGetData);
  EXPECT_TRUE(GraphForm->Visible());
  EXPECT_EQ(GraphForm->SampleCount, 256);
  EXPECT_EQ(GraphForm->FirstChannel, 0);
  EXPECT_EQ(GraphForm->LastChannel, 3);
  for (int k = 0; k < 256; ++k) {
    for (int c = 0; c < 4; ++c) {
      ASSERT_EQ(GraphForm->Samples[c][k], script->data[4 * k + c] & 0x0FFF);
    }
  }
  const int paints = GraphForm->PaintBoxGraph.PaintCount();
  Click(form->ButtonTamrixGetData);
  EXPECT_GT(GraphForm->PaintBoxGraph.PaintCount(), paints) << "repainted in place";
}

TEST_F(DataAfterMode, AWordFromOutsideTheRangeIsReportedAndNothingDrawn) {
  SetMode("04", "00", "03");
  script->num_data = 64;
  script->data = Interleaved(4, 64);
  script->data[17] = 0x5ABC;
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), Format("%.3d ????? Err: Chanel data Fail...GetData[17]=5ABCH ?????",
                                                  form->ListBoxEtcMsg.Count()));
  EXPECT_FALSE(GraphForm->Visible());
  EXPECT_EQ(GraphForm->SampleCount, 0);
  EXPECT_EQ(script->calls.back(), "TamrixGetLastError(0)");
}

TEST_F(DataAfterMode, TypedCountAndSmallCountsPerChannel) {
  SetMode("08", "02", "02");
  TypeCount("3");
  script->data = {0x2001, 0x2002, 0x2003};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,3)") << "status first, then the typed count";
  EXPECT_EQ(GraphForm->SampleCount, 3);
  EXPECT_EQ(GraphForm->FirstChannel, 2);
  EXPECT_EQ(GraphForm->LastChannel, 2);

  SetMode("09", "00", "03");
  TypeCount("2");
  script->data = {0x0005, 0x1006};
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(GraphForm->SampleCount, 1) << "fewer words than channels still draws one sample";
  EXPECT_EQ(GraphForm->Samples[2][0], 0) << "channels without words show no earlier data";
  EXPECT_EQ(GraphForm->Samples[1][0], 6);

  TypeCount("10");
  script->data = Interleaved(4, 10);
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(GraphForm->SampleCount, 2) << "the remainder stays undrawn";
}

TEST_F(DataAfterMode, NegativeAndZeroCounts) {
  SetMode("03", "00", "00");
  TypeCount("-5");
  script->get_data = 0;
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls[1], "TamrixGetData(0,-5)") << "the library judges a negative count";
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            Format("%.3d ????? Err: GetData Slot=00 NumData=-5 Fail ?????", form->ListBoxEtcMsg.Count()));

  SelectItem(form->ComboBoxTamrixGetData, "Auto");
  script->num_data = 0;
  script->calls.clear();
  form->LabelTamrixGetData.SetCaption(" -- ");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls, (std::vector<std::string>{"TamrixGetSamplingStatus(0)",
                                                     "TamrixGetLastError(0)"}));
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " -- ");
}

TEST_F(DataAfterMode, CountsBeyondTheBufferAreRefusedBeforeTheCall) {
  SetMode("03", "00", "15");
  TypeCount("65537");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls, (std::vector<std::string>{"TamrixGetSamplingStatus(0)",
                                                     "TamrixGetLastError(0)"}));
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), Format("%.3d ????? Err: GetData Slot=00 NumData=65537 Fail ?????",
                                                  form->ListBoxEtcMsg.Count()));
  TypeCount("65536");
  script->data = Interleaved(16, 65536);
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " OK ");
  EXPECT_EQ(GraphForm->SampleCount, 4096);
}

TEST_F(DataAfterMode, MoreThanATableRowForOneChannelIsARangeError) {
  SetMode("03", "00", "01");
  TypeCount("4100");
  script->data.assign(4100, 0x1000);
  Click(form->ButtonTamrixGetData);
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "範囲ﾁｪｯｸｴﾗｰ");
  EXPECT_EQ(script->calls.back(), "TamrixGetData(0,4100)") << "no GetLastError step";
  EXPECT_FALSE(GraphForm->Visible());
}

TEST_F(DataAfterMode, BadCountTextStopsAfterTheStatusStep) {
  SetMode("03", "00", "00");
  TypeCount("12x");
  Click(form->ButtonTamrixGetData);
  EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetSamplingStatus(0)"});
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "'12x' は整数ではありません");
}

TEST_F(DataAfterMode, SuccessfulSetModeEmptiesTheGraphButKeepsItsKey) {
  SetMode("03", "04", "07");
  script->num_data = 8;
  script->data = Interleaved(4, 8, 4);
  Click(form->ButtonTamrixGetData);
  ASSERT_EQ(GraphForm->SampleCount, 2);
  SetMode("03", "00", "00");
  EXPECT_EQ(GraphForm->SampleCount, 0);
  EXPECT_EQ(GraphForm->FirstChannel, 4) << "the range stays for the key";
  EXPECT_TRUE(GraphForm->Visible()) << "the window stays as it was";
}

}  // namespace
}  // namespace check_program_testing
