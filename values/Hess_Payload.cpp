// Storage of the kind-8 value with gradient and Hessian. Resizing, seeding
// and copying touch the Hessian's non-zero block only.
#include "values/Hess_Payload.h"

#include <algorithm>
#include <cstring>

#include "values/Pay_Array.h"

namespace {

// Storage for n variables: kept when large enough (contents unchanged), else
// fresh zeroed storage with an empty block; false when memory runs out.
bool reserve(HessValue* h, int32_t n, EvalContext* ctx) {
  if (!(h->gradient && h->hessian && h->capacity >= n)) {
    if (!Pay_sizeHessian<double>(h, n, ctx)) return false;
    h->first = 1;
    h->last = 0;
  }
  h->n = n;
  h->context = ctx;
  return true;
}

// Zeroes entries first..last of a row.
void zeroSpan(double* row, int32_t first, int32_t last) {
  if (first <= last) std::memset(row + first, 0, static_cast<size_t>(last - first + 1) * sizeof(double));
}

}  // namespace

bool Hess_init(HessValue* h, int32_t n, EvalContext* ctx) {
  if (!reserve(h, n, ctx)) return false;
  Pay_zero(h->gradient, n);
  Hess_setBlock(h, 1, 0);
  return true;
}

bool Hess_set(HessValue* dst, const HessValue* src) {
  if (dst == src) return true;
  if (!reserve(dst, src->n, src->context)) {
    Hess_free(dst);
    return false;
  }
  dst->value = src->value;
  Pay_zero(dst->gradient, src->n);
  Pay_copy(dst->gradient, src->gradient, src->n);
  // A record that never got its storage has the zero Hessian.
  const int32_t first = src->hessian ? src->first : 1, last = src->hessian ? src->last : 0;
  Hess_setBlock(dst, first, last);
  const auto width = static_cast<size_t>(std::max(0, last - first + 1));
  for (int32_t i = first; i <= last; ++i)
    std::memcpy(dst->hessian[i] + first, src->hessian[i] + first, width * sizeof(double));
  return true;
}

void Hess_setVar(HessValue* h, double value, int32_t p) {
  Hess_setConst(h, value);
  if (p >= 1 && p <= h->n && h->gradient) h->gradient[p] = 1.0;
}

void Hess_setConst(HessValue* h, double value) {
  h->value = value;
  Pay_zero(h->gradient, h->n);
  Hess_setBlock(h, 1, 0);
}

void Hess_setBlock(HessValue* h, int32_t first, int32_t last) {
  if (last < first) first = 1, last = 0;
  for (int32_t i = h->first; h->hessian && i <= h->last; ++i) {
    double* row = h->hessian[i];
    if (i < first || i > last) {
      zeroSpan(row, h->first, h->last);
    } else {
      zeroSpan(row, h->first, std::min(h->last, first - 1));
      zeroSpan(row, std::max(h->first, last + 1), h->last);
    }
  }
  h->first = first;
  h->last = last;
}

void Hess_free(HessValue* h) { Pay_freeHessian(h); }
