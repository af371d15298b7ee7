// The interval tapes: the reverse tape's value and swept gradient enclose
// the point values and gradients over random boxes; the propagation tape's
// backward pass never removes a point that satisfies the constraint; worked
// cases of both; the Hessian replays of both tapes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <iterator>
#include <limits>

#include "IntervalFamilies.h"
#include "KinkCases.h"
#include "SignCases.h"
#include "arithmetic/grad/Grad_Tape.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/ivtape/IvGrad_Tape.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "values/Vm_Status.h"

namespace {

struct Fixture {
  double x[3] = {0, 0, 0};
  EvalContext* ctx = makeContext(2, x);
  Fixture() {
    ctx->tables.functions->maxCellTape = 64;
    ctx->tables.functions->maxFunctionTape = 129;
    Tape_prepareReverse<IvRevScalar>(ctx);
    IvProp_prepareTape(ctx);
  }
  ~Fixture() { freeContext(ctx); }
};

TEST(IntervalTapeTest, ReverseSweepEnclosesPointGradients) {
  Fixture f;
  BoxGenerator gen;
  for (const Case& c : kCases) {
    for (int k = 0; k < 150; ++k) {
      const Interval box[3] = {{}, skeletonBox(gen), skeletonBox(gen)};
      f.ctx->buffers.tapeCount = 0;
      IvRevFamily t;
      t.ctx = f.ctx, t.box = box;
      const IvRevNode r = build(t, c);
      const Interval value = r.value;
      Interval gradient[3] = {{0, 0}, {0, 0}, {0, 0}};
      Tape_reverseSweep<IvRevScalar>(gradient, false, false, r.self, &f.ctx->buffers);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      ASSERT_EQ(f.ctx->errors.errorCount, 0) << c.name;
      const std::vector<double> p1 = gen.points(box[1], 8), p2 = gen.points(box[2], 8);
      for (size_t s = 0; s < p1.size(); ++s) {
        LongFamily plain{{0, p1[s], p2[s]}};
        ASSERT_TRUE(encloses(value, build(plain, c))) << c.name;
        f.x[1] = p1[s], f.x[2] = p2[s];
        GradFamily grad;
        grad.ctx = f.ctx, grad.x = f.x, grad.n = 2;
        const GradValue* g = build(grad, c);
        for (int i = 1; i <= 2; ++i)
          ASSERT_TRUE(nearlyInside(gradient[i], g->gradient[i]))
              << c.name << " d/dx" << i << " at " << p1[s] << ", " << p2[s] << ": " << g->gradient[i] << " not in ["
              << gradient[i].lo << ", " << gradient[i].hi << "]";
      }
    }
  }
}

TEST(IntervalTapeTest, ReverseTapeWorkedCases) {
  Fixture f;
  const Interval box[3] = {{}, {0, 2}, {1, 3}};
  IvRevFamily t;
  t.ctx = f.ctx, t.box = box;
  const IvRevNode both = t.bin(kOpMax, t.var(1), t.var(2));
  EXPECT_EQ(both.partial1.lo, 0);
  EXPECT_EQ(both.partial1.hi, 1);
  const IvRevNode above = t.sv(kOpMin, 2, IvRevNode{{3, 4}, {}, {}, 0, 0, -1, f.ctx});
  EXPECT_EQ(above.partial2.hi, 0);
  IvRevNode bad = t.un(kOpLn, IvRevNode{{-2, 0}, {}, {}, 0, 0, -1, f.ctx});
  EXPECT_EQ(f.ctx->errors.firstError, kStatusUnfeasibleArgument);
  EXPECT_TRUE(Ivl_isEmpty(bad.value));
  Vm_clearErrors(&f.ctx->errors);
  t.un(kOpLn, IvRevNode{{-2, 3}, {}, {}, 0, 0, -1, f.ctx});
  EXPECT_EQ(f.ctx->errors.errorCount, 0);
  t.vs(kOpPower, t.var(1), -2.0);  // over [0, 2]
  EXPECT_EQ(f.ctx->errors.firstError, kStatusDivisionByZero);
}

// Contracts box with f(x) - c <= 0 (or c - f(x) <= 0 with atLeast).
template <class Build>
void contract(Fixture& f, Interval* box, Build build, double c, bool atLeast) {
  f.ctx->buffers.tapeCount = 0;
  IvPropFamily t;
  t.ctx = f.ctx, t.box = box;
  const IvPropNode v = build(t);
  atLeast ? IvProp_subSV(c, &v) : IvProp_subVS(&v, c);
  IvProp_contract(box, false, true, &f.ctx->buffers);
}

TEST(IntervalTapeTest, ContractionKeepsEveryFeasiblePoint) {
  Fixture f;
  BoxGenerator gen;
  int narrowed = 0;
  for (const Case& c : kCases) {
    for (int k = 0; k < 300; ++k) {
      const Interval start[3] = {{}, skeletonBox(gen), skeletonBox(gen)};
      Interval box[3] = {start[0], start[1], start[2]};
      const std::vector<double> p1 = gen.points(start[1], 24), p2 = gen.points(start[2], 24);
      LongFamily pivot{{0, p1[5], p2[5]}};
      const double level = double(build(pivot, c));
      const bool atLeast = k % 2;
      contract(f, box, [&](IvPropFamily& t) { return build(t, c); }, level, atLeast);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      ASSERT_EQ(f.ctx->errors.errorCount, 0) << c.name;
      narrowed += box[1].lo != start[1].lo || box[1].hi != start[1].hi;
      for (size_t s = 0; s < p1.size(); ++s) {
        LongFamily plain{{0, p1[s], p2[s]}};
        const long double v = build(plain, c);
        if (v != v || (atLeast ? v < level : v > level)) continue;
        ASSERT_TRUE(Ivl_contains(box[1], p1[s]) && Ivl_contains(box[2], p2[s]))
            << c.name << (atLeast ? " >= " : " <= ") << level << " holds at " << p1[s] << ", " << p2[s]
            << " but the box became [" << box[1].lo << ", " << box[1].hi << "] x [" << box[2].lo << ", "
            << box[2].hi << "]";
      }
    }
  }
  EXPECT_GT(narrowed, 1000);  // the pass does narrow
}

// Every operation applied straight to the variables over boxes of every
// shape (touching and straddling 0 and the poles and domain ends, wide and
// unbounded): the reverse tape's value and swept gradient enclose the point
// values and gradients, and contracting op <= level (or >= level) keeps every
// point that satisfies it. Points of x1 below `floor` lie where LN, SQRT and
// the POWER of a variable base cut their operand, and are not asked about.
template <class Op>
void expectTapesHoldOverAwkwardBoxes(Fixture& f, BoxGenerator& gen, const char* name, double special, double floor,
                                     Op op) {
  for (int k = 0; k < 1500; ++k) {
    const Interval start[3] = {{}, gen.box(special), gen.box()};
    f.ctx->buffers.tapeCount = 0;
    IvRevFamily t;
    t.ctx = f.ctx, t.box = start;
    const IvRevNode r = op(t);
    Interval gradient[3] = {{0, 0}, {0, 0}, {0, 0}};
    Tape_reverseSweep<IvRevScalar>(gradient, false, false, r.self, &f.ctx->buffers);
    Interval box[3] = {start[0], start[1], start[2]};
    const std::vector<double> p1 = gen.points(start[1], 12), p2 = gen.points(start[2], 12);
    LongFamily pivot{{0, p1[5], p2[5]}};
    const double level = double(op(pivot));
    const bool atLeast = k % 2;
    if (std::isfinite(level)) contract(f, box, op, level, atLeast);
    ASSERT_TRUE(roundsToNearest()) << name;
    if (f.ctx->errors.errorCount) {
      Vm_clearErrors(&f.ctx->errors);
      continue;
    }
    for (size_t i = 0; i < p1.size(); ++i) {
      if (p1[i] < floor) continue;
      LongFamily plain{{0, p1[i], p2[i]}};
      const long double v = op(plain);
      ASSERT_TRUE(encloses(r.value, v)) << name << " at " << p1[i] << ", " << p2[i];
      // Feasible with a margin: the long-double truth cannot tell a point
      // that only just misses the level from one on it.
      const long double margin = 1e-13L * (1 + std::fabs(level));
      if (std::isfinite(level) && std::isfinite(v) && (atLeast ? v >= level + margin : v <= level - margin)) {
        ASSERT_TRUE(Ivl_contains(box[1], p1[i]) && Ivl_contains(box[2], p2[i]))
            << name << (atLeast ? " >= " : " <= ") << level << " holds at " << p1[i] << ", " << p2[i]
            << " but the box became [" << box[1].lo << ", " << box[1].hi << "] x [" << box[2].lo << ", " << box[2].hi
            << "]";
      }
      f.x[1] = p1[i], f.x[2] = p2[i];
      GradFamily grad;
      grad.ctx = f.ctx, grad.x = f.x, grad.n = 2;
      const GradValue* g = op(grad);
      const bool inside = f.ctx->errors.errorCount == 0;
      Vm_clearErrors(&f.ctx->errors);
      for (int j = 1; j <= 2 && inside; ++j) {
        if (!std::isfinite(g->gradient[j])) continue;
        ASSERT_TRUE(nearlyInside(gradient[j], g->gradient[j]))
            << name << " d/dx" << j << " at " << p1[i] << ", " << p2[i] << ": " << g->gradient[j] << " not in ["
            << gradient[j].lo << ", " << gradient[j].hi << "]";
      }
    }
  }
}

TEST(IntervalTapeTest, AwkwardBoxesEncloseAndKeepFeasiblePoints) {
  Fixture f;
  BoxGenerator gen;
  forEachAwkwardOperation([&](const char* name, double special, double floor, auto make) {
    expectTapesHoldOverAwkwardBoxes(f, gen, name, special, floor, make);
  });
}

TEST(IntervalTapeTest, ContractionWorkedCases) {
  Fixture f;
  // x + y = 10 with x in [0, 20], y in [0, 3]
  Interval box[3] = {{}, {0, 20}, {0, 3}};
  f.ctx->buffers.tapeCount = 0;
  IvPropFamily t;
  t.ctx = f.ctx, t.box = box;
  const IvPropNode sum = t.bin(kOpAdd, t.var(1), t.var(2));
  IvProp_subVS(&sum, 10);
  IvProp_contract(box, false, false, &f.ctx->buffers);
  EXPECT_EQ(box[1].lo, 7);
  EXPECT_EQ(box[1].hi, 10);
  EXPECT_EQ(box[2].lo, 0);
  EXPECT_EQ(box[2].hi, 3);

  struct Row {
    const char* name;
    std::function<IvPropNode(IvPropFamily&)> f;
    double level;
    Interval start, expected;
  };
  const Row rows[] = {
      {"x^2 <= 4", [](IvPropFamily& t) { return t.un(kOpSquare, t.var(1)); }, 4, {-5, 5}, {-2, 2}},
      {"exp(x) <= 1", [](IvPropFamily& t) { return t.un(kOpExp, t.var(1)); }, 1, {-5, 5}, {-5, 0}},
      // mended: a cube keeps its negative roots
      {"x^3 <= 1", [](IvPropFamily& t) { return t.vs(kOpPower, t.var(1), 3); }, 1, {-2, 2}, {-2, 1}},
      // mended: both branches of COS, period 2 pi
      {"cos(x) <= -0.5", [](IvPropFamily& t) { return t.un(kOpCos, t.var(1)); }, -0.5, {0, 4}, {2 * M_PI / 3, 4}},
      {"exp(x) <= 1 far", [](IvPropFamily& t) { return t.un(kOpExp, t.var(1)); }, 1, {-1000, 5}, {-1000, 0}},
  };
  for (const Row& r : rows) {
    Interval b[3] = {{}, r.start, {0, 0}};
    contract(f, b, r.f, r.level, false);
    EXPECT_NEAR(b[1].lo, r.expected.lo, 1e-9) << r.name;
    EXPECT_NEAR(b[1].hi, r.expected.hi, 1e-9) << r.name;
    EXPECT_LE(b[1].lo, r.expected.lo) << r.name;
    EXPECT_GE(b[1].hi, r.expected.hi) << r.name;
  }
  // sin(x) >= 0.5 on [0, 10]: two periods of solutions, 7 among them.
  Interval s[3] = {{}, {0, 10}, {0, 0}};
  contract(f, s, [](IvPropFamily& t) { return t.un(kOpSin, t.var(1)); }, 0.5, true);
  EXPECT_NEAR(s[1].lo, M_PI / 6, 1e-9);
  EXPECT_NEAR(s[1].hi, 2 * M_PI + 5 * M_PI / 6, 1e-9);
  // A root that misses 0 narrows nothing; MAX passes nothing on.
  Interval m[3] = {{}, {0, 1}, {0, 1}};
  contract(f, m, [](IvPropFamily& t) { return t.bin(kOpMax, t.var(1), t.var(2)); }, 0.5, false);
  EXPECT_EQ(m[1].hi, 1);
  Interval none[3] = {{}, {2, 3}, {0, 0}};
  contract(f, none, [](IvPropFamily& t) { return t.un(kOpExp, t.var(1)); }, 1, false);
  EXPECT_EQ(none[1].lo, 2);
  EXPECT_EQ(none[1].hi, 3);
}

}  // namespace

namespace {

// The kind-9 tape recorded over a box and replayed: the interval Hessian
// encloses the point Hessians (kind 8) for every operation.
TEST(IntervalTapeTest, HessianReplayEnclosesPointHessians) {
  BoxGenerator gen;
  double x[3] = {0, 0, 0};
  for (const Case& c : kCases) {
    for (int k = 0; k < 100; ++k) {
      EvalContext* ctx = makeContext(2, x);
      const Interval box[3] = {{}, skeletonBox(gen), skeletonBox(gen)};
      for (int j = 1; j <= 2; ++j) ctx->tables.variables->records[j - 1].value = box[j];
      ctx->tables.functions->maxCellTape = 64;
      IvGrad_init(ctx->buffers.ivGradBuffer, 2, ctx);
      ASSERT_TRUE(IvGrad_prepareTape(ctx, 2));
      ctx->flags.recording = 1;
      ctx->buffers.tapeCount = 0;
      Interval h[3][3] = {};
      {
        IvGradFamily g;
        g.ctx = ctx, g.box = box, g.n = 2;
        const IvGradValue* r = build(g, c);
        ctx->flags.recording = 0;
        Interval* rows[3] = {h[0], h[1], h[2]};
        IvGrad_reverseHessian(rows, false, false, r->node, ctx);
      }
      ASSERT_TRUE(roundsToNearest()) << c.name;
      ASSERT_EQ(ctx->errors.errorCount, 0) << c.name;
      for (double t : gen.points(box[1], 4)) {
        const double u = gen.uniform(box[2].lo, box[2].hi);
        x[1] = t, x[2] = u;
        HessFamily hess;
        hess.ctx = ctx, hess.x = x, hess.n = 2;
        const HessValue* p = build(hess, c);
        for (int i = 1; i <= 2; ++i)
          for (int j = 1; j <= 2; ++j)
            ASSERT_TRUE(nearlyInside(h[i][j], p->hessian[i][j]))
                << c.name << " H" << i << j << " at " << t << ", " << u << ": " << p->hessian[i][j] << " not in ["
                << h[i][j].lo << ", " << h[i][j].hi << "]";
      }
      freeContext(ctx);
    }
  }
}

}  // namespace

namespace {

// A context over two variables at x with a tape of 8 records made ready by
// prepare, recording while record runs; returns the count of errors raised.
template <class Prepare, class Record>
int32_t onFreshTape(const double* x, Prepare prepare, Record record) {
  EvalContext* ctx = makeContext(2, x);
  ctx->tables.functions->maxCellTape = 8;
  prepare(ctx);
  ctx->flags.recording = 1;
  ctx->buffers.tapeCount = 0;
  record(ctx);
  const int32_t errors = ctx->errors.errorCount;
  freeContext(ctx);
  return errors;
}

// Records f over box on the kind-9 tape and replays it into h.
template <class Build>
void replay(const Interval* box, Build f, Interval (*h)[3], int32_t* status) {
  const double x[3] = {0, 0, 0};
  const auto prepare = [box](EvalContext* ctx) {
    for (int j = 1; j <= 2; ++j) ctx->tables.variables->records[j - 1].value = box[j];
    IvGrad_init(ctx->buffers.ivGradBuffer, 2, ctx);
    IvGrad_prepareTape(ctx, 2);
  };
  *status = onFreshTape(x, prepare, [&](EvalContext* ctx) {
    IvGradFamily g;
    g.ctx = ctx, g.box = box, g.n = 2;
    const IvGradValue* r = f(g);
    Interval* rows[3] = {h[0], h[1], h[2]};
    IvGrad_reverseHessian(rows, false, false, r->node, ctx);
  });
}

TEST(IntervalTapeTest, HessianReplayWorkedCases) {
  const Interval box[3] = {{}, {-2, -1}, {1, 3}};
  int32_t status = 0;
  Interval h[3][3] = {};
  replay(box, [](IvGradFamily& g) { return g.bin(kOpMul, g.var(1), g.var(2)); }, h, &status);
  EXPECT_EQ(h[1][2].lo, 1);
  EXPECT_EQ(h[2][1].hi, 1);
  EXPECT_EQ(h[1][1].hi, 0);
  Interval c[3][3] = {};
  // mended: x^3.0 over a negative box is the integer power, forward and in
  // the replay
  replay(box, [](IvGradFamily& g) { return g.vs(kOpPower, g.var(1), 3.0); }, c, &status);
  EXPECT_EQ(status, 0);
  EXPECT_LE(c[1][1].lo, -12);  // 6 x over [-2, -1]
  EXPECT_GE(c[1][1].hi, -6);
  Interval v[3][3] = {};
  replay(box, [](IvGradFamily& g) { return g.var(2); }, v, &status);
  EXPECT_EQ(v[2][2].hi, 0);  // a lone variable records nothing
  // MAX of overlapping operands: x1^2 over [0, 2] against x2 over [1, 3]
  // either side may be the larger, so d2/dx1^2 is 2 or 0.
  const Interval overlap[3] = {{}, {0, 2}, {1, 3}};
  Interval m[3][3] = {};
  replay(
      overlap, [](IvGradFamily& g) { return g.bin(kOpMax, g.un(kOpSquare, g.var(1)), g.var(2)); }, m, &status);
  EXPECT_EQ(status, 0);
  EXPECT_LE(m[1][1].lo, 0);
  EXPECT_GE(m[1][1].hi, 2);
}

// The replayed Hessian, like the forward one, is not bounded where a kink
// may lie inside the box and stays bounded elsewhere.
TEST(IntervalTapeTest, HessianReplayIsUnboundedAtKinks) {
  for (const KinkCase& c : kKinkCases) {
    for (const bool numberLeft : {false, true}) {
      const Interval box[3] = {{}, c.box1, c.box2};
      int32_t status = 0;
      Interval h[3][3] = {};
      replay(
          box, [&](IvGradFamily& g) { return kinkFunction(g, c, numberLeft); }, h, &status);
      EXPECT_EQ(status, 0) << c.name;
      bool bounded = true;
      for (int i = 1; i <= 2; ++i)
        for (int j = 1; j <= 2; ++j) bounded = bounded && std::isfinite(h[i][j].lo) && std::isfinite(h[i][j].hi);
      EXPECT_EQ(bounded, !c.kinkInside) << c.name << (numberLeft ? ", number on the left" : "");
    }
  }
}

// SIGN over boxes with and without its jump: the reverse sweep's partial
// along x1 holds every sampled slope and the replayed second partial every
// sampled second difference, both unbounded where the value may change.
TEST(IntervalTapeTest, SweepAndReplayAtSignsJump) {
  Fixture f;
  BoxGenerator gen;
  for (const SignCase& c : kSignCases) {
    const Interval box[3] = {{}, c.box1, c.box2};
    f.ctx->buffers.tapeCount = 0;
    IvRevFamily t;
    t.ctx = f.ctx, t.box = box;
    const IvRevNode r = signFunction(t, c);
    Interval g[3] = {{0, 0}, {0, 0}, {0, 0}};
    Tape_reverseSweep<IvRevScalar>(g, false, false, r.self, &f.ctx->buffers);
    int32_t status = 0;
    Interval h[3][3] = {};
    replay(
        box, [&](IvGradFamily& a) { return signFunction(a, c); }, h, &status);
    EXPECT_EQ(status, 0) << c.name;
    EXPECT_EQ(Ivl_isFinite(g[1]), !c.jumps) << c.name;
    EXPECT_EQ(Ivl_isFinite(h[1][1]), !c.jumps) << c.name;
    EXPECT_TRUE(Ivl_isFinite(h[1][2]) && Ivl_isFinite(h[2][2])) << c.name;
    forEachSignDifference(gen, c, [&](long double slope, long double second) {
      ASSERT_TRUE(encloses(g[1], slope)) << c.name << ": " << slope;
      ASSERT_TRUE(encloses(h[1][1], second)) << c.name << ": " << second;
    });
  }
  EXPECT_EQ(f.ctx->errors.errorCount, 0);
}

// Every operation applied straight to the variables over boxes of every
// shape: the replayed interval Hessian encloses the point Hessians (kind 8)
// wherever the box raised no status. Points of x1 below `floor` lie where
// LN, SQRT and the POWER of a variable base cut their operand.
template <class Op>
void expectReplayEnclosesOverAwkwardBoxes(BoxGenerator& gen, const char* name, double special, double floor, Op op) {
  double x[3] = {0, 0, 0};
  EvalContext* ctx = makeContext(2, x);
  for (int k = 0; k < 400; ++k) {
    const Interval box[3] = {{}, gen.box(special), gen.box()};
    int32_t status = 0;
    Interval h[3][3] = {};
    replay(box, op, h, &status);
    ASSERT_TRUE(roundsToNearest()) << name;
    if (status) continue;
    for (double t : gen.points(box[1], 6)) {
      if (t < floor) continue;
      x[1] = t, x[2] = gen.points(box[2], 5)[4];
      HessFamily hess;
      hess.ctx = ctx, hess.x = x, hess.n = 2;
      const HessValue* p = op(hess);
      const bool inside = ctx->errors.errorCount == 0;
      Vm_clearErrors(&ctx->errors);
      for (int i = 1; i <= 2 && inside; ++i)
        for (int j = 1; j <= 2; ++j) {
          if (!std::isfinite(p->hessian[i][j])) continue;
          ASSERT_TRUE(nearlyInside(h[i][j], p->hessian[i][j]))
              << name << " H" << i << j << " at " << x[1] << ", " << x[2] << " over [" << box[1].lo << ", " << box[1].hi
              << "] x [" << box[2].lo << ", " << box[2].hi << "]: " << p->hessian[i][j] << " not in [" << h[i][j].lo
              << ", " << h[i][j].hi << "]";
        }
    }
  }
  freeContext(ctx);
}

TEST(IntervalTapeTest, HessianReplayEnclosesOverAwkwardBoxes) {
  BoxGenerator gen;
  forEachAwkwardOperation([&](const char* name, double special, double floor, auto make) {
    expectReplayEnclosesOverAwkwardBoxes(gen, name, special, floor, make);
  });
}

}  // namespace

namespace {

// The 64-bit FNV-1a hash.
constexpr uint64_t kHashOffset = 0xcbf29ce484222325ull;
constexpr uint64_t kHashPrime = 0x100000001b3ull;

// Folds the bits of the four Hessian enclosures and the status into hash.
uint64_t fold(uint64_t hash, const Interval (*h)[3], int32_t status) {
  auto mix = [&hash](uint64_t word) {
    for (int b = 0; b < 8; ++b) hash = (hash ^ ((word >> (8 * b)) & 0xffu)) * kHashPrime;
  };
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) {
      mix(std::bit_cast<uint64_t>(h[i][j].lo));
      mix(std::bit_cast<uint64_t>(h[i][j].hi));
    }
  mix(static_cast<uint64_t>(status));
  return hash;
}

// Folds step(box, k, make, gen, &hash) over 300 awkward boxes k of every
// operation (gen, the boxes' generator, may draw points) and expects each operation's hash as recorded in expected, in
// the order of forEachAwkwardOperation.
template <size_t N, class Step>
void expectHashes(const uint64_t (&expected)[N], Step step) {
  BoxGenerator gen;
  size_t index = 0;
  forEachAwkwardOperation([&](const char* name, double special, double, auto make) {
    uint64_t hash = kHashOffset;
    for (int k = 0; k < 300; ++k) {
      const Interval box[3] = {{}, gen.box(special), gen.box()};
      step(box, k, make, gen, &hash);
    }
    ASSERT_TRUE(roundsToNearest()) << name;
    const uint64_t want = index < N ? expected[index] : 0;
    EXPECT_EQ(hash, want) << name << " (operation " << index << "): 0x" << std::hex << hash;
    ++index;
  });
}

// The replayed enclosures of every operation, alone (its second-order
// weights) and squared (also its first-order weights), over 300 awkward
// boxes each, bit for bit as recorded: the partial-derivative weights keep
// their enclosures exactly, directed rounding included. The hashes were
// recorded with gcc: another compiler may round the elementary functions'
// own bounds differently (the enclosure test above covers every build).
TEST(IntervalTapeTest, HessianReplayKeepsItsEnclosuresBitForBit) {
#if defined(__clang__) || !defined(__GNUC__)
  GTEST_SKIP() << "the recorded hashes hold for gcc's builds only";
#endif
  const uint64_t expected[] = {
      0x1573fb68b6cd3225ull, 0x61841d26fd3cd425ull, 0x426c6a7765413bbull,  0x872d968b13853887ull, 0xe5067d476e6f9494ull,
      0x91b2242a9c3d5c7full, 0xa4fa36ebe1fbbd01ull, 0xaad2eefb9cb1c4bbull, 0x8191024a1e7e442full, 0xbc55c603df759aa5ull,
      0x734984fc9e978615ull, 0x9d9e588be768658eull, 0x50f5fcb0b6411a81ull, 0x75d543b1ebeae1e3ull, 0xe81ce45995e05c56ull,
      0xf9027dd8a014339cull, 0x22e96b000a81f225ull, 0x1573fb68b6cd3225ull, 0x1573fb68b6cd3225ull, 0x92716b3efa2af225ull,
      0x1573fb68b6cd3225ull, 0x1573fb68b6cd3225ull, 0x9c084af17ca8b2e7ull, 0xfe434b1194af8ca5ull, 0x80a56970968f2d25ull,
      0x1d60a7ba37b6ca41ull, 0x252717f4c995c685ull, 0x11f4f82f7bee5d8full, 0x632999f9614ee3a5ull, 0x374b7e8fe4fdf5a5ull,
      0x5472b3b5a289bea5ull, 0xa64f87601fbe2025ull, 0x272472fecd4d87e5ull, 0x366d76845aaac665ull, 0x40a84d5026c426c0ull,
      0xbec310e1f0332d94ull, 0x6c43c2a0cc690135ull};
  expectHashes(expected, [](const Interval* box, int, auto make, BoxGenerator&, uint64_t* hash) {
    int32_t status = 0;
    Interval h[3][3] = {}, s[3][3] = {};
    replay(box, make, h, &status);
    *hash = fold(*hash, h, status);
    replay(
        box, [&make](IvGradFamily& g) { return g.bin(kOpMul, make(g), make(g)); }, s, &status);
    *hash = fold(*hash, s, status);
  });
}

}  // namespace

namespace {

// f at x on the kind-6 tape, its gradient into g and its replayed Hessian
// into h; false when the evaluation raised a status.
template <class Build>
bool replayPoint(const double* x, Build f, double* g, double (*h)[3]) {
  const auto prepare = [](EvalContext* ctx) { Grad_prepareTape(ctx, 2); };
  return onFreshTape(x, prepare, [&](EvalContext* ctx) {
           GradFamily grad;
           grad.ctx = ctx, grad.x = x, grad.n = 2;
           const GradValue* r = f(grad);
           for (int i = 1; i <= 2; ++i) g[i] = r->gradient[i];
           double* rows[3] = {h[0], h[1], h[2]};
           Grad_reverseHessian(rows, false, false, r->node, ctx);
         }) == 0;
}

// The replayed point Hessian of every operation, alone and squared, agrees
// with central differences of its gradient at points inside every domain.
TEST(IntervalTapeTest, PointHessianReplayAgreesWithDifferences) {
  constexpr double kStep = 1e-6;
  BoxGenerator gen;
  forEachAwkwardOperation([&](const char* name, double, double, auto make) {
    const auto squared = [&make](GradFamily& g) { return g.bin(kOpMul, make(g), make(g)); };
    for (int k = 0; k < 20; ++k) {
      const double x[3] = {0, gen.uniform(0.3, 0.9), gen.uniform(0.3, 0.9)};
      for (int form = 0; form < 2; ++form) {
        double g[3], h[3][3] = {}, up[3], down[3], unused[3][3];
        const bool clean = form ? replayPoint(x, squared, g, h) : replayPoint(x, make, g, h);
        ASSERT_TRUE(clean) << name;
        for (int j = 1; j <= 2; ++j) {
          double xu[3] = {0, x[1], x[2]}, xd[3] = {0, x[1], x[2]};
          xu[j] += kStep, xd[j] -= kStep;
          form ? replayPoint(xu, squared, up, unused) : replayPoint(xu, make, up, unused);
          form ? replayPoint(xd, squared, down, unused) : replayPoint(xd, make, down, unused);
          for (int i = 1; i <= 2; ++i) {
            const double difference = (up[i] - down[i]) / (2 * kStep);
            EXPECT_NEAR(h[i][j], difference, 1e-5 * (1.0 + std::fabs(difference)))
                << name << (form ? " squared" : "") << " H" << i << j << " at " << x[1] << ", " << x[2];
          }
        }
      }
    }
  });
}

}  // namespace

namespace {

// Folds the bits of an interval into an FNV-1a hash; every NaN folds alike
// (its sign and payload are left to the compiler's choice of instructions).
void mixInterval(uint64_t* hash, const Interval& v) {
  for (const double d : {v.lo, v.hi}) {
    const uint64_t word = std::bit_cast<uint64_t>(std::isnan(d) ? std::numeric_limits<double>::quiet_NaN() : d);
    for (int b = 0; b < 8; ++b) *hash = (*hash ^ ((word >> (8 * b)) & 0xffu)) * kHashPrime;
  }
}

// One interval and one real reverse sweep of make over the box (the real one
// at a point of it), both gradients and values folded into hash with the
// count of raised statuses; the sweep's placement and sign vary with k.
template <class Make>
void foldSweeps(Fixture& f, BoxGenerator& gen, const Interval* box, int k, Make make, uint64_t* hash) {
  const bool zeroBased = k % 3 == 0, subtract = k % 2 == 1;
  f.ctx->buffers.tapeCount = 0;
  IvRevFamily t;
  t.ctx = f.ctx, t.box = box;
  const IvRevNode r = make(t);
  Interval gradient[3] = {{0, 0}, {0.5, 0.5}, {0, 0}};
  Tape_reverseSweep<IvRevScalar>(gradient, zeroBased, subtract, r.self, &f.ctx->buffers);
  mixInterval(hash, r.value);
  for (const Interval& g : gradient) mixInterval(hash, g);
  f.ctx->buffers.tapeCount = 0;
  const double x[3] = {0, gen.points(box[1], 1)[0], gen.points(box[2], 1)[0]};
  RevFamily real{f.ctx, x};
  const RevNode p = make(real);
  double point[3] = {0, 0.5, 0};
  Tape_reverseSweep<RevScalar>(point, zeroBased, subtract, p.self, &f.ctx->buffers);
  mixInterval(hash, Interval{p.value, p.value});
  for (const double g : point) mixInterval(hash, Interval{g, g});
  mixInterval(hash, Interval{double(f.ctx->errors.errorCount), 0});
  Vm_clearErrors(&f.ctx->errors);
}

// The values and swept gradients of both reverse tapes for every operation,
// alone and squared, over 300 awkward boxes each, bit for bit as recorded:
// the interval sweep keeps its enclosures exactly, directed rounding
// included, and the real one its numbers.
TEST(IntervalTapeTest, ReverseSweepsKeepTheirResultsBitForBit) {
  const uint64_t expected[] = {
      0x8883e70ad2096282ull, 0x1271f4e177bd339ull,  0xf250b7dc9da84184ull, 0x9e6615654e0643cfull, 0x63db06d553414ceaull,
      0x62745f1a43fddb31ull, 0x62f48178be276f2ull,  0x2e9b8f5161bd6b95ull, 0xd2bd1f5eb1fae565ull, 0xc20ae72cd88e7b65ull,
      0x13f29409d0cb1269ull, 0xc08ffd1ebc68640aull, 0x90196e8e917f6dc7ull, 0xc95ef6d543fd730aull, 0xf8630b61d9bd1772ull,
      0xfc9ea1a6ce2dee6aull, 0x9a77c5892a38fdc2ull, 0xc297c81e614d28ecull, 0xa6f77f61c4ee87f0ull, 0x939e61d9b694cfafull,
      0xee0f75c5930511b1ull, 0x48d021a5c57f06eaull, 0xab775530909011b1ull, 0x30ef2016bfac88b2ull, 0xaae9d4a1b5afe06dull,
      0x3678d2d9896f58f3ull, 0xc1f15bd3fd97feadull, 0x345a494470decaf7ull, 0xe52f5ebd9629f713ull, 0x8955a03396d62408ull,
      0xb0d13987be4fe643ull, 0x40b6437bec563ea2ull, 0x74b372fa6cb94a2ull,  0x6a75cf8e91cedb52ull, 0x164aa82b872a165dull,
      0xab948695012a6a74ull, 0x135dcf73de3a9fd4ull};
  Fixture f;
  Tape_prepareReverse<RevScalar>(f.ctx);
  expectHashes(expected, [&](const Interval* box, int k, auto make, BoxGenerator& gen, uint64_t* hash) {
    foldSweeps(f, gen, box, k, make, hash);
    foldSweeps(
        f, gen, box, k, [&make](auto& fam) { return fam.bin(kOpMul, make(fam), make(fam)); }, hash);
  });
}

}  // namespace
