// Scalar helpers on doubles shared by the interval library, the arithmetic of
// the evaluation modes and the worksheet functions: a relative equality test,
// an absolute value and a sign that accept any argument, and a logarithm and
// a square that tolerate bad arguments instead of reporting them. None of
// them touches a value or an evaluation context.
#pragma once

// Relative precision of Num_nearlyEqual, a hair above 2^-26.
constexpr double kNumNearlyEqualEps = 1.4901161193848e-8;

// |a - b| / |a| below the precision, or both below it in magnitude. A NaN
// operand, and two zeros, count as equal.
bool Num_nearlyEqual(const double* a, const double* b);
// x when x >= 0, else -x.
double Num_fabs(double x);
// -1 for a negative number or NaN, 0 for zero, else 1.
double Num_sign(double x);
// ln x for x > 0; 0 for anything else (NaN included).
double Num_lnChecked(double x);
// x * x, an overflow returned as the infinity it is.
double Num_sqrChecked(double x);
