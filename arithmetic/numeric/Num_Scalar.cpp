// Scalar helpers on doubles.
#include "arithmetic/numeric/Num_Scalar.h"

#include <cmath>

bool Num_nearlyEqual(const double* a, const double* b) {
  const long double q = std::fabs(static_cast<long double>(*a) - *b) / std::fabs(static_cast<long double>(*a));
  if (std::isnan(q) || q < kNumNearlyEqualEps) return true;
  return std::fabs(*a) < kNumNearlyEqualEps && std::fabs(*b) < kNumNearlyEqualEps;
}
