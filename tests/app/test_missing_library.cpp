// A library that refuses its initialisation: the program starts all the
// same, reports the load error, and every command fails without a call.
#include "check_program_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::ui;
using WithoutLibrary = CheckProgram;

TEST_F(WithoutLibrary, StartReportsTheLoadErrorAndThePlatformCode) {
  EXPECT_EQ(Tamrixdll::TamrixLibraryHandle, 0u);
  EXPECT_EQ(Lines(form->ListBoxEtcMsg),
            std::vector<std::string>{
                "001 ????? Err: DLLのﾛｰﾄﾞ時ｴﾗｰ(DLLが見つからないか初期化ｴﾗｰ) ?????"});
  EXPECT_EQ(form->ListBoxEtcMsg.Font().color, clRed);
  EXPECT_EQ(Lines(form->ListBoxTamrixErrMsg), std::vector<std::string>{"001 WinGetLastError=1114"});
}

TEST_F(WithoutLibrary, EveryCommandFailsAndGetLastErrorYields65535) {
  form->ButtonTamrixCreate.Click();
  EXPECT_EQ(form->LabelTamrixCreate.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "002 ????? Err: Create Slot=00 Fail ?????");
  EXPECT_EQ(form->LabelTamrixGetLastError.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg),
            "002 DLL関数(TamrixGetLastError)が見つからないよ～");
  form->ButtonTamrixGetVersion.Click();
  EXPECT_EQ(form->LabelTamrixGetVersion.Caption(), " NG ");
  form->ButtonTamrixGetSamplingStatus.Click();
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg), "004 ????? Err: GetSmaplingStatus Slot=00 Fail ?????");
  form->ButtonTamrixGetData.Click();
  EXPECT_EQ(form->LabelTamrixGetData.Caption(), " -- ") << "Auto after a failed status fetches 0";
}

TEST_F(WithoutLibrary, StubsYieldTheirDefaultsAndReleaseIsANoOp) {
  std::uint16_t slot = 0;
  std::uint32_t a = 0, b = 0;
  EXPECT_EQ(Tamrixdll::TamrixCreate(&slot, 0, &slot), 0);
  EXPECT_EQ(Tamrixdll::TamrixGetVersion(&a, &b), 0);
  EXPECT_EQ(Tamrixdll::TamrixGetLastError(0), 65535);
  EXPECT_TRUE(Tamrixdll::FreeTamrixLibrary());
  const FinalLists lists = ExitProgram();
  EXPECT_TRUE(App().MessageBoxes().empty()) << "releasing nothing succeeds";
  EXPECT_EQ(lists.etc.back(), "002 ????? Err: Close Slot=00 Fail ?????");
}

}  // namespace
}  // namespace check_program_testing
