// The interval global engine on each shared global optimisation workbook,
// run by the library end to end (`Solve` action 0, the model analysed and
// diagnosed by the interpreter), with its default affine contraction and LP
// relaxation and with interval contraction and the Newton and closing steps:
// time per solve (opening the workbook outside the timing), boxes processed
// (the search's iterations, each one box split and its halves bounded), and
// the objective as counters.
#include <benchmark/benchmark.h>

#include <fstream>

#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

struct Variant {
  const char* label;
  const char* met;
  const char* soc;
};

constexpr Variant kVariants[] = {{"affine", "2", "0"}, {"interval+newton", "1", "1"}};

void solveWorkbook(benchmark::State& state, const std::string& name, const Variant& variant) {
  BenchLibrary library;
  if (!library.solve) {
    state.SkipWithError("library not loaded");
    return;
  }
  const std::string path = std::string(CORVAN_DATA) + "/global/" + name + ".xlsx";
  std::string error;
  int status = 0;
  double objective = 0;
  std::int64_t boxes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Workbook* book = Xlsx_open(path, &error);
    if (book)
      for (const auto& [option, value] :
           {std::pair{"solver_dia", "4"}, std::pair{"solver_met", variant.met}, std::pair{"solver_soc", variant.soc}})
        Wb_defineName(book, DefinedName{option, value, 0, true});
    state.ResumeTiming();
    if (!book) break;
    const double action = 0;
    status = library.solve(&action);
    boxes = Entry_context()->progress.iterationsOfRun;
    const Cell* cell = Wb_findCell(book->sheets[0].get(), 5, 1);  // B6, the objective
    objective = cell && cell->value.kind == CellKind::Number ? cell->value.number : 0;
  }
  if (status != 0) state.SkipWithError("not solved");
  state.counters["boxes"] = static_cast<double>(boxes);
  state.counters["objective"] = objective;
}

// One run per workbook listed in optima.csv and variant.
const bool kRegistered = [] {
  std::ifstream in(std::string(CORVAN_DATA) + "/global/optima.csv");
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    const std::string name = line.substr(0, line.find(','));
    for (const Variant& v : kVariants)
      benchmark::RegisterBenchmark(("interval/" + name + "/" + v.label).c_str(), solveWorkbook, name, v)
          ->Unit(benchmark::kMillisecond);
  }
  return true;
}();

}  // namespace
