// Argument collectors of the statistical functions.
#include "worksheet/kernels/Num_Collect.h"

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }

int32_t countOf(const Value* v) { return v->kind == kValArray ? v->array->rows * v->array->columns : 1; }

// Element i (row-major) of an array, or the value itself.
const Value* elementOf(const Value* v, int32_t i) {
  if (v->kind != kValArray) return v;
  return Val_at(v, i / v->array->columns, i % v->array->columns);
}

// Numbers and the kinds of the evaluation modes.
bool isValue(const Value* v) { return v->kind >= kValInt && v->kind <= kValKind17; }

// What a text counts as in the A-forms.
const Value kZero{kValReal, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr};

}  // namespace

bool Num_collectNumbers(const Value* arg, std::vector<double>* out, Value* result) {
  if (arg->kind != kValArray) {
    if (Wsf_isError(arg)) return Wsf_copy(result, arg), false;
    if (!isNumber(arg)) return Wsf_error(result, kErrValue), false;
    out->push_back(arg->number);
    return true;
  }
  for (int32_t i = 0; i < countOf(arg); ++i) {
    const Value* e = elementOf(arg, i);
    if (Wsf_isError(e)) return Wsf_copy(result, e), false;
    if (isNumber(e)) out->push_back(e->number);
  }
  return true;
}

bool Num_collectArgNumbers(int argc, const Value* const* argv, std::vector<double>* out, Value* result) {
  for (int i = 0; i < argc; ++i)
    if (argv[i]->kind != kValMissing && !Num_collectNumbers(argv[i], out, result)) return false;
  return true;
}

bool Num_collectPairs(const Value* a, const Value* b, std::vector<double>* xa, std::vector<double>* xb,
                      Value* result) {
  const int32_t n = countOf(a);
  if (n != countOf(b)) return Wsf_error(result, kErrNA), false;
  for (int32_t i = 0; i < n; ++i) {
    const Value* p = elementOf(a, i);
    const Value* q = elementOf(b, i);
    if (Wsf_isError(p)) return Wsf_copy(result, p), false;
    if (Wsf_isError(q)) return Wsf_copy(result, q), false;
    if (isNumber(p) && isNumber(q)) {
      xa->push_back(p->number);
      xb->push_back(q->number);
    }
  }
  return true;
}

bool Num_collectArgValues(int argc, const Value* const* argv, bool countAll, std::vector<const Value*>* out,
                          Value* result) {
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind == kValMissing) continue;
    if (a->kind != kValArray && !Wsf_isError(a)) {
      if (isValue(a) || (countAll && a->kind == kValBool)) out->push_back(a);
      else if (countAll && a->kind == kValText) out->push_back(&kZero);
      else return Wsf_error(result, kErrValue), false;
      continue;
    }
    for (int32_t k = 0; k < countOf(a); ++k) {
      const Value* e = elementOf(a, k);
      if (Wsf_isError(e)) return Wsf_copy(result, e), false;
      if (isValue(e) || (countAll && e->kind == kValBool)) out->push_back(e);
      else if (countAll && e->kind == kValText) out->push_back(&kZero);
    }
  }
  return true;
}

bool Num_collectValuePairs(const Value* a, const Value* b, std::vector<const Value*>* xa,
                           std::vector<const Value*>* xb, Value* result) {
  const int32_t n = countOf(a);
  if (n != countOf(b)) return Wsf_error(result, kErrNA), false;
  for (int32_t i = 0; i < n; ++i) {
    const Value* p = elementOf(a, i);
    const Value* q = elementOf(b, i);
    if (Wsf_isError(p)) return Wsf_copy(result, p), false;
    if (Wsf_isError(q)) return Wsf_copy(result, q), false;
    if (isValue(p) && isValue(q)) {
      xa->push_back(p);
      xb->push_back(q);
    }
  }
  return true;
}
