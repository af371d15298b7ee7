// Extended division: the quotient of an interval by one that contains zero as
// up to two disjoint pieces instead of the whole line, and the small algebra
// on such pairs that an interval Newton step needs (shift, intersection with
// the current range, emptiness test, hull).
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

// One piece: first == second and gap 0. Two pieces: first below second and
// gap the width of the hole between them (0 when they touch).
struct IntervalPair {
  Interval first;
  Interval second;
  double gap;
  int32_t flags;  // cleared by the shift and the intersection, kept by a copy
};

Interval Ivl_hullPair(const IntervalPair& p);
IntervalPair Ivl_divExtended(const Interval& x, const Interval& y);
// Both pieces shifted by d (outward rounded); pieces that then meet merge.
IntervalPair Ivl_addSVPair(double d, const IntervalPair& p);
// The pieces cut to y; callers test Ivl_pairIntersects first (a pair that
// misses y comes back as the point [0, 0]).
IntervalPair Ivl_intersectPair(const IntervalPair& p, const Interval& y);
bool Ivl_pairIntersects(const IntervalPair& p, const Interval& y);
void Ivl_setPair(IntervalPair* dst, const IntervalPair& src);
