// Storage of the kind-8 value with gradient and Hessian.
#include "values/Hess_Payload.h"

#include "values/Pay_Array.h"

bool Hess_init(HessValue* h, int32_t n, EvalContext* ctx) { return Pay_sizeHessian<double>(h, n, ctx); }

bool Hess_set(HessValue* dst, const HessValue* src) { return Pay_setHessian<double>(dst, src); }

void Hess_setVar(HessValue* h, double value, int32_t p) {
  Hess_setConst(h, value);
  if (p >= 1 && p <= h->n && h->gradient) h->gradient[p] = 1.0;
}

void Hess_setConst(HessValue* h, double value) {
  h->value = value;
  Pay_zero(h->gradient, h->n);
  Pay_zeroRows(h->hessian, h->n);
}

void Hess_free(HessValue* h) { Pay_freeHessian(h); }
