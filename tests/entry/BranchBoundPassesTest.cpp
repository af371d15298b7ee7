// Integer models from MIPLIB solved end to end with the LP engine's integer
// passes switched on by their options: presolve (probing, objective fixing,
// bound tightening), cover and Gomory cuts, the rounding heuristic and node
// snapshots with warm starts under the branch-and-bound driver.
#include <cmath>
#include <string>

#include "tests/entry/SessionFixture.h"

namespace {

struct PassesCase {
  const char* label;
  const char* name;
  double optimum;    // optima.csv
  bool everySnapshot;
};

class BranchBoundPasses : public SessionLibrary, public ::testing::WithParamInterface<PassesCase> {};

}  // namespace

TEST_P(BranchBoundPasses, ReachesTheKnownOptimum) {
  const PassesCase& p = GetParam();
  ASSERT_NE(open(std::string("lp/") + p.name + ".xlsx"), nullptr);
  context->engineCount = 5;
  name("solver_eng", "2");
  for (const char* option : {"solver_scl", "solver_pro", "solver_ofx", "solver_ibd", "solver_dua",
                             "solver_phr"})
    name(option, "1");
  name("solver_wbr", p.everySnapshot ? "1" : "0");
  name("solver_rsd", "5");
  name("solver_gop", "3");
  name("solver_cgt", "3");
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("B2"), p.optimum, 1e-6 * std::fabs(p.optimum));
}

INSTANTIATE_TEST_SUITE_P(Miplib, BranchBoundPasses,
                         ::testing::Values(PassesCase{"p0033", "p0033", 3089, false},
                                           PassesCase{"p0033EverySnapshot", "p0033", 3089, true},
                                           PassesCase{"flugpl", "flugpl", 1201500, true}),
                         [](const auto& info) { return std::string(info.param.label); });
