// Recalculation speed on the largest LP workbook of the shared data: the
// variable cells change between runs and the structure does not, so each run
// re-evaluates without recompiling. Reported per cell that formulas read.
// A second case changes one variable cell per run, so each run evaluates
// only the formulas depending on it (reported as evaluated_units). A third
// recalculates twenty array formulas that would each build a million texts
// over whole rows: the work cap of one recalculation keeps it under a second.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/BenchData.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

// Cells read by all formulas, counted once per formula that reads them.
double referencedCells(Workbook* wb) {
  double total = 0;
  for (size_t s = 0; s < wb->sheets.size(); ++s)
    for (const auto& [key, cell] : wb->sheets[s]->cells) {
      if (cell.formula.empty()) continue;
      for (const CellRange& r : Calc_precedents(wb, static_cast<int>(s), Wb_keyRow(key), Wb_keyCol(key), false))
        total += double(r.row2 - r.row1 + 1) * (r.col2 - r.col1 + 1);
    }
  return total;
}

// The largest LP workbook, recalculated, and its variable cells; nullptr
// (the benchmark skipped) when it cannot be opened or names none.
Workbook* openLargestLp(benchmark::State& state, CellRange* vars) {
  Wb_resetApp();
  std::string error;
  Workbook* wb = Xlsx_open(Bench_largestLpWorkbook(), &error);
  if (!wb || !Bench_variableCells(wb, vars)) {
    state.SkipWithError(wb ? "no solver_adj range" : error.c_str());
    return nullptr;
  }
  Calc_recalculate(wb);
  return wb;
}

void BM_RecalculateLargestLp(benchmark::State& state) {
  CellRange vars;
  Workbook* wb = openLargestLp(state, &vars);
  if (!wb) return;
  Sheet* sh = wb->sheets[vars.sheet].get();
  double refs = referencedCells(wb);
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int r = vars.row1; r <= vars.row2; ++r)
      for (int c = vars.col1; c <= vars.col2; ++c)
        Wb_setValue(wb, sh, r, c, CellValue::makeNumber(((c + round) % 7) * 0.5));
    Calc_recalculate(wb);
  }
  state.SetLabel(wb->name);
  state.counters["referenced_cells"] = refs;
  state.counters["per_referenced_cell"] =
      benchmark::Counter(refs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  Wb_resetApp();
}
BENCHMARK(BM_RecalculateLargestLp)->Unit(benchmark::kMillisecond);

void BM_RecalculateOneCellLargestLp(benchmark::State& state) {
  CellRange vars;
  Workbook* wb = openLargestLp(state, &vars);
  if (!wb) return;
  Sheet* sh = wb->sheets[vars.sheet].get();
  int rows = vars.row2 - vars.row1 + 1, cols = vars.col2 - vars.col1 + 1, round = 0;
  double evaluated = 0;
  for (auto _ : state) {
    int k = round++ % (rows * cols);
    Wb_setValue(wb, sh, vars.row1 + k / cols, vars.col1 + k % cols, CellValue::makeNumber((round % 7) * 0.5));
    Calc_recalculate(wb);
    evaluated += static_cast<double>(Calc_lastEvaluated(wb));
  }
  state.SetLabel(wb->name);
  state.counters["evaluated_units"] = benchmark::Counter(evaluated, benchmark::Counter::kAvgIterations);
  Wb_resetApp();
}
BENCHMARK(BM_RecalculateOneCellLargestLp)->Unit(benchmark::kMicrosecond);

// Twenty cells of {=ROWS(1&(1+S!99:999559)&{1;2})} on a second sheet, the
// first sheet used down to row 999559; the goal is under a second in all.
void BM_RecalculateCappedArrayFormulas(benchmark::State& state) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("capped.xlsx");
  Sheet* data = Wb_addSheet(wb, "S");
  Sheet* formulas = Wb_addSheet(wb, "F");
  Wb_setValue(wb, data, 0, 0, CellValue::makeNumber(5));
  Wb_setValue(wb, data, 999558, 0, CellValue::makeNumber(7));
  for (int k = 0; k < 20; ++k) Wb_setArrayFormula(wb, formulas, {1, k, 0, k, 0}, "=ROWS(1&(1+S!99:999559)&{1;2})");
  for (auto _ : state) Calc_recalculateFull(wb);
  state.counters["capped_cells"] = static_cast<double>(Calc_warnings(wb).size());
  Wb_resetApp();
}
BENCHMARK(BM_RecalculateCappedArrayFormulas)->Unit(benchmark::kMillisecond);

}  // namespace
