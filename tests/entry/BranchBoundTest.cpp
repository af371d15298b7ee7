// The branch-and-bound driver run through the library's runner around a
// small exact LP engine: optima against exhaustive enumeration, the gap
// test, the subproblem limit, allocation failures and snapshot ownership.
// The engine's `solve` computes the LP relaxation of a tiny model (min c.x
// over rows and the current variable bounds) by enumerating its vertices,
// hands out a snapshot after every solved subproblem and checks that each
// snapshot it is handed back is still alive.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "entry/Bnb_Tree.h"
#include "entry/Eng_BranchBound.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

constexpr double Inf = kBoundInfinity;

struct TinyModel {
  std::vector<double> cost;                 // minimise cost . x
  std::vector<std::vector<double>> rows;
  std::vector<double> rowLower, rowUpper;   // +-1e30: none
  std::vector<double> lower, upper;         // variable bounds
  int n() const { return static_cast<int>(cost.size()); }

  bool feasible(const std::vector<double>& x, double tol = 1e-9) const {
    for (int j = 0; j < n(); ++j)
      if (x[j] < lower[j] - tol || x[j] > upper[j] + tol) return false;
    for (size_t i = 0; i < rows.size(); ++i) {
      double v = std::inner_product(x.begin(), x.end(), rows[i].begin(), 0.0);
      if (v < rowLower[i] - tol || v > rowUpper[i] + tol) return false;
    }
    return true;
  }
  double objective(const std::vector<double>& x) const {
    return std::inner_product(x.begin(), x.end(), cost.begin(), 0.0);
  }
};

// The point where the n hyperplanes of `t` (rows a | b) meet; false when
// they do not meet in one point.
bool Tiny_vertex(std::vector<std::vector<double>> t, std::vector<double>* x) {
  const int n = static_cast<int>(t.size());
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(t[r][c]) > std::fabs(t[p][c])) p = r;
    if (std::fabs(t[p][c]) < 1e-12) return false;
    std::swap(t[p], t[c]);
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      double f = t[r][c] / t[c][c];
      for (int k = c; k <= n; ++k) t[r][k] -= f * t[c][k];
    }
  }
  x->resize(n);
  for (int c = 0; c < n; ++c) (*x)[c] = t[c][n] / t[c][c];
  return true;
}

// The best vertex of the model within [lower, upper]: every choice of n
// hyperplanes among the finite row sides and the variable bounds; false
// when none is feasible.
bool Tiny_solveRelaxation(const TinyModel& m, const double* lower, const double* upper,
                          std::vector<double>* best, double* bestValue) {
  const int n = m.n();
  TinyModel box = m;
  box.lower.assign(lower, lower + n);
  box.upper.assign(upper, upper + n);
  std::vector<std::vector<double>> planes;   // a | b for a.x = b
  for (size_t i = 0; i < m.rows.size(); ++i)
    for (double side : {m.rowLower[i], m.rowUpper[i]})
      if (std::fabs(side) < Inf) {
        planes.push_back(m.rows[i]);
        planes.back().push_back(side);
      }
  for (int j = 0; j < n; ++j)
    for (double side : {lower[j], upper[j]}) {
      planes.emplace_back(n + 1, 0.0);
      planes.back()[j] = 1;
      planes.back()[n] = side;
    }
  bool found = false;
  for (unsigned mask = 0; mask < (1u << planes.size()); ++mask) {
    if (std::popcount(mask) != n) continue;
    std::vector<std::vector<double>> chosen;
    for (size_t h = 0; h < planes.size(); ++h)
      if (mask & (1u << h)) chosen.push_back(planes[h]);
    std::vector<double> x;
    if (!Tiny_vertex(chosen, &x) || !box.feasible(x)) continue;
    if (!found || m.objective(x) < *bestValue - 1e-12) {
      found = true;
      *bestValue = m.objective(x);
      *best = x;
    }
  }
  return found;
}

// The engine's record and what its `finish` saw.
struct TinyEngine {
  TinyModel model;
  bool reducedCosts = true;            // fill them when the driver asks
  // The model is maximised: the engine hands back the maximised function's
  // own value (the negation of `model`'s) and reduced costs of that sense.
  bool maximise = false;
  // Snapshots: at every solved subproblem; only at the first, later leaving
  // the word as handed in; only at the first, later clearing the word.
  enum { EveryNode, FirstKept, FirstCleared } snapshots = EveryNode;
  std::vector<double> lower, upper, values;
  int solves = 0;
  std::vector<std::vector<double>> solvedLower, solvedUpper;   // the box of each solve
  std::set<void*> live;                // snapshots handed out and not released
  bool deadSnapshotSeen = false;
  int finalStatus = -100;
  double finalObjective = 0;
  std::vector<double> finalValues;
};

TinyEngine* g_tiny = nullptr;

void Tiny_release(void* snapshot) {
  g_tiny->live.erase(snapshot);
  delete static_cast<int*>(snapshot);
}

int Tiny_nothing(void*) { return 1; }

int Tiny_setup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *g_tiny;
  e.lower = e.model.lower;
  e.upper = e.model.upper;
  e.values.assign(e.model.n(), 0.0);
  if (p->variableCount != e.model.n()) return 0;
  p->engineRecord = &e;
  p->lower = e.lower.data();
  p->upper = e.upper.data();
  p->values = e.values.data();
  return 1;
}

// Reduced costs as the slopes of the relaxation's value when a variable
// leaves the bound it sits at.
void Tiny_reducedCosts(TinyEngine& e, EngineProblem* p, double value) {
  const int n = e.model.n();
  const double step = 1e-6;
  for (int j = 0; j < n; ++j) {
    p->reducedCosts[j] = 0;
    bool atLower = p->values[j] == p->lower[j], atUpper = p->values[j] == p->upper[j];
    if (p->lower[j] == p->upper[j] || (!atLower && !atUpper)) continue;
    std::vector<double> lo(p->lower, p->lower + n), up(p->upper, p->upper + n), x;
    double moved;
    if (atLower) lo[j] += step;
    else up[j] -= step;
    if (!Tiny_solveRelaxation(e.model, lo.data(), up.data(), &x, &moved)) continue;
    p->reducedCosts[j] = (atLower ? 1 : -1) * (e.maximise ? -1 : 1) * (moved - value) / step;
  }
}

int Tiny_solve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *static_cast<TinyEngine*>(p->engineRecord);
  ++e.solves;
  e.solvedLower.emplace_back(p->lower, p->lower + e.model.n());
  e.solvedUpper.emplace_back(p->upper, p->upper + e.model.n());
  if (p->saved && !e.live.count(p->saved)) e.deadSnapshotSeen = true;
  if (e.snapshots == TinyEngine::FirstCleared) p->saved = nullptr;
  std::vector<double> x;
  double value = 0;
  if (!Tiny_solveRelaxation(e.model, p->lower, p->upper, &x, &value)) {
    p->status = StatusInfeasible;
    return 1;
  }
  std::copy(x.begin(), x.end(), p->values);
  p->objective = e.maximise ? -value : value;
  p->status = StatusSolved;
  if (p->reducedCosts && e.reducedCosts) Tiny_reducedCosts(e, p, value);
  if (e.snapshots != TinyEngine::EveryNode && !e.live.empty()) return 1;
  int* snapshot = new int(e.solves);
  e.live.insert(snapshot);
  p->saved = snapshot;
  p->releaseSaved = Tiny_release;
  return 1;
}

int Tiny_finish(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  TinyEngine& e = *g_tiny;
  e.finalStatus = p->status;
  e.finalObjective = e.maximise ? -p->objective : p->objective;   // in `model`'s sense
  if (p->values) e.finalValues.assign(p->values, p->values + e.model.n());
  if (p->saved && e.live.count(p->saved)) Tiny_release(p->saved);
  p->saved = nullptr;
  return 1;
}

// max 10a + 13b + 7c + 8d + 6e (minimised negated) with
// 4a + 6b + 3c + 5d + 2e <= 17, a and b integer in [0, 2], c, d, e binary.
TinyModel knapsack() {
  return TinyModel{{-10, -13, -7, -8, -6}, {{4, 6, 3, 5, 2}}, {-Inf}, {17}, {0, 0, 0, 0, 0},
                   {2, 2, 1, 1, 1}};
}

// The best integer point of a knapsack model, by enumerating the box.
double enumeratedOptimum(const TinyModel& m) {
  double best = Inf;
  std::vector<double> x(m.n());
  std::function<void(int)> walk = [&](int j) {
    if (j == m.n()) {
      if (m.feasible(x)) best = std::min(best, m.objective(x));
      return;
    }
    for (double v = m.lower[j]; v <= m.upper[j]; ++v) {
      x[j] = v;
      walk(j + 1);
    }
  };
  walk(0);
  return best;
}

}  // namespace

class BranchBound : public EngineSolveFixture {
 protected:
  void SetUp() override {
    EngineSolveFixture::SetUp();
    context->engineInfos[0].capabilities = EngineCanBranch;
    context->engineInfos[0].fields = 0;
    g_tiny = &engine;
    newModel();
    name("solver_eng", "1");
  }
  void TearDown() override {
    Bnb_failNodesAfter(-1);
    end();
    EngineSolveFixture::TearDown();
  }

  // The model's variable cells A1 down, an objective cell and the integer
  // kinds as constraint names: each entry a range and its relation (4
  // integer, 5 binary, 6 alldifferent).
  void workbookModel(int n, const std::vector<std::pair<std::string, int>>& kinds) {
    formula("C1", "A1");
    names({{"solver_adj", "Model!$A$1:$A$" + std::to_string(n)}, {"solver_opt", "Model!$C$1"},
           {"solver_typ", "2"}, {"solver_num", std::to_string(kinds.size())}});
    static const char* texts[] = {"", "", "", "", "integer", "binary", "alldifferent"};
    for (size_t i = 0; i < kinds.size(); ++i)
      row(int(i) + 1, kinds[i].first, kinds[i].second, texts[kinds[i].second]);
  }
  // Opens the session and runs the engine through the runner.
  int run() {
    EXPECT_EQ(begin(), 1);
    EngineEntry entry{context, Tiny_nothing, Tiny_setup, Tiny_solve, Tiny_finish, Tiny_nothing};
    int status = ordinal<int (*)(EngineEntry*)>(6)(&entry);
    EXPECT_FALSE(engine.deadSnapshotSeen);
    EXPECT_TRUE(engine.live.empty()) << engine.live.size() << " snapshots never released";
    return status;
  }
  // Ends the session and gives the engine a fresh record over the same model.
  void restart() {
    EXPECT_EQ(end(), 1);
    TinyModel model = engine.model;
    engine = TinyEngine{};
    engine.model = model;
  }
  // The final point is an integer solution of the model with the objective
  // the run reported.
  void expectIntegerSolution() {
    ASSERT_EQ(engine.finalValues.size(), size_t(engine.model.n()));
    for (double v : engine.finalValues) EXPECT_NEAR(v, std::round(v), 1e-9);
    EXPECT_TRUE(engine.model.feasible(engine.finalValues));
    EXPECT_NEAR(engine.model.objective(engine.finalValues), engine.finalObjective, 1e-9);
  }

  TinyEngine engine;
};

TEST_F(BranchBound, PseudoCostsComeOnlyFromChildrenThatSolved) {
  // min -2x - y, x <= 2.5, x + y <= 3.7, integers x in [0, 5], y in [0, 3].
  // Root (2.5, 1.2): x down first (fraction 0.5): (2, 1.7); x >= 3 has no
  // solution, so only the down side prices x (0.5 / 0.5 = 1). y then: down
  // (2, 1) the incumbent -5, up (1.7, 2) at -5.4 branches x again. Its down
  // sum 1 exceeds its up sum 0, so the down side comes first; an up sum
  // priced from the infeasible child would have put the up side first.
  engine.model = TinyModel{{-2, -1}, {{1, 0}, {1, 1}}, {-Inf, -Inf}, {2.5, 3.7}, {0, 0}, {5, 3}};
  workbookModel(2, {{"Model!$A$1:$A$2", 4}});
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
  ASSERT_GE(engine.solves, 7);
  // Solves: root, x <= 2, x >= 3, y <= 1, y >= 2, then the second x branch.
  EXPECT_EQ(engine.solvedUpper[5][0], 1);
  EXPECT_EQ(engine.solvedLower[5][0], 0);
  EXPECT_EQ(engine.solvedLower[6][0], 2);
}

class BranchBoundKnapsack : public BranchBound {
 protected:
  void SetUp() override {
    BranchBound::SetUp();
    engine.model = knapsack();
    workbookModel(5, {{"Model!$A$1:$A$2", 4}, {"Model!$A$3:$A$5", 5}});
  }
};

TEST_F(BranchBoundKnapsack, ReachesTheEnumeratedOptimumWithAndWithoutReducedCosts) {
  double truth = enumeratedOptimum(engine.model);
  ASSERT_EQ(truth, -40);   // a = 2, b = 1, c = 1: weight 8 + 6 + 3 = 17
  for (bool reducedCosts : {true, false}) {
    restart();
    engine.reducedCosts = reducedCosts;
    EXPECT_EQ(run(), StatusSolved);
    expectIntegerSolution();
    EXPECT_NEAR(engine.finalObjective, truth, 1e-9);
    EXPECT_GT(engine.solves, 1);
  }
}

TEST_F(BranchBoundKnapsack, ALargeGapToleranceStopsEarlyWith14) {
  name("solver_tol", "0.9");
  EXPECT_EQ(run(), StatusHeuristicInteger);
  expectIntegerSolution();
  EXPECT_GE(engine.finalObjective, enumeratedOptimum(engine.model) - 1e-9);
  int early = engine.solves;
  restart();
  name("solver_tol", "0");
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_LT(early, engine.solves);
}

TEST_F(BranchBoundKnapsack, TheSubproblemLimitAsksShow) {
  name("solver_nod", "2");
  defineShow(3);   // neither go on (1) nor the user's own stop (2): the limit's stop
  EXPECT_EQ(run(), StatusSubproblemLimit);
  EXPECT_LE(engine.solves, 3 + 1);   // the root and the two counted subproblems
  restart();
  defineShow(1);   // go on: the search finishes
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
}

TEST_F(BranchBoundKnapsack, ANodeThatCannotBeAllocatedReports11AndKeepsTheIncumbent) {
  // Node allocation fails after k nodes: without the root's node the engine
  // finishes with 11; before the first integer solution the root stands
  // with status 5; after it the incumbent stands with its
  // own status. Never does a cut-short search claim an optimum.
  bool incumbentKept = false;
  for (int k = 0;; ++k) {
    restart();
    Bnb_failNodesAfter(k);
    int status = run();
    if (status == StatusSolved) break;   // k nodes were enough for the whole search
    ASSERT_EQ(status, StatusOutOfMemory) << k;
    if (k == 0) {
      EXPECT_EQ(engine.solves, 1);   // not even the root's node
      EXPECT_EQ(engine.finalStatus, StatusOutOfMemory);   // not the relaxation as solved
      continue;
    }
    if (engine.finalStatus == StatusInfeasible) continue;
    ASSERT_EQ(engine.finalStatus, StatusSolved) << k;
    expectIntegerSolution();
    incumbentKept = true;
  }
  EXPECT_TRUE(incumbentKept);
}

TEST_F(BranchBoundKnapsack, NoIntegerSolutionGives5) {
  // 2a + 2b = 3 has no integer solution, its relaxation has.
  engine.model.rows = {{2, 2, 0, 0, 0}};
  engine.model.rowLower = {3};
  engine.model.rowUpper = {3};
  EXPECT_EQ(run(), StatusInfeasible);
}

TEST_F(BranchBoundKnapsack, MaximisedObjectiveReachesTheDriverNegated) {
  // The objective to maximise: the engine hands back the model's own value,
  // which the driver negates to search, and gives back in the engine's sense.
  name("solver_typ", "1");
  engine.maximise = true;
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_NEAR(engine.finalObjective, enumeratedOptimum(engine.model), 1e-9);
}

TEST_F(BranchBoundKnapsack, ChildrenWithoutSnapshotsShareTheirParents) {
  for (auto mode : {TinyEngine::FirstKept, TinyEngine::FirstCleared}) {
    restart();
    engine.snapshots = mode;
    EXPECT_EQ(run(), StatusSolved);   // every snapshot handed back was alive, all released
    EXPECT_NEAR(engine.finalObjective, -40, 1e-9);
  }
}

// Two alldifferent groups x1..x3 and y1..y3 over 1..3 with x1 + y1 >= 5 and
// x2 + y2 <= 3; minimise 5x1 + 4x2 + x3 + 2y1 + 6y2 + 3y3: the best pair of
// permutations.
TEST_F(BranchBound, AllDifferentGroupsReachThePermutationOptimum) {
  engine.model = TinyModel{{5, 4, 1, 2, 6, 3}, {{1, 0, 0, 1, 0, 0}, {0, 1, 0, 0, 1, 0}}, {5, -Inf},
                           {Inf, 3}, std::vector<double>(6, 1), std::vector<double>(6, 3)};
  workbookModel(6, {{"Model!$A$1:$A$3", 6}, {"Model!$A$4:$A$6", 6}});
  std::vector<double> p = {1, 2, 3}, q = {1, 2, 3};
  double truth = Inf;
  do {
    do {
      std::vector<double> x = {p[0], p[1], p[2], q[0], q[1], q[2]};
      if (engine.model.feasible(x)) truth = std::min(truth, engine.model.objective(x));
    } while (std::next_permutation(q.begin(), q.end()));
  } while (std::next_permutation(p.begin(), p.end()));
  for (bool reducedCosts : {true, false}) {
    restart();
    engine.reducedCosts = reducedCosts;
    EXPECT_EQ(run(), StatusSolved);
    expectIntegerSolution();
    const std::vector<double>& x = engine.finalValues;
    EXPECT_EQ(std::set<double>(x.begin(), x.begin() + 3).size(), 3u);
    EXPECT_EQ(std::set<double>(x.begin() + 3, x.end()).size(), 3u);
    EXPECT_NEAR(engine.finalObjective, truth, 1e-9);
  }
}

// A child whose relaxation lies within the integrality tolerance above its
// node's counts as no worse than the node. min 4e-9 y + 1e-8 z with x
// integer in [0, 1], x + y >= 0.5 and x - z <= 0.5: the root has x = 0.5 at
// 0; the down child (x = 0, y = 0.5) costs 2e-9 and the up child (x = 1,
// z = 0.5) 5e-9, both integral. Both take the node's 0, so the up child,
// solved second, is not worse than the down child and becomes the incumbent.
TEST_F(BranchBound, ChildrenWithinTheToleranceTakeTheirNodesObjective) {
  engine.model = TinyModel{{0, 4e-9, 1e-8}, {{1, 1, 0}, {1, 0, -1}}, {0.5, -Inf}, {Inf, 0.5},
                           {0, 0, 0}, {1, 1, 1}};
  workbookModel(3, {{"Model!$A$1", 4}});
  name("solver_pre", "0.00000001");
  EXPECT_EQ(run(), StatusSolved);
  EXPECT_EQ(engine.solves, 3);
  EXPECT_EQ(engine.finalValues, (std::vector<double>{1, 0, 0.5}));
  EXPECT_EQ(engine.finalObjective, 0.0);
}

// The best bound on the status lines of a search, in both senses: never
// better than the enumerated optimum, which is never better than the
// incumbent beside it; it only tightens as the search goes on; the gap is
// |incumbent - bound| / |incumbent| in percent.
TEST_F(BranchBoundKnapsack, TheStatusLinesCarryAValidBestBoundAndItsGap) {
  const double optimum = enumeratedOptimum(engine.model);
  for (bool maximise : {false, true}) {
    restart();
    const std::pair<const char*, const char*> labels[] = {
        {"msg_incumb", "Incumbent:"}, {"msg_bound", "Bound:"}, {"msg_gap", "Gap:"}};
    for (const auto& [label, text] : labels)
      Wb_defineName(addIn, DefinedName{label, std::string("\"") + text + "\"", 0, false});
    if (maximise) name("solver_typ", "1");
    engine.maximise = maximise;
    movingClock(1000);  // every line is due
    Wb_app().statusHistory.clear();
    EXPECT_EQ(run(), StatusSolved);
    const double sense = maximise ? -1 : 1;  // the driver's minimised values
    double lastBound = -Inf;
    int lines = 0;
    for (const std::string& line : Wb_app().statusHistory) {
      double incumbent, bound, gap;
      if (std::sscanf(line.c_str(), "Incumbent: %lf Bound: %lf Gap: %lf%%", &incumbent, &bound, &gap) != 3) continue;
      SCOPED_TRACE(line);
      ++lines;
      EXPECT_LE(sense * bound, optimum + 1e-9);
      EXPECT_LE(optimum, sense * incumbent + 1e-9);
      EXPECT_GE(sense * bound, lastBound - 1e-9);
      lastBound = sense * bound;
      EXPECT_NEAR(gap, std::fabs(incumbent - bound) / std::fabs(incumbent) * 100, 0.01);
    }
    EXPECT_GT(lines, 0) << maximise;
  }
}

// The bound the tree reports is the least objective of its open nodes;
// branched, integral and discarded nodes count for nothing, and a tree
// without an open node reports infinity.
TEST(BranchBoundTree, TheBoundIsTheLeastObjectiveOfTheOpenNodes) {
  EngineProblem problem{};
  BnbState state;
  state.problem = &problem;
  auto make = [&](double objective) {
    BnbNode* node = Bnb_newNode(state);
    node->objective = objective;
    return node;
  };
  // root 10 (branched): down a 12, up b 11; b: down c 15, up d 13.
  state.root = make(10);
  state.root->state = NodeBranched;
  state.nodesInTree = 1;
  BnbNode* a = make(12);
  BnbNode* b = make(11);
  Bnb_attachChild(state, state.root, a, false);
  Bnb_attachChild(state, state.root, b, true);
  EXPECT_EQ(Bnb_openBound(state), 11);
  BnbNode* c = make(15);
  BnbNode* d = make(13);
  Bnb_setState(state, b, NodeBranched);
  Bnb_attachChild(state, b, c, false);
  Bnb_attachChild(state, b, d, true);
  struct Step {
    BnbNode* node;
    int state;
    double bound;
  };
  const Step steps[] = {{nullptr, NodeOpen, 12}, {d, NodeIntegral, 12}, {a, NodeDiscarded, 15},
                        {c, NodeBranched, Inf},  {d, NodeOpen, 13},     {a, NodeOpen, 12}};
  for (const Step& step : steps) {
    if (step.node) Bnb_setState(state, step.node, step.state);
    EXPECT_EQ(Bnb_openBound(state), step.bound) << step.node << " " << step.state;
  }
}
