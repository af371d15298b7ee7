// Why a model cannot be solved, in words that send the user to the place at
// fault: every line names the workbook file and the sheet, then the name or
// the cell and what is wrong with it. In a batch over many files each line
// stands on its own.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "frontend/Fe_Internal.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

// What a cell holds that is no number, as a phrase ("" for a number or nothing).
std::string notANumber(const CellValue* v) {
  if (!v) return "";
  switch (v->kind) {
    case CellKind::Text: return "the text \"" + v->text + "\"";
    case CellKind::Error: return Wb_errorText(v->error);
    case CellKind::Boolean: return v->number != 0 ? "TRUE" : "FALSE";
    default: return "";
  }
}

void say(const std::string& text) { std::fprintf(stderr, "%s%s\n", Fe_where().c_str(), text.c_str()); }

// The objective cell holding no number.
bool explainObjective(Workbook* wb, const FeModel& m) {
  if (!m.hasObjective) return false;
  std::string held = notANumber(Fe_value(wb, m.objective.sheet, m.objective.row1, m.objective.col1));
  if (held.empty()) return false;
  say("the objective cell " + Fe_cellName(wb, m.objective.sheet, m.objective.row1, m.objective.col1) +
      " (\"solver_opt\") holds " + held + ", not a number");
  return true;
}

// The first constraint cell, or right-hand cell, holding no number.
bool explainConstraintCells(Workbook* wb, const FeModel& m) {
  for (const FeConstraint& c : m.constraints) {
    std::string number = std::to_string(c.number);
    int k = 0;
    for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col, ++k) {
        std::string cell = Fe_cellName(wb, c.lhs.sheet, row, col);
        std::string held = notANumber(Fe_value(wb, c.lhs.sheet, row, col));
        if (!held.empty()) {
          say("the cell " + cell + " of constraint " + number + " (\"solver_lhs" + number + "\") holds " + held +
              ", not a number");
          return true;
        }
        if (!c.rhsIsRange || Fe_comparison(c.relation) > FeGreaterEqual) continue;
        int rr, cc;
        Fe_rhsCell(c, k, &rr, &cc);
        held = notANumber(Fe_value(wb, c.rhsRange.sheet, rr, cc));
        if (held.empty()) continue;
        say("the right-hand side cell " + Fe_cellName(wb, c.rhsRange.sheet, rr, cc) + " of constraint " + number +
            " (\"solver_rhs" + number + "\", for " + cell + ") holds " + held + ", not a number");
        return true;
      }
  }
  return false;
}

// The bounds the constraints on one variable cell give it, with the
// constraints that give them.
struct Bounds {
  double lower = -1e300, upper = 1e300;
  int lowerFrom = 0, upperFrom = 0;
  bool binary = false;
  bool crossed() const { return binary ? std::ceil(lower) > std::floor(upper) : lower > upper; }
};

void tighten(Bounds* b, int relation, double value, int constraint) {
  int comparison = Fe_comparison(relation);
  if (relation == FeBinary) {
    b->binary = true;
    tighten(b, FeGreaterEqual, 0, constraint);
    tighten(b, FeLessEqual, 1, constraint);
    return;
  }
  if ((comparison == FeGreaterEqual || comparison == FeEqual) && value > b->lower)
    b->lower = value, b->lowerFrom = constraint;
  if ((comparison == FeLessEqual || comparison == FeEqual) && value < b->upper)
    b->upper = value, b->upperFrom = constraint;
}

// A variable cell whose constraints leave it no value (x >= 2 on a binary cell).
bool explainCrossedBounds(Workbook* wb, const FeModel& m) {
  std::map<std::pair<int, int>, Bounds> bounds;
  for (const FeConstraint& c : m.constraints) {
    if (c.relation != FeBinary && Fe_comparison(c.relation) > FeGreaterEqual) continue;
    int k = 0;
    for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col, ++k) {
        double value = 0;
        if (!Fe_isVariableCell(m, row, col) || (c.relation != FeBinary && !Fe_rhsValue(wb, c, k, &value))) continue;
        tighten(&bounds[{row, col}], c.relation, value, c.number);
      }
  }
  for (const auto& [cell, b] : bounds) {
    if (!b.crossed()) continue;
    char text[160];
    std::snprintf(text, sizeof text, "at least %.10g (constraint %d) and at most %.10g (constraint %d)", b.lower,
                  b.lowerFrom, b.upper, b.upperFrom);
    say("the variable cell " + Fe_cellName(wb, m.sheet, cell.first, cell.second) +
        " can take no value: its constraints ask for " + text);
    return true;
  }
  return false;
}

// The first constraint cell the point breaks, with its value, relation and
// right-hand side as the constraint table shows them.
bool explainViolatedRow(Workbook* wb, const FeModel& m) {
  std::vector<FeConstraintRow> rows = Fe_constraintRows(wb, m);
  size_t at = 0;
  for (const FeConstraint& c : m.constraints)
    for (int k = 0; k < Fe_cellsIn(c.lhs); ++k, ++at) {
      const FeConstraintRow& row = rows[at];
      if (row.satisfied) continue;
      std::string number = std::to_string(c.number);
      std::string asked = Fe_comparison(row.relation) <= FeGreaterEqual
                              ? std::string(Fe_relationName(row.relation)) + " " + Fe_number(row.rhs)
                              : Fe_relationName(row.relation);
      say("the point the run ended at breaks constraint " + number + " (\"solver_lhs" + number +
          "\"): " + Fe_cellName(wb, row.sheet, row.row, row.col) + " is " + Fe_number(row.value) + ", not " + asked);
      return true;
    }
  return false;
}

}  // namespace

void Fe_printFaults(const FeModel& m) {
  for (const std::string& f : m.faults) say(f);
}

void Fe_explainFailure(Workbook* wb, const FeModel& m, bool modelRefused, bool endedAtAPoint,
                       const std::string& engine) {
  if (!m.faults.empty() && modelRefused) {
    Fe_printFaults(m);
    return;
  }
  if (engine.empty()) {
    say("\"solver_eng\" is " + std::to_string(m.engine) +
        ", which names no engine; `corvan engines BOOK` lists their numbers");
    return;
  }
  if (explainObjective(wb, m) || explainConstraintCells(wb, m) || explainCrossedBounds(wb, m)) return;
  if (endedAtAPoint && !explainViolatedRow(wb, m)) say("the point the run ended at does not satisfy the constraints");
}
