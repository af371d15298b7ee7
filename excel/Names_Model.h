// Model reader: turns the front end's defined names ("solver_opt",
// "solver_typ", "solver_val", "solver_num", "solver_lhs<i>", "solver_rel<i>",
// "solver_rhs<i>", "robust_num", "scen_num", "scen_change", "scen_value<i>")
// into the constraint list and the scenario table, marks which rows are
// bounds and which depend on the variables or the scenario cells, and
// answers the engines' structural questions (cells, alldifferent groups,
// cones). Functions answer 1 on success and 0 on failure unless said
// otherwise.
#pragma once

#include <string>
#include <vector>

#include "excel/Area_Areas.h"
#include "platform/xlcall/Xlcall.h"

struct LibraryContext;

// Normalised relations; the objective carries 6, 7 or 2.
enum ConstraintRelation {
  RelationLessEqual = 1,
  RelationEqual = 2,
  RelationGreaterEqual = 3,
  RelationInteger = 4,     // integer, binary and alldifferent rows
  RelationCone = 5,
  RelationMinimise = 6,
  RelationMaximise = 7,
};

enum RowFlags : unsigned {
  RowChecked = 0x1,      // the whole list was read and checked
  RowElementwise = 0x2,  // one right-hand cell (or array element of a text) per left-hand cell
  RowObjective = 0x4,
  RowGrouped = 0x8,       // relations 9-11, and an objective to optimise
  RowKindA = 0x10,        // binary, or the first cone kind
  RowKindB = 0x20,        // alldifferent, or the second cone kind
  RowBound = 0x100,       // variable cells against a fixed right-hand side
  RowRhsVaries = 0x200,   // right-hand side depends on the variable cells (a formula
                          // that gives no number, or reads them, or computes references)
  RowLhsOnTable = 0x400,  // left-hand side depends on the scenario cells
  RowRhsOnTable = 0x800,  // right-hand side depends on the scenario cells
};

struct ConstraintRecord {
  XLOPER* lhs = nullptr;   // owned; a reference of one area
  XLOPER* rhs = nullptr;   // owned; a number, a text or a one-area reference
  int relation = 0;
  int row = 0;             // i of "solver_lhs<i>"; 0 for the objective
  unsigned flags = 0;
};

// Alldifferent and cone counters of the last read.
struct ModelCounts {
  int allDifferentGroups = 0;
  int allDifferentCells = 0;
  int cones = 0;
  int coneCells = 0;
};

// Rows 1..n in order, then the objective when there is one.
struct ConstraintList {
  std::vector<ConstraintRecord> records;
  ModelCounts counts;
};

// The scenario cells ("scen_change") and one array per scenario row
// ("scen_value<r>"), elements in cell-list position order.
struct ScenarioTable {
  XLOPER* ref = nullptr;        // owned
  CellList* cells = nullptr;
  std::vector<XLOPER*> rows;    // owned arrays
};

// Normalises the front end's relation code held in record->relation, adding
// flags and counts; 0 for an unknown code.
int Names_normaliseRelation(ConstraintRecord* record, ModelCounts* counts);

// Reading, in the order the session calls it.
int Names_readRobustMode(LibraryContext* context, int* mode);   // -1 and 0 when invalid
int Names_readScenarioTable(LibraryContext* context, ScenarioTable** table);  // none when "scen_num" is 0
ConstraintList* Names_readConstraints(LibraryContext* context);
int Names_readObjective(LibraryContext* context, ConstraintList* list);
int Names_markVariableDependence(ConstraintList* list, const CellList* variables);
int Names_markTableDependence(ConstraintList* list, const ScenarioTable* table);
void Names_freeConstraints(ConstraintList* list);
void Names_freeScenarioTable(ScenarioTable* table);

// Queries over the records that match a filter: relation r (0 any), flags
// sharing a bit with `include` and none with `exclude`.
bool Names_matches(const ConstraintRecord& record, int r, unsigned include, unsigned exclude);
// Rows with RowBound that still are no fixed bounds: `exclude` of the
// bound-row queries.
constexpr unsigned RowNoFixedBound = RowRhsVaries | RowGrouped;
// The variable number of each left-hand cell of a record (-1 for a cell
// that is no variable cell; all -1 when the record lies on another sheet);
// false when the cells cannot be matched.
bool Names_recordVariables(const ConstraintRecord& record, const CellList* variables,
                           std::vector<int>* numbers);
// Calls visit(record, numbers) for each matching record with its variable
// numbers, in record order; false when a record cannot be matched or the
// visit answers false.
template <class Visit>
bool Names_eachRecord(const ConstraintList* list, int r, unsigned include, unsigned exclude,
                      const CellList* variables, Visit visit) {
  if (!list || !variables) return false;
  std::vector<int> numbers;
  for (const ConstraintRecord& record : list->records) {
    if (!Names_matches(record, r, include, exclude)) continue;
    if (!Names_recordVariables(record, variables, &numbers) || !visit(record, numbers))
      return false;
  }
  return true;
}
int Names_countCells(const ConstraintList* list, int r, unsigned include, unsigned exclude);
int Names_maxRowCells(const ConstraintList* list);
// For every matching cell its variable number (-1 when it is no variable
// cell); groupSizes, when given, receives the cell count of each cell's row.
int Names_cellVariables(const ConstraintList* list, std::vector<int>* groupSizes, int r,
                        unsigned include, unsigned exclude, const CellList* variables,
                        std::vector<int>* out);

// One cell of the matching rows, with the text of its right-hand side.
struct ConstraintCell {
  int relation = 0;
  int row = 0;
  int sheetRow = 0;
  int column = 0;
  std::string rhsText;
};
int Names_cellOfRows(const ConstraintList* list, int r, unsigned include, unsigned exclude, int k,
                     ConstraintCell* out);
// The right-hand value for each left-hand cell of a record: a number as it
// is, a formula that does not vary with the variables as it evaluates now
// (an array element by element), a varying text or reference 0, a range
// cell by cell, else one value repeated. `out` holds the record's left-hand
// cell count.
int Names_rhsValues(const ConstraintRecord& record, double* out);

int Names_allDifferentGroups(const ConstraintList* list, const CellList* variables,
                             std::vector<int>* starts, std::vector<int>* members);
int Names_coneConstraints(const ConstraintList* list, const CellList* variables,
                          std::vector<int>* starts, std::vector<int>* kinds,
                          std::vector<int>* members);

// Scenario rows.
int Names_getScenarioRowCount(const ScenarioTable* table);
const CellList* Names_getScenarioCells(const ScenarioTable* table);
int Names_getScenarioRowValues(const ScenarioTable* table, int r, double* x, int first, int count);
int Names_setScenarioRowValues(ScenarioTable* table, int r, const double* x, int first, int count);
int Names_setScenarioRowValue(ScenarioTable* table, int r, int v, double value);
int Names_writeScenarioRow(const ScenarioTable* table, int r);
int Names_readScenarioRow(ScenarioTable* table, int r);
int Names_storeScenarioRow(LibraryContext* context, const ScenarioTable* table, int r);
int Names_storeScenarioRows(LibraryContext* context, const ScenarioTable* table);
