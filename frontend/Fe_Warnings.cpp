// Formula cells the stand-in cannot compute, reported once each: the cell,
// its formula and why, whether the file's value is kept, and whether the
// model stored in the workbook's solver names depends on it; the functions
// this system does not calculate that a model calls; and a formula of the
// model past the limits of the files, which the calculation cannot read.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/Stored_Prefixes.h"
#include "base/Utf8_Text.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Words.h"
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

// The end of the call whose argument list opens at `open` in `formula` (the
// place of its closing parenthesis; the formula's size when it has none).
size_t closingParen(const std::string& formula, size_t open) {
  int depth = 0;
  for (size_t k = open; k < formula.size(); ++k) {
    if (formula[k] == '"') k = formula.find('"', k + 1);
    if (k == std::string::npos) break;
    if (formula[k] == '(') ++depth;
    if (formula[k] == ')' && --depth == 0) return k;
  }
  return formula.size();
}

// A formula as the user typed it: without the prefixes its file gives names
// ("_xlfn.NORM.DIST", "_xlpm.x"), and the stored function SINGLE shown as the
// operator "@" it stands for. Texts in quotes stay as they are.
std::string typedFormula(const std::string& formula) {
  const std::string singleCall = std::string(kStoredSingle) + "(";
  std::string typed;
  std::vector<size_t> dropped;  // the closing parentheses of the SINGLE calls
  for (size_t k = 0; k < formula.size();) {
    if (formula[k] == '"') {
      const size_t end = std::min(formula.find('"', k + 1), formula.size() - 1);
      typed += formula.substr(k, end + 1 - k);
      k = end + 1;
    } else if (const size_t n = Stored_prefixAt(formula, k); n > 0) {
      k += n;
      if (Utf8_compareNoCase(std::string_view(formula).substr(k, singleCall.size()), singleCall) == 0) {
        dropped.push_back(closingParen(formula, k + singleCall.size() - 1));
        typed += '@';
        k += singleCall.size();
      }
    } else {
      if (std::find(dropped.begin(), dropped.end(), k) == dropped.end()) typed += formula[k];
      ++k;
    }
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

// Whether the call `n` computes what the older name of its function would:
// true unless the older name takes one form of an argument and the call
// gives it another, or one that is not a constant.
bool computesAsOlder(const CalcNode& n) {
  int at = 0;
  bool cumulative = true;
  if (!Fn_olderNameTakesOneForm(n.text, &at, &cumulative)) return true;
  if (static_cast<size_t>(at) >= n.args.size()) return false;
  const CalcNode& arg = n.args[static_cast<size_t>(at)];
  const CellKind kind = arg.value.kind;
  return arg.op == CalcOp::Literal && (kind == CellKind::Boolean || kind == CellKind::Number) &&
         (arg.value.number != 0) == cumulative;
}

// Notes the call `n`, in the cell `at`, of a function that is not
// calculated: each function once, with the first cell that calls it, and
// whether every call of it computes what its older name would.
void noteCall(const CalcNode& n, const std::string& at, std::vector<FeUncalculated>* calls) {
  const std::string typed = Fn_typedName(n.text);
  auto same = std::find_if(calls->begin(), calls->end(),
                           [&](const FeUncalculated& c) { return Fn_typedName(c.function) == typed; });
  if (same == calls->end()) return calls->push_back({n.text, at, computesAsOlder(n)});
  same->olderComputesIt = same->olderComputesIt && computesAsOlder(n);
}

// The calls of the formula tree `n` (of the cell `at`) to the function
// `function`, or to any function the interpreter does not calculate when
// `function` is empty, noted as above.
void callsIn(const CalcNode& n, const std::string& function, const std::string& at,
             std::vector<FeUncalculated>* calls) {
  if (n.op == CalcOp::Func &&
      (function.empty() ? !Fn_isCalculated(n.text) : Fn_typedName(n.text) == Fn_typedName(function)))
    noteCall(n, at, calls);
  for (const CalcNode& a : n.args) callsIn(a, function, at, calls);
}

// The worksheet functions of the formula tree `n` that the interpreter
// calculates, each once by its typed name, in the order they are met.
void calculatedIn(const CalcNode& n, std::vector<std::string>* functions) {
  if (n.op == CalcOp::Func && Fn_isCalculated(n.text)) {
    const std::string typed = Fn_typedName(n.text);
    if (std::find(functions->begin(), functions->end(), typed) == functions->end()) functions->push_back(typed);
  }
  for (const CalcNode& a : n.args) calculatedIn(a, functions);
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
                 Fe_visibleText(shortFormula(w.formula)).c_str(), w.reason.c_str(),
                 w.kept ? "it keeps the value its file stores" : "it is an error value",
                 modelUses ? "; the model depends on it" : "");
  }
}

bool Fe_olderNameComputesAll(const std::string& function) {
  int at = 0;
  bool cumulative = true;
  return !Fn_olderNameTakesOneForm(function, &at, &cumulative);
}

std::string Fe_unknownFunctions(const std::vector<FeUncalculated>& calls, const std::string& calculator) {
  std::string list, older;
  for (size_t k = 0; k < calls.size(); ++k) {
    const std::string typed = Fn_typedName(calls[k].function);
    list += (k == 0 ? "" : k + 1 == calls.size() ? " and " : ", ") + typed +
            (calls[k].cell.empty() ? "" : " (in " + calls[k].cell + ")");
    if (const std::string name = Fn_olderName(typed); !name.empty() && calls[k].olderComputesIt)
      older += (older.empty() ? "" : ", ") + name + " for " + typed;
  }
  return list + (calls.size() == 1 ? ", a function " : ", functions ") + calculator + " does not calculate" +
         (older.empty() ? "" : "; it calculates the same under an older name: " + older);
}

std::string Fe_modelUnknownFunctions(Workbook* wb, const FeModel& m) {
  std::vector<FeUncalculated> calls;
  for (const CalcWarning& w : Calc_warningsFor(wb, modelCells(m))) {
    if (w.function.empty()) continue;
    const std::string cell = Fe_cellName(wb, w.cell.sheet, w.cell.row1, w.cell.col1);
    CalcNode tree;
    if (Calc_parse(w.formula, &tree, nullptr)) callsIn(tree, w.function, cell, &calls);
    // A call the formula makes through a defined name: its arguments are not at hand.
    if (std::none_of(calls.begin(), calls.end(),
                     [&](const FeUncalculated& c) { return Fn_typedName(c.function) == Fn_typedName(w.function); }))
      calls.push_back({w.function, cell, Fe_olderNameComputesAll(w.function)});
  }
  return calls.empty() ? "" : "the model uses " + Fe_unknownFunctions(calls);
}

std::string Fe_modelUnreadFormula(Workbook* wb, const FeModel& m) {
  for (const CalcWarning& w : Calc_warningsFor(wb, modelCells(m))) {
    // A cell that holds an error value stops the run at its first
    // evaluation, which names it.
    const CellValue* value = Fe_value(wb, w.cell.sheet, w.cell.row1, w.cell.col1);
    std::string why;
    if ((value && value->kind == CellKind::Error) || !Calc_formulaPastLimits(w.formula, &why)) continue;
    return "the formula of " + Fe_cellName(wb, w.cell.sheet, w.cell.row1, w.cell.col1) + " cannot be read (" + why +
           "), so the model cannot be solved: the cell would keep the value its file stores, whatever the "
           "variable cells hold";
  }
  return "";
}

void Fe_interpreterUncalculatedCalls(const std::string& formula, const std::string& cell,
                                     std::vector<FeUncalculated>* calls) {
  CalcNode tree;
  if (Calc_parse(formula, &tree, nullptr)) callsIn(tree, "", cell, calls);
}

void Fe_calculatedCalls(const std::string& formula, std::vector<std::string>* functions) {
  CalcNode tree;
  if (Calc_parse(formula, &tree, nullptr)) calculatedIn(tree, functions);
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
