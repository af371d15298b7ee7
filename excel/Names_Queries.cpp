// Structural questions about a read model: cell counts and variable numbers
// of filtered rows, right-hand texts and values per cell, alldifferent
// groups, cones, integer kinds and the bounds that bound rows imply.
#include <algorithm>

#include "excel/Names_Model.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"

namespace {

constexpr unsigned kBoundExclusions = RowRhsVaries | RowGrouped;

bool matches(const ConstraintRecord& record, int r, unsigned include, unsigned exclude) {
  return (r == 0 || r == record.relation) && (record.flags & include) != 0 &&
         (record.flags & exclude) == 0;
}

int cellsOf(const ConstraintRecord& record) { return Area_totalCells(record.lhs); }

// Variable numbers of the cells of each matching record, record by record.
template <class Visit>
bool eachMatchingRecord(const ConstraintList* list, int r, unsigned include, unsigned exclude,
                        const CellList* variables, Visit visit) {
  if (!list || !variables) return false;
  for (const ConstraintRecord& record : list->records) {
    if (!matches(record, r, include, exclude)) continue;
    std::vector<int> numbers(cellsOf(record));
    bool sameSheet = Area_sheetOf(record.lhs) == Area_sheetOf(variables->ref);
    if (Area_cellVariables(variables, record.lhs, numbers.data()) != int(numbers.size()))
      return false;
    if (!sameSheet) std::fill(numbers.begin(), numbers.end(), -1);
    if (!visit(record, numbers)) return false;
  }
  return true;
}

}  // namespace

int Names_countCells(const ConstraintList* list, int r, unsigned include, unsigned exclude) {
  int total = 0;
  if (list)
    for (const ConstraintRecord& record : list->records)
      if (matches(record, r, include, exclude)) total += cellsOf(record);
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
  bool ok = eachMatchingRecord(list, r, include, exclude, variables,
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
    if (!matches(record, r, include, exclude)) continue;
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

int Sess_getConstraintCell(const ConstraintList* list, int k, ConstraintCell* out) {
  return Names_cellOfRows(list, 0, RowBound, kBoundExclusions, k, out);
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
  return eachMatchingRecord(list, RelationInteger, RowKindB, kBoundExclusions, variables,
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
  return eachMatchingRecord(list, RelationCone, RowKindA | RowKindB, 0, variables,
                            [&](const ConstraintRecord& record, const std::vector<int>& numbers) {
                              kinds->push_back(record.flags & RowKindA ? 1 : 2);
                              members->insert(members->end(), numbers.begin(), numbers.end());
                              starts->push_back(int(members->size()));
                              return true;
                            });
}

int Sess_getIntegerFlags(const ConstraintList* list, const CellList* variables,
                         bool withAllDifferent, int* flags) {
  std::vector<int> cells;
  if (!Names_cellVariables(list, nullptr, RelationInteger, RowBound, 0, variables, &cells))
    return 0;
  for (int v : cells)
    if (v >= 0) flags[v] = 1;
  if (!Names_cellVariables(list, nullptr, RelationInteger, RowKindA, 0, variables, &cells))
    return 0;
  for (int v : cells) {
    if (v < 0) return 0;
    flags[v] = 2;
  }
  if (!withAllDifferent) return 1;
  std::vector<int> starts, members;
  if (!Names_allDifferentGroups(list, variables, &starts, &members)) return 0;
  for (std::size_t g = 0; g + 1 < starts.size(); ++g)
    for (int m = starts[g]; m < starts[g + 1]; ++m)
      if (members[m] >= 0) flags[members[m]] = 3 + int(g);
  return 1;
}

namespace {

// Applies the bound rows of relation r, cell by cell.
bool applyBounds(const ConstraintList* list, const CellList* variables, int r, unsigned include,
                 double* lower, double* upper) {
  return eachMatchingRecord(
      list, r, include, kBoundExclusions, variables,
      [&](const ConstraintRecord& record, const std::vector<int>& numbers) {
        std::vector<double> values(numbers.size());
        if (!Names_rhsValues(record, values.data())) return false;
        for (std::size_t k = 0; k < numbers.size(); ++k) {
          int v = numbers[k];
          if (v < 0) return false;
          if (r == RelationLessEqual || r == RelationEqual) upper[v] = std::min(upper[v], values[k]);
          if (r == RelationGreaterEqual || r == RelationEqual) lower[v] = std::max(lower[v], values[k]);
        }
        return true;
      });
}

// Integer kinds imply [low, high]; a different explicit bound is a conflict.
bool applyKindBounds(const ConstraintList* list, const CellList* variables, unsigned kind,
                     double* lower, double* upper, double defaultLower, double defaultUpper) {
  return eachMatchingRecord(
      list, RelationInteger, kind, kBoundExclusions, variables,
      [&](const ConstraintRecord&, const std::vector<int>& numbers) {
        double n = double(numbers.size());
        double low = kind == RowKindA ? 0.0 : 1.0;
        double high = kind == RowKindA ? 1.0 : n;
        if (n < 1) return false;
        for (int v : numbers) {
          if (v < 0) return false;
          if (upper[v] != high && upper[v] != defaultUpper) return false;
          if (lower[v] != low && lower[v] != defaultLower) return false;
          upper[v] = high;
          lower[v] = low;
        }
        return true;
      });
}

}  // namespace

int Sess_deriveVariableBounds(const ConstraintList* list, const CellList* variables, double* lower,
                              double* upper, double defaultLower, double defaultUpper) {
  for (int r : {RelationLessEqual, RelationGreaterEqual, RelationEqual})
    if (!applyBounds(list, variables, r, RowBound, lower, upper)) return 0;
  for (unsigned kind : {unsigned(RowKindA), unsigned(RowKindB)})
    if (!applyKindBounds(list, variables, kind, lower, upper, defaultLower, defaultUpper))
      return 0;
  return 1;
}
