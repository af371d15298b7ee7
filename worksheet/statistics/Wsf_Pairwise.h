// The larger or smaller of two values: the one place where MAX, MIN, DMAX
// and DMIN combine values. Errors pass (the first operand's first); plain
// operands give the larger of the two kinds with the chosen number, "#num!"
// when that number is not finite. Values of the evaluation modes raise
// status 39 until the per-mode families are wired in.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_max2(Value* result, const Value* a, const Value* b);
Value* Wsf_min2(Value* result, const Value* a, const Value* b);
