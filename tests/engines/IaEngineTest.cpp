// The interval global engine on models written in the test: global minima of
// multimodal functions from a start point where a local descent stops at a
// poorer minimum, every solution of a system of equations, a box proven
// feasible, the LP relaxation's verdict, and the engine's status paths.
#include <gtest/gtest.h>

#include <utility>

#include "contract/Eng_Engine.h"
#include "engines/interval/Ia_Lagrange.h"
#include "engines/interval/Ia_Relax.h"
#include "engines/interval/Ia_Status.h"
#include "tests/engines/IaFakeHost.h"

namespace {

// Six-hump camel back: two global minima of -1.0316284534898774, and local
// minima where a descent from (1.7, 0.8) stops.
auto camel = [](const auto& x) {
  return (4 - 2.1 * sqr(x[1]) + sqr(x[1]) * sqr(x[1]) * (1.0 / 3)) * sqr(x[1]) + x[1] * x[2] +
         (4 * sqr(x[2]) - 4) * sqr(x[2]);
};
// Rastrigin in two dimensions: 0 at the origin, a local minimum near every
// integer point.
auto rastrigin = [](const auto& x) {
  constexpr double twoPi = 6.283185307179586;
  return 20 + sqr(x[1]) - 10 * cos(twoPi * x[1]) + sqr(x[2]) - 10 * cos(twoPi * x[2]);
};

TEST(IaEngine, ReachesTheGlobalMinimumWhereADescentStopsShort) {
  struct Case {
    const char* name;
    std::function<void(IaTestModel&)> define;
    std::vector<double> lower, upper, start;
    double optimum;
  };
  const std::vector<Case> cases = {
      {"camel", [](IaTestModel& t) { t.add(camel); }, {-3, -2}, {3, 2}, {1.7, 0.8}, -1.0316284534898774},
      {"rastrigin", [](IaTestModel& t) { t.add(rastrigin); }, {-5.12, -5.12}, {5.12, 5.12}, {2.1, -3.05}, 0.0},
  };
  for (const Case& c : cases)
    for (int method : {IaMethodInterval, IaMethodAffine})
      for (int newton : {0, 1}) {
        IaTestModel t;
        c.define(t);
        IaFakeHost f;
        f.t = &t;
        f.lower = c.lower, f.upper = c.upper, f.start = c.start;
        f.named["solver_met"] = method;
        f.named["solver_soc"] = newton;
        std::vector<double> local = {0, c.start[0], c.start[1]};
        f.descend(local);
        ASSERT_GT(t.atPoint[0](local), c.optimum + 0.1) << c.name << ": the descent alone finds it";
        EngineRun r = runEngine(f, t.bind(2, IaClassObjective, {}));
        EXPECT_EQ(r.status, StatusSolved) << c.name << " met " << method << " soc " << newton;
        EXPECT_NEAR(r.engine.objective, c.optimum, 1e-6) << c.name << " met " << method << " soc " << newton;
        EXPECT_EQ(r.engine.stats.hessians > 0, newton == 1);
        EXPECT_GT(r.engine.stats.iterations, 0);
        EXPECT_EQ(f.reportSet, 1);
        EXPECT_EQ(f.table.at(0), "4");
      }
}

TEST(IaEngine, MaximisesUnderAConstraint) {
  // max x + y on the disk x^2 + y^2 <= 1: sqrt(2) at (0.707, 0.707). The
  // local solver stays at the start, so the result is the search's.
  for (int method : {IaMethodInterval, IaMethodAffine})
    for (int newton : {0, 1}) {
      IaTestModel t;
      t.add([](const auto& x) { return x[1] + x[2]; });
      const int lpObjective = newton;  // with affine forms: the LP also minimises the objective
      t.add([](const auto& x) { return sqr(x[1]) + sqr(x[2]) - 1.0; });
      IaFakeHost f;
      f.t = &t;
      f.lower = {-2, -2}, f.upper = {2, 2}, f.start = {-0.5, 0};
      f.localMoves = false;
      f.accuracy = 1e-4;
      f.queries[QueryMaximise] = 1;
      f.named["solver_met"] = method;
      f.named["solver_soc"] = newton;
      f.named["solver_lpp"] = lpObjective;
      EngineRun r = runEngine(f, t.bind(2, IaClassConstrained, {IaRelLessEq}));
      EXPECT_NEAR(r.engine.objective, std::sqrt(2.0), 1e-3) << method << newton;
      EXPECT_NEAR(r.engine.x[1], std::sqrt(0.5), 1e-2) << method << newton;
      EXPECT_EQ(r.engine.stats.newton > 0, newton == 1 && method == IaMethodInterval);
    }
}

TEST(IaEngine, ListsEverySolutionOfASystem) {
  // x^2 + y^2 = 4 and x y = 1: x^2 = 2 +- sqrt(3), y = 1 / x.
  const double a = std::sqrt(2 + std::sqrt(3.0)), b = std::sqrt(2 - std::sqrt(3.0));
  const std::vector<std::pair<double, double>> known = {{a, b}, {b, a}, {-a, -b}, {-b, -a}};
  for (int method : {IaMethodInterval, IaMethodAffine})
    for (int newton : {0, 1}) {
      IaTestModel t;
      t.add([](const auto& x) { return x[1]; });  // no objective: function 0 unused
      t.add([](const auto& x) { return sqr(x[1]) + sqr(x[2]) - 4.0; });
      t.add([](const auto& x) { return x[1] * x[2] - 1.0; });
      IaFakeHost f;
      f.t = &t;
      f.lower = {-3, -3}, f.upper = {3, 3}, f.start = {0.5, 0.5};
      f.localMoves = false;
      f.accuracy = 1e-3;
      f.named["solver_met"] = method;
      f.named["solver_soc"] = newton;
      EngineRun r = runEngine(f, t.bind(2, IaClassEquations, {IaRelEqual, IaRelEqual}));
      EXPECT_EQ(r.engine.stats.newton > 0, newton == 1);
      EXPECT_EQ(r.status, StatusSolved);
      ASSERT_EQ(r.engine.stats.result, IaSearchGapClosed);
      const std::vector<IaBox>& found = r.solutions;
      EXPECT_EQ(found.size(), known.size()) << method;
      for (auto [x, y] : known) {
        bool near = false;
        for (const IaBox& box : found)
          near = near || (std::fabs(0.5 * (box[1].lo + box[1].hi) - x) < 1e-3 &&
                          std::fabs(0.5 * (box[2].lo + box[2].hi) - y) < 1e-3);
        EXPECT_TRUE(near) << x << ", " << y << " with met " << method;
      }
      EXPECT_EQ(f.table.at(0), "3");
      EXPECT_EQ(f.table.at(6), "4");
      EXPECT_EQ(f.tableRows, 2 + (5 * 2 + 11) / 12);
    }
}

// A Hessian that is not bounded over the boxes that hold the minimiser (at
// a kink) leaves the Fritz John step nothing to invert there, and the boxes
// live on: |x - 0.3| + |y + 0.2| under x + y <= 2 reaches 0 at its kink
// (0.3, -0.2) with the Newton steps as without them.
TEST(IaEngine, AKinkAtTheMinimiserKeepsItsBoxes) {
  for (int newton : {0, 1}) {
    IaTestModel t;
    t.add([](const auto& x) { return fabs(x[1] - 0.3) + fabs(x[2] + 0.2); });
    t.add([](const auto& x) { return x[1] + x[2] - 2.0; });
    IaFakeHost f;
    f.t = &t;
    f.lower = {-1, -1}, f.upper = {1, 1}, f.start = {-0.9, 0.9};
    f.localMoves = false;
    f.accuracy = 1e-4;
    f.named["solver_met"] = IaMethodInterval;
    f.named["solver_soc"] = newton;
    EngineRun r = runEngine(f, t.bind(2, IaClassConstrained, {IaRelLessEq}));
    EXPECT_EQ(r.status, StatusSolved) << newton;
    EXPECT_NEAR(r.engine.objective, 0.0, 1e-3) << newton;
    EXPECT_NEAR(r.engine.x[1], 0.3, 1e-3) << newton;
    EXPECT_NEAR(r.engine.x[2], -0.2, 1e-3) << newton;
    EXPECT_EQ(r.engine.stats.newton > 0, newton == 1) << newton;
  }
}

// y = 1/x and x (y^2 - 1) = 0 over [-1, 2] x [-2, 2]: roots (1, 1) and
// (-1, -1), and along x = 0 boxes that no interval test rules out, over which
// the slope of 1/x is not bounded. Splitting x there however narrow it gets
// never ended; x is now split no narrower than the accuracy, y is split next,
// and the search ends by itself, before the run's time limit (a stop at a
// late iteration), with the narrow boxes along x = 0 among its results.
// With affine forms too: the form of y - 1/x over a box holding x = 0 is not
// bounded, and gives its row neither a range test nor a contraction.
TEST(IaEngine, ASlopeUnboundedAlongALineLeavesTheSystemSearchFinite) {
  constexpr int kTimeLimitIteration = 200000;
  const double accuracy = 1e-2;
  for (const auto& [method, newton] : {std::pair{IaMethodInterval, 0}, std::pair{IaMethodInterval, 1},
                                       std::pair{IaMethodAffine, 0}, std::pair{IaMethodAffine, 1}}) {
    IaTestModel t;
    t.add([](const auto& x) { return x[1]; });  // no objective: function 0 unused
    t.add([](const auto& x) { return x[2] - inv(x[1]); });
    t.add([](const auto& x) { return x[1] * (sqr(x[2]) - 1.0); });
    IaFakeHost f;
    f.t = &t;
    f.lower = {-1, -2}, f.upper = {2, 2}, f.start = {0.5, 0.5};
    f.localMoves = false;
    f.accuracy = accuracy;
    f.stopAt = kTimeLimitIteration, f.stopCode = StopTimeLimit;
    f.named["solver_met"] = method;
    f.named["solver_soc"] = newton;
    EngineRun r = runEngine(f, t.bind(2, IaClassEquations, {IaRelEqual, IaRelEqual}));
    EXPECT_EQ(r.status, StatusSolved) << "met " << method << " soc " << newton;
    EXPECT_EQ(r.engine.stats.result, IaSearchGapClosed) << "met " << method << " soc " << newton;
    EXPECT_LT(r.engine.stats.iterations, kTimeLimitIteration) << "met " << method << " soc " << newton;
    for (double root : {-1.0, 1.0}) {
      bool near = false;
      for (const IaBox& box : r.solutions)
        near = near || (std::fabs(0.5 * (box[1].lo + box[1].hi) - root) < accuracy &&
                        std::fabs(0.5 * (box[2].lo + box[2].hi) - root) < accuracy);
      EXPECT_TRUE(near) << root << " with met " << method << " soc " << newton;
    }
    for (const IaBox& box : r.solutions) EXPECT_TRUE(Ia_boxIsSmall(2, box, accuracy));
  }
}

TEST(IaEngine, GrowsABoxInsideWhichTheInequalitiesHold) {
  // x^2 + y^2 <= 1 and y >= -0.5, grown from (0, 0) inside [-2, 2]^2.
  IaTestModel t;
  t.add([](const auto& x) { return x[1]; });  // no objective: function 0 unused
  t.add([](const auto& x) { return sqr(x[1]) + sqr(x[2]) - 1.0; });
  t.add([](const auto& x) { return x[2] + 0.5; });
  IaFakeHost f;
  f.t = &t;
  f.lower = {-2, -2}, f.upper = {2, 2}, f.start = {0, 0};
  f.localMoves = false;
  f.accuracy = 1e-3;
  EngineRun r = runEngine(f, t.bind(2, IaClassInequalities, {IaRelLessEq, IaRelGreaterEq}));
  ASSERT_EQ(r.status, StatusSolved);
  const IaBox& box = r.engine.reference;
  for (double x : {box[1].lo, box[1].hi})
    for (double y : {box[2].lo, box[2].hi}) EXPECT_LE(x * x + y * y, 1.0);
  EXPECT_GE(box[2].lo, -0.5);
  EXPECT_GT((box[1].hi - box[1].lo) * (box[2].hi - box[2].lo), 1.0);
}

TEST(IaEngine, GrowsPastATrialClampedAtTheStartBoxFromEitherSide) {
  // x^2 <= 0.9409 (x <= 0.97) on [0, 1]: the box grows to [0, 0.97] within
  // the accuracy whether it starts near the upper end, where the first
  // upward trial is clamped at 1 and fails, or near the lower end.
  for (double start : {0.95, 0.05}) {
    IaTestModel t;
    t.add([](const auto& x) { return x[1]; });  // no objective: function 0 unused
    t.add([](const auto& x) { return sqr(x[1]) - 0.9409; });
    IaFakeHost f;
    f.t = &t;
    f.lower = {0}, f.upper = {1}, f.start = {start};
    f.localMoves = false;
    f.accuracy = 1e-3;
    EngineRun r = runEngine(f, t.bind(1, IaClassInequalities, {IaRelLessEq}));
    ASSERT_EQ(r.status, StatusSolved) << start;
    const IaBox& box = r.engine.reference;
    EXPECT_EQ(box[1].lo, 0.0) << start;
    EXPECT_LE(box[1].hi, 0.97) << start;
    EXPECT_GE(box[1].hi, 0.97 - 2 * f.accuracy) << start;
    EXPECT_NEAR(r.engine.x[1], 0.484, 1.5e-3) << start;
  }
}

TEST(IaRelaxation, KillsABoxWhoseRowsCannotHoldTogether) {
  // x + y >= 3 and x + y <= 1 each hold somewhere on [0, 2]^2, never together.
  IaTestModel t;
  t.add([](const auto& x) { return x[1]; });
  t.add([](const auto& x) { return x[1] + x[2] - 3.0; });
  t.add([](const auto& x) { return x[1] + x[2] - 1.0; });
  const IaBox box = {{0, 0}, {0, 2}, {0, 2}};
  IaSearchContext s =
      Ia_searchContext(t.bind(2, IaClassConstrained, {IaRelGreaterEq, IaRelLessEq}), IaOptions{}, false, box);
  EXPECT_EQ(Ia_lpRelaxation(s, box.data(), nullptr).fate, IaFate::Dead);
  t.overBox[2] = [](const std::vector<IvG>& x) { return x[1] + x[2] - 3.5; };  // x + y <= 3.5
  EXPECT_EQ(Ia_lpRelaxation(s, box.data(), nullptr).fate, IaFate::Alive);
}

TEST(IaEngine, StatusPaths) {
  const auto square = [](IaTestModel& t) { t.add([](const auto& x) { return sqr(x[1] - 0.3); }); };
  struct Case {
    const char* what;
    int variables;    // 0: the model's own count
    int diagnosed;    // model query 39: 2 or 4 diagnosed by the interpreter
    int structure;    // model query 37: 5 and 6 structures the search cannot bound
    bool infeasible;  // a row no point satisfies
    bool localMoves;
    std::vector<int> localStatus;
    int stopCode;
    int status;
  };
  const std::vector<Case> cases = {
      {"solved", 0, 2, 0, false, true, {StatusSolved}, StopContinue, StatusSolved},
      {"over the size limit", 501, 2, 0, false, true, {StatusSolved}, StopContinue, StatusBadModel},
      {"not diagnosed", 0, 1, 0, false, true, {StatusSolved}, StopContinue, IaStatusWrongClass},
      {"refused by structure", 0, 2, 5, false, true, {StatusSolved}, StopContinue, IaStatusWrongClass},
      {"iteration limit", 0, 2, 0, false, true, {StatusSolved}, StopIterationLimit, StatusIterationLimit},
      {"time limit", 0, 2, 0, false, true, {StatusSolved}, StopTimeLimit, StatusTimeLimit},
      // Every box is discarded before any point: infeasible unless the final
      // local run returns a solution.
      {"empty, local fails", 0, 2, 0, true, false, {StatusIterationLimit}, StopContinue, StatusInfeasible},
      {"empty, final local solves",
       0,
       2,
       0,
       true,
       false,
       {StatusIterationLimit, StatusConverged},
       StopContinue,
       StatusSolved},
  };
  for (const Case& c : cases) {
    IaTestModel t;
    square(t);
    t.add([](const auto& x) { return sqr(x[1]) + 1.0; });  // <= 0 nowhere
    IaFakeHost f;
    f.t = &t;
    f.lower = {-1}, f.upper = {1}, f.start = {0.9};
    f.queries[QueryClassCode] = c.diagnosed;
    f.queries[QueryStructureLast] = c.structure;
    f.localMoves = c.localMoves;
    f.localStatus = c.localStatus;
    f.stopAt = 1, f.stopCode = c.stopCode;
    f.named["solver_met"] = IaMethodInterval;
    const std::vector<int> relations = c.infeasible ? std::vector<int>{IaRelLessEq} : std::vector<int>{};
    if (!c.infeasible) t.atPoint.pop_back(), t.overBox.pop_back();
    const IaModel& model = t.bind(1, c.infeasible ? IaClassConstrained : IaClassObjective, relations);
    IaModel sized = model;
    if (c.variables) sized.n = c.variables;
    f.queries[QueryVariables] = sized.n;
    EXPECT_EQ(runEngine(f, c.variables ? sized : model).status, c.status) << c.what;
  }
}

// (x - 0.3)^2 over [-1, 1] from 0.9, with local runs that report two set-up
// steps and three iterations each.
struct LocalProgressRun {
  IaTestModel t;
  IaFakeHost f;
  LocalProgressRun() {
    t.add([](const auto& x) { return sqr(x[1] - 0.3); });
    f.t = &t;
    f.lower = {-1}, f.upper = {1}, f.start = {0.9};
    f.localSetupSteps = 2, f.localIterations = 3;
  }
  EngineRun run() { return runEngine(f, t.bind(1, IaClassObjective, {})); }
};

constexpr int kLocalIterationCode = ProgressIterationNumber | ProgressIteration;

// The local runs' progress reaches the progress callback with the engine's
// codes: 9 for an iteration, 2 for a set-up step; the search's own reports
// stay queries of its iteration numbers.
TEST(IaLocalProgress, ReportsTheLocalRunsWithTheEnginesCodes) {
  LocalProgressRun l;
  const EngineRun r = l.run();
  EXPECT_EQ(r.status, StatusSolved);
  EXPECT_NEAR(r.engine.x[1], 0.3, 1e-6);
  ASSERT_EQ(l.f.localRuns, 2u);  // from the start, and the polish after the search
  EXPECT_EQ(l.f.progressCalls[ProgressSetup], 2 * 2);
  EXPECT_EQ(l.f.progressCalls[kLocalIterationCode], 3 * 2);
  EXPECT_GT(l.f.progressCalls[ProgressQuery | ProgressIterationNumber], 0);
  EXPECT_EQ(l.f.localAnswers, std::vector<int>(10, StopContinue));
}

// A stop answered at the first local run's second iteration ends that run
// (the local solver takes it as it would the progress callback's) and the
// engine's run with the stop's status, before any search. A stop chosen by
// the user, which the local solver would take for a restart, reaches it as
// a break, and the engine's status stands.
TEST(IaLocalProgress, AStopDuringALocalRunEndsTheRun) {
  struct Case {
    int stopCode;
    int passedOn;  // what the local run is answered
    int status;
  };
  const std::vector<Case> cases = {
      {StopBreak, StopBreak, StatusUserStop},
      {StopIterationLimit, StopIterationLimit, StatusIterationLimit},
      {StopTimeLimit, StopTimeLimit, StatusTimeLimit},
      {StopByUser, StopBreak, StatusSolved},
  };
  for (const Case& c : cases) {
    LocalProgressRun l;
    l.f.stopAt = 2, l.f.stopCode = c.stopCode;
    const EngineRun r = l.run();
    EXPECT_EQ(r.status, c.status) << c.stopCode;
    EXPECT_EQ(l.f.localRuns, 1u) << c.stopCode;
    EXPECT_EQ(r.engine.stats.iterations, 0) << c.stopCode;
    EXPECT_EQ(l.f.progressCalls[kLocalIterationCode], 2) << c.stopCode;
    EXPECT_EQ(l.f.localAnswers, (std::vector<int>{0, 0, 0, c.passedOn})) << c.stopCode;
    EXPECT_EQ(r.engine.x[1], 0.9) << c.stopCode;  // the local run's point, evaluated
  }
}

// A local run that ends on a stop it took from its own polls of the
// progress callback (the stop stays pending there) ends the engine's run
// with it; a local run that merely ran out of its own iterations does not.
TEST(IaLocalProgress, AStopTheLocalRunPolledEndsTheRun) {
  struct Case {
    int localStatus, pendingStop, status, searched;
  };
  const std::vector<Case> cases = {
      {StatusTimeLimit, StopTimeLimit, StatusTimeLimit, 0},
      {StatusUserStop, StopBreak, StatusUserStop, 0},
      {StatusIterationLimit, StopContinue, StatusSolved, 1},
  };
  for (const Case& c : cases) {
    LocalProgressRun l;
    l.f.localSetupSteps = l.f.localIterations = 0;
    l.f.localStatus = {c.localStatus, StatusSolved};
    l.f.pendingStop = c.pendingStop;
    const EngineRun r = l.run();
    EXPECT_EQ(r.status, c.status) << c.localStatus;
    EXPECT_EQ(r.engine.stats.iterations > 0, c.searched == 1) << c.localStatus;
  }
}

}  // namespace

namespace {

// min x + 2y subject to 2x + 3y >= 13.5 over [1, 4] x [2.5, 6.5]: 8 at
// (3, 2.5), where the row and y's lower bound bind. By hand, 1/2 on the row
// (fitted with the bound) makes the Lagrangian 6.75 + y/2, at least 8 over
// any box; 8/13 on the row alone leaves it a slope in x (103.7 / 13 on the
// box about the optimum). With the incumbent there, that box is bounded at
// 8, and one away from it (least feasible value 11 at (1, 5)) no higher.
TEST(IaLagrange, WeighsTheBoundsBindingAtTheIncumbent) {
  IaTestModel t;
  t.add([](const auto& x) { return x[1] + 2.0 * x[2]; });
  t.add([](const auto& x) { return 2.0 * x[1] + 3.0 * x[2] - 13.5; });
  const IaModel& model = t.bind(2, IaClassConstrained, {IaRelGreaterEq});
  IaSearchContext s = Ia_searchContext(model, IaOptions{}, false, {{0, 0}, {1, 4}, {2.5, 6.5}});
  const IaBox incumbent = {{0, 0}, {3, 3}, {2.5, 2.5}};
  const IaBox near = {{0, 0}, {2.9, 3.1}, {2.5, 2.6}}, away = {{0, 0}, {1, 1.5}, {5, 6}};
  double lower = 0;
  ASSERT_TRUE(Ia_lagrangianLower(s, near.data(), incumbent, 8.0, &lower));
  EXPECT_NEAR(lower, 8.0, 1e-9);
  EXPECT_LE(lower, 8.0);
  ASSERT_TRUE(Ia_lagrangianLower(s, away.data(), incumbent, 8.0, &lower));
  EXPECT_LE(lower, 11.0);
}

// min 2x - 3y under x <= 50, y <= 35 and y - 35 <= x - 50: more rows
// binding at (50, 35) than variables. By hand, 0, 1 and 2 on the rows cancel
// the objective's gradient (2, -3), and the Lagrangian is the constant
// -5 = f(50, 35); the least-norm fit over all three is (-1/3, 4/3, 5/3), and
// with the first set to 0 it leaves a slope of 1/3 in x (-5.075 on the box).
TEST(IaLagrange, FitsOnlyRowsThatPullTheRightWay) {
  IaTestModel t;
  t.add([](const auto& x) { return 2.0 * x[1] - 3.0 * x[2]; });
  t.add([](const auto& x) { return x[1] - 50.0; });
  t.add([](const auto& x) { return x[2] - 35.0; });
  t.add([](const auto& x) { return (x[2] - 35.0) - (x[1] - 50.0); });
  const IaModel& model = t.bind(2, IaClassConstrained, {IaRelLessEq, IaRelLessEq, IaRelLessEq});
  IaSearchContext s = Ia_searchContext(model, IaOptions{}, false, {{0, 0}, {0, 100}, {0, 100}});
  const IaBox incumbent = {{0, 0}, {50, 50}, {35, 35}}, near = {{0, 0}, {49.9, 50.1}, {34.9, 35.1}};
  double lower = 0;
  ASSERT_TRUE(Ia_lagrangianLower(s, near.data(), incumbent, -5.0, &lower));
  EXPECT_NEAR(lower, -5.0, 1e-6);
  EXPECT_LE(lower, -5.0);
}

TEST(IaContract, NarrowsABoxToWhatALinearRowAllows) {
  // Rows a x + b y + d (<= or =) 0 over [0, 2]^2, within the slack, written
  // about the midpoint (1, 1): base a + b + d, slopes a and b.
  struct Case {
    const char* what;
    double a, b, d;
    bool equality;
    double slack;
    bool alive;
    Interval x, y;
  };
  const std::vector<Case> cases = {
      {"x + 2y <= 2", 1, 2, -2, false, 0, true, {0, 2}, {0, 1}},
      {"-x - y <= -3", -1, -1, 3, false, 0, true, {1, 2}, {1, 2}},
      {"x + y = 3", 1, 1, -3, true, 0, true, {1, 2}, {1, 2}},
      {"x + y <= -5", 1, 1, 5, false, 0, false, {}, {}},
      {"x - y = 5", 1, -1, -5, true, 0, false, {}, {}},
      {"x + 2y <= 2 within 1", 1, 2, -2, false, 1, true, {0, 2}, {0, 1.5}},
      {"x + y = 4.5 within 0.5", 1, 1, -4.5, true, 0.5, true, {2, 2}, {2, 2}},
      {"x - y = 2.5 within 0.5", 1, -1, -2.5, true, 0.5, true, {2, 2}, {0, 0}},
      {"x + y = 4.5 within 0.25", 1, 1, -4.5, true, 0.25, false, {}, {}},
  };
  for (const Case& c : cases) {
    IaBox box = {{0, 0}, {0, 2}, {0, 2}};
    const IaBox slope = {{0, 0}, {c.a, c.a}, {c.b, c.b}};
    const double mid[] = {0, 1, 1};
    const Interval base = Ivl_setConst(c.a + c.b + c.d);
    ASSERT_EQ(Ia_contractLinear(2, base, slope.data(), mid, box.data(), c.equality, c.slack), c.alive) << c.what;
    if (!c.alive) continue;
    EXPECT_NEAR(box[1].lo, c.x.lo, 1e-12) << c.what;
    EXPECT_NEAR(box[1].hi, c.x.hi, 1e-12) << c.what;
    EXPECT_NEAR(box[2].lo, c.y.lo, 1e-12) << c.what;
    EXPECT_NEAR(box[2].hi, c.y.hi, 1e-12) << c.what;
  }
}

}  // namespace

// An integer search narrows the bounds between the solves of one set-up:
// each solve searches the box the bounds give then, and its point lies in it.
TEST(IaEngine, EachSolveSearchesTheBoundsItIsGiven) {
  struct Row {
    const char* what;
    double lower1, upper1, lower2, upper2;
    double x1, x2;  // the least point of (x1 - 2.4)^2 + (x2 - 1.3)^2 there, by hand
  };
  const Row rows[] = {
      {"the whole box", 0, 5, 0, 5, 2.4, 1.3},
      {"x1 at most 2", 0, 2, 0, 5, 2, 1.3},
      {"x1 at least 3 and x2 at most 1", 3, 5, 0, 1, 3, 1},
  };
  IaTestModel t;
  t.add([](const auto& x) { return sqr(x[1] - 2.4) + sqr(x[2] - 1.3); });
  IaFakeHost f;
  f.t = &t;
  f.lower = {0, 0}, f.upper = {5, 5}, f.start = {0, 0};
  f.localMoves = false;  // the search alone finds the point
  f.queries[QueryVariables] = 2;
  f.queries[QueryRows] = 1;
  f.queries[QueryObjectiveRow] = 1;
  f.queries[QueryClassCode] = 2;
  IaEngine e;
  ASSERT_EQ(Ia_setup(e, bindHost(f), &t.bind(2, IaClassObjective, {}), ProblemOtherDriver), StatusSolved);
  for (const Row& r : rows) {
    e.lower[1] = r.lower1, e.upper[1] = r.upper1, e.lower[2] = r.lower2, e.upper[2] = r.upper2;
    e.x = {0, r.lower1, r.lower2};
    EXPECT_EQ(Ia_solve(e), StatusSolved) << r.what;
    EXPECT_NEAR(e.x[1], r.x1, 1e-4) << r.what;
    EXPECT_NEAR(e.x[2], r.x2, 1e-4) << r.what;
    EXPECT_NEAR(e.objective, sqr(r.x1 - 2.4) + sqr(r.x2 - 1.3), 1e-6) << r.what;
  }
  EXPECT_EQ(Ia_finish(e, StatusSolved), StatusSolved);
}
