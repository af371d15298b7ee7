// Logical and information functions: AND, OR, NOT, IF, the IS... tests,
// ERROR.TYPE, N, NA, TYPE and COUNTBLANK. AND, OR and NOT take sample
// vectors trial by trial; IF picks per trial under a sample-vector
// condition, takes a derivative condition by its value when non-smooth
// functions are allowed ("Non-smooth special function" otherwise, and always
// for interval conditions), and merges dependencies in the structure modes.
// A value of a derivative, tape, interval or affine mode is a number to
// ISNUMBER and TYPE, as its point value is in the value mode. A value the
// mode could not compute (Val_setNoDerivative) is to the IS... tests, TYPE
// and COUNTBLANK what the value mode gives there when that is known (their
// answer has no slope); else they, and ERROR.TYPE, pass it on, so that a
// guard never answers differently from the value mode.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_and(Value* result, int argc, const Value* const* argv);
Value* Wsf_or(Value* result, int argc, const Value* const* argv);
Value* Wsf_not(Value* result, const Value* x);
// IF(condition, then[, else]); argc 2 or 3.
Value* Wsf_if(Value* result, int argc, const Value* const* argv);
Value* Wsf_countblank(Value* result, const Value* x);
Value* Wsf_errortype(Value* result, const Value* x);
Value* Wsf_isblank(Value* result, const Value* x);
Value* Wsf_iserr(Value* result, const Value* x);
Value* Wsf_iserror(Value* result, const Value* x);
Value* Wsf_iseven(Value* result, const Value* x);
Value* Wsf_islogical(Value* result, const Value* x);
Value* Wsf_isna(Value* result, const Value* x);
Value* Wsf_isnontext(Value* result, const Value* x);
Value* Wsf_isnumber(Value* result, const Value* x);
Value* Wsf_isodd(Value* result, const Value* x);
Value* Wsf_isref(Value* result, const Value* x);
Value* Wsf_istext(Value* result, const Value* x);
Value* Wsf_n(Value* result, const Value* x);
Value* Wsf_na(Value* result);
Value* Wsf_type(Value* result, const Value* x);
