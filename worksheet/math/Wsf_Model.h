// The library's own model functions in every evaluation mode: the forms
// DOTPRODUCT, QUADPRODUCT and QUADTERM over ranges, and the smooth
// one-variable functions GEXP, LX and POLY3. Operands of the forms are
// integers, reals, values of the evaluation modes or errors (errors pass
// through the arithmetic); anything else is "#value!".
#pragma once

#include "values/Val_Value.h"

// arrayFormula: the calling cell holds an array formula, so that several
// dot products come back as a column.
Value* Wsf_dotproduct(Value* result, int argc, const Value* const* argv, bool arrayFormula);
Value* Wsf_quadproduct(Value* result, int argc, const Value* const* argv);
Value* Wsf_quadterm(Value* result, int argc, const Value* const* argv);
Value* Wsf_gexp(Value* result, const Value* x, const Value* a, const Value* b, const Value* c);
Value* Wsf_lx(Value* result, const Value* x);
Value* Wsf_poly3(Value* result, const Value* x, const Value* a, const Value* b, const Value* c, const Value* d);
