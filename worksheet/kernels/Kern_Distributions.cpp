// The distribution kernels: distribution functions, densities and point
// probabilities of the laws behind the statistical worksheet functions, and
// the inverse of the standard normal distribution function.
#include "worksheet/kernels/Kern_Distributions.h"

#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Kern_Root.h"
#include "worksheet/kernels/Kern_Special.h"

namespace {
constexpr double kSqrt2 = 1.4142135623730951;
// Probabilities beyond these ends take the tail inversion.
constexpr double kLowerEnd = 1e-7;
constexpr double kUpperEnd = 0.9999999;
// Brackets of the central and the tail inversion of the normal law; the
// tail bracket reaches below the smallest normal double.
constexpr double kCentralBracket = 10.0;
constexpr double kTailNear = -5.0;
constexpr double kTailFar = -38.0;

// The share of the sum below which the terms left no longer change it.
constexpr double kNegligibleTail = 0x1p-54;

// Adds the terms i = 0..k (or the single term k) of a discrete law, the
// cumulative sum in order from 0 and only while its terms still count;
// term answers false for a term it cannot form.
template <typename Term>
uint32_t discreteSum(double k, bool cumulative, double* out, Term term) {
  *out = 0;
  if (!cumulative) return term(k, out) ? 0u : uint32_t{kErrNum};
  double previous = 0;
  for (double i = 0; i <= k; ++i) {
    double t = 0;
    if (i >= kDiscreteMaxTerms || !term(i, &t)) return kErrNum;
    *out += t;
    if (Kern_restIsNegligible(t, previous, *out)) return 0;
    previous = t;
  }
  return 0;
}

// ln Phi(x) for x well below 0, from the upper incomplete gamma function
// Q(1/2, x^2/2) = 2 Phi(x), which keeps its relative accuracy in the tail.
uint32_t lnLowerTail(const DistParams*, double x, double* out) {
  double q = 0;
  const uint32_t status = Kern_gammaContinuedFraction(0.5, x * x / 2, &q);
  *out = std::log(q / 2);
  return status;
}

// The standard normal quantile of p in the lower tail (p <= 1e-7).
uint32_t lowerTailQuantile(double p, double* out) {
  const DistParams none{};
  return Kern_inverse(kTailFar, kTailNear, &none, lnLowerTail, std::log(p), out);
}
}  // namespace

bool Kern_restIsNegligible(double t, double previous, double sum) {
  if (!(t < previous)) return false;
  const double q = t / previous;
  return t * q <= (1 - q) * sum * kNegligibleTail;
}

uint32_t Kern_cdfBeta(const DistParams* params, double x, double* out) {
  return Kern_betaIncomplete(params->p1, params->p2, (x - params->p3) / (params->p4 - params->p3), out)
             ? 0u
             : uint32_t{kErrNum};
}

uint32_t Kern_cdfBinomial(const DistParams* params, double x, double* out) {
  const double p = params->p1, n = std::trunc(params->p2), k = std::trunc(x);
  const bool cumulative = params->p3 != 0;
  *out = 0;
  if (n < 0 || k < 0 || k > n || p < 0 || p > 1) return kErrNum;
  // No success can happen: all the mass is at 0, so every cumulative
  // probability is 1.
  if (p == 0) return *out = (k == 0 || cumulative) ? 1.0 : 0.0, 0;
  return discreteSum(k, cumulative, out, [&](double i, double* t) {
    double c = 0;
    if (!Kern_binomialCoefficient(n, i, &c)) return false;
    *t = c * std::pow(p, i) * std::pow(1 - p, n - i);
    return true;
  });
}

uint32_t Kern_cdfChiSquare(const DistParams* params, double x, double* out) {
  return Kern_gammaQ(params->p1 / 2, x / 2, out);
}

uint32_t Kern_cdfF(const DistParams* params, double x, double* out) {
  const double df1 = params->p1, df2 = params->p2;
  return Kern_betaIncomplete(df2 / 2, df1 / 2, df2 / (df2 + df1 * x), out) ? 0u : uint32_t{kErrNum};
}

uint32_t Kern_cdfGamma(const DistParams* params, double x, double* out) {
  const double alpha = params->p1, beta = params->p2;
  if (params->p3 != 0) return Kern_gammaP(alpha, x / beta, out);
  // At 0 the density is 1 / beta for alpha = 1, 0 above and unbounded below.
  if (x == 0 && alpha == 1) return *out = 1 / beta, 0;
  if (x == 0) return *out = 0.0, alpha > 1 ? 0u : uint32_t{kErrNum};
  *out = std::pow(x, alpha - 1) * std::exp(-x / beta) / std::pow(beta, alpha) / std::exp(Kern_lnGamma(&alpha));
  return Kern_finiteStatus(*out);
}

uint32_t Kern_cdfHypergeometric(const DistParams* params, double x, double* out) {
  const double n = std::trunc(params->p1), m = std::trunc(params->p2), total = std::trunc(params->p3);
  double all = 0;
  *out = 0;
  if (!Kern_binomialCoefficient(total, n, &all)) return kErrNum;
  return discreteSum(std::trunc(std::fabs(x)), params->p4 != 0, out, [&](double i, double* t) {
    double a = 0, b = 0;
    // A term with more successes than the population holds, or more
    // failures, cannot happen: it counts 0.
    if (i > m || n - i > total - m || n - i < 0) return *t = 0.0, true;
    if (!Kern_binomialCoefficient(m, i, &a) || !Kern_binomialCoefficient(total - m, n - i, &b)) return false;
    *t = a * b / all;
    return true;
  });
}

uint32_t Kern_cdfInverseGaussian(const DistParams* params, double x, double* out) {
  const double mu = params->p1, lambda = params->p2;
  if (params->p3 == 0) {
    const double pi = Kern_acosInt(-1);
    *out = std::sqrt(lambda / (2 * pi * x * x * x)) * std::exp(-lambda * Num_sqrChecked(x - mu) / (2 * mu * mu * x));
    return 0;
  }
  const double s = std::sqrt(lambda / x);
  double a = 0, b = 0;
  if (uint32_t status = Kern_cdfStdNormal(nullptr, s * (x / mu - 1), &a)) return status;
  if (uint32_t status = Kern_cdfStdNormal(nullptr, -s * (x / mu + 1), &b)) return status;
  *out = a + std::exp(2 * lambda / mu) * b;
  return 0;
}

uint32_t Kern_cdfNegBinomial(const DistParams* params, double x, double* out) {
  const double p = params->p1, r = std::trunc(params->p2);
  return discreteSum(std::trunc(std::fabs(x)), params->p3 != 0, out, [&](double i, double* t) {
    double c = 0;
    if (!Kern_binomialCoefficient(r - 1 + i, i, &c)) return false;
    *t = c * std::pow(p, r) * std::pow(1 - p, i);
    return true;
  });
}

uint32_t Kern_normalDist(const DistParams* params, double x, double* out) {
  const double sd = params->p2, z = (x - params->p1) / sd / kSqrt2;
  if (params->p3 == 0) {
    *out = std::exp(-z * z) / sd / std::sqrt(2 * Kern_acosInt(-1));
    return Kern_finiteStatus(*out);
  }
  double e = 0;
  const uint32_t status = Kern_erf(z, &e);
  *out = (1 + e) / 2;
  return status;
}

uint32_t Kern_cdfStdNormal(const DistParams*, double x, double* out) {
  double e = 0;
  const uint32_t status = Kern_erf(x / kSqrt2, &e);
  *out = (1 + e) / 2;
  return status;
}

uint32_t Kern_cdfPoisson(const DistParams* params, double x, double* out) {
  const double lambda = params->p1, k = std::trunc(std::fabs(x)), e = std::exp(-lambda);
  if (params->p2 != 0) {
    // lambda^i / i!, each term from the one before.
    double power = 1;
    return discreteSum(k, true, out, [&](double i, double* t) {
      if (i > 0) power = power / i * lambda;
      *t = power * e;
      return true;
    });
  }
  double factorial = 0;
  *out = 0;
  if (!Kern_factorial(&k, &factorial)) return kErrNum;
  *out = std::pow(lambda, k) * e / factorial;
  return 0;
}

uint32_t Kern_cdfStudentT(const DistParams* params, double x, double* out) {
  const double df = params->p1;
  double i = 0;
  if (df < 1) return kErrNum;
  if (!Kern_betaIncomplete(df / 2, 0.5, df / (df + x * x), &i)) return kErrNum;
  *out = x <= 0 ? i / 2 : 1 - i / 2;
  return 0;
}

uint32_t Kern_tDistTails(const DistParams* params, double x, double* out) {
  const double df = params->p1;
  double i = 0;
  if (!Kern_betaIncomplete(df / 2, 0.5, df / (df + x * x), &i)) return kErrNum;
  *out = params->p2 == 1 ? i / 2 : i;
  return 0;
}

uint32_t Kern_invStdNormal(double p, double* out) {
  if (!(p > 0 && p < 1)) return kErrNum;
  if (p <= kLowerEnd) return lowerTailQuantile(p, out);
  if (p >= kUpperEnd) {
    const uint32_t status = lowerTailQuantile(1 - p, out);
    *out = -*out;
    return status;
  }
  const DistParams none{};
  return Kern_inverse(-kCentralBracket, kCentralBracket, &none, Kern_cdfStdNormal, p, out);
}
