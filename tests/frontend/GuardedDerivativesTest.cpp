// A guard around a function without derivatives, solved with the model's
// derivatives from the interpreter ("solver_dia" 2): the guard must not take
// "no derivative" for an error value of the cell, which would make its
// constant branch the objective and the start point "solved".
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using GuardedDerivatives = ScratchTest;

// Minimise the formula in F1 over B1 (start 7.3, 0 <= B1 <= 10) by GRG.
std::string guardedModel(const std::filesystem::path& path, const std::string& formula) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$F$1"}, {"solver_typ", "2"},  {"solver_adj", "Plan!$B$1"},
             {"solver_num", "2"},         {"solver_lhs1", "Plan!$B$1"}, {"solver_rel1", "1"},
             {"solver_rhs1", "10"},       {"solver_lhs2", "Plan!$B$1"}, {"solver_rel2", "3"},
             {"solver_rhs2", "0"},        {"solver_eng", "1"}};
  p.cells = {{"B1", "7.3"}, {"F1", formula}};
  return p.save(path);
}

}  // namespace

// (B1 - 3)^2 behind a guard on INT, ROUND, MOD, EVEN, COMBIN or FACT of B1:
// its minimum is 0 at 3, and 18.49 at the start. Under "solver_dia" 2 the
// run ends as the unguarded formula's does, with status 40 at F1 naming the
// function, or reaches the minimum; never "solved" at the start.
TEST_F(GuardedDerivatives, AGuardAroundAFunctionWithoutDerivativesNeverEndsSolvedAtTheStart) {
  struct Case {
    const char* function;
    const char* call;
  };
  const Case cases[] = {{"INT", "INT(B1)"},       {"ROUND", "ROUND(B1,0)"},      {"MOD", "MOD(B1,2)"},
                        {"EVEN", "EVEN(B1)"},     {"COMBIN", "COMBIN(B1+3,2)"}, {"FACT", "FACT(B1)"}};
  const char* const guards[] = {"=IF(ISERROR(%s),1E+6,(B1-3)^2)", "=IF(ISNUMBER(%s),(B1-3)^2,1E+6)"};
  int k = 0;
  for (const Case& c : cases)
    for (const char* guard : guards) {
      char formula[128];
      std::snprintf(formula, sizeof formula, guard, c.call);
      SCOPED_TRACE(formula);
      CliRun r = corvan("solve " + guardedModel(dir_ / ("guard" + std::to_string(k++) + ".xlsx"), formula) +
                        " --option dia=2 --quiet");
      EXPECT_FALSE(r.has("= 18.49")) << r.out;
      if (r.status == 0) {
        EXPECT_TRUE(r.has("objective (minimise) Plan!F1 = 0")) << r.out;
        continue;
      }
      EXPECT_EQ(r.status, 1) << r.out;
      const size_t at = r.out.find("status 40: ");
      ASSERT_NE(at, std::string::npos) << r.out;
      const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
      EXPECT_NE(line.find(" at Plan!$F$1 ("), std::string::npos) << line;
      EXPECT_NE(line.find(c.function), std::string::npos) << line;
    }
}
