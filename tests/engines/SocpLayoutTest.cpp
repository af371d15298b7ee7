// The SOCP engine's two layouts of a model as a cone program, filled by
// hand and solved by the core: both sides of a range row are kept in each,
// a maximised linear objective is maximised in the quadratic form, and the
// cone form keeps a variable's negative lower bound.
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

}  // namespace
