// Names inside names read in the scope of the name that holds them, on
// every path: the workbook's value of a cell, the right-hand side's value
// and whether it moves with the variables, the interpreter's compile, and
// the final check. A sheet's own name is read on its sheet; a workbook
// name among the workbook's names, whatever the sheet that uses it holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using NameScopes = ScratchTest;

// Every engine but the unseeded evolutionary one, and the LP engine over
// the interpreter's analysis.
const char* const kRuns[] = {"--engine 1", "--engine 2", "--engine 4", "--engine 5", "--engine 1 --option dia=2"};

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct Case {
  const char* what;
  Pairs names;     // "Other!x" a name of Other's own, "x" the workbook's
  Pairs cells;     // added to the plan ("Other!B1" on Other)
  double optimum;  // by hand
};

// Maximise B9 = x + y (x = B2, y = C2, from 0) subject to x <= the
// right-hand side under test ("solver_rhs1", on the cell D2 when a case
// sets it), y <= 3 and x <= 10.
Plan scopedPlan(const Case& c) {
  Plan plan;
  for (const auto& [name, value] : Pairs{{"solver_num", "3"},
                                         {"solver_lhs1", "Plan!$B$2"},
                                         {"solver_rel1", "1"},
                                         {"solver_lhs2", "Plan!$C$2"},
                                         {"solver_rel2", "1"},
                                         {"solver_rhs2", "3"},
                                         {"solver_lhs3", "Plan!$B$2"},
                                         {"solver_rel3", "1"},
                                         {"solver_rhs3", "10"}})
    plan.set(name, value);
  plan.cell("B9", "=B2+C2");
  for (const auto& [name, value] : c.names) plan.set(name, value);
  for (const auto& [at, value] : c.cells) plan.cell(at, value);
  return plan;
}

// Workbook names cap = base*10 and base = 0.5, Plan's own base = 1: cap is
// 5 wherever it is used.
const Pairs kShadowedBase = {{"cap", "base*10"}, {"base", "0.5"}, {"Plan!base", "1"}};

Pairs with(Pairs names, const Pairs& more) {
  names.insert(names.end(), more.begin(), more.end());
  return names;
}

}  // namespace

// Each model on every run, solved at its optimum; the workbook's own
// calculation and the interpreter's agree with the values the file stores.
TEST_F(NameScopes, NamesInsideNamesReadInTheirOwnScope) {
  const Case cases[] = {
      // x <= 2y + 1: 10 at (7, 3).
      {"a sheet's name through its own name",
       {{"solver_rhs1", "Other!lim"}, {"Other!lim", "limb+0"}, {"Other!limb", "2*Plan!$C$2+1"}},
       {},
       10},
      {"a sheet's name through its own name of a cell there",
       {{"solver_rhs1", "Other!lim"}, {"Other!lim", "limb+0"}, {"Other!limb", "Other!$B$1"}},
       {{"Other!B1", "=2*Plan!C2+1"}},
       10},
      {"an unqualified cell in a sheet's name is that sheet's",
       {{"solver_rhs1", "Other!lim"}, {"Other!lim", "limb+0"}, {"Other!limb", "$B$1"}},
       {{"Other!B1", "=2*Plan!C2+1"}, {"B1", "100"}},
       10},
      {"names inside names inside names",
       {{"solver_rhs1", "Other!lima"},
        {"Other!lima", "limb*1"},
        {"Other!limb", "limc+0"},
        {"Other!limc", "2*Plan!$C$2+1"}},
       {},
       10},
      // Other has no wlim of its own: the workbook's, not Plan's.
      {"a sheet's name through a workbook name",
       {{"solver_rhs1", "Other!lim"}, {"Other!lim", "wlim+0"}, {"wlim", "2*Plan!$C$2+1"}, {"Plan!wlim", "100"}},
       {},
       10},
      {"a workbook name through a sheet's name",
       {{"solver_rhs1", "wlim"}, {"wlim", "Other!lim*1"}, {"Other!lim", "limb+0"}, {"Other!limb", "2*Plan!$C$2+1"}},
       {},
       10},
      // x <= 5: 8 at (5, 3).
      {"a workbook name's names are the workbook's", with(kShadowedBase, {{"solver_rhs1", "cap"}}), {}, 8},
      // x <= 10 * (0.2y + 0.1) = 2y + 1, Plan's base 1 standing still.
      {"a workbook name moving through the workbook's name",
       {{"solver_rhs1", "cap"}, {"cap", "base*10"}, {"base", "0.2*Plan!$C$2+0.1"}, {"Plan!base", "1"}},
       {},
       10},
      // x + y + cap on B9: 13 at (5, 3).
      {"a name in the objective", with(kShadowedBase, {{"solver_rhs1", "cap"}}), {{"B9", "=B2+C2+cap-5"}}, 8},
      // D2 = x * cap / 5 <= 7: 10 at (7, 3).
      {"a name on a left-hand side",
       with(kShadowedBase, {{"solver_lhs1", "Plan!$D$2"}, {"solver_rhs1", "7"}}),
       {{"D2", "=B2*cap/5"}},
       10},
  };
  for (const Case& c : cases) {
    const std::string book = scopedPlan(c).save(dir_ / "scoped.xlsx");
    SCOPED_TRACE(c.what);
    for (const char* recalc : {"", " --interpreter"}) {
      CliRun r = corvan("recalc " + book + recalc);
      EXPECT_EQ(r.status, 0) << recalc << "\n" << r.out;
    }
    for (const char* run : kRuns) {
      SCOPED_TRACE(run);
      CliRun r = corvan("solve " + book + " " + run + " --quiet");
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_NEAR(Cli_objective(r.out), c.optimum, 1e-6) << r.out;
    }
  }
}
