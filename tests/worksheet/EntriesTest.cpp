// A model written with worksheet functions, evaluated through the
// interpreter's entries in every derivative mode (forward, reverse tape,
// forward and replayed Hessians) against derivatives worked by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "interpreter/Eval_Entries.h"
#include "tests/support/SheetSource.h"
#include "values/Model_Variables.h"

namespace {

// f = EXP(x) (x^2 + y^2) + MAX(x, y) + POLY3(x, 1, 2, 3, 4) at x = 1, y = 2.
TEST(WorksheetEntries, FunctionsGiveTheirDerivativesInEveryMode) {
  const double e = std::exp(1.0);
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 2}, kVarContinuous);
  w.sheet.set("a1", "1");
  w.sheet.set("b1", "2");
  w.sheet.set("c1", "=EXP(a1)*SUMPRODUCT(a1:b1,a1:b1)+MAX(a1,b1)+POLY3(a1,1,2,3,4)");
  ASSERT_TRUE(w.compile({"c1"})) << int(w.ctx->errors.firstError);
  ProgBudget budget{};
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{1.0, 1.0};
  Model_getVariable(w.ctx->tables.variables, 2)->value = Interval{2.0, 2.0};
  const double v = 5 * e + 2 + 10, gx = 7 * e + 20, gy = 4 * e + 1;
  double value = 0;
  for (auto entry : {Eval_evalRealDeriv, Eval_evalRevGrad}) {
    double g[2] = {};
    ASSERT_TRUE(entry(&w.program, 0, true, &value, g, true, true)) << int(w.ctx->errors.firstError);
    EXPECT_NEAR(value, v, 1e-12);
    EXPECT_NEAR(g[0], gx, 1e-12);
    EXPECT_NEAR(g[1], gy, 1e-12);
  }
  for (auto entry : {Eval_evalHess, Eval_evalHessTape}) {
    double g[3] = {}, rows[3][3] = {};
    double* h[3] = {rows[0], rows[1], rows[2]};
    ASSERT_TRUE(entry(&w.program, 0, true, &value, g, h, false, true)) << int(w.ctx->errors.firstError);
    EXPECT_NEAR(g[1], gx, 1e-12);
    EXPECT_NEAR(rows[1][1], 11 * e + 30, 1e-12);
    EXPECT_NEAR(rows[1][2], 4 * e, 1e-12);
    EXPECT_NEAR(rows[2][2], 2 * e, 1e-12);
  }
}

}  // namespace
