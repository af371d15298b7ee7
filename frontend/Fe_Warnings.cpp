// Formula cells the stand-in cannot compute, reported once each: the cell,
// its formula and why, whether the file's value is kept, and whether the
// model stored in the workbook's solver names depends on it; and the
// functions this system does not calculate that a model calls.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "frontend/Fe_Internal.h"
#include "interpreter/Fn_Names.h"
#include "platform/calc/Calc.h"
#include "platform/calc/Calc_Internal.h"

namespace {

// The cells of the objective and of both sides of every constraint.
std::vector<CellRange> modelCells(const FeModel& m) {
  std::vector<CellRange> cells;
  if (m.hasObjective) cells.push_back(m.objective);
  for (const FeConstraint& c : m.constraints) {
    cells.push_back(c.lhs);
    if (c.rhsIsRange) cells.push_back(c.rhsRange);
  }
  return cells;
}

// A formula as the user typed it: without the prefixes its file gives
// newer functions ("_xlfn.NORM.DIST").
std::string typedFormula(const std::string& formula) {
  const std::string lower = Calc_lower(formula);
  std::string typed;
  for (size_t k = 0; k < formula.size();) {
    const bool prefix = lower.compare(k, 6, "_xlfn.") == 0 || lower.compare(k, 6, "_xlws.") == 0;
    if (prefix) k += 6;
    else typed += formula[k++];
  }
  return typed;
}

// A formula as a warning line shows it: whole when short, else its start
// and its length.
std::string shortFormula(const std::string& stored) {
  constexpr size_t kShown = 120;
  const std::string formula = typedFormula(stored);
  if (formula.size() <= kShown) return formula;
  return formula.substr(0, kShown) + "... (" + std::to_string(formula.size()) + " characters)";
}

// The calls of a formula to functions the interpreter does not calculate,
// each function once, with the cell `at`.
void uncalculatedCalls(const CalcNode& n, const std::string& at, std::vector<FeUncalculated>* calls) {
  if (n.op == CalcOp::Func && !Fn_isCalculated(n.text) &&
      std::none_of(calls->begin(), calls->end(), [&](const FeUncalculated& c) { return c.function == n.text; }))
    calls->push_back({n.text, at});
  for (const CalcNode& a : n.args) uncalculatedCalls(a, at, calls);
}

}  // namespace

void Fe_printWarnings(Workbook* wb, const FeModel* model) {
  std::vector<CalcWarning> all = Calc_warnings(wb);
  if (all.empty()) return;
  std::fflush(stdout);   // after what the command printed so far
  std::vector<CalcWarning> used;
  if (model) used = Calc_warningsFor(wb, modelCells(*model));
  for (const CalcWarning& w : all) {
    bool modelUses = false;
    for (const CalcWarning& u : used)
      modelUses = modelUses || (u.cell.sheet == w.cell.sheet && u.cell.row1 == w.cell.row1 && u.cell.col1 == w.cell.col1);
    std::fprintf(stderr, "corvan: warning: sheet '%s' cell %s: %s %s; %s%s\n",
                 wb->sheets[static_cast<size_t>(w.cell.sheet)]->name.c_str(), Wb_a1(w.cell.row1, w.cell.col1).c_str(),
                 shortFormula(w.formula).c_str(), w.reason.c_str(),
                 w.kept ? "it keeps the value its file stores" : "it is an error value",
                 modelUses ? "; the model depends on it" : "");
  }
}

std::string Fe_unknownFunctions(const std::vector<FeUncalculated>& calls, const std::string& calculator) {
  std::string list, older;
  for (size_t k = 0; k < calls.size(); ++k) {
    const std::string typed = Fn_typedName(calls[k].function);
    list += (k == 0 ? "" : k + 1 == calls.size() ? " and " : ", ") + typed +
            (calls[k].cell.empty() ? "" : " (in " + calls[k].cell + ")");
    if (const std::string name = Fn_olderName(typed); !name.empty())
      older += (older.empty() ? "" : ", ") + name + " for " + typed;
  }
  return list + (calls.size() == 1 ? ", a function " : ", functions ") + calculator + " does not calculate" +
         (older.empty() ? "" : "; it calculates the same under an older name: " + older);
}

std::string Fe_modelUnknownFunctions(Workbook* wb, const FeModel& m) {
  // Each function once, with the first cell that calls it.
  std::vector<FeUncalculated> calls;
  for (const CalcWarning& w : Calc_warningsFor(wb, modelCells(m))) {
    if (w.function.empty() ||
        std::any_of(calls.begin(), calls.end(), [&](const FeUncalculated& c) { return c.function == w.function; }))
      continue;
    calls.push_back({w.function, Fe_cellName(wb, w.cell.sheet, w.cell.row1, w.cell.col1)});
  }
  return calls.empty() ? "" : "the model uses " + Fe_unknownFunctions(calls);
}

void Fe_interpreterUncalculatedCalls(const std::string& formula, const std::string& cell,
                                     std::vector<FeUncalculated>* calls) {
  CalcNode tree;
  if (Calc_parse(formula, &tree, nullptr)) uncalculatedCalls(tree, cell, calls);
}

std::string Fe_modelInterpreterUncalculated(Workbook* wb, const FeModel& m) {
  std::vector<FeUncalculated> calls;
  for (const CellRange& cell : modelCells(m))
    for (int row = cell.row1; row <= cell.row2; ++row)
      for (int col = cell.col1; col <= cell.col2; ++col) {
        std::vector<CellRange> read = Calc_precedents(wb, cell.sheet, row, col, true);
        read.push_back({cell.sheet, row, col, row, col});
        for (const CellRange& a : read)
          wb->sheets[a.sheet]->cells.eachRowIn(a.row1, a.col1, a.row2, a.col2, [&](auto cells) {
            for (const auto& [key, c] : cells)
              if (!c.formula.empty())
                Fe_interpreterUncalculatedCalls(c.formula, Fe_cellName(wb, a.sheet, Wb_keyRow(key), Wb_keyCol(key)),
                                                &calls);
          });
      }
  return calls.empty() ? "" : "the model uses " + Fe_unknownFunctions(calls, "the interpreter");
}
