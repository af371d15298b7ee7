// Integer models from MIPLIB solved end to end: `Solve` action 0 runs the
// LP/quadratic engine under the branch-and-bound driver on the workbook and
// leaves the known optimum in the objective cell, with the engine's integer
// passes (presolve, cuts, rounding heuristic, node snapshots) off or on.
#include <cmath>
#include <string>

#include "tests/support/SessionFixture.h"

namespace {

struct KnownOptimum {
  const char* label;
  const char* name;
  double optimum;   // optima.csv
  bool passes, everySnapshot;
};

class BranchBoundSolve : public SessionLibrary,
                         public ::testing::WithParamInterface<KnownOptimum> {};

}  // namespace

TEST_P(BranchBoundSolve, ReachesTheKnownOptimum) {
  const KnownOptimum& p = GetParam();
  ASSERT_NE(open(std::string("lp/") + p.name + ".xlsx"), nullptr);
  context->engineCount = 5;   // as if the engines had been listed
  name("solver_eng", "2");    // the LP/quadratic engine
  if (p.passes) {
    for (const char* option : {"solver_scl", "solver_pro", "solver_ofx", "solver_ibd", "solver_dua",
                               "solver_phr"})
      name(option, "1");
    name("solver_wbr", p.everySnapshot ? "1" : "0");
    name("solver_rsd", "5");
    name("solver_gop", "3");
    name("solver_cgt", "3");
  }
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("B2"), p.optimum, 1e-6 * std::fabs(p.optimum));
}

INSTANTIATE_TEST_SUITE_P(
    Miplib, BranchBoundSolve,
    ::testing::Values(KnownOptimum{"p0033", "p0033", 3089, false, false},
                      KnownOptimum{"flugpl", "flugpl", 1201500, false, false},
                      KnownOptimum{"p0033Passes", "p0033", 3089, true, false},
                      KnownOptimum{"p0033EverySnapshot", "p0033", 3089, true, true},
                      KnownOptimum{"flugplPasses", "flugpl", 1201500, true, true}),
    [](const auto& info) { return std::string(info.param.label); });
