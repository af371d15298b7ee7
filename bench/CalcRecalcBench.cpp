// Recalculation speed on the largest LP workbook of the test data (vpm1:
// one SUMPRODUCT row per constraint over 378 dense coefficient columns), and
// the cost of compiling it after a structure change.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

Workbook* openModel(benchmark::State& state) {
  Wb_resetApp();
  std::string error;
  Workbook* wb = Xlsx_open(std::string(CORVAN_DATA) + "/lp/vpm1.xlsx", &error);
  if (!wb) state.SkipWithError(error.c_str());
  return wb;
}

// Cells the formulas read in one recalculation.
int64_t cellsRead(Workbook* wb) {
  int64_t n = 0;
  for (const auto& sh : wb->sheets)
    for (const auto& [key, cell] : sh->cells) {
      if (cell.formula.empty()) continue;
      for (const CellRange& r : Calc_precedents(wb, 0, Wb_keyRow(key), Wb_keyCol(key), false))
        n += static_cast<int64_t>(r.row2 - r.row1 + 1) * (r.col2 - r.col1 + 1);
    }
  return n;
}

void BM_RecalculateLpWorkbook(benchmark::State& state) {
  Workbook* wb = openModel(state);
  if (!wb) return;
  Calc_recalculate(wb);   // compiles once
  Sheet* model = wb->sheets[Wb_sheetIndex(wb, "Model")].get();
  double x = 0;
  for (auto _ : state) {
    Wb_setValue(wb, model, 4, 5, CellValue::makeNumber(x += 1));   // a value change, no recompile
    Calc_recalculate(wb);
  }
  state.SetItemsProcessed(state.iterations() * cellsRead(wb));
  Wb_resetApp();
}
BENCHMARK(BM_RecalculateLpWorkbook)->Unit(benchmark::kMicrosecond);

void BM_CompileLpWorkbook(benchmark::State& state) {
  Workbook* wb = openModel(state);
  if (!wb) return;
  for (auto _ : state) {
    ++wb->structureVersion;   // forces a rebuild of the compiled state
    Calc_recalculate(wb);
  }
  Wb_resetApp();
}
BENCHMARK(BM_CompileLpWorkbook)->Unit(benchmark::kMillisecond);

}  // namespace
