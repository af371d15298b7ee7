// Locale-free conversions between texts, numbers and dates.
#include <gtest/gtest.h>

#include "values/Text_Convert.h"

namespace {

TEST(Text, NumbersReadWholeTextsOnly) {
  const struct {
    const char16_t* text;
    bool isInt;
    bool isDouble;
    double value;
  } cases[] = {
      {u"12", true, true, 12},        {u" -7 ", true, true, -7},       {u"+3", true, true, 3},
      {u"2147483648", false, true, 2147483648.0}, {u"-2147483648", true, true, -2147483648.0},
      {u"2.5", false, true, 2.5},     {u".5", false, true, 0.5},       {u"1e3", false, true, 1000},
      {u"1,5", false, false, 0},      {u"12abc", false, false, 0},     {u"", false, false, 0},
      {u"inf", false, false, 0},      {u"nan", false, false, 0},       {u"0x10", false, false, 0},
      {u"+-1", false, false, 0},      {u"1e999", false, false, 0},     {u"-", false, false, 0},
  };
  for (const auto& c : cases) {
    int32_t i = 0;
    double d = 0;
    EXPECT_EQ(Text_toInt32(c.text, &i), c.isInt) << Text_toUtf8(c.text);
    EXPECT_EQ(Text_toDouble(c.text, &d), c.isDouble) << Text_toUtf8(c.text);
    if (c.isDouble) {
      EXPECT_EQ(d, c.value) << Text_toUtf8(c.text);
    }
  }
}

TEST(Text, DatesAndTimes) {
  const struct {
    const char16_t* text;
    double serial;  // -1: not a date
  } cases[] = {
      {u"1900-03-01", 61},          {u"2024-02-29", 45351},       {u"2/29/2024", 45351},
      {u"29 Feb 2024", 45351},      {u"29-feb-24", 45351},        {u"February 29, 2024", 45351},
      {u"1899-12-30", 0},           {u"12:00", 0.5},              {u"6:30 PM", 0.770833333333333},
      {u"2024-01-31 18:00:00", 45322.75},
      {u"2023-02-29", -1},          {u"13/1/2024", -1},           {u"12", -1},
      {u"1.5", -1},                 {u"-5", -1},                  {u"25:00", -1},
      {u"Jan 2024", -1},            {u"abc", -1},                 {u"12:00 XM", -1},
  };
  for (const auto& c : cases) {
    double serial = -1;
    const bool ok = Text_toDate(c.text, &serial);
    EXPECT_EQ(ok, c.serial >= 0) << Text_toUtf8(c.text);
    if (ok) {
      EXPECT_NEAR(serial, c.serial, 1e-12) << Text_toUtf8(c.text);
    }
  }
}

TEST(Text, NumberTextsReadBackExactly) {
  const double values[] = {0.1, 0.3, 1.0000002, 2147483648.0, 1e30, -1e-300, 123456789012.0};
  for (double x : values) {
    char16_t buffer[32];
    const int n = Text_formatNumber(x, buffer);
    double back = 0;
    ASSERT_TRUE(Text_toDouble(std::u16string_view(buffer, n), &back)) << x;
    EXPECT_EQ(back, x);
  }
  char16_t buffer[32];
  Text_formatNumber(1e30, buffer);
  EXPECT_EQ(std::u16string(buffer), u"1e+30");
}

TEST(Text, Utf8AndCase) {
  const std::string s = "Ünïcødé – €1 𝄞";
  EXPECT_EQ(Text_toUtf8(Text_fromUtf8(s)), s);
  EXPECT_TRUE(Text_equalsNoCase(u"DATA", u"data"));
  EXPECT_TRUE(Text_equalsNoCase(u"Übersicht", u"üBERSICHT"));
  EXPECT_FALSE(Text_equalsNoCase(u"Data", u"Data2"));
}

// Each broken sequence is one replacement character and the byte that broke
// it starts the next character, so no neighbour is lost.
TEST(Text, BrokenUtf8ReadsAsReplacementCharacters) {
  const struct {
    const char* utf8;
    std::u16string text;
  } cases[] = {
      {"h\xC3\xA9llo", u"h\u00e9llo"},
      {"a\xC3(b", u"a\uFFFD(b"},                          // lead byte without its continuation
      {"x\xE6\x97y", u"x\uFFFDy"},                        // three-byte sequence cut after two
      {"\xE6\x97", u"\uFFFD"},                            // cut by the end of the text
      {"\xC0\xAFz", u"\uFFFD\uFFFDz"},                    // overlong lead, stray continuation
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
      {"\xF0\x9F\x98\x82!", u"\U0001F602!"},
      {"\xFF\xFEok", u"\uFFFD\uFFFDok"},
  };
  for (const auto& c : cases) EXPECT_EQ(Text_fromUtf8(c.utf8), c.text) << c.utf8;
  // Half of a surrogate pair is written as U+FFFD, never as broken UTF-8.
  EXPECT_EQ(Text_toUtf8(std::u16string{u'a', char16_t{0xD83D}, u'b'}),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Text_toUtf8(std::u16string(1, char16_t{0xDE02})), "\xEF\xBF\xBD");
}

TEST(Text, CaseBeyondLatin1) {
  const struct {
    char16_t c, lower, upper;
  } cases[] = {
      {u'A', u'a', u'A'},       {0x00E9, 0x00E9, 0x00C9},  // é
      {0x03A9, 0x03C9, 0x03A9},                            // Ω
      {0x0436, 0x0436, 0x0416},                            // ж
      {0x0150, 0x0151, 0x0150},                            // Ő
      {0x00FF, 0x00FF, 0x0178},                            // ÿ
      {0x65E5, 0x65E5, 0x65E5},                            // 日 has no case
      {0x0130, 0x0130, 0x0130},                            // İ does not fold into ASCII
      {0x0131, 0x0131, 0x0131},                            // nor ı
      {0x212A, 0x212A, 0x212A},                            // the Kelvin sign
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Text_foldCase(c.c), c.lower) << static_cast<int>(c.c);
    EXPECT_EQ(Text_upperCase(c.c), c.upper) << static_cast<int>(c.c);
  }
  EXPECT_TRUE(Text_equalsNoCase(u"\u03a9MEGA", u"\u03c9mega"));
  EXPECT_FALSE(Text_equalsNoCase(u"\u0130", u"i"));
}

}  // namespace
