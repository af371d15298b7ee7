// Cold bounded-simplex solves of the netlib problems, read from their MPS
// files; reports the iterations of each solve as a counter.
#include <benchmark/benchmark.h>

#include "tests/support/MpsReader.h"

namespace {

void solveNetlib(benchmark::State& state, const std::string& name) {
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

// One run per "lp" problem of the shared data, named after it.
const bool kRegistered = [] {
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp")
      benchmark::RegisterBenchmark(("solveNetlib/" + k.name).c_str(), solveNetlib, k.name);
  return true;
}();

}  // namespace
