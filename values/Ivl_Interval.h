// The closed interval [lo, hi] of the interval modes, and its copy as the
// payload of an interval value. Unbounded ends are IEEE infinities; [NaN, NaN]
// marks an empty or undefined result.
#pragma once

struct Interval {
  double lo;
  double hi;
};

// Copies the source interval into the destination payload.
inline bool Ivl_set(Interval* dst, const Interval* src) {
  *dst = *src;
  return true;
}
