// Integer models from MIPLIB solved end to end: `Solve` action 0 runs the
// LP/quadratic engine under the branch-and-bound driver on the workbook and
// leaves the known optimum in the objective cell.
#include <cmath>
#include <string>

#include "tests/entry/SessionFixture.h"

namespace {

struct KnownOptimum {
  const char* name;
  double optimum;   // optima.csv
};

class BranchBoundSolve : public SessionLibrary,
                         public ::testing::WithParamInterface<KnownOptimum> {};

}  // namespace

TEST_P(BranchBoundSolve, ReachesTheKnownOptimum) {
  const KnownOptimum& p = GetParam();
  ASSERT_NE(open(std::string("lp/") + p.name + ".xlsx"), nullptr);
  context->engineCount = 5;   // as if the engines had been listed
  name("solver_eng", "2");    // the LP/quadratic engine
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_NEAR(valueAt("B2"), p.optimum, 1e-6 * std::fabs(p.optimum));
}

INSTANTIATE_TEST_SUITE_P(Miplib, BranchBoundSolve,
                         ::testing::Values(KnownOptimum{"p0033", 3089},
                                           KnownOptimum{"flugpl", 1201500}),
                         [](const auto& info) { return std::string(info.param.name); });
