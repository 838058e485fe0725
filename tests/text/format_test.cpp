#include "tamrix_text/format.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tamrix_text/errors.h"

namespace tamrix::text {
namespace {

TEST(Format, PlainDecimalPrintsZero) {
  EXPECT_EQ(Format("%d", 0), "0");
  EXPECT_EQ(Format("%.d", 0), "0");
  EXPECT_EQ(Format("%.d", -16), "-16");
  EXPECT_EQ(Format("%d", INT32_MIN), "-2147483648");
  EXPECT_EQ(Format("%d", std::int64_t{-5000000000}), "-5000000000");
  EXPECT_EQ(Format("%d", std::uint32_t{4294967295u}), "4294967295");
}

TEST(Format, MinimumDigitsAreZeroFilledAfterTheSign) {
  EXPECT_EQ(Format("%.3d", 1), "001");
  EXPECT_EQ(Format("%.3d", 1000), "1000");
  EXPECT_EQ(Format("%.2d", 3), "03");
  EXPECT_EQ(Format("%.2d", 256), "256");
  EXPECT_EQ(Format("%.3d", -5), "-005");
  EXPECT_EQ(Format("%.2d", 0), "00");
  EXPECT_EQ(Format("%.2d", std::uint16_t{15}), "15");
}

TEST(Format, HexIsUpperCaseOf32BitPattern) {
  EXPECT_EQ(Format("%x", 0), "0");
  EXPECT_EQ(Format("%.x", 0), "0");
  EXPECT_EQ(Format("%.xH", 0x03A7), "3A7H");
  EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
  EXPECT_EQ(Format("%x", std::uint16_t{0x5ABC}), "5ABC");
  EXPECT_EQ(Format("%.4x", 0xA), "000A");
}

TEST(Format, TextsPercentAndWholeLines) {
  EXPECT_EQ(Format("%s", ""), "");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%.3d ????? %s ?????", 1, "Err: Create Slot=00 Fail"),
            "001 ????? Err: Create Slot=00 Fail ?????");
  EXPECT_EQ(Format("%.3d MODE=%.2d ChF=%.2d ChL=%.2d Buffer=%.d Timer=%.d", 1, 3, 0, 0, 256, 500),
            "001 MODE=03 ChF=00 ChL=00 Buffer=256 Timer=500");
  EXPECT_EQ(Format("Err: Chanel data Fail...GetData[%d]=%.xH", 17, 0x5123),
            "Err: Chanel data Fail...GetData[17]=5123H");
  EXPECT_EQ(Format("CH%.2d", 15), "CH15");
  EXPECT_EQ(Format("%s", std::string("ﾃｽﾄ")), "ﾃｽﾄ");
}

TEST(Format, MismatchesAreFaults) {
  EXPECT_THROW(Format("%d"), FormatError);
  EXPECT_THROW(Format("%d", "text"), FormatError);
  EXPECT_THROW(Format("%s", 5), FormatError);
  EXPECT_THROW(Format("%q", 5), FormatError);
  EXPECT_THROW(Format("50%", 5), FormatError);
}

}  // namespace
}  // namespace tamrix::text
