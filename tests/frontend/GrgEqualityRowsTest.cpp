// Models that hold a total at a right-hand side with "=", solved by GRG
// through `corvan solve` from a start off the row: with the stored options,
// with conjugate-gradient directions (nwt=2) and with the interpreter's
// analysis (dia=2), each reaches the optimum worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using GrgEqualityRows = ScratchTest;

// The objective value printed after "= " on the objective line.
double objectiveOf(const CliRun& r) {
  size_t at = r.out.find("objective (");
  if (at == std::string::npos) return -999;
  at = r.out.find("= ", at);
  return at == std::string::npos ? -999 : std::strtod(r.out.c_str() + at + 2, nullptr);
}

struct EqualityCase {
  const char* what;
  const char* variables;  // the variable cells
  std::vector<std::pair<std::string, std::string>> cells;
  const char* options;
  double optimum;
};

// Minimise Plan!B9 over the variable cells, GRG, non-negative variables,
// subject to Plan!B6 = Plan!C6.
Plan equalityModel(const EqualityCase& c) {
  Plan p;
  p.names = {{"solver_opt", "Plan!$B$9"},  {"solver_typ", "2"},          {"solver_adj", c.variables},
             {"solver_num", "1"},          {"solver_lhs1", "Plan!$B$6"}, {"solver_rel1", "2"},
             {"solver_rhs1", "Plan!$C$6"}, {"solver_neg", "1"},          {"solver_eng", "1"}};
  p.cells = c.cells;
  p.objectiveFormat = "0.000000";
  return p;
}

// One variable from 1 that must equal the right-hand side, minimised.
std::vector<std::pair<std::string, std::string>> single(const char* rhs) {
  return {{"B2", "1"}, {"B6", "=B2"}, {"C6", rhs}, {"B9", "=B2"}};
}

// Costs 0.21 and 0.48 of two products from 0 that must total 2000: the
// cheaper takes it all, 420 at (2000, 0).
const std::vector<std::pair<std::string, std::string>> kTwoProducts = {{"B2", "0"},
                                                                       {"C2", "0"},
                                                                       {"B3", "0.21"},
                                                                       {"C3", "0.48"},
                                                                       {"B6", "=SUM(B2:C2)"},
                                                                       {"C6", "2000"},
                                                                       {"B9", "=SUMPRODUCT(B2:C2,B3:C3)"}};

}  // namespace

TEST_F(GrgEqualityRows, ReachTheOptimumFromAStartOffTheRow) {
  const EqualityCase cases[] = {
      {"x = 387", "Plan!$B$2", single("387"), "", 387},
      {"x = 1500", "Plan!$B$2", single("1500"), "", 1500},
      {"x = 5000", "Plan!$B$2", single("5000"), "", 5000},
      {"x = 1500, analysed", "Plan!$B$2", single("1500"), " --option dia=2", 1500},
      {"two products", "Plan!$B$2:$C$2", kTwoProducts, "", 420},
      {"two products, conjugate gradients", "Plan!$B$2:$C$2", kTwoProducts, " --option nwt=2", 420},
      {"two products, analysed", "Plan!$B$2:$C$2", kTwoProducts, " --option dia=2", 420},
  };
  int k = 0;
  for (const EqualityCase& c : cases) {
    const std::string file = equalityModel(c).save(dir_ / ("model" + std::to_string(++k) + ".xlsx"));
    CliRun r = corvan("solve " + file + c.options);
    EXPECT_EQ(r.status, 0) << c.what << "\n" << r.out;
    EXPECT_NEAR(objectiveOf(r), c.optimum, 1e-6 * c.optimum) << c.what << "\n" << r.out;
  }
}
