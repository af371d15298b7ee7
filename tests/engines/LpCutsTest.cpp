// Integer passes of the LP engine: the knapsack of the cover cuts worked by
// hand, cover cuts on hand-made rows, Gomory cuts checked against the
// enumerated integer points of a small program, the known optima of p0033
// and stein27 kept by every cut pass, node snapshots and warm starts, and
// the rounding heuristic and its seeds.
#include <gtest/gtest.h>

#include <memory>

#include "platform/os/Os.h"
#include "tests/support/LpIntegerKit.h"

namespace {

constexpr unsigned kHeuristic = 0x800000, kNodeMemory = 0x100000, kAllSnapshots = 0x1000000;
constexpr unsigned kPresolve = 0x10000 | 0x20000 | 0x80000;

LpSettings settings() { return LpSettings{}; }

// ---- knapsack and cover cuts ----

TEST(LpCuts, KnapsackLeavesOutTheMostValuableItemsThatFit) {
  std::vector<int> selection;
  EXPECT_NEAR(Lp_knapsackDp(selection, {3, 3, 3}, {0, 1.0 / 3, 1}, 3), 1.0 / 3, 1e-15);
  EXPECT_EQ(selection, (std::vector<int>{1, 1, 0}));
  // Weight exactly 5 (items 1 and 2) is worth 1.0 and beats item 3 alone.
  EXPECT_NEAR(Lp_knapsackDp(selection, {2, 3, 4}, {0.5, 0.5, 0.9}, 5), 0.9, 1e-15);
  EXPECT_EQ(selection, (std::vector<int>{0, 0, 1}));
  // No room: every item stays in, and the answer 1 gives no cut.
  EXPECT_EQ(Lp_knapsackDp(selection, {2, 2}, {0.1, 0.1}, 0), 1.0);
  EXPECT_EQ(selection, (std::vector<int>{1, 1}));
}

// A record with one knapsack row over binaries, room for two cover rows and
// the relaxation point x.
struct KnapsackRecord {
  LpRecord lp;
  std::vector<std::int32_t> flags;
  KnapsackRecord(std::vector<double> coefs, double upper, std::vector<double> x) {
    const int n = static_cast<int>(coefs.size());
    Lp_allocRecord(lp, n, 1, 2);
    lp.objKind = 1;
    lp.rowLower[1] = -kBoundInfinity;
    lp.rowUpper[1] = upper;
    for (int i = 2; i <= lp.m; ++i) lp.rowLower[i] = -kBoundInfinity, lp.rowUpper[i] = kBoundInfinity;
    Lp_setRowTypes(lp);
    for (int j = 1; j <= n; ++j) {
      lp.matrix.row(1)[j] = coefs[j - 1];
      lp.matrix.row(2)[j] = -1;  // objective: max the sum
      lp.upper[j] = 1;
    }
    Lp_finishCapture(lp);
    Lp_savePristine(lp);
    flags.assign(n, 2);
    for (int j = 1; j <= n; ++j) lp.x[j] = x[j - 1];
    lp.options.coverRowLimit = 2;
    lp.options.coverPasses = 1;
  }
  std::vector<double> cut() const {
    const double* r = lp.pristine.row(2);
    return std::vector<double>(r, r + lp.n + 1);
  }
};

TEST(LpCuts, CoverCutFromAViolatedKnapsack) {
  // 3x1 + 3x2 + 3x3 <= 5 at (1, 2/3, 0): the cover {x1, x2} gives x1 + x2 <= 1.
  KnapsackRecord k({3, 3, 3}, 5, {1, 2.0 / 3, 0});
  EXPECT_TRUE(Lp_coverCuts(k.lp, settings(), k.flags.data()));
  ASSERT_EQ(k.lp.passes.coverRowsAdded, 1);
  EXPECT_EQ(k.cut(), (std::vector<double>{1, 1, 1, 0}));
  EXPECT_EQ(k.lp.pristineTypes[2].type, '<');
  EXPECT_EQ(k.lp.rowUpper[2], 1.0);
  EXPECT_EQ(k.lp.rowLower[2], -kBoundInfinity);
}

TEST(LpCuts, ComplementedItemsTakeMinusOne) {
  // 3x1 + 3x2 - 3x3 <= 2 at (1, 1/3, 2/3): x1 = 1 forces x3 = 1, the cut x1 - x3 <= 0.
  KnapsackRecord k({3, 3, -3}, 2, {1, 1.0 / 3, 2.0 / 3});
  EXPECT_TRUE(Lp_coverCuts(k.lp, settings(), k.flags.data()));
  ASSERT_EQ(k.lp.passes.coverRowsAdded, 1);
  EXPECT_EQ(k.cut(), (std::vector<double>{0, 1, 0, -1}));
}

// ---- Gomory cuts against the integer points of a small program ----

// max x2, 3x1 + 2x2 <= 6, -3x1 + 2x2 <= 0, x in [0, 3] integer: the
// relaxation has (1, 1.5); the integer points are (0,0), (1,0), (2,0), (1,1).
LpIntModel smallProgram() {
  LpIntModel m;
  LpFake_box(m, {0, 0}, {3, 3});
  m.rows = {LpFake_row({{0, 3}, {1, 2}}, -1e30, 6), LpFake_row({{0, -3}, {1, 2}}, -1e30, 0)};
  m.objective.terms = {{1, 1}};
  m.maximise = true;
  m.flags = {1, 1};
  m.integers = 2;
  m.optionFlags = kNodeMemory;
  return m;
}

// Solves the run's model with every variable fixed at x, warm from the
// root's snapshot: the status says whether the cut model admits x.
int admits(LpIntRun& run, void* rootSnapshot, const std::vector<double>& x) {
  EngineProblem& p = run.problem;
  const std::vector<double> lo(p.lower, p.lower + p.variableCount), up(p.upper, p.upper + p.variableCount);
  std::copy(x.begin(), x.end(), p.lower);
  std::copy(x.begin(), x.end(), p.upper);
  p.saved = rootSnapshot;
  const int status = run.solve();
  std::copy(lo.begin(), lo.end(), p.lower);
  std::copy(up.begin(), up.end(), p.upper);
  return status;
}

TEST(LpCuts, GomoryCutsKeepEveryIntegerPointAndTightenTheRelaxation) {
  for (double factor : {1.0, 1024.0}) {  // 1024: rows scaled apart
    LpIntModel m = smallProgram();
    for (auto& [j, a] : m.rows[0].terms) a *= factor;
    m.rows[0].upper *= factor;
    const int scaling = static_cast<int>(factor);  // names the case in messages
    LpInt_setCuts(m, 4, 3, 0, 1);
    LpIntRun run(m, ProblemBranch);
    ASSERT_EQ(run.setup, 1);
    ASSERT_EQ(run.solve(), 0);
    EXPECT_GT(run.record().passes.gomoryRowsAdded, 0) << scaling;
    EXPECT_LT(run.problem.objective, 1.5 - 1e-6) << scaling;  // the relaxation had 1.5
    EXPECT_GE(run.problem.objective, 1.0 - 1e-9) << scaling;
    // The cut rows, rewritten in the model's variables for the rebuilds,
    // agree with the tableau.
    Lp_scaleVariableState(run.record());
    EXPECT_LT(Lp_driftResidual(run.record()), 1e-12) << scaling;
    Lp_unscaleVariableState(run.record());
    void* root = run.problem.saved;
    ASSERT_NE(root, nullptr);
    run.problem.saved = nullptr;
    for (int x1 = 0; x1 <= 3; ++x1)
      for (int x2 = 0; x2 <= 3; ++x2) {
        const bool feasible = 3 * x1 + 2 * x2 <= 6 && -3 * x1 + 2 * x2 <= 0;
        if (!feasible) continue;
        EXPECT_EQ(admits(run, root, {double(x1), double(x2)}), 0) << x1 << "," << x2;
        EXPECT_TRUE(run.record().options.nodeMemory);  // solved warm, with the cuts
      }
    Lp_releaseSnapshot(root);
    run.problem.saved = nullptr;
  }
}

// ---- the integer models ----

TEST(LpCuts, P0033OptimumIsFeasibleAndKeptByEveryCutPass) {
  // The integer optimum found by the search without any cut.
  LpIntModel m = LpInt_fromMps("p0033");
  std::vector<double> best;
  {
    LpIntRun run(m, ProblemBranch);
    LpIntSearch search{run, m.flags};
    search.node(nullptr);
    best = search.bestX;
  }
  ASSERT_EQ(static_cast<int>(best.size()), m.n);
  EXPECT_TRUE(LpInt_feasible(m, best, 1e-9));
  EXPECT_NEAR(LpInt_objective(m, best), 3089.0, 1e-9);
  LpInt_setCuts(m, 30, 5, 20, 5);
  m.optionFlags = kNodeMemory;
  LpIntRun run(m, ProblemBranch);
  ASSERT_EQ(run.solve(), 0);
  EXPECT_GT(run.record().passes.coverRowsAdded, 0);
  EXPECT_GT(run.record().passes.gomoryRowsAdded, 0);
  EXPECT_GT(run.problem.objective, 2520.58);  // the cuts tighten the root's 2520.57
  EXPECT_LE(run.problem.objective, 3089.0 + 1e-6);
  void* root = run.problem.saved;
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(admits(run, root, best), 0);
  EXPECT_NEAR(run.problem.objective, 3089.0, 1e-6);
  Lp_releaseSnapshot(root);
  run.problem.saved = nullptr;
}

TEST(LpCuts, AStoppedReSolveTakesTheCutRoundBack) {
  // The plain root's iterations, then the same root with cover cuts whose
  // re-solve is stopped at its first iteration: the round is taken back.
  LpIntModel m = LpInt_fromMps("p0033");
  int reports = 0, stopAfter = -1;
  m.answer = [&](unsigned flags, int) {
    if (flags & ProgressIterationNumber) ++reports;
    const bool stopping = stopAfter >= 0 && reports > stopAfter;
    return stopping && (flags & (ProgressIterationNumber | ProgressResume)) ? int{StopBreak} : 0;
  };
  double plainRoot;
  {
    LpIntRun run(m, ProblemBranch);
    ASSERT_EQ(run.solve(), 0);
    plainRoot = run.problem.objective;
  }
  stopAfter = reports;
  reports = 0;
  LpInt_setCuts(m, 0, 1, 20, 3);
  LpIntRun run(m, ProblemBranch);
  EXPECT_EQ(run.solve(), 0);
  EXPECT_GT(reports, stopAfter);  // the re-solve did start
  EXPECT_EQ(run.record().passes.coverRowsAdded, 0);
  EXPECT_TRUE(run.record().passes.cutPassDone);
  EXPECT_NEAR(run.problem.objective, plainRoot, 1e-9);
}

TEST(LpCuts, SearchWithEveryPassReachesTheKnownOptima) {
  for (const auto& [name, optimum] : {std::pair<const char*, double>{"p0033", 3089}, {"stein27", 18}, {"flugpl", 1201500}}) {
    LpIntModel m = LpInt_fromMps(name);
    LpInt_setCuts(m, 20, 3, 20, 3);
    m.optionFlags = kNodeMemory | kAllSnapshots | kHeuristic | kPresolve;
    m.intOptions[IntRandomSeed] = 7;
    LpIntRun run(m, ProblemBranch);
    LpIntSearch search{run, m.flags};
    search.node(nullptr);
    EXPECT_NEAR(search.best, optimum, 1e-6) << name;
    EXPECT_GT(search.warmStarts, 0) << name;
    EXPECT_TRUE(LpInt_feasible(m, search.bestX, 1e-6)) << name;
  }
}

// ---- snapshots ----

TEST(LpCuts, SnapshotRestoresTheBasisAndWarmStartsWithoutIterations) {
  MpsModel mps;
  std::string error;
  ASSERT_TRUE(Mps_readNamed("afiro", mps, error)) << error;
  LpRecord lp;
  ASSERT_EQ(Mps_fillRecord(mps, lp), 0);
  ASSERT_TRUE(Mps_prepare(lp, true));
  const MpsResult first = Mps_solveCold(lp, settings());
  ASSERT_EQ(first.status, 0);
  Lp_scaleVariableState(lp);
  const std::unique_ptr<LpSnapshot> snap(Lp_makeSnapshot(lp));
  ASSERT_TRUE(snap);
  Lp_unscaleVariableState(lp);
  // Another solve moves everything.
  const double saved = lp.upper[1];
  lp.upper[1] = 10;
  ASSERT_EQ(Mps_solveCold(lp, settings()).status, 0);
  lp.upper[1] = saved;
  Lp_scaleVariableState(lp);
  ASSERT_TRUE(Lp_restoreSnapshot(lp, *snap));
  ASSERT_EQ(Lp_dualWarmStart(lp, settings()), 0);
  EXPECT_EQ(lp.iterations, 0);
  const double objective = Lp_unscaleObjective(lp.scaling, lp.matrix.row(0)[0]);
  EXPECT_NEAR(objective, first.objective, 1e-9 * (std::fabs(first.objective) + 1));
  // A snapshot of another shape is refused.
  LpRecord other;
  Lp_allocRecord(other, 2, 1, 0);
  EXPECT_FALSE(Lp_restoreSnapshot(other, *snap));
}

// ---- rounding heuristic ----

// min -x1 - x2, x1 + x2 <= 3.5, x1 <= 2.2, x2 <= 2.7, integers.
LpIntModel roundable() {
  LpIntModel m;
  LpFake_box(m, {0, 0}, {10, 10});
  m.rows = {LpFake_row({{0, 1}, {1, 1}}, -1e30, 3.5), LpFake_row({{0, 1}}, -1e30, 2.2), LpFake_row({{1, 1}}, -1e30, 2.7)};
  m.objective.terms = {{0, -1}, {1, -1}};
  m.flags = {1, 1};
  m.integers = 2;
  m.optionFlags = kHeuristic;
  m.intOptions[IntRandomSeed] = 12345;
  return m;
}

TEST(LpCuts, RoundingHeuristicStoresAnIntegerPointThenHandsBackTheRelaxation) {
  LpIntModel m = roundable();
  LpIntRun run(m, ProblemBranch);
  ASSERT_EQ(run.solve(), StatusHeuristicInteger);
  const std::vector<double> x = run.values();
  int j;
  EXPECT_TRUE(LpInt_integral(x, m.flags, j));
  EXPECT_TRUE(LpInt_feasible(m, x, 1e-9));
  EXPECT_NEAR(run.problem.objective, LpInt_objective(m, x), 1e-12);
  EXPECT_NEAR(run.problem.objective, -3.0, 1e-12);  // every feasible rounding sums to 3
  ASSERT_EQ(run.solve(), 0);
  EXPECT_NEAR(run.problem.objective, -3.5, 1e-9);
  EXPECT_NEAR(run.values()[0] + run.values()[1], 3.5, 1e-9);
  // Once per run.
  EXPECT_EQ(run.solve(), 0);
}

TEST(LpCuts, CutsComeBeforeTheRoundingHeuristic) {
  // min -x1 - x2, 2x1 + 2x2 <= 7, x1 <= 2, x2 <= 3, integers: a Gomory row
  // tightens the root relaxation x1 + x2 = 3.5 to 3. The cut pass runs
  // before the heuristic, so the heuristic's integer point stands untouched
  // in x and the relaxation handed back after it is the tightened one.
  LpIntModel m = roundable();
  m.rows = {LpFake_row({{0, 2}, {1, 2}}, -1e30, 7), LpFake_row({{0, 1}}, -1e30, 2), LpFake_row({{1, 1}}, -1e30, 3)};
  LpInt_setCuts(m, 4, 2, 0, 0);
  m.optionFlags = kHeuristic | kNodeMemory;
  LpIntRun run(m, ProblemBranch);
  ASSERT_EQ(run.solve(), StatusHeuristicInteger);
  int j;
  EXPECT_TRUE(LpInt_integral(run.values(), m.flags, j));
  EXPECT_NEAR(run.problem.objective, LpInt_objective(m, run.values()), 1e-12);
  ASSERT_EQ(run.solve(), 0);
  EXPECT_NEAR(run.problem.objective, -3.0, 1e-9);
}

TEST(LpCuts, RoundingHeuristicOnlyWhenAskedInABranchAndBound) {
  LpIntModel m = roundable();
  m.optionFlags = 0;
  {
    LpIntRun run(m, ProblemBranch);
    EXPECT_EQ(run.solve(), 0);
  }
  m.optionFlags = kHeuristic;
  LpIntRun run(m, 0);  // no branch and bound
  EXPECT_EQ(run.solve(), 0);
}

// Seven binaries on an odd cycle of conflicts x_j + x_j+1 <= 1, min -sum:
// the relaxation sits at 1/2 everywhere and roundings differ from seed to seed.
// Returns the rounding under `seed` with the clock at `tick`.
std::vector<double> roundingWith(int seed, std::uint32_t (*tick)()) {
  LpIntModel m;
  m.n = 7;
  m.x0.assign(7, 0.0);
  m.lower.assign(7, 0.0);
  m.upper.assign(7, 1.0);
  for (int j = 0; j < 7; ++j) {
    m.rows.push_back(LpFake_row({{j, 1}, {(j + 1) % 7, 1}}, -1e30, 1));
    m.objective.terms.emplace_back(j, -1.0);
  }
  m.flags.assign(7, 2);
  m.integers = 7;
  m.optionFlags = kHeuristic;
  m.intOptions[IntRandomSeed] = seed;
  Os_setTickSource(tick);
  LpIntRun run(m, ProblemBranch);
  const int status = run.solve();
  Os_setTickSource(nullptr);
  EXPECT_EQ(status, StatusHeuristicInteger);
  EXPECT_TRUE(LpInt_feasible(m, run.values(), 1e-9));
  return run.values();
}

std::uint32_t clockAt5() { return 5; }
std::uint32_t clockAt9() { return 9; }

TEST(LpCuts, SeedsChangeTheRoundingAndSeedZeroTakesTheClock) {
  bool differ = false;
  const std::vector<double> first = roundingWith(1, nullptr);
  for (int seed = 2; seed <= 10; ++seed) differ = differ || roundingWith(seed, nullptr) != first;
  EXPECT_TRUE(differ);
  EXPECT_EQ(roundingWith(0, clockAt5), roundingWith(5, clockAt9));
  EXPECT_EQ(roundingWith(0, clockAt9), roundingWith(9, clockAt5));
}

}  // namespace
