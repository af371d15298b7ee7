// Variate generators of the counting laws: the smallest count whose
// cumulative probability reaches the percentile, plus the integer part of
// the shift. Truncated draws lie in [ceil(lo), floor(hi)]. A parameter
// outside its domain, or a binomial coefficient out of range, gives NaN.
#pragma once

#include <cstdint>

#include "values/Rand_State.h"

// Successes in trials with probability q each; 0 <= q <= 1, trials >= 1.
double Rand_binomial(RandState* s, double q, int32_t trials, double lo, double hi, double shift, double u);
// Failures before the n-th success; 0 < q <= 1, n >= 1.
double Rand_negBinomial(RandState* s, double q, int32_t n, double lo, double hi, double shift, double u);
// Successes in a sample of n drawn without replacement from a population of
// N holding K successes; all >= 1, N >= n, N >= K.
double Rand_hypergeometric(RandState* s, int32_t n, int32_t K, int32_t N, double lo, double hi, double shift, double u);
double Rand_poisson(RandState* s, double mean, double lo, double hi, double shift, double u);
// Failures before the first success; 0 < q <= 1.
double Rand_geometric(RandState* s, double q, double lo, double hi, double shift, double u);
