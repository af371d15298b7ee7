// The GRG engine's record and options: reading the model and options from the
// host (`Grg_setup`), the run around the main-loop passes with scaling,
// validation, the infeasible-start retry and the resumed infeasible pass
// (`Grg_solve`), the final evaluation and reports (`Grg_finish`), and the
// engine's boundary to the host: evaluations, polling and iteration reports.
#include <algorithm>
#include <cmath>
#include <new>

#include "engines/grg/Grg_Engine.h"

namespace {

constexpr int SizeVariables = 500;
constexpr int SizeRows = 251;
constexpr int SizeIntegers = 500;

bool hostComplete(const HostServices& h) {
  return h.queryModel && h.optionFlags && h.realOption && h.initialValues && h.bounds &&
         h.evalProblem && h.evalTwoChanged && h.progress;
}

// The settings of a run on n variables from the host's options and switches.
GrgSettings readSettings(const HostServices& h, int n) {
  GrgSettings s;
  unsigned flags = h.optionFlags(h.user, EngineGrg);
  s.quasiNewtonLimit = (flags & OptFlagNwt) ? -1 : std::min(n, 100);
  s.linearityCheck = (flags & OptFlagLvaWbr) ? 1 : 0;
  s.derivativeMode = (flags & OptFlagDrv) ? GrgCentral : GrgForward;
  s.quadraticEstimates = (flags & OptFlagEst) ? 1 : 0;
  switch (flags & (OptFlagDrfOther | OptFlagDrf2)) {
    case OptFlagDrfOther: s.derivativeMode = GrgAnalytic; break;
    case OptFlagDrf2: s.derivativeMode += GrgForwardChecked; break;
    case OptFlagDrf1: s.derivativeMode += GrgAnalyticOrForward; break;
    default: break;
  }
  s.useScaling = h.queryModel(h.user, QueryScaling);
  s.showIterations = h.queryModel(h.user, QueryShowIterations);
  h.realOption(h.user, &s.pre, RealPrecision);
  h.realOption(h.user, &s.stp, RealStep);
  h.realOption(h.user, &s.cvg, RealConvergence);
  return s;
}

void allocate(GrgRecord& rec) {
  int n = rec.n, m = rec.m, ext = n + m + 2, wide = std::max(m + 2, n + 1);
  rec.fixed.assign(n + 1, 0);
  rec.rowKind.assign(m + 3, 0);
  for (auto* v : {&rec.x0, &rec.varLower, &rec.varUpper, &rec.grad, &rec.xPrev}) v->assign(n + 1, 0.0);
  for (auto* v : {&rec.g, &rec.gSaved, &rec.rowLower, &rec.rowUpper, &rec.gTrial, &rec.gReport,
                  &rec.multipliers, &rec.t, &rec.u})
    v->assign(m + 3, 0.0);
  for (auto* v : {&rec.x, &rec.xl, &rec.xu, &rec.r, &rec.rOld, &rec.d, &rec.dPrev, &rec.distance,
                  &rec.phaseGrad})
    v->assign(ext + 1, 0.0);
  rec.scale.assign(rec.settings.useScaling ? ext + 1 : 0, 1.0);
  rec.directionScale.assign(ext + 1, 1.0);
  rec.orderShown.assign(n + 1, 0.0);
  rec.rowReach.assign(n + 1, 0.0);
  rec.jac.assign(static_cast<size_t>(m + 2) * (n + 1), 0.0f);
  rec.jacError.assign(rec.jac.size(), 0.0);
  rec.constancy.assign(n + 1, 0);
  rec.binv.reserve(static_cast<size_t>(m + 2) * wide);
  for (auto* v : {&rec.bindRow, &rec.basicCol, &rec.nonBinding, &rec.cols, &rec.colStatus})
    v->assign(ext + 1, 0);
  rec.factorAvailable = rec.settings.quasiNewtonLimit != -1;
  if (rec.factorAvailable) {
    int k = std::min(n, 100);
    try {
      rec.factor.assign(static_cast<size_t>(k + 2) * (k + 1) / 2, 0.0);
    } catch (const std::bad_alloc&) {
      rec.factorAvailable = false;  // conjugate gradients only
    }
  }
}

int fail(GrgRecord& rec, GrgProblem& problem, int status) {
  rec.status = status;
  problem.status = status;
  return 0;
}

// Divides (or multiplies back, `undo`) the point, the bounds and the rows by their scales.
void applyScaling(GrgRecord& rec, bool undo) {
  int n = rec.n;
  auto apply = [&](double& v, double s) {
    if (std::fabs(v) < rec.settings.infinity) v = undo ? v * s : v / s;
  };
  for (int j = 1; j <= n + rec.m; ++j) {
    apply(rec.x[j], rec.scale[j]);
    apply(rec.xl[j], rec.scale[j]);
    apply(rec.xu[j], rec.scale[j]);
  }
  for (int j = 1; j <= n; ++j) {
    apply(rec.varLower[j], rec.scale[j]);
    apply(rec.varUpper[j], rec.scale[j]);
    apply(rec.x0[j], rec.scale[j]);
  }
  for (int i = 1; i <= rec.m; ++i) {
    apply(rec.g[i], rec.scale[n + i]);
    apply(rec.rowLower[i], rec.scale[n + i]);
    apply(rec.rowUpper[i], rec.scale[n + i]);
  }
  rec.scaled = undo ? 0 : 1;
}

// Scale factors from the start point: |value| when at least the threshold, else 1.
bool startScaling(GrgRecord& rec) {
  if (!Grg_evaluate(rec, rec.g.data())) return false;
  auto factor = [&](double v) { return std::fabs(v) >= rec.settings.scaleThreshold ? std::fabs(v) : 1.0; };
  for (int j = 1; j <= rec.n; ++j) rec.scale[j] = factor(rec.x[j]);
  for (int i = 1; i <= rec.m; ++i) rec.scale[rec.n + i] = factor(rec.g[i]);
  for (int j = 1; j <= rec.n; ++j) {
    rec.xl[j] = rec.varLower[j];
    rec.xu[j] = rec.varUpper[j];
  }
  applyScaling(rec, false);
  return true;
}

bool optionsValid(const GrgRecord& rec) {
  return rec.n >= 1 && rec.m >= 1 && rec.objectiveRow >= 1 && rec.objectiveRow <= rec.m &&
         rec.settings.pre > 0 && rec.settings.pre < 1 && rec.settings.scaleThreshold > 0 && rec.settings.scaleThreshold < 1 &&
         rec.settings.pivotTol > 0 && rec.settings.pivotTol < 1 && rec.settings.convergenceCount >= 1 &&
         rec.settings.newtonLimit >= 1 && rec.settings.stp > 0 && (rec.settings.quadraticEstimates == 0 ||
         rec.settings.quadraticEstimates == 1) && rec.settings.derivativeMode >= 0 && rec.settings.derivativeMode <= 6;
}

bool boundsConsistent(const GrgRecord& rec) {
  for (int j = 1; j <= rec.n; ++j)
    if (rec.varLower[j] > rec.varUpper[j]) return false;
  for (int i = 1; i <= rec.m; ++i)
    if (i != rec.objectiveRow && rec.rowLower[i] > rec.rowUpper[i]) return false;
  return true;
}

// Extended bounds, row kinds, fixed flags; the start point moved into its bounds.
void buildExtendedBounds(GrgRecord& rec) {
  int n = rec.n;
  for (int j = 1; j <= n; ++j) {
    rec.xl[j] = rec.varLower[j];
    rec.xu[j] = rec.varUpper[j];
    rec.fixed[j] = rec.varLower[j] == rec.varUpper[j];
    rec.x[j] = std::clamp(rec.x[j], rec.xl[j], rec.xu[j]);
    rec.x0[j] = rec.x[j];
  }
  for (int i = 1; i <= rec.m; ++i) {
    bool objective = i == rec.objectiveRow;
    rec.xl[n + i] = objective ? -rec.settings.infinity : rec.rowLower[i];
    rec.xu[n + i] = objective ? rec.settings.infinity : rec.rowUpper[i];
    bool free = rec.xl[n + i] <= -rec.settings.infinity && rec.xu[n + i] >= rec.settings.infinity;
    rec.rowKind[i] = objective || free ? 0 : (rec.xl[n + i] == rec.xu[n + i] ? 1 : 2);
  }
}

// The once-only move of an infeasible start: halfway towards a bound, or by one.
void moveStart(GrgRecord& rec) {
  for (int j = 1; j <= rec.n; ++j) {
    if (rec.fixed[j]) continue;
    double x = rec.x[j], l = rec.xl[j], u = rec.xu[j], d;
    bool hasL = l > -rec.settings.infinity, hasU = u < rec.settings.infinity;
    if (!hasL && !hasU) d = std::fabs(-0.5 * x) <= rec.settings.pre ? 1.0 : -0.5 * x;
    else if (!hasL) d = std::fabs(0.5 * (u - x)) <= rec.settings.pre ? -1.0 : 0.5 * (u - x);
    else if (!hasU) d = std::fabs(0.5 * (l - x)) <= rec.settings.pre ? 1.0 : 0.5 * (l - x);
    else d = std::fabs(0.5 * (l - x)) <= rec.settings.pre ? 0.5 * (u - x) : 0.5 * (l - x);
    rec.x[j] += d;
    rec.x0[j] = rec.x[j];
  }
}

// A pass that ends infeasible under forward differences may only have lost
// its way in their error: near a point where an equality row touches a
// ball's row of size 1E+09, the reduced gradient of the violations falls
// below the error of the ball's differenced derivatives and the direction
// points away from the feasible point. Such a pass goes on once from where
// it ended with central differences before "no feasible solution" holds.
bool switchToCentral(GrgRecord& rec) {
  if (rec.status != 0 || rec.endCode != 5 || rec.settings.derivativeMode != GrgForward) return false;
  rec.settings.derivativeMode = GrgCentral;
  return true;
}

void runPasses(GrgRecord& rec) {
  bool retried = false;
  int mode = rec.settings.derivativeMode;
  rec.endCode = 0;
  for (;;) {
    rec.endCode = Grg_runPass(rec);
    bool retry = rec.status == 0 && rec.endCode == 5 && rec.iteration == 0 && !retried;
    // A pass that converged infeasible having halved its violations goes on
    // in a pass of its own from where it ended.
    bool resume = rec.status == 0 && rec.endCode == 5 && (rec.infeasibleProgress || (!retry && switchToCentral(rec)));
    if (!retry && !resume && rec.status != GrgRestart) break;
    if (retry || resume) {
      // The new pass is judged afresh: the last pass's "infeasible" holds
      // for its own point only, and a pass that ends feasible without a
      // direction to follow keeps the end code it starts with.
      retried = retried || retry;
      if (retry) moveStart(rec);
      rec.endCode = 0;
    }
    rec.host.progress(rec.host.user, ProgressResume, 0, 0.0);
    rec.status = 0;
  }
  rec.settings.derivativeMode = mode;
}

// Row multipliers of the binding rows and reduced gradients of the variables at a bound.
void computeDuals(GrgRecord& rec, std::vector<double>& reduced) {
  double sign = rec.negateObjective ? -1.0 : 1.0;
  double objScale = rec.scale.empty() ? 1.0 : rec.scale[rec.n + rec.objectiveRow];
  auto own = [&](int col) { return rec.scale.empty() ? 1.0 : rec.scale[col]; };
  reduced.assign(rec.n + 1, 0.0);
  std::fill(rec.multipliers.begin(), rec.multipliers.end(), 0.0);
  for (int k = 1; k <= rec.bindingCount; ++k) {
    int row = rec.bindRow[k];
    rec.multipliers[row] = sign * rec.u[k] * objScale / own(rec.n + row);
  }
  for (int s = rec.superbasicCount + 1; s <= rec.columnCount; ++s) {
    int col = rec.cols[s];
    if (col <= rec.n && rec.colStatus[s] != 0) reduced[col] = sign * rec.r[col] * objScale / own(col);
  }
}

void writeReports(GrgRecord& rec, int status, const std::vector<double>& reduced) {
  const HostServices& h = rec.host;
  if (!h.writeReports) return;
  ReportSummary s{rec.n, &rec.varLower[1], &rec.x[1], &rec.varUpper[1], &reduced[1], rec.m - 1,
                  &rec.rowLower[1], &rec.g[1], &rec.rowUpper[1], &rec.multipliers[1]};
  int feasibility = h.queryModel(h.user, QueryFeasibility);
  if (h.queryModel(h.user, QueryIntegers) > 0 && h.queryModel(h.user, QueryRelaxIntegers) == 0)
    h.writeReports(h.user, 1, 0, &s, nullptr);
  else if (status == StatusMultistartEnd) h.writeReports(h.user, 1, 0, &s, nullptr);
  else if (feasibility == 1) h.writeReports(h.user, 4, 0, &s, nullptr);
  else if (feasibility == 2) h.writeReports(h.user, 5, 0, &s, nullptr);
  else if (feasibility != 0) h.writeReports(h.user, 0, 0, &s, nullptr);
  else if (status == StatusInfeasible) h.writeReports(h.user, 0, 5, &s, nullptr);
  else h.writeReports(h.user, 2, 1, &s, nullptr);
}

}  // namespace

int Grg_mapStop(int stop) { return stop == StopByUser ? GrgRestart : Eng_stopStatus(stop, false); }

void Grg_poll(GrgRecord& rec) {
  int code = Grg_mapStop(rec.host.progress(rec.host.user, 0, 0, 0.0));
  if (rec.status == 0) rec.status = code;
}

double Grg_trueObjective(const GrgRecord& rec, double value) {
  if (rec.scaled) value *= rec.scale[rec.n + rec.objectiveRow];
  return rec.negateObjective ? -value : value;
}

namespace {

// A local run's report through its caller's routine: its set-up steps, then
// its iterations with the objective; the answer is a stop as the progress
// callback's would be.
void localReport(GrgRecord& rec, int number) {
  const HostServices& h = rec.host;
  double f = rec.iterationsReported ? Grg_trueObjective(rec, rec.g[rec.objectiveRow]) : 0.0;
  int code = Grg_mapStop(h.localProgress(h.user, rec.iterationsReported, number + 1, f));
  if (rec.status == 0) rec.status = code;
}

}  // namespace

void Grg_iterationReport(GrgRecord& rec, int number) {
  const HostServices& h = rec.host;
  if (h.localProgress && h.queryModel(h.user, QueryLocalProgress)) return localReport(rec, number);
  if (!rec.iterationsReported) {
    int code = Grg_mapStop(h.progress(h.user, ProgressSetup, number + 1, 0.0));
    if (rec.status == 0) rec.status = code;
    return;
  }
  double f = Grg_trueObjective(rec, rec.g[rec.objectiveRow]);
  int answer = h.progress(h.user, ProgressIterationNumber | ProgressQuery, number + 1, f);
  if (answer == 0 && !rec.settings.showIterations) return;
  h.progress(h.user, ProgressPause, 0, 0.0);
  bool ok = Grg_evaluate(rec, rec.gReport.data());
  answer = h.progress(h.user, ProgressResume | ProgressIncumbent | ProgressIteration, number + 1, f);
  if (!ok) rec.status = StatusEvalError;
  else if (rec.status == 0) rec.status = Grg_mapStop(answer);
}

namespace {

// Row values from the host made engine values: the artificial objective row
// set to 0, the objective's sign changed, rows divided by their scales.
void fromHostRows(GrgRecord& rec, double* rows) {
  if (rec.hostRows < rec.m) rows[rec.m] = 0.0;
  if (rec.negateObjective) rows[rec.objectiveRow] = -rows[rec.objectiveRow];
  if (rec.scaled)
    for (int i = 1; i <= rec.m; ++i) rows[i] /= rec.scale[rec.n + i];
}

double toHost(const GrgRecord& rec, int j, double value) {
  return rec.scaled ? value * rec.scale[j] : value;
}

}  // namespace

bool Grg_evaluate(GrgRecord& rec, double* rows) {
  std::vector<double> hx(rec.n);
  for (int j = 1; j <= rec.n; ++j) hx[j - 1] = toHost(rec, j, rec.x[j]);
  ++rec.evaluations;
  rec.hostAtX = rec.host.evalProblem(rec.host.user, rows + 1, hx.data()) != 0;
  if (!rec.hostAtX) return false;
  fromHostRows(rec, rows);
  return true;
}

bool Grg_evaluatePerturbed(GrgRecord& rec, int previous, int j, double value, double* rows) {
  ++rec.evaluations;
  rec.hostAtX = false;
  if (!rec.host.evalTwoChanged(rec.host.user, rows + 1, previous - 1,
                               toHost(rec, previous, rec.x[previous]), j - 1, toHost(rec, j, value)))
    return false;
  fromHostRows(rec, rows);
  return true;
}

int Grg_setup(GrgRecord& rec, const HostServices& host, GrgProblem& problem) {
  rec = GrgRecord{};
  rec.host = host;
  problem.saved.clear();
  if (!hostComplete(host)) return fail(rec, problem, StatusBadModel);
  rec.n = host.queryModel(host.user, QueryVariables);
  rec.m = host.queryModel(host.user, QueryRows);
  rec.hostRows = rec.m;
  int integers = host.queryModel(host.user, QueryIntegers);
  bool hasObjective = host.queryModel(host.user, QueryObjectiveRow) != 0;
  rec.negateObjective = hasObjective ? host.queryModel(host.user, QueryMaximise) : 0;
  if (!hasObjective) ++rec.m;
  rec.objectiveRow = rec.m;
  if (!(problem.flags & (ProblemFeasibility | ProblemLocalSolver)) &&
      (rec.n > SizeVariables || rec.m > SizeRows || integers > SizeIntegers))
    return fail(rec, problem, StatusBadModel);
  if (rec.n < 1 || rec.hostRows < 0) return fail(rec, problem, StatusBadModel);
  rec.settings = readSettings(host, rec.n);
  try {
    allocate(rec);
  } catch (const std::bad_alloc&) {
    return fail(rec, problem, StatusOutOfMemory);
  }
  std::fill(rec.rowLower.begin(), rec.rowLower.end(), -rec.settings.infinity);
  std::fill(rec.rowUpper.begin(), rec.rowUpper.end(), rec.settings.infinity);
  if (!host.initialValues(host.user, &rec.x[1]) ||
      !host.bounds(host.user, &rec.varLower[1], &rec.varUpper[1], &rec.rowLower[1], &rec.rowUpper[1]))
    return fail(rec, problem, StatusBadBounds);
  for (int j = 1; j <= rec.n; ++j) {
    if (!(rec.varUpper[j] >= rec.varLower[j])) return fail(rec, problem, StatusCrossedBounds);
    rec.x0[j] = rec.x[j];
  }
  if (!hasObjective) rec.rowLower[rec.m] = rec.rowUpper[rec.m] = 0.0;
  problem.status = 0;
  return 1;
}

int Grg_solve(GrgRecord& rec, GrgProblem& problem) {
  if ((problem.flags & ProblemOtherDriver) && static_cast<int>(problem.saved.size()) > rec.n)
    std::copy(problem.saved.begin() + 1, problem.saved.begin() + rec.n + 1, rec.x.begin() + 1);
  problem.saved.clear();
  rec.status = 0;
  rec.iteration = 0;
  rec.iterationsReported = 0;
  rec.gradientsValid = 0;
  for (int j = 1; j <= rec.n; ++j) rec.x0[j] = rec.x[j];
  if (rec.settings.useScaling && !startScaling(rec)) rec.status = StatusEvalError;
  if (rec.status == 0 && !optionsValid(rec)) rec.status = StatusBadModel;
  if (rec.status == 0 && !boundsConsistent(rec)) rec.status = StatusInfeasible;
  if (rec.status == 0) {
    buildExtendedBounds(rec);
    try {
      runPasses(rec);
    } catch (const std::bad_alloc&) {
      rec.status = StatusOutOfMemory;  // the work blocks of a very large basis
    }
  }
  int status = rec.status >= 2 ? rec.status : rec.endCode;
  if (rec.status == 0 && Eng_isConverged(status) && rec.settings.linearityCheck && !Grg_linearityTest(rec))
    status = rec.status == 0 ? StatusNotLinear : rec.status;
  if (rec.scaled) applyScaling(rec, true);
  problem.objective = Grg_trueObjective(rec, rec.g[rec.objectiveRow]);
  std::vector<double> reduced;
  computeDuals(rec, reduced);
  if (problem.reducedCosts) std::copy(reduced.begin() + 1, reduced.end(), problem.reducedCosts);
  if (problem.multipliers)
    std::copy(rec.multipliers.begin() + 1, rec.multipliers.begin() + rec.m, problem.multipliers);
  problem.status = status;
  if (Eng_isConverged(status) && (problem.flags & ProblemOtherDriver))
    problem.saved.assign(rec.x.begin(), rec.x.begin() + rec.n + 1);
  return rec.status == 0 ? 1 : 0;
}

int Grg_finish(GrgRecord& rec, GrgProblem& problem) {
  const HostServices& h = rec.host;
  if (h.progress) h.progress(h.user, ProgressPause, 0, 0.0);
  bool arrays = !rec.x.empty();
  if (arrays && !Grg_evaluate(rec, rec.g.data()) && Eng_isConverged(problem.status))
    problem.status = StatusEvalError;
  if (h.progress) h.progress(h.user, ProgressResume, 0, 0.0);
  int s = problem.status;
  bool noReports = s == StatusBadModel || s == StatusEvalError || s == StatusOutOfMemory ||
                   s == StatusBadBounds || s == StatusCrossedBounds || s == StatusNoCoefficients;
  if (arrays && !noReports) {
    std::vector<double> reduced;
    computeDuals(rec, reduced);
    writeReports(rec, s, reduced);
  }
  HostServices keep = rec.host;
  rec = GrgRecord{};
  rec.host = keep;
  return 1;
}
