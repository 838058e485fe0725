// Start-up, the message lists' numbering, colours and selection, Clear and
// the end of the program, against the scripted library.
#include <filesystem>
#include <set>

#include "scripted_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;
using Reporting = ScriptedProgram;

TEST_F(Reporting, StartsWithTheLibraryLoadedAndEveryControlInItsFirstState) {
  EXPECT_EQ(Lines(form->ListBoxEtcMsg), std::vector<std::string>{"001 DLL ﾛｰﾄﾞ Success"});
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Count(), 0);
  EXPECT_EQ(form->ComboBoxTamrixCreate.Text(), "00");
  EXPECT_EQ(form->ComboBoxTamrixClose.Text(), "00");
  EXPECT_EQ(form->ComboBoxTamrixGetData.Text(), "Auto");
  EXPECT_EQ(form->ComboBoxTamrixGetData.ItemIndex(), 0);
  EXPECT_EQ(form->LabelTamrixGetExIn.Caption(), " -- ");
  EXPECT_EQ(form->LabelTamrixGetExIn.Color(), clWhite);
  EXPECT_EQ(form->CurrentSlot, 0);
  EXPECT_EQ(form->CurrentMode.BuffSize, 4096);
  EXPECT_EQ(form->CurrentMode.Mode, 1);
  EXPECT_EQ(form->Caption(), "Tamrix Check Soft");
  EXPECT_EQ(App().Title(), "Tamrix");
  EXPECT_FALSE(GraphForm->Visible());
  EXPECT_FALSE(ModeSetForm->Visible());
}

TEST_F(Reporting, WindowsCarryTheProgramsSixteenColourIcon) {
  const TIcon &icon = form->Icon();
  ASSERT_EQ(icon.width, 32);
  ASSERT_EQ(icon.height, 32);
  ASSERT_EQ(icon.pixels.size(), 32u * 32u);
  const std::set<TColor> standard = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                     clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                     clBlue,  clFuchsia, clAqua,   clWhite};
  std::set<TColor> used(icon.pixels.begin(), icon.pixels.end());
  EXPECT_GE(used.size(), 3u);
  for (TColor c : used) EXPECT_TRUE(standard.count(c)) << std::hex << c;
  EXPECT_EQ(GraphForm->Icon().pixels, icon.pixels);
}

TEST_F(Reporting, ErrorLinesAreFramedAndColourTheWholeList) {
  form->ListBoxEtcMsg.Clear();
  form->AddEtcMsg("Err: Create Slot=00 Fail");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "001 ????? Err: Create Slot=00 Fail ?????");
  EXPECT_EQ(form->ListBoxEtcMsg.Font().color, clRed);
  form->AddEtcMsg("done");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 done");
  EXPECT_EQ(form->ListBoxEtcMsg.Font().color, clWindowText);
  form->AddEtcMsg("x Err: later");
  EXPECT_EQ(form->ListBoxEtcMsg.Font().color, clRed);
  form->AddEtcMsg("err: lower case");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "004 err: lower case");
  EXPECT_EQ(form->ListBoxEtcMsg.Font().color, clWindowText);
}

TEST_F(Reporting, ErrorCodesShowByNameOrNumberInTheirColours) {
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Font().color, clRed) << "red before the first line";
  const std::pair<std::int32_t, const char *> cases[] = {
      {0, "TAMRIX_SUCCESS"},
      {3, "TAMRIX_ERR_INV_ARG"},
      {100, "TAMRIX_ERR_SLOT"},
      {108, "TAMRIX_ERR_START"},
      {109, "WinGetLastError=109"},
      {-1, "TAMRIX_ERR_UNKNOWN"},
      {-2, "TAMRIX_ERR_INTERNAL"},
      {-3, "WinGetLastError=-3"},
      {65535, "DLL関数(TamrixGetLastError)が見つからないよ～"},
      {1114, "WinGetLastError=1114"}};
  int n = 0;
  for (const auto &[code, text] : cases) {
    form->ShowErrorCode(code);
    EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg), Format("%.3d %s", ++n, text));
    EXPECT_EQ(form->ListBoxTamrixErrMsg.Font().color, code == 0 ? clBlue : clRed) << code;
  }
}

TEST_F(Reporting, SelectionFollowsTheEndUntilTheOperatorClicks) {
  ListBox &list = form->ListBoxVxdMsg;
  for (int i = 0; i < 10; ++i) form->AddVxdMsg("BuffFull");
  EXPECT_EQ(list.ItemIndex(), 9);
  list.SetItemIndex(2);
  form->AddVxdMsg("BuffFull");
  EXPECT_EQ(list.ItemIndex(), 3);
  EXPECT_EQ(list.Count(), 11);
}

TEST(HelpFilePath, IsAFixedAbsolutePathToTamrixHlp) {
  const std::filesystem::path path = InstalledHelpFile();
  EXPECT_TRUE(path.is_absolute()) << path;
  EXPECT_EQ(path.filename(), "Tamrix.hlp");
}

TEST_F(Reporting, LineNumbersCountPerListAndDoNotWrap) {
  for (int i = 0; i < 999; ++i) form->AddVxdMsg("DmaTc");
  form->AddVxdMsg("DmaTc");
  EXPECT_EQ(LastLine(form->ListBoxVxdMsg), "1000 DmaTc");
  EXPECT_EQ(form->ListBoxEtcMsg.Count(), 1) << "other lists keep their own count";
}

TEST_F(Reporting, ClearEmptiesEveryListAndNothingElse) {
  Click(form->ButtonTamrixGetVersion);
  form->AddVxdMsg("BuffFull");
  form->ListBoxTamrixSingleData.Add("3A7H");
  const std::string version_label = form->LabelTamrixGetVersion.Caption();
  const std::size_t calls = script->calls.size();
  Click(form->ButtonClearList);
  for (ListBox *list :
       {&form->ListBoxVxdMsg, &form->ListBoxEtcMsg, &form->ListBoxTamrixResourceDisplay,
        &form->ListBoxTamrixStatusDisplay, &form->ListBoxTamrixGetExIn, &form->ListBoxTamrixErrMsg,
        &form->ListBoxTamrixSetMode, &form->ListBoxTamrixSingleData}) {
    EXPECT_EQ(list->Count(), 0) << list->Name();
  }
  EXPECT_EQ(form->LabelTamrixGetVersion.Caption(), version_label);
  EXPECT_EQ(form->ListBoxTamrixErrMsg.Font().color, clBlue) << "colour stays across Clear";
  EXPECT_EQ(script->calls.size(), calls) << "Clear calls no library function";
  form->AddEtcMsg("again");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "001 again");
}

TEST_F(Reporting, ExitRunsTheCloseCommandForTheCloseBoxSlot) {
  SelectItem(form->ComboBoxTamrixClose, "04");
  const FinalLists lists = ExitProgram();
  EXPECT_EQ(lists.etc.back(), "002 Close Slot=04 Success");
  EXPECT_EQ(lists.error_codes.back(), "001 TAMRIX_SUCCESS");
  EXPECT_EQ(script->calls, (std::vector<std::string>{"TamrixClose(4)", "TamrixGetLastError(4)"}));
  EXPECT_TRUE(App().MessageBoxes().empty());
}

TEST_F(Reporting, AFailedReleaseIsReportedInAMessageBox) {
  const HMODULE loaded = Tamrixdll::TamrixLibraryHandle;
  Tamrixdll::TamrixLibraryHandle = 0x10000001;  // no handle the loader gives out
  const FinalLists lists = ExitProgram();
  Tamrixdll::TamrixLibraryHandle = loaded;
  ASSERT_EQ(App().MessageBoxes().size(), 1u);
  EXPECT_EQ(App().MessageBoxes()[0].text, "DLL ｱﾝﾛｰﾄﾞ時ｴﾗｰ");
  EXPECT_EQ(App().MessageBoxes()[0].title, "Tamrix");
  EXPECT_EQ(App().MessageBoxes()[0].type, mtNone);
  EXPECT_EQ(lists.etc.back(), "003 ????? Err: DLLのｱﾝﾛｰﾄﾞ時ｴﾗｰ ?????");
  EXPECT_EQ(lists.error_codes.back(), "002 WinGetLastError=6");
  Tamrixdll::FreeTamrixLibrary();
}

TEST_F(Reporting, ExitMenuItemAndShortcutsActFromAnyControl) {
  form->ButtonTamrixGetData.SetFocus();
  EXPECT_TRUE(form->KeyDown(scAlt | 'X'));
  EXPECT_TRUE(App().Terminated()) << "closing the main window ends the loop";
  EXPECT_EQ(form->XALTF41.ShortCut(), scAlt | 'X');
  EXPECT_EQ(form->N2.ShortCut(), vkF1);
  EXPECT_EQ(form->N1.Mnemonic(), 'F');
  EXPECT_EQ(form->H1.Mnemonic(), 'H');
}

}  // namespace
}  // namespace check_program_testing
