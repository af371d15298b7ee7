// Variate generators of the laws whose quantile has no closed form: the
// value is the root of F(x) = p found by Brent's method over the law's
// distribution function. Arguments as for every generator: the law's
// parameters, the truncation bounds, a shift and a percentile u (outside
// [0, 1] a fresh draw). A failed search, or a root of 10,000,000 or more in
// size, gives NaN.
#pragma once

#include <cstdint>

#include "values/Rand_State.h"

double Rand_gamma(RandState* s, double shape, double scale, double lo, double hi, double shift, double u);
// Through the gamma law of shape n / 2 and scale 2.
double Rand_chiSquare(RandState* s, int32_t n, double lo, double hi, double shift, double u);
// Through the gamma law of shape k.
double Rand_erlang(RandState* s, int32_t k, double scale, double lo, double hi, double shift, double u);
// The beta law on [0, 1], inverted through its own distribution function so
// that one percentile gives its quantile.
double Rand_beta(RandState* s, double alpha, double beta, double lo, double hi, double shift, double u);
double Rand_inverseGaussian(RandState* s, double mean, double shape, double lo, double hi, double shift, double u);
// Searched on a bracket as wide below 0 as above it, so that percentiles
// below the median draw negative values.
double Rand_studentT(RandState* s, int32_t degrees, double lo, double hi, double shift, double u);
