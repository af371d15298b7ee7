// The GRG engine on each shared nonlinear workbook: time per solve, host
// evaluations per solve, the final status and the objective. "grg/" runs
// the engine on a host over the workbook alone; "grg-library/" runs it
// through the library's host services both ways, with derivatives by
// differences on the workbook and with the interpreter's analytic
// Jacobians (evaluations and Jacobians counted).
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "tests/support/GrgLibraryHost.h"
#include "tests/support/GrgWorkbookHost.h"

namespace {

void solveWorkbook(benchmark::State& state, const std::string& name) {
  Wb_resetApp();
  GrgWorkbookModel model;
  if (!GrgWb_open(model, std::string(CORVAN_DATA) + "/nlp/" + name + ".xlsx")) {
    state.SkipWithError("workbook does not open");
    return;
  }
  GrgProblem problem;
  long evaluations = 0;
  for (auto _ : state) {
    model.evaluations = 0;
    GrgRecord rec;
    problem = GrgProblem{};
    if (Grg_setup(rec, GrgWb_host(model), problem)) Grg_solve(rec, problem);
    Grg_finish(rec, problem);
    evaluations = model.evaluations;
  }
  state.counters["evaluations"] = static_cast<double>(evaluations);
  state.counters["status"] = problem.status;
  state.counters["objective"] = problem.objective;
  Wb_resetApp();
}

void solveThroughLibrary(benchmark::State& state, const std::string& name, bool analytic) {
  GrgLibraryRun run;
  for (auto _ : state) run = GrgLib_solve(name, analytic);
  state.counters["evaluations"] = static_cast<double>(run.evaluations);
  state.counters["jacobians"] = static_cast<double>(run.jacobians);
  state.counters["status"] = run.problem.status;
  state.counters["objective"] = run.problem.objective;
  Wb_resetApp();
}

bool registerWorkbooks() {
  std::ifstream in(std::string(CORVAN_DATA) + "/nlp/expected.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::string name = line.substr(0, line.find(','));
    if (name.empty()) continue;
    benchmark::RegisterBenchmark(("grg/" + name).c_str(),
                                 [name](benchmark::State& s) { solveWorkbook(s, name); })
        ->Unit(benchmark::kMillisecond);
    for (bool analytic : {false, true})
      benchmark::RegisterBenchmark(("grg-library/" + name + (analytic ? "/analytic" : "/differences")).c_str(),
                                   [name, analytic](benchmark::State& s) { solveThroughLibrary(s, name, analytic); })
          ->Unit(benchmark::kMillisecond);
  }
  return true;
}

const bool registered = registerWorkbooks();

}  // namespace
