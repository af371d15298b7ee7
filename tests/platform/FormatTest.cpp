// Number formats: TEXT(value, format) and how values show as text. Expected
// texts are worked out by hand from the value's decimal digits (the data
// workbooks' own TEXT answers are checked by recalculating them).
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

bool readable(const char* format) {
  std::string out;
  return Calc_formatNumber(1, format, &out);
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

TEST(Format, FixedAndThousands) {
  expectAll({
      {0, "0", "0"},
      {0, "#", ""},
      {0.5, "#.00", ".50"},
      {12.5, ".00", "12.50"},
      {1, "#.##", "1."},
      {0.333, "0.0#", "0.33"},
      {1.5, "0.0#", "1.5"},
      {12.345, "?.??", "12.35"},
      {1.5, "??0.0?", "  1.5 "},
      {5, "0,000", "0,005"},
      {999999.995, "#,##0.00", "1,000,000.00"},
      {123, "#,##0", "123"},
      {1234, "#,#", "1,234"},
      {123456789, "000-00-0000", "123-45-6789"},
      {1e20, "0", "100000000000000000000"},
      {1e20, "#,##0", "100,000,000,000,000,000,000"},
      {1e-20, "0.00", "0.00"},
  });
}

// Digits come from the 15-digit decimal form, rounded half away from zero.
TEST(Format, RoundingOnTheDecimalForm) {
  expectAll({
      {2.675, "0.00", "2.68"},
      {-2.675, "0.00", "-2.68"},
      {1.005, "0.00", "1.01"},
      {0.125, "0.00", "0.13"},
      {1.45, "0.0", "1.5"},
      {0.1 + 0.2, "0.0000000000000000", "0.3000000000000000"},
      {9.995, "0.00", "10.00"},
      {0.49999999999999994, "0", "1"},   // 15 digits: 0.500000000000000
  });
}

TEST(Format, NegativesAndSections) {
  expectAll({
      {-0.4, "0", "-0"},
      {-0.0001, "0.00", "-0.00"},
      {-5, "$#,##0.00", "-$5.00"},
      {-5, "abc", "-abc"},
      {-5, "$#,##0.00;($#,##0.00)", "($5.00)"},
      {5, "$#,##0.00;($#,##0.00)", "$5.00"},
      {0, "0;(0)", "0"},
      {0, "0;-0;\"zero\"", "zero"},
      {-3, "0;-0;\"zero\"", "-3"},
      {-0.4, "0;(0);\"zero\"", "(0)"},
      {-5, "0;;0", ""},
      {7, ";;;", ""},
      {5, "General;-General", "5"},
      {-5, "General;(General)", "(5)"},
      {-5, "General", "-5"},
  });
}

TEST(Format, PercentAndScaling) {
  expectAll({
      {0.5, "0.0%", "50.0%"},
      {0.00123, "0.00%", "0.12%"},
      {1, "0%%", "10000%%"},
      {1234567, "#,##0,", "1,235"},
      {1234567, "0.0,,", "1.2"},
      {1234567, "#,##0,,\"M\"", "1M"},
      {5, ",0", ",5"},
  });
}

TEST(Format, Scientific) {
  expectAll({
      {0, "0.00E+00", "0.00E+00"},
      {-12345.678, "0.00E+00", "-1.23E+04"},
      {9.999, "0.00E+00", "1.00E+01"},
      {12345, "0.0E-0", "1.2E4"},
      {0.012, "0.0E-0", "1.2E-2"},
      {1.5e100, "0.0E+00", "1.5E+100"},
      {1234.5, "00.00E+00", "12.35E+02"},
      {1234.5, "##0.0E+0", "1.2E+3"},
      {123456, "##0.0E+0", "123.5E+3"},
      {0.000123, "##0.0E+0", "123.0E-6"},
      {999.96, "##0.0E+0", "1.0E+3"},
      {0.999, ".00E+00", ".10E+01"},
      {12345.678, "0.00e+00", "1.23e+04"},
  });
}

TEST(Format, Fractions) {
  expectAll({
      {1.5, "# ?/?", "1 1/2"},
      {0.5, "# ?/?", " 1/2"},
      {2, "# ?/?", "2    "},
      {-1.25, "# ?/?", "-1 1/4"},
      {0.75, "?/4", "3/4"},
      {1.75, "?/4", "7/4"},
      {0.333, "?/?", "1/3"},
      {3.14159, "# ?\?/?\?", "3 14/99"},
      {1.96, "# ?/?", "2    "},
      {2.3, "# ?/10", "2 3/10"},
      {0.123, "?/100", "12/100"},
  });
}

TEST(Format, LiteralsEscapesAndTags) {
  expectAll({
      {3, "0 \"units\"", "3 units"},
      {5, "\\$0", "$5"},
      {5, "0_)", "5 "},
      {5, "**0", "5"},
      {5, "(0)", "(5)"},
      {5, "+0", "+5"},
      {5, "[Red]0", "5"},
      {5, "[color10]0.0", "5.0"},
      {-5, "[Blue]0;[Red]-0", "-5"},
      {1234.5, "[$-409]#,##0.00", "1,234.50"},
      {1234.5, "[$\xE2\x82\xAC-407] #,##0.00", "\xE2\x82\xAC 1,234.50"},
      {1, "\"a;b\"0", "a;b1"},
      {1, "[$USD] 0", "USD 1"},
      {1234.5, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", " $1,234.50 "},
      {-1234.5, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", " $(1,234.50)"},
      {0, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", " $-   "},
  });
}

TEST(Format, Conditions) {
  expectAll({
      {50, "[<100]\"low\";\"high\"", "low"},
      {500, "[<100]\"low\";\"high\"", "high"},
      {5, "[>=10]0;[<0]\"neg\";\"small\"", "small"},
      {-5, "[>=10]0;[<0]\"neg\";\"small\"", "neg"},
      {12, "[>=10]0;[<0]\"neg\";\"small\"", "12"},
      {-5, "[>100]\"big\";0", "-5"},
      {-5, "[<0]0.0;0", "5.0"},
      {5, "[>10]0", "5"},   // no section applies: General
  });
}

TEST(Format, DatesOnThe1900System) {
  expectAll({
      {1, "yyyy-mm-dd", "1900-01-01"},
      {1, "dd/mm/yyyy ddd", "01/01/1900 Sun"},
      {59, "yyyy-mm-dd", "1900-02-28"},
      {60, "yyyy-mm-dd", "1900-02-29"},
      {61, "yyyy-mm-dd dddd", "1900-03-01 Thursday"},
      {0, "yyyy-mm-dd", "1900-01-00"},
      {36526, "mmm yy", "Jan 00"},
      {36526, "mmmmm", "J"},
      {36585, "d mmmm yyyy", "29 February 2000"},
      {44927, "yyyy-mm-dd", "2023-01-01"},
      {45000, "d-mmm-yy", "15-Mar-23"},
      {45000, "m/d/yy", "3/15/23"},
      {2958465, "yyyy-mm-dd", "9999-12-31"},
      {44927.75, "dddd, mmmm d, yyyy h:mm AM/PM", "Sunday, January 1, 2023 6:00 PM"},
  });
}

TEST(Format, TimesAndElapsed) {
  expectAll({
      {0.5, "h:mm:ss AM/PM", "12:00:00 PM"},
      {0, "h:mm AM/PM", "12:00 AM"},
      {0.75, "hh:mm", "18:00"},
      {1.0 / 24, "h:mm a/p", "1:00 a"},
      {0.7, "hh:mm A/P", "04:48 P"},
      {0.25, "h \"h\" m \"min\"", "6 h 0 min"},
      {0.5 / 86400, "mm:ss", "00:01"},          // rounds to the second
      {1.5 / 86400 + 0.25, "hh:mm:ss.00", "06:00:01.50"},
      {0.99999999, "hh:mm:ss", "00:00:00"},     // carries into the next day
      {1.5, "[h]:mm", "36:00"},
      {0.5, "[mm]:ss", "720:00"},
      {1.0 / 24, "[ss]", "3600"},
  });
}

TEST(Format, UnreadableFormats) {
  for (const char* format : {"\"abc", "[Red", "[xyz]0", "[<>]0", "[<1x]0", "[<1][>2]0", "0;0;0;@;0", "0\\", "0_",
                             "0*", "0.00E+", "0E+0E+0", "yyyy 0",
                             "\\\xC3\"a\""})   // an escape swallows half a quote pair
    EXPECT_FALSE(readable(format)) << format;
  EXPECT_TRUE(readable("General"));
  EXPECT_TRUE(readable(""));
  std::string out = "kept";
  EXPECT_FALSE(Calc_formatNumber(-1, "yyyy", &out));   // before the first date
  EXPECT_FALSE(Calc_formatNumber(2958466, "yyyy", &out));
  EXPECT_FALSE(Calc_formatNumber(1.0 / 0.0 * 0.0, "0", &out));
}

TEST(Format, CellsShowWithTheirFormat) {
  EXPECT_EQ(Calc_displayText(CellValue::makeNumber(1234.5), "#,##0.00"), "1,234.50");
  EXPECT_EQ(Calc_displayText(CellValue::makeNumber(1.0 / 3), "General"), "0.333333333");
  EXPECT_EQ(Calc_displayText(CellValue::makeNumber(-1), "yyyy"), "-1");
  EXPECT_EQ(Calc_displayText(CellValue::makeNumber(5), "@"), "5");
  EXPECT_EQ(Calc_displayText(CellValue::makeText("abc"), "0;0;0;\"<\"@\">\""), "<abc>");
  EXPECT_EQ(Calc_displayText(CellValue::makeText("abc"), "\"x\"@"), "xabc");
  EXPECT_EQ(Calc_displayText(CellValue::makeText("abc"), "[xyz]"), "abc");
}
