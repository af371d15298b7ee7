// The Bessel functions BESSELI, BESSELJ, BESSELK and BESSELY of a real x and
// a whole order n (truncated; "#num!" below 0 or above 2^20), and the error
// functions ERF and ERFC, on plain numbers. BESSELI and BESSELK use the
// polynomial approximations of the special-function kernels (relative
// accuracy about 1e-7), BESSELJ and BESSELY the C runtime's; BESSELK and
// BESSELY need x > 0. ERF(lower) is erf(lower) and ERF(lower, upper) the
// integral erf(upper) - erf(lower), each limit at least 0 and a single
// limit (or a lower limit of 0) below 30; ERFC(x) is 1 - erf(x) for
// 0 <= x < 30, taken from the upper incomplete gamma function so that its
// tail keeps its relative accuracy (about 3e-7, that of the gamma series and
// continued fraction). Other kinds give "#value!" (the Bessel functions
// refuse an empty cell too), a result that is not finite "#num!".
#pragma once

#include "values/Val_Value.h"

Value* Wsf_besseli(Value* result, const Value* x, const Value* n);
Value* Wsf_besselj(Value* result, const Value* x, const Value* n);
Value* Wsf_besselk(Value* result, const Value* x, const Value* n);
Value* Wsf_bessely(Value* result, const Value* x, const Value* n);
Value* Wsf_erf(Value* result, int argc, const Value* const* argv);
Value* Wsf_erfc(Value* result, const Value* x);
