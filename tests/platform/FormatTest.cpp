// Number formats: TEXT(value, format) and how values show as text. Expected
// texts are worked out by hand from the value's decimal digits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/calc/Calc.h"

namespace {

struct Case {
  double value;
  const char* format;
  const char* expected;
};

void expectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string out;
    EXPECT_TRUE(Calc_formatNumber(c.value, c.format, &out)) << c.value << " with " << c.format;
    EXPECT_EQ(out, c.expected) << c.value << " with " << c.format;
  }
}

std::string shown(double x) { return Calc_displayText(CellValue::makeNumber(x), ""); }

}  // namespace

TEST(Format, GeneralFitsElevenCharacters) {
  expectAll({
      {1.0 / 3, "General", "0.333333333"},
      {-1.0 / 3, "General", "-0.333333333"},
      {1e20, "General", "1E+20"},
      {1234.5, "General", "1234.5"},
      {0.1, "General", "0.1"},
      {123456789, "General", "123456789"},
      {12345678901.0, "General", "12345678901"},
      {123456789012.0, "General", "1.23457E+11"},
      {99999999999.7, "General", "1E+11"},
      {2.0 / 3 * 10, "General", "6.666666667"},
      {0.00012345678, "General", "0.000123457"},
      {0.00001, "General", "0.00001"},
      {0.000012345678, "General", "1.23457E-05"},
      {1e-10, "General", "1E-10"},
      {1.5e100, "General", "1.5E+100"},
      {0, "general", "0"},
      {-0.0, "", "0"},
      {7, "", "7"},
  });
}

TEST(Format, NumbersJoinedAsTextShowFifteenDigits) {
  EXPECT_EQ(shown(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(shown(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(shown(1e20), "1E+20");
  EXPECT_EQ(shown(1e-5), "1E-05");
  EXPECT_EQ(shown(0.0001), "0.0001");
  EXPECT_EQ(shown(0.1 + 0.2), "0.3");
  EXPECT_EQ(shown(123456789012345678.0), "1.23456789012346E+17");
  EXPECT_EQ(shown(123456789012345.0), "123456789012345");
  EXPECT_EQ(shown(1e15), "1E+15");
  EXPECT_EQ(shown(-2.5), "-2.5");
  EXPECT_EQ(shown(0.25), "0.25");
  EXPECT_EQ(shown(-0.0), "0");
  EXPECT_EQ(shown(1.2e-300), "1.2E-300");
}

TEST(Format, OtherValuesShowTheirOwnText) {
  EXPECT_EQ(Calc_displayText(CellValue::makeBoolean(true), ""), "TRUE");
  EXPECT_EQ(Calc_displayText(CellValue::makeBoolean(false), "0.00"), "FALSE");
  EXPECT_EQ(Calc_displayText(CellValue::makeError(CellError::Div0), ""), "#DIV/0!");
  EXPECT_EQ(Calc_displayText(CellValue::makeText("abc"), "0.00"), "abc");
  EXPECT_EQ(Calc_displayText(CellValue{}, ""), "");
}
