// The feasibility driver on small linear workbooks: `Solve` actions 4 and 5
// end with status 0 and the variable cells at their start values, and the
// LP/quadratic engine run through the runner under feasibility mode leaves
// exactly the irreducible infeasible set enforced (elastic upper bounds 0)
// and, in mode 1, exactly the variable bounds it needs; a feasible model
// gets no row enforced.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/engines/EngineSolveFixture.h"

namespace {

// What the LP/quadratic engine's problem held when its `finish` was called.
struct FinalBounds {
  int status = -100;
  std::vector<double> lower, upper, values;
};
FinalBounds* g_final = nullptr;
EngineOp g_lpFinish = nullptr;

// A scripted engine for the driver's phases: the model is infeasible
// exactly when every row of `conflict` is enforced (its elastic variable's
// upper bound 0); otherwise the solve succeeds and puts a violation on the
// elastic variable of each unenforced conflict row (`spread`: on every
// unenforced row; `single`: only on the first unenforced conflict row).
struct ScriptedEngine {
  std::set<int> conflict;
  bool spread = false, single = false;
  int model = 0, elastic = 0;
  std::vector<double> lower, upper, values;
  std::vector<int> percentages;   // the driver's last report at each solve
  int breakAfter = -1;            // solves before the user's break, -1 none
  std::vector<int> rowOfElastic;
  LibraryContext* context = nullptr;
};
ScriptedEngine* g_script = nullptr;

int scriptedLoad(void*) { return 1; }
int scriptedSetup(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  ScriptedEngine& e = *g_script;
  int n = e.model + e.elastic;
  e.lower.assign(n, 0.0);
  e.upper.assign(n, 1e30);
  e.values.assign(n, 0.5);
  for (int s = 0; s < e.elastic; ++s) e.values[e.model + s] = 0;
  p->lower = e.lower.data();
  p->upper = e.upper.data();
  p->values = e.values.data();
  return 1;
}
int scriptedSolve(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  ScriptedEngine& e = *g_script;
  e.percentages.push_back(e.context->feasibilityMode);
  if (static_cast<int>(e.percentages.size()) == e.breakAfter)
    e.context->progress.pendingStop = StopBreak;
  auto enforced = [&](int row) { return e.upper[e.model + row] == 0; };
  for (int s = 0; s < e.elastic; ++s) e.values[e.model + s] = 0;
  bool infeasible = true;
  for (int row : e.conflict) {
    if (enforced(row)) continue;
    infeasible = false;
    if (e.single) {
      e.values[e.model + row] = 1;
      break;
    }
  }
  if (!infeasible && e.spread) {
    for (int row = 0; row < e.elastic; ++row)
      if (!enforced(row)) e.values[e.model + row] = 1;
  } else if (!infeasible && !e.single) {
    for (int row : e.conflict)
      if (!enforced(row)) e.values[e.model + row] = 1;
  }
  p->status = infeasible ? StatusInfeasible : StatusSolved;
  return 1;
}
int scriptedFinish(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  g_final->status = p->status;
  g_final->upper = g_script->upper;
  g_final->values = g_script->values;
  return 1;
}

int recordingFinish(void* record) {
  auto* p = static_cast<EngineProblem*>(record);
  g_final->status = p->status;
  if (p->upper) {
    g_final->lower.assign(p->lower, p->lower + p->variableCount);
    g_final->upper.assign(p->upper, p->upper + p->variableCount);
    g_final->values.assign(p->values, p->values + p->variableCount);
  }
  return g_lpFinish(record);
}

class Feasibility : public EngineSolveFixture {
 protected:
  void SetUp() override {
    EngineSolveFixture::SetUp();
    g_final = &final;
  }
  void TearDown() override {
    g_final = nullptr;
    EngineSolveFixture::TearDown();
  }

  // x in A1, y in A2, minimise x + y subject to x + y <= 1, x >= 1, y >= 1
  // and the redundant x - y <= 5: infeasible, and only the last row can go.
  void threeRowModel() {
    newModel();
    number("A1", 0.25);
    number("A2", 0.5);
    formula("C1", "A1+A2");
    formula("C2", "A1*1");
    formula("C3", "A2*1");
    formula("C4", "A1-A2");
    formula("C5", "A1+A2");
    name("solver_adj", "Model!$A$1:$A$2");
    name("solver_opt", "Model!$C$5");
    name("solver_typ", "2");
    name("solver_eng", "2");
    name("solver_num", "4");
    row(1, "Model!$C$1", 1, "1");
    row(2, "Model!$C$2", 3, "1");
    row(3, "Model!$C$3", 3, "1");
    row(4, "Model!$C$4", 1, "5");
  }
  // The same rows with x >= 1 as a bound on A1, a needless bound y <= 10
  // and x - y <= 5 still redundant.
  void boundModel() {
    threeRowModel();
    name("solver_num", "5");
    row(2, "Model!$A$1", 3, "1");
    row(5, "Model!$A$2", 1, "10");
  }

  // Opens the session in feasibility mode and runs the LP/quadratic engine
  // through the runner, its `finish` recording the final bounds.
  int runLp(int mode) {
    context->feasibilityMode = mode;
    EXPECT_EQ(begin(), 1);
    EngineEntry lp{context,
                   ordinal<EngineOp>(55),
                   ordinal<EngineOp>(56),
                   ordinal<EngineOp>(57),
                   recordingFinish,
                   ordinal<EngineOp>(59)};
    g_lpFinish = ordinal<EngineOp>(58);
    context->engineInfos[1].owner = context;
    lp.load(&context->engineInfos[1]);
    context->currentEngine = 1;
    int status = ordinal<int (*)(EngineEntry*)>(6)(&lp);
    model = static_cast<int>(final.upper.size()) - static_cast<int>(context->elasticRowIds.size());
    for (std::size_t s = 0; s < context->elasticRowIds.size(); ++s)
      if (final.upper[model + s] == 0) enforced.insert(std::abs(context->elasticRowIds[s]) - 1);
    EXPECT_EQ(end(), 1);
    return status;
  }

  // `rows` rows A1 * k <= 1 on one variable from 0.5 and the objective
  // (the rows + 1 rows of query 8), the scripted engine standing in for
  // engine 1 with the feasibility capability; runs in mode 2.
  int runScripted(int rows) {
    newModel();
    number("A1", 0.5);
    formula("C1", "A1");
    name("solver_adj", "Model!$A$1");
    name("solver_opt", "Model!$C$1");
    name("solver_typ", "2");
    name("solver_eng", "1");
    name("solver_num", std::to_string(rows));
    for (int k = 1; k <= rows; ++k) {
      formula(("B" + std::to_string(k)).c_str(), "A1*" + std::to_string(k));
      row(k, "Model!$B$" + std::to_string(k), 1, "1");
    }
    EngineInfo saved = context->engineInfos[0];
    context->engineInfos[0].capabilities = EngineCanFeasibility;
    script.context = context;
    script.model = 1;
    script.elastic = rows;
    g_script = &script;
    context->feasibilityMode = 2;
    EXPECT_EQ(begin(), 1);
    EngineEntry entry{context, scriptedLoad, scriptedSetup, scriptedSolve, scriptedFinish,
                      scriptedLoad};
    int status = ordinal<int (*)(EngineEntry*)>(6)(&entry);
    for (int r = 0; r < rows; ++r)
      if (final.upper[1 + r] == 0) enforced.insert(r);
    EXPECT_EQ(end(), 1);
    context->engineInfos[0] = saved;
    g_script = nullptr;
    return status;
  }

  FinalBounds final;
  ScriptedEngine script;
  int model = 0;              // the model's own variables
  std::set<int> enforced;     // 0-based rows whose elastic variables are fixed at 0
};

}  // namespace

TEST_F(Feasibility, RowsOnlyModeIsolatesTheThreeConflictingRows) {
  threeRowModel();
  EXPECT_EQ(runLp(2), StatusSolved);
  EXPECT_EQ(enforced, (std::set<int>{0, 1, 2}));
  ASSERT_EQ(model, 2);
  EXPECT_EQ(final.values[0], 0.25);   // the start values come back
  EXPECT_EQ(final.values[1], 0.5);
}

TEST_F(Feasibility, BoundsModeKeepsOnlyTheBoundTheConflictNeeds) {
  boundModel();
  EXPECT_EQ(runLp(1), StatusSolved);
  // Rows: x + y <= 1, y >= 1, x - y <= 5; the bounds x >= 1 and y <= 10.
  EXPECT_EQ(enforced, (std::set<int>{0, 1}));
  ASSERT_EQ(model, 2);
  EXPECT_EQ(final.lower[0], 1.0);    // x >= 1 is part of the conflict
  EXPECT_EQ(final.upper[1], 1e30);   // y <= 10 is not
  EXPECT_EQ(final.upper[0], 1e30);
  EXPECT_EQ(final.lower[1], -1e30);
}

TEST_F(Feasibility, RowsOnlyModeLeavesBoundsAlone) {
  boundModel();
  EXPECT_EQ(runLp(2), StatusSolved);
  EXPECT_EQ(enforced, (std::set<int>{0, 1}));
  EXPECT_EQ(final.lower[0], 1.0);
  EXPECT_EQ(final.upper[1], 10.0);
}

TEST_F(Feasibility, FeasibleModelGetsNoRowEnforced) {
  threeRowModel();
  name("solver_rhs1", "3");   // x + y <= 3 admits x = y = 1
  EXPECT_EQ(runLp(2), StatusSolved);
  EXPECT_TRUE(enforced.empty());
  EXPECT_EQ(final.values[0], 0.25);
}

TEST_F(Feasibility, PhaseTwoVisitsEveryEnforcedRowWithItsPercentage) {
  script.conflict = {2, 5, 7};
  script.spread = true;   // the first solve violates every row: all are enforced
  EXPECT_EQ(runScripted(9), StatusSolved);   // 10 rows with the objective's
  EXPECT_EQ(enforced, (std::set<int>{2, 5, 7}));
  // Report 1 before the first solve, 20 before phase 1's solve, then phase 2
  // at 50 + 5 per row; the objective's row has no elastic variable.
  EXPECT_EQ(script.percentages, (std::vector<int>{1, 20, 50, 55, 60, 65, 70, 75, 80, 85, 90}));
  EXPECT_EQ(final.values[0], 0.5);   // start values back
}

TEST_F(Feasibility, PhaseOneProgressStopsAtItsCapAndUntouchedRowsStayOut) {
  script.single = true;   // one more conflict row per pass
  for (int r = 0; r < 34; ++r) script.conflict.insert(r);
  EXPECT_EQ(runScripted(36), StatusSolved);
  std::set<int> expected(script.conflict);
  EXPECT_EQ(enforced, expected);
  // 1, 20, then one more per pass up to 50 over the 34 passes of phase 1.
  std::vector<int> phaseOne(script.percentages.begin(), script.percentages.begin() + 35);
  EXPECT_EQ(phaseOne[0], 1);
  EXPECT_EQ(phaseOne[1], 20);
  EXPECT_EQ(phaseOne[30], 49);
  EXPECT_EQ(phaseOne[31], 50);
  EXPECT_EQ(phaseOne[34], 50);
  // Phase 2 relaxes only the 34 enforced rows: rows 34 and 35 are never
  // solved without their bound.
  EXPECT_EQ(script.percentages.size(), 35u + 34u);
  EXPECT_EQ(script.percentages.back(), 50 + 33 * 50 / 37);   // row 33 of 37
}

TEST_F(Feasibility, StopDuringTheSearchEndsItWithTheStartValues) {
  script.conflict = {2, 5, 7};
  script.spread = true;
  script.breakAfter = 4;   // during phase 2
  EXPECT_EQ(runScripted(9), StatusUserStop);
  EXPECT_EQ(script.percentages.size(), 4u);   // no solve after the answer
  EXPECT_EQ(final.values[0], 0.5);
  EXPECT_EQ(final.status, StatusInfeasible);  // row 1 relaxed: the last solve's status stood
}

TEST_F(Feasibility, SolveActionsFourAndFiveEndWithTheStartValuesInTheCells) {
  threeRowModel();
  EXPECT_EQ(solve(4), StatusSolved);
  EXPECT_EQ(valueAt("A1"), 0.25);
  EXPECT_EQ(valueAt("A2"), 0.5);
  EXPECT_EQ(query(9), 0);   // the session's end leaves feasibility mode
  EXPECT_EQ(solve(5), StatusSolved);
  EXPECT_EQ(valueAt("A1"), 0.25);
  // Solving afterwards (action 0) reports the model infeasible.
  EXPECT_EQ(solve(0), StatusInfeasible);
}
