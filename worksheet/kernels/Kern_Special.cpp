// Gamma-function logarithm, factorials, binomial coefficients, GCD and LCM.
#include "worksheet/kernels/Kern_Special.h"

#include <cmath>

namespace {
// Up to this argument a factorial is the exact product.
constexpr int kExactFactorialLimit = 32;
}  // namespace

double Kern_lnGamma(const double* x) {
  static const double kCoefficients[6] = {76.18009172947146,  -86.50532032941678,   24.01409824083091,
                                          -1.231739572450155, 0.001208650973866179, -5.395239384953e-06};
  double tmp = *x + 5.5;
  tmp -= (*x + 0.5) * std::log(tmp);
  double ser = 1.000000000190015;
  for (int j = 0; j < 6; ++j) ser += kCoefficients[j] / (*x + j + 1);
  return std::log(2.5066282746310007 * ser / *x) - tmp;
}

bool Kern_factorial(const double* x, double* out) {
  if (!(*x >= 0)) return false;
  const double n = std::trunc(*x);
  double value = 1.0;
  if (n <= kExactFactorialLimit) {
    for (int i = 2; i <= static_cast<int>(n); ++i) value *= i;
  } else {
    const double np1 = n + 1;
    value = std::exp(Kern_lnGamma(&np1));
  }
  *out = value;
  return std::isfinite(value);
}

bool Kern_binomialCoefficient(double n, double k, double* out) {
  n = std::trunc(n);
  k = std::trunc(k);
  if (n < 0 || k < 0 || n < k) return false;
  const double a = n + 1, b = k + 1, c = n - k + 1;
  *out = std::floor(std::exp(Kern_lnGamma(&a) - Kern_lnGamma(&b) - Kern_lnGamma(&c)) + 0.5);
  return std::isfinite(*out);
}

double Kern_gcd(const double* a, const double* b) {
  if (*a == 0) return *b;
  if (*b == 0) return *a;
  double x = *a, r = std::fmod(*b, *a);
  while (r != 0) {
    const double next = std::fmod(x, r);
    x = r;
    r = next;
  }
  return x;
}

double Kern_lcm(const double* a, const double* b) {
  if (*a == 0 || *b == 0) return 0.0;
  const double v = *a / Kern_gcd(a, b) * *b;
  double whole;
  const double fraction = std::modf(v, &whole);
  return fraction < 0.5 ? whole : whole + 1;
}
