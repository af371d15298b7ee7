// Scalar helpers on doubles.
#include "arithmetic/numeric/Num_Scalar.h"

#include <cmath>

bool Num_nearlyEqual(const double* a, const double* b) {
  const long double q = std::fabs(static_cast<long double>(*a) - *b) / std::fabs(static_cast<long double>(*a));
  if (std::isnan(q) || q < kNumNearlyEqualEps) return true;
  return std::fabs(*a) < kNumNearlyEqualEps && std::fabs(*b) < kNumNearlyEqualEps;
}

double Num_fabs(double x) { return x >= 0.0 ? x : -x; }

double Num_sign(double x) {
  if (x == 0.0) return 0.0;
  return x > 0.0 ? 1.0 : -1.0;
}

double Num_lnChecked(double x) { return x > 0.0 ? std::log(x) : 0.0; }

double Num_sqrChecked(double x) { return x * x; }
