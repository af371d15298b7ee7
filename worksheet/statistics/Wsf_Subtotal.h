// SUBTOTAL(function number, refs...): 1 AVERAGE, 2 COUNT, 3 COUNTA, 4 MAX,
// 5 MIN, 6 PRODUCT, 7 STDEV, 8 STDEVP, 9 SUM, 10 VAR, 11 VARP over the
// remaining arguments (101 to 111 the same, no row being hidden here);
// "#value!" for any other number. The dispatcher answers "#value!" to a
// value given for a reference that is not read from cells.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_subtotal(Value* result, int argc, const Value* const* argv);
