// Structural questions about a read model: cell counts and variable numbers
// of filtered rows, right-hand texts and values per cell, alldifferent
// groups and cones.
#include <algorithm>

#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

int cellsOf(const ConstraintRecord& record) { return Area_totalCells(record.lhs); }

}  // namespace

bool Names_matches(const ConstraintRecord& record, int r, unsigned include, unsigned exclude) {
  return (r == 0 || r == record.relation) && (record.flags & include) != 0 &&
         (record.flags & exclude) == 0;
}

bool Names_recordVariables(const ConstraintRecord& record, const CellList* variables,
                           std::vector<int>* numbers) {
  numbers->assign(cellsOf(record), -1);
  if (Area_cellVariables(variables, record.lhs, numbers->data()) != int(numbers->size()))
    return false;
  if (Area_sheetOf(record.lhs) != Area_sheetOf(variables->ref))
    std::fill(numbers->begin(), numbers->end(), -1);
  return true;
}

int Names_countCells(const ConstraintList* list, int r, unsigned include, unsigned exclude) {
  int total = 0;
  if (list)
    for (const ConstraintRecord& record : list->records)
      if (Names_matches(record, r, include, exclude)) total += cellsOf(record);
  return total;
}

int Names_maxRowCells(const ConstraintList* list) {
  int most = 0;
  if (list)
    for (const ConstraintRecord& record : list->records) most = std::max(most, cellsOf(record));
  return most;
}

int Names_cellVariables(const ConstraintList* list, std::vector<int>* groupSizes, int r,
                        unsigned include, unsigned exclude, const CellList* variables,
                        std::vector<int>* out) {
  out->clear();
  if (groupSizes) groupSizes->clear();
  bool ok = Names_eachRecord(list, r, include, exclude, variables,
                             [&](const ConstraintRecord&, const std::vector<int>& numbers) {
                               out->insert(out->end(), numbers.begin(), numbers.end());
                               if (groupSizes)
                                 groupSizes->insert(groupSizes->end(), numbers.size(),
                                                    int(numbers.size()));
                               return true;
                             });
  return ok && int(out->size()) == Names_countCells(list, r, include, exclude);
}

int Names_cellOfRows(const ConstraintList* list, int r, unsigned include, unsigned exclude, int k,
                     ConstraintCell* out) {
  if (!list || k < 0) return 0;
  for (const ConstraintRecord& record : list->records) {
    if (!Names_matches(record, r, include, exclude)) continue;
    int cells = cellsOf(record);
    if (k >= cells) {
      k -= cells;
      continue;
    }
    if (record.row == 0) return 0;
    out->relation = record.relation;
    out->row = record.row;
    if (!Area_cellOfSingleArea(record.lhs, k, &out->sheetRow, &out->column)) return 0;
    int element = record.flags & RowElementwise ? k : 0;
    return Xl_elementText(record.rhs, element, &out->rhsText);
  }
  return 0;
}

int Names_rhsValues(const ConstraintRecord& record, double* out) {
  int cells = cellsOf(record);
  const XLOPER* rhs = record.rhs;
  if (!rhs || cells < 1) return 0;
  double single = 0.0;
  XLTYPE t = Xl_type(rhs);
  if (t == xltypeNum) {
    single = rhs->val.num;
  } else if ((t == xltypeRef || t == xltypeSRef) && !(record.flags & RowRhsVaries)) {
    if (record.flags & RowElementwise) return Area_readSideValues(rhs, out) == cells;
    if (Area_readSideValues(rhs, &single) != 1) return 0;
  } else if (t == xltypeStr && !(record.flags & RowRhsVaries)) {
    if (record.flags & RowElementwise) return Xl_evaluateNumbers(rhs, cells, out);
    if (!Xl_evaluateNumbers(rhs, 1, &single)) return 0;
  } else if (t != xltypeStr && t != xltypeRef && t != xltypeSRef) {
    return 0;
  }
  std::fill(out, out + cells, single);
  return 1;
}

int Names_allDifferentGroups(const ConstraintList* list, const CellList* variables,
                             std::vector<int>* starts, std::vector<int>* members) {
  starts->assign(1, 0);
  members->clear();
  return Names_eachRecord(list, RelationInteger, RowKindB, RowNoFixedBound, variables,
                          [&](const ConstraintRecord&, const std::vector<int>& numbers) {
                            members->insert(members->end(), numbers.begin(), numbers.end());
                            starts->push_back(int(members->size()));
                            return true;
                          });
}

int Names_coneConstraints(const ConstraintList* list, const CellList* variables,
                          std::vector<int>* starts, std::vector<int>* kinds,
                          std::vector<int>* members) {
  starts->assign(1, 0);
  kinds->clear();
  members->clear();
  return Names_eachRecord(list, RelationCone, RowKindA | RowKindB, 0, variables,
                          [&](const ConstraintRecord& record, const std::vector<int>& numbers) {
                            kinds->push_back(record.flags & RowKindA ? 1 : 2);
                            members->insert(members->end(), numbers.begin(), numbers.end());
                            starts->push_back(int(members->size()));
                            return true;
                          });
}
