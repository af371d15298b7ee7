// Shared argument rules of the lookup and reference functions.
#include "worksheet/lookup/Lkp_Args.h"

#include "arithmetic/operators/Op_Operators.h"
#include "worksheet/common/Wsf_Args.h"

Value* Lkp_pick(Value* result, const Value* element) {
  if (element->kind == kValArray) return Wsf_copyReference(result, element);
  if (element->kind >= kValKind17 || element->kind == kValBool) return Wsf_copy(result, element);
  const Value sum = Op_addVS(*element, 0.0);
  return Wsf_from(result, sum);
}
