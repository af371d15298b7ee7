// The interval-gradient (kind 9) and interval-Hessian (kind 11) families:
// over random sub-boxes, point values (long double), point gradients and
// point Hessians (from the kind-6 and kind-8 families) lie inside the
// interval ones for every operation; worked cases and curvature classes.
#include <gtest/gtest.h>

#include "IntervalFamilies.h"
#include "arithmetic/interval/Curv_Class.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "values/Vm_Status.h"

namespace {

struct Fixture {
  double x[3] = {0, 0.3, -0.2};
  EvalContext* ctx = makeContext(2, x);
  Fixture() {
    IvGrad_init(ctx->buffers.ivGradBuffer, 2, ctx);
    IvHess_init(ctx->buffers.ivHessBuffer, 2, ctx);
    ctx->flags.curvature = 1;
  }
  ~Fixture() { freeContext(ctx); }
};

TEST(IntervalFamiliesTest, PointDerivativesLieInTheIntervalOnes) {
  Fixture f;
  BoxGenerator gen;
  for (const Case& c : kCases) {
    for (int k = 0; k < 150; ++k) {
      const Interval box[3] = {{}, skeletonBox(gen), skeletonBox(gen)};
      IvGradFamily g9;
      g9.ctx = f.ctx, g9.box = box, g9.n = 2;
      const IvGradValue* r9 = build(g9, c);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      IvHessFamily g11;
      g11.ctx = f.ctx, g11.box = box, g11.n = 2;
      const IvHessValue* r11 = build(g11, c);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      ASSERT_EQ(f.ctx->errors.errorCount, 0) << c.name;
      const std::vector<double> p1 = gen.points(box[1], 12), p2 = gen.points(box[2], 12);
      for (size_t s = 0; s < p1.size(); ++s) {
        LongFamily plain{{0, p1[s], p2[s]}};
        const long double v = build(plain, c);
        ASSERT_TRUE(encloses(r9->value, v) && encloses(r11->value, v)) << c.name << " at " << p1[s] << ", " << p2[s];
        if (s % 3) continue;
        f.x[1] = p1[s], f.x[2] = p2[s];
        GradFamily grad;
        grad.ctx = f.ctx, grad.x = f.x, grad.n = 2;
        HessFamily hess;
        hess.ctx = f.ctx, hess.x = f.x, hess.n = 2;
        const GradValue* g = build(grad, c);
        const HessValue* h = build(hess, c);
        for (int i = 1; i <= 2; ++i) {
          ASSERT_TRUE(nearlyInside(r9->gradient[i], g->gradient[i]) && nearlyInside(r11->gradient[i], g->gradient[i]))
              << c.name << " d/dx" << i << " at " << p1[s] << ", " << p2[s] << ": " << g->gradient[i] << " not in ["
              << r9->gradient[i].lo << ", " << r9->gradient[i].hi << "]";
          for (int j = 1; j <= 2; ++j)
            ASSERT_TRUE(nearlyInside(r11->hessian[i][j], h->hessian[i][j]))
                << c.name << " H" << i << j << " at " << p1[s] << ", " << p2[s] << ": " << h->hessian[i][j];
        }
      }
    }
  }
}

// One variable over [lo, hi] in both families.
struct OneVariable {
  double x[2] = {0, 0};
  EvalContext* ctx = makeContext(1, x);
  IvGradValue g{};
  IvHessValue h{};
  OneVariable(double lo, double hi) {
    IvGrad_init(ctx->buffers.ivGradBuffer, 1, ctx);
    IvHess_init(ctx->buffers.ivHessBuffer, 1, ctx);
    ctx->flags.curvature = 1;
    IvGrad_init(&g, 1, ctx);
    IvGrad_setVar(&g, Interval{lo, hi}, 1);
    IvHess_init(&h, 1, ctx);
    IvHess_setVar(&h, Interval{lo, hi}, 1);
  }
  ~OneVariable() {
    IvGrad_free(&g);
    IvHess_free(&h);
    freeContext(ctx);
  }
};

TEST(IntervalFamiliesTest, WorkedCases) {
  OneVariable v(1, 2);
  IvGradValue sq = IvGrad_mul(&v.g, &v.g);
  EXPECT_EQ(sq.value.lo, 1);
  EXPECT_EQ(sq.value.hi, 4);
  EXPECT_EQ(sq.gradient[1].lo, 2);
  EXPECT_EQ(sq.gradient[1].hi, 4);
  EXPECT_EQ(sq.curvature, kCurvConvex);
  IvGradValue diff = IvGrad_sub(&v.g, &v.g);
  EXPECT_EQ(diff.value.lo, -1);
  EXPECT_EQ(diff.gradient[1].hi, 0);
  EXPECT_EQ(diff.curvature, kCurvAffine);
  IvHessValue hs = IvHess_mul(&v.h, &v.h);
  EXPECT_EQ(hs.hessian[1][1].lo, 2);
  EXPECT_EQ(hs.hessian[1][1].hi, 2);
  hs = IvHess_exp(&v.h);
  EXPECT_LE(hs.hessian[1][1].lo, std::exp(1.0));
  EXPECT_GE(hs.hessian[1][1].hi, std::exp(2.0));
  EXPECT_EQ(v.ctx->errors.errorCount, 0);
  IvGradValue bad = IvGrad_powVI(&v.g, -1);  // fine on [1, 2]
  EXPECT_EQ(v.ctx->errors.errorCount, 0);
  EXPECT_EQ(IvGrad_pow(&v.g, &v.g).curvature, kCurvUnknown);
  (void)bad;
}

TEST(IntervalFamiliesTest, DomainFaults) {
  OneVariable neg(-2, -1);
  IvGradValue r = IvGrad_ln(&neg.g);
  EXPECT_EQ(neg.ctx->errors.firstError, kStatusUnfeasibleArgument);
  EXPECT_TRUE(Ivl_isEmpty(r.value));
  EXPECT_EQ(r.gradient[1].hi, 0);
  OneVariable zero(-1, 1);
  IvGrad_powVI(&zero.g, -1);
  EXPECT_EQ(zero.ctx->errors.firstError, kStatusDivisionByZero);
  OneVariable root(-1, 0);
  IvGrad_sqrt(&root.g);
  EXPECT_EQ(root.ctx->errors.errorCount, 0);  // SQRT of [-1, 0] has the value 0 here
  IvHess_sqrt(&root.h);
  EXPECT_EQ(root.ctx->errors.firstError, kStatusUnfeasibleArgument);  // but no derivative
  OneVariable wide(0.5, 2);
  IvGrad_acos(&wide.g);
  EXPECT_EQ(wide.ctx->errors.errorCount, 0);
}

// Functions of known curvature over a box, with the curvature flag set.
TEST(IntervalFamiliesTest, CurvatureOfKnownFunctions) {
  Fixture f;
  const Interval box[3] = {{}, {0.5, 1.5}, {-1, 1}};
  IvGradFamily a;
  a.ctx = f.ctx, a.box = box, a.n = 2;
  // x1^2 + exp(x2): convex
  EXPECT_GE(a.bin(kOpAdd, a.un(kOpSquare, a.var(1)), a.un(kOpExp, a.var(2)))->curvature, kCurvConvex);
  EXPECT_LE(a.bin(kOpAdd, a.un(kOpSquare, a.var(1)), a.un(kOpExp, a.var(2)))->curvature, kCurvStrictlyConvex);
  // ln(x1) - x2^2: concave
  EXPECT_LE(a.bin(kOpSub, a.un(kOpLn, a.var(1)), a.un(kOpSquare, a.var(2)))->curvature, kCurvConcave);
  // sqrt(x1) + 3 x2: concave; x1 * x2: not proved either way
  EXPECT_LE(a.bin(kOpAdd, a.un(kOpSqrt, a.var(1)), a.sv(kOpMul, 3, a.var(2)))->curvature, kCurvConcave);
  EXPECT_EQ(a.bin(kOpMul, a.var(1), a.var(2))->curvature, kCurvUnknown);
  // 2 x1 - x2 + 4: affine
  EXPECT_EQ(a.vs(kOpAdd, a.bin(kOpSub, a.sv(kOpMul, 2, a.var(1)), a.var(2)), 4)->curvature, kCurvAffine);
  // 1 / x1 on a positive box: convex; sin(x2) over [-1, 1]: neither
  EXPECT_GE(a.sv(kOpDiv, 1, a.var(1))->curvature, kCurvConvex);
  EXPECT_EQ(a.un(kOpSin, a.var(2))->curvature, kCurvUnknown);
}

}  // namespace
