// The formula language's operators over every value kind: arithmetic,
// concatenation and comparisons. Scalars, errors, texts and arrays are
// handled here; the evaluation-mode kinds go to their arithmetic family.
// A number or a point-mode value beyond the doubles is "#num!" in every
// mode (Op_Finite.h). Every operator builds its result in the context's
// result value and returns a copy of it (the caller owns nothing new beyond
// that copy's contents, which the context's result keeps).
#pragma once

#include <cstddef>
#include <cstdint>

#include "values/Val_Value.h"

enum CompareRel : int32_t {
  kRelCmpEq = 1,
  kRelCmpNe = 2,
  kRelCmpLt = 3,
  kRelCmpLe = 4,
  kRelCmpGt = 5,
  kRelCmpGe = 6,
  kRelCmpContains = 7,
};

// The most characters a joined text may hold, as a worksheet cell's text:
// a longer join is #VALUE!.
constexpr size_t kOpMaxTextLength = 32767;

Value Op_add(const Value& x, const Value& y);
Value Op_sub(const Value& x, const Value& y);
Value Op_mul(const Value& x, const Value& y);
Value Op_div(const Value& x, const Value& y);
// x ^ y with the worksheet's rules (0 ^ negative "#div/0!", a negative base
// with a fractional exponent "#num!").
Value Op_pow(const Value& x, const Value& y);
// The ^ operator: Op_pow, and 0 ^ 0 "#num!" at a derivative mode's point as
// in the value mode (POWER's 0 ^ 0 is 1, the limit of x ^ 0).
Value Op_powOperator(const Value& x, const Value& y);
// Negation; a boolean or numeric text becomes a number ("--TRUE" is 1).
Value Op_neg(const Value& x);
// A text that reads as a number ("4", "50%", "1/31/2024") gives that real.
bool Op_numericText(const Value& v, double* out);
// What a plain value is to the functions that look only at kinds.
ValModeAnswer Op_answerOf(const Value& v);
Value Op_addVS(const Value& x, double d);
Value Op_subVS(const Value& x, double d);
Value Op_mulVS(const Value& x, double d);
Value Op_divVS(const Value& x, double d);
Value Op_addSV(double d, const Value& x);
Value Op_subSV(double d, const Value& x);
Value Op_mulSV(double d, const Value& x);
Value Op_divSV(double d, const Value& x);
Value Op_concat(const Value& x, const Value& y);
Value Op_eq(const Value& x, const Value& y);
Value Op_ne(const Value& x, const Value& y);
Value Op_lt(const Value& x, const Value& y);
Value Op_gt(const Value& x, const Value& y);
Value Op_le(const Value& x, const Value& y);
Value Op_ge(const Value& x, const Value& y);
// The value's scalar part against d: a number, the value of a derivative
// kind, the range of an interval kind (a relation must hold at every point
// of it; contains: d lies in it); false for other kinds.
bool Op_compareConst(const Value& x, double d, int32_t relation);
// The value a derivative kind (6 to 8) carries beside its derivatives;
// false for other kinds.
bool Op_derivativeValue(const Value& x, double* out);
// The number v stands for at the point: a plain one's (a blank is 0), or a
// derivative mode's value; false for the other kinds.
bool Op_pointNumber(const Value& v, double* out);
bool Op_hasKind(const Value& x, int32_t kind);
bool Op_anyArgHasKind(int32_t n, Value* const* args, int32_t kind);
