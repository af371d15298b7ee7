// Argument collectors of the statistical functions.
#include "worksheet/kernels/Kern_Collect.h"

#include "values/Vm_Status.h"

namespace {

bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }

// Numbers and the kinds of the evaluation modes.
bool isValue(const Value* v) { return v->kind >= kValInt && v->kind <= kValKind17; }

// What a text counts as in the A-forms, and what booleans given directly
// count as.
const Value kZero = Val_scalar(kValReal, 0);
const Value kOne = Val_scalar(kValReal, 1);

}  // namespace

bool Kern_directNumber(const Value* v, double* x) {
  if (isNumber(v) || v->kind == kValBool) return *x = v->number, true;
  if (v->kind == kValEmpty) return *x = 0, true;
  return false;
}

bool Kern_collectNumbers(const Value* arg, std::vector<double>* out, Value* result) {
  if (arg->kind != kValArray) {
    if (Wsf_isError(arg)) return Wsf_copy(result, arg), false;
    if (Wsf_isModeValue(arg)) return Wsf_error(result, kErrValue), false;
    // A cell's boolean, text or blank is skipped as a range's are; a value
    // given directly counts by its number.
    double x = 0;
    if (isNumber(arg) || (!Wsf_isCellReference(arg) && Kern_directNumber(arg, &x)))
      return out->push_back(isNumber(arg) ? arg->number : x), true;
    return Wsf_isCellReference(arg) || (Wsf_error(result, kErrValue), false);
  }
  for (int32_t i = 0; i < Wsf_count(arg); ++i) {
    const Value* e = Wsf_element(arg, i);
    if (Wsf_isError(e)) return Wsf_copy(result, e), false;
    if (Wsf_isModeValue(e)) return Wsf_error(result, kErrValue), false;
    if (isNumber(e)) out->push_back(e->number);
  }
  return true;
}

bool Kern_collectArgNumbers(int argc, const Value* const* argv, std::vector<double>* out, Value* result) {
  for (int i = 0; i < argc; ++i)
    if (argv[i]->kind != kValMissing && !Kern_collectNumbers(argv[i], out, result)) return false;
  return true;
}

bool Kern_collectPairs(const Value* a, const Value* b, std::vector<double>* xa, std::vector<double>* xb,
                       Value* result) {
  return Kern_walkPairs(a, b, result, [&](const Value* p, const Value* q) {
    if (Wsf_isModeValue(p) || Wsf_isModeValue(q)) return Wsf_error(result, kErrValue), false;
    if (!isNumber(p) || !isNumber(q)) return true;
    xa->push_back(p->number);
    xb->push_back(q->number);
    return true;
  });
}

bool Kern_collectArgValues(int argc, const Value* const* argv, bool countAll, std::vector<const Value*>* out,
                           Value* result) {
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind == kValMissing) continue;
    if (a->kind != kValArray && !Wsf_isError(a)) {
      // A cell's boolean or text counts as a range's does.
      const bool cell = Wsf_isCellReference(a);
      if (isValue(a) || (countAll && a->kind == kValBool)) out->push_back(a);
      else if (countAll && a->kind == kValText) out->push_back(&kZero);
      else if (!cell && (a->kind == kValBool || a->kind == kValEmpty))
        out->push_back(Wsf_number(a) != 0 ? &kOne : &kZero);
      else if (!cell) return Wsf_error(result, kErrValue), false;
      continue;
    }
    for (int32_t k = 0; k < Wsf_count(a); ++k) {
      const Value* e = Wsf_element(a, k);
      if (Wsf_isError(e)) return Wsf_copy(result, e), false;
      if (isValue(e) || (countAll && e->kind == kValBool)) out->push_back(e);
      else if (countAll && e->kind == kValText) out->push_back(&kZero);
    }
  }
  return true;
}

bool Kern_collectValuePairs(const Value* a, const Value* b, std::vector<const Value*>* xa,
                            std::vector<const Value*>* xb, Value* result) {
  return Kern_walkPairs(a, b, result, [&](const Value* p, const Value* q) {
    if (!isValue(p) || !isValue(q)) return true;
    xa->push_back(p);
    xb->push_back(q);
    return true;
  });
}
