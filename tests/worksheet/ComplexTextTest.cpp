// Complex numbers as text: the readings and writings of the edge cases, the
// modulus of 0, and texts that read back as the number they were written
// from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "values/Text_Convert.h"
#include "worksheet/kernels/Cplx_Text.h"

namespace {

struct Parsed {
  bool ok;
  double re, im;
  char16_t suffix;
};

Parsed parse(const char16_t* text) {
  Parsed p{};
  p.ok = Cplx_parse(text, &p.re, &p.im, &p.suffix);
  return p;
}

std::string format(double re, double im, char16_t suffix) {
  std::u16string out;
  return Cplx_format(re, im, suffix, &out) ? Text_toUtf8(out) : "(refused)";
}

TEST(ComplexText, ReadsTheNotationsOfTheEngineeringFunctions) {
  const struct {
    const char16_t* text;
    double re, im;
    char16_t suffix;
  } good[] = {{u"", 0, 0, u'i'},
              {u"i", 0, 1, u'i'},
              {u"-j", 0, -1, u'j'},
              {u"+i", 0, 1, u'i'},
              {u"3+4i", 3, 4, u'i'},
              {u"3-i", 3, -1, u'i'},
              {u"3+j", 3, 1, u'j'},
              {u"4i", 0, 4, u'i'},
              {u"-2.5", -2.5, 0, u'i'},
              {u"1e3-2.5j", 1000, -2.5, u'j'},
              {u"5.E-02+1E+20i", 0.05, 1e20, u'i'}};
  for (const auto& g : good) {
    const Parsed p = parse(g.text);
    EXPECT_TRUE(p.ok) << Text_toUtf8(g.text);
    EXPECT_EQ(p.re, g.re) << Text_toUtf8(g.text);
    EXPECT_EQ(p.im, g.im) << Text_toUtf8(g.text);
    EXPECT_EQ(p.suffix, g.suffix) << Text_toUtf8(g.text);
  }
  for (const char16_t* bad : {u"3+4k", u"ii", u"2I", u"3+4", u"i3", u"x", u"3+4i5"})
    EXPECT_FALSE(parse(bad).ok) << Text_toUtf8(bad);
}

// The parts are decimal numbers: a sign, digits with one point, an exponent
// with digits; the runtime's hexadecimal, infinity and not-a-number forms
// are no numbers here.
TEST(ComplexText, PartsAreDecimalNumbersOnly) {
  const struct {
    const char16_t* text;
    bool ok;
    double re, im;
  } cases[] = {
      {u"nan", false, 0, 0},          {u"inf", false, 0, 0},    {u"-infinity", false, 0, 0}, {u"0x10", false, 0, 0},
      {u"0x1p3i", false, 0, 0},       {u"1+nani", false, 0, 0}, {u"3+infi", false, 0, 0},    {u"infi", false, 0, 0},
      {u"1e", false, 0, 0},           {u".", false, 0, 0},      {u"1e999", false, 0, 0},     {u"1e5i", true, 0, 1e5},
      {u".5-.25j", true, 0.5, -0.25}, {u"5.+2.i", true, 5, 2},  {u" 3+4i", true, 3, 4},      {u"2E-3", true, 0.002, 0},
  };
  for (const auto& t : cases) {
    const Parsed p = parse(t.text);
    EXPECT_EQ(p.ok, t.ok) << Text_toUtf8(t.text);
    if (!t.ok || !p.ok) continue;
    EXPECT_EQ(p.re, t.re) << Text_toUtf8(t.text);
    EXPECT_EQ(p.im, t.im) << Text_toUtf8(t.text);
  }
}

TEST(ComplexText, WritesThePartsInTheFixedFormats) {
  EXPECT_EQ(format(3, 4, u'i'), "3+4i");
  EXPECT_EQ(format(3, -1, u'j'), "3-j");
  EXPECT_EQ(format(3, 1, u'i'), "3+i");
  EXPECT_EQ(format(0, 1, u'i'), "i");
  EXPECT_EQ(format(0, -1, u'j'), "-j");
  EXPECT_EQ(format(0, -2.5, u'i'), "-2.5i");
  EXPECT_EQ(format(0, 0, u'i'), "0");
  EXPECT_EQ(format(-7, 0, u'i'), "-7");
  EXPECT_EQ(format(0.05, 0, u'i'), "5.E-02");
  EXPECT_EQ(format(1.5, -0.0625, u'j'), "1.5-6.25E-02j");
  EXPECT_EQ(format(0.01, 0.02, u'i'), "1.E-02+2.E-02i");
  EXPECT_EQ(format(1.0 / 3, 0, u'i'), "0.333333333333333");
  EXPECT_EQ(format(3, 4, u'k'), "(refused)");
}

TEST(ComplexText, ModulusAndArgumentWithTheModulusOfZeroZero) {
  double m = -1, angle = -1;
  bool zero = false;
  ASSERT_TRUE(Cplx_modulus(u"0", &m));
  EXPECT_EQ(m, 0);
  ASSERT_TRUE(Cplx_modulus(u"", &m));
  EXPECT_EQ(m, 0);
  ASSERT_TRUE(Cplx_modulus(u"3-4j", &m));
  EXPECT_EQ(m, 5);
  ASSERT_TRUE(Cplx_modulus(u"1e300+1e300i", &m));
  EXPECT_NEAR(m, std::sqrt(2.0) * 1e300, 1e286);
  EXPECT_FALSE(Cplx_modulus(u"3+4k", &m));
  ASSERT_TRUE(Cplx_argument(u"0", &angle, &zero));
  EXPECT_TRUE(zero);
  EXPECT_EQ(angle, 0);
  ASSERT_TRUE(Cplx_argument(u"-1", &angle, &zero));
  EXPECT_FALSE(zero);
  EXPECT_EQ(angle, std::atan2(0.0, -1.0));
  ASSERT_TRUE(Cplx_argument(u"i", &angle, &zero));
  EXPECT_EQ(angle, std::atan2(1.0, 0.0));
}

// A random part of at most 15 significant digits (the digits a text
// keeps), of either sign, between 1e-20 and 1e20, and now and then 0, 1 or
// -1, the parts written without digits.
double randomPart(std::mt19937_64& rng) {
  const int pick = static_cast<int>(rng() % 10);
  if (pick == 0) return 0;
  if (pick == 1) return rng() % 2 ? 1 : -1;
  const int digits = 1 + static_cast<int>(rng() % 15);
  long long mantissa = 1 + static_cast<long long>(rng() % static_cast<unsigned long long>(std::pow(10.0, digits) - 1));
  const int exponent = static_cast<int>(rng() % 41) - 20 - digits;
  char text[64];
  std::snprintf(text, sizeof text, "%s%lldE%d", rng() % 2 ? "-" : "", mantissa, exponent);
  return std::strtod(text, nullptr);
}

TEST(ComplexText, TextsReadBackAsTheNumbersTheyWereWrittenFrom) {
  std::mt19937_64 rng(123);
  for (int k = 0; k < 20000; ++k) {
    const double re = randomPart(rng), im = randomPart(rng);
    for (char16_t suffix : {u'i', u'j'}) {
      std::u16string text;
      ASSERT_TRUE(Cplx_format(re, im, suffix, &text));
      double re2 = NAN, im2 = NAN;
      char16_t suffix2 = 0;
      ASSERT_TRUE(Cplx_parse(text, &re2, &im2, &suffix2)) << Text_toUtf8(text);
      EXPECT_EQ(re2, re) << Text_toUtf8(text);
      EXPECT_EQ(im2, im) << Text_toUtf8(text);
      if (im != 0) {
        EXPECT_EQ(suffix2, suffix) << Text_toUtf8(text);
      }
    }
  }
}

}  // namespace
