// Assignment of values: deep copies by kind, and the materialisation of a
// decision variable or a sampled input in the context's evaluation mode.
#include <cstdlib>

#include "base/Chk_Assert.h"
#include "values/Aff_Payload.h"
#include "values/DegDag_Node.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/List_List.h"
#include "values/Model_Variables.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Val_Kind17.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

EvalContext* contextOf(const Value* dst, const Value* src) { return src->context ? src->context : dst->context; }

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, "Value", 0, 0, 0); }

// A shallow copy of src: a second value over the same text, array or
// payload, which an assignment would free while reading it.
[[maybe_unused]] bool sharesStorage(const Value* dst, const Value* src) {
  return (dst->payload && dst->payload == src->payload) || (dst->text && dst->text == src->text) ||
         (dst->array && dst->array == src->array);
}

// A scalar source as kind, number and an error's marks; any other kind as
// the real it holds.
Value* assignNumber(Value* dst, const Value* src) {
  Val_setKind(dst, Val_isScalar(src->kind) ? src->kind : kValReal)->number = src->number;
  if (src->kind == kValError) {
    dst->overflow = src->overflow;
    dst->noDerivative = src->noDerivative;
  }
  return dst;
}

Value* copyPlain(Value* dst, const Value* src) {
  switch (src->kind) {
    case kValSamples: return Val_setSamples(dst, static_cast<const SampleVector*>(src->payload));
    case kValGrad: return Val_setGrad(dst, static_cast<const GradValue*>(src->payload));
    case kValRev: return Val_setRev(dst, static_cast<const RevNode*>(src->payload));
    case kValHess: return Val_setHess(dst, static_cast<const HessValue*>(src->payload));
    case kValIvGrad: return Val_setIvGrad(dst, static_cast<const IvGradValue*>(src->payload));
    case kValIvRev: return Val_setIvRev(dst, static_cast<const IvRevNode*>(src->payload));
    case kValIvHess: return Val_setIvHess(dst, static_cast<const IvHessValue*>(src->payload));
    case kValInterval: return Val_setInterval(dst, static_cast<const Interval*>(src->payload));
    case kValIvProp: return Val_setIvProp(dst, static_cast<const IvPropNode*>(src->payload));
    case kValAffine: return Val_setAffine(dst, static_cast<const AffineForm*>(src->payload));
    case kValDegDag: return Val_setDegDag(dst, static_cast<const DegDagNode*>(src->payload));
    case kValDegVec: return Val_setDegVec(dst, static_cast<const DegVec*>(src->payload));
    case kValKind17: return Val_setKind17(dst, static_cast<const Kind17Record*>(src->payload));
    case kValText: return Val_setText(dst, src->text);
    case kValArray: {
      const ValueArray* a = src->array;
      if (Val_makeArray(dst, a->rows, a->columns) != kStatusOk) return dst;
      for (int32_t r = 0; r < a->rows; ++r)
        for (int32_t c = 0; c < a->columns; ++c) Val_assign(Val_at(dst, r, c), Val_at(src, r, c));
      return dst;
    }
    default:
      if (src->kind >= kValEmpty && Val_isScalar(src->kind)) return assignNumber(dst, src);
      raise(Vm_errorsOf(contextOf(dst, src)), kStatusInvalidOperation);
      return dst;
  }
}

// A source standing for a sampled input: its samples, its current sample, or
// the number it holds.
Value* assignSampled(Value* dst, const Value* src) {
  EvalContext* ctx = contextOf(dst, src);
  const std::vector<double>* samples = ctx ? Model_getInputSamples(ctx->tables.variables, -src->reference) : nullptr;
  if (ctx && ctx->flags.mode == kModeSamples) {
    if (ctx->sampling.trialCount == 0) return dst;
    Val_setKind(dst, kValSamples);
    auto* v = static_cast<SampleVector*>(dst->payload);
    if (!v || !Smp_init(v, ctx->sampling.trialCount, ctx)) {
      raise(Vm_errorsOf(ctx), kStatusNoMemory);
      return dst;
    }
    if (samples) Smp_setValues(v, static_cast<int32_t>(samples->size()), samples->data());
    return dst;
  }
  if (ctx && ctx->flags.mode == kModeDegVec && ctx->sampling.trialCount > 0 && ctx->flags.sizingPass)
    return Val_setKind(dst, kValDegVec);
  if (ctx && ctx->sampling.currentTrial > 0 && samples &&
      ctx->sampling.currentTrial <= static_cast<int32_t>(samples->size()))
    return Val_setNumber(dst, (*samples)[static_cast<size_t>(ctx->sampling.currentTrial) - 1]);
  return assignNumber(dst, src);
}

// The payload of kind, sized for n variables by init; null (status 2 raised)
// when memory runs out.
template <class T, class... Args>
T* sized(Value* dst, int32_t kind, EvalContext* ctx, bool (*init)(T*, Args...), Args... args) {
  auto* p = static_cast<T*>(Val_setKind(dst, kind)->payload);
  if (!p || !init(p, args...)) {
    raise(Vm_errorsOf(ctx), kStatusNoMemory);
    return nullptr;
  }
  return p;
}

// The payload of a tape-leaf kind, or null (status 2 raised).
template <class T>
T* leaf(Value* dst, int32_t kind, EvalContext* ctx) {
  auto* p = static_cast<T*>(Val_setKind(dst, kind)->payload);
  if (!p) raise(Vm_errorsOf(ctx), kStatusNoMemory);
  return p;
}

// The variable seeded at position p (> 0) for a derivative, interval or
// structure mode.
Value* seedVariable(Value* dst, EvalContext* ctx, Interval x, int32_t p, int32_t n) {
  switch (ctx->flags.mode) {
    case kModeGrad:
      if (auto* g = sized<GradValue, int32_t, EvalContext*>(dst, kValGrad, ctx, Grad_init, n, ctx)) Grad_setVar(g, x.lo, p);
      return dst;
    case kModeRev:
      if (auto* r = leaf<RevNode>(dst, kValRev, ctx)) *r = RevNode{x.lo, 0.0, 0.0, 0, 0, -p, ctx};
      return dst;
    case kModeHess:
      if (auto* h = sized<HessValue, int32_t, EvalContext*>(dst, kValHess, ctx, Hess_init, n, ctx)) Hess_setVar(h, x.lo, p);
      return dst;
    case kModeIvGrad:
      if (auto* g = sized<IvGradValue, int32_t, EvalContext*>(dst, kValIvGrad, ctx, IvGrad_init, n, ctx)) IvGrad_setVar(g, x, p);
      return dst;
    case kModeIvRev:
      if (auto* r = leaf<IvRevNode>(dst, kValIvRev, ctx)) *r = IvRevNode{x, {0.0, 0.0}, {0.0, 0.0}, 0, 0, -p, ctx};
      return dst;
    case kModeIvHess:
      if (auto* h = sized<IvHessValue, int32_t, EvalContext*>(dst, kValIvHess, ctx, IvHess_init, n, ctx)) IvHess_setVar(h, x, p);
      return dst;
    case kModeInterval:
      return Val_setInterval(dst, &x);
    case kModeIvProp:
      if (auto* r = leaf<IvPropNode>(dst, kValIvProp, ctx)) *r = IvPropNode{x, {0.0, 0.0}, kOpNone, 0, 0, -p, ctx};
      return dst;
    case kModeAffine:
      if (auto* a = sized<AffineForm, int32_t, EvalContext*>(dst, kValAffine, ctx, Aff_init, n, ctx)) Aff_setVar(a, x, p);
      return dst;
    case kModeDegDag:
      if (auto* d = leaf<DegDagNode>(dst, kValDegDag, ctx)) *d = DegDagNode{kDegLinear, 0, 0, 0, 0, -p, ctx};
      return dst;
    case kModeDegVec:
      if (auto* d = sized<DegVec, int32_t>(dst, kValDegVec, ctx, DegVec_init, n)) DegVec_setVar(d, p);
      return dst;
    default:
      raise(Vm_errorsOf(ctx), kStatusInvalidOperation);
      return dst;
  }
}

// A source standing for decision variable j.
Value* assignVariable(Value* dst, const Value* src) {
  EvalContext* ctx = contextOf(dst, src);
  if (!ctx) return assignNumber(dst, src);
  const int32_t j = src->reference;
  const VarRecord* var = Model_getVariable(ctx->tables.variables, j);
  const Interval x = var ? var->value : Interval{src->number, src->number};
  const int32_t mode = ctx->flags.mode;
  if ((mode == kModeDegVec && ctx->sampling.trialCount > 0) || mode == kModeReal || mode == kModeSamples)
    return Val_setNumber(dst, x.lo);
  if (mode < kModeGrad || mode > kModeDegVec) {
    raise(Vm_errorsOf(ctx), kStatusInvalidOperation);
    return dst;
  }
  // Positions count in the function's own variable list when derivatives are
  // compact (0: the function does not depend on the variable).
  List* own = ctx->position.currentVariables;
  const bool compact = ctx->flags.compactDerivatives != 0;
  const int32_t p = compact ? (own ? List_indexOfInt(own, j) : 0) : j;
  const int32_t n = compact ? (own ? List_count(own) : 0) : Model_variableCount(ctx->tables.variables);
  if (p == 0) return mode >= kModeIvGrad && mode <= kModeIvProp ? Val_setInterval(dst, &x) : Val_setNumber(dst, x.lo);
  return seedVariable(dst, ctx, x, p, n);
}

}  // namespace

Value* Val_assign(Value* dst, const Value* src) {
  if (dst == src) return dst;
  CORVAN_ASSERT(!sharesStorage(dst, src));
  if (src->kind != kValArray && src->reference < 0) return assignSampled(dst, src);
  if (src->kind != kValArray && src->reference > 0) return assignVariable(dst, src);
  return copyPlain(dst, src);
}

Value* Val_take(Value* dst, Value* src) {
  const bool movable = src->kind == dst->kind && src->kind >= kValFirstPayload && src->kind <= kValLastPayload &&
                       src->reference == 0 && src->payload && dst->payload && !src->array && !dst->array;
  if (!movable) return Val_assign(dst, src);
  void* held = dst->payload;
  dst->payload = src->payload;
  src->payload = held;
  dst->number = src->number;
  dst->reference = 0;
  CORVAN_ASSERT(dst->payload != src->payload);
  return dst;
}

Value* Val_takeResult(Value* dst, const Value& r) {
  const EvalContext* ctx = r.context ? r.context : dst->context;
  Value* result = ctx ? ctx->buffers.result : nullptr;
  if (result && r.kind == result->kind && r.payload && r.payload == result->payload) return Val_take(dst, result);
  return Val_assign(dst, &r);
}

bool Val_movable(const Value* v) {
  if (v->reference != 0) return false;
  if (v->kind != kValArray || !v->array) return true;
  for (int32_t i = 0; i < v->array->rows; ++i)
    for (int32_t j = 0; j < v->array->columns; ++j)
      if (Val_at(v, i, j)->reference != 0) return false;
  return true;
}
