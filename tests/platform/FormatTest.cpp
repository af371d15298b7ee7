// Number formats: TEXT(value, format) and how values show as text. Expected
// texts are worked out by hand from the value's decimal digits (the data
// workbooks' own TEXT answers are checked by recalculating them).
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "platform/calc/Calc.h"
#include "platform/os/Os.h"

namespace {

struct Case {
  double value;
  const char* format;
  const char* expected;
};

// General fits eleven characters; digits come from the 15-digit decimal
// form, rounded half away from zero.
const Case kCases[] = {
    // General
    {-1.0 / 3, "General", "-0.333333333"}, {1e20, "General", "1E+20"}, {12345678901.0, "General", "12345678901"},
    {123456789012.0, "General", "1.23457E+11"}, {99999999999.7, "General", "1E+11"},
    {0.00012345678, "General", "0.000123457"}, {0.000012345678, "General", "1.23457E-05"}, {-0.0, "", "0"},
    // Fixed, thousands and rounding
    {0, "#", ""}, {0.5, "#.00", ".50"}, {1, "#.##", "1."}, {0.333, "0.0#", "0.33"}, {1.5, "??0.0?", "  1.5 "},
    {5, "0,000", "0,005"}, {999999.995, "#,##0.00", "1,000,000.00"}, {123456789, "000-00-0000", "123-45-6789"},
    {1e20, "#,##0", "100,000,000,000,000,000,000"}, {-2.675, "0.00", "-2.68"}, {1.45, "0.0", "1.5"},
    {0.1 + 0.2, "0.0000000000000000", "0.3000000000000000"},
    {0.49999999999999994, "0", "1"},   // 15 digits: 0.500000000000000
    // Negatives and sections
    {-0.4, "0", "-0"}, {-5, "$#,##0.00", "-$5.00"}, {-5, "$#,##0.00;($#,##0.00)", "($5.00)"},
    {0, "0;-0;\"zero\"", "zero"}, {-0.4, "0;(0);\"zero\"", "(0)"}, {-5, "0;;0", ""}, {7, ";;;", ""},
    {-5, "General;(General)", "(5)"},
    // Percent, scaling, scientific
    {1, "0%%", "10000%%"}, {1234567, "#,##0,,\"M\"", "1M"}, {5, ",0", ",5"}, {0, "0.00E+00", "0.00E+00"},
    {9.999, "0.00E+00", "1.00E+01"}, {0.012, "0.0E-0", "1.2E-2"}, {1234.5, "00.00E+00", "12.35E+02"},
    {123456, "##0.0E+0", "123.5E+3"}, {0.000123, "##0.0E+0", "123.0E-6"}, {999.96, "##0.0E+0", "1.0E+3"},
    {0.999, ".00E+00", ".10E+01"}, {12345.678, "0.00e+00", "1.23e+04"},
    // Fractions
    {0.5, "# ?/?", " 1/2"}, {2, "# ?/?", "2    "}, {-1.25, "# ?/?", "-1 1/4"}, {1.75, "?/4", "7/4"},
    {3.14159, "# ?\?/?\?", "3 14/99"}, {1.96, "# ?/?", "2    "}, {0.123, "?/100", "12/100"},
    // Literals, escapes, tags and conditions
    {3, "0 \"units\"", "3 units"}, {5, "\\$0", "$5"}, {5, "0_)", "5 "}, {5, "**0", "5"},
    {-5, "[Blue]0;[Red]-0", "-5"}, {1234.5, "[$\xE2\x82\xAC-407] #,##0.00", "\xE2\x82\xAC 1,234.50"},
    {1, "\"a;b\"0", "a;b1"}, {1, "[$USD] 0", "USD 1"},
    {-1234.5, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", " $(1,234.50)"},
    {0, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", " $-   "},
    {500, "[<100]\"low\";\"high\"", "high"}, {-5, "[>=10]0;[<0]\"neg\";\"small\"", "neg"},
    {12, "[>=10]0;[<0]\"neg\";\"small\"", "12"}, {-5, "[>100]\"big\";0", "-5"}, {-5, "[<0]0.0;0", "5.0"},
    {5, "[>10]0", "5"},   // no section applies: General
    // Dates on the 1900 system, times and elapsed times
    {60, "yyyy-mm-dd", "1900-02-29"}, {61, "yyyy-mm-dd dddd", "1900-03-01 Thursday"}, {0, "yyyy-mm-dd", "1900-01-00"},
    {36526, "mmmmm", "J"}, {2958465, "yyyy-mm-dd", "9999-12-31"},
    {44927.75, "dddd, mmmm d, yyyy h:mm AM/PM", "Sunday, January 1, 2023 6:00 PM"},
    {0, "h:mm AM/PM", "12:00 AM"}, {0.7, "hh:mm A/P", "04:48 P"},
    {0.5 / 86400, "mm:ss", "00:01"},   // rounds to the second
    {1.5 / 86400 + 0.25, "hh:mm:ss.00", "06:00:01.50"},
    {0.99999999, "hh:mm:ss", "00:00:00"},   // carries into the next day
    {1.5, "[h]:mm", "36:00"}, {0.5, "[mm]:ss", "720:00"},
};

}  // namespace

TEST(Format, NumbersAsTheirFormatsShowThem) {
  for (const Case& c : kCases) {
    std::string out;
    EXPECT_TRUE(Calc_formatNumber(c.value, c.format, &out)) << c.value << " with " << c.format;
    EXPECT_EQ(out, c.expected) << c.value << " with " << c.format;
  }
}

// Cells show numbers in fifteen digits unless their format says otherwise.
TEST(Format, CellsShowTheirValuesInTheirFormat) {
  auto n = CellValue::makeNumber;
  const struct { CellValue value; const char* format; const char* shown; } cells[] = {
      {n(2.0 / 3), "", "0.666666666666667"}, {n(1e-5), "", "1E-05"}, {n(0.1 + 0.2), "", "0.3"},
      {n(123456789012345678.0), "", "1.23456789012346E+17"}, {n(123456789012345.0), "", "123456789012345"},
      {n(1e15), "", "1E+15"}, {CellValue::makeBoolean(false), "0.00", "FALSE"},
      {CellValue::makeError(CellError::Div0), "", "#DIV/0!"}, {CellValue{}, "", ""}, {n(1234.5), "#,##0.00", "1,234.50"},
      {n(-1), "yyyy", "-1"},   // a format that cannot show it
      {n(5), "@", "5"}, {CellValue::makeText("abc"), "0;0;0;\"<\"@\">\"", "<abc>"},
      {CellValue::makeText("abc"), "[xyz]", "abc"},
  };
  for (const auto& c : cells) EXPECT_EQ(Calc_displayText(c.value, c.format), c.shown) << c.format;
}

TEST(Format, UnreadableFormatsAndValuesFail) {
  std::string out = "kept";
  for (const char* format : {"\"abc", "[Red", "[xyz]0", "[<>]0", "[<1x]0", "[<1][>2]0", "0;0;0;@;0", "0\\", "0_",
                             "0*", "0.00E+", "0E+0E+0", "yyyy 0",
                             "\\\xC3\"a\""})   // an escape swallows half a quote pair: this looped before
    EXPECT_FALSE(Calc_formatNumber(1, format, &out)) << format;
  EXPECT_FALSE(Calc_formatNumber(-1, "yyyy", &out));   // before the first date
  EXPECT_FALSE(Calc_formatNumber(2958466, "yyyy", &out));
  EXPECT_FALSE(Calc_formatNumber(1.0 / 0.0 * 0.0, "0", &out));
}

// A scientific format of fifteen digits shows the 15-digit decimal form
// itself, the digits printf gives: checked on numbers of every size and on
// halves, where the last kept digit decides.
TEST(Format, FifteenDigitsAreThoseOfPrintf) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-99, 99), mantissa(1, 10);
  for (int i = 0; i < 20000; ++i) {
    double x = i % 2 ? mantissa(random) * std::pow(10.0, std::floor(exponent(random))) : 1e14 + i + 0.5;
    char expected[40];
    std::snprintf(expected, sizeof expected, "%.14E", x);
    std::string out;
    ASSERT_TRUE(Calc_formatNumber(x, "0.00000000000000E+00", &out));
    ASSERT_EQ(out, expected) << x;
  }
}

// Numbers show with their digits rounded in the rounding mode in effect, as
// printf rounds them.
TEST(Format, DigitsFollowTheRoundingMode) {
  const double third = 1.0 / 3;
  EXPECT_EQ(Calc_displayText(CellValue::makeNumber(third), ""), "0.333333333333333");
  Os_setRounding(OsRounding::Up);
  std::string up = Calc_displayText(CellValue::makeNumber(third), "");
  Os_setRounding(OsRounding::Nearest);
  EXPECT_EQ(up, "0.333333333333334");
}
