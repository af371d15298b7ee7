// Percentiles and truncation of the variate generators.
#include "simulation/random/Rand_Truncation.h"

#include <algorithm>
#include <cmath>

#include "simulation/random/Rand_Generator.h"

double Rand_percentile(RandState* state, double u) { return Rand_uniform(state, 0, 1, false, u); }

bool Rand_truncates(double lo, double hi) { return std::isfinite(lo) && std::isfinite(hi) && lo <= hi; }

bool Rand_reversed(double lo, double hi) { return std::isfinite(lo) && std::isfinite(hi) && lo > hi; }

double Rand_rescale(double p, double fLo, double fHi) {
  const bool valid = fLo >= 0 && fLo <= 1 && fHi >= 0 && fHi <= 1 && fLo < fHi;
  return valid ? fLo + (fHi - fLo) * p : p;
}

double Rand_keepInside(double x, double lo, double hi) {
  if (!Rand_truncates(lo, hi)) return x;
  if (lo == hi) return lo;
  return std::isnan(x) ? x : std::clamp(x, lo, hi);
}
