// The SOCP barrier engine on each cone program and convex quadratic model
// of the shared data, run by the library end to end (`Solve` action 0 with
// the workbook's own options): set-up (the rows read by evaluation, the
// layout as a cone program), the interior-point run and the write-back.
// Opening the workbook is outside the timing. Reports the iterations and
// the objective as counters.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "entry/Entry_Context.h"
#include "platform/os/Os.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlsx/Xlsx.h"

namespace {

using SolveFn = int (*)(const double*);

struct Library {
  OsModule module = nullptr;
  SolveFn solve = nullptr;
  Library() {
    Wb_resetApp();
    Xlc_resetHost();
    Workbook* addIn = Wb_newWorkbook("CORVAN.XLA");
    Wb_addSheet(addIn, "Corvan");
    Wb_defineName(addIn, DefinedName{"solver_tbl", "Corvan!$A$1:$P$80", 0, false});
    Xlc_setCallerSheet(addIn, 0);
    module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
    if (!module) return;
    solve = reinterpret_cast<SolveFn>(Os_getProcByOrdinal(module, 1));
    Entry_context()->engineCount = 5;  // the built-in engines, as `Solve` action 8 would list them
  }
  ~Library() {
    if (module) Os_freeLibrary(module);
    Wb_resetApp();
    Xlc_resetHost();
  }
};

void solveWorkbook(benchmark::State& state, const std::string& name) {
  Library library;
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
