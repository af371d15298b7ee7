// What the interval search asks of a model, and the search's shared state.
// The model is a table of evaluations over points and boxes of the
// variables (1-based arrays): function 0 is the objective (when there is
// one) and functions 1..m are the constraints, each given as left side
// minus right side. The library binds the table to the formula
// interpreter's evaluation modes; tests bind it to functions of their own.
// The wrappers below run one evaluation, count it in the search statistics
// and orient it: a greater-or-equal row and a maximised objective are
// negated, so that every inequality reads value <= 0 and the search always
// minimises.
#pragma once

#include <cmath>
#include <vector>

#include "engines/interval/Ia_Integers.h"
#include "engines/interval/Ia_Options.h"

// Relation of a constraint row, as the interpreter's function table codes it.
enum IaRelation : int {
  IaRelEqual = 1,
  IaRelLess = 3,
  IaRelLessEq = 4,
  IaRelGreater = 5,
  IaRelGreaterEq = 6,
};

// Evaluation status that proves the box holds no point of the functions'
// domain ("Unfeasible argument !"): such a box is dead.
constexpr int kIaUnfeasibleArgument = 31;
// Evaluation status of an evaluation the library interrupted (a limit
// reached or a break inside it).
constexpr int kIaInterrupted = 1;
// Evaluation status of a function that gives no intervals at all.
constexpr int kIaNoIntervals = 39;
// Evaluation status of a point where the function gives no number (NaN).
constexpr int kIaNoNumber = -1;
// Whether a failed evaluation ends the search: an interrupted one, or one of
// a function that gives no intervals, fails on every box alike. Any other
// failure concerns what was evaluated alone (a division by an interval
// through 0 in a box, a point outside a function's domain).
bool Ia_failureEndsSearch(int rc);

// An affine form of one function over a box: with m_i = 0.5 lo_i + 0.5 hi_i
// and w_i the half width about m_i that covers box_i, the function lies in
// centre + sum coef_i (x_i - m_i) + [-radius, radius], and within enclosure.
struct IaAffineForm {
  double centre = 0, radius = 0;
  std::vector<double> coef;  // 1..n
  Interval enclosure{-INFINITY, INFINITY};
  std::vector<double> mid;  // 1..n: the m_i of the box it was computed on
};

// Problem classes of a model: objective only, objective and constraints, a
// square system of equations, inequalities without an objective.
enum IaProblemClass : int {
  IaClassSeveralObjectives = 0,
  IaClassObjective = 1,
  IaClassConstrained = 2,
  IaClassEquations = 3,
  IaClassInequalities = 4,
  IaClassOther = 5,
};

// Each evaluation returns 0, or the interpreter's status of its failure.
struct IaModel {
  void* user = nullptr;
  int n = 0, m = 0;
  int problemClass = IaClassObjective;
  std::vector<int> relation;  // 1..m, IaRelation
  // The value at a point.
  int (*point)(void* user, int k, const double* x, double* value) = nullptr;
  // Enclosures over a box of the value, and of the gradient (1..n).
  int (*box)(void* user, int k, const Interval* box, Interval* value) = nullptr;
  int (*boxGradient)(void* user, int k, const Interval* box, Interval* value, Interval* gradient) = nullptr;
  // The same with the Hessian, (n + 1) x (n + 1) row by row (row and
  // column 0 unused).
  int (*boxHessian)(void* user, int k, const Interval* box, Interval* value, Interval* gradient,
                    Interval* hessian) = nullptr;
  int (*affine)(void* user, int k, const Interval* box, IaAffineForm* form) = nullptr;
  // Narrows the box by the row's relation (forward-backward propagation)
  // and gives the row's range oriented as <= 0 or = 0. Null: none offered.
  int (*propagate)(void* user, int k, int relation, Interval* box, Interval* range) = nullptr;
};

struct IaCounters {
  int values = 0, gradients = 0, hessians = 0, newton = 0;
};

// One search over a model: its options and start box, the counters, and
// the proof state of the box being bounded.
struct IaSearchContext {
  const IaModel* model = nullptr;
  int n = 0, m = 0;
  IaOptions options;
  bool maximise = false;
  IaBox start;  // the variables' bounds, 1..n
  IaCounters counts;
  std::vector<char> proven;  // 1..m: the row holds on the whole box
  // 1..m: how far the row's oriented value may miss at a point taken for a
  // solution, the precision relative to the row's right-hand side.
  std::vector<double> rowTolerance;
  // 1..n: the variables kept whole (empty: none); a box's integer
  // components have whole ends after every contraction.
  IaIntegerFlags integer;
  void* owner = nullptr;     // the caller's, for its iteration report and clock
  bool interrupted = false;  // an evaluation failed with the interrupt status
  bool optimisation = false;  // the search has an objective (not a system's solutions)
  // The Lagrangian multipliers (1..m) of the rows binding at the incumbent,
  // and the incumbent value they were taken at.
  std::vector<double> incumbentMultipliers;
  double multipliersAt = NAN;
  // 1..n: no function depends on the variable over the start box (empty:
  // not yet known).
  std::vector<char> inert;
};

// A context for the model with the start box [lower_i, upper_i].
IaSearchContext Ia_searchContext(const IaModel& model, const IaOptions& options, bool maximise, const IaBox& start);
// The share of its tolerance an optimisation's row keeps: far above the
// rounding of the model's coefficients, far below what would keep boxes
// alive about the row's surface.
constexpr double kIaRoundingShare = 1e-6;
// How far the contraction lets row k (k >= 1) miss: its tolerance, as far
// as a point taken for a solution may miss it, in a search that keeps
// integer variables whole (a whole point may keep a row only within
// rounding); in an optimisation a share of it (a row of coefficients far
// apart in size whose only feasible points lie on a bound may miss there by
// the rounding of its coefficients: boxes narrowed to the exact row would
// lose them); a system's rows nothing, and boxes narrow to the exact row
// (its solutions to the accuracy).
double Ia_rowSlack(const IaSearchContext& s, int k);
// -1 for a greater-or-equal row (k >= 1) or a maximised objective (k = 0).
double Ia_orientation(const IaSearchContext& s, int k);
bool Ia_isEquality(const IaSearchContext& s, int k);
// The oriented evaluations; each counts itself on success.
int Ia_evalPoint(IaSearchContext& s, int k, const double* x, double* value);
int Ia_evalBox(IaSearchContext& s, int k, const Interval* box, Interval* value);
int Ia_evalIvGradient(IaSearchContext& s, int k, const Interval* box, Interval* value, Interval* gradient);
// Value, gradient and Hessian ((n + 1) x (n + 1)) over the box.
int Ia_evalIvHessian(IaSearchContext& s, int k, const Interval* box, Interval* value, Interval* gradient,
                     Interval* hessian);
int Ia_evalAffine(IaSearchContext& s, int k, const Interval* box, IaAffineForm* form);
// The interval value of function k at the point c, a point box.
int Ia_evalAtPoint(IaSearchContext& s, int k, const double* c, Interval* value);
// Whether the form is bounded: its centre, radius, coefficients and mid
// point are finite. An unbounded form (from a gradient without finite
// bounds, a division by an interval through 0, an overflow) gives neither a
// range nor a contraction; only its enclosure, when that has no NaN bound.
bool Ia_formBounded(const IaAffineForm& form, int n);
// The range of an affine form over a box inside the one it was computed on;
// the enclosure (or the whole line) for a form that is not bounded.
Interval Ia_affineRange(const IaAffineForm& form, const Interval* box, int n);
// Fills the form (whose mid is set) with the mean-value form
// f(m) + G (x - m) of a function whose value at m encloses in atMid, whose
// gradient over the box encloses in gradient (1..n) and whose value over the
// box in overBox: the form for a model that offers no affine evaluation.
// With a gradient that is not bounded it is the constant form of overBox
// (unbounded when overBox is).
void Ia_meanValueForm(const Interval& atMid, const Interval* gradient, const Interval& overBox, const Interval* box,
                      int n, IaAffineForm* form);
// The midpoints of the box's components, 1..n.
void Ia_midpoints(int n, const Interval* box, std::vector<double>& c);
// Propagation of row k over the box (narrowed in place); 0 with *range left
// whole when the model offers no propagation.
int Ia_evalPropagate(IaSearchContext& s, int k, Interval* box, Interval* range);
