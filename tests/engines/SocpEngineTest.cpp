// The SOCP barrier engine's status paths run by the library end to end on
// small models built cell by cell: infeasible and unbounded cone programs,
// the size limit, refused quadratic rows and options, a stop at the
// iteration limit through the progress callback, and the model's own
// bounds kept in the cone form.
#include <cmath>

#include "tests/support/EngineSolveFixture.h"

namespace {

constexpr int SocpEngine = 5;

class SocpLibrary : public EngineSolveFixture {
 protected:
  // Objective C1 over A1:B1 and the cone A1 >= |B1| (relation 7).
  void coneModel(const std::string& objective, int type, int rows) {
    twoVariables(objective, type, SocpEngine, rows + 1, 1, 0);
    row(1, "Model!$A$1:$B$1", 7, 0);
  }
  // min A1 with A1 >= |B1| and B1 = 2 (row C2): 2 at (2, 2).
  void distanceModel() {
    coneModel("=A1", 2, 1);
    formula("C2", "=B1");
    row(2, "Model!$C$2", 2, 2);
  }
};

TEST_F(SocpLibrary, ConeProgramReachesItsOptimum) {
  distanceModel();
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("A1"), 2, 1e-6);
  EXPECT_NEAR(valueAt("B1"), 2, 1e-6);
}

TEST_F(SocpLibrary, InfeasibleConeProgramIsReportedInfeasible) {
  // A1 >= |B1| with B1 >= 2 and A1 <= 1: no point.
  coneModel("=A1", 2, 2);
  formula("C2", "=B1");
  row(2, "Model!$C$2", 3, 2);
  row(3, "Model!$A$1", 1, 1);
  EXPECT_EQ(solve(0), StatusInfeasible);
}

TEST_F(SocpLibrary, UnboundedProgramsAreReportedUnbounded) {
  // max A1 + B1 with A1 >= |B1|: the ray (1, 1).
  coneModel("=A1+B1", 1, 0);
  EXPECT_EQ(solve(0), StatusUnbounded);
  // max A1 + B1 with A1^2 <= B1 (the quadratic form).
  twoVariables("=A1+B1", 1, SocpEngine, 1);
  formula("C2", "=A1^2-B1");
  row(1, "Model!$C$2", 1, 0);
  EXPECT_EQ(solve(0), StatusUnbounded);
}

TEST_F(SocpLibrary, ModelOverTheSizeLimitIsRefused) {
  newModel();
  for (int r = 1; r <= 2001; ++r) Test_put(book, sheet, ("A" + std::to_string(r)).c_str(), CellValue::makeNumber(0));
  formula("B1", "=SUM(A1:A2001)");
  names({{"solver_adj", "Model!$A$1:$A$2001"}, {"solver_opt", "Model!$B$1"}, {"solver_typ", "2"},
         {"solver_eng", "5"}, {"solver_num", "0"}});
  EXPECT_EQ(solve(0), StatusBadModel);
}

TEST_F(SocpLibrary, RowsTheEngineCannotTakeAreRefused) {
  struct Case {
    const char* row;
    int relation;
    int status;
  };
  const Case cases[] = {
      {"=A1*B1", 1, 1102},      // indefinite: no convex side
      {"=A1^2+B1^2", 2, 1102},  // quadratic equality
      {"=A1^2+B1^2", 3, 1102},  // convex row bounded below
      {"=A1^3+B1", 1, StatusNotLinear},
  };
  for (const Case& c : cases) {
    twoVariables("=A1+B1", 1, SocpEngine, 1);
    formula("C2", c.row);
    row(1, "Model!$C$2", c.relation, 1);
    EXPECT_EQ(solve(0), c.status) << c.row;
  }
}

TEST_F(SocpLibrary, ConvexQuadraticRowIsACone) {
  // max A1 + B1 with A1^2 + B1^2 <= 2: (1, 1).
  twoVariables("=A1+B1", 1, SocpEngine, 1);
  formula("C2", "=A1^2+B1^2");
  row(1, "Model!$C$2", 1, 2);
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("A1"), 1, 1e-5);
  EXPECT_NEAR(valueAt("C1"), 2, 1e-5);
}

TEST_F(SocpLibrary, SingularConvexQuadraticsAreSolved) {
  // (x - y)^2 + x + 2y on [0, 1]^2: Q = [1 -1; -1 1] is semidefinite and
  // singular; 0 at (0, 0). With x + y = 1 as well: y = 1 - x gives
  // (2x - 1)^2 - x + 2, least at x = 5/8 with 1.4375.
  for (int action : {0, 3}) {  // analysed, and read by evaluation
    twoVariables("=(A1-B1)^2+A1+2*B1", 2, SocpEngine, 2, 0.5, 0.5);
    bounds(1, "Model!$A$1:$B$1", 0, 1);
    ASSERT_EQ(solve(action), StatusSolved) << action;
    EXPECT_NEAR(valueAt("C1"), 0, 1e-6) << action;
    twoVariables("=(A1-B1)^2+A1+2*B1", 2, SocpEngine, 3, 0.5, 0.5);
    bounds(1, "Model!$A$1:$B$1", 0, 1);
    formula("D1", "=A1+B1");
    row(3, "Model!$D$1", 2, 1);
    ASSERT_EQ(solve(action), StatusSolved) << action;
    EXPECT_NEAR(valueAt("C1"), 1.4375, 1e-5) << action;  // the equality holds within "solver_fea"
    EXPECT_NEAR(valueAt("A1"), 0.625, 1e-4) << action;
  }
}

TEST_F(SocpLibrary, ConeProgramWithAQuadraticObjectiveIsRefused) {
  // The cone form has no quadratic terms: min A1^2 + B1 with A1 >= |B1|
  // is not linear, whether analysed or read by evaluation.
  for (int action : {0, 3}) {
    coneModel("=A1^2+B1", 2, 0);
    EXPECT_EQ(solve(action), StatusNotLinear) << action;
  }
}

TEST_F(SocpLibrary, DirectionOutsideItsRangeIsRefused) {
  coneModel("=A1", 2, 0);
  name("solver_ipd", "4");
  EXPECT_EQ(solve(0), StatusBadModel);
}

TEST_F(SocpLibrary, IterationLimitStopsThroughTheProgressCallback) {
  distanceModel();
  name("solver_itr", "2");
  defineShow(0);  // stop with the limit's own code
  EXPECT_EQ(solve(0), StatusIterationLimit);
  EXPECT_FALSE(reasons.empty());
}

TEST_F(SocpLibrary, TimeLimitStopsThroughTheProgressCallback) {
  // Each reading of the clock moves it on by 400 ms: the one-second limit
  // is reached within the run's first iterations. Solved without analysis
  // (action 3), whose many readings of the clock would spend the time.
  distanceModel();
  name("solver_tim", "1");
  defineShow(0);  // stop with the limit's own code
  movingClock(400);
  EXPECT_EQ(solve(3), StatusTimeLimit);
}

TEST_F(SocpLibrary, ConeFormKeepsNegativeAndMissingLowerBounds) {
  // min A1 + C1 with A1 >= |B1|, B1 = 2 and C1 >= -3 (C1 outside the cone,
  // free but for that bound): 2 - 3 = -1. Then C1 free with C1 >= B1 - 5.
  newModel();
  for (const char* cell : {"A1", "B1", "C1"}) number(cell, 0);
  formula("D1", "=A1+C1");
  formula("D2", "=B1");
  formula("D3", "=C1-B1");
  names({{"solver_adj", "Model!$A$1:$C$1"}, {"solver_opt", "Model!$D$1"}, {"solver_typ", "2"},
         {"solver_eng", "5"}, {"solver_num", "3"}});
  row(1, "Model!$A$1:$B$1", 7, 0);
  row(2, "Model!$D$2", 2, 2);
  row(3, "Model!$C$1", 3, -3);
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("C1"), -3, 1e-5);
  EXPECT_NEAR(valueAt("D1"), -1, 1e-5);
  row(3, "Model!$D$3", 3, -5);
  ASSERT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("C1"), -3, 1e-5);
}

}  // namespace
