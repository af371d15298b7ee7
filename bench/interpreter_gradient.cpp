// The objective's gradient through the reverse tape against one plain
// evaluation of the same objective, on generated models of 100 to 1000
// variables: x in a1:a{n}, b{i} = b{i-1} + a{i}*a{i+1} + a{i}/(1+a{i}), the
// objective b{n}. The aim is a gradient at most five times a value.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "interpreter/Eval_Entries.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "tests/support/SheetSource.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"

namespace {

struct ChainSource : A1Source {
  int n;
  explicit ChainSource(int count) : n(count) {}
  bool readCell(const CellRef& c, Value* value, ReaderCell* info) override {
    const std::string i = std::to_string(c.row), next = std::to_string(c.row % n + 1);
    if (c.column == 1) Val_setNumber(value, 0.5 + c.row * 1e-3);
    else if (c.row == 1) info->formula = Text_fromUtf8("=a1*a2+a1/(1+a1)");
    else info->formula = Text_fromUtf8("=b" + std::to_string(c.row - 1) + "+a" + i + "*a" + next + "+a" + i + "/(1+a" + i + ")");
    return true;
  }
};

struct ChainModel : SourceBench<ChainSource> {
  bool ok = false;

  explicit ChainModel(int n) : SourceBench(n) {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, static_cast<uint16_t>(n), 1}, kVarContinuous);
    Model_addFunction(functions, 1, 2, static_cast<uint16_t>(n), kRelMinimise, 0.0);
    ProgBudget budget{};
    ok = compileModel() && Prog_compile(&program, uint64_t{1} << 32, &budget);
  }
};

void BM_ObjectiveValue(benchmark::State& state) {
  ChainModel m(static_cast<int>(state.range(0)));
  if (!m.ok)
    return state.SkipWithError(("model did not compile: status " + std::to_string(m.ctx->errors.firstError) + " row " +
                                std::to_string(m.ctx->errors.errorCell.row))
                                   .c_str());
  double value = 0;
  for (auto _ : state) {
    Eval_evalReal(&m.program, 0, true, &value, false);
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_ObjectiveValue)->Arg(100)->Arg(300)->Arg(1000);

void BM_ObjectiveReverseGradient(benchmark::State& state) {
  ChainModel m(static_cast<int>(state.range(0)));
  if (!m.ok)
    return state.SkipWithError(("model did not compile: status " + std::to_string(m.ctx->errors.firstError) + " row " +
                                std::to_string(m.ctx->errors.errorCell.row))
                                   .c_str());
  std::vector<double> gradient(static_cast<size_t>(state.range(0)));
  double value = 0;
  for (auto _ : state) {
    if (!Eval_evalRevGrad(&m.program, 0, true, &value, gradient.data(), true, false))
      return state.SkipWithError("gradient failed");
    benchmark::DoNotOptimize(gradient.data());
  }
}
BENCHMARK(BM_ObjectiveReverseGradient)->Arg(100)->Arg(300)->Arg(1000);

}  // namespace
