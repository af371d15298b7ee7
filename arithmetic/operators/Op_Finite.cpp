// The one check of every family result against the doubles' range.
#include "arithmetic/operators/Op_Finite.h"

#include <cmath>

#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Status.h"

namespace {

// Each infinite trial becomes the error a trial holds.
void trialsWithin(SampleVector* s) {
  for (int32_t i = 1; i <= s->n; ++i)
    if (std::isinf(s->data[i])) s->data[i] = NAN;
}

}  // namespace

const double* Op_pointValue(const Value& v) {
  if (!v.payload) return nullptr;
  switch (v.kind) {
    case kValGrad: return &static_cast<const GradValue*>(v.payload)->value;
    case kValRev: return &static_cast<const RevNode*>(v.payload)->value;
    case kValHess: return &static_cast<const HessValue*>(v.payload)->value;
    default: return nullptr;
  }
}

Value* Op_finiteResult(Value* v) {
  if (!v->payload) return v;
  if (v->kind == kValSamples) {
    trialsWithin(static_cast<SampleVector*>(v->payload));
    return v;
  }
  const double* value = Op_pointValue(*v);
  if (!value || std::isfinite(*value)) return v;
  return std::isinf(*value) ? Val_setOverflow(v) : Val_setError(v, kErrNum);
}
