// The model as the workbook's names hold it: its cells, relations and
// options, how its cells are named and labelled, and its constraint rows
// judged at the point the workbook holds.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/workbook/Wb_Workbook.h"

struct CalcArray;

// Relation codes of "solver_rel<k>"; 9-11 are grouped rows of 1-3.
enum FeRelation : int {
  FeLessEqual = 1,
  FeEqual = 2,
  FeGreaterEqual = 3,
  FeInteger = 4,
  FeBinary = 5,
  FeAllDifferent = 6,
  FeCone = 7,
  FeCone2 = 8,
  FeGroupedLessEqual = 9,
  FeGroupedGreaterEqual = 11
};
// 1-3 for the comparisons, grouped or not; the code itself otherwise.
int Fe_comparison(int relation);
// Whether a relation asks for whole numbers: integer, binary, alldifferent.
bool Fe_isIntegerRelation(int relation);

struct FeConstraint {
  int number = 0;  // k of "solver_lhsk"
  CellRange lhs;
  int relation = 0;
  bool rhsIsRange = false;
  CellRange rhsRange;      // when rhsIsRange
  std::string rhsFormula;  // otherwise: the constant or formula, without "="
};

// The precision the engines take when the model sets none ("solver_pre").
constexpr double kFePrecision = 1e-6;
// The feasibility tolerance the engines take when the model sets none
// ("solver_fea").
constexpr double kFeFeasibility = 1e-6;

struct FeModel {
  int sheet = 0;  // the sheet whose names hold the model
  bool hasObjective = false;
  CellRange objective;
  int sense = 1;  // "solver_typ": 1 maximise, 2 minimise, 3 value of
  std::vector<CellRange> variables;
  std::vector<FeConstraint> constraints;
  int engine = 0;                       // "solver_eng" as written (0 when missing)
  bool linear = false;                  // "solver_lin" is 1: the model says it is linear
  bool relaxed = false;                 // "solver_rlx" is 1: integer conditions are ignored
  bool nonNegative = false;             // "solver_neg" is 1: a variable cell without a lower bound gets 0
  double precision = kFePrecision;      // "solver_pre": a smaller size counts as 0
  double feasibility = kFeFeasibility;  // "solver_fea": how far, relative to 1 + |rhs|, a row may miss
  int diagnosis = 0;                    // "solver_dia": 2 and above analyse the model in the interpreter
  std::vector<std::string> faults;      // why the model cannot be solved, in words
  // Among the faults, one the library would take for a sound model and
  // solve (a text in a variable cell, which it would overwrite): such a
  // model is refused before the library runs.
  bool unseenByLibrary = false;
};

// Reads the model of `sheet` from its names; every fault found goes into
// `faults` (none for a sound model).
FeModel Fe_readModel(Workbook* wb, int sheet);
// Whether the model has integer, binary or alldifferent constraints that
// count: none when "solver_rlx" relaxes them.
bool Fe_hasIntegerConstraints(const FeModel& m);
// Whether the sheet's names hold a model at all.
bool Fe_hasModel(Workbook* wb, int sheet);
// Notes each constraint side that takes in a blank cell hidden in a merged
// area (a part of it other than its first cell), which the model reads as 0.
void Fe_noteMergedBlanks(Workbook* wb, const FeModel& m);
// Cells of a range (a whole sheet's more than an int holds); of all the
// variable areas and of all the constraints' left-hand sides, each within
// the library's references.
long long Fe_cellsIn(const CellRange& r);
int Fe_variableCells(const FeModel& m);
// Whether a cell of the model's sheet is one of its variable cells.
bool Fe_isVariableCell(const FeModel& m, int row, int col);
int Fe_constraintCells(const FeModel& m);
// "maximise", "minimise" or "value of" for "solver_typ" 1-3.
const char* Fe_senseName(int sense);
// "" when the range lies within `rows` rows and `cols` columns; else a
// fault: `what` (its range) reaches past the limit that `holder` hold, and
// the first cell beyond.
std::string Fe_beyondGrid(const Workbook* wb, const CellRange& a, const std::string& what, int rows, int cols,
                          const std::string& holder);
// "Sheet!A1" of a cell and "Sheet!A1:B2" of a range; "Sheet!" alone.
std::string Fe_cellName(const Workbook* wb, int sheet, int row, int col);
std::string Fe_sheetPrefix(const Workbook* wb, int sheet);
std::string Fe_rangeName(const Workbook* wb, const CellRange& r);
// Whether two ranges share a cell.
bool Fe_overlaps(const CellRange& a, const CellRange& b);
// Whether the cells of a range are variable cells or read one at any level.
bool Fe_rangeReadsVariables(Workbook* wb, const FeModel& m, const CellRange& r);
// The first range of the model's variable cells that `cell` reads at any
// level; null when it reads none.
const CellRange* Fe_variablesRead(Workbook* wb, const FeModel& m, const CellRange& cell);
// What labelling the cells of a workbook found so far: the heading row of
// each cell asked about, and of the cells passed on the way up to it, by
// (sheet, column, row), -1 for none; so that labelling a table of cells
// walks each column once, not once for each cell. Good while no value of
// the workbook changes.
struct FeLabels {
  const Workbook* wb = nullptr;
  std::unordered_map<std::uint64_t, int> headings;  // by Fe_labelKey
  std::vector<int> passed;                          // the rows of the walk under way, kept to reuse its memory
  // The last search to the left: the nearest text left of (sheet, row, col),
  // null for none. A cell further right on the same row searches only the
  // cells between, so that a row of cells costs one walk, not one each.
  struct LeftSearch {
    int sheet = -1, row = -1, col = -1;
    const std::string* text = nullptr;
  } left;
};
// The label of a cell in a report: the nearest text to its left and the
// heading of its column, joined by a space. The heading is the nearest text
// above with no empty cell between: a blank row ends a table, so a cell below
// it is not labelled by the columns of the table above.
std::string Fe_label(FeLabels* labels, int sheet, int row, int col);
// The key of a cell in FeLabels::headings: sheet, column (below 2^14) and
// row (below 2^20) in one number.
constexpr std::uint64_t Fe_labelKey(int sheet, int col, int row) {
  constexpr int kRowBits = 20, kColumnBits = 20;
  return static_cast<std::uint64_t>(sheet) << (kRowBits + kColumnBits) | static_cast<std::uint64_t>(col) << kRowBits |
         static_cast<std::uint64_t>(row);
}
// A cell's value as it shows in its number format ("" for an empty cell).
std::string Fe_shownValue(const Workbook* wb, int sheet, int row, int col);
const CellValue* Fe_value(const Workbook* wb, int sheet, int row, int col);
// The name of relation 1-11 ("<=", "=", ">=", "integer", "binary", "alldifferent", "cone" ...).
const char* Fe_relationName(int relation);

// One row of the constraint table.
struct FeConstraintRow {
  int sheet = 0, row = 0, col = 0;
  int relation = 0;
  double value = 0, rhs = 0, slack = 0;
  bool numeric = true;  // value and right-hand side are numbers
  bool satisfied = true, binding = false;
};

std::vector<FeConstraintRow> Fe_constraintRows(Workbook* wb, const FeModel& m);
// Whether a number is within the table's integer tolerance of a whole number.
bool Fe_nearlyWhole(double x);
// The areas a constraint's right-hand side reads: its range, the range a
// formula names ("Other!lim"), or the cells an expression reads ("=2*E2").
std::vector<CellRange> Fe_rhsAreas(Workbook* wb, const FeConstraint& c);
// The bounds of a variable cell as the library derives them: those of its
// bound rows (variable cells against a right-hand side that reads none of
// them), [0, 1] of a binary cell, [1, n] of a cell of an alldifferent group
// of n, and 0 from the non-negative option below a cell bounded below in
// no other way; +-1e30 where there is none.
struct FeCellBounds {
  int sheet = 0, row = 0, col = 0;
  double lower = 0, upper = 0;
  bool lowerByOption = false;  // the lower bound is the non-negative option's
};
// Each variable cell once, area by area, cell by cell.
std::vector<FeCellBounds> Fe_variableBounds(Workbook* wb, const FeModel& m);
// Rows of the lower bound 0 that the non-negative option ("solver_neg")
// gives each variable cell the model bounds from below in no other way,
// judged as the constraint rows are (relation >=).
std::vector<FeConstraintRow> Fe_nonNegativeRows(Workbook* wb, const FeModel& m);
// The right-hand cell of the constraint's k-th left-hand cell (rhsIsRange).
void Fe_rhsCell(const FeConstraint& c, int k, int* row, int* col);
// The right-hand side of the constraint's k-th left-hand cell; false when it is no number.
bool Fe_rhsValue(Workbook* wb, const FeConstraint& c, int k, double* out);
// A value a right-hand formula gives as a number: a number, nothing as 0,
// or a text that reads as a number ("18"), as the engines read it; false
// otherwise.
bool Fe_rhsNumber(const CellValue& v, double* out);
// Whether a right-hand formula's value fits the constraint: one value, or an
// array of its left-hand side's rows and columns (one element per cell).
bool Fe_rhsFits(const FeConstraint& c, const CalcArray& value);
