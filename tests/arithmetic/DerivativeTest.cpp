// The derivative families against one another and against central
// differences of plain values: every member and elementary function at
// random points, forward gradient, reverse tape, forward Hessian and the
// Hessian replayed from a tape; then the tape contracts (capacity, seeding
// of the result's own node, ties of MAX and MIN).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "arithmetic/grad/Grad_Tape.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "tests/arithmetic/ExpressionCases.h"
#include "values/Vm_Status.h"

namespace {

double plainValue(const Case& c, const double* x) {
  PlainFamily f{{0, x[1], x[2]}};
  return build(f, c);
}

// Value, gradient and Hessian (1-based, n = 2) of one evaluation.
struct Derivs {
  double value = 0;
  double g[3] = {};
  double h[3][3] = {};
};

Derivs forwardGradient(const Case& c, const double* x) {
  EvalContext* ctx = makeContext(2, x);
  ctx->flags.mode = kModeGrad;
  Derivs d;
  {
    GradFamily f{{}, ctx, x, 2};
    const GradValue* r = build(f, c);
    d.value = r->value;
    for (int k = 1; k <= 2; ++k) d.g[k] = r->gradient[k];
  }
  EXPECT_EQ(ctx->errors.errorCount, 0) << c.name;
  freeContext(ctx);
  return d;
}

Derivs forwardHessian(const Case& c, const double* x) {
  EvalContext* ctx = makeContext(2, x);
  ctx->flags.mode = kModeHess;
  Derivs d;
  {
    HessFamily f{{}, ctx, x, 2};
    const HessValue* r = build(f, c);
    d.value = r->value;
    for (int i = 1; i <= 2; ++i) {
      d.g[i] = r->gradient[i];
      for (int j = 1; j <= 2; ++j) d.h[i][j] = r->hessian[i][j];
    }
  }
  EXPECT_EQ(ctx->errors.errorCount, 0) << c.name;
  freeContext(ctx);
  return d;
}

// The memory pass: the number of operations the expression performs.
int32_t countOperations(EvalContext* ctx, const Case& c) {
  ctx->flags.mode = kModeDegVec;
  ctx->buffers.tapeCount = 0;
  DegVecFamily f{{ctx, {}}, 2};
  build(f, c);
  return ctx->buffers.tapeCount;
}

Derivs reverseGradient(const Case& c, const double* x) {
  EvalContext* ctx = makeContext(2, x);
  ctx->tables.functions->maxCellTape = countOperations(ctx, c);
  ctx->flags.mode = kModeRev;
  Derivs d;
  EXPECT_TRUE(Tape_prepareReverse<RevScalar>(ctx));
  ctx->buffers.tapeCount = 0;
  RevFamily f{ctx, x};
  const RevNode r = build(f, c);
  d.value = r.value;
  Tape_reverseSweep<RevScalar>(d.g, false, false, r.self, &ctx->buffers);
  EXPECT_EQ(ctx->errors.errorCount, 0) << c.name;
  freeContext(ctx);
  return d;
}

Derivs replayHessian(const Case& c, const double* x) {
  EvalContext* ctx = makeContext(2, x);
  ctx->tables.functions->maxCellTape = countOperations(ctx, c);
  ctx->flags.mode = kModeGrad;
  Derivs d;
  EXPECT_TRUE(Grad_prepareTape(ctx, 2));
  ctx->flags.recording = 1;
  ctx->buffers.tapeCount = 0;
  {
    GradFamily f{{}, ctx, x, 2};
    const GradValue* r = build(f, c);
    ctx->flags.recording = 0;
    d.value = r->value;
    double* rows[3] = {d.h[0], d.h[1], d.h[2]};
    Grad_reverseHessian(rows, false, false, r->node, ctx);
  }
  EXPECT_EQ(ctx->errors.errorCount, 0) << c.name;
  freeContext(ctx);
  return d;
}

void expectNear(double expected, double actual, double rel, const char* what, const Case& c) {
  EXPECT_NEAR(actual, expected, rel * std::max(1.0, std::fabs(expected))) << c.name << " " << what;
}

TEST(Derivatives, EveryMemberAgreesWithDifferencesAndAcrossFamilies) {
  std::mt19937 rng(20261207);
  std::uniform_real_distribution<double> coordinate(-0.8, 0.8);
  for (const Case& c : kCases) {
    for (int trial = 0; trial < 5; ++trial) {
      const double x[3] = {0, coordinate(rng), coordinate(rng)};
      const Derivs grad = forwardGradient(c, x);
      const Derivs hess = forwardHessian(c, x);
      const Derivs rev = reverseGradient(c, x);
      const Derivs replay = replayHessian(c, x);
      expectNear(plainValue(c, x), grad.value, 1e-14, "value", c);
      for (int k = 1; k <= 2; ++k) {
        const double h = 1e-5;
        double up[3] = {0, x[1], x[2]}, down[3] = {0, x[1], x[2]};
        up[k] += h;
        down[k] -= h;
        expectNear((plainValue(c, up) - plainValue(c, down)) / (2 * h), grad.g[k], 1e-6, "gradient", c);
        expectNear(grad.g[k], rev.g[k], 1e-12, "reverse gradient", c);
        expectNear(grad.g[k], hess.g[k], 1e-12, "Hessian family's gradient", c);
        const Derivs gu = forwardGradient(c, up), gd = forwardGradient(c, down);
        for (int i = 1; i <= 2; ++i) {
          expectNear((gu.g[i] - gd.g[i]) / (2 * h), hess.h[i][k], 1e-6, "Hessian", c);
          expectNear(hess.h[i][k], replay.h[i][k], 1e-10, "replayed Hessian", c);
          EXPECT_NEAR(hess.h[i][k], hess.h[k][i], 1e-12) << c.name;
          EXPECT_NEAR(replay.h[i][k], replay.h[k][i], 1e-12 * std::max(1.0, std::fabs(replay.h[i][k]))) << c.name;
        }
      }
    }
  }
}

// A context with room for `capacity` tape nodes or records over x1 = 2 and
// x2 (3 unless given).
struct Tape {
  double x[3];
  EvalContext* ctx;
  explicit Tape(int32_t capacity, double x2 = 3.0) : x{0, 2, x2}, ctx(makeContext(2, x)) {
    ctx->tables.functions->maxCellTape = capacity;
  }
  ~Tape() { freeContext(ctx); }
};

TEST(Tapes, RefuseToStartBeforeTheMemoryPass) {
  Tape t(-1);
  EXPECT_FALSE(Tape_prepareReverse<RevScalar>(t.ctx));
  EXPECT_EQ(t.ctx->errors.firstError, kStatusNoSizingPass);
  EXPECT_FALSE(Grad_prepareTape(t.ctx, 2));
  EXPECT_FALSE(DegDag_prepareTape(t.ctx));
  EXPECT_EQ(t.ctx->errors.errorCount, 3);
}

TEST(Tapes, AFullTapeRaisesAStatusAndWritesNothingPastItsEnd) {
  Tape t(2);
  ASSERT_TRUE(Tape_prepareReverse<RevScalar>(t.ctx));
  RevFamily r{t.ctx, t.x};
  RevNode a = r.var(1), b = r.var(2);
  RevNode p = Rev_mul(&a, &b), q = Rev_add(&p, &a), e = Rev_exp(&q);
  EXPECT_EQ(t.ctx->buffers.tapeCount, 2);
  EXPECT_EQ(t.ctx->errors.firstError, kStatusNoSizingPass);
  EXPECT_EQ(e.self, q.self);  // the operand comes back unchanged

  // A full kind-6 tape ends recording; values and gradients still come out.
  Vm_clearErrors(&t.ctx->errors);
  t.ctx->buffers.tapeCount = 0;
  ASSERT_TRUE(Grad_prepareTape(t.ctx, 2));
  t.ctx->flags.recording = 1;
  GradFamily g{{}, t.ctx, t.x, 2};
  const Case sum{"x1*x2+x1 squared", kUnary, kOpSquare, 0, 0};
  const GradValue* v = g.un(kOpSquare, g.bin(kOpAdd, g.bin(kOpMul, g.var(1), g.var(2)), g.var(1)));
  EXPECT_EQ(t.ctx->errors.firstError, kStatusNoSizingPass);
  EXPECT_EQ(t.ctx->flags.recording, 0);
  expectNear(64.0, v->value, 1e-15, "value", sum);
  expectNear(2 * 8 * 4, v->gradient[1], 1e-15, "gradient", sum);
}

TEST(Tapes, SweepsStartAtTheResultNotAtTheLastNode) {
  Tape t(4);
  ASSERT_TRUE(Tape_prepareReverse<RevScalar>(t.ctx));
  RevFamily r{t.ctx, t.x};
  RevNode a = r.var(1), b = r.var(2);
  const RevNode product = Rev_mul(&a, &b);
  Rev_exp(&a);  // recorded after the result, not part of it
  double g[3] = {};
  Tape_reverseSweep<RevScalar>(g, false, false, product.self, &t.ctx->buffers);
  EXPECT_EQ(g[1], 3.0);
  EXPECT_EQ(g[2], 2.0);
  double leaf[2] = {};
  Tape_reverseSweep<RevScalar>(leaf, true, true, a.self, &t.ctx->buffers);  // a bare variable, zero-based, subtracted
  EXPECT_EQ(leaf[0], -1.0);

  t.ctx->buffers.tapeCount = 0;
  ASSERT_TRUE(Grad_prepareTape(t.ctx, 2));
  t.ctx->flags.recording = 1;
  GradFamily f{{}, t.ctx, t.x, 2};
  const GradValue* p = f.bin(kOpMul, f.var(1), f.var(2));
  f.un(kOpExp, f.var(1));
  double h[3][3] = {};
  double* rows[3] = {h[0], h[1], h[2]};
  Grad_reverseHessian(rows, false, false, p->node, t.ctx);
  EXPECT_EQ(h[1][1], 0.0);
  EXPECT_EQ(h[1][2], 1.0);
  EXPECT_EQ(h[2][1], 1.0);
}

TEST(Tapes, TiesOfMaxAndMinWeighTheirOperandsToOneInEveryFamily) {
  Tape t(8, 2.0);  // x1 and x2 tie
  const double* same = t.x;
  const Case maxCase{"max(x1, x2) at a tie", kBinary, kOpMax, 0, 0};
  GradFamily g{{}, t.ctx, same, 2};
  const GradValue* m = g.bin(kOpMax, g.var(1), g.var(1));
  EXPECT_EQ(m->gradient[1], 1.0);  // MAX(x, x) has derivative 1
  const GradValue* tie = g.bin(kOpMax, g.var(1), g.var(2));
  EXPECT_EQ(tie->gradient[1], 0.5);
  EXPECT_EQ(tie->gradient[2], 0.5);

  ASSERT_TRUE(Tape_prepareReverse<RevScalar>(t.ctx));
  t.ctx->buffers.tapeCount = 0;
  RevFamily r{t.ctx, same};
  RevNode a = r.var(1), b = r.var(2);
  double gx[3] = {};
  Tape_reverseSweep<RevScalar>(gx, false, false, Rev_max(&a, &a).self, &t.ctx->buffers);
  EXPECT_EQ(gx[1], 1.0);
  double gt[3] = {};
  Tape_reverseSweep<RevScalar>(gt, false, false, Rev_min(&a, &b).self, &t.ctx->buffers);
  EXPECT_EQ(gt[1], 0.5);
  EXPECT_EQ(gt[2], 0.5);

  // The replay of MAX(x1, x2) * x1 at the tie matches the forward Hessian.
  t.ctx->buffers.tapeCount = 0;
  ASSERT_TRUE(Grad_prepareTape(t.ctx, 2));
  t.ctx->flags.recording = 1;
  const GradValue* f = g.bin(kOpMul, g.bin(kOpMax, g.var(1), g.var(2)), g.var(1));
  double h[3][3] = {};
  double* rows[3] = {h[0], h[1], h[2]};
  Grad_reverseHessian(rows, false, false, f->node, t.ctx);
  HessFamily hf{{}, t.ctx, same, 2};
  const HessValue* fh = hf.bin(kOpMul, hf.bin(kOpMax, hf.var(1), hf.var(2)), hf.var(1));
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) expectNear(fh->hessian[i][j], h[i][j], 1e-15, "tie Hessian", maxCase);
  EXPECT_EQ(h[1][1], 1.0);
  EXPECT_EQ(h[1][2], 0.5);
}

TEST(Derivatives, DomainFaultsRaiseTheirStatusAndReturnTheOperand) {
  Tape t(8);
  GradFamily g{{}, t.ctx, t.x, 2};
  const GradValue* zero = g.vs(kOpSub, g.var(1), 2.0);
  const GradValue* root = g.un(kOpSqrt, zero);
  EXPECT_EQ(t.ctx->errors.firstError, kStatusUnfeasibleArgument);
  EXPECT_EQ(root->value, 0.0);
  EXPECT_EQ(root->gradient[1], 1.0);
  const GradValue* quotient = g.sv(kOpDiv, 5.0, zero);  // returns the divisor
  EXPECT_EQ(quotient->value, 0.0);
  EXPECT_EQ(t.ctx->errors.errorCount, 2);

  ASSERT_TRUE(Tape_prepareReverse<RevScalar>(t.ctx));
  t.ctx->buffers.tapeCount = 0;
  RevFamily r{t.ctx, t.x};
  RevNode a = r.var(1), b = r.var(2);
  RevNode d = Rev_sub(&b, &b);
  const RevNode q = Rev_div(&a, &d);
  EXPECT_EQ(q.self, a.self);
  EXPECT_EQ(t.ctx->buffers.tapeCount, 2);  // the failing operation used a node
  Rev_ln(&d);
  EXPECT_EQ(t.ctx->errors.errorCount, 4);
}

}  // namespace
