// The searching lookups VLOOKUP, HLOOKUP, LOOKUP and MATCH, with their one
// position search. Search keys (lookup value, searched line, index, match
// type) must be plain: numbers, booleans, empty cells or texts. In the
// structure modes a key that depends on a decision variable makes the result
// a non-smooth dependency on the arguments; with constant keys the element
// chosen is returned with its own dependency (its derivative, interval or
// class), so a lookup into a table of formulas of the variables stays exact.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// The 1-based position of value in the first column (down) or first row of
// table, 0 when not found. Elements compare with a value of their kind only
// (texts case-blind, numbers and empty cells by their numbers, logicals
// with logicals). matchType 0: the first equal element (a text holding the
// wildcards '*' or '?' as a pattern); 1: the last element not above value,
// -1: the last not below it, found by halving the elements of value's kind
// as if they were sorted (ascending for 1, descending for -1).
int32_t Wsf_lookupSearch(const Value* value, const Value* table, bool down, int32_t matchType);

// VLOOKUP(value, table, column[, approximate]) and HLOOKUP(value, table,
// row[, approximate]).
Value* Wsf_vlookup(Value* result, int argc, const Value* const* argv);
Value* Wsf_hlookup(Value* result, int argc, const Value* const* argv);
// LOOKUP(value, vector, result vector) and LOOKUP(value, array).
Value* Wsf_lookup(Value* result, int argc, const Value* const* argv);
// MATCH(value, line[, type]): the position as an integer.
Value* Wsf_match(Value* result, int argc, const Value* const* argv);
