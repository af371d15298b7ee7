// The kind-9 operations: interval value, interval gradient, curvature class.
#include "arithmetic/ivgrad/IvGrad_Ops.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Curv_Class.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "base/Chk_Assert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};
constexpr Interval kOne{1.0, 1.0};

// The record an operation writes: the next tape record while recording (its
// operation, operands and constant noted, constant null for "not written"),
// else the context's result record. A full tape raises status 37 and ends
// recording, so values and gradients are still computed.
IvGradValue* target(EvalContext* ctx, int32_t op, NodeRef r1, NodeRef r2, const Interval* constant) {
  if (ctx->flags.recording) {
    // A negative count would pass the check below and write before the array;
    // the check refuses a full one.
    CORVAN_ASSERT(ctx->buffers.tapeCount >= 0 && ctx->buffers.ivGradTapeCapacity >= 0);
    if (ctx->buffers.ivGradTape && ctx->buffers.tapeCount < ctx->buffers.ivGradTapeCapacity) {
      IvGradTapeRec* rec = &ctx->buffers.ivGradTape[++ctx->buffers.tapeCount];
      rec->op = op;
      rec->operand1 = r1;
      rec->operand2 = r2;
      if (constant) rec->constant = *constant;
      rec->forward.node = ctx->buffers.tapeCount;
      return &rec->forward;
    }
    Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, "IvGrad", 0, 0, 0);
    ctx->flags.recording = 0;
  }
  return ctx->buffers.ivGradBuffer;
}

// out = value with partials ca * a_i + cb * b_i (b may be null), the class
// set only when the context tracks curvature; returns a copy.
IvGradValue finish(IvGradValue* out, const IvGradValue* a, const Interval& value, const Interval& ca,
                   const IvGradValue* b, const Interval& cb, int32_t curvature) {
  EvalContext* ctx = a->context;
  const int32_t n = std::min(a->n, out->capacity);
  out->value = value;
  out->n = n;
  out->context = ctx;
  for (int32_t i = 1; i <= n; ++i) {
    const Interval t = Ivl_mul(ca, a->gradient[i]);
    out->gradient[i] = b ? Ivl_add(t, Ivl_mul(cb, b->gradient[i])) : t;
  }
  if (ctx->flags.curvature) out->curvature = curvature;
  return *out;
}

// The domain-fault result: [NaN, NaN], zero partials, class affine.
IvGradValue fault(IvGradValue* out, const IvGradValue* x, InterpStatus code, const char* label) {
  Vm_raise(Vm_errorsOf(x->context), code, label, 0, 0, 0);
  out->n = std::min(x->n, out->capacity);
  out->context = x->context;
  IvGrad_setIvl(out, Ivl_empty());
  return *out;
}

int32_t gradientClass(const IvGradValue* x) { return Curv_ofGradient(x->n, x->gradient); }

// The composition rule: f(x) with derivatives d1, d2 has class
// d1 * a + d2 * G, G the class of x's gradient outer product.
int32_t composed(const IvGradValue* x, const Interval& d1, const Interval& d2) {
  if (!x->context->flags.curvature) return x->curvature;
  return Curv_add(Curv_mulIvlClass(d1, x->curvature), Curv_mulIvlClass(d2, gradientClass(x)));
}

IvGradValue unary(int32_t op, const IvGradValue* x, const char* label) {
  IvGradValue* out = target(x->context, op, x->node, 0, nullptr);
  if (Ivl_refuses(op, x->value)) return fault(out, x, kStatusUnfeasibleArgument, label);
  Interval cut = x->value;
  const IvlDerivs d = Ivl_elementary(op, &cut);
  // ABS may have its kink and SIGN its jump inside the box, where the chain
  // rule does not hold.
  const int32_t cls = op == kOpAbs    ? Curv_ofAbs(x->value, x->curvature)
                      : op == kOpSign ? Curv_ofSign(x->value)
                                      : composed(x, d.d1, d.d2);
  return finish(out, x, d.f, d.d1, nullptr, kZero, cls);
}

IvGradValue maxMin(bool isMax, const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, isMax ? kOpMax : kOpMin, x->node, y->node, nullptr);
  Interval wx, wy;
  Ivl_maxMinWeights(isMax, x->value, y->value, &wx, &wy);
  const int32_t cls = Curv_ofMaxMin(isMax, x->value, x->curvature, y->value, y->curvature);
  return finish(out, x, isMax ? Ivl_max(x->value, y->value) : Ivl_min(x->value, y->value), wx, y, wy, cls);
}

IvGradValue maxMinNumber(bool isMax, bool numberLeft, const IvGradValue* x, double d) {
  // The number is recorded: the Hessian replay weighs the operand by it.
  const NodeRef r1 = numberLeft ? 0 : x->node, r2 = numberLeft ? x->node : 0;
  const Interval k{d, d};
  IvGradValue* out = target(x->context, isMax ? kOpMax : kOpMin, r1, r2, &k);
  Interval wx, wd;
  Ivl_maxMinWeights(isMax, x->value, k, &wx, &wd);
  const Interval value = isMax ? Ivl_maxVS(x->value, d) : Ivl_minVS(x->value, d);
  return finish(out, x, value, wx, nullptr, kZero, Curv_ofMaxMin(isMax, x->value, x->curvature, k, kCurvAffine));
}

// Product of x and a constant interval k, recorded with k on either side.
IvGradValue scaled(const IvGradValue* x, const Interval& k, bool constantLeft) {
  IvGradValue* out = constantLeft ? target(x->context, kOpMul, 0, x->node, &k) : target(x->context, kOpMul, x->node, 0, &k);
  return finish(out, x, Ivl_mul(k, x->value), k, nullptr, kZero, Curv_mulIvlClass(k, x->curvature));
}

// A power f of x with first and second derivative d1, d2.
IvGradValue power(IvGradValue* out, const IvGradValue* x, const Interval& f, const Interval& d1, const Interval& d2) {
  return finish(out, x, f, d1, nullptr, kZero, composed(x, d1, d2));
}

}  // namespace

void IvGrad_setInt(IvGradValue* v, int32_t k) { IvGrad_setIvl(v, Interval{double(k), double(k)}); }

void IvGrad_setIvl(IvGradValue* v, const Interval& x) {
  const NodeRef node = v->node;
  IvGrad_setConst(v, x);
  v->node = node;
}

IvGradValue IvGrad_neg(const IvGradValue* x) {
  IvGradValue* out = target(x->context, kOpSub, 0, x->node, &kZero);
  return finish(out, x, Ivl_neg(x->value), Interval{-1.0, -1.0}, nullptr, kZero, Curv_neg(x->curvature));
}

IvGradValue IvGrad_sub(const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, kOpSub, x->node, y->node, nullptr);
  return finish(out, x, Ivl_sub(x->value, y->value), kOne, y, Interval{-1.0, -1.0},
                Curv_sub(x->curvature, y->curvature));
}

IvGradValue IvGrad_subSV(double d, const IvGradValue* x) {
  IvGradValue* out = target(x->context, kOpSub, 0, x->node, nullptr);
  return finish(out, x, Ivl_subSV(d, x->value), Interval{-1.0, -1.0}, nullptr, kZero, Curv_neg(x->curvature));
}

IvGradValue IvGrad_subVS(const IvGradValue* x, double d) {
  IvGradValue* out = target(x->context, kOpSub, x->node, 0, nullptr);
  return finish(out, x, Ivl_subVS(x->value, d), kOne, nullptr, kZero, x->curvature);
}

IvGradValue IvGrad_add(const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, kOpAdd, x->node, y->node, nullptr);
  return finish(out, x, Ivl_add(x->value, y->value), kOne, y, kOne, Curv_add(x->curvature, y->curvature));
}

IvGradValue IvGrad_addSV(double d, const IvGradValue* x) {
  IvGradValue* out = target(x->context, kOpAdd, 0, x->node, nullptr);
  return finish(out, x, Ivl_addSV(d, x->value), kOne, nullptr, kZero, x->curvature);
}

IvGradValue IvGrad_addVS(const IvGradValue* x, double d) {
  IvGradValue* out = target(x->context, kOpAdd, x->node, 0, nullptr);
  return finish(out, x, Ivl_addVS(x->value, d), kOne, nullptr, kZero, x->curvature);
}

IvGradValue IvGrad_mul(const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, kOpMul, x->node, y->node, nullptr);
  const int32_t cls = Curv_add(Curv_add(Curv_mulClassIvl(x->curvature, y->value),
                                        Curv_ofCrossTerm(x->n, x->gradient, y->gradient)),
                               Curv_mulClassIvl(y->curvature, x->value));
  return finish(out, y, Ivl_mul(x->value, y->value), x->value, x, y->value, cls);
}

IvGradValue IvGrad_mulSV(double d, const IvGradValue* x) { return scaled(x, Interval{d, d}, true); }
IvGradValue IvGrad_mulVS(const IvGradValue* x, double d) { return scaled(x, Interval{d, d}, false); }
IvGradValue IvGrad_mulIvlV(const Interval& k, const IvGradValue* x) { return scaled(x, k, true); }
IvGradValue IvGrad_mulVIvl(const IvGradValue* x, const Interval& k) { return scaled(x, k, false); }

IvGradValue IvGrad_div(const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, kOpDiv, x->node, y->node, nullptr);
  const Interval q = Ivl_div(x->value, y->value), r = Ivl_divSV(1.0, y->value);
  // (x_i - y_i q) / y = x_i (1 / y) + y_i (-q / y)
  finish(out, x, q, r, y, Ivl_neg(Ivl_mul(q, r)), x->curvature);
  if (x->context->flags.curvature) {
    const int32_t inner = Curv_add(Curv_mulClassIvl(y->curvature, q), Curv_ofCrossTerm(out->n, y->gradient, out->gradient));
    out->curvature = Curv_divClassIvl(Curv_sub(x->curvature, inner), y->value);
  }
  return *out;
}

IvGradValue IvGrad_divSV(double d, const IvGradValue* x) {
  const Interval k{d, d};
  IvGradValue* out = target(x->context, kOpDiv, 0, x->node, &k);
  const Interval q = Ivl_divSV(d, x->value);
  finish(out, x, q, Ivl_neg(Ivl_divSV(d, Ivl_sqr(x->value))), nullptr, kZero, x->curvature);
  if (x->context->flags.curvature) {
    const int32_t inner = Curv_add(Curv_mulClassIvl(x->curvature, q), Curv_ofCrossTerm(out->n, x->gradient, out->gradient));
    out->curvature = Curv_divClassIvl(Curv_neg(inner), x->value);
  }
  return *out;
}

IvGradValue IvGrad_divVS(const IvGradValue* x, double d) {
  const Interval k{d, d};
  IvGradValue* out = target(x->context, kOpDiv, x->node, 0, &k);
  return finish(out, x, Ivl_divVS(x->value, d), Ivl_divSV(1.0, k), nullptr, kZero, Curv_divClassNum(x->curvature, d));
}

IvGradValue IvGrad_abs(const IvGradValue* x) { return unary(kOpAbs, x, "IABS"); }
IvGradValue IvGrad_acos(const IvGradValue* x) { return unary(kOpAcos, x, "IACOS"); }
IvGradValue IvGrad_asin(const IvGradValue* x) { return unary(kOpAsin, x, "IASIN"); }
IvGradValue IvGrad_atan(const IvGradValue* x) { return unary(kOpAtan, x, "IATAN"); }
IvGradValue IvGrad_cos(const IvGradValue* x) { return unary(kOpCos, x, "ICOS"); }
IvGradValue IvGrad_cosh(const IvGradValue* x) { return unary(kOpCosh, x, "ICOSH"); }
IvGradValue IvGrad_exp(const IvGradValue* x) { return unary(kOpExp, x, "IEXP"); }
IvGradValue IvGrad_ln(const IvGradValue* x) { return unary(kOpLn, x, "ILN"); }
IvGradValue IvGrad_sign(const IvGradValue* x) { return unary(kOpSign, x, "ISIGN"); }
IvGradValue IvGrad_sin(const IvGradValue* x) { return unary(kOpSin, x, "ISIN"); }
IvGradValue IvGrad_sinh(const IvGradValue* x) { return unary(kOpSinh, x, "ISINH"); }
IvGradValue IvGrad_sqr(const IvGradValue* x) { return unary(kOpSquare, x, "ISQR"); }
IvGradValue IvGrad_sqrt(const IvGradValue* x) { return unary(kOpSqrt, x, "ISQRT"); }
IvGradValue IvGrad_tan(const IvGradValue* x) { return unary(kOpTan, x, "ITAN"); }
IvGradValue IvGrad_tanh(const IvGradValue* x) { return unary(kOpTanh, x, "ITANH"); }

IvGradValue IvGrad_max(const IvGradValue* x, const IvGradValue* y) { return maxMin(true, x, y); }
IvGradValue IvGrad_min(const IvGradValue* x, const IvGradValue* y) { return maxMin(false, x, y); }
IvGradValue IvGrad_maxSV(double d, const IvGradValue* x) { return maxMinNumber(true, true, x, d); }
IvGradValue IvGrad_maxVS(const IvGradValue* x, double d) { return maxMinNumber(true, false, x, d); }
IvGradValue IvGrad_minSV(double d, const IvGradValue* x) { return maxMinNumber(false, true, x, d); }
IvGradValue IvGrad_minVS(const IvGradValue* x, double d) { return maxMinNumber(false, false, x, d); }

IvGradValue IvGrad_powVI(const IvGradValue* x, int32_t k) {
  const Interval K{double(k), double(k)};
  IvGradValue* out = target(x->context, kOpPower, x->node, 0, &K);
  if (k < 0 && Ivl_contains(x->value, 0.0)) return fault(out, x, kStatusDivisionByZero, "IPOW");
  const double kk = double(k) * double(k - 1);
  return power(out, x, Ivl_powVI(x->value, k), Ivl_mulSV(k, Ivl_powVI(x->value, k - 1)),
               kk == 0.0 ? kZero : Ivl_mulSV(kk, Ivl_powVI(x->value, k - 2)));
}

IvGradValue IvGrad_powVS(const IvGradValue* x, double r) {
  if (Ivl_isIntegerExponent(r)) return IvGrad_powVI(x, int32_t(r));
  const Interval R{r, r};
  IvGradValue* out = target(x->context, kOpPower, x->node, 0, &R);
  if (x->value.hi < 0.0) return fault(out, x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_powVS(&cut, r);
  Interval c1 = cut, c2 = cut;
  const double rr = r * (r - 1.0);
  return power(out, x, f, r == 0.0 ? kZero : Ivl_mulSV(r, Ivl_powVS(&c1, r - 1.0)),
               rr == 0.0 ? kZero : Ivl_mulSV(rr, Ivl_powVS(&c2, r - 2.0)));
}

IvGradValue IvGrad_powVIvl(const IvGradValue* x, const Interval& k) {
  IvGradValue* out = target(x->context, kOpPower, x->node, 0, &k);
  if (x->value.hi < 0.0) return fault(out, x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_pow(&cut, k);
  Interval c1 = cut, c2 = cut;
  const Interval km1 = Ivl_subVS(k, 1.0);
  return power(out, x, f, Ivl_mul(k, Ivl_pow(&c1, km1)), Ivl_mul(Ivl_mul(k, km1), Ivl_pow(&c2, Ivl_subVS(k, 2.0))));
}

IvGradValue IvGrad_powSV(double d, const IvGradValue* x) {
  const Interval D{d, d};
  IvGradValue* out = target(x->context, kOpPower, 0, x->node, &D);
  if (!(d > 0.0)) return fault(out, x, kStatusUnfeasibleArgument, "IPOW");
  const Interval f = Ivl_powSV(d, x->value), lnD = Ivl_lnOpen(D);
  const Interval d1 = Ivl_mul(f, lnD);
  return power(out, x, f, d1, Ivl_mul(d1, lnD));
}

IvGradValue IvGrad_powIvlV(const Interval& k, const IvGradValue* x) {
  IvGradValue* out = target(x->context, kOpPower, 0, x->node, &k);
  if (!(k.hi > 0.0)) return fault(out, x, kStatusUnfeasibleArgument, "IPOW");
  Interval base = k;
  const Interval f = Ivl_pow(&base, x->value);
  const Interval lnK = Ivl_ln(&base);
  const Interval d1 = Ivl_mul(f, lnK);
  return power(out, x, f, d1, Ivl_mul(d1, lnK));
}

IvGradValue IvGrad_pow(const IvGradValue* x, const IvGradValue* y) {
  IvGradValue* out = target(x->context, kOpPower, x->node, y->node, nullptr);
  if (!(x->value.hi > 0.0)) return fault(out, x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_pow(&cut, y->value);
  Interval c1 = cut, c2 = cut;
  const Interval a = Ivl_mul(y->value, Ivl_pow(&c1, Ivl_subVS(y->value, 1.0)));
  const Interval b = Ivl_mul(f, Ivl_ln(&c2));
  return finish(out, x, f, a, y, b, kCurvUnknown);
}
