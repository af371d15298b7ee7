// Pairwise MAX and MIN.
#include "worksheet/statistics/Wsf_Pairwise.h"

#include <cmath>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

// The structure modes: a smooth or non-smooth dependency on both operands.
Value* structure(Value* result, const Value* a, const Value* b) {
  EvalContext* ctx = a->kind == kValDegVec || a->kind == kValDegDag ? a->context : b->context;
  const bool allowed = Wsf_nonSmoothAllowed(ctx->flags);
  if (a->kind == kValDegVec || b->kind == kValDegVec) {
    if (allowed) {
      DegVec_nonlin2(a, b);
      ++ctx->buffers.tapeCount;
    } else {
      DegVec_nonsmooth2(a, b, false);
    }
  } else if (allowed) {
    DegDag_nonlin2Result(a, b);
  } else {
    DegDag_nonsmooth2(a, b, false);
  }
  return Wsf_from(result, *ctx->buffers.result);
}

// An operand above the sample vectors without the allowance of non-smooth
// functions raises "Non-smooth special function".
bool refusedNonSmooth(const Value* v) {
  if (v->kind <= kValSamples || (v->context && Wsf_nonSmoothAllowed(v->context->flags))) return false;
  Vm_raise(Vm_errorsOf(v->context), kStatusNonSmoothSpecial, "worksheet", 0, 0, 0);
  return true;
}

Value* pick(Value* result, const Value* a, const Value* b, bool larger) {
  if (Wsf_isError(a)) return Wsf_copy(result, a);
  if (Wsf_isError(b)) return Wsf_copy(result, b);
  const auto structural = [](const Value* v) { return v->kind == kValDegVec || v->kind == kValDegDag; };
  if (structural(a) || structural(b)) return structure(result, a, b);
  if (refusedNonSmooth(a) || refusedNonSmooth(b)) return Wsf_error(result, kErrValue);
  if (Op_isModeKind(a->kind) || Op_isModeKind(b->kind))
    return Wsf_from(result, larger ? Op_max(*a, *b) : Op_min(*a, *b));
  if (!Wsf_isPlain(a) || !Wsf_isPlain(b)) return Wsf_error(result, kErrValue);
  // MAX keeps a unless b is larger, MIN takes b unless a is smaller; a NaN
  // comparison keeps a for MAX and b for MIN.
  const double x = larger ? (a->number < b->number ? b->number : a->number)
                          : (a->number < b->number ? a->number : b->number);
  if (!std::isfinite(x)) return Wsf_error(result, kErrNum);
  const int32_t kind = a->kind > b->kind ? a->kind : b->kind;
  Val_clear(result);
  Val_setKind(result, kind)->number = x;
  return result;
}

}  // namespace

Value* Wsf_max2(Value* r, const Value* a, const Value* b) { return pick(r, a, b, true); }
Value* Wsf_min2(Value* r, const Value* a, const Value* b) { return pick(r, a, b, false); }
