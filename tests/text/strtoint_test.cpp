#include "tamrix_text/strtoint.h"

#include <gtest/gtest.h>

#include <string>

#include "tamrix_text/errors.h"

namespace tamrix::text {
namespace {

TEST(StrToInt, DecimalWithinSigned32BitRange) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("500"), 500);
  EXPECT_EQ(StrToInt("-16"), -16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("-0"), 0);
  // Leading zeros do not count against the range.
  EXPECT_EQ(StrToInt("000000000000002147483647"), 2147483647);
}

TEST(StrToInt, LeadingSpacesAndSigns) {
  EXPECT_EQ(StrToInt(" +5"), 5);
  EXPECT_EQ(StrToInt("   -7"), -7);
  EXPECT_EQ(StrToInt("+0"), 0);
  EXPECT_EQ(StrToInt("  $10"), 16);
}

TEST(StrToInt, HexGivesTheBitPattern) {
  EXPECT_EQ(StrToInt("$0"), 0);
  EXPECT_EQ(StrToInt("$1f"), 31);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("$7FFFFFFF"), 2147483647);
  EXPECT_EQ(StrToInt("$80000000"), INT32_MIN);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(StrToInt("$ffffffff"), -1);
  EXPECT_EQ(StrToInt("$00000001"), 1);
}

TEST(StrToInt, RejectsEverythingElseWithTheOriginalText) {
  const char *bad[] = {"",           " ",          "+",           "-",           "$",
                       "5 ",         "2147483648", "-2147483649", "99999999999", "$100000000",
                       "$000000001", "-$1",        "+$1",         "0x10",        "1e3",
                       "12a",        "\t5",        "５",          "1,000",       "$G",
                       "- 5",        "5-"};
  for (const char *text : bad) {
    SCOPED_TRACE(std::string("text [") + text + "]");
    try {
      StrToInt(text);
      ADD_FAILURE() << "accepted";
    } catch (const ConversionError &e) {
      EXPECT_EQ(e.Text(), text);
      EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' は整数ではありません");
    }
    EXPECT_FALSE(TryStrToInt(text).has_value());
  }
}

TEST(StrToInt, ErrorsShareOneBaseClass) {
  EXPECT_THROW(StrToInt("x"), Error);
  EXPECT_THROW(CheckRange(4099, 4099), RangeError);
  EXPECT_THROW(CheckRange(-1, 10), RangeError);
  EXPECT_NO_THROW(CheckRange(4098, 4099));
  EXPECT_STREQ(RangeError().what(), "範囲ﾁｪｯｸｴﾗｰ");
}

}  // namespace
}  // namespace tamrix::text
