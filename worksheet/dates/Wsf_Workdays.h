// NETWORKDAYS and WORKDAY: working days are Monday to Friday, less the
// holidays given as a third argument (a number, a range or an array of
// serials; a holiday listed twice counts once, one on a weekend not at all).
#pragma once

#include "values/Val_Value.h"

// NETWORKDAYS(start, end[, holidays]): the working days from start to end,
// both counted; negative when the end lies before the start.
Value* Wsf_networkdays(Value* result, int argc, const Value* const* argv);
// WORKDAY(start, days[, holidays]): the working day days working days after
// (before, for negative days) the start.
Value* Wsf_workday(Value* result, int argc, const Value* const* argv);
