// Numbers typed at every boundary of the integer-text rule, through the real
// handlers: the Timer field of the mode dialog and a typed GetData count.
// Each text is either sent to the library with the value the rule gives, or
// stops its command with the standard error box, and the next text works.
#include <optional>

#include "scripted_fixture.h"

namespace check_program_testing {
namespace {

using namespace tamrix::text;
using namespace tamrix::ui;

struct Typed {
  const char *text;
  std::optional<std::int32_t> value;  // none: not an integer
};

const Typed kBoundaries[] = {
    {"2147483647", 2147483647},
    {"2147483648", std::nullopt},
    {"-2147483648", INT32_MIN},
    {"-2147483649", std::nullopt},
    {"$FFFFFFFF", -1},
    {"$ffffffff", -1},
    {"$7fffFFFF", 2147483647},
    {"$100000000", std::nullopt},
    {"$0", 0},
    {" 12", 12},
    {"   -7", -7},
    {"12 ", std::nullopt},
    {"1 2", std::nullopt},
    {"+5", 5},
    {"-0", 0},
    {"00000000000000000012", 12},
    {"-$1", std::nullopt},
    {"+$1", std::nullopt},
    {"$", std::nullopt},
    {"+", std::nullopt},
    {"", std::nullopt},
    {" ", std::nullopt},
    {"0x10", std::nullopt},
    {"$G", std::nullopt},
};

class TypedBoundaries : public ScriptedProgram {
 protected:
  // The conversion error for the text, shown once, in the standard box.
  void ExpectConversionError(const char *text) {
    ASSERT_EQ(App().MessageBoxes().size(), 1u);
    const MessageBoxRecord &box = App().MessageBoxes()[0];
    EXPECT_EQ(box.text, std::string("'") + text + "' は整数ではありません");
    EXPECT_EQ(box.type, mtError);
    EXPECT_EQ(box.title, App().Title());
  }

  void Prepare() {
    script->calls.clear();
    script->last_mode = ModeRecord{};
    App().ClearMessageBoxes();
  }
};

TEST_F(TypedBoundaries, TimerTextIsSentAsTheRuleReadsItOrStopsTheCommand) {
  for (const Typed &typed : kBoundaries) {
    SCOPED_TRACE(std::string("Timer '") + typed.text + "'");
    Prepare();
    AnswerModeDialog([&](TModeSetForm &dialog) { dialog.EditTimer.SetText(typed.text); });
    Click(form->ButtonTamrixSetMode);
    if (typed.value) {
      EXPECT_TRUE(App().MessageBoxes().empty());
      ASSERT_EQ(script->calls,
                (std::vector<std::string>{"TamrixSetMode(0)", "TamrixGetLastError(0)"}));
      EXPECT_EQ(script->last_mode.Timer, static_cast<std::uint32_t>(*typed.value));
      EXPECT_EQ(LastLine(form->ListBoxTamrixSetMode).substr(4),
                Format("MODE=03 ChF=00 ChL=00 Buffer=256 Timer=%.d", *typed.value));
    } else {
      ExpectConversionError(typed.text);
      EXPECT_TRUE(script->calls.empty()) << "nothing is sent, not even the GetLastError step";
      EXPECT_EQ(ModeSetForm->EditTimer.Text(), typed.text) << "the dialog keeps the text";
    }
  }
}

TEST_F(TypedBoundaries, GetDataCountTextIsSentAsTheRuleReadsItOrStopsTheCommand) {
  for (const Typed &typed : kBoundaries) {
    SCOPED_TRACE(std::string("count '") + typed.text + "'");
    Prepare();
    form->ComboBoxTamrixGetData.SetText(typed.text);
    Click(form->ButtonTamrixGetData);
    if (!typed.value) {
      ExpectConversionError(typed.text);
      EXPECT_EQ(script->calls, std::vector<std::string>{"TamrixGetSamplingStatus(0)"})
          << "the status step has run, the GetLastError step does not";
      continue;
    }
    EXPECT_TRUE(App().MessageBoxes().empty());
    const std::int32_t count = *typed.value;
    std::vector<std::string> expected{"TamrixGetSamplingStatus(0)"};
    if (count != 0 && count <= kSampleBufferWords)
      expected.push_back(Format("TamrixGetData(0,%d)", count));
    // A count above the buffer is refused with the library's own code.
    if (count <= kSampleBufferWords) expected.push_back("TamrixGetLastError(0)");
    EXPECT_EQ(script->calls, expected);
    if (count > kSampleBufferWords) {
      EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4),
                Format("????? Err: GetData Slot=00 NumData=%.d Fail ?????", count));
      EXPECT_EQ(LastLine(form->ListBoxTamrixErrMsg).substr(4), "TAMRIX_ERR_NUMDATA");
    } else if (count != 0) {
      EXPECT_EQ(LastLine(form->ListBoxEtcMsg).substr(4),
                Format("GetData Slot=00 NumData=%.d Success", count));
    }
  }
}

}  // namespace
}  // namespace check_program_testing
