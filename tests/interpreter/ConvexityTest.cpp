// Convexity tester: known curvatures (kinks included), soundness of every convex or concave
// verdict against Hessians sampled by finite differences over generated
// functions, the spectral tests on hand-made interval matrices, and box
// contraction that never loses a feasible point.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ModelBench.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "interpreter/Cvx_Tester.h"
#include "interpreter/Eval_Entries.h"
#include "values/IvGrad_Payload.h"
#include "values/Model_Variables.h"
#include "worksheet/kernels/Mat_Dense.h"

namespace {

bool convex(int32_t c) { return c == kCurvConvex || c == kCurvStrictlyConvex; }
bool concave(int32_t c) { return c == kCurvConcave || c == kCurvStrictlyConcave; }

// A model with its convexity tester.
struct CvxBench : ModelBench {
  ConvexityTester* tester = nullptr;
  CvxBench(const std::vector<std::string>& formulas, const std::vector<Interval>& boxes,
           const std::vector<int32_t>& relations = {}, const std::vector<double>& rhs = {})
      : ModelBench(formulas, relations, rhs, boxes) {
    tester = Cvx_create(ctx, &program);
  }
  ~CvxBench() { Cvx_destroy(tester); }
  int32_t classOf(int32_t i, bool replay) {
    int32_t c = -1;
    EXPECT_TRUE(Cvx_testFunction(tester, i, true, &c, replay)) << int(ctx->errors.firstError);
    return c;
  }
};

TEST(Convexity, KnownCurvatures) {
  struct Case {
    const char* formula;
    bool convex, concave;
  };
  const Case cases[] = {{"=a1^2", true, false},      {"=EXP(a1)", true, false}, {"=a1^4", true, false},
                        {"=-(a1^2)", false, true},     {"=a1*b1", false, false},  {"=(a1+2*b1)^2-a1", true, false},
                        {"=3*a1-b1+2", true, true},
                        // kinks inside the box
                        {"=ABS(a1)", true, false},         {"=MAX(a1,b1)", true, false},
                        {"=MIN(a1,b1)", false, true},      {"=MAX(a1^2,b1)", true, false},
                        {"=MIN(a1^2,b1^2)", false, false}, {"=MAX(-(a1^2),-(b1^2))", false, false},
                        {"=ABS(a1^2-1)", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.formula);
    CvxBench b({c.formula}, {{-2.0, 3.0}, {-1.0, 2.0}});
    ASSERT_TRUE(b.ok) << int(b.ctx->errors.firstError);
    for (bool replay : {false, true}) {
      const int32_t cls = b.classOf(0, replay);
      EXPECT_EQ(convex(cls) || cls == kCurvAffine, c.convex) << cls;
      EXPECT_EQ(concave(cls) || cls == kCurvAffine, c.concave) << cls;
    }
  }
}

// The spectral tests on matrices whose definiteness is known.
TEST(Convexity, IntervalHessianClasses) {
  auto matrix = [](std::vector<std::vector<Interval>> m) {
    static std::vector<std::vector<Interval>> keep;
    keep = std::move(m);
    static std::vector<Interval*> rows;
    rows.assign(keep.size() + 1, nullptr);
    for (size_t r = 0; r < keep.size(); ++r) {
      keep[r].insert(keep[r].begin(), Interval{0, 0});
      rows[r + 1] = keep[r].data();
    }
    return rows.data();
  };
  EXPECT_EQ(Cvx_classifyIvHessian(2, matrix({{{-1, -0.5}, {0, 0}}, {{0, 0}, {1, 2}}})), kCurvIndefinite);
  EXPECT_EQ(Cvx_classifyIvHessian(2, matrix({{{2, 3}, {-0.5, 0.5}}, {{-0.5, 0.5}, {1, 2}}})), kCurvStrictlyConvex);
  EXPECT_EQ(Cvx_classifyIvHessian(2, matrix({{{-3, -2}, {-0.5, 0.5}}, {{-0.5, 0.5}, {-2, -1}}})),
            kCurvStrictlyConcave);
  EXPECT_EQ(Cvx_classifyIvHessian(2, matrix({{{0, 0}, {1, 1}}, {{1, 1}, {0, 0}}})), kCurvIndefinite);
  bool answer = true;
  EXPECT_TRUE(Cvx_isDefiniteByNorms(2, matrix({{{1, 1}, {0, 0}}, {{0, 0}, {1, 1}}}), &answer));
  EXPECT_FALSE(answer);
  EXPECT_TRUE(Cvx_isDefiniteByNorms(2, matrix({{{0, 0}, {0, 0}}, {{0, 0}, {0, 0}}}), &answer));
  EXPECT_TRUE(answer);
  EXPECT_TRUE(Cvx_isPsdEigenBound(2, matrix({{{3, 3.2}, {0.9, 1.1}}, {{0.9, 1.1}, {2, 2.1}}})));
  EXPECT_FALSE(Cvx_isPsdEigenBound(2, matrix({{{1, 1}, {2, 2}}, {{2, 2}, {1, 1}}})));
}

// A random polynomial in three variables, written as a formula.
std::string generated(std::mt19937& rng) {
  static const char* monomials[] = {"a1^2",     "b1^2",         "c1^2",        "a1*b1",    "b1*c1",
                                    "a1*c1",    "a1^4",         "(a1+2*b1)^2", "(a1-c1)^2", "a1^3",
                                    "a1",       "b1*b1*b1*b1",  "(b1-c1)^4",   "c1",       "a1*a1*b1",
                                    "EXP(a1)",  "EXP(b1-c1)",   "a1*EXP(c1)"};
  std::uniform_int_distribution<int> count(1, 3), pick(0, 17), coef(-3, 3);
  std::string text = "=0";
  for (int k = count(rng); k > 0; --k) {
    const int c = coef(rng);
    text += "+(" + std::to_string(c == 0 ? 1 : c) + ")*" + monomials[pick(rng)];
  }
  return text;
}

// The Hessian at x by central differences of the value.
void differenceHessian(Workbench& b, const double* x, double h[3][3]) {
  auto value = [&](const double* p) {
    for (int j = 0; j < 3; ++j) Model_getVariable(b.ctx->tables.variables, j + 1)->value = Interval{p[j], p[j]};
    double v = 0;
    EXPECT_TRUE(Eval_evalReal(&b.program, 0, true, &v, false));
    return v;
  };
  const double d = 1e-3;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double p[3] = {x[0], x[1], x[2]}, s = 0;
      for (int si : {-1, 1})
        for (int sj : {-1, 1}) {
          double q[3] = {p[0], p[1], p[2]};
          q[i] += si * d;
          q[j] += sj * d;
          s += si * sj * value(q);
        }
      h[i][j] = s / (4 * d * d);
    }
}

// Whether h + tol I (sign 1) or -h + tol I (sign -1) is positive definite.
bool definiteWithin(double h[3][3], double sign, double tol) {
  double cells[4][4] = {};
  double* rows[4] = {cells[0], cells[1], cells[2], cells[3]};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) cells[i + 1][j + 1] = sign * h[i][j] + (i == j ? tol : 0.0);
  return Mat_cholesky(rows, 3);
}

TEST(Convexity, VerdictsHoldAtSampledPoints) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int decided = 0;
  for (int f = 0; f < 150; ++f) {
    const std::string formula = generated(rng);
    std::vector<Interval> boxes;
    for (int j = 0; j < 3; ++j) {
      const double lo = -2 + 3 * unit(rng);
      boxes.push_back({lo, lo + 0.5 + unit(rng)});
    }
    CvxBench b({formula}, boxes);
    ASSERT_TRUE(b.ok) << formula;
    const int32_t cls = b.classOf(0, f % 2 == 0);
    if (!convex(cls) && !concave(cls)) continue;
    ++decided;
    for (int s = 0; s < 20; ++s) {
      double x[3], h[3][3];
      for (int j = 0; j < 3; ++j) x[j] = boxes[j].lo + (boxes[j].hi - boxes[j].lo) * unit(rng);
      differenceHessian(b, x, h);
      EXPECT_TRUE(definiteWithin(h, convex(cls) ? 1.0 : -1.0, 1e-4)) << formula << " class " << cls;
    }
  }
  EXPECT_GT(decided, 30);
}

// min x + y subject to x² + y² >= 50 over [0, 10]²: most sampled points are
// infeasible and better than the optimum (√50, 0); the box keeps it.
TEST(Convexity, ContractionKeepsTheConstrainedOptimum) {
  CvxBench b({"=a1^2+b1^2", "=a1+b1"}, {{0, 10}, {0, 10}}, {kRelGreaterEqual2, kRelMinimise}, {50, 0});
  ASSERT_TRUE(b.ok);
  bool feasible = false, touching = false;
  ASSERT_TRUE(Cvx_contractBox(b.tester, &feasible, &touching));
  EXPECT_TRUE(feasible);
  EXPECT_TRUE(Ivl_contains(b.tester->box[1], std::sqrt(50.0)));
  EXPECT_TRUE(Ivl_contains(b.tester->box[2], 0.0));
  for (int j = 1; j <= 2; ++j) {
    EXPECT_EQ(Model_getVariable(b.ctx->tables.variables, j)->bounds.lo, 0.0);
    EXPECT_EQ(Model_getVariable(b.ctx->tables.variables, j)->bounds.hi, 10.0);
  }
}

TEST(Convexity, RowsNarrowBoundsAndFindInfeasibility) {
  {
    CvxBench b({"=a1+b1", "=a1-b1"}, {{0, 10}, {0, 10}}, {kRelLessEqual2, kRelGreaterEqual2}, {4, 1});
    bool feasible = false, touching = false;
    Cvx_contractBox(b.tester, &feasible, &touching);
    EXPECT_TRUE(feasible);
    const Interval x = Model_getVariable(b.ctx->tables.variables, 1)->bounds,
                   y = Model_getVariable(b.ctx->tables.variables, 2)->bounds;
    EXPECT_NEAR(x.lo, 1.0, 1e-9);  // x >= 1 + y >= 1
    EXPECT_NEAR(x.hi, 4.0, 1e-9);
    EXPECT_NEAR(y.hi, 3.0, 1e-9);
  }
  CvxBench b({"=a1+b1", "=a1+b1+50"}, {{0, 10}, {0, 10}}, {kRelEqual, kRelFree2}, {30, 0});
  bool feasible = true, touching = false;
  Cvx_contractBox(b.tester, &feasible, &touching);
  EXPECT_FALSE(feasible);
  CvxBench free({"=a1+b1+50"}, {{0, 10}, {0, 10}}, {kRelFree2}, {0});
  Cvx_contractBox(free.tester, &feasible, &touching);
  EXPECT_TRUE(feasible);  // a row without limits is no constraint
}

}  // namespace
