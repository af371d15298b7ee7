// Dependence marks of the constraint rows: which right-hand sides move with
// the variable cells or the scenario cells (directly or through the cells
// they are computed from), which rows are plain bounds on variables, and
// which left-hand sides read the scenario cells.
#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

enum class Reach { No, Yes, Unknown };

bool sharesCell(const XLOPER* a, const XLOPER* b) {
  return Area_sheetOf(a) == Area_sheetOf(b) && Area_intersects(a, b);
}

// Whether `ref` shares a cell with `cells`, directly or through its precedents.
Reach reaches(const XLOPER* ref, const XLOPER* cells) {
  if (sharesCell(ref, cells)) return Reach::Yes;
  XLOPER* precedents = nullptr;
  if (!Xl_getPrecedents(ref, &precedents)) return Reach::Unknown;
  bool shared = precedents && sharesCell(precedents, cells);
  Xl_freeValue(precedents);
  return shared ? Reach::Yes : Reach::No;
}

// Whether a right-hand side varies with `cells`.
Reach rhsVaries(const ConstraintRecord& record, const XLOPER* cells) {
  const XLOPER* rhs = record.rhs;
  if (!rhs) return Reach::Unknown;
  switch (Xl_type(rhs)) {
    case xltypeNum:
      return Reach::No;
    case xltypeStr:
      return Reach::Yes;
    case xltypeRef:
    case xltypeSRef:
      if (Area_sheetOf(rhs) != Area_sheetOf(record.lhs)) return Reach::Yes;
      return reaches(rhs, cells);
    default:
      return Reach::Unknown;
  }
}

bool allVariableCells(const ConstraintRecord& record, const CellList* variables) {
  if (Area_sheetOf(record.lhs) != Area_sheetOf(variables->ref)) return false;
  std::vector<int> numbers(Area_totalCells(record.lhs));
  int n = Area_cellVariables(variables, record.lhs, numbers.data());
  if (n != static_cast<int>(numbers.size())) return false;
  for (int v : numbers)
    if (v < 0) return false;
  return true;
}

}  // namespace

int Names_markVariableDependence(ConstraintList* list, const CellList* variables) {
  if (!list || !variables) return 0;
  for (ConstraintRecord& record : list->records) {
    Reach varies = rhsVaries(record, variables->ref);
    if (varies == Reach::Unknown) return 0;
    if (varies == Reach::Yes)
      record.flags |= RowRhsVaries;
    else if (allVariableCells(record, variables))
      record.flags |= RowBound;
    bool integerKind = record.relation == RelationInteger;
    if (integerKind && (!(record.flags & RowBound) || (record.flags & RowRhsVaries))) return 0;
  }
  return 1;
}

int Names_markTableDependence(ConstraintList* list, const ScenarioTable* table) {
  if (!table) return 1;
  if (!list) return 0;
  for (ConstraintRecord& record : list->records) {
    Reach lhs = reaches(record.lhs, table->ref);
    Reach rhs = rhsVaries(record, table->ref);
    if (lhs == Reach::Unknown || rhs == Reach::Unknown) return 0;
    if (lhs == Reach::Yes) record.flags |= RowLhsOnTable;
    if (rhs == Reach::Yes) record.flags |= RowRhsOnTable;
  }
  return 1;
}
