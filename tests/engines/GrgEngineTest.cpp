// The GRG engine on small models with optima known by hand: bounds active at
// the solution, equality rows, an infeasible start, conjugate-gradient
// directions, forward and central differences, the analytic Jacobian and its
// check, the linearity test, the iteration limit through the progress
// callback, and the checks of setup and solve on bad input.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/engines/GrgFunctionHost.h"

namespace {

constexpr double Inf = 1e30;

bool nearOptimal(int status) { return status == 0 || status == 1 || status == 2; }

// min (x1 - 3)^2 + (x2 + 1)^2 over 0 <= x <= 2: both bounds active at (2, 0), f = 2.
GrgFunctionModel boxModel() {
  return GrgFn_model({0.5, 0.5}, {0, 0}, {2, 2}, {-Inf}, {Inf}, [](const double* x, double* r) {
    r[0] = (x[0] - 3) * (x[0] - 3) + (x[1] + 1) * (x[1] + 1);
    return true;
  });
}

// min x1 + x2 subject to x1^2 + x2^2 = 2: optimum (-1, -1), f = -2.
GrgFunctionModel circleModel() {
  GrgFunctionModel m = GrgFn_model({-1.5, -0.5}, {-Inf, -Inf}, {Inf, Inf}, {2, -Inf}, {2, Inf},
                                   [](const double* x, double* r) {
    r[0] = x[0] * x[0] + x[1] * x[1];
    r[1] = x[0] + x[1];
    return true;
  });
  m.jacobian = [](const double* x, int row, int col) { return row == 0 ? 2 * x[col] : 1.0; };
  return m;
}

// min (x1 - 2)^2 + (x2 - 1)^2 subject to x2 - x1^2 >= 0 and x1 + x2 <= 2:
// optimum (1, 1), f = 1, both rows active.
GrgFunctionModel parabolaModel() {
  return GrgFn_model({2, -1}, {-Inf, -Inf}, {Inf, Inf}, {0, -Inf, -Inf}, {Inf, 2, Inf},
                     [](const double* x, double* r) {
    r[0] = x[1] - x[0] * x[0];
    r[1] = x[0] + x[1];
    r[2] = (x[0] - 2) * (x[0] - 2) + (x[1] - 1) * (x[1] - 1);
    return true;
  });
}

// Separable quadratic sum over (1 + j/10)(x_j - j/n)^2, minimum 0.
GrgFunctionModel quadraticSum(int n) {
  return GrgFn_model(std::vector<double>(n, 2.0), std::vector<double>(n, -Inf),
                     std::vector<double>(n, Inf), {-Inf}, {Inf},
                     [n](const double* x, double* r) {
    double s = 0;
    for (int j = 0; j < n; ++j) s += (1 + j / 10.0) * (x[j] - double(j) / n) * (x[j] - double(j) / n);
    r[0] = s;
    return true;
  });
}

GrgFunctionModel rosenbrock() {
  return GrgFn_model({-1.2, 1}, {-Inf, -Inf}, {Inf, Inf}, {-Inf}, {Inf},
                     [](const double* x, double* r) {
    r[0] = 100 * (x[1] - x[0] * x[0]) * (x[1] - x[0] * x[0]) + (1 - x[0]) * (1 - x[0]);
    return true;
  });
}

// A record set up and placed at x with its extended bounds and row values,
// ready for one derivative pass.
void prepareAt(GrgRecord& rec, GrgProblem& problem, GrgFunctionModel& m, double x) {
  m.x0 = {x};
  ASSERT_EQ(Grg_setup(rec, GrgFn_host(m), problem), 1);
  rec.xl[1] = rec.varLower[1];
  rec.xu[1] = rec.varUpper[1];
  ASSERT_TRUE(Grg_evaluate(rec, rec.g.data()));
}

GrgFunctionModel oneVariable(double lower, double upper, double (*f)(double)) {
  return GrgFn_model({}, {lower}, {upper}, {-Inf}, {Inf}, [f](const double* x, double* r) {
    r[0] = f(x[0]);
    return true;
  });
}

// A model with its optimum worked by hand: the objective and the point.
struct HandOptimum {
  const char* what;
  GrgFunctionModel (*model)();
  double objective, objectiveTol;
  std::vector<double> x;
  double xTol;
};

GrgFunctionModel retryModel() {
  // min (x - 3)^2 subject to x^2 >= 1 from x = 0: the violation has no slope
  // there, so the first pass ends infeasible at once; the retry moves x to 1.
  return GrgFn_model({0}, {-Inf}, {Inf}, {1, -Inf}, {Inf, Inf}, [](const double* x, double* r) {
    r[0] = x[0] * x[0];
    r[1] = (x[0] - 3) * (x[0] - 3);
    return true;
  });
}

GrgFunctionModel maximised() {
  GrgFunctionModel m = oneVariable(-Inf, Inf, [](double x) { return 5 - (x - 2) * (x - 2); });
  m.maximise = true;
  m.x0 = {0};
  return m;
}

const HandOptimum kHandOptima[] = {
    {"both bounds active", boxModel, 2.0, 1e-6, {2.0, 0.0}, 1e-6},
    {"infeasible start restored", parabolaModel, 1.0, 1e-5, {1.0, 1.0}, 1e-4},
    {"one retry from a moved start", retryModel, 0.0, 1e-6, {3.0}, 1e-3},
    {"maximised through the objective sign", maximised, 5.0, 1e-8, {2.0}, 1e-3},
    {"Rosenbrock by quasi-Newton directions", rosenbrock, 0.0, 1e-6, {1.0}, 1e-3},
};

}  // namespace

TEST(GrgSolve, ReachesTheOptimaWorkedByHand) {
  for (const HandOptimum& c : kHandOptima) {
    GrgFunctionModel m = c.model();
    std::vector<double> x;
    GrgProblem p = GrgFn_run(m, &x);
    EXPECT_TRUE(nearOptimal(p.status)) << c.what << ": status " << p.status;
    EXPECT_NEAR(p.objective, c.objective, c.objectiveTol) << c.what;
    for (std::size_t j = 0; j < c.x.size(); ++j)
      EXPECT_NEAR(x[j], c.x[j], c.xTol) << c.what << " x" << j;
  }
}

TEST(GrgSolve, HoldsAnEqualityRow) {
  GrgFunctionModel m = circleModel();
  std::vector<double> x;
  GrgProblem p = GrgFn_run(m, &x);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_NEAR(p.objective, -2.0, 1e-5);
  EXPECT_NEAR(x[0] * x[0] + x[1] * x[1], 2.0, 1e-5);
}

TEST(GrgSolve, ReportsNoFeasiblePoint) {
  GrgFunctionModel m = parabolaModel();
  m.rowUpper[1] = -1;  // x2 >= x1^2 and x1 + x2 <= -1 have no common point
  EXPECT_EQ(GrgFn_run(m).status, StatusInfeasible);
}

TEST(GrgSolve, ReportsAnUnboundedObjective) {
  GrgFunctionModel m = oneVariable(-Inf, Inf, [](double x) { return -x; });
  m.x0 = {0};
  EXPECT_EQ(GrgFn_run(m).status, StatusUnbounded);
}

TEST(GrgSolve, FindsAFeasiblePointWithoutObjective) {
  GrgFunctionModel m = parabolaModel();
  m.rows = 2;
  m.hasObjective = false;
  std::vector<double> x;
  GrgProblem p = GrgFn_run(m, &x);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_GE(x[1] - x[0] * x[0], -1e-6);
  EXPECT_LE(x[0] + x[1], 2 + 1e-6);
}

TEST(GrgSolve, MovesAStartOutsideItsBoundsOntoTheBound) {
  GrgFunctionModel m = boxModel();
  m.x0 = {5, -3};
  GrgProblem p = GrgFn_run(m);
  ASSERT_EQ(m.firstPoint.size(), 2u);
  EXPECT_EQ(m.firstPoint[0], 2.0);
  EXPECT_EQ(m.firstPoint[1], 0.0);
  EXPECT_NEAR(p.objective, 2.0, 1e-6);
}

TEST(GrgDirections, ConjugateGradientsWhenAskedOrWhenTheSetIsLarge) {
  GrgFunctionModel asked = quadraticSum(5);
  asked.flags = OptFlagNwt;
  GrgRecord rec;
  GrgProblem p;
  ASSERT_EQ(Grg_setup(rec, GrgFn_host(asked), p), 1);
  EXPECT_EQ(rec.quasiNewtonLimit, -1);
  EXPECT_TRUE(rec.factor.empty());
  Grg_solve(rec, p);
  Grg_finish(rec, p);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_NEAR(p.objective, 0.0, 1e-6);

  GrgFunctionModel large = quadraticSum(120);  // 120 superbasics: above the quasi-Newton limit of 100
  GrgRecord big;
  GrgProblem q;
  ASSERT_EQ(Grg_setup(big, GrgFn_host(large), q), 1);
  EXPECT_EQ(big.quasiNewtonLimit, 100);
  Grg_solve(big, q);
  EXPECT_FALSE(big.lastWasQuasiNewton);
  Grg_finish(big, q);
  EXPECT_TRUE(nearOptimal(q.status)) << q.status;
  EXPECT_NEAR(q.objective, 0.0, 1e-6);
}

TEST(GrgDerivatives, CentralDifferencesAreMoreAccurateThanForward) {
  auto ex = [](double x) { return std::exp(x); };
  for (unsigned flags : {0u, unsigned(OptFlagDrv)}) {
    GrgFunctionModel m = oneVariable(-Inf, Inf, ex);
    m.flags = flags;
    m.stp = 1e-3;
    GrgRecord rec;
    GrgProblem p;
    prepareAt(rec, p, m, 0.0);
    long before = m.evaluations;
    Grg_derivatives(rec);
    ASSERT_EQ(rec.status, 0);
    double error = std::fabs(rec.grad[1] - 1.0);
    if (flags == 0) {
      EXPECT_NEAR(error, 5e-4, 1e-5);  // forward: about h f''/2 with h = 1e-3
      EXPECT_EQ(m.evaluations - before, 1);
    } else {
      EXPECT_LT(error, 1e-6);  // central: about h^2 f'''/6
      EXPECT_EQ(m.evaluations - before, 2);
    }
    EXPECT_EQ(rec.gradientsValid, 1);
  }
}

TEST(GrgDerivatives, DifferencesBackwardsFromAnUpperBound) {
  GrgFunctionModel m = oneVariable(-Inf, 1.0, [](double x) { return x * x * x; });
  m.stp = 1e-4;
  GrgRecord rec;
  GrgProblem p;
  prepareAt(rec, p, m, 1.0);
  Grg_derivatives(rec);
  // Backward difference of x^3 at 1 over h = -2e-4: 3 - 3h + h^2.
  EXPECT_NEAR(rec.grad[1], 3 - 3 * 2e-4, 1e-7);
  EXPECT_NEAR(Grg_jac(rec, 1, 1), 3 - 3 * 2e-4, 1e-5);
}

TEST(GrgDerivatives, CentralAtALowerBoundIsAForwardDifference) {
  GrgFunctionModel m = oneVariable(1.0, Inf, [](double x) { return x * x * x; });
  m.stp = 1e-4;
  m.flags = OptFlagDrv;
  GrgRecord rec;
  GrgProblem p;
  prepareAt(rec, p, m, 1.0);
  Grg_derivatives(rec);
  EXPECT_NEAR(rec.grad[1], 3 + 3 * 2e-4, 1e-7);  // h- = 0, h+ = 2e-4
}

TEST(GrgDerivatives, AnalyticJacobianSolvesAndIsCheckedAgainstDifferences) {
  for (unsigned flags : {unsigned(OptFlagDrfOther), unsigned(OptFlagDrf2), unsigned(OptFlagDrf1)}) {
    GrgFunctionModel m = circleModel();
    m.flags = flags;
    GrgProblem p = GrgFn_run(m);
    EXPECT_TRUE(nearOptimal(p.status)) << flags << " status " << p.status;
    EXPECT_NEAR(p.objective, -2.0, 1e-5) << flags;
  }
}

TEST(GrgDerivatives, CheckAcceptsCorrectDerivativesNearMinusOne) {
  // d/dx1 of -x1 is exactly -1: the check divides by |v| + 1 = 2, not by v + 1 = 0.
  GrgFunctionModel m = GrgFn_model({0, 0}, {-Inf, -Inf}, {2, Inf}, {-Inf}, {Inf},
                                   [](const double* x, double* r) {
    r[0] = -x[0] + (x[1] - 1) * (x[1] - 1);
    return true;
  });
  m.jacobian = [](const double* x, int, int col) { return col == 0 ? -1.0 : 2 * (x[1] - 1); };
  m.flags = OptFlagDrf2;  // forward differences, then the analytic Jacobian checked against them
  GrgProblem p = GrgFn_run(m);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_NEAR(p.objective, -2.0, 1e-6);
}

TEST(GrgDerivatives, WrongOrMissingAnalyticJacobianGivesStatus21) {
  GrgFunctionModel wrong = circleModel();
  wrong.flags = OptFlagDrf2;
  wrong.jacobian = [](const double* x, int row, int col) { return row == 0 ? 3 * x[col] : 1.0; };
  EXPECT_EQ(GrgFn_run(wrong).status, StatusNoCoefficients);
  GrgFunctionModel missing = circleModel();
  missing.flags = OptFlagDrfOther;
  missing.jacobian = nullptr;
  EXPECT_EQ(GrgFn_run(missing).status, StatusNoCoefficients);
}

TEST(GrgDerivatives, LinearModelPassesTheLinearityTest) {
  // min x1 + x2 subject to x1 + 2 x2 >= 2, x >= 0: optimum (0, 1), f = 1.
  GrgFunctionModel m = GrgFn_model({3, 3}, {0, 0}, {Inf, Inf}, {2, -Inf}, {Inf, Inf},
                                   [](const double* x, double* r) {
    r[0] = x[0] + 2 * x[1];
    r[1] = x[0] + x[1];
    return true;
  });
  m.flags = OptFlagLvaWbr;
  GrgProblem p = GrgFn_run(m);
  EXPECT_TRUE(p.status == 0 || p.status == 1) << p.status;
  EXPECT_NEAR(p.objective, 1.0, 1e-6);
}

TEST(GrgProgress, IterationLimitStopsTheRun) {
  GrgFunctionModel m = rosenbrock();
  m.iterationLimit = 3;
  GrgProblem p = GrgFn_run(m);
  EXPECT_EQ(p.status, StatusIterationLimit);
  EXPECT_EQ(m.iterationsCounted, 3);
  EXPECT_GE(m.pauses, 2);  // the stop's pause and finish's pause
  EXPECT_EQ(m.pauses, m.resumes);
  EXPECT_GT(p.objective, 1e-3);  // stopped well before the optimum
}

TEST(GrgProgress, ReportsAfterANormalEnd) {
  GrgFunctionModel m = boxModel();
  GrgFn_run(m);
  ASSERT_EQ(m.reportSets.size(), 1u);
  EXPECT_EQ(m.reportSets[0], 2);
}

TEST(GrgProgress, UserStopRestartsThePass) {
  GrgFunctionModel m = circleModel();
  m.restartsAsked = 2;
  GrgProblem p = GrgFn_run(m);
  EXPECT_EQ(m.restartsAsked, 0);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_NEAR(p.objective, -2.0, 1e-5);
}

TEST(GrgSolve, ScaledAndQuadraticEstimatesReachTheSameOptimum) {
  for (int variant = 0; variant < 2; ++variant) {
    GrgFunctionModel m = parabolaModel();
    m.x0 = {0.5, 0.5};
    if (variant == 0) m.scaling = 1;
    else m.flags = OptFlagEst;
    std::vector<double> x;
    GrgProblem p = GrgFn_run(m, &x);
    EXPECT_TRUE(nearOptimal(p.status)) << variant << " status " << p.status;
    EXPECT_NEAR(p.objective, 1.0, 1e-5) << variant;
    EXPECT_NEAR(x[0], 1.0, 1e-3) << variant;
  }
}

TEST(GrgSolve, HandsBackReducedGradientsAndMultipliers) {
  GrgFunctionModel box = boxModel();
  double reduced[2] = {9, 9};
  GrgProblem p;
  p.reducedCosts = reduced;
  EXPECT_TRUE(nearOptimal(GrgFn_run(box, nullptr, p).status));
  EXPECT_NEAR(reduced[0], -2.0, 1e-4);  // x1 at its upper bound, df/dx1 = 2 (2 - 3)
  EXPECT_NEAR(reduced[1], 2.0, 1e-4);   // x2 at its lower bound, df/dx2 = 2 (0 + 1)

  GrgFunctionModel circle = circleModel();
  double multiplier[1] = {9};
  GrgProblem q;
  q.multipliers = multiplier;
  EXPECT_TRUE(nearOptimal(GrgFn_run(circle, nullptr, q).status));
  EXPECT_NEAR(multiplier[0], -0.5, 1e-3);  // grad f = u grad g at (-1, -1): (1, 1) = u (-2, -2)
}

TEST(GrgSolve, KeepsTheSolutionForAnotherDriver) {
  GrgFunctionModel m = boxModel();
  GrgRecord rec;
  GrgProblem p;
  p.flags = ProblemOtherDriver;
  ASSERT_EQ(Grg_setup(rec, GrgFn_host(m), p), 1);
  Grg_solve(rec, p);
  ASSERT_EQ(p.saved.size(), 3u);
  EXPECT_NEAR(p.saved[1], 2.0, 1e-6);
  rec.x[1] = rec.x[2] = 1.0;
  long before = m.evaluations;
  Grg_solve(rec, p);  // starts again from the saved solution
  EXPECT_EQ(m.firstPoint.size(), 2u);
  EXPECT_NEAR(p.objective, 2.0, 1e-6);
  EXPECT_LT(m.evaluations - before, 40);
  Grg_finish(rec, p);
}

TEST(GrgSetup, UnreadableStartValuesGiveStatus19) {
  GrgFunctionModel m = boxModel();
  m.startReadable = false;
  GrgRecord rec;
  GrgProblem p;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(m), p), 0);
  EXPECT_EQ(p.status, StatusBadBounds);
  Grg_finish(rec, p);
  EXPECT_TRUE(m.reportSets.empty());
}

TEST(GrgSetup, ZeroStepOrPrecisionIsRefused) {
  for (int which = 0; which < 2; ++which) {
    GrgFunctionModel m = boxModel();
    (which == 0 ? m.stp : m.pre) = 0.0;
    GrgProblem p = GrgFn_run(m);
    EXPECT_EQ(p.status, StatusBadModel) << which;
    EXPECT_EQ(m.evaluations, 1);  // only finish's evaluation: no difference was tried
  }
}

TEST(GrgSetup, CrossedBoundsAndSizeLimits) {
  GrgFunctionModel crossed = boxModel();
  crossed.lower = {3, 0};
  GrgRecord rec;
  GrgProblem p;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(crossed), p), 0);
  EXPECT_EQ(p.status, StatusCrossedBounds);

  GrgFunctionModel big = quadraticSum(501);
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(big), p), 0);
  EXPECT_EQ(p.status, StatusBadModel);
  p.flags = ProblemLocalSolver;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(big), p), 1);

  GrgFunctionModel rows = boxModel();
  rows.rows = 252;
  rows.rowLower.assign(252, -Inf);
  rows.rowUpper.assign(252, Inf);
  p.flags = 0;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(rows), p), 0);
  rows.rows = 251;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(rows), p), 1);
}

TEST(GrgSetup, MissingHostServicesAreRefused) {
  GrgFunctionModel m = boxModel();
  GrgHost host = GrgFn_host(m);
  host.evalProblem = nullptr;
  GrgRecord rec;
  GrgProblem p;
  EXPECT_EQ(Grg_setup(rec, host, p), 0);
  EXPECT_EQ(p.status, StatusBadModel);
}

TEST(GrgStop, MapsStopCodes) {
  EXPECT_EQ(Grg_mapStop(StopByUser), -3);
  EXPECT_EQ(Grg_mapStop(StopIterationLimit), StatusIterationLimit);
  EXPECT_EQ(Grg_mapStop(StopBreak), StatusUserStop);
  EXPECT_EQ(Grg_mapStop(StopTimeLimit), StatusTimeLimit);
  EXPECT_EQ(Grg_mapStop(StopSubproblemLimit), 0);
  EXPECT_EQ(Grg_mapStop(StopContinue), 0);
}
