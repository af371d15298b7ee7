// DAYS360 and WEEKDAY, which the spreadsheet application computes: the
// arguments go to its worksheet-function object through the evaluation
// context's workbook handle, and its answer is the result ("#num!" when
// there is no application or it refuses the arguments). The automation
// layer sits above this library, so whoever opens the application hands
// its call over once with Wsf_setSheetFunction.
#pragma once

#include "values/Val_Value.h"

struct EvalWorkbook;

// Calls the application's worksheet function name with argc arguments in
// worksheet order (booleans where asBool is set, else reals) and converts
// its answer into out; false when the call fails.
using WsfSheetFunction = bool (*)(EvalWorkbook* workbook, const char16_t* name, int argc, const double* numbers,
                                  const bool* asBool, Value* out);
void Wsf_setSheetFunction(WsfSheetFunction call);

// DAYS360(start, end[, method]): the 30/360 days between the dates, by the
// European method when method is not 0.
Value* Wsf_days360(Value* result, int argc, const Value* const* argv);
// WEEKDAY(serial[, type]): the day of the week under the numbering type.
Value* Wsf_weekday(Value* result, int argc, const Value* const* argv);
