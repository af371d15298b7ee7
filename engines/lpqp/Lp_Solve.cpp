// The LP/quadratic engine's `solve` and `finish`: one solve from the
// pristine tableau in the scaled space, the final check that the model
// evaluated at the solution agrees with the tableau and that the solution
// lies within the variables' bounds, and the final
// evaluation that leaves the solution in the model.
#include <algorithm>
#include <cmath>
#include <new>

#include "engines/lpqp/Lp_EngineOps.h"

namespace {

bool resultStatus(int status) {
  return status == StatusSolved || status == StatusUnbounded || status == StatusInfeasible ||
         status == StatusHeuristicInteger;
}

// Distance of a row value from the nearer finite end of its limits.
double distanceToEnds(const LpRecord& lp, int i, double f) {
  double d = kBoundInfinity;
  if (lp.rowLower[i] > -kBoundInfinity) d = std::fabs(f - lp.rowLower[i]);
  if (lp.rowUpper[i] < kBoundInfinity) d = std::min(d, std::fabs(f - lp.rowUpper[i]));
  return d;
}

// Whether model row i agrees with the tableau: with its slack nonbasic the
// row sits on one of its ends; with its slack basic at value s the row is
// s away from its right-hand side. The precision is relative to the larger
// of the row's value and its side: a row far inside a side of 1E+10 is
// compared through a slack as large, whose rounding alone exceeds the
// precision relative to the row. Rows without limits are not checked.
bool rowAgrees(const LpRecord& lp, int i, double f, const std::vector<int>& slackRow) {
  if (lp.rowLower[i] <= -kBoundInfinity && lp.rowUpper[i] >= kBoundInfinity) return true;
  const double tolerance = (std::max(std::fabs(f), std::fabs(lp.rhs[i])) + 1) * lp.precision;
  const int r = slackRow[i];
  if (r == 0) return distanceToEnds(lp, i, f) <= tolerance;
  const double s = lp.matrix.row(r)[0];
  return std::fabs(std::fabs(f - lp.rhs[i]) - s) <= tolerance;
}

// Whether variable j's value x lies within its bounds, judged as the rows
// are: up to (|bound| + 1) times the precision.
bool withinBounds(const LpRecord& lp, int j) {
  const double x = lp.x[j], lo = lp.lower[j], up = lp.upper[j];
  if (lo > -kBoundInfinity && lo - x > (std::fabs(lo) + 1) * lp.precision) return false;
  return up >= kBoundInfinity || x - up <= (std::fabs(up) + 1) * lp.precision;
}

// A model found not linear is looked at again: on a tableau computed
// afresh at the same basis when pivots lie behind it, and optimised from
// there with a dual repair that may bring a basic variable back to its
// bounds through entries below the pivot tolerance, as the primal ratio
// test may have let it go through them. Without a fresh tableau only an
// optimum checked again changes the verdict.
int checkAgain(LpRun& run) {
  LpSettings settings = Lp_settingsFromHost(run);
  settings.repairPivotTolerance = Lp_repairPivotTolerance;
  const bool refreshed = Lp_refreshBeforeVerdict(run.lp, false, true);
  const int status = Lp_primalFromBasis(run.lp, settings);
  if (status == StatusSolved) return Lp_finalCheck(run);
  return refreshed ? status : StatusNotLinear;
}

// One solve from the pristine tableau or the node's snapshot (a quadratic
// objective takes the quadratic path); x and the bounds are in the scaled
// space.
int solveScaled(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  Lp_restoreWorking(lp);
  if (!Lp_presolve(run)) return StatusInfeasible;
  if (lp.objKind == 2) return Lp_solveQuadraticModel(run);
  if (lp.objKind != 1) return StatusBadModel;
  int status = Lp_solveLinear(run, problem);
  if (status == StatusSolved && !run.checked && !lp.passes.cutPassDone) {
    run.checked = true;
    status = Lp_finalCheck(run);
    if (status == StatusNotLinear) status = checkAgain(run);
  }
  return status;
}

int solveRun(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  if (problem->status == StatusHeuristicInteger) return Lp_resumeRelaxation(run, problem);
  if (Lp_boundsCrossed(lp)) return StatusInfeasible;
  Lp_scaleVariableState(lp);
  int status = Lp_integerPasses(run, problem, solveScaled(run, problem));
  if (status != StatusHeuristicInteger) {
    const double objective = Lp_unscaleObjective(lp.scaling, lp.matrix.row(0)[0]);
    problem->objective = lp.maximise ? -objective : objective;
  }
  Lp_publishDuals(run, status, problem);
  if (status == StatusSolved) status = Lp_takeSnapshot(run, problem);
  Lp_unscaleVariableState(lp);
  return status;
}

}  // namespace

int Lp_finalCheck(LpRun& run) {
  LpRecord& lp = run.lp;
  std::copy(lp.x.begin(), lp.x.end(), run.hostX.begin());
  Lp_unscaleVariables(lp.scaling, run.hostX.data());
  if (!Lp_evaluate(run, run.hostRows.data())) return StatusEvalError;
  const std::vector<double>& f = run.hostRows;
  std::vector<int> slackRow(static_cast<std::size_t>(lp.m) + 2, 0);
  for (int r = 1; r <= Lp_rowsInUse(lp); ++r)
    if (lp.rowMap[r] > lp.n) slackRow[lp.rowMap[r] - lp.n] = r;
  for (int i = 1; i <= lp.modelRows; ++i)
    if (!rowAgrees(lp, i, f[i], slackRow)) return StatusNotLinear;
  for (int j = 1; j <= lp.n; ++j)
    if (!withinBounds(lp, j)) return StatusNotLinear;
  const double fObjective = f[lp.m + 1];
  const double tableau = lp.maximise ? -lp.matrix.row(0)[0] : lp.matrix.row(0)[0];
  const bool agrees = std::fabs(fObjective - tableau) <= (std::fabs(fObjective) + 1) * lp.precision;
  return agrees ? StatusSolved : StatusNotLinear;
}

int Lp_engineSolve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  auto* run = static_cast<LpRun*>(problem->engineRecord);
  int status = StatusBadModel;
  if (run && run->hasPoint) {
    try {
      status = solveRun(*run, problem);
    } catch (const std::bad_alloc&) {
      status = StatusOutOfMemory;
    }
    run->status = status;
  }
  problem->status = status;
  return resultStatus(status) ? 1 : 0;
}

int Lp_engineFinish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  auto* run = static_cast<LpRun*>(problem->engineRecord);
  if (!run) return 1;
  if (run->hasPoint) {  // never overwrite the model's cells with values not read
    run->host.progress(run->host.user, ProgressPause, 0, 0.0);
    std::copy(run->lp.x.begin(), run->lp.x.end(), run->hostX.begin());
    Lp_evaluateUnlessHeld(*run, run->hostRows.data());
    run->host.progress(run->host.user, ProgressResume, 0, 0.0);
  }
  Lp_writeReports(*run, problem);
  Lp_presolveRelease(*run, problem);
  Lp_releaseProblemSnapshot(problem);
  delete run;
  problem->engineRecord = nullptr;
  problem->upper = problem->lower = problem->values = nullptr;
  return 1;
}
