// A database function over variable cells in a compiled model: DSUM of the
// weights whose ages pass a criterion has the gradient of the plain sum of
// those cells, and both agree with central differences of its value.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "interpreter/Eval_Entries.h"
#include "tests/support/SheetSource.h"
#include "values/Model_Variables.h"

namespace {

constexpr int kVariables = 5;

// Ages in a2:a6, the weights (variables) in b2:b6, the criterion age > 20
// in d1:d2; f1 = DSUM of the weights, g1 the plain sum of the selected ones.
struct Database : Workbench {
  Database() {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 2, 2, 6, 2}, kVarContinuous);
    sheet.set("a1", "=\"Age\"");
    sheet.set("b1", "=\"Weight\"");
    const char* ages[] = {"35", "15", "25", "5", "40"};
    for (int i = 0; i < kVariables; ++i) {
      sheet.set("a" + std::to_string(i + 2), ages[i]);
      sheet.set("b" + std::to_string(i + 2), "1");
    }
    sheet.set("d1", "=\"Age\"");
    sheet.set("d2", "=\">20\"");
    sheet.set("f1", "=DSUM(A1:B6,\"Weight\",D1:D2)*B3");
    sheet.set("g1", "=(B2+B4+B6)*B3");
    ok = compile({"f1", "g1"});
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
  }
  void at(const std::vector<double>& x) {
    for (int i = 0; i < kVariables; ++i)
      Model_getVariable(ctx->tables.variables, i + 1)->value =
          Interval{x[static_cast<size_t>(i)], x[static_cast<size_t>(i)]};
  }
  double value(int32_t f, const std::vector<double>& x) {
    at(x);
    double v = NAN;
    return Eval_evalReal(&program, f, true, &v, true) ? v : NAN;
  }
  bool ok = false;
};

TEST(DatabaseModel, DsumOfVariableCellsHasThePlainSumsGradient) {
  Database d;
  ASSERT_TRUE(d.ok) << int(d.ctx->errors.firstError);
  const std::vector<double> x{1.3, -0.4, 2.2, 0.7, 1.9};
  double gradients[2][kVariables] = {}, values[2] = {};
  for (int32_t f = 0; f < 2; ++f) {
    d.at(x);
    ASSERT_TRUE(Eval_evalRealDeriv(&d.program, f, true, &values[f], gradients[f], true, true))
        << int(d.ctx->errors.firstError);
  }
  EXPECT_DOUBLE_EQ(values[0], (1.3 + 2.2 + 1.9) * -0.4);
  EXPECT_EQ(values[0], values[1]);
  const double h = 1e-6;
  for (int i = 0; i < kVariables; ++i) {
    EXPECT_EQ(gradients[0][i], gradients[1][i]) << "d/dx" << i + 1;
    std::vector<double> up = x, down = x;
    up[static_cast<size_t>(i)] += h;
    down[static_cast<size_t>(i)] -= h;
    const double central = (d.value(0, up) - d.value(0, down)) / (2 * h);
    EXPECT_NEAR(gradients[0][i], central, 1e-8) << "d/dx" << i + 1;
  }
}

}  // namespace
