// The worksheet functions of this library by function id, in one calling
// form, for the interpreter's dispatcher: the result slot, the argument
// count and the arguments as evaluated, and the call's circumstances (the
// cell being evaluated and whether it holds an array formula). Callers
// check argument counts against the function table (Fn_acceptsCount);
// arguments left out may be absent (argc smaller) or of the missing kind.
#pragma once

#include <cstdint>

#include "values/Model_Refs.h"
#include "values/Val_Value.h"

struct WsfCall {
  const CellRef* cell;  // may be null
  bool arrayFormula;    // in an array formula, or inside the arguments of an array-taking call
};

using WsfEntry = Value* (*)(Value* result, int argc, const Value* const* argv, const WsfCall* call);

// The implementation of a function id; null when this library has none.
WsfEntry Wsf_entry(int32_t id);
