// Storage of the kind-14 affine form.
#include "values/Aff_Payload.h"

#include "values/Pay_Array.h"

bool Aff_init(AffineForm* a, int32_t n, EvalContext* ctx) {
  if (!Pay_size(&a->coef, &a->capacity, n, false)) return false;
  a->n = n;
  a->context = ctx;
  return true;
}

bool Aff_set(AffineForm* dst, const AffineForm* src) {
  if (dst == src) return true;
  if (!Aff_init(dst, src->n, src->context)) {
    Aff_free(dst);
    return false;
  }
  dst->centre = src->centre;
  dst->radius = src->radius;
  dst->enclosure = src->enclosure;
  Pay_copy(dst->coef, src->coef, src->n);
  return true;
}

void Aff_setVar(AffineForm* a, Interval box, int32_t p) {
  Aff_setConst(a, 0.5 * box.lo + 0.5 * box.hi);
  if (p >= 1 && p <= a->n && a->coef) a->coef[p] = 1.0;
  a->enclosure = box;
}

void Aff_setConst(AffineForm* a, double value) {
  a->centre = value;
  a->radius = 0.0;
  Pay_zero(a->coef, a->n);
  a->enclosure = Interval{value, value};
}

void Aff_free(AffineForm* a) {
  std::free(a->coef);
  *a = AffineForm{};
}
