// Unit conversion: every pair of units of the factor table converts there
// and back to the number it started from, except the pairs that keep a
// factor of their own, which convert by exactly that factor; then prefixes,
// names that begin with a prefix letter, temperatures and the front's
// argument rules.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"
#include "worksheet/engineering/Conv_Units.h"

namespace {

double convert(double x, const std::u16string& from, const std::u16string& to) {
  Caller c;
  return numberOf(c.call(kIdConvert, {c.num(x), c.text(from.c_str()), c.text(to.c_str())}));
}

constexpr int kTemperature = 8;

TEST(UnitConversion, EveryPairRoundTripsOrKeepsItsListedFactor) {
  int pairs = 0, listed = 0;
  for (int k = 0; k < Conv_categoryCount(); ++k) {
    if (k == kTemperature) continue;
    for (int i = 0; i < Conv_unitCount(k); ++i)
      for (int j = 0; j < Conv_unitCount(k); ++j) {
        const std::u16string a(Conv_unitName(k, i)), b(Conv_unitName(k, j));
        const std::string names = Text_toUtf8(a) + " -> " + Text_toUtf8(b);
        const double there = convert(1.0, a, b);
        EXPECT_EQ(there, Conv_pairFactor(k, i, j)) << names;
        ++pairs;
        if (Conv_pairIsListed(k, i, j) || Conv_pairIsListed(k, j, i)) {
          ++listed;
          continue;
        }
        EXPECT_NEAR(convert(there, b, a), 1.0, 1e-15) << names;
      }
  }
  EXPECT_EQ(listed, 24);
  EXPECT_GT(pairs, 250);
  // Asymmetric pairs as written.
  EXPECT_EQ(convert(1, u"HP", u"W"), 745.701);
  EXPECT_EQ(convert(1, u"W", u"HP"), 0.00134102006031908);
  EXPECT_NE(convert(convert(1, u"HP", u"W"), u"W", u"HP"), 1.0);
  EXPECT_EQ(convert(1, u"lbm", u"g"), 453.592309748811);
  EXPECT_EQ(convert(1, u"mi", u"m"), 1609.344);
  EXPECT_EQ(convert(1, u"day", u"sec"), 86400);
  EXPECT_EQ(convert(1, u"lbf", u"N"), 4.448222);
}

TEST(UnitConversion, PrefixesAndNamesThatBeginWithAPrefixLetter) {
  EXPECT_NEAR(convert(1, u"km", u"mi"), 0.621371192237334, 1e-15);
  EXPECT_EQ(convert(1, u"Pa", u"Pa"), 1);
  EXPECT_EQ(convert(1, u"PPa", u"Pa"), 1e15);
  EXPECT_EQ(convert(1, u"Pica", u"m"), 1 / 2834.64566929116);
  EXPECT_EQ(convert(1, u"mm", u"m"), 1e-3);
  EXPECT_EQ(convert(1, u"mi", u"m"), 1609.344);
  EXPECT_EQ(convert(1, u"mn", u"sec"), 3.15576e7 / 525960);
  EXPECT_EQ(convert(1, u"mmHg", u"Pa"), 133.322363925);
  EXPECT_EQ(convert(1, u"msec", u"sec"), 0.001);
  EXPECT_EQ(convert(2, u"kp", u"at"), 2000 * 9.86923299998193e-6);
  EXPECT_EQ(convert(1, u"uk_pt", u"l"), 1 / 1.7592978073827394);
  EXPECT_EQ(convert(1, u"ev", u"eV"), 1);
  Caller c;
  for (const char16_t* bad : {u"kft", u"Ym", u"zm", u"ym", u"nothing", u"", u"kh", u"khh", u"ksg"}) {
    EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1), c.text(bad), c.text(u"m")}), kErrNA)) << Text_toUtf8(bad);
    EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1), c.text(u"m"), c.text(bad)}), kErrNA)) << Text_toUtf8(bad);
  }
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1), c.text(u"g"), c.text(u"m")}), kErrNA));
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1e300), c.text(u"Em"), c.text(u"am")}), kErrNum));
}

TEST(UnitConversion, Temperatures) {
  EXPECT_NEAR(convert(1, u"C", u"F"), 33.8, 1e-13);
  EXPECT_NEAR(convert(0, u"K", u"C"), -273.15, 1e-13);
  EXPECT_EQ(convert(1, u"kK", u"K"), 1000);
  EXPECT_NEAR(convert(212, u"fah", u"cel"), 100, 1e-12);
  EXPECT_NEAR(convert(32, u"F", u"kel"), 273.15, 1e-12);
  EXPECT_NEAR(convert(300, u"K", u"F"), 80.33, 1e-12);
  EXPECT_NEAR(convert(25, u"C", u"mK"), 298150, 1e-6);
  EXPECT_EQ(convert(-40, u"F", u"F"), -40);
  Caller c;
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1), c.text(u"kC"), c.text(u"F")}), kErrNA));
}

TEST(UnitConversion, TheFrontsArgumentRules) {
  Caller c;
  Value* missing = c.empty();
  missing->kind = kValMissing;
  EXPECT_TRUE(isError(c.call(kIdConvert, {missing, c.text(u"m"), c.text(u"in")}), kErrNA));
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.num(1), c.num(2), c.text(u"in")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.boolean(true), c.text(u"m"), c.text(u"in")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdConvert, {c.error(kErrRef), c.text(u"m"), c.text(u"in")}), kErrRef));
  EXPECT_EQ(numberOf(c.call(kIdConvert, {c.empty(), c.text(u"m"), c.text(u"in")})), 0);
}

}  // namespace
