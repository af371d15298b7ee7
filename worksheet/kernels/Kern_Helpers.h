// Small scalar routines on doubles shared by the interval library, the
// evaluation-mode families, the worksheet functions and their kernels: a
// relative equality test, a sign, a logarithm and a square that tolerate bad
// arguments, integer-argument forms of library functions, and the
// plain-number kernels of the model functions GEXP, LX and POLY3. None
// touches a value or a context.
#pragma once

#include <cstdint>

// The relative equality test, absolute value, sign, tolerant logarithm and
// square are the evaluation modes' own.
#include "arithmetic/numeric/Num_Scalar.h"

double Kern_absInt(int32_t n);
double Kern_acosInt(int32_t n);
double Kern_asinInt(int32_t n);
double Kern_lnInt(int32_t n);
double Kern_powIntBase(int32_t base, double exponent);
double Kern_sqrtInt(int32_t n);
// (exp(x a) + b) c.
double Kern_gexp(const double* x, const double* a, const double* b, const double* c);
// ln(x / (1 - x)); 0.0 when the quotient is not positive.
double Kern_lx(const double* x);
// a + b x + c x^2 + d x^3 by Horner's rule.
double Kern_poly3(const double* x, const double* a, const double* b, const double* c, const double* d);

// Parity of trunc(x) by remainder, for every finite x (3000000001 is odd).
bool Kern_isOddTrunc(double x);
