// Correlated draws for one trial: independent standard normal draws combined
// through the Cholesky factor of a correlation matrix and shifted by a
// vector of means, as normal values or as their exponentials. A rank
// correlation r between two normal draws asks for the matrix entry
// 2 sin(pi r / 6).
#pragma once

#include <cstdint>

#include "values/Rand_State.h"

enum RandCorrelation : int32_t {
  kRandCorrelationOk = 0,
  // n below 1, an entry that is not finite, or a matrix that is not symmetric.
  kRandCorrelationMalformed = 1,
  // Some variance left after the earlier rows is not positive.
  kRandCorrelationNotPositiveDefinite = 2,
};

// out[i] = means[i] + (L z)[i] with L L' the n x n matrix given by its row
// pointers; arrays from index 0 when zeroBased, else from 1. A refused matrix
// draws nothing and leaves out untouched.
RandCorrelation Rand_correlatedNormal(RandState* s, int32_t n, double* out, const double* means,
                                      const double* const* rows, bool zeroBased);
// exp of what Rand_correlatedNormal gives for the same stream.
RandCorrelation Rand_correlatedLognormal(RandState* s, int32_t n, double* out, const double* means,
                                         const double* const* rows, bool zeroBased);
// n independent normal draws of the given mean and standard deviation.
void Rand_normalVector(RandState* s, int32_t n, double* out, double mean, double sd, bool zeroBased);
