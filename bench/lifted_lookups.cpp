// A lookup lifted over a column of keys in one cell: RANK, MATCH (exact and
// approximate), VLOOKUP and LOOKUP of every key of a column against that
// column, in the stand-in's recalculation and in the formula interpreter.
// The keys share one sorted copy of the searched line (the stand-in reads
// LOOKUP, a function the library registers into it, into the library's
// values once), so the time grows as n log n in the rows, not as their
// square.
#include <benchmark/benchmark.h>

#include <string>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"

namespace {

// The distinct values of the keys: every value is held by a few rows, so
// that ranks and matches meet ties.
constexpr int kRowsPerValue = 3;

// The lifted formula of a kind (RANK, MATCH exact, MATCH ascending,
// VLOOKUP exact, LOOKUP) over n rows.
std::string formulaOf(int kind, int n) {
  const std::string rows = std::to_string(n);
  const std::string keys = "A1:A" + rows;
  switch (kind) {
    case 0: return "SUMPRODUCT(RANK(" + keys + "," + keys + "))";
    case 1: return "SUMPRODUCT(MATCH(" + keys + "," + keys + ",0))";
    case 2: return "SUMPRODUCT(MATCH(" + keys + ",C1:C" + rows + ",1))";
    case 3: return "SUMPRODUCT(VLOOKUP(" + keys + ",A1:B" + rows + ",2,FALSE))";
    default: return "SUMPRODUCT(LOOKUP(" + keys + ",C1:C" + rows + ",B1:B" + rows + "))";
  }
}

// Column A the keys in a scattered order, B their rows, C ascending.
Workbook* lookupBook(int kind, int n) {
  Wb_resetApp();
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("lifted.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Sheet1");
  const long long values = n / kRowsPerValue + 1;
  for (int r = 0; r < n; ++r) {
    Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(static_cast<double>((r * 7919LL) % values)));
    Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(r + 1));
    Wb_setValue(wb, sh, r, 2, CellValue::makeNumber(r / kRowsPerValue));
  }
  Wb_setFormula(wb, sh, 0, 4, formulaOf(kind, n));
  return wb;
}

void BM_LiftedLookupStandIn(benchmark::State& state, int kind) {
  const int n = static_cast<int>(state.range(0));
  Workbook* wb = lookupBook(kind, n);
  for (auto _ : state) Calc_recalculateFull(wb);
  state.SetComplexityN(n);
  Wb_resetApp();
}

void BM_LiftedLookupInterpreter(benchmark::State& state, int kind) {
  const int n = static_cast<int>(state.range(0));
  Workbook* wb = lookupBook(kind, n);
  for (auto _ : state) {
    FeInterpreted result;
    Fe_interpretWorkbook(wb, &result);
    benchmark::DoNotOptimize(result.values.size());
  }
  state.SetComplexityN(n);
  Wb_resetApp();
}

// 10,000 to 40,000 rows, fitted to n log n.
constexpr int kFewestRows = 10000, kMostRows = 40000;
#define CORVAN_LIFTED(fn, label, kind) \
  BENCHMARK_CAPTURE(fn, label, kind)   \
      ->Arg(kFewestRows)               \
      ->Arg(kFewestRows * 2)           \
      ->Arg(kMostRows)                 \
      ->Complexity(benchmark::oNLogN)  \
      ->Unit(benchmark::kMillisecond)

CORVAN_LIFTED(BM_LiftedLookupStandIn, rank, 0);
CORVAN_LIFTED(BM_LiftedLookupStandIn, match_exact, 1);
CORVAN_LIFTED(BM_LiftedLookupStandIn, match_ascending, 2);
CORVAN_LIFTED(BM_LiftedLookupStandIn, vlookup_exact, 3);
CORVAN_LIFTED(BM_LiftedLookupStandIn, lookup, 4);
CORVAN_LIFTED(BM_LiftedLookupInterpreter, rank, 0);
CORVAN_LIFTED(BM_LiftedLookupInterpreter, match_exact, 1);
CORVAN_LIFTED(BM_LiftedLookupInterpreter, match_ascending, 2);
CORVAN_LIFTED(BM_LiftedLookupInterpreter, vlookup_exact, 3);
CORVAN_LIFTED(BM_LiftedLookupInterpreter, lookup, 4);

}  // namespace
