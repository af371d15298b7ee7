// The time functions HOUR, MINUTE, SECOND, TIME and TIMEVALUE. They compute
// on plain numbers (TIMEVALUE on a text) and take part in the structure
// modes as non-smooth functions of their arguments.
#pragma once

#include "values/Val_Value.h"

// A serial from 0 to the last serial, else "#num!"; booleans and blanks are
// numbers, other kinds "#value!".
Value* Wsf_hour(Value* result, const Value* serial);
Value* Wsf_minute(Value* result, const Value* serial);
Value* Wsf_second(Value* result, const Value* serial);
// The fraction of a day of hour:minute:second, each truncated to a whole
// number; the seconds wrap at a day and keep their sign (TIME(0, 0, -1) is
// -1/86400).
Value* Wsf_time(Value* result, const Value* hour, const Value* minute, const Value* second);
// The time of a text that carries no date; "#value!" otherwise.
Value* Wsf_timevalue(Value* result, const Value* text);
