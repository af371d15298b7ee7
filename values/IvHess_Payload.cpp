// Storage of the kind-11 interval with interval gradient and Hessian.
#include "values/IvHess_Payload.h"

#include "values/Pay_Array.h"

bool IvHess_init(IvHessValue* h, int32_t n, EvalContext* ctx) { return Pay_sizeHessian<Interval>(h, n, ctx); }

bool IvHess_set(IvHessValue* dst, const IvHessValue* src) { return Pay_setHessian<Interval>(dst, src); }

void IvHess_setVar(IvHessValue* h, Interval value, int32_t p) {
  IvHess_setConst(h, value);
  if (p >= 1 && p <= h->n && h->gradient) h->gradient[p] = Interval{1.0, 1.0};
}

void IvHess_setConst(IvHessValue* h, Interval value) {
  h->value = value;
  Pay_zero(h->gradient, h->n);
  Pay_zeroRows(h->hessian, h->n);
}

void IvHess_free(IvHessValue* h) { Pay_freeHessian(h); }
