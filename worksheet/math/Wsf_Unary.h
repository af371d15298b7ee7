// The worksheet functions of one numeric argument (ABS to TANH), ATAN2, PI,
// LOG and POWER in every evaluation mode: an error argument passes on, plain
// kinds (empty, missing, boolean, integer, real) compute on their number,
// the kinds of the evaluation modes go to their families (a domain fault is
// "#num!" for derivative kinds, "Unfeasible argument" with the argument
// returned for interval kinds), texts and arrays give "#value!". ABS and
// SIGN on derivative, interval and tape kinds need the context's allowance
// of non-smooth functions ("Non-smooth special function" and "#value!"
// otherwise). Each function is also a building block of others.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_abs(Value* result, const Value* x);
Value* Wsf_acos(Value* result, const Value* x);
Value* Wsf_acosh(Value* result, const Value* x);
Value* Wsf_asin(Value* result, const Value* x);
Value* Wsf_asinh(Value* result, const Value* x);
Value* Wsf_atan(Value* result, const Value* x);
Value* Wsf_atanh(Value* result, const Value* x);
Value* Wsf_cos(Value* result, const Value* x);
Value* Wsf_cosh(Value* result, const Value* x);
Value* Wsf_degrees(Value* result, const Value* x);
Value* Wsf_exp(Value* result, const Value* x);
Value* Wsf_ln(Value* result, const Value* x);
Value* Wsf_log10(Value* result, const Value* x);
Value* Wsf_radians(Value* result, const Value* x);
Value* Wsf_sign(Value* result, const Value* x);
Value* Wsf_sin(Value* result, const Value* x);
Value* Wsf_sinh(Value* result, const Value* x);
Value* Wsf_sqrtpi(Value* result, const Value* x);
Value* Wsf_tan(Value* result, const Value* x);
Value* Wsf_tanh(Value* result, const Value* x);
Value* Wsf_sqrt(Value* result, const Value* x);
// The angle of the point (x, y), in (-pi, pi]; "#div/0!" at the origin.
// Sample vectors trial by trial (NaN at the origin).
Value* Wsf_atan2(Value* result, const Value* x, const Value* y);
Value* Wsf_pi(Value* result);
// LOG(x) is LOG10(x); LOG(x, base) is ln x / ln base.
Value* Wsf_log(Value* result, int argc, const Value* const* argv);
// x^y; integer-valued arguments give an integer only when the result is
// integral and within the 32-bit range.
Value* Wsf_power(Value* result, const Value* x, const Value* y);
// The worksheet's POWER: 0 to a negative power is #DIV/0!, as the ^
// operator's (the powers the other functions take inside give #NUM!, a
// result beyond the doubles); 0^0 is 1, the limit of x^0. Else Wsf_power.
Value* Wsf_powerFunction(Value* result, const Value* x, const Value* y);
Value* Wsf_sqr(Value* result, const Value* x);
