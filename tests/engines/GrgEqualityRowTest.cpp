// The GRG engine on models whose rows must hold with equality, started off
// the row: the phase-1 step must stop on the row rather than step over it,
// at every scale of the right-hand side, by forward differences, the
// analytic Jacobian and conjugate-gradient directions. Optima come from the
// closed form of one-row models and from the vertices of small equality LPs.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "tests/engines/GrgSquareSystem.h"
#include "tests/support/GrgFunctionHost.h"

namespace {

constexpr double Inf = kBoundInfinity;
constexpr double kPrecision = 1e-6;
constexpr double kConvergence = 1e-4;
constexpr double kObjectiveTol = 1e-4;  // times 1 + |optimum|

bool solved(int status) { return status == 0 || status == 1 || status == 2; }

// The ways of running one model: forward differences, conjugate gradients,
// the analytic Jacobian.
enum class RunKind { Forward, ConjugateGradients, Analytic };

// min sum c_j x_j (or sum c_j x_j^2) over x >= 0 subject to sum x = b (or >= b).
struct RowModel {
  std::vector<double> c, x0;
  bool quadratic = false, equality = true;
  double b = 1.0;

  // With c > 0 the cheapest variable takes all of b (linear), or x_j is
  // proportional to 1/c_j (quadratic).
  double optimum() const {
    if (!quadratic) return b * *std::min_element(c.begin(), c.end());
    double s = 0.0;
    for (double cj : c) s += 1.0 / cj;
    return b * b / s;
  }

  GrgFunctionModel build(RunKind run) const {
    int n = static_cast<int>(c.size());
    auto rows = [*this, n](const double* x, double* r) {
      double sum = 0.0, f = 0.0;
      for (int j = 0; j < n; ++j) {
        sum += x[j];
        f += quadratic ? c[j] * x[j] * x[j] : c[j] * x[j];
      }
      r[0] = sum;
      r[1] = f;
      return true;
    };
    GrgFunctionModel m = GrgFn_model(x0, std::vector<double>(n, 0.0), std::vector<double>(n, Inf), {b, -Inf},
                                     {equality ? b : Inf, Inf}, rows);
    m.pre = kPrecision;
    m.cvg = kConvergence;
    if (run == RunKind::ConjugateGradients) m.flags = OptFlagNwt;
    if (run == RunKind::Analytic) {
      m.flags = OptFlagDrfOther;
      m.jacobian = [*this](const double* x, int row, int col) {
        if (row == 0) return 1.0;
        return quadratic ? 2 * c[col] * x[col] : c[col];
      };
    }
    return m;
  }
};

const char* runName(RunKind run) {
  return run == RunKind::Forward ? "forward" : run == RunKind::ConjugateGradients ? "nwt=2" : "analytic";
}

void expectOptimum(const RowModel& model, RunKind run) {
  GrgFunctionModel m = model.build(run);
  std::vector<double> x;
  GrgProblem p = GrgFn_run(m, &x);
  double want = model.optimum(), sum = 0.0;
  for (double v : x) sum += v;
  EXPECT_TRUE(solved(p.status)) << runName(run) << ": status " << p.status;
  EXPECT_NEAR(p.objective, want, kObjectiveTol * (1 + std::fabs(want))) << runName(run);
  if (model.equality) {
    EXPECT_NEAR(sum, model.b, kPrecision) << runName(run);
  }
}

// A uniform number in [0, 1) from the generator's own output, the same on
// every standard library.
double unit(std::mt19937& rng) { return rng() / 4294967296.0; }

}  // namespace

// One row sum x = b or >= b over 1 to 5 variables, a linear or separable
// quadratic objective, b from 0.01 to 1e6, starts at 0, at 1 and at random.
TEST(GrgEqualityRows, OneRowModelsReachTheOptimumAtEveryScale) {
  const double kRightHandSides[] = {0.01, 0.1, 1, 3, 10, 387, 1000, 1500, 2000, 5000, 12345, 1e5, 1e6};
  std::mt19937 rng(7);
  for (int n = 1; n <= 5; ++n)
    for (bool quadratic : {false, true})
      for (bool equality : {true, false})
        for (double b : kRightHandSides)
          for (int start = 0; start < 3; ++start) {
            RowModel model{{}, {}, quadratic, equality, b};
            for (int j = 0; j < n; ++j) {
              model.c.push_back(0.1 + 0.9 * unit(rng));
              model.x0.push_back(start == 0 ? 0.0 : start == 1 ? 1.0 : 10 * unit(rng));
            }
            SCOPED_TRACE("n " + std::to_string(n) + (quadratic ? " quadratic" : " linear") + (equality ? " =" : " >=") +
                         " b " + std::to_string(b) + " start " + std::to_string(start));
            for (RunKind run : {RunKind::Forward, RunKind::ConjugateGradients, RunKind::Analytic})
              expectOptimum(model, run);
          }
}

namespace {

// min c x subject to A x = b, 0 <= x <= ub, with b = A x* for a random x*
// in the box, so that the model is feasible.
struct EqualityLp {
  int n = 0, rows = 0;
  double ub = 1.0;
  std::vector<std::vector<double>> a;
  std::vector<double> b, c, x0;
};

EqualityLp randomLp(std::mt19937& rng) {
  const double kBoxes[] = {1, 10, 100, 1000};
  EqualityLp lp;
  lp.n = 2 + static_cast<int>(rng() % 5);
  lp.rows = 1 + static_cast<int>(rng() % std::min(3u, static_cast<unsigned>(lp.n - 1)));
  lp.ub = kBoxes[rng() % 4];
  lp.a.assign(lp.rows, std::vector<double>(lp.n));
  for (auto& row : lp.a)
    for (double& v : row) v = static_cast<double>(static_cast<int>(rng() % 7) - 2);
  std::vector<double> feasible(lp.n);
  for (double& v : feasible) v = rng() % 3 == 0 ? 0.0 : lp.ub * unit(rng);
  for (const auto& row : lp.a) {
    double s = 0.0;
    for (int j = 0; j < lp.n; ++j) s += row[j] * feasible[j];
    lp.b.push_back(s);
  }
  for (int j = 0; j < lp.n; ++j) lp.c.push_back(static_cast<double>(static_cast<int>(rng() % 11) - 5));
  int start = static_cast<int>(rng() % 3);
  for (int j = 0; j < lp.n; ++j) lp.x0.push_back(start == 0 ? 0.0 : start == 1 ? 1.0 : lp.ub * unit(rng));
  return lp;
}

// The objective at one basis (the columns in `mask` basic, the others at
// the bound `side` picks); false when that vertex is singular or infeasible.
bool vertexObjective(const EqualityLp& lp, std::uint32_t mask, std::uint32_t side, double* f) {
  std::vector<double> x(lp.n, 0.0);
  std::vector<int> basic;
  for (int j = 0, q = 0; j < lp.n; ++j) {
    if (mask >> j & 1) basic.push_back(j);
    else x[j] = (side >> q++ & 1) ? lp.ub : 0.0;
  }
  std::vector<std::vector<double>> square(lp.rows, std::vector<double>(lp.rows));
  std::vector<double> rhs = lp.b;
  for (int i = 0; i < lp.rows; ++i) {
    for (int j = 0; j < lp.n; ++j) rhs[i] -= lp.a[i][j] * x[j];
    for (int k = 0; k < lp.rows; ++k) square[i][k] = lp.a[i][basic[k]];
  }
  if (!GrgTest_solveSquare(square, rhs)) return false;
  for (int k = 0; k < lp.rows; ++k) {
    if (rhs[k] < -1e-9 || rhs[k] > lp.ub + 1e-9) return false;
    x[basic[k]] = rhs[k];
  }
  *f = 0.0;
  for (int j = 0; j < lp.n; ++j) *f += lp.c[j] * x[j];
  return true;
}

// The optimum by enumerating every vertex of the box and the rows.
double vertexOptimum(const EqualityLp& lp) {
  double best = Inf;
  for (std::uint32_t mask = 0; mask < (1u << lp.n); ++mask) {
    if (std::popcount(mask) != lp.rows) continue;
    for (std::uint32_t side = 0; side < (1u << (lp.n - lp.rows)); ++side) {
      double f;
      if (vertexObjective(lp, mask, side, &f)) best = std::min(best, f);
    }
  }
  return best;
}

GrgFunctionModel lpModel(const EqualityLp& lp, RunKind run) {
  auto rows = [lp](const double* x, double* r) {
    for (int i = 0; i <= lp.rows; ++i) {
      const std::vector<double>& coef = i < lp.rows ? lp.a[i] : lp.c;
      r[i] = 0.0;
      for (int j = 0; j < lp.n; ++j) r[i] += coef[j] * x[j];
    }
    return true;
  };
  std::vector<double> lower = lp.b, upper = lp.b;
  lower.push_back(-Inf);
  upper.push_back(Inf);
  GrgFunctionModel m =
      GrgFn_model(lp.x0, std::vector<double>(lp.n, 0.0), std::vector<double>(lp.n, lp.ub), lower, upper, rows);
  m.pre = kPrecision;
  m.cvg = kConvergence;
  if (run == RunKind::ConjugateGradients) m.flags = OptFlagNwt;
  if (run == RunKind::Analytic) {
    m.flags = OptFlagDrfOther;
    m.jacobian = [lp](const double*, int row, int col) { return row < lp.rows ? lp.a[row][col] : lp.c[col]; };
  }
  return m;
}

}  // namespace

// Small LPs with one to three equality rows, feasible by construction: never
// "no feasible point", and the vertex optimum within a small fraction.
TEST(GrgEqualityRows, RandomEqualityLpsReachTheirVertexOptimum) {
  constexpr int kModels = 200;
  constexpr double kLpTol = 2e-3;  // times 1 + |optimum|: the optimality test's sqrt(pre) slack
  std::mt19937 rng(11);
  for (int k = 0; k < kModels; ++k) {
    EqualityLp lp;
    double want;
    do {  // rows that depend on each other have no vertex: drawn again
      lp = randomLp(rng);
      want = vertexOptimum(lp);
    } while (want == Inf);
    SCOPED_TRACE("model " + std::to_string(k));
    for (RunKind run : {RunKind::Forward, RunKind::ConjugateGradients, RunKind::Analytic}) {
      GrgFunctionModel m = lpModel(lp, run);
      GrgProblem p = GrgFn_run(m);
      EXPECT_TRUE(solved(p.status)) << runName(run) << ": status " << p.status;
      EXPECT_NEAR(p.objective, want, kLpTol * (1 + std::fabs(want))) << runName(run);
    }
  }
}
