// Plain-mode evaluation by the formula interpreter against the stand-in's
// own recalculation of the same formula cells, over the shared nonlinear and
// calc workbooks, both reported per formula cell computed.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/Fe_Internal.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

std::vector<std::string> workbooks() {
  std::vector<std::string> paths;
  for (const char* folder : {"/nlp", "/calc"})
    for (const auto& entry : std::filesystem::directory_iterator(std::string(CORVAN_DATA) + folder))
      if (entry.path().extension() == ".xlsx") paths.push_back(entry.path().string());
  return paths;
}

std::vector<Workbook*> openAll() {
  Wb_resetApp();
  std::vector<Workbook*> books;
  std::string error;
  for (const std::string& path : workbooks())
    if (Workbook* wb = Xlsx_open(path, &error)) books.push_back(wb);
  return books;
}

void BM_InterpreterPlainMode(benchmark::State& state) {
  std::vector<Workbook*> books = openAll();
  std::vector<FeInterpreter*> compiled;
  FeInterpreted ignored;
  for (Workbook* wb : books) compiled.push_back(Fe_compileWorkbook(wb, &ignored));
  double cells = 0;
  for (auto _ : state)
    for (FeInterpreter* in : compiled) cells += Fe_evaluateWorkbook(in, nullptr);
  state.counters["per_cell"] = benchmark::Counter(cells, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  for (FeInterpreter* in : compiled) Fe_freeInterpreter(in);
  for (Workbook* wb : books) Wb_closeWorkbook(wb);
}
BENCHMARK(BM_InterpreterPlainMode)->Unit(benchmark::kMillisecond);

void BM_StandInRecalculation(benchmark::State& state) {
  std::vector<Workbook*> books = openAll();
  double formulaCells = 0;
  for (Workbook* wb : books)
    for (const auto& sheet : wb->sheets)
      for (const auto& [key, cell] : sheet->cells) formulaCells += !cell.formula.empty() || cell.arrayBlock >= 0;
  double cells = 0;
  for (auto _ : state) {
    for (Workbook* wb : books) Calc_recalculate(wb);
    cells += formulaCells;
  }
  state.counters["per_cell"] = benchmark::Counter(cells, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  for (Workbook* wb : books) Wb_closeWorkbook(wb);
}
BENCHMARK(BM_StandInRecalculation)->Unit(benchmark::kMillisecond);

}  // namespace
