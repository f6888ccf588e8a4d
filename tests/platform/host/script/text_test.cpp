// Format masks, Val and character positions.
#include <gtest/gtest.h>

#include "script/text.h"

namespace fenra::host::script {
namespace {

TEST(FormatTest, MasksOfTheDialect) {
  struct Case {
    double value;
    const char* mask;
    const char* expected;
  };
  const Case cases[] = {
      {3.14159, "0.00", "3.14"},
      {2.5, "0", "3"},
      {1234567.891, "#,##0.00", "1,234,567.89"},
      {0.5, "#,##0.00", "0.50"},
      {-3.7, "-0.0##", "-3.7"},
      {-3.75, "-0.0##", "-3.75"},
      {-3.7, "#.##", "3.7"},  // without a sign placeholder the sign is not shown
      {3.7, "+#.##", "+3.7"},
      {1.786, "#.##", "1.79"},
      {1.3, "#.0000", "1.3000"},
      {5, "0000", "0005"},
      {0.25, "#%", "25%"},
      {145678.5, "###,###.##", "145,678.5"},
      {145678.5, "#.##e", "1.46e+5"},
      {-3.7, "#.##;(#.##);zero", "(3.7)"},
      {0, "#.##;(#.##);\\z\\e\\r\\o", "zero"},
      {12.5, ".00", "12.50"},
      {42, "$#,##0", "$42"},
      {-0.001, "-0.00", "0.00"},  // a value that rounds to zero has no sign
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatNumber(c.value, c.mask), c.expected) << c.value << " with " << c.mask;
  }
}

TEST(TextTest, ValReadsTheLeadingNumber) {
  EXPECT_DOUBLE_EQ(ParseVal("  42 apples"), 42);
  EXPECT_DOUBLE_EQ(ParseVal("-1.5e2x"), -150);
  EXPECT_DOUBLE_EQ(ParseVal("&h10"), 16);
  EXPECT_DOUBLE_EQ(ParseVal("&b11"), 3);
  EXPECT_DOUBLE_EQ(ParseVal("1e"), 1);
  EXPECT_DOUBLE_EQ(ParseVal("inf"), 0);
  EXPECT_DOUBLE_EQ(ParseVal(""), 0);
}

TEST(TextTest, PositionsCountCharacters) {
  std::string s = "aé€b";
  EXPECT_EQ(CharCount(s), 4);
  EXPECT_EQ(Substring(s, 1, 2), "é€");
  EXPECT_EQ(Substring(s, 3, 10), "b");
  EXPECT_EQ(Substring(s, 9, 1), "");
  EXPECT_EQ(FindText(s, "B", 1), 4);
  EXPECT_EQ(FindText(s, "€", 3), 3);
  EXPECT_EQ(FindText(s, "a", 2), 0);
  EXPECT_EQ(FirstChar("€"), 0x20ACu);
  EXPECT_EQ(EncodeChar(0x20AC), "€");
}

}  // namespace
}  // namespace fenra::host::script
