// The LP/quadratic engine's setup, solve and finish on each netlib problem,
// its model held in memory (no file is read inside the timing): capture
// through the coefficient extraction, scaling and the simplex. Each problem
// runs in one go without and with the tableau's drift control, so that the
// cost of the drift checks and rebuilds shows beside the plain updates, and,
// when GLPK is installed, by GLPK's simplex in process on the same model.
// Generated sparse LPs of 400 to 1600 rows show how the time grows with the
// size, on both sides. Reports the status, the iterations, the rebuilds, the
// verdict rows checked and the objective as counters.
#include <benchmark/benchmark.h>

#include "bench/BenchData.h"
#include "bench/BenchGlpk.h"
#include "tests/support/LpGeneratedModels.h"

namespace {

// setup, solve and finish with the drift control on or off.
LpFakeRun solveOnce(LpFakeModel& model, bool driftControl, int& rebuilds, int& certificates) {
  EngineProblem problem{};
  LpFakeRun r;
  r.setup = Lp_engineSetupWith(&problem, LpFake_host(model));
  if (r.setup) {
    LpRecord& lp = static_cast<LpRun*>(problem.engineRecord)->lp;
    if (!driftControl) lp.drift.interval = 0;
    r.solve = Lp_engineSolve(&problem);
    rebuilds = lp.drift.rebuilds;
    certificates = lp.drift.certificates;
  }
  r.status = problem.status;
  r.objective = problem.objective;
  Lp_engineFinish(&problem);
  return r;
}

// The engine on `model`, with the drift control on or off.
void runEngine(benchmark::State& state, LpFakeModel& model, bool driftControl) {
  int iterations = 0, rebuilds = 0, certificates = 0;
  LpFakeRun r;
  model.answer = [&iterations](unsigned flags, int count) {
    if (flags & ProgressIterationNumber) iterations = count;
    return 0;
  };
  for (auto _ : state) {
    model.progressCalls.clear();
    r = solveOnce(model, driftControl, rebuilds, certificates);
    benchmark::DoNotOptimize(r.objective);
  }
  state.counters["status"] = r.status;
  state.counters["iterations"] = iterations;
  state.counters["rebuilds"] = rebuilds;
  state.counters["certificates"] = certificates;
  state.counters["objective"] = r.objective;
}

// GLPK's simplex on `model`.
void runGlpk(benchmark::State& state, const LpFakeModel& model) {
  int status = 8;
  double objective = 0;
  for (auto _ : state) {
    status = Bench_solveGlpk(model, objective);
    benchmark::DoNotOptimize(objective);
  }
  state.counters["status"] = status;
  state.counters["objective"] = objective;
}

void solveNetlib(benchmark::State& state, const std::string& name, int side) {
  LpFakeModel model;
  if (!Bench_lpModel(state, name, &model)) return;
  if (side == 2) runGlpk(state, model);
  else runEngine(state, model, side == 1);
}

void solveGenerated(benchmark::State& state, int size, bool glpk) {
  LpFakeModel model = LpGen_model({size, size, size});
  if (glpk) runGlpk(state, model);
  else runEngine(state, model, true);
}

// Per "lp" problem of the shared data plain/NAME, drift/NAME and
// glpk/NAME; per size generated/engine/N and generated/glpk/N.
const bool kRegistered = [] {
  const char* sides[] = {"plain/", "drift/", "glpk/"};
  const int sideCount = Bench_haveGlpk ? 3 : 2;
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp")
      for (int side = 0; side < sideCount; ++side)
        benchmark::RegisterBenchmark((sides[side] + k.name).c_str(), solveNetlib, k.name, side);
  for (int size : {400, 800, 1600})
    for (int glpk = 0; glpk < (Bench_haveGlpk ? 2 : 1); ++glpk)
      benchmark::RegisterBenchmark(((glpk ? "generated/glpk/" : "generated/engine/") + std::to_string(size)).c_str(),
                                   solveGenerated, size, glpk != 0)
          ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
