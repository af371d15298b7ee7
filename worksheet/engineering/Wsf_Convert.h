// CONVERT(number, from unit, to unit): the number converted between the two
// unit texts (see Conv_Units.h). A missing number gives "#n/a"; a number
// that is not plain (a boolean among them) or a unit that is no text
// "#value!"; an error argument passes on. The conversion is affine in the
// number, so a number of any evaluation mode converts in that mode (linear
// in the structure modes); units that depend on the variables make it
// non-smooth there.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_convert(Value* result, int argc, const Value* const* argv);
