// Shared argument rules of the lookup and reference functions.
#include "worksheet/lookup/Lkp_Args.h"

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"

bool Lkp_firstError(Value* result, int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    for (int32_t e = 0; e < Wsf_count(argv[i]); ++e)
      if (Wsf_isError(Wsf_element(argv[i], e))) {
        Wsf_copy(result, Wsf_element(argv[i], e));
        return true;
      }
  return false;
}

Value* Lkp_pick(Value* result, const Value* element) {
  if (element->kind >= kValKind17) return Wsf_copy(result, element);
  const Value sum = Op_addVS(*element, 0.0);
  return Wsf_from(result, sum);
}
