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

#include "arithmetic/numeric/Num_Elementary.h"
#include "arithmetic/numeric/Num_Scalar.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "values/Grad_Payload.h"
#include "values/Model_Functions.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalContext* ctx, InterpStatus code) { Vm_raise(ctx, code, "Grad", 0, 0, 0); }

// The local partial w of a record with respect to one operand, with the
// coefficients of its gradient: grad w = cx * gx + cy * gy.
struct Weight {
  double w;
  double cx;
  double cy;
};

// The current value of the variable at gradient position p.
double variableValue(EvalContext* ctx, int32_t p) {
  const VarRecord* var = Tape_variableAt(ctx, p);
  return var ? var->value.lo : 0.0;
}

// The forward value an operand reference names: a record's result, or the
// variable seeded into scratch; null for no operand.
const GradValue* load(EvalContext* ctx, NodeRef r, GradValue* scratch) {
  if (r > 0) return &ctx->buffers.gradTape[r].forward;
  if (r == 0) return nullptr;
  Grad_setVar(scratch, variableValue(ctx, -r), -r);
  return scratch;
}

// Partials of the record's result with respect to its operands: w[0] for
// operand 1 (value x), w[1] for operand 2 (value y); d is the number operand
// of a mixed operation. False for an unknown operation.
bool weights(const GradTapeRec& rec, double x, double y, Weight w[2]) {
  const bool has1 = rec.operand1 != 0, has2 = rec.operand2 != 0;
  const double d = rec.constant;
  w[0] = w[1] = Weight{0.0, 0.0, 0.0};
  switch (rec.op) {
    case kOpSub: w[0].w = 1.0; w[1].w = -1.0; return true;
    case kOpAdd: w[0].w = 1.0; w[1].w = 1.0; return true;
    case kOpMul:
      if (has1 && has2) {
        w[0] = Weight{y, 0.0, 1.0};
        w[1] = Weight{x, 1.0, 0.0};
      } else {
        w[0].w = w[1].w = d;
      }
      return true;
    case kOpDiv: {
      if (has1 && has2) {
        w[0] = Weight{1.0 / y, 0.0, -1.0 / (y * y)};
        w[1] = Weight{-x / (y * y), -1.0 / (y * y), 2.0 * x / (y * y * y)};
      } else if (has1) {
        w[0].w = 1.0 / d;
      } else {
        w[1] = Weight{-d / (y * y), 0.0, 2.0 * d / (y * y * y)};
      }
      return true;
    }
    case kOpMax:
    case kOpMin: {
      const bool isMax = rec.op == kOpMax;
      const NumMaxMin m = Num_maxMin(isMax, has1 ? x : d, has2 ? y : d, has1, has2);
      w[0].w = m.wa;
      w[1].w = m.wb;
      return true;
    }
    case kOpPower: {
      if (has1 && has2) {
        const double p = std::pow(x, y), lx = std::log(x);
        w[0] = Weight{y * p / x, y * (y - 1.0) * p / (x * x), p / x * (1.0 + y * lx)};
        w[1] = Weight{p * lx, p * (y * lx + 1.0) / x, p * lx * lx};
      } else if (has1) {
        const NumDerivs p = Num_powerConst(x, d);
        w[0] = Weight{p.d1, p.d2, 0.0};
      } else {
        const double p = std::pow(d, y), ld = Num_lnChecked(d);
        w[1] = Weight{p * ld, 0.0, p * ld * ld};
      }
      return true;
    }
    default: {
      if (rec.op < kOpAbs || rec.op > kOpTanh) return false;
      const NumDerivs e = Num_elementary(rec.op, x);
      w[0] = Weight{e.d1, e.d2, 0.0};
      return true;
    }
  }
}

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
  for (int32_t k = 1; k <= result; ++k) Grad_setConst(&tape[k].adjoint, 0.0);
  tape[result].adjoint.value = 1.0;
  const double sign = subtract ? -1.0 : 1.0;
  const int32_t shift = zeroBased ? 1 : 0;
  for (int32_t k = result; k >= 1; --k) {
    const GradTapeRec& rec = tape[k];
    const GradValue* x = load(ctx, rec.operand1, ctx->buffers.gradScratch[2]);
    const GradValue* y = load(ctx, rec.operand2, ctx->buffers.gradScratch[3]);
    Weight w[2];
    if (!weights(rec, x ? x->value : 0.0, y ? y->value : 0.0, w)) {
      raise(ctx, kStatusInvalidOperation);
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
