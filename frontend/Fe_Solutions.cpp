// The solutions of a system of equations, as the engine that solved it lists
// them in its table of texts below the report rows of the result range: a
// statistics row whose fifth and seventh numbers are the table's width (12)
// and its kind (11); then the table, whose first row holds the mode ("3" for
// a system of equations) and, seventh, the number of solutions; then the
// variable cells' addresses ("RrCc") and each solution's values, n to a
// solution, in reading order.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "platform/calc/Calc.h"

namespace {

constexpr int kTableColumns = 12;
constexpr double kTableKind = 11;
constexpr int kModeColumn = 0, kCountColumn = 6;
constexpr const char* kEquationsMode = "3";

// Whether the cell of row r and column k of the result range holds x.
bool isNumber(const FeSession* s, int r, int k, double x) {
  const CellValue* v = Fe_resultCell(s, r, k);
  return v && v->kind == CellKind::Number && v->number == x;
}

std::string textIn(const FeSession* s, int r, int k) {
  const CellValue* v = Fe_resultCell(s, r, k);
  return v && v->kind == CellKind::Text ? v->text : "";
}

// The table's texts in reading order, from the row after its statistics
// row; empty when the range holds no table of a system's solutions. The
// cells are read in place: most runs list no solutions, and the range is
// mostly empty.
std::vector<std::string> solutionTable(const FeSession* s) {
  for (int r = 0; r + 1 < s->resultRows; ++r) {
    if (!isNumber(s, r, 4, kTableColumns) || !isNumber(s, r, 6, kTableKind) ||
        textIn(s, r + 1, kModeColumn) != kEquationsMode)
      continue;
    std::vector<std::string> texts;
    for (int t = r + 1; t < s->resultRows; ++t)
      for (int k = 0; k < kTableColumns; ++k) texts.push_back(textIn(s, t, k));
    return texts;
  }
  return {};
}

// A value in the number format of the variable cell it belongs to.
std::string shown(Workbook* wb, int sheet, int row, int col, double x) {
  const Cell* c = Wb_findCell(wb->sheets[sheet].get(), row, col);
  return Calc_displayText(CellValue::makeNumber(x), c ? c->numberFormat.str() : std::string());
}

}  // namespace

void Fe_printSolutions(FeSession* s, const FeModel& m) {
  const std::vector<std::string> texts = solutionTable(s);
  const size_t n = static_cast<size_t>(Fe_variableCells(m));
  if (texts.empty() || n == 0) return;
  const size_t count = static_cast<size_t>(std::atoi(texts[kCountColumn].c_str()));
  std::vector<std::vector<std::string>> table{{"solution"}};
  const int sheet = m.variables.empty() ? m.sheet : m.variables[0].sheet;
  std::vector<std::pair<int, int>> cells;
  for (size_t i = 0; i < n; ++i) {
    int row = 0, col = 0;
    const size_t at = kTableColumns + i;
    if (at >= texts.size() || std::sscanf(texts[at].c_str(), "R%dC%d", &row, &col) != 2) return;
    cells.push_back({row - 1, col - 1});
    table[0].push_back(Fe_cellName(s->book, sheet, row - 1, col - 1));
  }
  for (size_t k = 0; k < count; ++k) {
    std::vector<std::string> line{std::to_string(k + 1)};
    for (size_t i = 0; i < n; ++i) {
      const size_t at = kTableColumns + (k + 1) * n + i;
      if (at >= texts.size()) return;
      line.push_back(shown(s->book, sheet, cells[i].first, cells[i].second, std::atof(texts[at].c_str())));
    }
    table.push_back(line);
  }
  Fe_printTable("solutions (" + std::to_string(count) + ")", table);
}
