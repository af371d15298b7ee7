// The LP engine on the integer models of the shared data under a small
// depth-first branch and bound (the test kit's), plain and with the
// engine's integer passes (presolve, cut passes, rounding heuristic, node
// snapshots with warm starts). Reports nodes, simplex iterations, the best
// objective and whether the search finished within its node limit.
#include <benchmark/benchmark.h>

#include "tests/engines/LpIntegerKit.h"

namespace {

constexpr int kNodeLimit = 20000;

void searchIntegerModel(benchmark::State& state, const std::string& name, bool passes) {
  LpIntModel model = LpInt_fromMps(name);
  if (model.n == 0) {
    state.SkipWithError("model not read");
    return;
  }
  if (passes) {
    LpInt_setCuts(model, 20, 3, 20, 3);
    model.optionFlags = 0x10000 | 0x20000 | 0x80000 | 0x100000 | 0x800000 | 0x1000000;
    model.intOptions[IntRandomSeed] = 1;
  }
  long iterations = 0;
  model.answer = [&iterations](unsigned flags, int) {
    if (flags & ProgressIterationNumber) ++iterations;
    return 0;
  };
  int nodes = 0;
  double best = 0;
  for (auto _ : state) {
    iterations = 0;
    LpIntRun run(model, ProblemBranch);
    LpIntSearch search(run, model.flags);
    search.nodeLimit = kNodeLimit;
    search.node(nullptr);
    nodes = search.nodes;
    best = search.best;
    benchmark::DoNotOptimize(search.bestX.data());
  }
  state.counters["nodes"] = nodes;
  state.counters["iterations"] = static_cast<double>(iterations);
  state.counters["objective"] = best;
  state.counters["finished"] = nodes <= kNodeLimit ? 1 : 0;
}

// Each "mip" problem of the shared data plain and with the passes.
const bool kRegistered = [] {
  for (const MpsKnown& k : Mps_knownProblems()) {
    if (k.kind != "mip") continue;
    for (bool passes : {false, true}) {
      const std::string name = k.name + (passes ? "_passes" : "_plain");
      benchmark::RegisterBenchmark(("searchIntegerModel/" + name).c_str(), searchIntegerModel,
                                   k.name, passes)
          ->Unit(benchmark::kMillisecond);
    }
  }
  return true;
}();

}  // namespace
