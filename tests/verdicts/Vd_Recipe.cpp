// A generated model's own arithmetic, its workbook and its description.
#include "tests/verdicts/Vd_Recipe.h"

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

namespace {

// The table's test (1e-6 relative to 1 + |right-hand side|), plus the
// rounding of a sum of large terms that cancel.
constexpr double kRowTolerance = 1e-6;
constexpr double kRoundoff = 1e-12;
// Rows held all but exactly, for a point better than the optimum: its gain
// is then no use of the rows' tolerance.
constexpr double kStrictRowTolerance = 1e-9;
// A bound holds but for the rounding of a solve (parts in 1E+09): an engine
// puts a bound it overshot within its tolerance back on the bound, and
// 3E-07 past a bound of 3E-07 is no bound kept.
constexpr double kBoundTolerance = 1e-9;
// An integer cell holds a whole number: what the run saves is what the user
// reads, and 2.3E-08 in a binary cell is no binary.
constexpr double kIntegerTolerance = 1e-9;

// Sheet layout (0-based rows): labels, variable cells, lower and upper
// bounds, objective coefficients, objective, headings, then the rows.
constexpr int kLabelRow = 0, kValueRow = 1, kLowerRow = 2, kUpperRow = 3, kCostRow = 4, kObjectiveRow = 5,
              kHeadingRow = 6, kFirstRow = 7;
constexpr int kFormulaColumn = 1, kRhsColumn = 2, kCoefficientColumn = 3;
const char* const kSheet = "Model";

std::string cell(int row, int col) { return Wb_a1(row, col); }
std::string absolute(int row, int col) { return std::string(kSheet) + "!" + Wb_a1(row, col, true); }
std::string variableCell(int j) { return cell(kValueRow, Vd_variableColumn(j)); }

// " + c*X" with its sign; the first term without a plus. A power is always
// written with its coefficient, as a leading minus binds before "^".
void addTerm(std::string* f, double c, const std::string& factor, bool power) {
  if (c == 0) return;
  const bool first = f->size() == 1;
  if (c < 0) *f += "-";
  else if (!first) *f += "+";
  const double m = std::fabs(c);
  if (m != 1 || power) *f += Vd_number(m) + "*";
  *f += factor;
}

std::string shifted(const std::string& x, double centre) {
  if (centre == 0) return x;
  return "(" + x + (centre < 0 ? "+" : "-") + Vd_number(std::fabs(centre)) + ")";
}

std::string variablesRange(size_t n) {
  return Wb_a1(kValueRow, Vd_variableColumn(0), true) + ":" +
         Wb_a1(kValueRow, Vd_variableColumn(static_cast<int>(n) - 1), true);
}

std::string sumproduct(size_t n, int row, int firstCol) {
  return "SUMPRODUCT(" + variablesRange(n) + "," + cell(row, firstCol) + ":" +
         cell(row, firstCol + static_cast<int>(n) - 1) + ")";
}

// A term's factor as written: "B2*C2*D2", "EXP(B2)" or "LN(B2)".
std::string termFactor(const VdTerm& t) {
  if (t.function != VdFunction::Product)
    return std::string(t.function == VdFunction::Exp ? "EXP(" : "LN(") + variableCell(t.factors[0]) + ")";
  std::string s;
  for (size_t k = 0; k < t.factors.size(); ++k) s += (k ? "*" : "") + variableCell(t.factors[k]);
  return s;
}

double termValue(const VdTerm& t, const std::vector<double>& x) {
  if (t.function == VdFunction::Exp) return t.coefficient * std::exp(x[t.factors[0]]);
  if (t.function == VdFunction::Ln) return t.coefficient * std::log(x[t.factors[0]]);
  double p = t.coefficient;
  for (int j : t.factors) p *= x[j];
  return p;
}

std::string rowFormula(const VdRow& row, int sheetRow) {
  std::string f = "=";
  if (row.sumproduct) f += sumproduct(row.linear.size(), sheetRow, kCoefficientColumn);
  for (size_t j = 0; j < row.linear.size(); ++j) {
    if (!row.sumproduct) addTerm(&f, row.linear[j], variableCell(static_cast<int>(j)), false);
    if (!row.cubic.empty()) addTerm(&f, row.cubic[j], variableCell(static_cast<int>(j)) + "^3", true);
    if (!row.square.empty())
      addTerm(&f, row.square[j], shifted(variableCell(static_cast<int>(j)), row.centre[j]) + "^2", true);
  }
  for (const VdTerm& t : row.terms) addTerm(&f, t.coefficient, termFactor(t), false);
  return f;
}

std::string objectiveFormula(const VdObjective& o) {
  std::string f = "=";
  if (o.sumproduct) f += sumproduct(o.linear.size(), kCostRow, Vd_variableColumn(0));
  for (size_t j = 0; j < o.linear.size(); ++j) {
    const std::string x = variableCell(static_cast<int>(j));
    if (!o.weight.empty()) addTerm(&f, o.weight[j], shifted(x, o.centre[j]) + "^2", true);
    if (!o.sumproduct) addTerm(&f, o.linear[j], x, false);
  }
  return f;
}

struct Constraint {
  std::string lhs, relation, rhs;
};

std::string rhsName(size_t i) { return "rhs_r" + std::to_string(i + 1); }

// What "solver_rhs" holds for row i.
std::string rhsDefinition(const VdRecipe& r, size_t i) {
  const VdRow& row = r.rows[i];
  if (row.rhsStyle == VdRhs::Name) return rhsName(i);
  if (row.rhsStyle == VdRhs::Constant) return Vd_number(row.rhs);
  return absolute(kFirstRow + static_cast<int>(i), kRhsColumn);
}

bool inCell(const VdRow& row) { return row.rhsStyle == VdRhs::Cell || row.rhsStyle == VdRhs::CellFormula; }

// The last row of the run of rows from `first` one constraint takes.
size_t runEnd(const VdRecipe& r, size_t first) {
  size_t last = first;
  if (!r.rangeConstraints || !inCell(r.rows[first])) return last;
  while (last + 1 < r.rows.size() && inCell(r.rows[last + 1]) && r.rows[last + 1].relation == r.rows[first].relation)
    ++last;
  return last;
}

std::string rows(int column, size_t first, size_t last) {
  return absolute(kFirstRow + static_cast<int>(first), column) + ":" +
         Wb_a1(kFirstRow + static_cast<int>(last), column, true);
}

// The model's constraints as the "solver_*" names list them: the rows, then
// each variable's bounds and kind, then the AllDifferent groups.
std::vector<Constraint> constraints(const VdRecipe& r) {
  std::vector<Constraint> out;
  for (size_t i = 0; i < r.rows.size();) {
    const size_t last = runEnd(r, i);
    const std::string relation = std::to_string(static_cast<int>(r.rows[i].relation));
    if (last == i)
      out.push_back({absolute(kFirstRow + static_cast<int>(i), kFormulaColumn), relation, rhsDefinition(r, i)});
    else out.push_back({rows(kFormulaColumn, i, last), relation, rows(kRhsColumn, i, last)});
    i = last + 1;
  }
  for (size_t j = 0; j < r.variables.size(); ++j) {
    const VdVariable& v = r.variables[j];
    const int col = Vd_variableColumn(static_cast<int>(j));
    const std::string x = absolute(kValueRow, col);
    if (v.kind == VdKind::AllDifferent) continue;
    if (v.kind == VdKind::Binary) {
      out.push_back({x, "5", "binary"});
      continue;
    }
    if (std::isfinite(v.lower) && !(r.nonNegative && v.lower == 0)) out.push_back({x, "3", absolute(kLowerRow, col)});
    if (std::isfinite(v.upper)) out.push_back({x, "1", absolute(kUpperRow, col)});
    if (v.kind == VdKind::Integer) out.push_back({x, "4", "integer"});
  }
  for (const auto& [first, count] : r.groups)
    out.push_back({absolute(kValueRow, Vd_variableColumn(first)) + ":" +
                       Wb_a1(kValueRow, Vd_variableColumn(first + count - 1), true),
                   "6", "AllDifferent"});
  return out;
}

std::vector<std::pair<std::string, std::string>> names(const VdRecipe& r) {
  std::vector<std::pair<std::string, std::string>> out;
  if (r.objective.sense != VdSense::None) {
    out.push_back({"solver_opt", absolute(kObjectiveRow, kFormulaColumn)});
    out.push_back({"solver_typ", std::to_string(static_cast<int>(r.objective.sense))});
    if (r.objective.sense == VdSense::Value) out.push_back({"solver_val", Vd_number(r.optimum)});
  }
  for (size_t i = 0; i < r.rows.size(); ++i)
    if (r.rows[i].rhsStyle == VdRhs::Name)
      out.push_back({rhsName(i), absolute(kFirstRow + static_cast<int>(i), kRhsColumn)});
  out.push_back({"solver_adj", std::string(kSheet) + "!" + variablesRange(r.variables.size())});
  const std::vector<Constraint> cs = constraints(r);
  out.push_back({"solver_num", std::to_string(cs.size())});
  for (size_t k = 0; k < cs.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    out.push_back({"solver_lhs" + n, cs[k].lhs});
    out.push_back({"solver_rel" + n, cs[k].relation});
    out.push_back({"solver_rhs" + n, cs[k].rhs});
  }
  out.push_back({"solver_neg", r.nonNegative ? "1" : "2"});
  return out;
}

void number(Workbook* wb, Sheet* sh, int row, int col, double x) {
  Wb_setValue(wb, sh, row, col, CellValue::makeNumber(x));
}
void text(Workbook* wb, Sheet* sh, int row, int col, const std::string& t) {
  Wb_setValue(wb, sh, row, col, CellValue::makeText(t));
}

void writeVariables(Workbook* wb, Sheet* sh, const VdRecipe& r) {
  const char* labels[] = {"variable", "value", "lower", "upper", "cost"};
  for (int row = kLabelRow; row <= kCostRow; ++row) text(wb, sh, row, 0, labels[row]);
  for (size_t j = 0; j < r.variables.size(); ++j) {
    const VdVariable& v = r.variables[j];
    const int col = Vd_variableColumn(static_cast<int>(j));
    text(wb, sh, kLabelRow, col, "x" + std::to_string(j + 1));
    number(wb, sh, kValueRow, col, v.start);
    if (std::isfinite(v.lower)) number(wb, sh, kLowerRow, col, v.lower);
    if (std::isfinite(v.upper)) number(wb, sh, kUpperRow, col, v.upper);
    if (r.objective.sumproduct) number(wb, sh, kCostRow, col, r.objective.linear[j]);
  }
}

void writeRows(Workbook* wb, Sheet* sh, const VdRecipe& r) {
  text(wb, sh, kHeadingRow, 0, "row");
  text(wb, sh, kHeadingRow, kFormulaColumn, "lhs");
  text(wb, sh, kHeadingRow, kRhsColumn, "rhs");
  for (size_t i = 0; i < r.rows.size(); ++i) {
    const VdRow& row = r.rows[i];
    const int at = kFirstRow + static_cast<int>(i);
    text(wb, sh, at, 0, "r" + std::to_string(i + 1));
    Wb_setFormula(wb, sh, at, kFormulaColumn, rowFormula(row, at));
    if (row.rhsStyle == VdRhs::CellFormula)  // twice the value halved: exact, and a formula
      Wb_setFormula(wb, sh, at, kRhsColumn, "=" + Vd_number(2 * row.rhs) + "/2");
    else number(wb, sh, at, kRhsColumn, row.rhs);
    if (row.sumproduct)
      for (size_t j = 0; j < row.linear.size(); ++j)
        number(wb, sh, at, kCoefficientColumn + static_cast<int>(j), row.linear[j]);
  }
}

const char* relationText(VdRelation rel) { return rel == VdRelation::Le ? "<=" : rel == VdRelation::Eq ? "=" : ">="; }

const char* kindText(VdKind k) {
  switch (k) {
    case VdKind::Integer: return "integer";
    case VdKind::Binary: return "binary";
    case VdKind::AllDifferent: return "alldifferent";
    default: return "continuous";
  }
}

const char* classText(VdClass c) {
  switch (c) {
    case VdClass::Lp: return "LP";
    case VdClass::Milp: return "MILP";
    case VdClass::Qp: return "convex QP";
    case VdClass::Miqp: return "integer convex QP";
    case VdClass::System: return "system of equations";
    case VdClass::ConvexRows: return "linear objective over convex quadratic rows";
    case VdClass::Smooth: return "nonlinear rows with one local optimum";
  }
  return "";
}

const char* senseText(VdSense sense) {
  return sense == VdSense::Max ? "maximise" : sense == VdSense::Min ? "minimise" : "value of";
}

const char* rhsText(VdRhs style) {
  switch (style) {
    case VdRhs::CellFormula: return " (right-hand side a formula in its cell)";
    case VdRhs::Name: return " (right-hand side a defined name of its cell)";
    case VdRhs::Constant: return " (right-hand side a constant in \"solver_rhs\")";
    default: return "";
  }
}

std::string bound(double x) { return std::isfinite(x) ? Vd_number(x) : x < 0 ? "-inf" : "inf"; }

std::string point(const std::vector<double>& x) {
  std::string s = "(";
  for (size_t j = 0; j < x.size(); ++j) s += (j ? ", " : "") + Vd_number(x[j]);
  return s + ")";
}

// Each AllDifferent group holds the whole numbers 1..n, each once.
std::string groupViolation(const VdRecipe& r, const std::vector<double>& x) {
  for (const auto& [first, count] : r.groups) {
    std::vector<bool> seen(static_cast<size_t>(count) + 1, false);
    for (int j = first; j < first + count; ++j) {
      const double k = std::round(x[j]);
      if (k < 1 || k > count || seen[static_cast<size_t>(k)])
        return "x" + std::to_string(j + 1) + " = " + Vd_number(x[j]) + " breaks the alldifferent group of " +
               std::to_string(count) + " from x" + std::to_string(first + 1);
      seen[static_cast<size_t>(k)] = true;
    }
  }
  return "";
}

}  // namespace

int Vd_variableRow() { return kValueRow; }
int Vd_variableColumn(int j) { return 1 + j; }
int Vd_objectiveRow() { return kObjectiveRow; }
int Vd_objectiveColumn() { return kFormulaColumn; }

std::string Vd_number(double x) {
  char buf[40];
  const std::to_chars_result end = std::to_chars(buf, buf + sizeof buf, x);
  std::string s(buf, end.ptr);
  for (char& c : s)
    if (c == 'e') c = 'E';
  return s;
}

double Vd_rowValue(const VdRow& row, const std::vector<double>& x) {
  double s = 0;
  for (size_t j = 0; j < row.linear.size(); ++j) {
    s += row.linear[j] * x[j];
    if (!row.cubic.empty()) s += row.cubic[j] * x[j] * x[j] * x[j];
    if (!row.square.empty()) s += row.square[j] * (x[j] - row.centre[j]) * (x[j] - row.centre[j]);
  }
  for (const VdTerm& t : row.terms) s += termValue(t, x);
  return s;
}

double Vd_rowScale(const VdRow& row, const std::vector<double>& x) {
  double s = 0;
  for (size_t j = 0; j < row.linear.size(); ++j) {
    s += std::fabs(row.linear[j] * x[j]);
    if (!row.cubic.empty()) s += std::fabs(row.cubic[j] * x[j] * x[j] * x[j]);
    if (!row.square.empty()) s += std::fabs(row.square[j]) * std::pow(std::fabs(x[j]) + std::fabs(row.centre[j]), 2);
  }
  for (const VdTerm& t : row.terms) s += std::fabs(termValue(t, x));
  return s;
}

double Vd_objectiveValue(const VdRecipe& r, const std::vector<double>& x) {
  const VdObjective& o = r.objective;
  double s = 0;
  for (size_t j = 0; j < o.linear.size(); ++j) {
    s += o.linear[j] * x[j];
    if (!o.weight.empty()) s += o.weight[j] * (x[j] - o.centre[j]) * (x[j] - o.centre[j]);
  }
  return s;
}

double Vd_objectiveScale(const VdRecipe& r, const std::vector<double>& x) {
  const VdObjective& o = r.objective;
  double s = 0;
  for (size_t j = 0; j < o.linear.size(); ++j) {
    s += std::fabs(o.linear[j] * x[j]);
    // w (x - t)^2 is computed from terms as large as |w| (|x| + |t|)^2.
    if (!o.weight.empty()) s += std::fabs(o.weight[j]) * std::pow(std::fabs(x[j]) + std::fabs(o.centre[j]), 2);
  }
  return s;
}

std::string Vd_violation(const VdRecipe& r, const std::vector<double>& x, bool strict) {
  for (size_t i = 0; i < r.rows.size(); ++i) {
    const VdRow& row = r.rows[i];
    const double v = Vd_rowValue(row, x);
    const double tol =
        (strict ? kStrictRowTolerance : kRowTolerance) * (1 + std::fabs(row.rhs)) + kRoundoff * Vd_rowScale(row, x);
    const bool holds = row.relation == VdRelation::Le   ? v <= row.rhs + tol
                       : row.relation == VdRelation::Ge ? v >= row.rhs - tol
                                                        : std::fabs(v - row.rhs) <= tol;
    if (!holds)
      return "row r" + std::to_string(i + 1) + " is " + Vd_number(v) + ", not " + relationText(row.relation) + " " +
             Vd_number(row.rhs);
  }
  for (size_t j = 0; j < r.variables.size(); ++j) {
    const VdVariable& v = r.variables[j];
    const std::string name = "x" + std::to_string(j + 1) + " = " + Vd_number(x[j]);
    if (r.nonNegative && x[j] < -kBoundTolerance) return name + " is negative under the non-negative option";
    if (x[j] < v.lower - kBoundTolerance * (1 + std::fabs(v.lower))) return name + " is below its lower bound";
    if (x[j] > v.upper + kBoundTolerance * (1 + std::fabs(v.upper))) return name + " is above its upper bound";
    if (v.kind != VdKind::Continuous && std::fabs(x[j] - std::round(x[j])) > kIntegerTolerance)
      return name + " is " + kindText(v.kind) + " but saved fractional";
  }
  return groupViolation(r, x);
}

bool Vd_write(const VdRecipe& r, const std::string& path, std::string* error) {
  Workbook* wb = Wb_newWorkbook("model.xlsx");
  Sheet* sh = Wb_addSheet(wb, kSheet);
  writeVariables(wb, sh, r);
  text(wb, sh, kObjectiveRow, 0, "objective");
  if (r.objective.sense != VdSense::None)
    Wb_setFormula(wb, sh, kObjectiveRow, kFormulaColumn, objectiveFormula(r.objective));
  writeRows(wb, sh, r);
  for (const auto& [name, value] : names(r)) Wb_defineName(wb, DefinedName{name, value, -1, true});
  Calc_recalculate(wb);
  const bool saved = Xlsx_save(wb, path, error);
  Wb_closeWorkbook(wb);
  return saved;
}

std::string Vd_describe(const VdRecipe& r) {
  std::string s = "model " + r.generator + " seed " + std::to_string(r.seed) + ": " + classText(r.kind) + ", " +
                  std::to_string(r.variables.size()) + " variables, " + std::to_string(r.rows.size()) + " rows\n";
  for (size_t j = 0; j < r.variables.size(); ++j) {
    const VdVariable& v = r.variables[j];
    s += "  x" + std::to_string(j + 1) + " " + variableCell(static_cast<int>(j)) + ": start " + Vd_number(v.start) +
         ", bounds [" + bound(v.lower) + ", " + bound(v.upper) + "], " + kindText(v.kind) + "\n";
  }
  if (r.objective.sense != VdSense::None) {
    s += std::string("  ") + senseText(r.objective.sense) + " " + cell(kObjectiveRow, kFormulaColumn) + " " +
         objectiveFormula(r.objective);
    if (r.objective.sumproduct) s += " with " + cell(kCostRow, 1) + ".. = " + point(r.objective.linear);
    s += "\n";
  }
  for (size_t i = 0; i < r.rows.size(); ++i) {
    const VdRow& row = r.rows[i];
    const int at = kFirstRow + static_cast<int>(i);
    s += "  r" + std::to_string(i + 1) + " " + cell(at, kFormulaColumn) + " " + rowFormula(row, at) + " " +
         relationText(row.relation) + " " + Vd_number(row.rhs);
    if (row.sumproduct) s += " with " + cell(at, kCoefficientColumn) + ".. = " + point(row.linear);
    s += std::string(rhsText(row.rhsStyle)) + "\n";
  }
  for (const Constraint& c : constraints(r))
    if (c.lhs.find(':') != std::string::npos) s += "  constraint " + c.lhs + " rel " + c.relation + " " + c.rhs + "\n";
  s += std::string("  solver_neg ") + (r.nonNegative ? "1" : "2") + "; ";
  if (r.objective.sense == VdSense::Value) s += "value to reach " + Vd_number(r.optimum) + ", reached at ";
  else if (r.objective.sense != VdSense::None) s += "optimum " + Vd_number(r.optimum) + " at ";
  else s += "root ";
  return s + point(r.planted) + "\n";
}
