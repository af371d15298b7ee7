// Interval derivatives of the elementary functions.
#include "arithmetic/interval/Ivl_Derivs.h"

#include <climits>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "values/Pay_Tape.h"

namespace {

constexpr Interval kZero{0.0, 0.0};

// x with a lower bound of exactly 0 raised to the domain floor (and an upper
// bound then below it raised too), so that 1 / (2 x) stays finite.
Interval offZero(Interval x) {
  if (x.lo == 0.0) x.lo = kIvlDomainFloor;
  if (x.hi < kIvlDomainFloor) x.hi = kIvlDomainFloor;
  return x;
}

// d / sqrt(1 - x^2) and its derivative d x / (1 - x^2)^(3/2).
IvlDerivs arc(Interval f, const Interval& x, double d) {
  Interval s = Ivl_subSV(1.0, Ivl_sqr(x));
  const Interval d1 = Ivl_divSV(d, Ivl_sqrt(&s));
  return {f, d1, Ivl_div(Ivl_mul(d1, x), s)};
}

}  // namespace

bool Ivl_refuses(int32_t op, const Interval& x, bool sqrtAtZero) {
  switch (op) {
    case kOpAcos:
    case kOpAsin: return !Ivl_intersects(x, Interval{-1.0, 1.0});
    case kOpLn: return !(x.hi > 0.0);
    case kOpSqrt: return sqrtAtZero ? !(x.hi > 0.0) : x.hi < 0.0;
    default: return false;
  }
}

IvlDerivs Ivl_elementary(int32_t op, Interval* x) {
  switch (op) {
    case kOpAbs: {
      const Interval d = x->hi < 0.0 ? Interval{-1.0, -1.0} : x->lo > 0.0 ? Interval{1.0, 1.0} : Interval{-1.0, 1.0};
      return {Ivl_abs(*x), d, Ivl_maxMinKink(*x, Ivl_neg(*x))};
    }
    case kOpAcos: {
      const Interval f = Ivl_acos(x);
      return arc(f, *x, -1.0);
    }
    case kOpAsin: {
      const Interval f = Ivl_asin(x);
      return arc(f, *x, 1.0);
    }
    case kOpAtan: {
      const Interval d1 = Ivl_divSV(1.0, Ivl_addVS(Ivl_sqr(*x), 1.0));
      return {Ivl_atan(*x), d1, Ivl_mul(Ivl_mulSV(-2.0, *x), Ivl_sqr(d1))};
    }
    case kOpCos: {
      const Interval f = Ivl_cos(*x);
      return {f, Ivl_neg(Ivl_sin(*x)), Ivl_neg(f)};
    }
    case kOpCosh: {
      const Interval f = Ivl_cosh(*x);
      return {f, Ivl_sinh(*x), f};
    }
    case kOpExp: {
      const Interval f = Ivl_exp(*x);
      return {f, f, f};
    }
    case kOpLn: {
      const Interval f = Ivl_ln(x);
      return {f, Ivl_divSV(1.0, *x), Ivl_neg(Ivl_divSV(1.0, Ivl_sqr(*x)))};
    }
    case kOpSin: {
      const Interval f = Ivl_sin(*x);
      return {f, Ivl_cos(*x), Ivl_neg(f)};
    }
    case kOpSinh: {
      const Interval f = Ivl_sinh(*x);
      return {f, Ivl_cosh(*x), f};
    }
    case kOpSquare: return {Ivl_sqr(*x), Ivl_mulSV(2.0, *x), Interval{2.0, 2.0}};
    case kOpSqrt: {
      const Interval f = Ivl_sqrt(x);
      const Interval d1 = Ivl_divSV(1.0, Ivl_mulSV(2.0, offZero(f)));
      const Interval h = Ivl_divSV(1.0, Ivl_mulSV(2.0, offZero(*x)));
      return {f, d1, Ivl_neg(Ivl_mul(d1, h))};
    }
    case kOpTan: {
      const Interval f = Ivl_tan(*x);
      const Interval d1 = Ivl_addSV(1.0, Ivl_sqr(f));
      return {f, d1, Ivl_mul(Ivl_mulSV(2.0, f), d1)};
    }
    case kOpTanh: {
      const Interval f = Ivl_tanh(*x);
      const Interval d1 = Ivl_subSV(1.0, Ivl_sqr(f));
      return {f, d1, Ivl_mul(Ivl_mulSV(-2.0, f), d1)};
    }
    default: {  // SIGN: constant off its jump, no bounded slope across it
      const Interval d = Ivl_signJumps(*x) ? Ivl_whole() : kZero;
      return {Ivl_sign(*x), d, d};
    }
  }
}

void Ivl_maxMinWeights(bool isMax, const Interval& x, const Interval& y, Interval* wx, Interval* wy) {
  const bool xWins = isMax ? x.lo > y.hi : x.hi < y.lo;
  const bool yWins = isMax ? x.hi < y.lo : x.lo > y.hi;
  const Interval zero{0.0, 0.0}, one{1.0, 1.0}, unit{0.0, 1.0};
  *wx = yWins ? zero : xWins ? one : unit;
  *wy = yWins ? one : xWins ? zero : unit;
}

bool Ivl_maxMinCrosses(const Interval& x, const Interval& y) { return x.lo < y.hi && y.lo < x.hi; }

Interval Ivl_maxMinKink(const Interval& x, const Interval& y) { return Ivl_maxMinCrosses(x, y) ? Ivl_whole() : kZero; }

bool Ivl_signJumps(const Interval& x) { return !(x.hi < 0.0 || x.lo > 0.0 || (x.lo == 0.0 && x.hi == 0.0)); }

bool Ivl_isIntegerExponent(double e) { return e == std::floor(e) && std::fabs(e) <= INT_MAX; }
