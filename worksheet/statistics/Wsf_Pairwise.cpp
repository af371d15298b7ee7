// Pairwise MAX and MIN.
#include "worksheet/statistics/Wsf_Pairwise.h"

#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

Value* pick(Value* result, const Value* a, const Value* b, bool larger) {
  if (Wsf_isError(a)) return Wsf_copy(result, a);
  if (Wsf_isError(b)) return Wsf_copy(result, b);
  if (!Wsf_isPlain(a) || !Wsf_isPlain(b)) {
    const Value* modal = Wsf_isPlain(a) ? b : a;
    if (modal->kind >= kValFirstPayload && modal->kind < kValKind17)
      Vm_raise(modal->context, kStatusUnsupportedFunction, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrValue);
  }
  // MAX keeps a unless b is larger, MIN takes b unless a is smaller; a NaN
  // comparison keeps a for MAX and b for MIN.
  const double x = larger ? (a->number < b->number ? b->number : a->number)
                          : (a->number < b->number ? a->number : b->number);
  if (!std::isfinite(x)) return Wsf_error(result, kErrNum);
  const int32_t kind = a->kind > b->kind ? a->kind : b->kind;
  Val_clear(result);
  Val_setKind(result, kind)->number = x;
  return result;
}

}  // namespace

Value* Wsf_max2(Value* r, const Value* a, const Value* b) { return pick(r, a, b, true); }
Value* Wsf_min2(Value* r, const Value* a, const Value* b) { return pick(r, a, b, false); }
