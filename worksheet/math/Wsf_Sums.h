// Sums and products: SUM, PRODUCT, SUMSQ, SUMPRODUCT, the paired sums
// SUMX2MY2, SUMX2PY2 and SUMXMY2 and SERIESSUM. On plain values, in a range
// only numbers (and errors, which pass on) take part, and a direct argument
// takes part by its number (a boolean as 1 or 0, a text when it reads as a
// number). When a value of an evaluation mode takes part, the generic
// operators do the arithmetic, so the result has that mode's kind.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_sum(Value* result, int argc, const Value* const* argv);
Value* Wsf_product(Value* result, int argc, const Value* const* argv);
Value* Wsf_sumsq(Value* result, int argc, const Value* const* argv);
// arrayFormula: the calling cell holds an array formula (then a single
// argument is accepted).
Value* Wsf_sumproduct(Value* result, int argc, const Value* const* argv, bool arrayFormula);
Value* Wsf_sumx2my2(Value* result, const Value* a, const Value* b);
Value* Wsf_sumx2py2(Value* result, const Value* a, const Value* b);
Value* Wsf_sumxmy2(Value* result, const Value* a, const Value* b);
Value* Wsf_seriessum(Value* result, const Value* x, const Value* n, const Value* m, const Value* coefficients);
