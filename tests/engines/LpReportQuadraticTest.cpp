// Multipliers and reduced gradients of quadratic solutions worked by hand:
// min (x - 2)^2 + (y - 2)^2 under x + y <= 2 and variations (a bound that
// holds x, redundant active rows, a stopped decomposition),
// and the report the engine hands back for a solved quadratic model.
#include <gtest/gtest.h>

#include "engines/lpqp/Lp_Engine.h"
#include "tests/engines/LpQuadraticHost.h"

namespace {

constexpr double inf = 1e30;

// Rows of two variables, 1-based, with their values at x.
struct SmallQp {
  LpMatrix a;
  std::vector<double> x, lower, upper, g, rowValue, rowLower, rowUpper;
  LpQuadraticPoint point() const {
    LpQuadraticPoint p;
    p.n = 2;
    p.m = a.rows - 1;
    p.rows = &a;
    p.x = x.data(), p.lower = lower.data(), p.upper = upper.data(), p.g = g.data();
    p.rowValue = rowValue.data(), p.rowLower = rowLower.data(), p.rowUpper = rowUpper.data();
    return p;
  }
};

// x at (x1, x2), gradient of (x - 2)^2 + (y - 2)^2, rows (a1, a2) <= or = sides.
SmallQp smallQp(double x1, double x2, const std::vector<std::vector<double>>& rows,
                const std::vector<double>& lo, const std::vector<double>& up) {
  SmallQp q;
  q.a.rows = static_cast<int>(rows.size()) + 1;
  q.a.cols = 3;
  q.a.a.assign(static_cast<std::size_t>(q.a.rows) * 3, 0.0);
  q.rowValue = q.rowLower = q.rowUpper = {0};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    double* r = q.a.row(static_cast<int>(i) + 1);
    r[1] = rows[i][0], r[2] = rows[i][1];
    q.rowValue.push_back(r[1] * x1 + r[2] * x2);
    q.rowLower.push_back(lo[i]);
    q.rowUpper.push_back(up[i]);
  }
  q.x = {0, x1, x2};
  q.lower = {0, 0, 0};
  q.upper = {0, inf, inf};
  q.g = {0, 2 * (x1 - 2), 2 * (x2 - 2)};
  return q;
}

// The multipliers (rows from 1) and reduced gradients at the point.
void expectDuals(const LpQuadraticPoint& p, const std::vector<double>& multipliers,
                 const std::vector<double>& reducedGradients) {
  std::vector<double> lambda, reduced;
  Lp_quadraticDuals(p, lambda, reduced);
  ASSERT_EQ(lambda.size(), multipliers.size());
  ASSERT_EQ(reduced.size(), reducedGradients.size());
  for (std::size_t i = 0; i < lambda.size(); ++i) EXPECT_NEAR(lambda[i], multipliers[i], 1e-12) << i;
  for (std::size_t j = 0; j < reduced.size(); ++j)
    EXPECT_NEAR(reduced[j], reducedGradients[j], 1e-12) << j;
}

}  // namespace

TEST(LpReportQuadratic, OneActiveRow) {
  // x = y = 1 on x + y = 2: g = (-2, -2) = lambda (1, 1), lambda = -2, the
  // rate of the optimum 2 (b/2 - 2)^2 in b.
  const SmallQp q = smallQp(1, 1, {{1, 1}}, {-inf}, {2});
  expectDuals(q.point(), {0, -2}, {0, 0, 0});
}

TEST(LpReportQuadratic, VariableHeldByItsBound) {
  // x <= 0.5 holds x; y = 1.5 is free: lambda = g_y = -1, and x keeps
  // -3 - (-1) = -2 as the price of its bound.
  SmallQp q = smallQp(0.5, 1.5, {{1, 1}}, {-inf}, {2});
  q.upper[1] = 0.5;
  expectDuals(q.point(), {0, -1}, {0, -2, 0});
}

TEST(LpReportQuadratic, MoreActiveRowsThanFreeVariables) {
  // x + y <= 2, x - y = 0 and 2x + 2y <= 4 all hold at (1, 1): lambda2 = 0
  // and lambda1 + 2 lambda3 = -2; the least-norm choice is (-0.4, 0, -0.8).
  const SmallQp q = smallQp(1, 1, {{1, 1}, {1, -1}, {2, 2}}, {-inf, 0, -inf}, {2, 0, 4});
  expectDuals(q.point(), {0, -0.4, 0, -0.8}, {0, 0, 0});
}

TEST(LpReportQuadratic, StoppedDecompositionLeavesNoMultiplier) {
  // A stop request during the decomposition (more active rows than free
  // variables) leaves every multiplier 0.
  const SmallQp q = smallQp(1, 1, {{1, 1}, {1, -1}, {2, 2}}, {-inf, 0, -inf}, {2, 0, 4});
  LpQuadraticPoint p = q.point();
  p.poll = [](void*) { return 1; };
  expectDuals(p, {0, 0, 0, 0}, {0, -2, -2});
}

TEST(LpReportQuadratic, SolvedModelHandsBackItsMultipliers) {
  // The same model through the engine, its gradient from the captured
  // terms and, without them, by differences (after which the solution is
  // put back into the model).
  for (bool delivered : {true, false}) {
    LpQuadFake m;
    LpFake_box(m, {0, 0}, {inf, inf});
    m.rows = {LpFakeRow{{{0, 1}, {1, 1}}, 0, -inf, 2}};
    m.q = {1, 0, 0, 1};
    m.c = {-4, -4};
    m.c0 = 8;
    m.termsDelivered = delivered;
    EngineProblem problem{};
    problem.flags = ProblemReports;
    ASSERT_EQ(Lp_engineSetupWith(&problem, LpQuad_host(m)), 1);
    EXPECT_EQ(Lp_engineSolve(&problem), 1);
    EXPECT_EQ(problem.status, 0);
    Lp_engineFinish(&problem);
    ASSERT_EQ(m.reports.size(), 1u);
    const LpFakeReport& rep = m.reports[0];
    EXPECT_EQ(rep.set, 2);
    EXPECT_EQ(rep.code, 1);
    EXPECT_FALSE(rep.sensitivity);
    for (int j = 0; j < 2; ++j) {
      EXPECT_NEAR(rep.values[j], 1, 1e-6) << delivered;
      EXPECT_NEAR(m.cells[j], rep.values[j], 1e-12) << delivered;
      EXPECT_NEAR(rep.perVariable[j], 0, 1e-5) << delivered;
    }
    EXPECT_NEAR(rep.perRow[0], -2, 1e-5) << delivered;
  }
}
