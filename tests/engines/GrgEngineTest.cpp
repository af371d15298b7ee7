// The GRG engine on small models with optima known by hand: bounds active at
// the solution, equality rows, an infeasible start, conjugate-gradient
// directions, forward and central differences, the analytic Jacobian and its
// check, the linearity test, the iteration limit through the progress
// callback, and the checks of setup and solve on bad input.
#include <gtest/gtest.h>

#include <cmath>

#include "contract/Bound_Infinity.h"
#include "tests/support/GrgFunctionHost.h"

namespace {

constexpr double Inf = kBoundInfinity;

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

GrgFunctionModel oneVariable(double lower, double upper, double (*f)(double)) {
  return GrgFn_model({0}, {lower}, {upper}, {-Inf}, {Inf}, [f](const double* x, double* r) {
    r[0] = f(x[0]);
    return true;
  });
}

// min (x - 3)^2 subject to x^2 >= 1 from x = 0: the violation has no slope
// there, so the first pass ends infeasible at once; the retry moves x to 1.
GrgFunctionModel retryModel() {
  return GrgFn_model({0}, {-Inf}, {Inf}, {1, -Inf}, {Inf, Inf}, [](const double* x, double* r) {
    r[0] = x[0] * x[0];
    r[1] = (x[0] - 3) * (x[0] - 3);
    return true;
  });
}

GrgFunctionModel maximised() {
  GrgFunctionModel m = oneVariable(-Inf, Inf, [](double x) { return 5 - (x - 2) * (x - 2); });
  m.maximise = true;
  return m;
}

// min -x1 + (x2 - 1)^2 with x1 <= 2: d/dx1 is exactly -1, which the check of
// the analytic Jacobian divides by |v| + 1 = 2, not by v + 1 = 0.
GrgFunctionModel minusOneSlope() {
  GrgFunctionModel m = GrgFn_model({0, 0}, {-Inf, -Inf}, {2, Inf}, {-Inf}, {Inf},
                                   [](const double* x, double* r) {
    r[0] = -x[0] + (x[1] - 1) * (x[1] - 1);
    return true;
  });
  m.jacobian = [](const double* x, int, int col) { return col == 0 ? -1.0 : 2 * (x[1] - 1); };
  m.flags = OptFlagDrf2;  // forward differences, then the analytic Jacobian checked against them
  return m;
}

// min x1 + x2 subject to x1 + 2 x2 >= 2, x >= 0, under the linearity test:
// optimum (0, 1), f = 1.
GrgFunctionModel linearModel() {
  GrgFunctionModel m = GrgFn_model({3, 3}, {0, 0}, {Inf, Inf}, {2, -Inf}, {Inf, Inf},
                                   [](const double* x, double* r) {
    r[0] = x[0] + 2 * x[1];
    r[1] = x[0] + x[1];
    return true;
  });
  m.flags = OptFlagLvaWbr;
  return m;
}

// A model (with a change of options) and its optimum worked by hand.
struct HandOptimum {
  const char* what;
  GrgFunctionModel (*model)();
  void (*change)(GrgFunctionModel&);
  double objective, objectiveTol;
  std::vector<double> x;
  double xTol;
};

const HandOptimum kHandOptima[] = {
    {"both bounds active", boxModel, nullptr, 2.0, 1e-6, {2.0, 0.0}, 1e-6},
    {"infeasible start restored", parabolaModel, nullptr, 1.0, 1e-5, {1.0, 1.0}, 1e-4},
    {"scaled", parabolaModel, [](GrgFunctionModel& m) { m.x0 = {0.5, 0.5}, m.scaling = 1; },
     1.0, 1e-5, {1.0}, 1e-3},
    {"quadratic estimates", parabolaModel,
     [](GrgFunctionModel& m) { m.x0 = {0.5, 0.5}, m.flags = OptFlagEst; }, 1.0, 1e-5, {1.0}, 1e-3},
    {"one retry from a moved start", retryModel, nullptr, 0.0, 1e-6, {3.0}, 1e-3},
    {"maximised through the objective sign", maximised, nullptr, 5.0, 1e-8, {2.0}, 1e-3},
    {"Rosenbrock by quasi-Newton directions", rosenbrock, nullptr, 0.0, 1e-6, {1.0}, 1e-3},
    {"equality row", circleModel, nullptr, -2.0, 1e-5, {-1.0, -1.0}, 1e-3},
    {"analytic Jacobian", circleModel, [](GrgFunctionModel& m) { m.flags = OptFlagDrfOther; },
     -2.0, 1e-5, {-1.0, -1.0}, 1e-3},
    {"analytic Jacobian checked", circleModel, [](GrgFunctionModel& m) { m.flags = OptFlagDrf2; },
     -2.0, 1e-5, {-1.0, -1.0}, 1e-3},
    {"analytic Jacobian, option 1", circleModel, [](GrgFunctionModel& m) { m.flags = OptFlagDrf1; },
     -2.0, 1e-5, {-1.0, -1.0}, 1e-3},
    {"user stops restart the pass", circleModel, [](GrgFunctionModel& m) { m.restartsAsked = 2; },
     -2.0, 1e-5, {-1.0, -1.0}, 1e-3},
    {"checked derivative of -1", minusOneSlope, nullptr, -2.0, 1e-6, {2.0, 1.0}, 1e-3},
    {"linearity test passed", linearModel, nullptr, 1.0, 1e-6, {0.0, 1.0}, 1e-6},
    {"conjugate gradients asked for", [] { return quadraticSum(5); },
     [](GrgFunctionModel& m) { m.flags = OptFlagNwt; }, 0.0, 1e-6, {0.0, 0.2}, 1e-3},
};

}  // namespace

TEST(GrgSolve, ReachesTheOptimaWorkedByHand) {
  for (const HandOptimum& c : kHandOptima) {
    SCOPED_TRACE(c.what);
    GrgFunctionModel m = c.model();
    if (c.change) c.change(m);
    std::vector<double> x;
    GrgProblem p = GrgFn_run(m, &x);
    EXPECT_TRUE(nearOptimal(p.status)) << "status " << p.status;
    EXPECT_NEAR(p.objective, c.objective, c.objectiveTol);
    for (std::size_t j = 0; j < c.x.size(); ++j) EXPECT_NEAR(x[j], c.x[j], c.xTol) << "x" << j;
    EXPECT_EQ(m.restartsAsked, 0);
    EXPECT_EQ(m.reportSets, std::vector<int>{2});  // reported once, after the normal end
  }
}

TEST(GrgSolve, BadModelsGiveTheirStatus) {
  const struct {
    const char* what;
    GrgFunctionModel (*model)();
    void (*change)(GrgFunctionModel&);
    int status;
    bool refusedBySetup;  // then nothing is evaluated but finish's point, nothing reported
  } cases[] = {
      {"rows without a common point", parabolaModel,
       [](GrgFunctionModel& m) { m.rowUpper[1] = -1; }, StatusInfeasible, false},
      {"unbounded objective", [] { return oneVariable(-Inf, Inf, [](double x) { return -x; }); },
       nullptr, StatusUnbounded, false},
      {"wrong analytic Jacobian", circleModel,
       [](GrgFunctionModel& m) {
         m.flags = OptFlagDrf2;
         m.jacobian = [](const double* x, int row, int col) { return row == 0 ? 3 * x[col] : 1.0; };
       },
       StatusNoCoefficients, false},
      {"missing analytic Jacobian", circleModel,
       [](GrgFunctionModel& m) { m.flags = OptFlagDrfOther, m.jacobian = nullptr; },
       StatusNoCoefficients, false},
      {"zero step", boxModel, [](GrgFunctionModel& m) { m.stp = 0; }, StatusBadModel, true},
      {"zero precision", boxModel, [](GrgFunctionModel& m) { m.pre = 0; }, StatusBadModel, true},
      {"unreadable start", boxModel, [](GrgFunctionModel& m) { m.startReadable = false; },
       StatusBadBounds, true},
      {"crossed bounds", boxModel, [](GrgFunctionModel& m) { m.lower = {3, 0}; },
       StatusCrossedBounds, true},
      {"501 variables", [] { return quadraticSum(501); }, nullptr, StatusBadModel, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GrgFunctionModel m = c.model();
    if (c.change) c.change(m);
    EXPECT_EQ(GrgFn_run(m).status, c.status);
    if (!c.refusedBySetup) continue;
    EXPECT_LE(m.evaluations, 1);
    EXPECT_TRUE(m.reportSets.empty());
  }
}

// A sum of squares that falls towards its bound 0 without reaching it:
// the line search doubles its step thirty times while the objective still
// falls, but ever less, so the objective is not unbounded (the run ends
// converged, close to 0); an objective whose fall keeps its pace still is.
// An objective flat beyond its minimum but for a fall of 1E-17 per unit
// (rounding noise, growing with the step, of an objective parallel to a
// row) keeps its pace too, yet falls by less than the precision resolves:
// it is not unbounded either.
TEST(GrgLineSearch, ObjectiveLevellingOffIsNotUnbounded) {
  const struct {
    const char* what;
    double (*f)(double);
    bool unbounded;
  } cases[] = {
      {"1 / (1 + x)^2", [](double x) { return 1 / ((1 + x) * (1 + x)); }, false},
      {"exp(-x)^2", [](double x) { return std::exp(-x) * std::exp(-x); }, false},
      {"(1 - x)^2 up to 1, flat after but for 1E-17 x",
       [](double x) { return (x < 1 ? (1 - x) * (1 - x) : 0.0) - 1e-17 * x; }, false},
      {"-x", [](double x) { return -x; }, true},
      {"-log(1 + x)", [](double x) { return -std::log(1 + x); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GrgFunctionModel m = oneVariable(0, Inf, c.f);
    const GrgProblem p = GrgFn_run(m);
    if (c.unbounded) {
      EXPECT_EQ(p.status, StatusUnbounded);
      continue;
    }
    EXPECT_TRUE(nearOptimal(p.status)) << "status " << p.status;
    EXPECT_LT(p.objective, 1e-6);
  }
}

// An objective without a lower bound ends unbounded whatever the start, also
// from starts so far from 0 that the steps reach the far limit of a variable
// without a bound before thirty doublings: a linear objective of one
// variable, and one of two variables with a constraint.
TEST(GrgSolve, UnboundedObjectivesEndUnboundedFromAnyStart) {
  for (double start : {0.0, 1.0, -7.5, 250.0, 1e6, 1e12, -1e15, 5e15}) {
    SCOPED_TRACE(start);
    GrgFunctionModel line = oneVariable(-Inf, Inf, [](double x) { return -x; });
    line.x0 = {start};
    EXPECT_EQ(GrgFn_run(line).status, StatusUnbounded);
    GrgFunctionModel plane =
        GrgFn_model({start, 1}, {-Inf, -Inf}, {Inf, Inf}, {-Inf, -Inf}, {1, Inf}, [](const double* x, double* r) {
          r[0] = x[1] - x[0];
          r[1] = x[0] + x[1];
          return true;
        });
    EXPECT_EQ(GrgFn_run(plane).status, StatusUnbounded);
    GrgFunctionModel free =
        GrgFn_model({start, start}, {-Inf, -Inf}, {Inf, Inf}, {-Inf}, {Inf}, [](const double* x, double* r) {
          r[0] = x[0] + x[1];
          return true;
        });
    EXPECT_EQ(GrgFn_run(free).status, StatusUnbounded);
  }
}

TEST(GrgSetup, SizeLimitsAndMissingServices) {
  GrgRecord rec;
  GrgProblem p;
  GrgFunctionModel big = quadraticSum(501);
  p.flags = ProblemLocalSolver;  // the local solver takes any size
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(big), p), 1);
  p.flags = 0;
  GrgFunctionModel rows = boxModel();
  rows.rows = 252;
  rows.rowLower.assign(252, -Inf);
  rows.rowUpper.assign(252, Inf);
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(rows), p), 0);
  rows.rows = 251;
  EXPECT_EQ(Grg_setup(rec, GrgFn_host(rows), p), 1);
  HostServices host = GrgFn_host(rows);
  host.evalProblem = nullptr;
  EXPECT_EQ(Grg_setup(rec, host, p), 0);
  EXPECT_EQ(p.status, StatusBadModel);
}

TEST(GrgSolve, MovesAStartOutsideItsBoundsOntoTheBound) {
  GrgFunctionModel m = boxModel();
  m.x0 = {5, -3};
  GrgProblem p = GrgFn_run(m);
  EXPECT_EQ(m.firstPoint, (std::vector<double>{2.0, 0.0}));
  EXPECT_NEAR(p.objective, 2.0, 1e-6);
}

TEST(GrgDirections, ConjugateGradientsWhenTheSetIsLarge) {
  GrgFunctionModel large = quadraticSum(120);  // above the quasi-Newton limit of 100
  GrgRecord rec;
  GrgProblem p;
  ASSERT_EQ(Grg_setup(rec, GrgFn_host(large), p), 1);
  Grg_solve(rec, p);
  EXPECT_FALSE(rec.lastWasQuasiNewton);
  Grg_finish(rec, p);
  EXPECT_TRUE(nearOptimal(p.status)) << p.status;
  EXPECT_NEAR(p.objective, 0.0, 1e-6);
}

TEST(GrgDerivatives, DifferencesForwardCentralAndAtBounds) {
  const struct {
    const char* what;
    double lower, upper, x;
    unsigned flags;
    double (*f)(double);
    double step, gradient, tol;
  } cases[] = {
      // exp at 0 with h = 1e-3: forward about h f''/2 off, central about h^2 f'''/6.
      {"forward", -Inf, Inf, 0, 0, [](double x) { return std::exp(x); }, 1e-3, 1 + 5e-4, 1e-5},
      {"central", -Inf, Inf, 0, OptFlagDrv, [](double x) { return std::exp(x); }, 1e-3, 1, 1e-6},
      // x^3 at 1 with h = 2e-4: backward from the upper bound 3 - 3h + h^2,
      // central at the lower bound only forward.
      {"backward from an upper bound", -Inf, 1, 1, 0, [](double x) { return x * x * x; }, 1e-4,
       3 - 6e-4, 1e-7},
      {"central at a lower bound", 1, Inf, 1, OptFlagDrv, [](double x) { return x * x * x; }, 1e-4,
       3 + 6e-4, 1e-7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GrgFunctionModel m = oneVariable(c.lower, c.upper, c.f);
    m.x0 = {c.x};
    m.flags = c.flags;
    m.stp = c.step;
    GrgRecord rec;
    GrgProblem p;
    ASSERT_EQ(Grg_setup(rec, GrgFn_host(m), p), 1);
    rec.xl[1] = rec.varLower[1];
    rec.xu[1] = rec.varUpper[1];
    ASSERT_TRUE(Grg_evaluate(rec, rec.g.data()));
    Grg_derivatives(rec);
    ASSERT_EQ(rec.status, 0);
    EXPECT_NEAR(rec.grad[1], c.gradient, c.tol);
    EXPECT_NEAR(Grg_jac(rec, 1, 1), c.gradient, 1e-5);
    EXPECT_EQ(rec.gradientsValid, 1);
  }
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

// A local run whose caller gave a progress routine reports its set-up steps
// (iteration 0) and then its iterations, numbered from 1 with the objective
// there, to the routine and not to the progress callback; the routine's
// break stops the run. Without the routine the callback has them all.
TEST(GrgProgress, LocalRunReportsThroughItsCallersRoutine) {
  GrgFunctionModel m = rosenbrock();
  m.localRoutine = true;
  GrgProblem p;
  p.flags = ProblemLocalSolver | ProblemOtherDriver;
  EXPECT_TRUE(nearOptimal(GrgFn_run(m, nullptr, p).status));
  EXPECT_EQ(m.setupReports, 0);
  EXPECT_EQ(m.iterationsCounted, 0);
  ASSERT_GT(m.localReports.size(), 5u);
  EXPECT_EQ(m.localReports.front().iteration, 0);
  std::size_t first = 0;  // the first iteration's report
  while (first < m.localReports.size() && m.localReports[first].iteration == 0) ++first;
  ASSERT_LT(first, m.localReports.size());
  for (std::size_t k = first; k < m.localReports.size(); ++k) {
    const GrgFunctionModel::LocalReport& r = m.localReports[k];
    EXPECT_EQ(r.iteration, 1) << k;
    EXPECT_EQ(r.count, static_cast<int>(k - first) + 1) << k;
    EXPECT_GE(r.objective, 0.0) << k;   // Rosenbrock's values
    EXPECT_LE(r.objective, 24.2) << k;  // no worse than the start (-1.2, 1)
  }

  GrgFunctionModel stopped = rosenbrock();
  stopped.localRoutine = true;
  stopped.localStopAt = 3;
  EXPECT_EQ(GrgFn_run(stopped, nullptr, p).status, StatusUserStop);
  EXPECT_EQ(stopped.localReports.back().count, 3);
  EXPECT_GT(stopped.localReports.back().objective, 1e-3);  // well before the optimum

  GrgFunctionModel plain = rosenbrock();  // a caller without a routine
  EXPECT_TRUE(nearOptimal(GrgFn_run(plain, nullptr, p).status));
  EXPECT_TRUE(plain.localReports.empty());
  EXPECT_GT(plain.setupReports, 0);
  EXPECT_GT(plain.iterationsCounted, 5);
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
  EXPECT_NEAR(p.objective, 2.0, 1e-6);
  EXPECT_LT(m.evaluations - before, 40);
  Grg_finish(rec, p);
}

TEST(GrgStop, MapsStopCodes) {
  const int stops[][2] = {{StopByUser, -3},
                          {StopIterationLimit, StatusIterationLimit},
                          {StopBreak, StatusUserStop},
                          {StopTimeLimit, StatusTimeLimit},
                          {StopSubproblemLimit, 0},
                          {StopContinue, 0}};
  for (const auto& s : stops) EXPECT_EQ(Grg_mapStop(s[0]), s[1]) << s[0];
}
