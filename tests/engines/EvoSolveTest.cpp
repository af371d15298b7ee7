// The evolutionary engine run by the library end to end: `Solve` action 0
// with "solver_eng" 3 on small non-smooth models built cell by cell (a sum
// of absolute values, an assignment over an alldifferent group whose optimum
// is enumerated here), the limits answered through the progress callback,
// the set-up checks, and the store callbacks of the interpreter's analysis.
#include <algorithm>
#include <array>
#include <cmath>

#include "engines/evolutionary/Evo_Engine.h"
#include "platform/calc/Calc.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

// Costs of giving position i (row) the value k + 1 (column).
constexpr std::array<std::array<double, 4>, 4> kCost = {{
    {9, 2, 7, 8},
    {6, 4, 3, 7},
    {5, 8, 1, 8},
    {7, 6, 9, 4},
}};

double cheapestAssignment() {
  std::array<int, 4> p = {0, 1, 2, 3};
  double best = 1e30;
  do {
    double cost = 0;
    for (int i = 0; i < 4; ++i) cost += kCost[i][p[i]];
    best = std::min(best, cost);
  } while (std::next_permutation(p.begin(), p.end()));
  return best;
}

class EvoSolve : public EngineSolveFixture {
 protected:
  // The stall rule ("solver_mni" seconds without a better point) counts on a
  // clock that moves a hundredth of a second per reading, so that a run
  // ends where it would on any machine, however loaded.
  void SetUp() override {
    EngineSolveFixture::SetUp();
    movingClock(10);
  }
  // minimise |x - 3| + |y + 1| over [-10, 10]^2 from (8, 8).
  void absoluteModel() {
    twoVariables("ABS(A1-3)+ABS(B1+1)", 2, 3, 2, 8, 8);
    name("solver_rsd", "17");
    bounds(1, "Model!$A$1:$B$1", -10, 10);
  }
  // Four positions taking the values 1..4 once each; position i with value
  // v costs kCost[i][v - 1].
  void assignmentModel() {
    newModel();
    const char* cells[4] = {"A1", "B1", "C1", "D1"};
    std::string objective;
    for (int i = 0; i < 4; ++i) {
      number(cells[i], 1);
      std::string choose = std::string("CHOOSE(") + cells[i];
      for (double c : kCost[i]) choose += "," + std::to_string(static_cast<int>(c));
      objective += (i ? "+" : "") + choose + ")";
    }
    formula("E1", objective);
    name("solver_adj", "Model!$A$1:$D$1");
    name("solver_opt", "Model!$E$1");
    name("solver_typ", "2");
    name("solver_eng", "3");
    name("solver_rsd", "17");
    name("solver_num", "1");
    name("solver_lhs1", "Model!$A$1:$D$1");
    name("solver_rel1", "6");
    name("solver_rhs1", "alldifferent");
  }
};

}  // namespace

TEST_F(EvoSolve, SumOfAbsoluteValuesReachesItsMinimum) {
  absoluteModel();
  name("solver_mni", "5");
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  EXPECT_EQ(context->currentEngine, 2);
  // The objective cell, recalculated at the solution left in the cells.
  EXPECT_LT(valueAt("C1"), 0.05);
  EXPECT_NEAR(valueAt("A1"), 3.0, 0.05);
  EXPECT_NEAR(valueAt("B1"), -1.0, 0.05);
}

TEST_F(EvoSolve, FixedSeedRepeatsTheRun) {
  absoluteModel();
  name("solver_mni", "2");
  name("solver_nod", "300");
  solve(0);
  const double a = valueAt("A1"), b = valueAt("B1");
  number("A1", 8);
  number("B1", 8);
  solve(0);
  EXPECT_EQ(valueAt("A1"), a);
  EXPECT_EQ(valueAt("B1"), b);
}

namespace {

// A clock that the model drives: one millisecond per evaluation of the
// objective cell, and the evaluations made once it has passed `g_limitTick`.
std::uint32_t g_ticks = 0, g_limitTick = 0;
int g_lateEvaluations = 0;
std::uint32_t drivenTick() { return g_ticks; }

}  // namespace

class EvoDrivenClock : public EvoSolve {
 protected:
  // Ten variables in [-5, 5] from 0; the rows 10 (x_{i+1} - x_i^2) = 0 and
  // 1 - x_1 = 0, the residuals of the extended Rosenbrock function, hold
  // only at (1, ..., 1), so nearly every child is infeasible and its repair
  // runs the least-squares search, tens of iterations of eleven and more
  // evaluations each. The objective cell moves the clock.
  void rosenbrockRows() {
    g_ticks = g_limitTick = 0;
    g_lateEvaluations = 0;
    Calc_registerFunction("EVOTICK", [](const std::vector<CalcArray>& args) {
      if (++g_ticks > g_limitTick && g_limitTick > 0) ++g_lateEvaluations;
      return args[0];
    });
    Os_setTickSource(drivenTick);
    newModel();
    const std::string columns = "ABCDEFGHIJ";
    for (int j = 0; j < 10; ++j) number((columns.substr(j, 1) + "1").c_str(), 0);
    for (int j = 0; j < 9; ++j)
      formula((columns.substr(j, 1) + "3").c_str(),
              "10*(" + columns.substr(j + 1, 1) + "1-" + columns.substr(j, 1) + "1^2)");
    formula("J3", "1-A1");
    formula("L1", "EVOTICK(SUM(A1:J1))");
    names({{"solver_adj", "Model!$A$1:$J$1"},
           {"solver_opt", "Model!$L$1"},
           {"solver_typ", "2"},
           {"solver_eng", "3"},
           {"solver_num", "3"},
           {"solver_rsd", "7"},
           {"solver_ssz", "10"},
           {"solver_mni", "100000"},
           {"solver_itr", "1000000"},
           {"solver_nod", "1000000"},
           {"solver_mip", "1000000"}});
    bounds(1, "Model!$A$1:$J$1", -5, 5);
    row(3, "Model!$A$3:$J$3", 2, 0);
  }
};

TEST_F(EvoDrivenClock, AModelThatEvaluatesNowhereEndsTheFillWithAnEvaluationFailure) {
  // The objective is #DIV/0! at every point, so no candidate of the fill is
  // accepted. The fill gives up after 3 x popSize + 2n candidates in a row
  // (64 here) and the run ends with status 9, long before the time limit of
  // a hundred thousand evaluations, which would end it otherwise.
  rosenbrockRows();
  formula("L1", "EVOTICK(SUM(A1:J1))/0");
  name("solver_num", "2");
  name("solver_tim", "100");
  g_limitTick = 100000;
  EXPECT_EQ(solve(0), StatusEvalError);
  EXPECT_LT(g_ticks, 1000u);
}

TEST_F(EvoDrivenClock, TimeLimitEndsALongLeastSquaresRepairAtItsNextProgressCheck) {
  // One second is a thousand evaluations: the limit strikes inside a
  // repair's search, which checks progress after every iteration, so the
  // run ends within one iteration's evaluations (a gradient of ten, a few
  // line-search trials, the incumbent shown and the final evaluation).
  rosenbrockRows();
  name("solver_tim", "1");
  g_limitTick = 1000;
  EXPECT_EQ(solve(0), StatusTimeLimit);
  EXPECT_GT(g_ticks, 1000u);
  EXPECT_LE(g_lateEvaluations, 25);
  for (const char* cell : {"A1", "E1", "J1"}) EXPECT_LE(std::fabs(valueAt(cell)), 5.0);
}

TEST_F(EvoDrivenClock, TimeLimitDuringTheSetUpEndsTheRunThere) {
  // Twenty milliseconds are twenty evaluations: the limit strikes while the
  // set-up captures the rows' coefficients or fills a population of 200.
  // Every later progress call answers stop, and the set-up's loops end at
  // their next check instead of filling the population first.
  rosenbrockRows();
  name("solver_ssz", "200");
  name("solver_tim", "0.02");
  g_limitTick = 20;
  EXPECT_EQ(solve(0), StatusTimeLimit);
  EXPECT_LE(g_lateEvaluations, 25);
}

TEST_F(EvoDrivenClock, FixedSeedRepeatsARunWithRepairsExactly) {
  // Two runs from the same start with the same seed make the same
  // evaluations in the same order and end at the same point.
  rosenbrockRows();
  name("solver_tim", "2");
  std::vector<std::vector<double>> ends;
  std::vector<std::uint32_t> evaluations;
  for (int run = 0; run < 2; ++run) {
    for (const char* cell : {"A1", "B1", "C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1"}) number(cell, 0);
    g_ticks = 0;
    EXPECT_EQ(solve(0), StatusTimeLimit);
    evaluations.push_back(g_ticks);
    ends.push_back({});
    for (const char* cell : {"A1", "B1", "C1", "D1", "E1", "F1", "G1", "H1", "I1", "J1"})
      ends.back().push_back(valueAt(cell));
  }
  EXPECT_EQ(evaluations[0], evaluations[1]);
  EXPECT_EQ(ends[0], ends[1]);
}

TEST_F(EvoSolve, AssignmentOverAnAlldifferentGroupFindsTheCheapestPermutation) {
  assignmentModel();
  // Ends by the stall rule: one second without improvement, no subproblem
  // or integer-solution limit within reach.
  name("solver_mni", "1");
  name("solver_mip", "1000000");
  name("solver_nod", "1000000");
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  std::array<double, 4> values = {valueAt("A1"), valueAt("B1"), valueAt("C1"), valueAt("D1")};
  std::array<double, 4> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::array<double, 4>{1, 2, 3, 4}));
  EXPECT_EQ(valueAt("E1"), cheapestAssignment());
  EXPECT_TRUE(Os_messageBoxes().empty());
}

TEST_F(EvoSolve, IterationLimitStopsTheRun) {
  absoluteModel();
  name("solver_itr", "1");
  EXPECT_EQ(solve(0), StatusIterationLimit);
  // The point left in the cells is inside the bounds.
  EXPECT_LE(std::fabs(valueAt("A1")), 10.0);
  EXPECT_LE(std::fabs(valueAt("B1")), 10.0);
  // The front end's macro lets the run go on: the limit is not asked again.
  number("A1", 8);
  number("B1", 8);
  defineShow(1);
  EXPECT_TRUE(normalEnd(solve(0)));
  EXPECT_EQ(reasons, std::vector<double>{3});
  EXPECT_LT(valueAt("C1"), 0.05);
}

TEST_F(EvoSolve, SetupRefusesUnboundedVariablesWhenBoundsAreRequired) {
  absoluteModel();
  name("solver_num", "1");
  name("solver_lhs1", "Model!$A$1:$B$1");
  name("solver_rel1", "3");
  name("solver_rhs1", "-10");
  EXPECT_EQ(solve(0), StatusUnboundedVariable);
  EXPECT_EQ(valueAt("A1"), 8.0);
}

TEST_F(EvoSolve, ConstrainedMinimumIsApproachedFromTheFeasibleSide) {
  // |x - 3| + |y + 1| with x + y >= 4: every point of the segment x + y = 4,
  // 3 <= x <= 5, costs 2, the least.
  absoluteModel();
  formula("D1", "A1+B1");
  name("solver_num", "3");
  row(3, "Model!$D$1", 3, 4);
  // Feasible members count as integer solutions and crossover children as
  // subproblems for the host's limits; the stall rule ends the run.
  name("solver_mip", "1000000");
  name("solver_nod", "1000000");
  name("solver_mni", "2");
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  EXPECT_GE(valueAt("D1"), 4 - 1e-6);
  EXPECT_NEAR(valueAt("C1"), 2.0, 0.05);
}

TEST_F(EvoSolve, RowLimitCountsTheObjectiveRow) {
  // 250 constraint cells and the objective make 251 rows: accepted (the
  // iteration limit of 1 ends the run at once); one more cell is refused.
  for (int cells : {250, 251}) {
    SCOPED_TRACE(cells);
    absoluteModel();
    for (int r = 1; r <= cells; ++r) formula(("F" + std::to_string(r)).c_str(), "A1+B1");
    name("solver_num", "3");
    name("solver_lhs3", "Model!$F$1:$F$" + std::to_string(cells));
    name("solver_rel3", "1");
    name("solver_rhs3", "100");
    name("solver_itr", "1");
    EXPECT_EQ(solve(0), cells == 250 ? StatusIterationLimit : StatusBadModel);
  }
}

TEST_F(EvoSolve, StoreCallbacksWriteIntoTheirTables) {
  auto storeValue = ordinal<int (*)(LibraryContext*, void*, int, int, double, void*)>(47);
  auto storeClass = ordinal<int (*)(LibraryContext*, void*, int, int, int, void*)>(48);
  double values[2][3] = {};
  double* valueRows[2] = {values[0], values[1]};
  EXPECT_EQ(storeValue(context, nullptr, 0, 1, 2.5, valueRows), 1);
  EXPECT_EQ(values[1][2], 2.5);
  EXPECT_EQ(storeValue(context, nullptr, -1, 0, 7.0, valueRows), 1);
  EXPECT_EQ(values[0][1], 7.0);
  EXPECT_EQ(storeValue(context, nullptr, 0, 0, 1.0, nullptr), 0);
  char classes[2][3] = {{'Z', 'Z', 'Z'}, {'Z', 'Z', 'Z'}};
  char* classRows[2] = {classes[0], classes[1]};
  EXPECT_EQ(storeClass(context, nullptr, 1, 0, 1, classRows), 1);
  EXPECT_EQ(storeClass(context, nullptr, 1, 1, 4, classRows), 1);
  EXPECT_EQ(storeClass(context, nullptr, 0, 2, 8, classRows), 1);
  EXPECT_EQ(storeClass(context, nullptr, 0, 0, 2, classRows), 1);
  EXPECT_EQ(std::string(classes[1], 2), "LS");
  EXPECT_EQ(std::string(classes[0], 3), "ZZN");
  EXPECT_EQ(storeClass(context, nullptr, 0, 0, 1, nullptr), 0);
}

TEST_F(EvoSolve, ValueOfObjectiveIsSearchedAsAFeasiblePoint) {
  // The objective cell to reach 2: an equality row, no objective of its own.
  absoluteModel();
  name("solver_typ", "3");
  name("solver_val", "2");
  name("solver_mni", "2");
  name("solver_mip", "1000000");
  name("solver_nod", "1000000");
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  EXPECT_NEAR(valueAt("C1"), 2.0, 1e-3);
}
