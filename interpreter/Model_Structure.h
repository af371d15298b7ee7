// The interpreter's picture of the optimisation model: the problem functions
// (objective, constraint sides) with their relations and right-hand sides,
// the decision variables by range, each function's variables, the problem
// class, and the geometry of cell ranges that binding and counting need.
// The accessors of the sampled inputs' trial rows and the distribution hook
// sit beside the registry they read (Model_Draws.h), and come with it here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simulation/registry/Model_Draws.h"
#include "values/Model_Functions.h"
#include "values/Model_Refs.h"
#include "values/Model_Variables.h"

struct Interval;
struct Symbol;
struct Value;

int32_t Model_itemCount(const FunctionTable* table);

// Items of single cells; false when the sheet is below 1.
bool Model_addFunction(FunctionTable* table, uint8_t sheet, uint8_t column, uint16_t row, int32_t relation,
                       double rhs);
// One item per cell of a well-ordered range with the number as right side.
bool Model_addFunctionCells(FunctionTable* table, const RangeRef& range, int32_t relation, double rhs);
// One item per cell with the text as right side; sheet 0 with row and column 0
// makes one item without a cell.
bool Model_addFunctionTextCells(FunctionTable* table, const RangeRef& range, int32_t relation,
                                const std::u16string& text);
// One item per cell of a well-ordered range, each compared with the element
// at its own place in the array the text gives.
bool Model_addFunctionElementCells(FunctionTable* table, const RangeRef& range, int32_t relation,
                                   const std::u16string& text);
// A cone over the range as one generated item "0 >= expression" with the
// quadratic form as text: relation 11, t1 >= norm of the others; relation
// 12 (three cells at least), 2 t1 t2 >= sum of squares of the others. False
// for a malformed range or another relation.
bool Model_addConeRows(FunctionTable* table, const RangeRef& range, int32_t relation, const std::u16string& sheetName);
// "a1" or "a1:b3" of a range.
std::u16string Model_rangeText(const RangeRef& range);
// One item per cell pair of lhs and rhs in reading order: the counts agree,
// or one side is a single cell.
bool Model_addConstraint(FunctionTable* table, const RangeRef& lhs, int32_t relation, const RangeRef& rhs);
// Joins the pending items and indexes them, the objective in the last slot;
// false when there are none.
bool Model_buildItemArray(FunctionTable* table);
// Classifies from the relations; with dependencyCounts (per item of the
// array, or null when the structure is not known) constant objectives count.
uint32_t Model_classifyProblem(FunctionTable* table, const int32_t* dependencyCounts, int32_t variableCount);

// Variables: one record per cell, rows outer; false for a malformed range.
bool Model_addVariableRange(VariableTable* table, const RangeRef& range, int32_t type);
void Model_addExtraVariable(VariableTable* table, int32_t type, int32_t link);
// The variable number of a cell, 0 when it is none.
int32_t Model_findVariable(const VariableTable* table, uint8_t sheet, uint16_t row, uint8_t column);
// Binds a value read from cells to the variables among them (kind and
// reference); status 36 when a cell is two variables. False when the value
// has no source range or is already bound.
bool Model_bindVariable(const VariableTable* table, Value* value);
// Numbers the sampled-input cells of a value read from cells through the
// table's uncertain-cell registry (see CellReg_markVariableArea); false
// without a registry.
bool Model_bindUncertainCells(const VariableTable* table, Value* value);
bool Model_setRangeType(VariableTable* table, const RangeRef& range, int32_t type);
bool Model_setRangeBound(VariableTable* table, const RangeRef& range, double bound, bool upper);
bool Model_setAllBounds(VariableTable* table, double bound, bool upper);

// Keeps the dependency entries whose class passes; list and classes compacted
// in place, the new count returned.
int32_t Model_pruneToSmooth(std::vector<int32_t>* deps, std::vector<uint8_t>* classes);
int32_t Model_pruneToNonlinear(std::vector<int32_t>* deps, std::vector<uint8_t>* classes);
int32_t Model_pruneToDependent(std::vector<int32_t>* deps, std::vector<uint8_t>* classes);
// Spreads a gradient over a function's k dependencies into the full vector of
// n entries (1-based when oneBased).
void Model_scatterGradient(const std::vector<int32_t>& deps, int32_t n, double* vector, bool oneBased);
// The same for an interval gradient, and for an interval Hessian whose
// compact k x k block is spread over the n x n matrix (rows and columns
// 1-based when oneBased).
void Model_scatterIvGradient(const std::vector<int32_t>& deps, int32_t n, Interval* vector, bool oneBased);
void Model_scatterIvHessian(const std::vector<int32_t>& deps, int32_t n, Interval** matrix, bool oneBased);

bool Model_validRange(const RangeRef& r);
int32_t Model_rangeArea(const RangeRef& r);
bool Model_rangeContains(const RangeRef& r, uint8_t sheet, uint16_t row, uint8_t column);
bool Model_rangesOverlap(const RangeRef& a, const RangeRef& b);
bool Model_intersectRanges(const RangeRef& a, const RangeRef& b, RangeRef* out);
// a minus b as at most four rectangles; missing parts all zero.
void Model_subtractRange(const RangeRef& a, const RangeRef& b, RangeRef* above, RangeRef* below, RangeRef* left,
                         RangeRef* right);
