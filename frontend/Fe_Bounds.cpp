// The bounds the model gives its variable cells, as the library derives
// them from the constraints and the non-negative option: what the final
// check holds the point a run left against.
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "frontend/Fe_Model.h"
#include "platform/calc/Calc.h"

namespace {

bool inRange(const CellRange& a, int sheet, int row, int col) {
  return a.sheet == sheet && row >= a.row1 && row <= a.row2 && col >= a.col1 && col <= a.col2;
}

// Whether every cell of the range is a variable cell.
bool allVariableCells(const FeModel& m, const CellRange& r) {
  for (int row = r.row1; row <= r.row2; ++row)
    for (int col = r.col1; col <= r.col2; ++col)
      if (std::none_of(m.variables.begin(), m.variables.end(),
                       [&](const CellRange& v) { return inRange(v, r.sheet, row, col); }))
        return false;
  return true;
}

// A comparison of variable cells with a right-hand side that reads none of
// them: the library takes it as bounds, not as a row. Grouped rows are rows.
bool isBoundRow(Workbook* wb, const FeModel& m, const FeConstraint& c) {
  if (c.relation != FeLessEqual && c.relation != FeEqual && c.relation != FeGreaterEqual) return false;
  if (!allVariableCells(m, c.lhs)) return false;
  const std::vector<CellRange> read = Fe_rhsAreas(wb, c);
  return std::none_of(read.begin(), read.end(), [&](const CellRange& a) { return Fe_rangeReadsVariables(wb, m, a); });
}

// Narrows the bounds of the constraint's cells: a bound row by its
// right-hand side (a cell whose side is no number gives none), a binary
// cell to [0, 1], a cell of an alldifferent group of n to [1, n].
void applyConstraint(Workbook* wb, const FeModel& m, const FeConstraint& c,
                     const std::unordered_map<std::uint64_t, size_t>& at, std::vector<FeCellBounds>* bounds) {
  const bool bound = isBoundRow(wb, m, c);
  if (!bound && c.relation != FeBinary && c.relation != FeAllDifferent) return;
  const double n = static_cast<double>(Fe_cellsIn(c.lhs));
  int k = 0;
  for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
    for (int col = c.lhs.col1; col <= c.lhs.col2; ++col, ++k) {
      const auto cell = at.find(Fe_labelKey(c.lhs.sheet, col, row));
      if (cell == at.end()) continue;
      FeCellBounds& b = (*bounds)[cell->second];
      double low = c.relation == FeBinary ? 0 : 1, high = c.relation == FeBinary ? 1 : n;
      if (bound) {
        double rhs = 0;
        if (!Fe_rhsValue(wb, c, k, &rhs)) continue;
        low = c.relation == FeLessEqual ? -kBoundInfinity : rhs;
        high = c.relation == FeGreaterEqual ? kBoundInfinity : rhs;
      }
      b.lower = std::max(b.lower, low);
      b.upper = std::min(b.upper, high);
    }
}

}  // namespace

bool Fe_rangeReadsVariables(Workbook* wb, const FeModel& m, const CellRange& r) {
  for (const CellRange& v : m.variables)
    if (Fe_overlaps(r, v)) return true;
  const Sheet* sheet = wb->sheets[static_cast<size_t>(r.sheet)].get();
  for (int row = r.row1; row <= r.row2; ++row)
    for (int col = r.col1; col <= r.col2; ++col) {
      const Cell* cell = Wb_findCell(sheet, row, col);
      if (!cell || (cell->formula.empty() && cell->arrayBlock < 0)) continue;  // a constant reads nothing
      if (Fe_variablesRead(wb, m, CellRange{r.sheet, row, col, row, col})) return true;
    }
  return false;
}

std::vector<CellRange> Fe_rhsAreas(Workbook* wb, const FeConstraint& c) {
  if (c.rhsIsRange) return {c.rhsRange};
  CalcEvalResult r;
  if (c.rhsFormula.empty() || !Calc_evaluateReference(wb, c.lhs.sheet, c.rhsFormula, &r)) return {};
  return r.isReference ? r.areas : Calc_textReads(wb, c.lhs.sheet, c.rhsFormula);
}

std::vector<FeCellBounds> Fe_variableBounds(Workbook* wb, const FeModel& m) {
  std::vector<FeCellBounds> bounds;
  std::unordered_map<std::uint64_t, size_t> at;  // by Fe_labelKey, each cell once
  for (const CellRange& a : m.variables)
    for (int row = a.row1; row <= a.row2; ++row)
      for (int col = a.col1; col <= a.col2; ++col)
        if (at.emplace(Fe_labelKey(a.sheet, col, row), bounds.size()).second)
          bounds.push_back({a.sheet, row, col, -kBoundInfinity, kBoundInfinity, false});
  for (const FeConstraint& c : m.constraints) applyConstraint(wb, m, c, at, &bounds);
  for (FeCellBounds& b : bounds)
    if (m.nonNegative && b.lower <= -kBoundInfinity) {
      b.lower = 0;
      b.lowerByOption = true;
    }
  return bounds;
}
