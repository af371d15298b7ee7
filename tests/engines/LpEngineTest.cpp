// LP/quadratic engine operations on a host held in memory: solutions of
// small models worked by hand, the statuses of crossed, oversized,
// nonlinear, unreadable and failing models, the capture by perturbation, the
// store callbacks, the progress calls and the final check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/os/Os.h"
#include "tests/support/LpFakeHost.h"

namespace {

// max 3x + 5y, x <= 4, 2y <= 12, 3x + 2y <= 18, x, y >= 0: optimum 36 at (2, 6).
LpFakeModel productMix() {
  LpFakeModel m;
  LpFake_box(m, {0, 0}, {1e30, 1e30}, {1, 1});
  m.rows = {LpFake_row({{0, 1}}, -1e30, 4), LpFake_row({{1, 2}}, -1e30, 12), LpFake_row({{0, 3}, {1, 2}}, -1e30, 18)};
  m.objective.terms = {{0, 3}, {1, 5}};
  m.maximise = true;
  return m;
}

bool sawCall(const LpFakeModel& m, unsigned flags, int count) {
  for (const auto& [f, c] : m.progressCalls)
    if (f == flags && c == count) return true;
  return false;
}

TEST(LpEngine, SolvesAMaximisationAndLeavesTheSolutionInTheModel) {
  LpFakeModel m = productMix();
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.setup, 1);
  EXPECT_EQ(r.solve, 1);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
  ASSERT_EQ(m.cells.size(), 2u);
  EXPECT_NEAR(m.cells[0], 2.0, 1e-9);
  EXPECT_NEAR(m.cells[1], 6.0, 1e-9);
  // The final evaluation runs with the limit checks paused.
  ASSERT_GE(m.progressCalls.size(), 2u);
  EXPECT_EQ(m.progressCalls[m.progressCalls.size() - 2].first, ProgressPause);
  EXPECT_EQ(m.progressCalls.back().first, ProgressResume);
}

TEST(LpEngine, ConstantsAndBadScalingDoNotChangeTheSolution) {
  // min 100x + 0.05y + 7, 20x + 0.02y >= 4, 0.5x - 0.001y <= 1, x, y >= 0.
  // At x = 0.2, y = 0: 27; at x = 0, y = 200: 17, the optimum.
  for (int scaling : {0, 1}) {
    LpFakeModel m;
    LpFake_box(m, {0, 0}, {1e30, 1e30});
    m.rows = {LpFake_row({{0, 20}, {1, 0.02}}, 4, 1e30), LpFake_row({{0, 0.5}, {1, -0.001}}, -1e30, 1)};
    m.objective.terms = {{0, 100}, {1, 0.05}};
    m.objective.constant = 7;
    m.scaling = scaling;
    const LpFakeRun r = LpFake_run(m);
    EXPECT_EQ(r.status, 0) << scaling;
    EXPECT_NEAR(r.objective, 17.0, 1e-9) << scaling;
    EXPECT_NEAR(m.cells[1], 200.0, 1e-9) << scaling;
  }
}

TEST(LpEngine, PerturbationCaptureWhenExtractionFails) {
  LpFakeModel m = productMix();
  m.extractable = false;
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
  // One set-up progress call per variable with (m' + 1) * j.
  EXPECT_TRUE(sawCall(m, ProgressSetup, 4));
  EXPECT_TRUE(sawCall(m, ProgressSetup, 8));
  // A row coefficient of 0.001, which steps 1 and 10 move by less than
  // 0.01, is found with a larger step: max x, 0.001x <= 0.005.
  LpFakeModel small;
  LpFake_box(small, {0}, {1e30});
  small.rows = {LpFake_row({{0, 0.001}}, -1e30, 0.005)};
  small.objective.terms = {{0, 1}};
  small.maximise = true;
  small.extractable = false;
  EXPECT_NEAR(LpFake_run(small).objective, 5.0, 1e-9);
  // Differences not allowed: no coefficients.
  m.noDifferences = 1;
  const LpFakeRun refused = LpFake_run(m);
  EXPECT_EQ(refused.setup, 0);
  EXPECT_EQ(refused.status, StatusNoCoefficients);
}

TEST(LpEngine, CrossedUnreadableAndFailingModels) {
  LpFakeModel crossed = productMix();
  crossed.lower[1] = 5;
  crossed.upper[1] = 4;
  EXPECT_EQ(LpFake_run(crossed).status, StatusCrossedBounds);

  LpFakeModel rowCrossed = productMix();
  rowCrossed.rows[0].lower = 5;
  EXPECT_EQ(LpFake_run(rowCrossed).status, StatusCrossedBounds);

  LpFakeModel noBounds = productMix();
  noBounds.boundsReadable = false;
  EXPECT_EQ(LpFake_run(noBounds).status, StatusBadBounds);
  EXPECT_EQ(noBounds.evaluations, 0);  // the model's cells are left as they were

  LpFakeModel noStart = productMix();
  noStart.startReadable = false;
  EXPECT_EQ(LpFake_run(noStart).status, StatusBadModel);

  for (long at : {1L, 3L, 5L}) {  // kind test at 0 and 4, capture at 0
    LpFakeModel failing = productMix();
    failing.failEvaluationAt = at;
    const LpFakeRun r = LpFake_run(failing);
    EXPECT_EQ(r.setup, 0) << at;
    EXPECT_EQ(r.status, StatusEvalError) << at;
    // The final evaluation puts the start values back.
    EXPECT_EQ(failing.cells, failing.x0) << at;
  }
  // The start values are only a start: where the model gives no number
  // there, the run goes on from zero within the bounds to the optimum; only
  // when that fails too is the model refused.
  for (long at : {4L, 6L}) {  // evaluations at the start values after the kind test and the capture
    LpFakeModel failing = productMix();
    failing.failEvaluationAt = at;
    const LpFakeRun r = LpFake_run(failing);
    EXPECT_EQ(r.setup, 1) << at;
    EXPECT_EQ(r.status, 0) << at;
    EXPECT_NEAR(r.objective, 36.0, 1e-9) << at;
  }
  LpFakeModel nowhere = productMix();
  nowhere.failEvaluationsFrom = 4;
  const LpFakeRun r = LpFake_run(nowhere);
  EXPECT_EQ(r.setup, 0);
  EXPECT_EQ(r.status, StatusEvalError);
}

// A start at zero, where the kind test evaluates last, takes its rows from
// there: the capture evaluates no more at zero, only at the start after the
// coefficients are read. A class known to the host leaves the kind test
// out, and with it the rows kept: the capture evaluates at zero itself.
TEST(LpEngine, AStartAtZeroTakesTheKindTestsRowsAtZero) {
  struct Case {
    const char* what;
    int objectiveClass;
    long failEvaluationAt;  // -1: none fails
    int evaluations;        // -1: not counted
  };
  const Case cases[] = {
      // 8, 4, 0, the start after the capture, the final check, the finish
      {"kind test at zero", 0, -1, 6},
      // the capture at 0 and at the start, the final check, the finish
      {"class known to the host", 1, -1, 4},
      // the start after the capture still falls back to zero within the bounds
      {"start after the capture fails", 0, 4, -1},
  };
  for (const Case& c : cases) {
    LpFakeModel zero = productMix();
    zero.x0 = {0, 0};
    zero.objective.constant = 7;
    zero.objectiveClass = c.objectiveClass;
    zero.failEvaluationAt = c.failEvaluationAt;
    const LpFakeRun r = LpFake_run(zero);
    EXPECT_EQ(r.status, 0) << c.what;
    EXPECT_NEAR(r.objective, 43.0, 1e-9) << c.what;
    if (c.evaluations >= 0) {
      EXPECT_EQ(zero.evaluations, c.evaluations) << c.what;
    }
  }
}

// A host that counts its workbook writes lets the engine take the rows of a
// point the cells still hold: the start at zero after the capture and the
// finish at the point of the final check are not evaluated again. A write
// in between (a macro at every progress call) asks for both again.
TEST(LpEngine, APointTheWorkbookHoldsIsNotEvaluatedAgain) {
  LpFakeModel held = productMix();
  held.x0 = {0, 0};
  held.countWrites = true;
  LpFakeRun r = LpFake_run(held);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
  EXPECT_EQ(held.evaluations, 4);  // 8, 4, 0, the final check

  LpFakeModel written = productMix();
  written.x0 = {0, 0};
  written.countWrites = written.progressWrites = true;
  r = LpFake_run(written);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
  EXPECT_EQ(written.evaluations, 6);
  EXPECT_EQ(held.cells, written.cells);  // the solution is left in the cells either way
}

TEST(LpEngine, SizeLimits) {
  LpFakeModel rows = productMix();
  rows.extraRows = 8190;  // 4 host rows + 8190 = 8194 > 8192
  LpFakeRun r = LpFake_run(rows);
  EXPECT_EQ(r.setup, 0);
  EXPECT_EQ(r.status, StatusBadModel);
  EXPECT_EQ(rows.evaluations, 0);

  // In feasibility mode the limits are not checked.
  LpFakeModel feasibility = productMix();
  feasibility.n = 2001;
  feasibility.x0.assign(2001, 0.0);
  feasibility.lower.assign(2001, 0.0);
  feasibility.upper.assign(2001, 1e30);
  r = LpFake_run(feasibility, ProblemFeasibility);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
}

TEST(LpEngine, LinearityTest) {
  // Only the objective nonlinear: a parabola passes the test (the quadratic
  // path then takes it), a cubic does not.
  LpFakeModel quadratic = productMix();
  quadratic.function = [](int i, const std::vector<double>& x) {
    return i == 3 ? x[0] * x[0] + x[1] : i == 0 ? x[0] : i == 1 ? 2 * x[1] : 3 * x[0] + 2 * x[1];
  };
  EXPECT_EQ(LpFake_run(quadratic).setup, 1);

  LpFakeModel cubic = quadratic;
  cubic.function = [](int i, const std::vector<double>& x) {
    return i == 3 ? x[0] * x[0] * x[0] : i == 0 ? x[0] : i == 1 ? 2 * x[1] : 3 * x[0] + 2 * x[1];
  };
  EXPECT_EQ(LpFake_run(cubic).status, StatusNotLinear);

  // A class known to the host replaces the test: no evaluation at 0, 8, 4.
  LpFakeModel known = productMix();
  known.objectiveClass = 4;
  const LpFakeRun r = LpFake_run(known);
  EXPECT_EQ(r.status, StatusNotLinear);
}

TEST(LpEngine, ModelWithoutObjectiveFindsAFeasiblePoint) {
  LpFakeModel m = productMix();
  m.hasObjective = false;
  m.rows.push_back(LpFake_row({{0, 1}, {1, 1}}, 7, 1e30));
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.objective, 0.0);
  EXPECT_GE(m.cells[0] + m.cells[1], 7 - 1e-9);
  EXPECT_LE(3 * m.cells[0] + 2 * m.cells[1], 18 + 1e-9);
}

TEST(LpEngine, RowWithoutLimitsConstrainsNothing) {
  // A row with neither limit passes the final check at any value.
  LpFakeModel m = productMix();
  m.rows.push_back(LpFake_row({{0, 1}, {1, 1}}, -1e30, 1e30));
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, 0);
  EXPECT_NEAR(r.objective, 36.0, 1e-9);
}

TEST(LpEngine, IntegerBoundsAreRounded) {
  LpFakeModel m;
  LpFake_box(m, {0.5}, {2.5});
  m.objective.terms = {{0, 1}};
  m.maximise = true;
  m.integers = 1;
  std::int32_t flags[1] = {1};
  EngineProblem problem{};
  problem.integerFlags = flags;
  ASSERT_EQ(Lp_engineSetupWith(&problem, LpFake_host(m)), 1);
  EXPECT_EQ(problem.lower[0], 1.0);
  EXPECT_EQ(problem.upper[0], 2.0);
  EXPECT_EQ(Lp_engineSolve(&problem), 1);
  EXPECT_NEAR(problem.objective, 2.0, 1e-12);
  EXPECT_NEAR(problem.values[0], 2.0, 1e-12);
  Lp_engineFinish(&problem);
  EXPECT_EQ(problem.engineRecord, nullptr);
  EXPECT_EQ(problem.values, nullptr);  // nothing points into the released record
}

TEST(LpEngine, FinalCheckCatchesAModelThatDisagreesWithItsCoefficients) {
  // The host says linear and delivers x <= 4, but the cell computes 2x.
  LpFakeModel m = productMix();
  m.objectiveClass = 1;
  m.function = [](int i, const std::vector<double>& x) {
    return i == 0 ? 2 * x[0] : i == 1 ? 2 * x[1] : i == 2 ? 3 * x[0] + 2 * x[1] : 3 * x[0] + 5 * x[1];
  };
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, StatusNotLinear);
  EXPECT_EQ(r.solve, 0);
}

TEST(LpEngine, FinalCheckCatchesAPointOutsideAVariablesBounds) {
  // The product mix with a third variable z in [0, 1] in no row and not in
  // the objective: rows and objective agree with the tableau whatever z
  // is, so only its bounds can tell a point with z outside them.
  LpFakeModel m = productMix();
  LpFake_box(m, {0, 0, 0}, {1e30, 1e30, 1}, {1, 1, 0});
  EngineProblem problem{};
  ASSERT_EQ(Lp_engineSetupWith(&problem, LpFake_host(m)), 1);
  EXPECT_EQ(Lp_engineSolve(&problem), 1);
  ASSERT_EQ(problem.status, 0);
  EXPECT_NEAR(problem.objective, 36.0, 1e-9);
  LpRun& run = *static_cast<LpRun*>(problem.engineRecord);
  LpRecord& lp = run.lp;
  Lp_scaleVariableState(lp);  // the check judges the scaled point, as after the simplex
  EXPECT_EQ(Lp_finalCheck(run), StatusSolved);
  const double up = lp.upper[3], slack = (std::fabs(up) + 1) * lp.precision;
  lp.x[3] = up + 0.5 * slack;  // within the precision, as the rows are judged
  EXPECT_EQ(Lp_finalCheck(run), StatusSolved);
  lp.x[3] = up + 2 * slack;
  EXPECT_EQ(Lp_finalCheck(run), StatusNotLinear);
  lp.x[3] = lp.lower[3] - 2 * slack;
  EXPECT_EQ(Lp_finalCheck(run), StatusNotLinear);
  lp.x[3] = up;
  Lp_unscaleVariableState(lp);
  Lp_engineFinish(&problem);
}

// On a tableau of mixed magnitudes an entry below the pivot tolerance
// blocks a step that would carry its row's basic variable out of its box:
// x entering, which row 2 stops after 5 units, reaches the slack of row 1,
// at 1E-06, after 2.5. Beside a row's largest entry 1000 the same entry is
// rounding of that row and blocks nothing (row 2 leaves); beside 0.1 it is
// a coefficient, and row 1 leaves.
TEST(LpEngine, SmallEntryBlocksOnlyBesideEntriesOfItsOwnSize) {
  struct Case {
    double largest;
    int row;
  };
  for (const Case& c : {Case{0.1, 1}, Case{1000, 2}}) {
    LpFakeModel m;
    LpFake_box(m, {0, 0}, {10, 10});
    m.rows = {LpFake_row({{0, 1}, {1, 1}}, -1e30, 100), LpFake_row({{0, 1}, {1, 1}}, -1e30, 20)};
    m.objective.terms = {{0, 1}};
    m.maximise = true;
    m.scaling = 0;
    EngineProblem problem{};
    ASSERT_EQ(Lp_engineSetupWith(&problem, LpFake_host(m)), 1);
    LpRecord& lp = static_cast<LpRun*>(problem.engineRecord)->lp;
    lp.mixedMagnitudes = true;
    lp.pivotTolerance = 1e-6;
    lp.precision = 1e-8;
    const double rows[3][3] = {{0, 1, 0}, {1e-6, 4e-7, c.largest}, {5, 1, 1}};
    for (int i = 0; i < 3; ++i) std::copy(rows[i], rows[i] + 3, lp.matrix.row(i));
    const LpRatio r = Lp_ratioTest(lp, 0, 1);
    EXPECT_EQ(r.row, c.row) << c.largest;
    EXPECT_FALSE(r.flip) << c.largest;
    Lp_engineFinish(&problem);
  }
}

TEST(LpEngine, ProgressStopsTheSimplex) {
  LpFakeModel m = productMix();
  // The host's answer at iteration 1, and its pending stop at the resume.
  m.answer = [](unsigned flags, int count) {
    const bool asked = (flags & ProgressIterationNumber) || flags == (ProgressResume | ProgressIteration);
    return asked && count == 1 ? StopBreak : 0;
  };
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, StatusUserStop);
  EXPECT_EQ(r.solve, 0);
  // The stop pauses, shows the point, and resumes at an iteration point.
  EXPECT_TRUE(sawCall(m, ProgressPause, 0));
  EXPECT_TRUE(sawCall(m, ProgressResume | ProgressIteration, 1));
}

TEST(LpEngine, ShownIterationsPauseAtEveryReport) {
  LpFakeModel m = productMix();
  m.showIterations = 1;
  const LpFakeRun r = LpFake_run(m);
  EXPECT_EQ(r.status, 0);
  int reports = 0, resumes = 0;
  for (const auto& [flags, count] : m.progressCalls) {
    if (flags == (ProgressQuery | ProgressIterationNumber) || flags == 0x448u) ++reports;
    if (flags == (ProgressResume | ProgressIteration)) ++resumes;
  }
  EXPECT_GE(reports, 2);
  EXPECT_EQ(reports, resumes);
}

TEST(LpEngine, StoreCallbacks) {
  LpMatrix a;
  a.rows = 4;
  a.cols = 3;
  a.a.assign(12, 0.0);
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, 1, 0, 2.5, &a), 1);
  EXPECT_EQ(a.row(2)[1], 2.5);
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, -1, -1, 0.0, &a), 0);  // reset
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, 0, 0, 1.0, nullptr), 0);
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, 3, 0, 1.0, &a), 0);   // past the last row
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, 0, 2, 1.0, &a), 0);   // past the last column
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, nullptr, -3, 0, 1.0, &a), 0);
  // A progress tick stores in row 0 and asks the host with query 1 x (column + 2).
  LpFakeModel m = productMix();
  LpRun run;
  run.host = LpFake_host(m);
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, &run, -1, 1, 4.0, &a), 1);
  EXPECT_EQ(a.row(0)[2], 4.0);
  EXPECT_TRUE(sawCall(m, ProgressSetup2, 4 * 3));
  m.answer = [](unsigned, int) { return StopBreak; };
  EXPECT_EQ(Lp_storeCoefProgress(nullptr, &run, -1, 0, 1.0, &a), 0);

  // The quadratic store: the constant, the linear part and Q(2, 1); the
  // reset before a delivery leaves no stale term.
  LpMatrix t;
  t.rows = 4;
  t.cols = 3;
  t.a.assign(12, 0.0);
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, -1, -1, 7.0, &t), 1);
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, -1, 0, 2.0, &t), 1);
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, 1, 0, 3.0, &t), 1);
  EXPECT_EQ(t.row(0)[0], 7.0);
  EXPECT_EQ(t.row(0)[1], 2.0);
  EXPECT_EQ(t.row(2)[1], 3.0);
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, 5, 0, 1.0, &t), 0);
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, -2, -2, 0.0, &t), 0);
  EXPECT_EQ(t.a, std::vector<double>(12, 0.0));
  LpMatrix none;
  EXPECT_EQ(Lp_storeCoef(nullptr, nullptr, -1, -1, 1.0, &none), 0);
}

TEST(LpEngine, OperationsAndStoreCallbacksAreExportedByOrdinal) {
  OsModule module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
  ASSERT_NE(module, nullptr);
  for (int ordinal : {45, 46, 55, 56, 57, 58, 59})
    EXPECT_NE(Os_getProcByOrdinal(module, ordinal), nullptr) << ordinal;
  auto load = reinterpret_cast<EngineOp>(Os_getProcByOrdinal(module, 55));
  EngineInfo info{};
  ASSERT_TRUE(load);
  EXPECT_EQ(load(&info), 1);
  EXPECT_EQ(info.limits[0], 2000);
  EXPECT_EQ(info.limits[1], 8192);
  EXPECT_EQ(info.capabilities, 0x4014u);
  auto store = reinterpret_cast<CoefficientStore>(Os_getProcByOrdinal(module, 46));
  LpMatrix a;
  a.rows = 2;
  a.cols = 2;
  a.a.assign(4, 0.0);
  EXPECT_EQ(store(nullptr, nullptr, 0, 0, 1.5, &a), 1);
  EXPECT_EQ(a.row(1)[1], 1.5);
  Os_freeLibrary(module);
}

}  // namespace
