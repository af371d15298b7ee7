// Forward Hessians computed on the block of rows and columns that can be
// non-zero: sums of products against hand-computed Hessians over the whole
// matrix, operands used twice, a result record that held a wider block
// before, a non-finite coefficient that fills the whole matrix as the
// dense arithmetic does, and logarithms, roots, reciprocals and powers of
// tiny arguments whose second derivatives stay finite, and a varying power of
// a tiny base.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/arithmetic/ModeFamilies.h"

namespace {

constexpr int32_t kN = 6;
// Slot 0 unused.
constexpr double kX[kN + 1] = {0, 0.5, 1.5, -2.0, 3.0, 0.25, 4.0};

struct HessBench {
  EvalContext* ctx = makeContext(kN, kX);
  HessFamily f{{}, ctx, kX, kN};
  HessBench() { ctx->flags.mode = kModeHess; }
  ~HessBench() { freeContext(ctx); }
};

// Every entry of the n x n Hessian against want(i, j), exactly.
template <class Want>
void expectHessian(const HessValue* h, Want want) {
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) EXPECT_EQ(h->hessian[i][j], want(i, j)) << "H" << i << j;
}

TEST(HessianBlocks, SumOfProductsGivesTheHandComputedHessian) {
  HessBench b;
  const HessValue* x[kN + 1] = {};
  for (int p = 1; p <= kN; ++p) x[p] = b.f.var(p);
  const HessValue* p34 = b.f.bin(kOpMul, x[3], x[4]);
  EXPECT_EQ(p34->first, 3);
  EXPECT_EQ(p34->last, 4);
  const HessValue* s = b.f.bin(kOpAdd, b.f.bin(kOpAdd, b.f.bin(kOpMul, x[1], x[2]), p34), b.f.bin(kOpMul, x[5], x[6]));
  EXPECT_EQ(s->value, 0.5 * 1.5 + -2.0 * 3.0 + 0.25 * 4.0);
  const double g[kN + 1] = {0, kX[2], kX[1], kX[4], kX[3], kX[6], kX[5]};
  for (int i = 1; i <= kN; ++i) EXPECT_EQ(s->gradient[i], g[i]) << i;
  // 1 where i and j are the two factors of one product.
  expectHessian(s, [](int i, int j) { return i != j && (i + 1) / 2 == (j + 1) / 2 ? 1.0 : 0.0; });
}

// t = x2 x3, w = t t + x2 x2 - (t + t) / 2: operands read twice, a result
// built from itself.
TEST(HessianBlocks, OperandsUsedTwiceGiveTheHandComputedHessian) {
  HessBench b;
  const HessValue *x2 = b.f.var(2), *x3 = b.f.var(3);
  const HessValue* t = b.f.bin(kOpMul, x2, x3);
  const HessValue* half = b.f.vs(kOpDiv, b.f.bin(kOpAdd, t, t), 2.0);
  const HessValue* w = b.f.bin(kOpSub, b.f.bin(kOpAdd, b.f.bin(kOpMul, t, t), b.f.bin(kOpMul, x2, x2)), half);
  const double a = kX[2], c = kX[3];
  EXPECT_DOUBLE_EQ(w->value, a * a * c * c + a * a - a * c);
  EXPECT_DOUBLE_EQ(w->gradient[2], 2 * a * c * c + 2 * a - c);
  EXPECT_DOUBLE_EQ(w->gradient[3], 2 * a * a * c - a);
  const double h22 = 2 * c * c + 2, h23 = 4 * a * c - 1, h33 = 2 * a * a;
  EXPECT_DOUBLE_EQ(w->hessian[2][2], h22);
  EXPECT_DOUBLE_EQ(w->hessian[2][3], h23);
  EXPECT_DOUBLE_EQ(w->hessian[3][2], h23);
  EXPECT_DOUBLE_EQ(w->hessian[3][3], h33);
  expectHessian(w, [&](int i, int j) { return i >= 2 && i <= 3 && j >= 2 && j <= 3 ? w->hessian[i][j] : 0.0; });
  EXPECT_EQ(w->first, 2);
  EXPECT_EQ(w->last, 3);
}

// The result record is reused: after a result over every row, a product of
// one variable leaves nothing of it outside its own entry.
TEST(HessianBlocks, ANarrowResultClearsWhatAWiderOneLeft) {
  HessBench b;
  const HessValue* x[kN + 1] = {};
  for (int p = 1; p <= kN; ++p) x[p] = b.f.var(p);
  const HessValue* wide = b.f.bin(kOpMul, b.f.bin(kOpAdd, x[1], x[6]), b.f.bin(kOpAdd, x[2], x[5]));
  EXPECT_EQ(wide->hessian[1][5], 1.0);
  EXPECT_EQ(wide->hessian[6][2], 1.0);
  Hess_exp(wide);  // fills the result record over rows 1..6
  const HessValue square = Hess_mul(x[4], x[4]);
  EXPECT_EQ(square.first, 4);
  EXPECT_EQ(square.last, 4);
  expectHessian(&square, [](int i, int j) { return i == 4 && j == 4 ? 2.0 : 0.0; });
  for (int i = 1; i <= kN; ++i) EXPECT_EQ(square.gradient[i], i == 4 ? 2 * kX[4] : 0.0) << i;
}

// A quotient beyond the doubles (1E+300 over a tiny y): its infinite
// coefficient times the zero entries fills the whole matrix with NaN, as the
// dense arithmetic does, so the evaluation's finiteness check still refuses
// it.
TEST(HessianBlocks, ANonFiniteCoefficientFillsTheWholeMatrix) {
  constexpr double kHuge = 1e300;
  HessBench b;
  const HessValue* tiny = b.f.vs(kOpMul, b.f.var(2), 1e-300);
  const HessValue* q = b.f.sv(kOpDiv, kHuge, tiny);
  EXPECT_EQ(q->first, 1);
  EXPECT_EQ(q->last, kN);
  for (int i = 1; i <= kN; ++i)
    for (int j = 1; j <= kN; ++j) EXPECT_TRUE(std::isnan(q->hessian[i][j])) << "H" << i << j;
}

// LN, SQRT, the reciprocal and constant powers of c x2 at a tiny c: their
// own derivatives (LN's and SQRT's second, -1/(c x)^2 and -1/(4 (c x)^1.5);
// the reciprocal's and the powers' first, -1/(c x)^2 and s (c x)^(s-1))
// leave the doubles, the derivatives in x2 do not; and at c = 1.
struct TinyArgument {
  int32_t op;    // kOpDiv: 1 / (c x2); kOpPower: (c x2)^exponent
  double scale;  // c
  double value, slope, curvature;
  double exponent = 0;
};

constexpr double kTiny = 1e-300;
constexpr double kRelTolerance = 1e-12;
const double kX2 = kX[2];
const double kRootTiny = std::sqrt(kTiny);
// (c x2)^s = c^s x2^s and its derivatives in x2.
TinyArgument power(double c, double s) {
  const double cs = std::pow(c, s);
  return {kOpPower, c, cs * std::pow(kX2, s), cs * s * std::pow(kX2, s - 1), cs * s * (s - 1) * std::pow(kX2, s - 2),
          s};
}

const TinyArgument kTinyArguments[] = {
    {kOpLn, kTiny, std::log(kX2) + std::log(kTiny), 1 / kX2, -1 / (kX2 * kX2)},
    {kOpSqrt, kTiny, std::sqrt(kX2) * kRootTiny, 0.5 * kRootTiny / std::sqrt(kX2),
     -0.25 * kRootTiny / (kX2 * std::sqrt(kX2))},
    {kOpLn, 1.0, std::log(kX2), 1 / kX2, -1 / (kX2 * kX2)},
    {kOpDiv, kTiny, 1 / (kTiny * kX2), -1 / (kTiny * kX2 * kX2), 2 / (kTiny * kX2 * kX2 * kX2)},
    {kOpDiv, 1.0, 1 / kX2, -1 / (kX2 * kX2), 2 / (kX2 * kX2 * kX2)},
    power(kTiny, -1.0),
    power(1e-200, -1.5),
    power(1e-150, -2.0),
    power(1.0, -1.5),
};

const HessValue* applied(HessBench& b, int32_t op, double exponent, const HessValue* argument) {
  if (op == kOpPower) return b.f.vs(kOpPower, argument, exponent);
  return op == kOpDiv ? b.f.sv(kOpDiv, 1.0, argument) : b.f.un(op, argument);
}

TEST(HessianBlocks, TinyArgumentsGiveTheHandComputedSecondDerivative) {
  for (const TinyArgument& row : kTinyArguments) {
    SCOPED_TRACE(row.op);
    HessBench b;
    const HessValue* h = applied(b, row.op, row.exponent, b.f.vs(kOpMul, b.f.var(2), row.scale));
    EXPECT_NEAR(h->value, row.value, kRelTolerance * std::fabs(row.value));
    EXPECT_NEAR(h->gradient[2], row.slope, kRelTolerance * std::fabs(row.slope));
    EXPECT_NEAR(h->hessian[2][2], row.curvature, kRelTolerance * std::fabs(row.curvature));
    EXPECT_EQ(h->first, 2);
    EXPECT_EQ(h->last, 2);
  }
}

}  // namespace

namespace {

// (c x2)^x5 at c = 1E-300: its second derivative in the base, y (y - 1)
// p / b^2 with b = c x2, leaves the doubles on the way (p y / b^2 is about
// 1E+525) while the Hessian in x2 and x5 does not.
TEST(HessianBlocks, AVaryingPowerOfATinyBaseGivesTheHandComputedHessian) {
  HessBench b;
  const double y = kX[5], lnBase = std::log(kTiny) + std::log(kX2);
  const double p = std::exp(y * lnBase);
  const HessValue* h = b.f.bin(kOpPower, b.f.vs(kOpMul, b.f.var(2), kTiny), b.f.var(5));
  const double want22 = y * (y - 1) * p / (kX2 * kX2), want25 = p / kX2 * (1 + y * lnBase),
               want55 = p * lnBase * lnBase;
  EXPECT_NEAR(h->value, p, kRelTolerance * p);
  EXPECT_NEAR(h->hessian[2][2], want22, kRelTolerance * std::fabs(want22));
  EXPECT_NEAR(h->hessian[2][5], want25, kRelTolerance * std::fabs(want25));
  EXPECT_NEAR(h->hessian[5][2], want25, kRelTolerance * std::fabs(want25));
  EXPECT_NEAR(h->hessian[5][5], want55, kRelTolerance * std::fabs(want55));
}

}  // namespace
