// Numbers beyond the doubles in a model: a start where the model's formulas
// overflow is only a start, and a formula that guards against an overflow
// gets its answer.
#include <gtest/gtest.h>

#include <string>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

using Overflow = ScratchTest;

// The two-product plan from a start of 8.99E+307 in both variable cells
// (what a failed run may leave), where the profit 3x + 5y overflows to
// #NUM!: its coefficients do not depend on the start, and the run reaches
// the plan's optimum, 36 at (2, 6), with and without the interpreter.
TEST_F(Overflow, AnOverflowingStartIsOnlyAStart) {
  Plan plan;
  plan.cell("B2", "8.99E+307");
  plan.cell("C2", "8.99E+307");
  const std::string book = plan.save(dir_ / "start.xlsx");
  for (const char* options : {"", " --option dia=2"}) {
    SCOPED_TRACE(options);
    CliRun r = corvan("solve " + book + options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has("status 0:")) << r.out;
    EXPECT_TRUE(r.has(" = 36.00")) << r.out;
    EXPECT_TRUE(r.has("Plan!B2  Batches Doors    2")) << r.out;
  }
}

// An objective that tests a product for an overflow (ISERROR, ISNUMBER) is
// analysed and solved: the overflow is an error value the test sees, as in
// the worksheet, not a failure of the whole evaluation.
TEST_F(Overflow, AGuardedOverflowIsAnalysedAndSolved) {
  Plan plan;
  plan.cell("D1", "1E+300");
  plan.cell("B9", "=SUMPRODUCT(B2:C2,B3:C3)+IF(ISERROR(D1*D1),0,1)+IF(ISNUMBER(D1*D1),1,0)");
  const std::string book = plan.save(dir_ / "guard.xlsx");
  CliRun analysed = corvan("analyse " + book);
  EXPECT_EQ(analysed.status, 0) << analysed.out;
  EXPECT_TRUE(analysed.has("analysis: status 0: done")) << analysed.out;
  CliRun solved = corvan("solve " + book + " --option dia=2");
  EXPECT_EQ(solved.status, 0) << solved.out;
  EXPECT_TRUE(solved.has(" = 36.00")) << solved.out;
}
