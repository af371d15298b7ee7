// Scalar helpers on doubles shared by the interval library, the arithmetic of
// the evaluation modes and the worksheet functions: a relative equality test,
// an absolute value and a sign that accept any argument, and a logarithm and
// a square that tolerate bad arguments instead of reporting them. None of
// them touches a value or an evaluation context.
#pragma once

#include <cmath>

// Relative precision of Num_nearlyEqual, a hair above 2^-26.
constexpr double kNumNearlyEqualEps = 1.4901161193848e-8;

// |a - b| / |a| below the precision, or both below it in magnitude. A NaN
// operand, and two zeros, count as equal.
bool Num_nearlyEqual(const double* a, const double* b);
// x when x >= 0, else -x.
inline double Num_fabs(double x) { return x >= 0.0 ? x : -x; }
// -1 for a negative number or NaN, 0 for zero, else 1.
inline double Num_sign(double x) {
  if (x == 0.0) return 0.0;
  return x > 0.0 ? 1.0 : -1.0;
}
// ln x for x > 0; 0 for anything else (NaN included).
inline double Num_lnChecked(double x) { return x > 0.0 ? std::log(x) : 0.0; }
// x * x, an overflow returned as the infinity it is.
inline double Num_sqrChecked(double x) { return x * x; }
