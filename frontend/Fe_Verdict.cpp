// The verdict of `corvan solve` on a run: the library's status, held against
// what the workbook's cells show at the point the run ended. A run leaves a
// solution only when that point gives the objective a number and satisfies
// every constraint by the test the constraint table uses and the bounds of
// the non-negative option, whatever status the engine reported; the status
// line says so when they disagree. When the interpreter computed the model
// for the engine, its values of the model's cells at that point must also be
// the workbook's: a formula the two calculations compute differently would
// have led the engine elsewhere.
// Integer cells a hair from a whole number are made whole first, and
// variable cells a hair past a bound put on it.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"

namespace {

// Gives a variable cell (a constant number, as variable cells are) the
// value `to` makes of its own; true when the cell changed.
template <class To>
bool moveCell(Workbook* wb, int sheet, int row, int col, To to) {
  Sheet* sh = wb->sheets[sheet].get();
  const Cell* cell = Wb_findCell(sh, row, col);
  if (!cell || !cell->formula.empty() || cell->value.kind != CellKind::Number) return false;
  const double x = cell->value.number, moved = to(x);
  if (moved == x) return false;
  Wb_setValue(wb, sh, row, col, CellValue::makeNumber(moved));
  return true;
}

// The whole number within the integer tolerance of x; x when there is none.
double wholeNear(double x) { return Fe_nearlyWhole(x) ? std::round(x) + 0.0 : x; }  // + 0.0: no negative zero

// An engine may stop a hair away from the whole number its search reached,
// or a hair past a bound: the point it leaves holds whole numbers in the
// integer, binary and alldifferent cells, and a variable cell past one of
// its bounds by no more than the model's feasibility tolerance (as the
// constraint table measures a row's miss) lies on that bound. A cell
// farther away stays, for the check to refuse. The workbook is recalculated
// when a cell changed; true then.
bool settlePoint(Workbook* wb, const FeModel& m) {
  bool changed = false;
  for (const FeCellBounds& b : Fe_variableBounds(wb, m))
    changed = moveCell(wb, b.sheet, b.row, b.col, [&](double x) {
                const double bound = x < b.lower ? b.lower : x > b.upper ? b.upper : x;
                return std::fabs(x - bound) <= m.feasibility * (1 + std::fabs(bound)) ? bound : x;
              }) || changed;
  for (const FeConstraint& c : m.constraints) {
    if (!Fe_isIntegerRelation(c.relation)) continue;
    for (int r = c.lhs.row1; r <= c.lhs.row2; ++r)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col)
        changed = moveCell(wb, c.lhs.sheet, r, col, wholeNear) || changed;
  }
  if (changed) Calc_recalculate(wb);
  return changed;
}

// What a status means for this model: without integer constraints the
// integer-solution limit counts the feasible points an engine found; the
// SOCP engine's status 5 comes from an infeasible dual as well, which an
// unbounded objective gives, so it says no more than what is known.
std::string meaning(const FeModel& m, int status) {
  if (status == StatusIntegerLimit && !Fe_hasIntegerConstraints(m))
    return "stopped after finding as many feasible points as \"solver_mip\" allows (the model has no integer "
           "constraints)";
  if (status == StatusInfeasible && m.engine == EngineSocp + 1)
    return "the model is infeasible or its objective unbounded";
  return Fe_statusMeaning(status);
}

// Whether any cell the objective reads, at any level, or the objective cell
// itself is a variable cell.
bool readsVariables(Workbook* wb, const FeModel& m) {
  const CellRange& o = m.objective;
  for (const CellRange& v : m.variables)
    if (Fe_overlaps(o, v)) return true;
  return Fe_variablesRead(wb, m, o) != nullptr;
}

// What an objective cell that reads no variable cell holds.
const char* content(const Cell* c) {
  if (!c || (c->formula.empty() && c->value.kind == CellKind::Empty)) return "is empty";
  if (c->formula.empty()) return "holds a constant";
  return "holds a formula that reads none of the variable cells";
}

// A note when the objective cannot move with the variables: its cell reads
// none of them at any level, and the run left its value where it started
// (a value that moved read them through a reference made at run time).
void noteConstantObjective(Workbook* wb, const FeModel& m, const FeStartValues& start) {
  if (!m.hasObjective || readsVariables(wb, m)) return;
  const CellRange& o = m.objective;
  const CellValue* v = Fe_value(wb, o.sheet, o.row1, o.col1);
  if (v && v->kind == CellKind::Number && v->number != start.objective) return;
  std::printf(
      "note: the objective cell %s %s, so it does not depend on the variables: every point that "
      "satisfies the constraints is as good as any other\n",
      Fe_cellName(wb, o.sheet, o.row1, o.col1).c_str(),
      content(Wb_findCell(wb->sheets[o.sheet].get(), o.row1, o.col1)));
}

// A value as the status line shows it; a number in every digit it has when
// `other`, the value it is set against, would show alike.
std::string shown(const CellValue& v, const CellValue& other) {
  if (v.kind != CellKind::Number) return v.kind == CellKind::Empty ? "empty" : Fe_notANumber(&v);
  if (other.kind != CellKind::Number || Fe_number(v.number) != Fe_number(other.number)) return Fe_number(v.number);
  char text[40];
  return std::string(text, std::to_chars(text, text + sizeof text, v.number).ptr);
}

// Units in the last place within which the two calculations' numbers
// agree: the rounding of one operation done in another order.
constexpr double kAgreeingUlps = 4;

// Numbers agree within a few units in the last place of the larger; an
// empty cell is 0; other values must be equal.
bool agree(const CellValue& a, const CellValue& b) {
  const auto number = [](const CellValue& v) { return v.kind == CellKind::Number || v.kind == CellKind::Empty; };
  if (number(a) && number(b)) {
    const double x = a.kind == CellKind::Empty ? 0 : a.number, y = b.kind == CellKind::Empty ? 0 : b.number;
    return std::fabs(x - y) <=
           kAgreeingUlps * std::numeric_limits<double>::epsilon() * std::max(std::fabs(x), std::fabs(y));
  }
  return a == b;
}

// Every area of cells the model reads: the objective, and both sides of
// each constraint that compares its cells with a right-hand side.
std::vector<CellRange> modelAreas(Workbook* wb, const FeModel& m) {
  std::vector<CellRange> areas;
  if (m.hasObjective) areas.push_back(m.objective);
  for (const FeConstraint& c : m.constraints) {
    areas.push_back(c.lhs);
    if (Fe_comparison(c.relation) > FeGreaterEqual) continue;
    for (const CellRange& a : Fe_rhsAreas(wb, c)) areas.push_back(a);
  }
  return areas;
}

// A cell whose value the interpreter computes otherwise than the workbook.
struct Difference {
  int sheet, row, col;
  CellValue interpreted, workbook;
};

CellValue workbookValue(Workbook* wb, int sheet, int row, int col) {
  const CellValue* own = Fe_value(wb, sheet, row, col);
  return own ? *own : CellValue{};
}

// The cells of the areas, in order, whose interpreted value differs from the
// workbook's (a cell the interpreter cannot compute is the run's own
// failure, not judged here). The values the library handed back are the
// interpreter's; the cells it did not hand back are compiled here.
std::vector<Difference> differences(Workbook* wb, const std::vector<CellRange>& areas,
                                    const FeInterpreted& handedBack) {
  FeInterpreted interpreted;
  Fe_interpretAreas(wb, areas, &interpreted, &handedBack);
  std::vector<Difference> found;
  for (const CellRange& a : areas)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        const auto value = interpreted.values.find({a.sheet, Wb_cellKey(r, c)});
        if (value == interpreted.values.end()) continue;
        const CellValue workbook = workbookValue(wb, a.sheet, r, c);
        if (!agree(value->second, workbook)) found.push_back({a.sheet, r, c, value->second, workbook});
      }
  return found;
}

// The first cell of the model whose value the interpreter computes otherwise
// than the workbook at the current point, with both values; "" when they
// all agree. A cell that differs is recalculated once more by the workbook:
// one whose value then changes reads a random draw or the clock, which has
// another value at each recalculation, and is not held against the run.
std::string interpreterDisagreement(Workbook* wb, const FeModel& m, const FeInterpreted& handedBack) {
  const std::vector<Difference> found = differences(wb, modelAreas(wb, m), handedBack);
  if (found.empty()) return "";
  Calc_recalculate(wb);
  for (const Difference& d : found) {
    if (!(workbookValue(wb, d.sheet, d.row, d.col) == d.workbook)) continue;
    return "the interpreter computes " + Fe_cellName(wb, d.sheet, d.row, d.col) + " as " +
           shown(d.interpreted, d.workbook) + " where the workbook computes " + shown(d.workbook, d.interpreted);
  }
  return "";
}

}  // namespace

bool Fe_endedAtAPoint(int status) { return Eng_isSolution(status) || Eng_isEarlyStop(status); }

bool Fe_printVerdict(Workbook* wb, const FeModel& m, int status, const FeStartValues& start,
                     const std::function<std::string()>& cause, bool interpreted) {
  // The library's values are of the point it left: a cell made whole since
  // moved the point, and every cell is then computed here.
  FeInterpreted handedBack = Fe_takeLibraryValues();
  if (Fe_endedAtAPoint(status) && settlePoint(wb, m)) handedBack = {};
  bool solution = Fe_endedAtAPoint(status) && Fe_pointIsFeasible(wb, m);
  const std::string differs = solution && interpreted ? interpreterDisagreement(wb, m, handedBack) : "";
  solution = solution && differs.empty();
  const std::string reason = !differs.empty() ? differs : solution || !cause ? "" : cause();
  const std::string because = solution || reason.empty() ? "" : ": " + reason;
  if (Eng_isSolution(status) && !solution) {
    std::printf("status %d (%s), but the point the run ended at is no solution%s\n", status, meaning(m, status).c_str(),
                because.c_str());
  } else {
    std::printf("status %d: %s%s\n", status, meaning(m, status).c_str(), because.c_str());
    if (solution) noteConstantObjective(wb, m, start);
  }
  return solution;
}
