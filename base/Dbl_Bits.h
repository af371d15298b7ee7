// Binary exponents of doubles: reading a double's exponent and scaling it
// by a power of two.
#pragma once

// The unbiased binary exponent of x (its exponent field less 1023); 0 for
// 0 and NaN.
int Dbl_getExponent(double x);
// x times 2 to the k in place, saturating to infinity or zero the way the
// arithmetic does when the result leaves the range of doubles.
void Dbl_scalePow2(double* x, int k);
