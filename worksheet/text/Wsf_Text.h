// The text functions computed here: CHAR, CODE, CONCATENATE, EXACT, LEFT,
// LEN, LOWER, MID, RIGHT, T, UPPER and VALUE. Lengths and positions count
// UTF-16 units. In the structure modes each is a non-smooth use of its
// arguments. A text result stays a text even when it reads as a number.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_char(Value* result, const Value* code);
Value* Wsf_code(Value* result, const Value* text);
Value* Wsf_concatenate(Value* result, int argc, const Value* const* argv);
Value* Wsf_exact(Value* result, const Value* a, const Value* b);
// LEFT(text[, count]) and RIGHT(text[, count]); count defaults to 1.
Value* Wsf_left(Value* result, int argc, const Value* const* argv);
Value* Wsf_right(Value* result, int argc, const Value* const* argv);
Value* Wsf_len(Value* result, const Value* text);
Value* Wsf_lower(Value* result, const Value* text);
// MID(text, start, count): the empty text when count is 0 or start lies
// beyond the text.
Value* Wsf_mid(Value* result, int argc, const Value* const* argv);
Value* Wsf_t(Value* result, const Value* v);
Value* Wsf_upper(Value* result, const Value* text);
// VALUE(text): the number the text reads as, a date or a time as its serial
// number.
Value* Wsf_value(Value* result, const Value* v);
