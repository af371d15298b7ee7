// The branch-and-bound driver around the LP/quadratic engine on each integer
// workbook of the shared data, run through `Solve` as the front end runs it:
// once with the workbook's own limits and once with the subproblem and
// integer-solution limits raised so the search can finish. Reports the
// subproblems, the integer solutions, the simplex iterations of the run, the
// final status and the objective; the time is the benchmark's own.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

constexpr const char* RaisedLimit = "1000000";

// The stand-in application with the front end's add-in sheet and the
// library loaded; the model workbook opened and made active.
struct SolveSetting {
  BenchLibrary library;
  Workbook* book = nullptr;
  std::string error;

  SolveSetting(const std::string& name, bool raised) {
    book = Xlsx_open(std::string(CORVAN_DATA) + "/lp/" + name + ".xlsx", &error);
    if (!library.module || !book) return;
    define("solver_eng", "2");
    if (raised) {
      define("solver_nod", RaisedLimit);
      define("solver_mip", RaisedLimit);
    }
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

void solveIntegerWorkbook(benchmark::State& state, const std::string& name, bool raised) {
  SolveSetting setting(name, raised);
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
  state.counters["status"] = status;
  state.counters["objective"] = setting.objective();
}

// Every "mip" line of optima.csv, with its own limits and with them raised.
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
    for (bool raised : {false, true}) {
      std::string label = "branch_and_bound/" + name + (raised ? "/raised_limits" : "/own_limits");
      benchmark::RegisterBenchmark(label.c_str(), [name, raised](benchmark::State& s) {
        solveIntegerWorkbook(s, name, raised);
      })->Unit(benchmark::kMillisecond)->Iterations(1);
    }
  }
  return true;
}

const bool registered = registerWorkbooks();

}  // namespace
