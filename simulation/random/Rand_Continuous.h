// Variate generators of the continuous laws with a closed-form quantile.
// Each takes the law's parameters, then the truncation bounds lo and hi
// (-infinity and +infinity when absent), a shift added to the result and a
// percentile u (outside [0, 1], NaN for instance, asks for a fresh draw).
// Every law is inverted through its lower tail, so truncated draws stay in
// [lo, hi] and a given percentile gives the law's own quantile. A parameter
// outside its domain gives NaN before any draw.
#pragma once

#include "values/Rand_State.h"

double Rand_normal(RandState* s, double mean, double sd, double lo, double hi, double shift, double u);
// The normal law of mean 0 whose precision h gives sd = 1 / (h sqrt 2).
double Rand_errorFunctionNormal(RandState* s, double h, double lo, double hi, double shift, double u);
// The lognormal law of the given mean m and standard deviation sd of the variate.
double Rand_lognormal(RandState* s, double m, double sd, double lo, double hi, double shift, double u);
double Rand_exponential(RandState* s, double rate, double lo, double hi, double shift, double u);
double Rand_weibull(RandState* s, double shape, double scale, double lo, double hi, double shift, double u);
double Rand_rayleigh(RandState* s, double sigma, double lo, double hi, double shift, double u);
// Shape a > 1, scale b > 0: support [b, infinity).
double Rand_pareto(RandState* s, double a, double b, double lo, double hi, double shift, double u);
double Rand_logistic(RandState* s, double location, double scale, double lo, double hi, double shift, double u);
double Rand_logLogistic(RandState* s, double location, double scale, double shape, double lo, double hi, double shift,
                        double u);
// The extreme-value law of the maximum, or with minimum that of the minimum.
double Rand_extremeValue(RandState* s, double location, double scale, bool minimum, double lo, double hi, double shift,
                         double u);
