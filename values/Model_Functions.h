// The model's problem functions as the interpreter and the tapes of the
// evaluation modes see them: each function with its cells, relation and
// right-hand side, the built item array (objective last), the problem class,
// and the tape capacities that the memory pass records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "values/Model_Chain.h"
#include "values/Model_Refs.h"

struct Symbol;

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
  CellChain leftChain;        // cells in evaluation order, own cell last
  CellChain rightChain;
  std::vector<int32_t> variables;   // variable numbers it depends on
  uint8_t usesTape = 1;
  // The function's dependency structure is the same in every trial; the
  // dependency-vector pass with trials clears it.
  uint8_t fixedStructure = 1;
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
  // Cells on sheets other than the active one are read as their values
  // only: their formulas are not compiled.
  uint8_t activeSheetFormulasOnly = 0;
  // Node capacities of the tapes, recorded by the memory pass; -1 until it
  // has run, and every tape preparation refuses to start before it.
  int32_t maxCellTape = -1;      // most operations of one side of one function
  int32_t maxFunctionTape = -1;  // most of both sides of one function, plus one
};

// An empty table, capacities -1; null when memory runs out.
FunctionTable* Model_createFunctionTable();
// Frees the table and the items it owns; null-safe.
void Model_freeFunctionTable(FunctionTable* table);
