// The kind-6 tape and its Hessian replay.
//
// Each record k holds the forward value F_k (value and gradient) and, during
// the replay, the adjoint A_k = d result / d F_k as a kind-6 value. An
// operand o of record k receives w * A_k, where w = d F_k / d o is itself a
// kind-6 value: its value is the local partial and its gradient
// cx * gx + cy * gy, with gx and gy the gradients of the record's operands.
// The gradient part of that contribution carries the second-order terms;
// what reaches a variable v is row v of the Hessian.
#include "arithmetic/grad/Grad_Tape.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "arithmetic/numeric/Num_Elementary.h"
#include "arithmetic/numeric/Num_Scalar.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "arithmetic/tape/Tape_Weights.h"
#include "base/Chk_Assert.h"
#include "values/Grad_Payload.h"
#include "values/Model_Functions.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, "Grad", 0, 0, 0); }

using Weight = TapeWeight<double>;

// The forward value an operand reference names: a record's result, or the
// variable (one of those at the gradient positions, by its current value)
// seeded into scratch; null for no operand.
const GradValue* load(const GradTapeRec* tape, const std::vector<const VarRecord*>& variables, NodeRef r,
                      GradValue* scratch) {
  if (r > 0) return &tape[r].forward;
  if (r == 0) return nullptr;
  CORVAN_ASSERT(static_cast<size_t>(-r) < variables.size());
  const VarRecord* var = variables[static_cast<size_t>(-r)];
  Grad_setVar(scratch, var ? var->value.lo : 0.0, -r);
  return scratch;
}

// The double operations of the weights table.
struct RealOps {
  using T = double;
  static double constant(double c) { return c; }
  static double add(double a, double b) { return a + b; }
  static double mul(double a, double b) { return a * b; }
  static double div(double a, double b) { return a / b; }
  static double neg(double a) { return -a; }
  static double sqr(double a) { return a * a; }
  static double scale(double s, double a) { return s * a; }
  static double subNumber(double a, double s) { return a - s; }
  static double recip(double a) { return 1.0 / a; }
  static double pow(const double* base, double e) { return std::pow(*base, e); }
  static double ln(const double* x) { return std::log(*x); }
  static double lnOpen(double d) { return Num_lnChecked(d); }
  static NumDerivs powerConst(double x, double e) { return Num_powerConst(x, e); }
  static NumDerivs elementary(int32_t op, double x) { return Num_elementary(op, x); }
  static void maxMin(bool isMax, double a, double b, bool has1, bool has2, Weight w[2]) {
    const NumMaxMin m = Num_maxMin(isMax, a, b, has1, has2);
    w[0].w = m.wa;
    w[1].w = m.wb;
  }
};

// target[j - shift] += sign * (w * gA_j + a * (cx gx_j + cy gy_j)) for j in
// 1..n, where a and gA are the adjoint's value and gradient.
void accumulate(double* target, int32_t shift, double sign, const Weight& w, const GradValue& adjoint,
                const GradValue* x, const GradValue* y, int32_t n) {
  const double a = adjoint.value;
  for (int32_t j = 1; j <= n; ++j) {
    double v = w.w * adjoint.gradient[j];
    if (w.cx != 0.0) v += a * w.cx * x->gradient[j];
    if (w.cy != 0.0) v += a * w.cy * y->gradient[j];
    target[j - shift] += sign * v;
  }
}

// An adjoint of value and gradient all 0: its record is one the result
// does not depend on (an operand of a test that kept only its answer), and
// passing it on would turn the record's infinite or NaN partials into NaN.
bool isZero(const GradValue& adjoint, int32_t n) {
  if (adjoint.value != 0.0) return false;
  for (int32_t j = 1; j <= n; ++j)
    if (adjoint.gradient[j] != 0.0) return false;
  return true;
}

}  // namespace

bool Grad_prepareTape(EvalContext* ctx, int32_t n) {
  return Tape_prepareRecords(ctx, n, &ctx->buffers.gradTape, &ctx->buffers.gradTapeCapacity, ctx->buffers.gradScratch,
                             Grad_init, Grad_freeTape, "Grad");
}

void Grad_reverseHessian(double** hessianRows, bool zeroBased, bool subtract, NodeRef result, EvalContext* ctx) {
  ctx->flags.recording = 0;
  if (result <= 0 || result > ctx->buffers.tapeCount) return;
  GradTapeRec* tape = ctx->buffers.gradTape;
  const int32_t n = ctx->buffers.gradScratch[0]->n;
  const std::vector<const VarRecord*> variables = Tape_variablesAt(ctx, n);
  for (int32_t k = 1; k <= result; ++k) Grad_setConst(&tape[k].adjoint, 0.0);
  tape[result].adjoint.value = 1.0;
  const double sign = subtract ? -1.0 : 1.0;
  const int32_t shift = zeroBased ? 1 : 0;
  for (int32_t k = result; k >= 1; --k) {
    const GradTapeRec& rec = tape[k];
    if (isZero(rec.adjoint, n)) continue;
    const GradValue* x = load(tape, variables, rec.operand1, ctx->buffers.gradScratch[2]);
    const GradValue* y = load(tape, variables, rec.operand2, ctx->buffers.gradScratch[3]);
    Weight w[2];
    if (!Tape_weights<RealOps>(rec, x ? x->value : 0.0, y ? y->value : 0.0, w)) {
      raise(Vm_errorsOf(ctx), kStatusInvalidOperation);
      return;
    }
    const NodeRef refs[2] = {rec.operand1, rec.operand2};
    for (int i = 0; i < 2; ++i) {
      if (refs[i] > 0) {
        GradValue& target = tape[refs[i]].adjoint;
        target.value += w[i].w * rec.adjoint.value;
        accumulate(target.gradient, 0, 1.0, w[i], rec.adjoint, x, y, n);
      } else if (refs[i] < 0) {
        accumulate(hessianRows[-refs[i] - shift], shift, sign, w[i], rec.adjoint, x, y, n);
      }
    }
  }
}
