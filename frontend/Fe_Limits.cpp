// The limits report's numbers: for each variable cell, the least and the
// greatest value it can take while every other variable cell keeps its value
// in the solution and the constraints still hold, and the objective at each.
// Each is one more run of the library, with the model's names pointed at
// that one cell as both objective and variable; the names and the solution
// are put back afterwards.
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Verdict.h"
#include "platform/calc/Calc.h"

namespace {

enum Sense : int { SenseMax = 1, SenseMin = 2 };

// The model's names a limits run changes, kept to be put back.
struct SavedNames {
  int scope = -1;
  std::vector<DefinedName> names;
};

SavedNames saveNames(Workbook* wb, int sheet) {
  SavedNames saved;
  const DefinedName* opt = Wb_findName(wb, "solver_opt", sheet);
  saved.scope = opt ? opt->scopeSheet : sheet;
  for (int k = 0;; ++k) {
    std::string name = k == 0 ? "solver_adj" : "solver_adj" + std::to_string(k);
    const DefinedName* dn = Wb_findName(wb, name, sheet);
    if (!dn) break;
    saved.names.push_back(*dn);
  }
  for (const char* name : {"solver_opt", "solver_typ", "solver_msl"})
    if (const DefinedName* dn = Wb_findName(wb, name, sheet)) saved.names.push_back(*dn);
  return saved;
}

void putBack(Workbook* wb, const SavedNames& saved) {
  for (const char* name : {"solver_opt", "solver_typ", "solver_msl", "solver_adj"})
    Wb_deleteName(wb, name, saved.scope);
  for (const DefinedName& dn : saved.names) Wb_defineName(wb, dn);
}

// One run: the cell as objective and only variable, without multistart (the
// model's bounds on a range of variable cells are rows once one cell of it
// is the only variable, and a multistart run asks for bounds on each
// variable); false when the run leaves no solution. The cell's value and the
// objective's are read before the library puts the solution back.
bool runFor(FeSession* s, const FeModel& m, const SavedNames& saved, int row, int col, int sense, double* value,
            double* objective) {
  Workbook* wb = s->book;
  std::string cell = Wb_quoteSheetName(wb->sheets[m.sheet]->name) + "!" + Wb_a1(row, col, true);
  for (const DefinedName& dn : saved.names)
    if (dn.name.rfind("solver_adj", 0) == 0) Wb_deleteName(wb, dn.name, dn.scopeSheet);
  Wb_defineName(wb, DefinedName{"solver_adj", cell, saved.scope, true});
  Wb_defineName(wb, DefinedName{"solver_opt", cell, saved.scope, true});
  Wb_defineName(wb, DefinedName{"solver_typ", std::to_string(sense), saved.scope, true});
  Wb_defineName(wb, DefinedName{"solver_msl", "0", saved.scope, true});
  int status = Fe_action(s, ActionSolve);
  Fe_endProgress();
  Calc_recalculate(wb);
  bool found = Eng_isSolution(status) && Fe_pointIsFeasible(wb, m);
  const CellValue* v = Fe_value(wb, m.sheet, row, col);
  const CellValue* o = m.hasObjective ? Fe_value(wb, m.objective.sheet, m.objective.row1, m.objective.col1) : nullptr;
  *value = v ? v->number : 0;
  *objective = o ? o->number : 0;
  Fe_action(s, ActionRestore);
  Calc_recalculate(wb);
  return found;
}

}  // namespace

std::vector<FeLimit> Fe_limits(FeSession* s, const FeModel& m) {
  std::vector<FeLimit> limits;
  SavedNames saved = saveNames(s->book, m.sheet);
  for (const CellRange& a : m.variables)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        FeLimit l;
        l.lowerFound = runFor(s, m, saved, r, c, SenseMin, &l.lower, &l.lowerObjective);
        l.upperFound = runFor(s, m, saved, r, c, SenseMax, &l.upper, &l.upperObjective);
        limits.push_back(l);
        putBack(s->book, saved);
      }
  putBack(s->book, saved);
  return limits;
}
