// The kind-9 tape and its interval Hessian replay.
//
// Each record k holds the forward value F_k (interval value and gradient)
// and, during the replay, the adjoint A_k as a kind-9 value. An operand o of
// record k receives w * A_k, where w = d F_k / d o is itself enclosed with
// its gradient cx * gx + cy * gy (gx, gy the gradients of the record's
// operands); the gradient part carries the second-order terms, and what
// reaches a variable v encloses row v of the Hessian.
#include "arithmetic/ivtape/IvGrad_Tape.h"

#include <cmath>
#include <vector>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "arithmetic/tape/Tape_Weights.h"
#include "base/Chk_Assert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};
constexpr Interval kOne{1.0, 1.0};

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, "IvGrad", 0, 0, 0); }

using Weight = TapeWeight<Interval>;

// The forward value an operand reference names: a record's result, or the
// variable (one of those at the gradient positions, by its box) seeded into
// scratch; null for no operand.
const IvGradValue* load(const IvGradTapeRec* tape, const std::vector<const VarRecord*>& variables, NodeRef r,
                        IvGradValue* scratch) {
  if (r > 0) return &tape[r].forward;
  if (r == 0) return nullptr;
  CORVAN_ASSERT(static_cast<size_t>(-r) < variables.size());
  const VarRecord* var = variables[static_cast<size_t>(-r)];
  IvGrad_setVar(scratch, var ? var->value : kZero, -r);
  return scratch;
}

// x^e with its first and second derivative for a constant exponent e: an
// integer keeps negative bases, any other exponent works on x >= 0.
IvlDerivs powerConst(Interval x, const Interval& e) {
  if (e.lo == e.hi && Ivl_isIntegerExponent(e.lo)) {
    const int32_t k = int32_t(e.lo);
    const double kk = double(k) * double(k - 1);
    return {Ivl_powVI(x, k), Ivl_mulSV(k, Ivl_powVI(x, k - 1)), kk == 0.0 ? kZero : Ivl_mulSV(kk, Ivl_powVI(x, k - 2))};
  }
  Interval c0 = x, c1 = x, c2 = x;
  const Interval e1 = Ivl_subVS(e, 1.0);
  return {Ivl_pow(&c0, e), Ivl_mul(e, Ivl_pow(&c1, e1)), Ivl_mul(Ivl_mul(e, e1), Ivl_pow(&c2, Ivl_subVS(e, 2.0)))};
}

// The interval operations of the weights table, each rounding outward.
struct IntervalOps {
  using T = Interval;
  static Interval constant(double c) { return Interval{c, c}; }
  static Interval add(const Interval& a, const Interval& b) { return Ivl_add(a, b); }
  static Interval mul(const Interval& a, const Interval& b) { return Ivl_mul(a, b); }
  static Interval div(const Interval& a, const Interval& b) { return Ivl_div(a, b); }
  static Interval neg(const Interval& a) { return Ivl_neg(a); }
  static Interval sqr(const Interval& a) { return Ivl_sqr(a); }
  static Interval scale(double s, const Interval& a) { return Ivl_mulSV(s, a); }
  static Interval subNumber(const Interval& a, double s) { return Ivl_subVS(a, s); }
  static Interval recip(const Interval& a) { return Ivl_divSV(1.0, a); }
  static Interval pow(Interval* base, const Interval& e) { return Ivl_pow(base, e); }
  static Interval ln(Interval* x) { return Ivl_ln(x); }
  static Interval lnOpen(const Interval& d) { return Ivl_lnOpen(d); }
  static IvlDerivs powerConst(const Interval& x, const Interval& e) { return ::powerConst(x, e); }
  static IvlDerivs elementary(int32_t op, const Interval& x) {
    Interval cut = x;
    return Ivl_elementary(op, &cut);
  }
  // Overlapping operands each take [0, 1] of the adjoint. Where they cross,
  // each weight varies by the kink's second derivative k along the
  // difference of the present operands' gradients (k, the whole line, is its
  // own negative).
  static void maxMin(bool isMax, const Interval& a, const Interval& b, bool has1, bool has2, Weight w[2]) {
    Ivl_maxMinWeights(isMax, a, b, &w[0].w, &w[1].w);
    const Interval k = Ivl_maxMinKink(a, b);
    w[0].cx = w[1].cx = has1 ? k : kZero;
    w[0].cy = w[1].cy = has2 ? k : kZero;
  }
};

bool isZero(const Interval& x) { return x.lo == 0.0 && x.hi == 0.0; }

// target[j - shift] +-= w * gA_j + a * (cx gx_j + cy gy_j) for j in 1..n.
void accumulate(Interval* target, int32_t shift, bool subtract, const Weight& w, const IvGradValue& adjoint,
                const IvGradValue* x, const IvGradValue* y, int32_t n) {
  const Interval a = adjoint.value;
  for (int32_t j = 1; j <= n; ++j) {
    Interval v = Ivl_mul(w.w, adjoint.gradient[j]);
    if (!isZero(w.cx)) v = Ivl_add(v, Ivl_mul(a, Ivl_mul(w.cx, x->gradient[j])));
    if (!isZero(w.cy)) v = Ivl_add(v, Ivl_mul(a, Ivl_mul(w.cy, y->gradient[j])));
    Interval& t = target[j - shift];
    t = subtract ? Ivl_sub(t, v) : Ivl_add(t, v);
  }
}

}  // namespace

bool IvGrad_prepareTape(EvalContext* ctx, int32_t n) {
  if (!Tape_prepareRecords(ctx, n, &ctx->buffers.ivGradTape, &ctx->buffers.ivGradTapeCapacity,
                           ctx->buffers.ivGradScratch, IvGrad_init, IvGrad_freeTape, "IvGrad"))
    return false;
  for (int32_t k = 1; k <= ctx->buffers.ivGradTapeCapacity; ++k)
    ctx->buffers.ivGradTape[k].forward.curvature = ctx->buffers.ivGradTape[k].adjoint.curvature = kCurvAffine;
  return true;
}

void IvGrad_reverseHessian(Interval** hessianRows, bool zeroBased, bool subtract, NodeRef result, EvalContext* ctx) {
  ctx->flags.recording = 0;
  if (result <= 0 || result > ctx->buffers.tapeCount) return;
  IvGradTapeRec* tape = ctx->buffers.ivGradTape;
  const int32_t n = ctx->buffers.ivGradScratch[0]->n;
  const std::vector<const VarRecord*> variables = Tape_variablesAt(ctx, n);
  for (int32_t k = 1; k <= result; ++k) IvGrad_setConst(&tape[k].adjoint, kZero);
  tape[result].adjoint.value = kOne;
  const int32_t shift = zeroBased ? 1 : 0;
  for (int32_t k = result; k >= 1; --k) {
    const IvGradTapeRec& rec = tape[k];
    const IvGradValue* x = load(tape, variables, rec.operand1, ctx->buffers.ivGradScratch[2]);
    const IvGradValue* y = load(tape, variables, rec.operand2, ctx->buffers.ivGradScratch[3]);
    Weight w[2];
    if (!Tape_weights<IntervalOps>(rec, x ? x->value : kZero, y ? y->value : kZero, w)) {
      raise(Vm_errorsOf(ctx), kStatusInvalidOperation);
      return;
    }
    const NodeRef refs[2] = {rec.operand1, rec.operand2};
    for (int i = 0; i < 2; ++i) {
      if (refs[i] > 0) {
        IvGradValue& target = tape[refs[i]].adjoint;
        target.value = Ivl_add(target.value, Ivl_mul(w[i].w, rec.adjoint.value));
        accumulate(target.gradient, 0, false, w[i], rec.adjoint, x, y, n);
      } else if (refs[i] < 0) {
        accumulate(hessianRows[-refs[i] - shift], shift, subtract, w[i], rec.adjoint, x, y, n);
      }
    }
  }
}
