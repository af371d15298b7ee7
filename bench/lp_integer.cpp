// The LP engine on the integer models of the shared data under a small
// depth-first branch and bound (the test kit's), plain and with the
// engine's integer passes (presolve, cut passes, rounding heuristic, node
// snapshots with warm starts). Reports nodes, simplex iterations, the best
// objective and whether the search finished within its node limit.
#include <benchmark/benchmark.h>

#include "tests/engines/LpIntegerKit.h"

namespace {

constexpr int kNodeLimit = 20000;

void searchIntegerModel(benchmark::State& state, const char* name, bool passes) {
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

}  // namespace

BENCHMARK_CAPTURE(searchIntegerModel, p0033_plain, "p0033", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, p0033_passes, "p0033", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, flugpl_plain, "flugpl", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, flugpl_passes, "flugpl", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, stein27_plain, "stein27", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, stein27_passes, "stein27", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, egout_plain, "egout", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, egout_passes, "egout", true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, vpm1_plain, "vpm1", false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(searchIntegerModel, vpm1_passes, "vpm1", true)->Unit(benchmark::kMillisecond);
