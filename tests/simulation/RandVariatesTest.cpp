// Every law's generator against the law's distribution function written
// out here: 10,000 fresh draws at a fixed seed pass Kolmogorov-Smirnov
// (continuous laws) or chi-square (counting laws) at the 1% level, a given
// percentile draws the law's quantile, and truncated draws stay in their
// bounds and follow the law restricted to them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "LawCheck.h"
#include "simulation/random/Rand_Continuous.h"
#include "simulation/random/Rand_Counting.h"
#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_RootLaws.h"
#include "simulation/random/Rand_Shapes.h"
#include "simulation/random/Rand_Tables.h"

namespace {

constexpr int kDraws = 10000;
constexpr double kFresh = NAN;
constexpr double kInf = INFINITY;

// A generator with its law's parameters bound: (state, lo, hi, shift, u).
using Draw = std::function<double(RandState*, double, double, double, double)>;

struct Continuous {
  std::string name;
  Draw draw;
  Cdf cdf;
  double low, high;  // a range holding all but a negligible mass, for the quantile search
  double lo, hi;     // truncation bounds inside the support
};

std::vector<double> sample(const Draw& draw, double lo, double hi, uint64_t seed = 2026) {
  RandState s{};
  Rnd_seed(s.stream, static_cast<int64_t>(seed));
  std::vector<double> x(kDraws);
  for (double& v : x) v = draw(&s, lo, hi, 0, kFresh);
  return x;
}

double triangleCdf(double x, double a, double m, double b) {
  if (x <= a) return 0;
  if (x >= b) return 1;
  return x <= m ? (x - a) * (x - a) / ((b - a) * (m - a)) : 1 - (b - x) * (b - x) / ((b - a) * (b - m));
}

// Linear interpolation of the points (v, c), 0 before the first and 1 after the last.
double polyline(double x, const std::vector<double>& v, const std::vector<double>& c) {
  if (x <= v.front()) return c.front();
  for (size_t k = 1; k < v.size(); ++k)
    if (x <= v[k]) return c[k - 1] + (c[k] - c[k - 1]) * (x - v[k - 1]) / (v[k] - v[k - 1]);
  return c.back();
}

std::vector<Continuous> continuousLaws() {
  const double lnSigma2 = std::log(1.25), lnMu = std::log(2.0) - lnSigma2 / 2;
  const double efSd = 1 / (0.5 * std::sqrt(2.0));
  static const double cumX[] = {0, 2, 5, 8}, cumP[] = {0, 0.1, 0.5, 0.9};
  static const double genX[] = {0, 1, 3}, genF[] = {0, 2, 2};
  static const double weights[] = {1, 3};
  return {
      {"normal",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_normal(s, 10, 2, lo, hi, sh, u); },
       [](double x) { return normalCdf((x - 10) / 2); }, -10, 30, 9, 13},
      {"errorFunctionNormal",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_errorFunctionNormal(s, 0.5, lo, hi, sh, u);
       },
       [=](double x) { return normalCdf(x / efSd); }, -20, 20, -1, 2},
      {"lognormal",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_lognormal(s, 2, 1, lo, hi, sh, u); },
       [=](double x) { return x > 0 ? normalCdf((std::log(x) - lnMu) / std::sqrt(lnSigma2)) : 0; }, 0, 40, 1, 3},
      {"exponential",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_exponential(s, 0.5, lo, hi, sh, u); },
       [](double x) { return x > 0 ? 1 - std::exp(-x / 2) : 0; }, 0, 100, 1, 4},
      {"weibull",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_weibull(s, 1.5, 2, lo, hi, sh, u); },
       [](double x) { return x > 0 ? 1 - std::exp(-std::pow(x / 2, 1.5)) : 0; }, 0, 50, 0.5, 2},
      {"rayleigh",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_rayleigh(s, 1.5, lo, hi, sh, u); },
       [](double x) { return x > 0 ? 1 - std::exp(-x * x / 4.5) : 0; }, 0, 30, 1, 2},
      {"pareto",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_pareto(s, 3, 2, lo, hi, sh, u); },
       [](double x) { return x > 2 ? 1 - std::pow(2 / x, 3) : 0; }, 2, 1e6, 2.5, 4},
      {"logistic",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_logistic(s, 1, 2, lo, hi, sh, u); },
       [](double x) { return 1 / (1 + std::exp(-(x - 1) / 2)); }, -100, 100, -3, 2},
      {"logLogistic",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_logLogistic(s, 1, 2, 3, lo, hi, sh, u);
       },
       [](double x) { return x > 1 ? 1 / (1 + std::pow((x - 1) / 2, -3)) : 0; }, 1, 1e5, 2, 4},
      {"extremeValueMaximum",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_extremeValue(s, 1, 2, false, lo, hi, sh, u);
       },
       [](double x) { return std::exp(-std::exp(-(x - 1) / 2)); }, -30, 100, 0, 3},
      {"extremeValueMinimum",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_extremeValue(s, 1, 2, true, lo, hi, sh, u);
       },
       [](double x) { return 1 - std::exp(-std::exp((x - 1) / 2)); }, -100, 30, -2, 1},
      {"triangular",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_triangular(s, 1, 2, 5, lo, hi, sh, u);
       },
       [](double x) { return triangleCdf(x, 1, 2, 5); }, 1, 5, 1.5, 4},
      {"triangularPercentiles",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_triangularPercentiles(s, 3, 4, 6, 25, 75, lo, hi, sh, u);
       },
       // The triangle from 0 through (3, 25%) with its mode at 4 ends at 9; above the
       // mode the upper part through (6, 75%) takes over where it passes the mass at 4.
       [](double x) {
         return x <= 0   ? 0
                : x <= 4 ? x * x * 0.25 / 9
                : x >= 9 ? 1
                         : std::max(16 * 0.25 / 9, 1 - 0.25 * (9 - x) * (9 - x) / 9);
       },
       0, 9, 2, 7},
      {"threePoint",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_threePoint(s, 1, 2, 4, lo, hi, sh, u);
       },
       // x = 2 + 2 (2^z - 1) for the normal deviate z in quartile units.
       [](double x) { return x > 0 ? normalCdf(std::log2(x / 2) / 1.482602218505602) : 0; }, 0, 1e3, -kInf, kInf},
      {"cumulative",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_cumulative(s, 0, 10, 3, cumX, cumP, false, lo, hi, sh, u);
       },
       [](double x) {
         return polyline(x, {0, 2, 5, 8, 10}, {0, 0.1, 0.5, 0.9, 1});
       },
       0, 10, 1, 6},
      {"general",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_general(s, 0, 4, 2, genX, genF, false, lo, hi, sh, u);
       },
       // Three segments of mass 1 each.
       [](double x) {
         return polyline(x, {0, 1, 3, 4}, {0, 1.0 / 3, 2.0 / 3, 1});
       },
       0, 4, 0.5, 3.5},
      {"histogram",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_histogram(s, 0, 2, 2, weights, true, lo, hi, sh, u);
       },
       [](double x) {
         return polyline(x, {0, 1, 2}, {0, 0.25, 1});
       },
       0, 2, 0.5, 1.5},
      {"gamma",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_gamma(s, 3, 2, lo, hi, sh, u); },
       // Shape 3: the Erlang law, F = 1 - e^-y (1 + y + y^2 / 2) with y = x / 2.
       [](double x) {
         const double y = x / 2;
         return x > 0 ? 1 - std::exp(-y) * (1 + y + y * y / 2) : 0;
       },
       0, 200, 2, 8},
      {"chiSquare",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_chiSquare(s, 2, lo, hi, sh, u); },
       [](double x) { return x > 0 ? 1 - std::exp(-x / 2) : 0; }, 0, 200, 0.5, 3},
      {"erlang",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_erlang(s, 2, 1.5, lo, hi, sh, u); },
       [](double x) {
         const double y = x / 1.5;
         return x > 0 ? 1 - std::exp(-y) * (1 + y) : 0;
       },
       0, 200, 1, 4},
      {"beta",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_beta(s, 2, 3, lo, hi, sh, u); },
       // Density 12 x (1 - x)^2.
       [](double x) { return x <= 0   ? 0
                             : x >= 1 ? 1
                                      : 6 * x * x - 8 * x * x * x + 3 * x * x * x * x; }, 0, 1, 0.2,
       0.6},
      {"inverseGaussian",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_inverseGaussian(s, 2, 3, lo, hi, sh, u);
       },
       [](double x) {
         if (x <= 0) return 0.0;
         const double r = std::sqrt(3 / x);
         return normalCdf(r * (x / 2 - 1)) + std::exp(3.0) * normalCdf(-r * (x / 2 + 1));
       },
       0, 500, 1, 3},
      {"studentT1",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_studentT(s, 1, lo, hi, sh, u); },
       // One degree of freedom: the Cauchy law.
       [](double x) { return 0.5 + std::atan(x) / std::numbers::pi; }, -1e6, 1e6, -2, 1},
      {"studentT2",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_studentT(s, 2, lo, hi, sh, u); },
       [](double x) { return 0.5 + x / (2 * std::sqrt(2 + x * x)); }, -1e6, 1e6, -1, 3},
      {"uniform",
       [](RandState* s, double, double, double sh, double u) { return Rand_uniform(s, 2, 5, false, u) + sh; },
       [](double x) { return std::clamp((x - 2) / 3, 0.0, 1.0); }, 2, 5, -kInf, kInf},
  };
}

TEST(RandVariates, ContinuousDrawsFollowTheirLaw) {
  for (const Continuous& law : continuousLaws()) {
    const std::vector<double> x = sample(law.draw, -kInf, kInf);
    EXPECT_LT(ksDistance(x, law.cdf), ksCritical(x.size())) << law.name;
  }
}

TEST(RandVariates, PercentileDrawsAreTheQuantile) {
  for (const Continuous& law : continuousLaws()) {
    RandState s{};
    for (double p : {0.001, 0.01, 0.1, 0.25, 0.5, 0.75, 0.9, 0.99}) {
      const double q = quantileOf(law.cdf, p, law.low, law.high);
      EXPECT_NEAR(law.draw(&s, -kInf, kInf, 0, p), q, 1e-7 * (1 + std::fabs(q))) << law.name << " at " << p;
      EXPECT_NEAR(law.draw(&s, -kInf, kInf, 1.5, p), q + 1.5, 1e-7 * (1 + std::fabs(q))) << law.name << " shifted";
    }
    EXPECT_EQ(s.stream.last, 0) << law.name << " drew a number for a given percentile";
  }
}

TEST(RandVariates, TruncatedDrawsStayInBoundsAndFollowTheRestrictedLaw) {
  for (const Continuous& law : continuousLaws()) {
    if (!std::isfinite(law.lo)) continue;
    const std::vector<double> x = sample(law.draw, law.lo, law.hi);
    for (double v : x) ASSERT_TRUE(v >= law.lo - 1e-9 && v <= law.hi + 1e-9) << law.name << " drew " << v;
    const double a = law.cdf(law.lo), b = law.cdf(law.hi);
    EXPECT_LT(ksDistance(x, [&](double v) { return (law.cdf(v) - a) / (b - a); }), ksCritical(x.size())) << law.name;
  }
}

struct Counting {
  std::string name;
  Draw draw;
  Pmf pmf;
  int first, last;  // the counts to tally (the rest carry a negligible mass)
  double lo, hi;
};

double choose(double n, double k) { return std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1)); }

std::vector<Counting> countingLaws() {
  static const double values[] = {1, 2, 5}, w[] = {1, 2, 3};
  return {
      {"binomial",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_binomial(s, 0.3, 10, lo, hi, sh, u); },
       [](double k) { return choose(10, k) * std::pow(0.3, k) * std::pow(0.7, 10 - k); }, 0, 10, 2, 5},
      {"negBinomial",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_negBinomial(s, 0.4, 3, lo, hi, sh, u);
       },
       [](double k) { return choose(2 + k, k) * std::pow(0.4, 3) * std::pow(0.6, k); }, 0, 60, 2, 7},
      {"hypergeometric",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_hypergeometric(s, 10, 20, 50, lo, hi, sh, u);
       },
       [](double k) { return choose(20, k) * choose(30, 10 - k) / choose(50, 10); }, 0, 10, 3, 6},
      {"poisson",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_poisson(s, 4, lo, hi, sh, u); },
       [](double k) { return std::exp(-4 + k * std::log(4.0) - std::lgamma(k + 1)); }, 0, 40, 2, 6},
      {"geometric",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_geometric(s, 0.3, lo, hi, sh, u); },
       [](double k) { return 0.3 * std::pow(0.7, k); }, 0, 80, 1, 4},
      {"discrete",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_discrete(s, 3, values, nullptr, w, true, lo, hi, sh, u);
       },
       [](double k) { return k == 1   ? 1.0 / 6
                             : k == 2 ? 2.0 / 6
                             : k == 5 ? 3.0 / 6
                                      : 0; }, 0, 6, 2, 5},
      {"integerUniform",
       [](RandState* s, double, double, double sh, double u) {
         return Rand_uniform(s, 1, 6, true, u) + std::trunc(sh);
       },
       [](double k) { return k >= 1 && k <= 6 ? 1.0 / 6 : 0; }, 0, 7, -kInf, kInf},
  };
}

// The pmf restricted to [lo, hi].
Pmf restricted(const Counting& law) {
  double mass = 0;
  for (int k = law.first; k <= law.last; ++k)
    if (k >= law.lo && k <= law.hi) mass += law.pmf(k);
  return [&law, mass](double k) { return k >= law.lo && k <= law.hi ? law.pmf(k) / mass : 0; };
}

TEST(RandVariates, CountingDrawsFollowTheirLaw) {
  for (const Counting& law : countingLaws()) {
    const std::vector<double> x = sample(law.draw, -kInf, kInf);
    for (double v : x) ASSERT_EQ(v, std::trunc(v)) << law.name;
    int cells = 0;
    const double stat = chiSquare(x, law.pmf, law.first, law.last, &cells);
    EXPECT_LT(stat, chiSquareCritical(cells - 1)) << law.name << " over " << cells << " cells";
  }
}

TEST(RandVariates, CountingPercentileDrawsAreTheQuantile) {
  for (const Counting& law : countingLaws()) {
    RandState s{};
    for (double p : {0.0, 0.01, 0.1, 0.33, 0.55, 0.77, 0.9, 0.99}) {
      // The smallest possible count whose cumulative probability reaches p.
      double sum = 0, k = law.first;
      for (; k < law.last; ++k) {
        sum += law.pmf(k);
        if (law.pmf(k) > 0 && sum >= p) break;
      }
      EXPECT_EQ(law.draw(&s, -kInf, kInf, 0, p), k) << law.name << " at " << p;
      // The counting laws add the whole part of the shift; a list of values adds all of it.
      const double shift = law.name == "discrete" ? 2.7 : 2;
      EXPECT_EQ(law.draw(&s, -kInf, kInf, 2.7, p), k + shift) << law.name << " shifted";
    }
    EXPECT_EQ(s.stream.last, 0) << law.name;
  }
}

TEST(RandVariates, TruncatedCountsStayInBoundsAndFollowTheRestrictedLaw) {
  for (const Counting& law : countingLaws()) {
    if (!std::isfinite(law.lo)) continue;
    const std::vector<double> x = sample(law.draw, law.lo, law.hi);
    for (double v : x) ASSERT_TRUE(v >= law.lo && v <= law.hi) << law.name << " drew " << v;
    int cells = 0;
    const double stat = chiSquare(x, restricted(law), law.first, law.last, &cells);
    EXPECT_LT(stat, chiSquareCritical(cells - 1)) << law.name;
  }
}

// A range of one value gives that value; bounds beyond the law's bulk, where
// its distribution function no longer tells them apart, still hold the draw
// (or give NaN where the law's quantile cannot be found so far out);
// reversed bounds give NaN.
TEST(RandVariates, TruncatedDrawsNeverLeaveTheirBounds) {
  for (const Continuous& law : continuousLaws()) {
    if (!std::isfinite(law.lo)) continue;
    RandState s{};
    Rnd_seed(s.stream, 7);
    const double mid = (law.lo + law.hi) / 2, far = law.high + 10 * (law.high - law.low);
    for (double u : {kFresh, 0.0, 0.3, 1.0}) {
      EXPECT_EQ(law.draw(&s, mid, mid, 0, u), mid) << law.name << " at " << u;
      const double x = law.draw(&s, far, far + 1, 0, u);
      EXPECT_TRUE(std::isnan(x) || (x >= far && x <= far + 1)) << law.name << " drew " << x << " at " << u;
      EXPECT_TRUE(std::isnan(law.draw(&s, law.hi, law.lo, 0, u))) << law.name;
    }
  }
}

// A whole count as both bounds gives that count; bounds around no whole
// count (or no value of the list), and reversed bounds, give NaN.
TEST(RandVariates, TruncatedCountsNeverLeaveTheirBounds) {
  for (const Counting& law : countingLaws()) {
    if (!std::isfinite(law.lo)) continue;
    RandState s{};
    Rnd_seed(s.stream, 7);
    for (double u : {kFresh, 0.0, 0.6, 1.0}) {
      EXPECT_EQ(law.draw(&s, law.lo, law.lo, 0, u), law.lo) << law.name << " at " << u;
      EXPECT_TRUE(std::isnan(law.draw(&s, law.lo + 1.25, law.lo + 1.75, 0, u))) << law.name;
      EXPECT_TRUE(std::isnan(law.draw(&s, law.hi, law.lo, 0, u))) << law.name;
    }
  }
}

// 1E+30, the usual "no limit", as the upper bound: the truncation's sums end
// where the terms vanish, and the draws follow the law above the lower bound.
TEST(RandVariates, CountsTruncatedByANoLimitBoundFollowTheLawAboveTheLowerBound) {
  for (Counting law : countingLaws()) {
    if (!std::isfinite(law.lo)) continue;
    law.hi = 1e30;
    const std::vector<double> x = sample(law.draw, law.lo, law.hi);
    for (double v : x) ASSERT_GE(v, law.lo) << law.name;
    int cells = 0;
    const double stat = chiSquare(x, restricted(law), law.first, law.last, &cells);
    EXPECT_LT(stat, chiSquareCritical(cells - 1)) << law.name;
  }
}

// The tail laws once inverted their upper tail while truncation rescaled the
// lower one: a low percentile gave a high value and truncated draws left
// their bounds.
TEST(RandVariates, TailLawsInvertTheLowerTail) {
  RandState s{};
  EXPECT_NEAR(Rand_exponential(&s, 1, -kInf, kInf, 0, 0.1), -std::log(0.9), 1e-15);
  EXPECT_NEAR(Rand_weibull(&s, 2, 3, -kInf, kInf, 0, 0.1), 3 * std::sqrt(-std::log(0.9)), 1e-14);
  EXPECT_NEAR(Rand_rayleigh(&s, 1, -kInf, kInf, 0, 0.1), std::sqrt(-2 * std::log(0.9)), 1e-14);
  EXPECT_NEAR(Rand_pareto(&s, 2, 1, -kInf, kInf, 0, 0.1), 1 / std::sqrt(0.9), 1e-14);
  EXPECT_EQ(Rand_geometric(&s, 0.5, -kInf, kInf, 0, 0.1), 0);  // P(0) = 0.5 already
  EXPECT_EQ(Rand_geometric(&s, 0.5, -kInf, kInf, 0, 0.8), 2);  // F(1) = 0.75, F(2) = 0.875
  EXPECT_EQ(Rand_geometric(&s, 1, -kInf, kInf, 3, 0.6), 3);    // certain success: no failures
  EXPECT_NEAR(Rand_extremeValue(&s, 0, 1, true, -kInf, kInf, 0, 0.1), std::log(-std::log(0.9)), 1e-14);
  for (int k = 0; k < 1000; ++k) {
    const double e = Rand_exponential(&s, 1, 2, 3, 0, kFresh);
    const double w = Rand_weibull(&s, 2, 3, 1, 2, 0, kFresh);
    const double g = Rand_geometric(&s, 0.5, 1, 3, 0, kFresh);
    ASSERT_TRUE(e >= 2 && e <= 3 && w >= 1 && w <= 2 && g >= 1 && g <= 3) << e << " " << w << " " << g;
  }
  // A lower bound at or below 0 still truncates from above.
  for (int k = 0; k < 1000; ++k) ASSERT_LE(Rand_exponential(&s, 1, -1, 0.5, 0, kFresh), 0.5);
}

// Student's t once searched its root on [0, 5e8] only, so every percentile
// below the median gave NaN.
TEST(RandVariates, StudentTDrawsBelowTheMedian) {
  RandState s{};
  EXPECT_NEAR(Rand_studentT(&s, 1, -kInf, kInf, 0, 0.25), -1, 1e-7);  // the Cauchy law's lower quartile
  EXPECT_NEAR(Rand_studentT(&s, 1, -kInf, kInf, 0, 0.75), 1, 1e-7);
  EXPECT_NEAR(Rand_studentT(&s, 2, -kInf, kInf, 0, 0.1), -1.8856180831641267, 1e-7);
  EXPECT_NEAR(Rand_studentT(&s, 5, -kInf, kInf, 0, 0.5), 0, 1e-7);
  int below = 0;
  for (int k = 0; k < 1000; ++k) {
    const double t = Rand_studentT(&s, 4, -kInf, kInf, 0, kFresh);
    ASSERT_FALSE(std::isnan(t)) << k;
    below += t < 0 ? 1 : 0;
  }
  EXPECT_NEAR(below, 500, 60);
}

TEST(RandVariates, EdgeCases) {
  RandState s{};
  EXPECT_EQ(Rand_normal(&s, 0, 1, -kInf, kInf, 0, 0.5), 0);
  EXPECT_NEAR(Rand_normal(&s, 0, 1, -1, 1, 0, 0), -1, 1e-12);
  EXPECT_NEAR(Rand_normal(&s, 0, 1, -1, kInf, 0, 0.025), -1.959963984540054, 1e-12);  // one bound: untruncated
  EXPECT_TRUE(std::isnan(Rand_normal(&s, 0, 0, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_exponential(&s, 0, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_poisson(&s, 0, -kInf, kInf, 0, kFresh)));
  EXPECT_EQ(s.stream.last, 0);  // no number drawn
  EXPECT_TRUE(std::isnan(Rand_gamma(&s, 0, 1, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_studentT(&s, 0, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_gamma(&s, 1, 1e7, -kInf, kInf, 0, 0.9)));  // a root beyond 1e7
  EXPECT_EQ(Rand_poisson(&s, 2, -kInf, kInf, 2.7, 0), 2);
  EXPECT_EQ(Rand_binomial(&s, 0.5, 1, -kInf, kInf, 0, 0.5), 0);
  EXPECT_EQ(Rand_binomial(&s, 0.5, 1, -kInf, kInf, 0, 0.51), 1);
  EXPECT_EQ(Rand_triangular(&s, 0, 0, 1, -kInf, kInf, 0, 0.75), 0.5);
  EXPECT_TRUE(std::isnan(Rand_triangular(&s, 0, 1, 1, -kInf, kInf, 0, 0.75)));
  EXPECT_NEAR(Rand_threePoint(&s, 1, 2, 3, -kInf, kInf, 0, 0.75), 3, 1e-12);
  EXPECT_NEAR(Rand_threePoint(&s, 1, 2, 3, -kInf, kInf, 0, 0.25), 1, 1e-12);
  EXPECT_EQ(Rand_threePoint(&s, 1, 2, 7, -kInf, kInf, 0, 0.5), 2);
  EXPECT_TRUE(std::isnan(Rand_threePoint(&s, 1, 2, 3, 1.5, kInf, 0, 0.5)));  // the lower quartile below lo
  EXPECT_EQ(Rand_threePoint(&s, 1, 2, 3, 0, 3.5, 0, 0.999), 3.5);            // clamped, not rescaled
  const double gx[] = {1, 3}, gf[] = {2, 2};
  EXPECT_EQ(Rand_general(&s, 0, 4, 2, gx, gf, true, -kInf, kInf, 0, 0.25), 0.75);
  EXPECT_EQ(Rand_general(&s, 0, 4, 2, gx, gf, true, -kInf, kInf, 0, 0.5), 2);
  EXPECT_EQ(Rand_general(&s, 0, 4, 2, gx, gf, true, -kInf, kInf, 0, 0), 0);
  EXPECT_EQ(Rand_general(&s, 0, 4, 2, gx, gf, true, -kInf, kInf, 0, 1), 4);
  EXPECT_EQ(Rand_general(&s, 0, 4, 2, gx, gf, true, 1, 3, 0, 0.5), 2);
  const double hw[] = {0, 1, 3};
  EXPECT_EQ(Rand_histogram(&s, 0, 2, 2, hw, false, -kInf, kInf, 0, 0.25), 1);
  EXPECT_EQ(Rand_histogram(&s, 0, 2, 2, hw + 1, true, -kInf, kInf, 0, 0.625), 1.5);
  EXPECT_EQ(Rand_histogram(&s, 0, 2, 2, hw, false, -kInf, kInf, 0, 1), 2);
  EXPECT_EQ(Rand_triangularPercentiles(&s, 3, 4, 6, 25, 75, -kInf, kInf, 0, 0), 0);
  EXPECT_EQ(Rand_triangularPercentiles(&s, 3, 4, 6, 25, 75, -kInf, kInf, 0, 0.25), 3);
  EXPECT_EQ(Rand_triangularPercentiles(&s, 3, 4, 6, 25, 75, -kInf, kInf, 0, 0.75), 6);
  EXPECT_EQ(Rand_triangularPercentiles(&s, 3, 4, 6, 25, 75, -kInf, kInf, 0, 1), 9);
  EXPECT_TRUE(std::isnan(Rand_triangularPercentiles(&s, 3, 4, 6, 0, 75, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_triangularPercentiles(&s, 3, 4, 6, 75, 75, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_triangularPercentiles(&s, 4, 4, 6, 25, 75, -kInf, kInf, 0, kFresh)));
  const double bad[] = {3, 2};
  EXPECT_TRUE(std::isnan(Rand_cumulative(&s, 0, 10, 2, bad, gf, true, -kInf, kInf, 0, kFresh)));
  EXPECT_TRUE(std::isnan(Rand_discrete(&s, 2, bad, nullptr, nullptr, true, -kInf, kInf, 0, kFresh)));
  EXPECT_EQ(s.stream.last, 0);
  // Value ranges: a uniform draw inside the range chosen.
  const double from[] = {0, 10}, to[] = {1, 20};
  for (int k = 0; k < 100; ++k) {
    const double v = Rand_discrete(&s, 2, from, to, nullptr, true, -kInf, kInf, 0, 0.75);
    ASSERT_TRUE(v >= 10 && v <= 20) << v;
  }
}

}  // namespace

namespace {

// A counting law of any width, its mean, variance and kurtosis.
struct Wide {
  std::string name;
  Draw draw;
  double mean, variance, kurtosis;
};

std::vector<Wide> wideLaws() {
  return {
      {"poisson 4",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_poisson(s, 4, lo, hi, sh, u); }, 4, 4,
       3.25},
      {"poisson 1e15",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_poisson(s, 1e15, lo, hi, sh, u); },
       1e15, 1e15, 3},
      {"binomial 0.4 of 1e6",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_binomial(s, 0.4, 1000000, lo, hi, sh, u);
       },
       4e5, 2.4e5, 3},
      {"binomial 0.5 of 2e9",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_binomial(s, 0.5, 2000000000, lo, hi, sh, u);
       },
       1e9, 5e8, 3},
      // n (1 - q) / q failures, variance the mean / q, kurtosis 3 + 6 / n + q^2 / (n (1 - q)).
      {"negBinomial 0.4, 3",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_negBinomial(s, 0.4, 3, lo, hi, sh, u);
       },
       4.5, 11.25, 5 + 0.16 / 1.8},
      {"negBinomial 1e-12, 3",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_negBinomial(s, 1e-12, 3, lo, hi, sh, u);
       },
       3e12 - 3, 3e24 - 3e12, 5},
      {"negBinomial 1e-6, 1000",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_negBinomial(s, 1e-6, 1000, lo, hi, sh, u);
       },
       1e9 - 1000, 1e15 - 1e9, 3.006},
      // n K / N, n K / N (1 - K / N) (N - n) / (N - 1).
      {"hypergeometric 10 of 50 holding 20",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_hypergeometric(s, 10, 20, 50, lo, hi, sh, u);
       },
       4, 2.4 * 40 / 49, 3},
      {"hypergeometric 1e9 of 2e9 holding 1e9",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_hypergeometric(s, 1000000000, 1000000000, 2000000000, lo, hi, sh, u);
       },
       5e8, 2.5e17 / (2e9 - 1), 3},
      {"geometric 1e-15",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_geometric(s, 1e-15, lo, hi, sh, u); },
       1e15 - 1, 1e30 - 1e15, 9},
  };
}

// The smallest count whose cumulative probability reaches p, summing the
// terms exp(logPmf(k)) from a count whose lower tail is negligible.
double quantileBySum(const std::function<double(double)>& logPmf, double from, double p) {
  double sum = 0, k = from;
  for (; sum + std::exp(logPmf(k)) < p; ++k) sum += std::exp(logPmf(k));
  return k;
}

}  // namespace

// A law of a huge mean once walked its terms from 0 one by one, and a
// binomial law of many trials overflowed its coefficients to NaN: every law,
// narrow or wide, now draws counts of its mean and variance.
TEST(RandVariates, CountsOfAnyWidthHaveTheirLawsMeanAndVariance) {
  for (const Wide& law : wideLaws()) {
    const std::vector<double> x = sample(law.draw, -kInf, kInf);
    double mean = 0, variance = 0;
    for (double v : x) {
      ASSERT_EQ(v, std::trunc(v)) << law.name;
      mean += v / kDraws;
    }
    for (double v : x) variance += (v - mean) * (v - mean) / (kDraws - 1);
    const double sd = std::sqrt(law.variance);
    EXPECT_NEAR(mean, law.mean, 4 * sd / std::sqrt(kDraws)) << law.name;
    EXPECT_NEAR(variance / law.variance, 1, 4 * std::sqrt((law.kurtosis - 1) / kDraws)) << law.name;
  }
}

// Laws past the width where the terms are walked draw by an expansion of
// their quantile: at each percentile it gives the exact count, found here by
// summing the terms.
TEST(RandVariates, WideCountsAreTheExactQuantile) {
  const auto logChoose = [](double n, double k) {
    return std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1);
  };
  struct Case {
    std::string name;
    Draw draw;
    std::function<double(double)> logPmf;
    double from;
  };
  const std::vector<Case> cases = {
      {"poisson 2e6",
       [](RandState* s, double lo, double hi, double sh, double u) { return Rand_poisson(s, 2e6, lo, hi, sh, u); },
       [](double k) { return k * std::log(2e6) - 2e6 - std::lgamma(k + 1); }, 2e6 - 40 * 1415},
      {"binomial 0.4 of 1e7",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_binomial(s, 0.4, 10000000, lo, hi, sh, u);
       },
       [&](double k) { return logChoose(1e7, k) + k * std::log(0.4) + (1e7 - k) * std::log(0.6); }, 4e6 - 40 * 1550},
      {"hypergeometric 1e7 of 2e7 holding 8e6",
       [](RandState* s, double lo, double hi, double sh, double u) {
         return Rand_hypergeometric(s, 10000000, 8000000, 20000000, lo, hi, sh, u);
       },
       [&](double k) { return logChoose(8e6, k) + logChoose(1.2e7, 1e7 - k) - logChoose(2e7, 1e7); }, 4e6 - 40 * 1100},
  };
  for (const Case& c : cases) {
    RandState s{};
    for (double p : {0.001, 0.1, 0.5, 0.77, 0.999})
      EXPECT_EQ(c.draw(&s, -kInf, kInf, 0, p), quantileBySum(c.logPmf, c.from, p)) << c.name << " at " << p;
  }
}

// A wide law truncated to a part of its bulk stays there and has the mean of
// the normal law it nears, truncated alike.
TEST(RandVariates, WideCountsStayInTheirBounds) {
  const double mean = 1e15, sd = std::sqrt(1e15), lo = mean - sd / 2, hi = mean + 2 * sd;
  const std::vector<double> x = sample(
      [](RandState* s, double a, double b, double sh, double u) { return Rand_poisson(s, 1e15, a, b, sh, u); }, lo, hi);
  double sum = 0;
  for (double v : x) {
    ASSERT_TRUE(v >= std::ceil(lo) && v <= std::floor(hi)) << v;
    sum += v;
  }
  const double al = (lo - mean) / sd, be = (hi - mean) / sd, z = normalCdf(be) - normalCdf(al);
  const auto phi = [](double t) { return std::exp(-t * t / 2) / std::sqrt(2 * std::numbers::pi); };
  EXPECT_NEAR(sum / kDraws, mean + sd * (phi(al) - phi(be)) / z, 4 * sd / std::sqrt(kDraws));
}

// Bounds around no count of the law once gave the count nearest them.
TEST(RandVariates, BoundsHoldingNoCountGiveNaN) {
  struct Case {
    std::string name;
    double value;
  };
  RandState s{};
  const std::vector<Case> cases = {
      {"binomial past its trials", Rand_binomial(&s, 0.5, 10, 11, 20, 0, kFresh)},
      {"hypergeometric past its successes", Rand_hypergeometric(&s, 10, 20, 50, 11, 15, 0, kFresh)},
      {"poisson below 0", Rand_poisson(&s, 4, -5, -1, 0, kFresh)},
      {"negBinomial below 0", Rand_negBinomial(&s, 0.4, 3, -3, -1, 0, kFresh)},
      {"geometric below 0", Rand_geometric(&s, 0.3, -5, -3, 0, kFresh)},
      {"wide poisson below 0", Rand_poisson(&s, 1e15, -5, -1, 0, kFresh)},
      {"wide binomial past its trials", Rand_binomial(&s, 0.5, 2000000000, 2.5e9, 3e9, 0, kFresh)},
      {"wide poisson, reversed bounds", Rand_poisson(&s, 1e15, 1e15 + 1e7, 1e15, 0, kFresh)},
  };
  for (const Case& c : cases) EXPECT_TRUE(std::isnan(c.value)) << c.name << " drew " << c.value;
}
