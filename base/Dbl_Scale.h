// Scaling of data whose products would leave the doubles: sums of squares
// of numbers beyond 2^400 overflow and of numbers below 2^-400 vanish. The
// scale is a power of two, so dividing by it is exact, and it is 1 for data
// in between, which is then left exactly as it is. Header only, so that the
// stand-in's calculation, which links nothing of the library, makes the
// same test.
#pragma once

#include <cmath>

inline constexpr int kDblSafeProductExponent = 400;

// The scale of numbers whose largest magnitude is largest: a power of two
// that brings it below 1 when it lies outside 2^-400 to 2^400, else 1 (and
// 1 for 0 and what is not finite).
inline double Dbl_productScale(double largest) {
  if (!(largest > 0) || !std::isfinite(largest)) return 1.0;
  const int exponent = std::ilogb(largest);
  if (exponent >= -kDblSafeProductExponent && exponent <= kDblSafeProductExponent) return 1.0;
  return std::ldexp(1.0, exponent + 1);
}
