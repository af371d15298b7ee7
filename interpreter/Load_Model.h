// Model load: turns the optimisation model the library has read from the
// workbook (variable cells, constraint rows, objective, bounds, start values,
// right-hand sides) into a loaded interpreter model on an evaluation
// context: the variable and function tables, every formula the model
// depends on compiled through a reader source, the compile step with its
// memory budget, and an optional check evaluation that notes badly scaled
// additions. The caller gathers the workbook's side of the model into a
// LoadRequest, so that this file needs no spreadsheet access of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "simulation/import/Addin_Import.h"
#include "values/Model_Refs.h"

struct EvalContext;
struct LibraryContext;
struct ReaderSource;

// Results of a load (and of the evaluation interface's other requests).
enum LoadResult : int32_t {
  kLoadOk = 0,
  kLoadEmpty = 8,           // no variable cells or no constraint rows
  kLoadNoMemory = 11,
  kLoadCompileFailed = 12,  // a formula could not be compiled or evaluated
  kLoadHostFailure = 13,    // a workbook, reference or right-hand-side failure
};

// Relation codes of the library's model reader.
enum LoadRowCode : int32_t {
  kLoadLessEqual = 1,
  kLoadEqual = 2,
  kLoadGreaterEqual = 3,
  kLoadInteger = 4,
  kLoadCone = 5,
  kLoadMinimise = 6,
  kLoadMaximise = 7,
};

// Row flags the load looks at (the model reader's own bits).
constexpr uint32_t kLoadRowElementwise = 0x2;  // each left-hand cell against its own element of the right
constexpr uint32_t kLoadRowSecondKind = 0x20;  // a rotated cone
constexpr uint32_t kLoadRowBound = 0x100;      // bounds on variable cells: no function
constexpr uint32_t kLoadRowRhsVaries = 0x200;  // right-hand side moves with the variables

enum LoadRhsKind : int32_t {
  kLoadRhsNumber = 1,
  kLoadRhsText = 2,  // the formula of a defined name, without its "=" (an array
                     // applied element by element with kLoadRowElementwise)
  kLoadRhsRange = 3,
};

// One constraint row, the objective last, as the model reader keeps them.
struct LoadRow {
  int32_t code = 0;      // LoadRowCode
  uint32_t flags = 0;
  RangeRef left{};       // sheet: index in the reader's sheet table
  int32_t rhsKind = kLoadRhsNumber;
  RangeRef rhsRange{};
  std::u16string rhsText;
};

struct LoadRequest {
  // The variable cells in the library's variable order (one range per area,
  // or per cell when the order is not the areas' own).
  std::vector<RangeRef> variableRanges;
  std::vector<LoadRow> rows;
  // Per model variable: bounds (-kBoundInfinity and kBoundInfinity when missing), current
  // value, and type (0 continuous, 1 integer, 2 binary).
  std::vector<double> lower, upper, start;
  std::vector<int32_t> types;
  // Per row of the function vector without the objective: lower and upper
  // sides (-kBoundInfinity and kBoundInfinity when missing).
  std::vector<double> rowLower, rowUpper;
  std::u16string activeSheetName;  // for the texts of cone rows
  bool skipCones = false;          // the engine takes cones itself
  bool skipCellCount = false;
  bool bigM = false;               // linearise non-smooth constructs with big-M rows
  // Reader options that import a model written for other add-ins
  // (kReaderImportMarkers, kReaderImportSimulation); the model then need
  // not come with variables or rows of its own.
  uint32_t importFlags = 0;
  bool checkValues = false;
  bool activeSheetFormulasOnly = false;  // other sheets' cells keep their values
  bool listAdded = false;                // list the variables and functions the linearisation added
  bool nonSmoothAllowed = true;
  int32_t compactDerivatives = 0;
  uint64_t freeBytes = 0;          // the memory budget of the compile step
};

// A variable or function that the interpreter added to the model: a
// variable's type (VarType) or a function's relation, the cell of the
// construct it stands for (sheet 0 when none) and its generated name.
struct LoadAdded {
  int32_t type = 0;
  CellRef cell{};
  std::u16string name;
};

struct LoadReport {
  int32_t formulaCells = 0;        // compiled cells, an array formula counting its area
  int64_t cells = 0;               // distinct cells the model reads
  std::vector<CellRef> scalingCells;  // cells of badly scaled additions, in order
  // With listAdded, when the interpreter added both variables and functions.
  std::vector<LoadAdded> addedVariables, addedFunctions;
  AddinReport imported;  // what an import found, or why it failed (result 13)
};

// A fresh context for a load, pointing back to the library; null without
// memory. Shows the first progress text.
EvalContext* Load_createContext(LibraryContext* library);
// Builds the model on ctx, reading formulas through source (kept, not
// owned, until the model is freed). Returns a LoadResult; on 12 the first
// error and its cell are in the context.
int32_t Load_model(EvalContext* ctx, ReaderSource* source, const LoadRequest& request, LoadReport* report);
// Frees everything the load built, and the context; null-safe.
void Load_freeModel(EvalContext* ctx);
