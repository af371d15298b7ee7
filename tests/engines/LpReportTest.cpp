// Reports of the LP/quadratic engine on small models solved by hand: dual
// values, reduced costs and the ranging of costs, right-hand sides and
// bounds (a product mix, a variable at its upper bound), the reduced
// costs and duals handed to a driver, the report sets of other outcomes, and
// random models ('<', '>' and '=' rows, negative sides, maximised and
// minimised) whose duals, reduced costs and ranging must predict the optima
// of perturbed models. For quadratic solutions, the multipliers and reduced
// gradients worked by hand for min (x - 2)^2 + (y - 2)^2 under x + y <= 2
// and variations (a bound that holds x, redundant active rows, a stopped
// decomposition), and the report handed back for a solved quadratic model.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "contract/Bound_Infinity.h"
#include "tests/support/LpQuadraticHost.h"

namespace {

constexpr double inf = kBoundInfinity;

// Product mix: maximise 45 x1 + 80 x2 + 60 x3 + 28 x4 over wood, labour and
// machine hours, x2 <= 15, x1 >= 5. Optimum (10.5, 8, 18.75, 0) = 2237.5.
LpFakeModel productMix() {
  LpFakeModel m;
  LpFake_box(m, {5, 0, 0, 0}, {inf, 15, inf, inf});
  m.rows = {LpFake_row({{0, 5}, {1, 20}, {2, 10}, {3, 6}}, -inf, 400),
            LpFake_row({{0, 10}, {1, 15}, {2, 12}, {3, 9}}, -inf, 450),
            LpFake_row({{0, 2}, {1, 3}, {2, 4}, {3, 2}}, -inf, 120)};
  m.objective.terms = {{0, 45}, {1, 80}, {2, 60}, {3, 28}};
  m.maximise = true;
  return m;
}

// Minimise x + y with x + 2y >= 4 and 3x + y >= 6: optimum (1.6, 1.2) = 2.8.
LpFakeModel coverModel() {
  LpFakeModel m;
  LpFake_box(m, {0, 0}, {inf, inf});
  m.rows = {LpFake_row({{0, 1}, {1, 2}}, 4, inf), LpFake_row({{0, 3}, {1, 1}}, 6, inf)};
  m.objective.terms = {{0, 1}, {1, 1}};
  return m;
}

void expectAll(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i)
    EXPECT_NEAR(got[i], want[i], 1e-9 * std::max(1.0, std::fabs(want[i])))
        << what << " [" << i << "]";
}

// Solves with reports requested; the one report handed back.
LpFakeReport reportOf(LpFakeModel& m, unsigned flags = ProblemReports) {
  const LpFakeRun r = LpFake_run(m, flags);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(m.reports.size(), 1u);
  return m.reports.empty() ? LpFakeReport{} : m.reports.back();
}

// A random model over x >= 0 (some x bounded above) with '<', '>' and '='
// rows around the activity at x = 1, small integer data for plenty of
// degeneracy.
LpFakeModel randomModel(std::mt19937& random) {
  auto pick = [&](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
  LpFakeModel m;
  m.n = pick(1, 6);
  const int rows = pick(1, 6);
  m.x0.assign(m.n, 0.0);
  m.lower.assign(m.n, 0.0);
  m.upper.assign(m.n, inf);
  for (double& u : m.upper) u = pick(0, 2) == 0 ? pick(1, 4) : inf;
  for (int j = 0; j < m.n; ++j) {  // some free variables, some fixed ones
    const int kind = pick(0, 7);
    if (kind == 0) m.lower[j] = -inf;
    if (kind == 1) m.lower[j] = m.upper[j] = pick(0, 2);
  }
  for (int j = 0; j < m.n; ++j) m.objective.terms.emplace_back(j, pick(-5, 5));
  for (int i = 0; i < rows; ++i) {
    LpFakeRow r;
    double activity = 0;
    for (int j = 0; j < m.n; ++j) {
      const int a = pick(0, 9) < 6 ? pick(-3, 3) : 0;
      r.terms.emplace_back(j, a);
      activity += a;
    }
    const int kind = pick(0, 2);
    r.lower = kind == 1 ? -inf : activity - pick(0, 2);
    r.upper = kind == 0 ? inf : kind == 2 ? r.lower : activity + pick(0, 2);
    m.rows.push_back(r);
  }
  return m;
}

}  // namespace

TEST(LpReport, ProductMixDualsReducedCostsAndRanging) {
  for (int scaling : {0, 1}) {
    LpFakeModel m = productMix();
    m.scaling = scaling;
    const LpFakeReport rep = reportOf(m);
    EXPECT_EQ(rep.set, 3);
    EXPECT_EQ(rep.code, 1);
    ASSERT_TRUE(rep.sensitivity);
    expectAll(rep.values, {10.5, 8, 18.75, 0}, "values");
    expectAll(rep.rowValues, {400, 450, 120}, "row values");
    expectAll(rep.rowUpper, {400, 450, 120}, "row upper");
    // Shadow prices of wood, labour, machine; x4 earns 28 but uses 42.25 of resources.
    expectAll(rep.perRow, {1, 3.75, 1.25}, "duals");
    expectAll(rep.perVariable, {0, 0, 0, -14.25}, "reduced costs");
    expectAll(rep.objective, {45, 80, 60, 28}, "costs");
    // Cost ranges keep the duals y + d e_j' B^-1 nonnegative and x4 unattractive.
    expectAll(rep.objectiveIncrease, {25.0 / 9, 6.25, 30, 14.25}, "cost increase");
    expectAll(rep.objectiveDecrease, {15, 12.5, 2, inf}, "cost decrease");
    // Side ranges keep B^-1 b within x1 >= 5, 0 <= x2 <= 15, x3 >= 0.
    expectAll(rep.rhs, {400, 450, 120}, "sides");
    expectAll(rep.rhsIncrease, {275.0 / 6, 150, 110.0 / 9}, "side increase");
    expectAll(rep.rhsDecrease, {100, 22, 30}, "side decrease");
    // Basic variables keep their value while a bound stays on its side;
    // x4 at 0 moves the basis by (0.63, 0.08, 0.125) per unit.
    expectAll(rep.lowerIncrease, {5.5, 8, 18.75, 550.0 / 63}, "lower increase");
    expectAll(rep.lowerDecrease, {inf, inf, inf, 87.5}, "lower decrease");
    expectAll(rep.upperIncrease, {0, inf, 0, 0}, "upper increase");
    expectAll(rep.upperDecrease, {inf, 7, inf, inf}, "upper decrease");
  }
}

TEST(LpReport, VariableAtItsUpperBound) {
  // Maximise 3x + 2y with x + y <= 4 and x <= 3: x = 3 at its bound, y = 1.
  LpFakeModel m;
  LpFake_box(m, {0, 0}, {3, inf});
  m.rows = {LpFake_row({{0, 1}, {1, 1}}, -inf, 4)};
  m.objective.terms = {{0, 3}, {1, 2}};
  m.maximise = true;
  const LpFakeReport rep = reportOf(m);
  expectAll(rep.values, {3, 1}, "values");
  expectAll(rep.perRow, {2}, "duals");
  expectAll(rep.perVariable, {1, 0}, "reduced costs");
  // x stays at its bound while its profit stays above y's; y basic for c_y in [0, 3].
  expectAll(rep.objectiveIncrease, {inf, 1}, "cost increase");
  expectAll(rep.objectiveDecrease, {1, 2}, "cost decrease");
  // Raising x's upper bound pushes y to 0 after one unit; lowering it to 0 is free.
  expectAll(rep.upperIncrease, {1, 0}, "upper increase");
  expectAll(rep.upperDecrease, {3, inf}, "upper decrease");
  expectAll(rep.lowerIncrease, {3, 1}, "lower increase");
  expectAll(rep.lowerDecrease, {inf, inf}, "lower decrease");
  // The side may fall by y's value and rise without limit.
  expectAll(rep.rhsIncrease, {inf}, "side increase");
  expectAll(rep.rhsDecrease, {1}, "side decrease");
}

TEST(LpReport, CostRangesOfFixedFreeAndRangedColumns) {
  // Cost ranges worked by hand where the tableau's columns are not plain
  // bounded ones, each confirmed by solving with the cost moved to the end
  // of its range (the solution must not move).
  struct Case {
    const char* what;
    LpFakeModel model;
    int j;  // the variable whose cost range is checked
    double decrease, increase;
  };
  std::vector<Case> cases;
  {  // min x - 0.9 z, x - z >= 1, z fixed at 0: a fixed column never enters,
     // so z's small reduced cost limits neither its own range nor x's.
    LpFakeModel m;
    LpFake_box(m, {0, 0}, {inf, 0});
    m.rows = {LpFake_row({{0, 1}, {1, -1}}, 1, inf)};
    m.objective.terms = {{0, 1}, {1, -0.9}};
    cases.push_back({"basic x beside a fixed column", m, 0, 1, inf});
    cases.push_back({"fixed z", m, 1, inf, inf});
  }
  {  // min x + 2y, 1 <= x + y <= 3: x = 1, the ranged row's slack at its
     // range. x stays basic for c_x in [0, 2]: below 0 the slack leaves its
     // range (x = 3), above 2 y enters.
    LpFakeModel m;
    LpFake_box(m, {0, 0}, {inf, inf});
    m.rows = {LpFake_row({{0, 1}, {1, 1}}, 1, 3)};
    m.objective.terms = {{0, 1}, {1, 2}};
    cases.push_back({"basic x beside a slack at its range", m, 0, 1, 1});
  }
  {  // min x, x >= 1, f free in no row and without cost: any cost on f
     // makes the model unbounded, so its range is empty both ways.
    LpFakeModel m;
    LpFake_box(m, {0, -inf}, {inf, inf});
    m.rows = {LpFake_row({{0, 1}}, 1, inf)};
    m.objective.terms = {{0, 1}};
    cases.push_back({"free f at 0", m, 1, 0, 0});
  }
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    const LpFakeReport rep = reportOf(c.model);
    EXPECT_NEAR(rep.objectiveDecrease[c.j], c.decrease, 1e-9);
    EXPECT_NEAR(rep.objectiveIncrease[c.j], c.increase, 1e-9);
    const double optimum = LpFake_run(c.model).objective;
    for (double delta : {-c.decrease, c.increase}) {
      if (std::fabs(delta) >= inf || delta == 0) continue;
      LpFakeModel moved = c.model;
      bool found = false;
      for (auto& [j, a] : moved.objective.terms)
        if (j == c.j) a += delta, found = true;
      if (!found) moved.objective.terms.emplace_back(c.j, delta);
      const LpFakeRun r = LpFake_run(moved);
      EXPECT_EQ(r.status, 0);
      EXPECT_NEAR(r.objective, optimum + rep.values[c.j] * delta, 1e-9);
    }
  }
}

TEST(LpReport, DriverGetsReducedCostsAndDuals) {
  // The branch-and-bound root solve supplies the reduced-cost array, the
  // multistart driver the multiplier array; the engine fills them.
  LpFakeModel m = productMix();
  m.integers = 1;
  EngineProblem problem{};
  problem.flags = ProblemOtherDriver | ProblemBranch;
  std::vector<std::int32_t> flags = {1, 0, 0, 0};
  problem.integerFlags = flags.data();
  std::vector<double> reduced(4, 99.0), duals(3, 99.0);
  problem.reducedCosts = reduced.data();
  problem.multipliers = duals.data();
  ASSERT_EQ(Lp_engineSetupWith(&problem, LpFake_host(m)), 1);
  EXPECT_EQ(Lp_engineSolve(&problem), 1);
  EXPECT_EQ(problem.status, 0);
  expectAll(reduced, {0, 0, 0, -14.25}, "reduced costs");
  expectAll(duals, {1, 3.75, 1.25}, "duals");
  // A later solve without the arrays leaves them alone; an infeasible one clears them.
  problem.reducedCosts = nullptr;
  problem.lower[3] = 100;
  EXPECT_EQ(Lp_engineSolve(&problem), 1);
  EXPECT_EQ(problem.status, StatusInfeasible);
  EXPECT_DOUBLE_EQ(reduced[3], -14.25);
  expectAll(duals, {0, 0, 0}, "duals of an infeasible solve");
  Lp_engineFinish(&problem);
  ASSERT_EQ(m.reports.size(), 1u);
  EXPECT_EQ(m.reports[0].set, 1);  // an integer model: the plain summary
  EXPECT_FALSE(m.reports[0].sensitivity);
}

TEST(LpReport, ReportSetsOfOtherOutcomes) {
  {  // solved without reports asked for
    LpFakeModel m = coverModel();
    LpFake_run(m, 0);
    ASSERT_EQ(m.reports.size(), 1u);
    EXPECT_EQ(m.reports[0].set, 3);
    EXPECT_EQ(m.reports[0].code, 1);
    EXPECT_FALSE(m.reports[0].sensitivity);
    expectAll(m.reports[0].rowValues, {4, 6}, "row values");
  }
  {  // infeasible
    LpFakeModel m = coverModel();
    m.upper = {1, 1};
    EXPECT_EQ(LpFake_run(m, ProblemReports).status, StatusInfeasible);
    ASSERT_EQ(m.reports.size(), 1u);
    EXPECT_EQ(m.reports[0].set, 0);
    EXPECT_EQ(m.reports[0].code, 5);
  }
  {  // a size failure hands nothing back
    LpFakeModel m = coverModel();
    m.extraRows = 9000;
    EXPECT_EQ(LpFake_run(m, ProblemReports).status, StatusBadModel);
    EXPECT_TRUE(m.reports.empty());
  }
}

TEST(LpReport, LinearityMarks) {
  // Row 2 is x + y^2, the objective x + z^3: the row and a variable that
  // breaks its line are marked 1, a variable that breaks the objective's 2.
  LpFakeModel m;
  LpFake_box(m, {0, 0, 0}, {10, 10, 10}, {1, 1, 1});
  m.rows = {LpFake_row({{0, 1}, {1, 1}}, -inf, 10), LpFake_row({}, -inf, 10)};
  m.reportsWanted = 1;
  m.function = [](int i, const std::vector<double>& x) {
    if (i == 0) return x[0] + x[1];
    if (i == 1) return x[0] + x[1] * x[1];
    return x[0] + x[2] * x[2] * x[2];
  };
  m.extractable = false;
  EXPECT_EQ(LpFake_run(m, ProblemReports).status, StatusNotLinear);
  ASSERT_EQ(m.reports.size(), 1u);
  EXPECT_EQ(m.reports[0].set, 6);
  EXPECT_EQ(m.reports[0].code, 0);
  // The perturbation capture took x + y^2 as x + y (each stepped alone to
  // 1): x alone at 8 stays on that line, y alone at 8 leaves it.
  expectAll(m.reports[0].perRow, {0, 1}, "row marks");
  expectAll(m.reports[0].perVariable, {0, 1, 2}, "variable marks");
  // Without reports asked for the marks stay -1.
  m.reportsWanted = 0;
  m.reports.clear();
  LpFake_run(m, ProblemReports);
  ASSERT_EQ(m.reports.size(), 1u);
  expectAll(m.reports[0].perVariable, {-1, -1, -1}, "unmarked");
}

// An error value at the kind test's first point, x = 8 beyond the upper
// bounds of 4, says the model is not linear before anything is captured:
// the marks go back as they stand, with no report set.
TEST(LpReport, NoLinearityMarksWithoutACapture) {
  LpFakeModel m;
  LpFake_box(m, {0, 0}, {4, 4}, {1, 1});
  m.rows = {LpFake_row({{0, 1}, {1, 1}}, -inf, 6)};
  m.objective.terms = {{0, 1}};
  m.reportsWanted = 1;
  m.failEvaluationAt = 1;
  EXPECT_EQ(LpFake_run(m, ProblemReports).status, StatusNotLinear);
  ASSERT_EQ(m.reports.size(), 1u);
  EXPECT_EQ(m.reports[0].set, 0);
  expectAll(m.reports[0].perVariable, {-1, -1}, "unmarked");
  expectAll(m.reports[0].perRow, {-1}, "unmarked");
}

TEST(LpReport, RandomModelsRangingPredictsPerturbedOptima) {
  // Within its allowable range a side moves the optimum by dual x change,
  // a cost by value x change and a bound by reduced cost x change;
  // checked by solving again.
  std::mt19937 random(11);
  int checked = 0;
  for (int trial = 0; trial < 200; ++trial) {
    LpFakeModel m = randomModel(random);
    m.maximise = trial % 2 == 1;
    if (LpFake_run(m, ProblemReports).status != 0) continue;
    const LpFakeReport rep = m.reports.back();
    const double optimum = LpFake_run(m).objective;
    auto resolved = [&](LpFakeModel changed) {
      const LpFakeRun r = LpFake_run(changed);
      EXPECT_EQ(r.status, 0) << "trial " << trial;
      return r.objective;
    };
    for (std::size_t i = 0; i < m.rows.size(); ++i) {
      for (int side : {1, -1}) {
        const double room = side > 0 ? rep.rhsIncrease[i] : rep.rhsDecrease[i];
        if (room < 1e-6) continue;
        const double delta = side * std::min(room, 1.0);
        LpFakeModel changed = m;
        LpFakeRow& r = changed.rows[i];
        if (r.lower > -inf) r.lower += delta;
        if (r.upper < inf) r.upper += delta;
        EXPECT_NEAR(resolved(changed), optimum + rep.perRow[i] * delta, 1e-7)
            << "trial " << trial << " row " << i;
        ++checked;
      }
    }
    for (int j = 0; j < m.n; ++j) {
      for (int side : {1, -1}) {
        const double room = side > 0 ? rep.objectiveIncrease[j] : rep.objectiveDecrease[j];
        if (room < 1e-6) continue;
        const double delta = side * std::min(room, 1.0);
        LpFakeModel changed = m;
        changed.objective.terms[j].second += delta;
        EXPECT_NEAR(resolved(changed), optimum + rep.values[j] * delta, 1e-7)
            << "trial " << trial << " variable " << j;
        ++checked;
      }
    }
    // A bound moves the optimum by reduced cost x change while the variable
    // sits on it, else not at all (a fixed variable's bounds move together).
    for (int j = 0; j < m.n; ++j) {
      if (m.lower[j] == m.upper[j]) continue;
      const double rc = rep.perVariable[j], x = rep.values[j];
      const double rooms[4] = {rep.lowerIncrease[j], rep.lowerDecrease[j], rep.upperIncrease[j],
                               rep.upperDecrease[j]};
      for (int which = 0; which < 4; ++which) {
        const bool lowerBound = which < 2;
        const double bound = lowerBound ? m.lower[j] : m.upper[j];
        if (rooms[which] < 1e-6 || std::fabs(bound) >= inf) continue;
        const double delta = (which % 2 == 0 ? 1.0 : -1.0) * std::min(rooms[which], 1.0);
        LpFakeModel changed = m;
        (lowerBound ? changed.lower[j] : changed.upper[j]) += delta;
        const double moved = std::fabs(x - bound) < 1e-9 ? rc * delta : 0.0;
        EXPECT_NEAR(resolved(changed), optimum + moved, 1e-7)
            << "trial " << trial << " variable " << j << " bound change " << which;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 300);
}

// ---- quadratic solutions ----

namespace {

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
