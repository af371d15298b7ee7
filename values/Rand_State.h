// The evaluation context's random numbers: the library's uniform generator
// seeded once per context, so that a model draws the same numbers from run
// to run. RAND and RANDBETWEEN draw from it, one number per trial.
#pragma once

#include <cstdint>

#include "base/Rnd_Uniform.h"

struct RandState {
  RndStream stream;
};

// The seed of every new context's stream.
constexpr int64_t kRandSeed = 1;

// A draw on [a, b]: at the percentile itself when it lies in [0, 1], else
// from a fresh uniform number of the stream. With integer, a whole number
// from the smallest integer at or above a to the largest at or below b
// (the caller checks that there is one).
double Rand_uniform(RandState* state, double a, double b, bool integer, double percentile);
