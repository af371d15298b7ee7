// The LP/quadratic engine's private record and its numeric core: the record
// with its 1-based arrays, the power-of-two scaling and the dense bounded
// simplex (cold start, dual warm start, re-solve with a new objective),
// and the master problem of the quadratic path.
//
// Everything here works without the host: tolerances and the progress report
// arrive through LpSettings, so the engine operations can wire the host's
// options and progress callback in without touching the algorithms.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "numerics/Dense_BasisStatus.h"
#include "base/Rnd_Uniform.h"
#include "contract/Bound_Infinity.h"
#include "contract/Eng_Engine.h"

constexpr double Lp_tiny = 1e-15;     // entries at or below count as zero
// The reduced-cost tolerance of a second pricing, where a column priced out
// at the user's tolerance may still move far enough to matter.
constexpr double Lp_finePricing = 1e-9;
// The same on a tableau of mixed magnitudes, where a cost that small is a
// coefficient, not rounding: the slack of a row of 5E+07 over a box of
// 90000 costs 1E-11 a unit and moves by 1E+12. A column priced in only by
// rounding moves the objective by no more than the precision, which ends
// the second pricing.
constexpr double Lp_mixedFinePricing = 1e-13;
// Entries down to this may bring a row back in the repair before a final
// verdict, where none above the pivot tolerance can.
constexpr double Lp_repairPivotTolerance = 1e-9;

// Loops over whole rows of the tableau are built twice on x86-64, the
// second time for processors with 256-bit vectors, and the loader picks
// the one the processor runs. Each element sees the same operations in the
// same order either way, and no multiply and add are fused, so the results
// are the same to the bit.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define LP_ROW_LOOPS __attribute__((target_clones("avx2", "default")))
#else
#define LP_ROW_LOOPS
#endif

// Whether a bound or limit is finite (below kBoundInfinity in size).
inline bool Lp_isFinite(double v) { return std::fabs(v) < kBoundInfinity; }

// Row type: byte 0 counts sign flips (its parity says the row is negated),
// byte 1 is '<', '=' or '>'.
struct LpRowType {
  unsigned char flips = 0;
  char type = '=';
};

// Dense matrix of `rows` rows of `cols` doubles, row-major.
struct LpMatrix {
  int rows = 0;
  int cols = 0;
  std::vector<double> a;
  double* row(int i) { return a.data() + static_cast<std::size_t>(i) * cols; }
  const double* row(int i) const { return a.data() + static_cast<std::size_t>(i) * cols; }
};

// Binary scaling exponents; an empty vector means "not scaled".
// rowExp[0..m+1] (rowExp[0] = rowExp[m+1], the objective), colExp[0..n].
struct LpScaling {
  std::vector<int> rowExp;
  std::vector<int> colExp;
  int n = 0;      // columns the exponents were made for
  int rows = 0;   // m + 1: rows including the objective slot
};

struct LpRecord;

// The quadratic path's state. The captured terms, when the host could
// deliver them: n+2 rows of n+1, row 0 the constant (element 0) and the
// linear coefficients, rows 1..n the symmetric matrix Q of x'Qx; empty
// otherwise. The point set of the simplicial decomposition: row 0 the
// current combination with its predicted objective in element 0, rows 1..k
// the stored points with their weights in element 0, row n+3 scratch for a
// midpoint; values[i][i] the objective at point i and values[i][j] at the
// midpoint of points i and j. The rest is work space sized once.
struct LpQuadratic {
  LpMatrix terms;
  LpMatrix points;   // n+4 rows of n+1
  LpMatrix values;   // n+4 rows of n+4
  int count = 0;
  std::vector<double> weights, previous;  // the master's new and old weights
  std::vector<double> factor;             // the master's system, (n+2)^2
  std::vector<double> hostPoint, gradient, lastIterate;  // n+1 each
  std::vector<double> sizes;         // n+1: each variable's own size (scaled), its tolerances' unit
  std::vector<double> keptGradient;  // n+1: the gradient kept for a second pricing
  std::vector<double> boxSizes;      // n+1: what the box around infinite bounds multiplies, per variable
  double predictedSize = 0;  // sum of the sizes of the terms that predict the combination's value
};

// Presolve data: which variables are binary, the order exported to the
// problem, per-solve status of binaries and rows and the rows' activity
// bounds without the binaries.
struct LpPresolve {
  std::vector<double> unit;          // n+1: the scaled value of 1 per variable
  bool unitsDiffer = false;
  int binaryCount = 0, integerCount = 0;
  std::vector<std::int32_t> order;   // integer variables, binaries first (1-based)
  std::vector<int> binarySlot;       // n+1: position of a binary in `order`, else -1
  std::vector<unsigned char> binaryStatus;  // per binary: '-' free, '0', '1' fixed
  std::vector<char> rowStatus;       // 1..m': ' ' active, '-' redundant
  std::vector<double> actMax, actMin;      // finite parts, without binaries
  std::vector<int> maxInfinite, minInfinite;  // infinite contributions counted
  bool probing = false, objectiveFixing = false, exportOrder = false, tightening = false;
};

// Progress report after every simplex iteration: iteration count, the
// objective row's value and the phase-1 (or dual infeasibility) sum, all in
// the scaled space of the record; 0 continues, any other value is the status
// that ends the solve (3, 6, 10).
using LpProgressFn = int (*)(void* context, const LpRecord& lp, int iteration,
                             double objective, double infeasibility);

// Values the host supplies at each simplex start.
struct LpSettings {
  double precision = 1e-8;              // "solver_pre": phase-1 and primal feasibility
  double pivotTolerance = 1e-6;         // "solver_piv": entries that may bound a ratio
  double reducedCostTolerance = 1e-5;   // "solver_red": optimality
  LpProgressFn progress = nullptr;
  void* context = nullptr;
  // Entries that may bring back a row no entry above the pivot tolerance
  // brings back in the dual repair of an optimum that left its bounds; 0: none.
  double repairPivotTolerance = 0;
};

// What the run's options and switches set at setup: node memory and its
// snapshots, the ratio test and the pricing weights, the cut passes, the
// progress display, the feasibility mode and the engine's option flags.
struct LpOptions {
  bool nodeMemory = false;
  bool plainDualRatio = false;
  bool keepAllSnapshots = false;
  bool primalWeighting = true;  // "solver_sep"
  bool dualWeighting = true;    // "solver_sed"
  int gomoryRowLimit = 0, gomoryPasses = 1, coverRowLimit = 0, coverPasses = 1;
  bool showIterations = false;
  int feasibilityMode = 0;
  std::uint32_t optionFlags[2] = {0, 0};
};

// The integer passes' state: cut rows added, which passes ran, and the
// node memory's sizes.
struct LpPasses {
  int coverRowsAdded = 0, gomoryRowsAdded = 0;
  bool cutPassDone = false;
  bool heuristicDone = true;
  // Node memory: bytes per snapshot, snapshots asked for, calls between
  // checks of the free memory.
  std::size_t nodeSize = 0;
  int snapshotCount = 0;
  int memoryCheckInterval = 0;
};

// Work lists sized with the record so that no iteration allocates: the
// candidates of the dual ratio test, the nonzero columns of the pivot row,
// the rows with a nonzero in the pivot column (or that may bound the
// primal ratio) and the columns whose weights grow; for long lists the
// pivot row with its unlisted entries zero and the weight columns as a
// mask of ones; the columns of the variables for the ratio test's ties.
struct LpWork {
  std::vector<int> candCols;
  std::vector<double> candRatios;
  std::vector<int> pivotCols;
  std::vector<int> pivotRows;
  std::vector<int> weightCols;
  std::vector<double> denseRow, weightMask;
  std::vector<int> columnOf;  // n+m+1: a nonbasic variable's column, 0 when basic
};

// Drift control of the updated tableau.
struct LpDrift {
  // The rows the current solve started from (objective row
  // 0 and constraint rows 1..m, each with its right-hand side in element 0,
  // before any nonbasic value was moved across) with their row types: the
  // tableau is rebuilt from them when the updated one has drifted. Empty
  // until a cold start captured them. Pivots since the tableau was last
  // computed afresh and since the drift was last measured; rebuilds made.
  LpMatrix origin;
  std::vector<LpRowType> originTypes;
  int pivotsSinceRebuild = 0;
  int pivotsSinceCheck = 0;
  int rebuilds = 0;
  int certificates = 0;                          // verdict rows checked against the origin
  int interval = 25;                             // pivots between drift checks; 0: never rebuild
  std::vector<int> originStart, originCols;      // the origin's nonzero columns, row by row
  std::vector<double> values;                    // n+m+1: every variable's value at a check
  // The rebuild's work space: the factors of the basis reduced to its s
  // structural columns and the s rows whose slack is nonbasic, those rows,
  // the structurals' places among the basic ones and the blocks of columns.
  std::vector<double> basisFactor, solveColumn, solveBlock, fullBlock, solveOut;
  std::vector<int> basisPivots, basicPosition, structuralRows, reducedRows;
  std::vector<char> slackBasic;
  std::vector<char> cleared;  // rows 1..m cleared as dependent before the rebuild
  int structuralCount = 0;
  // The nonbasic slacks' columns (with their rows' places after the
  // factorisation's exchanges), each row's slack column, and per
  // structural the terms that make its column from them.
  std::vector<int> slackColumns, slackColumnOf, termStart, termFill, termColumns, pivotedPlace, pivotedOrder;
  std::vector<double> termWeights;
  // A verdict row's identity over the structurals (element 0 the
  // constant) and the size of the terms each entry sums.
  std::vector<double> identity, identitySize;
};

struct LpRecord {
  // Basis: column status (BasisStatus) and column map per tableau
  // column 1..n; phase-1 flag and row map per row 1..m. Variables 1..n are
  // structural, n+i is the slack of row i.
  std::vector<int> colStatus;
  std::vector<int> phase1Flags;
  std::vector<int> colMap;
  std::vector<int> rowMap;

  // Row arrays, m+2 slots: rows 1..m, slot m+1 the objective value.
  std::vector<double> rowValue, rowStart, rowLower, rowUpper, rowScratch;
  std::vector<double> ranges;  // kBoundInfinity: the row has no range
  std::vector<double> rhs;

  // Variable arrays, n+1 slots (element 0 unused, or the objective constant).
  std::vector<double> x, xStart, lower, upper, point;
  std::vector<double> savedX;   // saved relaxation solution
  std::vector<double> objCoef;  // objective coefficients as captured (not negated)

  double savedObjective = 0;
  int n = 0;
  int m = 0;          // rows including the cut room
  int objKind = 0;    // 0 nonlinear, 1 linear, 2 quadratic
  bool maximise = false;
  bool verified = false;
  // The captured matrix mixes magnitudes (Lp_needsScaling): small entries
  // and costs are coefficients there, and count where rounding would not.
  bool mixedMagnitudes = false;

  std::vector<LpRowType> pristineTypes, types;  // m+2
  LpMatrix pristine, matrix;                    // m+2 rows of n+1

  std::vector<double> colWeights;  // n+1
  std::vector<double> rowWeights;  // m+1

  double precision = 1e-8;
  int modelVars = 0;
  int modelRows = 0;
  bool negate = false;
  bool noObjective = false;
  int kindFound = 0;

  int leavingStatus = kColAtLower;
  int activeCols = 0;
  int iterations = 0;
  double pivotTolerance = 1e-6;
  double reducedCostTolerance = 1e-5;

  LpOptions options;
  LpPasses passes;
  LpWork work;
  LpScaling scaling;
  LpQuadratic quadratic;
  LpPresolve presolve;
  RndStream rng;              // the rounding heuristic's random numbers

  LpDrift drift;
};

// ---- record (Lp_Record.cpp) ----

// Sizes every array for n variables, `modelRows` rows and `cutRows` rows of
// cut room; 0, 8 for bad sizes, 11 when memory runs out.
int Lp_allocRecord(LpRecord& lp, int n, int modelRows, int cutRows);
// Whether the arrays match n and m and the rows in use fit the cut room.
bool Lp_isAllocated(const LpRecord& lp);
// Rows in use: the model rows and the cut rows added so far.
int Lp_rowsInUse(const LpRecord& lp);
void Lp_savePristine(LpRecord& lp);
void Lp_restoreWorking(LpRecord& lp);
// Current point (basic structurals from the right-hand sides) into `point`.
void Lp_refreshPoint(LpRecord& lp);

// ---- capture (Lp_Capture.cpp) ----

// Row types, right-hand sides and ranges from rowLower/rowUpper (every row
// 1..m, cut room included).
void Lp_setRowTypes(LpRecord& lp);
// Finishes a capture whose matrix rows 1..m'+1 hold each row's constant in
// element 0 and its coefficients (row m'+1 the objective): moves the
// objective to row 0 with negated coefficients, keeps them in objCoef,
// turns each row's element 0 into right-hand side minus constant (a row
// without limits is emptied) and, when maximising, negates row 0.
void Lp_finishCapture(LpRecord& lp);
// Integer variables (flags[0..n-1] nonzero) get their lower bound rounded up
// and their upper bound down.
void Lp_roundIntegerBounds(LpRecord& lp, const int* integerFlags);
// Whether some variable's or model row's lower bound exceeds its upper one.
bool Lp_boundsCrossed(const LpRecord& lp);
// Objective kind test on one evaluated slot with every variable at 0, 4, 8
// (and 2): linear when the two secants agree within (|f0| + 1) * precision;
// quadratic when f(2) matches the parabola through f(0), f(4), f(8) within
// the precision relative to the four values (the same test holds at any
// stretch: 0, s/4, s/2, s).
bool Lp_slotIsLinear(double f0, double f4, double f8, double precision);
bool Lp_slotIsQuadratic(double f0, double f2, double f4, double f8, double precision);
// Whether a slot passed the linear test at 0, 4, 8 with a bend there that is
// small only beside the linear test's measure, its value at 0 plus 1: a
// quadratic whose centre lies far away, or whose weight is tiny, looks
// straight over so short a stretch, so the slot is tested again over a
// longer one.
bool Lp_slotHidesBend(double f0, double f4, double f8, double precision);
// A slot's values at 0, 4 and 8.
struct LpBend {
  double f0, f4, f8;
};
// Whether the slot bends over the stretch 0, h, 2h: f(h) is off the chord
// by more than the precision relative to the three values, and by the bend
// at 0, 4, 8 grown as a parabola's (the square of h / 4), within half.
bool Lp_slotBendsOver(const LpBend& near, double f0, double fh, double f2h, double h, double precision);

// ---- scaling (Lp_Scale.cpp) ----

void Lp_computeScaling(LpRecord& lp);
// Whether the captured matrix mixes magnitudes so far within a row (the
// objective's included) or a column, or holds entries so far from 1, that
// the tableau must be scaled.
bool Lp_needsScaling(const LpRecord& lp);
// The second pricing's reduced-cost tolerance for the record's tableau.
inline double Lp_finePricingOf(const LpRecord& lp) {
  return lp.mixedMagnitudes ? Lp_mixedFinePricing : Lp_finePricing;
}
// Zero entries below 1e-20, then scale columns and rows; false when the
// matrix does not have the dimensions the exponents were made for.
bool Lp_scaleMatrix(const LpScaling& s, LpMatrix& a);
bool Lp_unscaleMatrix(const LpScaling& s, LpMatrix& a);
void Lp_scaleVariables(const LpScaling& s, double* v);    // elements 1..n
void Lp_unscaleVariables(const LpScaling& s, double* v);
double Lp_scaleVariableToHost(const LpScaling& s, int j, double v);
// The model's unit of row i (1 in the row's own units) in the scaled space.
double Lp_rowUnit(const LpScaling& s, int i);
void Lp_scaleRows(const LpScaling& s, double* v);         // elements 1..m+1
void Lp_unscaleRows(const LpScaling& s, double* v);
double Lp_scaleObjective(const LpScaling& s, double f);
double Lp_unscaleObjective(const LpScaling& s, double f);
void Lp_scaleGradient(const LpScaling& s, double* g);     // elements 1..n
void Lp_unscaleGradient(const LpScaling& s, double* g);
void Lp_unscaleRowDuals(const LpScaling& s, double* y, int modelRows);
// The setup's conversion: matrix, start values, row bounds, ranges,
// objective coefficients and right-hand sides. False: the matrix was refused.
bool Lp_scaleModel(LpRecord& lp);
// x and the variable bounds into and out of the scaled space (each solve).
void Lp_scaleVariableState(LpRecord& lp);
void Lp_unscaleVariableState(LpRecord& lp);

// ---- simplex (Lp_Simplex.cpp, Lp_DualSimplex.cpp) ----

// Cold start on the working matrix: 0 solved, 4 unbounded, 5 infeasible,
// 8 bad sizes, or the status of a stopping progress report.
int Lp_boundedSimplex(LpRecord& lp, const LpSettings& settings);
// Dual simplex from a restored basis after bound changes: 0, 5, 8 (give up:
// run the cold start), or a progress status.
int Lp_dualWarmStart(LpRecord& lp, const LpSettings& settings);
// Whether every basic variable lies within its bounds up to the precision.
bool Lp_primalFeasible(const LpRecord& lp);
// At an optimal basis whose basic solution leaves its bounds (the primal
// ratio test passes over entries below the pivot tolerance, so a long step
// can carry a basic variable past a bound): dual iterations bring it back.
// 0 (also when there was nothing to do), 5, 8 (the dual could not go on)
// or a progress status.
int Lp_dualRepair(LpRecord& lp, const LpSettings& settings);
// Phase 2 from the current tableau (after a rebuild): 0, 4 or a progress status.
int Lp_primalFromBasis(LpRecord& lp, const LpSettings& settings);
// Phase 2 from the current basis with the objective value and gradient
// g[1..n] (scaled space) of a new objective.
int Lp_resolveWithObjective(LpRecord& lp, const LpSettings& settings, double value,
                            const double* gradient);

// Steps shared by the primal and the dual simplex.
struct LpRatio {
  int row = 0;        // leaving row, 0 for none
  bool flip = false;  // the entering column moves to its other bound instead
};
int Lp_price(const LpRecord& lp, int pricingRow);
LpRatio Lp_ratioTest(LpRecord& lp, int pricingRow, int q);
// Exchange at (r, q) (r = 0: flip of column q) over rows 0..lastRow; the
// leaving variable takes lp.leavingStatus. `dual` selects row weights.
void Lp_pivot(LpRecord& lp, int r, int q, int lastRow, bool dual);
// Bounds of variable v (a slack: 0 and its range).
void Lp_variableBounds(const LpRecord& lp, int v, double& lo, double& up);
// Basic structurals from the right-hand sides; reduced costs on the wrong
// side of zero by less than the tolerance become 0.
void Lp_unpack(LpRecord& lp);
// Scratch point and the progress report; nonzero ends the solve.
int Lp_report(LpRecord& lp, const LpSettings& settings, double infeasibility);
void Lp_readTolerances(LpRecord& lp, const LpSettings& settings);
// Value at which nonbasic column k is accounted in the right-hand sides.
double Lp_nonbasicValue(const LpRecord& lp, int k);

// ---- drift control (Lp_Drift.cpp) ----

// Keeps the rows 0..m of the working matrix and their types as the rows
// the tableau is rebuilt from (at a cold start, before any pivot).
void Lp_captureOrigin(LpRecord& lp);
// Appends tableau row i (a cut row just added, its slack basic) to the
// origin, rewritten in the structural variables.
void Lp_originFromTableauRow(LpRecord& lp, int i);
// Makes the objective with value `value` and gradient g[1..n] at x (a
// re-solve with a new objective) the origin's row 0.
void Lp_originObjective(LpRecord& lp, double value, const double* gradient);
// Largest residual of the tableau's current solution (basic values from
// element 0, nonbasic ones at their bounds) in the origin's rows 0..m,
// relative to 1 + the larger of the row's right-hand side and activity;
// 0 without an origin.
double Lp_driftResidual(LpRecord& lp);
// Recomputes rows 0..m (and the phase-1 row when `phase1`) of the tableau
// at the current basis from the origin, by a dense LU factorisation of the
// basis reduced to its structural columns (the basic slacks follow from
// their own rows): the nonbasic slacks' columns are solved, the nonbasic
// structurals' summed from them, the basic values solved and refined once,
// and the rows found dependent cleared (Lp_clearIfDependent);
// false (tableau unchanged) without an origin, for a model too large to
// factorise densely, when memory runs out or when the basis is
// numerically singular.
bool Lp_rebuildTableau(LpRecord& lp, bool phase1);
// Drift tolerance: the residual above which the tableau is rebuilt.
double Lp_driftTolerance(const LpRecord& lp);
// After a pivot: every drift.interval pivots, the drift is measured and the
// tableau rebuilt when it exceeds the tolerance.
void Lp_watchDrift(LpRecord& lp, bool phase1);
// Before a verdict: true when the tableau was rebuilt (so the iterations
// go on from it), false when it is fresh already or cannot be rebuilt.
// `always` rebuilds whenever a pivot happened since the last rebuild,
// otherwise only when the drift exceeds the tolerance.
bool Lp_refreshBeforeVerdict(LpRecord& lp, bool phase1, bool always);
// Whether tableau row `row` (a constraint row with its basic variable, or
// row m+1, the phase-1 row, with the artificials it counts) is, within the
// drift tolerance, the combination of the origin rows it stands for: the
// proof behind an infeasible verdict, checked in the nonzeros of the rows
// it combines. False without an origin.
bool Lp_rowCertified(LpRecord& lp, int row);
// When row r's basic variable is its equality's artificial, still counted,
// and the row is, with the entries of the active columns read as 0, the
// combination of the origin rows whose artificials have gone, to the
// precision of the largest term it sums (the pivots made it dependent on
// them, as a repeated equality is): those entries are rounding only and
// become 0 (taken out of the phase-1 row too when `phase1`), so that no
// ratio test pivots on the row, which would leave the basis singular.
// Nothing without an origin.
void Lp_clearIfDependent(LpRecord& lp, int r, bool phase1);
// Whether every row the phase-1 row still counts is met: what it misses
// (its artificial, a ranged row's excess over its range) within the
// precision of the row's own size, that is of 1 in the model's units (as
// the final check measures a row by 1 + |right-hand side|), its
// right-hand side and its terms at the current values. False without an
// origin.
bool Lp_phase1RowsMet(LpRecord& lp);
// Before an infeasible verdict that rests on tableau row `row`: rebuilds
// (true, the iterations go on) unless the row is certified or fresh.
bool Lp_refreshUnlessCertified(LpRecord& lp, bool phase1, int row);

// ---- quadratic master (Lp_QuadMaster.cpp) ----

// In-place LDL' factorisation of the symmetric k x k matrix a (row stride
// `stride`): false when a pivot falls below 1e-15. Then the solve of
// L D L' y = b in place of b.
bool Lp_ldlFactor(double* a, int k, int stride);
void Lp_ldlSolve(const double* a, int k, int stride, double* b);
// Sizes the point set for n variables; false when memory runs out.
bool Lp_allocPointSet(LpQuadratic& q, int n);
// New weights of the stored points from the objective values at them and
// at their midpoints, dropping points whose weight would turn negative or
// is 0; then the combination and its predicted value in row 0. 0,
// Lp_singularMaster when the system is singular, 11 when memory runs out.
constexpr int Lp_singularMaster = StatusNoProgress;
int Lp_pointMaster(LpQuadratic& q, int n, bool maximise);

// ---- presolve (Lp_Presolve.cpp) ----

// Switches of the presolve among the option flags.
enum : std::uint32_t {
  Lp_presolveProbing = 0x10000,
  Lp_presolveObjectiveFixing = 0x20000,
  Lp_presolveExportOrder = 0x40000,
  Lp_presolveTightening = 0x80000,
  Lp_nodeMemoryFlag = 0x100000,
};
// Set-up after scaling (bounds still unscaled): binaries among the integer
// variables (flags[0..n-1] nonzero), their order and, when exporting,
// their ranking. False only when memory runs out.
bool Lp_presolveBuild(LpRecord& lp, const std::int32_t* integerFlags, std::uint32_t optionFlags);
// Before a solve, on the restored pristine matrix and the scaled bounds:
// fixes binaries, marks redundant rows, tightens bounds; false: infeasible.
bool Lp_presolveRun(LpRecord& lp);

// ---- integer passes (Lp_Cuts.cpp, Lp_Heuristic.cpp) ----

// Fractional part, 0 within (|r| + 1) * 1e-7 of the nearest integer r.
double Lp_frac(double v);
// Knapsack over `count` items: picks items to leave out within `capacity`
// (selection 0) and marks the rest 1; returns the value of those marked 1.
double Lp_knapsackDp(std::vector<int>& selection, const std::vector<int>& weights,
                     const std::vector<double>& values, int capacity);
// Cover cuts on the model rows, appended after them; each round re-solves
// cold. False when a re-solve failed (the last solution stands).
bool Lp_coverCuts(LpRecord& lp, const LpSettings& settings, const std::int32_t* integerFlags);
// Per row in use, when every variable of the model is integer: the row's
// limits, constant and coefficients integral, so that its slack is integer.
std::vector<char> Lp_integerRows(const LpRecord& lp, const std::int32_t* integerFlags);
// Gomory mixed-integer cuts from the optimal tableau, appended after the
// cover rows; each round re-optimises by the dual warm start.
bool Lp_gomoryCuts(LpRecord& lp, const LpSettings& settings, const std::int32_t* integerFlags,
                   const std::vector<char>& integerRows);

// Model rows 1..m' (unscaled) and the objective in slot m'+1 at x (unscaled,
// 1-based); false when the evaluation failed.
using LpEvaluateFn = bool (*)(void* context, const double* x, double* rows);
// Randomised rounding of the relaxation in x followed by a walk that moves
// one integer variable by one at a time; true with an integer point in x
// (scaled) and its objective (the model's, unscaled).
bool Lp_roundingHeuristic(LpRecord& lp, const std::int32_t* integerFlags, int seed,
                          LpEvaluateFn evaluate, void* context, double& objective);

// ---- node snapshots (Lp_Snapshot.cpp) ----

// The simplex state of a solved node, from which a child warm-starts.
struct LpSnapshot {
  LpRecord* owner = nullptr;
  std::vector<double> matrix;
  std::vector<LpRowType> types;
  std::vector<double> x;
  std::vector<int> colMap, rowMap, colStatus, phase1Flags;
  int activeCols = 0;
  int rowsInUse = 0;
  int pivotsSinceRebuild = 0;  // the drift the tableau may carry
};
// Bytes one snapshot takes for this record.
std::size_t Lp_nodeSize(const LpRecord& lp);
// A copy of the record's simplex state, or null when memory runs out.
LpSnapshot* Lp_makeSnapshot(LpRecord& lp);
// Puts a snapshot's state back into the record; false when it does not
// belong to a record of this shape.
bool Lp_restoreSnapshot(LpRecord& lp, const LpSnapshot& snapshot);
// The release routine handed to the driver with a snapshot.
void Lp_releaseSnapshot(void* snapshot);

// ---- sensitivity (Lp_Report.cpp) ----

// Sensitivity of a solved linear model, unscaled, kBoundInfinity for an unlimited
// change: per variable (n+1 slots) and per model row (m+2 slots).
struct LpSensitivity {
  std::vector<double> reducedCosts, objectiveIncrease, objectiveDecrease;
  std::vector<double> lowerIncrease, lowerDecrease, upperIncrease, upperDecrease;
  std::vector<double> duals, rhsIncrease, rhsDecrease;
};
// Reduced costs of variables 1..n (0 when basic) and dual values of model
// rows 1..m', as the objective changes per unit of the variable or the
// row's right-hand side (a maximised objective as given, not negated).
void Lp_reducedCosts(const LpRecord& lp, std::vector<double>& out);
void Lp_rowDuals(const LpRecord& lp, std::vector<double>& out);
// All of it from the final tableau; x and the bounds as kept between solves.
void Lp_linearSensitivity(const LpRecord& lp, LpSensitivity& s);

// ---- quadratic multipliers (Lp_ReportQuadratic.cpp) ----

// A quadratic model's solution as its reports see it, unscaled, 1-based:
// the captured row coefficients, the point with its bounds and objective
// gradient, the row values with their limits. `poll` (may be none) answers
// nonzero to stop the decomposition.
struct LpQuadraticPoint {
  int n = 0, m = 0;
  const LpMatrix* rows = nullptr;  // row i (1..m), element j (1..n)
  const double *x = nullptr, *lower = nullptr, *upper = nullptr, *g = nullptr;
  const double *rowValue = nullptr, *rowLower = nullptr, *rowUpper = nullptr;
  double precision = 1e-8;
  int (*poll)(void* context) = nullptr;
  void* pollContext = nullptr;
};
// Multipliers of the rows within the precision of a limit (0 for the others,
// and for all when the decomposition is stopped or does not converge) and
// reduced gradients g_j - sum a_ij lambda_i, 0 up to (|g_j| + 1) precision.
void Lp_quadraticDuals(const LpQuadraticPoint& p, std::vector<double>& multipliers,
                       std::vector<double>& reducedGradients);
