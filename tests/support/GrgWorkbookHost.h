// A GRG host over one of the shared nonlinear workbooks: the variables are
// the row-2 cells from B, their bounds rows 3 and 4, the objective B6 and the
// constraints rows 9 on (formula in B, relation text in C, right-hand side in
// D). Evaluations write the variable cells, recalculate and read the cells;
// the rest is the function host's. Used by the engine tests and the benchmark.
#pragma once

#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/GrgFunctionHost.h"

// Opened, the model must stay where it is: its `eval` refers to it.
struct GrgWorkbookModel : GrgFunctionModel {
  Workbook* wb = nullptr;
  Sheet* sheet = nullptr;
  std::vector<int> rowCells;  // sheet rows of the constraints
};

inline double GrgWb_number(const Sheet* sh, int row, int col, double missing) {
  const Cell* c = Wb_findCell(sh, row, col);
  return c && c->value.kind == CellKind::Number ? c->value.number : missing;
}

// The constraint rows, then the objective, at x.
inline bool GrgWb_evaluate(GrgWorkbookModel& m, const double* x, double* rows) {
  for (int j = 0; j < m.n; ++j) Wb_setValue(m.wb, m.sheet, 1, 1 + j, CellValue::makeNumber(x[j]));
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
  m.rowLower.push_back(-1e30);  // the objective
  m.rowUpper.push_back(1e30);
  m.rows = static_cast<int>(m.rowLower.size());
  m.eval = [&m](const double* x, double* rows) { return GrgWb_evaluate(m, x, rows); };
  return true;
}

inline HostServices GrgWb_host(GrgWorkbookModel& model) { return GrgFn_host(model); }
