// The model as a sheet's solver_* names hold it, read by the front end as the
// library reads it (option codes rounded to whole numbers as the callback
// interface coerces them, relation codes whole or none, the objective,
// right-hand sides and variable cells on any one sheet): to
// print results by cell and label, to list the models of a workbook, and to
// say in words why the library could not read a model. The verdict on a run
// is the library's status held against the cells (Fe_Verdict.cpp).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/Dbl_Whole.h"
#include "base/Utf8_Text.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc.h"
#include "platform/calc/Calc_Internal.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

constexpr int kMaxRelation = FeGroupedGreaterEqual;

// The name as the sheet's formulas see it; nullptr when not defined.
const DefinedName* findModelName(Workbook* wb, int sheet, const std::string& name) {
  return Wb_findName(wb, name, sheet);
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string sheetName(const Workbook* wb, int sheet) {
  return "'" + wb->sheets[static_cast<size_t>(sheet)]->name + "'";
}

// The parts of a definition that commas outside quotes and parentheses
// separate ("Plan!$B$2,Other!$B$2" gives two).
std::vector<std::string> unionParts(const std::string& definition) {
  std::vector<std::string> parts(1);
  int depth = 0;
  bool inQuotes = false;
  for (char ch : definition) {
    if (ch == '\'' || ch == '"') inQuotes = !inQuotes;
    if (!inQuotes) depth += ch == '(' ? 1 : ch == ')' ? -1 : 0;
    if (ch == ',' && !inQuotes && depth == 0) parts.emplace_back();
    else parts.back() += ch;
  }
  return parts;
}

// The sheets a union of references reaches, in the order written; empty
// unless the definition is such a union over more than one sheet.
std::vector<int> unionSheets(Workbook* wb, int sheet, const std::string& definition) {
  std::vector<int> sheets;
  for (const std::string& part : unionParts(definition)) {
    CalcEvalResult r;
    if (!Calc_evaluateReference(wb, sheet, part, &r) || !r.isReference) return {};
    for (const CellRange& a : r.areas)
      if (std::find(sheets.begin(), sheets.end(), a.sheet) == sheets.end()) sheets.push_back(a.sheet);
  }
  return sheets.size() > 1 ? sheets : std::vector<int>{};
}

// Why a formula gives #NAME? or #VALUE!: a name it uses that the workbook
// does not define, a circle of names or a name that cannot be read, or
// names defined through more names than a formula follows.
std::string nameFault(const Workbook* wb, int sheet, const std::string& formula, const CellValue& v) {
  if (v.kind != CellKind::Error || (v.error != CellError::Name && v.error != CellError::Value)) return "";
  const std::string missing = v.error == CellError::Name ? Calc_missingName(wb, sheet, formula) : "";
  if (!missing.empty())
    return ": it refers to the name " + quoted(missing) + ", " + Fe_undefinedName(wb, sheet, missing);
  if (const std::string chain = Fe_nameChainFault(wb, sheet, formula); !chain.empty()) return ": " + chain;
  if (v.error != CellError::Name || !Calc_namesTooDeep(wb, sheet, formula)) return "";
  return ": its names are nested more than " + std::to_string(kCalcMaxNameDepth) +
         " deep (a name defined through a name, and so on), deeper than a formula follows them";
}

// Why a model name's definition gives an error value: what its names show
// (nameFault), a reference to deleted cells, or references on several
// sheets, which no one reference holds; "" when none of these.
std::string errorCause(Workbook* wb, int sheet, const std::string& definition, CellError error) {
  if (const std::string names = nameFault(wb, sheet, definition, CellValue::makeError(error)); !names.empty())
    return names;
  if (error == CellError::Ref && definition.find("#REF!") != std::string::npos)
    return ": the cells it referred to were deleted (its definition reads " + definition + "); define it anew";
  const std::vector<int> sheets = error == CellError::Value ? unionSheets(wb, sheet, definition) : std::vector<int>{};
  if (sheets.empty()) return "";
  std::string list;
  for (size_t k = 0; k < sheets.size(); ++k)
    list += (k == 0 ? "" : k + 1 == sheets.size() ? " and " : ", ") + sheetName(wb, sheets[k]);
  return ": it refers to cells on sheets " + list + "; they must all be on sheet " + sheetName(wb, sheet) +
         " with the model";
}

// Evaluates the name on the sheet; false (with a fault) when it is missing,
// gives an error value or does not parse.
bool evaluateName(Workbook* wb, int sheet, const std::string& name, CalcEvalResult* r, std::vector<std::string>* faults,
                  const std::string& what) {
  if (!findModelName(wb, sheet, name)) {
    faults->push_back(what + " (" + quoted(name) + ") are not defined");
    return false;
  }
  if (!Calc_evaluate(wb, sheet, "!" + name, r)) {
    faults->push_back(quoted(name) + " cannot be read");
    return false;
  }
  if (!r->isReference && !r->value.values.empty() && r->value.values[0].kind == CellKind::Error) {
    const CellError error = r->value.values[0].error;
    faults->push_back(quoted(name) + " gives " + Wb_errorText(error) + " instead of " + what +
                      errorCause(wb, sheet, findModelName(wb, sheet, name)->definition, error));
    return false;
  }
  return true;
}

// A name's number (its default when it is missing); false when it holds
// something else.
bool numberOf(Workbook* wb, int sheet, const std::string& name, double* out) {
  if (!findModelName(wb, sheet, name)) return true;
  CalcEvalResult r;
  if (!Calc_evaluate(wb, sheet, "!" + name, &r) || r.value.values.empty()) return false;
  // A reference gives a number only as one cell.
  if (r.isReference && (r.areas.size() != 1 || Fe_cellsIn(r.areas[0]) != 1)) return false;
  const CellValue& v = r.value.values[0];
  if (v.kind == CellKind::Number) *out = v.number;
  return v.kind == CellKind::Number;
}

// A range the library's references can hold (kXlcRows rows, kXlcCols
// columns); else a fault naming the name, the limit and the first cell past it.
bool withinReferences(Workbook* wb, const CellRange& a, const std::string& name, std::vector<std::string>* faults) {
  const std::string beyond = Fe_beyondGrid(wb, a, quoted(name), kXlcRows, kXlcCols, "the library's references");
  if (!beyond.empty()) faults->push_back(beyond);
  return beyond.empty();
}

// What a name that should hold a number holds, as a fault names it: the
// number ("1000000000") or what it is instead ("the text \"abc\"").
std::string heldValue(Workbook* wb, int sheet, const std::string& name) {
  CalcEvalResult r;
  if (!Calc_evaluate(wb, sheet, "!" + name, &r) || r.value.values.empty()) return "no value";
  const CellValue& v = r.value.values[0];
  return v.kind == CellKind::Number ? Fe_number(v.number) : Fe_notANumber(&v);
}

// A name's code (its default when it is missing), rounded to the nearest
// whole number as the library's integer reading rounds it; false when it
// holds anything else or a number beyond the int range.
bool wholeOf(Workbook* wb, int sheet, const std::string& name, int* out) {
  double x = *out;
  return numberOf(wb, sheet, name, &x) && Dbl_toWhole(std::round(x), out);
}

// A single-area reference on any sheet, else a fault.
bool anyArea(Workbook* wb, const CalcEvalResult& r, const std::string& name, std::vector<std::string>* faults,
             CellRange* out) {
  if (!r.isReference || r.areas.empty()) {
    faults->push_back(quoted(name) + " does not refer to cells");
    return false;
  }
  if (r.areas.size() > 1) {
    std::string areas;
    for (const CellRange& a : r.areas) areas += (areas.empty() ? "" : ", ") + Fe_rangeName(wb, a);
    faults->push_back(quoted(name) + " refers to " + std::to_string(r.areas.size()) + " areas (" + areas +
                      "); it must refer to one area");
    return false;
  }
  *out = r.areas[0];
  return true;
}

// A single-area reference on the model's sheet, else a fault.
bool oneArea(Workbook* wb, const CalcEvalResult& r, const std::string& name, int sheet,
             std::vector<std::string>* faults, CellRange* out) {
  if (!anyArea(wb, r, name, faults, out)) return false;
  if (r.areas[0].sheet != sheet) {
    faults->push_back(quoted(name) + " refers to cells on sheet '" + wb->sheets[r.areas[0].sheet]->name +
                      "', not on '" + wb->sheets[sheet]->name + "' with the model");
    return false;
  }
  return withinReferences(wb, *out, name, faults);
}

void readObjective(Workbook* wb, FeModel* m) {
  if (!findModelName(wb, m->sheet, "solver_opt")) return;
  CalcEvalResult r;
  if (!evaluateName(wb, m->sheet, "solver_opt", &r, &m->faults, "the objective cell")) return;
  // The objective may lie on any sheet, as the library reads it.
  if (!anyArea(wb, r, "solver_opt", &m->faults, &m->objective) ||
      !withinReferences(wb, m->objective, "solver_opt", &m->faults))
    return;
  if (Fe_cellsIn(m->objective) != 1) {
    m->faults.push_back("the objective (\"solver_opt\") is " + Fe_rangeName(wb, m->objective) +
                        ", not one cell");
    return;
  }
  m->hasObjective = true;
  if (!findModelName(wb, m->sheet, "solver_typ"))
    m->faults.push_back("\"solver_typ\" (1 maximise, 2 minimise or 3 value of) is not defined");
  else if (!wholeOf(wb, m->sheet, "solver_typ", &m->sense) || m->sense < 1 || m->sense > 3)
    m->faults.push_back("\"solver_typ\" must be 1 (maximise), 2 (minimise) or 3 (value of)");
  double value = 0;
  if (m->sense == 3 && (!findModelName(wb, m->sheet, "solver_val") || !numberOf(wb, m->sheet, "solver_val", &value)))
    m->faults.push_back(
        "\"solver_typ\" is 3 (value of), but \"solver_val\" (the value to reach) is missing or not a number");
}

// The merged area of more than one cell that holds a cell; nullptr when none does.
const CellRange* mergedAreaOf(const Sheet* sh, int row, int col) {
  for (const CellRange& area : sh->merged)
    if (row >= area.row1 && row <= area.row2 && col >= area.col1 && col <= area.col2 &&
        (area.row1 != area.row2 || area.col1 != area.col2))
      return &area;
  return nullptr;
}

// Solving writes into the variable cells, which a protected sheet or a
// merged area does not allow: the model is refused before the library runs.
void checkWritable(Workbook* wb, const CellRange& a, FeModel* m) {
  const Sheet* sh = wb->sheets[a.sheet].get();
  if (sh->protectedCells) {
    m->faults.push_back("sheet '" + sh->name + "' is protected, so its variable cells " + Fe_rangeName(wb, a) +
                        " cannot be changed; unprotect the sheet to solve");
    m->unseenByLibrary = true;
    return;
  }
  for (int row = a.row1; row <= a.row2; ++row)
    for (int col = a.col1; col <= a.col2; ++col)
      if (const CellRange* area = mergedAreaOf(sh, row, col)) {
        m->faults.push_back("the variable cell " + Fe_cellName(wb, a.sheet, row, col) + " lies in the merged cells " +
                            Wb_a1(area->row1, area->col1) + ":" + Wb_a1(area->row2, area->col2) +
                            "; a variable cell must be a cell of its own");
        m->unseenByLibrary = true;
        return;
      }
}

// Variable cells hold numbers or nothing: solving overwrites them.
void checkVariableCells(Workbook* wb, const CellRange& a, FeModel* m) {
  checkWritable(wb, a, m);
  const Sheet* sh = wb->sheets[a.sheet].get();
  for (int row = a.row1; row <= a.row2; ++row)
    for (int col = a.col1; col <= a.col2; ++col) {
      const Cell* c = Wb_findCell(sh, row, col);
      const bool formula = c && (!c->formula.empty() || c->arrayBlock >= 0);
      if (!formula && !(c && c->value.kind == CellKind::Text)) continue;
      // The cell is named only when it is at fault, as few are.
      const std::string where = "the variable cell " + Fe_cellName(wb, a.sheet, row, col);
      if (formula) {
        m->faults.push_back(where + " holds a formula; variable cells must hold numbers or nothing");
      } else {
        m->faults.push_back(where + " holds the text \"" + c->value.text + "\", not a number");
        m->unseenByLibrary = true;
      }
    }
}

void readVariables(Workbook* wb, FeModel* m) {
  for (int k = 0;; ++k) {
    std::string name = k == 0 ? "solver_adj" : "solver_adj" + std::to_string(k);
    if (k > 0 && !findModelName(wb, m->sheet, name)) return;
    CalcEvalResult r;
    if (!evaluateName(wb, m->sheet, name, &r, &m->faults, "the variable cells")) return;
    if (!r.isReference) {
      m->faults.push_back(quoted(name) + " does not refer to cells");
      return;
    }
    for (const CellRange& a : r.areas) {
      int first = m->variables.empty() ? a.sheet : m->variables[0].sheet;
      if (a.sheet != first) {
        m->faults.push_back("the variable cells are on two sheets: " + quoted(name) + " refers to '" +
                            wb->sheets[a.sheet]->name + "', the first variable cells are on '" +
                            wb->sheets[first]->name + "'");
        return;
      }
      if (!withinReferences(wb, a, name, &m->faults)) return;
      checkVariableCells(wb, a, m);
      m->variables.push_back(a);
    }
  }
}

// "2 rows and 1 column".
std::string shapeText(int rows, int cols) {
  return std::to_string(rows) + (rows == 1 ? " row" : " rows") + " and " + std::to_string(cols) +
         (cols == 1 ? " column" : " columns");
}

// A comparison's right-hand side that is no reference must give a number:
// a constant or a formula over cells.
void checkRightHandValue(Workbook* wb, int sheet, const FeConstraint& c, const std::string& name, FeModel* m) {
  std::vector<std::string>* faults = &m->faults;
  const std::string what = quoted(name) + " (the right-hand side of constraint " + std::to_string(c.number) + ")";
  CalcEvalResult r;
  if (c.rhsFormula.empty() || c.rhsFormula == "=") {
    faults->push_back(what + " is empty, not a number");
    return;
  }
  if (!Calc_evaluate(wb, sheet, "!" + name, &r) || r.value.values.empty()) {
    faults->push_back(what + " cannot be read: " + c.rhsFormula);
    return;
  }
  if (!Fe_rhsFits(c, r.value)) {
    faults->push_back(what + " gives an array of " + shapeText(r.value.rows, r.value.cols) + " (" + c.rhsFormula +
                      "), but its left-hand side " + Fe_rangeName(wb, c.lhs) + " has " +
                      shapeText(c.lhs.row2 - c.lhs.row1 + 1, c.lhs.col2 - c.lhs.col1 + 1) +
                      "; an array gives one number to each left-hand cell, in the same shape");
    return;
  }
  const auto notNumber = std::find_if(r.value.values.begin(), r.value.values.end(), [](const CellValue& v) {
    double number = 0;
    return v.kind == CellKind::Empty || !Fe_rhsNumber(v, &number) || !std::isfinite(number);
  });
  if (notNumber == r.value.values.end()) return;
  const CellValue& v = *notNumber;
  std::string held = v.kind == CellKind::Text      ? "the text \"" + v.text + "\""
                     : v.kind == CellKind::Error   ? std::string(Wb_errorText(v.error))
                     : v.kind == CellKind::Boolean ? (v.number != 0 ? "TRUE" : "FALSE")
                                                   : "nothing";
  const std::string written = held == c.rhsFormula ? "" : " (" + c.rhsFormula + ")";
  std::string within;
  const std::string function =
      v.kind == CellKind::Error ? Calc_uncalculatedCall(wb, sheet, "=" + c.rhsFormula, &within) : "";
  // The names are counted from the one evaluated, "solver_rhs<i>" itself,
  // as the calculation counts them.
  const std::string because =
      function.empty()
          ? nameFault(wb, sheet, name, v)
          : ": it uses " + Fe_unknownFunctions({{function, within.empty() ? "" : "the name " + quoted(within)}});
  faults->push_back(what + " gives " + held + written + ", not a number" + because);
  // A run would end at a point whose constraint the workbook cannot judge.
  if (v.kind == CellKind::Error && Calc_namesTooDeep(wb, sheet, name)) m->unseenByLibrary = true;
}

// The cells of the reference a definition writes when it is one reference,
// every cell to the sheet's last row or column counted (the calculation
// holds such a reference only up to the last cell in use); else `read`.
long long writtenCells(const std::string& definition, long long read) {
  CalcNode tree;
  if (!Calc_parse(definition, &tree, nullptr) || tree.op != CalcOp::Ref) return read;
  return static_cast<long long>(tree.row2 - tree.row1 + 1) * (tree.col2 - tree.col1 + 1);
}

void readRightHandSide(Workbook* wb, int sheet, FeConstraint* c, FeModel* m) {
  std::vector<std::string>* faults = &m->faults;
  std::string name = "solver_rhs" + std::to_string(c->number);
  const DefinedName* dn = findModelName(wb, sheet, name);
  if (!dn) {
    if (Fe_comparison(c->relation) <= FeGreaterEqual) faults->push_back(quoted(name) + " (a right-hand side) is not defined");
    return;
  }
  CalcEvalResult r;
  if (Calc_evaluate(wb, sheet, "!" + name, &r) && r.isReference) {
    if (!anyArea(wb, r, name, faults, &c->rhsRange)) return;
    c->rhsIsRange = true;
    const long long n = writtenCells(dn->definition, Fe_cellsIn(c->rhsRange)), lhs = Fe_cellsIn(c->lhs);
    if (n != 1 && n != lhs)
      faults->push_back("the right-hand side " + quoted(name) + " has " + std::to_string(n) +
                        " cells, but its left-hand side " + Fe_rangeName(wb, c->lhs) + " has " + std::to_string(lhs));
    return;
  }
  c->rhsFormula = dn->definition;
  if (Fe_comparison(c->relation) <= FeGreaterEqual) checkRightHandValue(wb, sheet, *c, name, m);
}

// Integer, binary and alldifferent constraints say what values variable
// cells may take, so each of their cells must be a variable cell.
void checkIntegerCells(Workbook* wb, FeModel* m) {
  for (const FeConstraint& c : m->constraints) {
    if (!Fe_isIntegerRelation(c.relation)) continue;
    for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col)
        if (!Fe_isVariableCell(*m, row, col)) {
          m->faults.push_back("constraint " + std::to_string(c.number) + " (\"solver_lhs" + std::to_string(c.number) +
                              "\") makes " + Fe_cellName(wb, c.lhs.sheet, row, col) + " " +
                              Fe_relationName(c.relation) + ", but it is no variable cell; " +
                              "integer, binary and alldifferent constraints apply to variable cells only");
          return;
        }
  }
}

// "solver_num" counting constraints whose cells the sheet does not store:
// one fault naming the count, the constraints stored and those missing;
// false when every one is stored.
bool missingConstraints(Workbook* wb, FeModel* m, int count) {
  std::vector<int> missing;
  for (int k = 1; k <= count; ++k)
    if (!findModelName(wb, m->sheet, "solver_lhs" + std::to_string(k))) missing.push_back(k);
  if (missing.empty()) return false;
  std::string list;
  for (size_t k = 0; k < missing.size(); ++k)
    list += (k == 0                    ? ""
             : k + 1 == missing.size() ? " and "
                                       : ", ") +
            quoted("solver_lhs" + std::to_string(missing[k]));
  const int stored = count - static_cast<int>(missing.size());
  m->faults.push_back("\"solver_num\" says the model has " + std::to_string(count) +
                      " constraints, but the sheet stores " + std::to_string(stored) + ": " + list +
                      (missing.size() == 1 ? " is" : " are") +
                      " not defined; set \"solver_num\" to the number of "
                      "constraints or define the missing ones");
  return true;
}

void readConstraints(Workbook* wb, FeModel* m) {
  int count = 0;
  if (!wholeOf(wb, m->sheet, "solver_num", &count) || count < 0 || count > 32767) {
    m->faults.push_back("\"solver_num\" (the number of constraints) is " + heldValue(wb, m->sheet, "solver_num") +
                        ", not a whole number from 0 to 32767");
    return;
  }
  if (!findModelName(wb, m->sheet, "solver_num") && findModelName(wb, m->sheet, "solver_lhs1"))
    m->faults.push_back("\"solver_num\" (the number of constraints) is missing, though \"solver_lhs1\" is defined");
  if (missingConstraints(wb, m, count)) return;
  for (int k = 1; k <= count; ++k) {
    FeConstraint c;
    c.number = k;
    std::string lhs = "solver_lhs" + std::to_string(k), rel = "solver_rel" + std::to_string(k);
    CalcEvalResult r;
    if (!evaluateName(wb, m->sheet, lhs, &r, &m->faults, "the cells of constraint " + std::to_string(k)) ||
        !oneArea(wb, r, lhs, m->sheet, &m->faults, &c.lhs))
      continue;
    // A code that is no whole number (2.5) is none of the relations, as the
    // library reads it.
    double code = 0;
    if (!findModelName(wb, m->sheet, rel) || !numberOf(wb, m->sheet, rel, &code) || code != std::floor(code) ||
        !Dbl_toWhole(code, &c.relation) || c.relation < 1 || c.relation > kMaxRelation) {
      m->faults.push_back("the relation " + quoted(rel) + " of constraint " + std::to_string(k) +
                          " is missing or out of range (1 to 11)");
      continue;
    }
    readRightHandSide(wb, m->sheet, &c, m);
    m->constraints.push_back(c);
  }
  checkIntegerCells(wb, m);
}

// A sheet name as the shell takes it after --sheet: quoted when it holds
// anything but letters, digits, '_', '-' and '.'.
std::string shellWord(const std::string& name) {
  const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
  });
  if (plain) return name;
  std::string quotedName = "'";
  for (char c : name) quotedName += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quotedName + "'";
}

// Why the sheet holds no model, with the sheets that hold one and the
// --sheet that chooses them.
std::string noModelFault(Workbook* wb, int sheet) {
  std::vector<std::string> holding;
  for (size_t k = 0; k < wb->sheets.size(); ++k)
    if (static_cast<int>(k) != sheet && Fe_hasModel(wb, static_cast<int>(k))) holding.push_back(wb->sheets[k]->name);
  const std::string none = "sheet '" + wb->sheets[sheet]->name + "' holds no model";
  if (holding.empty()) return none + " (no \"solver_opt\" or \"solver_adj\" names); see `corvan models`";
  if (holding.size() == 1)
    return none + "; the model is on sheet '" + holding[0] + "': give --sheet " + shellWord(holding[0]);
  std::string list;
  for (size_t k = 0; k < holding.size(); ++k) list += (k == 0 ? "'" : "', '") + holding[k];
  return none + "; sheets " + list + "' hold models: choose one with --sheet NAME (`corvan models` lists them)";
}

// The blank cells of a range that lie hidden in a merged area (in it but
// not its first cell), which a spreadsheet shows as part of that cell:
// the first such cell and its area, or false when there is none.
bool hiddenBlankCell(const Workbook* wb, const CellRange& r, int* row, int* col, const CellRange** area) {
  const Sheet* sh = wb->sheets[r.sheet].get();
  for (int i = r.row1; i <= r.row2; ++i)
    for (int j = r.col1; j <= r.col2; ++j) {
      const CellRange* a = mergedAreaOf(sh, i, j);
      const Cell* c = Wb_findCell(sh, i, j);
      const bool blank = !c || (c->formula.empty() && c->arrayBlock < 0 && c->value.kind == CellKind::Empty);
      if (a && (i != a->row1 || j != a->col1) && blank) {
        *row = i;
        *col = j;
        *area = a;
        return true;
      }
    }
  return false;
}

}  // namespace

void Fe_noteMergedBlanks(Workbook* wb, const FeModel& m) {
  struct Side {
    const CellRange* range;
    std::string what, as;
  };
  for (const FeConstraint& c : m.constraints) {
    const std::string k = std::to_string(c.number);
    const Side sides[] = {
        {&c.lhs, "constraint " + k + " (\"solver_lhs" + k + "\")", "a row whose value is 0"},
        {c.rhsIsRange ? &c.rhsRange : nullptr, "the right-hand side of constraint " + k + " (\"solver_rhs" + k + "\")",
         "the number 0"}};
    for (const Side& side : sides) {
      int row = 0, col = 0;
      const CellRange* area = nullptr;
      if (!side.range || !hiddenBlankCell(wb, *side.range, &row, &col, &area)) continue;
      const CellRange merged{side.range->sheet, area->row1, area->col1, area->row2, area->col2};
      Fe_say("note: " + side.what + " takes in " + Fe_cellName(wb, merged.sheet, row, col) +
             ", a blank part of the merged cells " + Fe_rangeName(wb, merged) + ", as " + side.as);
    }
  }
}

bool Fe_hasModel(Workbook* wb, int sheet) {
  for (const char* name : {"solver_opt", "solver_adj"}) {
    const DefinedName* dn = Wb_findName(wb, name, sheet);
    if (!dn) continue;
    if (dn->scopeSheet == sheet) return true;
    CalcEvalResult r;
    if (Calc_evaluate(wb, sheet, std::string("!") + name, &r) && r.isReference && !r.areas.empty() &&
        r.areas[0].sheet == sheet)
      return true;
  }
  return false;
}

FeModel Fe_readModel(Workbook* wb, int sheet) {
  FeModel m;
  m.sheet = sheet;
  if (!Fe_hasModel(wb, sheet)) {
    m.faults.push_back(noModelFault(wb, sheet));
    return m;
  }
  readObjective(wb, &m);
  readVariables(wb, &m);
  readConstraints(wb, &m);
  if (!wholeOf(wb, sheet, "solver_eng", &m.engine))
    m.faults.push_back("\"solver_eng\" (the engine) is " + heldValue(wb, sheet, "solver_eng") +
                       ", not a whole number within range");
  double linear = 0;
  m.linear = numberOf(wb, sheet, "solver_lin", &linear) && linear == 1;
  double relax = 0;
  m.relaxed = numberOf(wb, sheet, "solver_rlx", &relax) && relax == 1;
  double nonNegative = 0;
  m.nonNegative = numberOf(wb, sheet, "solver_neg", &nonNegative) && nonNegative == 1;
  if (!numberOf(wb, sheet, "solver_pre", &m.precision) || !(m.precision > 0)) m.precision = kFePrecision;
  if (!numberOf(wb, sheet, "solver_fea", &m.feasibility) || !(m.feasibility > 0)) m.feasibility = kFeFeasibility;
  if (!wholeOf(wb, sheet, "solver_dia", &m.diagnosis)) m.diagnosis = 0;
  return m;
}

std::string Fe_beyondGrid(const Workbook* wb, const CellRange& a, const std::string& what, int rows, int cols,
                          const std::string& holder) {
  if (a.row2 < rows && a.col2 < cols) return "";
  const bool wide = a.col2 >= cols;
  std::string lastColumn = Wb_a1(0, cols - 1);  // "IV1"
  lastColumn.pop_back();
  const std::string limit = wide ? "the " + std::to_string(cols) + " columns (to " + lastColumn + ")"
                                 : "the " + std::to_string(rows) + " rows";
  const int row = wide ? a.row1 : rows, col = wide ? cols : a.col1;
  return what + " (" + Fe_rangeName(wb, a) + ") reaches past " + limit + " that " + holder +
         " hold: " + Fe_cellName(wb, a.sheet, row, col) + " is the first cell beyond";
}

bool Fe_isVariableCell(const FeModel& m, int row, int col) {
  for (const CellRange& a : m.variables)
    if (row >= a.row1 && row <= a.row2 && col >= a.col1 && col <= a.col2) return true;
  return false;
}

long long Fe_cellsIn(const CellRange& r) {
  return static_cast<long long>(r.row2 - r.row1 + 1) * (r.col2 - r.col1 + 1);
}

int Fe_variableCells(const FeModel& m) {
  int n = 0;
  for (const CellRange& a : m.variables) n += static_cast<int>(Fe_cellsIn(a));
  return n;
}

int Fe_constraintCells(const FeModel& m) {
  int n = 0;
  for (const FeConstraint& c : m.constraints) n += static_cast<int>(Fe_cellsIn(c.lhs));
  return n;
}

const char* Fe_senseName(int sense) {
  static const char* const kNames[] = {"?", "maximise", "minimise", "value of"};
  return sense >= 1 && sense <= 3 ? kNames[sense] : kNames[0];
}

std::string Fe_undefinedName(const Workbook* wb, int sheet, const std::string& name) {
  for (const DefinedName& dn : wb->names)
    if (dn.scopeSheet >= 0 && dn.scopeSheet != sheet && Utf8_compareNoCase(dn.name, name) == 0)
      return "which is defined only on sheet " + sheetName(wb, dn.scopeSheet) + ", where the formulas of sheet " +
             sheetName(wb, sheet) + " do not see it; define it for the whole workbook or on sheet " +
             sheetName(wb, sheet);
  return "which the workbook does not define";
}

std::string Fe_sheetPrefix(const Workbook* wb, int sheet) { return Wb_quoteSheetName(wb->sheets[sheet]->name) + "!"; }

std::string Fe_cellName(const Workbook* wb, int sheet, int row, int col) {
  return Fe_sheetPrefix(wb, sheet) + Wb_a1(row, col);
}

std::string Fe_rangeName(const Workbook* wb, const CellRange& r) {
  std::string text = Fe_cellName(wb, r.sheet, r.row1, r.col1);
  if (r.row2 != r.row1 || r.col2 != r.col1) text += ":" + Wb_a1(r.row2, r.col2);
  return text;
}

bool Fe_overlaps(const CellRange& a, const CellRange& b) {
  return a.sheet == b.sheet && a.row1 <= b.row2 && b.row1 <= a.row2 && a.col1 <= b.col2 && b.col1 <= a.col2;
}

const CellRange* Fe_variablesRead(Workbook* wb, const FeModel& m, const CellRange& cell) {
  for (const CellRange& read : Calc_precedents(wb, cell.sheet, cell.row1, cell.col1, true))
    for (const CellRange& v : m.variables)
      if (Fe_overlaps(read, v)) return &v;
  return nullptr;
}

const CellValue* Fe_value(const Workbook* wb, int sheet, int row, int col) {
  const Cell* c = Wb_findCell(wb->sheets[sheet].get(), row, col);
  return c ? &c->value : nullptr;
}

namespace {

// The heading row of a cell: the nearest text above it with no empty cell
// between, -1 when there is none. The walk up stops at a row whose heading
// is known, and every row it passes gets the heading it found.
int headingRow(FeLabels* labels, int sheet, int row, int col) {
  const Sheet* sh = labels->wb->sheets[sheet].get();
  std::vector<int>& passed = labels->passed;
  passed.clear();
  int heading = -1;
  for (int r = row;; --r) {
    auto known = labels->headings.find(Fe_labelKey(sheet, col, r));
    if (known != labels->headings.end()) {
      heading = known->second;
      break;
    }
    passed.push_back(r);
    const Cell* above = r > 0 ? Wb_findCell(sh, r - 1, col) : nullptr;
    const CellKind kind = above ? above->value.kind : CellKind::Empty;
    if (kind == CellKind::Text) heading = r - 1;
    if (kind == CellKind::Empty || kind == CellKind::Text) break;
  }
  for (int r : passed) labels->headings[Fe_labelKey(sheet, col, r)] = heading;
  return heading;
}

// The nearest non-empty text left of a cell, pointed at where it is; null
// when there is none. Continues the last search when it was on the same row
// further left.
const std::string* leftText(FeLabels* labels, const Sheet* sh, int sheet, int row, int col) {
  FeLabels::LeftSearch& last = labels->left;
  const bool continues = last.sheet == sheet && last.row == row && last.col <= col;
  const int from = continues ? last.col : 0;
  const std::string* text = nullptr;
  std::span<const CellStore::value_type> between =
      col > from ? sh->cells.rowSpan(row, from, col - 1) : std::span<const CellStore::value_type>{};
  for (auto cell = between.rbegin(); cell != between.rend() && !text; ++cell)
    if (cell->second.value.kind == CellKind::Text && !cell->second.value.text.empty()) text = &cell->second.value.text;
  if (!text && continues) text = last.text;
  last = FeLabels::LeftSearch{sheet, row, col, text};
  return text;
}

}  // namespace

std::string Fe_label(FeLabels* labels, int sheet, int row, int col) {
  const Sheet* sh = labels->wb->sheets[sheet].get();
  // The texts are pointed at where they are and copied once, into the label.
  const std::string* left = leftText(labels, sh, sheet, row, col);
  const int heading = headingRow(labels, sheet, row, col);
  const std::string* above = heading >= 0 ? &Wb_findCell(sh, heading, col)->value.text : nullptr;
  if (above && above->empty()) above = nullptr;
  if (!left || !above) return left ? *left : above ? *above : std::string();
  std::string label;
  label.reserve(left->size() + 1 + above->size());
  label += *left;
  label += ' ';
  label += *above;
  return label;
}

std::string Fe_shownValue(const Workbook* wb, int sheet, int row, int col) {
  const Cell* c = Wb_findCell(wb->sheets[sheet].get(), row, col);
  return c ? Calc_displayText(c->value, c->numberFormat) : "";
}

int Fe_comparison(int relation) {
  return relation >= FeGroupedLessEqual && relation <= FeGroupedGreaterEqual ? relation - (FeGroupedLessEqual - FeLessEqual) : relation;
}

bool Fe_isIntegerRelation(int relation) {
  return relation == FeInteger || relation == FeBinary || relation == FeAllDifferent;
}

bool Fe_hasIntegerConstraints(const FeModel& m) {
  return !m.relaxed && std::any_of(m.constraints.begin(), m.constraints.end(),
                                   [](const FeConstraint& c) { return Fe_isIntegerRelation(c.relation); });
}

const char* Fe_relationName(int relation) {
  static const char* const kNames[] = {"?", "<=", "=", ">=", "integer", "binary", "alldifferent",
                                       "cone", "cone (second kind)", "grouped <=", "grouped =", "grouped >="};
  return relation >= 1 && relation <= kMaxRelation ? kNames[relation] : "?";
}
