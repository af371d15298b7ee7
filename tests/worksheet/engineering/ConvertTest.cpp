// Unit conversion: each unit against its exact definition, worked out here
// from the inch, the pound, standard gravity and the other defining
// constants; every pair of units of the factor table converts there and back
// to the number it started from; then prefixes, names that begin with a
// prefix letter, temperatures, the front's argument rules and the number in
// the evaluation modes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/Smp_Payload.h"
#include "worksheet/engineering/Conv_Units.h"

namespace {

double convert(double x, const std::u16string& from, const std::u16string& to) {
  Caller c;
  return numberOf(c.call(kIdConvert, {c.num(x), c.text(from.c_str()), c.text(to.c_str())}));
}

constexpr int kTemperature = 8;

// The defining constants: the international inch (metres) and pound
// (kilograms), standard gravity (m/s2) and the litre as a cubic decimetre.
constexpr double kInch = 0.0254, kPound = 0.45359237, kGravity = 9.80665;
constexpr double kInchInDecimetres = 0.254;

TEST(UnitConversion, EachUnitIsItsExactDefinition) {
  const double cubicInch = kInchInDecimetres * kInchInDecimetres * kInchInDecimetres;  // litres
  const double gallon = 231 * cubicInch, foot = 12 * kInch, poundForce = kPound * kGravity;
  const double horsepower = 550 * foot * poundForce;  // watts
  const struct {
    const char16_t *unit, *base;
    double size;  // one unit in the base unit
  } units[] = {
      // US liquid measures by the gallon of 231 cubic inches, and the
      // imperial pint, an eighth of 4.54609 litres.
      {u"gal", u"l", gallon},
      {u"qt", u"l", gallon / 4},
      {u"pt", u"l", gallon / 8},
      {u"us_pt", u"l", gallon / 8},
      {u"cup", u"l", gallon / 16},
      {u"oz", u"l", gallon / 128},
      {u"tbs", u"l", gallon / 256},
      {u"tsp", u"l", gallon / 768},
      {u"uk_pt", u"l", 4.54609 / 8},
      {u"in", u"m", kInch},
      {u"ft", u"m", foot},
      {u"yd", u"m", 3 * foot},
      {u"mi", u"m", 5280 * foot},
      {u"Nmi", u"m", 1852},
      {u"Pica", u"m", kInch / 72},
      {u"ang", u"m", 1e-10},
      {u"lbm", u"g", 1000 * kPound},
      {u"ozm", u"g", 1000 * kPound / 16},
      {u"sg", u"g", 1000 * poundForce / foot},
      {u"yr", u"sec", 365.25 * 86400},
      {u"day", u"sec", 86400},
      {u"hr", u"sec", 3600},
      {u"mn", u"sec", 60},
      {u"atm", u"Pa", 101325},
      {u"mmHg", u"Pa", 101325.0 / 760},
      {u"dyn", u"N", 1e-5},
      {u"lbf", u"N", poundForce},
      {u"e", u"J", 1e-7},
      {u"c", u"J", 4.184},
      {u"cal", u"J", 4.1868},
      {u"eV", u"J", 1.602176634e-19},
      {u"Wh", u"J", 3600},
      {u"HPh", u"J", 3600 * horsepower},
      {u"flb", u"J", foot * foot * kPound},
      {u"BTU", u"J", 1055.05585262},
      {u"HP", u"W", horsepower},
      {u"ga", u"T", 1e-4},
  };
  for (const auto& u : units) {
    const std::string name = Text_toUtf8(u.unit);
    EXPECT_NEAR(convert(1, u.unit, u.base), u.size, 1e-15 * u.size) << name;
    EXPECT_NEAR(convert(1, u.base, u.unit), 1 / u.size, 1e-15 / u.size) << name;
  }
  // The US measures are whole fractions of one another.
  EXPECT_EQ(convert(1, u"gal", u"qt"), 4);
  EXPECT_EQ(convert(1, u"cup", u"oz"), 8);
}

TEST(UnitConversion, EveryPairRoundTrips) {
  int pairs = 0;
  for (int k = 0; k < Conv_categoryCount(); ++k) {
    if (k == kTemperature) continue;
    for (int i = 0; i < Conv_unitCount(k); ++i)
      for (int j = 0; j < Conv_unitCount(k); ++j) {
        const std::u16string a(Conv_unitName(k, i)), b(Conv_unitName(k, j));
        const std::string names = Text_toUtf8(a) + " -> " + Text_toUtf8(b);
        const double there = convert(1.0, a, b);
        EXPECT_EQ(there, Conv_pairFactor(k, i, j)) << names;
        EXPECT_NEAR(convert(there, b, a), 1.0, 1e-15) << names;
        ++pairs;
      }
  }
  EXPECT_GT(pairs, 250);
}

TEST(UnitConversion, PrefixesAndNamesThatBeginWithAPrefixLetter) {
  EXPECT_NEAR(convert(1, u"km", u"mi"), 0.621371192237334, 1e-15);
  EXPECT_EQ(convert(1, u"Pa", u"Pa"), 1);
  EXPECT_EQ(convert(1, u"PPa", u"Pa"), 1e15);
  EXPECT_NEAR(convert(1, u"Pica", u"m"), kInch / 72, 1e-19);
  EXPECT_EQ(convert(1, u"mm", u"m"), 1e-3);
  EXPECT_EQ(convert(1, u"mi", u"m"), 1609.344);
  EXPECT_EQ(convert(1, u"mn", u"sec"), 60);
  EXPECT_NEAR(convert(760, u"mmHg", u"Pa"), 101325, 1e-10);
  EXPECT_EQ(convert(1, u"msec", u"sec"), 0.001);
  EXPECT_NEAR(convert(2, u"kp", u"at"), 2000 / 101325.0, 1e-17);
  EXPECT_EQ(convert(8, u"uk_pt", u"l"), 4.54609);
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

// The number of each mode: the gradient and Hessian kinds hold the plain
// value at their point, the slope that central differences of the plain
// conversion give (the conversion is affine: they are exact up to
// rounding) and no curvature; an interval holds the conversions of its
// ends; a sample vector each trial's conversion; the dependency vector
// finds the conversion linear.
// A caller whose context holds result records of one variable and of
// kTrials trials.
constexpr int kTrials = 3;
void prepareModes(Caller* c) {
  Grad_init(c->ctx->buffers.gradBuffer, 1, c->ctx);
  Hess_init(c->ctx->buffers.hessBuffer, 1, c->ctx);
  Smp_init(c->ctx->sampling.sampleBuffer, kTrials, c->ctx);
}

TEST(UnitConversion, TheNumberConvertsInEveryMode) {
  struct Pair {
    const char16_t *from, *to;
    double x;
  };
  const Pair pairs[] = {{u"ft", u"m", 7.5},  {u"F", u"C", 68},    {u"C", u"F", -3.25}, {u"K", u"F", 300},
                        {u"F", u"kel", 14},  {u"kK", u"mK", 0.3}, {u"C", u"C", 21},    {u"km", u"mi", 12},
                        {u"HP", u"W", 0.75}, {u"cel", u"K", 36.6}};
  for (const Pair& p : pairs) {
    const std::string names = Text_toUtf8(p.from) + " -> " + Text_toUtf8(p.to);
    const double value = convert(p.x, p.from, p.to), h = 1e-3;
    const double slope = (convert(p.x + h, p.from, p.to) - convert(p.x - h, p.from, p.to)) / (2 * h);
    Caller c;
    prepareModes(&c);
    c.ctx->flags.mode = kModeHess;
    HessValue hx{};
    Hess_init(&hx, 1, c.ctx);
    Hess_setVar(&hx, p.x, 1);
    Value* x = c.empty();
    Val_setHess(x, &hx);
    Hess_free(&hx);
    const Value* r = c.call(kIdConvert, {x, c.text(p.from), c.text(p.to)});
    ASSERT_EQ(r->kind, kValHess) << names;
    const auto* hv = static_cast<const HessValue*>(r->payload);
    EXPECT_EQ(hv->value, value) << names;
    EXPECT_NEAR(hv->gradient[1], slope, 1e-9 * std::fabs(slope)) << names;
    EXPECT_EQ(hv->hessian[1][1], 0.0) << names;

    c.ctx->flags.mode = kModeGrad;
    GradValue gx{};
    Grad_init(&gx, 1, c.ctx);
    Grad_setVar(&gx, p.x, 1);
    Val_setGrad(x, &gx);
    Grad_free(&gx);
    r = c.call(kIdConvert, {x, c.text(p.from), c.text(p.to)});
    ASSERT_EQ(r->kind, kValGrad) << names;
    EXPECT_EQ(static_cast<const GradValue*>(r->payload)->value, value) << names;
    EXPECT_NEAR(static_cast<const GradValue*>(r->payload)->gradient[1], slope, 1e-9 * std::fabs(slope)) << names;

    c.ctx->flags.mode = kModeInterval;
    const Interval box{p.x - 1, p.x + 1};
    Val_setInterval(x, &box);
    r = c.call(kIdConvert, {x, c.text(p.from), c.text(p.to)});
    ASSERT_EQ(r->kind, kValInterval) << names;
    const auto* iv = static_cast<const Interval*>(r->payload);
    for (double end : {p.x - 1, p.x + 1}) {
      EXPECT_LE(iv->lo, convert(end, p.from, p.to)) << names;
      EXPECT_GE(iv->hi, convert(end, p.from, p.to)) << names;
    }

    c.ctx->flags.mode = kModeSamples;
    SampleVector sx{};
    Smp_init(&sx, kTrials, c.ctx);
    for (int t = 1; t <= kTrials; ++t) Smp_setAt(&sx, p.x + t, t);
    Val_setSamples(x, &sx);
    Smp_free(&sx);
    r = c.call(kIdConvert, {x, c.text(p.from), c.text(p.to)});
    ASSERT_EQ(r->kind, kValSamples) << names;
    for (int t = 1; t <= kTrials; ++t)
      EXPECT_EQ(static_cast<const SampleVector*>(r->payload)->data[t], convert(p.x + t, p.from, p.to)) << names;

    c.ctx->flags.mode = kModeDegVec;
    DegVec dx{};
    DegVec_init(&dx, 1);
    DegVec_setVar(&dx, 1);
    Val_setDegVec(x, &dx);
    DegVec_free(&dx);
    r = c.call(kIdConvert, {x, c.text(p.from), c.text(p.to)});
    ASSERT_EQ(r->kind, kValDegVec) << names;
    EXPECT_EQ(static_cast<const DegVec*>(r->payload)->classes[1], kDegLinear) << names;
  }
  // Units that are no units give their error in a mode too.
  Caller c;
  prepareModes(&c);
  c.ctx->flags.mode = kModeGrad;
  GradValue gx{};
  Grad_init(&gx, 1, c.ctx);
  Grad_setVar(&gx, 1, 1);
  Value* x = c.empty();
  Val_setGrad(x, &gx);
  Grad_free(&gx);
  EXPECT_TRUE(isError(c.call(kIdConvert, {x, c.text(u"g"), c.text(u"m")}), kErrNA));
}

}  // namespace
