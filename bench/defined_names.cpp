// The commands on workbooks of many defined names: a two-cell linear model
// beside N names (10,000 and 40,000), half in workbook scope and half in
// the data sheet's scope, half naming a cell and half a number, each read
// by a formula that sums fifty of them through their names spelled in other
// letter case. Times `corvan solve --out`, `corvan recalc` and `corvan
// recalc --interpreter` as process CPU time; with lookups in constant time
// per name, four times the names cost about four times as much.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>

#include "bench/BenchData.h"
#include "frontend/Fe_Command.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kNamesPerFormula = 50;

// The workbook of `count` names, written once per size and process.
const std::string& namesFile(int count) {
  static std::map<int, std::string> files;
  std::string& path = files[count];
  if (!path.empty()) return path;
  path = (std::filesystem::temp_directory_path() / ("corvan-bench-names-" + std::to_string(count) + ".xlsx")).string();
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("names.xlsx");
  Sheet* model = Wb_addSheet(wb, "Model");
  Sheet* data = Wb_addSheet(wb, "Data");
  std::string sum;
  for (int k = 0; k < count; ++k) {
    const std::string number = std::to_string(k + 1);
    const std::string definition = k % 4 < 2 ? "Data!$A$" + number : std::to_string(k % 10);
    Wb_defineName(wb, DefinedName{"Item" + number, definition, k % 2 == 0 ? -1 : 1, false});
    Wb_setValue(wb, data, k, 0, CellValue::makeNumber(k % 7));
    sum += (sum.empty() ? "=" : "+") + std::string("ITEM") + number;
    if ((k + 1) % kNamesPerFormula == 0 || k + 1 == count) {
      Wb_setFormula(wb, data, k / kNamesPerFormula, 1, sum);
      sum.clear();
    }
  }
  Wb_setValue(wb, model, 0, 0, CellValue::makeNumber(0));
  Wb_setFormula(wb, model, 1, 0, "=3*A1+Item1");
  for (const auto& [name, value] :
       {std::pair{"solver_opt", "Model!$A$2"}, std::pair{"solver_adj", "Model!$A$1"}, std::pair{"solver_typ", "1"},
        std::pair{"solver_num", "1"}, std::pair{"solver_lhs1", "Model!$A$1"}, std::pair{"solver_rel1", "1"},
        std::pair{"solver_rhs1", "10"}, std::pair{"solver_lin", "1"}, std::pair{"solver_eng", "2"}})
    Wb_defineName(wb, DefinedName{name, value, 0, true});
  Calc_recalculate(wb);
  std::string error;
  if (!Xlsx_save(wb, path, &error)) path.clear();
  Wb_resetApp();
  return path;
}

void runCommand(benchmark::State& state, FeArgs args, int expected) {
  args.book = namesFile(static_cast<int>(state.range(0)));
  if (args.book.empty()) {
    state.SkipWithError("the workbook could not be written");
    return;
  }
  int rc = 0;
  for (auto _ : state) rc = Bench_quietly([&] { return args.command == "solve" ? Fe_solve(args) : Fe_recalc(args); });
  if (rc != expected) state.SkipWithError(("the command ended with status " + std::to_string(rc)).c_str());
  if (!args.out.empty()) std::filesystem::remove(args.out);
  state.counters["names"] = static_cast<double>(state.range(0));
  state.counters["per_name"] = benchmark::Counter(
      static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_SolveAndSave(benchmark::State& state) {
  FeArgs args;
  args.command = "solve";
  args.quiet = true;
  args.overwrite = true;
  args.out = (std::filesystem::temp_directory_path() / "corvan-bench-names-out.xlsx").string();
  runCommand(state, args, FeExitSolution);
}

void BM_Recalc(benchmark::State& state) {
  FeArgs args;
  args.command = "recalc";
  runCommand(state, args, 0);
}

void BM_RecalcInterpreter(benchmark::State& state) {
  FeArgs args;
  args.command = "recalc";
  args.interpreter = true;
  runCommand(state, args, 0);
}

BENCHMARK(BM_SolveAndSave)->Arg(10000)->Arg(40000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recalc)->Arg(10000)->Arg(40000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecalcInterpreter)->Arg(10000)->Arg(40000)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

}  // namespace
