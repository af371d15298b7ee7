// The evolutionary engine's repair on workbook models: an infeasible point
// moved into the region of the linear rows, the integer step search, the
// linear-programming step to the optimum of a linear objective, and the
// quasi-Newton least-squares method on smooth functions of its own.
#include <cmath>

#include "engines/evolutionary/Evo_Repair.h"
#include "platform/calc/Calc.h"
#include "platform/xlcall/Xlc_Host.h"
#include "tests/engines/EvoRecordFixture.h"

namespace {

using EvoRepair = EvoRecordFixture;

TEST_F(EvoRepair, InfeasiblePointIsMovedToTheBestVertexOfTheLinearRegion) {
  // min x + 2y over x + y >= 6, x - y <= 1, [0, 10]^2: (3.5, 2.5), 8.5.
  linearModel("A1+2*B1");
  EvoRecord& rec = open();
  ASSERT_EQ(rec.linear.linearRows, 2);
  ASSERT_EQ(rec.linear.linearVars, 2);
  std::vector<double> x = {0.0, 0.0};
  double fitness = 0.0;
  ASSERT_EQ(Evo_evaluateFitness(rec, x.data(), &fitness), EvoRejected);
  const int evaluations = rec.stats.evaluations;
  ASSERT_EQ(Evo_repair(rec, x.data(), nullptr, &fitness, 0), EvoAccepted);
  EXPECT_GT(rec.stats.evaluations, evaluations);
  EXPECT_EQ(rec.stats.linearSuccesses, 1);
  EXPECT_EQ(rec.stats.blendAttempts, 0);  // no feasible guide to blend toward
  EXPECT_NEAR(x[0], 3.5, 1e-9);
  EXPECT_NEAR(x[1], 2.5, 1e-9);
  // The fitness is the objective there: no penalty is left.
  EXPECT_NEAR(fitness, 8.5, 1e-9);
  EXPECT_NEAR(rec.rowValues[0], 6.0, 1e-9);
  // The bounds fixed for the repair are back.
  EXPECT_EQ(rec.lower, (std::vector<double>{0, 0}));
  EXPECT_EQ(rec.upper, (std::vector<double>{10, 10}));
  close();
}

TEST_F(EvoRepair, QuasiNewtonSearchMeetsANonlinearRow) {
  // x^2 + y^2 >= 4 from (0.5, 0.5): no linear rows, so the least-squares
  // search drives the point out past the circle (where its merit is 0).
  twoVariables("ABS(A1)+ABS(B1)", 2, 3, 3, 0.5, 0.5);
  formula("D2", "A1^2+B1^2");
  bounds(1, "Model!$A$1:$B$1", -10, 10);
  row(3, "Model!$D$2", 3, 4);
  EvoRecord& rec = open();
  EXPECT_EQ(rec.linear.linearRows, 0);
  std::vector<double> x = {0.5, 0.5};
  double fitness = 0.0;
  ASSERT_EQ(Evo_evaluateFitness(rec, x.data(), &fitness), EvoRejected);
  ASSERT_EQ(Evo_repair(rec, x.data(), nullptr, &fitness, 0), EvoAccepted);
  EXPECT_EQ(rec.stats.quasiNewtonAttempts, 1);
  EXPECT_GE(x[0] * x[0] + x[1] * x[1], 4.0 - 1e-7);
  for (double v : x) EXPECT_LE(std::fabs(v), 10.0);
  // The child's start stays in x0 for later use.
  EXPECT_EQ(rec.x0, (std::vector<double>{0.5, 0.5}));
  close();
}

// Evaluations of the row D2 so far, and the one at which the user presses
// the break key.
int g_rowEvaluations = 0, g_breakAt = 0;

TEST_F(EvoRepair, BreakEndsTheQuasiNewtonSearchAtItsNextProgressCheck) {
  // The search of the previous test runs for several iterations (19 merit
  // evaluations). A break pressed at its fourth merit evaluation, the first
  // line-search trial, ends it at the check after that iteration's gradient
  // (n more evaluations), with the user's stop for the run.
  Calc_registerFunction("EVOROW", [](const std::vector<CalcArray>& args) {
    if (++g_rowEvaluations == g_breakAt) Xlc_pressBreak();
    return args[0];
  });
  twoVariables("ABS(A1)+ABS(B1)", 2, 3, 3, 0.5, 0.5);
  formula("D2", "EVOROW(A1^2+B1^2)");
  bounds(1, "Model!$A$1:$B$1", -10, 10);
  row(3, "Model!$D$2", 3, 4);
  EvoRecord& rec = open();
  std::vector<double> x = {0.5, 0.5};
  double fitness = 0.0;
  ASSERT_EQ(Evo_evaluateFitness(rec, x.data(), &fitness), EvoRejected);
  const int evaluations = rec.stats.evaluations;
  g_breakAt = g_rowEvaluations + 4;
  EXPECT_EQ(Evo_repair(rec, x.data(), nullptr, &fitness, 0), StatusUserStop);
  EXPECT_EQ(rec.stats.evaluations - evaluations, 4 + rec.n);
  close();
}

TEST_F(EvoRepair, BreakEndsThePerturbationCaptureAtItsNextEvaluation) {
  // Only D2 = x / 10000 + y depends on x, by more than 0.01 from the step
  // 1000 on: four steps. With a break pending, the capture ends at its first
  // step, and the user's stop ends the run. D3 reads only y, so the
  // recalculations evaluate it at x = 0, at the start, at the capture's base
  // and at the incumbent shown, but not at the step, which moves x alone.
  Calc_registerFunction("EVOROW", [](const std::vector<CalcArray>& args) {
    ++g_rowEvaluations;
    return args[0];
  });
  linearModel("B1", "A1/10000+B1");
  formula("D3", "EVOROW(B1)");
  EvoRecord& rec = open();
  EXPECT_EQ(rec.linear.captureStep[0], 1000);
  const int before = g_rowEvaluations;
  Xlc_pressBreak();
  EXPECT_EQ(Evo_linearAnalysis(rec), StatusUserStop);
  EXPECT_EQ(g_rowEvaluations - before, 4);
  close();
}

TEST_F(EvoRepair, PointsInGroupsOnlyAreNeverRepaired) {
  linearModel("ABS(A1-2)+ABS(B1-7)");
  EvoRecord& rec = open();
  rec.allDiffCells = rec.n;
  std::vector<double> x = {0.0, 0.0};
  double fitness = 0.0;
  const int evaluations = rec.stats.evaluations;
  EXPECT_EQ(Evo_repair(rec, x.data(), nullptr, &fitness, 0), EvoRejected);
  EXPECT_EQ(rec.stats.evaluations, evaluations);
  EXPECT_EQ(x, (std::vector<double>{0, 0}));
  close();
}

TEST_F(EvoRepair, LinearStepReachesTheOptimumOfALinearObjective) {
  // min x + 2y over x + y >= 6, x - y <= 1, [0, 10]^2: (3.5, 2.5), 8.5.
  linearModel("A1+2*B1");
  EvoRecord& rec = open();
  std::vector<double> x = {5.0, 5.0};
  ASSERT_EQ(Evo_linearStep(rec, x.data()), 0);
  EXPECT_NEAR(x[0], 3.5, 1e-6);
  EXPECT_NEAR(x[1], 2.5, 1e-6);
  // The estimated gradient, negated for minimising, stands in the objective row.
  EXPECT_NEAR(rec.linear.tableau[0][1], -1.0, 1e-4);
  EXPECT_NEAR(rec.linear.tableau[0][2], -2.0, 1e-4);
  close();
}

TEST_F(EvoRepair, IntegerStepSearchMeetsTheRowsWithUnitMoves) {
  // Integer x and y in [0, 10]: 2x + 3y >= 12 and x <= y + 1.
  linearModel("ABS(A1-B1)", "2*A1+3*B1", 12);
  EvoRecord& rec = open();
  rec.types = {1, 1};  // the type codes the runner hands to solve
  ASSERT_EQ(rec.linear.linearRows, 2);
  // From (2, 2) the first row lacks 2: a unit more of x (first in the list)
  // or of y both bring the estimated excess to 0; the first move found
  // stays the best, and the second round finds the rows met.
  std::vector<double> trial = {2.0, 2.0};
  const int result = Evo_integerStepSearch(rec, trial.data());
  ASSERT_EQ(result, 0);
  EXPECT_EQ(trial, (std::vector<double>{3.0, 2.0}));
  EXPECT_EQ(rec.stats.stepSuccesses, 1);
  // From (0, 0) two rounds of unit moves cannot make up 12.
  std::vector<double> far = {0.0, 0.0};
  EXPECT_EQ(Evo_integerStepSearch(rec, far.data()), EvoRejected);
  EXPECT_EQ(far, (std::vector<double>{0.0, 0.0}));
  // A value just below an integer fails the test at once.
  std::vector<double> below = {3.0 - rec.settings.precision / 2, 0.0};
  EXPECT_EQ(Evo_integerStepSearch(rec, below.data()), EvoRejected);
  close();
}

// The quasi-Newton method on merit functions of its own.
struct Counted {
  int calls = 0;
  double (*f)(const double*) = nullptr;
};

EvoMeritFn meritOf(Counted& c) {
  return {&c, [](void* user, const double* x, double* f) {
            auto* counted = static_cast<Counted*>(user);
            ++counted->calls;
            *f = counted->f(x);
            return true;
          }};
}

TEST(EvoQuasiNewton, RosenbrockResidualsReachTheirZero) {
  Counted c;
  c.f = [](const double* x) {
    const double r1 = 10.0 * (x[1] - x[0] * x[0]), r2 = 1.0 - x[0];
    return 0.5 * (r1 * r1 + r2 * r2);
  };
  std::vector<double> x = {-1.2, 1.0}, lower = {-1e30, -1e30}, upper = {1e30, 1e30};
  double merit = 0.0;
  const int code = Evo_quasiNewton(meritOf(c), x.data(), 2, lower.data(), upper.data(), 200,
                                   1e-16, &merit);
  EXPECT_TRUE(code == EvoQnGradient || code == EvoQnStep) << code;
  EXPECT_NEAR(x[0], 1.0, 1e-4);
  EXPECT_NEAR(x[1], 1.0, 1e-4);
  EXPECT_LT(merit, 1e-8);
}

TEST(EvoQuasiNewton, BoundsHoldTheSearch) {
  // min ½((x - 5)² + (y + 1)²) with x <= 2 and y >= 0: the corner (2, 0).
  Counted c;
  c.f = [](const double* x) { return 0.5 * ((x[0] - 5) * (x[0] - 5) + (x[1] + 1) * (x[1] + 1)); };
  std::vector<double> x = {0.0, 3.0}, lower = {-1e30, 0.0}, upper = {2.0, 1e30};
  double merit = 0.0;
  Evo_quasiNewton(meritOf(c), x.data(), 2, lower.data(), upper.data(), 100, 1e-16, &merit);
  EXPECT_NEAR(x[0], 2.0, 1e-6);
  EXPECT_NEAR(x[1], 0.0, 1e-6);
  EXPECT_LE(x[0], 2.0);
  EXPECT_GE(x[1], 0.0);
  EXPECT_NEAR(merit, 5.0, 1e-5);
}

TEST(EvoQuasiNewton, StartAtTheMinimumEndsBeforeTheFirstIteration) {
  Counted c;
  c.f = [](const double* x) { return 0.5 * (x[0] - 1) * (x[0] - 1) + 3.0; };
  std::vector<double> x = {1.0}, lower = {-1e30}, upper = {1e30};
  double merit = 0.0;
  EXPECT_EQ(Evo_quasiNewton(meritOf(c), x.data(), 1, lower.data(), upper.data(), 50, 1e-16, &merit),
            EvoQnGradient);
  EXPECT_EQ(x[0], 1.0);
  EXPECT_EQ(c.calls, 2);  // the point and one forward difference
  EXPECT_EQ(merit, 3.0);
}

TEST(EvoQuasiNewton, FailedEvaluationEndsTheMethod) {
  EvoMeritFn fails{nullptr, [](void*, const double*, double*) { return false; }};
  std::vector<double> x = {1.0}, lower = {-1e30}, upper = {1e30};
  double merit = -1.0;
  EXPECT_EQ(Evo_quasiNewton(fails, x.data(), 1, lower.data(), upper.data(), 50, 1e-16, &merit),
            EvoQnEvalFailed);
  EXPECT_EQ(x[0], 1.0);
}

}  // namespace
