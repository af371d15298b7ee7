// The interval-gradient (kind 9) and interval-Hessian (kind 11) families:
// over random sub-boxes, point values (long double), point gradients and
// point Hessians (from the kind-6 and kind-8 families) lie inside the
// interval ones for every operation; worked cases and curvature classes,
// kinks and SIGN's jump included.
#include <gtest/gtest.h>

#include "IntervalFamilies.h"
#include "KinkCases.h"
#include "SignCases.h"
#include "arithmetic/interval/Curv_Class.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
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

// Point value and point derivative d/dx1 of `make` at (t, s) in the kind-6
// family; false when the point is outside the operation's domain.
template <class Make>
bool pointGradient(Fixture& f, Make make, double t, double s, double* d) {
  f.x[1] = t, f.x[2] = s;
  GradFamily grad;
  grad.ctx = f.ctx, grad.x = f.x, grad.n = 2;
  *d = make(grad)->gradient[1];
  const bool inside = f.ctx->errors.errorCount == 0;
  Vm_clearErrors(&f.ctx->errors);
  return inside && std::isfinite(*d);
}

// One operation applied straight to the variables over boxes of every shape
// (touching and straddling 0 and the operation's poles and domain ends, wide
// and unbounded): point values and point gradients lie inside the kind-9 and
// kind-11 results wherever the box raised no domain status. LN, SQRT and the
// POWER of a variable base work from kIvlDomainFloor on (a lower end below
// is cut there), so points of x1 below `floor` are not asked about.
template <class Make>
void expectEnclosedOverAwkwardBoxes(Fixture& f, BoxGenerator& gen, const char* name, double special, double floor,
                                    Make make) {
  for (int k = 0; k < 1500; ++k) {
    const Interval box[3] = {{}, gen.box(special), gen.box()};
    IvGradFamily g9;
    g9.ctx = f.ctx, g9.box = box, g9.n = 2;
    IvHessFamily g11;
    g11.ctx = f.ctx, g11.box = box, g11.n = 2;
    const IvGradValue* r9 = make(g9);
    const IvHessValue* r11 = make(g11);
    ASSERT_TRUE(roundsToNearest()) << name;
    if (f.ctx->errors.errorCount) {
      Vm_clearErrors(&f.ctx->errors);
      continue;
    }
    const std::vector<double> p1 = gen.points(box[1], 12), p2 = gen.points(box[2], 12);
    for (size_t i = 0; i < p1.size(); ++i) {
      if (p1[i] < floor) continue;
      LongFamily plain{{0, p1[i], p2[i]}};
      const long double v = make(plain);
      ASSERT_TRUE(encloses(r9->value, v) && encloses(r11->value, v))
          << name << " at " << p1[i] << ", " << p2[i] << " over [" << box[1].lo << ", " << box[1].hi << "] x ["
          << box[2].lo << ", " << box[2].hi << "]: [" << r9->value.lo << ", " << r9->value.hi << "]";
      double d = 0;
      if (!pointGradient(f, make, p1[i], p2[i], &d)) continue;
      ASSERT_TRUE(nearlyInside(r9->gradient[1], d) && nearlyInside(r11->gradient[1], d))
          << name << " d/dx1 at " << p1[i] << ", " << p2[i] << " over [" << box[1].lo << ", " << box[1].hi << "]: " << d
          << " not in [" << r9->gradient[1].lo << ", " << r9->gradient[1].hi << "]";
    }
  }
}

TEST(IntervalFamiliesTest, AwkwardBoxesEnclose) {
  Fixture f;
  BoxGenerator gen;
  forEachAwkwardOperation([&](const char* name, double special, double floor, auto make) {
    expectEnclosedOverAwkwardBoxes(f, gen, name, special, floor, make);
  });
}

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
  EXPECT_EQ(root.ctx->errors.firstError, kStatusDivisionByZero);  // but its derivatives' pole, not "unfeasible"
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

// The class's promise along chords of the box, in long double: the value at
// a chord's midpoint at most (convex), at least (concave) or equal to
// (affine) the mean of its ends.
void expectChordsKeepTheClass(BoxGenerator& gen, const KinkCase& c) {
  const bool convex = c.curvature >= kCurvAffine && c.curvature <= kCurvStrictlyConvex;
  const bool concave = c.curvature >= kCurvStrictlyConcave && c.curvature <= kCurvAffine;
  for (int k = 0; k < 200 && (convex || concave); ++k) {
    const long double p1 = gen.uniform(c.box1.lo, c.box1.hi), p2 = gen.uniform(c.box2.lo, c.box2.hi);
    const long double q1 = gen.uniform(c.box1.lo, c.box1.hi), q2 = gen.uniform(c.box2.lo, c.box2.hi);
    LongFamily p{{0, p1, p2}}, q{{0, q1, q2}}, m{{0, (p1 + q1) / 2, (p2 + q2) / 2}};
    const long double fp = kinkFunction(p, c), fq = kinkFunction(q, c), gap = (fp + fq) / 2 - kinkFunction(m, c);
    const long double slack = 1e-12L * (1 + std::fabs(fp) + std::fabs(fq));
    ASSERT_TRUE(!convex || gap >= -slack) << c.name << " is not convex along a chord";
    ASSERT_TRUE(!concave || gap <= slack) << c.name << " is not concave along a chord";
  }
}

// ABS, MAX and MIN over boxes that hold their kink and boxes that do not:
// the kind-9 class is the one worked out by hand (never affine with a kink
// inside), the number forms on either side agree, and chords keep it.
TEST(IntervalFamiliesTest, CurvatureAtKinks) {
  Fixture f;
  BoxGenerator gen;
  for (const KinkCase& c : kKinkCases) {
    const Interval box[3] = {{}, c.box1, c.box2};
    IvGradFamily a;
    a.ctx = f.ctx, a.box = box, a.n = 2;
    EXPECT_EQ(kinkFunction(a, c)->curvature, c.curvature) << c.name;
    EXPECT_EQ(kinkFunction(a, c, true)->curvature, c.curvature) << c.name << ", number on the left";
    expectChordsKeepTheClass(gen, c);
  }
  EXPECT_EQ(f.ctx->errors.errorCount, 0);
}

bool bounded(const IvHessValue& h) {
  for (int32_t i = 1; i <= h.n; ++i)
    for (int32_t j = 1; j <= h.n; ++j)
      if (!std::isfinite(h.hessian[i][j].lo) || !std::isfinite(h.hessian[i][j].hi)) return false;
  return true;
}

// The kind-11 Hessian is not bounded where a kink may lie inside the box (a
// kink is no place without curvature), and stays bounded elsewhere.
TEST(IntervalFamiliesTest, IntervalHessianIsUnboundedAtKinks) {
  Fixture f;
  for (const KinkCase& c : kKinkCases) {
    const Interval box[3] = {{}, c.box1, c.box2};
    IvHessFamily a;
    a.ctx = f.ctx, a.box = box, a.n = 2;
    EXPECT_EQ(bounded(*kinkFunction(a, c)), !c.kinkInside) << c.name;
    EXPECT_EQ(bounded(*kinkFunction(a, c, true)), !c.kinkInside) << c.name << ", number on the left";
  }
  // Only the directions the kink's pieces vary along: MAX(x1, 0) leaves
  // d2/dx2^2 and the mixed partials at 0.
  const Interval box[3] = {{}, {-1, 1}, {-1, 1}};
  IvHessFamily a;
  a.ctx = f.ctx, a.box = box, a.n = 2;
  const IvHessValue* h = a.vs(kOpMax, a.var(1), 0.0);
  EXPECT_EQ(h->hessian[1][1].hi, INFINITY);
  EXPECT_EQ(h->hessian[1][2].lo, 0);
  EXPECT_EQ(h->hessian[1][2].hi, 0);
  EXPECT_EQ(h->hessian[2][2].hi, 0);
}

// SIGN over boxes with and without its jump: the kind-9 class is the one
// worked out by hand (never affine where the value may change), and the
// kind-9 and kind-11 partials along x1 hold every sampled slope and the
// kind-11 second partial every sampled second difference: unbounded where
// the value may change, zero elsewhere; x2, which SIGN does not read,
// keeps bounded partials.
TEST(IntervalFamiliesTest, SignAtItsJump) {
  Fixture f;
  BoxGenerator gen;
  for (const SignCase& c : kSignCases) {
    const Interval box[3] = {{}, c.box1, c.box2};
    IvGradFamily a;
    a.ctx = f.ctx, a.box = box, a.n = 2;
    const IvGradValue* g = signFunction(a, c);
    IvHessFamily b;
    b.ctx = f.ctx, b.box = box, b.n = 2;
    const IvHessValue* h = signFunction(b, c);
    EXPECT_EQ(g->curvature, c.curvature) << c.name;
    EXPECT_EQ(Ivl_isFinite(g->gradient[1]), !c.jumps) << c.name;
    EXPECT_EQ(Ivl_isFinite(h->gradient[1]), !c.jumps) << c.name;
    EXPECT_EQ(Ivl_isFinite(h->hessian[1][1]), !c.jumps) << c.name;
    EXPECT_TRUE(Ivl_isFinite(g->gradient[2]) && Ivl_isFinite(h->hessian[2][2]) && Ivl_isFinite(h->hessian[1][2]))
        << c.name;
    forEachSignDifference(gen, c, [&](long double slope, long double second) {
      ASSERT_TRUE(encloses(g->gradient[1], slope) && encloses(h->gradient[1], slope)) << c.name << ": " << slope;
      ASSERT_TRUE(encloses(h->hessian[1][1], second)) << c.name << ": " << second;
    });
  }
  EXPECT_EQ(f.ctx->errors.errorCount, 0);
}

}  // namespace
