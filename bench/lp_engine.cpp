// The LP/quadratic engine's setup, solve and finish on each netlib problem,
// its model held in memory (no file is read inside the timing): capture
// through the coefficient extraction, scaling and the simplex. Reports the
// iterations of the solve and the objective as counters.
#include <benchmark/benchmark.h>

#include "tests/engines/LpFakeHost.h"

namespace {

void solveThroughEngine(benchmark::State& state, const char* name) {
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

}  // namespace

BENCHMARK_CAPTURE(solveThroughEngine, afiro, "afiro");
BENCHMARK_CAPTURE(solveThroughEngine, sc50a, "sc50a");
BENCHMARK_CAPTURE(solveThroughEngine, sc50b, "sc50b");
BENCHMARK_CAPTURE(solveThroughEngine, kb2, "kb2");
BENCHMARK_CAPTURE(solveThroughEngine, adlittle, "adlittle");
BENCHMARK_CAPTURE(solveThroughEngine, blend, "blend");
BENCHMARK_CAPTURE(solveThroughEngine, recipe, "recipe");
BENCHMARK_CAPTURE(solveThroughEngine, share2b, "share2b");
BENCHMARK_CAPTURE(solveThroughEngine, sc105, "sc105");
BENCHMARK_CAPTURE(solveThroughEngine, stocfor1, "stocfor1");
BENCHMARK_CAPTURE(solveThroughEngine, boeing2, "boeing2");
