// The worksheet's elementary functions over intervals: each result contains
// the function's values over the argument. The standard library's functions
// are not correctly rounded, so every computed end is widened outward by two
// units in the last place (and clamped to the function's range). ACOS, ASIN,
// LN, SQRT and the POWER forms with an interval base cut their argument to
// the domain in place; an argument wholly outside gives the empty marker.
// The forms that take a range R answer the inverse question the backward
// propagation asks: the hull of the points of R that the function maps into
// the argument.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

// Smallest positive lower bound that LN and the POWER forms cut to.
constexpr double kIvlDomainFloor = 2.2204460492503e-16;
// Magnitude beyond which the periodic functions place no branch or extremum
// by counting periods: the count would approach 2^53, where k + 1 == k.
// Arguments there get the functions' whole ranges (and inverses keep theirs).
constexpr double kIvlPeriodsFarOut = 1e15;

Interval Ivl_abs(const Interval& x);
// Without a range: ACOS of x cut to [-1, 1]. With a range R: the hull of the
// points t of R with cos t in x (every branch, period 2 pi).
Interval Ivl_acos(Interval* x, const Interval* range = nullptr);
// Without a range: ASIN of x cut to [-1, 1]. With a range R: the hull of the
// points t of R with sin t in x (both branches, period 2 pi).
Interval Ivl_asin(Interval* x, const Interval* range = nullptr);
// Without a range: ATAN of x. With a range R: the hull of the points t of R
// with tan t in x (period pi).
Interval Ivl_atan(const Interval& x, const Interval* range = nullptr);
Interval Ivl_cos(const Interval& x);
Interval Ivl_cosh(const Interval& x);
Interval Ivl_exp(const Interval& x);
// x.hi <= 0: empty; a lower end at or below 0 is cut to kIvlDomainFloor
// and gives the value minus infinity for its lower end (LN's pole at 0).
Interval Ivl_ln(Interval* x);
Interval Ivl_max(const Interval& x, const Interval& y);
Interval Ivl_maxVS(const Interval& x, double d);
Interval Ivl_maxSV(double d, const Interval& y);
Interval Ivl_min(const Interval& x, const Interval& y);
Interval Ivl_minVS(const Interval& x, double d);
Interval Ivl_minSV(double d, const Interval& y);
// x^e for a real e over the non-negative part of x (x.hi < 0: empty). For
// e < 0 a lower end below 0 is cut to kIvlDomainFloor, and one at or below 0
// gives the value plus infinity for its upper end (the pole at 0).
Interval Ivl_powVS(Interval* x, double e);
// d^y; empty where the power is undefined (d < 0, or d = 0 with y below 0).
Interval Ivl_powSV(double d, const Interval& y);
// x^y over the non-negative part of x (x.hi < 0: empty), cut as Ivl_powVS
// by the sign of y.lo; x reaching 0 gives the upper end plus infinity where
// y may be negative and the lower end 0 where y may be positive.
Interval Ivl_pow(Interval* x, const Interval& y);
Interval Ivl_sign(const Interval& x);
Interval Ivl_sin(const Interval& x);
Interval Ivl_sinh(const Interval& x);
// Without a range: SQRT of x cut to [0, inf). With a range R: the roots of x
// of the signs R allows.
Interval Ivl_sqrt(Interval* x, const Interval* range = nullptr);
// The whole line when a pole may lie in x.
Interval Ivl_tan(const Interval& x);
Interval Ivl_tanh(const Interval& x);
// The points of R whose absolute value lies in x (R absent: the non-negative
// ones).
Interval Ivl_absInv(const Interval& x, const Interval* range = nullptr);
// The points t of R with t^k in z, k a non-zero integer, by sign-aware
// roots (R absent: the whole line).
Interval Ivl_rootInv(const Interval& z, int32_t k, const Interval* range = nullptr);
// LN without cutting: a lower end at or below 0 gives minus infinity; x.hi
// <= 0 gives the empty marker. What a projection through EXP needs.
Interval Ivl_lnOpen(const Interval& x);
