// The interpreter's picture of the optimisation model: the problem functions
// (objective, constraint sides) with their relations and right-hand sides,
// the decision variables by range, each function's variables, the problem
// class, and the geometry of cell ranges that binding and counting need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "values/Model_Refs.h"
#include "values/Model_Variables.h"

struct Symbol;
struct Value;

enum Relation : int32_t {
  kRelEqual = 1,
  kRelFree2 = 2,
  kRelLessEqual = 3,
  kRelLessEqual2 = 4,
  kRelGreaterEqual = 5,
  kRelGreaterEqual2 = 6,
  kRelFree7 = 7,
  kRelMinimise = 8,
  kRelMaximise = 9,
  kRelFree10 = 10,
  kRelCone = 11,
  kRelRotatedCone = 12,
};

enum ProblemClass : uint32_t {
  kClassNone = 0,
  kClassObjectiveOnly = 1,
  kClassConstrained = 2,
  kClassSquareSystem = 3,
  kClassInequalities = 4,
  kClassOther = 5,
};

// One problem function.
struct ModelItem {
  CellRef cell{};             // sheet 0: a generated item without a cell
  CellRef rhsCell{};          // sheet 0: the right-hand side is no cell
  int32_t relation = 0;       // Relation
  double rhs = 0.0;
  std::u16string rhsText;     // formula text of a right-hand side given as text
  std::vector<Symbol*> leftChain;   // cells in evaluation order, own cell last
  std::vector<Symbol*> rightChain;
  std::vector<int32_t> variables;   // variable numbers it depends on
  uint8_t usesTape = 1;
  uint8_t arrayCells = 0;
  bool generated = false;      // added by the linearisation of non-smooth functions
  Symbol* bigM = nullptr;
};

struct FunctionTable {
  std::vector<RangeRef> leftRanges;
  std::vector<RangeRef> rightRanges;  // all zero when the right side is a number or a text
  std::vector<ModelItem*> items;      // order added, owned
  std::vector<ModelItem*> array;      // built: objective last
  std::vector<ModelItem*> pending;    // generated items waiting to be joined, owned
  uint32_t problemClass = kClassOther;
  int32_t maxCellTape = 0;
  int32_t maxFunctionTape = 0;
};

FunctionTable* Model_createFunctionTable();
void Model_freeFunctionTable(FunctionTable* table);
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

bool Model_validRange(const RangeRef& r);
int32_t Model_rangeArea(const RangeRef& r);
bool Model_rangeContains(const RangeRef& r, uint8_t sheet, uint16_t row, uint8_t column);
bool Model_rangesOverlap(const RangeRef& a, const RangeRef& b);
bool Model_intersectRanges(const RangeRef& a, const RangeRef& b, RangeRef* out);
// a minus b as at most four rectangles; missing parts all zero.
void Model_subtractRange(const RangeRef& a, const RangeRef& b, RangeRef* above, RangeRef* below, RangeRef* left,
                         RangeRef* right);
