// The reference functions: INDEX, CHOOSE, ROW, COLUMN, ROWS, COLUMNS, AREAS,
// TRANSPOSE and ADDRESS. INDEX and CHOOSE select with constant indexes and
// answer with the element itself, so that in a derivative, interval or
// structure mode it keeps its own dependency on the decision variables; an
// index that depends on a variable makes the result a non-smooth dependency
// in the structure modes.
#pragma once

#include "values/Model_Refs.h"
#include "values/Val_Value.h"

// INDEX(array, row[, column]); cell is the formula's cell (may be null),
// whose row or column picks the number out of a row or column range given
// as an index.
Value* Wsf_index(Value* result, int argc, const Value* const* argv, const CellRef* cell);
// CHOOSE(index, value1, ...): the value the index names (a number, or a
// text that reads as one).
Value* Wsf_choose(Value* result, int argc, const Value* const* argv);
// ROW([reference]) and COLUMN([reference]): the first row (column) of the
// reference, all of them as an array in an array formula, or the formula
// cell's when there is no argument.
Value* Wsf_row(Value* result, int argc, const Value* const* argv, const CellRef* cell, bool arrayFormula);
Value* Wsf_column(Value* result, int argc, const Value* const* argv, const CellRef* cell, bool arrayFormula);
// ROWS(array) and COLUMNS(array).
Value* Wsf_rows(Value* result, const Value* x);
Value* Wsf_columns(Value* result, const Value* x);
// AREAS(reference): the one area every reference of a formula has.
Value* Wsf_areas(Value* result, const Value* x);
// TRANSPOSE(array), in an array formula.
Value* Wsf_transpose(Value* result, const Value* x, bool arrayFormula);
// ADDRESS(row, column[, abs, a1, sheet]): the text of a cell address.
Value* Wsf_address(Value* result, int argc, const Value* const* argv);
