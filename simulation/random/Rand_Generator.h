// The evaluation context's random numbers: uniform draws on (0, 1) from the
// library's shuffled minimal standard generator, draws on an interval either
// fresh or at a percentile the caller gives, whole-number draws, random
// permutations and the standard normal quantile that turns a uniform draw
// into a normal one.
#pragma once

#include <cstdint>

#include "values/Rand_State.h"

// The next uniform number of the context's stream, in (0, 0.99999988].
double Rand_uniform01(RandState* state);
// A draw on [a, b] at percentile u when 0 <= u <= 1, else at a fresh uniform
// number (callers that want a fresh draw pass NaN); with integer, a whole
// number through Rand_intBetween.
double Rand_uniform(RandState* state, double a, double b, bool integer, double u);
// A whole number from the smallest integer at or above a to the largest at or
// below b, at percentile u in [0, 1]; the smallest when no integer lies
// between them.
double Rand_intBetween(double a, double b, double u);
// Writes a uniformly random permutation of 1..n into out[1..n]: the order of
// one fresh draw per entry; false when n is negative or the sort fails.
bool Rand_permutation(RandState* state, int32_t n, int32_t* out);
// The standard normal quantile of p: -infinity at 0, +infinity at 1, NaN
// outside [0, 1].
double Rand_inverseNormal(double p);
// The standard normal distribution function.
double Rand_normalCdf(double x);
