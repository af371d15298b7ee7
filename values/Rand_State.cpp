// Uniform draws of the evaluation context.
#include "values/Rand_State.h"

#include <cmath>

double Rand_uniform(RandState* state, double a, double b, bool integer, double percentile) {
  const double u = percentile >= 0 && percentile <= 1 ? percentile : Rnd_uniform(state->stream);
  if (!integer) return a + u * (b - a);
  const double lo = std::ceil(a), hi = std::floor(b);
  // u lies below 1, so the draw stays at or below hi (a percentile of 1
  // takes hi itself).
  return std::fmin(lo + std::floor(u * (hi - lo + 1)), hi);
}
