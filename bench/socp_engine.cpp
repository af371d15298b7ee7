// The SOCP barrier engine on each cone program and convex quadratic model
// of the shared data, run by the library end to end (`Solve` action 0 with
// the workbook's own options): set-up (the rows read by evaluation, the
// layout as a cone program), the interior-point run and the write-back.
// Opening the workbook is outside the timing. Reports the iterations and
// the objective as counters.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

void solveWorkbook(benchmark::State& state, const std::string& name) {
  BenchLibrary library;
  if (!library.solve) {
    state.SkipWithError("library not loaded");
    return;
  }
  std::string path = std::string(CORVAN_DATA) + "/socp/" + name + ".xlsx", error;
  int status = 0;
  double objective = 0;
  std::int64_t iterations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Workbook* book = Xlsx_open(path, &error);
    state.ResumeTiming();
    if (!book) break;
    const double action = 0;
    status = library.solve(&action);
    iterations = Entry_context()->progress.iterationsOfRun;
    const Cell* cell = Wb_findCell(book->sheets[0].get(), 1, 1);
    objective = cell && cell->value.kind == CellKind::Number ? cell->value.number : 0;
  }
  if (status != 0) state.SkipWithError("not solved");
  state.counters["iterations"] = static_cast<double>(iterations);
  state.counters["objective"] = objective;
}

// One run per workbook listed in optima.csv, named after it.
const bool kRegistered = [] {
  std::ifstream in(std::string(CORVAN_DATA) + "/socp/optima.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::string name = line.substr(0, line.find(','));
    benchmark::RegisterBenchmark(("solveWorkbook/" + name).c_str(), solveWorkbook, name);
  }
  return true;
}();

}  // namespace
