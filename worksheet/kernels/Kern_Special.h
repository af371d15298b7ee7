// Special-function kernels behind the rounding, counting and statistical
// worksheet functions: the logarithm of the gamma function, factorials,
// binomial coefficients, greatest common divisor and least common multiple.
// They know nothing of values; callers turn a refusal into a worksheet error.
#pragma once

// ln Gamma(x) for x > 0 (Lanczos, six terms; no argument check).
double Kern_lnGamma(const double* x);
// trunc(x)! into *out; false for x < 0, NaN or a non-finite result.
bool Kern_factorial(const double* x, double* out);
// trunc(n) over trunc(k) into *out; false for a negative or inverted pair or
// a non-finite result.
bool Kern_binomialCoefficient(double n, double k, double* out);
// Greatest common divisor of two whole doubles (Euclid by floating remainder).
double Kern_gcd(const double* a, const double* b);
// Least common multiple, rounded to the nearest whole number; 0 when either is 0.
double Kern_lcm(const double* a, const double* b);
