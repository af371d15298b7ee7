// Matrix functions on plain values: MDETERM, MINVERSE and MMULT. The
// numeric work goes to the LU factorisation of the dense linear algebra.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_mdeterm(Value* result, const Value* a);
Value* Wsf_minverse(Value* result, const Value* a);
Value* Wsf_mmult(Value* result, const Value* a, const Value* b);
