// Cost of a gradient by the reverse tape against one plain evaluation of the
// same expression, for generated expressions in 10 to 1000 variables. Both
// run the same instruction list (products, sums, quotients and elementary
// functions over every variable); the gradient run records the tape and
// sweeps it. The "ratio" counter is gradient time over plain time (aim: at
// most 5).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <random>
#include <vector>

#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "values/Model_Functions.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"

namespace {

// One instruction: register `out` = op(a, b) or op(a, s); registers 1..n hold
// the variables.
struct Instr {
  int32_t op;
  int32_t a;
  int32_t b;  // 0: the number s is the second operand
  double s;
};

// A sum over the variables of terms such as x_i * x_j, exp(0.1 x_i),
// sin(x_i) / (1 + x_j^2) and sqrt(1 + x_i^2), each instruction writing the
// next register.
std::vector<Instr> generate(int32_t n) {
  std::mt19937 rng(n);
  std::uniform_int_distribution<int32_t> pick(1, n);
  std::vector<Instr> code;
  int32_t next = n;
  int32_t sum = 0;
  auto emit = [&](int32_t op, int32_t a, int32_t b, double s) {
    code.push_back({op, a, b, s});
    return ++next;
  };
  for (int32_t i = 1; i <= n; ++i) {
    const int32_t j = pick(rng);
    int32_t term;
    switch (i % 4) {
      case 0: term = emit(kOpMul, i, j, 0); break;
      case 1: term = emit(kOpExp, emit(kOpMul, i, 0, 0.1), 0, 0); break;
      case 2: term = emit(kOpDiv, emit(kOpSin, i, 0, 0), emit(kOpAdd, emit(kOpSquare, j, 0, 0), 0, 1.0), 0); break;
      default: term = emit(kOpSqrt, emit(kOpAdd, emit(kOpSquare, i, 0, 0), 0, 1.0), 0, 0); break;
    }
    sum = sum ? emit(kOpAdd, sum, term, 0) : term;
  }
  return code;
}

double plainOp(const Instr& in, const double* r) {
  const double a = r[in.a], b = in.b ? r[in.b] : in.s;
  switch (in.op) {
    case kOpAdd: return a + b;
    case kOpMul: return a * b;
    case kOpDiv: return a / b;
    case kOpExp: return std::exp(a);
    case kOpSin: return std::sin(a);
    case kOpSquare: return a * a;
    default: return std::sqrt(a);
  }
}

RevNode revOp(const Instr& in, const RevNode* r) {
  const RevNode* a = &r[in.a];
  switch (in.op) {
    case kOpAdd: return in.b ? Rev_add(a, &r[in.b]) : Rev_addVS(a, in.s);
    case kOpMul: return in.b ? Rev_mul(a, &r[in.b]) : Rev_mulVS(a, in.s);
    case kOpDiv: return Rev_div(a, &r[in.b]);
    case kOpExp: return Rev_exp(a);
    case kOpSin: return Rev_sin(a);
    case kOpSquare: return Rev_sqr(a);
    default: return Rev_sqrt(a);
  }
}

struct Problem {
  int32_t n;
  std::vector<Instr> code;
  std::vector<double> plain;
  std::vector<RevNode> nodes;
  std::vector<double> gradient;
  EvalContext* ctx;
  FunctionTable table;
  explicit Problem(int32_t vars) : n(vars), code(generate(vars)), ctx(Vm_createContext()) {
    const size_t registers = static_cast<size_t>(n) + code.size() + 1;
    plain.assign(registers, 0.0);
    nodes.assign(registers, RevNode{});
    gradient.assign(static_cast<size_t>(n) + 1, 0.0);
    table.maxCellTape = static_cast<int32_t>(code.size());
    ctx->tables.functions = &table;
    Tape_prepareReverse<RevScalar>(ctx);
    for (int32_t i = 1; i <= n; ++i) plain[i] = 0.5 + 0.001 * i;
  }
  ~Problem() {
    ctx->tables.functions = nullptr;
    Vm_destroyContext(ctx);
  }
  double value() {
    for (size_t k = 0; k < code.size(); ++k) plain[n + 1 + k] = plainOp(code[k], plain.data());
    return plain.back();
  }
  double valueAndGradient() {
    ctx->buffers.tapeCount = 0;
    for (int32_t i = 1; i <= n; ++i) nodes[i] = RevNode{plain[i], 0.0, 0.0, 0, 0, -i, ctx};
    for (size_t k = 0; k < code.size(); ++k) nodes[n + 1 + k] = revOp(code[k], nodes.data());
    const RevNode result = nodes.back();
    std::fill(gradient.begin(), gradient.end(), 0.0);
    Tape_reverseSweep<RevScalar>(gradient.data(), false, false, result.self, &ctx->buffers);
    return result.value;
  }
};

template <class F>
double secondsPerRun(F f) {
  const auto start = std::chrono::steady_clock::now();
  int runs = 0;
  double sink = 0;
  do {
    sink += f();
    ++runs;
  } while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(50));
  benchmark::DoNotOptimize(sink);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
}

void BM_PlainValue(benchmark::State& state) {
  Problem p(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(p.value());
}

void BM_ReverseGradient(benchmark::State& state) {
  Problem p(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(p.valueAndGradient());
  state.counters["ratio"] = secondsPerRun([&] { return p.valueAndGradient(); }) / secondsPerRun([&] { return p.value(); });
}

BENCHMARK(BM_PlainValue)->Arg(10)->Arg(100)->Arg(1000);
BENCHMARK(BM_ReverseGradient)->Arg(10)->Arg(100)->Arg(1000);

}  // namespace
