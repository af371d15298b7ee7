// The step tests DELTA(x[, y]) (1 when x equals y exactly, else 0) and
// GESTEP(x[, step]) (1 when x >= step, else 0), the second value 0 when left
// out: integers, on plain numbers (an empty cell is 0); other kinds give
// "#value!", an error argument passes on.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_delta(Value* result, int argc, const Value* const* argv);
Value* Wsf_gestep(Value* result, int argc, const Value* const* argv);
