// What `corvan solve` prints after the status: the engine, the objective with
// its cell, the variable cells with their labels, and the constraint table
// (cell, label, value, relation, right-hand side, slack, binding), numbers in
// each cell's own number format. The same table tells whether the point the
// run left in the workbook is a solution.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/Utf8_Text.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/calc/Calc_Internal.h"

namespace {

// A whole number is within this much of a value the integer rows accept.
constexpr double kIntegerTolerance = 1e-6;
// Significant digits of a number printed without a format of its own.
constexpr int kShownDigits = 10;

}  // namespace

bool Fe_rhsValue(Workbook* wb, const FeConstraint& c, int k, double* out) {
  if (c.rhsIsRange) {
    int row, col;
    Fe_rhsCell(c, k, &row, &col);
    const CellValue* p = Fe_value(wb, c.rhsRange.sheet, row, col);
    *out = p ? p->number : 0;
    return !p || p->kind == CellKind::Number || p->kind == CellKind::Empty;
  }
  CalcEvalResult e;
  if (c.rhsFormula.empty() || !Calc_evaluate(wb, c.lhs.sheet, c.rhsFormula, &e) || e.value.values.empty() ||
      !Fe_rhsFits(c, e.value))
    return false;
  return Fe_rhsNumber(e.value.values[e.value.values.size() == 1 ? 0 : static_cast<size_t>(k)], out);
}

bool Fe_rhsNumber(const CellValue& v, double* out) {
  *out = v.number;
  if (v.kind == CellKind::Text) return Calc_textToNumber(v.text, out);
  return v.kind == CellKind::Number || v.kind == CellKind::Empty;
}

bool Fe_rhsFits(const FeConstraint& c, const CalcArray& value) {
  return value.values.size() == 1 ||
         (value.rows == c.lhs.row2 - c.lhs.row1 + 1 && value.cols == c.lhs.col2 - c.lhs.col1 + 1);
}

namespace {

// Whether an integer, binary or alldifferent row holds: a whole number, 0 or
// 1 for a binary one. Under "solver_rlx" the integer conditions are
// relaxed: any number holds, a binary one within its bounds 0 and 1.
bool wholeRowHolds(const FeConstraintRow& row, bool relaxed, double tolerance) {
  if (!row.numeric) return false;
  if (relaxed) return row.relation != FeBinary || (row.value >= -tolerance && row.value <= 1 + tolerance);
  return Fe_nearlyWhole(row.value) && (row.relation != FeBinary || (row.value > -0.5 && row.value < 1.5));
}

// Judges a row: a comparison holds when it misses by no more than the
// model's feasibility tolerance ("solver_fea"), taken relative to
// 1 + |right-hand side|.
void judge(FeConstraintRow* row, const FeModel& m) {
  const double tolerance = m.feasibility * (1 + std::fabs(row->rhs));
  if (row->relation == FeCone || row->relation == FeCone2) return;   // judged by the engine alone
  switch (Fe_comparison(row->relation)) {
    case FeLessEqual: row->slack = row->rhs - row->value; break;
    case FeGreaterEqual: row->slack = row->value - row->rhs; break;
    case FeEqual: row->slack = std::fabs(row->value - row->rhs); break;
    default: row->satisfied = wholeRowHolds(*row, m.relaxed, tolerance); return;
  }
  if (Fe_comparison(row->relation) == FeEqual) {
    row->satisfied = row->numeric && row->slack <= tolerance;
    row->binding = true;
    if (row->satisfied) row->slack = 0;
    return;
  }
  row->satisfied = row->numeric && row->slack >= -tolerance;
  row->binding = row->numeric && std::fabs(row->slack) <= tolerance;
  if (row->binding) row->slack = 0;
}

// An alldifferent group of n cells holds distinct whole numbers 1 to n:
// a cell of it that holds a whole number (its row, judged alone) breaks the
// group when it lies outside 1 to n or repeats an earlier cell's number.
// Under "solver_rlx" the group keeps only its bounds 1 and n.
void judgeAllDifferent(std::vector<FeConstraintRow>::iterator first, std::vector<FeConstraintRow>::iterator last,
                       const FeModel& m) {
  const double n = static_cast<double>(last - first);
  std::vector<double> seen;
  for (auto row = first; row != last; ++row) {
    if (!row->satisfied) continue;
    if (m.relaxed) {
      row->satisfied = row->value >= 1 - m.feasibility * (1 + 1) && row->value <= n + m.feasibility * (1 + n);
      continue;
    }
    const double x = std::round(row->value);
    row->satisfied = x >= 1 && x <= n && std::find(seen.begin(), seen.end(), x) == seen.end();
    seen.push_back(x);
  }
}

// A number in the format of the cell it belongs to.
std::string inFormat(Workbook* wb, int sheet, int row, int col, double x) {
  const Cell* c = Wb_findCell(wb->sheets[sheet].get(), row, col);
  if (!c || c->numberFormat.empty()) return Fe_number(x);
  return Calc_displayText(CellValue::makeNumber(x), c->numberFormat);
}

std::string rhsText(Workbook* wb, const FeConstraint& c, const FeConstraintRow& row) {
  if (Fe_comparison(row.relation) > FeGreaterEqual) return "";
  if (c.rhsIsRange) {
    int k = (row.row - c.lhs.row1) * (c.lhs.col2 - c.lhs.col1 + 1) + (row.col - c.lhs.col1);
    int rr, cc;
    Fe_rhsCell(c, k, &rr, &cc);
    const int sheet = c.rhsRange.sheet;
    std::string where = sheet == c.lhs.sheet ? Wb_a1(rr, cc) : Fe_cellName(wb, sheet, rr, cc);
    return Fe_shownValue(wb, sheet, rr, cc) + " (" + where + ")";
  }
  return c.rhsFormula;
}

// Fe_cellName of the cells of the results, each sheet's prefix made once
// rather than once for each cell.
struct CellNames {
  const Workbook* wb;
  std::vector<std::string> prefixes;   // "Sheet!" by sheet index, "" until asked for
};

std::string cellName(CellNames* names, int sheet, int row, int col) {
  if (names->prefixes.empty()) names->prefixes.resize(names->wb->sheets.size());
  std::string& prefix = names->prefixes[static_cast<size_t>(sheet)];
  if (prefix.empty()) prefix = Fe_sheetPrefix(names->wb, sheet);
  return prefix + Wb_a1(row, col);
}

}  // namespace

std::string Fe_number(double x) {
  // As printf's "%.10g" writes it, without parsing a format for each number.
  char text[40];
  const std::to_chars_result end = std::to_chars(text, text + sizeof text, x, std::chars_format::general, kShownDigits);
  return std::string(text, end.ptr);
}

void Fe_rhsCell(const FeConstraint& c, int k, int* row, int* col) {
  const CellRange& r = c.rhsRange;
  bool one = Fe_cellsIn(r) == 1;
  int width = r.col2 - r.col1 + 1;
  *row = one ? r.row1 : r.row1 + k / width;
  *col = one ? r.col1 : r.col1 + k % width;
}

std::vector<FeConstraintRow> Fe_constraintRows(Workbook* wb, const FeModel& m) {
  std::vector<FeConstraintRow> rows;
  for (const FeConstraint& c : m.constraints) {
    const size_t first = rows.size();
    int k = 0;
    for (int r = c.lhs.row1; r <= c.lhs.row2; ++r)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col, ++k) {
        FeConstraintRow row{c.lhs.sheet, r, col, c.relation};
        const CellValue* v = Fe_value(wb, c.lhs.sheet, r, col);
        row.numeric = !v || v->kind == CellKind::Number || v->kind == CellKind::Empty;
        row.value = v ? v->number : 0;
        if (Fe_comparison(c.relation) <= FeGreaterEqual) row.numeric = Fe_rhsValue(wb, c, k, &row.rhs) && row.numeric;
        judge(&row, m);
        rows.push_back(row);
      }
    if (c.relation == FeAllDifferent) judgeAllDifferent(rows.begin() + static_cast<std::ptrdiff_t>(first), rows.end(), m);
  }
  return rows;
}

std::vector<FeConstraintRow> Fe_nonNegativeRows(Workbook* wb, const FeModel& m) {
  std::vector<FeConstraintRow> rows;
  if (!m.nonNegative) return rows;
  for (const FeCellBounds& b : Fe_variableBounds(wb, m)) {
    if (!b.lowerByOption) continue;
    FeConstraintRow row{b.sheet, b.row, b.col, FeGreaterEqual};
    const CellValue* v = Fe_value(wb, b.sheet, b.row, b.col);
    row.value = v && v->kind == CellKind::Number ? v->number : 0;
    judge(&row, m);
    rows.push_back(row);
  }
  return rows;
}

bool Fe_nearlyWhole(double x) { return std::fabs(x - std::round(x)) <= kIntegerTolerance; }

bool Fe_pointIsFeasible(Workbook* wb, const FeModel& m) {
  if (m.hasObjective) {
    const CellValue* v = Fe_value(wb, m.objective.sheet, m.objective.row1, m.objective.col1);
    if (v && v->kind != CellKind::Number && v->kind != CellKind::Empty) return false;
  }
  const auto broken = [](const std::vector<FeConstraintRow>& rows) {
    return std::any_of(rows.begin(), rows.end(), [](const FeConstraintRow& row) { return !row.satisfied; });
  };
  return !broken(Fe_constraintRows(wb, m)) && !broken(Fe_nonNegativeRows(wb, m));
}

void Fe_appendTable(std::string* text, const std::string& title, const std::vector<std::vector<std::string>>& rows) {
  if (rows.size() <= 1) return;
  std::vector<size_t> width;
  for (const auto& row : rows)
    for (size_t k = 0; k < row.size(); ++k) {
      if (width.size() <= k) width.push_back(0);
      width[k] = std::max(width[k], Utf8_columns(row[k]));
    }
  *text += '\n';
  *text += title;
  *text += '\n';
  for (const auto& row : rows) {
    const size_t start = text->size();
    *text += ' ';
    for (size_t k = 0; k < row.size(); ++k) {
      *text += ' ';
      *text += row[k];
      text->append(width[k] - Utf8_columns(row[k]) + 1, ' ');
    }
    while (text->size() > start && text->back() == ' ') text->pop_back();
    *text += '\n';
  }
}

void Fe_printTable(const std::string& title, const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  Fe_appendTable(&text, title, rows);
  if (!text.empty()) Fe_printBlock(text);
}

void Fe_printResults(Workbook* wb, const FeModel& m, const std::string& engineName) {
  std::string text;
  if (!engineName.empty()) text += "engine: " + engineName + "\n";
  FeLabels labels{wb, {}, {}, {}};
  CellNames names{wb, {}};
  if (m.hasObjective) {
    const CellRange& o = m.objective;
    std::string label = Fe_label(&labels, o.sheet, o.row1, o.col1);
    text += std::string("objective (") + Fe_senseName(m.sense) + ") " + cellName(&names, o.sheet, o.row1, o.col1) +
            (label.empty() ? "" : " " + label) + " = " + Fe_shownValue(wb, o.sheet, o.row1, o.col1) + "\n";
  }
  std::vector<std::vector<std::string>> variables{{"cell", "name", "value"}};
  for (const CellRange& a : m.variables)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c)
        variables.push_back(
            {cellName(&names, a.sheet, r, c), Fe_label(&labels, a.sheet, r, c), Fe_shownValue(wb, a.sheet, r, c)});
  Fe_appendTable(&text, "variable cells", variables);
  std::vector<std::vector<std::string>> table{{"cell", "name", "value", "relation", "right-hand side", "slack", "status"}};
  std::vector<FeConstraintRow> rows = Fe_constraintRows(wb, m);
  size_t at = 0;
  for (const FeConstraint& c : m.constraints)
    for (int k = 0; k < Fe_cellsIn(c.lhs); ++k, ++at) {
      const FeConstraintRow& row = rows[at];
      bool bound = Fe_comparison(row.relation) <= FeGreaterEqual;
      const char* status = !row.satisfied ? "violated" : !bound ? "" : row.binding ? "binding" : "not binding";
      table.push_back({cellName(&names, row.sheet, row.row, row.col), Fe_label(&labels, row.sheet, row.row, row.col),
                       Fe_shownValue(wb, row.sheet, row.row, row.col), Fe_relationName(row.relation),
                       rhsText(wb, c, row), bound ? inFormat(wb, row.sheet, row.row, row.col, row.slack) : "", status});
    }
  Fe_appendTable(&text, "constraints", table);
  if (!text.empty()) Fe_printBlock(text);
}

FeStartValues Fe_startValues(Workbook* wb, const FeModel& m) {
  FeStartValues start;
  if (m.hasObjective) {
    const CellValue* v = Fe_value(wb, m.objective.sheet, m.objective.row1, m.objective.col1);
    start.objective = v ? v->number : 0;
  }
  for (const CellRange& a : m.variables)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        const CellValue* v = Fe_value(wb, a.sheet, r, c);
        start.variables.push_back(v ? v->number : 0);
      }
  return start;
}
