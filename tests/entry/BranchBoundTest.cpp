// The branch-and-bound driver run through the library's runner around a
// small exact LP engine: optima against exhaustive enumeration, the gap
// test, the subproblem limit, allocation failures and snapshot ownership.
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "tests/entry/BranchBoundFixture.h"

namespace {

constexpr double Inf = 1e30;

// max 10a + 13b + 7c + 8d + 6e (minimised negated) with
// 4a + 6b + 3c + 5d + 2e <= 17, a and b integer in [0, 2], c, d, e binary.
TinyModel knapsack() {
  TinyModel m;
  m.cost = {-10, -13, -7, -8, -6};
  m.rows = {{4, 6, 3, 5, 2}};
  m.rowLower = {-Inf};
  m.rowUpper = {17};
  m.lower = {0, 0, 0, 0, 0};
  m.upper = {2, 2, 1, 1, 1};
  return m;
}

// The best integer point of a knapsack model, by enumerating the box.
double enumeratedOptimum(const TinyModel& m) {
  double best = Inf;
  std::vector<double> x(m.n());
  std::function<void(int)> walk = [&](int j) {
    if (j == m.n()) {
      if (m.feasible(x)) best = std::min(best, m.objective(x));
      return;
    }
    for (double v = m.lower[j]; v <= m.upper[j]; ++v) {
      x[j] = v;
      walk(j + 1);
    }
  };
  walk(0);
  return best;
}

// Two alldifferent groups x1..x3 and y1..y3 over 1..3 with x1 + y1 >= 5 and
// x2 + y2 <= 3; minimise 5x1 + 4x2 + x3 + 2y1 + 6y2 + 3y3.
TinyModel assignment() {
  TinyModel m;
  m.cost = {5, 4, 1, 2, 6, 3};
  m.rows = {{1, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 1, 0}};
  m.rowLower = {5, -Inf};
  m.rowUpper = {Inf, 3};
  m.lower.assign(6, 1);
  m.upper.assign(6, 3);
  return m;
}

double permutationOptimum(const TinyModel& m) {
  std::vector<double> p = {1, 2, 3}, q = {1, 2, 3};
  double best = Inf;
  do {
    do {
      std::vector<double> x = {p[0], p[1], p[2], q[0], q[1], q[2]};
      if (m.feasible(x)) best = std::min(best, m.objective(x));
    } while (std::next_permutation(q.begin(), q.end()));
  } while (std::next_permutation(p.begin(), p.end()));
  return best;
}

bool distinct(double a, double b, double c) { return a != b && b != c && a != c; }

}  // namespace

class BranchBoundKnapsack : public BranchBound {
 protected:
  void SetUp() override {
    BranchBound::SetUp();
    engine.model = knapsack();
    workbookModel(5, {{"Model!$A$1:$A$2", 4}, {"Model!$A$3:$A$5", 5}});
  }
  // The final point is an integer solution of the model with the objective
  // the run reported.
  void expectIntegerSolution() {
    ASSERT_EQ(engine.finalValues.size(), 5u);
    EXPECT_TRUE(integral(engine.finalValues));
    EXPECT_TRUE(engine.model.feasible(engine.finalValues));
    EXPECT_NEAR(engine.model.objective(engine.finalValues), engine.finalObjective, 1e-9);
  }
};

TEST_F(BranchBoundKnapsack, ReachesTheEnumeratedOptimum) {
  double truth = enumeratedOptimum(engine.model);
  ASSERT_EQ(truth, -40);   // a = 2, b = 1, c = 1: weight 8 + 6 + 3 = 17
  EXPECT_EQ(run(), StatusSolved);
  expectIntegerSolution();
  EXPECT_NEAR(engine.finalObjective, truth, 1e-9);
  EXPECT_GT(engine.solves, 1);
}

TEST_F(BranchBoundKnapsack, ReachesTheOptimumWithoutReducedCosts) {
  engine.reducedCosts = false;
  EXPECT_EQ(run(), StatusSolved);
  expectIntegerSolution();
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
}

TEST_F(BranchBoundKnapsack, ALargeGapToleranceStopsEarlyWith14) {
  name("solver_tol", "0.9");
  EXPECT_EQ(run(), StatusHeuristicInteger);
  expectIntegerSolution();
  EXPECT_GE(engine.finalObjective, enumeratedOptimum(engine.model) - 1e-9);
  int early = engine.solves;

  TinyEngine full;
  full.model = engine.model;
  g_tiny = &full;
  name("solver_tol", "0");
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_LT(early, full.solves);
  g_tiny = &engine;
}

TEST_F(BranchBoundKnapsack, TheSubproblemLimitWithShowStoppingGives15) {
  name("solver_nod", "2");
  defineShow(3);   // neither go on (1) nor the user's own stop (2): the limit's stop
  EXPECT_EQ(run(), StatusSubproblemLimit);
  EXPECT_LE(engine.solves, 3 + 1);   // the root and the two counted subproblems
}

TEST_F(BranchBoundKnapsack, TheSubproblemLimitWithShowGoingOnFinishes) {
  name("solver_nod", "2");
  defineShow(1);
  EXPECT_EQ(run(), StatusSolved);
  expectIntegerSolution();
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
}

TEST_F(BranchBoundKnapsack, ANodeThatCannotBeAllocatedReports11AndKeepsTheIncumbent) {
  // Node allocation fails after k nodes: before the first integer solution
  // the root stands with status 5; after it the incumbent stands with its
  // own status. Never does a cut-short search claim an optimum.
  bool incumbentKept = false;
  for (int k = 1;; ++k) {
    TinyEngine attempt;
    attempt.model = engine.model;
    g_tiny = &attempt;
    Eng_failBranchNodesAfter(k);
    int status = run();
    EXPECT_EQ(end(), 1);
    if (status == StatusSolved) break;   // k nodes were enough for the whole search
    ASSERT_EQ(status, StatusOutOfMemory) << k;
    if (attempt.finalStatus == StatusInfeasible) continue;
    ASSERT_EQ(attempt.finalStatus, StatusSolved) << k;
    EXPECT_TRUE(integral(attempt.finalValues)) << k;
    EXPECT_TRUE(attempt.model.feasible(attempt.finalValues)) << k;
    EXPECT_NEAR(attempt.model.objective(attempt.finalValues), attempt.finalObjective, 1e-9);
    incumbentKept = true;
  }
  g_tiny = &engine;
  EXPECT_TRUE(incumbentKept);
}

TEST_F(BranchBoundKnapsack, ARootThatCannotBeAllocatedReports11) {
  Eng_failBranchNodesAfter(0);
  EXPECT_EQ(run(), StatusOutOfMemory);
  EXPECT_EQ(engine.solves, 1);
}

TEST_F(BranchBoundKnapsack, AnIntegralRelaxationEndsAfterOneSolve) {
  engine.model.rowUpper = {30};   // everything fits: the relaxation is integral
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_EQ(engine.solves, 1);
  EXPECT_NEAR(engine.finalObjective, -67, 1e-9);   // every item at its upper bound
}

TEST_F(BranchBoundKnapsack, NoIntegerSolutionGives5) {
  // 2a + 2b = 3 has no integer solution, its relaxation has.
  engine.model.rows = {{2, 2, 0, 0, 0}};
  engine.model.rowLower = {3};
  engine.model.rowUpper = {3};
  EXPECT_EQ(run(), StatusInfeasible);
}

TEST_F(BranchBoundKnapsack, MaximisedObjectiveReachesTheDriverNegated) {
  // The objective to maximise: the engine hands back the model's own value,
  // which the driver negates to search, and gives back in the engine's sense.
  name("solver_typ", "1");
  engine.maximise = true;
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
}

TEST_F(BranchBoundKnapsack, ChildrenWithoutSnapshotsShareTheirParents) {
  for (auto mode : {TinyEngine::FirstKept, TinyEngine::FirstCleared}) {
    TinyEngine attempt;
    attempt.model = engine.model;
    attempt.snapshots = mode;
    g_tiny = &attempt;
    EXPECT_EQ(run(), StatusSolved);   // every snapshot handed back was alive, all released
    EXPECT_NEAR(attempt.finalObjective, -40, 1e-9);
    EXPECT_EQ(end(), 1);
  }
  g_tiny = &engine;
}

TEST_F(BranchBoundKnapsack, AHeuristicSolutionIsStoredAndTheSearchGoesOn) {
  engine.heuristicPoint = {1, 1, 1, 0, 0};   // weight 13, value 30
  EXPECT_EQ(run(), StatusSolved);
  expectIntegerSolution();
  EXPECT_NEAR(engine.finalObjective, -40, 1e-9);
}

TEST_F(BranchBoundKnapsack, AnOptimalHeuristicSolutionStandsWhenNothingBeatsIt) {
  engine.heuristicPoint = {2, 1, 1, 0, 0};
  name("solver_tol", "0.9");   // the first node selection ends the search
  EXPECT_EQ(run(), StatusHeuristicInteger);
  EXPECT_EQ(engine.finalValues, engine.heuristicPoint);
  EXPECT_NEAR(engine.finalObjective, -40, 1e-9);
}

// One integer variable in [0, 5] at the relaxation's value `value`: which
// child is solved first.
class BranchBoundDirection : public BranchBound {
 protected:
  std::pair<double, double> firstChildBounds(double value) {
    engine.model = TinyModel{};
    engine.model.cost = {-1};
    engine.model.rows = {{1}};
    engine.model.rowLower = {-Inf};
    engine.model.rowUpper = {value};
    engine.model.lower = {0};
    engine.model.upper = {5};
    workbookModel(1, {{"Model!$A$1", 4}});
    EXPECT_EQ(run(), StatusSolved);
    EXPECT_EQ(engine.finalValues, std::vector<double>{std::floor(value)});
    return engine.firstBounds.size() > 1 ? engine.firstBounds[1] : std::make_pair(-1.0, -1.0);
  }
};

TEST_F(BranchBoundDirection, BelowOneHalfGoesUpFirst) {
  EXPECT_EQ(firstChildBounds(2.4), std::make_pair(3.0, 5.0));
}

TEST_F(BranchBoundDirection, AtOneHalfGoesDownFirst) {
  EXPECT_EQ(firstChildBounds(2.5), std::make_pair(0.0, 2.0));
}

TEST_F(BranchBoundDirection, AboveOneHalfGoesDownFirst) {
  EXPECT_EQ(firstChildBounds(2.6), std::make_pair(0.0, 2.0));
}

class BranchBoundAssignment : public BranchBound {
 protected:
  void SetUp() override {
    BranchBound::SetUp();
    engine.model = assignment();
    workbookModel(6, {{"Model!$A$1:$A$3", 6}, {"Model!$A$4:$A$6", 6}});
  }
};

TEST_F(BranchBoundAssignment, AllDifferentGroupsReachThePermutationOptimum) {
  double truth = permutationOptimum(engine.model);
  EXPECT_EQ(run(), StatusSolved);
  const std::vector<double>& x = engine.finalValues;
  ASSERT_EQ(x.size(), 6u);
  EXPECT_TRUE(integral(x));
  EXPECT_TRUE(engine.model.feasible(x));
  EXPECT_TRUE(distinct(x[0], x[1], x[2]));
  EXPECT_TRUE(distinct(x[3], x[4], x[5]));
  EXPECT_NEAR(engine.finalObjective, truth, 1e-9);
  EXPECT_NEAR(engine.model.objective(x), truth, 1e-9);
}

TEST_F(BranchBoundAssignment, WithoutReducedCostsTheSameOptimum) {
  engine.reducedCosts = false;
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_NEAR(engine.finalObjective, permutationOptimum(engine.model), 1e-9);
}

// A child whose relaxation lies within the integrality tolerance above its
// node's counts as no worse than the node. min 4e-9 y + 1e-8 z with x
// integer in [0, 1], x + y >= 0.5 and x - z <= 0.5: the root has x = 0.5 at
// 0; the down child (x = 0, y = 0.5) costs 2e-9 and the up child (x = 1,
// z = 0.5) 5e-9, both integral. Both take the node's 0, so the up child,
// solved second, is not worse than the down child and becomes the incumbent.
TEST_F(BranchBound, ChildrenWithinTheToleranceTakeTheirNodesObjective) {
  engine.model.cost = {0, 4e-9, 1e-8};
  engine.model.rows = {{1, 1, 0}, {1, 0, -1}};
  engine.model.rowLower = {0.5, -Inf};
  engine.model.rowUpper = {Inf, 0.5};
  engine.model.lower = {0, 0, 0};
  engine.model.upper = {1, 1, 1};
  workbookModel(3, {{"Model!$A$1", 4}});
  name("solver_pre", "0.00000001");
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_EQ(engine.solves, 3);
  EXPECT_EQ(engine.finalValues, (std::vector<double>{1, 0, 0.5}));
  EXPECT_EQ(engine.finalObjective, 0.0);
}
