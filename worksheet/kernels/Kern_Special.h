// Special-function kernels behind the rounding, counting and statistical
// worksheet functions: the logarithm of the gamma function, the incomplete
// gamma and beta functions, erf, factorials, binomial coefficients, greatest
// common divisor and least common multiple, and the modified Bessel
// functions. They know nothing of values; callers turn a refusal or a status
// (a worksheet error code) into a worksheet error.
#pragma once

#include <cstdint>

// ln Gamma(x) for x > 0 (Lanczos, six terms; no argument check).
double Kern_lnGamma(const double* x);
// trunc(x)! into *out; false for x < 0, NaN or a non-finite result.
bool Kern_factorial(const double* x, double* out);
// trunc(n) over trunc(k) into *out; false for a negative or inverted pair or
// a non-finite result.
bool Kern_binomialCoefficient(double n, double k, double* out);
// Greatest common divisor of two whole doubles (Euclid by floating remainder);
// NaN when either is not finite, whose remainders would never reach 0.
double Kern_gcd(const double* a, const double* b);
// Least common multiple, rounded to the nearest whole number; 0 when either
// is 0, NaN when either is not finite.
double Kern_lcm(const double* a, const double* b);

// The gamma-family kernels answer a status: 0, kErrNum for an argument
// outside the domain or a result that is not finite, kErrNA when the series
// or continued fraction has not converged (to relative 3e-7) in 100 steps.
// 0 for a finite x, else kErrNum.
uint32_t Kern_finiteStatus(double x);
// P(a, x) by its series (a > 0 assumed).
uint32_t Kern_gammaSeries(double a, double x, double* out);
// Q(a, x) by its continued fraction (modified Lentz).
uint32_t Kern_gammaContinuedFraction(double a, double x, double* out);
// The regularised lower incomplete gamma P(a, x), and Q = 1 - P (from x >=
// a + 1 the continued fraction itself, which keeps the tail's digits).
uint32_t Kern_gammaP(double a, double x, double* out);
uint32_t Kern_gammaQ(double a, double x, double* out);
// erf(x) = P(1/2, x^2), odd in x; "#num!" for NaN.
uint32_t Kern_erf(double x, double* out);
// The continued fraction of the incomplete beta function; false without
// convergence in 100 steps or for a non-finite value.
bool Kern_betaContinuedFraction(double a, double b, double x, double* out);
// The regularised incomplete beta I_x(a, b); false for x outside [0, 1].
bool Kern_betaIncomplete(double a, double b, double x, double* out);

// Modified Bessel functions of integer order by the polynomial
// approximations of Abramowitz and Stegun 9.8.1-9.8.8 (relative accuracy
// about 1e-7); I_n for n >= 2 by downward recurrence, K_n by upward
// recurrence (K_1 for n < 2).
double Kern_besselI0(double x);
double Kern_besselI1(double x);
double Kern_besselIn(int32_t n, double x);
double Kern_besselK0(double x);
double Kern_besselK1(double x);
double Kern_besselKn(int32_t n, double x);
