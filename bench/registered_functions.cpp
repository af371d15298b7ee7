// The cost of a worksheet function the stand-in's calculation gets from the
// library (registered by the front end at start-up) beside one of its own
// built-ins: a column of 2000 formulas of each kind recalculated after its
// inputs change, reported per formula.
#include <benchmark/benchmark.h>

#include <string>

#include "frontend/Fe_Frontend.h"
#include "platform/calc/Calc.h"

namespace {

constexpr int kRows = 2000;

// Column A the inputs, column B the formula `call` of the row's input.
Workbook* sheetOf(const std::string& call, Sheet** sheet) {
  Wb_resetApp();
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("bench.xlsx");
  *sheet = Wb_addSheet(wb, "Sheet1");
  for (int r = 0; r < kRows; ++r) {
    const std::string a = "A" + std::to_string(r + 1);
    Wb_setValue(wb, *sheet, r, 0, CellValue::makeNumber(0.001 * (r + 1)));
    std::string formula = call;
    for (size_t at = formula.find('@'); at != std::string::npos; at = formula.find('@', at + a.size()))
      formula.replace(at, 1, a);
    Wb_setFormula(wb, *sheet, r, 1, "=" + formula);
  }
  Calc_recalculate(wb);
  return wb;
}

void recalculate(benchmark::State& state, const std::string& call) {
  Sheet* sheet = nullptr;
  Workbook* wb = sheetOf(call, &sheet);
  int round = 0;
  for (auto _ : state) {
    ++round;
    for (int r = 0; r < kRows; ++r) Wb_setValue(wb, sheet, r, 0, CellValue::makeNumber(0.001 * (r + round)));
    Calc_recalculate(wb);
  }
  state.counters["per_formula"] =
      benchmark::Counter(kRows, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  Wb_resetApp();
}

void BM_BuiltInSqrt(benchmark::State& state) { recalculate(state, "SQRT(@)"); }
BENCHMARK(BM_BuiltInSqrt)->Unit(benchmark::kMillisecond);

void BM_RegisteredPmt(benchmark::State& state) { recalculate(state, "PMT(@/12,360,250000)"); }
BENCHMARK(BM_RegisteredPmt)->Unit(benchmark::kMillisecond);

void BM_RegisteredNormsdist(benchmark::State& state) { recalculate(state, "NORMSDIST(@)"); }
BENCHMARK(BM_RegisteredNormsdist)->Unit(benchmark::kMillisecond);

void BM_RegisteredNpvOverARange(benchmark::State& state) { recalculate(state, "NPV(@,$A$1:$A$12)"); }
BENCHMARK(BM_RegisteredNpvOverARange)->Unit(benchmark::kMillisecond);

}  // namespace
