// Cost of compiling the largest LP workbook's formulas after a structure
// change (parsing, binding references to cells, dependency order). The speed
// of recalculating it is measured by bench/recalc.cpp.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

void BM_CompileLpWorkbook(benchmark::State& state) {
  Wb_resetApp();
  std::string error;
  Workbook* wb = Xlsx_open(std::string(CORVAN_DATA) + "/lp/vpm1.xlsx", &error);
  if (!wb) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    ++wb->structureVersion;   // forces a rebuild of the compiled state
    Calc_recalculate(wb);
  }
  Wb_resetApp();
}
BENCHMARK(BM_CompileLpWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace
