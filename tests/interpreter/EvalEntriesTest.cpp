// Evaluation entries per mode on small models with hand-computed values and
// derivatives: every derivative mode agrees with the truth, constant
// functions zero their outputs, right-hand sides subtract, error cells raise,
// and guards see what the value mode sees.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "arithmetic/affine/Aff_Ops.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Interface.h"
#include "tests/support/SheetSource.h"
#include "values/Aff_Payload.h"
#include "values/DegVec_Payload.h"
#include "values/Model_Variables.h"
#include "values/Vm_Status.h"

namespace {

// A model of the two variables x in a1 and y in b1 with formulas in c1, d1
// and (when given) e1, compiled, the variables at the given boxes.
struct TwoVariables : Workbench {
  TwoVariables(int32_t compact, Interval x, Interval y, const char* c1, const char* d1, const char* e1 = nullptr) {
    ctx->flags.compactDerivatives = compact;
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, 1, 2}, kVarContinuous);
    sheet.set("a1", "0");
    sheet.set("b1", "0");
    sheet.set("c1", c1);
    sheet.set("d1", d1);
    if (e1) sheet.set("e1", e1);
    ok = e1 ? compile({"c1", "d1", "e1"}) : compile({"c1", "d1"});
    ProgBudget budget{};
    ok = ok && Prog_compile(&program, uint64_t{1} << 30, &budget);
    Model_getVariable(ctx->tables.variables, 1)->value = x;
    Model_getVariable(ctx->tables.variables, 2)->value = y;
  }
  bool ok = false;
};

// f = 3x² + 2xy + y² + 4x + 5 in c1 with x in a1, y in b1; g = 7 in d1;
// h = 4x + y² in e1.
struct Quadratic : TwoVariables {
  explicit Quadratic(int32_t compact)
      : TwoVariables(compact, Interval{1.0, 1.0}, Interval{2.0, 2.0}, "=3*a1*a1+2*a1*b1+b1*b1+4*a1+5", "=7",
                     "=4*a1+b1*b1") {}
};

using GradEntry = bool (*)(Program*, int32_t, bool, double*, double*, bool, bool);
using HessEntry = bool (*)(Program*, int32_t, bool, double*, double*, double**, bool, bool);

TEST(EvalEntries, EveryDerivativeModeGivesTheHandComputedValues) {
  for (int32_t compact : {0, 1}) {
    Quadratic q(compact);
    ASSERT_TRUE(q.ok) << int(q.ctx->errors.firstError);
    double value = -1;
    ASSERT_TRUE(Eval_evalReal(&q.program, 0, true, &value, true));
    EXPECT_DOUBLE_EQ(value, 20.0);
    for (GradEntry entry : {Eval_evalRealDeriv, Eval_evalRevGrad}) {
      double g[2] = {-9, -9};
      ASSERT_TRUE(entry(&q.program, 0, true, &value, g, true, true)) << int(q.ctx->errors.firstError);
      EXPECT_DOUBLE_EQ(value, 20.0);
      EXPECT_DOUBLE_EQ(g[0], 14.0);  // 6x + 2y + 4
      EXPECT_DOUBLE_EQ(g[1], 6.0);   // 2x + 2y
    }
    for (HessEntry entry : {Eval_evalHess, Eval_evalHessTape}) {
      double g[3] = {-9, -9, -9}, rows[3][3] = {};
      double* h[3] = {rows[0], rows[1], rows[2]};
      rows[1][1] = 99;
      ASSERT_TRUE(entry(&q.program, 0, true, &value, g, h, false, true)) << int(q.ctx->errors.firstError);
      EXPECT_DOUBLE_EQ(value, 20.0);
      EXPECT_DOUBLE_EQ(g[1], 14.0);
      EXPECT_DOUBLE_EQ(g[2], 6.0);
      EXPECT_DOUBLE_EQ(rows[1][1], 6.0);
      EXPECT_DOUBLE_EQ(rows[1][2], 2.0);
      EXPECT_DOUBLE_EQ(rows[2][1], 2.0);
      EXPECT_DOUBLE_EQ(rows[2][2], 2.0);
    }
    int32_t classes[3] = {9, 9, 9};
    ASSERT_TRUE(Eval_evalDiagnose(&q.program, 2, true, classes, false));
    EXPECT_EQ(classes[1], kDegLinear);
    EXPECT_EQ(classes[2], kDegQuadratic);
  }
}

// Powers in every derivative mode against derivatives worked by hand at
// x = 1.5, y = 0.7: value, gradient and Hessian (xx, xy, yy).
TEST(EvalEntries, PowersGiveTheirDerivativesInEveryMode) {
  const double x = 1.5, y = 0.7, l2 = std::log(2.0), lx = std::log(x);
  struct Case {
    const char* formula;
    double v, gx, gy, hxx, hxy, hyy;
  };
  const Case cases[] = {
      {"=a1^2", x * x, 2 * x, 0, 2, 0, 0},
      {"=a1^3", x * x * x, 3 * x * x, 0, 6 * x, 0, 0},
      {"=2^a1", std::pow(2, x), std::pow(2, x) * l2, 0, std::pow(2, x) * l2 * l2, 0, 0},
      {"=a1^b1", std::pow(x, y), y * std::pow(x, y - 1), std::pow(x, y) * lx, y * (y - 1) * std::pow(x, y - 2),
       std::pow(x, y - 1) * (1 + y * lx), std::pow(x, y) * lx * lx},
      {"=a1^2*b1^2", x * x * y * y, 2 * x * y * y, 2 * x * x * y, 2 * y * y, 4 * x * y, 2 * x * x},
  };
  const char* cells[] = {"c1", "d1", "e1", "f1", "g1"};
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 2}, kVarContinuous);
  w.sheet.set("a1", "1.5");
  w.sheet.set("b1", "0.7");
  for (int i = 0; i < 5; ++i) w.sheet.set(cells[i], cases[i].formula);
  ASSERT_TRUE(w.compile({"c1", "d1", "e1", "f1", "g1"})) << int(w.ctx->errors.firstError);
  ProgBudget budget{};
  ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{x, x};
  Model_getVariable(w.ctx->tables.variables, 2)->value = Interval{y, y};
  const auto near = [](double got, double want) { EXPECT_NEAR(got, want, 1e-12 * (1 + std::fabs(want))); };
  for (int32_t f = 0; f < 5; ++f) {
    SCOPED_TRACE(cases[f].formula);
    const Case& c = cases[f];
    double value = -1;
    ASSERT_TRUE(Eval_evalReal(&w.program, f, true, &value, true));
    near(value, c.v);
    for (GradEntry entry : {Eval_evalRealDeriv, Eval_evalRevGrad}) {
      double g[2] = {-9, -9};
      ASSERT_TRUE(entry(&w.program, f, true, &value, g, true, true)) << int(w.ctx->errors.firstError);
      near(value, c.v);
      near(g[0], c.gx);
      near(g[1], c.gy);
    }
    for (HessEntry entry : {Eval_evalHess, Eval_evalHessTape}) {
      double g[3] = {-9, -9, -9}, rows[3][3] = {};
      double* h[3] = {rows[0], rows[1], rows[2]};
      ASSERT_TRUE(entry(&w.program, f, true, &value, g, h, false, true)) << int(w.ctx->errors.firstError);
      near(value, c.v);
      near(g[1], c.gx);
      near(g[2], c.gy);
      near(rows[1][1], c.hxx);
      near(rows[1][2], c.hxy);
      near(rows[2][1], c.hxy);
      near(rows[2][2], c.hyy);
    }
  }
  // A square is quadratic in its base; other powers are smooth nonlinear.
  const int32_t wantX[] = {kDegQuadratic, kDegSmooth, kDegSmooth, kDegSmooth, kDegSmooth};
  for (int32_t f = 0; f < 5; ++f) {
    int32_t classes[3] = {9, 9, 9};
    ASSERT_TRUE(Eval_evalDiagnose(&w.program, f, true, classes, false));
    EXPECT_EQ(classes[1], wantX[f]) << cases[f].formula;
    uint8_t graph[3] = {9, 9, 9};
    ASSERT_TRUE(Eval_evalDegDag(&w.program, f, true, graph, false));
    EXPECT_EQ(graph[1], wantX[f]) << cases[f].formula;
  }
}

// e = ab + cd + bc + a² (a variable read twice in one product, b and c in
// two products) and f = e b + e, which reads e's cell twice: both
// Hessian entries agree with the Hessians worked by hand over all four
// variables, compact or not.
TEST(EvalEntries, SumsOfProductsGiveTheHandComputedHessian) {
  const double a = 1.5, b = -0.5, c = 2.0, d = 3.0;
  const double e = a * b + c * d + b * c + a * a, ge[5] = {0, b + 2 * a, a + c, d + b, c};
  double he[5][5] = {};
  he[1][1] = 2;
  he[1][2] = he[2][1] = he[2][3] = he[3][2] = he[3][4] = he[4][3] = 1;
  for (int32_t compact : {0, 1}) {
    Workbench w;
    w.ctx->flags.compactDerivatives = compact;
    Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 4}, kVarContinuous);
    const char* names[] = {"a1", "b1", "c1", "d1"};
    const double x[] = {a, b, c, d};
    for (int j = 0; j < 4; ++j) w.sheet.set(names[j], "0");
    w.sheet.set("e1", "=a1*b1+c1*d1+b1*c1+a1*a1");
    w.sheet.set("f1", "=e1*b1+e1");
    ASSERT_TRUE(w.compile({"e1", "f1"})) << int(w.ctx->errors.firstError);
    ProgBudget budget{};
    ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
    for (int j = 0; j < 4; ++j) Model_getVariable(w.ctx->tables.variables, j + 1)->value = Interval{x[j], x[j]};
    for (HessEntry entry : {Eval_evalHess, Eval_evalHessTape}) {
      for (int32_t f = 0; f < 2; ++f) {
        SCOPED_TRACE(f == 0 ? "e" : "f");
        double value = -1, g[5] = {}, rows[5][5] = {};
        double* h[5] = {rows[0], rows[1], rows[2], rows[3], rows[4]};
        ASSERT_TRUE(entry(&w.program, f, true, &value, g, h, false, false)) << int(w.ctx->errors.firstError);
        // f = (b + 1) e: g = (b + 1) ge + e u, H = (b + 1) He + ge u^T + u ge^T with u the unit vector of b.
        const double scale = f == 0 ? 1.0 : b + 1;
        EXPECT_DOUBLE_EQ(value, scale * e);
        for (int i = 1; i <= 4; ++i) {
          EXPECT_DOUBLE_EQ(g[i], scale * ge[i] + (f == 1 && i == 2 ? e : 0.0)) << i;
          for (int j = 1; j <= 4; ++j) {
            const double cross = f == 1 ? (j == 2 ? ge[i] : 0.0) + (i == 2 ? ge[j] : 0.0) : 0.0;
            EXPECT_DOUBLE_EQ(rows[i][j], scale * he[i][j] + cross) << "H" << i << j;
          }
        }
      }
    }
  }
}

// Over the box x in [0.5, 1.5], y in [-1, 2]: the affine form of a linear
// function is the function itself, and the affine range and both interval
// gradients enclose the plain values and hand-computed gradients at every
// point of a grid over the box.
TEST(EvalEntries, AffineFormsAndReverseIntervalGradientsEncloseThePoints) {
  struct Case {
    const char* formula;
    double (*f)(double, double);
    double (*gx)(double, double);
    double (*gy)(double, double);
  };
  const Case cases[] = {
      {"=2*a1-3*b1+1", [](double x, double y) { return 2 * x - 3 * y + 1; }, [](double, double) { return 2.0; },
       [](double, double) { return -3.0; }},
      {"=3*a1*a1+2*a1*b1+b1*b1+4*a1+5", [](double x, double y) { return 3 * x * x + 2 * x * y + y * y + 4 * x + 5; },
       [](double x, double y) { return 6 * x + 2 * y + 4; }, [](double x, double y) { return 2 * x + 2 * y; }},
      {"=EXP(b1)*a1-SQRT(a1)/(b1+3)", [](double x, double y) { return std::exp(y) * x - std::sqrt(x) / (y + 3); },
       [](double x, double y) { return std::exp(y) - 0.5 / std::sqrt(x) / (y + 3); },
       [](double x, double y) { return std::exp(y) * x + std::sqrt(x) / ((y + 3) * (y + 3)); }},
  };
  const Interval box[3] = {{0, 0}, {0.5, 1.5}, {-1, 2}};
  const char* cells[] = {"c1", "d1", "e1"};
  for (int32_t compact : {0, 1}) {
    Workbench w;
    w.ctx->flags.compactDerivatives = compact;
    Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 2}, kVarContinuous);
    w.sheet.set("a1", "1");
    w.sheet.set("b1", "1");
    for (int k = 0; k < 3; ++k) w.sheet.set(cells[k], cases[k].formula);
    ASSERT_TRUE(w.compile({"c1", "d1", "e1"})) << int(w.ctx->errors.firstError);
    ProgBudget budget{};
    ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
    for (int32_t f = 0; f < 3; ++f) {
      SCOPED_TRACE(cases[f].formula);
      for (int j = 1; j <= 2; ++j) Model_getVariable(w.ctx->tables.variables, j)->value = box[j];
      AffineForm form{};
      ASSERT_TRUE(Eval_evalAffine(&w.program, f, true, &form, false)) << int(w.ctx->errors.firstError);
      const Interval range = Aff_toIvl(&form, true);
      Interval value{}, plain{}, forward[3]{}, reverse[3]{};
      int32_t curvature = 0;
      ASSERT_TRUE(Eval_evalInterval(&w.program, f, true, &plain, false));
      ASSERT_TRUE(Eval_evalIvGrad(&w.program, f, true, &value, forward, &curvature, false, false));
      ASSERT_TRUE(Eval_evalIvRevGrad(&w.program, f, true, &value, reverse, false, false))
          << int(w.ctx->errors.firstError);
      EXPECT_EQ(value.lo, plain.lo);
      EXPECT_EQ(value.hi, plain.hi);
      if (f == 0) {  // exact: centre at the box's midpoint, no error term
        EXPECT_EQ(form.centre, 2 * 1.0 - 3 * 0.5 + 1);
        EXPECT_EQ(form.radius, 0.0);
        EXPECT_EQ(form.coef[1], 2.0);
        EXPECT_EQ(form.coef[2], -3.0);
        EXPECT_NEAR(range.lo, 2 * 0.5 - 3 * 2 + 1, 1e-14);
        EXPECT_NEAR(range.hi, 2 * 1.5 - 3 * -1 + 1, 1e-14);
      }
      for (int a = 0; a <= 8; ++a)
        for (int b = 0; b <= 8; ++b) {
          const double x = box[1].lo + a * 0.125, y = box[2].lo + b * 0.375;
          const double at[2] = {x, y};
          double v = 0;
          Eval_setPoint(w.ctx->tables, at);
          ASSERT_TRUE(Eval_evalReal(&w.program, f, true, &v, false));
          EXPECT_NEAR(v, cases[f].f(x, y), 1e-12 * (1 + std::fabs(v)));
          EXPECT_TRUE(range.lo <= v && v <= range.hi) << v << " at " << x << ", " << y;
          for (const Interval* g : {forward, reverse}) {
            EXPECT_TRUE(g[1].lo <= cases[f].gx(x, y) && cases[f].gx(x, y) <= g[1].hi);
            EXPECT_TRUE(g[2].lo <= cases[f].gy(x, y) && cases[f].gy(x, y) <= g[2].hi);
          }
        }
      Aff_free(&form);
    }
  }
}

// With compact derivatives slot 1 is each function's own first variable: a
// later function without reset must read its own box, not the last one's.
TEST(EvalEntries, AffineFormsOfTwoFunctionsReadTheirOwnBoxes) {
  TwoVariables w(1, Interval{0, 1}, Interval{10, 30}, "=2*a1", "=3*b1");
  ASSERT_TRUE(w.ok);
  AffineForm form{};
  ASSERT_TRUE(Eval_evalAffine(&w.program, 0, true, &form, false));
  ASSERT_TRUE(Eval_evalAffine(&w.program, 1, false, &form, false));
  const Interval range = Aff_toIvl(&form, false);
  EXPECT_DOUBLE_EQ(range.lo, 30.0);
  EXPECT_DOUBLE_EQ(range.hi, 90.0);
  Aff_free(&form);
}

// The Hessian replays take each variable's current value (or box) at its
// gradient position: with compact derivatives a function of the second
// variable alone finds it at position 1. f = x³y in c1 and g = y³ in d1 at
// x = 3, y = 2.
TEST(EvalEntries, HessianReplaysReadTheVariablesAtTheirPositions) {
  for (int32_t compact : {0, 1}) {
    TwoVariables w(compact, Interval{3.0, 3.0}, Interval{2.0, 2.0}, "=a1*a1*a1*b1", "=b1*b1*b1");
    ASSERT_TRUE(w.ok);
    double value = 0, g[3] = {}, rows[3][3] = {};
    double* h[3] = {rows[0], rows[1], rows[2]};
    ASSERT_TRUE(Eval_evalHessTape(&w.program, 0, true, &value, g, h, false, false));
    EXPECT_DOUBLE_EQ(value, 54.0);
    EXPECT_DOUBLE_EQ(rows[1][1], 36.0);  // 6xy
    EXPECT_DOUBLE_EQ(rows[1][2], 27.0);  // 3x²
    EXPECT_DOUBLE_EQ(rows[2][1], 27.0);
    EXPECT_DOUBLE_EQ(rows[2][2], 0.0);
    const int32_t y = compact ? 1 : 2;
    double cube[3][3] = {};
    double* hc[3] = {cube[0], cube[1], cube[2]};
    ASSERT_TRUE(Eval_evalHessTape(&w.program, 1, true, &value, g, hc, false, false));
    EXPECT_DOUBLE_EQ(value, 8.0);
    EXPECT_DOUBLE_EQ(cube[y][y], 12.0);  // 6y
    Interval box{}, ig[3] = {}, irows[3][3] = {};
    Interval* ih[3] = {irows[0], irows[1], irows[2]};
    ASSERT_TRUE(Eval_evalIvHessTape(&w.program, 1, true, &box, ig, ih, false, false));
    EXPECT_LE(irows[y][y].lo, 12.0);
    EXPECT_GE(irows[y][y].hi, 12.0);
    EXPECT_NEAR(irows[y][y].lo, 12.0, 1e-9);
    EXPECT_NEAR(irows[y][y].hi, 12.0, 1e-9);
  }
}

TEST(EvalEntries, ConstantFunctionZeroesOutputsAndStillHasItsValue) {
  Quadratic q(1);
  ASSERT_TRUE(q.ok);
  q.functions->array[1]->rhs = 2.0;
  // No variables of its own: the value must still be computed, not left.
  double value = -1, g[1] = {-9}, rows[1][1] = {{-9}};
  double* h[1] = {rows[0]};
  ASSERT_TRUE(Eval_evalRealDeriv(&q.program, 1, true, &value, g, true, true));
  EXPECT_DOUBLE_EQ(value, 5.0);  // 7 less the right-hand side 2
  ASSERT_TRUE(Eval_evalHess(&q.program, 1, true, &value, g, h, true, false));
  EXPECT_DOUBLE_EQ(value, 7.0);
  ASSERT_TRUE(Eval_evalRevGrad(&q.program, 1, true, &value, g, true, false));
  EXPECT_DOUBLE_EQ(value, 7.0);
  AffineForm form{};
  ASSERT_TRUE(Eval_evalAffine(&q.program, 1, true, &form, true));
  EXPECT_EQ(form.centre, 5.0);
  EXPECT_EQ(form.radius, 0.0);
  Aff_free(&form);
  EXPECT_EQ(q.functions->array[1]->variables.size(), 0u);
}

TEST(EvalEntries, ErrorResultRaisesAtItsCell) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "0");
  w.sheet.set("b1", "=1/a1");
  ASSERT_TRUE(w.compile({"b1"}));
  double value = 0, g[1] = {0};
  EXPECT_FALSE(Eval_evalRealDeriv(&w.program, 0, true, &value, g, true, false));
  EXPECT_GT(w.ctx->errors.errorCount, 0);
  EXPECT_EQ(w.ctx->errors.errorCell.row, 1);
  EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
  EXPECT_FALSE(Eval_evalUnsupported(&w.program, kModeInterval));
  EXPECT_EQ(w.ctx->errors.firstError, kStatusInvalidOperation);
}

// Runs function f in one of the real modes: its value and its derivative
// in the one variable, false when the entry fails.
struct RealMode {
  const char* name;
  bool (*run)(Program* p, int32_t f, double* value, double* slope);
};

const RealMode kRealModes[] = {
    {"value", [](Program* p, int32_t f, double* value, double* slope) {
       *slope = 1.0;  // the guarded functions' slope, which this mode does not compute
       return Eval_evalReal(p, f, true, value, false);
     }},
    {"gradient", [](Program* p, int32_t f, double* value, double* slope) {
       return Eval_evalRealDeriv(p, f, true, value, slope, true, false);
     }},
    {"reverse tape", [](Program* p, int32_t f, double* value, double* slope) {
       return Eval_evalRevGrad(p, f, true, value, slope, true, false);
     }},
    {"Hessian", [](Program* p, int32_t f, double* value, double* slope) {
       double row[1] = {0};
       double* h[1] = {row};
       return Eval_evalHess(p, f, true, value, slope, h, true, false);
     }},
    {"Hessian replay", [](Program* p, int32_t f, double* value, double* slope) {
       double row[1] = {0};
       double* h[1] = {row};
       return Eval_evalHessTape(p, f, true, value, slope, h, true, false);
     }},
};

// Products, powers, EXP and a division by a tiny number beyond the doubles
// at x = 1 in a1, the one variable: in every real mode the unguarded formula
// in b1 fails with status 26 at b1, and the guarded one in c1 sees the
// error value and gives 7 + x (slope 1), as the value mode has it; a1 + 1
// in d1 after them still evaluates. The interval of the overflow is an
// enclosure with an infinite end, not an error.
TEST(EvalEntries, AnOverflowIsTheSameErrorValueInEveryRealMode) {
  const char* const overflowing[] = {"a1*1E300*1E300", "(a1*1E200)^2", "10^(400*a1)",  "EXP(1000*a1)",
                                     "a1*1E10/1E-300", "-EXP(a1*800)", "a1*1E300*1E8+a1*1E300*1E8"};
  for (const char* x : overflowing) {
    SCOPED_TRACE(x);
    Workbench w;
    Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
    w.sheet.set("a1", "1");
    w.sheet.set("b1", std::string("=") + x);
    w.sheet.set("c1", std::string("=IF(ISERROR(") + x + "),7,1)+a1");
    w.sheet.set("d1", "=a1+1");
    ASSERT_TRUE(w.compile({"b1", "c1", "d1"}));
    ProgBudget budget{};
    ASSERT_TRUE(Prog_compile(&w.program, uint64_t{1} << 30, &budget));
    Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{1.0, 1.0};
    for (const RealMode& mode : kRealModes) {
      SCOPED_TRACE(mode.name);
      double value = 0, slope = 0;
      EXPECT_FALSE(mode.run(&w.program, 0, &value, &slope));
      EXPECT_EQ(w.ctx->errors.firstError, kStatusOverflow);
      EXPECT_EQ(w.ctx->errors.errorCell.row, 1);
      EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
      ASSERT_TRUE(mode.run(&w.program, 1, &value, &slope)) << int(w.ctx->errors.firstError);
      EXPECT_EQ(value, 8.0);
      EXPECT_EQ(slope, 1.0);
      ASSERT_TRUE(mode.run(&w.program, 2, &value, &slope)) << int(w.ctx->errors.firstError);
      EXPECT_EQ(value, 2.0);
    }
    Interval enclosure{};
    EXPECT_TRUE(Eval_evalInterval(&w.program, 0, true, &enclosure, false));
    EXPECT_TRUE(std::isinf(enclosure.lo) || std::isinf(enclosure.hi));
  }
}

// An overflow that functions read from another cell is status 26 at each
// function's cell, also when the second reads the cell the first computed
// in the same pass.
TEST(EvalEntries, AnOverflowReadFromAnotherCellIsStatus26AtEachFunction) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "1");
  w.sheet.set("b1", "=EXP(a1*1000)");
  w.sheet.set("c1", "=b1+1");
  w.sheet.set("d1", "=SUM(b1,a1)");
  ASSERT_TRUE(w.compile({"c1", "d1"}));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{1.0, 1.0};
  for (int32_t f : {0, 1}) {
    double value = 0;
    EXPECT_FALSE(Eval_evalReal(&w.program, f, f == 0, &value, false));
    EXPECT_EQ(w.ctx->errors.firstError, kStatusOverflow);
    EXPECT_EQ(w.ctx->errors.errorCell.column, f + 3);
  }
}

// An error value that is no overflow is status 40 at the function's cell,
// also after a guarded overflow in the same formula.
TEST(EvalEntries, AnErrorValueThatIsNoOverflowIsStatus40AtItsCell) {
  Workbench w;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "-1");
  w.sheet.set("b1", "=SQRT(a1)");
  w.sheet.set("c1", "=IF(ISERROR(a1*1E300*1E300),0,1)+1/(a1+1)");
  ASSERT_TRUE(w.compile({"b1", "c1"}));
  Model_getVariable(w.ctx->tables.variables, 1)->value = Interval{-1.0, -1.0};
  for (int32_t f : {0, 1}) {
    SCOPED_TRACE(f);
    double value = 0;
    EXPECT_FALSE(Eval_evalReal(&w.program, f, true, &value, false));
    EXPECT_EQ(w.ctx->errors.firstError, kStatusErrorValueReturned);
    EXPECT_EQ(w.ctx->errors.errorCell.column, f + 2);
  }
}

// A cell of a sheet and what it holds.
struct CellText {
  const char* cell;
  const char* text;
};

// The one variable x = 7.3 in a1 and a formula of it in b1, compiled, with
// the cells it reads beside them.
struct OneVariable : Workbench {
  explicit OneVariable(const std::string& formula, std::initializer_list<CellText> cells = {}) {
    Model_addVariableRange(ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
    sheet.set("a1", "7.3");
    sheet.set("b1", formula);
    for (const CellText& c : cells) sheet.set(c.cell, c.text);
    ProgBudget budget{};
    ok = compile({"b1"}) && Prog_compile(&program, uint64_t{1} << 30, &budget);
    Model_getVariable(ctx->tables.variables, 1)->value = Interval{7.3, 7.3};
  }
  bool ok = false;
};

// At a1 = 7.3, every real mode gives the value mode's (a1-3)^2 = 18.49,
// the derivative modes with slope 8.6, or fails with an error value at the
// formula's cell; the interval mode, where it computes, encloses 18.49.
void expectTheValueModesBranchOrAMark(OneVariable& w) {
  for (const RealMode& mode : kRealModes) {
    SCOPED_TRACE(mode.name);
    const bool derivative = std::string(mode.name) != "value";
    double value = 0, slope = 0;
    if (!mode.run(&w.program, 0, &value, &slope)) {
      EXPECT_TRUE(derivative);
      EXPECT_EQ(w.ctx->errors.firstError, kStatusErrorValueReturned);
      EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
      continue;
    }
    EXPECT_NEAR(value, 18.49, 1e-9);
    if (derivative) {
      EXPECT_NEAR(slope, 8.6, 1e-9);
    }
  }
  Interval enclosure{};
  if (Eval_evalInterval(&w.program, 0, true, &enclosure, false)) {
    EXPECT_TRUE(enclosure.lo <= 18.49 && 18.49 <= enclosure.hi) << enclosure.lo << " " << enclosure.hi;
  }
}

// Guards around functions without derivatives at x = 7.3: the value mode
// takes (x - 3)^2 = 18.49 (slope 8.6). No derivative or interval mode may
// see "no derivative" as an error value and take the guard's constant
// branch: each fails with status 40 at the cell, as the unguarded formula
// does, or gives the value mode's branch.
TEST(EvalEntries, AGuardNeverSeesAMissingDerivativeAsAnErrorValue) {
  const char* const functions[] = {"INT(a1)", "ROUND(a1,0)", "MOD(a1,2)", "EVEN(a1)", "COMBIN(a1+3,2)", "FACT(a1)"};
  const char* const guards[] = {"=IF(ISERROR(%s),1E6,(a1-3)^2)",  "=IF(ISERR(%s),1E6,(a1-3)^2)",
                                "=IF(ISNUMBER(%s),(a1-3)^2,1E6)", "=IF(ISNA(ERROR.TYPE(%s)),(a1-3)^2,1E6)",
                                "=IF(TYPE(%s)=16,1E6,(a1-3)^2)",  "=IF(ISNA(%s),1E6,(a1-3)^2)",
                                "=IF(ISERROR(%s+0),1E6,(a1-3)^2)"};
  for (const char* f : functions)
    for (const char* guard : guards) {
      char formula[128];
      std::snprintf(formula, sizeof formula, guard, f);
      SCOPED_TRACE(formula);
      OneVariable w(formula);
      ASSERT_TRUE(w.ok);
      expectTheValueModesBranchOrAMark(w);
    }
}

// What guards see in every real mode as in the value mode: an error value
// of the worksheet's own, and the variable itself as a number.
TEST(EvalEntries, GuardsSeeErrorsAndNumbersAsTheValueModeDoes) {
  struct Case {
    const char* formula;
    double value, slope;
  };
  const Case cases[] = {{"=IF(ISERROR(INT(\"x\")),2,0)*a1", 14.6, 2},
                        {"=IF(ISNUMBER(a1),(a1-3)^2,1E6)", 18.49, 8.6},
                        {"=TYPE(a1)*a1", 7.3, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    OneVariable w(c.formula);
    ASSERT_TRUE(w.ok);
    for (const RealMode& mode : kRealModes) {
      SCOPED_TRACE(mode.name);
      double value = 0, slope = 0;
      ASSERT_TRUE(mode.run(&w.program, 0, &value, &slope)) << int(w.ctx->errors.firstError);
      EXPECT_NEAR(value, c.value, 1e-9);
      if (std::string(mode.name) != "value") {
        EXPECT_NEAR(slope, c.slope, 1e-9);
      }
    }
  }
}

// The cells the formulas below read: INT(x) in c1, which no derivative or
// interval mode computes, 9 in c2 and a lookup column beside them; a
// database with its header "x" in e1:e3 and the criteria "> 6" in f1:f2
// (texts as formulas that give them).
const std::initializer_list<CellText> kKindCells = {{"c1", "=INT(a1)"}, {"c2", "9"},      {"d1", "1"},
                                                    {"d2", "0"},        {"e1", "=\"x\""}, {"e2", "=INT(a1)"},
                                                    {"e3", "5"},        {"f1", "=\"x\""}, {"f2", "=\">6\""}};

// Functions that tell values apart by their kind, over a value no
// derivative or interval mode computes (INT(x), 7 in the value mode): the
// value mode takes (x - 3)^2 = 18.49 (slope 8.6) at x = 7.3, and so must
// every other mode or fail with status 40 at b1, never taking the constant
// branch as though INT(x) were no number or matched nothing.
TEST(EvalEntries, EveryFunctionThatLooksAtAKindPassesAMissingDerivativeOn) {
  const char* const formulas[] = {
      "=IF(COUNT(INT(a1))=1,(a1-3)^2,1E6)",
      "=IF(COUNT(ROUND(a1,0))=1,(a1-3)^2,1E6)",
      "=IF(COUNT(MATCH(a1,{1,5,9}))=1,(a1-3)^2,1E6)",
      "=IF(COUNT(c1:c2)=2,(a1-3)^2,1E6)",
      "=IF(COUNTA(INT(a1))=1,(a1-3)^2,1E6)",
      "=IF(COUNTBLANK(c1)=0,(a1-3)^2,1E6)",
      "=IF(COUNTIF(c1:c2,7)=1,(a1-3)^2,1E6)",
      "=IF(COUNTIF(c2,c1)=0,(a1-3)^2,1E6)",
      "=IF(SUMIF(c1:c2,7,d1:d2)=1,(a1-3)^2,1E6)",
      "=IF(SUBTOTAL(2,c1:c2)=2,(a1-3)^2,1E6)",
      "=IF(SUBTOTAL(2,c1)=1,(a1-3)^2,1E6)",
      "=IF(SUBTOTAL(3,c1:c2)=2,(a1-3)^2,1E6)",
      "=IF(DCOUNT(e1:e3,\"x\",f1:f2)=1,(a1-3)^2,1E6)",
      "=IF(DCOUNTA(e1:e3,1,f1:f2)=1,(a1-3)^2,1E6)",
      "=IF(DSUM(e1:e3,1,f1:f2)=7,(a1-3)^2,1E6)",
      "=IF(ISNA(MATCH(7,c1:c2,0)),1E6,(a1-3)^2)",
      "=IF(ISNA(VLOOKUP(7,c1:d2,2,FALSE)),1E6,(a1-3)^2)",
      "=IF(ISNA(HLOOKUP(7,c1,1,FALSE)),1E6,(a1-3)^2)",
      "=IF(ISNA(LOOKUP(7,c1:c2)),1E6,(a1-3)^2)",
      "=IF(ISNA(LOOKUP(7,c1:c2,d1:d2)),1E6,(a1-3)^2)",
  };
  for (const char* formula : formulas) {
    SCOPED_TRACE(formula);
    OneVariable w(formula, kKindCells);
    ASSERT_TRUE(w.ok) << int(w.ctx->errors.firstError);
    expectTheValueModesBranchOrAMark(w);
  }
}

// Every real mode takes the guard's branch (x - 3)^2 at x = 7.3: 18.49,
// with slope 8.6 where the mode has one.
void expectTheGuardsBranch(OneVariable* w) {
  for (const RealMode& mode : kRealModes) {
    SCOPED_TRACE(mode.name);
    double value = 0, slope = 0;
    ASSERT_TRUE(mode.run(&w->program, 0, &value, &slope)) << int(w->ctx->errors.firstError);
    EXPECT_NEAR(value, 18.49, 1e-9);
    if (std::string(mode.name) != "value") {
      EXPECT_NEAR(slope, 8.6, 1e-9);
    }
  }
}

// A count or a test of kind over a value no derivative mode computes (INT,
// ROUND, MATCH or a join of the variable, 7, 7, 2 and the text "7.3%" in the
// value mode) is what the value mode answers, without slope: every real mode
// takes the value mode's branch, (x - 3)^2 = 18.49 with slope 8.6 at x = 7.3.
TEST(EvalEntries, ACountOfAValueWithoutSlopeHasTheValueModesCount) {
  const char* const formulas[] = {
      "=IF(COUNT(INT(a1))=1,(a1-3)^2,1E6)",           "=IF(COUNT(ROUND(a1,0))=1,(a1-3)^2,1E6)",
      "=IF(COUNT(MATCH(a1,{1,5,9}))=1,(a1-3)^2,1E6)", "=IF(COUNT(a1&\"%\")=1,(a1-3)^2,1E6)",
      "=IF(COUNT(c1:c2)=2,(a1-3)^2,1E6)",            "=IF(COUNTA(INT(a1))=1,(a1-3)^2,1E6)",
      "=IF(COUNTBLANK(c1)=0,(a1-3)^2,1E6)",           "=IF(ISNUMBER(INT(a1)),(a1-3)^2,1E6)",
      "=IF(ISTEXT(a1&\"%\"),(a1-3)^2,1E6)",          "=IF(TYPE(ROUND(a1,0))=1,(a1-3)^2,1E6)",
      "=IF(ISERROR(INT(a1)),1E6,(a1-3)^2)",           "=IF(ISLOGICAL(a1<a1+1),(a1-3)^2,1E6)",
  };
  for (const char* formula : formulas) {
    SCOPED_TRACE(formula);
    OneVariable w(formula, kKindCells);
    ASSERT_TRUE(w.ok) << int(w.ctx->errors.firstError);
    expectTheGuardsBranch(&w);
  }
}

// A "#value!" that the value mode gives too at the same point is the
// worksheet's own error: guards see it in every mode and take the branch
// the value mode takes, with its derivatives, and the interval mode
// encloses that branch.
TEST(EvalEntries, AWorksheetErrorOfTheValueModeIsNoMissingDerivative) {
  const char* const formulas[] = {
      "=IF(ISERROR(SUM(a1,\"abc\")),(a1-3)^2,1000)", "=IF(ISERROR(DATE(a1,\"x\",1)),(a1-3)^2,1000)",
      "=IF(ISERR(ROUND(a1,\"x\")),(a1-3)^2,1000)", "=IF(ERROR.TYPE(SUM(a1,\"abc\"))=3,(a1-3)^2,1000)"};
  for (const char* formula : formulas) {
    SCOPED_TRACE(formula);
    OneVariable w(formula);
    ASSERT_TRUE(w.ok) << int(w.ctx->errors.firstError);
    expectTheGuardsBranch(&w);
    Interval enclosure{};
    ASSERT_TRUE(Eval_evalInterval(&w.program, 0, true, &enclosure, false)) << int(w.ctx->errors.firstError);
    EXPECT_TRUE(enclosure.lo <= 18.49 && 18.49 <= enclosure.hi) << enclosure.lo << " " << enclosure.hi;
  }
}

// Counts, statistics, comparisons and joins of the variable: in every real
// mode the value mode's value and slope, or, where the formula has no
// derivatives, the failure of its evaluation (status 40 at b1); never a
// value that drops the variable. SUBTOTAL's average has every mode:
// (1 + x) / 2 has slope 0.5; criteria and comparisons take the variable by
// its value; a join of its digits has no derivatives.
TEST(EvalEntries, EveryRealModeGivesTheValueModesAnswerOrNone) {
  struct Case {
    const char* formula;
    double value, slope;
    bool computed;  // in every mode
  };
  const Case cases[] = {
      {"=SUBTOTAL(1,d1,a1)", 4.15, 0.5, true},
      {"=SUBTOTAL(1,a1)", 7.3, 1, true},
      {"=SUBTOTAL(2,a1,d1)*a1", 14.6, 2, true},
      {"=MEDIAN(a1,1)", 4.15, 0.5, false},
      {"=MAXA(a1)", 7.3, 1, false},
      {"=MINA(a1,9)", 7.3, 1, false},
      {"=LARGE(a1,1)", 7.3, 1, false},
      {"=COUNTIF(a1,\">7\")*a1", 7.3, 1, true},
      {"=SUMIF(a1,a1)", 7.3, 1, true},
      {"=SUMIF(a1,\"<7\",a1)+a1", 7.3, 1, true},
      {"=GEOMEAN(a1,a1)", 7.3, 1, false},
      {"=VALUE(a1&2)", 7.32, 1, false},
      {"=MAX(TRUE,a1-7)", 1, 0, true},
      {"=MIN(\"9\",a1)", 7.3, 1, true},
      {"=a1-(a1<a1+1)", 6.3, 1, true},
      {"=SUM(a1<>a1*2)*a1", 7.3, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    OneVariable w(c.formula, kKindCells);
    ASSERT_TRUE(w.ok) << int(w.ctx->errors.firstError);
    for (const RealMode& mode : kRealModes) {
      SCOPED_TRACE(mode.name);
      const bool derivative = std::string(mode.name) != "value";
      double value = 0, slope = 0;
      if (!mode.run(&w.program, 0, &value, &slope)) {
        EXPECT_TRUE(derivative && !c.computed);
        EXPECT_EQ(w.ctx->errors.firstError, kStatusErrorValueReturned);
        EXPECT_EQ(w.ctx->errors.errorCell.column, 2);
        continue;
      }
      EXPECT_NEAR(value, c.value, 1e-9);
      if (derivative) {
        EXPECT_NEAR(slope, c.slope, 1e-9);
      }
    }
  }
}

// Every derivative entry answers false when it fails: a function without
// variables whose value is an error (1/0), and an index past the function
// table.
TEST(EvalEntries, TheDerivativeEntriesReportTheirFailures) {
  Workbench w;
  w.ctx->flags.compactDerivatives = 1;
  Model_addVariableRange(w.ctx->tables.variables, RangeRef{1, 1, 1, 1, 1}, kVarContinuous);
  w.sheet.set("a1", "1");
  w.sheet.set("b1", "=1/0");
  ASSERT_TRUE(w.compile({"b1"}));
  double value = 0, g[2] = {0, 0}, row[2] = {0, 0};
  double* h[2] = {row, row};
  Interval iv{}, ig[2] = {}, irow[2] = {};
  Interval* ih[2] = {irow, irow};
  int32_t curvature = 0;
  for (int32_t f : {0, 7}) {
    SCOPED_TRACE(f);
    EXPECT_FALSE(Eval_evalRealDeriv(&w.program, f, true, &value, g, false, false));
    EXPECT_FALSE(Eval_evalRevGrad(&w.program, f, true, &value, g, false, false));
    EXPECT_FALSE(Eval_evalHess(&w.program, f, true, &value, g, h, false, false));
    EXPECT_FALSE(Eval_evalHessTape(&w.program, f, true, &value, g, h, false, false));
    EXPECT_FALSE(Eval_evalIvGrad(&w.program, f, true, &iv, ig, &curvature, false, false));
    EXPECT_FALSE(Eval_evalIvRevGrad(&w.program, f, true, &iv, ig, false, false));
    EXPECT_FALSE(Eval_evalIvHess(&w.program, f, true, &iv, ig, ih, false, false));
    EXPECT_FALSE(Eval_evalIvHessTape(&w.program, f, true, &iv, ig, ih, false, false));
    EXPECT_GT(w.ctx->errors.errorCount, 0);
  }
}

}  // namespace

namespace {

using Entries = std::map<std::pair<int, int>, double>;

int collect(LibraryContext*, void* user, int i, int j, double value, void*) {
  (*static_cast<Entries*>(user))[{i, j}] = value;
  return 1;
}

// An objective of y alone, f = y² + 3y at (1, 2): its gradient over both
// variables is (0, 7), whether its derivatives come over its own variables
// and are spread, or over all of them.
TEST(EvalInterface, ObjectiveGradientCoversEveryVariable) {
  for (int32_t compact : {0, 1}) {
    TwoVariables t(compact, Interval{0, 0}, Interval{0, 0}, "=b1*b1+3*b1", "=7");
    ASSERT_TRUE(t.ok);
    t.ctx->tables.program = &t.program;
    t.ctx->tables.functions = t.functions;
    t.functions->array[0]->relation = kRelMinimise;
    const double x[2] = {1, 2};
    double value = 0, g[2] = {-9, -9};
    ASSERT_EQ(Eval_objectiveAt(t.ctx->flags, t.ctx->tables, &value, g, x), 1);
    EXPECT_DOUBLE_EQ(value, 10.0) << compact;
    EXPECT_EQ(g[0], 0.0) << compact;
    EXPECT_DOUBLE_EQ(g[1], 7.0) << compact;
  }
}

TEST(EvalInterface, QuadraticTermsAndGradientsAtZero) {
  for (int32_t compact : {0, 1}) {
    Quadratic q(compact);
    ASSERT_TRUE(q.ok);
    q.ctx->tables.program = &q.program;
    q.ctx->tables.functions = q.functions;
    q.functions->array[0]->relation = kRelMinimise;
    const double zero[2] = {0, 0};
    Entries hess;
    ASSERT_EQ(Eval_hessianAt(q.ctx, &hess, collect, nullptr, zero, 0, kHessQuadraticTerms), 1);
    const Entries wantHess{{{0, 0}, 3}, {{0, 1}, 1}, {{1, 0}, 1}, {{1, 1}, 1}, {{-1, 0}, 4}, {{-1, 1}, 0}, {{-1, -1}, 5}};
    EXPECT_EQ(hess, wantHess);
    Entries jac;
    ASSERT_EQ(Eval_gradientsAt(q.ctx, &jac, collect, nullptr, zero, 0), 1);
    EXPECT_EQ(jac[std::make_pair(2, 0)], 4.0);  // 4x + y²
    EXPECT_EQ(jac[std::make_pair(2, 1)], 0.0);
    EXPECT_EQ(jac.count({0, 0}), 0u);           // the objective left out
    double f[3] = {}, x[2] = {1, 2}, g[2] = {};
    ASSERT_EQ(Eval_valuesAt(q.ctx->tables, f, x), 1);
    EXPECT_DOUBLE_EQ(f[2], 20.0);  // objective last
    EXPECT_DOUBLE_EQ(f[0], 7.0);
    EXPECT_DOUBLE_EQ(f[1], 8.0);
    double value = 0;
    ASSERT_EQ(Eval_objectiveAt(q.ctx->flags, q.ctx->tables, &value, g, x), 1);
    EXPECT_DOUBLE_EQ(value, 20.0);
    EXPECT_DOUBLE_EQ(g[0], 14.0);
    EXPECT_DOUBLE_EQ(g[1], 6.0);
  }
}

}  // namespace
