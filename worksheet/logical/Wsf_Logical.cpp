// Logical and information functions.
#include "worksheet/logical/Wsf_Logical.h"

#include <cmath>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Helpers.h"

namespace {

// TYPE codes.
constexpr int32_t kTypeNumber = 1;
constexpr int32_t kTypeText = 2;
constexpr int32_t kTypeBoolean = 4;
constexpr int32_t kTypeError = 16;
constexpr int32_t kTypeArray = 64;

Value* boolean(Value* result, bool b) {
  Val_clear(result);
  return Val_setBool(result, b ? 1 : 0);
}

bool truthy(double x) { return x != 0 && !std::isnan(x); }


EvalContext* contextOf(int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    if (argv[i]->context) return argv[i]->context;
  return nullptr;
}

// The element-wise accumulator of AND and OR over sample vectors, made on
// the first one met with every trial at the start value.
struct TrialTruths {
  WsfLocal v;
  bool isAnd;
  TrialTruths(EvalContext* ctx, bool and_) : v(ctx), isAnd(and_) {}
  void fold(const Value* samples) {
    const auto* s = static_cast<const SampleVector*>(samples->payload);
    if (v->kind != kValSamples) {
      SampleVector start{};
      if (!Smp_init(&start, s->n, samples->context)) return;
      for (int32_t i = 1; i <= s->n; ++i) Smp_setAt(&start, isAnd ? 1 : 0, i);
      Val_setSamples(&v.v, &start);
      Smp_free(&start);
    }
    const auto* acc = static_cast<const SampleVector*>(v->payload);
    const SampleVector r = isAnd ? Smp_and(acc, s) : Smp_or(acc, s);
    Val_setSamples(&v.v, &r);
  }
  Value* into(Value* result, bool scalar) const {
    const auto* acc = static_cast<const SampleVector*>(v->payload);
    const SampleVector r = isAnd ? Smp_andVS(acc, scalar ? 1 : 0) : Smp_orVS(acc, scalar ? 1 : 0);
    Val_clear(result);
    return Val_setSamples(result, &r);
  }
};

// AND (start 1) and OR (start 0) over plain values, sample vectors and
// arrays of them: a boolean, or a sample vector of 1 and 0 per trial;
// "#value!" when nothing counted.
Value* connective(Value* result, int argc, const Value* const* argv, bool isAnd) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  bool acc = isAnd, any = false;
  TrialTruths trials(contextOf(argc, argv), isAnd);
  auto fold = [&](double x) { acc = isAnd ? (acc && truthy(x)) : (acc || truthy(x)); };
  auto take = [&](const Value* v) {
    if (v->kind == kValSamples && v->payload) trials.fold(v);
    else fold(v->number);
    any = true;
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (Wsf_isError(a)) return Wsf_copy(result, a);
    // An empty cell does not count, nor a cell's text (a range's does not).
    if (a->kind == kValEmpty || (a->kind == kValText && Wsf_isCellReference(a))) continue;
    if (Wsf_isPlain(a) || a->kind == kValSamples) {
      take(a);
      continue;
    }
    if (a->kind != kValArray) return Wsf_error(result, kErrValue);
    for (int32_t r = 0; r < a->array->rows; ++r)
      for (int32_t c = 0; c < a->array->columns; ++c) {
        const Value* e = Val_at(a, r, c);
        if (Wsf_isError(e)) return Wsf_copy(result, e);
        if (e->kind == kValEmpty || e->kind == kValText) continue;  // a range's blanks and texts do not count
        if (!Wsf_isPlain(e) && e->kind != kValSamples) return Wsf_error(result, kErrValue);
        take(e);
      }
  }
  if (argc > 0 && !any) return Wsf_error(result, kErrValue);
  if (trials.v->kind == kValSamples) return trials.into(result, acc);
  return boolean(result, acc);
}

// IF in the structure modes: the condition's dependency merged into the
// result (smooth, or non-smooth unless allowed); in the dependency-vector
// mode the branches' dependencies too. False when the condition does not
// depend on a decision variable.
bool ifStructure(Value* result, int argc, const Value* const* argv) {
  const Value* condition = argv[0];
  EvalContext* ctx = contextOf(argc, argv);
  if (!ctx) return false;
  const bool allowed = Wsf_nonSmoothAllowed(ctx->flags);
  if (ctx->flags.mode == kModeDegVec && condition->context && DegVec_if(condition)) {
    // The condition picks, trial by trial, which branch's shape the result
    // has.
    const bool arrayBranch = argv[1]->kind == kValArray || (argc >= 3 && argv[2]->kind == kValArray);
    if (arrayBranch) Vm_clearFixedStructure(ctx);
    if (allowed) ++ctx->buffers.tapeCount;
    else DegVec_markArgShaped(condition, false);
    for (int i = 1; i < argc && i < 3; ++i) {
      if (argv[i]->kind == kValDegVec) DegVec_add(ctx->buffers.result, argv[i]);
    }
  } else if (ctx->flags.mode == kModeDegDag && condition->context && DegDag_if(condition)) {
    if (!allowed) DegDag_markArgShaped(condition, false);
  } else {
    return false;
  }
  Wsf_from(result, *ctx->buffers.result);
  return true;
}

// The branch of one trial: a sample vector's element, a plain number; false
// for any other kind.
bool trialBranch(const Value* branch, int32_t i, double* out) {
  if (!branch) return *out = 0, true;
  if (branch->kind == kValSamples && branch->payload) {
    const auto* s = static_cast<const SampleVector*>(branch->payload);
    *out = i <= s->n ? s->data[i] : NAN;
    return true;
  }
  if (!Wsf_isPlain(branch)) return false;
  *out = branch->number;
  return true;
}

// IF over a sample-vector condition: trial by trial, the branch its element
// selects; a branch that is neither a sample vector nor a plain number
// raises "Unsupported Vector operation" and gives "#n/a".
Value* ifTrials(Value* result, int argc, const Value* const* argv) {
  const Value* condition = argv[0];
  const auto* c = static_cast<const SampleVector*>(condition->payload);
  const Value* otherwise = argc >= 3 ? argv[2] : nullptr;
  SampleVector chosen{};
  if (!Smp_init(&chosen, c->n, condition->context)) return Wsf_error(result, kErrNA);
  bool ok = true;
  for (int32_t i = 1; i <= c->n && ok; ++i) {
    double x = 0;
    ok = trialBranch(truthy(c->data[i]) ? argv[1] : otherwise, i, &x);
    Smp_setAt(&chosen, x, i);
  }
  if (ok) {
    Val_clear(result);
    Val_setSamples(result, &chosen);
  } else {
    Vm_raise(Vm_errorsOf(condition->context), kStatusUnsupportedVector, "worksheet", 0, 0, 0);
    Wsf_error(result, kErrNA);
  }
  Smp_free(&chosen);
  return result;
}

// The number a condition stands for; false, with the result set, when it
// cannot decide: derivative kinds need the allowance of non-smooth
// functions, interval kinds never decide.
bool conditionTruth(Value* result, const Value* condition, bool* truth) {
  if (Wsf_isPlain(condition)) return *truth = truthy(condition->number), true;
  const bool derivative = condition->kind >= kValGrad && condition->kind <= kValHess;
  if (derivative && condition->context && Wsf_nonSmoothAllowed(condition->context->flags)) {
    *truth = Op_compareConst(*condition, 0, kRelCmpNe);
    return true;
  }
  if ((condition->kind >= kValGrad && condition->kind <= kValAffine) || condition->kind == kValKind17)
    Vm_raise(Vm_errorsOf(condition->context), kStatusNonSmoothSpecial, "worksheet", 0, 0, 0);
  Wsf_error(result, kErrValue);
  return false;
}

// A value of a derivative, tape, interval or affine mode stands for numbers:
// where its point value would be none, the mode gives an error value instead.
bool standsForNumbers(const Value* x) { return x->kind >= kValGrad && x->kind <= kValAffine; }

// The tests that a structure-mode argument turns into a non-smooth
// dependency. A value the evaluation mode could not compute is passed on:
// what the value mode would answer for it is not known.
// A value the mode could not compute whose value-mode kind is known is
// tested as that kind.
template <typename Holds>
Value* test(Value* result, const Value* given, Holds holds) {
  const WsfKinds seen(1, &given);
  const Value* x = seen.args()[0];
  if (Val_isNoDerivative(x)) return Wsf_copy(result, x);
  return Wsf_isStructural(x) ? Wsf_nonSmoothStructure(result, x) : boolean(result, holds(x));
}

// Parity by the remainder of the truncated number, so that numbers beyond
// the 32-bit range keep theirs.
// ISEVEN and ISODD take a number or a text that reads as one, but no
// logical.
Value* parity(Value* result, const Value* x, bool odd) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isStructural(x)) return Wsf_nonSmoothStructure(result, x);
  double number = 0.0;
  if (x->kind == kValInt || x->kind == kValReal) number = x->number;
  else if (x->kind != kValEmpty && !Op_numericText(*x, &number)) return Wsf_error(result, kErrValue);
  return boolean(result, Kern_isOddTrunc(number) == odd);
}

}  // namespace

Value* Wsf_and(Value* r, int argc, const Value* const* argv) { return connective(r, argc, argv, true); }
Value* Wsf_or(Value* r, int argc, const Value* const* argv) { return connective(r, argc, argv, false); }

Value* Wsf_not(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isStructural(x)) return Wsf_nonSmoothStructure(result, x);
  if (x->kind == kValSamples && x->payload) {
    const SampleVector r = Smp_not(static_cast<const SampleVector*>(x->payload));
    Val_clear(result);
    return Val_setSamples(result, &r);
  }
  if (!Wsf_isPlain(x)) return Wsf_error(result, kErrValue);
  return boolean(result, !truthy(x->number));
}

Value* Wsf_if(Value* result, int argc, const Value* const* argv) {
  const Value* condition = argv[0];
  if (ifStructure(result, argc, argv)) return result;
  if (Wsf_isError(condition)) return Wsf_copy(result, condition);
  if (condition->kind == kValSamples && condition->payload) return ifTrials(result, argc, argv);
  bool truth = false;
  if (!conditionTruth(result, condition, &truth)) return result;
  const Value* branch = truth ? argv[1] : (argc >= 3 ? argv[2] : nullptr);
  if (!branch) return boolean(result, false);  // IF(false, x) without an else
  if (branch->kind == kValMissing) {
    Val_clear(result);
    return Val_setNumber(result, 0);
  }
  // A cell chosen is handed back as the cell (a blank one stays blank, as
  // in a join); an empty value without a cell is the number 0.
  if (branch->kind == kValEmpty && !branch->source) {
    Val_clear(result);
    return Val_setNumber(result, 0);
  }
  return Wsf_copyReference(result, branch);
}

Value* Wsf_countblank(Value* result, const Value* given) {
  const WsfKinds seen(1, &given);
  const Value* x = seen.args()[0];
  if (Wsf_passNoDerivative(result, 1, &x)) return result;
  // A formula's empty text ("") is blank to COUNTBLANK, as an empty cell is.
  const auto blank = [](const Value* v) {
    return v->kind == kValEmpty || (v->kind == kValText && (!v->text || !v->text[0]));
  };
  int32_t count = 0;
  for (int32_t k = 0; k < Wsf_count(x); ++k) count += blank(Wsf_element(x, k));
  return Wsf_integer(result, count);
}

Value* Wsf_errortype(Value* result, const Value* x) {
  static const uint32_t kOrder[] = {kErrNull, kErrDiv0, kErrValue, kErrRef, kErrName, kErrNum, kErrNA};
  if (Val_isNoDerivative(x)) return Wsf_copy(result, x);
  uint32_t code = 0;
  if (x->kind == kValError && Vm_errorCode(x->number, &code))
    for (int32_t i = 0; i < 7; ++i)
      if (kOrder[i] == code) return Wsf_integer(result, i + 1);
  if (Wsf_isStructural(x)) return Wsf_nonSmoothStructure(result, x);
  return Wsf_error(result, kErrNA);
}

Value* Wsf_isblank(Value* r, const Value* x) {
  return test(r, x, [](const Value* v) { return v->kind == kValEmpty; });
}

Value* Wsf_iserr(Value* result, const Value* x) {
  uint32_t code = 0;
  return test(result, x,
              [&](const Value* v) { return v->kind == kValError && !(Vm_errorCode(v->number, &code) && code == kErrNA); });
}

Value* Wsf_iserror(Value* r, const Value* x) {
  return test(r, x, [](const Value* v) { return v->kind == kValError; });
}
Value* Wsf_islogical(Value* r, const Value* x) {
  return test(r, x, [](const Value* v) { return v->kind == kValBool; });
}

Value* Wsf_isna(Value* result, const Value* x) {
  uint32_t code = 0;
  return test(result, x,
              [&](const Value* v) { return v->kind == kValError && Vm_errorCode(v->number, &code) && code == kErrNA; });
}

Value* Wsf_isnontext(Value* r, const Value* given) {
  const WsfKinds seen(1, &given);
  const Value* x = seen.args()[0];
  return Val_isNoDerivative(x) ? Wsf_copy(r, x) : boolean(r, x->kind != kValText);
}
Value* Wsf_isnumber(Value* r, const Value* x) {
  return test(r, x, [](const Value* v) { return v->kind == kValInt || v->kind == kValReal || standsForNumbers(v); });
}
Value* Wsf_isref(Value* r, const Value* x) {
  return x->source ? boolean(r, true) : test(r, x, [](const Value*) { return false; });
}
Value* Wsf_istext(Value* r, const Value* x) {
  return test(r, x, [](const Value* v) { return v->kind == kValText; });
}

Value* Wsf_iseven(Value* result, const Value* x) { return parity(result, x, false); }
Value* Wsf_isodd(Value* result, const Value* x) { return parity(result, x, true); }

Value* Wsf_n(Value* result, const Value* x) {
  if (x->kind == kValText || x->kind == kValArray || x->kind == kValEmpty) return Wsf_integer(result, 0);
  if (x->kind == kValBool) return Wsf_integer(result, x->number != 0 ? 1 : 0);
  return Wsf_copy(result, x);
}

Value* Wsf_na(Value* result) { return Wsf_error(result, kErrNA); }

Value* Wsf_type(Value* result, const Value* given) {
  const WsfKinds seen(1, &given);
  const Value* x = seen.args()[0];
  if (Val_isNoDerivative(x)) return Wsf_copy(result, x);
  if (standsForNumbers(x)) return Wsf_integer(result, kTypeNumber);
  switch (x->kind) {
    case kValEmpty:
    case kValInt:
    case kValReal:
    case kValSamples: return Wsf_integer(result, kTypeNumber);
    case kValText: return Wsf_integer(result, kTypeText);
    case kValBool: return Wsf_integer(result, kTypeBoolean);
    case kValError: return Wsf_integer(result, kTypeError);
    case kValArray: return Wsf_integer(result, kTypeArray);
    case kValDegDag:
    case kValDegVec: return Wsf_nonSmoothStructure(result, x);
    default: return Wsf_error(result, kErrValue);
  }
}
