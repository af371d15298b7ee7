// A guard around a function without derivatives, solved with the model's
// derivatives from the interpreter ("solver_dia" 2): the guard must not take
// "no derivative" for an error value of the cell, which would make its
// constant branch the objective and the start point "solved", nor a count
// or a match take it for no number; and a worksheet error the value mode
// shows is no missing derivative.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// The objective the run printed ("Plan!F1 = 12.5"); NaN when none.
double printedObjective(const CliRun& r) {
  const size_t at = r.out.find("Plan!F1 = ");
  return at == std::string::npos ? std::nan("") : std::strtod(r.out.c_str() + at + 10, nullptr);
}

// The formula in F1 over B1 and C1 (starts 7.3 and 5, both in [0, 10]),
// minimised (typ 2) or maximised (typ 1) by engine eng, with D1 = B1 + C1
// held at or below 12 when limited.
std::string twoVariableModel(const std::filesystem::path& path, const std::string& formula, const char* typ,
                             const char* eng, bool limited) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$F$1"},
             {"solver_typ", typ},
             {"solver_adj", "Plan!$B$1:$C$1"},
             {"solver_num", limited ? "3" : "2"},
             {"solver_lhs1", "Plan!$B$1:$C$1"},
             {"solver_rel1", "1"},
             {"solver_rhs1", "10"},
             {"solver_lhs2", "Plan!$B$1:$C$1"},
             {"solver_rel2", "3"},
             {"solver_rhs2", "0"},
             {"solver_lhs3", "Plan!$D$1"},
             {"solver_rel3", "1"},
             {"solver_rhs3", "12"},
             {"solver_eng", eng}};
  p.cells = {{"B1", "7.3"}, {"C1", "5"}, {"D1", "=B1+C1"}, {"F1", formula}};
  return p.save(path);
}

}  // namespace

// A worksheet error that the value mode shows at the same point is no
// missing derivative: the guard takes its branch, and the run reaches the
// optimum. A function that has no derivatives is passed on by every
// function that counts or matches values by their kind: the run ends as the
// unguarded formula does, with status 40 at F1, or at the optimum; never
// "solved" at the start (18.49, or 4 from the constant branch's neighbour).
TEST_F(GuardedDerivatives, RunsSolveOrFailAsTheValueModeHasIt) {
  struct Case {
    const char* formula;
    const char* typ;
    const char* engine;  // the engine option, "" for the model's own
    bool limited;
    double optimum;
    bool mayFail;  // with status 40 at F1
  };
  const Case cases[] = {
      {"=IF(ISERROR(SUM(B1,\"abc\")),(B1-3)^2+(C1-1)^2,1000)", "2", "", false, 0, false},
      {"=IF(ISERROR(DATE(B1,\"x\",1)),(B1-3)^2+(C1-1)^2,1000)", "2", "", false, 0, false},
      {"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "2", "", false, 0, true},
      {"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "2", " --engine 4", false, 0, true},
      {"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "2", " --engine 5", false, 0, true},
      {"=IF(COUNT(ROUND(B1,0))=1,(B1-3)^2,1E+6)", "2", "", false, 0, true},
      {"=IF(COUNT(INT(B1))=1,2*B1+C1,100)", "1", " --engine 2", true, 22, true},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.formula) + c.engine);
    const std::string book =
        twoVariableModel(dir_ / ("model" + std::to_string(k++) + ".xlsx"), c.formula, c.typ, "1", c.limited);
    CliRun r = corvan("solve " + book + c.engine + " --option dia=2 --quiet");
    if (r.status == 0) {
      EXPECT_NEAR(printedObjective(r), c.optimum, 1e-4) << r.out;
      continue;
    }
    EXPECT_TRUE(c.mayFail) << r.out;
    EXPECT_EQ(r.status, 1) << r.out;
    const size_t at = r.out.find("(interpreter status 40) ");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" at Plan!$F$1 (", at), std::string::npos) << r.out;
  }
}

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
      const size_t at = r.out.find("(interpreter status 40) ");
      ASSERT_NE(at, std::string::npos) << r.out;
      const std::string line = r.out.substr(at, r.out.find('\n', at) - at);
      EXPECT_NE(line.find(" at Plan!$F$1 ("), std::string::npos) << line;
      EXPECT_NE(line.find(c.function), std::string::npos) << line;
    }
}
