// The text functions the spreadsheet application computes through its
// worksheet-function object: CLEAN, DOLLAR, FIND, FIXED, PROPER, REPLACE,
// REPT, SEARCH, SUBSTITUTE, TEXT and TRIM. Arguments are checked here and
// passed as texts or numbers; a call the application refuses, or one made
// without an application, gives "#value!". The application's answer is the
// result as it is: a text stays a text even when it reads as a number.
#pragma once

#include "values/Val_Value.h"

Value* Wsf_clean(Value* result, const Value* text);
Value* Wsf_proper(Value* result, const Value* text);
Value* Wsf_trim(Value* result, const Value* text);
// DOLLAR(number[, decimals]) and FIXED(number[, decimals, no commas]).
Value* Wsf_dollar(Value* result, int argc, const Value* const* argv);
Value* Wsf_fixed(Value* result, int argc, const Value* const* argv);
// FIND (caseSensitive) and SEARCH: (find text, within text[, start]).
Value* Wsf_find(Value* result, int argc, const Value* const* argv, bool caseSensitive);
// REPLACE(old text, start, count, new text).
Value* Wsf_replace(Value* result, int argc, const Value* const* argv);
Value* Wsf_rept(Value* result, const Value* text, const Value* count);
// SUBSTITUTE(text, old, new[, instance]).
Value* Wsf_substitute(Value* result, int argc, const Value* const* argv);
// TEXT(value, format): the value itself, number or text, in the format.
Value* Wsf_text(Value* result, const Value* value, const Value* format);
