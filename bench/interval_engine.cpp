// The interval global engine on each shared global optimisation workbook,
// and on Styblinski-Tang in four variables (rosenbrock4's workbook with its
// objective and bounds replaced), run by the library end to end (`Solve`
// action 0, the model analysed and diagnosed by the interpreter), with its
// default affine contraction and LP relaxation and with interval
// contraction and the Newton and closing steps: time per solve (opening the
// workbook outside the timing; the CPU time is the whole process's, as the
// engine runs on a thread of its own), boxes processed (the search's
// iterations, each one box split and its halves bounded), and the
// objective as counters. And the open-box list alone, as the search uses
// it (take the box of smallest bound, put back its two halves with larger
// bounds), against the sorted list it replaced, side by side.
#include <benchmark/benchmark.h>

#include <fstream>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "engines/interval/Ia_BoxList.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

namespace {

struct Variant {
  const char* label;
  const char* met;
  const char* soc;
};

constexpr Variant kVariants[] = {{"affine", "2", "0"}, {"interval+newton", "1", "1"}};

// Styblinski-Tang, 0.5 * sum(x^4 - 16 x^2 + 5 x) over [-5, 5]^4 (minimum
// -39.16616570377142 per variable, at x = -2.903534...), from x = 1, in
// rosenbrock4's layout: variables B2:E2, bounds in rows 3 and 4, objective B6.
constexpr const char* kStyblinskiTang = "styblinski_tang4";

void makeStyblinskiTang(Workbook* book) {
  Sheet* sh = book->sheets[0].get();
  std::string sum;
  for (int c = 1; c <= 4; ++c) {
    const std::string x = Wb_a1(1, c);
    sum += (c > 1 ? "+" : "") + x + "^4-16*" + x + "^2+5*" + x;
    Wb_setValue(book, sh, 1, c, CellValue::makeNumber(1));
    Wb_setValue(book, sh, 2, c, CellValue::makeNumber(-5));
    Wb_setValue(book, sh, 3, c, CellValue::makeNumber(5));
  }
  Wb_setFormula(book, sh, 5, 1, "=0.5*(" + sum + ")");
}

void solveWorkbook(benchmark::State& state, const std::string& name, const Variant& variant) {
  BenchLibrary library;
  if (!library.solve) {
    state.SkipWithError("library not loaded");
    return;
  }
  const bool styblinskiTang = name == kStyblinskiTang;
  const std::string path = std::string(CORVAN_DATA) + "/global/" + (styblinskiTang ? "rosenbrock4" : name) + ".xlsx";
  std::string error;
  int status = 0;
  double objective = 0;
  std::int64_t boxes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Workbook* book = Xlsx_open(path, &error);
    if (book && styblinskiTang) makeStyblinskiTang(book);
    if (book)
      for (const auto& [option, value] :
           {std::pair{"solver_dia", "4"}, std::pair{"solver_met", variant.met}, std::pair{"solver_soc", variant.soc}})
        Wb_defineName(book, DefinedName{option, value, 0, true});
    state.ResumeTiming();
    if (!book) break;
    const double action = 0;
    status = library.solve(&action);
    boxes = Entry_context()->progress.iterationsOfRun;
    const Cell* cell = Wb_findCell(book->sheets[0].get(), 5, 1);  // B6, the objective
    objective = cell && cell->value.kind == CellKind::Number ? cell->value.number : 0;
  }
  if (status != 0) state.SkipWithError("not solved");
  state.counters["boxes"] = static_cast<double>(boxes);
  state.counters["objective"] = objective;
}

// The box list the engine kept before: a list sorted by insertion, walked
// from its head to the first node whose bound is not below the new one.
struct SortedBoxList {
  std::list<IaBoxNode> nodes;
  void push(const IaBox& box, double lower, int split) {
    auto at = nodes.begin();
    while (at != nodes.end() && at->lower < lower) ++at;
    nodes.insert(at, IaBoxNode{split, lower, box});
  }
  bool pop(IaBox& box, double* lower, int* split) {
    if (nodes.empty()) return false;
    box = std::move(nodes.front().box);
    *lower = nodes.front().lower;
    *split = nodes.front().split;
    nodes.pop_front();
    return true;
  }
};

struct HeapBoxList {
  IaBoxList list;
  void push(const IaBox& box, double lower, int split) { Ia_pushBox(list, box, lower, split); }
  bool pop(IaBox& box, double* lower, int* split) { return Ia_popBox(list, box, lower, split); }
};

constexpr int kListVariables = 6;
constexpr unsigned kListSeed = 12345;

// `range(0)` steps of a best-first search over 6 variables: each takes the
// next box and puts back two halves whose bounds lie up to 1 above its own,
// so that the list grows by one box a step.
template <typename List>
void boxListSteps(benchmark::State& state) {
  const auto steps = state.range(0);
  for (auto _ : state) {
    List list;
    std::mt19937 random(kListSeed);
    std::uniform_real_distribution<double> rise(0.0, 1.0);
    IaBox box(kListVariables + 1, Interval{-5, 5});
    list.push(box, 0.0, 1);
    double lower = 0;
    int split = 1;
    for (std::int64_t k = 0; k < steps && list.pop(box, &lower, &split); ++k) {
      list.push(box, lower + rise(random), split);
      list.push(box, lower + rise(random), split);
    }
    benchmark::DoNotOptimize(lower);
  }
  state.counters["steps"] = static_cast<double>(steps);
}

BENCHMARK_TEMPLATE(boxListSteps, SortedBoxList)
    ->Name("interval/box_list/sorted_list")
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(boxListSteps, HeapBoxList)
    ->Name("interval/box_list/heap")
    ->Arg(2000)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// One run per workbook listed in optima.csv, and Styblinski-Tang, and variant.
const bool kRegistered = [] {
  std::ifstream in(std::string(CORVAN_DATA) + "/global/optima.csv");
  std::vector<std::string> names;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) names.push_back(line.substr(0, line.find(',')));
  names.push_back(kStyblinskiTang);
  for (const std::string& name : names)
    for (const Variant& v : kVariants)
      benchmark::RegisterBenchmark(("interval/" + name + "/" + v.label).c_str(), solveWorkbook, name, v)
          ->MeasureProcessCPUTime()
          ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
