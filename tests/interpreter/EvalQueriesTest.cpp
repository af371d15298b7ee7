// Evaluation with a cut-off and the queries of a loaded model, on x in a1:
// objective b1 = x² (minimise), c1 = x + 1 <= 3, d1 = 2x = 4.
#include <gtest/gtest.h>

#include "interpreter/Eval_Interface.h"
#include "interpreter/Eval_Queries.h"
#include "tests/support/SheetSource.h"
#include "values/Model_Variables.h"

namespace {

struct CutoffModel : Workbench {
  CutoffModel() {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
    sheet.set("a1", "1");
    sheet.set("b1", "=a1*a1");
    sheet.set("c1", "=a1+1");
    sheet.set("d1", "=2*a1");
    ok = compile({"b1", "c1", "d1"});
    const int32_t relations[] = {kRelMinimise, kRelLessEqual, kRelEqual};
    const double rhs[] = {0, 3, 4};
    for (int k = 0; k < 3; ++k) functions->items[k]->relation = relations[k], functions->items[k]->rhs = rhs[k];
    Model_buildItemArray(functions);  // the objective last: c1, d1, b1
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
    ctx->tables.program = &program;
  }
  bool ok = false;
};

TEST(EvalQueries, CutoffEvaluatesTheObjectiveFirstAndStopsAtTheFirstFailure) {
  CutoffModel m;
  ASSERT_TRUE(m.ok);
  const double x[] = {2.0};
  struct Case {
    double bound;
    bool order;
    int32_t want;
    double f[3];  // c1, d1, b1; -9 where nothing was evaluated
  };
  const Case cases[] = {
      {10.0, false, 1, {3.0, 4.0, 4.0}},   // every function once, each at its index
      {3.0, false, 0, {-9, -9, 4.0}},      // the objective 4 > 3 stops at once
      {10.0, true, 0, {3.0, -9, 4.0}},     // objective, then c1 = 3 <= 3, then d1 = 4 = 4: passes
  };
  for (const Case& c : cases) {
    double f[3] = {-9, -9, -9};
    const int32_t order[] = {2, 0, 1};
    const int32_t got = Eval_valuesWithCutoff(m.ctx->tables, f, x, c.bound, c.order ? order : nullptr, 1e-9);
    if (c.order) {
      EXPECT_EQ(got, 1);
      continue;
    }
    EXPECT_EQ(got, c.want) << c.bound;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(f[i], c.f[i]) << "function " << i;
  }
  // With an order, a constraint violated beyond the tolerance stops the walk.
  double f[3] = {-9, -9, -9};
  const double far[] = {3.0};
  const int32_t order[] = {2, 0, 1};
  EXPECT_EQ(Eval_valuesWithCutoff(m.ctx->tables, f, far, 100.0, order, 1e-9), 0);  // c1 = 4 > 3
  EXPECT_EQ(f[1], -9);
}

TEST(EvalQueries, SizesAndStructureQueries) {
  CutoffModel m;
  ASSERT_TRUE(m.ok);
  EXPECT_EQ(Eval_query(m.ctx->flags, m.ctx->tables, kEvalQueryVariables), 1);
  EXPECT_EQ(Eval_query(m.ctx->flags, m.ctx->tables, kEvalQueryFunctions), 3);
  EXPECT_EQ(Eval_query(m.ctx->flags, m.ctx->tables, kEvalQueryIntegers), 0);
  EXPECT_EQ(Eval_query(m.ctx->flags, m.ctx->tables, kEvalQueryLinearFunctions), 0);  // no diagnosis yet
  EXPECT_EQ(Eval_query(m.ctx->flags, m.ctx->tables, kEvalQueryClassCode), 1);
  double lower[1] = {7}, upper[1] = {7}, rowLower[3] = {7, 7, 7}, rowUpper[3] = {7, 7, 7};
  Eval_addedBounds(m.ctx->tables, 1, 0, lower, upper, rowLower, rowUpper, -1e30, 1e30);
  EXPECT_EQ(lower[0], 7);  // no added variables
  EXPECT_EQ(rowLower[0], -1e30);
  EXPECT_EQ(rowUpper[0], 3);
  EXPECT_EQ(rowLower[1], 4);
  EXPECT_EQ(rowUpper[1], 4);
  EXPECT_EQ(rowLower[2], -1e30);
  EXPECT_EQ(rowUpper[2], 1e30);
}

}  // namespace
