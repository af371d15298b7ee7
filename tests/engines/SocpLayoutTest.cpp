// The SOCP engine's two layouts of a model as a cone program, filled by
// hand and solved by the core: both sides of a range row are kept in each,
// a maximised linear objective is maximised in the quadratic form, the
// cone form keeps a variable's negative lower bound, and a run with other
// bounds updates either form in place to the program a fresh build makes.
#include <gtest/gtest.h>

#include "contract/Bound_Infinity.h"
#include "engines/socp/Socp_Adapter.h"

namespace {

constexpr double Inf = kBoundInfinity;

struct Layout {
  SocpAdapterRecord rec;
  // n free variables, no rows yet; the objective k + g·x (+ xᵀQx).
  Layout(int n, std::vector<double> objective, double k = 0.0) {
    rec.n = n;
    rec.lower.assign(n, -Inf);
    rec.upper.assign(n, Inf);
    rec.x.assign(n, 0.0);
    rec.model.resize(1);
    rec.model[0].g = std::move(objective);
    rec.model[0].k = k;
    rec.rowLower.assign(1, -Inf);
    rec.rowUpper.assign(1, Inf);
  }
  // lower <= g·x <= upper, placed before the objective.
  void row(std::vector<double> g, double lower, double upper) {
    SocpRowModel r;
    r.g = std::move(g);
    rec.model.insert(rec.model.begin() + rec.m, std::move(r));
    rec.rowLower.insert(rec.rowLower.begin() + rec.m, lower);
    rec.rowUpper.insert(rec.rowUpper.begin() + rec.m, upper);
    ++rec.m;
  }
  void square(int j, double q) {
    SocpRowModel& objective = rec.model[rec.m];
    if (!objective.q) objective.q = SM_create(rec.n, rec.n);
    SM_setVal(*objective.q, j, j, q);
  }
  // Solves the laid-out program; the objective in the model's sense.
  double solve() {
    socp& run = rec.run;
    Socp_loadProgram(run, rec.program);
    double params[SocpParamCount] = {0, 1e-9, 1e-9, 0.99, 0.1, 500, 3, 1, 1};
    SocpParams parsed;
    EXPECT_TRUE(Socp_parseParams(params, parsed));
    EXPECT_TRUE(Socp_isOptimal(Socp_runSolver(run, parsed, nullptr, nullptr)));
    return Socp_readSolution(rec, run, rec.x.data());
  }
};

TEST(SocpLayout, QuadraticFormKeepsBothSidesOfARangeRow) {
  for (double target : {3.0, -3.0}) {  // min (x - target)² with 0 <= x <= 1 as a row
    Layout l(1, {-2 * target}, target * target);
    l.square(0, 1.0);
    l.row({1.0}, 0.0, 1.0);
    ASSERT_EQ(Socp_buildQuadraticForm(l.rec, 1e-9), 0);
    double best = target > 0 ? 1.0 : 0.0;
    EXPECT_NEAR(l.solve(), (best - target) * (best - target), 1e-7);
    EXPECT_NEAR(l.rec.x[0], best, 1e-6);
  }
}

TEST(SocpLayout, QuadraticFormMaximisesALinearObjective) {
  Layout l(2, {1.0, 1.0});  // max x + y with x <= 2, y <= 1 (rows)
  l.rec.maximise = true;
  l.row({1.0, 0.0}, -Inf, 2.0);
  l.row({0.0, 1.0}, -Inf, 1.0);
  ASSERT_EQ(Socp_buildQuadraticForm(l.rec, 1e-9), 0);
  EXPECT_NEAR(l.solve(), 3.0, 1e-7);
}

// Variables t, z, y: the cone t >= |z|, the row z = 1, y outside the cones
// with -2 <= y <= -1 as one row; minimise (or maximise) y - t.
TEST(SocpLayout, ConeFormKeepsBothSidesAndNegativeValues) {
  for (bool maximise : {false, true}) {
    Layout l(3, {-1.0, 0.0, 1.0});
    l.rec.maximise = maximise;
    l.rec.coneKinds = {1};
    l.rec.coneStarts = {0, 2};
    l.rec.coneMembers = {0, 1};
    l.row({0.0, 1.0, 0.0}, 1.0, 1.0);
    l.row({0.0, 0.0, 1.0}, -2.0, -1.0);
    l.rec.upper[0] = 4.0;
    ASSERT_EQ(Socp_buildConeForm(l.rec), 0);
    double objective = l.solve();
    EXPECT_NEAR(l.rec.x[2], maximise ? -1.0 : -2.0, 1e-6);
    EXPECT_NEAR(objective, maximise ? -2.0 : -6.0, 1e-6);
  }
}

// Bounds of one run and the optimum they give (worked by hand).
struct BoundRun {
  std::vector<double> lower, upper;
  double objective;
  std::vector<double> x;
  int builds;  // layouts built so far, the set-up's included
};

// Lays out the model with the first run's bounds, then brings in each
// further run's bounds in place; each run's solution is the known optimum
// and the one of a layout built afresh with its bounds (within the
// tolerances: the quadratic form sizes its objective by the bounds it is
// built with, so a fresh layout takes steps of its own).
template <typename Make, typename Build, typename Update>
void runInPlace(Make make, Build build, Update update, const std::vector<BoundRun>& runs) {
  Layout l = make();
  for (std::size_t k = 0; k < runs.size(); ++k) {
    const BoundRun& run = runs[k];
    l.rec.lower = run.lower;
    l.rec.upper = run.upper;
    ASSERT_EQ(k == 0 ? build(l.rec) : update(l.rec), 0) << k;
    const double objective = l.solve();
    EXPECT_EQ(l.rec.programBuilds, run.builds) << k;
    EXPECT_NEAR(objective, run.objective, 1e-6) << k;
    Layout fresh = make();
    fresh.rec.lower = run.lower;
    fresh.rec.upper = run.upper;
    ASSERT_EQ(build(fresh.rec), 0) << k;
    EXPECT_NEAR(fresh.solve(), objective, 1e-8) << k;
    for (std::size_t j = 0; j < run.x.size(); ++j) {
      // Within the square root of the gap where the objective is flat.
      EXPECT_NEAR(l.rec.x[j], run.x[j], 1e-4) << k << " x" << j;
      EXPECT_NEAR(l.rec.x[j], fresh.rec.x[j], 1e-8) << k << " x" << j;
    }
  }
}

// The cone model above, minimising y - t. The second run moves y's shift
// and adds a lower bound to the cone member t; the third takes y's lower
// bound away, which a shifted variable cannot lose in place.
TEST(SocpLayout, ConeFormTakesEachRunsBoundsInPlace) {
  auto make = [] {
    Layout l(3, {-1.0, 0.0, 1.0});
    l.rec.coneKinds = {1};
    l.rec.coneStarts = {0, 2};
    l.rec.coneMembers = {0, 1};
    l.row({0.0, 1.0, 0.0}, 1.0, 1.0);
    l.row({0.0, 0.0, 1.0}, -2.0, -1.0);
    return l;
  };
  const std::vector<BoundRun> runs = {
      {{-Inf, -Inf, -3.0}, {4.0, Inf, Inf}, -6.0, {4.0, 1.0, -2.0}, 1},
      {{1.5, -Inf, -1.5}, {3.0, Inf, Inf}, -4.5, {3.0, 1.0, -1.5}, 1},
      {{-Inf, -Inf, -Inf}, {2.0, Inf, -1.8}, -4.0, {2.0, 1.0, -2.0}, 2},
      {{-Inf, -Inf, -Inf}, {2.5, Inf, -1.2}, -4.5, {2.5, 1.0, -2.0}, 2},
  };
  runInPlace(make, Socp_buildConeForm, Socp_convertConeForm, runs);
}

// min (x - 3)² over the bounds of each run: the bound columns come and go.
TEST(SocpLayout, QuadraticFormTakesEachRunsBoundsInPlace) {
  auto make = [] {
    Layout l(1, {-6.0}, 9.0);
    l.square(0, 1.0);
    return l;
  };
  auto build = [](SocpAdapterRecord& rec) { return Socp_buildQuadraticForm(rec, 1e-9); };
  auto update = [](SocpAdapterRecord& rec) {
    Socp_updateBoundColumns(rec);
    return 0;
  };
  const std::vector<BoundRun> runs = {
      {{0.0}, {1.0}, 4.0, {1.0}, 1},
      {{0.0}, {2.0}, 1.0, {2.0}, 1},
      {{-Inf}, {Inf}, 0.0, {3.0}, 1},
      {{3.5}, {Inf}, 0.25, {3.5}, 1},
  };
  runInPlace(make, build, update, runs);
}

}  // namespace
