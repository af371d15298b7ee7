// Numbers beyond the doubles in a model: a start where the model's formulas
// overflow is only a start, a formula that guards against an overflow gets
// its answer in every evaluation mode, and an objective that overflows
// unguarded is refused at its cell as an overflow.
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

namespace {

// Maximise the objective `objective` in B9 over B2 and C2 (from B2 = start,
// C2 = 0, both at least 0) under B2 + 2 C2 <= 10 and 3 B2 + C2 <= 15, by the
// GRG engine.
std::string overflowModel(const std::filesystem::path& path, const std::string& objective, const char* start) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$B$9"},
             {"solver_typ", "1"},
             {"solver_adj", "Plan!$B$2:$C$2"},
             {"solver_num", "1"},
             {"solver_lhs1", "Plan!$B$5:$B$6"},
             {"solver_rel1", "1"},
             {"solver_rhs1", "Plan!$C$5:$C$6"},
             {"solver_neg", "1"},
             {"solver_eng", "1"}};
  p.cells = {{"B2", start},      {"C2", "0"},  {"B5", "=B2+2*C2"},  {"C5", "10"},
             {"B6", "=3*B2+C2"}, {"C6", "15"}, {"A9", "Objective"}, {"B9", objective}};
  return p.save(path);
}

}  // namespace

// The objective is C2 wherever B2 is not 0 (the guarded product overflows
// there) and B2 + C2 at B2 = 0: its maximum is 5 at (0, 5), 2 C2 <= 10
// binding. The derivative modes see the overflow where the value mode
// does, so the gradient is that of the function the values describe.
TEST_F(Overflow, AGuardedOverflowGivesTheSameOptimumInEveryMode) {
  const std::string book = overflowModel(dir_ / "guarded.xlsx", "=IF(ISERROR(B2*1E+300*1E+300),0,1)*B2+C2", "0");
  for (const char* options : {"", " --option dia=2"}) {
    SCOPED_TRACE(options);
    CliRun r = corvan("solve " + book + options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.has(" = 5.00")) << r.out;
    EXPECT_TRUE(r.has("Plan!B2        0\n")) << r.out;
    EXPECT_TRUE(r.has("Plan!C2        5\n")) << r.out;
  }
}

// An objective whose product overflows unguarded, evaluated by the
// interpreter, is refused with status 26 ("Floating point overflow") at its
// cell, not as an error value like any other.
TEST_F(Overflow, AnUnguardedOverflowIsStatus26AtItsCell) {
  const std::string book = overflowModel(dir_ / "unguarded.xlsx", "=B2*1E+300*1E+300+C2", "1");
  CliRun r = corvan("solve " + book + " --option dia=2");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(r.has("a value overflowed (interpreter status 26) at Plan!$B$9")) << r.out;
  EXPECT_FALSE(r.has("status 40")) << r.out;
}
