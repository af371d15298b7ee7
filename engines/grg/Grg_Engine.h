// The GRG nonlinear engine: a generalised reduced gradient method for smooth
// models with bounds on the variables and ranged constraint rows, with
// quasi-Newton or conjugate-gradient directions, a bounded line search with
// Newton restoration of the binding rows, and derivatives by forward or
// central differences or through the host's Jacobian.
//
// The engine reaches the model only through `HostServices`, one record of
// callbacks with a user pointer, so that the framework can serve it from its
// host services. Arrays inside `GrgRecord` are 1-based (element 0 unused);
// arrays crossing `HostServices` are 0-based, as the host services have them.
#pragma once

#include <vector>

#include "contract/Bound_Infinity.h"
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "contract/Host_Services.h"

// The run as the runner's problem record carries it.
struct GrgProblem {
  unsigned flags = 0;               // ProblemFlags
  int status = 0;                   // SolveStatus
  double objective = 0.0;
  double* reducedCosts = nullptr;   // n entries when supplied
  double* multipliers = nullptr;    // one per constraint row when supplied
  std::vector<double> saved;        // saved solution x[1..n] (kept with ProblemOtherDriver)
};

// Derivative modes.
enum GrgDerivativeMode : int {
  GrgForward = 0, GrgCentral = 1, GrgAnalytic = 2, GrgForwardChecked = 3,
  GrgCentralChecked = 4, GrgAnalyticOrForward = 5, GrgAnalyticOrCentral = 6,
};

// Line-search outcome read by the iteration.
struct GrgSearchResult {
  bool failed = false;          // no point better than the start
  bool unbounded = false;       // thirty doublings without a rise
  bool heldAtBound = false;     // a basic variable or row was held on its bound
  bool superbasicAtBound = false;
  bool feasible = false;        // phase 1 reached a feasible point
};

// What the run's options and switches set at `setup`, and the engine's
// numeric constants; nothing changes them while the engine runs.
struct GrgSettings {
  int convergenceCount = 5;     // iterations of small change that end the run
  int newtonLimit = 10;         // Newton steps of one restoration
  int derivativeMode = 0;       // GrgDerivativeMode
  int quadraticEstimates = 0;   // quadratic rather than tangent estimates
  int linearityCheck = 0;
  int quasiNewtonLimit = 0;     // -1: conjugate gradients only
  int useScaling = 0;           // query 13
  int showIterations = 0;       // query 12
  double tiny = 1e-15;
  double infinity = kBoundInfinity;
  double interpolationTiny = 1e-30;
  double degenerateStep = 1e-6;
  double guardTiny = 1e-15;
  double pre = 1e-6;            // precision (real option 0)
  double scaleThreshold = 1e-5;
  double pivotTol = 1e-4;
  double stp = 1e-6;            // difference step (real option 9)
  double cvg = 1e-5;            // convergence (real option 2)
};

struct GrgRecord {
  HostServices host;
  GrgSettings settings;
  int status = 0;
  int n = 0;
  int m = 0;                    // rows, objective row included
  int hostRows = 0;             // rows the host evaluates (m, or m - 1 without objective)
  int negateObjective = 0;
  int objectiveRow = 0;
  int gradientsValid = 0;
  int iterationsReported = 0;
  int iteration = 0;
  int endCode = 0;
  int scaled = 0;

  // Model as read, and rows.
  std::vector<int> fixed, rowKind;                 // n + 1; m + 3
  std::vector<double> x0, varLower, varUpper;      // n + 1
  std::vector<double> g, gSaved, rowLower, rowUpper, gTrial, gReport, multipliers;  // m + 3
  std::vector<double> x, xl, xu, scale;            // n + m + 2 (scale only when scaling)
  std::vector<float> jac;                          // (m + 2) rows of n + 1
  std::vector<double> jacError;                    // each element's rounding error, as jac (0 when exact)
  std::vector<double> grad;                        // objective gradient, n + 1
  std::vector<int> constancy;                      // n + 1
  bool analyticRejected = false;

  // Rows and columns of the current iteration.
  std::vector<int> bindRow, basicCol, nonBinding, prevBasic;
  std::vector<int> cols, colStatus;                // column list: superbasics first
  int bindingCount = 0, nonBindingCount = 0, columnCount = 0, superbasicCount = 0;
  std::vector<double> binv;                        // bindingCount rows of (m + 2)
  std::vector<double> binvError;                   // rounding error of each element of binv
  std::vector<double> r, rOld, d, dPrev, t, u, distance, phaseGrad;  // n + m + 2 (t, u: m + 2)
  std::vector<double> xPrev;                       // point of the last optimality test
  int violatedCount = 0;
  bool phase1 = false;
  bool releaseNearRows = false;     // inequality rows within the precision of a bound but off it are not binding
  bool infeasibleProgress = false;  // the last pass converged infeasible, its violations halved

  // Directions.
  std::vector<double> factor;                      // packed upper-triangular R
  std::vector<double> directionScale;              // n + m + 2: each column's size in the directions' metric
  std::vector<double> orderShown;                  // n + 1: each variable's largest order so far in the run
  std::vector<double> rowReach;                    // n + 1: the magnitude each variable's rows tell (0: none)
  int factorSize = 0;
  bool factorAvailable = false;
  bool restart = true, steepestRetry = false, basisChanged = true, lastWasQuasiNewton = false;
  int cgCount = 0;
  double condition = 1.0;
  double lastStep = 1.0;
  bool lastSearchAtBound = false;
  bool searched = false;                           // a line search ran since the last direction
  int passSearches = 0;                            // line searches in this main-loop pass

  // Line search.
  GrgSearchResult search;
  int heldKind = 0, heldIndex = 0;                 // 1 basic position, 2 row; 0 none
  int newtonIterations = 0;

  long evaluations = 0;
  long derivativeEvaluations = 0;
  bool hostAtX = false;                            // the host's last evalProblem point is x
};

// The operations the library exports (contract/Eng_Builtins.h, defined in
// Grg_EngineOps.cpp) take the run's EngineProblem and serve the engine from
// the owner context's host services. `setup` allocates the record (problem
// word 1) and points the problem's bounds and values into it; `finish`
// frees it.

// Record and options (Grg_Record.cpp).
int Grg_setup(GrgRecord& rec, const HostServices& host, GrgProblem& problem);
int Grg_solve(GrgRecord& rec, GrgProblem& problem);
int Grg_finish(GrgRecord& rec, GrgProblem& problem);
// The user's stop code 1 asks for a new start: the run's status meanwhile.
constexpr int GrgRestart = -3;
// The status a stop code gives the run (GrgRestart for the user's stop).
int Grg_mapStop(int stop);
void Grg_poll(GrgRecord& rec);
void Grg_iterationReport(GrgRecord& rec, int number);
bool Grg_evaluate(GrgRecord& rec, double* rows);
bool Grg_evaluatePerturbed(GrgRecord& rec, int previous, int j, double value, double* rows);
double Grg_trueObjective(const GrgRecord& rec, double value);

// Iteration (Grg_Iteration.cpp).
// One main-loop pass from x; returns its end code (0 optimal, 1 converged,
// 2 no progress, 4 unbounded, 5 infeasible), stops and errors in `status`;
// sets `infeasibleProgress` for a pass that ends converged while rows are
// violated, their sum of violations halved or less.
int Grg_runPass(GrgRecord& rec);
// The objective the iteration minimises: the sum of violations while rows
// are violated, else the objective row.
double Grg_objective(const GrgRecord& rec, const double* rows);
// How far column col moves in the units of the size-weighed tests: a
// variable's size (the largest of its value and its finite bounds, or its
// box's width when less), a slack's row's change when the variables move
// by their sizes. A slack's also sets the order of magnitude the
// directions measure it in.
double Grg_columnWeight(const GrgRecord& rec, int col);
// Whether some superbasic's reduced gradient, weighed by its size, stands
// for a change of the objective the optimality test would not pass: more
// than the root of the precision times 1 + |objective|, and times the
// objective's largest change over the variables' sizes.
bool Grg_superbasicsWeigh(const GrgRecord& rec);
// The magnitude variable j's bounds tell: the largest of their finite
// magnitudes; where they tell none (0 or no finite bound), the one its rows
// tell (`rowReach`); 0 when neither does.
double Grg_boundMagnitude(const GrgRecord& rec, int j);
// How near a row's value must come to `bound` to lie on it: `tolerance`, or
// some tens of rounding units of the bound's size when that is more (a row
// whose bound is 1E+09 is not computed to 1E-08).
double Grg_rowTolerance(double tolerance, double bound);

// Line search and restoration (Grg_LineSearch.cpp).
void Grg_lineSearch(GrgRecord& rec);
// Restores the binding rows at the final point to a thousandth of the
// precision (Newton on the basic variables); the point stays as it was when
// that does not succeed or leaves a variable or row outside its bounds.
void Grg_polish(GrgRecord& rec);

// Directions (Grg_Directions.cpp).
bool Grg_direction(GrgRecord& rec);
void Grg_resetFactor(GrgRecord& rec);
void Grg_leaveSuperbasic(GrgRecord& rec, int position, int status);

// Derivatives and linearity test (Grg_Derivatives.cpp).
void Grg_derivatives(GrgRecord& rec);
bool Grg_linearityTest(GrgRecord& rec);
int Grg_storeJacobianElement(void* hostContext, void* record, int row, int col, double value,
                             double* slot);
inline float& Grg_jac(GrgRecord& rec, int row, int col) { return rec.jac[row * (rec.n + 1) + col]; }
inline float Grg_jac(const GrgRecord& rec, int row, int col) {
  return rec.jac[row * (rec.n + 1) + col];
}
inline double& Grg_jacError(GrgRecord& rec, int row, int col) { return rec.jacError[row * (rec.n + 1) + col]; }
inline double Grg_jacError(const GrgRecord& rec, int row, int col) {
  return rec.jacError[row * (rec.n + 1) + col];
}
