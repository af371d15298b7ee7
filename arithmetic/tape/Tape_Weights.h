// The partial derivatives of one tape record with respect to its operands,
// for the Hessian replays of the kind-6 and kind-9 tapes: one table over a
// scalar-operations type S, point values in doubles or enclosures with
// outward rounding.
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"

// The local partial w of a record with respect to one operand, with the
// coefficients of its gradient: grad w = cx * gx + cy * gy.
template <typename T>
struct TapeWeight {
  T w;
  T cx;
  T cy;
};

// Partials of rec's result with respect to its operands: w[0] for operand 1
// (value x), w[1] for operand 2 (value y); rec.constant is the number operand
// of a mixed operation. S names the scalar type T and its operations:
// constant, add, mul, div, neg, sqr, scale (number times T), subNumber,
// recip, pow and ln (which may cut their operand in place), lnOpen (the
// logarithm of a constant base), powerConst and elementary (value and first
// two derivatives, as d1 and d2) and maxMin (the weights of the two sides,
// with the gradient coefficients of a kink between them).
// False for an unknown operation.
template <class S, class Rec>
bool Tape_weights(const Rec& rec, const typename S::T& x, const typename S::T& y, TapeWeight<typename S::T> w[2]) {
  using T = typename S::T;
  const bool has1 = rec.operand1 != 0, has2 = rec.operand2 != 0;
  const T d = rec.constant;
  const T zero = S::constant(0.0), one = S::constant(1.0);
  w[0] = w[1] = TapeWeight<T>{zero, zero, zero};
  switch (rec.op) {
    case kOpSub:
      w[0].w = one;
      w[1].w = S::constant(-1.0);
      return true;
    case kOpAdd:
      w[0].w = one;
      w[1].w = one;
      return true;
    case kOpMul:
      if (has1 && has2) {
        w[0] = TapeWeight<T>{y, zero, one};
        w[1] = TapeWeight<T>{x, one, zero};
      } else {
        w[0].w = w[1].w = d;
      }
      return true;
    case kOpDiv: {
      const T r = S::recip(has2 ? y : d);
      const T r2 = S::sqr(r), r3 = S::mul(r2, r);
      if (has1 && has2) {
        w[0] = TapeWeight<T>{r, zero, S::neg(r2)};
        w[1] = TapeWeight<T>{S::neg(S::mul(x, r2)), S::neg(r2), S::scale(2.0, S::mul(x, r3))};
      } else if (has1) {
        w[0].w = r;
      } else {
        w[1] = TapeWeight<T>{S::neg(S::mul(d, r2)), zero, S::scale(2.0, S::mul(d, r3))};
      }
      return true;
    }
    case kOpMax:
    case kOpMin: S::maxMin(rec.op == kOpMax, has1 ? x : d, has2 ? y : d, has1, has2, w); return true;
    case kOpPower: {
      if (has1 && has2) {
        T cx = x, cl = x;
        const T p = S::pow(&cx, y), lx = S::ln(&cl), px = S::div(p, cx);
        w[0] = TapeWeight<T>{S::mul(y, px), S::div(S::mul(S::mul(y, S::subNumber(y, 1.0)), px), cx),
                             S::mul(px, S::add(one, S::mul(y, lx)))};
        w[1] = TapeWeight<T>{S::mul(p, lx), S::mul(px, S::add(S::mul(y, lx), one)), S::mul(p, S::sqr(lx))};
      } else if (has1) {
        const auto p = S::powerConst(x, d);
        w[0] = TapeWeight<T>{p.d1, p.d2, zero};
      } else {
        T base = d;
        const T p = S::pow(&base, y), ld = S::lnOpen(d);
        w[1] = TapeWeight<T>{S::mul(p, ld), zero, S::mul(p, S::sqr(ld))};
      }
      return true;
    }
    default: {
      if (rec.op < kOpAbs || rec.op > kOpTanh) return false;
      const auto e = S::elementary(rec.op, x);
      w[0] = TapeWeight<T>{e.d1, e.d2, zero};
      return true;
    }
  }
}
