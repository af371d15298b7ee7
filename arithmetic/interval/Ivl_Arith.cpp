// Outward-rounded interval arithmetic, predicates and set operations.
#include "arithmetic/interval/Ivl_Arith.h"

#include <cfenv>
#include <cmath>
#include <limits>

#include "arithmetic/interval/Ivl_Round.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// Relative widening of the integer power, whose end powers come from pow.
constexpr double kPowWiden = 1.4901161193848e-8;

// A product bound: 0 when either factor is 0, so that 0 times an infinite
// bound stays 0.
double mulBound(double a, double b) {
  if (a == 0.0 || b == 0.0) return 0.0;
  return Ivl_pin(Ivl_pin(a) * Ivl_pin(b));
}

// Bounds of a sum, difference and quotient: a + b, a - b and a / b as the
// rounding mode in effect computes them.
double sum(double a, double b) { return Ivl_pin(a) + Ivl_pin(b); }
double difference(double a, double b) { return Ivl_pin(a) - Ivl_pin(b); }
double quotient(double a, double b) { return Ivl_pin(a) / Ivl_pin(b); }
// The integer power of the C library under the rounding mode in effect.
double power(double a, int32_t n) { return std::pow(Ivl_pin(a), n); }

// [a op b rounded down, c op d rounded up].
template <class Op>
Interval outward(Op op, double a, double b, double c, double d) {
  return Ivl_outward([&] { return op(a, b); }, [&] { return op(c, d); });
}

bool oppositeInfinities(double a, double b) { return std::isinf(a) && std::isinf(b) && (a > 0) != (b > 0); }
bool sameInfinities(double a, double b) { return std::isinf(a) && a == b; }

}  // namespace

void Ivl_setRounding(int32_t direction) {
  std::fesetround(direction < 0 ? FE_DOWNWARD : direction > 0 ? FE_UPWARD : FE_TONEAREST);
}

Interval Ivl_setBounds(double a, double b) { return a <= b ? Interval{a, b} : Interval{b, a}; }

Interval Ivl_setMidRad(double m, double r) {
  const double a = std::fabs(r);
  return Ivl_outward([&] { return difference(m, a); }, [&] { return sum(m, a); });
}

Interval Ivl_whole() { return Interval{-kInf, kInf}; }

Interval Ivl_empty() {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return Interval{nan, nan};
}

Interval Ivl_neg(const Interval& x) { return Interval{-x.hi, -x.lo}; }

Interval Ivl_add(const Interval& x, const Interval& y) {
  if (oppositeInfinities(x.lo, y.lo) || oppositeInfinities(x.hi, y.hi)) return Ivl_whole();
  return outward(sum, x.lo, y.lo, x.hi, y.hi);
}

Interval Ivl_addSV(double d, const Interval& y) { return outward(sum, d, y.lo, d, y.hi); }
Interval Ivl_addVS(const Interval& x, double d) { return outward(sum, x.lo, d, x.hi, d); }

Interval Ivl_sub(const Interval& x, const Interval& y) {
  if (sameInfinities(x.lo, y.hi) || sameInfinities(x.hi, y.lo)) return Ivl_whole();
  return outward(difference, x.lo, y.hi, x.hi, y.lo);
}

Interval Ivl_subSV(double d, const Interval& y) { return outward(difference, d, y.hi, d, y.lo); }
Interval Ivl_subVS(const Interval& x, double d) { return outward(difference, x.lo, d, x.hi, d); }
Interval Ivl_subInner(const Interval& x, const Interval& y) { return outward(difference, x.lo, y.lo, x.hi, y.hi); }

Interval Ivl_mul(const Interval& x, const Interval& y) {
  const bool xPos = x.lo >= 0.0, xNeg = !xPos && x.hi <= 0.0;
  const bool yPos = y.lo >= 0.0, yNeg = !yPos && y.hi <= 0.0;
  if (xPos) {
    if (yPos) return outward(mulBound, x.lo, y.lo, x.hi, y.hi);
    if (yNeg) return outward(mulBound, x.hi, y.lo, x.lo, y.hi);
    return outward(mulBound, x.hi, y.lo, x.hi, y.hi);
  }
  if (xNeg) {
    if (yPos) return outward(mulBound, x.lo, y.hi, x.hi, y.lo);
    if (yNeg) return outward(mulBound, x.hi, y.hi, x.lo, y.lo);
    return outward(mulBound, x.lo, y.hi, x.lo, y.lo);
  }
  if (yPos) return outward(mulBound, x.lo, y.hi, x.hi, y.hi);
  if (yNeg) return outward(mulBound, x.hi, y.lo, x.lo, y.lo);
  return Ivl_outward([&] { return std::fmin(mulBound(x.lo, y.hi), mulBound(x.hi, y.lo)); },
                     [&] { return std::fmax(mulBound(x.lo, y.lo), mulBound(x.hi, y.hi)); });
}

Interval Ivl_mulSV(double d, const Interval& y) {
  if (d == 0.0) return Interval{0.0, 0.0};
  if (d > 0.0) return outward(mulBound, d, y.lo, d, y.hi);
  return outward(mulBound, d, y.hi, d, y.lo);
}

Interval Ivl_mulVS(const Interval& x, double d) { return Ivl_mulSV(d, x); }

Interval Ivl_div(const Interval& x, const Interval& y) {
  if (Ivl_contains(y, 0.0)) return Ivl_whole();
  return Ivl_mul(x, outward(quotient, 1.0, y.hi, 1.0, y.lo));
}

Interval Ivl_divSV(double d, const Interval& y) {
  if (Ivl_contains(y, 0.0)) return Ivl_whole();
  return Ivl_mulSV(d, outward(quotient, 1.0, y.hi, 1.0, y.lo));
}

Interval Ivl_divVS(const Interval& x, double d) {
  if (d == 0.0) return Ivl_whole();
  if (d > 0.0) return outward(quotient, x.lo, d, x.hi, d);
  return outward(quotient, x.hi, d, x.lo, d);
}

Interval Ivl_sqr(const Interval& x) {
  const double a = std::fabs(x.lo), b = std::fabs(x.hi);
  const double small = std::fmin(a, b), large = std::fmax(a, b);
  if (Ivl_contains(x, 0.0)) return Interval{0.0, Ivl_rounded(FE_UPWARD, [&] { return mulBound(large, large); })};
  return outward(mulBound, small, small, large, large);
}

Interval Ivl_powVI(const Interval& x, int32_t n) {
  if (n == 0) return Interval{1.0, 1.0};
  const bool odd = n % 2 != 0;
  Interval r;
  if ((n > 0 && (odd || x.lo > 0.0)) || (n < 0 && !odd && x.hi < 0.0)) {
    r = Ivl_outward([&] { return power(x.lo, n); }, [&] { return power(x.hi, n); });
  } else if ((n > 0 && x.hi < 0.0) || (n < 0 && x.hi < 0.0) || (n < 0 && x.lo > 0.0)) {
    r = Ivl_outward([&] { return power(x.hi, n); }, [&] { return power(x.lo, n); });
  } else if (n > 0) {
    const double m = std::fmax(std::fabs(x.lo), std::fabs(x.hi));
    r = Interval{0.0, Ivl_rounded(FE_UPWARD, [&] { return power(m, n); })};
  } else {
    return Ivl_empty();
  }
  r.lo -= std::fabs(r.lo) * kPowWiden;
  r.hi += std::fabs(r.hi) * kPowWiden;
  return r;
}

void Ivl_addAssign(Interval* x, const Interval& y) { *x = Ivl_add(*x, y); }
void Ivl_addAssignVS(Interval* x, double d) { *x = Ivl_addVS(*x, d); }
void Ivl_subAssign(Interval* x, const Interval& y) { *x = Ivl_sub(*x, y); }
void Ivl_subAssignVS(Interval* x, double d) { *x = Ivl_subVS(*x, d); }

bool Ivl_eqScalar(const Interval& x, double d) { return x.lo == d && x.hi == d; }
bool Ivl_neScalar(const Interval& x, double d) { return !Ivl_eqScalar(x, d); }
bool Ivl_leScalar(const Interval& x, double d) { return x.hi <= d; }
bool Ivl_ltScalar(const Interval& x, double d) { return x.hi < d; }
bool Ivl_geScalar(const Interval& x, double d) { return x.lo >= d; }
bool Ivl_gtScalar(const Interval& x, double d) { return x.lo > d; }
bool Ivl_gt(const Interval& x, const Interval& y) { return x.lo > y.hi; }
bool Ivl_contains(const Interval& x, double d) { return x.lo <= d && d <= x.hi; }
bool Ivl_containsIvl(const Interval& x, const Interval& y) { return y.lo >= x.lo && y.hi <= x.hi; }

bool Ivl_intersects(const Interval& x, const Interval& y) {
  return Ivl_contains(x, y.lo) || Ivl_contains(x, y.hi) || Ivl_contains(y, x.lo);
}

bool Ivl_isFinite(const Interval& x) { return std::isfinite(x.lo) && std::isfinite(x.hi); }

Interval Ivl_hull(const Interval& x, const Interval& y) {
  return Interval{std::fmin(x.lo, y.lo), std::fmax(x.hi, y.hi)};
}

Interval Ivl_intersect(const Interval& x, const Interval& y) {
  if (!Ivl_intersects(x, y)) return Ivl_empty();
  return Interval{std::fmax(x.lo, y.lo), std::fmin(x.hi, y.hi)};
}

double Ivl_gap(const Interval& x, const Interval& y) {
  if (Ivl_intersects(x, y)) return 0.0;
  return std::fmax(x.lo, y.lo) - std::fmin(x.hi, y.hi);
}

double Ivl_dist(const Interval& x, const Interval& y) {
  return std::fmax(std::fabs(x.lo - y.lo), std::fabs(x.hi - y.hi));
}
