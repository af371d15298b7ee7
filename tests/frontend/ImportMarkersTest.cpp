// `corvan solve --import markers`: models written with another optimisation
// add-in's markers solve to the optimum worked out by hand, each marker form
// in play; a malformed marker ends the run with a line naming its cell.
#include <gtest/gtest.h>

#include <string>

#include "tests/frontend/CliFixture.h"
#include "tests/support/AddinBooks.h"
#include "tests/support/ScratchTest.h"

namespace {

using ImportMarkers = ScratchTest;

// The objective line's value as printed ("objective (maximise) Plan!B9 = 36").
// The value printed for a variable cell in the table ("  Plan!B2  ...  2").
double variableOf(const CliRun& r, const std::string& cell) {
  const size_t table = r.out.find("variable cells");
  const size_t at = r.out.find("  " + cell + " ", table);
  if (at == std::string::npos) return -1e300;
  const size_t end = r.out.find('\n', at);
  const size_t last = r.out.find_last_of(' ', end) + 1;
  return std::strtod(r.out.c_str() + last, nullptr);
}

TEST_F(ImportMarkers, PlanSolvesToItsOptimum) {
  const std::string book = addinPlan().save(dir_ / "plan.xlsx");
  const CliRun r = corvan("solve " + book + " --import markers");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NEAR(Cli_objective(r.out), 36.0, 1e-6) << r.out;
  EXPECT_NEAR(variableOf(r, "Plan!B2"), 2.0, 1e-6) << r.out;
  EXPECT_NEAR(variableOf(r, "Plan!C2"), 6.0, 1e-6) << r.out;
  // Without the option the workbook holds no model.
  EXPECT_NE(corvan("solve " + book).status, 0);
}

// Maximise x + y with 2x + 2y <= 7 and x, y integer by name: the relaxation
// gives 3.5, the integers 3.
TEST_F(ImportMarkers, IntegerNameGivesTheIntegerOptimum) {
  AddinBook b;
  b.cells = {{"B2", "0"}, {"C2", "0"}, {"B4", "=B2+C2"}, {"B5", "=2*B2+2*C2"}, {"D5", "=wb(B5,\"<=\",7)"}};
  b.styled = {"B2:C2"};
  b.names = {{"WBMAX", "Plan!$B$4"}, {"wbint", "Plan!$B$2:$C$2"}};
  const CliRun r = corvan("solve " + b.save(dir_ / "int.xlsx") + " --import markers");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NEAR(Cli_objective(r.out), 3.0, 1e-6) << r.out;
}

// Minimise z - 2b + w over a binary b, a free z bounded below by -5 through
// its marker, and w >= 0 by default: -5 - 2 + 0 = -7 (with z not free the
// optimum would be -2).
TEST_F(ImportMarkers, BinaryAndFreeCellsGiveTheirOptimum) {
  AddinBook b;
  b.cells = {{"B2", "0"}, {"C2", "0"}, {"D2", "0"}, {"B4", "=C2-2*B2+D2"}, {"F1", "=wb(C2, \">=\", -5)"}};
  b.styled = {"B2:D2"};
  b.names = {{"WBMIN", "Plan!$B$4"}, {"wbbin", "Plan!$B$2"}, {"wbfree", "Plan!$C$2"}};
  const CliRun r = corvan("solve " + b.save(dir_ / "bin.xlsx") + " --import markers");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NEAR(Cli_objective(r.out), -7.0, 1e-6) << r.out;
  EXPECT_NEAR(variableOf(r, "Plan!B2"), 1.0, 1e-6) << r.out;
  EXPECT_NEAR(variableOf(r, "Plan!C2"), -5.0, 1e-6) << r.out;
}

TEST_F(ImportMarkers, MalformedMarkerNamesItsCell) {
  AddinBook b = addinPlan();
  b.cells.push_back({"D8", "=wb(B7, \"<=\", 1, 2)"});
  const CliRun r = corvan("solve " + b.save(dir_ / "bad.xlsx") + " --import markers");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(
      r.has("sheet 'Plan': the marker model cannot be imported: Plan!D8: the constraint marker "
            "=wb(B7, \"<=\", 1, 2) has 4 arguments; wb( takes 3"))
      << r.out;
}

TEST_F(ImportMarkers, StyleOnAFormulaCellAndANameListingNoAdjustableCellAreNamed) {
  AddinBook styled = addinPlan();
  styled.styled.push_back("B9");
  const CliRun r = corvan("solve " + styled.save(dir_ / "styled.xlsx") + " --import markers");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_TRUE(r.has("Plan!B9: the cell is styled \"Adjustable\" but holds the formula =3*B2+5*C2")) << r.out;
  AddinBook named = addinPlan();
  named.names.push_back({"wbint_plan", "Plan!$F$1"});
  const CliRun n = corvan("solve " + named.save(dir_ / "named.xlsx") + " --import markers");
  EXPECT_EQ(n.status, 1) << n.out;
  EXPECT_TRUE(n.has("Plan!F1: the defined name \"wbint_plan\" lists cells of which none is adjustable")) << n.out;
}

// A marker with an expression on its left is kept by the interpreter but
// cannot be stored in the solver names; one on a sheet the workbook does not
// have cannot be read. Each refusal names the marker's cell.
TEST_F(ImportMarkers, MarkersThatCannotBeStoredAreRefusedNamingTheirCell) {
  const struct {
    const char* marker;
    const char* message;
  } cases[] = {{"=wb(B2+C2, \"<=\", 10)",
                "the marker model cannot be imported: Plan!D8: a constraint marker has an expression on its left "
                "(B2+C2 - (10))"},
               {"=wb(Missing!B2, \"<=\", 10)",
                "Plan!D8: the constraint marker =wb(Missing!B2, \"<=\", 10) refers to the sheet Missing"}};
  for (const auto& c : cases) {
    AddinBook b = addinPlan();
    b.cells.push_back({"D8", c.marker});
    const CliRun r = corvan("solve " + b.save(dir_ / "marker.xlsx") + " --import markers");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(r.has(c.message)) << r.out;
  }
}

// Minimise x with the marker x >= -10 on a cell that is not free: the
// explicit bound replaces the implicit 0, so the minimum is -10.
TEST_F(ImportMarkers, ExplicitLowerBoundOnACellNotFreeGivesItsMinimum) {
  AddinBook b;
  b.cells = {{"B2", "0"}, {"B4", "=B2"}, {"F1", "=wb(B2, \">=\", -10)"}};
  b.styled = {"B2"};
  b.names = {{"WBMIN", "Plan!$B$4"}};
  const CliRun r = corvan("solve " + b.save(dir_ / "lower.xlsx") + " --import markers");
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NEAR(Cli_objective(r.out), -10.0, 1e-6) << r.out;
}

TEST_F(ImportMarkers, ImportTakesOnlyMarkers) {
  const CliRun r = corvan("solve " + addinPlan().save(dir_ / "plan.xlsx") + " --import risk");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.has("--import takes markers, not 'risk'")) << r.out;
}

}  // namespace
