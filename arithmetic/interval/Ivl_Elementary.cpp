// Interval elementary functions and the inverse forms of the propagation.
#include "arithmetic/interval/Ivl_Elementary.h"

#include <cmath>
#include <limits>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Round.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kPi = std::acos(-1.0);
const double kTwoPi = 2.0 * kPi;
const double kHalfPi = std::asin(1.0);
// Relative slack of the tests for an extremum or a pole inside an argument:
// covers the error of reducing by a period that is itself rounded.
constexpr double kPeriodSlack = 1e-15;

// Two units in the last place below / above v.
double down(double v) { return std::nextafter(std::nextafter(v, -kInf), -kInf); }
double up(double v) { return std::nextafter(std::nextafter(v, kInf), kInf); }

// [f(lo), f(hi)] of an increasing f, widened and clamped to [floor, ceil].
template <class F>
Interval increasing(const Interval& x, F f, double floor = -kInf, double ceil = kInf) {
  if (Ivl_isEmpty(x)) return Ivl_empty();
  return Interval{std::fmax(down(f(x.lo)), floor), std::fmin(up(f(x.hi)), ceil)};
}

// [min, max] of two computed values, widened and clamped.
Interval between(double a, double b, double floor = -kInf, double ceil = kInf) {
  if (a != a || b != b) return Ivl_empty();
  return Interval{std::fmax(down(std::fmin(a, b)), floor), std::fmin(up(std::fmax(a, b)), ceil)};
}

// True when some c + k * period lies in [a, b] or so close to it that the
// rounded period cannot tell; always true for an unbounded argument.
bool containsPeriodic(double a, double b, double c, double period) {
  if (!std::isfinite(a) || !std::isfinite(b)) return true;
  const double slack = kPeriodSlack * (1.0 + std::fabs(a) + std::fabs(b));
  const double k = std::floor((b - c) / period);
  for (double j = k - 1.0; j <= k + 1.0; j += 1.0) {
    const double t = c + j * period;
    if (t >= a - slack && t <= b + slack) return true;
  }
  return false;
}

// COS (phase 0) or SIN (phase -pi/2: sin t = cos(t - pi/2)) of x: the
// extrema inside x, else the values at the ends.
Interval cosine(const Interval& x, double phase) {
  if (Ivl_isEmpty(x)) return Ivl_empty();
  if (!(x.hi - x.lo < kTwoPi)) return Interval{-1.0, 1.0};
  auto f = [&](double t) { return phase == 0.0 ? std::cos(t) : std::sin(t); };
  const Interval ends = between(f(x.lo), f(x.hi), -1.0, 1.0);
  const double hi = containsPeriodic(x.lo, x.hi, -phase, kTwoPi) ? 1.0 : ends.hi;
  const double lo = containsPeriodic(x.lo, x.hi, kPi - phase, kTwoPi) ? -1.0 : ends.lo;
  return Interval{lo, hi};
}

// A shifted by s, widened for the error of a rounded period in s.
Interval shifted(const Interval& a, double s) {
  const double eps = kPeriodSlack * (1.0 + std::fabs(s));
  const Interval b = Ivl_addVS(a, s);
  return Interval{b.lo - eps, b.hi + eps};
}

// The hull of the points of range that lie in a branch + k * period for some
// integer k; the range itself when it is unbounded, spans many periods or lies
// so far out that the count k no longer steps by one; the empty marker when
// no branch meets it.
Interval periodicPreimage(const Interval* branches, int count, double period, const Interval& range) {
  if (!Ivl_isFinite(range) || range.hi - range.lo > 4.0 * period || std::fmax(-range.lo, range.hi) > kIvlPeriodsFarOut)
    return range;
  Interval hull = Ivl_empty();
  const double first = std::floor(range.lo / period) - 1.0, last = std::floor(range.hi / period) + 1.0;
  for (double k = first; k <= last; k += 1.0) {
    for (int b = 0; b < count; ++b) {
      const Interval piece = shifted(branches[b], k * period);
      if (!Ivl_intersects(piece, range)) continue;
      const Interval part = Ivl_intersect(piece, range);
      hull = Ivl_isEmpty(hull) ? part : Ivl_hull(hull, part);
    }
  }
  return hull;
}

// Cuts x to [-1, 1] in place; false when x misses it.
bool cutToUnit(Interval* x) {
  if (!Ivl_intersects(*x, Interval{-1.0, 1.0})) return false;
  *x = Ivl_intersect(*x, Interval{-1.0, 1.0});
  return true;
}

// The roots of the signs range allows, from the non-negative roots s.
Interval signedRoots(const Interval& s, const Interval* range) {
  if (!range) return s;
  if (range->hi <= 0.0) return Ivl_neg(s);
  if (Ivl_contains(*range, 0.0)) return Interval{-s.hi, s.hi};
  return s;
}

// |v|^(1/k) with the sign of v, for k >= 1, widened generously: 1/k is
// itself rounded.
Interval root(double v, int32_t k) {
  if (k == 1) return Interval{v, v};
  const double a = std::fabs(v);
  const double r = k == 2 ? std::sqrt(a) : k == 3 ? std::cbrt(a) : std::pow(a, 1.0 / k);
  const double w = k <= 3 || !std::isfinite(r) ? 0.0 : r * 1e-13;
  const double lo = std::fmax(down(r - w), 0.0), hi = up(r + w);
  return v < 0.0 ? Interval{-hi, -lo} : Interval{lo, hi};
}

}  // namespace

Interval Ivl_abs(const Interval& x) {
  const double lo = x.lo >= 0.0 ? x.lo : x.hi <= 0.0 ? -x.hi : 0.0;
  return Interval{lo, std::fmax(std::fabs(x.lo), std::fabs(x.hi))};
}

Interval Ivl_acos(Interval* x, const Interval* range) {
  if (!cutToUnit(x)) return range ? *range : Ivl_empty();
  const Interval a{std::fmax(down(std::acos(x->hi)), 0.0), up(std::acos(x->lo))};
  if (!range) return a;
  const Interval branches[2] = {a, Ivl_neg(a)};
  return periodicPreimage(branches, 2, kTwoPi, *range);
}

Interval Ivl_asin(Interval* x, const Interval* range) {
  if (!cutToUnit(x)) return range ? *range : Ivl_empty();
  const Interval a = increasing(*x, [](double t) { return std::asin(t); });
  if (!range) return a;
  const Interval branches[2] = {a, shifted(Ivl_neg(a), kPi)};
  return periodicPreimage(branches, 2, kTwoPi, *range);
}

Interval Ivl_atan(const Interval& x, const Interval* range) {
  const Interval a = increasing(x, [](double t) { return std::atan(t); });
  if (!range || Ivl_isEmpty(a)) return a;
  return periodicPreimage(&a, 1, kPi, *range);
}

Interval Ivl_cos(const Interval& x) { return cosine(x, 0.0); }
Interval Ivl_sin(const Interval& x) { return cosine(x, -kHalfPi); }

Interval Ivl_cosh(const Interval& x) {
  Interval r = between(std::cosh(x.lo), std::cosh(x.hi), 1.0);
  if (Ivl_contains(x, 0.0)) r.lo = 1.0;
  return r;
}

Interval Ivl_exp(const Interval& x) { return increasing(x, [](double t) { return std::exp(t); }, 0.0); }

Interval Ivl_ln(Interval* x) {
  if (!(x->hi > 0.0)) return Ivl_empty();
  // LN falls without end towards 0: an argument that reaches it has values
  // without a lower end. The argument is cut all the same, so that what
  // the callers derive from it (the slope 1/x) stays finite.
  const bool reachesPole = x->lo <= 0.0;
  if (reachesPole) x->lo = kIvlDomainFloor;
  Interval r = increasing(*x, [](double t) { return std::log(t); });
  if (reachesPole) r.lo = -kInf;
  return r;
}

Interval Ivl_lnOpen(const Interval& x) {
  if (!(x.hi > 0.0)) return Ivl_empty();
  Interval r = increasing(x, [](double t) { return std::log(t); });
  if (x.lo <= 0.0) r.lo = -kInf;
  return r;
}

Interval Ivl_max(const Interval& x, const Interval& y) {
  return Interval{std::fmax(x.lo, y.lo), std::fmax(x.hi, y.hi)};
}
Interval Ivl_maxVS(const Interval& x, double d) { return Ivl_max(x, Interval{d, d}); }
Interval Ivl_maxSV(double d, const Interval& y) { return Ivl_max(Interval{d, d}, y); }
Interval Ivl_min(const Interval& x, const Interval& y) {
  return Interval{std::fmin(x.lo, y.lo), std::fmin(x.hi, y.hi)};
}
Interval Ivl_minVS(const Interval& x, double d) { return Ivl_min(x, Interval{d, d}); }
Interval Ivl_minSV(double d, const Interval& y) { return Ivl_min(Interval{d, d}, y); }

Interval Ivl_powVS(Interval* x, double e) {
  if (x->hi < 0.0 || Ivl_isEmpty(*x)) return Ivl_empty();
  // A negative power rises without end towards 0: an argument that reaches
  // it has values without an upper end. The argument is cut all the same,
  // so that what the callers derive from it (the slope) stays finite.
  const bool reachesPole = e < 0.0 && x->lo <= 0.0;
  if (x->lo < 0.0) {
    x->lo = e >= 0.0 ? 0.0 : kIvlDomainFloor;
    if (x->hi < x->lo) x->hi = x->lo;
  }
  Interval r = between(std::pow(x->lo, e), std::pow(x->hi, e), 0.0);
  if (reachesPole) r.hi = kInf;
  return r;
}

Interval Ivl_powSV(double d, const Interval& y) {
  if (d < 0.0) {
    // A negative base has a power only at an integer exponent.
    if (y.lo != y.hi || y.lo != std::floor(y.lo)) return Ivl_empty();
    return between(std::pow(d, y.lo), std::pow(d, y.lo));
  }
  if (d == 0.0 && y.lo < 0.0) return Ivl_empty();
  return between(std::pow(d, y.lo), std::pow(d, y.hi), 0.0);
}

Interval Ivl_pow(Interval* x, const Interval& y) {
  if (x->hi < 0.0 || Ivl_isEmpty(*x)) return Ivl_empty();
  // Towards 0 the power rises without end under a negative exponent and
  // falls to 0 under a positive one: an argument that reaches 0 has those
  // ends among its values, though it is cut as in Ivl_powVS.
  const bool reachesZero = x->lo <= 0.0;
  if (x->lo < 0.0) {
    x->lo = y.lo >= 0.0 ? 0.0 : kIvlDomainFloor;
    if (x->hi < x->lo) x->hi = x->lo;
  }
  const double c[4] = {std::pow(x->lo, y.lo), std::pow(x->lo, y.hi), std::pow(x->hi, y.lo), std::pow(x->hi, y.hi)};
  Interval r = between(c[0], c[1], 0.0);
  r = Ivl_hull(r, between(c[2], c[3], 0.0));
  if (reachesZero && y.lo < 0.0) r.hi = kInf;
  if (reachesZero && y.hi > 0.0) r.lo = 0.0;
  return r;
}

Interval Ivl_sign(const Interval& x) {
  if (x.hi < 0.0) return Interval{-1.0, -1.0};
  if (x.lo > 0.0) return Interval{1.0, 1.0};
  if (x.lo == 0.0 && x.hi == 0.0) return Interval{0.0, 0.0};
  return Interval{-1.0, 1.0};
}

Interval Ivl_sinh(const Interval& x) { return increasing(x, [](double t) { return std::sinh(t); }); }
Interval Ivl_tanh(const Interval& x) { return increasing(x, [](double t) { return std::tanh(t); }, -1.0, 1.0); }

Interval Ivl_sqrt(Interval* x, const Interval* range) {
  if (x->hi < 0.0) return range ? *range : Ivl_empty();
  if (x->lo < 0.0) x->lo = 0.0;
  const double a = x->lo, b = x->hi;
  const Interval s = Ivl_outward([&] { return std::sqrt(Ivl_pin(a)); }, [&] { return std::sqrt(Ivl_pin(b)); });
  return signedRoots(s, range);
}

Interval Ivl_tan(const Interval& x) {
  if (Ivl_isEmpty(x)) return Ivl_empty();
  if (!(x.hi - x.lo < kPi) || containsPeriodic(x.lo, x.hi, kHalfPi, kPi)) return Ivl_whole();
  return Interval{down(std::tan(x.lo)), up(std::tan(x.hi))};
}

Interval Ivl_absInv(const Interval& x, const Interval* range) {
  if (x.hi < 0.0) return range ? *range : Ivl_empty();
  return signedRoots(Interval{x.lo > 0.0 ? x.lo : 0.0, x.hi}, range);
}

Interval Ivl_rootInv(const Interval& z, int32_t k, const Interval* range) {
  if (Ivl_isEmpty(z) || k == 0) return range ? *range : Ivl_whole();
  if (k < 0) {
    // t^k in z means t^|k| in 1/z (t is never 0); a z through 0 says nothing.
    if (Ivl_contains(z, 0.0)) return range ? *range : Ivl_whole();
    return Ivl_rootInv(Ivl_divSV(1.0, z), -k, range);
  }
  if (k % 2 != 0) return Interval{root(z.lo, k).lo, root(z.hi, k).hi};
  if (z.hi < 0.0) return Ivl_empty();
  const Interval s{root(std::fmax(z.lo, 0.0), k).lo, root(z.hi, k).hi};
  return signedRoots(s, range);
}
