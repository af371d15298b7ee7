// Criteria matching for COUNTIF and SUMIF: a criterion is a number, an error
// value, or a text that may begin with a comparison operator (=, <>, <, <=,
// >, >=) and may hold the wildcards '*' (any run of characters) and '?' (any
// one character), '~' making the next character literal. Texts compare
// without regard to case.
#pragma once

#include <cstdint>

#include "values/Model_Refs.h"
#include "values/Val_Value.h"

// 0 when the text matches the pattern, else -1 or 1 as the text orders
// before or after the pattern (case folded).
int32_t Crit_compareText(const char16_t* text, const char16_t* pattern);
// Whether the candidate satisfies the criterion. A value of a derivative
// kind matches as the number it carries, as the value mode's would.
bool Crit_match(const Value* candidate, const Value* criterion);
// The criterion a criteria argument gives in the cell at: itself when it is
// not an array; from a one-column (one-row) range, the element in at's row
// (column); from an array that is no range, and a 1 x 1 range, the first
// element; "#value!" from a range that meets neither at's row nor column.
const Value* Crit_pick(const Value* criteria, const CellRef* at);

// COUNTIF(range, criteria): an integer count. at is the cell being
// evaluated (may be null).
Value* Wsf_countif(Value* result, int argc, const Value* const* argv, const CellRef* at);
// SUMIF(range, criteria[, sum range]) on plain numbers: a real.
Value* Wsf_sumif(Value* result, int argc, const Value* const* argv, const CellRef* at);
