// Opening and closing workbook files: a generated workbook of a million
// numeric cells (1000 rows of 1000), workbooks of 10,000 to 40,000 sheets
// of one cell each (the time must grow with the sheets, not their square)
// and the largest LP workbook of the shared data. Reports the cells, the file's bytes, the time per cell and
// the memory the open workbook holds per cell (heap in use while it is
// open, less before).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>

#include "bench/BenchData.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kSide = 1000;

std::size_t heapInUse() { return mallinfo2().uordblks; }

// The million-cell workbook, written once per process.
const std::string& millionCellFile() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "corvan-bench-million.xlsx").string();
    Wb_resetApp();
    Workbook* wb = Wb_newWorkbook("million.xlsx");
    Sheet* sh = Wb_addSheet(wb, "Data");
    for (int r = 0; r < kSide; ++r)
      for (int c = 0; c < kSide; ++c) Wb_setValue(wb, sh, r, c, CellValue::makeNumber(r * 0.5 + c * 0.25 + 1));
    std::string error;
    if (!Xlsx_save(wb, p, &error)) p.clear();
    Wb_resetApp();
    return p;
  }();
  return path;
}

// A workbook of `sheets` sheets holding one number each, written once per size.
std::string manySheetsFile(int sheets) {
  std::string p = (std::filesystem::temp_directory_path() /
                   ("corvan-bench-sheets-" + std::to_string(sheets) + ".xlsx")).string();
  if (std::filesystem::exists(p)) return p;
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("sheets.xlsx");
  for (int k = 0; k < sheets; ++k) Wb_setValue(wb, Wb_addSheet(wb, "S" + std::to_string(k)), 0, 0, CellValue::makeNumber(k));
  std::string error;
  if (!Xlsx_save(wb, p, &error)) p.clear();
  Wb_resetApp();
  return p;
}

void openAndClose(benchmark::State& state, const std::string& path) {
  if (path.empty()) {
    state.SkipWithError("the workbook could not be written");
    return;
  }
  Wb_resetApp();
  double cells = 0, bytes = 0;
  for (auto _ : state) {
    std::size_t before = heapInUse();
    std::string error;
    Workbook* wb = Xlsx_open(path, &error);
    if (!wb) {
      state.SkipWithError(error.c_str());
      return;
    }
    bytes = static_cast<double>(heapInUse() - before);
    cells = 0;
    for (const auto& sh : wb->sheets) cells += static_cast<double>(sh->cells.size());
    Wb_closeWorkbook(wb);
  }
  state.SetLabel(std::filesystem::path(path).filename().string());
  state.counters["cells"] = cells;
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
  state.counters["heap_bytes_per_cell"] = cells > 0 ? bytes / cells : 0;
  state.counters["per_cell"] =
      benchmark::Counter(cells, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  Wb_resetApp();
}

void BM_OpenMillionCells(benchmark::State& state) { openAndClose(state, millionCellFile()); }
BENCHMARK(BM_OpenMillionCells)->Unit(benchmark::kMillisecond);

void BM_OpenManySheets(benchmark::State& state) {
  openAndClose(state, manySheetsFile(static_cast<int>(state.range(0))));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_OpenManySheets)->Arg(10000)->Arg(20000)->Arg(40000)->Complexity()->Unit(benchmark::kMillisecond);

void BM_OpenLargestLp(benchmark::State& state) { openAndClose(state, Bench_largestLpWorkbook()); }
BENCHMARK(BM_OpenLargestLp)->Unit(benchmark::kMillisecond);

}  // namespace
