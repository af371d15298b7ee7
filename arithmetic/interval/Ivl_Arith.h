// Interval arithmetic with outward rounding: every bound of a sum, difference,
// product, quotient, square, integer power and square root is computed in its
// own rounding direction (lower bound down, upper bound up), so the result
// encloses every value the operation takes over its operands. Each operation
// leaves the rounding mode at nearest. Also the predicates and set operations
// the interval modes and the interval engine use. Unbounded ends are IEEE
// infinities; [NaN, NaN] is the empty or undefined result.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

// -1 rounds toward minus infinity, +1 toward plus infinity, anything else to
// nearest.
void Ivl_setRounding(int32_t direction);

// The point [d, d].
inline Interval Ivl_setConst(double d) { return Interval{d, d}; }
// [min(a, b), max(a, b)].
Interval Ivl_setBounds(double a, double b);
// [m - |r| rounded down, m + |r| rounded up].
Interval Ivl_setMidRad(double m, double r);
// The whole line and the empty marker.
Interval Ivl_whole();
Interval Ivl_empty();
// True for the empty marker (a NaN bound).
inline bool Ivl_isEmpty(const Interval& x) { return x.lo != x.lo || x.hi != x.hi; }

Interval Ivl_neg(const Interval& x);
Interval Ivl_add(const Interval& x, const Interval& y);
Interval Ivl_addSV(double d, const Interval& y);
Interval Ivl_addVS(const Interval& x, double d);
Interval Ivl_sub(const Interval& x, const Interval& y);
Interval Ivl_subSV(double d, const Interval& y);
Interval Ivl_subVS(const Interval& x, double d);
// The inverse of addition: if z = x + y then x is contained in z subInner y.
Interval Ivl_subInner(const Interval& x, const Interval& y);
Interval Ivl_mul(const Interval& x, const Interval& y);
Interval Ivl_mulSV(double d, const Interval& y);
Interval Ivl_mulVS(const Interval& x, double d);
// A divisor containing 0 gives the whole line (see Ivl_divExtended).
Interval Ivl_div(const Interval& x, const Interval& y);
Interval Ivl_divSV(double d, const Interval& y);
Interval Ivl_divVS(const Interval& x, double d);
Interval Ivl_sqr(const Interval& x);
// x^n; a negative n over an interval containing 0 is the empty marker.
Interval Ivl_powVI(const Interval& x, int32_t n);

void Ivl_addAssign(Interval* x, const Interval& y);
void Ivl_addAssignVS(Interval* x, double d);
void Ivl_subAssign(Interval* x, const Interval& y);
void Ivl_subAssignVS(Interval* x, double d);

bool Ivl_eqScalar(const Interval& x, double d);
bool Ivl_neScalar(const Interval& x, double d);
bool Ivl_leScalar(const Interval& x, double d);
bool Ivl_ltScalar(const Interval& x, double d);
bool Ivl_geScalar(const Interval& x, double d);
bool Ivl_gtScalar(const Interval& x, double d);
// x lies wholly above y.
bool Ivl_gt(const Interval& x, const Interval& y);
bool Ivl_contains(const Interval& x, double d);
// y lies inside x.
bool Ivl_containsIvl(const Interval& x, const Interval& y);
bool Ivl_intersects(const Interval& x, const Interval& y);
// Both bounds finite (neither infinite nor NaN).
bool Ivl_isFinite(const Interval& x);

Interval Ivl_hull(const Interval& x, const Interval& y);
// The common part, or the empty marker when there is none.
Interval Ivl_intersect(const Interval& x, const Interval& y);
// Width of the hole between two disjoint intervals, 0 when they meet.
double Ivl_gap(const Interval& x, const Interval& y);
// Hausdorff distance max(|x.lo - y.lo|, |x.hi - y.hi|).
double Ivl_dist(const Interval& x, const Interval& y);
