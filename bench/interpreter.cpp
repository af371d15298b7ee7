// Plain-mode evaluation by the formula interpreter against the stand-in's
// own full recalculation of the same formula cells, over the shared
// nonlinear and calc workbooks whose every formula cell the interpreter
// computes, both reported per formula cell.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

struct Books {
  std::vector<Workbook*> books;
  double formulaCells = 0;  // over all the books
};

double formulaCellsOf(const Workbook* wb) {
  double cells = 0;
  for (const auto& sheet : wb->sheets)
    for (const auto& [key, cell] : sheet->cells) cells += !cell.formula.empty() || cell.arrayBlock >= 0;
  return cells;
}

// The workbooks the interpreter computes whole, so that both sides evaluate
// exactly the same cells; the others are closed again.
Books openComputedWorkbooks() {
  Wb_resetApp();
  Books out;
  std::string error;
  for (const char* folder : {"/nlp", "/calc"}) {
    for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      Workbook* wb = Xlsx_open(entry.path().string(), &error);
      if (!wb) continue;
      FeInterpreted result;
      Fe_interpretWorkbook(wb, &result);
      if (!result.failures.empty()) {
        Wb_closeWorkbook(wb);
        continue;
      }
      out.books.push_back(wb);
      out.formulaCells += formulaCellsOf(wb);
    }
  }
  return out;
}

void closeAll(const Books& b) {
  for (Workbook* wb : b.books) Wb_closeWorkbook(wb);
}

void report(benchmark::State& state, const Books& b, double passes) {
  state.counters["workbooks"] = static_cast<double>(b.books.size());
  state.counters["cells"] = b.formulaCells;
  state.counters["per_cell"] =
      benchmark::Counter(passes * b.formulaCells, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_InterpreterPlainMode(benchmark::State& state) {
  const Books b = openComputedWorkbooks();
  std::vector<FeInterpreter*> compiled;
  FeInterpreted ignored;
  for (Workbook* wb : b.books) compiled.push_back(Fe_compileWorkbook(wb, &ignored));
  double passes = 0;
  for (auto _ : state) {
    for (FeInterpreter* in : compiled) Fe_evaluateWorkbook(in, nullptr);
    ++passes;
  }
  report(state, b, passes);
  for (FeInterpreter* in : compiled) Fe_freeInterpreter(in);
  closeAll(b);
}
BENCHMARK(BM_InterpreterPlainMode)->Unit(benchmark::kMillisecond);

// Every formula each pass: an ordinary recalculation after nothing changed
// would evaluate none.
void BM_StandInRecalculation(benchmark::State& state) {
  const Books b = openComputedWorkbooks();
  double passes = 0;
  for (auto _ : state) {
    for (Workbook* wb : b.books) Calc_recalculateFull(wb);
    ++passes;
  }
  report(state, b, passes);
  closeAll(b);
}
BENCHMARK(BM_StandInRecalculation)->Unit(benchmark::kMillisecond);

}  // namespace
