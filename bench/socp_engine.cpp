// The SOCP barrier engine on each cone program and convex quadratic model
// of the shared data, run by the library end to end with the workbook's own
// options, in two ways: `Solve` action 0, where the library analyses the
// model and the engine reads its rows through the interpreter's extraction
// services, and action 3 (no analysis), where the engine fits every row by
// evaluating the model. Set-up, the interior-point run and the write-back
// are timed (the first way includes the analysis); opening the workbook is
// not. Reports the iterations, the model evaluations the engine asked for
// and the objective as counters.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

constexpr double kAnalysed = 0;     // `Solve` action 0: analysed as the engine asks
constexpr double kNotAnalysed = 3;  // action 3: solved without analysis

void solveWorkbook(benchmark::State& state, const std::string& name, double action) {
  BenchLibrary library;
  if (!library.solve) {
    state.SkipWithError("library not loaded");
    return;
  }
  std::string path = std::string(CORVAN_DATA) + "/socp/" + name + ".xlsx", error;
  int status = 0;
  double objective = 0;
  std::int64_t iterations = 0, evaluations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Workbook* book = Xlsx_open(path, &error);
    state.ResumeTiming();
    if (!book) break;
    status = library.solve(&action);
    iterations = Entry_context()->progress.iterationsOfRun;
    evaluations = Entry_context()->progress.evaluationsOfRun;
    const Cell* cell = Wb_findCell(book->sheets[0].get(), 1, 1);
    objective = cell && cell->value.kind == CellKind::Number ? cell->value.number : 0;
  }
  if (status != 0) state.SkipWithError("not solved");
  // Action 3 counts its progress as set-up steps: its iterations go uncounted.
  if (action == kAnalysed) state.counters["iterations"] = static_cast<double>(iterations);
  state.counters["evaluations"] = static_cast<double>(evaluations);
  state.counters["objective"] = objective;
}

// Two runs per workbook listed in optima.csv, named after it.
const bool kRegistered = [] {
  std::ifstream in(std::string(CORVAN_DATA) + "/socp/optima.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::string name = line.substr(0, line.find(','));
    benchmark::RegisterBenchmark(("extraction/" + name).c_str(), solveWorkbook, name, kAnalysed);
    benchmark::RegisterBenchmark(("fitting/" + name).c_str(), solveWorkbook, name, kNotAnalysed);
  }
  return true;
}();

}  // namespace
