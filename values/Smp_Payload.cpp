// Storage of the kind-5 sample vector.
#include "values/Smp_Payload.h"

#include "values/Pay_Array.h"

bool Smp_init(SampleVector* v, int32_t n, EvalContext* ctx) {
  if (!Pay_size(&v->data, &v->capacity, n, true)) return false;
  v->n = n;
  v->context = ctx;
  return true;
}

bool Smp_set(SampleVector* dst, const SampleVector* src) {
  if (dst == src) return true;
  if (!Smp_init(dst, src->n, src->context)) {
    Smp_free(dst);
    return false;
  }
  Pay_copy(dst->data, src->data, src->n);
  return true;
}

void Smp_setAt(SampleVector* v, double x, int32_t i) {
  if (!v->data) return;
  if (i >= 1 && i <= v->n) {
    v->data[i] = x;
    return;
  }
  for (int32_t k = 1; k <= v->n; ++k) v->data[k] = x;
}

bool Smp_setValues(SampleVector* v, int32_t n, const double* samples) {
  if (n != v->n || !v->data) return false;
  for (int32_t k = 1; k <= n; ++k) v->data[k] = samples[k - 1];
  return true;
}

void Smp_free(SampleVector* v) {
  std::free(v->data);
  *v = SampleVector{};
}
