// How soon `corvan solve --max-time 2` ends on a workbook whose one formula
// is long: `=SUMPRODUCT(LARGE(A1:A40000,ROW(A1:A40000)))` beside 40,000
// numbers (LARGE of every rank at once, the values sorted once), and a
// formula that takes far longer than any limit (a quantile by root finding
// for each of 500,000 probabilities), which the limit must stop inside.
// The counters give the command's CPU seconds and its wall seconds past the
// limit; the goals are 3 s of CPU for the first and under 1 s past the
// limit for the second. Run it on a quiet machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "frontend/Fe_Internal.h"
#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kValues = 40000;
constexpr double kLimitSeconds = 2;
constexpr const char* kLimit = "2";
constexpr const char* kSortFormula = "=SUMPRODUCT(LARGE(A1:A40000,ROW(A1:A40000)))";
constexpr const char* kSlowFormula = "=SUMPRODUCT(BETA.INV(ROW(A1:A500000)/500001,2,3))";

// A workbook of kValues numbers in A1:A40000 and `formula` in C1, saved
// unread (no value stored for C1) in the temporary folder.
std::string bookWith(const char* formula, const char* name) {
  Workbook* wb = Wb_newWorkbook(name);
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int r = 0; r < kValues; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber((r * 7919) % kValues));
  Wb_setFormula(wb, sh, 0, 2, formula);
  const std::string path = (std::filesystem::temp_directory_path() / name).string();
  std::string error;
  Xlsx_save(wb, path, &error);
  Wb_closeWorkbook(wb);
  return path;
}

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

// `corvan solve book --max-time 2` in process, its output sent to
// /dev/null; counters of its CPU and wall seconds.
void solveUnderTheLimit(benchmark::State& state, const char* formula, const char* name) {
  const std::string book = bookWith(formula, name);
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    FeArgs args;
    args.command = "solve";
    args.book = book;
    args.maxTime = kLimit;
    std::fflush(stdout);
    std::fflush(stderr);
    const int out = dup(1), err = dup(2), null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    Fe_solve(args);
    wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu = cpuSeconds() - cpuStart;
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(out, 1);
    dup2(err, 2);
    for (int fd : {out, err, null}) close(fd);
  }
  state.counters["cpu_s"] = cpu;
  state.counters["wall_s"] = wall;
  state.counters["wall_past_limit_s"] = wall - kLimitSeconds;
  std::filesystem::remove(book);
}

void largeOfEveryRank(benchmark::State& state) { solveUnderTheLimit(state, kSortFormula, "bench-large.xlsx"); }
void formulaPastTheLimit(benchmark::State& state) { solveUnderTheLimit(state, kSlowFormula, "bench-slow.xlsx"); }

}  // namespace

BENCHMARK(largeOfEveryRank)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(formulaPastTheLimit)->Iterations(1)->Unit(benchmark::kSecond);
