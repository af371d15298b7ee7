// DAYS360 and WEEKDAY, which the spreadsheet application computes: the
// arguments go to its worksheet-function object (Wsf_callApplication), and
// its answer is the result ("#num!" when there is no application or it
// refuses the arguments).
#pragma once

#include "values/Val_Value.h"

// DAYS360(start, end[, method]): the 30/360 days between the dates, by the
// European method when method is not 0.
Value* Wsf_days360(Value* result, int argc, const Value* const* argv);
// WEEKDAY(serial[, type]): the day of the week under the numbering type.
Value* Wsf_weekday(Value* result, int argc, const Value* const* argv);
