// Which model cell is not linear in the variable cells, by the workbook's
// own calculation: what the front end names when an engine that takes
// linear models only refused the model.
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "frontend/Fe_Model.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"

namespace {

// Models with more variable cells are not probed: each cell costs three
// recalculations.
constexpr int kMostProbedVariables = 50;
// A change that is not linear, relative to the values compared.
constexpr double kLinearTolerance = 1e-9;

struct Probe {
  Workbook* wb;
  std::vector<FeCellBounds> variables;  // their cells
  std::vector<double> start;            // the values they hold
  std::vector<FeCellBounds> cells;      // the objective and the constraint cells
};

// Sets variable k to `value` (the others at their start) and gives the
// model cells' values; false when one is no number.
bool valuesAt(Probe* p, size_t k, double value, std::vector<double>* out) {
  const FeCellBounds& v = p->variables[k];
  Wb_setValue(p->wb, p->wb->sheets[v.sheet].get(), v.row, v.col, CellValue::makeNumber(value));
  Calc_recalculate(p->wb);
  out->clear();
  for (const FeCellBounds& c : p->cells) {
    const CellValue* x = Fe_value(p->wb, c.sheet, c.row, c.col);
    if (!x || x->kind != CellKind::Number) return false;
    out->push_back(x->number);
  }
  return true;
}

bool bent(double f0, double f1, double f2) {
  return std::fabs(f2 - 2 * f1 + f0) > kLinearTolerance * (1 + std::fabs(f0) + std::fabs(f1) + std::fabs(f2));
}

// The first model cell whose second difference in some variable is not 0.
// The values at the start are read once; each variable is put back on its
// start after its two steps.
int firstBentCell(Probe* p) {
  std::vector<double> f0, f1, f2, back;
  if (p->variables.empty() || !valuesAt(p, 0, p->start[0], &f0)) return -1;
  size_t first = p->cells.size();
  for (size_t k = 0; k < p->variables.size(); ++k) {
    const double x = p->start[k];
    const bool read = valuesAt(p, k, x + 1, &f1) && valuesAt(p, k, x + 2, &f2);
    valuesAt(p, k, x, &back);
    for (size_t c = 0; read && c < first; ++c)
      if (bent(f0[c], f1[c], f2[c])) first = c;
  }
  return first < p->cells.size() ? static_cast<int>(first) : -1;
}

}  // namespace

std::string Fe_nonlinearCell(Workbook* wb, const FeModel& m) {
  Probe p{wb, Fe_variableBounds(wb, m), {}, {}};
  if (p.variables.empty() || p.variables.size() > kMostProbedVariables) return "";
  for (const FeCellBounds& v : p.variables) {
    const CellValue* x = Fe_value(wb, v.sheet, v.row, v.col);
    p.start.push_back(x && x->kind == CellKind::Number ? x->number : 0);
  }
  for (const FeConstraint& c : m.constraints)
    for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col) p.cells.push_back({c.lhs.sheet, row, col});
  if (m.hasObjective) p.cells.push_back({m.objective.sheet, m.objective.row1, m.objective.col1});
  const int at = firstBentCell(&p);
  if (at < 0) return "";
  const FeCellBounds& c = p.cells[static_cast<size_t>(at)];
  return Fe_cellName(wb, c.sheet, c.row, c.col);
}
