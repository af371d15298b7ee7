// The application's own worksheet functions called by name with values, as
// the automation interface's worksheet-function object calls them: the same
// functions, with the same results, as a formula in a cell would get.
#pragma once

#include <string>
#include <vector>

#include "platform/calc/Calc.h"

enum class CalcCallStatus { Ok, UnknownFunction, BadArgumentCount };

// One argument: a value or block, or an argument left out (as in "FIXED(1,,TRUE)").
struct CalcCallArg {
  bool missing = false;
  CalcArray value;
};

// Calls built-in function `name` (any case) in the context of `wb`'s active
// sheet (`wb` may be nullptr). The result is one value or a block.
CalcCallStatus Calc_callFunction(Workbook* wb, const std::string& name, const std::vector<CalcCallArg>& args,
                                 CalcArray* out);
// The names of the built-in functions, in upper case.
std::vector<std::string> Calc_functionNames();
