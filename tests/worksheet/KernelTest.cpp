// Scalar helpers, special functions and statistics kernels against values
// computed by hand or from closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Kern_Special.h"
#include "worksheet/kernels/Stat_Kernels.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A 1-based copy of the values (slot 0 poisoned so that reading it shows).
std::vector<double> oneBased(std::initializer_list<double> xs) {
  std::vector<double> v{kNaN};
  v.insert(v.end(), xs);
  return v;
}

TEST(NumHelpers, NearlyEqualFollowsTheRelativeRule) {
  struct Case { double a, b; bool equal; };
  const Case cases[] = {{1, 1 + 1e-9, true}, {1, 1.0001, false}, {0, 1e-9, true},
                        {0, 1e-7, false},    {0, 0, true},        {kNaN, 1, true}};
  for (const Case& c : cases) EXPECT_EQ(Num_nearlyEqual(&c.a, &c.b), c.equal) << c.a << " " << c.b;
}

TEST(NumHelpers, TolerantLogSquareAndSign) {
  EXPECT_EQ(Num_lnChecked(0), 0.0);
  EXPECT_EQ(Num_lnChecked(-1), 0.0);
  EXPECT_EQ(Num_lnChecked(kNaN), 0.0);
  EXPECT_DOUBLE_EQ(Num_lnChecked(std::exp(2.0)), 2.0);
  EXPECT_TRUE(std::isinf(Num_sqrChecked(1e200)));
  EXPECT_EQ(Num_sign(-0.0), 0.0);
  EXPECT_EQ(Num_sign(kNaN), -1.0);
  EXPECT_EQ(Num_sign(3), 1.0);
  EXPECT_DOUBLE_EQ(Kern_acosInt(-1), M_PI);
}

TEST(NumHelpers, ModelFunctionKernels) {
  const double half = 0.5, zero = 0, two = 2, one = 1, x = 2, a = 1, b = 1, c = 1, d = 1;
  EXPECT_EQ(Kern_lx(&half), 0.0);
  EXPECT_EQ(Kern_lx(&zero), 0.0);
  EXPECT_EQ(Kern_lx(&two), 0.0);
  EXPECT_TRUE(std::isinf(Kern_lx(&one)));
  EXPECT_EQ(Kern_poly3(&x, &a, &b, &c, &d), 15.0);
  const double gx = 0.5, ga = 2, gb = -1, gc = 3;
  EXPECT_DOUBLE_EQ(Kern_gexp(&gx, &ga, &gb, &gc), (std::exp(1.0) - 1) * 3);
}

TEST(NumHelpers, IntegerConversionIsRangeChecked) {
  EXPECT_TRUE(Kern_isOddTrunc(3000000001.0));
  EXPECT_FALSE(Kern_isOddTrunc(3e9));
  EXPECT_TRUE(Kern_isOddTrunc(-3.5));
  EXPECT_FALSE(Kern_isOddTrunc(1e300));
}

TEST(NumSpecial, FactorialGammaBinomialGcdLcm) {
  double v = 0;
  const double f32 = 32, f33 = 33, fneg = -0.5, f07 = 0.7;
  ASSERT_TRUE(Kern_factorial(&f32, &v));
  EXPECT_EQ(v, 263130836933693530167218012160000000.0);
  ASSERT_TRUE(Kern_factorial(&f33, &v));
  EXPECT_EQ(v, 263130836933693530167218012160000000.0 * 33);
  EXPECT_FALSE(Kern_factorial(&fneg, &v));
  ASSERT_TRUE(Kern_factorial(&f07, &v));
  EXPECT_EQ(v, 1.0);
  const double ten = 10;
  EXPECT_NEAR(Kern_lnGamma(&ten), std::lgamma(10.0), 1e-9);
  ASSERT_TRUE(Kern_binomialCoefficient(5.9, 2.2, &v));
  EXPECT_EQ(v, 10.0);
  EXPECT_FALSE(Kern_binomialCoefficient(2, 3, &v));
  const double a = 12, b = 18, z = 0, s = 7, four = 4, six = 6;
  EXPECT_EQ(Kern_gcd(&a, &b), 6.0);
  EXPECT_EQ(Kern_gcd(&z, &s), 7.0);
  EXPECT_EQ(Kern_lcm(&four, &six), 12.0);
  EXPECT_EQ(Kern_lcm(&z, &six), 0.0);
}

TEST(StatKernels, MomentsOfASmallSample) {
  auto x = oneBased({1, 2, 3, 4});
  EXPECT_EQ(Stat_sum(4, x.data(), 0), 10.0);
  EXPECT_EQ(Stat_mean(4, x.data(), 0), 2.5);
  EXPECT_EQ(Stat_devSq(4, x.data(), 0), 5.0);
  EXPECT_DOUBLE_EQ(Stat_variance(4, x.data(), 0), 5.0 / 3);
  EXPECT_DOUBLE_EQ(Stat_popVariance(4, x.data(), 0), 1.25);
  EXPECT_DOUBLE_EQ(Stat_aveDev(4, x.data(), 0), 1.0);
  EXPECT_DOUBLE_EQ(Stat_kurtosis(4, x.data(), 0), 10.25 / (4 * 25.0 / 9) - 3);
  EXPECT_DOUBLE_EQ(Stat_geoMean(4, x.data(), 0), std::pow(24.0, 0.25));
  EXPECT_DOUBLE_EQ(Stat_harMean(4, x.data(), 0), 4 / (1 + 0.5 + 1.0 / 3 + 0.25));
  auto skewed = oneBased({1, 2, 6});  // m = 3, d = (-2, -1, 3), S d^2 = 14, S d^3 = 18
  EXPECT_DOUBLE_EQ(Stat_skewness(3, skewed.data(), 0), 18 / (7 * std::sqrt(7.0) * 3));
  // The zero-based flag reads the same values from slot 0.
  EXPECT_EQ(Stat_sum(4, x.data() + 1, 1), 10.0);
}

TEST(StatKernels, DegenerateSamples) {
  auto one = oneBased({5});
  EXPECT_TRUE(std::isnan(Stat_variance(1, one.data(), 0)));
  EXPECT_EQ(Stat_popVariance(1, one.data(), 0), 0.0);
  // Nothing is read for an empty array: a null pointer is safe.
  EXPECT_TRUE(std::isnan(Stat_mean(0, nullptr, 0)));
  EXPECT_TRUE(std::isnan(Stat_median(0, nullptr, 0)));
  EXPECT_TRUE(std::isnan(Stat_percentile(0, nullptr, 0.5, 0)));
  EXPECT_TRUE(std::isnan(Stat_kthSmallest(1, 0, nullptr, 0)));
  EXPECT_TRUE(std::isnan(Stat_geoMean(0, nullptr, 0)));
  EXPECT_EQ(Stat_devSq(0, nullptr, 0), 0.0);
  EXPECT_EQ(Stat_max(0, nullptr, 0), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(Stat_min(0, nullptr, 0), std::numeric_limits<double>::infinity());
}

TEST(StatKernels, OrderStatisticsAndMode) {
  auto x = oneBased({4, 1, 3, 2});
  EXPECT_EQ(Stat_median(4, x.data(), 0), 2.5);
  auto p = oneBased({1, 2, 3, 4});
  EXPECT_EQ(Stat_percentile(4, p.data(), 0.5, 0), 2.5);
  EXPECT_EQ(Stat_percentile(4, p.data(), 1, 0), 4.0);
  EXPECT_EQ(Stat_percentile(4, p.data(), 0, 0), 1.0);
  auto m = oneBased({1, 2, 2, 1});
  EXPECT_EQ(Stat_mode(4, m.data(), 0), 1.0);
  auto distinct = oneBased({1, 2, 3});
  EXPECT_TRUE(std::isnan(Stat_mode(3, distinct.data(), 0)));
  // Every order statistic of a shuffled sample against the sorted one.
  const std::vector<double> sorted = {-7, -1, 0, 0, 2, 3, 3, 3, 8, 11, 15, 40};
  for (int32_t k = 1; k <= 12; ++k) {
    auto s = oneBased({3, 40, -1, 0, 15, 3, 2, -7, 11, 0, 8, 3});
    EXPECT_EQ(Stat_kthSmallest(k, 12, s.data(), 0), sorted[k - 1]) << k;
    auto t = oneBased({3, 40, -1, 0, 15, 3, 2, -7, 11, 0, 8, 3});
    EXPECT_EQ(Stat_kthLargest(k, 12, t.data(), 0), sorted[12 - k]) << k;
  }
  auto untouched = oneBased({3, 1, 2});
  Stat_kthSmallest(1, 3, untouched.data(), 0);
  EXPECT_EQ(untouched[1], 3.0);
}

}  // namespace
