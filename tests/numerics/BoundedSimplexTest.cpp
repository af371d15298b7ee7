// The dense bounded simplex of the evolutionary repair: small LPs solved by hand,
// small netlib problems against their published optima, infeasible and
// unbounded models, the stop check after each pivot, and the trial
// acceptance of the linear-programming step.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "contract/Bound_Infinity.h"
#include "numerics/Dense_BoundedSimplex.h"
#include "tests/support/MpsReader.h"

namespace {

constexpr double kInf = kBoundInfinity;

// An LP in the form the simplex takes: rows "coefficients relation rhs".
struct LpBuilder {
  DenseBoundedLp lp;
  explicit LpBuilder(int cols) {
    lp.cols = cols;
    lp.objective.assign(cols + 1, 0.0);
    lp.lower.assign(cols, 0.0);
    lp.upper.assign(cols, kInf);
    lp.start.assign(cols, 0.0);
    lp.precision = 1e-8;
  }
  void row(std::vector<double> coef, char rel, double rhs) {
    lp.a.push_back(rhs);
    lp.a.insert(lp.a.end(), coef.begin(), coef.end());
    lp.relation.push_back(rel);
    ++lp.rows;
  }
  void maximise(std::vector<double> c) {
    for (int j = 0; j < lp.cols; ++j) lp.objective[j + 1] = c[j];
  }
};

std::vector<double> solve(const DenseBoundedLp& lp, int* result, int mode = DenseBoundedSolve,
                          const DenseBoundedHooks& hooks = {}) {
  std::vector<double> x(lp.cols, -7.0);
  *result = Dense_boundedSimplex(lp, mode, hooks, x.data());
  return x;
}

// Largest violation of a row or bound by x.
double violation(const DenseBoundedLp& lp, const std::vector<double>& x) {
  double worst = 0.0;
  for (int i = 0; i < lp.rows; ++i) {
    const double* a = lp.a.data() + static_cast<std::size_t>(i) * (lp.cols + 1);
    double v = 0.0;
    for (int j = 0; j < lp.cols; ++j) v += a[j + 1] * x[j];
    const double gap = lp.relation[i] == '<' ? v - a[0] : lp.relation[i] == '>' ? a[0] - v
                                                                               : std::fabs(v - a[0]);
    worst = std::max(worst, gap);
  }
  for (int j = 0; j < lp.cols; ++j)
    worst = std::max({worst, lp.lower[j] - x[j], x[j] - lp.upper[j]});
  return worst;
}

// Small LPs with their outcome worked by hand (the point when solved).
TEST(BoundedSimplex, SmallModelsSolvedByHand) {
  struct Row {
    std::vector<double> coef;
    char rel;
    double rhs;
  };
  const struct {
    const char* what;
    std::vector<double> lower, upper;
    std::vector<Row> rows;
    std::vector<double> maximise;
    int status;
    std::vector<double> x;
  } cases[] = {
      // max 3x + 2y: x + y <= 4, x + 3y <= 6, x <= 3: (3, 1).
      {"bounded column", {0, 0}, {3, kInf}, {{{1, 1}, '<', 4}, {{1, 3}, '<', 6}}, {3, 2},
       DenseBoundedSolved, {3, 1}},
      // min x + y: x + 2y >= 4, x - y = 1: (2, 1).
      {"phase one", {0, 0}, {kInf, kInf}, {{{1, 2}, '>', 4}, {{1, -1}, '=', 1}}, {-1, -1},
       DenseBoundedSolved, {2, 1}},
      // max x: x - y <= 2, x free, -1 <= y <= 1: y flips to 1, x = 3.
      {"free column and a bound flip", {-kInf, -1}, {kInf, 1}, {{{1, -1}, '<', 2}}, {1, 0},
       DenseBoundedSolved, {3, 1}},
      // min y: x + y >= 3 written negated, z fixed at 2, x + z <= 4, y <= 5.
      {"negative side and a fixed column", {0, 0, 2}, {kInf, 5, 2},
       {{{-1, -1, 0}, '<', -3}, {{1, 0, 1}, '<', 4}}, {0, -1, 0}, DenseBoundedSolved, {2, 1, 2}},
      {"no rows: each column at a bound", {0}, {4}, {}, {1}, DenseBoundedSolved, {4}},
      {"row out of reach of the bounds", {0, 0}, {2, 2}, {{{1, 1}, '>', 5}}, {0, 0},
       DenseBoundedInfeasible, {}},
      {"x = 1 and x = 2", {0}, {kInf}, {{{1}, '=', 1}, {{1}, '=', 2}}, {0}, DenseBoundedInfeasible, {}},
      {"unbounded objective", {0, 0}, {kInf, kInf}, {{{1, -1}, '<', 1}}, {1, 0},
       DenseBoundedNoLeavingRow, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LpBuilder b(static_cast<int>(c.lower.size()));
    b.lp.lower = c.lower;
    b.lp.upper = c.upper;
    for (const Row& r : c.rows) b.row(r.coef, r.rel, r.rhs);
    b.maximise(c.maximise);
    int r = -1;
    const auto x = solve(b.lp, &r);
    EXPECT_EQ(r, c.status);
    for (std::size_t j = 0; j < c.x.size(); ++j) EXPECT_NEAR(x[j], c.x[j], 1e-9) << "x" << j;
  }
}

TEST(BoundedSimplex, StartValuesChooseTheStartingBound) {
  // Only feasibility (zero objective): x + y = 1 within [0, 1]^2. A start
  // near the upper bounds starts both columns there; the result is feasible
  // and every column not needed stays at its starting bound.
  LpBuilder b(2);
  b.lp.upper = {1, 1};
  b.lp.start = {0.9, 0.8};
  b.row({1, 1}, '=', 1);
  int r = -1;
  const auto x = solve(b.lp, &r);
  ASSERT_EQ(r, DenseBoundedSolved);
  EXPECT_LT(violation(b.lp, x), 1e-12);
  EXPECT_TRUE(x[0] == 1.0 || x[1] == 1.0);
}

TEST(BoundedSimplex, BadSizesGiveEight) {
  LpBuilder b(1);
  b.row({1}, '<', 1);
  DenseBoundedLp none = b.lp;
  none.cols = 0;
  std::vector<double> x(1);
  EXPECT_EQ(Dense_boundedSimplex(none, DenseBoundedSolve, {}, x.data()), DenseBoundedBadSize);
  DenseBoundedLp negative = b.lp;
  negative.rows = -1;
  EXPECT_EQ(Dense_boundedSimplex(negative, DenseBoundedSolve, {}, x.data()), DenseBoundedBadSize);
  DenseBoundedLp shortArrays = b.lp;
  shortArrays.rows = 3;
  EXPECT_EQ(Dense_boundedSimplex(shortArrays, DenseBoundedSolve, {}, x.data()), DenseBoundedBadSize);
  EXPECT_EQ(Dense_boundedSimplex(b.lp, DenseBoundedSolve, {}, nullptr), DenseBoundedBadSize);
}

TEST(BoundedSimplex, StopCheckEndsTheSolveAfterAPivot) {
  LpBuilder b(2);
  b.row({1, 1}, '>', 2);
  b.maximise({1, 1});
  b.lp.upper = {5, 5};
  int calls = 0;
  DenseBoundedHooks hooks;
  hooks.user = &calls;
  hooks.stopCheck = [](void* user) { return ++*static_cast<int*>(user) == 1 ? 6 : 0; };
  int r = -1;
  solve(b.lp, &r, DenseBoundedSolve, hooks);
  EXPECT_EQ(r, 6);
  EXPECT_EQ(calls, 1);
}

// Mode 3 on max x + 2y within [0, 2]^2 and x + y <= 3, two steps of phase
// two to (1, 2): the first step's point stays when the trial acceptance
// rejects the second, or when the second's fitness is worse.
TEST(BoundedSimplex, StepModeKeepsTheLastAcceptedStep) {
  LpBuilder b(2);
  b.lp.upper = {2, 2};
  b.row({1, 1}, '<', 3);
  b.maximise({1, 2});
  int r = -1;
  const auto full = solve(b.lp, &r);
  EXPECT_NEAR(full[0], 1.0, 1e-12);
  EXPECT_NEAR(full[1], 2.0, 1e-12);
  for (bool worsen : {false, true}) {
    struct Seen {
      bool worsen;
      std::vector<std::vector<double>> points;
    } seen{worsen, {}};
    DenseBoundedHooks hooks;
    hooks.user = &seen;
    hooks.acceptTrial = [](void* user, const double* x, double* fitness) {
      auto* s = static_cast<Seen*>(user);
      s->points.push_back({x[0], x[1]});
      *fitness = s->worsen ? double(s->points.size()) : -(x[0] + 2 * x[1]);
      return s->worsen || s->points.size() == 1 ? 1 : 0;
    };
    const auto x = solve(b.lp, &r, DenseBoundedTrialSteps, hooks);
    EXPECT_EQ(r, DenseBoundedSolved) << worsen;
    ASSERT_EQ(seen.points.size(), 2u) << worsen;
    EXPECT_EQ(x, seen.points[0]) << worsen;
  }
}

// Netlib problems converted to the simplex's form (minimised by maximising
// the negated costs); a row with two different limits becomes two rows.
DenseBoundedLp fromMps(const MpsModel& model) {
  const int n = static_cast<int>(model.colNames.size());
  LpBuilder b(n);
  b.lp.lower = model.lower;
  b.lp.upper = model.upper;
  for (int j = 0; j < n; ++j) b.lp.objective[j + 1] = -model.cost[j];
  std::vector<std::vector<double>> rows(model.rowNames.size(), std::vector<double>(n, 0.0));
  for (const MpsEntry& e : model.entries) rows[e.row][e.col] += e.value;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    double lo, up;
    Mps_rowLimits(model, static_cast<int>(i), lo, up);
    if (lo == up) {
      b.row(rows[i], '=', lo);
      continue;
    }
    if (lo > -kBoundInfinity) b.row(rows[i], '>', lo);
    if (up < kBoundInfinity) b.row(rows[i], '<', up);
  }
  return b.lp;
}

TEST(BoundedSimplex, SmallNetlibProblemsReachTheirOptima) {
  const std::pair<const char*, double> known[] = {
      {"afiro", -4.6475314286E+02}, {"sc50a", -6.4575077059E+01},
      {"sc50b", -7.0000000000E+01}};
  for (const auto& [name, optimum] : known) {
    MpsModel model;
    std::string error;
    ASSERT_TRUE(Mps_readNamed(name, model, error)) << error;
    DenseBoundedLp lp = fromMps(model);
    lp.reducedCostTol = 1e-9;
    lp.pivotTol = 1e-9;
    int r = -1;
    const auto x = solve(lp, &r);
    ASSERT_EQ(r, DenseBoundedSolved) << name;
    double objective = model.objConstant;
    for (int j = 0; j < lp.cols; ++j) objective += model.cost[j] * x[j];
    EXPECT_NEAR(objective, optimum, 1e-6 * std::fabs(optimum)) << name;
    EXPECT_LT(violation(lp, x), 1e-6) << name;
  }
}

}  // namespace

// Beale's example: with the largest entering entry and the first of equal
// ratios leaving, its degenerate pivots return to the starting basis for
// ever; the lexicographic tie-break reaches the optimum x = (1, 0, 1, 0).
TEST(BoundedSimplex, DegenerateCycleIsBrokenByTheTieBreak) {
  LpBuilder b(4);
  b.maximise({10, -57, -9, -24});
  b.row({0.5, -5.5, -2.5, 9}, '<', 0);
  b.row({0.5, -1.5, -0.5, 1}, '<', 0);
  b.row({1, 0, 0, 0}, '<', 1);
  int pivots = 0;
  const DenseBoundedHooks hooks{&pivots, [](void* user) { return ++*static_cast<int*>(user), 0; }, nullptr};
  int result = -1;
  const std::vector<double> x = solve(b.lp, &result, DenseBoundedSolve, hooks);
  EXPECT_EQ(result, DenseBoundedSolved);
  EXPECT_EQ(x, (std::vector<double>{1, 0, 1, 0}));
  EXPECT_LT(pivots, 20);
}

