// The interpreter at the scale of real models: loading a model (reading its
// cells through automation, compiling, counting its cells, the compile
// step) against the stand-in's own full recalculation of the same workbook,
// on one-column chains, chains alternating between two full sheets, matrix
// products in one array formula and a multi-period model whose balances sum
// every earlier period. Each load reports the heap it keeps ("bytes").
// Then the cost of one operation in gradient mode (n = 200) and Hessian mode
// (n = 50) against a hand-written loop doing the same dense arithmetic.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <string>
#include <vector>

#include "excel/Com_Automation.h"
#include "excel/Com_Reader.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Load_Model.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "platform/automation/Auto.h"
#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/SheetSource.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

namespace {

// A chain's cells run down columns of this many rows.
constexpr int kChainRows = 50000;
// Numbers that fill each sheet of the alternating chains.
constexpr int kFillerCells = 150000;

std::string a1(int row, int column) { return Wb_a1(row, column); }

// A model workbook: the variable cell, the rows (objective last) and
// whether its constraints are the balance cells.
struct Scenario {
  Workbook* wb = nullptr;
  RangeRef variable{};
  RangeRef objective{};
  RangeRef constraints{};  // sheet 0 when none
};

// k = 0..n-1: cell k of a chain laid down columns of kChainRows rows.
void chainCell(int k, int* row, int* column) {
  *row = k % kChainRows;
  *column = k / kChainRows;
}

RangeRef cellRange(int sheet, int row, int column) {
  return RangeRef{static_cast<uint8_t>(sheet + 1), static_cast<uint16_t>(row + 1), static_cast<uint8_t>(column + 1),
                  static_cast<uint16_t>(row + 1), static_cast<uint8_t>(column + 1)};
}

Scenario columnChain(int n) {
  Scenario s;
  s.wb = Wb_newWorkbook("chain.xlsx");
  Sheet* sh = Wb_addSheet(s.wb, "S");
  Wb_setValue(s.wb, sh, 0, 0, CellValue::makeNumber(1));
  int row = 0, column = 0, lastRow = 0, lastColumn = 0;
  for (int k = 1; k < n; ++k) {
    chainCell(k - 1, &lastRow, &lastColumn);
    chainCell(k, &row, &column);
    Wb_setFormula(s.wb, sh, row, column, "=" + a1(lastRow, lastColumn) + "+1");
  }
  s.variable = cellRange(0, 0, 0);
  s.objective = cellRange(0, row, column);
  return s;
}

// Cell k on sheet k % 2, row k / 2, reading cell k - 1 on the other sheet;
// both sheets hold kFillerCells numbers beside the chain.
Scenario alternatingChain(int n) {
  Scenario s;
  s.wb = Wb_newWorkbook("alternating.xlsx");
  Sheet* sheets[2] = {Wb_addSheet(s.wb, "S1"), Wb_addSheet(s.wb, "S2")};
  for (Sheet* sh : sheets)
    for (int k = 0; k < kFillerCells; ++k)
      Wb_setValue(s.wb, sh, k % kChainRows, 2 + k / kChainRows, CellValue::makeNumber(k));
  Wb_setValue(s.wb, sheets[0], 0, 0, CellValue::makeNumber(1));
  for (int k = 1; k < n; ++k) {
    const std::string other = k % 2 ? "S1!" : "S2!";
    Wb_setFormula(s.wb, sheets[k % 2], k / 2, 0, "=" + other + a1((k - 1) / 2, 0) + "+1");
  }
  s.variable = cellRange(0, 0, 0);
  s.objective = cellRange((n - 1) % 2, (n - 1) / 2, 0);
  return s;
}

// A = rows 1..n, B = rows n+1..2n, the block MMULT(A, B) in rows 2n+1..3n,
// the objective the sum of the block below it.
Scenario matrixProduct(int n) {
  Scenario s;
  s.wb = Wb_newWorkbook("mmult.xlsx");
  Sheet* sh = Wb_addSheet(s.wb, "S");
  for (int i = 0; i < 2 * n; ++i)
    for (int j = 0; j < n; ++j) Wb_setValue(s.wb, sh, i, j, CellValue::makeNumber(1.0 + (i * 7 + j * 3) % 11 * 0.1));
  const std::string a = a1(0, 0) + ":" + a1(n - 1, n - 1), b = a1(n, 0) + ":" + a1(2 * n - 1, n - 1);
  Wb_setArrayFormula(s.wb, sh, CellRange{0, 2 * n, 0, 3 * n - 1, n - 1}, "=MMULT(" + a + "," + b + ")");
  Wb_setFormula(s.wb, sh, 3 * n, 0, "=SUM(" + a1(2 * n, 0) + ":" + a1(3 * n - 1, n - 1) + ")");
  s.variable = cellRange(0, 0, 0);
  s.objective = cellRange(0, 3 * n, 0);
  return s;
}

// Period k: a flow in A (the first one the variable), the balance in B that
// sums every flow up to k, each balance a constraint; the objective the last.
Scenario multiPeriod(int periods) {
  Scenario s;
  s.wb = Wb_newWorkbook("periods.xlsx");
  Sheet* sh = Wb_addSheet(s.wb, "S");
  for (int k = 0; k < periods; ++k) {
    Wb_setValue(s.wb, sh, k, 0, CellValue::makeNumber(1 + k % 5));
    Wb_setFormula(s.wb, sh, k, 1, "=SUM($A$1:A" + std::to_string(k + 1) + ")");
  }
  Wb_setFormula(s.wb, sh, periods, 1, "=B" + std::to_string(periods) + "*2");
  s.variable = cellRange(0, 0, 0);
  s.constraints = RangeRef{1, 1, 2, static_cast<uint16_t>(periods), 2};
  s.objective = cellRange(0, periods, 1);
  return s;
}

Scenario build(int which, int size) {
  switch (which) {
    case 0: return columnChain(size);
    case 1: return alternatingChain(size);
    case 2: return matrixProduct(size);
    default: return multiPeriod(size);
  }
}

LoadRequest requestOf(const Scenario& s) {
  LoadRequest rq;
  rq.variableRanges = {s.variable};
  rq.lower = {-1e30};
  rq.upper = {1e30};
  rq.start = {1};
  rq.types = {0};
  if (s.constraints.sheet) {
    LoadRow row;
    row.code = kLoadLessEqual;
    row.left = s.constraints;
    rq.rows.push_back(row);
    const int count = s.constraints.lastRow - s.constraints.firstRow + 1;
    rq.rowLower.assign(static_cast<size_t>(count), -1e30);
    rq.rowUpper.assign(static_cast<size_t>(count), 1e9);
  }
  LoadRow objective;
  objective.code = kLoadMinimise;
  objective.left = s.objective;
  rq.rows.push_back(objective);
  rq.freeBytes = uint64_t{1} << 32;
  return rq;
}

size_t heapInUse() { return mallinfo2().uordblks; }

// Opens the active workbook through automation and loads the model; the
// load's heap and its result into the state. Freeing it is not timed.
bool loadOnce(benchmark::State& state, const LoadRequest& rq, size_t* bytes) {
  const size_t before = heapInUse();
  EvalContext* ctx = Load_createContext(nullptr);
  ExcelAutomation* ea = Com_create(ctx);
  AutoObject* app = Auto_application();
  const bool opened = Com_attachApplication(ea, app) && Com_openWorkbook(ea, nullptr) && Com_readSheets(ea);
  Auto_release(app);
  ComReaderSource source(ea);
  LoadReport report;
  const int32_t result = opened ? Load_model(ctx, &source, rq, &report) : kLoadHostFailure;
  *bytes = heapInUse() - before;
  state.PauseTiming();
  Load_freeModel(ctx);
  Com_destroy(ea);
  state.ResumeTiming();
  if (result == kLoadOk) return true;
  state.SkipWithError(("load failed: " + std::to_string(result)).c_str());
  return false;
}

const char* const kCases[] = {"chain", "alternating", "mmult", "periods"};

void BM_LoadModel(benchmark::State& state) {
  Wb_resetApp();
  const Scenario s = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const LoadRequest rq = requestOf(s);
  size_t bytes = 0;
  for (auto _ : state)
    if (!loadOnce(state, rq, &bytes)) break;
  state.SetLabel(kCases[state.range(0)]);
  state.counters["bytes"] = static_cast<double>(bytes);
  Wb_resetApp();
}

void BM_StandInRecalculation(benchmark::State& state) {
  Wb_resetApp();
  const Scenario s = build(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) Calc_recalculateFull(s.wb);
  state.SetLabel(kCases[state.range(0)]);
  Wb_resetApp();
}

void cases(benchmark::internal::Benchmark* b) {
  for (int n : {2000, 20000, 200000}) b->Args({0, n});
  for (int n : {3000, 30000}) b->Args({1, n});
  for (int n : {60, 200}) b->Args({2, n});
  b->Args({3, 1000});
  b->Unit(benchmark::kMillisecond)->Iterations(1);
}
BENCHMARK(BM_LoadModel)->Apply(cases);
BENCHMARK(BM_StandInRecalculation)->Apply(cases);

// ---- Cost of one operation in the derivative modes ----

// Variables in a1:a{n}, b1 = a1*a2 + a3*a4 + ... + a{n-1}*a{n}: n/2
// products and n/2 - 1 sums.
struct PairSource : A1Source {
  int n;
  explicit PairSource(int count) : n(count) {}
  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    if (c.column == 1) {
      Val_setNumber(value, 0.5 + c.row * 1e-3);
      return true;
    }
    std::string f = "=";
    for (int k = 1; k < n; k += 2) f += (k > 1 ? "+a" : "a") + std::to_string(k) + "*a" + std::to_string(k + 1);
    info->formula = Text_fromUtf8(f);
    return true;
  }
};

struct PairModel : SourceBench<PairSource> {
  bool ok = false;

  explicit PairModel(int n) : SourceBench(n) {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, static_cast<uint16_t>(n), 1}, kVarContinuous);
    Model_addFunction(functions, 1, 2, 1, kRelMinimise, 0.0);
    ProgBudget budget{};
    ok = compileModel() && Prog_compile(&program, uint64_t{1} << 32, &budget);
  }
};

int operationsOf(int n) { return n - 1; }

void reportPerOperation(benchmark::State& state, int n) {
  state.counters["per_op"] = benchmark::Counter(static_cast<double>(state.iterations()) * operationsOf(n),
                                                benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_GradientModeOperations(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  PairModel m(n);
  if (!m.ok) return state.SkipWithError("model did not compile");
  std::vector<double> gradient(static_cast<size_t>(n) + 1);
  double value = 0;
  for (auto _ : state) {
    if (!Eval_evalRealDeriv(&m.program, 0, true, &value, gradient.data(), false, false))
      return state.SkipWithError("gradient failed");
    benchmark::DoNotOptimize(gradient.data());
  }
  reportPerOperation(state, n);
}
BENCHMARK(BM_GradientModeOperations)->Arg(200);

// The same products and sums on dense gradients, each variable seeded as a
// unit vector where the formula reads it.
void BM_GradientHandLoop(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto size = static_cast<size_t>(n) + 1;
  std::vector<double> x(size), ga(size), gb(size), t(size), acc(size);
  for (int k = 1; k <= n; ++k) x[static_cast<size_t>(k)] = 0.5 + k * 1e-3;
  for (auto _ : state) {
    double value = 0;
    for (int k = 1; k < n; k += 2) {
      std::fill(ga.begin(), ga.end(), 0.0);
      std::fill(gb.begin(), gb.end(), 0.0);
      ga[static_cast<size_t>(k)] = gb[static_cast<size_t>(k) + 1] = 1.0;
      const double a = x[static_cast<size_t>(k)], b = x[static_cast<size_t>(k) + 1];
      for (size_t i = 1; i < size; ++i) t[i] = a * gb[i] + b * ga[i];
      if (k == 1) {
        acc = t;
      } else {
        for (size_t i = 1; i < size; ++i) acc[i] = acc[i] + t[i];
      }
      value += a * b;
    }
    benchmark::DoNotOptimize(acc.data());
    benchmark::DoNotOptimize(value);
  }
  reportPerOperation(state, n);
}
BENCHMARK(BM_GradientHandLoop)->Arg(200);

void BM_HessianModeOperations(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  PairModel m(n);
  if (!m.ok) return state.SkipWithError("model did not compile");
  const auto size = static_cast<size_t>(n) + 1;
  std::vector<double> gradient(size), storage(size * size);
  std::vector<double*> rows(size);
  for (size_t i = 0; i < size; ++i) rows[i] = storage.data() + i * size;
  double value = 0;
  for (auto _ : state) {
    if (!Eval_evalHess(&m.program, 0, true, &value, gradient.data(), rows.data(), false, false))
      return state.SkipWithError("Hessian failed");
    benchmark::DoNotOptimize(storage.data());
  }
  reportPerOperation(state, n);
}
BENCHMARK(BM_HessianModeOperations)->Arg(50);

// Products and sums of values with dense gradients and Hessians.
void BM_HessianHandLoop(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const auto size = static_cast<size_t>(n) + 1;
  std::vector<double> x(size), ga(size), gb(size), g(size), gacc(size);
  std::vector<double> ha(size * size), hb(size * size), h(size * size), hacc(size * size);
  for (int k = 1; k <= n; ++k) x[static_cast<size_t>(k)] = 0.5 + k * 1e-3;
  for (auto _ : state) {
    for (int k = 1; k < n; k += 2) {
      std::fill(ga.begin(), ga.end(), 0.0);
      std::fill(gb.begin(), gb.end(), 0.0);
      std::fill(ha.begin(), ha.end(), 0.0);
      std::fill(hb.begin(), hb.end(), 0.0);
      ga[static_cast<size_t>(k)] = gb[static_cast<size_t>(k) + 1] = 1.0;
      const double a = x[static_cast<size_t>(k)], b = x[static_cast<size_t>(k) + 1];
      for (size_t i = 1; i < size; ++i) {
        g[i] = a * gb[i] + b * ga[i];
        for (size_t j = 1; j < size; ++j)
          h[i * size + j] = a * hb[i * size + j] + b * ha[i * size + j] + ga[i] * gb[j] + gb[i] * ga[j];
      }
      if (k == 1) {
        gacc = g;
        hacc = h;
      } else {
        for (size_t i = 1; i < size; ++i) gacc[i] += g[i];
        for (size_t i = 0; i < h.size(); ++i) hacc[i] += h[i];
      }
    }
    benchmark::DoNotOptimize(hacc.data());
  }
  reportPerOperation(state, n);
}
BENCHMARK(BM_HessianHandLoop)->Arg(50);

}  // namespace
