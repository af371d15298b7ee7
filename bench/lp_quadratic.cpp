// The LP/quadratic engine's quadratic path on portfolio models of growing
// size (a banded positive definite covariance, expected returns as the
// linear part, a budget row, no short sales), with the objective's gradient
// from the captured terms or by forward differences. Reports the model
// evaluations and the path's status.
#include <benchmark/benchmark.h>

#include "contract/Bound_Infinity.h"
#include "tests/support/LpQuadraticHost.h"

namespace {

LpQuadFake portfolioModel(int n) {
  LpQuadFake m;
  m.n = n;
  m.x0.assign(n, 0.0);
  m.lower.assign(n, 0.0);
  m.upper.assign(n, kBoundInfinity);
  m.q.assign(static_cast<std::size_t>(n) * n, 0.0);
  m.c.assign(n, 0.0);
  LpFakeRow budget;
  budget.lower = budget.upper = 1;
  for (int i = 0; i < n; ++i) {
    budget.terms.emplace_back(i, 1.0);
    m.q[i * n + i] = 1.0 + 0.1 * (i % 7);
    if (i + 1 < n) m.q[i * n + i + 1] = m.q[(i + 1) * n + i] = 0.3;
    m.c[i] = -0.05 * (i % 5);
  }
  m.rows = {budget};
  return m;
}

void solvePortfolio(benchmark::State& state, bool terms) {
  const int n = static_cast<int>(state.range(0));
  long evaluations = 0;
  int status = -1;
  for (auto _ : state) {
    LpQuadFake m = portfolioModel(n);
    m.termsDelivered = terms;
    status = LpQuad_run(m).status;
    evaluations = m.evaluations;
  }
  state.counters["evaluations"] = static_cast<double>(evaluations);
  state.counters["status"] = status;
}

void BM_PortfolioWithTerms(benchmark::State& state) { solvePortfolio(state, true); }
void BM_PortfolioByDifferences(benchmark::State& state) { solvePortfolio(state, false); }

}  // namespace

BENCHMARK(BM_PortfolioWithTerms)->Arg(10)->Arg(40)->Arg(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PortfolioByDifferences)->Arg(10)->Arg(40)->Unit(benchmark::kMillisecond);
