// The branch-and-bound driver around the LP/quadratic engine on each integer
// workbook of the shared data, run through `Solve` as the front end runs it,
// under the workbook's own limits: with the default options, with node
// memory (the root's snapshot only, then with a snapshot at every node),
// with the cut passes, and with each presolve and heuristic pass alone; the
// default once more with the subproblem and integer-solution limits raised
// so the search can finish. Reports the subproblems, the integer solutions,
// the simplex iterations of the run and per subproblem, the final status and
// the objective; the time is the benchmark's own.
//
// Beside them, per model: the engine's root alone with and without the cut
// passes (cuts added, the root bound, and the time of one check of the
// verdict row), and, when the `cbc` command is installed, CBC on the MPS
// file (its CPU time, nodes, iterations and root bound after its cuts).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"
#include "tests/support/LpIntegerKit.h"

namespace {

constexpr const char* RaisedLimit = "1000000";

// A set of options under a label.
struct Setting {
  const char* label;
  std::vector<std::pair<const char*, const char*>> options;
};

const Setting kSettings[] = {
    {"default", {}},
    {"node_memory", {{"solver_dua", "1"}}},
    {"every_snapshot", {{"solver_dua", "1"}, {"solver_wbr", "1"}}},
    {"cuts", {{"solver_scl", "1"}, {"solver_dua", "1"}}},
    {"probing", {{"solver_pro", "1"}}},
    {"objective_fixing", {{"solver_ofx", "1"}}},
    {"bound_tightening", {{"solver_ibd", "1"}}},
    {"rounding", {{"solver_phr", "1"}}},
    {"raised_limits", {{"solver_nod", RaisedLimit}, {"solver_mip", RaisedLimit}}},
};

// The stand-in application with the front end's add-in sheet and the
// library loaded; the model workbook opened and made active.
struct SolveSetting {
  BenchLibrary library;
  Workbook* book = nullptr;
  std::string error;

  SolveSetting(const std::string& name, const Setting& setting) {
    book = Xlsx_open(std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx", &error);
    if (!library.module || !book) return;
    define("solver_eng", "2");
    for (const auto& [option, value] : setting.options) define(option, value);
  }
  void define(const std::string& name, const std::string& value) {
    Wb_defineName(book, DefinedName{name, value, 0, true});
  }
  int solve() {
    double action = 0;
    return library.solve(&action);
  }
  double objective() const {
    const Cell* cell = Wb_findCell(book->sheets[0].get(), 1, 1);   // B2
    return cell && cell->value.kind == CellKind::Number ? cell->value.number : std::nan("");
  }
};

void solveIntegerWorkbook(benchmark::State& state, const std::string& name, const Setting& s) {
  SolveSetting setting(name, s);
  if (!setting.library.module || !setting.book) {
    state.SkipWithError(("not opened: " + setting.error).c_str());
    return;
  }
  int status = 0;
  for (auto _ : state) status = setting.solve();
  const ProgressState& p = Entry_context()->progress;
  state.counters["subproblems"] = p.subproblems;
  state.counters["integer_solutions"] = p.integerSolutions;
  state.counters["lp_iterations"] = static_cast<double>(p.iterationsOfRun);
  state.counters["iterations_per_subproblem"] =
      p.subproblems > 0 ? static_cast<double>(p.iterationsOfRun) / p.subproblems : 0.0;
  state.counters["status"] = status;
  state.counters["objective"] = setting.objective();
}

// The engine's root solve under branch and bound, without cuts or with the
// cut passes (the rows and rounds the options allow by default, with node
// memory so that the Gomory pass runs): the root bound, the cuts added, and
// the time of one check of the tableau's first row against the model's rows
// beside the time of the whole root solve.
void solveRoot(benchmark::State& state, const std::string& name, bool cuts) {
  LpIntModel m = LpInt_fromMps(name);
  if (m.n == 0) {
    state.SkipWithError("not read");
    return;
  }
  if (cuts) LpInt_setCuts(m, 20, 1, 20, 1);
  m.optionFlags = Lp_nodeMemoryFlag;
  double bound = 0, checkSeconds = 0;
  int covers = 0, gomory = 0, status = -1;
  for (auto _ : state) {
    LpIntRun run(m, ProblemBranch);
    status = run.solve();
    bound = run.problem.objective;
    covers = run.record().passes.coverRowsAdded;
    gomory = run.record().passes.gomoryRowsAdded;
    state.PauseTiming();
    const auto start = std::chrono::steady_clock::now();
    Lp_scaleVariableState(run.record());
    benchmark::DoNotOptimize(Lp_rowCertified(run.record(), 1));
    Lp_unscaleVariableState(run.record());
    checkSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.ResumeTiming();
  }
  state.counters["status"] = status;
  state.counters["root_bound"] = bound;
  state.counters["cover_cuts"] = covers;
  state.counters["gomory_cuts"] = gomory;
  state.counters["verdict_check_us"] = checkSeconds * 1e6;
}

// CBC's CPU time (of the child process), nodes, iterations and root bound
// after its cuts on the MPS file; skipped when `cbc` is not installed.
void solveWithCbc(benchmark::State& state, const std::string& name) {
  const std::string command = "cbc " + std::string(CORVAN_DATA) + "/lp/" + name + ".mps -solve -quit 2>/dev/null";
  double nodes = -1, iterations = -1, rootBound = std::nan(""), cpu = 0;
  for (auto _ : state) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) break;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
      std::string text(line);
      double v;
      if (std::sscanf(line, "Enumerated nodes: %lf", &v) == 1) nodes = v;
      if (std::sscanf(line, "Total iterations: %lf", &v) == 1) iterations = v;
      const std::size_t at = text.find("changed objective from ");
      if (at != std::string::npos) {
        const std::size_t to = text.find(" to ", at);
        if (to != std::string::npos) rootBound = std::atof(text.c_str() + to + 4);
      }
    }
    const int rc = pclose(pipe);
    getrusage(RUSAGE_CHILDREN, &after);
    if (rc != 0 || nodes < 0) {
      state.SkipWithError("cbc not run (is coinor-cbc installed?)");
      return;
    }
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    cpu = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime) - seconds(before.ru_stime);
  }
  state.counters["cbc_cpu_ms"] = cpu * 1e3;
  state.counters["nodes"] = nodes;
  state.counters["lp_iterations"] = iterations;
  state.counters["root_bound_after_cuts"] = rootBound;
}

// Every "mip" line of optima.csv.
bool registerWorkbooks() {
  std::ifstream in(std::string(CORVAN_DATA) + "/lp/optima.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::stringstream fields(line);
    std::string name, kind;
    std::getline(fields, name, ',');
    std::getline(fields, kind, ',');
    if (kind != "mip") continue;
    for (const Setting& s : kSettings)
      benchmark::RegisterBenchmark(("branch_and_bound/" + name + "/" + s.label).c_str(),
                                   [name, &s](benchmark::State& st) { solveIntegerWorkbook(st, name, s); })
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    if (name.find('-') != std::string::npos) continue;  // no MPS file of its own
    for (bool cuts : {false, true})
      benchmark::RegisterBenchmark(("root/" + name + (cuts ? "/cuts" : "/relaxation")).c_str(),
                                   [name, cuts](benchmark::State& st) { solveRoot(st, name, cuts); })
          ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("cbc/" + name).c_str(), [name](benchmark::State& st) { solveWithCbc(st, name); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1);
  }
  return true;
}

const bool registered = registerWorkbooks();

}  // namespace
