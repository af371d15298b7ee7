// A GRG host over one of the shared nonlinear workbooks: the variables are
// the row-2 cells from B, their bounds rows 3 and 4, the objective B6 and the
// constraints rows 9 on (formula in B, relation text in C, right-hand side in
// D). Evaluations write the variable cells, recalculate and read the cells.
// Used by the engine tests and the benchmark.
#pragma once

#include <string>
#include <vector>

#include "engines/grg/Grg_Engine.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

struct GrgWorkbookModel {
  Workbook* wb = nullptr;
  Sheet* sheet = nullptr;
  int n = 0;
  std::vector<double> x0, lower, upper;
  std::vector<int> rowCells;              // sheet rows of the constraints
  std::vector<double> rowLower, rowUpper;
  std::vector<double> base;               // last point of evalProblem
  long evaluations = 0;
  double pre = 1e-6, cvg = 1e-8, stp = 1e-6;
  unsigned flags = 0;
};

inline double GrgWb_number(const Sheet* sh, int row, int col, double missing) {
  const Cell* c = Wb_findCell(sh, row, col);
  return c && c->value.kind == CellKind::Number ? c->value.number : missing;
}

// Reads the model of the workbook file; false when it does not open.
inline bool GrgWb_open(GrgWorkbookModel& m, const std::string& path) {
  std::string error;
  m.wb = Xlsx_open(path, &error);
  if (!m.wb) return false;
  int index = Wb_sheetIndex(m.wb, "Model");
  if (index < 0) return false;
  m.sheet = m.wb->sheets[index].get();
  for (int col = 1; Wb_findCell(m.sheet, 1, col); ++col) {
    m.x0.push_back(GrgWb_number(m.sheet, 1, col, 0.0));
    m.lower.push_back(GrgWb_number(m.sheet, 2, col, -1e30));
    m.upper.push_back(GrgWb_number(m.sheet, 3, col, 1e30));
  }
  m.n = static_cast<int>(m.x0.size());
  for (int row = 8; Wb_findCell(m.sheet, row, 0); ++row) {
    const Cell* rel = Wb_findCell(m.sheet, row, 2);
    double rhs = GrgWb_number(m.sheet, row, 3, 0.0);
    std::string text = rel ? rel->value.text : "";
    m.rowCells.push_back(row);
    m.rowLower.push_back(text == "<=" ? -1e30 : rhs);
    m.rowUpper.push_back(text == ">=" ? 1e30 : rhs);
  }
  m.base = m.x0;
  return true;
}

inline bool GrgWb_evaluate(GrgWorkbookModel& m, double* rows) {
  ++m.evaluations;
  for (int j = 0; j < m.n; ++j) Wb_setValue(m.wb, m.sheet, 1, 1 + j, CellValue::makeNumber(m.base[j]));
  Calc_recalculate(m.wb);
  int k = 0;
  for (int row : m.rowCells) {
    const Cell* c = Wb_findCell(m.sheet, row, 1);
    if (!c || c->value.kind != CellKind::Number) return false;
    rows[k++] = c->value.number;
  }
  const Cell* f = Wb_findCell(m.sheet, 5, 1);
  if (!f || f->value.kind != CellKind::Number) return false;
  rows[k] = f->value.number;
  return true;
}

inline GrgHost GrgWb_host(GrgWorkbookModel& model) {
  GrgHost h;
  h.user = &model;
  h.queryModel = [](void* u, int kind) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    switch (kind) {
      case QueryVariables: return m.n;
      case QueryRows: return static_cast<int>(m.rowCells.size()) + 1;
      case QueryObjectiveRow: return 1;
      default: return 0;
    }
  };
  h.optionFlags = [](void* u) { return static_cast<GrgWorkbookModel*>(u)->flags; };
  h.realOption = [](void* u, double* out, int kind) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    *out = kind == RealPrecision ? m.pre : kind == RealConvergence ? m.cvg : kind == RealStep ? m.stp : 1e-8;
    return 1;
  };
  h.initialValues = [](void* u, double* x) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    std::copy(m.x0.begin(), m.x0.end(), x);
    return 1;
  };
  h.bounds = [](void* u, double* l, double* up, double* rl, double* ru) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    std::copy(m.lower.begin(), m.lower.end(), l);
    std::copy(m.upper.begin(), m.upper.end(), up);
    std::copy(m.rowLower.begin(), m.rowLower.end(), rl);
    std::copy(m.rowUpper.begin(), m.rowUpper.end(), ru);
    rl[m.rowLower.size()] = -1e30;
    ru[m.rowUpper.size()] = 1e30;
    return 1;
  };
  h.evalProblem = [](void* u, double* rows, const double* x) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    m.base.assign(x, x + m.n);
    return GrgWb_evaluate(m, rows) ? 1 : 0;
  };
  h.evalTwoChanged = [](void* u, double* rows, int j, double xj, int k, double xk) {
    auto& m = *static_cast<GrgWorkbookModel*>(u);
    std::vector<double> keep = m.base;
    m.base[j] = xj;
    m.base[k] = xk;
    bool ok = GrgWb_evaluate(m, rows);
    m.base = keep;
    return ok ? 1 : 0;
  };
  h.progress = [](void*, int, int, double) { return 0; };
  return h;
}
