// How the evolutionary engine ends a run whose counts are all stored as "no
// limit": a two-variable model of ABS, MAX and IF terms (minimum 0 at
// (3, 1)) with the options a spreadsheet program writes ("solver_nod"
// 2147483647, "solver_mni" 30, a population of 100), solved by `corvan
// solve` with the seeds 1 to 20. Every run must end by the engine's own stop
// (status 1, converged, or 2, no improvement for "solver_mni" seconds) at
// the optimum; the counters give how many did, the worst objective and the
// longest run. A time limit of ten minutes only ends a run that would not.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kSeeds = 20;
constexpr const char* kSafetyLimit = "600";

// The model's workbook, written into `path`.
bool writeModel(const std::string& path) {
  Workbook* wb = Wb_newWorkbook("nonsmooth.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1));
  Wb_setValue(wb, sh, 0, 1, CellValue::makeNumber(1));
  Wb_setFormula(wb, sh, 0, 2, "=ABS(A1-3)+MAX(B1-1,1-B1)+IF(A1+B1>4,A1+B1-4,4-A1-B1)");
  const std::vector<std::pair<std::string, std::string>> names = {
      {"solver_opt", "Model!$C$1"},   {"solver_typ", "2"},          {"solver_adj", "Model!$A$1:$B$1"},
      {"solver_num", "2"},            {"solver_lhs1", "Model!$A$1:$B$1"}, {"solver_rel1", "3"},
      {"solver_rhs1", "-10"},         {"solver_lhs2", "Model!$A$1:$B$1"}, {"solver_rel2", "1"},
      {"solver_rhs2", "10"},          {"solver_eng", "3"},          {"solver_nod", "2147483647"},
      {"solver_mip", "2147483647"},   {"solver_tim", "2147483647"}, {"solver_itr", "2147483647"},
      {"solver_mni", "30"},           {"solver_ssz", "100"},        {"solver_cvg", "0.0001"},
      {"solver_mrt", "0.075"},        {"solver_pre", "0.000001"},   {"solver_tol", "0.01"},
      {"solver_rsd", "0"},            {"solver_rbv", "1"},          {"solver_neg", "1"}};
  for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, -1, true});
  Calc_recalculate(wb);
  std::string error;
  const bool saved = Xlsx_save(wb, path, &error);
  Wb_closeWorkbook(wb);
  return saved;
}

struct Run {
  int status = -1;          // the engine's status, -1 when none was printed
  double objective = 1e30;  // as printed
  double seconds = 0;
};

// One `corvan solve` of the model with a seed.
Run solve(const std::string& book, int seed) {
  const std::string cmd = std::string(CORVAN_OUT) + "/corvan solve " + book + " --quiet --max-time " +
                          kSafetyLimit + " --option rsd=" + std::to_string(seed) + " 2>/dev/null";
  Run run;
  const auto start = std::chrono::steady_clock::now();
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return run;
  std::array<char, 4096> line;
  while (std::fgets(line.data(), line.size(), p)) {
    const std::string text = line.data();
    if (text.rfind("status ", 0) == 0) run.status = std::atoi(text.c_str() + 7);
    const size_t at = text.find(" = ");
    if (text.rfind("objective (", 0) == 0 && at != std::string::npos) run.objective = std::atof(text.c_str() + at + 3);
  }
  pclose(p);
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return run;
}

void ownStops(benchmark::State& state) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("corvan-bench-evo-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string book = (dir / "nonsmooth.xlsx").string();
  if (!writeModel(book)) state.SkipWithError("the model's workbook could not be written");
  int ownStop = 0, atOptimum = 0;
  double longest = 0, worstObjective = 0;
  for (auto _ : state) {
    for (int seed = 1; seed <= kSeeds; ++seed) {
      const Run run = solve(book, seed);
      ownStop += run.status == 1 || run.status == 2;
      atOptimum += run.objective < 1e-4;
      longest = std::max(longest, run.seconds);
      worstObjective = std::max(worstObjective, run.objective);
    }
  }
  std::filesystem::remove_all(dir);
  state.counters["seeds"] = kSeeds;
  state.counters["ended_by_own_stop"] = ownStop;
  state.counters["at_optimum"] = atOptimum;
  state.counters["longest_s"] = longest;
  state.counters["worst_objective"] = worstObjective;
}

}  // namespace

BENCHMARK(ownStops)->Iterations(1)->Unit(benchmark::kSecond);
