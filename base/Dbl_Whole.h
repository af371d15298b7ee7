// Whole numbers from doubles: a double converts to an integer type only when
// it is finite and its whole part lies in the type's range, since the
// conversion is undefined otherwise. Header only, so that the stand-in's
// calculation, which links nothing of the library, makes the same test.
#pragma once

#include <cmath>
#include <limits>

// True when x is finite and x truncated towards 0 lies in Int's range; NaN
// and the infinities never fit.
template <typename Int>
inline bool Dbl_fitsWhole(double x) {
  // 2 to the power of Int's value bits, exact as a double.
  constexpr double top = static_cast<double>(std::numeric_limits<Int>::max() / 2 + 1) * 2;
  constexpr double bottom = std::numeric_limits<Int>::is_signed ? -top : 0.0;
  const double t = std::trunc(x);
  return t >= bottom && t < top;
}

// x truncated towards 0 into *out when it fits Int; false, *out untouched,
// otherwise.
template <typename Int>
inline bool Dbl_toWhole(double x, Int* out) {
  if (!Dbl_fitsWhole<Int>(x)) return false;
  *out = static_cast<Int>(x);
  return true;
}

// Units in the last place of a quotient that the rounding of a step and of
// the division can leave.
inline constexpr double kDblQuotientUlps = 4;

// x / step as a whole number when it is one but for the last bits of the
// division (1.5 / 0.1 gives 14.999999999999998, -7 / 0.07
// -100.00000000000001). The bits are relative to the quotient: a tiny one
// (3 / 1E+15) is no rounded zero, and a large one keeps its fraction
// (1E+15 / 45 is 22222222222222.2).
inline double Dbl_stepQuotient(double x, double step) {
  const double q = x / step, r = std::round(q);
  return std::fabs(q - r) <= kDblQuotientUlps * std::numeric_limits<double>::epsilon() * std::fabs(q) ? r : q;
}
