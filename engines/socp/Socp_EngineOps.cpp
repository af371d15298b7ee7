// The SOCP barrier engine's operations: set-up reads and checks the model
// and lays it out as a cone program, solve brings the current bounds into
// that program in place and runs the primal-dual core with the engine's
// options (once more with the sides widened when the first run finds
// nothing feasible), the iteration hook reports to the host's progress
// callback, and finish leaves the solution in the variable cells and writes the reports.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "contract/Eng_Setup.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "engines/socp/Socp_Adapter.h"
#include "engines/socp/Socp_Cone.h"

namespace {

constexpr double kGamma = 0.1;
constexpr double kDivergence = 1e12;      // a model value this large: the run followed a ray
constexpr double kIterationLimit = 1e10;  // the host's progress callback keeps the limits
// A widened run that can succeed converges within tens of iterations; one
// of a set that stays empty drifts for hundreds before its numbers break.
constexpr int kWidenedIterations = 200;
// A quadratic-form optimum whose objective size exceeds the objective's
// own at its point by more than this is run again sized there, at most
// kResizes times.
constexpr double kSizeSlack = 10.0;
constexpr int kResizes = 3;
// A run at unit scale reaches a gap of a thousandth of its tolerance
// safely, one of 1E-12 not: a run whose linear objective's gap, held to
// the objective's size, is lost to rounding on the way has reached the
// optimum when its gap at unit scale is below this share of the tolerance.
constexpr double kUnitGapShare = 1e-3;
constexpr std::int32_t kHookQuery = ProgressQuery | ProgressIterationNumber;
constexpr std::int32_t kHookResume = ProgressResume | ProgressIteration;

SocpAdapterRecord* recordOf(EngineProblem* problem) {
  return static_cast<SocpAdapterRecord*>(problem->engineRecord);
}

bool hasCones(const SocpAdapterRecord& rec) { return !rec.coneKinds.empty(); }

int readCones(SocpAdapterRecord& rec) {
  int cones = Host_queryModel(rec.context, QueryCones);
  if (cones <= 0) return 0;
  int members = Host_queryModel(rec.context, QueryConeCells);
  rec.coneKinds.assign(cones, 0);
  rec.coneStarts.assign(cones + 1, 0);
  rec.coneMembers.assign(members, 0);
  if (!Host_getConeConstraints(rec.context, rec.coneKinds.data(), rec.coneStarts.data(),
                               rec.coneMembers.data()))
    return StatusNoCoefficients;
  return rec.coneStarts[cones] == members ? 0 : StatusBadModel;
}

// The problem class of an analysed model: 0 several objectives, 1 an
// objective only, 3 a square system; these the engine refuses.
bool classRefused(LibraryContext* context) {
  if (!Host_queryModel(context, QueryStructureLast)) return false;
  int problemClass = Host_queryModel(context, QueryClassCode);
  return problemClass == 0 || problemClass == 1 || problemClass == 3;
}

int readModel(SocpAdapterRecord& rec) {
  LibraryContext* context = rec.context;
  rec.n = Host_queryModel(context, QueryVariables);
  rec.rows = Host_queryModel(context, QueryRows);
  rec.objectiveRow = Host_queryModel(context, QueryObjectiveRow) != 0;
  rec.m = rec.rows - (rec.objectiveRow ? 1 : 0);
  if (rec.n <= 0 || rec.n > SocpMaxVariables || rec.m > SocpMaxRows || rec.m < 0 ||
      Host_queryModel(context, QueryIntegers) > SocpMaxIntegers)
    return StatusBadModel;
  rec.maximise = Host_queryModel(context, QueryMaximise) != 0;
  rec.showIterations = Host_queryModel(context, QueryShowIterations) != 0;
  rec.x.assign(rec.n, 0.0);
  rec.display.assign(rec.n, 0.0);
  rec.lower.assign(rec.n, 0.0);
  rec.upper.assign(rec.n, 0.0);
  rec.f.assign(rec.m + 1, 0.0);
  rec.rowLower.assign(rec.m + 1, 0.0);
  rec.rowUpper.assign(rec.m + 1, 0.0);
  if (!Host_getInitialValues(context, rec.x.data())) return StatusBadBounds;
  if (!Host_getVariableBounds(context, rec.lower.data(), rec.upper.data(), rec.rowLower.data(),
                              rec.rowUpper.data()))
    return StatusBadBounds;
  for (int j = 0; j < rec.n; ++j)
    if (!(rec.lower[j] <= rec.upper[j])) return StatusCrossedBounds;
  if (classRefused(context)) return SocpStatusClassRefused;
  if (int status = readCones(rec)) return status;
  std::vector<double> start = rec.x;
  int status = Host_interpreterModel(context) ? Socp_extractModel(rec, hasCones(rec)) : Socp_probeModel(rec);
  if (status) return status;
  if (!Socp_evalAt(rec, start.data())) return StatusEvalError;
  rec.x = start;
  return 0;
}

int buildProgram(SocpAdapterRecord& rec) {
  if (hasCones(rec)) return Socp_buildConeForm(rec);
  double fea;
  Host_getNamedReal(rec.context, &fea, "solver_fea", 1e-6);
  return Socp_buildQuadraticForm(rec, fea);
}

int iterationHook(void* user, const socp& run) {
  auto& rec = *static_cast<SocpAdapterRecord*>(user);
  double objective = Socp_readSolution(rec, run, rec.display.data());
  int answer = Host_progressValue(rec.context, kHookQuery, run.iter, objective);
  if (!rec.showIterations && answer == StopContinue) return answer;
  Host_progressValue(rec.context, ProgressPause, 0, 0.0);
  Socp_evalAt(rec, rec.display.data());
  answer = Host_progressValue(rec.context, kHookResume, run.iter, objective);
  if (answer >= StopIterationLimit) rec.stop = answer;
  return answer;
}

// Parameters of the core from the engine's options; false for a direction
// that is not one of the four.
bool readParams(LibraryContext* context, SocpParams& params) {
  double fea, gap, fraction, power;
  Host_getNamedReal(context, &fea, "solver_fea", 1e-6);
  Host_getNamedReal(context, &gap, "solver_gap", 1e-6);
  Host_getNamedReal(context, &fraction, "solver_ips", 0.99);
  Host_getNamedReal(context, &power, "solver_ipi", 1.0);
  int direction = Host_getNamedInt(context, "solver_ipd", SocpHkmPc);
  double vector[SocpParamCount] = {
      0.0, fea, gap, fraction, kGamma, kIterationLimit, static_cast<double>(direction), power, 1.0};
  return direction >= SocpPowerc && direction <= SocpHkmPc && Socp_parseParams(vector, params);
}

// Whether an optimal run of the quadratic form held its objective to a
// size far above the objective's own at the point it found: its gap then
// bounds the objective's error by that size, not by the objective's.
bool coarselySized(const SocpAdapterRecord& rec, int word) {
  return !hasCones(rec) && Socp_isOptimal(word) && !rec.stop &&
         rec.program.objectiveScale > kSizeSlack * Socp_objectiveSizeAt(rec, rec.x.data());
}

// Whether a run that ended short of its gap has both residuals met and
// its gap at unit scale (without the objective's size) below
// kUnitGapShare of the tolerance.
bool reachedAtUnitScale(const socp& run, int word) {
  return Socp_isPrimalFeasible(word) && Socp_isDualFeasible(word) &&
         std::fabs(run.gap * run.dsize_g) < kUnitGapShare * run.gapTol;
}

// The engine status of a run from the core's status word and the model
// point read from it. A run that ends feasible but not optimal with the
// point run off to beyond kDivergence has followed a ray of an
// unbounded model; one that ends with the gap still open stopped where
// its steps broke down, short of the optimum, which it does not claim
// unless its gap is met at unit scale, nor does an optimum still coarsely
// sized (`coarse`).
int runStatus(const SocpAdapterRecord& rec, int word, bool coarse) {
  if (Socp_isOutsideCone(word)) return StatusInfeasible;
  if (Socp_isOptimal(word)) return coarse ? StatusConverged : StatusSolved;
  if (rec.stop) return Eng_statusAfterStop(StatusConverged, rec.stop);
  bool modelFeasible = rec.program.dual ? Socp_isDualFeasible(word) : Socp_isPrimalFeasible(word);
  if (!modelFeasible) return StatusInfeasible;
  for (double v : rec.x)
    if (!(std::fabs(v) < kDivergence)) return StatusUnbounded;
  if (Socp_isGapSmall(word)) return StatusConverged;
  return reachedAtUnitScale(rec.run, word) ? (coarse ? StatusConverged : StatusSolved) : StatusNoProgress;
}

// Runs the core on the program as laid out; the status word, the point in
// rec.x and the objective in `objective`.
int runProgram(SocpAdapterRecord& rec, const SocpParams& params, double& objective) {
  Socp_loadProgram(rec.run, rec.program);
  rec.stop = 0;
  const int word = Socp_runSolver(rec.run, params, iterationHook, &rec);
  objective = Socp_readSolution(rec, rec.run, rec.x.data());
  return word;
}

// The run, and while its optimum is coarsely sized, runs again about its
// point with the objective sized there; a run again that ends short of
// optimal gives back the point before it, still coarsely sized (the
// program is by then laid out about it: it cannot tell). The status word
// of the point, and in `coarse` whether its optimum is coarsely sized.
int sizedRun(SocpAdapterRecord& rec, const SocpParams& params, double& objective, bool& coarse) {
  int word = runProgram(rec, params, objective);
  coarse = coarselySized(rec, word);
  double fea;
  Host_getNamedReal(rec.context, &fea, "solver_fea", 1e-6);
  for (int k = 0; k < kResizes && coarse; ++k) {
    const std::vector<double> x = rec.x;
    const double before = objective;
    if (Socp_recentreQuadraticForm(rec, fea, x.data(), Socp_objectiveSizeAt(rec, x.data()))) break;
    const int again = runProgram(rec, params, objective);
    if (!Socp_isOptimal(again) || rec.stop) {
      rec.x = x;
      objective = before;
      break;
    }
    word = again;
    coarse = coarselySized(rec, word);
  }
  return word;
}

// One run of the core (sized again as sizedRun does): the model point and
// the objective into the problem, the engine status out.
int runOnce(EngineProblem* problem, SocpAdapterRecord& rec, const SocpParams& params) {
  bool coarse = false;
  const int word = sizedRun(rec, params, problem->objective, coarse);
  return runStatus(rec, word, coarse);
}

// The same run with every side widened as the equality rows are. A
// feasible set without an interior (a variable fixed by its bounds, as the
// integer search fixes them, or rows that meet in a point) leaves the
// iterates nowhere to go, and the run ends as if nothing were feasible.
// Only its optimum, or a stop, replaces the first run's verdict. It is not
// sized again: that lays the program out anew, without the widening.
int runWidened(EngineProblem* problem, SocpAdapterRecord& rec, const SocpParams& params) {
  std::vector<double> costs;
  Socp_widenLinearSides(rec, costs);
  SocpParams widened = params;
  widened.maxiter = kWidenedIterations;
  const int word = runProgram(rec, widened, problem->objective);
  int status = runStatus(rec, word, coarselySized(rec, word));
  rec.program.c = costs;
  return status == StatusSolved || status == StatusConverged || rec.stop ? status : StatusInfeasible;
}

int solve(EngineProblem* problem, SocpAdapterRecord& rec) {
  if (int pending = Eng_statusAfterStop(StatusSolved, Host_progressValue(rec.context, ProgressQuery, 0, 0.0)))
    return pending;
  SocpParams params;
  if (!readParams(rec.context, params)) return StatusBadModel;
  // The program was laid out at set-up; this run's bounds are brought in.
  if (!hasCones(rec)) Socp_updateBoundColumns(rec);
  else if (int status = Socp_convertConeForm(rec)) return status;
  int status = runOnce(problem, rec, params);
  if (status == StatusInfeasible && !hasCones(rec)) status = runWidened(problem, rec, params);
  if (status == StatusInfeasible) problem->objective = 0.0;
  if (Eng_isLocalSolution(status) && !hasCones(rec))
    Socp_snapIntegers(rec, problem->integerFlags, params, &problem->objective);
  return status;
}

// Runs an engine operation, turning a failed allocation or an index fault
// of the sparse kernels into a status.
template <typename F>
int guarded(EngineProblem* problem, F f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    problem->status = StatusOutOfMemory;
  } catch (const SparseRangeError&) {
    problem->status = StatusEvalError;
  }
  return 0;
}

void writeReport(SocpAdapterRecord& rec) {
  ReportSummary summary{rec.n,           rec.lower.data(),    rec.x.data(),
                        rec.upper.data(), nullptr,             rec.m,
                        rec.rowLower.data(), rec.f.data(),     rec.rowUpper.data(),
                        nullptr};
  Host_writeReports(rec.context, 1, 0, &summary, nullptr);
}

}  // namespace

void Socp_loadProgram(socp& run, SocpProgram& program) {
  run = socp();
  run.n = static_cast<int>(program.c.size());
  run.m = static_cast<int>(program.b.size());
  run.p = program.p;
  run.cones = program.cones.data();
  run.A = program.a.get();
  run.b = program.b.data();
  run.c = program.c.data();
  run.dsize_d = program.residualScale;
  run.dsize_g = 1.0 / program.gapScale;
}

double Socp_readSolution(const SocpAdapterRecord& rec, const socp& run, double* x) {
  const SocpProgram& pr = rec.program;
  double sigma = rec.maximise ? -1.0 : 1.0;
  if (pr.dual) {
    std::vector<double> y(run.y);
    for (std::size_t pos = 0; pos < run.pRowOrd.size(); ++pos) y[run.pRowOrd[pos]] = run.y[pos];
    for (int j = 0; j < rec.n; ++j)
      x[j] = pr.unread[j] ? std::clamp(rec.x[j], rec.lower[j], rec.upper[j])
                          : pr.variableOffset[j] - pr.variableScale[j] * y[j];
    return -sigma * pr.objectiveScale * y[rec.n];
  }
  for (int j = 0; j < rec.n; ++j) {
    x[j] = pr.offset[j];
    for (const auto& [col, w] : pr.terms[j]) x[j] += w * run.x[pr.boundColumns + col];
  }
  return sigma * (Socp_dot(run.n, pr.c.data(), run.x.data()) + pr.objectiveConstant);
}

int Socp_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  auto* rec = Eng_newRecord<SocpAdapterRecord>(problem);
  if (!rec) return 0;
  rec->context = problem->owner;
  return guarded(problem, [&] {
    SocpParams params;
    int status = readModel(*rec);
    if (!status && !readParams(rec->context, params)) status = StatusBadModel;
    if (!status) status = buildProgram(*rec);
    problem->status = status;
    if (status) return 0;
    problem->variableCount = rec->n;
    problem->values = rec->x.data();
    problem->lower = rec->lower.data();
    problem->upper = rec->upper.data();
    problem->objective = rec->f[rec->m];
    return 1;
  });
}

int Socp_engineSolve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  SocpAdapterRecord* rec = problem ? recordOf(problem) : nullptr;
  if (!rec) return 0;
  return guarded(problem, [&] {
    problem->status = solve(problem, *rec);
    return 1;
  });
}

int Socp_engineFinish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  SocpAdapterRecord* rec = problem ? recordOf(problem) : nullptr;
  if (!rec) return 1;
  switch (problem->status) {
    case StatusSolved:
    case StatusConverged:
    case StatusNoProgress:
    case StatusIterationLimit:
    case StatusInfeasible:
    case StatusUserStop:
    case StatusTimeLimit:
      Host_progressValue(rec->context, ProgressPause, 0, 0.0);
      Socp_evalAt(*rec, rec->x.data());
      Host_progressValue(rec->context, ProgressResume, 0, 0.0);
      writeReport(*rec);
      break;
    default: break;
  }
  delete rec;
  problem->engineRecord = nullptr;
  return 1;
}
