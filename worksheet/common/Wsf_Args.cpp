// Shared argument rules of the worksheet functions.
#include "worksheet/common/Wsf_Args.h"

#include <cmath>

Value* Wsf_error(Value* result, uint32_t code) {
  Val_clear(result);
  return Val_setError(result, code);
}

Value* Wsf_copy(Value* result, const Value* v) {
  if (result == v) return result;
  Val_clear(result);
  return Val_assign(result, v);
}

Value* Wsf_finite(Value* result, double x) {
  if (!std::isfinite(x)) return Wsf_error(result, kErrNum);
  Val_clear(result);
  return Val_setNumber(result, x);
}
