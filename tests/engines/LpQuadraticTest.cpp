// The LP/quadratic engine's quadratic path on a host held in memory:
// convex programs whose optima were worked out by hand (inside a box, an
// equality-constrained least distance from its KKT system, a portfolio with
// a budget row), a maximised concave objective, each with the objective's
// gradient from captured terms, from the host, or by differences; the box
// around free variables; a concave objective under minimisation, an
// objective that is not quadratic after all; and the master's weights.
#include <gtest/gtest.h>

#include <cmath>

#include "contract/Bound_Infinity.h"
#include "tests/support/LpQuadraticHost.h"

namespace {

constexpr double inf = kBoundInfinity;

enum class Gradient { Terms, Host, Forward, Central };

// The objective's gradient comes from the source named.
void useGradient(LpQuadFake& m, Gradient g) {
  m.termsDelivered = g == Gradient::Terms;
  m.gradientService = g == Gradient::Host;
  if (g == Gradient::Central) m.optionFlags |= 0x2;
}

// min (x - 1)^2 + (y - 2)^2 = x^2 + y^2 - 2x - 4y + 5 on [0, 5]^2 from (0, 0):
// the minimum (1, 2), value 0, lies inside the box.
LpQuadFake insideBox() {
  LpQuadFake m;
  LpFake_box(m, {0, 0}, {5, 5});
  m.q = {1, 0, 0, 1};
  m.c = {-2, -4};
  m.c0 = 5;
  return m;
}

// (x - 7)^2 + (y - 2)^2 on the same box: (5, 2), value 4.
LpQuadFake edgeOfBox() {
  LpQuadFake m = insideBox();
  m.c = {-14, -4};
  m.c0 = 53;
  return m;
}

// min |x - (1, 2, 3)|^2 with x1 + x2 + x3 = 3 and x1 - x3 = 0, x free.
// KKT: x = a - A'u with (AA')u = Aa - b: [[3, 0], [0, 2]] u = (3, -2),
// u = (1, -1), x = (1, 1, 1), value 0 + 1 + 4 = 5.
LpQuadFake leastDistance() {
  LpQuadFake m;
  LpFake_box(m, {-inf, -inf, -inf}, {inf, inf, inf});
  m.rows = {LpFake_row({{0, 1}, {1, 1}, {2, 1}}, 3, 3), LpFake_row({{0, 1}, {2, -1}}, 0, 0)};
  m.q = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  m.c = {-2, -4, -6};
  m.c0 = 14;
  return m;
}

// min x1^2 + x2^2 + 0.5 x1 x2 + x3^2 - x1 + 4 x3, x1 + x2 + x3 = 1, x >= 0
// (the cross term delivered on one side only). With x3 = 0 the KKT system
// 2x1 + 0.5x2 - 1 = 2x2 + 0.5x1 = u, x1 + x2 = 1 gives x = (5/6, 1/6, 0),
// u = 3/4, and the third asset's gradient 4 exceeds u; value -1/24.
LpQuadFake portfolio() {
  LpQuadFake m;
  LpFake_box(m, {0, 0, 0}, {inf, inf, inf});
  m.rows = {LpFake_row({{0, 1}, {1, 1}, {2, 1}}, 1, 1)};
  m.q = {1, 0.5, 0, 0, 1, 0, 0, 0, 1};
  m.c = {-1, 0, 4};
  return m;
}

// max 10 - (x - 1)^2 - (y - 2)^2 = -x^2 - y^2 + 2x + 4y + 5 with x + y <= 2,
// x, y >= 0: the projection of (1, 2) onto the row, (0.5, 1.5), value 9.5.
LpQuadFake concaveMaximum() {
  LpQuadFake m;
  LpFake_box(m, {0, 0}, {inf, inf});
  m.rows = {LpFake_row({{0, 1}, {1, 1}}, -inf, 2)};
  m.q = {-1, 0, 0, -1};
  m.c = {2, 4};
  m.c0 = 5;
  m.maximise = true;
  return m;
}

void expectSolution(LpQuadFake& m, const std::vector<double>& x, double value, double tolerance) {
  const LpFakeRun r = LpQuad_run(m);
  ASSERT_EQ(r.setup, 1);
  ASSERT_EQ(r.status, StatusSolved);
  EXPECT_EQ(r.solve, 1);
  for (int j = 0; j < m.n; ++j) EXPECT_NEAR(m.cells[j], x[j], tolerance) << "x" << j + 1;
  EXPECT_NEAR(r.objective, value, tolerance);
  EXPECT_NEAR(LpQuad_value(m, m.cells), value, tolerance);
}

class LpQuadraticSolve : public ::testing::TestWithParam<Gradient> {};

}  // namespace

TEST_P(LpQuadraticSolve, ConvexAndConcaveModelsWorkedByHand) {
  const struct {
    const char* what;
    LpQuadFake (*model)();
    std::vector<double> x;
    double value, tolerance;
  } cases[] = {
      {"minimum inside the box", insideBox, {1, 2}, 0, 1e-6},
      {"minimum on the box edge", edgeOfBox, {5, 2}, 4, 1e-6},
      {"least distance under two equalities", leastDistance, {1, 1, 1}, 5, 1e-5},
      {"portfolio with a budget row", portfolio, {5.0 / 6, 1.0 / 6, 0}, -1.0 / 24, 1e-6},
      {"maximised concave objective", concaveMaximum, {0.5, 1.5}, 9.5, 1e-6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LpQuadFake m = c.model();
    useGradient(m, GetParam());
    expectSolution(m, c.x, c.value, c.tolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(GradientSources, LpQuadraticSolve,
                         ::testing::Values(Gradient::Terms, Gradient::Host, Gradient::Forward,
                                           Gradient::Central));

TEST(LpQuadratic, GradientSourcesInOrderOfPreference) {
  LpQuadFake withTerms = insideBox();
  withTerms.gradientService = true;
  LpQuad_run(withTerms);
  EXPECT_EQ(withTerms.gradientCalls, 0);  // the captured terms come first
  LpQuadFake withHost = insideBox();
  withHost.termsDelivered = false;
  withHost.gradientService = true;
  LpQuad_run(withHost);
  EXPECT_GT(withHost.gradientCalls, 0);
  // Differences not allowed (query 39) and no analytic derivatives: 21.
  LpQuadFake neither = insideBox();
  neither.termsDelivered = false;
  neither.noDifferences = 1;
  EXPECT_EQ(LpQuad_run(neither).status, StatusNoCoefficients);
}

TEST(LpQuadratic, FlatFeasibleStartIsTheAnswerWithoutASimplex) {
  LpQuadFake m = insideBox();
  m.x0 = {1, 2};
  expectSolution(m, {1, 2}, 0, 1e-12);
  for (const auto& [flags, count] : m.progressCalls)
    EXPECT_EQ(flags & ProgressIterationNumber, 0u) << "iteration report " << count;
}

TEST(LpQuadratic, BoxGrowsWhileAFreeVariableEndsOnIt) {
  // min (x - 500)^2 + y^2 with x free, y in [-1, 1]: the first box ends at
  // 100, the next one holds the minimum.
  LpQuadFake m;
  LpFake_box(m, {-inf, -1}, {inf, 1}, {0, 0.5});
  m.q = {1, 0, 0, 1};
  m.c = {-1000, 0};
  m.c0 = 250000;
  expectSolution(m, {500, 0}, 0, 1e-6);
}

TEST(LpQuadratic, ConcaveMinimisationEndsAtTheBetterVertex) {
  // min -x^2 - y^2 on [-1, 2]^2 from (0.5, 0.5): the first vertex (2, 2) is
  // the better end of the segment and repeats; value -8.
  LpQuadFake m;
  LpFake_box(m, {-1, -1}, {2, 2}, {0.5, 0.5});
  m.q = {-1, 0, 0, -1};
  m.c = {0, 0};
  expectSolution(m, {2, 2}, -8, 1e-9);
}

TEST(LpQuadratic, UnboundedConcaveObjectiveEndsUnbounded) {
  // min -x^2 + 2y^2, x free: the box grows to its limit and the linear
  // subproblem is unbounded.
  LpQuadFake m;
  LpFake_box(m, {-inf, 0}, {inf, 1}, {1, 0});
  m.q = {-1, 0, 0, 2};
  m.c = {0, 0};
  const LpFakeRun r = LpQuad_run(m);
  EXPECT_EQ(r.status, StatusUnbounded);
  EXPECT_EQ(r.solve, 1);
}

TEST(LpQuadratic, ObjectiveThatIsNotQuadraticFailsOnThePath) {
  // (x - y)^4 + x^2 + y^2 is quadratic along the diagonal, where the kind
  // test looks, but not along the path from (1, 0).
  LpQuadFake m = insideBox();
  m.lower = {-3, -3};
  m.upper = {3, 3};
  m.x0 = {1, 0};
  m.termsDelivered = false;
  m.c = {0, 0};
  m.c0 = 0;
  LpQuad_bindObjective(m);
  const auto quadratic = m.function;
  m.function = [quadratic](int i, const std::vector<double>& x) {
    return quadratic(i, x) + (i == 0 ? std::pow(x[0] - x[1], 4) : 0.0);
  };
  const LpFakeRun r = LpQuad_run(m);
  EXPECT_EQ(r.setup, 1);
  EXPECT_EQ(r.status, StatusNotLinear);
  EXPECT_EQ(r.solve, 0);
}

TEST(LpQuadratic, RowThatIsNotLinearFailsTheFinalCheck) {
  // min (x - 1)^2 + y^2 on [0, 5]^2 with the row (x - y)^2 <= 10: the row
  // vanishes along the diagonal, so the kind test takes it as the constant
  // 0 it is captured as; at the solution (1, 0) it is 1.
  LpQuadFake m = insideBox();
  m.c = {-2, 0};
  m.c0 = 1;
  m.rows = {LpFake_row({}, -inf, 10)};
  LpQuad_bindObjective(m);
  const auto base = m.function;
  m.function = [base](int i, const std::vector<double>& x) {
    return i == 0 ? (x[0] - x[1]) * (x[0] - x[1]) : base(i, x);
  };
  EXPECT_EQ(LpQuad_run(m).status, StatusNotLinear);
}

// ---- the master ----

namespace {

// A point set of k points in the plane with the values of f at the points
// and their midpoints.
template <typename F>
LpQuadratic pointSet(const std::vector<std::pair<double, double>>& points, F f) {
  LpQuadratic q;
  EXPECT_TRUE(Lp_allocPointSet(q, 2));
  q.count = static_cast<int>(points.size());
  for (int i = 1; i <= q.count; ++i) {
    q.points.row(i)[0] = i == 1 ? 1.0 : 0.0;
    q.points.row(i)[1] = points[i - 1].first;
    q.points.row(i)[2] = points[i - 1].second;
  }
  for (int i = 1; i <= q.count; ++i)
    for (int j = 1; j <= q.count; ++j) {
      const double* a = q.points.row(i);
      const double* b = q.points.row(j);
      q.values.row(i)[j] = f((a[1] + b[1]) / 2, (a[2] + b[2]) / 2);
    }
  return q;
}

}  // namespace

TEST(LpQuadraticMaster, ThreePointsGiveTheMinimiserInsideTheTriangle) {
  // (x - 1)^2 + (y - 2)^2 over (0, 0), (5, 5), (0, 5): the minimiser (1, 2)
  // has the weights 0.6, 0.2 and 0.2.
  auto f = [](double x, double y) { return (x - 1) * (x - 1) + (y - 2) * (y - 2); };
  LpQuadratic q = pointSet({{0, 0}, {5, 5}, {0, 5}}, f);
  ASSERT_EQ(Lp_pointMaster(q, 2, false), 0);
  ASSERT_EQ(q.count, 3);
  EXPECT_NEAR(q.points.row(1)[0], 0.6, 1e-12);
  EXPECT_NEAR(q.points.row(2)[0], 0.2, 1e-12);
  EXPECT_NEAR(q.points.row(3)[0], 0.2, 1e-12);
  EXPECT_NEAR(q.points.row(0)[1], 1, 1e-12);
  EXPECT_NEAR(q.points.row(0)[2], 2, 1e-12);
  EXPECT_NEAR(q.points.row(0)[0], 0, 1e-12);  // the predicted value
}

TEST(LpQuadraticMaster, PointsWhoseWeightTurnsNegativeLeave) {
  // (x - 4)^2 + (y - 4)^2 over (0, 0), (2, 0), (0, 2): the minimiser over
  // the triangle is (1, 1) on the far edge; (0, 0) leaves the set.
  auto f = [](double x, double y) { return (x - 4) * (x - 4) + (y - 4) * (y - 4); };
  LpQuadratic q = pointSet({{0, 0}, {2, 0}, {0, 2}}, f);
  ASSERT_EQ(Lp_pointMaster(q, 2, false), 0);
  ASSERT_EQ(q.count, 2);
  EXPECT_NEAR(q.points.row(0)[1], 1, 1e-12);
  EXPECT_NEAR(q.points.row(0)[2], 1, 1e-12);
  EXPECT_NEAR(q.points.row(0)[0], 18, 1e-12);
  for (int i = 1; i <= 2; ++i) EXPECT_NE(q.points.row(i)[1] + q.points.row(i)[2], 0.0);
}

TEST(LpQuadraticMaster, CollinearPointsMakeTheSystemSingular) {
  auto f = [](double x, double y) { return x * x + y * y; };
  LpQuadratic q = pointSet({{0, 0}, {1, 1}, {2, 2}}, f);
  EXPECT_EQ(Lp_pointMaster(q, 2, false), 2);
}

TEST(LpQuadraticMaster, LdlFactorisationSolvesAndRefusesIndefinite) {
  // [[4, 2, 0], [2, 5, 1], [0, 1, 3]] y = (6, 8, 4): y = (1, 1, 1).
  double a[9] = {4, 2, 0, 2, 5, 1, 0, 1, 3};
  double b[3] = {6, 8, 4};
  ASSERT_TRUE(Lp_ldlFactor(a, 3, 3));
  Lp_ldlSolve(a, 3, 3, b);
  for (double v : b) EXPECT_NEAR(v, 1, 1e-14);
  double c[4] = {1, 2, 2, 1};
  EXPECT_FALSE(Lp_ldlFactor(c, 2, 2));
}
