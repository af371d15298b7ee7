// The engine runner: a plug-in engine run end to end by `Solve` action 0 on
// a linear test workbook (its final point stays in the variable cells), a
// pending stop turned into the run's status, the order of the engine's
// operations and the problem the runner builds (ordinal 6), the direct
// driver (ordinal 7) and the local solver of ordinal 41 while the GRG engine
// is not built.
#include <cstring>
#include <algorithm>

#include "SessionFixture.h"
#include "entry/Eng_Engine.h"
#include "tests/engines/MpsReader.h"

namespace {

// What the in-test engine saw, for the runner's own checks.
struct Seen {
  std::vector<std::string> calls;
  EngineProblem problem{};   // a copy taken in setup
  std::vector<std::int32_t> integerFlags;
  int setupResult = 1;
  int setupStatus = 0;
  int solveStatus = 0;
};
Seen* g_seen = nullptr;

int seenSetup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  g_seen->calls.push_back("setup");
  g_seen->problem = *p;
  if (p->integerFlags)
    g_seen->integerFlags.assign(p->integerFlags, p->integerFlags + p->variableCount);
  p->status = g_seen->setupStatus;
  return g_seen->setupResult;
}
int seenSolve(void* record) {
  g_seen->calls.push_back("solve");
  static_cast<EngineProblem*>(record)->status = g_seen->solveStatus;
  return 1;
}
int seenFinish(void*) {
  g_seen->calls.push_back("finish");
  return 1;
}

}  // namespace

class Runner : public SessionLibrary {
 protected:
  using RunFn = int (*)(EngineEntry*);
  using DriverFn = int (*)(EngineOp, EngineProblem*);
  using LocalFn = int (*)(LibraryContext*, std::int32_t, std::int32_t, std::int32_t,
                          std::uint32_t, double, double, double*, double*, const double*,
                          const double*);

  void TearDown() override {
    g_seen = nullptr;
    SessionLibrary::TearDown();
  }
  // The plug-in engine RUNTEST.DLL as "solver_eng" 6 chooses it, as if the
  // engines had been listed.
  void useRunnerEngine() {
    context->engineCount = 5;
    std::strcpy(context->engineFiles[5], "RUNTEST.DLL");
    name("solver_eng", "6");
  }
  // The run's status through ordinal 6, with the in-test engine.
  int runSeen() {
    EngineEntry entry{context, nullptr, seenSetup, seenSolve, seenFinish, nullptr};
    return ordinal<RunFn>(6)(&entry);
  }
  Seen seen;
};

TEST_F(Runner, PluginEngineSolvesAnLpWorkbookAndLeavesItsPointInTheCells) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  MpsModel mps;
  std::string error;
  ASSERT_TRUE(Mps_read(std::string(CORVAN_DATA) + "/lp/afiro.mps", mps, error)) << error;
  useRunnerEngine();
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_EQ(context->currentEngine, 5);
  // Every variable one unit above its lower bound (or 0), within its upper
  // bound, and the objective recalculated there.
  const int n = static_cast<int>(mps.colNames.size());
  double objective = 0;
  for (int j = 0; j < n; ++j) {
    double lower = mps.lower[j] > -1e30 ? mps.lower[j] : 0.0;
    double x = std::min(lower + 1.0, mps.upper[j]);
    EXPECT_EQ(numberIn(sheet, 4, 5 + j), x) << mps.colNames[j];
    objective += mps.cost[j] * x;
  }
  EXPECT_NEAR(valueAt("B2"), objective, 1e-9 * (1 + std::fabs(objective)));
  // The prior values were kept: action 2 puts the zeros back.
  EXPECT_EQ(solve(2), 1);
  EXPECT_EQ(numberIn(sheet, 4, 5), 0.0);
}

TEST_F(Runner, IterationLimitReachedDuringTheRunBecomesItsStatus) {
  ASSERT_NE(open("lp/sc50a.xlsx"), nullptr);
  useRunnerEngine();
  name("solver_itr", "2");
  name("runeng_iterations", "5");     // the engine goes on regardless
  EXPECT_EQ(solve(0), StatusIterationLimit);
  name("runeng_iterations", "2");     // the next check after the second stops
  EXPECT_EQ(solve(0), StatusIterationLimit);
  name("runeng_iterations", "1");
  EXPECT_EQ(solve(0), StatusSolved);
}

TEST_F(Runner, FailedSetupStatusIsTheRunsStatus) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  useRunnerEngine();
  name("runeng_setup", "0");
  EXPECT_EQ(solve(0), StatusBadBounds);
  EXPECT_EQ(numberIn(sheet, 4, 5), 0.0);    // nothing was written
}

TEST_F(Runner, OperationsInOrderAndTheProblemBuilt) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  g_seen = &seen;
  name("solver_eng", "2");
  name("solver_rep", "2");
  ASSERT_EQ(begin(), 1);
  context->actionCode = 12;
  seen.solveStatus = StatusInfeasible;
  EXPECT_EQ(runSeen(), StatusInfeasible);
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"setup", "solve", "finish"}));
  EXPECT_EQ(seen.problem.owner, context);
  EXPECT_EQ(seen.problem.variableCount, 32);
  EXPECT_EQ(seen.problem.driver, ordinal<DriverFn>(7));    // no integer variables: direct
  EXPECT_EQ(seen.problem.flags, ProblemReports | ProblemActionCode);
  EXPECT_EQ(seen.problem.actionCode, 12);
  EXPECT_EQ(seen.integerFlags, std::vector<std::int32_t>(32, 0));
  context->actionCode = 0;
  EXPECT_EQ(end(), 1);
}

TEST_F(Runner, IntegerVariablesChooseBranchAndBound) {
  ASSERT_NE(open("lp/p0033.xlsx"), nullptr);
  g_seen = &seen;
  name("solver_eng", "2");
  name("solver_rep", "1");
  ASSERT_EQ(begin(), 1);
  context->engineInfos[1].capabilities = 0x4014;     // as the LP engine's load gives them
  EXPECT_EQ(runSeen(), StatusBadBounds);   // the recording engine gives the driver no bounds
  EXPECT_EQ(seen.problem.flags, ProblemOtherDriver | ProblemBranch);
  EXPECT_NE(seen.problem.driver, ordinal<DriverFn>(7));
  EXPECT_EQ(std::count(seen.integerFlags.begin(), seen.integerFlags.end(), 2), 33);  // binaries
  EXPECT_EQ(end(), 1);
}

TEST_F(Runner, SetupFailureStillFinishes) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  g_seen = &seen;
  ASSERT_EQ(begin(), 1);
  seen.setupResult = 0;
  seen.setupStatus = StatusOutOfMemory;
  EXPECT_EQ(runSeen(), StatusOutOfMemory);
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"setup", "finish"}));
  EXPECT_EQ(end(), 1);
}

TEST_F(Runner, PendingStopsMapToStatuses) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  g_seen = &seen;
  ASSERT_EQ(begin(), 1);
  const int stops[] = {StopContinue, StopByUser, StopIterationLimit, StopBreak, StopTimeLimit,
                       StopSubproblemLimit, StopIntegerLimit};
  const int statuses[] = {0, 0, 3, 6, 10, 15, 16};
  for (int k = 0; k < 7; ++k) {
    context->progress.pendingStop = stops[k];
    EXPECT_EQ(runSeen(), statuses[k]) << "stop " << stops[k];
  }
  context->progress.pendingStop = StopContinue;
  EXPECT_EQ(end(), 1);
}

TEST_F(Runner, NoModelOrNoEntryIsNoRun) {
  g_seen = &seen;
  EXPECT_EQ(ordinal<RunFn>(6)(nullptr), StatusBadModel);
  EXPECT_EQ(runSeen(), StatusBadModel);       // no session: no variables
  EngineEntry orphan{nullptr, nullptr, seenSetup, seenSolve, seenFinish, nullptr};
  EXPECT_EQ(ordinal<RunFn>(6)(&orphan), StatusBadModel);
  EXPECT_TRUE(seen.calls.empty());            // setup never called
}

TEST_F(Runner, DirectDriverCallsSolveOnce) {
  g_seen = &seen;
  EngineProblem problem{};
  seen.solveStatus = StatusConverged;
  EXPECT_EQ(ordinal<DriverFn>(7)(seenSolve, &problem), StatusNone);
  EXPECT_EQ(problem.status, StatusConverged);
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"solve"}));
}

TEST_F(Runner, LocalSolverWithoutTheGrgEngineReportsNoEngine) {
  if (Os_getProcByOrdinal(module, 51)) GTEST_SKIP() << "the GRG engine is built";
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  useRunnerEngine();
  name("runeng_local", "1");
  EXPECT_EQ(solve(0), StatusBadModel);
  EXPECT_EQ(context->modelSupplied, 0);
  EXPECT_EQ(context->localSolver, nullptr);
  // Called outside any run, before the engines were registered.
  std::vector<double> x(2, 1.0), lower(2, 0.0), upper(2, 5.0);
  double objective = -1;
  auto local = ordinal<LocalFn>(41);
  EXPECT_EQ(local(context, 41, 40, 42, 0x3040, 1e-6, 1e-4, &objective, x.data(), lower.data(),
                  upper.data()),
            StatusBadModel);
  EXPECT_EQ(context->modelSupplied, 0);
  EXPECT_EQ(query(40), 40);      // the supplied words stay for queries 40-42
  EXPECT_EQ(query(41), 41);
  EXPECT_EQ(query(42), 42);
  EXPECT_EQ(x, (std::vector<double>{1.0, 1.0}));
  EXPECT_EQ(local(context, 0, 0, 0, 0, 0, 0, nullptr, x.data(), lower.data(), upper.data()),
            StatusBadModel);
}
