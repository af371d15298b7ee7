// The date functions computed here: DATE, DATEVALUE, DAY, MONTH and YEAR,
// EDATE, EOMONTH, WEEKNUM, YEARFRAC, NOW and TODAY. They compute on plain
// numbers (DATEVALUE on a text) and take part in the structure modes as
// non-smooth functions of their arguments. Whole days come back as the
// integer kind, NOW and YEARFRAC as reals; a serial outside 0 .. 2958465
// is "#num!", an argument of a refused kind "#value!".
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// Year (below 100: years after 1900), month and day, each truncated; months
// and days outside their ranges run into the years and months around.
Value* Wsf_date(Value* result, const Value* year, const Value* month, const Value* day);
// The day of a date text (see Date_Serial.h for the forms read).
Value* Wsf_datevalue(Value* result, const Value* text);
// The year (selector 1), month (2) or day (3) of a serial.
Value* Wsf_day(Value* result, const Value* serial, int32_t selector);
// The day months after the start, cut to the end of a shorter month.
Value* Wsf_edate(Value* result, const Value* start, const Value* months);
// The last day of the month months after the start's.
Value* Wsf_eomonth(Value* result, const Value* start, const Value* months);
// WEEKNUM(serial[, type]): weeks from Sunday (type 1) or Monday (type 2).
Value* Wsf_weeknum(Value* result, int argc, const Value* const* argv);
// YEARFRAC(start, end[, basis]): the years between the dates under the
// day-count basis 0 to 4.
Value* Wsf_yearfrac(Value* result, int argc, const Value* const* argv);
// The local date and time to the second, and the local date.
Value* Wsf_now(Value* result);
Value* Wsf_today(Value* result);
