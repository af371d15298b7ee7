// The Bessel and error functions against reference values computed once in
// 30-digit arithmetic and frozen in special_reference.csv beside this file,
// at the accuracy each method reaches: BESSELI and BESSELK are polynomial
// approximations of relative accuracy about 1e-7 (order 2 and above by
// recurrence), measured within 1e-6 of each value; BESSELJ and BESSELY are
// the C runtime's, within 1e-9 of the value or 1e-12 absolute near their
// zeros; ERF and ERFC come from the incomplete gamma series and continued
// fraction, which stop at relative 3e-7, within 1e-6 of each value (ERFC's
// tail too). Then the domain and argument rules, DELTA and GESTEP.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"

namespace {

struct Accuracy {
  const char* function;
  int32_t id;
  double relative, absolute;
};
constexpr Accuracy kAccuracy[] = {
    {"besseli", kIdBesseli, 1e-6, 0},     {"besselk", kIdBesselk, 1e-6, 0}, {"besselj", kIdBesselj, 1e-9, 1e-12},
    {"bessely", kIdBessely, 1e-9, 1e-12}, {"erf", kIdErf, 1e-6, 0},         {"erfc", kIdErfc, 1e-6, 0}};

const Accuracy* accuracyOf(const std::string& name) {
  for (const Accuracy& a : kAccuracy)
    if (name == a.function) return &a;
  return nullptr;
}

TEST(SpecialFunctions, MatchTheFrozenReferenceValuesAtTheirMethodsAccuracy) {
  std::ifstream in(std::string(CORVAN_SOURCE) + "/tests/worksheet/engineering/special_reference.csv");
  ASSERT_TRUE(in);
  std::string line;
  std::getline(in, line);
  int checked = 0;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name, x, order, value;
    std::getline(fields, name, ',');
    std::getline(fields, x, ',');
    std::getline(fields, order, ',');
    std::getline(fields, value, ',');
    const Accuracy* a = accuracyOf(name);
    ASSERT_NE(a, nullptr) << line;
    Caller c;
    std::vector<const Value*> args{c.num(std::stod(x))};
    if (!order.empty()) args.push_back(c.num(std::stod(order)));
    // A value below the doubles' range reads as 0.
    const double got = numberOf(c.call(a->id, args)), want = std::strtod(value.c_str(), nullptr);
    EXPECT_LE(std::fabs(got - want), std::max(a->relative * std::fabs(want), a->absolute)) << line << " got " << got;
    ++checked;
  }
  EXPECT_EQ(checked, 542);
}

TEST(SpecialFunctions, BesselDomainsAndOrders) {
  Caller c;
  EXPECT_TRUE(isError(c.call(kIdBesseli, {c.num(1), c.num(-1)}), kErrNum));
  const double order2 = numberOf(c.call(kIdBesseli, {c.num(1.5), c.num(2)}));
  EXPECT_EQ(numberOf(c.call(kIdBesseli, {c.num(1.5), c.num(2.9)})), order2);
  EXPECT_TRUE(isError(c.call(kIdBesseli, {c.empty(), c.num(1)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdBesseli, {c.text(u"1"), c.num(1)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdBesselk, {c.num(0), c.num(1)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdBessely, {c.num(0), c.num(1)}), kErrNum));
  EXPECT_EQ(numberOf(c.call(kIdBesselj, {c.num(0), c.num(0)})), 1.0);
  EXPECT_TRUE(isError(c.call(kIdBesselj, {c.error(kErrNA), c.error(kErrDiv0)}), kErrNA));
  // Orders beyond 2^20 are refused rather than run for minutes.
  EXPECT_TRUE(isError(c.call(kIdBesseli, {c.num(2), c.num(3e9)}), kErrNum));
}

TEST(SpecialFunctions, ModifiedBesselOfHighOrderStaysAccurateBeyondItsOrder) {
  // I_2(100) and I_3(100): the downward recurrence must start beyond x,
  // not only beyond the order.
  Caller c;
  EXPECT_NEAR(numberOf(c.call(kIdBesseli, {c.num(100), c.num(2)})) / 1.0523843193243059e42, 1.0, 1e-6);
  EXPECT_NEAR(numberOf(c.call(kIdBesseli, {c.num(100), c.num(3)})) / 1.0262740175651883e42, 1.0, 1e-6);
}

TEST(SpecialFunctions, ErrorFunctionLimits) {
  Caller c;
  EXPECT_NEAR(numberOf(c.call(kIdErf, {c.num(1)})), numberOf(c.call(kIdErf, {c.num(0), c.num(1)})), 1e-15);
  EXPECT_TRUE(isError(c.call(kIdErf, {c.num(-1)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdErf, {c.num(30)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdErf, {c.num(0), c.num(30)}), kErrNum));
  EXPECT_NEAR(numberOf(c.call(kIdErf, {c.num(0.5), c.num(40)})), std::erfc(0.5), 1e-6 * std::erfc(0.5));
  // Both limits far out: the difference of the two tails keeps its digits.
  EXPECT_NEAR(numberOf(c.call(kIdErf, {c.num(5), c.num(6)})), std::erfc(5.0) - std::erfc(6.0), 1e-6 * std::erfc(5.0));
  EXPECT_TRUE(isError(c.call(kIdErf, {c.text(u"x")}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdErfc, {c.num(0)})), 1.0);
  EXPECT_TRUE(isError(c.call(kIdErfc, {c.num(30)}), kErrNum));
  EXPECT_TRUE(isError(c.call(kIdErfc, {c.num(-0.5)}), kErrNum));
  // ERFC's tail is relative: 1 - erf(6) would be lost to cancellation.
  EXPECT_NEAR(numberOf(c.call(kIdErfc, {c.num(6)})) / std::erfc(6.0), 1.0, 1e-6);
}

TEST(SpecialFunctions, DeltaAndGestep) {
  Caller c;
  const auto integer = [](const Value* v) { return v->kind == kValInt ? v->number : NAN; };
  EXPECT_EQ(integer(c.call(kIdDelta, {c.num(5)})), 0);
  EXPECT_EQ(integer(c.call(kIdDelta, {c.num(0)})), 1);
  EXPECT_EQ(integer(c.call(kIdDelta, {c.num(2.5), c.num(2.5)})), 1);
  EXPECT_EQ(integer(c.call(kIdGestep, {c.num(-1)})), 0);
  EXPECT_EQ(integer(c.call(kIdGestep, {c.num(0)})), 1);
  EXPECT_EQ(integer(c.call(kIdGestep, {c.num(3), c.num(4)})), 0);
  EXPECT_TRUE(isError(c.call(kIdGestep, {c.text(u"dog"), c.num(0)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDelta, {c.num(1), c.boolean(true)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDelta, {c.error(kErrRef), c.num(1)}), kErrRef));
}

}  // namespace
