// Extended interval division and its two-piece results.
#include "arithmetic/interval/Ivl_Pair.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Round.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

IntervalPair onePiece(const Interval& x) { return IntervalPair{x, x, 0.0, 0}; }

IntervalPair twoPieces(const Interval& first, const Interval& second) {
  return IntervalPair{first, second, Ivl_gap(first, second), 0};
}

double quotient(int mode, double a, double b) {
  return Ivl_rounded(mode, [&] { return Ivl_pin(a) / Ivl_pin(b); });
}

}  // namespace

Interval Ivl_hullPair(const IntervalPair& p) { return Ivl_hull(p.first, p.second); }

IntervalPair Ivl_divExtended(const Interval& x, const Interval& y) {
  if (!Ivl_contains(y, 0.0)) return onePiece(Ivl_div(x, y));
  if (y.lo == 0.0 && y.hi == 0.0) return onePiece(Ivl_whole());
  if (x.hi <= 0.0) {
    if (y.hi == 0.0) return onePiece(Interval{quotient(FE_DOWNWARD, x.hi, y.lo), kInf});
    if (y.lo == 0.0) return onePiece(Interval{-kInf, quotient(FE_UPWARD, x.hi, y.hi)});
    return twoPieces(Interval{-kInf, quotient(FE_UPWARD, x.hi, y.hi)},
                     Interval{quotient(FE_DOWNWARD, x.hi, y.lo), kInf});
  }
  if (x.lo >= 0.0) {
    if (y.hi == 0.0) return onePiece(Interval{-kInf, quotient(FE_UPWARD, x.lo, y.lo)});
    if (y.lo == 0.0) return onePiece(Interval{quotient(FE_DOWNWARD, x.lo, y.hi), kInf});
    return twoPieces(Interval{-kInf, quotient(FE_UPWARD, x.lo, y.lo)},
                     Interval{quotient(FE_DOWNWARD, x.lo, y.hi), kInf});
  }
  return onePiece(Ivl_whole());
}

IntervalPair Ivl_addSVPair(double d, const IntervalPair& p) {
  const Interval a = Ivl_addSV(d, p.first), b = Ivl_addSV(d, p.second);
  if (Ivl_intersects(a, b)) return onePiece(Ivl_hull(a, b));
  return twoPieces(a, b);
}

IntervalPair Ivl_intersectPair(const IntervalPair& p, const Interval& y) {
  const bool first = Ivl_intersects(p.first, y), second = Ivl_intersects(p.second, y);
  IntervalPair r = onePiece(Interval{0.0, 0.0});
  if (first && second) {
    r.first = Ivl_intersect(p.first, y);
    r.second = Ivl_intersect(p.second, y);
  } else if (first || second) {
    r = onePiece(Ivl_intersect(first ? p.first : p.second, y));
  }
  r.gap = Ivl_intersects(r.first, r.second) ? 0.0 : Ivl_gap(r.first, r.second);
  return r;
}

bool Ivl_pairIntersects(const IntervalPair& p, const Interval& y) {
  return Ivl_intersects(p.first, y) || Ivl_intersects(p.second, y);
}

void Ivl_setPair(IntervalPair* dst, const IntervalPair& src) { *dst = src; }
