// Matrix functions: MDETERM and MINVERSE on plain numbers, by the LU
// factorisation of the dense linear algebra (in the structure modes the
// matrix becomes a non-smooth dependency); MMULT through the generic
// operators, so over values of every evaluation mode.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_mdeterm(Value* result, const Value* a);
Value* Wsf_minverse(Value* result, const Value* a);
Value* Wsf_mmult(Value* result, const Value* a, const Value* b);
