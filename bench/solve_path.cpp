// The whole `corvan solve` path beside the LP engine alone, on every netlib
// workbook of the shared data, in one run of one process. Each iteration
// runs the command as the terminal would (open the workbook, recalculate,
// solve through the library, keep the solution, print, save to a temporary
// file, close), its output sent to /dev/null, and then the engine's setup,
// solve and finish on the same problem held in memory. The benchmark's time
// is the whole path's; the counters give both times and their ratio.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "frontend/Fe_Internal.h"
#include "tests/engines/LpFakeHost.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs fn with standard output and error sent to /dev/null.
template <typename Fn>
int quietly(Fn fn) {
  std::fflush(stdout);
  std::fflush(stderr);
  int out = dup(1), err = dup(2), null = open("/dev/null", O_WRONLY);
  dup2(null, 1);
  dup2(null, 2);
  int rc = fn();
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(out, 1);
  dup2(err, 2);
  close(out);
  close(err);
  close(null);
  return rc;
}

int engineAlone(LpFakeModel& model, double* objective) {
  EngineProblem problem{};
  if (Lp_engineSetupWith(&problem, LpFake_host(model))) Lp_engineSolve(&problem);
  *objective = problem.objective;
  int status = problem.status;
  Lp_engineFinish(&problem);
  return status;
}

void solvePathAndEngine(benchmark::State& state, const std::string& name) {
  MpsModel mps;
  std::string error;
  if (!Mps_readNamed(name, mps, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  LpFakeModel model = LpFake_fromMps(mps);
  FeArgs args;
  args.command = "solve";
  args.book = std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx";
  args.out = (std::filesystem::temp_directory_path() / ("corvan-bench-" + name + ".xlsx")).string();
  args.overwrite = true;
  double whole = 0, engine = 0, objective = 0;
  int rc = 0, status = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    rc = quietly([&] { return Fe_solve(args); });
    double w = secondsSince(start);
    start = Clock::now();
    status = engineAlone(model, &objective);
    engine += secondsSince(start);
    whole += w;
    state.SetIterationTime(w);
  }
  std::filesystem::remove(args.out);
  if (rc != FeExitSolution) state.SkipWithError("corvan solve found no solution");
  double n = static_cast<double>(state.iterations());
  state.counters["whole_ms"] = 1e3 * whole / n;
  state.counters["engine_ms"] = 1e3 * engine / n;
  state.counters["ratio"] = engine > 0 ? whole / engine : 0;
  state.counters["engine_status"] = status;
  state.counters["objective"] = objective;
}

// One run per "lp" problem of the shared data.
const bool kRegistered = [] {
  for (const MpsKnown& k : Mps_knownProblems())
    if (k.kind == "lp")
      benchmark::RegisterBenchmark(("solve_path/" + k.name).c_str(), solvePathAndEngine, k.name)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
