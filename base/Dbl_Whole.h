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
