// The steps every variate generator shares: the percentile of the draw
// (given or fresh), its rescaling into the part of the law that lies
// between the truncation bounds, and the bounds' hold on the value drawn.
#pragma once

#include "values/Rand_State.h"

// u when 0 <= u <= 1, else a fresh uniform draw.
double Rand_percentile(RandState* state, double u);
// True when lo and hi are both finite and lo <= hi: the draw is truncated
// (lo == hi leaves it one value).
bool Rand_truncates(double lo, double hi);
// True when lo and hi are both finite and lo > hi: no value lies between
// them, and the generator gives NaN.
bool Rand_reversed(double lo, double hi);
// p moved into [fLo, fHi], the law's distribution function at the bounds,
// when both lie in [0, 1] and fLo < fHi; p unchanged otherwise.
double Rand_rescale(double p, double fLo, double fHi);
// x held in [lo, hi] when the draw is truncated: a degenerate range, bounds
// in a tail where the distribution function no longer tells them apart, and
// rounding in a quantile would otherwise let the value leave its bounds. A
// range of one value gives that value, even where the quantile failed.
double Rand_keepInside(double x, double lo, double hi);
