// The session's questions about the read model that need the constraint
// list and the variable cells together: integer kinds, implied bounds and
// the cells of the bound rows.
#include "entry/Sess_ModelQueries.h"

#include <algorithm>
#include <vector>

#include "excel/Names_Model.h"

namespace {

// Applies the bound rows of relation r, cell by cell.
bool applyBounds(const ConstraintList* list, const CellList* variables, int r, unsigned include,
                 double* lower, double* upper) {
  return Names_eachRecord(list, r, include, RowNoFixedBound, variables,
                          [&](const ConstraintRecord& record, const std::vector<int>& numbers) {
                            std::vector<double> values(numbers.size());
                            if (!Names_rhsValues(record, values.data())) return false;
                            for (std::size_t k = 0; k < numbers.size(); ++k) {
                              int v = numbers[k];
                              if (v < 0) return false;
                              if (r == RelationLessEqual || r == RelationEqual)
                                upper[v] = std::min(upper[v], values[k]);
                              if (r == RelationGreaterEqual || r == RelationEqual)
                                lower[v] = std::max(lower[v], values[k]);
                            }
                            return true;
                          });
}

// Integer kinds imply [low, high]; a different explicit bound is a conflict.
bool applyKindBounds(const ConstraintList* list, const CellList* variables, unsigned kind,
                     double* lower, double* upper, double defaultLower, double defaultUpper) {
  return Names_eachRecord(list, RelationInteger, kind, RowNoFixedBound, variables,
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

int Sess_deriveVariableBounds(const ConstraintList* list, const CellList* variables, double* lower,
                              double* upper, double defaultLower, double defaultUpper) {
  for (int r : {RelationLessEqual, RelationGreaterEqual, RelationEqual})
    if (!applyBounds(list, variables, r, RowBound, lower, upper)) return 0;
  for (unsigned kind : {unsigned(RowKindA), unsigned(RowKindB)})
    if (!applyKindBounds(list, variables, kind, lower, upper, defaultLower, defaultUpper)) return 0;
  return 1;
}

int Sess_getConstraintCell(const ConstraintList* list, int k, ConstraintCell* out) {
  return Names_cellOfRows(list, 0, RowBound, RowNoFixedBound, k, out);
}
