// Builds constants shaped like a value in the context's result, through
// the families' sizing and constant setters, and tests sample vectors
// trial by trial.
#include "arithmetic/operators/Op_Shape.h"

#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/propagate/IvProp_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "values/Aff_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// The size a constant in the model's kind takes: its trials or variables.
int32_t sizeOf(const Value& model) {
  const void* p = model.payload;
  switch (model.kind) {
    case kValSamples: return static_cast<const SampleVector*>(p)->n;
    case kValGrad: return static_cast<const GradValue*>(p)->n;
    case kValHess: return static_cast<const HessValue*>(p)->n;
    case kValIvGrad: return static_cast<const IvGradValue*>(p)->n;
    case kValIvHess: return static_cast<const IvHessValue*>(p)->n;
    case kValAffine: return static_cast<const AffineForm*>(p)->n;
    default: return 0;
  }
}

// The constant d in a sized payload of r's kind.
void setSized(Value* r, double d) {
  const Interval point{d, d};
  switch (r->kind) {
    case kValSamples: Smp_setConst(static_cast<SampleVector*>(r->payload), d); break;
    case kValGrad: Grad_setConst(static_cast<GradValue*>(r->payload), d); break;
    case kValHess: Hess_setConst(static_cast<HessValue*>(r->payload), d); break;
    case kValIvGrad: IvGrad_setConst(static_cast<IvGradValue*>(r->payload), point); break;
    case kValIvHess: IvHess_setConst(static_cast<IvHessValue*>(r->payload), point); break;
    case kValAffine: Aff_setConst(static_cast<AffineForm*>(r->payload), d); break;
    default: break;
  }
}

// A copy of a tape node with the constant d. The copy refers to no node
// (self 0), as a constant does: the reverse sweep then passes nothing
// through it to the node it was copied from, and interval propagation
// takes it as a constant operand rather than narrowing that node.
void setNode(Value* r, double d) {
  switch (r->kind) {
    case kValRev: {
      auto* node = static_cast<RevNode*>(r->payload);
      Rev_setConst(node, d);
      node->self = 0;
      break;
    }
    case kValIvRev: {
      auto* node = static_cast<IvRevNode*>(r->payload);
      IvRev_setConst(node, d);
      node->self = 0;
      break;
    }
    default: {
      auto* node = static_cast<IvPropNode*>(r->payload);
      IvProp_setConst(node, d);
      node->self = 0;
      break;
    }
  }
}

bool holds(double x, double d, int32_t relation) {
  switch (relation) {
    case kRelCmpEq: return x == d;
    case kRelCmpNe: return x != d;
    case kRelCmpLt: return x < d;
    case kRelCmpLe: return x <= d;
    case kRelCmpGt: return x > d;
    case kRelCmpGe: return x >= d;
    default: return false;
  }
}

}  // namespace

bool Op_makeConstLike(const Value& model, double d, bool refuseBoolean) {
  EvalContext* ctx = model.context;
  Value* r = ctx ? ctx->buffers.result : nullptr;
  if (!r || r == &model) return false;
  switch (model.kind) {
    case kValEmpty:
    case kValMissing:
    case kValBool:
    case kValInt:
    case kValReal:
      if (refuseBoolean && model.kind == kValBool) return false;
      Val_setNumber(r, d);
      return true;
    case kValSamples:
    case kValGrad:
    case kValHess:
    case kValIvGrad:
    case kValIvHess:
    case kValAffine:
      if (Val_initKind(r, model.kind, sizeOf(model)) != kStatusOk) return false;
      setSized(r, d);
      return true;
    case kValInterval: {
      const Interval point{d, d};
      Val_setInterval(r, &point);
      return true;
    }
    case kValRev:
    case kValIvRev:
    case kValIvProp:
      if (Val_assign(r, &model)->kind != model.kind) return false;
      setNode(r, d);
      return true;
    default: return false;
  }
}

bool Op_testSamples(const Value& x, double d, int32_t relation) {
  if (x.kind != kValSamples || !x.payload) return false;
  const auto* s = static_cast<const SampleVector*>(x.payload);
  for (int32_t t = 1; t <= s->n; ++t)
    if (holds(s->data[t], d, relation)) return true;
  return false;
}
