// Random boxes and sample points for the enclosure tests of the interval
// families: boxes of every shape the arithmetic must survive (points, narrow,
// touching and straddling 0, around a chosen pole, wide, unbounded), and
// points drawn inside a box (its ends, near-end and interior points; finite
// stand-ins for infinite ends).
#pragma once

#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "values/Ivl_Interval.h"

struct BoxGenerator {
  std::mt19937_64 rng{20261207};

  double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }
  int pick(int n) { return static_cast<int>(rng() % static_cast<uint64_t>(n)); }

  // A box of a random shape; `special` is a point of interest (a pole or a
  // domain end) that some boxes touch or straddle.
  Interval box(double special = 0.0) {
    const double inf = std::numeric_limits<double>::infinity();
    const double c = uniform(-4.0, 4.0), w = std::pow(10.0, uniform(-8.0, 0.5));
    switch (pick(10)) {
      case 0: return Interval{c, c};
      case 1: return Interval{0.0, w};
      case 2: return Interval{-w, 0.0};
      case 3: return Interval{-w * uniform(0.01, 1.0), w};
      case 4: return Interval{special - w, special + w * uniform(0.01, 1.0)};
      case 5: return Interval{special, special + w};
      case 6: return Interval{-uniform(1.0, 1e6), uniform(1.0, 1e6)};
      case 7: return pick(2) ? Interval{-inf, c} : Interval{c, inf};
      default: return Interval{c - w, c + w};
    }
  }

  // n points of x: both ends, points a hair inside them, and interior ones.
  std::vector<double> points(const Interval& x, int n) {
    const double lo = std::isinf(x.lo) ? -1e300 : x.lo, hi = std::isinf(x.hi) ? 1e300 : x.hi;
    std::vector<double> t{lo, hi, std::nextafter(lo, hi), std::nextafter(hi, lo)};
    while (static_cast<int>(t.size()) < n) {
      if (pick(3) == 0 && std::isinf(x.lo) + std::isinf(x.hi) > 0) {
        t.push_back(std::isinf(x.lo) ? -std::pow(10.0, uniform(0.0, 300.0)) + hi
                                     : lo + std::pow(10.0, uniform(0.0, 300.0)));
      } else {
        t.push_back(lo + (hi - lo) * uniform(0.0, 1.0));
      }
      if (!(t.back() >= lo && t.back() <= hi)) t.back() = lo;
    }
    return t;
  }
};

// True when the long double v lies in x (a NaN v, a point where the function
// is undefined, counts as inside).
inline bool encloses(const Interval& x, long double v) {
  if (v != v) return true;
  return static_cast<long double>(x.lo) <= v && v <= static_cast<long double>(x.hi);
}

// Both units round to nearest: the x87 unit as fegetround reports it, and
// the SSE unit, which computes doubles, by the sums it rounds: 1 + 2^-60 and
// 1 - 2^-60 are 1 only when rounding to nearest.
inline bool roundsToNearest() {
  volatile double one = 1.0, tiny = 0x1p-60;
  return std::fegetround() == FE_TONEAREST && one + tiny == 1.0 && one - tiny == 1.0;
}
