// The kind-11 operations: interval value, gradient and Hessian.
#include "arithmetic/ivhess/IvHess_Ops.h"

#include <algorithm>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "values/Pay_Array.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};
constexpr Interval kOne{1.0, 1.0};

// The context's result record, bound to x's context with x's n (capped by
// the record's capacity) and the value set.
IvHessValue* start(const IvHessValue* x, const Interval& value) {
  IvHessValue* out = x->context->buffers.ivHessBuffer;
  out->n = std::min(x->n, out->capacity);
  out->context = x->context;
  out->value = value;
  return out;
}

// out = ca * x + cb * y in every partial and second partial (y may be null).
IvHessValue linear(const IvHessValue* x, const Interval& value, const Interval& ca, const IvHessValue* y,
                   const Interval& cb) {
  IvHessValue* out = start(x, value);
  for (int32_t i = 1; i <= out->n; ++i) {
    out->gradient[i] = Ivl_mul(ca, x->gradient[i]);
    if (y) Ivl_addAssign(&out->gradient[i], Ivl_mul(cb, y->gradient[i]));
    for (int32_t j = 1; j <= out->n; ++j) {
      out->hessian[i][j] = Ivl_mul(ca, x->hessian[i][j]);
      if (y) Ivl_addAssign(&out->hessian[i][j], Ivl_mul(cb, y->hessian[i][j]));
    }
  }
  return *out;
}

// f(x) with derivatives d1, d2: partial d1 x_i, second (d2 x_j) x_i + d1 X_ij.
IvHessValue chain(const IvHessValue* x, const Interval& f, const Interval& d1, const Interval& d2) {
  IvHessValue* out = start(x, f);
  for (int32_t i = 1; i <= out->n; ++i) {
    out->gradient[i] = Ivl_mul(d1, x->gradient[i]);
    for (int32_t j = 1; j <= out->n; ++j)
      out->hessian[i][j] =
          Ivl_add(Ivl_mul(Ivl_mul(d2, x->gradient[j]), x->gradient[i]), Ivl_mul(d1, x->hessian[i][j]));
  }
  return *out;
}

IvHessValue fault(const IvHessValue* x, InterpStatus code, const char* label) {
  Vm_raise(Vm_errorsOf(x->context), code, label, 0, 0, 0);
  IvHessValue* out = start(x, kZero);
  IvHess_setIvl(out, Ivl_empty());
  return *out;
}

IvHessValue unary(int32_t op, const IvHessValue* x, const char* label) {
  if (Ivl_refuses(op, x->value)) return fault(x, kStatusUnfeasibleArgument, label);
  // SQRT of an x whose one point in the domain is 0: a value there, but the
  // pole of its derivatives, so the box is not shown empty.
  if (Ivl_refuses(op, x->value, true)) return fault(x, kStatusDivisionByZero, label);
  Interval cut = x->value;
  const IvlDerivs d = Ivl_elementary(op, &cut);
  return chain(x, d.f, d.d1, d.d2);
}

// MAX (isMax) or MIN of x and y (null: the number d): the weighted operands'
// partials and second partials, and, where the operands cross, the kink's
// second derivative k u_i u_j along u, the partials of x less those of y.
IvHessValue maxMin(bool isMax, const IvHessValue* x, const IvHessValue* y, double d) {
  const Interval yValue = y ? y->value : Interval{d, d};
  Interval wx, wy;
  Ivl_maxMinWeights(isMax, x->value, yValue, &wx, &wy);
  IvHessValue out = linear(x, isMax ? Ivl_max(x->value, yValue) : Ivl_min(x->value, yValue), wx, y, wy);
  if (!Ivl_maxMinCrosses(x->value, yValue)) return out;
  const Interval k = Ivl_maxMinKink(x->value, yValue);
  for (int32_t i = 1; i <= out.n; ++i)
    for (int32_t j = 1; j <= out.n; ++j) {
      const Interval ui = y ? Ivl_sub(x->gradient[i], y->gradient[i]) : x->gradient[i];
      const Interval uj = y ? Ivl_sub(x->gradient[j], y->gradient[j]) : x->gradient[j];
      Ivl_addAssign(&out.hessian[i][j], Ivl_mul(Ivl_mul(k, uj), ui));
    }
  return out;
}

}  // namespace

void IvHess_setIvl(IvHessValue* v, const Interval& x) { IvHess_setConst(v, x); }

IvHessValue IvHess_neg(const IvHessValue* x) { return linear(x, Ivl_neg(x->value), Interval{-1, -1}, nullptr, kZero); }
IvHessValue IvHess_sub(const IvHessValue* x, const IvHessValue* y) {
  return linear(x, Ivl_sub(x->value, y->value), kOne, y, Interval{-1, -1});
}
IvHessValue IvHess_subSV(double d, const IvHessValue* x) {
  return linear(x, Ivl_subSV(d, x->value), Interval{-1, -1}, nullptr, kZero);
}
IvHessValue IvHess_subVS(const IvHessValue* x, double d) { return linear(x, Ivl_subVS(x->value, d), kOne, nullptr, kZero); }
IvHessValue IvHess_add(const IvHessValue* x, const IvHessValue* y) {
  return linear(x, Ivl_add(x->value, y->value), kOne, y, kOne);
}
IvHessValue IvHess_addSV(double d, const IvHessValue* x) { return linear(x, Ivl_addSV(d, x->value), kOne, nullptr, kZero); }
IvHessValue IvHess_addVS(const IvHessValue* x, double d) { return linear(x, Ivl_addVS(x->value, d), kOne, nullptr, kZero); }
IvHessValue IvHess_mulSV(double d, const IvHessValue* x) {
  return linear(x, Ivl_mulSV(d, x->value), Interval{d, d}, nullptr, kZero);
}
IvHessValue IvHess_mulVS(const IvHessValue* x, double d) { return IvHess_mulSV(d, x); }
IvHessValue IvHess_divVS(const IvHessValue* x, double d) {
  return linear(x, Ivl_divVS(x->value, d), Ivl_divSV(1.0, Interval{d, d}), nullptr, kZero);
}

IvHessValue IvHess_mul(const IvHessValue* x, const IvHessValue* y) {
  IvHessValue* out = start(x, Ivl_mul(x->value, y->value));
  const Interval* xg = x->gradient;
  const Interval* yg = y->gradient;
  for (int32_t i = 1; i <= out->n; ++i) {
    out->gradient[i] = Ivl_add(Ivl_mul(x->value, yg[i]), Ivl_mul(xg[i], y->value));
    for (int32_t j = 1; j <= out->n; ++j) {
      Interval h = Ivl_add(Ivl_mul(x->hessian[i][j], y->value), Ivl_mul(yg[j], xg[i]));
      h = Ivl_add(h, Ivl_mul(xg[j], yg[i]));
      out->hessian[i][j] = Ivl_add(h, Ivl_mul(y->hessian[i][j], x->value));
    }
  }
  return *out;
}

IvHessValue IvHess_div(const IvHessValue* x, const IvHessValue* y) {
  const Interval q = Ivl_div(x->value, y->value);
  IvHessValue* out = start(x, q);
  const Interval* yg = y->gradient;
  for (int32_t i = 1; i <= out->n; ++i)
    out->gradient[i] = Ivl_div(Ivl_sub(x->gradient[i], Ivl_mul(yg[i], q)), y->value);
  const Interval* qg = out->gradient;
  for (int32_t i = 1; i <= out->n; ++i)
    for (int32_t j = 1; j <= out->n; ++j) {
      Interval h = Ivl_sub(x->hessian[i][j], Ivl_mul(y->hessian[i][j], q));
      h = Ivl_sub(Ivl_sub(h, Ivl_mul(yg[i], qg[j])), Ivl_mul(yg[j], qg[i]));
      out->hessian[i][j] = Ivl_div(h, y->value);
    }
  return *out;
}

IvHessValue IvHess_divSV(double d, const IvHessValue* x) {
  const Interval q = Ivl_divSV(d, x->value);
  const Interval e = Ivl_neg(Ivl_divSV(d, Ivl_sqr(x->value)));
  IvHessValue* out = start(x, q);
  const Interval* xg = x->gradient;
  for (int32_t i = 1; i <= out->n; ++i) out->gradient[i] = Ivl_mul(xg[i], e);
  const Interval* qg = out->gradient;
  for (int32_t i = 1; i <= out->n; ++i)
    for (int32_t j = 1; j <= out->n; ++j) {
      const Interval h = Ivl_add(Ivl_add(Ivl_mul(x->hessian[i][j], q), Ivl_mul(xg[i], qg[j])), Ivl_mul(xg[j], qg[i]));
      out->hessian[i][j] = Ivl_neg(Ivl_div(h, x->value));
    }
  return *out;
}

IvHessValue IvHess_abs(const IvHessValue* x) { return unary(kOpAbs, x, "IABS"); }
IvHessValue IvHess_acos(const IvHessValue* x) { return unary(kOpAcos, x, "IACOS"); }
IvHessValue IvHess_asin(const IvHessValue* x) { return unary(kOpAsin, x, "IASIN"); }
IvHessValue IvHess_atan(const IvHessValue* x) { return unary(kOpAtan, x, "IATAN"); }
IvHessValue IvHess_cos(const IvHessValue* x) { return unary(kOpCos, x, "ICOS"); }
IvHessValue IvHess_cosh(const IvHessValue* x) { return unary(kOpCosh, x, "ICOSH"); }
IvHessValue IvHess_exp(const IvHessValue* x) { return unary(kOpExp, x, "IEXP"); }
IvHessValue IvHess_ln(const IvHessValue* x) { return unary(kOpLn, x, "ILN"); }
IvHessValue IvHess_sign(const IvHessValue* x) { return unary(kOpSign, x, "ISIGN"); }
IvHessValue IvHess_sin(const IvHessValue* x) { return unary(kOpSin, x, "ISIN"); }
IvHessValue IvHess_sinh(const IvHessValue* x) { return unary(kOpSinh, x, "ISINH"); }
IvHessValue IvHess_sqr(const IvHessValue* x) { return unary(kOpSquare, x, "ISQR"); }
IvHessValue IvHess_sqrt(const IvHessValue* x) { return unary(kOpSqrt, x, "ISQRT"); }
IvHessValue IvHess_tan(const IvHessValue* x) { return unary(kOpTan, x, "ITAN"); }
IvHessValue IvHess_tanh(const IvHessValue* x) { return unary(kOpTanh, x, "ITANH"); }

IvHessValue IvHess_max(const IvHessValue* x, const IvHessValue* y) { return maxMin(true, x, y, 0.0); }
IvHessValue IvHess_min(const IvHessValue* x, const IvHessValue* y) { return maxMin(false, x, y, 0.0); }
IvHessValue IvHess_maxSV(double d, const IvHessValue* x) { return maxMin(true, x, nullptr, d); }
IvHessValue IvHess_maxVS(const IvHessValue* x, double d) { return maxMin(true, x, nullptr, d); }
IvHessValue IvHess_minSV(double d, const IvHessValue* x) { return maxMin(false, x, nullptr, d); }
IvHessValue IvHess_minVS(const IvHessValue* x, double d) { return maxMin(false, x, nullptr, d); }

IvHessValue IvHess_powVI(const IvHessValue* x, int32_t k) {
  if (k < 0 && Ivl_contains(x->value, 0.0)) return fault(x, kStatusDivisionByZero, "IPOW");
  const double kk = double(k) * double(k - 1);
  return chain(x, Ivl_powVI(x->value, k), Ivl_mulSV(k, Ivl_powVI(x->value, k - 1)),
               kk == 0.0 ? kZero : Ivl_mulSV(kk, Ivl_powVI(x->value, k - 2)));
}

IvHessValue IvHess_powVS(const IvHessValue* x, double r) {
  if (Ivl_isIntegerExponent(r)) return IvHess_powVI(x, int32_t(r));
  if (x->value.hi < 0.0) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_powVS(&cut, r);
  Interval c1 = cut, c2 = cut;
  const double rr = (r - 1.0) * r;
  return chain(x, f, r == 0.0 ? kZero : Ivl_mulSV(r, Ivl_powVS(&c1, r - 1.0)),
               rr == 0.0 ? kZero : Ivl_mulSV(rr, Ivl_powVS(&c2, r - 2.0)));
}

IvHessValue IvHess_powSV(double d, const IvHessValue* x) {
  if (!(d > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  const Interval f = Ivl_powSV(d, x->value), lnD = Ivl_lnOpen(Interval{d, d});
  const Interval d1 = Ivl_mul(f, lnD);
  return chain(x, f, d1, Ivl_mul(d1, lnD));
}

// x^y = exp(y ln x): with t_i the partials of y ln x, the second partial is
// q_j t_i + f * (second partial of y ln x).
IvHessValue IvHess_pow(const IvHessValue* x, const IvHessValue* y) {
  if (!(x->value.hi > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_pow(&cut, y->value);
  Interval c1 = cut, c2 = cut;
  const Interval lnX = Ivl_ln(&c2);
  const Interval a = Ivl_mul(y->value, Ivl_pow(&c1, Ivl_subVS(y->value, 1.0)));
  const Interval b = Ivl_mul(f, lnX);
  const Interval yOverX = Ivl_div(y->value, cut);
  IvHessValue* out = start(x, f);
  const Interval* xg = x->gradient;
  const Interval* yg = y->gradient;
  for (int32_t i = 1; i <= out->n; ++i) out->gradient[i] = Ivl_add(Ivl_mul(a, xg[i]), Ivl_mul(b, yg[i]));
  for (int32_t i = 1; i <= out->n; ++i) {
    const Interval t = Ivl_add(Ivl_mul(yOverX, xg[i]), Ivl_mul(lnX, yg[i]));
    for (int32_t j = 1; j <= out->n; ++j) {
      const Interval cross = Ivl_div(Ivl_add(Ivl_mul(yg[j], xg[i]), Ivl_mul(xg[j], yg[i])), cut);
      const Interval curve = Ivl_div(Ivl_sub(Ivl_mul(x->hessian[i][j], cut), Ivl_mul(xg[j], xg[i])), Ivl_sqr(cut));
      const Interval inner = Ivl_add(Ivl_add(cross, Ivl_mul(lnX, y->hessian[i][j])), Ivl_mul(y->value, curve));
      out->hessian[i][j] = Ivl_add(Ivl_mul(out->gradient[j], t), Ivl_mul(f, inner));
    }
  }
  return *out;
}
