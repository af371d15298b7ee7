// The engine runner: a plug-in engine run end to end by `Solve` action 0 on
// a linear test workbook (its final point stays in the variable cells),
// pending stops turned into the run's status, the order of the engine's
// operations and the problem the runner builds (ordinal 6) with the direct
// driver (ordinal 7), and the local solver of ordinal 41 with a stand-in
// for the GRG engine's operations.
#include <algorithm>
#include <cstring>

#include "base/Mem_Heap.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Queries.h"
#include "tests/support/MpsReader.h"
#include "tests/support/SessionFixture.h"

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

// A stand-in for the GRG engine's operations as the local solver uses them:
// setup publishes its arrays, solve starts from the saved point (counted
// from 1), moves every variable one unit up within its bounds and leaves a
// solution block from the host's heap, as the engine does.
struct FakeGrg {
  std::vector<double> lower, upper, x;
  int setups = 0, solves = 0, finishes = 0;
  int setupResult = 1;
  // What solve was told: queries 40-42, the option flags, whether it
  // scales, the precision and the convergence.
  std::vector<double> told;
  int progressAnswer = -1;  // what its progress report through the caller's routine got
  std::vector<double> startSeen;
};
FakeGrg* g_grg = nullptr;

int grgSetup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  ++g_grg->setups;
  if (!g_grg->setupResult) {
    p->status = StatusBadBounds;
    return 0;
  }
  int n = Host_queryModel(p->owner, QueryVariables);
  g_grg->lower.assign(n, 0.0);
  g_grg->upper.assign(n, 0.0);
  g_grg->x.assign(n, 0.0);
  p->variableCount = n;
  p->lower = g_grg->lower.data();
  p->upper = g_grg->upper.data();
  p->values = g_grg->x.data();
  return 1;
}
int grgSolve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  LibraryContext* c = p->owner;
  ++g_grg->solves;
  double precision = 0, convergence = 0;
  Host_getRealOption(c, &precision, RealPrecision);
  Host_getRealOption(c, &convergence, RealConvergence);
  g_grg->told = {double(Host_queryModel(c, 40)), double(Host_queryModel(c, 41)),
                 double(Host_queryModel(c, 42)), double(Host_getEngineOptionFlags(c, 0)),
                 double(Host_queryModel(c, QueryScaling) != 0), precision, convergence};
  g_grg->progressAnswer = Host_localProgress(c, 1, 7, 2.5);
  const double* saved = static_cast<const double*>(p->saved);
  int n = p->variableCount;
  g_grg->startSeen.assign(saved + 1, saved + 1 + n);
  auto* block = static_cast<double*>(Mem_alloc(sizeof(double) * (n + 1)));
  p->objective = 0;
  for (int j = 0; j < n; ++j) {
    g_grg->x[j] = std::min(std::max(saved[j + 1] + 1.0, g_grg->lower[j]), g_grg->upper[j]);
    block[j + 1] = g_grg->x[j];
    p->objective += g_grg->x[j];
  }
  p->saved = block;
  p->status = StatusConverged;
  return 1;
}
int grgFinish(void*) {
  ++g_grg->finishes;
  return 1;
}

}  // namespace

class Runner : public SessionLibrary {
 protected:
  using RunFn = int (*)(EngineEntry*);
  using DriverFn = int (*)(EngineOp, EngineProblem*);
  using LocalFn = decltype(&Host_runLocalSolver);

  void SetUp() override {
    SessionLibrary::SetUp();
    g_seen = &seen;
    g_grg = &grg;
  }
  // The run's status through ordinal 6, with the in-test engine.
  int runSeen() {
    EngineEntry entry{context, nullptr, seenSetup, seenSolve, seenFinish, nullptr};
    return ordinal<RunFn>(6)(&entry);
  }
  // afiro open, the session begun and `grg` in the GRG engine's place: the
  // local solver of ordinal 41 (null if any of that failed).
  LocalFn localOverFakeGrg() {
    if (!open("lp/afiro.xlsx") || begin() != 1) return nullptr;
    context->engines[0] = EngineEntry{context, nullptr, grgSetup, grgSolve, grgFinish, nullptr};
    return ordinal<LocalFn>(41);
  }
  Seen seen;
  FakeGrg grg;
};

TEST_F(Runner, PluginEngineSolvesAnLpWorkbookAndLeavesItsPointInTheCells) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
  MpsModel mps;
  std::string error;
  ASSERT_TRUE(Mps_readNamed("afiro", mps, error)) << error;
  context->engineCount = 5;   // as if the engines had been listed
  std::strcpy(context->engineFiles[5], "RUNTEST.DLL");
  name("solver_eng", "6");
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

TEST_F(Runner, OperationsInOrderAndTheProblemBuilt) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
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
  // A setup that fails still finishes, and its status is the run's.
  seen.calls.clear();
  seen.setupResult = 0;
  seen.setupStatus = StatusOutOfMemory;
  EXPECT_EQ(runSeen(), StatusOutOfMemory);
  EXPECT_EQ(seen.calls, (std::vector<std::string>{"setup", "finish"}));
  EXPECT_EQ(end(), 1);
}

TEST_F(Runner, PendingStopsMapToStatuses) {
  ASSERT_NE(open("lp/afiro.xlsx"), nullptr);
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
  EXPECT_EQ(ordinal<RunFn>(6)(nullptr), StatusBadModel);
  EXPECT_EQ(runSeen(), StatusBadModel);       // no session: no variables
  EngineEntry orphan{nullptr, nullptr, seenSetup, seenSolve, seenFinish, nullptr};
  EXPECT_EQ(ordinal<RunFn>(6)(&orphan), StatusBadModel);
  EngineEntry halfPlugin{context, nullptr, seenSetup, nullptr, seenFinish, nullptr};
  EXPECT_EQ(ordinal<RunFn>(6)(&halfPlugin), StatusHostFailure);   // an export missing
  EXPECT_TRUE(seen.calls.empty());            // setup never called
}

TEST_F(Runner, LocalSolverRunsTheGrgEngineOnTheSuppliedModel) {
  const LocalFn local = localOverFakeGrg();
  ASSERT_NE(local, nullptr);
  const int n = 32;
  std::vector<double> x(n, 2.0), lower(n, 0.0), upper(n, 2.5);
  double objective = 0;
  EXPECT_EQ(local(context, 0, nullptr, nullptr, 0, 0, 0, 0, nullptr, x.data(), lower.data(), upper.data()),
            StatusBadModel);  // no objective to fill
  // A setup that fails finishes the engine; the next call sets up again.
  grg.setupResult = 0;
  EXPECT_EQ(local(context, 0, nullptr, nullptr, 0, 0, 1e-6, 1e-4, &objective, x.data(), lower.data(), upper.data()),
            StatusBadBounds);
  EXPECT_EQ(grg.finishes, 1);
  EXPECT_EQ(context->localSolver, nullptr);
  EXPECT_EQ(context->modelSupplied, 0);
  EXPECT_EQ(x, std::vector<double>(n, 2.0));
  grg.setupResult = 1;
  // The caller's progress routine takes the engine's reports during the run
  // and passes its answer back.
  struct Reports {
    int calls = 0, iteration = 0, count = 0;
    double objective = 0;
  } reports;
  const LocalProgress routine = [](void* u, int iteration, int count, double value) {
    auto& r = *static_cast<Reports*>(u);
    ++r.calls;
    r.iteration = iteration, r.count = count, r.objective = value;
    return int{StopBreak};
  };
  EXPECT_EQ(local(context, 41, routine, &reports, 42, 0x3000 | OptFlagMsl | OptFlagLin, 1e-7, 1e-3, &objective,
                  x.data(), lower.data(), upper.data()),
            StatusConverged);
  EXPECT_EQ(grg.progressAnswer, StopBreak);
  EXPECT_EQ(reports.calls, 1);
  EXPECT_EQ(reports.iteration, 1);
  EXPECT_EQ(reports.count, 7);
  EXPECT_EQ(reports.objective, 2.5);
  EXPECT_EQ(grg.startSeen, std::vector<double>(n, 2.0));
  EXPECT_EQ(x, std::vector<double>(n, 2.5));          // moved up, held by the upper bound
  EXPECT_EQ(objective, 2.5 * n);
  // What the engine was told while the model was supplied.
  EXPECT_EQ(grg.told, (std::vector<double>{1, 41, 42, OptFlagMsl | OptFlagLin, 1, 1e-7, 1e-3}));
  EXPECT_EQ(context->modelSupplied, 0);
  EXPECT_EQ(query(QueryLocalProgress), 0);            // the routine is not reached after its run
  EXPECT_EQ(query(QueryScaling), 0);                  // the workbook's own answer again
  // A second run reuses the problem set up by the first.
  std::fill(upper.begin(), upper.end(), 10.0);
  EXPECT_EQ(local(context, 0, nullptr, nullptr, 0, 0, 1e-6, 1e-4, &objective, x.data(), lower.data(), upper.data()),
            StatusConverged);
  EXPECT_EQ(x, std::vector<double>(n, 3.5));
  EXPECT_EQ(grg.progressAnswer, StopContinue);  // a run without a routine
  EXPECT_EQ(reports.calls, 1);
  EXPECT_EQ(grg.setups, 2);
  EXPECT_EQ(grg.solves, 2);
  // The session's end finishes it when the current engine uses the local solver.
  context->currentEngine = 2;
  context->engineInfos[2].capabilities = EngineUsesLocalSolver;
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(grg.finishes, 2);
  EXPECT_EQ(context->localSolver, nullptr);
}
