// Forward-mode second derivatives: the kind-8 operations. Each result is a
// linear combination of the operands' gradients and Hessians plus a few
// outer products of gradients (the chain rule's second-order terms).
#include "arithmetic/hess/Hess_Ops.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/numeric/Num_Elementary.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalContext* ctx, InterpStatus code) { Vm_raise(ctx, code, "Hess", 0, 0, 0); }

bool badDivisor(double y) { return y == 0.0 || std::isnan(y); }

// The result record with value set and g = ca ga + cb gb, H = ca Ha + cb Hb
// (b may be null).
HessValue* combine(const HessValue* a, double value, double ca, double cb, const HessValue* b) {
  HessValue* out = a->context->buffers.hessBuffer;
  const int32_t n = std::min(a->n, out->capacity);
  out->value = value;
  out->n = n;
  out->context = a->context;
  // Sums and differences: the same numbers without the unit products.
  const bool sum = b && ca == 1.0 && cb == 1.0, difference = b && ca == 1.0 && cb == -1.0;
  for (int32_t i = 1; i <= n; ++i) {
    out->gradient[i] = ca * a->gradient[i] + (b ? cb * b->gradient[i] : 0.0);
    double* h = out->hessian[i];
    const double* ha = a->hessian[i];
    if (sum) {
      const double* hb = b->hessian[i];
      for (int32_t j = 1; j <= n; ++j) h[j] = ha[j] + hb[j];
    } else if (difference) {
      const double* hb = b->hessian[i];
      for (int32_t j = 1; j <= n; ++j) h[j] = ha[j] - hb[j];
    } else if (b) {
      const double* hb = b->hessian[i];
      for (int32_t j = 1; j <= n; ++j) h[j] = ca * ha[j] + cb * hb[j];
    } else {
      for (int32_t j = 1; j <= n; ++j) h[j] = ca * ha[j];
    }
  }
  return out;
}

// H += c u v^T.
void addOuter(HessValue* out, double c, const double* u, const double* v) {
  if (c == 0.0) return;
  for (int32_t i = 1; i <= out->n; ++i) {
    const double cu = c * u[i];
    double* h = out->hessian[i];
    for (int32_t j = 1; j <= out->n; ++j) h[j] += cu * v[j];
  }
}

// f(x) by the chain rule: g = f' gx, H = f'' gx gx^T + f' Hx.
HessValue chain(const HessValue* x, const NumDerivs& d) {
  HessValue* out = combine(x, d.f, d.d1, 0.0, nullptr);
  addOuter(out, d.d2, x->gradient, x->gradient);
  return *out;
}

HessValue unary(int32_t op, const HessValue* x) {
  if (Num_refusesArgument(op, x->value)) {
    raise(x->context, kStatusUnfeasibleArgument);
    return *x;
  }
  return chain(x, Num_elementary(op, x->value));
}

HessValue maxMin(bool isMax, const HessValue* x, const HessValue* y) {
  const NumMaxMin m = Num_maxMin(isMax, x->value, y->value, true, true);
  return *combine(x, m.value, m.wa, m.wb, y);
}

HessValue maxMinNumber(bool isMax, bool numberLeft, const HessValue* x, double s) {
  const NumMaxMin m = numberLeft ? Num_maxMin(isMax, s, x->value, false, true) : Num_maxMin(isMax, x->value, s, true, false);
  return *combine(x, m.value, numberLeft ? m.wb : m.wa, 0.0, nullptr);
}

}  // namespace

HessValue Hess_neg(const HessValue* x) { return *combine(x, -x->value, -1.0, 0.0, nullptr); }
HessValue Hess_sub(const HessValue* x, const HessValue* y) { return *combine(x, x->value - y->value, 1.0, -1.0, y); }
HessValue Hess_subSV(double s, const HessValue* y) { return *combine(y, s - y->value, -1.0, 0.0, nullptr); }
HessValue Hess_subVS(const HessValue* x, double s) { return *combine(x, x->value - s, 1.0, 0.0, nullptr); }
HessValue Hess_add(const HessValue* x, const HessValue* y) { return *combine(x, x->value + y->value, 1.0, 1.0, y); }
HessValue Hess_addSV(double s, const HessValue* y) { return *combine(y, s + y->value, 1.0, 0.0, nullptr); }
HessValue Hess_addVS(const HessValue* x, double s) { return *combine(x, x->value + s, 1.0, 0.0, nullptr); }

HessValue Hess_mul(const HessValue* x, const HessValue* y) {
  HessValue* out = combine(x, x->value * y->value, y->value, x->value, y);
  addOuter(out, 1.0, x->gradient, y->gradient);
  addOuter(out, 1.0, y->gradient, x->gradient);
  return *out;
}

HessValue Hess_mulSV(double s, const HessValue* y) { return *combine(y, s * y->value, s, 0.0, nullptr); }
HessValue Hess_mulVS(const HessValue* x, double s) { return *combine(x, x->value * s, s, 0.0, nullptr); }

HessValue Hess_div(const HessValue* x, const HessValue* y) {
  if (badDivisor(y->value)) {
    raise(x->context, kStatusDivisionByZero);
    return *x;
  }
  const double q = x->value / y->value;
  HessValue* out = combine(x, q, 1.0 / y->value, -q / y->value, y);
  addOuter(out, -1.0 / y->value, y->gradient, out->gradient);
  addOuter(out, -1.0 / y->value, out->gradient, y->gradient);
  return *out;
}

HessValue Hess_divSV(double s, const HessValue* y) {
  if (badDivisor(y->value)) {
    raise(y->context, kStatusDivisionByZero);
    return *y;
  }
  const double q = s / y->value;
  HessValue* out = combine(y, q, -q / y->value, 0.0, nullptr);
  addOuter(out, -1.0 / y->value, y->gradient, out->gradient);
  addOuter(out, -1.0 / y->value, out->gradient, y->gradient);
  return *out;
}

HessValue Hess_divVS(const HessValue* x, double s) {
  if (badDivisor(s)) {
    raise(x->context, kStatusDivisionByZero);
    return *x;
  }
  return *combine(x, x->value / s, 1.0 / s, 0.0, nullptr);
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
    raise(x->context, kStatusUnfeasibleArgument);
    return *x;
  }
  const double xv = x->value, yv = y->value;
  const double p = std::pow(xv, yv);
  HessValue* out = combine(x, p, p * yv / xv, p * std::log(xv), y);
  addOuter(out, p / xv, y->gradient, x->gradient);
  addOuter(out, p / xv, x->gradient, y->gradient);
  addOuter(out, -p * yv / (xv * xv), x->gradient, x->gradient);
  if (p != 0.0) addOuter(out, 1.0 / p, out->gradient, out->gradient);
  return *out;
}

// p = s^y: g = ln s p gy, H = ln s (p Hy + gy g^T).
HessValue Hess_powSV(double s, const HessValue* y) {
  const double p = std::pow(s, y->value);
  const double ls = std::log(s);
  HessValue* out = combine(y, p, ls * p, 0.0, nullptr);
  addOuter(out, ls, y->gradient, out->gradient);
  return *out;
}

HessValue Hess_powVS(const HessValue* x, double s) { return chain(x, Num_powerConst(x->value, s)); }
HessValue Hess_sign(const HessValue* x) { return unary(kOpSign, x); }
HessValue Hess_sin(const HessValue* x) { return unary(kOpSin, x); }
HessValue Hess_sinh(const HessValue* x) { return unary(kOpSinh, x); }
HessValue Hess_sqr(const HessValue* x) { return unary(kOpSquare, x); }
HessValue Hess_sqrt(const HessValue* x) { return unary(kOpSqrt, x); }
HessValue Hess_tan(const HessValue* x) { return unary(kOpTan, x); }
HessValue Hess_tanh(const HessValue* x) { return unary(kOpTanh, x); }
