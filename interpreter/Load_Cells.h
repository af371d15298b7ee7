// A list of cells compiled by the interpreter: the function cells of a
// bound table compiled either as a model (stopping at the first failure,
// which the load's callers read from the context) or each on its own, going
// on after a failure and reporting every failure by its cell; and, over
// the second, a list of worksheet cells compiled and run in plain mode, as
// a recalculation through the interpreter does.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "interpreter/Load_Source.h"
#include "values/Model_Refs.h"

struct FormulaReader;
struct Symbol;
struct Value;

enum LoadCellsMode : int32_t {
  kLoadStopAtFirst = 0,  // into the model order; the first failure ends the compile
  kLoadGoOn = 1,         // each cell on its own; a failure leaves the other cells
};

// Why a listed cell could not be compiled or evaluated.
struct LoadCellFailure {
  CellRef cell{};      // the listed cell
  CellRef at{};        // where it stopped: the cell itself, or a cell it reads
  int32_t status = 0;  // the first status raised (VmStatus)
  // It failed before, inside the compile of a cell that reads it; status
  // and at are then not set again.
  bool earlier = false;
  bool readsFailed = false;  // evaluation: it reads a cell that was not compiled
  // For an unknown or unsupported function: the names of the functions its
  // chain calls that are not built, sorted, each once.
  std::vector<std::u16string> unbuilt;
};
using LoadFailureSink = std::function<void(const LoadCellFailure&)>;

// The order the cells compiled on their own run in (each once, after what
// it reads; failed cells left out) and the cells that failed.
struct LoadCompiled {
  std::vector<Symbol*> order;
  std::set<const Symbol*> failed;
};

// Compiles the function cells of the reader's bound table in table order,
// then finishes the model. kLoadStopAtFirst compiles each item with its
// right-hand side into the model order and stops at the first failure,
// which stays raised in the context (compiled may be null). kLoadGoOn
// compiles each cell on its own into compiled->order: a failure's errors
// are cleared, what the failed compile placed leaves the order to be placed
// again by the cells that read it, and a cell that failed inside another's
// compile reports that failure (earlier) in its own turn. Every failure
// goes to onFailure when it is set; true when none failed.
bool Load_compileCells(FormulaReader* reader, LoadCellsMode mode, LoadCompiled* compiled,
                       const LoadFailureSink& onFailure);

// A list of worksheet cells on a source (kept, not owned), each a function
// of its own without bounds.
struct LoadCells;
// A fresh list; null without memory.
LoadCells* Load_createCells(ReaderSource* source);
void Load_addCell(LoadCells* cells, const CellRef& cell);
// Compiles every listed cell on its own (kLoadGoOn) and readies the plain
// mode; each failure goes to onFailure.
void Load_compileList(LoadCells* cells, const LoadFailureSink& onFailure);
// The value of a compiled listed cell after a run, or why it has none
// (value null): its own evaluation failed, or the first failure among the
// cells it reads.
using LoadResultSink = std::function<void(const CellRef& cell, const Value* value, const LoadCellFailure* failure)>;
// Runs every compiled cell once in order; with onResult set, hands over
// each compiled listed cell's result in list order. Returns the cells run.
int32_t Load_runCells(LoadCells* cells, const LoadResultSink& onResult);
// Frees the list and everything its compile built; null-safe.
void Load_freeCells(LoadCells* cells);
