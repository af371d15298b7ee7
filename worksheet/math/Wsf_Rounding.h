// Rounding, divisibility and counting functions on plain numbers: CEILING,
// FLOOR, EVEN, ODD, INT, MOD, QUOTIENT, ROUND, ROUNDDOWN, ROUNDUP, TRUNC,
// MROUND, COMBIN, FACT, FACTDOUBLE, GCD, LCM and MULTINOMIAL. An error
// argument passes on; in the structure modes the arguments become
// non-smooth dependencies; INT floors sample vectors trial by trial; other
// kinds than the plain ones give "#value!". Results are reals.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_ceiling(Value* result, const Value* x, const Value* significance);
Value* Wsf_floor(Value* result, const Value* x, const Value* significance);
Value* Wsf_even(Value* result, const Value* x);
Value* Wsf_odd(Value* result, const Value* x);
Value* Wsf_int(Value* result, const Value* x);
Value* Wsf_mod(Value* result, const Value* x, const Value* divisor);
Value* Wsf_quotient(Value* result, const Value* x, const Value* divisor);
Value* Wsf_round(Value* result, const Value* x, const Value* digits);
Value* Wsf_rounddown(Value* result, const Value* x, const Value* digits);
// x cut toward 0 to a whole number of digits as ROUNDDOWN cuts it, on its
// 15-digit decimal form.
double Wsf_roundedDown(double x, double digits);
Value* Wsf_roundup(Value* result, const Value* x, const Value* digits);
Value* Wsf_combin(Value* result, const Value* n, const Value* k);
Value* Wsf_fact(Value* result, const Value* x);
Value* Wsf_factdouble(Value* result, const Value* x);
Value* Wsf_trunc(Value* result, int argc, const Value* const* argv);
Value* Wsf_mround(Value* result, int argc, const Value* const* argv);
Value* Wsf_gcd(Value* result, int argc, const Value* const* argv);
Value* Wsf_lcm(Value* result, int argc, const Value* const* argv);
Value* Wsf_multinomial(Value* result, int argc, const Value* const* argv);
