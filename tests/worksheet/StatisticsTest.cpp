// The statistical kernels and functions against independent truth: closed
// forms of the laws, hand-computed sums, round trips of the quantiles, the
// tails, the mended faults and the certified values of the NIST StRD
// univariate and linear-regression sets. The incomplete gamma and beta
// kernels stop their series and continued fractions at relative 3e-7, so
// the laws built on them are checked at relative 1e-6; the six-term
// ln-gamma is good to relative 1e-10.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "tests/support/TestValues.h"
#include "values/Fn_Ids.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/Wsf_Registry.h"
#include "worksheet/kernels/Kern_Distributions.h"
#include "worksheet/kernels/Kern_Special.h"

namespace {

constexpr double kKernel = 1e-6;  // the incomplete gamma and beta kernels

bool near(double got, double want, double relative) {
  return std::fabs(got - want) <= relative * std::max(std::fabs(want), 1e-300);
}

double digitsOf(double got, double want) { return -std::log10(std::fabs(got - want) / std::fabs(want) + 1e-17); }

// Calls a function by id in a context of its own, on numbers or arrays.
struct Call {
  EvalContext* ctx = Vm_createContext();
  TestValues values;
  Call() { ctx->flags.mode = kModeReal; }
  ~Call() { Vm_destroyContext(ctx); }
  Value* column(const std::vector<double>& xs) {
    Value* a = values.make();
    Val_makeArray(a, static_cast<int32_t>(xs.size()), 1);
    for (size_t i = 0; i < xs.size(); ++i) Val_setNumber(Val_at(a, static_cast<int32_t>(i), 0), xs[i]);
    return a;
  }
  const Value* operator()(int32_t id, std::initializer_list<const Value*> args) {
    std::vector<const Value*> a(args);
    return Wsf_entry(id)(ctx->buffers.result, static_cast<int>(a.size()), a.data(), nullptr);
  }
  double number(int32_t id, std::initializer_list<double> xs) {
    std::vector<const Value*> a;
    for (double x : xs) a.push_back(values.num(x));
    const Value* r = Wsf_entry(id)(ctx->buffers.result, static_cast<int>(a.size()), a.data(), nullptr);
    return r->kind == kValInt || r->kind == kValReal ? r->number : NAN;
  }
  bool error(int32_t id, std::initializer_list<double> xs, uint32_t code) {
    std::vector<const Value*> a;
    for (double x : xs) a.push_back(values.num(x));
    return isError(Wsf_entry(id)(ctx->buffers.result, static_cast<int>(a.size()), a.data(), nullptr), code);
  }
};

TEST(SpecialKernels, IncompleteGammaBetaAndErf) {
  double v = 0;
  EXPECT_EQ(Kern_gammaP(1, 2, &v), 0u);  // x = a + 1: the continued fraction
  EXPECT_TRUE(near(v, 1 - std::exp(-2.0), kKernel));
  EXPECT_EQ(Kern_gammaP(1, 1, &v), 0u);  // the series
  EXPECT_TRUE(near(v, 1 - std::exp(-1.0), kKernel));
  EXPECT_EQ(Kern_gammaP(3, 0, &v), 0u);
  EXPECT_EQ(v, 0.0);
  EXPECT_EQ(Kern_gammaP(0, 1, &v), uint32_t{kErrNum});
  EXPECT_EQ(Kern_gammaP(1, -1, &v), uint32_t{kErrNum});
  EXPECT_EQ(Kern_gammaP(1e6, 1e6 - 1, &v), uint32_t{kErrNA});  // the steps allowed do not suffice
  double e1 = 0, e2 = 0;
  Kern_erf(1, &e1);
  Kern_erf(-1, &e2);
  EXPECT_EQ(e2, -e1);
  EXPECT_TRUE(near(e1, std::erf(1.0), kKernel));
  for (double x : {0.1, 0.7, 1.5, 3.0}) {
    Kern_erf(x, &v);
    EXPECT_TRUE(near(v, std::erf(x), kKernel)) << x;
  }
  // I_x(1, 1) = x, I_x(2, 1) = x^2, I_x(a, 1) = x^a.
  for (double x : {0.1, 0.5, 0.9}) {
    ASSERT_TRUE(Kern_betaIncomplete(1, 1, x, &v));
    EXPECT_TRUE(near(v, x, kKernel));
    ASSERT_TRUE(Kern_betaIncomplete(2, 1, x, &v));
    EXPECT_TRUE(near(v, x * x, kKernel));
    ASSERT_TRUE(Kern_betaIncomplete(3.5, 1, x, &v));
    EXPECT_TRUE(near(v, std::pow(x, 3.5), kKernel));
  }
  EXPECT_FALSE(Kern_betaIncomplete(2, 2, 1.5, &v));
}

// The polynomial approximations are good to about relative 1e-7; the
// reference values are the series sums.
TEST(SpecialKernels, BesselFunctions) {
  const auto i0 = [](double x) {
    double s = 0, t = 1;
    for (int k = 1; k < 60; ++k) s += t, t *= (x / 2) * (x / 2) / (k * k);
    return s;
  };
  for (double x : {0.5, 1.0, 3.0, 5.0, 10.0}) EXPECT_TRUE(near(Kern_besselI0(x), i0(x), 2e-7)) << x;
  EXPECT_TRUE(near(Kern_besselI1(1), 0.565159103992485, 2e-7));
  EXPECT_EQ(Kern_besselI1(-1), -Kern_besselI1(1));
  EXPECT_TRUE(near(Kern_besselIn(2, 1), 0.135747669767038, 2e-7));
  EXPECT_TRUE(near(Kern_besselIn(3, -2), -0.212739959239853, 2e-7));
  EXPECT_EQ(Kern_besselIn(4, 0), 0.0);
  EXPECT_TRUE(near(Kern_besselK0(1), 0.421024438240708, 2e-7));
  EXPECT_TRUE(near(Kern_besselK0(3), 0.0347395043862793, 2e-7));
  EXPECT_TRUE(near(Kern_besselK1(1), 0.601907230197235, 2e-7));
  EXPECT_TRUE(near(Kern_besselKn(2, 1), 1.62483889907104, 2e-7));
  EXPECT_EQ(Kern_besselKn(0, 2), Kern_besselK1(2));
}

TEST(DistributionKernels, DiscreteLaws) {
  double v = 0;
  DistParams binomial{0, 0.5, 10, 1, 0};
  ASSERT_EQ(Kern_cdfBinomial(&binomial, 3, &v), 0u);
  EXPECT_TRUE(near(v, (1 + 10 + 45 + 120) / 1024.0, 1e-9));
  binomial.p3 = 0;
  Kern_cdfBinomial(&binomial, 3, &v);
  EXPECT_TRUE(near(v, 120 / 1024.0, 1e-9));
  EXPECT_EQ(Kern_cdfBinomial(&binomial, 11, &v), uint32_t{kErrNum});
  // No success can happen when p = 0: all the mass is at 0, so the
  // distribution function is 1 everywhere (it was 0 above 0).
  DistParams never{0, 0, 5, 1, 0};
  Kern_cdfBinomial(&never, 2, &v);
  EXPECT_EQ(v, 1.0);
  never.p3 = 0;
  Kern_cdfBinomial(&never, 2, &v);
  EXPECT_EQ(v, 0.0);
  Kern_cdfBinomial(&never, 0, &v);
  EXPECT_EQ(v, 1.0);
  DistParams poisson{0, 2, 1, 0, 0};
  Kern_cdfPoisson(&poisson, -1.5, &v);  // x read as 1
  EXPECT_TRUE(near(v, 3 * std::exp(-2.0), 1e-12));
  // The hypergeometric law with 3 successes among 5, samples of 4: at
  // least 2 successes, so the terms 0 and 1 cannot happen and count 0.
  DistParams hyper{0, 4, 3, 5, 1};
  ASSERT_EQ(Kern_cdfHypergeometric(&hyper, 2, &v), 0u);
  EXPECT_TRUE(near(v, 3.0 / 5, 1e-9));  // C(3,2) C(2,2) / C(5,4)
  ASSERT_EQ(Kern_cdfHypergeometric(&hyper, 3, &v), 0u);
  EXPECT_TRUE(near(v, 1.0, 1e-9));
  DistParams negative{0, 0.5, 3, 0, 0};
  Kern_cdfNegBinomial(&negative, 2, &v);
  EXPECT_TRUE(near(v, 6 * std::pow(0.5, 5), 1e-9));  // C(4, 2) p^3 (1-p)^2
}

TEST(DistributionKernels, ContinuousLawsAgainstClosedForms) {
  double v = 0;
  const DistParams two{0, 2, 0, 0, 0};
  for (double x : {0.5, 2.0, 7.0}) {
    Kern_cdfChiSquare(&two, x, &v);  // two degrees of freedom: e^(-x/2)
    EXPECT_TRUE(near(v, std::exp(-x / 2), kKernel)) << x;
  }
  const DistParams f22{0, 2, 2, 0, 0};
  for (double x : {0.3, 1.0, 9.0}) {
    Kern_cdfF(&f22, x, &v);  // F(2, 2): 1 / (1 + x)
    EXPECT_TRUE(near(v, 1 / (1 + x), kKernel)) << x;
  }
  const DistParams cauchy{0, 1, 1, 0, 0};
  for (double x : {-3.0, -0.2, 0.0, 1.0, 4.0}) {
    Kern_cdfStudentT(&cauchy, x, &v);  // one degree of freedom: the Cauchy law
    EXPECT_TRUE(near(v, 0.5 + std::atan(x) / M_PI, kKernel)) << x;
  }
  const DistParams exponential{0, 1, 2.5, 1, 0};
  Kern_cdfGamma(&exponential, 3, &v);
  EXPECT_TRUE(near(v, 1 - std::exp(-3 / 2.5), kKernel));
  for (double x : {-4.0, -1.0, 0.3, 2.0}) {
    Kern_cdfStdNormal(nullptr, x, &v);
    EXPECT_TRUE(near(v, 0.5 * std::erfc(-x / std::sqrt(2.0)), kKernel)) << x;
  }
  const DistParams df{0, 0.5, 0, 0, 0};
  EXPECT_EQ(Kern_cdfStudentT(&df, 1, &v), uint32_t{kErrNum});
  const DistParams oneTail{0, 7, 1, 0, 0}, twoTails{0, 7, 2, 0, 0};
  double one = 0;
  Kern_tDistTails(&oneTail, 1.3, &one);
  Kern_tDistTails(&twoTails, 1.3, &v);
  EXPECT_EQ(v, 2 * one);
  // Inverse Gaussian with mean 1 and shape 1 at 1: Phi(0) + e^2 Phi(-2);
  // its density there is 1 / sqrt(2 pi).
  const DistParams wald{0, 1, 1, 1, 0};
  ASSERT_EQ(Kern_cdfInverseGaussian(&wald, 1, &v), 0u);
  EXPECT_TRUE(near(v, 0.5 + std::exp(2.0) * 0.5 * std::erfc(2 / std::sqrt(2.0)), kKernel));
  const DistParams waldDensity{0, 1, 1, 0, 0};
  Kern_cdfInverseGaussian(&waldDensity, 1, &v);
  EXPECT_DOUBLE_EQ(v, 1 / std::sqrt(2 * M_PI));
  // The gamma density at 0: 1 / beta for alpha = 1 (it was 0).
  const DistParams density{0, 1, 0.1, 0, 0};
  ASSERT_EQ(Kern_cdfGamma(&density, 0, &v), 0u);
  EXPECT_DOUBLE_EQ(v, 10.0);
}

// The normal quantile is computed in the tails too (it was capped at
// +-5000000 below 1e-7 and above 0.9999999), down to p = 1e-300.
TEST(DistributionKernels, NormalQuantileInTheTails) {
  double z = 0;
  ASSERT_EQ(Kern_invStdNormal(1e-8, &z), 0u);
  EXPECT_NEAR(z, -5.612001244174789, 1e-6);
  ASSERT_EQ(Kern_invStdNormal(1 - 1e-8, &z), 0u);
  EXPECT_NEAR(z, 5.612001, 1e-4);  // 1 - 1e-8 is not exactly representable
  ASSERT_EQ(Kern_invStdNormal(0.5, &z), 0u);
  EXPECT_NEAR(z, 0, 1e-12);
  EXPECT_EQ(Kern_invStdNormal(1, &z), uint32_t{kErrNum});
  EXPECT_EQ(Kern_invStdNormal(0, &z), uint32_t{kErrNum});
  for (double p = 1e-8; p >= 1e-300; p *= 1e-7) {
    ASSERT_EQ(Kern_invStdNormal(p, &z), 0u) << p;
    ASSERT_TRUE(std::isfinite(z)) << p;
    EXPECT_TRUE(near(0.5 * std::erfc(-z / std::sqrt(2.0)), p, 1e-5)) << p << " " << z;
  }
}

TEST(DistributionFunctions, QuantilesInvertTheirDistributionFunctions) {
  Call f;
  for (double x : {-3.0, -0.5, 0.0, 1.2, 4.0}) {
    const double p = f.number(kIdNormsdist, {x});
    EXPECT_NEAR(f.number(kIdNormsinv, {p}), x, 1e-9) << x;
    const double q = f.number(kIdNormdist, {x, 2, 3, 1});
    EXPECT_NEAR(f.number(kIdNorminv, {q, 2, 3}), x, 3e-9) << x;
  }
  for (double x : {0.2, 3.0, 25.0}) {
    EXPECT_NEAR(f.number(kIdChiinv, {f.number(kIdChidist, {x, 4}), 4}), x, 1e-9 * x) << x;
    EXPECT_NEAR(f.number(kIdFinv, {f.number(kIdFdist, {x, 3, 7}), 3, 7}), x, 1e-9 * x) << x;
    EXPECT_NEAR(f.number(kIdTinv, {f.number(kIdTdist, {x, 5, 2}), 5}), x, 1e-9 * x) << x;
    EXPECT_NEAR(f.number(kIdGammainv, {f.number(kIdGammadist, {x, 2.5, 1.5, 1}), 2.5, 1.5}), x, 1e-9 * x) << x;
    EXPECT_NEAR(f.number(kIdLoginv, {f.number(kIdLognormdist, {x, 0.3, 0.8}), 0.3, 0.8}), x, 1e-8 * x) << x;
  }
  for (double x : {0.05, 0.4, 0.93}) {
    EXPECT_NEAR(f.number(kIdBetainv, {f.number(kIdBetadist, {x, 2, 3}), 2, 3}), x, 1e-9) << x;
    EXPECT_NEAR(f.number(kIdBetainv, {f.number(kIdBetadist, {4 + 2 * x, 0.7, 5, 4, 6}), 0.7, 5, 4, 6}), 4 + 2 * x, 1e-9)
        << x;
  }
}

// The quantiles of small probabilities are computed (FINV gave 5e8 and
// TINV 5e6 below 3e-7, the normal quantiles +-5e6 times the spread).
TEST(DistributionFunctions, QuantilesOfTinyProbabilitiesAreComputed) {
  Call f;
  for (double p : {1e-8, 1e-20, 1e-100, 1e-300}) {
    const double z = f.number(kIdNormsinv, {p});
    ASSERT_TRUE(std::isfinite(z)) << p;
    EXPECT_TRUE(near(f.number(kIdNorminv, {p, 1, 2}), 1 + 2 * z, 1e-12)) << p;
    const double l = f.number(kIdLoginv, {p, 0, 1});
    EXPECT_TRUE(near(l, std::exp(z), 1e-12)) << p;
  }
  EXPECT_NEAR(f.number(kIdNormsinv, {1e-8}), -5.612001244174789, 1e-6);
  for (double p : {1e-7, 1e-10, 1e-30}) {
    const double q = f.number(kIdFinv, {p, 3, 4});
    ASSERT_TRUE(std::isfinite(q)) << p;
    EXPECT_TRUE(near(f.number(kIdFdist, {q, 3, 4}), p, 1e-5)) << p;
    const double t = f.number(kIdTinv, {p, 6});
    ASSERT_TRUE(std::isfinite(t)) << p;
    EXPECT_TRUE(near(f.number(kIdTdist, {t, 6, 2}), p, 1e-5)) << p;
  }
  // F(1, 1) beyond the old bracket: P(F > x) = 2 atan(1 / sqrt x) / pi.
  const double q = f.number(kIdFinv, {1e-10, 1, 1});
  EXPECT_TRUE(near(2 * std::atan(1 / std::sqrt(q)) / M_PI, 1e-10, 1e-5));
  EXPECT_TRUE(f.error(kIdFinv, {0, 5, 10}, kErrNum));  // the quantile is infinite
  EXPECT_TRUE(f.error(kIdTinv, {0, 9}, kErrNum));
  // CONFIDENCE of a tiny alpha uses the quantile of 1 - alpha / 2.
  EXPECT_TRUE(near(f.number(kIdConfidence, {1e-9, 1, 1}), -f.number(kIdNormsinv, {0.5e-9}), 1e-4));
}

TEST(DistributionFunctions, MendedFaults) {
  Call f;
  EXPECT_EQ(f.number(kIdBinomdist, {2, 5, 0, 1}), 1.0);  // was 0
  EXPECT_EQ(f.number(kIdBinomdist, {0, 5, 0, 0}), 1.0);
  EXPECT_EQ(f.number(kIdBinomdist, {2, 5, 0, 0}), 0.0);
  EXPECT_DOUBLE_EQ(f.number(kIdGammadist, {0, 1, 0.1, 0}), 10.0);
  // A Poisson law of mean 200 at 134: the power and the factorial alone
  // overflow; the terms by recurrence do not.
  const double p = f.number(kIdPoisson, {134, 200, 1});
  EXPECT_TRUE(near(p, 4.45616628385656e-07, 1e-9)) << p;
  EXPECT_TRUE(near(f.number(kIdPoisson, {1000, 1000, 0}), 0.0126146113487067, 1e-8));
  // PROB takes probabilities between 0 and 1 only (it took -1 and above).
  const Value* x = f.column({1, 2, 3});
  EXPECT_TRUE(isError(f(kIdProb, {x, f.column({-0.5, 0.75, 0.75}), f.values.num(2)}), kErrNum));
  EXPECT_DOUBLE_EQ(f(kIdProb, {x, f.column({0.25, 0.5, 0.25}), f.values.num(2), f.values.num(3)})->number, 0.75);
}

TEST(DescriptiveFunctions, GeomeanAndHarmeanRefuseValuesAtOrBelowZero) {
  Call f;
  EXPECT_TRUE(isError(f(kIdGeomean, {f.column({2, -2, 8})}), kErrNum));
  // Two negative values made a positive product and a number.
  EXPECT_TRUE(isError(f(kIdGeomean, {f.column({2, -2, -8})}), kErrNum));
  EXPECT_TRUE(isError(f(kIdHarmean, {f.column({2, -2, 8})}), kErrNum));
  EXPECT_TRUE(isError(f(kIdHarmean, {f.column({2, 0, 8})}), kErrNum));
  // A status raised before the call does not make its result an error.
  Vm_raise(&f.ctx->errors, kStatusUnfeasibleArgument, "earlier cell", 0, 0, 0);
  EXPECT_DOUBLE_EQ(f(kIdGeomean, {f.column({2, 4, 8})})->number, 4.0);
  EXPECT_DOUBLE_EQ(f(kIdHarmean, {f.column({1, 2, 4})})->number, 3 / 1.75);
}

TEST(DescriptiveFunctions, HandComputedValues) {
  Call f;
  const Value* xs = f.column({1, 2, 3, 4});
  EXPECT_DOUBLE_EQ(f(kIdAverage, {xs})->number, 2.5);
  EXPECT_DOUBLE_EQ(f(kIdAvedev, {xs})->number, 1.0);
  EXPECT_DOUBLE_EQ(f(kIdDevsq, {xs})->number, 5.0);
  // KURT: n (n + 1) / ((n - 1)(n - 2)(n - 3)) S z^4 - 3 (n - 1)^2 / ((n - 2)(n - 3))
  // with S z^4 = 10.25 / (5/3)^2.
  EXPECT_NEAR(f(kIdKurt, {xs})->number, 20.0 / 6 * 10.25 / (25.0 / 9) - 13.5, 1e-12);
  EXPECT_TRUE(isError(f(kIdKurt, {f.column({1, 2, 3})}), kErrDiv0));
  const Value* ys = f.column({2, 4, 5, 9});
  EXPECT_DOUBLE_EQ(f(kIdCovar, {xs, ys})->number, (-1.5 * -3 + -0.5 * -1 + 0 + 1.5 * 4) / 4);
  EXPECT_DOUBLE_EQ(f(kIdIntercept, {ys, xs})->number, 5 - 2.2 * 2.5);
  EXPECT_DOUBLE_EQ(f(kIdForecast, {f.values.num(5), ys, xs})->number, 5 + 2.2 * 2.5);
  EXPECT_TRUE(isError(f(kIdCorrel, {xs, f.column({1, 2, 3})}), kErrNA));
  const Value* r = f(kIdFrequency, {f.column({1, 2, 3, 4}), f.column({3, 1})});
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(Val_at(r, 0, 0)->number, 1.0);
  EXPECT_EQ(Val_at(r, 1, 0)->number, 2.0);
  EXPECT_EQ(Val_at(r, 2, 0)->number, 1.0);
  const Value* large = f.column({5, 3, 9});
  EXPECT_EQ(f(kIdLarge, {large, f.values.num(1)})->number, 9.0);
  EXPECT_EQ(f(kIdLarge, {large, f.values.num(2.5)})->number, 3.0);
  EXPECT_TRUE(isError(f(kIdLarge, {large, f.values.num(4)}), kErrNum));
  EXPECT_EQ(f(kIdLarge, {large, f.values.num(0.5)})->number, 9.0);  // k rounds up to 1
  EXPECT_TRUE(isError(f(kIdLarge, {large, f.values.num(0)}), kErrNum));
  EXPECT_EQ(f(kIdSmall, {large, f.values.num(1.5)})->number, 5.0);
  // CRITBINOM(10, 0.5, 0.5): the running sum is 386/1024 after 4, 638/1024 after 5.
  EXPECT_EQ(f.number(kIdCritbinom, {10, 0.5, 0.5}), 5.0);
  // A sum that would add more terms than one call adds is "#num!": the
  // 10% point of 300000 fair trials lies near 149650, and with n = 2^60 or
  // 8.9e94 every term rounds to 0 and the sum would never reach alpha.
  for (double n : {300000.0, std::ldexp(1.0, 60), 8.9e94})
    EXPECT_TRUE(f.error(kIdCritbinom, {n, 0.5, 0.1}, kErrNum)) << n;
  EXPECT_EQ(f.number(kIdPermut, {6, 3}), 120.0);
}

// LARGE and SMALL of a column of ks answer each k as they answer it alone,
// by hand: the values sorted are -1 0.5 3 3 5 8; a fractional k rounds up
// to the next rank; a k out of range is "#num!", an error k its own error,
// an error among the values that error.
TEST(DescriptiveFunctions, OrderStatisticsOfAnArrayOfKs) {
  Call f;
  struct Row {
    double k, large, small;  // NaN: "#num!"
  };
  const Row rows[] = {{1, 8, -1},     {2.5, 3, 3},     {6, -1, 8},  {3, 3, 3},
                      {0, NAN, NAN}, {7, NAN, NAN}, {5.5, -1, 8}, {6.5, NAN, NAN}};
  std::vector<double> ks;
  for (const Row& r : rows) ks.push_back(r.k);
  const Value* xs = f.column({5, -1, 3, 3, 8, 0.5});
  for (int32_t id : {kIdLarge, kIdSmall}) {
    Value* answers = f.values.make();
    Val_assign(answers, f(id, {xs, f.column(ks)}));
    ASSERT_EQ(answers->kind, kValArray);
    for (size_t i = 0; i < std::size(rows); ++i) {
      SCOPED_TRACE(rows[i].k);
      const double want = id == kIdLarge ? rows[i].large : rows[i].small;
      const Value* got = Val_at(answers, static_cast<int32_t>(i), 0);
      if (std::isnan(want)) EXPECT_TRUE(isError(got, kErrNum));
      else EXPECT_EQ(got->number, want);
      const Value* alone = f(id, {xs, f.values.num(rows[i].k)});
      if (std::isnan(want)) EXPECT_TRUE(isError(alone, kErrNum));
      else EXPECT_EQ(alone->number, want);
    }
    const Value* mixed = f(id, {xs, f.values.row({f.values.error(kErrNA), f.values.num(1)})});
    ASSERT_EQ(mixed->kind, kValArray);
    EXPECT_TRUE(isError(Val_at(mixed, 0, 0), kErrNA));
    const Value* broken = f(id, {f.values.row({f.values.num(1), f.values.error(kErrDiv0)}), f.column({1, 2})});
    ASSERT_EQ(broken->kind, kValArray);
    EXPECT_TRUE(isError(Val_at(broken, 1, 0), kErrDiv0));
  }
}

// Cumulative sums of a huge count stop where their terms no longer count
// (the whole mass of a law of mean 1 or of success probability 0.5 lies far
// below 1E+12), a single far term is 0, and counts that are NaN or past 32
// bits are "#num!" rather than converted.
TEST(DescriptiveFunctions, HugeAndNaNCountsEnd) {
  Call f;
  EXPECT_NEAR(f.number(kIdPoisson, {1e12, 1, 1}), 1.0, 1e-15);
  EXPECT_NEAR(f.number(kIdPoisson, {1e15, 3, 1}), 1.0, 1e-15);
  EXPECT_EQ(f.number(kIdPoisson, {1e12, 1, 0}), 0.0);
  // e^-2 (1 + 2 + 2 + 4/3): the sum of the first four terms.
  EXPECT_NEAR(f.number(kIdPoisson, {3, 2, 1}), std::exp(-2.0) * (1 + 2 + 2 + 4 / 3.0), 1e-15);
  EXPECT_NEAR(f.number(kIdNegbinomdist, {1e9, 1, 1 - 1e-9}), 0.0, 1e-300);
  const double nan = std::nan("");
  const struct {
    int32_t id;
    std::vector<double> args;
  } refused[] = {
      {kIdNegbinomdist, {1e15, 1, 0.5}},
      {kIdNegbinomdist, {1, 1e15, 0.5}},
      {kIdGcd, {nan, 1}},
      {kIdLcm, {nan, 1}},
      {kIdGcd, {INFINITY, 3}},
      {kIdPermut, {nan, 1}},
      {kIdMultinomial, {nan, 2}},
  };
  for (const auto& r : refused) {
    std::vector<const Value*> a;
    for (double x : r.args) a.push_back(f.values.num(x));
    EXPECT_TRUE(isError(Wsf_entry(r.id)(f.ctx->buffers.result, static_cast<int>(a.size()), a.data(), nullptr), kErrNum))
        << r.id;
  }
  EXPECT_TRUE(isError(f(kIdLarge, {f.column({5, 3, 9}), f.values.num(nan)}), kErrNum));
}

// NIST StRD univariate sets NumAcc1 to NumAcc4: the mean is the plain sum
// over n, and the deviations are taken about it, so the spread keeps the
// digits the mean's rounding leaves: measured 9.4 digits for NumAcc3 and
// 8.2 for NumAcc4 (data 1e8 times their spread), 14 for NumAcc2.
TEST(NistStatistics, UnivariateCertifiedValues) {
  struct Set {
    double first, low, high, mean, sd, meanDigits, spreadDigits;
  };
  const Set sets[] = {{1000000.2, 1000000.1, 1000000.3, 1000000.2, 0.1, 14.5, 9},
                      {10000000.2, 10000000.1, 10000000.3, 10000000.2, 0.1, 13.5, 8},
                      {1.2, 1.1, 1.3, 1.2, 0.1, 13.5, 13.5}};
  Call f;
  const Value* acc1 = f.column({10000001, 10000003, 10000002});
  EXPECT_EQ(f(kIdAverage, {acc1})->number, 10000002.0);
  EXPECT_NEAR(f(kIdStdev, {acc1})->number, 1.0, 1e-15);
  for (const Set& s : sets) {
    std::vector<double> xs{s.first};
    for (int i = 0; i < 500; ++i) xs.insert(xs.end(), {s.low, s.high});
    const Value* data = f.column(xs);
    const double m = f(kIdAverage, {data})->number, sd = f(kIdStdev, {data})->number;
    const double ss = f(kIdDevsq, {data})->number;
    EXPECT_GT(digitsOf(m, s.mean), s.meanDigits) << s.mean;
    EXPECT_GT(digitsOf(sd, s.sd), s.spreadDigits) << s.mean;
    EXPECT_GT(digitsOf(ss, 1000 * s.sd * s.sd), s.spreadDigits - 0.5) << s.mean;
  }
}

// A table of rows x columns numbers, row by row.
Value* table(Call& f, int rows, int columns, const std::vector<double>& xs) {
  Value* a = f.values.make();
  Val_makeArray(a, static_cast<int32_t>(rows), static_cast<int32_t>(columns));
  for (size_t i = 0; i < xs.size(); ++i)
    Val_setNumber(Val_at(a, static_cast<int32_t>(i) / columns, static_cast<int32_t>(i) % columns), xs[i]);
  return a;
}

// NIST StRD linear regression, Norris (one predictor, lower difficulty):
// LINEST's normal equations reach the certified coefficients and sums of
// squares to relative 1e-9.
TEST(NistStatistics, NorrisRegression) {
  const std::vector<double> y = {0.1, 338.8, 118.1, 888.0, 9.2,   228.1, 668.5, 998.5, 449.1, 778.9, 559.2, 0.3,
                                 0.1, 778.1, 668.8, 339.3, 448.9, 10.8,  557.7, 228.3, 998.0, 888.8, 119.6, 0.3,
                                 0.6, 557.6, 339.3, 888.0, 998.5, 778.9, 10.2,  117.6, 228.9, 668.4, 449.2, 0.2};
  const std::vector<double> x = {0.2, 337.4, 118.2, 884.6, 10.1,  226.5, 666.3, 996.3, 448.6, 777.0, 558.2, 0.4,
                                 0.6, 775.5, 666.9, 338.0, 447.5, 11.6,  556.0, 228.1, 995.8, 887.6, 120.2, 0.3,
                                 0.3, 556.8, 339.1, 887.2, 999.0, 779.0, 11.1,  118.3, 229.2, 669.1, 448.9, 0.5};
  Call f;
  const Value* r = f(kIdLinest, {f.column(y), f.column(x), f.values.boolean(true), f.values.boolean(true)});
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_GT(digitsOf(Val_at(r, 0, 0)->number, 1.00211681802045), 9);
  EXPECT_GT(digitsOf(Val_at(r, 0, 1)->number, -0.262323073774029), 9);
  EXPECT_GT(digitsOf(Val_at(r, 2, 0)->number, 0.999993745883712), 9);
  EXPECT_EQ(Val_at(r, 3, 1)->number, 34.0);
  EXPECT_GT(digitsOf(Val_at(r, 4, 0)->number, 4255954.13232369), 9);
  EXPECT_GT(digitsOf(Val_at(r, 4, 1)->number, 26.6173985294224), 7);
  // SLOPE, INTERCEPT and FORECAST take deviations about the means.
  EXPECT_GT(digitsOf(f(kIdSlope, {f.column(y), f.column(x)})->number, 1.00211681802045), 12);
  EXPECT_GT(digitsOf(f(kIdIntercept, {f.column(y), f.column(x)})->number, -0.262323073774029), 11);
}

// Longley (six collinear predictors, higher difficulty): the normal
// equations square a condition number near 1e8, so the coefficients keep
// about 5 of their digits and r squared about 9.
TEST(NistStatistics, LongleyRegression) {
  const std::vector<double> data = {
      60323, 83,    234289, 2356, 1590, 107608, 1947, 61122, 88.5,  259426, 2325, 1456, 108632, 1948,
      60171, 88.2,  258054, 3682, 1616, 109773, 1949, 61187, 89.5,  284599, 3351, 1650, 110929, 1950,
      63221, 96.2,  328975, 2099, 3099, 112075, 1951, 63639, 98.1,  346999, 1932, 3594, 113270, 1952,
      64989, 99,    365385, 1870, 3547, 115094, 1953, 63761, 100,   363112, 3578, 3350, 116219, 1954,
      66019, 101.2, 397469, 2904, 3048, 117388, 1955, 67857, 104.6, 419180, 2822, 2857, 118734, 1956,
      68169, 108.4, 442769, 2936, 2798, 120445, 1957, 66513, 110.8, 444546, 4681, 2637, 121950, 1958,
      68655, 112.6, 482704, 3813, 2552, 123366, 1959, 69564, 114.2, 502601, 3931, 2514, 125368, 1960,
      69331, 115.7, 518173, 4806, 2572, 127852, 1961, 70551, 116.9, 554894, 4007, 2827, 130081, 1962};
  std::vector<double> y, x;
  for (size_t i = 0; i < data.size(); ++i) (i % 7 == 0 ? y : x).push_back(data[i]);
  Call f;
  const Value* r = f(kIdLinest, {f.column(y), table(f, 16, 6, x), f.values.boolean(true), f.values.boolean(true)});
  ASSERT_EQ(r->kind, kValArray);
  const double certified[] = {1829.15146461355,    -0.0511041056535807, -1.03322686717359, -2.02022980381683,
                              -0.0358191792925910, 15.0618722713733,    -3482258.63459582};
  for (int j = 0; j < 7; ++j) EXPECT_GT(digitsOf(Val_at(r, 0, j)->number, certified[j]), 4) << "coefficient " << j;
  EXPECT_GT(digitsOf(Val_at(r, 2, 0)->number, 0.995479004577296), 8);
  EXPECT_GT(digitsOf(Val_at(r, 4, 1)->number, 836424.055505915), 4);
  EXPECT_EQ(Val_at(r, 3, 1)->number, 9.0);
}

}  // namespace
