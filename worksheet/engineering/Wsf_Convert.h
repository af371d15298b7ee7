// CONVERT(number, from unit, to unit): the number converted between the two
// unit texts (see Conv_Units.h). A missing number gives "#n/a"; a number
// that is not plain (a boolean among them) or a unit that is no text
// "#value!"; an error argument passes on.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_convert(Value* result, int argc, const Value* const* argv);
