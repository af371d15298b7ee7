// The dense tableau simplex: small LPs worked by hand, its refusals and
// tie-breaking, a degenerate equality that must not be broken in phase 2, and
// random small LPs checked against the LP engine (optimal value, infeasible,
// unbounded) with every optimal point checked against its rows.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "numerics/Dense_Tableau.h"
#include "tests/support/LpFakeHost.h"

namespace {

enum Rel { Le, Ge, Eq };

struct SmallLp {
  int n = 0;
  std::vector<double> c;               // maximise c.x over x >= 0
  std::vector<std::vector<double>> a;  // rows
  std::vector<double> b;               // right-hand sides, >= 0
  std::vector<Rel> rel;
};

struct TableauResult {
  bool accepted = false;
  int caseCode = 99;
  double objective = 0;
  std::vector<double> x;
};

// Solves the LP with the tableau simplex, rows ordered <=, >=, =.
TableauResult tableauSolve(const SmallLp& lp, bool phase2 = true) {
  std::vector<int> order;
  for (Rel want : {Le, Ge, Eq})
    for (std::size_t i = 0; i < lp.rel.size(); ++i)
      if (lp.rel[i] == want) order.push_back(static_cast<int>(i));
  int counts[3] = {0, 0, 0};
  for (Rel r : lp.rel) ++counts[r];
  const int m = static_cast<int>(order.size());
  DenseTableau t = Dense_tableauMake(m, lp.n);
  for (int j = 0; j < lp.n; ++j) Dense_tableauAt(t, 0, j + 1) = lp.c[j];
  for (int i = 0; i < m; ++i) {
    Dense_tableauAt(t, i + 1, 0) = lp.b[order[i]];
    for (int j = 0; j < lp.n; ++j) Dense_tableauAt(t, i + 1, j + 1) = -lp.a[order[i]][j];
  }
  TableauResult r;
  std::vector<int> columnVars, rowVars;
  r.accepted =
      Dense_tableauSimplex(t, lp.n, counts[Le], counts[Ge], counts[Eq], &r.caseCode, columnVars, rowVars, phase2);
  r.objective = Dense_tableauAt(t, 0, 0);
  r.x.assign(lp.n, 0.0);
  for (int i = 1; i <= m && r.accepted; ++i)
    if (rowVars[i] <= lp.n) r.x[rowVars[i] - 1] = Dense_tableauAt(t, i, 0);
  return r;
}

// Every row and sign holds at x within `tol`, and c.x is the objective.
void expectFeasible(const SmallLp& lp, const TableauResult& r, double tol) {
  double cx = 0;
  for (int j = 0; j < lp.n; ++j) {
    EXPECT_GE(r.x[j], -tol);
    cx += lp.c[j] * r.x[j];
  }
  EXPECT_NEAR(cx, r.objective, tol);
  for (std::size_t i = 0; i < lp.b.size(); ++i) {
    double ax = 0;
    for (int j = 0; j < lp.n; ++j) ax += lp.a[i][j] * r.x[j];
    if (lp.rel[i] != Ge) {
      EXPECT_LE(ax, lp.b[i] + tol) << "row " << i;
    }
    if (lp.rel[i] != Le) {
      EXPECT_GE(ax, lp.b[i] - tol) << "row " << i;
    }
  }
}

TEST(TableauSimplex, SolvesLpsWorkedByHand) {
  struct Case {
    const char* what;
    SmallLp lp;
    int caseCode;
    double optimum;
  };
  const std::vector<Case> cases = {
      {"only <= rows", {2, {1, 1}, {{1, 2}, {3, 1}}, {4, 6}, {Le, Le}}, DenseSimplexOptimal, 2.8},
      {"all three kinds", {2, {2, 1}, {{1, 1}, {1, 0}, {1, 0}}, {3, 1, 2.5}, {Eq, Ge, Le}}, DenseSimplexOptimal, 5.5},
      {"x + y <= 1 and >= 2", {2, {1, 1}, {{1, 1}, {1, 1}}, {1, 2}, {Le, Ge}}, DenseSimplexInfeasible, 0},
      {"x - y <= 1 leaves x free", {2, {1, 0}, {{1, -1}}, {1}, {Le}}, DenseSimplexUnbounded, 0},
      // x = y and y >= x cancel in the phase-1 row, leaving the equality's
      // artificial basic at zero; it must leave the basis so that y cannot
      // grow past x <= 5 in phase 2.
      {"degenerate equality", {2, {0, 1}, {{1, 0}, {-1, 1}, {1, -1}}, {5, 0, 0}, {Le, Ge, Eq}}, DenseSimplexOptimal, 5},
      {"right-hand side 0", {2, {-1, -1}, {{1, 1}}, {0}, {Ge}}, DenseSimplexOptimal, 0},
  };
  for (const Case& c : cases) {
    const TableauResult r = tableauSolve(c.lp);
    ASSERT_TRUE(r.accepted) << c.what;
    EXPECT_EQ(r.caseCode, c.caseCode) << c.what;
    if (c.caseCode != DenseSimplexOptimal) continue;
    EXPECT_NEAR(r.objective, c.optimum, 1e-9) << c.what;
    expectFeasible(c.lp, r, 1e-9);
  }
}

TEST(TableauSimplex, RefusesNegativeRightHandSidesAndStopsAfterPhase1OnRequest) {
  DenseTableau t = Dense_tableauMake(1, 1);
  Dense_tableauAt(t, 0, 1) = 1, Dense_tableauAt(t, 1, 0) = -1e-12, Dense_tableauAt(t, 1, 1) = -1;
  const std::vector<double> before = t.cells;
  std::vector<int> cv, rv;
  int code = 42;
  EXPECT_FALSE(Dense_tableauSimplex(t, 1, 1, 0, 0, &code, cv, rv, true));
  EXPECT_EQ(code, 42);
  EXPECT_EQ(t.cells, before);

  const SmallLp feasible{2, {1, 1}, {{1, 1}}, {2}, {Ge}};
  EXPECT_EQ(tableauSolve(feasible, false).caseCode, 99);
  const SmallLp infeasible{1, {1}, {{1}, {1}}, {1, 2}, {Le, Eq}};
  EXPECT_EQ(tableauSolve(infeasible, false).caseCode, DenseSimplexInfeasible);
}

TEST(TableauSimplex, RatioTiesAreBrokenOnTheFollowingColumns) {
  // Rows 1 and 2 tie at ratio 2 in column 1; column 2 then gives -1/2 for
  // row 1 and -3/2 for row 2, so row 2 wins. Rows 3 and 4 are equal and
  // the earlier one is kept.
  DenseTableau t = Dense_tableauMake(4, 2);
  const double rows[5][3] = {{0, 0, 0}, {2, -1, -0.5}, {4, -2, -3}, {1, -1, 0}, {1, -1, 0}};
  for (int i = 1; i <= 4; ++i)
    for (int c = 0; c <= 2; ++c) Dense_tableauAt(t, i, c) = rows[i][c];
  int row = -1;
  double ratio = 0;
  const int firstTwo[] = {1, 2}, lastTwo[] = {3, 4};
  Dense_simplexRatioTest(t, 2, firstTwo, 2, &row, 1, &ratio);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(ratio, 2.0);
  Dense_simplexRatioTest(t, 2, lastTwo, 2, &row, 1, &ratio);
  EXPECT_EQ(row, 3);
  Dense_simplexRatioTest(t, 2, lastTwo, 2, &row, 2, &ratio);
  EXPECT_EQ(row, 0);
}

// A random LP with small integer data: up to 4 variables and 5 rows.
SmallLp randomLp(std::mt19937& rng) {
  std::uniform_int_distribution<int> coef(-3, 3), rhs(0, 8), size(1, 4), rows(1, 5), rel(0, 2);
  SmallLp lp;
  lp.n = size(rng);
  for (int j = 0; j < lp.n; ++j) lp.c.push_back(coef(rng));
  const int m = rows(rng);
  for (int i = 0; i < m; ++i) {
    std::vector<double> row;
    for (int j = 0; j < lp.n; ++j) row.push_back(coef(rng));
    lp.a.push_back(row);
    lp.b.push_back(rhs(rng));
    lp.rel.push_back(static_cast<Rel>(rel(rng)));
  }
  return lp;
}

LpFakeModel lpEngineModel(const SmallLp& lp) {
  LpFakeModel m;
  LpFake_box(m, std::vector<double>(lp.n, 0.0), std::vector<double>(lp.n, 1e30));
  for (std::size_t i = 0; i < lp.b.size(); ++i) {
    std::vector<std::pair<int, double>> terms;
    for (int j = 0; j < lp.n; ++j)
      if (lp.a[i][j] != 0) terms.emplace_back(j, lp.a[i][j]);
    m.rows.push_back(LpFake_row(terms, lp.rel[i] == Le ? -1e30 : lp.b[i], lp.rel[i] == Ge ? 1e30 : lp.b[i]));
  }
  for (int j = 0; j < lp.n; ++j)
    if (lp.c[j] != 0) m.objective.terms.emplace_back(j, lp.c[j]);
  m.maximise = true;
  return m;
}

TEST(TableauSimplex, AgreesWithTheLpEngineOnRandomSmallLps) {
  std::mt19937 rng(20261207);
  int seen[3] = {0, 0, 0};
  for (int k = 0; k < 20000; ++k) {
    const SmallLp lp = randomLp(rng);
    const TableauResult r = tableauSolve(lp);
    ASSERT_TRUE(r.accepted);
    LpFakeModel model = lpEngineModel(lp);
    const LpFakeRun engine = LpFake_run(model);
    SCOPED_TRACE(k);
    switch (r.caseCode) {
      case DenseSimplexOptimal:
        EXPECT_EQ(engine.status, StatusSolved);
        EXPECT_NEAR(r.objective, engine.objective, 1e-7 * (1 + std::fabs(engine.objective)));
        expectFeasible(lp, r, 1e-7);
        break;
      case DenseSimplexInfeasible: EXPECT_EQ(engine.status, StatusInfeasible); break;
      case DenseSimplexUnbounded: EXPECT_EQ(engine.status, StatusUnbounded); break;
      default: ADD_FAILURE() << "case " << r.caseCode;
    }
    ++seen[r.caseCode + 1];
  }
  for (int outcome : seen) EXPECT_GT(outcome, 20);
}

}  // namespace
