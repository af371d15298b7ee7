// Presolve of the LP engine: binaries fixed by probing and by the sign of
// their cost on hand-made models, infeasibility found without a simplex
// iteration, bound tightening, the exported branching order, and redundant
// rows of the integer MPS models whose removal leaves the optimum unchanged.
#include <gtest/gtest.h>

#include "tests/support/LpIntegerKit.h"

namespace {

constexpr unsigned kProbe = 0x10000, kObjFix = 0x20000, kOrder = 0x40000, kTighten = 0x80000;

LpIntModel model(int n, std::vector<std::int32_t> flags, std::vector<double> upper) {
  LpIntModel m;
  m.n = n;
  m.x0.assign(n, 0.0);
  m.lower.assign(n, 0.0);
  m.upper = std::move(upper);
  m.flags = std::move(flags);
  m.integers = 0;
  for (std::int32_t f : m.flags) m.integers += f != 0 ? 1 : 0;
  return m;
}

int iterationReports(const LpFakeModel& m) {
  int count = 0;
  for (const auto& [flags, c] : m.progressCalls) count += (flags & 0x8) != 0 ? 1 : 0;
  return count;
}

TEST(LpPresolve, ProbingFixesABinaryThatTheRowNeedsAndObjectiveFixingFreesTheRest) {
  // min b1 + b2 + 10y, b1 + b2 + 5y >= 5, all binary. The relaxation alone
  // has b1 = b2 = 1, y = 0.6 (objective 8); y must be 1, after which the row
  // is redundant and b1, b2 go to 0 by their positive costs: objective 10.
  for (int scaling : {0, 1}) {
    LpIntModel m = model(3, {2, 2, 2}, {1, 1, 1});
    m.rows = {LpFake_row({{0, 1}, {1, 1}, {2, 5}}, 5, 1e30)};
    m.objective.terms = {{0, 1}, {1, 1}, {2, 10}};
    m.scaling = scaling;
    m.optionFlags = kProbe | kObjFix;
    LpIntRun run(m, 0);
    ASSERT_EQ(run.setup, 1);
    EXPECT_EQ(run.solve(), 0);
    EXPECT_NEAR(run.problem.objective, 10.0, 1e-9) << scaling;
    EXPECT_EQ(run.problem.lower[2], 1.0);
    EXPECT_EQ(run.problem.upper[0], 0.0);
    EXPECT_EQ(run.problem.upper[1], 0.0);
    EXPECT_EQ(run.record().presolve.rowStatus[1], '-');
  }
  // Without the switches, or with the integer restrictions relaxed, the
  // relaxation stands.
  for (int relaxed : {0, 1}) {
    LpIntModel m = model(3, {2, 2, 2}, {1, 1, 1});
    m.rows = {LpFake_row({{0, 1}, {1, 1}, {2, 5}}, 5, 1e30)};
    m.objective.terms = {{0, 1}, {1, 1}, {2, 10}};
    m.optionFlags = relaxed ? kProbe | kObjFix : 0;
    m.relaxIntegers = relaxed;
    LpIntRun run(m, 0);
    EXPECT_EQ(run.solve(), 0);
    EXPECT_NEAR(run.problem.objective, 8.0, 1e-9) << relaxed;
  }
}

TEST(LpPresolve, NegativeCoefficientsProbeTheOtherWay) {
  // 2 - b1 - 3b2 >= 0.5 (lower only): b2 = 1 would leave at most -1, so b2 is 0.
  // y - 4b3 <= -1 with y in [0, 2] (upper only): b3 = 0 leaves at least 0, so b3 is 1.
  LpIntModel m = model(4, {2, 2, 2, 0}, {1, 1, 1, 2});
  m.rows = {LpFake_row({{0, -1}, {1, -3}}, 0.5, 1e30, 2), LpFake_row({{3, 1}, {2, -4}}, -1e30, -1)};
  m.objective.terms = {{0, -1}, {1, -1}, {2, 1}, {3, 1}};
  m.optionFlags = kProbe;
  LpIntRun run(m, 0);
  EXPECT_EQ(run.solve(), 0);
  EXPECT_EQ(run.problem.upper[1], 0.0);
  EXPECT_EQ(run.problem.lower[2], 1.0);
  EXPECT_EQ(run.problem.lower[0], 0.0);
  EXPECT_EQ(run.problem.upper[0], 1.0);
}

TEST(LpPresolve, ObjectiveFixingByCostSignAndRowSense) {
  // b1 (cost 3) only in an upper-only row with a positive coefficient: 0.
  // b2 (cost -1) with coefficient -1 in that row: 1. b3 (cost 2) in an
  // equality row: stays free. b4 (cost 1) in a ranged row: stays free.
  LpIntModel m = model(5, {2, 2, 2, 2, 0}, {1, 1, 1, 1, 10});
  m.rows = {LpFake_row({{0, 1}, {1, -1}, {4, 1}}, -1e30, 4), LpFake_row({{2, 1}, {4, 1}}, 3, 3),
            LpFake_row({{3, 1}, {4, 1}}, 1, 5)};
  m.objective.terms = {{0, 3}, {1, -1}, {2, 2}, {3, 1}, {4, 1}};
  m.optionFlags = kObjFix;
  LpIntRun run(m, 0);
  EXPECT_EQ(run.solve(), 0);
  EXPECT_EQ(run.problem.upper[0], 0.0);
  EXPECT_EQ(run.problem.lower[1], 1.0);
  EXPECT_EQ(run.problem.upper[2], 1.0);
  EXPECT_EQ(run.problem.lower[2], 0.0);
  EXPECT_EQ(run.problem.upper[3], 1.0);
  // min: b2 = 1, b3 + y = 3 with y = 3 - b3 (cost 2 b3 + 3 - b3): b3 = 0,
  // y = 3 satisfies 1 <= b4 + y <= 5 with b4 = 0: 3 - 1 + 3 = ... = -1 + 3 = 2.
  EXPECT_NEAR(run.problem.objective, 2.0, 1e-9);
}

TEST(LpPresolve, BinariesAloneBreakingARowGiveInfeasibleWithoutAnIteration) {
  // 3 + b1 - b2 <= 1: at best 2.
  LpIntModel m = model(3, {2, 2, 0}, {1, 1, 5});
  m.rows = {LpFake_row({{0, 1}, {1, -1}}, -1e30, 1, 3), LpFake_row({{2, 1}, {0, 1}}, 1, 1e30)};
  m.objective.terms = {{2, 1}};
  m.optionFlags = kProbe;
  LpIntRun run(m, 0);
  m.progressCalls.clear();
  EXPECT_EQ(run.solve(), StatusInfeasible);
  EXPECT_EQ(iterationReports(m), 0);
}

TEST(LpPresolve, BoundTighteningFromRowsWithOneFiniteSide) {
  // y + 4b <= 6 gives y <= 6; 2y + b >= 3 gives y >= (3 - 21 + 20) / 2 = 1.
  LpIntModel m = model(2, {0, 2}, {10, 1});
  m.rows = {LpFake_row({{0, 1}, {1, 4}}, -1e30, 6), LpFake_row({{0, 2}, {1, 1}}, 3, 1e30)};
  m.objective.terms = {{0, 1}, {1, 1}};
  m.optionFlags = kTighten;
  LpIntRun run(m, 0);
  EXPECT_EQ(run.solve(), 0);
  EXPECT_NEAR(run.problem.upper[0], 6.0, 1e-12);
  EXPECT_NEAR(run.problem.lower[0], 1.0, 1e-12);
  EXPECT_NEAR(run.problem.objective, 1.5, 1e-9);  // y = 1.5, b = 0
}

TEST(LpPresolve, ExportedOrderRanksRowLeaders) {
  // Row 1: b1 + b2 + 10 b3 <= 11: leader b3 gains 10 / ((1 + 1) / 1) = 5.
  // Row 2: b1 + 3 b2 <= 3: leader b2 gains 3 (no smaller value counted).
  // y, a general integer, follows the binaries.
  LpIntModel m = model(4, {2, 2, 2, 1}, {1, 1, 1, 7});
  m.rows = {LpFake_row({{0, 1}, {1, 1}, {2, 10}}, -1e30, 11), LpFake_row({{0, 1}, {1, 3}, {3, 1}}, -1e30, 3)};
  m.objective.terms = {{0, -1}, {1, -1}, {2, -1}, {3, -1}};
  m.optionFlags = kOrder;
  {
    LpIntRun run(m, 0);
    ASSERT_EQ(run.setup, 1);
    ASSERT_NE(run.problem.engineOrder, nullptr);
    EXPECT_EQ(run.problem.engineIntegerCount, 4);
    const std::vector<std::int32_t> order(run.problem.engineOrder, run.problem.engineOrder + 4);
    EXPECT_EQ(order, (std::vector<std::int32_t>{3, 2, 1, 4}));
    EXPECT_EQ(run.problem.engineBinaryStatus[0], '-');
    EXPECT_EQ(run.solve(), 0);
    Lp_engineFinish(&run.problem);
    EXPECT_EQ(run.problem.engineOrder, nullptr);
    EXPECT_EQ(run.problem.engineIntegerCount, 0);
    run.problem.engineRecord = nullptr;
  }
  m.optionFlags = kOrder | 0x100000;  // node memory: no export
  LpIntRun run(m, 0);
  EXPECT_EQ(run.problem.engineOrder, nullptr);
}

// The relaxation of `m` as a pure LP (no integer flags).
double relaxation(LpIntModel m) {
  m.flags.clear();
  m.integers = 0;
  m.optionFlags = 0;
  LpIntRun run(m, 0);
  EXPECT_EQ(run.solve(), 0);
  return run.problem.objective;
}

TEST(LpPresolve, RedundantRowsOfTheIntegerModelsCanBeDropped) {
  int marked = 0;
  for (const char* name : {"p0033", "flugpl", "stein27", "egout", "vpm1"}) {
    LpIntModel m = LpInt_fromMps(name);
    ASSERT_GT(m.n, 0) << name;
    if (std::string(name) == "p0033") {  // a row that no choice of binaries can break
      LpFakeRow extra;
      for (int j = 0; j < m.n; ++j) extra.terms.emplace_back(j, 1.0);
      extra.upper = m.n + 1;
      m.rows.push_back(extra);
    }
    m.optionFlags = kOrder;  // builds the presolve, fixes nothing
    LpIntRun run(m, 0);
    ASSERT_EQ(run.solve(), 0) << name;
    const double full = run.problem.objective;
    const std::vector<char>& status = run.record().presolve.rowStatus;
    if (status.empty()) {  // no binaries (flugpl): the presolve keeps nothing
      EXPECT_EQ(run.record().presolve.binaryCount, 0) << name;
      continue;
    }
    LpIntModel reduced = m;
    reduced.rows.clear();
    for (std::size_t i = 0; i < m.rows.size(); ++i)
      if (status[i + 1] != '-') reduced.rows.push_back(m.rows[i]);
    marked += static_cast<int>(m.rows.size() - reduced.rows.size());
    if (std::string(name) == "p0033") {
      EXPECT_EQ(status[m.rows.size()], '-');
    }
    EXPECT_NEAR(relaxation(reduced), full, 1e-6 * (std::fabs(full) + 1)) << name;
    EXPECT_NEAR(relaxation(m), full, 1e-6 * (std::fabs(full) + 1)) << name;
  }
  EXPECT_GT(marked, 0);
}

}  // namespace
