// Forward-mode first derivatives: the kind-6 operations.
#include "arithmetic/grad/Grad_Ops.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/grad/Grad_Text.h"
#include "arithmetic/numeric/Num_Elementary.h"
#include "base/Chk_Assert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, "Grad", 0, 0, 0); }

// The record the operation writes: the next tape record while recording
// (with the operation, its operands and its number operand noted), else the
// context's result record. A full tape raises status 37 and ends recording,
// so the evaluation still computes values and gradients but no replay runs.
GradValue* target(EvalContext* ctx, int32_t op, NodeRef r1, NodeRef r2, double constant) {
  if (ctx->flags.recording) {
    // A negative count would pass the check below and write before the array;
    // the check refuses a full one.
    CORVAN_ASSERT(ctx->buffers.tapeCount >= 0 && ctx->buffers.gradTapeCapacity >= 0);
    if (ctx->buffers.gradTape && ctx->buffers.tapeCount < ctx->buffers.gradTapeCapacity) {
      GradTapeRec* rec = &ctx->buffers.gradTape[++ctx->buffers.tapeCount];
      rec->op = op;
      rec->operand1 = r1;
      rec->operand2 = r2;
      rec->constant = constant;
      return &rec->forward;
    }
    raise(Vm_errorsOf(ctx), kStatusNoSizingPass);
    ctx->flags.recording = 0;
  }
  return ctx->buffers.gradBuffer;
}

// Sets out's value, and its count and context from a; the partials it holds.
int32_t begin(GradValue* out, double value, const GradValue* a) {
  out->n = std::min(a->n, out->capacity);
  out->context = a->context;
  out->value = value;
  return out->n;
}

// out = value with partials ca * a + cb * b (b may be null), bound to a's
// context; returns a copy.
GradValue finish(GradValue* out, double value, double ca, const GradValue* a, double cb, const GradValue* b) {
  const int32_t n = begin(out, value, a);
  const double* da = a->gradient;
  double* g = out->gradient;
  if (b && ca == 1.0 && (cb == 1.0 || cb == -1.0)) {
    // Sums and differences: the same numbers without the unit products.
    const double* db = b->gradient;
    if (cb == 1.0) {
      for (int32_t k = 1; k <= n; ++k) g[k] = da[k] + db[k];
    } else {
      for (int32_t k = 1; k <= n; ++k) g[k] = da[k] - db[k];
    }
  } else if (b) {
    const double* db = b->gradient;
    for (int32_t k = 1; k <= n; ++k) g[k] = ca * da[k] + cb * db[k];
  } else {
    for (int32_t k = 1; k <= n; ++k) g[k] = ca * da[k];
  }
  return *out;
}

// q = x / y with partials (gx - q gy) / y (x null for a number over y): for
// a tiny y, where the coefficient -q / y leaves the doubles while the
// partials need not. Returns a copy.
GradValue quotientThroughDivisor(GradValue* out, double q, const GradValue* x, const GradValue* y) {
  const double divisor = y->value;
  const int32_t n = begin(out, q, x ? x : y);
  const double* dy = y->gradient;
  double* g = out->gradient;
  for (int32_t k = 1; k <= n; ++k) g[k] = ((x ? x->gradient[k] : 0.0) - q * dy[k]) / divisor;
  return *out;
}

// p = x^s with partials (s p gx) / x: for a tiny base, where the
// coefficient s x^(s-1) leaves the doubles while the partials need not.
// Returns a copy.
GradValue powerThroughBase(GradValue* out, double p, double s, const GradValue* x) {
  const double base = x->value, sp = s * p;
  const int32_t n = begin(out, p, x);
  const double* dx = x->gradient;
  double* g = out->gradient;
  for (int32_t k = 1; k <= n; ++k) g[k] = sp * dx[k] / base;
  return *out;
}

// ln x with partials gx / x: for a tiny x, where the slope 1 / x leaves the
// doubles while the partials need not. Returns a copy.
GradValue lnThroughArgument(GradValue* out, double f, const GradValue* x) {
  const int32_t n = begin(out, f, x);
  const double* dx = x->gradient;
  double* g = out->gradient;
  for (int32_t k = 1; k <= n; ++k) g[k] = dx[k] / x->value;
  return *out;
}

template <int32_t op>
GradValue unary(const GradValue* x) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_unary(op, x);
  GradValue* out = target(ctx, op, x->node, 0, 0.0);
  if (Num_refusesArgument(op, x->value)) {
    raise(Vm_errorsOf(ctx), kStatusUnfeasibleArgument);
    return *x;
  }
  const NumDerivs d = Num_elementary(op, x->value, false);
  if (op == kOpLn && !std::isfinite(d.d1)) return lnThroughArgument(out, d.f, x);
  return finish(out, d.f, d.d1, x, 0.0, nullptr);
}

// a op b of two kind-6 values for op add (sign +1) or subtract (sign -1).
GradValue addSub(int32_t op, double sign, const GradValue* x, const GradValue* y) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_binary(op, x, y);
  GradValue* out = target(ctx, op, x->node, y->node, 0.0);
  return finish(out, x->value + sign * y->value, 1.0, x, sign, y);
}

GradValue maxMin(bool isMax, const GradValue* x, const GradValue* y) {
  const int32_t op = isMax ? kOpMax : kOpMin;
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_binary(op, x, y);
  GradValue* out = target(ctx, op, x->node, y->node, 0.0);
  const NumMaxMin m = Num_maxMin(isMax, x->value, y->value, true, true);
  return finish(out, m.value, m.wa, x, m.wb, y);
}

// MAX or MIN of a kind-6 value and a number, the number on the left when
// numberLeft.
GradValue maxMinNumber(bool isMax, bool numberLeft, const GradValue* x, double s) {
  const int32_t op = isMax ? kOpMax : kOpMin;
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(op, numberLeft, x, s);
  GradValue* out = numberLeft ? target(ctx, op, 0, x->node, s) : target(ctx, op, x->node, 0, s);
  const NumMaxMin m = numberLeft ? Num_maxMin(isMax, s, x->value, false, true) : Num_maxMin(isMax, x->value, s, true, false);
  return finish(out, m.value, numberLeft ? m.wb : m.wa, x, 0.0, nullptr);
}

}  // namespace

void Grad_setInt(GradValue* g, int32_t k) {
  if (g->context && g->context->flags.symbolic) {
    GradText_setConst(g, k);
    return;
  }
  Grad_setConst(g, k);
}

GradValue Grad_neg(const GradValue* x) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_unary(kOpSub, x);
  GradValue* out = target(ctx, kOpSub, 0, x->node, 0.0);
  return finish(out, -x->value, -1.0, x, 0.0, nullptr);
}

GradValue Grad_sub(const GradValue* x, const GradValue* y) { return addSub(kOpSub, -1.0, x, y); }
GradValue Grad_add(const GradValue* x, const GradValue* y) { return addSub(kOpAdd, 1.0, x, y); }

GradValue Grad_subSV(double s, const GradValue* y) {
  EvalContext* ctx = y->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpSub, true, y, s);
  GradValue* out = target(ctx, kOpSub, 0, y->node, s);
  return finish(out, s - y->value, -1.0, y, 0.0, nullptr);
}

GradValue Grad_subVS(const GradValue* x, double s) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpSub, false, x, s);
  GradValue* out = target(ctx, kOpSub, x->node, 0, s);
  return finish(out, x->value - s, 1.0, x, 0.0, nullptr);
}

GradValue Grad_addSV(double s, const GradValue* y) {
  EvalContext* ctx = y->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpAdd, true, y, s);
  GradValue* out = target(ctx, kOpAdd, 0, y->node, s);
  return finish(out, s + y->value, 1.0, y, 0.0, nullptr);
}

GradValue Grad_addVS(const GradValue* x, double s) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpAdd, false, x, s);
  GradValue* out = target(ctx, kOpAdd, x->node, 0, s);
  return finish(out, x->value + s, 1.0, x, 0.0, nullptr);
}

GradValue Grad_mul(const GradValue* x, const GradValue* y) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_binary(kOpMul, x, y);
  GradValue* out = target(ctx, kOpMul, x->node, y->node, 0.0);
  return finish(out, x->value * y->value, y->value, x, x->value, y);
}

GradValue Grad_mulSV(double s, const GradValue* y) {
  EvalContext* ctx = y->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpMul, true, y, s);
  GradValue* out = target(ctx, kOpMul, 0, y->node, s);
  return finish(out, s * y->value, s, y, 0.0, nullptr);
}

GradValue Grad_mulVS(const GradValue* x, double s) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpMul, false, x, s);
  GradValue* out = target(ctx, kOpMul, x->node, 0, s);
  return finish(out, x->value * s, s, x, 0.0, nullptr);
}

GradValue Grad_div(const GradValue* x, const GradValue* y) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_binary(kOpDiv, x, y);
  GradValue* out = target(ctx, kOpDiv, x->node, y->node, 0.0);
  if (y->value == 0.0 || std::isnan(y->value)) {
    raise(Vm_errorsOf(ctx), kStatusDivisionByZero);
    return *x;
  }
  const double q = x->value / y->value;
  if (Num_quotientCoefficientsOutOfRange(q, y->value)) return quotientThroughDivisor(out, q, x, y);
  return finish(out, q, 1.0 / y->value, x, -q / y->value, y);
}

GradValue Grad_divSV(double s, const GradValue* y) {
  EvalContext* ctx = y->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpDiv, true, y, s);
  GradValue* out = target(ctx, kOpDiv, 0, y->node, s);
  if (y->value == 0.0 || std::isnan(y->value)) {
    raise(Vm_errorsOf(ctx), kStatusDivisionByZero);
    return *y;
  }
  const double q = s / y->value;
  if (Num_quotientCoefficientsOutOfRange(q, y->value)) return quotientThroughDivisor(out, q, nullptr, y);
  return finish(out, q, -q / y->value, y, 0.0, nullptr);
}

GradValue Grad_divVS(const GradValue* x, double s) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpDiv, false, x, s);
  GradValue* out = target(ctx, kOpDiv, x->node, 0, s);
  if (s == 0.0 || std::isnan(s)) {
    raise(Vm_errorsOf(ctx), kStatusDivisionByZero);
    return *x;
  }
  return finish(out, x->value / s, 1.0 / s, x, 0.0, nullptr);
}

GradValue Grad_abs(const GradValue* x) { return unary<kOpAbs>(x); }
GradValue Grad_acos(const GradValue* x) { return unary<kOpAcos>(x); }
GradValue Grad_asin(const GradValue* x) { return unary<kOpAsin>(x); }
GradValue Grad_atan(const GradValue* x) { return unary<kOpAtan>(x); }
GradValue Grad_cos(const GradValue* x) { return unary<kOpCos>(x); }
GradValue Grad_cosh(const GradValue* x) { return unary<kOpCosh>(x); }
GradValue Grad_exp(const GradValue* x) { return unary<kOpExp>(x); }
GradValue Grad_ln(const GradValue* x) { return unary<kOpLn>(x); }
GradValue Grad_max(const GradValue* x, const GradValue* y) { return maxMin(true, x, y); }
GradValue Grad_maxSV(double s, const GradValue* y) { return maxMinNumber(true, true, y, s); }
GradValue Grad_maxVS(const GradValue* x, double s) { return maxMinNumber(true, false, x, s); }
GradValue Grad_min(const GradValue* x, const GradValue* y) { return maxMin(false, x, y); }
GradValue Grad_minSV(double s, const GradValue* y) { return maxMinNumber(false, true, y, s); }
GradValue Grad_minVS(const GradValue* x, double s) { return maxMinNumber(false, false, x, s); }

GradValue Grad_pow(const GradValue* x, const GradValue* y) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_binary(kOpPower, x, y);
  GradValue* out = target(ctx, kOpPower, x->node, y->node, 0.0);
  if (Num_refusesArgument(kOpPower, x->value)) {
    raise(Vm_errorsOf(ctx), kStatusUnfeasibleArgument);
    return *x;
  }
  const double p = std::pow(x->value, y->value);
  return finish(out, p, Num_powerBaseSlope(x->value, y->value, y->value / x->value * p), x, std::log(x->value) * p, y);
}

GradValue Grad_powSV(double s, const GradValue* y) {
  EvalContext* ctx = y->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpPower, true, y, s);
  GradValue* out = target(ctx, kOpPower, 0, y->node, s);
  const double p = std::pow(s, y->value);
  return finish(out, p, Num_lnBase(s) * p, y, 0.0, nullptr);
}

GradValue Grad_powVS(const GradValue* x, double s) {
  EvalContext* ctx = x->context;
  if (ctx->flags.symbolic) return GradText_mixed(kOpPower, false, x, s);
  GradValue* out = target(ctx, kOpPower, x->node, 0, s);
  const NumDerivs d = Num_powerConst(x->value, s);
  if (Num_powerSlopeOverflows(x->value, d)) return powerThroughBase(out, d.f, s, x);
  return finish(out, d.f, d.d1, x, 0.0, nullptr);
}

GradValue Grad_sign(const GradValue* x) { return unary<kOpSign>(x); }
GradValue Grad_sin(const GradValue* x) { return unary<kOpSin>(x); }
GradValue Grad_sinh(const GradValue* x) { return unary<kOpSinh>(x); }
GradValue Grad_sqr(const GradValue* x) { return unary<kOpSquare>(x); }
GradValue Grad_sqrt(const GradValue* x) { return unary<kOpSqrt>(x); }
GradValue Grad_tan(const GradValue* x) { return unary<kOpTan>(x); }
GradValue Grad_tanh(const GradValue* x) { return unary<kOpTanh>(x); }
