// Recalculation speed on a model laid out like the LP workbooks: one
// SUMPRODUCT row per constraint over dense coefficient rows (the size of the
// largest LP workbook, 234 rows by 378 columns), plus the objective.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/calc/Calc.h"

namespace {

Workbook* buildModel(int rows, int cols) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("bench.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Model");
  const int first = 5;   // column F
  std::string last = Wb_columnName(first + cols - 1);
  for (int c = 0; c < cols; ++c) {
    Wb_setValue(wb, sh, 4, first + c, CellValue::makeNumber(1.0 + c % 7));          // variables, row 5
    Wb_setValue(wb, sh, 7, first + c, CellValue::makeNumber((c % 5) - 2.0));        // objective, row 8
  }
  Wb_setFormula(wb, sh, 1, 1, "=SUMPRODUCT($F$8:$" + last + "$8,$F$5:$" + last + "$5)");
  for (int r = 0; r < rows; ++r) {
    int row = 11 + r;
    for (int c = 0; c < cols; ++c)
      Wb_setValue(wb, sh, row, first + c, CellValue::makeNumber(((r * 31 + c * 17) % 11) * 0.5));
    std::string n = std::to_string(row + 1);
    Wb_setFormula(wb, sh, row, 1, "=SUMPRODUCT(F" + n + ":" + last + n + ",$F$5:$" + last + "$5)");
  }
  return wb;
}

void BM_RecalculateLpModel(benchmark::State& state) {
  const int rows = 234, cols = 378;
  Workbook* wb = buildModel(rows, cols);
  Calc_recalculate(wb);   // compiles once
  Sheet* sh = wb->sheets[0].get();
  double x = 0;
  for (auto _ : state) {
    Wb_setValue(wb, sh, 4, 5, CellValue::makeNumber(x += 1));   // a value change, no recompile
    Calc_recalculate(wb);
  }
  // Each SUMPRODUCT reads two cells per column.
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(rows + 1) * cols * 2);
  Wb_resetApp();
}
BENCHMARK(BM_RecalculateLpModel)->Unit(benchmark::kMicrosecond);

void BM_CompileLpModel(benchmark::State& state) {
  Workbook* wb = buildModel(234, 378);
  for (auto _ : state) {
    ++wb->structureVersion;   // forces a rebuild of the compiled state
    Calc_recalculate(wb);
  }
  Wb_resetApp();
}
BENCHMARK(BM_CompileLpModel)->Unit(benchmark::kMillisecond);

}  // namespace
