// The LP/quadratic engine's setup, solve and finish on each netlib problem,
// its model held in memory (no file is read inside the timing): capture
// through the coefficient extraction, scaling and the simplex. Reports the
// iterations of the solve and the objective as counters.
#include <benchmark/benchmark.h>

#include "tests/engines/LpFakeHost.h"

namespace {

void solveThroughEngine(benchmark::State& state, const std::string& name) {
  MpsModel mps;
  std::string error;
  if (!Mps_readNamed(name, mps, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  LpFakeModel model = LpFake_fromMps(mps);
  int iterations = 0;
  LpFakeRun r;
  model.answer = [&iterations](unsigned flags, int count) {
    if (flags & ProgressIterationNumber) iterations = count;
    return 0;
  };
  for (auto _ : state) {
    model.progressCalls.clear();
    r = LpFake_run(model);
    benchmark::DoNotOptimize(r.objective);
  }
  if (r.status != 0) state.SkipWithError("not solved");
  state.counters["iterations"] = iterations;
  state.counters["objective"] = r.objective;
}

// One run per "lp" problem of the shared data, named after it.
const bool kRegistered = [] {
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp")
      benchmark::RegisterBenchmark(("solveThroughEngine/" + k.name).c_str(), solveThroughEngine, k.name);
  return true;
}();

}  // namespace
