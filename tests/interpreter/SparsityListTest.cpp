// Sparsity lists of a diagnosed model: Hessians and Jacobians restricted to
// the variables on which a function depends nonlinearly, in both derivative
// layouts. Model: a1, b1, c1; g = 2a + 3c (linear), f = a + b² + b·c
// (objective). At (1, 2, 3): df/db = 2b + c = 7, df/dc = b = 2, and the
// Hessian over (b, c) is [[2, 1], [1, 0]].
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "ModelBench.h"
#include "interpreter/Eval_Diagnosis.h"
#include "interpreter/Eval_Interface.h"

namespace {

using Entries = std::map<std::pair<int, int>, double>;

int collect(LibraryContext*, void* user, int i, int j, double value, void*) {
  (*static_cast<Entries*>(user))[{i, j}] = value;
  return 1;
}

struct Sparse : ModelBench {
  explicit Sparse(int32_t compact)
      : ModelBench({"=2*a1+3*c1", "=a1+b1^2+b1*c1"}, {kRelLessEqual2, kRelMinimise}, {1, 0},
                   {{-5, 5}, {-5, 5}, {-5, 5}}) {
    // The compact lists come from the compile step: run it again.
    ctx->flags.compactDerivatives = compact;
    ProgBudget budget{};
    ok = ok && (compact == 0 || Prog_compile(&program, uint64_t{1} << 30, &budget));
  }
  bool diagnose() {
    DiagnosisFindings findings;
    int32_t failed = -1;
    return Eval_diagnose(ctx, DiagnosisRequest{}, &findings, &failed) == kDiagnosisDone;
  }
};

TEST(SparsityList, NonlinearHessianAndJacobianLeaveTheLinearVariableOut) {
  const double x[] = {1, 2, 3};
  const Entries want{{{1, 1}, 2}, {{1, 2}, 1}, {{2, 1}, 1}, {{2, 2}, 0}, {{-1, 1}, 7}, {{-1, 2}, 2}};
  for (int32_t compact : {0, 1}) {
    Sparse m(compact);
    ASSERT_TRUE(m.ok);
    // Before a diagnosis no list can be built.
    EXPECT_EQ(Eval_gradientsAt(m.ctx, nullptr, nullptr, nullptr, x, kJacBuildLists), 0);
    ASSERT_TRUE(m.diagnose());
    Entries hess;
    ASSERT_EQ(Eval_hessianAt(m.ctx, &hess, collect, nullptr, x, 1, kHessNonlinearOnly | kHessGradient), 1);
    EXPECT_EQ(hess, want) << "compact " << compact;
    Entries jac;
    ASSERT_EQ(Eval_gradientsAt(m.ctx, &jac, collect, nullptr, x, kJacNonlinear | kJacIncludeObjective), 1);
    const Entries wantJac{{{1, 1}, 7}, {{1, 2}, 2}};
    EXPECT_EQ(jac, wantJac) << "compact " << compact;
  }
}

TEST(SparsityList, FullListKeepsEveryDependentVariable) {
  const double x[] = {1, 2, 3};
  Sparse m(1);
  ASSERT_TRUE(m.ok && m.diagnose());
  // Without a callback only the list is built.
  EXPECT_EQ(Eval_gradientsAt(m.ctx, nullptr, nullptr, nullptr, x, kJacBuildLists), 1);
  EXPECT_EQ(m.ctx->tables.structure->fullListBuilt, 1);
  Entries jac;
  ASSERT_EQ(Eval_gradientsAt(m.ctx, &jac, collect, nullptr, x, kJacIncludeObjective), 1);
  const Entries want{{{0, 0}, 2}, {{0, 2}, 3}, {{1, 0}, 1}, {{1, 1}, 7}, {{1, 2}, 2}};
  EXPECT_EQ(jac, want);
}

}  // namespace
