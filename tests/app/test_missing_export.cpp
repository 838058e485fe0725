// A library that lacks one export: that command fails without a call while
// the other ten reach the library.
#include "check_program_fixture.h"
#include "scripted_library.h"

namespace check_program_testing {
namespace {

using LackingExport = CheckProgram;

TEST_F(LackingExport, OnlyTheMissingExportFallsBackToItsDefault) {
  auto script_function =
      reinterpret_cast<ScriptFunction>(GetProcAddress(Tamrixdll::TamrixLibraryHandle, "Script"));
  ASSERT_NE(script_function, nullptr);
  ScriptState *script = script_function();
  script->Reset();
  std::int32_t in0 = 5, in1 = 5, trg = 5;
  EXPECT_EQ(Tamrixdll::TamrixGetExIn(0, &in0, &in1, &trg), 0);
  EXPECT_EQ(in0 + in1 + trg, 15) << "nothing was called";
  form->ButtonTamrixGetExIn.Click();
  EXPECT_EQ(form->LabelTamrixGetExIn.Caption(), " NG ");
  EXPECT_EQ(LastLine(form->ListBoxEtcMsg),
            "002 ????? Err: GetExIn Slot=00 ExIn0=0H ExIn1=0H ExTrg=0H Fail ?????");
  EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetLastError(0)"});
  form->ButtonTamrixStartSampling.Click();
  EXPECT_EQ(script->calls[1], "TamrixStartSampling(0)");
}

}  // namespace
}  // namespace check_program_testing
