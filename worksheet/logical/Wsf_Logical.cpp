// Logical and information functions.
#include "worksheet/logical/Wsf_Logical.h"

#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Num_Helpers.h"

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

Value* integer(Value* result, int32_t n) {
  Val_clear(result);
  return Val_setInt(result, n);
}

bool truthy(double x) { return x != 0 && !std::isnan(x); }

// Raises status 39 for an evaluation-mode value the plain functions cannot
// take yet, and answers "#value!".
Value* unsupported(Value* result, const Value* x) {
  if (x->kind >= kValFirstPayload && x->kind < kValKind17)
    Vm_raise(x->context, kStatusUnsupportedFunction, "worksheet", 0, 0, 0);
  return Wsf_error(result, kErrValue);
}

// AND (start 1) and OR (start 0) over plain values and arrays of them: a
// boolean; "#value!" when nothing counted.
Value* connective(Value* result, int argc, const Value* const* argv, bool isAnd) {
  bool acc = isAnd, any = false;
  auto fold = [&](double x) { acc = isAnd ? (acc && truthy(x)) : (acc || truthy(x)); };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (Wsf_isError(a)) return Wsf_copy(result, a);
    if (a->kind == kValEmpty) continue;  // an empty cell does not count
    if (Wsf_isPlain(a)) {
      fold(a->number);
      any = true;
      continue;
    }
    if (a->kind != kValArray) return unsupported(result, a);
    for (int32_t r = 0; r < a->array->rows; ++r)
      for (int32_t c = 0; c < a->array->columns; ++c) {
        const Value* e = Val_at(a, r, c);
        if (Wsf_isError(e)) return Wsf_copy(result, e);
        if (e->kind == kValEmpty || e->kind == kValText) continue;  // a range's blanks and texts do not count
        if (!Wsf_isPlain(e)) return unsupported(result, e);
        fold(e->number);
        any = true;
      }
  }
  if (argc > 0 && !any) return Wsf_error(result, kErrValue);
  return boolean(result, acc);
}

// The structure modes have no plain answer.
bool structural(const Value* x) { return x->kind == kValDegDag || x->kind == kValDegVec; }

}  // namespace

Value* Wsf_and(Value* r, int argc, const Value* const* argv) { return connective(r, argc, argv, true); }
Value* Wsf_or(Value* r, int argc, const Value* const* argv) { return connective(r, argc, argv, false); }

Value* Wsf_not(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (!Wsf_isPlain(x)) return unsupported(result, x);
  return boolean(result, !truthy(x->number));
}

Value* Wsf_if(Value* result, int argc, const Value* const* argv) {
  const Value* condition = argv[0];
  if (Wsf_isError(condition)) return Wsf_copy(result, condition);
  if (!Wsf_isPlain(condition)) return unsupported(result, condition);
  const Value* branch = truthy(condition->number) ? argv[1] : (argc >= 3 ? argv[2] : nullptr);
  if (!branch) return boolean(result, false);  // IF(false, x) without an else
  if (branch->kind == kValMissing) {
    Val_clear(result);
    return Val_setNumber(result, 0);
  }
  if (branch->kind == kValBool || branch->kind == kValEmpty) {
    // A boolean or empty branch becomes its number.
    const double v = branch->number;
    Val_clear(result);
    Val_setNumber(result, v);
    return result;
  }
  return Wsf_copy(result, branch);
}

Value* Wsf_countblank(Value* result, const Value* x) {
  int32_t count = x->kind == kValEmpty ? 1 : 0;
  if (x->kind == kValArray)
    for (int32_t r = 0; r < x->array->rows; ++r)
      for (int32_t c = 0; c < x->array->columns; ++c) count += Val_at(x, r, c)->kind == kValEmpty;
  return integer(result, count);
}

Value* Wsf_errortype(Value* result, const Value* x) {
  static const uint32_t kOrder[] = {kErrNull, kErrDiv0, kErrValue, kErrRef, kErrName, kErrNum, kErrNA};
  uint32_t code = 0;
  if (x->kind == kValError && Vm_errorCode(x->number, &code))
    for (int32_t i = 0; i < 7; ++i)
      if (kOrder[i] == code) return integer(result, i + 1);
  if (structural(x)) return unsupported(result, x);
  return Wsf_error(result, kErrNA);
}

Value* Wsf_isblank(Value* r, const Value* x) { return boolean(r, x->kind == kValEmpty); }

Value* Wsf_iserr(Value* result, const Value* x) {
  uint32_t code = 0;
  return boolean(result, x->kind == kValError && !(Vm_errorCode(x->number, &code) && code == kErrNA));
}

Value* Wsf_iserror(Value* r, const Value* x) { return boolean(r, x->kind == kValError); }
Value* Wsf_islogical(Value* r, const Value* x) { return boolean(r, x->kind == kValBool); }

Value* Wsf_isna(Value* result, const Value* x) {
  uint32_t code = 0;
  return boolean(result, x->kind == kValError && Vm_errorCode(x->number, &code) && code == kErrNA);
}

Value* Wsf_isnontext(Value* r, const Value* x) { return boolean(r, x->kind != kValText); }
Value* Wsf_isnumber(Value* r, const Value* x) { return boolean(r, x->kind == kValInt || x->kind == kValReal); }
Value* Wsf_isref(Value* r, const Value* x) { return boolean(r, x->source != nullptr); }
Value* Wsf_istext(Value* r, const Value* x) { return boolean(r, x->kind == kValText); }

Value* Wsf_iseven(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (x->kind != kValEmpty && x->kind != kValInt && x->kind != kValReal) return unsupported(result, x);
  return boolean(result, !Num_isOddTrunc(x->number));
}

Value* Wsf_isodd(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (x->kind != kValEmpty && x->kind != kValInt && x->kind != kValReal) return unsupported(result, x);
  return boolean(result, Num_isOddTrunc(x->number));
}

Value* Wsf_n(Value* result, const Value* x) {
  if (x->kind == kValText || x->kind == kValArray || x->kind == kValEmpty) return integer(result, 0);
  return Wsf_copy(result, x);
}

Value* Wsf_na(Value* result) { return Wsf_error(result, kErrNA); }

Value* Wsf_type(Value* result, const Value* x) {
  switch (x->kind) {
    case kValEmpty:
    case kValInt:
    case kValReal:
    case kValSamples: return integer(result, kTypeNumber);
    case kValText: return integer(result, kTypeText);
    case kValBool: return integer(result, kTypeBoolean);
    case kValError: return integer(result, kTypeError);
    case kValArray: return integer(result, kTypeArray);
    default: return unsupported(result, x);
  }
}
