// The GRG engine run by the library end to end: `Solve` action 0 on the
// Hock-Schittkowski workbooks and on small models built cell by cell, with
// the solution left in the variable cells and the reports in the front
// end's result range; the iteration limit answered by the front end's "Show"
// macro; and the local solver of ordinal 41 on a session's model.
#include <cmath>

#include "entry/Eng_Registry.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

// The published optimum of hs100.
constexpr double kHs100 = 680.6300573;

class GrgLibrarySolve : public EngineSolveFixture {
 protected:
  // maximise 3 - (x - 2)^2 - (y - 1)^2 subject to x + y <= 2, from (0, 0).
  void maximiseModel() {
    twoVariables("=3-(A1-2)^2-(B1-1)^2", 1, 1, 1);
    formula("C2", "=A1+B1");
    row(1, "Model!$C$2", 1, 2);
  }
};

}  // namespace

TEST_F(GrgLibrarySolve, SolutionStaysInTheCellsAndTheReportsGoToTheResultRange) {
  // hs35: 9 - 8x1 - 6x2 - 4x3 + 2x1^2 + 2x2^2 + x3^2 + 2x1x2 + 2x1x3 with
  // x1 + x2 + 2x3 <= 3, x >= 0; optimum (4/3, 7/9, 4/9), where the
  // objective's gradient is -2/9 times the row's.
  ASSERT_TRUE(open("nlp/hs35.xlsx"));
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_EQ(context->currentEngine, 0);
  EXPECT_NEAR(valueAt("B2"), 4.0 / 3, 1e-5);
  EXPECT_NEAR(valueAt("C2"), 7.0 / 9, 1e-5);
  EXPECT_NEAR(valueAt("D2"), 4.0 / 9, 1e-5);
  EXPECT_NEAR(valueAt("B6"), 1.0 / 9, 1e-6);
  EXPECT_NEAR(valueAt("B9"), 3.0, 1e-6);
  // Statistics: 3 variable rows, 1 constraint row, 3 bound rows, report
  // set 2 with code 1.
  EXPECT_EQ(tableAt(0, 0), 3);
  EXPECT_EQ(tableAt(0, 1), 1);
  EXPECT_EQ(tableAt(0, 2), 3);
  EXPECT_EQ(tableAt(0, 6), 2);
  EXPECT_EQ(tableAt(0, 7), 1);
  for (int row = 1; row <= 3; ++row) EXPECT_EQ(tableAt(row, 6), 0.0) << row;  // between bounds
  EXPECT_NEAR(tableAt(4, 5), 0.0, 1e-6);            // the row is binding
  EXPECT_NEAR(tableAt(4, 6), -2.0 / 9, 1e-4);       // its multiplier
  // The prior values come back with action 2.
  EXPECT_EQ(solve(2), 1);
  EXPECT_EQ(valueAt("B2"), 0.5);
}

TEST_F(GrgLibrarySolve, MaximisedObjectiveReachesItsLargestValue) {
  maximiseModel();
  ASSERT_TRUE(normalEnd(solve(0)));
  EXPECT_NEAR(valueAt("A1"), 1.5, 1e-5);
  EXPECT_NEAR(valueAt("B1"), 0.5, 1e-5);
  EXPECT_NEAR(valueAt("C1"), 2.5, 1e-8);
  // Crossed bounds on A1 end the run without touching the cells.
  number("A1", 0);
  number("B1", 0);
  name("solver_num", "3");
  bounds(2, "Model!$A$1", 4, 1);
  EXPECT_EQ(solve(0), StatusCrossedBounds);
  EXPECT_EQ(valueAt("A1"), 0.0);
  EXPECT_EQ(valueAt("B1"), 0.0);
}

TEST_F(GrgLibrarySolve, IntegerVariablesAreBranchedOnWithTheGrgEngineAtEachNode) {
  // min (x - 2.6)^2 + (y - 1.3)^2 + (x - y)^2 / 10 over integers in [0, 5]:
  // of the integer points around (2.6, 1.3), (2, 1) gives 0.36 + 0.09 + 0.1,
  // (3, 1) 0.65, (3, 2) 0.75 and (2, 2) 0.85.
  twoVariables("(A1-2.6)^2+(B1-1.3)^2+(A1-B1)^2/10", 2, 1, 3);
  bounds(1, "Model!$A$1:$B$1", 0, 5);
  row(3, "Model!$A$1:$B$1", 4, "integer");
  int status = solve(0);
  EXPECT_TRUE(normalEnd(status)) << status;
  EXPECT_EQ(valueAt("A1"), 2.0);
  EXPECT_EQ(valueAt("B1"), 1.0);
  EXPECT_NEAR(valueAt("C1"), 0.55, 1e-12);
}

TEST_F(GrgLibrarySolve, IterationLimitAsksShowWhichContinuesOrStops) {
  ASSERT_NE(open("nlp/hs100.xlsx"), nullptr);
  name("solver_itr", "2");
  EXPECT_EQ(solve(0), StatusIterationLimit);            // no macro: the limit stops the run
  defineShow(2);
  EXPECT_TRUE(normalEnd(solve(0)));                     // stop: the engine's status stands
  EXPECT_EQ(reasons, std::vector<double>{3});
  reasons.clear();
  ASSERT_NE(open("nlp/hs100.xlsx"), nullptr);           // from the start again
  name("solver_itr", "2");
  defineShow(1);
  EXPECT_TRUE(normalEnd(solve(0)));                     // continue: the run goes to its end
  EXPECT_EQ(reasons, std::vector<double>{3});
  EXPECT_NEAR(valueAt("B6"), kHs100, 1e-5 * kHs100);
}

TEST_F(GrgLibrarySolve, LocalSolverRunsTheGrgEngineOnTheSessionsModel) {
  using LocalFn = decltype(&Host_runLocalSolver);
  ASSERT_NE(open("nlp/hs35.xlsx"), nullptr);
  ASSERT_EQ(begin(), 1);
  Eng_registerBuiltins(context, context);
  context->currentEngine = 2;          // an engine that uses the local solver
  context->engineInfos[2].capabilities = EngineUsesLocalSolver;
  auto local = ordinal<LocalFn>(41);
  std::vector<double> x{0.5, 0.5, 0.5}, lower(3, 0.0), upper(3, 1e30);
  double objective = -1;
  EXPECT_EQ(local(context, 0, nullptr, nullptr, 0, 0, 1e-6, 1e-8, &objective, x.data(), lower.data(), upper.data()),
            StatusSolved);
  EXPECT_NEAR(objective, 1.0 / 9, 1e-7);
  EXPECT_NEAR(x[0], 4.0 / 3, 1e-5);
  EXPECT_NEAR(x[1], 7.0 / 9, 1e-5);
  EXPECT_NEAR(x[2], 4.0 / 9, 1e-5);
  ASSERT_NE(context->localSolver, nullptr);
  EXPECT_EQ(context->localSolver->flags, ProblemLocalSolver | ProblemOtherDriver);
  // A second run on the same problem with x3 held at 0: the remaining
  // quadratic's stationary point (4x1 + 2x2 = 8, 2x1 + 4x2 = 6) is (5/3, 2/3),
  // inside x1 + x2 <= 3, where the objective is 1/3.
  x = {1, 1, 1};
  upper[2] = 0;
  EXPECT_TRUE(normalEnd(
      local(context, 0, nullptr, nullptr, 0, 0, 1e-6, 1e-8, &objective, x.data(), lower.data(), upper.data())));
  EXPECT_NEAR(x[0], 5.0 / 3, 1e-5);
  EXPECT_NEAR(x[1], 2.0 / 3, 1e-5);
  EXPECT_EQ(x[2], 0.0);
  EXPECT_NEAR(objective, 1.0 / 3, 1e-7);
  EXPECT_EQ(context->modelSupplied, 0);
  // The calling engine's finish leaves its own point in the cells; the end
  // of the session releases the local solver without touching them.
  number("B2", 2);
  number("C2", 0);
  number("D2", 0);
  double statistics = tableAt(0, 0);
  EXPECT_EQ(end(), 1);
  EXPECT_EQ(context->localSolver, nullptr);
  EXPECT_EQ(valueAt("B2"), 2.0);
  EXPECT_EQ(valueAt("C2"), 0.0);
  EXPECT_EQ(valueAt("D2"), 0.0);
  EXPECT_TRUE(std::isnan(statistics) ? std::isnan(tableAt(0, 0)) : tableAt(0, 0) == statistics);
}

// With analysis on, GRG takes exact derivatives from the interpreter. hs76's
// optimum lies on a vertex where the exact reduced gradients of the free
// variables vanish while a row's slack still has a favourable one; the
// maximised model checks that the objective's gradient keeps the sign of
// the objective's value.
TEST_F(GrgLibrarySolve, AnalysedModelsReachTheirOptimaWithExactDerivatives) {
  ASSERT_TRUE(open("nlp/hs76.xlsx"));
  name("solver_dia", "2");
  ASSERT_TRUE(normalEnd(solve(0)));
  EXPECT_NEAR(valueAt("B6"), -4.681818181, 1e-6);
  Wb_closeWorkbook(book);
  maximiseModel();
  name("solver_dia", "2");
  ASSERT_TRUE(normalEnd(solve(0)));
  EXPECT_NEAR(valueAt("A1"), 1.5, 1e-5);
  EXPECT_NEAR(valueAt("C1"), 2.5, 1e-8);
}
