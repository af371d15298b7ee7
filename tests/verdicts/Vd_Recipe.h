// A generated model as a recipe: its variable cells with bounds, kinds and
// start values, its rows, its objective, and what is known of it by
// construction (a feasible point and the optimum). The recipe computes its
// own rows and objective at any point, without the library, writes itself
// out as a model workbook and describes itself in words for a report.
#pragma once

#include <limits>
#include <string>
#include <utility>
#include <vector>

inline constexpr double kVdInfinity = std::numeric_limits<double>::infinity();

// An AllDifferent cell takes a whole number 1..n, distinct within its group.
enum class VdKind { Continuous, Integer, Binary, AllDifferent };
// The relations as the "solver_rel" names store them.
enum class VdRelation { Le = 1, Eq = 2, Ge = 3 };
// "solver_typ": maximise 1, minimise 2, value of 3 ("solver_val" the
// recipe's optimum); None writes no objective.
enum class VdSense { None = 0, Max = 1, Min = 2, Value = 3 };
// What the model is, which decides what each engine owes it. Smooth: rows
// no linear or conic engine takes (products, circles, EXP, LN, squares
// bounded below) whose only local optimum is the global one.
enum class VdClass { Lp, Milp, Qp, Miqp, System, ConvexRows, Smooth };

struct VdVariable {
  double lower = -kVdInfinity, upper = kVdInfinity;
  VdKind kind = VdKind::Continuous;
  double start = 0;
};

// coefficient times the product of the variables `factors` names (by
// index, repeats allowed), or times EXP or LN of its one factor.
enum class VdFunction { Product, Exp, Ln };
struct VdTerm {
  double coefficient = 1;
  std::vector<int> factors;
  VdFunction function = VdFunction::Product;
};

// How a row's right-hand side is written: a number in its cell, a formula
// in its cell, a defined name of that cell, or a constant in the
// "solver_rhs" name itself.
enum class VdRhs { Cell, CellFormula, Name, Constant };

// sum_j linear[j] x_j + cubic[j] x_j^3 + square[j] (x_j - centre[j])^2
// + the terms (cubic, square and centre empty when the row has no such terms).
struct VdRow {
  std::vector<double> linear, cubic, square, centre;
  std::vector<VdTerm> terms;
  VdRelation relation = VdRelation::Le;
  double rhs = 0;
  bool sumproduct = false;  // written as SUMPRODUCT over coefficient cells
  VdRhs rhsStyle = VdRhs::Cell;
};

// sum_j weight[j] (x_j - centre[j])^2 + linear[j] x_j (weight empty when linear).
struct VdObjective {
  VdSense sense = VdSense::Min;
  std::vector<double> linear, weight, centre;
  bool sumproduct = false;  // the linear part as SUMPRODUCT over coefficient cells
};

struct VdRecipe {
  std::string generator;
  unsigned long long seed = 0;
  VdClass kind = VdClass::Lp;
  std::vector<VdVariable> variables;
  std::vector<VdRow> rows;
  VdObjective objective;
  bool nonNegative = false;  // "solver_neg" 1: lower bounds of 0 are left to the option
  // Runs of neighbouring rows with one relation written as one constraint
  // over their ranges (B8:B10 <= C8:C10).
  bool rangeConstraints = false;
  // AllDifferent groups as (first variable, count): neighbouring variables.
  std::vector<std::pair<int, int>> groups;
  double optimum = 0;           // the objective's optimal value (systems: none)
  std::vector<double> planted;  // a feasible point (the optimum's, or the planted root)
};

// The objective's value at x.
double Vd_objectiveValue(const VdRecipe& r, const std::vector<double>& x);
// The left-hand side of row `row` at x, and the size of the terms it is
// computed from.
double Vd_rowValue(const VdRow& row, const std::vector<double>& x);
double Vd_rowScale(const VdRow& row, const std::vector<double>& x);
// The size of the terms the objective is computed from at x, for
// tolerances relative to scale.
double Vd_objectiveScale(const VdRecipe& r, const std::vector<double>& x);
// How x breaks the model (a row, a bound, the non-negative option, an
// integer kind or an AllDifferent group), "" when it holds every row within
// the tolerance the constraint table uses (`strict`: 1000 times less) and
// every bound but for rounding.
std::string Vd_violation(const VdRecipe& r, const std::vector<double>& x, bool strict = false);

// The model as a workbook at `path` (sheet "Model", variable cells B2...).
bool Vd_write(const VdRecipe& r, const std::string& path, std::string* error);
// Where the variable cells and the objective sit (0-based row and column).
int Vd_variableRow();
int Vd_variableColumn(int j);
int Vd_objectiveRow();
int Vd_objectiveColumn();

// Enough to rebuild the model by hand: cells, formulas, names, bounds,
// start and the known optimum.
std::string Vd_describe(const VdRecipe& r);
// A number as the workbook's formulas and cells carry it (shortest form
// that reads back as the same double).
std::string Vd_number(double x);
