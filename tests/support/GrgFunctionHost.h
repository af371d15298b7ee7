// A GRG host over a model written as C++ functions: rows (constraints, then
// the objective last when there is one), bounds, start point, options, an
// optional analytic Jacobian, a progress callback with an iteration limit
// and a local-run caller's progress routine.
#pragma once

#include <functional>
#include <vector>

#include "engines/grg/Grg_Engine.h"

struct GrgFunctionModel {
  int n = 0;
  int rows = 0;  // query-1 rows
  bool hasObjective = true;
  bool maximise = false;
  std::function<bool(const double* x, double* rows)> eval;
  // Analytic Jacobian element (row, col) at x; empty: the host has none.
  std::function<double(const double* x, int row, int col)> jacobian;
  std::vector<double> x0, lower, upper, rowLower, rowUpper;
  unsigned flags = 0;
  double pre = 1e-6, cvg = 1e-8, stp = 1e-6;
  int scaling = 0, integers = 0;
  bool startReadable = true;
  int iterationLimit = 0;  // 0: none
  int restartsAsked = 0;   // polls answered with "stop chosen by the user"
  // Recorded by the host.
  std::vector<double> base, firstPoint;
  long evaluations = 0;
  int lastIteration = 0, iterationsCounted = 0, pauses = 0, resumes = 0, setupReports = 0;
  std::vector<int> reportSets;
  // A local run for a caller with a progress routine (model query 40 answers
  // 1): the reports the routine took, and the iteration at which it answers
  // a break (0: never).
  bool localRoutine = false;
  int localStopAt = 0;
  struct LocalReport {
    int iteration, count;
    double objective;
  };
  std::vector<LocalReport> localReports;
};

// A model whose variables lie in [lower, upper] and whose rows, the
// objective last, are `eval`'s values within [rowLower, rowUpper].
inline GrgFunctionModel GrgFn_model(std::vector<double> x0, std::vector<double> lower, std::vector<double> upper,
                                    std::vector<double> rowLower, std::vector<double> rowUpper,
                                    std::function<bool(const double* x, double* rows)> eval) {
  GrgFunctionModel m;
  m.n = static_cast<int>(lower.size());
  m.rows = static_cast<int>(rowLower.size());
  m.eval = std::move(eval);
  m.x0 = std::move(x0);
  m.lower = std::move(lower);
  m.upper = std::move(upper);
  m.rowLower = std::move(rowLower);
  m.rowUpper = std::move(rowUpper);
  return m;
}

inline HostServices GrgFn_host(GrgFunctionModel& model) {
  HostServices h;
  h.user = &model;
  h.queryModel = [](void* u, int kind) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    switch (kind) {
      case QueryVariables: return m.n;
      case QueryRows: return m.rows;
      case QueryIntegers: return m.integers;
      case QueryObjectiveRow: return m.hasObjective ? 1 : 0;
      case QueryMaximise: return m.maximise ? 1 : 0;
      case QueryScaling: return m.scaling;
      case QueryLocalProgress: return m.localRoutine ? 1 : 0;
      default: return 0;
    }
  };
  h.optionFlags = [](void* u, int) { return static_cast<GrgFunctionModel*>(u)->flags; };
  h.realOption = [](void* u, double* out, int kind) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    *out = kind == RealPrecision ? m.pre : kind == RealConvergence ? m.cvg : kind == RealStep ? m.stp : 1e-8;
    return 1;
  };
  h.initialValues = [](void* u, double* x) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    std::copy(m.x0.begin(), m.x0.end(), x);
    return m.startReadable ? 1 : 0;
  };
  h.bounds = [](void* u, double* l, double* up, double* rl, double* ru) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    std::copy(m.lower.begin(), m.lower.end(), l);
    std::copy(m.upper.begin(), m.upper.end(), up);
    std::copy(m.rowLower.begin(), m.rowLower.end(), rl);
    std::copy(m.rowUpper.begin(), m.rowUpper.end(), ru);
    return 1;
  };
  h.evalProblem = [](void* u, double* rows, const double* x) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    if (++m.evaluations == 1) m.firstPoint.assign(x, x + m.n);
    m.base.assign(x, x + m.n);
    return m.eval(x, rows) ? 1 : 0;
  };
  h.evalTwoChanged = [](void* u, double* rows, int j, double xj, int k, double xk) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    ++m.evaluations;
    std::vector<double> x = m.base;
    x[j] = xj;
    x[k] = xk;
    return m.eval(x.data(), rows) ? 1 : 0;
  };
  h.evalJacobian = [](void* u, JacobianStore store, void* record, const double* x, int) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    if (!m.jacobian) return 0;
    for (int i = 0; i < m.rows; ++i)
      for (int j = 0; j < m.n; ++j)
        if (!store(u, record, i, j, m.jacobian(x, i, j), nullptr)) return 0;
    return 1;
  };
  h.progress = [](void* u, int flags, int count, double) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    if (flags & ProgressSetup) ++m.setupReports;
    if (flags & ProgressPause) ++m.pauses;
    if (flags & ProgressResume) ++m.resumes;
    if ((flags & ProgressIterationNumber) && count != m.lastIteration) {
      m.lastIteration = count;
      ++m.iterationsCounted;
    }
    if (flags == 0 && m.restartsAsked > 0) {
      --m.restartsAsked;
      return static_cast<int>(StopByUser);
    }
    bool limit = m.iterationLimit > 0 && m.iterationsCounted >= m.iterationLimit;
    if (flags & ProgressQuery) return limit ? 1 : 0;
    return (limit && (flags & ProgressResume)) ? static_cast<int>(StopIterationLimit) : 0;
  };
  h.localProgress = [](void* u, int iteration, int count, double objective) {
    auto& m = *static_cast<GrgFunctionModel*>(u);
    m.localReports.push_back({iteration, count, objective});
    return iteration && count == m.localStopAt ? int{StopBreak} : int{StopContinue};
  };
  h.writeReports = [](void* u, int set, int, const ReportSummary*, const SensitivityRecord*) {
    static_cast<GrgFunctionModel*>(u)->reportSets.push_back(set);
    return 1;
  };
  return h;
}

// Runs setup, solve and finish; the problem carries status and objective.
inline GrgProblem GrgFn_run(GrgFunctionModel& model, std::vector<double>* x = nullptr, GrgProblem problem = {}) {
  GrgRecord rec;
  if (Grg_setup(rec, GrgFn_host(model), problem)) {
    Grg_solve(rec, problem);
    if (x) x->assign(rec.x.begin() + 1, rec.x.begin() + 1 + model.n);
  }
  Grg_finish(rec, problem);
  return problem;
}
