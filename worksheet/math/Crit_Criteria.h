// Criteria matching for COUNTIF and SUMIF: a criterion is a number, an error
// value, or a text that may begin with a comparison operator (=, <>, <, <=,
// >, >=) and may hold the wildcards '*' (any run of characters) and '?' (any
// one character), '~' making the next character literal, or may name an
// error ("#N/A"). Texts compare without regard to case. An array of
// criteria gives one result per criterion.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// 0 when the text matches the pattern, else -1 or 1 as the text orders
// before or after the pattern (case folded).
int32_t Crit_compareText(const char16_t* text, const char16_t* pattern);
// Whether the candidate satisfies the criterion. A value of a derivative
// kind matches as the number it carries, as the value mode's would.
bool Crit_match(const Value* candidate, const Value* criterion);

// COUNTIF(range, criteria): an integer count; for an array of criteria the
// array of the counts.
Value* Wsf_countif(Value* result, int argc, const Value* const* argv);
// SUMIF(range, criteria[, sum range]) on plain numbers: a real; for an array
// of criteria the array of the sums.
Value* Wsf_sumif(Value* result, int argc, const Value* const* argv);
