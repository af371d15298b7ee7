// The steps every variate generator shares: the percentile of the draw
// (given or fresh) and its rescaling into the part of the law that lies
// between the truncation bounds.
#pragma once

#include "values/Rand_State.h"

// u when 0 <= u <= 1, else a fresh uniform draw.
double Rand_percentile(RandState* state, double u);
// True when lo and hi are both finite and lo < hi: the draw is truncated.
bool Rand_truncates(double lo, double hi);
// p moved into [fLo, fHi], the law's distribution function at the bounds,
// when both lie in [0, 1] and fLo < fHi; p unchanged otherwise.
double Rand_rescale(double p, double fLo, double fHi);
