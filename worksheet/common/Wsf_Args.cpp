// Shared argument rules of the worksheet functions.
#include "worksheet/common/Wsf_Args.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/operators/Op_Shape.h"
#include "values/Model_Refs.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

Value* Wsf_error(Value* result, uint32_t code) {
  Val_clear(result);
  return Val_setError(result, code);
}

Value* Wsf_copy(Value* result, const Value* v) {
  if (result == v) return result;
  Val_clear(result);
  return Val_assign(result, v);
}

Value* Wsf_copyReference(Value* result, const Value* v) {
  if (result == v) return result;
  Wsf_copy(result, v);
  Wsf_setSource(result, v->source);
  return result;
}

void Wsf_setSource(Value* v, const RangeRef* range) {
  if (!range) return;
  if (!v->source) v->source = static_cast<RangeRef*>(std::malloc(sizeof(RangeRef)));
  if (v->source) *v->source = *range;
}

bool Wsf_firstErrorArg(Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (Wsf_isError(argv[i])) {
      Wsf_copy(result, argv[i]);
      return true;
    }
  return false;
}

bool Wsf_passNoDerivative(Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k)
      if (const Value* e = Wsf_element(argv[i], k); Val_isNoDerivative(e)) {
        Wsf_copy(result, e);
        return true;
      }
  return false;
}

Value* Wsf_finite(Value* result, double x) {
  if (std::isinf(x)) return Val_setOverflow(Val_clear(result));
  if (std::isnan(x)) return Wsf_error(result, kErrNum);
  Val_clear(result);
  return Val_setNumber(result, x);
}

Value* Wsf_integer(Value* result, int32_t n) {
  Val_clear(result);
  return Val_setInt(result, n);
}

Value* Wsf_from(Value* result, const Value& r) {
  if (r.context && r.context->buffers.result == result) return result;
  return Val_assign(result, &r);
}

bool Wsf_nonSmoothAllowed(const EvalFlags& flags) { return flags.nonSmoothAllowed == 1; }

bool Wsf_anyModal(int argc, const Value* const* argv, EvalContext** ctx) {
  const auto modal = [ctx](const Value* v) {
    if (v->kind < kValSamples || v->kind > kValDegVec) return false;
    *ctx = v->context;
    return true;
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (modal(a)) return true;
    if (a->kind != kValArray || !a->array) continue;
    for (int32_t r = 0; r < a->array->rows; ++r)
      for (int32_t c = 0; c < a->array->columns; ++c)
        if (modal(Val_at(a, r, c))) return true;
  }
  return false;
}

Value* Wsf_nonSmoothStructure(Value* result, const Value* x) {
  if (x->kind == kValDegDag) DegDag_nonsmooth(x, false);
  else DegVec_nonsmooth(x, false);
  return Wsf_from(result, *x->context->buffers.result);
}

Value* Wsf_nonSmoothStructure2(Value* result, const Value* a, const Value* b) {
  EvalContext* ctx = Wsf_isStructural(a) ? a->context : b->context;
  if (a->kind == kValDegDag || b->kind == kValDegDag) DegDag_nonsmooth2(a, b, false);
  else DegVec_nonsmooth2(a, b, false);
  return Wsf_from(result, *ctx->buffers.result);
}

bool Wsf_head1(Value* result, const Value* x) {
  if (Wsf_isStructural(x)) {
    Wsf_nonSmoothStructure(result, x);
    return true;
  }
  if (!Wsf_isError(x)) return false;
  Wsf_copy(result, x);
  return true;
}

bool Wsf_structureHooks(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = nullptr;
  for (int i = 0; i < argc && !ctx; ++i) ctx = argv[i]->context;
  if (!ctx || (ctx->flags.mode != kModeDegDag && ctx->flags.mode != kModeDegVec)) return false;
  std::vector<Value> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(*argv[i]);
  if (!DegDag_markArgs(argc, arguments.data(), ctx) && !DegVec_markArgs(argc, arguments.data(), ctx)) return false;
  Wsf_from(result, *ctx->buffers.result);
  return true;
}

bool Wsf_plainNumbers(Value* result, int argc, const Value* const* argv, double* x) {
  if (Wsf_hooksOrError(result, argc, argv)) return false;
  for (int i = 0; i < argc; ++i) {
    const Value* v = argv[i];
    // A value of an evaluation mode: the function cannot give that mode.
    if (v->kind >= kValSamples && v->kind <= kValAffine && v->context)
      Vm_raise(Vm_errorsOf(v->context), kStatusUnsupportedFunction, "function of plain numbers", 0, 0, 0);
    if (!Wsf_isPlain(v)) return Wsf_error(result, kErrValue), false;
    x[i] = Wsf_number(v);
  }
  return true;
}

bool Wsf_fails(const Value* v, double d, int32_t relation) {
  if (v->kind != kValSamples) return Op_compareConst(*v, d, relation);
  if (!Op_testSamples(*v, d, relation)) return false;
  Vm_raise(Vm_errorsOf(v->context), kStatusUnsupportedVector, "worksheet", 0, 0, 0);
  return true;
}

Value* Wsf_mapTrials(Value* result, const Value* v, double (*f)(double)) {
  const auto* s = static_cast<const SampleVector*>(v->payload);
  SampleVector out{};
  if (!Smp_init(&out, s->n, v->context)) return Wsf_error(result, kErrNum);
  for (int32_t t = 1; t <= s->n; ++t) Smp_setAt(&out, f(s->data[t]), t);
  if (result != v) Val_clear(result);
  Val_setSamples(result, &out);
  Smp_free(&out);
  return result;
}

bool Wsf_structureHooksSmooth(Value* result, const std::vector<const Value*>& plain,
                              const std::vector<const Value*>& smooth) {
  if (!Wsf_structureHooks(result, static_cast<int>(plain.size()), plain.data())) return false;
  EvalContext* ctx = result->context;
  for (const Value* v : smooth) {
    Value merged = Val_empty(ctx);
    Val_assign(&merged, result);
    if (merged.kind == kValDegDag) DegDag_nonlin2Result(&merged, v);
    else DegVec_nonlin2(&merged, v);
    Val_clear(&merged);
    Wsf_from(result, *ctx->buffers.result);
  }
  return true;
}

bool Wsf_structureHooks2(Value* result, const Value* a, const Value* b) {
  const Value* const both[] = {a, b};
  return Wsf_structureHooks(result, 2, both);
}

void Wsf_structureVariesWith(const Value* result, const std::vector<const Value*>& decisive) {
  for (const Value* v : decisive)
    if (Op_hasKind(*v, kValDegVec)) return Vm_clearFixedStructure(result->context);
}

bool Wsf_hooksOrError(Value* result, int argc, const Value* const* argv) {
  return Wsf_structureHooks(result, argc, argv) || Wsf_firstErrorArg(result, argc, argv);
}

namespace {

// A value the mode could not compute whose value-mode answer is known.
bool answered(const Value* v) { return Val_isNoDerivative(v) && Val_noDerivativeAnswer(v) != kValAnswerUnknown; }

// A plain value of the kind the value mode gives where v could not be
// computed: its number or text is any of that kind.
void standIn(Value* v, bool numbersGiven) {
  const ValModeAnswer answer = Val_noDerivativeAnswer(v);
  if (answer == kValAnswerNumber || (numbersGiven && answer == kValAnswerNumericText && !v->source))
    Val_setNumber(v, 0.0);
  else if (answer == kValAnswerLogical) Val_setBool(v, 0);
  else Val_setText(v, answer == kValAnswerNumericText ? u"0" : u"x");
}

}  // namespace

WsfKinds::WsfKinds(int argc, const Value* const* argv, bool numbersGiven) : args_(argv, argv + argc) {
  for (const Value*& a : args_) {
    bool any = false;
    for (int32_t k = 0; k < Wsf_count(a) && !any; ++k) any = answered(Wsf_element(a, k));
    if (!any) continue;
    Value* copy = &kept_.emplace_back(a->context).v;
    Val_assign(copy, a);
    Wsf_setSource(copy, a->source);
    for (int32_t k = 0; k < Wsf_count(copy); ++k)
      if (Value* e = const_cast<Value*>(Wsf_element(copy, k)); answered(e)) standIn(e, numbersGiven && e == copy);
    a = copy;
  }
}

