// The interval global engine's set-up and solve sequence.
#include "engines/interval/Ia_Engine.h"

#include <algorithm>
#include <cmath>

#include "contract/Bound_Infinity.h"
#include "contract/Host_Queries.h"
#include "engines/interval/Ia_Bound.h"
#include "engines/interval/Ia_Status.h"
#include "engines/interval/Ia_Systems.h"

namespace {

int Ia_query(const IaEngine& e, int kind) { return e.host.services.queryModel(e.host.services.user, kind); }

bool Ia_feasibilityMode(const IaEngine& e) { return (e.problemFlags & ProblemFeasibility) != 0; }

int Ia_readSizes(IaEngine& e) {
  e.n = Ia_query(e, QueryVariables);
  e.rows = Ia_query(e, QueryRows);
  e.objectiveRow = Ia_query(e, QueryObjectiveRow) != 0;
  e.m = e.rows - (e.objectiveRow ? 1 : 0);
  e.maximise = Ia_query(e, QueryMaximise) != 0;
  e.scaling = Ia_query(e, QueryScaling) != 0;
  return Ia_checkSize(e.n, e.m, Ia_feasibilityMode(e));
}

int Ia_readBounds(IaEngine& e) {
  const HostServices& h = e.host.services;
  e.x.assign(e.n + 1, 0.0);
  e.lower.assign(e.n + 1, 0.0);
  e.upper.assign(e.n + 1, 0.0);
  e.f.assign(e.rows + 2, 0.0);
  e.rowLower.assign(e.rows + 2, -kBoundInfinity);
  e.rowUpper.assign(e.rows + 2, kBoundInfinity);
  if (!h.bounds(h.user, &e.lower[1], &e.upper[1], &e.rowLower[1], &e.rowUpper[1])) return StatusBadBounds;
  if (int status = Ia_checkVariableBounds(e.n, e.lower.data(), e.upper.data(), Ia_feasibilityMode(e))) return status;
  if (!h.initialValues(h.user, &e.x[1])) return StatusBadModel;
  e.start.assign(e.n + 1, Interval{0, 0});
  for (int i = 1; i <= e.n; ++i) e.start[i] = Interval{e.lower[i], e.upper[i]};
  return StatusSolved;
}

// Refuses what the engine does not solve: a model the interpreter has not
// diagnosed (class code other than 2 or 4), one whose diagnosis found a
// structure the search cannot bound (5 or 6), or one whose class is not one
// of the four searches'.
int Ia_checkProblemClass(IaEngine& e) {
  const int diagnosed = Ia_query(e, QueryClassCode), structure = Ia_query(e, QueryStructureLast);
  if ((diagnosed != 2 && diagnosed != 4) || structure == 5 || structure == 6 || !e.model) return IaStatusWrongClass;
  e.problemClass = e.model->problemClass;
  if (e.problemClass < IaClassObjective || e.problemClass > IaClassInequalities) return IaStatusWrongClass;
  if (e.model->n != e.n || e.model->m != e.m) return IaStatusWrongClass;
  return StatusSolved;
}

// The rows and the objective at x; false on an evaluation failure.
bool Ia_evaluate(IaEngine& e) {
  const HostServices& h = e.host.services;
  if (!h.evalProblem(h.user, &e.f[1], &e.x[1])) return false;
  if (e.objectiveRow) e.objective = e.f[e.rows];
  return true;
}

// The same after a local run from `from`: a run that stopped where the
// model gives no number (it stepped out of a function's domain) found
// nothing, and x goes back to where it started.
bool Ia_evaluateAfterLocal(IaEngine& e, const std::vector<double>& from) {
  if (Ia_evaluate(e)) return true;
  e.x = from;
  return Ia_evaluate(e);
}

// The progress codes of a local run as the engine's own: an iteration
// brings a new iteration number at an iteration point, a set-up step the
// set-up text.
constexpr int kIaLocalIterationCode = ProgressIterationNumber | ProgressIteration;
constexpr int kIaLocalSetupCode = ProgressSetup;

// The local solver's progress forwarded to the progress callback with the
// engine's codes. A stop ends the engine's run after the local one, and is
// passed on to the local run; a stop chosen by the user, which the local
// solver would take for a restart, reaches it as a break.
int Ia_localProgress(void* user, int iteration, int count, double objective) {
  IaEngine& e = *static_cast<IaEngine*>(user);
  const HostServices& h = e.host.services;
  const int answer = h.progress(h.user, iteration ? kIaLocalIterationCode : kIaLocalSetupCode, count, objective);
  if (answer != StopContinue && !e.stop) e.stop = answer;
  return answer == StopByUser ? int{StopBreak} : answer;
}

bool Ia_stoppedByCallback(int status) {
  return status == StatusIterationLimit || status == StatusUserStop || status == StatusTimeLimit;
}

// A local run from x, with the integer variables fixed at their values in x
// when `fixIntegers`. A stop the run took from its own polls of the progress
// callback is still pending there, and ends the engine's run too.
int Ia_runLocal(IaEngine& e, bool fixIntegers) {
  std::vector<double> lower = e.lower, upper = e.upper;
  for (int i = 1; i <= e.n && fixIntegers; ++i)
    if (Ia_isInteger(e.integer, i)) lower[i] = upper[i] = e.x[i];
  const int status =
      e.host.runLocal(e.host.services.user, &e.x[1], &lower[1], &upper[1], e.scaling, Ia_localProgress, &e);
  if (!e.stop && Ia_stoppedByCallback(status)) {
    const HostServices& h = e.host.services;
    e.stop = h.progress(h.user, ProgressQuery, 0, 0.0);
  }
  return status;
}

// The progress callback at an iteration: asks with the iteration number;
// when it wants the iteration shown (or the model says so), the point is
// evaluated so the cells show it. True asks to stop.
bool Ia_reportIteration(IaEngine& e, int iteration, const std::vector<double>& x, double objective) {
  const HostServices& h = e.host.services;
  int answer = h.progress(h.user, ProgressQuery | ProgressIterationNumber, iteration, objective);
  if (answer != StopContinue || Ia_query(e, QueryShowIterations)) {
    // A limit, a break or a shown iteration: the cells show the point while
    // the checks pause, and resuming them settles the stop.
    h.progress(h.user, ProgressPause, 0, 0.0);
    std::vector<double> rows(e.rows + 2, 0.0);
    h.evalProblem(h.user, &rows[1], &x[1]);
    answer = h.progress(h.user, ProgressResume | ProgressIteration, iteration, objective);
  }
  if (answer != StopContinue) e.stop = answer;
  return answer != StopContinue;
}

// The rows and the objective at x with the limit checks paused, so that a
// stop already decided does not interrupt the evaluation.
bool Ia_evaluatePaused(IaEngine& e) {
  const HostServices& h = e.host.services;
  h.progress(h.user, ProgressPause, 0, 0.0);
  const bool evaluated = Ia_evaluate(e);
  h.progress(h.user, ProgressResume, 0, 0.0);
  return evaluated;
}

// The status of a run the progress callback stopped, with x evaluated so
// that the cells hold it.
int Ia_stoppedStatus(IaEngine& e) {
  return Ia_evaluatePaused(e) ? Eng_statusAfterStop(StatusSolved, e.stop) : StatusEvalError;
}

IaEngine& Ia_ownerOf(void* searchContext) {
  return *static_cast<IaEngine*>(static_cast<IaSearchContext*>(searchContext)->owner);
}

IaSearchSteps Ia_searchSteps(IaEngine& e, IaSearchContext& s) {
  IaSearchSteps steps = Ia_boundSteps(s);
  s.owner = &e;
  steps.reportIteration = [](void* u, int iteration, const std::vector<double>& x, double objective) {
    return Ia_reportIteration(Ia_ownerOf(u), iteration, x, objective);
  };
  steps.clockSeconds = [](void* u) {
    const IaHost& host = Ia_ownerOf(u).host;
    return host.clockSeconds(host.services.user);
  };
  return steps;
}

IaSystemSteps Ia_systemSteps(IaEngine& e) {
  IaSystemSteps steps;
  steps.user = &e;
  steps.reportIteration = [](void* u, int iteration, const std::vector<double>& x) {
    return Ia_reportIteration(*static_cast<IaEngine*>(u), iteration, x, 0.0);
  };
  return steps;
}

// The search of the model's class in context s; x and the objective become
// its choice (for an optimisation, the local point when that is as good).
void Ia_runSearch(IaEngine& e, IaSearchContext& s, double localObjective, bool localFound) {
  std::vector<double> x = e.x;
  if (e.problemClass == IaClassEquations) {
    Ia_allSolutionsSearch(s, Ia_systemSteps(e), e.solutions, x, &e.stats);
  } else if (e.problemClass == IaClassInequalities) {
    Ia_growFeasibleBox(s, Ia_systemSteps(e), e.reference, x, &e.stats);
  } else {
    double objective = localFound ? localObjective : (e.maximise ? -INFINITY : INFINITY);
    IaSearchOptions options = Ia_searchOptions(e.options, e.maximise);
    options.integer = s.integer;
    Ia_boxBranchAndBound(options, Ia_searchSteps(e, s), e.start, x, &objective, &e.stats);
    e.stats.values = s.counts.values;
    e.stats.gradients = s.counts.gradients;
    e.stats.hessians = s.counts.hessians;
    e.stats.newton = s.counts.newton;
    const bool better = e.maximise ? objective > localObjective : objective < localObjective;
    if (better || !localFound) {
      e.x = x;
      e.objective = objective;
    } else {
      for (int i = 1; i <= e.n; ++i) e.x[i] = 0.5 * e.reference[i].lo + 0.5 * e.reference[i].hi;
      e.objective = localObjective;
    }
    return;
  }
  e.x = x;
}

// The finite side of row k: its lower bound when it has one, else its
// upper bound (0 for a row with neither).
double Ia_rowSide(const IaEngine& e, int k) {
  if (e.rowLower[k] > -kBoundInfinity) return e.rowLower[k];
  return e.rowUpper[k] < kBoundInfinity ? e.rowUpper[k] : 0.0;
}

// Runs the search from the local point.
void Ia_search(IaEngine& e, double localObjective, bool localFound) {
  IaSearchContext s = Ia_searchContext(*e.model, e.options, e.maximise, e.start);
  for (int k = 1; k <= e.m; ++k) s.rowTolerance[k] = e.options.precision * (1 + std::fabs(Ia_rowSide(e, k)));
  s.integer = e.integer;
  Ia_runSearch(e, s, localObjective, localFound);
  // An evaluation the library interrupted (a limit or a break decided
  // inside it) ends the search as the progress callback's stop would.
  if (s.interrupted && e.stats.result == IaSearchEvalFailed) {
    e.stats.result = IaSearchStopped;
    const HostServices& h = e.host.services;
    if (!e.stop) e.stop = h.progress(h.user, ProgressQuery, 0, 0.0);
    if (!e.stop) e.stop = StopByUser;
  }
}

// Whether the search ended without a point: no incumbent, no solution, no
// feasible point to grow a box around.
bool Ia_foundNothing(const IaEngine& e) {
  if (e.problemClass == IaClassEquations) return e.solutions.nodes.empty();
  return e.stats.result == IaSearchEmptyNoIncumbent || !std::isfinite(e.objective);
}

}  // namespace

int Ia_setup(IaEngine& e, const IaHost& host, const IaModel* model, unsigned problemFlags) {
  e.host = host;
  e.model = model;
  e.problemFlags = problemFlags;
  if (int status = Ia_readSizes(e)) return status;
  e.options = Ia_readOptions(host.services);
  if (int status = Ia_readBounds(e)) return status;
  if (Ia_feasibilityMode(e)) {
    e.problemClass = IaClassConstrained;
  } else if (int status = Ia_checkProblemClass(e)) {
    return status;
  }
  e.setUp = true;
  return StatusSolved;
}

void Ia_setIntegers(IaEngine& e, const std::int32_t* flags) {
  e.integer.clear();
  // The searches without an objective know no integer variables.
  const bool optimisation = e.problemClass == IaClassObjective || e.problemClass == IaClassConstrained;
  if (!optimisation || !flags || std::none_of(flags, flags + e.n, [](std::int32_t f) { return f != 0; })) return;
  e.integer.assign(e.n + 1, 0);
  for (int i = 1; i <= e.n; ++i) e.integer[i] = flags[i - 1] != 0 ? 1 : 0;
}

int Ia_solve(IaEngine& e) {
  for (int i = 1; i <= e.n; ++i)
    if (e.lower[i] > e.upper[i]) return StatusInfeasible;
  for (int r = 1; r <= e.rows; ++r)
    if (e.rowLower[r] > e.rowUpper[r]) return StatusInfeasible;
  // An integer search narrows the bounds between its solves: each solve
  // searches the box they give now.
  for (int i = 1; i <= e.n; ++i) e.start[i] = Interval{e.lower[i], e.upper[i]};
  if (!Ia_roundIntegerBox(e.integer, e.options.precision, e.start.data())) return StatusInfeasible;
  const std::vector<double> start = e.x;
  int local = Ia_runLocal(e, false);
  if (e.stop) return Ia_stoppedStatus(e);
  const bool evaluated = Ia_evaluateAfterLocal(e, start);
  if (!evaluated && (Ia_feasibilityMode(e) || !e.model)) return StatusEvalError;
  // Where the model gives no number the local run found nothing; the
  // search starts from its box all the same.
  if (!evaluated) local = StatusEvalError;
  // A local run that found no feasible point proves none: the search of
  // the box decides, inside an integer search's subproblem too.
  if (Ia_feasibilityMode(e) || !e.model) return local;
  if (e.problemClass == IaClassInequalities && local == StatusInfeasible) return StatusInfeasible;
  e.reference.assign(e.n + 1, Interval{0, 0});
  for (int i = 1; i <= e.n; ++i) e.reference[i] = Interval{e.x[i], e.x[i]};
  // A local point with a fractional integer variable is no solution.
  Ia_search(e, e.objective, Eng_isLocalSolution(local) && Ia_integersWhole(e.integer, e.x));
  if (e.stats.result == IaSearchEvalFailed) return IaStatusSearchEvalFailed;
  if (e.stop) return Ia_stoppedStatus(e);
  if (e.stats.result == IaSearchUnbounded) return StatusUnbounded;
  const bool found = !Ia_foundNothing(e);
  // No point found where the model gives a number: nothing to polish.
  if (!Ia_evaluate(e)) return found ? int{StatusEvalError} : int{StatusInfeasible};
  int finalLocal = -1;
  if (e.problemClass != IaClassInequalities) {
    // Without a point found, a last local run, whose verdict is the run's;
    // with one (an incumbent, a solution's midpoint within the accuracy),
    // the point polished to full precision when the local solver finds a
    // solution from it, and kept as it is when it finds none. The integer
    // variables stay at whole values: the point's, or the nearest ones.
    Ia_roundIntegerPoint(e.integer, e.start.data(), e.x);
    const std::vector<double> midpoint = e.x;
    const int polished = Ia_runLocal(e, true);
    if (e.stop) {
      e.x = midpoint;  // a stopped polish has found nothing
      return Ia_stoppedStatus(e);
    }
    if (!found) finalLocal = polished;
    else if (!Eng_isLocalSolution(polished)) e.x = midpoint;
    if (!Ia_evaluateAfterLocal(e, midpoint)) return StatusEvalError;
  }
  return Ia_finalStatus(e.stats.result, finalLocal);
}
