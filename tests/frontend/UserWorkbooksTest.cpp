// Workbooks as their authors save them: option values that mean "no limit",
// lower bounds written as constraints in every form, unbounded models from
// any start, and the saved file as asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using UserWorkbooks = ScratchTest;

// Minimise x + y over x in B2 and y in C2 with "solver_neg" 1: the lower
// bounds come from the constraints only; E2 holds -3, E3 =E2*2, F2 =B2*0+1
// (a cell that depends on a variable) and Other!B1 -5.
Plan boundModel(const std::string& engine) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$B$9"}, {"solver_typ", "2"}, {"solver_adj", "Plan!$B$2:$C$2"},
             {"solver_num", "0"},         {"solver_neg", "1"}, {"solver_eng", engine}};
  p.cells = {{"A2", "Amount"},  {"B2", "1"},     {"C2", "1"},      {"E2", "-3"},      {"E3", "=E2*2"},
             {"F2", "=B2*0+1"}, {"A9", "Total"}, {"B9", "=B2+C2"}, {"Other!B1", "-5"}};
  return p;
}

void addConstraint(Plan* p, const std::string& lhs, const std::string& rel, const std::string& rhs) {
  int k = 1;
  for (const auto& [name, value] : p->names)
    if (name.rfind("solver_lhs", 0) == 0) ++k;
  std::string n = std::to_string(k);
  p->set("solver_num", n);
  p->set("solver_lhs" + n, lhs);
  p->set("solver_rel" + n, rel);
  p->set("solver_rhs" + n, rhs);
}

// The objective value printed after "= " on the objective line.
double objectiveOf(const CliRun& r) {
  size_t at = r.out.find("objective (");
  if (at == std::string::npos) return -999;
  at = r.out.find("= ", at);
  return at == std::string::npos ? -999 : std::strtod(r.out.c_str() + at + 2, nullptr);
}

}  // namespace

// Each form of a lower bound that the bound rule takes (variable cells on the
// left, a right-hand side that does not depend on the variables) bounds its
// variables below, so "solver_neg" 1 leaves them free to go negative; with
// both the LP engine and the GRG engine.
TEST_F(UserWorkbooks, LowerBoundsWrittenAsConstraintsHoldWithNonNegativeOn) {
  struct Case {
    const char* what;
    std::vector<std::vector<std::string>> rows;  // lhs, rel, rhs
    double optimum;
  };
  const Case cases[] = {
      {"a number", {{"Plan!$B$2:$C$2", "3", "-3"}}, -6},
      {"a cell holding the bound", {{"Plan!$B$2:$C$2", "3", "Plan!$E$2"}}, -6},
      {"a cell computing the bound", {{"Plan!$B$2:$C$2", "3", "Plan!$E$3"}}, -12},
      {"a formula of constants", {{"Plan!$B$2:$C$2", "3", "=-2*2"}}, -8},
      {"a formula of a cell", {{"Plan!$B$2:$C$2", "3", "=Plan!$E$2-1"}}, -8},
      {"one cell each", {{"Plan!$B$2", "3", "Plan!$E$2"}, {"Plan!$C$2", "3", "=Plan!$E$3"}}, -9},
      {"an equality", {{"Plan!$B$2", "2", "-2"}, {"Plan!$C$2", "3", "-1"}}, -3},
  };
  for (const char* engine : {"2", "1"})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + ", engine " + engine);
      Plan p = boundModel(engine);
      for (const auto& row : c.rows) addConstraint(&p, row[0], row[1], row[2]);
      CliRun r = corvan("solve " + p.save(dir_ / "bounds.xlsx"));
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_NEAR(objectiveOf(r), c.optimum, 1e-6) << r.out;
    }
}

// Forms the bound rule leaves out are constraints, not bounds: "solver_neg"
// 1 still makes their variables non-negative.
TEST_F(UserWorkbooks, ConstraintsThatAreNoBoundsLeaveNonNegativeInForce) {
  struct Case {
    const char* what;
    std::vector<std::vector<std::string>> rows;
    double optimum;
  };
  const Case cases[] = {
      // B2:C2 and E2 on the left: E2 is no variable cell.
      {"a range wider than the variables", {{"Plan!$B$2:$E$2", "3", "-3"}}, 0},
      // x >= y with y >= -3: y is bounded, x is not (its right-hand side moves with y).
      {"between two variables", {{"Plan!$C$2", "3", "-3"}, {"Plan!$B$2", "3", "Plan!$C$2"}}, -3},
      // A right-hand side computed from a variable cell.
      {"through a cell that depends on a variable", {{"Plan!$C$2", "3", "-3"}, {"Plan!$B$2", "3", "Plan!$F$2"}}, -2},
      // A right-hand side that reads another sheet: the precedents of cells
      // there are not followed, so it counts as varying.
      {"through a formula of a cell on another sheet", {{"Plan!$B$2:$C$2", "3", "=Other!$B$1+1"}}, 0},
      {"through a formula of a variable", {{"Plan!$C$2", "3", "-3"}, {"Plan!$B$2", "3", "=Plan!$C$2+1"}}, -3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Plan p = boundModel("2");
    for (const auto& row : c.rows) addConstraint(&p, row[0], row[1], row[2]);
    CliRun r = corvan("solve " + p.save(dir_ / "bounds.xlsx"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NEAR(objectiveOf(r), c.optimum, 1e-6) << r.out;
  }
}

// A binary variable with a lower bound written as a constraint: x binary with
// x >= 1 is x = 1; with x >= -1 it is 0 or 1.
TEST_F(UserWorkbooks, BinaryVariablesTakeTheirWrittenBounds) {
  struct Case {
    const char* rhs;
    double optimum;
  };
  for (const Case& c : {Case{"1", -2}, Case{"-1", -3}, Case{"0", -3}}) {
    SCOPED_TRACE(c.rhs);
    Plan p = boundModel("2");
    addConstraint(&p, "Plan!$B$2", "5", "binary");
    addConstraint(&p, "Plan!$B$2", "3", c.rhs);
    addConstraint(&p, "Plan!$C$2", "3", "-3");
    CliRun r = corvan("solve " + p.save(dir_ / "binary.xlsx"));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NEAR(objectiveOf(r), c.optimum, 1e-6) << r.out;
  }
}
