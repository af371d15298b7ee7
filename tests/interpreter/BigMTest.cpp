// Big-M linearisation: the helper rows admit the helpers exactly when they
// equal the construct's value at sampled points, and small models written
// with ABS, MAX, MIN, IF, AND and comparisons, linearised and solved by the
// LP engine with branch and bound, reach the optimum that enumerating the
// original model over its integer points gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "ModelBench.h"
#include "interpreter/Eval_Entries.h"
#include "tests/support/LpIntegerKit.h"
#include "values/Model_Variables.h"

namespace {

// Variables a1, b1 (integer) and c1, d1 (binary) in boxes; problem
// functions in row 2, linearised.
struct Linearised : ModelBench {
  Linearised(const std::vector<std::string>& formulas, const std::vector<int32_t>& relations,
             const std::vector<double>& rhs, Interval box)
      : ModelBench(formulas, relations, rhs, {box, box, {0.0, 1.0}, {0.0, 1.0}},
                   {kVarInteger, kVarInteger, kVarBinary, kVarBinary}, kReaderBigM) {}
  // Value of function i less its right-hand side at x (0-based, every variable).
  double value(int32_t i, const std::vector<double>& x) {
    for (int32_t j = 1; j <= n(); ++j) var(j)->value = Interval{x[j - 1], x[j - 1]};
    double v = 0;
    EXPECT_TRUE(Eval_evalReal(&program, i, true, &v, true)) << int(ctx->errors.firstError);
    return v;
  }
  bool rowsHold(const std::vector<double>& x) {
    for (int32_t i = 0; i < static_cast<int32_t>(functions->array.size()); ++i) {
      const ModelItem* item = functions->array[i];
      if (!item->generated) continue;
      const double g = value(i, x);
      const double tol = 1e-9 * (1 + std::fabs(g));
      if ((item->relation == kRelEqual && std::fabs(g) > tol) || (item->relation == kRelLessEqual2 && g > tol) ||
          (item->relation == kRelGreaterEqual2 && g < -tol))
        return false;
    }
    return true;
  }
  int32_t rows() {
    return static_cast<int32_t>(std::count_if(functions->array.begin(), functions->array.end(),
                                              [](const ModelItem* it) { return it->generated; }));
  }
};

TEST(BigM, RewritesWhatDependsOnTheVariables) {
  struct Case {
    const char* formula;
    int32_t helpers, rows;
  };
  const Case cases[] = {{"=ABS(a1)", 2, 6},    {"=ABS(5)", 0, 0},     {"=IF(c1,a1,0)", 1, 4},
                        {"=AND(c1,d1,c1)", 2, 6}, {"=MAX(a1,b1)", 2, 4},
                        {"=MAX(3,4)", 0, 0},   {"=a1>=b1+1", 1, 2},   {"=c1*(a1+1)", 1, 4},
                        {"=NOT(c1)", 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    Linearised m({c.formula}, {kRelFree2}, {0}, {-3, 3});
    ASSERT_TRUE(m.ok) << int(m.ctx->errors.firstError);
    EXPECT_EQ(m.n() - 4, c.helpers);
    EXPECT_EQ(m.rows(), c.rows);
  }
}

// For sampled points, the rows hold for some setting of the binary helpers
// exactly when the result helper equals the construct's value.
TEST(BigM, RowsAdmitExactlyTheConstructsValue) {
  using Truth = std::function<double(double a, double b, double c, double d)>;
  struct Case {
    const char* formula;
    Truth truth;
  };
  const Case cases[] = {
      {"=ABS(a1-0.3)", [](double a, double, double, double) { return std::fabs(a - 0.3); }},
      {"=MAX(a1,2*b1)", [](double a, double b, double, double) { return std::max(a, 2 * b); }},
      {"=MIN(a1,0.5)", [](double a, double, double, double) { return std::min(a, 0.5); }},
      {"=IF(c1,a1,b1-1)", [](double a, double b, double c, double) { return c ? a : b - 1; }},
      {"=IF(d1,a1/10,10*b1)", [](double a, double b, double, double d) { return d ? a / 10 : 10 * b; }},
      {"=MIN(10*b1,a1)", [](double a, double b, double, double) { return std::min(10 * b, a); }},
      {"=d1*(a1+b1)", [](double a, double b, double, double d) { return d * (a + b); }},
      {"=AND(c1,d1)", [](double, double, double c, double d) { return c && d ? 1.0 : 0.0; }},
      {"=OR(c1,d1)", [](double, double, double c, double d) { return c || d ? 1.0 : 0.0; }},
      {"=NOT(d1)", [](double, double, double, double d) { return d ? 0.0 : 1.0; }},
      {"=a1<=b1", [](double a, double b, double, double) { return a <= b ? 1.0 : 0.0; }},
      {"=a1+1>b1", [](double a, double b, double, double) { return a + 1 > b ? 1.0 : 0.0; }},
  };
  std::mt19937 rng(11);
  std::uniform_real_distribution<double> point(-3.0, 3.0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    Linearised m({c.formula}, {kRelFree2}, {0}, {-3, 3});
    ASSERT_TRUE(m.ok) << int(m.ctx->errors.firstError);
    const int32_t n = m.n();
    const int32_t result = n;  // the construct's result is the last helper made
    std::vector<int32_t> binaries;
    for (int32_t j = 5; j < n; ++j)
      if (m.var(j)->type == kVarBinary) binaries.push_back(j);
    const bool binaryResult = m.var(result)->type == kVarBinary;
    for (int s = 0; s < 12; ++s) {
      std::vector<double> x(static_cast<size_t>(n), 0.0);
      x[0] = point(rng), x[1] = point(rng), x[2] = s % 2, x[3] = (s / 2) % 2;
      const double truth = c.truth(x[0], x[1], x[2], x[3]);
      const std::vector<double> candidates =
          binaryResult ? std::vector<double>{0.0, 1.0} : std::vector<double>{truth, truth + 0.25, truth - 0.25, truth + 1e-3};
      for (double y : candidates) {
        x[static_cast<size_t>(result) - 1] = y;
        bool admitted = false;
        for (uint32_t bits = 0; bits < (1u << binaries.size()) && !admitted; ++bits) {
          for (size_t k = 0; k < binaries.size(); ++k) x[static_cast<size_t>(binaries[k]) - 1] = (bits >> k) & 1u;
          admitted = m.rowsHold(x);
        }
        EXPECT_EQ(admitted, y == truth) << "a=" << x[0] << " b=" << x[1] << " c=" << x[2] << " d=" << x[3]
                                        << " y=" << y << " truth=" << truth;
      }
    }
  }
}

// The linearised model as the LP engine sees it: every function is linear,
// read off as its value at 0 and its gradient.
LpIntModel linearModel(Linearised& m) {
  LpIntModel lp;
  const int32_t n = m.n();
  std::vector<double> lower, upper;
  for (int32_t j = 1; j <= n; ++j) {
    const VarRecord* v = m.var(j);
    lower.push_back(v->bounds.lo);
    upper.push_back(v->bounds.hi);
    lp.flags.push_back(v->type == kVarBinary ? 2 : v->type == kVarInteger ? 1 : 0);
  }
  LpFake_box(lp, lower, upper);
  for (std::int32_t f : lp.flags) lp.integers += f != 0 ? 1 : 0;
  std::vector<double> zero(static_cast<size_t>(n), 0.0), g(static_cast<size_t>(n));
  for (int32_t i = 0; i < static_cast<int32_t>(m.functions->array.size()); ++i) {
    const ModelItem* item = m.functions->array[i];
    m.value(i, zero);
    double v = 0;
    EXPECT_TRUE(Eval_evalRealDeriv(&m.program, i, true, &v, g.data(), true, true));
    LpFakeRow row;
    row.constant = v;
    for (int32_t j = 0; j < n; ++j)
      if (g[j] != 0.0) row.terms.push_back({j, g[j]});
    if (item->relation == kRelMinimise) {
      lp.objective = row;
      continue;
    }
    if (item->relation == kRelLessEqual2 || item->relation == kRelEqual) row.upper = 0.0;
    if (item->relation == kRelGreaterEqual2 || item->relation == kRelEqual) row.lower = 0.0;
    lp.rows.push_back(row);
  }
  return lp;
}

TEST(BigM, BranchAndBoundReachesTheEnumeratedOptimum) {
  using Objective = std::function<double(int a, int b, int c, int d)>;
  using Feasible = std::function<bool(int a, int b, int c, int d)>;
  struct Case {
    std::vector<std::string> formulas;  // constraints, then the objective (minimised)
    std::vector<int32_t> relations;
    std::vector<double> rhs;
    Objective objective;
    Feasible feasible;
  };
  const Case cases[] = {
      {{"=a1+b1", "=ABS(a1-2)+2*ABS(b1+1)"},
       {kRelGreaterEqual2, kRelMinimise},
       {3, 0},
       [](int a, int b, int, int) { return std::abs(a - 2) + 2.0 * std::abs(b + 1); },
       [](int a, int b, int, int) { return a + b >= 3; }},
      {{"=a1+b1", "=MAX(a1,b1,1)+MIN(a1-2*b1,1)"},
       {kRelGreaterEqual2, kRelMinimise},
       {1, 0},
       [](int a, int b, int, int) { return std::max({a, b, 1}) + std::min(a - 2.0 * b, 1.0); },
       [](int a, int b, int, int) { return a + b >= 1; }},
      {{"=a1-b1", "=IF(c1,a1,2-b1)+IF(a1>=1,b1,-b1)+3*c1"},
       {kRelLessEqual2, kRelMinimise},
       {2, 0},
       [](int a, int b, int c, int) { return (c ? a : 2.0 - b) + (a >= 1 ? b : -b) + 3.0 * c; },
       [](int a, int b, int, int) { return a - b <= 2; }},
      {{"=a1-c1-d1", "=3*AND(c1,d1)-2*c1-2*d1+a1-ABS(b1)"},
       {kRelGreaterEqual2, kRelMinimise},
       {0, 0},
       [](int a, int b, int c, int d) { return 3.0 * (c && d) - 2.0 * c - 2.0 * d + a - std::abs(b); },
       [](int a, int, int c, int d) { return a - c - d >= 0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formulas.back());
    double best = 1e30;
    for (int a = -3; a <= 3; ++a)
      for (int b = -3; b <= 3; ++b)
        for (int cc = 0; cc <= 1; ++cc)
          for (int d = 0; d <= 1; ++d)
            if (c.feasible(a, b, cc, d)) best = std::min(best, c.objective(a, b, cc, d));
    Linearised m(c.formulas, c.relations, c.rhs, {-3, 3});
    ASSERT_TRUE(m.ok) << int(m.ctx->errors.firstError);
    LpIntModel lp = linearModel(m);
    LpIntRun run(lp, ProblemBranch);
    ASSERT_EQ(run.setup, 1);
    LpIntSearch search{run, lp.flags};
    search.node(nullptr);
    ASSERT_FALSE(search.bestX.empty());
    EXPECT_NEAR(search.best, best, 1e-6);
  }
}

}  // namespace
