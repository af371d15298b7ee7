// The larger or smaller of two values: the one place where MAX, MIN, DMAX
// and DMIN combine values, in every evaluation mode. Errors pass (the first
// operand's first); the structure modes record a non-smooth dependency (a
// smooth one when the context allows non-smooth functions); derivative,
// interval and tape kinds need that allowance ("Non-smooth special
// function" and "#value!" otherwise) and go to their family; plain operands
// give the larger of the two kinds with the chosen number, "#num!" when that
// number is not finite.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_max2(Value* result, const Value* a, const Value* b);
Value* Wsf_min2(Value* result, const Value* a, const Value* b);
