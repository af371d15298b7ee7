// The LP/quadratic engine's quadratic path run by the library end to end:
// `Solve` action 0 with "solver_eng" 2 on small workbooks built cell by cell
// and on hs35, each with its optimum worked out by hand, the solution left
// in the variable cells and the objective cell recalculated there.
#include <cmath>

#include "tests/support/EngineSolveFixture.h"

namespace {

class LpQuadraticLibrary : public EngineSolveFixture {
 protected:
  // Minimise C1 = `objective` over A1:B1 >= 0 from (start, start) with the
  // row C2 = A1 + B1 `relation` 2.
  void model(const std::string& objective, int relation, double start) {
    twoVariables(objective, 2, 2, 2, start, start);
    formula("C2", "A1+B1");
    row(1, "Model!$C$2", relation, 2);
    row(2, "Model!$A$1:$B$1", 3, 0);
  }
};

}  // namespace

TEST_F(LpQuadraticLibrary, FormulaObjectiveReachesItsConstrainedMinimum) {
  // min x^2 + y^2 - xy - 3x with x + y <= 2, x, y >= 0. The free minimum
  // (2, 1) breaks the row; on it the KKT system 2x - y - 3 + u = 0,
  // 2y - x + u = 0 gives (1.5, 0.5) with u = 0.5 >= 0; value -2.75.
  model("A1^2+B1^2-A1*B1-3*A1", 1, 0);
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_EQ(context->currentEngine, 1);
  EXPECT_NEAR(valueAt("A1"), 1.5, 1e-6);
  EXPECT_NEAR(valueAt("B1"), 0.5, 1e-6);
  EXPECT_NEAR(valueAt("C1"), -2.75, 1e-9);
}

TEST_F(LpQuadraticLibrary, SumProductObjectiveReachesTheNearestPointOfARow) {
  // min x^2 + y^2 with x + y >= 2: (1, 1), value 2.
  model("SUMPRODUCT(A1:B1,A1:B1)", 3, 3);
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("A1"), 1, 1e-6);
  EXPECT_NEAR(valueAt("B1"), 1, 1e-6);
  EXPECT_NEAR(valueAt("C1"), 2, 1e-9);
}

TEST_F(LpQuadraticLibrary, HockSchittkowski35WithTheQuadraticEngine) {
  // hs35: 9 - 8x1 - 6x2 - 4x3 + 2x1^2 + 2x2^2 + x3^2 + 2x1x2 + 2x1x3 with
  // x1 + x2 + 2x3 <= 3, x >= 0: (4/3, 7/9, 4/9), value 1/9.
  ASSERT_TRUE(open("nlp/hs35.xlsx"));
  name("solver_eng", "2");
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("B2"), 4.0 / 3, 1e-6);
  EXPECT_NEAR(valueAt("C2"), 7.0 / 9, 1e-6);
  EXPECT_NEAR(valueAt("D2"), 4.0 / 9, 1e-6);
  EXPECT_NEAR(valueAt("B6"), 1.0 / 9, 1e-9);
}
