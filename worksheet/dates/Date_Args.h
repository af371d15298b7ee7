// Argument rules the date and time functions share: the head that marks
// structure-mode arguments and passes errors on, the kinds each family
// accepts, whole-day serials with their range check, and the results.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// Empty, integer-valued or real: the kinds of the functions that refuse
// booleans and missing arguments.
bool Date_isNumber(const Value* v);
// The structure modes and faults of a fixed list of arguments: structure
// modes first, then the first error or text in argument order (a text is
// #VALUE!), as the worksheet converts them one by one.
bool Date_headList(Value* result, int argc, const Value* const* argv);
// x truncated toward zero into *day when x lies in 0 .. the last serial.
bool Date_wholeDay(double x, int64_t* day);
// The integer kind, or "#num!" outside first .. the last serial.
Value* Date_dayResult(Value* result, int64_t day, int64_t first = 0);
Value* Date_intResult(Value* result, int64_t n);
