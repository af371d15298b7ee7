// Cold bounded-simplex solves of the netlib problems, read from their MPS
// files; reports the iterations of each solve as a counter.
#include <benchmark/benchmark.h>

#include "tests/engines/MpsReader.h"

namespace {

void solveNetlib(benchmark::State& state, const char* name) {
  MpsModel model;
  std::string error;
  if (!Mps_readNamed(name, model, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  LpRecord lp;
  if (Mps_fillRecord(model, lp) != 0 || !Mps_prepare(lp, true)) {
    state.SkipWithError("model refused");
    return;
  }
  MpsResult r;
  for (auto _ : state) {
    r = Mps_solveCold(lp, {});
    benchmark::DoNotOptimize(r.objective);
  }
  if (r.status != 0) state.SkipWithError("not solved");
  state.counters["iterations"] = r.iterations;
  state.counters["objective"] = r.objective;
}

}  // namespace

BENCHMARK_CAPTURE(solveNetlib, afiro, "afiro");
BENCHMARK_CAPTURE(solveNetlib, sc50a, "sc50a");
BENCHMARK_CAPTURE(solveNetlib, sc50b, "sc50b");
BENCHMARK_CAPTURE(solveNetlib, kb2, "kb2");
BENCHMARK_CAPTURE(solveNetlib, adlittle, "adlittle");
BENCHMARK_CAPTURE(solveNetlib, blend, "blend");
BENCHMARK_CAPTURE(solveNetlib, recipe, "recipe");
BENCHMARK_CAPTURE(solveNetlib, share2b, "share2b");
BENCHMARK_CAPTURE(solveNetlib, sc105, "sc105");
BENCHMARK_CAPTURE(solveNetlib, stocfor1, "stocfor1");
BENCHMARK_CAPTURE(solveNetlib, boeing2, "boeing2");
