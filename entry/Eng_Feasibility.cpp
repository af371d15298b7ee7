// The feasibility driver (export ordinal 9): on a model extended with
// elastic variables, isolates a small set of constraints (and, in mode 1,
// variable bounds) that cannot hold together. Phase 1 enforces the rows
// whose elastic variables carry a violation, pass by pass, until the model
// turns infeasible; phase 2 relaxes each enforced row in turn and keeps it
// relaxed when the model stays infeasible without it; phase 3 (mode 1) does
// the same with the variables' finite bounds. The result stays in the
// elastic variables' upper bounds (0: enforced) and the variable bounds.
#include <algorithm>
#include <new>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_DriverSolve.h"
#include "entry/Eng_Runner.h"

namespace {

struct FeasibilityRun {
  LibraryContext* owner;
  EngineOp solve;
  EngineProblem* problem;
  int mode;       // query 9: 1 rows and bounds, 2 rows only
  int n;          // variables, the elastic ones last
  int elastic;    // query 7
  int rows;       // query 8
  int base;       // percentage span of a phase
  int progress;   // the percentage last reported
};

bool solvedOrUnbounded(int status) {
  return Eng_isConverged(status) || status == StatusUnbounded;
}

bool acceptedStatus(int status, bool evalErrorToo) {
  return solvedOrUnbounded(status) || status == StatusInfeasible ||
         (evalErrorToo && status == StatusEvalError);
}

// Reports a percentage; true when the callback asks the driver to end.
bool report(FeasibilityRun& r, int percent) {
  r.progress = percent;
  return Host_progressCallback(r.owner, ProgressFeasibility, percent, 0, 0) != StopContinue;
}

int solveOnce(FeasibilityRun& r) {
  Eng_solveWithoutSnapshot(r.solve, r.problem);
  return r.problem->status;
}

// Fixes every elastic variable that carries a violation; false when none
// does (every enforced row holds: nothing to isolate).
bool fixViolated(FeasibilityRun& r) {
  bool fixed = false;
  for (int j = r.n - r.elastic; j < r.n; ++j)
    if (r.problem->values[j] != 0 && Host_fixElastic(r.owner, j, 0, 1, r.problem->upper))
      fixed = true;
  return fixed;
}

// Phase 1: enforces rows until a solve reports the model infeasible; false
// when the driver ends instead.
bool enforceRows(FeasibilityRun& r, int status) {
  const int cap = r.mode == 1 ? 33 : 50;
  while (solvedOrUnbounded(status)) {
    if (!fixViolated(r)) return false;
    status = solveOnce(r);
    if (!acceptedStatus(status, false)) return false;
    if (report(r, std::min(r.progress + 1, cap))) return false;
  }
  return true;
}

// Phase 2: each enforced row relaxed in turn, enforced again when the model
// turns feasible without it.
bool relaxRows(FeasibilityRun& r) {
  for (int row = 0; row < r.rows; ++row) {
    if (!Host_fixElastic(r.owner, -1, row, 0, r.problem->upper)) continue;
    if (report(r, r.base + row * r.base / r.rows)) return false;
    int status = solveOnce(r);
    if (!acceptedStatus(status, false)) return false;
    if (status != StatusInfeasible) Host_fixElastic(r.owner, -1, row, 1, r.problem->upper);
  }
  return true;
}

// Relaxes one variable bound to `open`; kept relaxed when the model stays
// infeasible. False when the driver ends.
bool relaxBound(FeasibilityRun& r, double* bound, double open, int percent) {
  double saved = *bound;
  *bound = open;
  if (report(r, percent)) return false;
  int status = solveOnce(r);
  if (!acceptedStatus(status, true)) return false;
  if (status != StatusInfeasible) *bound = saved;
  return true;
}

// Phase 3 (mode 1): the finite bounds of the model's own variables.
bool relaxBounds(FeasibilityRun& r) {
  const int own = r.n - r.elastic;
  for (int j = 0; j < own; ++j) {
    EngineProblem& p = *r.problem;
    if (p.lower[j] > -kBoundInfinity && !relaxBound(r, &p.lower[j], -kBoundInfinity, j * r.base / own + 2 * r.base))
      return false;
    if (p.upper[j] < kBoundInfinity && !relaxBound(r, &p.upper[j], kBoundInfinity, r.progress + r.base / (2 * own)))
      return false;
  }
  return true;
}

// The three phases; true when the isolation was completed.
bool isolate(FeasibilityRun& r) {
  report(r, 1);
  int status = solveOnce(r);
  if (!solvedOrUnbounded(status)) return false;
  if (report(r, r.mode == 1 ? 10 : 20)) return false;
  if (!enforceRows(r, status) || !relaxRows(r)) return false;
  return r.mode != 1 || relaxBounds(r);
}

}  // namespace

int Eng_feasibilityDriver(EngineOp solve, EngineProblem* problem) {
  if (!solve || !problem || !problem->owner || problem->variableCount < 1 || !problem->values ||
      !problem->lower || !problem->upper)
    return StatusBadBounds;
  LibraryContext* owner = problem->owner;
  FeasibilityRun r{owner, solve, problem, Host_queryModel(owner, QueryFeasibility),
                   problem->variableCount, Host_queryModel(owner, QueryElastic),
                   Host_queryModel(owner, QueryModelRows), 0, 0};
  r.base = r.mode == 1 ? 33 : 50;
  if (r.elastic < 0 || r.elastic > r.n) return StatusBadBounds;
  std::vector<double> start;
  try {
    // ordinal 22 writes query 0's count, which may exceed the engine's
    start.resize(static_cast<std::size_t>(std::max(r.n, Host_queryModel(owner, QueryVariables))));
  } catch (const std::bad_alloc&) {
    return StatusOutOfMemory;
  }
  if (!Host_getInitialValues(owner, start.data())) return StatusBadBounds;
  if (isolate(r)) problem->status = StatusSolved;
  std::copy(start.begin(), start.begin() + r.n, problem->values);
  return StatusNone;
}
