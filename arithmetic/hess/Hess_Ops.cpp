// Forward-mode second derivatives: the kind-8 operations. Each result is a
// linear combination of the operands' gradients and Hessians plus a few
// outer products of gradients (the chain rule's second-order terms).
#include "arithmetic/hess/Hess_Ops.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

#include "arithmetic/numeric/Num_Elementary.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, "Hess", 0, 0, 0); }

bool badDivisor(double y) { return y == 0.0 || std::isnan(y); }

// Rows and columns first..last of a Hessian; none when last < first.
struct Block {
  int32_t first = 1;
  int32_t last = 0;
};

Block join(Block a, Block b) {
  if (a.last < a.first) return b;
  if (b.last < b.first) return a;
  return {std::min(a.first, b.first), std::max(a.last, b.last)};
}

// c u v^T over gradients u and v: a second-order term of the chain rule.
struct Outer {
  double c;
  const double* u;
  const double* v;
};

// The slots 1..n of a gradient that are not zero; false when one is not
// finite.
bool support(const double* g, int32_t n, Block* out) {
  Block b;
  for (int32_t i = 1; i <= n; ++i) {
    if (g[i] == 0.0) continue;
    if (!std::isfinite(g[i])) return false;
    if (b.last < b.first) b.first = i;
    b.last = i;
  }
  *out = b;
  return true;
}

// The block outside which ca Ha + cb Hb plus the terms is exactly zero: the
// operands' blocks and the gradients' non-zero slots. A coefficient or a
// gradient that is not finite makes it the whole matrix, as a non-finite
// number times zero is not zero.
Block blockOf(const HessValue* a, double ca, double cb, const HessValue* b, std::initializer_list<Outer> terms,
              int32_t n) {
  const Block whole{1, n};
  if (!std::isfinite(ca) || (b && !std::isfinite(cb))) return whole;
  Block r = join({a->first, a->last}, b ? Block{b->first, b->last} : Block{});
  for (const Outer& t : terms) {
    Block u, v;
    if (t.c == 0.0) continue;
    if (!std::isfinite(t.c) || !support(t.u, n, &u) || !support(t.v, n, &v)) return whole;
    r = join(r, join(u, v));
  }
  return {std::max(r.first, 1), std::min(r.last, n)};
}

// The result record with value set and g = ca ga + cb gb (b may be null).
HessValue* gradientOf(const HessValue* a, double value, double ca, double cb, const HessValue* b) {
  HessValue* out = a->context->buffers.hessBuffer;
  const int32_t n = std::min(a->n, out->capacity);
  out->value = value;
  out->n = n;
  out->context = a->context;
  for (int32_t i = 1; i <= n; ++i) out->gradient[i] = ca * a->gradient[i] + (b ? cb * b->gradient[i] : 0.0);
  return out;
}

// H = ca Ha + cb Hb + the terms (b may be null), computed on its block only,
// row by row; a term may read the result's gradient, complete by then.
void hessianOf(HessValue* out, const HessValue* a, double ca, double cb, const HessValue* b,
               std::initializer_list<Outer> terms) {
  const Block r = blockOf(a, ca, cb, b, terms, out->n);
  Hess_setBlock(out, r.first, r.last);
  const Outer* t = terms.begin();
  // Two operands and two terms (a product, a quotient) take one pass a row,
  // adding in the order of the general case.
  const bool pair = b && terms.size() == 2 && t[0].c != 0.0 && t[1].c != 0.0;
  for (int32_t i = r.first; i <= r.last; ++i) {
    double* __restrict h = out->hessian[i];
    const double* ha = a->hessian[i];
    if (pair) {
      const double* hb = b->hessian[i];
      const double cu0 = t[0].c * t[0].u[i], cu1 = t[1].c * t[1].u[i];
      const double *v0 = t[0].v, *v1 = t[1].v;
      for (int32_t j = r.first; j <= r.last; ++j) h[j] = ca * ha[j] + cb * hb[j] + cu0 * v0[j] + cu1 * v1[j];
      continue;
    }
    if (b) {
      const double* hb = b->hessian[i];
      for (int32_t j = r.first; j <= r.last; ++j) h[j] = ca * ha[j] + cb * hb[j];
    } else {
      for (int32_t j = r.first; j <= r.last; ++j) h[j] = ca * ha[j];
    }
    for (const Outer& term : terms) {
      if (term.c == 0.0) continue;
      const double cu = term.c * term.u[i];
      for (int32_t j = r.first; j <= r.last; ++j) h[j] += cu * term.v[j];
    }
  }
}

// Value, gradient and Hessian of a result whose terms read only operands.
HessValue combine(const HessValue* a, double value, double ca, double cb, const HessValue* b,
                  std::initializer_list<Outer> terms = {}) {
  HessValue* out = gradientOf(a, value, ca, cb, b);
  hessianOf(out, a, ca, cb, b, terms);
  return *out;
}

// f(x) by the chain rule: g = f' gx, H = f'' gx gx^T + f' Hx.
HessValue chain(const HessValue* x, const NumDerivs& d) {
  return combine(x, d.f, d.d1, 0.0, nullptr, {{d.d2, x->gradient, x->gradient}});
}

// f(x) with slope d1 by the chain rule, its second-order term taken through
// the result's gradient g = d1 gx: f'' gx gx^T = (f'' / f'^2) g g^T. For a
// tiny argument whose f'' leaves the doubles while f' and the term do not.
HessValue chainThroughGradient(const HessValue* x, double f, double d1, double curvatureOverSquaredSlope) {
  HessValue* out = gradientOf(x, f, d1, 0.0, nullptr);
  hessianOf(out, x, d1, 0.0, nullptr, {{curvatureOverSquaredSlope, out->gradient, out->gradient}});
  return *out;
}

// Whether the second derivative of op leaves the doubles at x where the
// first does not: LN (-1/x^2) and SQRT (-1/(4 x^1.5)) at a tiny x > 0. Their
// f'' / f'^2 is -1 and -1 / f; the other operations' f'' stays finite
// wherever f' does.
bool curvatureOverflows(int32_t op, const NumDerivs& d) {
  return (op == kOpLn || op == kOpSqrt) && !std::isfinite(d.d2) && std::isfinite(d.d1);
}

// The gradient, and the Hessian's block, of a result divided by y.
void divideGradient(HessValue* out, double y) {
  for (int32_t i = 1; i <= out->n; ++i) out->gradient[i] /= y;
}

void divideHessian(HessValue* out, double y) {
  for (int32_t i = out->first; i <= out->last; ++i)
    for (int32_t j = out->first; j <= out->last; ++j) out->hessian[i][j] /= y;
}

// q = x / y (x null for a number over y) for a tiny y, where -q / y leaves
// the doubles while the derivatives need not: each is summed with y's
// factor left out and then divided by y, g = (gx - q gy) / y and
// H = (Hx - q Hy - gy g^T - g gy^T) / y.
HessValue quotientThroughDivisor(double q, const HessValue* x, const HessValue* y) {
  const HessValue* a = x ? x : y;
  const double ca = x ? 1.0 : -q, cb = x ? -q : 0.0;
  const HessValue* b = x ? y : nullptr;
  HessValue* out = gradientOf(a, q, ca, cb, b);
  divideGradient(out, y->value);
  hessianOf(out, a, ca, cb, b, {{-1.0, y->gradient, out->gradient}, {-1.0, out->gradient, y->gradient}});
  divideHessian(out, y->value);
  return *out;
}

// p = x^s for a tiny base, where the slope s x^(s-1) leaves the doubles
// while the derivatives need not: each is summed with x's factor left out
// and then divided by x, g = (s p gx) / x and, as s (s - 1) x^(s-2) gx gx^T
// = (s - 1) g gx^T / x, H = (s p Hx + (s - 1) g gx^T) / x.
HessValue powerThroughBase(double p, double s, const HessValue* x) {
  const double sp = s * p;
  HessValue* out = gradientOf(x, p, sp, 0.0, nullptr);
  divideGradient(out, x->value);
  hessianOf(out, x, sp, 0.0, nullptr, {{s - 1.0, out->gradient, x->gradient}});
  divideHessian(out, x->value);
  return *out;
}

// ln x for a tiny x, where the slope 1 / x leaves the doubles while the
// derivatives need not: g = gx / x and H = (Hx - x g g^T) / x.
HessValue lnThroughArgument(double f, const HessValue* x) {
  HessValue* out = gradientOf(x, f, 1.0, 0.0, nullptr);
  divideGradient(out, x->value);
  hessianOf(out, x, 1.0, 0.0, nullptr, {{-x->value, out->gradient, out->gradient}});
  divideHessian(out, x->value);
  return *out;
}

HessValue unary(int32_t op, const HessValue* x) {
  if (Num_refusesArgument(op, x->value)) {
    raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument);
    return *x;
  }
  const NumDerivs d = Num_elementary(op, x->value);
  if (op == kOpLn && !std::isfinite(d.d1)) return lnThroughArgument(d.f, x);
  if (!curvatureOverflows(op, d)) return chain(x, d);
  return chainThroughGradient(x, d.f, d.d1, op == kOpLn ? -1.0 : -1.0 / d.f);
}

HessValue maxMin(bool isMax, const HessValue* x, const HessValue* y) {
  const NumMaxMin m = Num_maxMin(isMax, x->value, y->value, true, true);
  return combine(x, m.value, m.wa, m.wb, y);
}

HessValue maxMinNumber(bool isMax, bool numberLeft, const HessValue* x, double s) {
  const NumMaxMin m = numberLeft ? Num_maxMin(isMax, s, x->value, false, true) : Num_maxMin(isMax, x->value, s, true, false);
  return combine(x, m.value, numberLeft ? m.wb : m.wa, 0.0, nullptr);
}

}  // namespace

HessValue Hess_neg(const HessValue* x) { return combine(x, -x->value, -1.0, 0.0, nullptr); }
HessValue Hess_sub(const HessValue* x, const HessValue* y) { return combine(x, x->value - y->value, 1.0, -1.0, y); }
HessValue Hess_subSV(double s, const HessValue* y) { return combine(y, s - y->value, -1.0, 0.0, nullptr); }
HessValue Hess_subVS(const HessValue* x, double s) { return combine(x, x->value - s, 1.0, 0.0, nullptr); }
HessValue Hess_add(const HessValue* x, const HessValue* y) { return combine(x, x->value + y->value, 1.0, 1.0, y); }
HessValue Hess_addSV(double s, const HessValue* y) { return combine(y, s + y->value, 1.0, 0.0, nullptr); }
HessValue Hess_addVS(const HessValue* x, double s) { return combine(x, x->value + s, 1.0, 0.0, nullptr); }

HessValue Hess_mul(const HessValue* x, const HessValue* y) {
  return combine(x, x->value * y->value, y->value, x->value, y,
                 {{1.0, x->gradient, y->gradient}, {1.0, y->gradient, x->gradient}});
}

HessValue Hess_mulSV(double s, const HessValue* y) { return combine(y, s * y->value, s, 0.0, nullptr); }
HessValue Hess_mulVS(const HessValue* x, double s) { return combine(x, x->value * s, s, 0.0, nullptr); }

HessValue Hess_div(const HessValue* x, const HessValue* y) {
  if (badDivisor(y->value)) {
    raise(Vm_errorsOf(x->context), kStatusDivisionByZero);
    return *x;
  }
  const double q = x->value / y->value, ca = 1.0 / y->value, cb = -q / y->value, c = -1.0 / y->value;
  if (Num_quotientCoefficientsOutOfRange(q, y->value)) return quotientThroughDivisor(q, x, y);
  HessValue* out = gradientOf(x, q, ca, cb, y);
  hessianOf(out, x, ca, cb, y, {{c, y->gradient, out->gradient}, {c, out->gradient, y->gradient}});
  return *out;
}

HessValue Hess_divSV(double s, const HessValue* y) {
  if (badDivisor(y->value)) {
    raise(Vm_errorsOf(y->context), kStatusDivisionByZero);
    return *y;
  }
  const double q = s / y->value, ca = -q / y->value, c = -1.0 / y->value;
  if (Num_quotientCoefficientsOutOfRange(q, y->value)) return quotientThroughDivisor(q, nullptr, y);
  HessValue* out = gradientOf(y, q, ca, 0.0, nullptr);
  hessianOf(out, y, ca, 0.0, nullptr, {{c, y->gradient, out->gradient}, {c, out->gradient, y->gradient}});
  return *out;
}

HessValue Hess_divVS(const HessValue* x, double s) {
  if (badDivisor(s)) {
    raise(Vm_errorsOf(x->context), kStatusDivisionByZero);
    return *x;
  }
  return combine(x, x->value / s, 1.0 / s, 0.0, nullptr);
}

HessValue Hess_abs(const HessValue* x) { return unary(kOpAbs, x); }
HessValue Hess_acos(const HessValue* x) { return unary(kOpAcos, x); }
HessValue Hess_asin(const HessValue* x) { return unary(kOpAsin, x); }
HessValue Hess_atan(const HessValue* x) { return unary(kOpAtan, x); }
HessValue Hess_cos(const HessValue* x) { return unary(kOpCos, x); }
HessValue Hess_cosh(const HessValue* x) { return unary(kOpCosh, x); }
HessValue Hess_exp(const HessValue* x) { return unary(kOpExp, x); }
HessValue Hess_ln(const HessValue* x) { return unary(kOpLn, x); }
HessValue Hess_max(const HessValue* x, const HessValue* y) { return maxMin(true, x, y); }
HessValue Hess_maxSV(double s, const HessValue* y) { return maxMinNumber(true, true, y, s); }
HessValue Hess_maxVS(const HessValue* x, double s) { return maxMinNumber(true, false, x, s); }
HessValue Hess_min(const HessValue* x, const HessValue* y) { return maxMin(false, x, y); }
HessValue Hess_minSV(double s, const HessValue* y) { return maxMinNumber(false, true, y, s); }
HessValue Hess_minVS(const HessValue* x, double s) { return maxMinNumber(false, false, x, s); }

// p = x^y, u = (y/x) gx + ln x gy: g = p u and
// H = p u u^T + p ((gy gx^T + gx gy^T)/x - y gx gx^T/x^2 + (y/x) Hx + ln x Hy).
HessValue Hess_pow(const HessValue* x, const HessValue* y) {
  if (Num_refusesArgument(kOpPower, x->value)) {
    raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument);
    return *x;
  }
  const double xv = x->value, yv = y->value;
  const double p = std::pow(xv, yv);
  const double ca = Num_powerBaseSlope(xv, yv, p * yv / xv), cb = p * std::log(xv), cross = p / xv;
  const double square = -p * yv / (xv * xv), lift = p != 0.0 ? 1.0 / p : 0.0;
  HessValue* out = gradientOf(x, p, ca, cb, y);
  if (p == 0.0) {
    // x^y underflowed from a subnormal base: the terms that go through 1 / p
    // are formed from x^(y-1) and x^(y-2) themselves, Hyy = p ln^2 x is 0.
    const double mixed = std::pow(xv, yv - 1) * (1 + yv * std::log(xv));
    hessianOf(out, x, ca, cb, y,
              {{mixed, y->gradient, x->gradient},
               {mixed, x->gradient, y->gradient},
               {yv * (yv - 1) * std::pow(xv, yv - 2), x->gradient, x->gradient}});
    return *out;
  }
  if (std::isfinite(square) || !std::isfinite(p)) {
    hessianOf(out, x, ca, cb, y,
              {{cross, y->gradient, x->gradient},
               {cross, x->gradient, y->gradient},
               {square, x->gradient, x->gradient},
               {lift, out->gradient, out->gradient}});
    return *out;
  }
  // At a tiny base p y / x^2 leaves the doubles while the Hessian need not:
  // its terms in gx go through the base, with w = gx / x.
  std::vector<double> w(static_cast<size_t>(out->n) + 1, 0.0);
  for (int32_t i = 1; i <= out->n; ++i) w[static_cast<size_t>(i)] = x->gradient[i] / xv;
  hessianOf(out, x, ca, cb, y,
            {{p, y->gradient, w.data()},
             {p, w.data(), y->gradient},
             {-p * yv, w.data(), w.data()},
             {lift, out->gradient, out->gradient}});
  return *out;
}

// p = s^y: g = ln s p gy, H = ln s (p Hy + gy g^T).
HessValue Hess_powSV(double s, const HessValue* y) {
  const double p = std::pow(s, y->value);
  const double ls = Num_lnBase(s);
  HessValue* out = gradientOf(y, p, ls * p, 0.0, nullptr);
  hessianOf(out, y, ls * p, 0.0, nullptr, {{ls, y->gradient, out->gradient}});
  return *out;
}

// p = x^s by the chain rule; but where its slope s x^(s-1) leaves the
// doubles while p does not (a tiny base to a negative power), every
// derivative goes through the base; and at a positive base where only the
// second factor of the rule leaves them (a tiny base to a power below 2, a
// base below 1 to a huge power), the second-order term goes through the
// result's gradient g = s (p / x) gx: s (s - 1) x^(s-2) gx gx^T =
// ((s - 1) / (s p)) g g^T, and nothing where p is 0.
HessValue Hess_powVS(const HessValue* x, double s) {
  const NumDerivs d = Num_powerConst(x->value, s);
  if (Num_powerSlopeOverflows(x->value, d)) return powerThroughBase(d.f, s, x);
  if (!(x->value > 0.0) || !std::isfinite(d.f) || (std::isfinite(d.d1) && std::isfinite(d.d2))) return chain(x, d);
  const double p = d.f;
  const double ca = p != 0.0 ? s * (p / x->value) : 0.0;
  return chainThroughGradient(x, p, ca, p != 0.0 ? (s - 1.0) / (s * p) : 0.0);
}
HessValue Hess_sign(const HessValue* x) { return unary(kOpSign, x); }
HessValue Hess_sin(const HessValue* x) { return unary(kOpSin, x); }
HessValue Hess_sinh(const HessValue* x) { return unary(kOpSinh, x); }
HessValue Hess_sqr(const HessValue* x) { return unary(kOpSquare, x); }
HessValue Hess_sqrt(const HessValue* x) { return unary(kOpSqrt, x); }
HessValue Hess_tan(const HessValue* x) { return unary(kOpTan, x); }
HessValue Hess_tanh(const HessValue* x) { return unary(kOpTanh, x); }
