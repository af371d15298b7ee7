// Reading the constraint rows and the objective from the front end's names
// into a checked constraint list, with the relation codes normalised.
#include <cmath>

#include "excel/Names_Model.h"
#include "excel/Names_Options.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

struct RelationRule {
  int relation;
  unsigned flags;
  bool allDifferent;
  bool cone;
};

// Indexed by the front end's code 1..11.
constexpr RelationRule kRules[] = {
    {RelationLessEqual, 0, false, false},      {RelationEqual, 0, false, false},
    {RelationGreaterEqual, 0, false, false},   {RelationInteger, 0, false, false},
    {RelationInteger, RowKindA, false, false}, {RelationInteger, RowKindB, true, false},
    {RelationCone, RowKindA, false, true},     {RelationCone, RowKindB, false, true},
    {RelationLessEqual, RowGrouped, false, false}, {RelationEqual, RowGrouped, false, false},
    {RelationGreaterEqual, RowGrouped, false, false},
};

constexpr double kMaxRelationCode = 11;

// Left-hand cells: rows x columns of a one-area reference, else 0.
int lhsCells(const XLOPER* lhs) {
  int rows, columns;
  return lhs && Area_singleAreaSize(lhs, &rows, &columns) ? rows * columns : 0;
}

// Right-hand cells: 1 for a number; for a text, 1 when it gives one value
// and the left-hand count when it gives an array of the left-hand side's
// rows and columns (an array of any other shape gives 0); else the cells
// of a one-area reference.
int rhsCells(const XLOPER* rhs, const XLOPER* lhs) {
  if (!rhs) return 0;
  XLTYPE t = Xl_type(rhs);
  if (t == xltypeNum) return 1;
  int rows, columns;
  if (t != xltypeStr) return Area_singleAreaSize(rhs, &rows, &columns) ? rows * columns : 0;
  if (!Xl_evaluatedShape(rhs, &rows, &columns) || rows * columns == 1) return 1;
  int lhsRows, lhsColumns;
  bool same = Area_singleAreaSize(lhs, &lhsRows, &lhsColumns) && rows == lhsRows && columns == lhsColumns;
  return same ? rows * columns : 0;
}

bool readRow(LibraryContext* context, unsigned i, ConstraintList* list) {
  ConstraintRecord& record = list->records.emplace_back();
  record.row = static_cast<int>(i);
  record.lhs = Names_getOptionRef(context, OptLhs, i);
  // A code that is no whole number (2.5) is none of the relations.
  double code = Names_getNumberedReal(context, OptRel, i, 0);
  record.relation = code == std::floor(code) && code >= 0 && code <= kMaxRelationCode ? static_cast<int>(code) : 0;
  record.rhs = Names_getOptionRef(context, OptRhs, i);
  return Names_normaliseRelation(&record, &list->counts);
}

// Steps after reading: integer and cone rows compare against 0, and every
// row's sides must have matching sizes.
bool checkRecords(ConstraintList* list) {
  for (ConstraintRecord& record : list->records) {
    if (record.relation == RelationInteger || record.relation == RelationCone) {
      Xl_freeValue(record.rhs);
      record.rhs = Xl_newZero();
    }
  }
  for (ConstraintRecord& record : list->records) {
    int left = lhsCells(record.lhs), right = rhsCells(record.rhs, record.lhs);
    if (left == 0 || right == 0 || (right != left && right != 1)) return false;
    if (right > 1) record.flags |= RowElementwise;
  }
  for (ConstraintRecord& record : list->records) record.flags |= RowChecked;
  return true;
}

}  // namespace

int Names_normaliseRelation(ConstraintRecord* record, ModelCounts* counts) {
  int code = record->relation;
  if (code < 1 || code > 11) return 0;
  const RelationRule& rule = kRules[code - 1];
  record->relation = rule.relation;
  record->flags |= rule.flags;
  int cells = Area_totalCells(record->lhs);
  if (rule.allDifferent) {
    counts->allDifferentGroups += 1;
    counts->allDifferentCells += cells;
  }
  if (rule.cone) {
    counts->cones += 1;
    counts->coneCells += cells;
  }
  return 1;
}

int Names_readRobustMode(LibraryContext* context, int* mode) {
  int value = Names_getOption(context, OptRobustNum, 0);
  *mode = value >= 0 && value <= 2 ? value : -1;
  return *mode >= 0;
}

int Names_readObjective(LibraryContext* context, ConstraintList* list) {
  XLOPER* objective = Names_getOptionRef(context, OptOpt, 0);
  // No objective name: a model without one. A name that gives an error value
  // (a deleted cell's #REF!) is a model that cannot be read.
  if (!objective) return Names_isOptionDefined(context, OptOpt, 0) ? 0 : 1;
  ConstraintRecord& record = list->records.emplace_back();
  record.lhs = objective;
  record.flags = RowObjective;
  if (!Area_isSingleCell(objective)) return 0;
  switch (Names_getOption(context, OptTyp, 0)) {
    case 1:
      record.relation = RelationMaximise;
      break;
    case 2:
      record.relation = RelationMinimise;
      break;
    case 3:
      record.relation = RelationEqual;
      record.rhs = Names_getOptionRef(context, OptVal, 0);
      return record.rhs && Xl_type(record.rhs) == xltypeNum;
    default:
      return 0;
  }
  record.flags |= RowGrouped;
  record.rhs = Xl_newZero();
  return record.rhs != nullptr;
}

ConstraintList* Names_readConstraints(LibraryContext* context) {
  int n = Names_getOption(context, OptNum, 0);
  if (n < 0) return nullptr;
  auto* list = new ConstraintList;
  list->records.reserve(n + 1);
  bool ok = true;
  for (int i = 1; ok && i <= n; ++i) ok = readRow(context, static_cast<unsigned>(i), list);
  ok = ok && Names_readObjective(context, list) && !list->records.empty() && checkRecords(list);
  if (ok) return list;
  Names_freeConstraints(list);
  return nullptr;
}

void Names_freeConstraints(ConstraintList* list) {
  if (!list) return;
  for (ConstraintRecord& record : list->records) {
    Xl_freeValue(record.lhs);
    Xl_freeValue(record.rhs);
  }
  delete list;
}
