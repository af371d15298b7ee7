// The progress callback: what it counts and shows, and when it asks the
// front end's "Show" macro and stops the run.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "tests/entry/MsgFixture.h"

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

TEST_F(Progress, ADueIterationShowsTheFullLineAndAnIncumbentAtOnce) {
  begin();
  advance(751);
  EXPECT_EQ(call(kIteration | ProgressIncumbent, 7), StopContinue);
  EXPECT_EQ(lastShown(), "Trial 7  Value 1,234.50");
  advance(751);
  EXPECT_EQ(call(kIteration, 8, 2.5), StopContinue);
  EXPECT_EQ(lastShown(), "Trial 8  Value 2.50");
  EXPECT_EQ(call(ProgressSubproblem | ProgressObjective, 1, 12.5), StopContinue);
  EXPECT_EQ(lastShown(), "Incumbent: 12.50  Subproblem: 1  ");
  EXPECT_EQ(state().incumbent, 12.5);
  EXPECT_EQ(state().integerSolutions, 1);
}

TEST_F(Progress, TheRunCountsIterationsAcrossSubproblemsAndArmingClearsTheRun) {
  begin();
  for (int i = 1; i <= 3; ++i) call(kIteration, i);
  call(kIteration, 3);   // the same iteration again counts once
  call(ProgressSubproblem);
  for (int i = 1; i <= 2; ++i) call(kIteration, i);
  EXPECT_EQ(state().iterationsOfRun, 5);
  context.progress.pendingStop = StopBreak;
  ASSERT_EQ(Msg_armLimits(&context), 1);
  Msg_beginStatus(&context);
  EXPECT_EQ(state().iterationsOfRun, 0);
  EXPECT_EQ(state().subproblems, 0);
  EXPECT_EQ(state().pendingStop, StopContinue);
  EXPECT_EQ(state().timeStart, g_msgFixtureTick);
  for (int armed : state().armed) EXPECT_EQ(armed, 1);
}

// Runs of calls against limits, with or without a "Show" macro: what each
// call answers and with which reasons the macro was asked.
TEST_F(Progress, LimitsBreaksPausesAndTheShowMacro) {
  struct Call {
    int flags, a, stop;
    std::uint32_t waitMs = 0;
    bool pressBreak = false;
  };
  struct LimitRun {
    const char* what;
    std::vector<std::pair<const char*, const char*>> names;
    double show;   // the macro's answer; 0: no macro
    std::vector<Call> calls;
    std::vector<double> reasons;
    int iterationsLeft = -1;   // checked unless -1
  };
  const int C = StopContinue, I = kIteration;
  const std::uint32_t wrapTo5000 = 0u - 1000000u + 5000u;   // the tick count wraps
  const LimitRun runs[] = {
      {"iteration limit without Show stops, pending for the rest of the run", {{"solver_itr", "3"}}, 0,
       {{I, 1, C}, {I, 2, C}, {I, 3, StopIterationLimit}, {0, 0, StopIterationLimit},
        {ProgressQuery, 0, StopIterationLimit}}, {}},
      {"Show answering continue is not asked again", {{"solver_itr", "3"}}, 1,
       {{I, 1, C}, {I, 2, C}, {I, 3, C}, {I, 4, C}, {I, 5, C}}, {ShowIterationLimit}},
      {"Show answering stop ends the run", {{"solver_itr", "1"}}, 2, {{I, 1, StopByUser}}, {ShowIterationLimit}},
      {"the same iteration number counts once", {{"solver_itr", "2"}}, 0,
       {{I, 1, C}, {I, 1, C}, {I, 1, C}, {I, 2, StopIterationLimit}}, {}},
      {"a new subproblem gives the iterations back and counts 1 again", {{"solver_itr", "2"}}, 0,
       {{I, 1, C}, {ProgressSubproblem, 0, C}, {I, 1, C}}, {}, 1},
      {"a user break asks Show with reason one, once", {}, 1, {{0, 0, C, 0, true}, {0, 0, C}}, {ShowBreak}},
      {"a user break without Show stops", {}, 0, {{0, 0, StopBreak, 0, true}}, {}},
      {"shown iterations ask at every iteration point", {{"solver_sho", "1"}}, 1,
       {{ProgressIteration, 0, C}, {ProgressIteration, 0, C}, {0, 0, C}}, {ShowBreak, ShowBreak}},
      {"resuming takes back a stop chosen by the user", {{"solver_sho", "1"}}, 2,
       {{ProgressIteration, 0, StopByUser}, {0, 0, StopByUser}, {ProgressResume, 0, StopByUser}, {0, 0, C}},
       {ShowBreak}},
      {"a pause holds the checks", {{"solver_itr", "1"}}, 0,
       {{ProgressPause, 0, C}, {I, 1, C}, {I | ProgressQuery, 2, C}, {ProgressResume, 0, StopIterationLimit}}, {}},
      {"a stop holds for every later call: pauses, queries, set-up and resumes", {{"solver_itr", "1"}}, 0,
       {{I, 1, StopIterationLimit},
        {ProgressPause, 0, StopIterationLimit},
        {I | ProgressQuery, 2, StopIterationLimit},
        {ProgressSetup, 5, StopIterationLimit},
        {ProgressResume, 0, StopIterationLimit},
        {ProgressIteration, 0, StopIterationLimit},
        {ProgressSubproblem, 0, StopIterationLimit}},
       {}},
      {"a time limit Show answers with stop holds through a pause", {{"solver_tim", "0.5"}}, 3,
       {{0, 0, C, 400},
        {0, 0, StopTimeLimit, 100},
        {ProgressPause, 0, StopTimeLimit},
        {ProgressSetup, 1, StopTimeLimit},
        {ProgressQuery, 0, StopTimeLimit},
        {ProgressResume, 0, StopTimeLimit},
        {0, 0, StopTimeLimit, 1000}},
       {ShowTimeLimit}},
      {"a query tells what would stop and changes nothing", {{"solver_itr", "1"}}, 0,
       {{I | ProgressQuery, 1, StopByUser}, {0, 0, StopIterationLimit}}, {}},
      {"the time limit counts across calls", {{"solver_tim", "10"}}, 0,
       {{0, 0, C, 4000}, {0, 0, C, 5000}, {0, 0, StopTimeLimit, 1000}}, {}},
      {"the time limit takes fractions of a second", {{"solver_tim", "0.5"}}, 0,
       {{0, 0, C, 400}, {0, 0, StopTimeLimit, 100}}, {}},
      {"a wrapped tick count spends the whole time", {{"solver_tim", "100"}}, 1, {{0, 0, C, wrapTo5000}},
       {ShowTimeLimit}},
      {"subproblem and integer solution limits ask Show", {{"solver_nod", "2"}, {"solver_mip", "3"}}, 1,
       {{ProgressSubproblem, 0, C}, {ProgressSubproblem, 1, C}, {ProgressSubproblem, 3, C}},
       {ShowSubproblemLimit, ShowIntegerLimit}},
      {"the integer solution limit stops with its code", {{"solver_mip", "3"}}, 0,
       {{ProgressSubproblem, 2, C}, {ProgressSubproblem, 3, StopIntegerLimit}}, {}},
  };
  for (const LimitRun& run : runs) {
    restart();
    for (const auto& [name, value] : run.names) modelName(name, value);
    if (run.show) defineShow(run.show);
    begin();
    for (std::size_t k = 0; k < run.calls.size(); ++k) {
      const Call& c = run.calls[k];
      advance(c.waitMs);
      if (c.pressBreak) Xlc_pressBreak();
      EXPECT_EQ(call(c.flags, c.a), c.stop) << run.what << ", call " << k;
    }
    EXPECT_EQ(reasons, run.reasons) << run.what;
    if (run.iterationsLeft >= 0) {
      EXPECT_EQ(state().iterationsLeft, run.iterationsLeft) << run.what;
    }
  }
}

TEST_F(Progress, FeasibilityModeShowsItsPercentageAndCountsNothing) {
  modelName("solver_itr", "2");
  begin();
  // Outside the mode a percentage restarts the iterations.
  EXPECT_EQ(call(kIteration, 1), StopContinue);
  EXPECT_EQ(call(ProgressFeasibility, 50), StopContinue);
  EXPECT_EQ(context.feasibilityMode, 0);
  EXPECT_EQ(state().iterationsLeft, 2);
  EXPECT_EQ(state().lastIteration, 0);
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


// Asking the "Show" macro, which may write cells, counts as a workbook write
// that engines read through the query; calls that ask nothing do not.
TEST_F(Progress, AskingTheShowMacroCountsAsAWorkbookWrite) {
  modelName("solver_itr", "3");
  defineShow(1);
  begin();
  const int before = Host_queryModel(&context, QueryWorkbookWrites);
  EXPECT_EQ(call(ProgressPause), StopContinue);
  EXPECT_EQ(call(ProgressResume), StopContinue);
  for (int i = 1; i <= 2; ++i) EXPECT_EQ(call(kIteration, i), StopContinue);
  EXPECT_EQ(Host_queryModel(&context, QueryWorkbookWrites), before);
  for (int i = 3; i <= 5; ++i) EXPECT_EQ(call(kIteration, i), StopContinue);
  EXPECT_EQ(reasons, std::vector<double>{ShowIterationLimit});
  EXPECT_EQ(Host_queryModel(&context, QueryWorkbookWrites), before + 1);
}
