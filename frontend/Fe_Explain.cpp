// Why a model cannot be solved, in words that send the user to the place at
// fault: every line names the workbook file and the sheet, then the name or
// the cell and what is wrong with it. In a batch over many files each line
// stands on its own.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "base/Utf8_Text.h"
#include "contract/Bound_Infinity.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "platform/calc/Calc_Internal.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Internal.h"
#include "values/Model_Refs.h"
#include "values/Text_Convert.h"
#include "values/Vm_Status.h"

std::string Fe_notANumber(const CellValue* v) {
  if (!v) return "";
  switch (v->kind) {
    case CellKind::Text: return "the text \"" + v->text + "\"";
    case CellKind::Error: return Wb_errorText(v->error);
    case CellKind::Boolean: return v->number != 0 ? "TRUE" : "FALSE";
    default: return "";
  }
}

namespace {

// The formula cells a cell reads at any level that hold an error value, the
// cell itself first, each as a range of one cell.
std::vector<CellRange> erroneousCells(Workbook* wb, const CellRange& cell) {
  std::vector<CellRange> cells{cell};
  for (const CellRange& a : Calc_precedents(wb, cell.sheet, cell.row1, cell.col1, true))
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        const Cell* read = Wb_findCell(wb->sheets[a.sheet].get(), r, c);
        if (read && !read->formula.empty() && read->value.kind == CellKind::Error)
          cells.push_back({a.sheet, r, c, r, c});
      }
  return cells;
}

// A circular reference the cell takes part in or reads, naming its cells.
std::string circleCause(Workbook* wb, const CellRange& cell) {
  const std::vector<CellRange> circle = Calc_cycleOf(wb, cell.sheet, cell.row1, cell.col1);
  if (circle.empty()) return "";
  std::string cells;
  bool inside = false;
  for (const CellRange& c : circle) {
    cells += (cells.empty() ? "" : ", ") + Fe_rangeName(wb, c);
    inside = inside || Fe_overlaps(c, cell);
  }
  return std::string(", because it ") + (inside ? "is part of" : "reads") + " a circular reference: the cells " +
         cells + " read one another; break the circle";
}

// The first formula, of the cell or of a formula cell it reads that holds an
// error value, in which `find` finds something missing: ", because its
// formula" (or "the formula of Plan!B12") and what `find` says of it.
template <typename Find>
std::string missingCause(Workbook* wb, const CellRange& cell, Find find) {
  for (const CellRange& at : erroneousCells(wb, cell)) {
    const Cell* c = Wb_findCell(wb->sheets[at.sheet].get(), at.row1, at.col1);
    const std::string missing = c ? find(at.sheet, c->formula) : "";
    if (missing.empty()) continue;
    const bool own = at.sheet == cell.sheet && at.row1 == cell.row1 && at.col1 == cell.col1;
    return ", because " + (own ? std::string("its formula") : "the formula of " + Fe_rangeName(wb, at)) + missing;
  }
  return "";
}

// A sheet the workbook lacks that the formula of the cell, or of a cell it
// reads, names.
std::string missingSheetCause(Workbook* wb, const CellRange& cell) {
  return missingCause(wb, cell, [wb](int, const std::string& formula) -> std::string {
    const std::string missing = Calc_missingSheet(wb, formula);
    if (missing.empty()) return "";
    return missing == "#REF!" ? " reads cells of a sheet that was deleted (#REF! in place of the sheet's name)"
                              : " reads sheet '" + missing + "', which the workbook does not have (deleted or renamed)";
  });
}

// A defined name the workbook lacks that the formula of the cell, or of a
// cell it reads, uses; else names of it that no formula can compute (a
// circle of names, a name that cannot be read, names nested too deeply).
std::string missingNameCause(Workbook* wb, const CellRange& cell) {
  return missingCause(wb, cell, [wb](int sheet, const std::string& formula) -> std::string {
    const std::string missing = Calc_missingName(wb, sheet, formula);
    if (!missing.empty()) return " uses the name \"" + missing + "\", " + Fe_undefinedName(wb, sheet, missing);
    if (const std::string chain = Fe_nameChainFault(wb, sheet, formula); !chain.empty())
      return " uses a name no formula can compute: " + chain;
    if (!Calc_namesTooDeep(wb, sheet, formula)) return "";
    return " uses names nested more than " + std::to_string(kCalcMaxNameDepth) +
           " deep (a name defined through a name, and so on), deeper than a formula follows them";
  });
}

// The variable cells a cell reads at any level with their values ("Plan!B2
// = 0.5, Plan!C2 = 1"), the first few of them.
std::string valuesRead(Workbook* wb, const FeModel& m, const CellRange& cell) {
  constexpr size_t kShown = 6;
  std::set<std::tuple<int, int, int>> cells;
  for (const CellRange& read : Calc_precedents(wb, cell.sheet, cell.row1, cell.col1, true))
    for (const CellRange& v : m.variables)
      if (Fe_overlaps(read, v))
        for (int r = std::max(read.row1, v.row1); r <= std::min(read.row2, v.row2); ++r)
          for (int c = std::max(read.col1, v.col1); c <= std::min(read.col2, v.col2); ++c) cells.insert({v.sheet, r, c});
  std::string text;
  size_t k = 0;
  for (auto it = cells.begin(); it != cells.end() && k < kShown; ++it, ++k) {
    const auto [sheet, row, col] = *it;
    const CellValue* v = Fe_value(wb, sheet, row, col);
    text += (k ? ", " : "") + Fe_cellName(wb, sheet, row, col) + " = " + Fe_number(v ? v->number : 0);
  }
  return cells.size() > kShown ? text + " and " + std::to_string(cells.size() - kShown) + " more" : text;
}

// An error value in a cell that reads the variable cells, at the values
// they hold: the start values, where an arithmetic error (#DIV/0!, #NUM!)
// asks for other ones, or a point an engine tried, where its evaluation
// failed (`start`, when given, tells them apart).
std::string pointCause(Workbook* wb, const FeModel& m, const CellRange& cell, CellError error,
                       const FeStartValues* start) {
  const CellRange* read = Fe_variablesRead(wb, m, cell);
  if (!read) return "";
  const std::string values = valuesRead(wb, m, cell);
  if (start && Fe_startValues(wb, m).variables != start->variables)
    return ", at a point the engine tried, where the variable cells hold " + values +
           " (not their start values); constraints that keep them where it gives a number avoid it";
  if (error != CellError::Div0 && error != CellError::Num) return "";
  return ", at the values the variable cells hold (" + values + "); give the variable cells (" +
         Fe_rangeName(wb, *read) + ") start values at which it gives a number";
}

// Why a cell holds an error value, as a phrase to follow what it holds ("",
// when neither a circle, a sheet or name that is gone nor the values of
// the variable cells show).
std::string errorCause(Workbook* wb, const FeModel& m, int sheet, int row, int col, const CellValue* v,
                       const FeStartValues* start) {
  if (!v || v->kind != CellKind::Error) return "";
  const CellRange cell{sheet, row, col, row, col};
  if (std::string circle = circleCause(wb, cell); !circle.empty()) return circle;
  if (std::string gone = missingSheetCause(wb, cell); !gone.empty()) return gone;
  if (std::string unnamed = missingNameCause(wb, cell); !unnamed.empty()) return unnamed;
  return pointCause(wb, m, cell, v->error, start);
}

// The objective cell holding no number.
bool explainObjective(Workbook* wb, const FeModel& m, const FeStartValues* start) {
  if (!m.hasObjective) return false;
  const CellRange& o = m.objective;
  const CellValue* v = Fe_value(wb, o.sheet, o.row1, o.col1);
  std::string held = Fe_notANumber(v);
  if (held.empty()) return false;
  Fe_say("the objective cell " + Fe_cellName(wb, o.sheet, o.row1, o.col1) + " (\"solver_opt\") holds " + held +
         ", not a number" + errorCause(wb, m, o.sheet, o.row1, o.col1, v, start));
  return true;
}

// The first constraint cell, or right-hand cell, holding no number.
bool explainConstraintCells(Workbook* wb, const FeModel& m, const FeStartValues* start) {
  for (const FeConstraint& c : m.constraints) {
    std::string number = std::to_string(c.number);
    int k = 0;
    for (int row = c.lhs.row1; row <= c.lhs.row2; ++row)
      for (int col = c.lhs.col1; col <= c.lhs.col2; ++col, ++k) {
        std::string cell = Fe_cellName(wb, c.lhs.sheet, row, col);
        const CellValue* v = Fe_value(wb, c.lhs.sheet, row, col);
        std::string held = Fe_notANumber(v);
        if (!held.empty()) {
          Fe_say("the cell " + cell + " of constraint " + number + " (\"solver_lhs" + number + "\") holds " + held +
                 ", not a number" + errorCause(wb, m, c.lhs.sheet, row, col, v, start));
          return true;
        }
        if (!c.rhsIsRange || Fe_comparison(c.relation) > FeGreaterEqual) continue;
        int rr, cc;
        Fe_rhsCell(c, k, &rr, &cc);
        v = Fe_value(wb, c.rhsRange.sheet, rr, cc);
        held = Fe_notANumber(v);
        if (held.empty()) continue;
        Fe_say("the right-hand side cell " + Fe_cellName(wb, c.rhsRange.sheet, rr, cc) + " of constraint " + number +
               " (\"solver_rhs" + number + "\", for " + cell + ") holds " + held + ", not a number" +
               errorCause(wb, m, c.rhsRange.sheet, rr, cc, v, start));
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
    Fe_say("the variable cell " + Fe_cellName(wb, m.sheet, cell.first, cell.second) +
           " can take no value: its constraints ask for " + text);
    return true;
  }
  return false;
}

// A right-hand side formula reaches the interpreter as a text of the
// callback interface, cut at kXlcMaxText characters.
bool explainLongRightHandSides(const FeModel& m) {
  for (const FeConstraint& c : m.constraints) {
    if (c.rhsIsRange || c.rhsFormula.size() <= kXlcMaxText) continue;
    const std::string k = std::to_string(c.number);
    Fe_say("the right-hand side of constraint " + k + " (\"solver_rhs" + k + "\") is a formula of " +
           std::to_string(c.rhsFormula.size()) + " characters, but the interpreter reads at most " +
           std::to_string(kXlcMaxText) + ", so it cannot be analysed");
    return true;
  }
  return false;
}

// The interpreter's positions hold sheets 1 to kRefMaxSheet and a grid one
// row and one column short of the library's references, and formulas of
// names as long as the callback interface's texts: a model on a later sheet,
// with cells past that grid or a longer right-hand side cannot be analysed.
bool explainInterpreterLimits(Workbook* wb, const FeModel& m) {
  const std::string holder = "the interpreter's references";
  if (m.sheet >= kRefMaxSheet) {
    Fe_say("the model's sheet is sheet " + std::to_string(m.sheet + 1) + " of the workbook, past the " +
           std::to_string(kRefMaxSheet) + " sheets that " + holder + " hold, so it cannot be analysed");
    return true;
  }
  std::vector<std::pair<std::string, CellRange>> ranges;
  if (m.hasObjective) ranges.push_back({"the objective (\"solver_opt\")", m.objective});
  for (const CellRange& a : m.variables) ranges.push_back({"the variable cells (\"solver_adj\")", a});
  for (const FeConstraint& c : m.constraints) {
    const std::string k = std::to_string(c.number);
    ranges.push_back({"constraint " + k + " (\"solver_lhs" + k + "\")", c.lhs});
    if (c.rhsIsRange)
      ranges.push_back({"the right-hand side of constraint " + k + " (\"solver_rhs" + k + "\")", c.rhsRange});
  }
  for (const auto& [what, a] : ranges) {
    const std::string beyond = Fe_beyondGrid(wb, a, what, kRefMaxRow, kRefMaxColumn, holder);
    if (beyond.empty()) continue;
    Fe_say(beyond);
    return true;
  }
  return explainLongRightHandSides(m);
}

// A refused model's first row of a kind only some engines take: a cone
// (relations 7 and 8) or a grouped row (9 to 11).
bool explainRowKinds(const FeModel& m, const std::string& engine) {
  for (const FeConstraint& c : m.constraints) {
    if (c.relation < FeCone) continue;
    const std::string k = std::to_string(c.number);
    Fe_say("constraint " + k + " (\"solver_rel" + k + "\") is a " + Fe_relationName(c.relation) + " row (relation " +
           std::to_string(c.relation) + "), which the engine " + (engine.empty() ? "chosen" : "\"" + engine + "\"") +
           " does not take");
    return true;
  }
  return false;
}

// What a constraint cell that breaks its row was asked to hold, as the line
// about it ends: ", not <= 18", ", not integer"; for a cell of an
// alldifferent group, the numbers the group takes, after the earlier cell
// of the group that holds the same number if one does (under "solver_rlx",
// its bounds alone).
std::string askedOf(Workbook* wb, const FeModel& m, const FeConstraint& c, const std::vector<FeConstraintRow>& rows,
                    size_t at, int k) {
  const FeConstraintRow& row = rows[at];
  if (Fe_comparison(row.relation) <= FeGreaterEqual)
    return std::string(", not ") + Fe_relationName(row.relation) + " " + Fe_number(row.rhs);
  if (row.relation != FeAllDifferent) return std::string(", not ") + Fe_relationName(row.relation);
  const std::string n = std::to_string(Fe_cellsIn(c.lhs));
  if (m.relaxed) return ", not alldifferent (a number from 1 to " + n + ", as \"solver_rlx\" relaxes it)";
  std::string same;
  for (size_t e = at - static_cast<size_t>(k); e < at && same.empty() && Fe_nearlyWhole(row.value); ++e)
    if (std::round(rows[e].value) == std::round(row.value))
      same = ", as is " + Fe_cellName(wb, rows[e].sheet, rows[e].row, rows[e].col);
  return same + ", not alldifferent (distinct whole numbers 1 to " + n + ")";
}

// The first constraint cell the point breaks, with its value, relation and
// right-hand side as the constraint table shows them; else the first
// variable cell below the lower bound 0 of the non-negative option.
bool explainViolatedRow(Workbook* wb, const FeModel& m) {
  const std::string start = "the point the run ended at breaks ";
  std::vector<FeConstraintRow> rows = Fe_constraintRows(wb, m);
  size_t at = 0;
  for (const FeConstraint& c : m.constraints)
    for (int k = 0; k < Fe_cellsIn(c.lhs); ++k, ++at) {
      const FeConstraintRow& row = rows[at];
      if (row.satisfied) continue;
      const std::string number = std::to_string(c.number);
      Fe_say(start + "constraint " + number + " (\"solver_lhs" + number + "\"): " +
             Fe_cellName(wb, row.sheet, row.row, row.col) + " is " + Fe_number(row.value) + askedOf(wb, m, c, rows, at, k));
      return true;
    }
  for (const FeConstraintRow& row : Fe_nonNegativeRows(wb, m)) {
    if (row.satisfied) continue;
    Fe_say(start + "the non-negative option (\"solver_neg\"): " + Fe_cellName(wb, row.sheet, row.row, row.col) +
           " is " + Fe_number(row.value) + ", not >= 0");
    return true;
  }
  return false;
}

// The sheet of a cell's text ("S1!$B$2", "'My sheet'!$B$2") and its row
// and column; false when the text names no cell of the workbook.
bool cellOfText(const Workbook* wb, const std::string& text, int* sheet, int* row, int* col) {
  const size_t bang = text.rfind('!');
  if (bang == std::string::npos) return false;
  std::string name = text.substr(0, bang), address;
  if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') name = name.substr(1, name.size() - 2);
  for (char c : text.substr(bang + 1))
    if (c != '$') address += c;
  *sheet = Wb_sheetIndex(wb, name);
  return *sheet >= 0 && Wb_parseA1(address, row, col);
}

// The first sheet past the interpreter's last that a formula names; -1 for none.
int lateSheetIn(const Workbook* wb, const std::string& formula) {
  const std::string folded = Utf8_foldedText(formula);
  for (size_t k = kRefMaxSheet; k < wb->sheets.size(); ++k) {
    // As written: quoted, or bare where the name needs no quotes.
    const std::string name = Utf8_foldedText(wb->sheets[k]->name);
    for (const std::string& prefix : {"'" + name + "'!", name + "!"})
      for (size_t at = folded.find(prefix); at != std::string::npos; at = folded.find(prefix, at + 1))
        if (at == 0 || (!std::isalnum(static_cast<unsigned char>(folded[at - 1])) && folded[at - 1] != '_' &&
                        folded[at - 1] != '\''))
          return static_cast<int>(k);
  }
  return -1;
}

// The error row (counts, codes and the cell) of a failed analysis or
// evaluation, after the statistics row and any rows of the model; null
// when there is none or it names no cell. Rows of two columns are the
// engine list of an earlier action; a model's rows name no sheet.
const std::vector<std::string>* errorRow(const std::vector<std::vector<std::string>>& rows) {
  auto error = std::find_if(rows.begin() + (rows.empty() ? 0 : 1), rows.end(), [](const std::vector<std::string>& row) {
    return row.size() >= 5 && row[4].find('!') != std::string::npos;
  });
  return error == rows.end() ? nullptr : &*error;
}

// The cell an error row names, and its name ("Plan!B6") when asked; null
// when the workbook has none there.
const Cell* cellOfRow(Workbook* wb, const std::vector<std::string>& error, std::string* name = nullptr) {
  int sheet, row, col;
  if (!cellOfText(wb, error[4], &sheet, &row, &col)) return nullptr;
  if (name) *name = Fe_cellName(wb, sheet, row, col);
  return Wb_findCell(wb->sheets[sheet].get(), row, col);
}

// Whether a formula's tree, read at `at`, reads a variable cell through its
// references or the names it uses, as deep as a formula follows them.
bool treeReadsVariables(Workbook* wb, const FeModel& m, WbReading at, const CalcNode& n, int depth) {
  const int sheet = n.sheetName.empty() ? at.sheet : Wb_sheetIndex(wb, n.sheetName);
  if (n.op == CalcOp::Ref)
    return sheet >= 0 && Fe_rangeReadsVariables(wb, m, CellRange{sheet, n.row1, n.col1, n.row2, n.col2});
  if (n.op == CalcOp::Name) {
    const int scope = Calc_nameScope(wb, n, at);
    const DefinedName* dn = scope == kCalcNoScope ? nullptr : Wb_findName(wb, n.text, scope);
    CalcNode definition;
    return dn && depth < kCalcMaxNameDepth && Calc_parse(dn->definition, &definition, nullptr) &&
           treeReadsVariables(wb, m, Wb_definitionReading(*dn, at), definition, depth + 1);
  }
  return std::any_of(n.args.begin(), n.args.end(),
                     [&](const CalcNode& a) { return treeReadsVariables(wb, m, at, a, depth); });
}

// The first range a formula's tree (read on `sheet`) names that reaches
// past the interpreter's grid; false when every one lies within it.
bool rangeBeyondInterpreterGrid(const Workbook* wb, int sheet, const CalcNode& n, CellRange* found) {
  if (n.op == CalcOp::Ref && (n.row2 >= kRefMaxRow || n.col2 >= kRefMaxColumn)) {
    const int at = n.sheetName.empty() ? sheet : Wb_sheetIndex(wb, n.sheetName);
    *found = CellRange{at < 0 ? sheet : at, n.row1, n.col1, n.row2, n.col2};
    return true;
  }
  return std::any_of(n.args.begin(), n.args.end(),
                     [&](const CalcNode& a) { return rangeBeyondInterpreterGrid(wb, sheet, a, found); });
}

// The way out of what the interpreter cannot read: the workbook computes it.
constexpr const char kThroughTheWorkbook[] =
    "solve the model through the workbook (the default options, on engine 1, 2 or 3)";

// The first name a formula's tree uses that begins with a backslash, which
// the interpreter's names cannot; "" when it uses none.
std::string backslashName(const CalcNode& n) {
  if (n.op == CalcOp::Name && !n.text.empty() && n.text.front() == '\\') return n.text;
  for (const CalcNode& a : n.args)
    if (std::string name = backslashName(a); !name.empty()) return name;
  return "";
}

// Of a cell whose formula holds a token the interpreter cannot read: a name
// that begins with a backslash, and the way out; "" when it uses none.
std::string backslashNameCause(const std::string& cell, const Cell* c) {
  CalcNode tree;
  const std::string name = Calc_parse(c->formula, &tree, nullptr) ? backslashName(tree) : "";
  if (name.empty()) return "";
  return "the formula of " + cell + " cannot be analysed: it uses the name \"" + name +
         "\", and the interpreter cannot read a name that begins with a backslash; rename it without the "
         "backslash, or " +
         kThroughTheWorkbook;
}

// Of a cell the interpreter could not compile: a range its formula reads
// past the rows and columns the interpreter's references hold, with the
// limit and the way out; "" when it reads none.
std::string rangeBeyondGridCause(const Workbook* wb, const std::string& cell, const Cell* c) {
  int sheet = 0, row = 0, col = 0;
  CalcNode tree;
  CellRange range;
  if (!cellOfText(wb, cell, &sheet, &row, &col) || !Calc_parse(c->formula, &tree, nullptr) ||
      !rangeBeyondInterpreterGrid(wb, sheet, tree, &range))
    return "";
  return "the formula of " + cell + " cannot be analysed: " +
         Fe_beyondGrid(wb, range, "the range it reads", kRefMaxRow, kRefMaxColumn, "the interpreter's references") +
         "; keep the ranges the model reads within that grid, or " + kThroughTheWorkbook;
}

// The lines Fe_say printed since the command began.
int gLinesSaid = 0;

}  // namespace

std::string Fe_movingArrayRhs(Workbook* wb, const FeModel& m) {
  for (const FeConstraint& c : m.constraints) {
    if (c.rhsIsRange || Fe_comparison(c.relation) > FeGreaterEqual) continue;
    CalcEvalResult r;
    CalcNode tree;
    if (!Calc_evaluate(wb, c.lhs.sheet, c.rhsFormula, &r) || r.value.values.size() < 2 ||
        !Calc_parse(c.rhsFormula, &tree, nullptr) ||
        !treeReadsVariables(wb, m, WbReading{c.lhs.sheet, c.lhs.sheet}, tree, 0))
      continue;
    const std::string k = std::to_string(c.number);
    return "the right-hand side of constraint " + k + " (\"solver_rhs" + k + "\", " + c.rhsFormula +
           ") is an array that moves with the variable cells, which the interpreter cannot compile";
  }
  return "";
}

void Fe_say(const std::string& text) {
  ++gLinesSaid;
  std::fprintf(stderr, "%s%s\n", Fe_where().c_str(), Fe_visibleText(text).c_str());
}

int Fe_linesSaid() { return gLinesSaid; }

std::string Fe_lateSheet(const Workbook* wb, int sheet) {
  return "sheet '" + wb->sheets[static_cast<size_t>(sheet)]->name + "', sheet " + std::to_string(sheet + 1) +
         " of the workbook, past the " + std::to_string(kRefMaxSheet) +
         " sheets that the interpreter's references hold";
}

std::string Fe_interpreterUncalculated(Workbook* wb, const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::string>* error = errorRow(rows);
  std::string at;
  const Cell* c = error ? cellOfRow(wb, *error, &at) : nullptr;
  if (!c || std::atoi((*error)[2].c_str()) != kStatusUnknownFunction) return "";
  std::vector<FeUncalculated> calls;
  Fe_interpreterUncalculatedCalls(c->formula, at, &calls);
  return calls.empty() ? "" : Fe_unknownFunctions(calls, "the interpreter");
}

std::string Fe_interpreterUndifferentiated(Workbook* wb, const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::string>* error = errorRow(rows);
  std::string at;
  const Cell* c = error ? cellOfRow(wb, *error, &at) : nullptr;
  const int code = error ? std::atoi((*error)[2].c_str()) : kStatusOk;
  // An error value the interpreter returned where the workbook's cell holds
  // none is a function without a slope (ROUND, a lookup by a variable key).
  const bool noSlope = code == kStatusErrorValueReturned && c && c->value.kind != CellKind::Error;
  if (!c || (code != kStatusUnsupportedFunction && code != kStatusNoSizingPass && !noSlope)) return "";
  std::vector<std::string> functions;
  Fe_calculatedCalls(c->formula, &functions);
  if (functions.empty()) return "";
  std::string list;
  for (size_t k = 0; k < functions.size(); ++k)
    list += (k == 0 ? "" : k + 1 == functions.size() ? " and " : ", ") + functions[k];
  return list + " (in " + at + ")" +
         (functions.size() == 1 ? ", which the interpreter calculates but cannot differentiate"
                                : ", one of which the interpreter calculates but cannot differentiate");
}

bool Fe_explainInterpreterStop(Workbook* wb, const std::vector<std::vector<std::string>>& rows) {
  const std::vector<std::string>* error = errorRow(rows);
  if (!error) return false;
  const std::string& cell = (*error)[4];
  const Cell* c = cellOfRow(wb, *error);
  const int late = c ? lateSheetIn(wb, c->formula) : -1;
  if (late >= 0) {
    Fe_say("the formula of " + cell + " reads " + Fe_lateSheet(wb, late) + ", so it cannot be analysed");
    return true;
  }
  if (const std::string uncalculated = Fe_interpreterUncalculated(wb, rows); !uncalculated.empty()) {
    Fe_say("the model cannot be analysed: it uses " + uncalculated);
    return true;
  }
  const int code = std::atoi((*error)[2].c_str());
  std::string unread;
  if (c && code == kStatusUndefinedIdentifier) unread = rangeBeyondGridCause(wb, cell, c);
  if (c && code == kStatusInvalidToken) unread = backslashNameCause(cell, c);
  if (!unread.empty()) {
    Fe_say(unread);
    return true;
  }
  Fe_say("the formula of " + cell + " cannot be analysed: " + Fe_interpreterStatusWords(code));
  return true;
}

bool Fe_explainUnboundedVariables(Workbook* wb, const FeModel& m, const std::string& needs) {
  // Cells named one by one; the rest by their count.
  constexpr int kListed = 5;
  std::string list;
  int count = 0;
  for (const FeCellBounds& b : Fe_variableBounds(wb, m)) {
    const bool noLower = b.lower <= -kBoundInfinity, noUpper = b.upper >= kBoundInfinity;
    if (!noLower && !noUpper) continue;
    if (++count > kListed) continue;
    list += (count == 1 ? "" : ", ") + Fe_cellName(wb, b.sheet, b.row, b.col) +
            (noLower && noUpper ? " (no lower or upper bound)"
             : noLower          ? " (no lower bound)"
                                : " (no upper bound)");
  }
  if (count == 0) return false;
  if (count > kListed) list += " and " + std::to_string(count - kListed) + " more";
  Fe_say(needs + " needs a finite lower and upper bound on every variable cell, and " + std::to_string(count) +
         (count == 1 ? " has none: " : " have none: ") + list +
         "; bound each with constraints of the cell against numbers");
  return true;
}

void Fe_printFaults(const FeModel& m) {
  for (const std::string& f : m.faults) Fe_say(f);
}

bool Fe_explainRefusal(Workbook* wb, const FeModel& m) {
  if (!m.faults.empty()) {
    Fe_printFaults(m);
    return true;
  }
  return explainInterpreterLimits(wb, m) || explainObjective(wb, m, nullptr) || explainConstraintCells(wb, m, nullptr);
}

void Fe_explainFailure(Workbook* wb, const FeModel& m, bool modelRefused, bool endedAtAPoint,
                       const std::string& engine, const FeStartValues& start) {
  if (!m.faults.empty() && modelRefused) {
    Fe_printFaults(m);
    return;
  }
  if (modelRefused && (explainInterpreterLimits(wb, m) || explainRowKinds(m, engine))) return;
  if (engine.empty()) {
    Fe_say("\"solver_eng\" is " + std::to_string(m.engine) +
           ", which names no engine; `corvan engines BOOK` lists their numbers");
    return;
  }
  if (explainObjective(wb, m, &start) || explainConstraintCells(wb, m, &start) || explainCrossedBounds(wb, m)) return;
  if (endedAtAPoint && !explainViolatedRow(wb, m) && !Fe_pointIsFeasible(wb, m))
    Fe_say("the point the run ended at does not satisfy the constraints");
}
