// The laws inverted by root finding over the distribution kernels.
#include "simulation/random/Rand_RootLaws.h"

#include <cmath>

#include "simulation/random/Rand_Truncation.h"
#include "values/Vm_Status.h"
#include "worksheet/kernels/Kern_Distributions.h"
#include "worksheet/numeric/Root_Brent.h"

namespace {

constexpr double kBracket = 500000000;
constexpr double kLargestRoot = 10000000;
constexpr double kCumulative = 1;

// A law: its kernel with the parameter record that asks for F, and the
// bracket its quantiles lie in.
struct Law {
  DistKernel kernel;
  DistParams params;
  double lower, upper;
};

// F(x): 0 at and below the bracket, 1 at and above it, else the kernel's
// value; NaN when the kernel fails.
double cdf(const Law& law, double x) {
  if (x <= law.lower) return 0;
  if (x >= law.upper) return 1;
  double f = NAN;
  return law.kernel(&law.params, x, &f) == 0 ? f : NAN;
}

// The root finder's view of a law: its distribution function.
uint32_t residual(void* user, double x, double* out) {
  *out = cdf(*static_cast<const Law*>(user), x);
  return std::isnan(*out) ? kErrorBase + kErrNum : 0;
}

// The x with F(x) = p, NaN when the search fails or x is too large.
double quantile(const Law& law, double p) {
  double x = law.lower;
  if (p > 0 && Root_brent(law.lower, law.upper, const_cast<Law*>(&law), residual, p, &x) != 0) return NAN;
  return std::fabs(x) < kLargestRoot ? x : NAN;
}

double draw(RandState* s, const Law& law, double lo, double hi, double shift, double u) {
  if (Rand_reversed(lo, hi)) return NAN;
  double p = Rand_percentile(s, u);
  if (Rand_truncates(lo, hi)) {
    const double fLo = cdf(law, lo), fHi = cdf(law, hi);
    if (std::isnan(fLo) || std::isnan(fHi)) return NAN;
    p = Rand_rescale(p, fLo, fHi);
  }
  return Rand_keepInside(quantile(law, p), lo, hi) + shift;
}

}  // namespace

double Rand_gamma(RandState* s, double shape, double scale, double lo, double hi, double shift, double u) {
  if (!(shape > 0 && scale > 0)) return NAN;
  return draw(s, Law{Kern_cdfGamma, {0, shape, scale, kCumulative, 0}, 0, kBracket}, lo, hi, shift, u);
}

double Rand_chiSquare(RandState* s, int32_t n, double lo, double hi, double shift, double u) {
  if (n < 1) return NAN;
  return Rand_gamma(s, n / 2.0, 2, lo, hi, shift, u);
}

double Rand_erlang(RandState* s, int32_t k, double scale, double lo, double hi, double shift, double u) {
  if (k < 1) return NAN;
  return Rand_gamma(s, k, scale, lo, hi, shift, u);
}

double Rand_beta(RandState* s, double alpha, double beta, double lo, double hi, double shift, double u) {
  if (!(alpha > 0 && beta > 0)) return NAN;
  return draw(s, Law{Kern_cdfBeta, {0, alpha, beta, 0, 1}, 0, 1}, lo, hi, shift, u);
}

double Rand_inverseGaussian(RandState* s, double mean, double shape, double lo, double hi, double shift, double u) {
  if (!(mean > 0 && shape > 0)) return NAN;
  return draw(s, Law{Kern_cdfInverseGaussian, {0, mean, shape, kCumulative, 0}, 0, kBracket}, lo, hi, shift, u);
}

double Rand_studentT(RandState* s, int32_t degrees, double lo, double hi, double shift, double u) {
  if (degrees < 1) return NAN;
  // The bracket reaches below 0 as far as above it, so that percentiles below
  // the median find their root.
  const Law law{Kern_cdfStudentT, {0, static_cast<double>(degrees), 0, 0, 0}, -kBracket, kBracket};
  return draw(s, law, lo, hi, shift, u);
}
