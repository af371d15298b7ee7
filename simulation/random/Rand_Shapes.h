// Variate generators of the laws given by a few shape points: the
// triangle, the triangle given by two percentiles, and the three-point law
// given by its quartiles and median. Arguments as for every generator: the
// law's parameters, truncation bounds, shift and percentile u.
#pragma once

#include "values/Rand_State.h"

// Minimum a, most likely m and maximum b with a <= m < b.
double Rand_triangular(RandState* s, double a, double m, double b, double lo, double hi, double shift, double u);
// A triangle from 0 whose value at percentile pL (percent) is L and at pH is
// H, with most likely value m; L < m < H, 0 < pL < pH < 100.
double Rand_triangularPercentiles(RandState* s, double L, double m, double H, double pL, double pH, double lo,
                                  double hi, double shift, double u);
// A skewed law whose lower quartile, median and upper quartile are low,
// middle and high; bounds clamp the draw instead of rescaling it.
double Rand_threePoint(RandState* s, double low, double middle, double high, double lo, double hi, double shift,
                       double u);
