// The GRG engine on each shared nonlinear workbook: time per solve, host
// evaluations per solve, the final status and the objective. "grg/" runs
// the engine on a host over the workbook alone; "grg-library/" runs it
// through the library's host services both ways, with derivatives by
// differences on the workbook and with the interpreter's analytic
// Jacobians (evaluations, Jacobians and iterations, "grg_iterations", counted), beside the
// evaluations SLSQP needed from the same start ("slsqp"); "grg-nist/" runs
// the NIST regression fits with forward differences, central differences
// and exact derivatives beside their certified sums of squares.
//
// grg_slsqp.csv holds SLSQP's counts, from one run of scipy's SLSQP
// (maxiter 1000) on each problem as written in problems.json: objective
// evaluations with its own difference gradients (slsqp_evaluations, to set
// beside GRG by differences) and with exact gradients that were not counted
// (slsqp_exact_evaluations, beside GRG with the interpreter's Jacobians),
// and its iterations.
#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/GrgLibraryHost.h"
#include "tests/support/GrgWorkbookHost.h"

namespace {

struct SlsqpCounts {
  double differences = 0.0, exact = 0.0;
};

std::map<std::string, SlsqpCounts> readSlsqp() {
  std::map<std::string, SlsqpCounts> out;
  std::ifstream in(std::string(CORVAN_BENCH) + "/grg_slsqp.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream ss(line);
    std::string name, differences, exact;
    std::getline(ss, name, ',');
    std::getline(ss, differences, ',');
    std::getline(ss, exact, ',');
    if (!exact.empty()) out[name] = {std::stod(differences), std::stod(exact)};
  }
  return out;
}

const std::map<std::string, SlsqpCounts>& slsqp() {
  static const std::map<std::string, SlsqpCounts> counts = readSlsqp();
  return counts;
}

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

void count(benchmark::State& state, const GrgLibraryRun& run) {
  state.counters["evaluations"] = static_cast<double>(run.evaluations);
  state.counters["jacobians"] = static_cast<double>(run.jacobians);
  state.counters["grg_iterations"] = run.iterations;
  state.counters["status"] = run.problem.status;
  state.counters["objective"] = run.problem.objective;
}

void solveThroughLibrary(benchmark::State& state, const std::string& name, bool analytic) {
  GrgLibraryRun run;
  for (auto _ : state) run = GrgLib_solve(name, analytic);
  count(state, run);
  auto it = slsqp().find(name);
  if (it != slsqp().end()) state.counters["slsqp"] = analytic ? it->second.exact : it->second.differences;
  Wb_resetApp();
}

void solveFit(benchmark::State& state, const std::string& name, const std::string& way, double certified) {
  GrgLibOptions options;
  if (way == "drv=2") options.push_back({"drv", "2"});
  GrgLibraryRun run;
  for (auto _ : state) run = GrgLib_solve("nist/" + name, way == "dia=2", options);
  count(state, run);
  state.counters["certified"] = certified;
  Wb_resetApp();
}

void registerWorkbooks() {
  std::ifstream in(std::string(CORVAN_DATA) + "/nlp/expected.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::string name = line.substr(0, line.find(','));
    if (name.empty()) continue;
    benchmark::RegisterBenchmark(("grg/" + name).c_str(), [name](benchmark::State& s) {
      solveWorkbook(s, name);
    })->Unit(benchmark::kMillisecond);
    for (bool analytic : {false, true})
      benchmark::RegisterBenchmark(("grg-library/" + name + (analytic ? "/analytic" : "/differences")).c_str(),
                                   [name, analytic](benchmark::State& s) { solveThroughLibrary(s, name, analytic); })
          ->Unit(benchmark::kMillisecond);
  }
}

void registerFits() {
  std::ifstream in(std::string(CORVAN_DATA) + "/nlp/nist/expected.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream ss(line);
    std::string file, sheet, certified;
    std::getline(ss, file, ',');
    std::getline(ss, sheet, ',');
    std::getline(ss, certified, ',');
    if (certified.empty()) continue;
    const std::string name = file.substr(0, file.find('.'));
    const double value = std::stod(certified);
    for (const std::string way : {"default", "drv=2", "dia=2"})
      benchmark::RegisterBenchmark(("grg-nist/" + name + "/" + way).c_str(), [name, way, value](benchmark::State& s) {
        solveFit(s, name, way, value);
      })->Unit(benchmark::kMillisecond);
  }
}

const bool registered = (registerWorkbooks(), registerFits(), true);

}  // namespace
