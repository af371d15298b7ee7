// The LP/quadratic engine's setup, solve and finish on each netlib problem,
// its model held in memory (no file is read inside the timing): capture
// through the coefficient extraction, scaling and the simplex. Each problem
// runs twice in one go, without and with the tableau's drift control, so
// that the cost of the drift checks and rebuilds shows beside the plain
// updates. Reports the status, the iterations, the rebuilds and the
// objective as counters.
#include <benchmark/benchmark.h>

#include "bench/BenchData.h"

namespace {

// setup, solve and finish with the drift control on or off.
LpFakeRun solveOnce(LpFakeModel& model, bool driftControl, int& rebuilds) {
  EngineProblem problem{};
  LpFakeRun r;
  r.setup = Lp_engineSetupWith(&problem, LpFake_host(model));
  if (r.setup) {
    LpRecord& lp = static_cast<LpRun*>(problem.engineRecord)->lp;
    if (!driftControl) lp.drift.interval = 0;
    r.solve = Lp_engineSolve(&problem);
    rebuilds = lp.drift.rebuilds;
  }
  r.status = problem.status;
  r.objective = problem.objective;
  Lp_engineFinish(&problem);
  return r;
}

void solveThroughEngine(benchmark::State& state, const std::string& name, bool driftControl) {
  LpFakeModel model;
  if (!Bench_lpModel(state, name, &model)) return;
  int iterations = 0, rebuilds = 0;
  LpFakeRun r;
  model.answer = [&iterations](unsigned flags, int count) {
    if (flags & ProgressIterationNumber) iterations = count;
    return 0;
  };
  for (auto _ : state) {
    model.progressCalls.clear();
    r = solveOnce(model, driftControl, rebuilds);
    benchmark::DoNotOptimize(r.objective);
  }
  state.counters["status"] = r.status;
  state.counters["iterations"] = iterations;
  state.counters["rebuilds"] = rebuilds;
  state.counters["objective"] = r.objective;
}

// Two runs per "lp" problem of the shared data: plain/NAME and drift/NAME.
const bool kRegistered = [] {
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp")
      for (bool drift : {false, true})
        benchmark::RegisterBenchmark(((drift ? "drift/" : "plain/") + k.name).c_str(),
                                     solveThroughEngine, k.name, drift);
  return true;
}();

}  // namespace
