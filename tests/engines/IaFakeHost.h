// The library's side of an interval engine run in the tests and the bench:
// a test model's bounds and start point, options, a descent as the local
// solver, and a progress callback that can stop the run at an iteration.
#pragma once

#include <algorithm>
#include <map>
#include <string>

#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "engines/interval/Ia_Engine.h"
#include "tests/engines/IaTestModel.h"

struct IaFakeHost {
  IaTestModel* t = nullptr;
  std::vector<double> lower, upper, start;
  std::map<int, int> queries;
  std::map<std::string, int> named;
  double accuracy = 1e-6;
  bool localMoves = true;                         // false: the local solver stays where it starts
  std::vector<int> localStatus = {StatusSolved};  // one per run, the last repeated
  mutable std::size_t localRuns = 0;
  int stopAt = -1, stopCode = StopContinue;
  int pendingStop = StopContinue;  // what a bare query answers
  // Each local run reports this many set-up steps and iterations through the
  // routine it is given, and ends as the local solver does on a stop.
  int localSetupSteps = 0, localIterations = 0;
  mutable std::vector<int> localAnswers;     // what the routine answered the local runs
  mutable std::map<int, int> progressCalls;  // by their flags
  int reportSet = -1;
  std::vector<std::string> table;
  int tableRows = 0;

  double objective(const std::vector<double>& x) const { return t->atPoint[0](x); }

  // Projected steepest descent with backtracking and central differences.
  void descend(std::vector<double>& x) const {
    const int n = static_cast<int>(x.size()) - 1;
    double step = 0.1;
    for (int it = 0; it < 5000 && step > 1e-14; ++it) {
      std::vector<double> g(n + 1, 0.0), y = x;
      for (int i = 1; i <= n; ++i) {
        std::vector<double> a = x, b = x;
        a[i] += 1e-7;
        b[i] -= 1e-7;
        g[i] = (objective(a) - objective(b)) / 2e-7;
      }
      for (int i = 1; i <= n; ++i) y[i] = std::clamp(x[i] - step * g[i], lower[i - 1], upper[i - 1]);
      if (objective(y) < objective(x)) x = y, step *= 1.5;
      else step *= 0.5;
    }
  }
};

inline IaFakeHost& hostOf(void* u) { return *static_cast<IaFakeHost*>(u); }

inline IaHost bindHost(IaFakeHost& f) {
  IaHost h;
  HostServices& s = h.services;
  s.user = &f;
  s.queryModel = [](void* u, int kind) {
    auto& q = hostOf(u).queries;
    return q.count(kind) ? q[kind] : 0;
  };
  s.optionFlags = [](void*, int) { return unsigned{OptFlagArs | OptFlagMet | OptFlagLptDus}; };
  s.realOption = [](void* u, double* out, int) {
    *out = hostOf(u).accuracy;
    return 1;
  };
  s.intOption = [](void*, int kind) { return kind == IntMaxNoImprovement ? 30 : 1000; };
  s.namedInt = [](void* u, const char* name, int fallback) {
    auto& named = hostOf(u).named;
    return named.count(name) ? named[name] : fallback;
  };
  s.bounds = [](void* u, double* lo, double* up, double* rlo, double* rup) {
    const IaFakeHost& f = hostOf(u);
    std::copy(f.lower.begin(), f.lower.end(), lo);
    std::copy(f.upper.begin(), f.upper.end(), up);
    for (int r = 0; r < f.t->model.m; ++r) rlo[r] = -1e30, rup[r] = 1e30;
    return 1;
  };
  s.initialValues = [](void* u, double* x) {
    std::copy(hostOf(u).start.begin(), hostOf(u).start.end(), x);
    return 1;
  };
  s.evalProblem = [](void* u, double* rows, const double* x) {
    const IaTestModel& t = *hostOf(u).t;
    const std::vector<double> at(x - 1, x + t.model.n);
    for (int k = 1; k <= t.model.m; ++k) rows[k - 1] = t.atPoint[k](at);
    if (hostOf(u).queries[QueryObjectiveRow]) rows[t.model.m] = t.atPoint[0](at);
    return 1;
  };
  s.progress = [](void* u, int flags, int count, double) {
    const IaFakeHost& f = hostOf(u);
    ++f.progressCalls[flags];
    if (flags == ProgressQuery) return f.pendingStop;
    return (flags & (ProgressIterationNumber | ProgressIteration)) && count == f.stopAt ? f.stopCode
                                                                                        : int{StopContinue};
  };
  s.writeReports = [](void* u, int set, int, const ReportSummary*, const SensitivityRecord*) {
    hostOf(u).reportSet = set;
    return 1;
  };
  h.runLocal = [](void* u, double* x, const double*, const double*, bool, LocalProgress progress, void* user) {
    const IaFakeHost& f = hostOf(u);
    const int status = f.localStatus[std::min(f.localRuns++, f.localStatus.size() - 1)];
    for (int k = 1; k <= f.localSetupSteps + f.localIterations; ++k) {
      const bool iterating = k > f.localSetupSteps;
      f.localAnswers.push_back(progress(user, iterating, iterating ? k - f.localSetupSteps : k, 1.0));
      if (f.localAnswers.back() != StopContinue) return Eng_stopStatus(f.localAnswers.back(), false);
    }
    if (!f.localMoves) return status;
    std::vector<double> y(x - 1, x + f.start.size());
    f.descend(y);
    std::copy(y.begin() + 1, y.end(), x);
    return status;
  };
  h.writeTable = [](void* u, int, int columns, int rows, const char* const* texts) {
    auto& f = hostOf(u);
    f.table.assign(texts, texts + columns * rows);
    f.tableRows = rows;
    return 1;
  };
  h.clockSeconds = [](void*) { return 0.0; };
  return h;
}

struct EngineRun {
  int status;
  IaEngine engine;
  std::vector<IaBox> solutions;  // the all-solutions search's, before finish
};

// Set-up, solve and finish of the engine on the fake host.
inline EngineRun runEngine(IaFakeHost& f, const IaModel& model, unsigned flags = 0) {
  f.queries[QueryVariables] = model.n;
  f.queries[QueryRows] = model.m + (model.problemClass <= IaClassConstrained ? 1 : 0);
  f.queries[QueryObjectiveRow] = model.problemClass <= IaClassConstrained;
  if (!f.queries.count(QueryClassCode)) f.queries[QueryClassCode] = 2;
  EngineRun r{0, {}, {}};
  r.status = Ia_setup(r.engine, bindHost(f), &model, flags);
  if (r.status) return r;
  const int solved = Ia_solve(r.engine);
  for (const IaBoxNode& node : r.engine.solutions.nodes) r.solutions.push_back(node.box);
  r.status = Ia_finish(r.engine, solved);
  return r;
}
