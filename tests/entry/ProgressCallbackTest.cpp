// The progress callback: what it counts and shows, and when it asks the
// front end's "Show" macro and stops the run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/Eng_Engine.h"
#include "entry/Host_Progress.h"
#include "excel/Area_Areas.h"
#include "tests/excel/MsgFixture.h"

namespace {

class Progress : public MsgFixture {
 protected:
  // What a session begin does before the engine runs.
  void begin() {
    openSession();
    ASSERT_EQ(Msg_armLimits(&context), 1);
    Msg_beginStatus(&context);
  }
  int call(int flags, int a = 0, double value = 0) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return Host_progressCallback(&context, flags, a, static_cast<std::uint32_t>(bits),
                                 static_cast<std::uint32_t>(bits >> 32));
  }
  const ProgressState& state() const { return context.progress; }
};

constexpr int kIteration = ProgressIterationNumber;

}  // namespace

TEST_F(Progress, ArmingReadsTheLimitsAndClearsTheRun) {
  modelName("solver_itr", "250");
  modelName("solver_tim", "60");
  modelName("solver_nod", "12");
  modelName("solver_mip", "4");
  modelName("solver_sho", "1");
  context.progress.pendingStop = StopBreak;
  context.progress.subproblems = 9;
  begin();
  EXPECT_EQ(state().pendingStop, StopContinue);
  EXPECT_EQ(state().iterationLimit, 250);
  EXPECT_EQ(state().iterationsLeft, 250);
  EXPECT_EQ(state().timeLimit, 60u);
  EXPECT_EQ(state().timeStart, g_msgFixtureTick / 1000);
  EXPECT_EQ(state().subproblemLimit, 12);
  EXPECT_EQ(state().integerLimit, 4);
  EXPECT_EQ(state().showIterations, 1);
  EXPECT_EQ(state().subproblems, 0);
  for (int armed : state().armed) EXPECT_EQ(armed, 1);
}

TEST_F(Progress, ADueIterationShowsTheFullLine) {
  begin();
  advance(751);
  EXPECT_EQ(call(kIteration | ProgressIncumbent, 7), StopContinue);
  EXPECT_EQ(lastShown(), "Trial 7  Value 1,234.50");
  advance(751);
  EXPECT_EQ(call(kIteration, 8, 2.5), StopContinue);
  EXPECT_EQ(lastShown(), "Trial 8  Value 2.50");
  advance(100);
  EXPECT_EQ(call(kIteration, 9, 3.5), StopContinue);   // throttled
  EXPECT_EQ(lastShown(), "Trial 8  Value 2.50");
}

TEST_F(Progress, TheIterationLimitWithoutShowStopsTheRun) {
  modelName("solver_itr", "1000");
  begin();
  for (int i = 1; i < 1000; ++i) ASSERT_EQ(call(kIteration, i), StopContinue) << i;
  EXPECT_EQ(call(kIteration, 1000), StopIterationLimit);
  EXPECT_EQ(call(0), StopIterationLimit);          // pending for the rest of the run
  EXPECT_EQ(call(ProgressQuery), StopIterationLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, state().pendingStop), StatusIterationLimit);
}

TEST_F(Progress, ShowAnsweringContinueIsNotAskedAgain) {
  modelName("solver_itr", "3");
  defineShow(1);
  begin();
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(call(kIteration, i), StopContinue) << i;
  EXPECT_EQ(reasons, std::vector<double>{ShowIterationLimit});
  EXPECT_EQ(state().pendingStop, StopContinue);
}

TEST_F(Progress, ShowAnsweringStopEndsTheRunAsChosen) {
  modelName("solver_itr", "1");
  defineShow(2);
  begin();
  EXPECT_EQ(call(kIteration, 1), StopByUser);
  EXPECT_EQ(Eng_statusAfterStop(StatusConverged, state().pendingStop), StatusConverged);
}

TEST_F(Progress, TheSameIterationNumberCountsOnce) {
  modelName("solver_itr", "2");
  begin();
  for (int k = 0; k < 3; ++k) EXPECT_EQ(call(kIteration, 1), StopContinue);
  EXPECT_EQ(state().iterationsLeft, 1);
  EXPECT_EQ(call(kIteration, 2), StopIterationLimit);
}

TEST_F(Progress, ANewSubproblemGivesTheIterationsBack) {
  modelName("solver_itr", "2");
  begin();
  EXPECT_EQ(call(kIteration, 1), StopContinue);
  EXPECT_EQ(call(ProgressSubproblem, 0), StopContinue);
  EXPECT_EQ(state().iterationsLeft, 2);
  EXPECT_EQ(call(kIteration, 1), StopContinue);   // counted again after the reset
  EXPECT_EQ(state().iterationsLeft, 1);
}

TEST_F(Progress, AUserBreakAsksShowWithReasonOne) {
  defineShow(1);
  begin();
  Xlc_pressBreak();
  EXPECT_EQ(call(0), StopContinue);
  EXPECT_EQ(reasons, std::vector<double>{ShowBreak});
  EXPECT_EQ(call(0), StopContinue);   // the break was taken
  EXPECT_EQ(reasons.size(), 1u);
}

TEST_F(Progress, AUserBreakWithoutShowStops) {
  begin();
  Xlc_pressBreak();
  EXPECT_EQ(call(0), StopBreak);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, state().pendingStop), StatusUserStop);
}

TEST_F(Progress, ShownIterationsAskAtEveryIterationPoint) {
  modelName("solver_sho", "1");
  defineShow(1);
  begin();
  EXPECT_EQ(call(ProgressIteration), StopContinue);
  EXPECT_EQ(call(ProgressIteration), StopContinue);
  EXPECT_EQ(call(0), StopContinue);
  EXPECT_EQ(reasons, (std::vector<double>{ShowBreak, ShowBreak}));
}

TEST_F(Progress, ResumingTakesBackAStopChosenByTheUser) {
  modelName("solver_sho", "1");
  defineShow(2);
  begin();
  EXPECT_EQ(call(ProgressIteration), StopByUser);
  EXPECT_EQ(call(0), StopByUser);
  EXPECT_EQ(call(ProgressResume), StopByUser);
  EXPECT_EQ(state().pendingStop, StopContinue);
  EXPECT_EQ(call(0), StopContinue);
}

TEST_F(Progress, APauseHoldsTheChecks) {
  modelName("solver_itr", "1");
  begin();
  EXPECT_EQ(call(ProgressPause), StopContinue);
  EXPECT_EQ(call(kIteration, 1), StopContinue);   // limit reached, not asked while paused
  EXPECT_EQ(call(kIteration | ProgressQuery, 2), StopContinue);
  EXPECT_EQ(call(ProgressResume), StopIterationLimit);
}

TEST_F(Progress, AQueryTellsWhatWouldStopAndChangesNothing) {
  modelName("solver_itr", "1");
  begin();
  EXPECT_EQ(call(kIteration | ProgressQuery, 1), StopByUser);   // the count itself goes on
  EXPECT_EQ(state().pendingStop, StopContinue);
  EXPECT_EQ(state().armed[0], 1);
  EXPECT_EQ(call(0), StopIterationLimit);
}

TEST_F(Progress, TheTimeLimitCountsWholeSecondsAcrossCalls) {
  modelName("solver_tim", "10");
  begin();
  advance(4000);
  EXPECT_EQ(call(0), StopContinue);
  EXPECT_EQ(state().timeLimit, 6u);
  advance(5000);
  EXPECT_EQ(call(0), StopContinue);
  EXPECT_EQ(state().timeLimit, 1u);
  advance(1000);
  EXPECT_EQ(call(0), StopTimeLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, state().pendingStop), StatusTimeLimit);
}

TEST_F(Progress, AWrappedTickCountSpendsTheWholeTime) {
  modelName("solver_tim", "100");
  defineShow(1);
  begin();
  g_msgFixtureTick = 5000;   // the tick count wrapped
  EXPECT_EQ(call(0), StopContinue);
  EXPECT_EQ(reasons, std::vector<double>{ShowTimeLimit});
}

TEST_F(Progress, SubproblemAndIntegerSolutionLimits) {
  modelName("solver_nod", "2");
  modelName("solver_mip", "3");
  defineShow(1);
  begin();
  EXPECT_EQ(call(ProgressSubproblem, 0), StopContinue);
  EXPECT_EQ(call(ProgressSubproblem, 1), StopContinue);
  EXPECT_EQ(call(ProgressSubproblem, 3), StopContinue);
  EXPECT_EQ(reasons, (std::vector<double>{ShowSubproblemLimit, ShowIntegerLimit}));
}

TEST_F(Progress, TheIntegerSolutionLimitStopsWithItsCode) {
  modelName("solver_mip", "3");
  begin();
  EXPECT_EQ(call(ProgressSubproblem, 2), StopContinue);
  EXPECT_EQ(call(ProgressSubproblem, 3), StopIntegerLimit);
  EXPECT_EQ(Eng_statusAfterStop(StatusSolved, state().pendingStop), StatusIntegerLimit);
}

TEST_F(Progress, AnIncumbentIsShownAtOnce) {
  begin();
  EXPECT_EQ(call(ProgressSubproblem | ProgressObjective, 1, 12.5), StopContinue);
  EXPECT_EQ(lastShown(), "Incumbent: 12.50  Subproblem: 1  ");
  EXPECT_EQ(state().incumbent, 12.5);
  EXPECT_EQ(state().integerSolutions, 1);
}

TEST_F(Progress, FeasibilityModeShowsItsPercentageAndCountsNothing) {
  modelName("solver_itr", "2");
  begin();
  context.feasibilityMode = 1;
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(call(kIteration, i), StopContinue);
  advance(751);
  EXPECT_EQ(call(ProgressFeasibility, 40), StopContinue);
  EXPECT_EQ(lastShown(), "Feasible: 40% done");
  EXPECT_EQ(context.feasibilityMode, 40);
  EXPECT_EQ(call(ProgressFeasibility, 0), StopContinue);
  EXPECT_EQ(context.feasibilityMode, 40);   // stays on while the search runs
  EXPECT_EQ(state().iterationsLeft, 2);
}

TEST_F(Progress, FeasibilityProgressOutsideTheModeRestartsTheIterations) {
  modelName("solver_itr", "5");
  begin();
  EXPECT_EQ(call(kIteration, 1), StopContinue);
  EXPECT_EQ(call(ProgressFeasibility, 50), StopContinue);
  EXPECT_EQ(context.feasibilityMode, 0);
  EXPECT_EQ(state().iterationsLeft, 5);
  EXPECT_EQ(state().lastIteration, 0);
}

TEST_F(Progress, SetupStepsShowTheirPercentages) {
  modelName("solver_adj", "Model!$A$1:$A$4");
  modelName("solver_itr", "1");
  context.variables = Sess_readVariableCells(&context);
  ASSERT_NE(context.variables, nullptr);
  context.rowCount = 3;
  begin();
  advance(751);
  EXPECT_EQ(call(ProgressSetup, 6), StopContinue);
  EXPECT_EQ(lastShown(), "Setting up...50% done");
  EXPECT_EQ(state().setupRowsByVariables, 12);
  EXPECT_EQ(state().setupTwiceVariables, 8);
  context.progress.setupSteps = 3;
  advance(751);
  EXPECT_EQ(call(kIteration, 1), StopContinue);   // a counted set-up step: no iteration
  EXPECT_EQ(lastShown(), "Limits: 37% done");
  EXPECT_EQ(state().iterationsLeft, 1);
  Sess_freeVariableCells(context.variables);
  context.variables = nullptr;
}

TEST(ProgressExport, OrdinalThirtyIsTheProgressCallback) {
  OsModule module = Os_loadLibrary((std::string(CORVAN_OUT) + "/Corvan32.dll").c_str());
  ASSERT_NE(module, nullptr);
  OsProc proc = Os_getProcByOrdinal(module, 30);
  EXPECT_EQ(proc, reinterpret_cast<OsProc>(&Host_progressCallback));
  Os_freeLibrary(module);
}
