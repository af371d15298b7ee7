// The SOCP engine adapter's record and the steps shared by its files: the
// model read through the host services (counts, bounds, start values and
// every row as k + g·x + xᵀQx, through the interpreter's extraction
// services when it has analysed the model, else by evaluation), and the two
// layouts of the model as a cone program. Models with cone constraints take
// the cone form (the core's primal: model variables are cone variables); the
// others the quadratic form (the core's dual: its free variables are the
// negated model variables and an objective variable t, each row a column or
// a cone).
#pragma once

#include <cstdint>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "engines/socp/Socp_Core.h"

struct LibraryContext;

// Size limits: variables, rows, a third limit, integer variables.
constexpr int SocpMaxVariables = 2000;
constexpr int SocpMaxRows = 8192;
constexpr int SocpLimit3 = 4000;
constexpr int SocpMaxIntegers = 2000;
constexpr unsigned SocpFields = 0x1000222;

// Extra statuses of this engine.
enum SocpEngineStatus : int {
  SocpStatusClassRefused = 1101,     // a problem class the engine does not solve
  SocpStatusQuadraticRefused = 1102, // a quadratic equality or a non-convex quadratic row
};

// One model row (the objective last): value k + g·x + xᵀQx.
struct SocpRowModel {
  double k = 0.0;
  std::vector<double> g;  // n coefficients
  SpMat q;                // n x n symmetric, or none for a linear row
};

// A cone program and how the model's variables are read from its solution.
struct SocpProgram {
  std::vector<int> cones;  // descriptor, p + 1 entries
  int p = 0;
  SpMat a;
  std::vector<double> b, c;
  bool dual = false;  // quadratic form: solution in y
  // The columns that stand for the variable bounds of the last run, at the
  // front: the bound rows' slacks (cone form) or the bound columns
  // (quadratic form). Every other column index below counts without them.
  int boundColumns = 0;
  // Cone form: x_j = offset[j] + Σ weight·X[boundColumns + column] over the
  // variable's terms.
  std::vector<double> offset;
  std::vector<std::vector<std::pair<int, double>>> terms;
  double objectiveConstant = 0.0;  // added to c·X, in the minimised sense
  // Quadratic form: the objective's size, by which the program holds it
  // divided, so that its cone and the gap are measured at unit scale
  // whatever the model's scale (1 in the cone form).
  double objectiveScale = 1.0;
  // Quadratic form: per linear column after the bound columns, how far a
  // widened run moves it out: half of "solver_fea" over the row's size for
  // an inequality side, nothing for an equality row's side (built
  // widened) or the objective.
  std::vector<double> widening;
  // Quadratic form: per variable, 1 when no row and not the objective reads
  // it. Its bounds make no columns (a one-sided one would let the barrier
  // push the variable off without end); it keeps its start value, held
  // within its bounds.
  std::vector<char> unread;
  // Quadratic form: the program's variables are the model's shifted and
  // scaled, x_j = variableOffset[j] + variableScale[j]·z_j with z_j = -y_j,
  // so that they and the multipliers stand near unit scale whatever the
  // model's. A fixed variable's bounds are widened by its boundWidening
  // (in the model's units), as an equality row's sides are: half of
  // "solver_fea", less where a row reads the variable with a coefficient
  // so large that the shift would move the row past its own tolerance.
  std::vector<double> variableOffset, variableScale;
  std::vector<double> boundWidening;
  // Quadratic form: a column's residual times its divisor is its model
  // row's or bound's violation, which is judged against 1 + |bound|: the
  // smallest ratio of the two over the rows (rowResidualScale) and over
  // rows and bounds (residualScale, at most 1) scales the run's residual.
  double rowResidualScale = 1.0, residualScale = 1.0;
  // Quadratic form with a linear objective: the run's gap is measured
  // times the objective's size (up to a limit), which holds the objective
  // to the gap in the model's units as a program at unit scale would.
  double gapScale = 1.0;
  // Cone form, what the bounds of a run change: the rows made at set-up
  // (the bound rows follow them), their right-hand sides with every offset
  // 0, and per row the variables whose offset, times the factor, leaves the
  // right-hand side; per variable its shift (0 none: its lower bound is a
  // row; 1 its lower bound; 2 its lower bound or 0, whichever is larger)
  // and its cost, whose product with the offset joins objectiveConstant.
  int baseRows = 0;
  std::vector<double> baseB;
  std::vector<std::vector<std::pair<int, double>>> offsetUses;
  std::vector<int> shift;
  std::vector<double> offsetCost;
  double baseObjectiveConstant = 0.0;
};

struct SocpAdapterRecord {
  LibraryContext* context = nullptr;
  int n = 0, m = 0, rows = 0;  // variables, constraint rows, rows as the host counts them
  int objectiveRow = 0;        // the host's rows include the objective
  bool maximise = false;
  bool showIterations = false;
  std::vector<double> x, lower, upper, rowLower, rowUpper, f, display;
  std::vector<SocpRowModel> model;  // m constraint rows, then the objective
  std::vector<int> coneKinds, coneStarts, coneMembers;
  SocpProgram program;
  socp run;
  int stop = 0;           // last stop code the hook received
  int programBuilds = 0;  // layouts built from the model; a run's bounds are updated in place
};

// Evaluates the rows at x into rec.f (objective 0 when the host has none).
bool Socp_evalAt(SocpAdapterRecord& rec, const double* x);
// Every row as k + g·x + xᵀQx, found by evaluation and checked at two
// further points, for a model the interpreter has not analysed; 0, 7 (a row
// is not quadratic), 9 (an evaluation failed) or 6 (stopped).
int Socp_probeModel(SocpAdapterRecord& rec);
// Every row as k + g·x + xᵀQx through the interpreter's services, for an
// analysed model (with `cones`, linear rows only); 0, 7 (a dependency
// neither linear nor quadratic, or a quadratic row beside cones), 9 (an
// evaluation failed), 21 (a service failed) or 6 (stopped).
int Socp_extractModel(SocpAdapterRecord& rec, bool cones);
// The row's value k + g·v + vᵀQv at v, with the sum of its terms'
// magnitudes in `scale`.
double Socp_rowValue(const SocpRowModel& row, const double* v, double* scale);
// Puts the integer variables (`integerFlags` non-zero) of the point in
// rec.x on the whole numbers within the run's feasibility tolerance of
// them, relative to 1 + |number|, when every row still holds there within
// that tolerance relative to 1 + |side| and the objective moves by no more
// than the run's gap tolerance relative to 1 + |objective|; the objective
// at the point so moved into `objective`. False, with nothing changed,
// when the point is not moved.
bool Socp_snapIntegers(SocpAdapterRecord& rec, const std::int32_t* integerFlags, const SocpParams& params,
                       double* objective);
// Sets (i, j) and (j, i) of the row's quadratic matrix to v.
void Socp_storeQuadratic(SocpRowModel& row, int n, int i, int j, double v);
// Reports set-up progress (`done` steps); true when the user stopped it.
bool Socp_setupStopped(SocpAdapterRecord& rec, int done);
// The cone form with the current bounds; 0 or a status.
int Socp_buildConeForm(SocpAdapterRecord& rec);
// Brings the cone form up to date with the current bounds in place: the
// bound rows and their slack columns of the last run give way to those of
// these bounds, and the shifts of the variables to their lower bounds. A
// variable laid out as shifted whose lower bound is gone has the form built
// anew. 0 or a status.
int Socp_convertConeForm(SocpAdapterRecord& rec);
// The quadratic form with the current bounds; 0 or 1102.
int Socp_buildQuadraticForm(SocpAdapterRecord& rec, double fea);
// The quadratic form laid out anew about the model point x, with the
// variables' scales kept and the objective divided by `objectiveSize`;
// 0 or 1102.
int Socp_recentreQuadraticForm(SocpAdapterRecord& rec, double fea, const double* x, double objectiveSize);
// The size of the objective's terms at the model point x, at least 1.
double Socp_objectiveSizeAt(const SocpAdapterRecord& rec, const double* x);
// Brings the quadratic form's bound columns up to date with the current
// bounds in place (none for a variable the model does not read).
void Socp_updateBoundColumns(SocpAdapterRecord& rec);
// Widens the quadratic form's linear sides as its equality rows are: every
// bound by its variable's boundWidening and every inequality side by half
// of "solver_fea", so that a feasible set without an interior (a variable
// fixed by its bounds, a point where rows meet) gets one. The costs as they
// stood are kept in `saved`.
void Socp_widenLinearSides(SocpAdapterRecord& rec, std::vector<double>& saved);
// Points a fresh core record at the program's data.
void Socp_loadProgram(socp& run, SocpProgram& program);
// The model point (into x) and the objective in the model's sense from the
// program's solution.
double Socp_readSolution(const SocpAdapterRecord& rec, const socp& run, double* x);
