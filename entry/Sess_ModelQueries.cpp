// The session's questions about the read model that need the constraint
// list and the variable cells together: integer kinds, implied bounds and
// the cells of the bound rows.
#include "entry/Sess_ModelQueries.h"

#include <algorithm>
#include <cmath>
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

// A binary cell takes 0 or 1 within whatever bounds its rows give it (x >= 1
// fixes it at 1); an empty range is left for the engine to report.
bool applyBinaryBounds(const ConstraintList* list, const CellList* variables, double* lower, double* upper) {
  return Names_eachRecord(list, RelationInteger, RowKindA, RowNoFixedBound, variables,
                          [&](const ConstraintRecord&, const std::vector<int>& numbers) {
                            for (int v : numbers) {
                              if (v < 0) return false;
                              lower[v] = std::max(0.0, std::ceil(lower[v]));
                              upper[v] = std::min(1.0, std::floor(upper[v]));
                            }
                            return true;
                          });
}

// An alldifferent group of n cells implies [1, n]; a different explicit
// bound is a conflict.
bool applyAllDifferentBounds(const ConstraintList* list, const CellList* variables, double* lower, double* upper,
                             double defaultLower, double defaultUpper) {
  return Names_eachRecord(list, RelationInteger, RowKindB, RowNoFixedBound, variables,
                          [&](const ConstraintRecord&, const std::vector<int>& numbers) {
                            double n = double(numbers.size());
                            if (n < 1) return false;
                            for (int v : numbers) {
                              if (v < 0) return false;
                              if (upper[v] != n && upper[v] != defaultUpper) return false;
                              if (lower[v] != 1.0 && lower[v] != defaultLower) return false;
                              upper[v] = n;
                              lower[v] = 1.0;
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
  return applyBinaryBounds(list, variables, lower, upper) &&
         applyAllDifferentBounds(list, variables, lower, upper, defaultLower, defaultUpper);
}

int Sess_getConstraintCell(const ConstraintList* list, int k, ConstraintCell* out) {
  return Names_cellOfRows(list, 0, RowBound, RowNoFixedBound, k, out);
}
