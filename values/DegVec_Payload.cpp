// Storage of the kind-16 dependency-class vector.
#include "values/DegVec_Payload.h"

#include "values/Pay_Array.h"

bool DegVec_init(DegVec* v, int32_t n) {
  if (!Pay_size(&v->classes, &v->capacity, n, false)) return false;
  v->n = n;
  return true;
}

bool DegVec_set(DegVec* dst, const DegVec* src) {
  if (dst == src) return true;
  if (!DegVec_init(dst, src->n)) {
    DegVec_free(dst);
    return false;
  }
  Pay_copy(dst->classes, src->classes, src->n);
  return true;
}

void DegVec_setVar(DegVec* v, int32_t p) {
  Pay_zero(v->classes, v->n);
  if (p >= 1 && p <= v->n && v->classes) v->classes[p] = kDegLinear;
}

void DegVec_free(DegVec* v) {
  std::free(v->classes);
  *v = DegVec{};
}

void DegVec_empty(DegVec* v) { v->n = 0; }
