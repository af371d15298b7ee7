// Variate generators of the laws given by tables: a piecewise-linear
// distribution function through given points, a density given at points,
// a histogram of equal bins and a list of discrete values (or value
// ranges) with weights. Arrays hold count entries from index 0 when
// zeroBased, else from index 1. A malformed table gives NaN before any draw.
#pragma once

#include <cstdint>

#include "values/Rand_State.h"

// Distribution function 0 at minimum, P[i] at x[i] (x increasing, P
// non-decreasing in [0, 1]), 1 at maximum, linear in between.
double Rand_cumulative(RandState* s, double minimum, double maximum, int32_t count, const double* x, const double* P,
                       bool zeroBased, double lo, double hi, double shift, double u);
// Uniform inside each segment of minimum, x[1..count], maximum; a segment's
// mass is the mean of the densities at its ends (0 at minimum and maximum)
// divided by its width.
double Rand_general(RandState* s, double minimum, double maximum, int32_t count, const double* x, const double* f,
                    bool zeroBased, double lo, double hi, double shift, double u);
// count equal bins from minimum to maximum with the given non-negative weights.
double Rand_histogram(RandState* s, double minimum, double maximum, int32_t count, const double* weights,
                      bool zeroBased, double lo, double hi, double shift, double u);
// One of the values x (non-decreasing) with probability proportional to its
// weight (each > 0; all 1 when weights is null); with upper values y, a
// uniform draw between x[i] and y[i] of the value chosen.
double Rand_discrete(RandState* s, int32_t count, const double* x, const double* y, const double* weights,
                     bool zeroBased, double lo, double hi, double shift, double u);
