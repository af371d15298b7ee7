// The verdict of `corvan solve` on a run: the library's status, held against
// what the workbook's cells show at the point the run ended. A run leaves a
// solution only when that point gives the objective a number and satisfies
// every constraint by the test the constraint table uses, whatever status
// the engine reported; the status line says so when they disagree.
#include <cstdio>
#include <string>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Internal.h"
#include "platform/calc/Calc.h"

namespace {


bool hasIntegerConstraints(const FeModel& m) {
  for (const FeConstraint& c : m.constraints)
    if (c.relation == FeInteger || c.relation == FeBinary || c.relation == FeAllDifferent) return true;
  return false;
}

// What a status means for this model: without integer constraints the
// integer-solution limit counts the feasible points an engine found.
std::string meaning(const FeModel& m, int status) {
  if (status == StatusIntegerLimit && !hasIntegerConstraints(m))
    return "stopped after finding as many feasible points as \"solver_mip\" allows (the model has no integer "
           "constraints)";
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

}  // namespace

bool Fe_endedAtAPoint(int status) { return Eng_isSolution(status) || Eng_isEarlyStop(status); }

bool Fe_printVerdict(Workbook* wb, const FeModel& m, int status, const FeStartValues& start, const std::string& cause) {
  bool solution = Fe_endedAtAPoint(status) && Fe_pointIsFeasible(wb, m);
  const std::string because = solution || cause.empty() ? "" : ": " + cause;
  if (Eng_isSolution(status) && !solution) {
    std::printf("status %d (%s), but the point the run ended at is no solution%s\n", status, meaning(m, status).c_str(),
                because.c_str());
  } else {
    std::printf("status %d: %s%s\n", status, meaning(m, status).c_str(), because.c_str());
    if (solution) noteConstantObjective(wb, m, start);
  }
  return solution;
}
