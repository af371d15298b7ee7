// The feasibility driver on small linear workbooks: `Solve` actions 4 and 5
// end with status 0 and the variable cells at their start values, and the
// LP/quadratic engine run through the runner under feasibility mode leaves
// exactly the irreducible infeasible set enforced (elastic upper bounds 0)
// and, in mode 1, exactly the variable bounds it needs; a feasible model
// gets no row enforced; a break stops the search.
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "tests/support/EngineSolveFixture.h"

namespace {

// What the LP/quadratic engine's problem held when its `finish` was called.
struct FinalBounds {
  int status = -100;
  std::vector<double> lower, upper, values;
};
FinalBounds* g_final = nullptr;
EngineOp g_lpFinish = nullptr;

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
    names({{"solver_adj", "Model!$A$1:$A$2"}, {"solver_opt", "Model!$C$5"}, {"solver_typ", "2"},
           {"solver_eng", "2"}, {"solver_num", "4"}});
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

  FinalBounds final;
  int model = 0;              // the model's own variables
  std::set<int> enforced;     // 0-based rows whose elastic variables are fixed at 0
};

}  // namespace

TEST_F(Feasibility, RowsOnlyModeIsolatesTheThreeConflictingRowsAndNoneOfAFeasibleModel) {
  threeRowModel();
  EXPECT_EQ(runLp(2), StatusSolved);
  EXPECT_EQ(enforced, (std::set<int>{0, 1, 2}));
  ASSERT_EQ(model, 2);
  EXPECT_EQ(final.values[0], 0.25);   // the start values come back
  EXPECT_EQ(final.values[1], 0.5);
  // x + y <= 3 admits x = y = 1: no row is enforced.
  name("solver_rhs1", "3");
  enforced.clear();
  EXPECT_EQ(runLp(2), StatusSolved);
  EXPECT_TRUE(enforced.empty());
  EXPECT_EQ(final.values[0], 0.25);
}

// Rows: x + y <= 1, y >= 1, x - y <= 5; the bounds x >= 1 and y <= 10.
// Mode 1 keeps x >= 1, which is part of the conflict, and drops y <= 10;
// mode 2 leaves the bounds alone.
TEST_F(Feasibility, BoundsModeKeepsOnlyTheBoundTheConflictNeeds) {
  for (int mode : {1, 2}) {
    SCOPED_TRACE(mode);
    boundModel();
    enforced.clear();
    EXPECT_EQ(runLp(mode), StatusSolved);
    EXPECT_EQ(enforced, (std::set<int>{0, 1}));
    ASSERT_EQ(model, 2);
    EXPECT_EQ(final.lower[0], 1.0);
    EXPECT_EQ(final.upper[1], mode == 1 ? 1e30 : 10.0);
    EXPECT_EQ(final.upper[0], 1e30);
    Wb_closeWorkbook(book);
  }
}

TEST_F(Feasibility, SolveActionsFourAndFiveEndWithTheStartValuesInTheCellsAndStopOnABreak) {
  threeRowModel();
  EXPECT_EQ(solve(4), StatusSolved);
  EXPECT_EQ(valueAt("A1"), 0.25);
  EXPECT_EQ(valueAt("A2"), 0.5);
  EXPECT_EQ(query(9), 0);   // the session's end leaves feasibility mode
  EXPECT_EQ(solve(5), StatusSolved);
  EXPECT_EQ(valueAt("A1"), 0.25);
  // Solving afterwards (action 0) reports the model infeasible.
  EXPECT_EQ(solve(0), StatusInfeasible);
  // A break ends the search as stopped by the user, with the start values.
  number("A1", 0.25);
  number("A2", 0.5);
  Xlc_pressBreak();   // seen at the first check; no "Show" macro answers
  EXPECT_EQ(solve(4), StatusUserStop);
  EXPECT_EQ(valueAt("A1"), 0.25);
  EXPECT_EQ(valueAt("A2"), 0.5);
}

