// The interpreter's reading of large, mostly empty ranges: one cell
// computed by the front end's interpreter (compile and one evaluation) on a
// sheet of three used cells. Each run reports the heap the compiled cell
// holds ("bytes"). Goal: a range that is the whole argument of SUM, COUNT,
// COUNTA, AVERAGE, MAX or MIN costs what its used cells cost, under 1 ms
// and 100 kB for SUM(IS3:J36361) (8.9 million cells; 2 s and 1.1 GB when
// every cell was built); a range whose shape counts (ROWS) is still built
// whole, for comparison.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>

#include "frontend/Fe_Interpreter.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

const char* const kFormulas[] = {"=SUM(IS3:J36361)", "=MAX(K1:K65535)+COUNT(A5:IU5)", "=SUM(J3:IU65535,K4:L5)",
                                 "=ROWS(IS3:J36361)"};

// Heap in use, large blocks (which come straight from the system) included.
size_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

void BM_InterpretLargeRange(benchmark::State& state) {
  const char* formula = kFormulas[state.range(0)];
  Workbook* wb = Wb_newWorkbook("ranges.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 3, 10, CellValue::makeNumber(2));  // K4
  Wb_setValue(wb, sh, 4, 11, CellValue::makeNumber(3));  // L5
  Wb_setFormula(wb, sh, 0, 0, formula);
  size_t bytes = 0;
  for (auto _ : state) {
    const size_t before = heapInUse();
    FeInterpreted out;
    FeInterpreter* in = Fe_compileWorkbook(wb, &out);
    Fe_evaluateWorkbook(in, &out);
    bytes = heapInUse() - before;
    Fe_freeInterpreter(in);
    if (!out.failures.empty()) state.SkipWithError(out.failures.begin()->second.c_str());
  }
  state.SetLabel(formula);
  state.counters["bytes"] = static_cast<double>(bytes);
  Wb_closeWorkbook(wb);
}

}  // namespace

BENCHMARK(BM_InterpretLargeRange)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
