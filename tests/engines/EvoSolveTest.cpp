// The evolutionary engine run by the library end to end: `Solve` action 0
// with "solver_eng" 3 on small non-smooth models built cell by cell (a sum
// of absolute values, an assignment over an alldifferent group whose optimum
// is enumerated here), the limits answered through the progress callback,
// the set-up checks, and the store callbacks of the interpreter's analysis.
#include <algorithm>
#include <array>
#include <cmath>

#include "engines/evolutionary/Evo_Engine.h"
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

TEST_F(EvoSolve, AssignmentOverAnAlldifferentGroupFindsTheCheapestPermutation) {
  assignmentModel();
  // Ends by the stall rule: a clock that moves a hundredth of a second per
  // reading, one second without improvement, no subproblem or
  // integer-solution limit within reach.
  name("solver_mni", "1");
  name("solver_mip", "1000000");
  name("solver_nod", "1000000");
  movingClock(10);
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
  // subproblems for the host's limits; the stall rule ends the run on a
  // clock that moves a hundredth of a second per reading.
  name("solver_mip", "1000000");
  name("solver_nod", "1000000");
  name("solver_mni", "2");
  movingClock(10);
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
  movingClock(10);
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  EXPECT_NEAR(valueAt("C1"), 2.0, 1e-3);
}
