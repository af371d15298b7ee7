// Scaling of data whose products would leave the doubles: sums of squares
// of numbers beyond 2^400 overflow and of numbers below 2^-400 vanish. The
// scale is a power of two, so dividing by it is exact, and results of data
// in between come out exactly as without it. Header only, so that the
// stand-in's calculation, which links nothing of the library, makes the
// same test.
#pragma once

#include <cmath>

inline constexpr int kDblSafeProductExponent = 400;
// Fourth powers of numbers within 2^-200 to 2^200 stay in the doubles.
inline constexpr int kDblSafeMomentExponent = 200;

// The scale of numbers whose largest magnitude is largest, for their powers
// up to the fourth (the moments of statistics): the power of two that
// brings it into [1, 2), itself a double whatever the magnitude, so that
// none of them overflows and the powers of the large ones do not vanish; 1
// for 0 and what is not finite.
inline double Dbl_momentScale(double largest) {
  if (!(largest > 0) || !std::isfinite(largest)) return 1.0;
  return std::ldexp(1.0, std::ilogb(largest));
}

// The moment scale of a magnitude outside 2^-safe to 2^safe, else 1: data
// in between are then left exactly as they are.
inline double Dbl_scaleBeyond(double magnitude, int safe) {
  if (!(magnitude > 0) || !std::isfinite(magnitude)) return 1.0;
  const int exponent = std::ilogb(magnitude);
  return exponent >= -safe && exponent <= safe ? 1.0 : Dbl_momentScale(magnitude);
}

// The scale of numbers whose largest magnitude is largest for their
// products: the moment scale when it lies outside 2^-400 to 2^400, else 1.
inline double Dbl_productScale(double largest) { return Dbl_scaleBeyond(largest, kDblSafeProductExponent); }
