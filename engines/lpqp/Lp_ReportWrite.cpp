// The reports the LP/quadratic engine hands the host at the end of a run
// (a solved linear model's sensitivity, a quadratic model's multipliers,
// the marks of a failed linearity test, or the plain solution summary),
// and the reduced costs and dual values that a driver asks for after each
// solve.
#include <algorithm>
#include <cmath>
#include <new>

#include "contract/Eng_Report.h"
#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

// Host-side arrays of a summary, 1-based like the engine's, unscaled.
struct LpReportArrays {
  std::vector<double> rowLower, rowUpper, rowValues, perVariable, perRow;
};

LpReportArrays reportArrays(const LpRun& run) {
  const LpRecord& lp = run.lp;
  LpReportArrays a{lp.rowLower, lp.rowUpper, run.hostRows, {}, {}};
  for (auto* v : {&a.rowLower, &a.rowUpper, &a.rowValues}) Lp_unscaleRows(lp.scaling, v->data());
  a.perVariable.assign(static_cast<std::size_t>(lp.n) + 1, 0.0);
  a.perRow.assign(static_cast<std::size_t>(lp.m) + 2, 0.0);
  return a;
}

ReportSummary summaryOf(const LpRun& run, const LpReportArrays& a) {
  const LpRecord& lp = run.lp;
  return {lp.n,
          lp.lower.data() + 1,
          lp.x.data() + 1,
          lp.upper.data() + 1,
          a.perVariable.data() + 1,
          lp.modelRows,
          a.rowLower.data() + 1,
          a.rowValues.data() + 1,
          a.rowUpper.data() + 1,
          a.perRow.data() + 1};
}

int query(const LpRun& run, int kind) { return run.host.queryModel(run.host.user, kind); }

void send(const LpRun& run, int set, int code, const LpReportArrays& a,
          const SensitivityRecord* sensitivity = nullptr) {
  const ReportSummary summary = summaryOf(run, a);
  run.host.writeReports(run.host.user, set, code, &summary, sensitivity);
}

// Report set and code of the plain summary after any other outcome.
std::pair<int, int> statusReportSet(const LpRun& run, int status) {
  if (query(run, QueryIntegers) != 0 && query(run, QueryRelaxIntegers) == 0) return {1, 0};
  switch (run.lp.options.feasibilityMode) {
    case 0:
      break;
    case 1:
      return {4, 0};
    case 2:
      return {5, 0};
    default:
      return {0, 0};
  }
  return status == StatusInfeasible ? std::pair{0, 5} : std::pair{3, 1};
}

// A solved linear model: reduced costs, dual values and the ranging tables.
void linearReports(const LpRun& run, LpReportArrays& a) {
  const LpRecord& lp = run.lp;
  LpSensitivity s;
  Lp_linearSensitivity(lp, s);
  a.perVariable = s.reducedCosts;
  a.perRow = s.duals;
  std::vector<double> objective = lp.objCoef, rhs = lp.rhs;
  Lp_unscaleGradient(lp.scaling, objective.data());
  Lp_unscaleRows(lp.scaling, rhs.data());
  const SensitivityRecord record{lp.n,
                                 objective.data() + 1,
                                 s.objectiveIncrease.data() + 1,
                                 s.objectiveDecrease.data() + 1,
                                 lp.lower.data() + 1,
                                 s.lowerIncrease.data() + 1,
                                 s.lowerDecrease.data() + 1,
                                 lp.upper.data() + 1,
                                 s.upperIncrease.data() + 1,
                                 s.upperDecrease.data() + 1,
                                 lp.modelRows,
                                 rhs.data() + 1,
                                 s.rhsIncrease.data() + 1,
                                 s.rhsDecrease.data() + 1};
  send(run, 3, 1, a, &record);
}

// The model as captured, unscaled: row constants and coefficients, and the
// objective's constant and coefficients. A setup that found the model
// nonlinear kept its capture in the working matrix, a solve in the pristine one.
struct LpCaptured {
  LpMatrix rows;
  std::vector<double> rhs, objective;
};

LpCaptured captured(const LpRecord& lp) {
  LpCaptured c{lp.objKind == 0 ? lp.matrix : lp.pristine, lp.rhs, lp.objCoef};
  Lp_unscaleMatrix(lp.scaling, c.rows);
  Lp_unscaleRows(lp.scaling, c.rhs.data());
  Lp_unscaleGradient(lp.scaling, c.objective.data());
  c.objective[0] = Lp_unscaleObjective(lp.scaling, c.objective[0]);
  return c;
}

bool differs(double value, double predicted, double precision) {
  return std::fabs(value - predicted) > (std::fabs(value) + 1) * precision;
}

// Evaluates at hostX, values unscaled; false when the evaluation failed.
bool evaluateUnscaled(LpRun& run, std::vector<double>& rows) {
  if (!Lp_evaluate(run, rows.data())) return false;
  Lp_unscaleRows(run.lp.scaling, rows.data());
  return true;
}

// Marks of variable j evaluated alone at 8: rows whose value leaves their
// captured line (1, and j with them), an objective that does (j: 2).
void markVariable(const LpRun& run, const LpCaptured& c, int j, const std::vector<double>& f,
                  LpReportArrays& a) {
  const LpRecord& lp = run.lp;
  for (int i = 1; i <= lp.modelRows; ++i) {
    if (lp.rowLower[i] <= -kBoundInfinity && lp.rowUpper[i] >= kBoundInfinity) continue;  // not captured
    const double* row = c.rows.row(i);
    if (differs(f[i], c.rhs[i] - row[0] + 8 * row[j], lp.precision))
      a.perRow[i] = a.perVariable[j] = 1;
  }
  if (!lp.noObjective && differs(f[lp.m + 1], c.objective[0] + 8 * c.objective[j], lp.precision))
    a.perVariable[j] = 2;
}

// A failed linearity test: which rows and variables broke linearity.
void linearityReports(LpRun& run, LpReportArrays& a) {
  LpRecord& lp = run.lp;
  std::fill(a.perVariable.begin(), a.perVariable.end(), -1.0);
  std::fill(a.perRow.begin(), a.perRow.end(), -1.0);
  if (query(run, QueryReports) != 0) {
    // A capture that an evaluation ended left no predictions to test.
    if (!run.captured) return send(run, 0, 0, a);
    const LpCaptured c = captured(lp);
    std::vector<double> f(run.hostRows.size());
    for (int j = 1; j <= lp.n; ++j) {
      std::fill(run.hostX.begin(), run.hostX.end(), 0.0);
      run.hostX[j] = 8;
      if (!evaluateUnscaled(run, f)) return send(run, 0, 0, a);
      markVariable(run, c, j, f, a);
    }
    run.hostX = lp.xStart;
    Lp_unscaleVariables(lp.scaling, run.hostX.data());
    if (Lp_evaluate(run, f.data())) {
      for (auto* v : {&a.perVariable, &a.perRow}) std::replace(v->begin(), v->end(), -1.0, 0.0);
    }
  }
  send(run, 6, 0, a);
}

int pollRun(void* run) { return Lp_poll(*static_cast<LpRun*>(run)); }

// The solution back into the model's cells after a gradient that may have
// been taken by differences moved them (through the application, as the
// final evaluation of the run).
void leaveSolution(LpRun& run) {
  run.host.progress(run.host.user, ProgressPause, 0, 0.0);
  std::copy(run.lp.x.begin(), run.lp.x.end(), run.hostX.begin());
  Lp_evaluate(run, run.hostRows.data());
  run.host.progress(run.host.user, ProgressResume, 0, 0.0);
}

// A solved quadratic model: multipliers of the active rows and reduced
// gradients at the solution; no report when the gradient is not had.
void quadraticReports(LpRun& run, LpReportArrays& a) {
  LpRecord& lp = run.lp;
  std::vector<double> g(static_cast<std::size_t>(lp.n) + 1, 0.0);
  double f = 0;
  const bool cellsMayMove = lp.quadratic.terms.a.empty();
  const int status = Lp_objectiveGradient(run, lp.x.data(), f, g.data());
  if (cellsMayMove) leaveSolution(run);
  if (status != 0) return;
  const LpCaptured c = captured(lp);
  LpQuadraticPoint p;
  p.n = lp.n;
  p.m = lp.modelRows;
  p.rows = &c.rows;
  p.x = lp.x.data(), p.lower = lp.lower.data(), p.upper = lp.upper.data(), p.g = g.data();
  p.rowValue = a.rowValues.data(), p.rowLower = a.rowLower.data(), p.rowUpper = a.rowUpper.data();
  p.precision = lp.precision;
  p.poll = pollRun;
  p.pollContext = &run;
  std::vector<double> multipliers;
  Lp_quadraticDuals(p, multipliers, a.perVariable);
  std::copy(multipliers.begin(), multipliers.end(), a.perRow.begin());
  send(run, 2, 1, a);
}

}  // namespace

void Lp_publishDuals(const LpRun& run, int status, EngineProblem* problem) {
  const LpRecord& lp = run.lp;
  if (lp.objKind != 1) return;
  const bool solved = status == StatusSolved || status == StatusHeuristicInteger;
  std::vector<double> v;
  if (problem->reducedCosts) {
    if (solved) Lp_reducedCosts(lp, v);
    for (int j = 1; j <= lp.n; ++j) problem->reducedCosts[j - 1] = solved ? v[j] : 0.0;
  }
  if (problem->multipliers) {
    if (solved) Lp_rowDuals(lp, v);
    for (int i = 1; i <= lp.modelRows; ++i) problem->multipliers[i - 1] = solved ? v[i] : 0.0;
  }
}

void Lp_writeReports(LpRun& run, const EngineProblem* problem) {
  const int status = problem->status;
  if (!run.host.writeReports || status == StatusBadModel || !Lp_isAllocated(run.lp)) return;
  try {
    LpReportArrays a = reportArrays(run);
    const bool reports = status == StatusSolved && (problem->flags & ProblemReports) != 0;
    if (reports && run.lp.objKind == 1) return linearReports(run, a);
    if (reports && run.lp.objKind == 2) return quadraticReports(run, a);
    if (status == StatusNotLinear) return linearityReports(run, a);
    const auto [set, code] = statusReportSet(run, status);
    send(run, set, code, a);
  } catch (const std::bad_alloc&) {
    // reports are skipped when their arrays cannot be had
  }
}
