// Affine forms: ranges enclose the formula over random boxes for every
// operation and function (values in long double), with and without the kept
// enclosure; worked cases; cancellation and tightness.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "IntervalFamilies.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "values/Vm_Status.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Fixture {
  double x[3] = {0, 0, 0};
  EvalContext* ctx = makeContext(2, x);
  ~Fixture() { freeContext(ctx); }
};

TEST(AffineTest, RangesEncloseEveryOperation) {
  Fixture f;
  BoxGenerator gen;
  for (bool keep : {false, true}) {
    f.ctx->flags.affineKeepsInterval = keep;
    for (const Case& c : kCases) {
      for (int k = 0; k < 200; ++k) {
        const Interval box[3] = {{}, skeletonBox(gen), skeletonBox(gen)};
        setAffineBox(f.ctx, 2, box);
        AffFamily a;
        a.ctx = f.ctx, a.box = box, a.n = 2;
        const AffineForm* r = build(a, c);
        ASSERT_TRUE(roundsToNearest()) << c.name;
        if (f.ctx->errors.errorCount) {  // a range reaching out of the domain
          Vm_clearErrors(&f.ctx->errors);
          continue;
        }
        const Interval range = Aff_toIvl(r, false), cut = Aff_toIvl(r, true);
        const std::vector<double> p1 = gen.points(box[1], 16), p2 = gen.points(box[2], 16);
        for (size_t s = 0; s < p1.size(); ++s) {
          LongFamily plain{{0, p1[s], p2[s]}};
          const long double v = build(plain, c);
          ASSERT_TRUE(encloses(range, v) && encloses(cut, v))
              << c.name << " at " << p1[s] << ", " << p2[s] << ": " << double(v) << " not in [" << range.lo << ", "
              << range.hi << "]";
        }
      }
    }
  }
}

// One variable over awkward boxes (through 0, at poles, wide, unbounded):
// every function of a form encloses its values wherever it raises nothing,
// right up to the poles of LN, LX and a negative real power.
struct FormCase {
  const char* name;
  std::function<AffineForm(const AffineForm*)> form;
  std::function<long double(long double)> truth;
  double special;
};

TEST(AffineTest, FunctionsOverAwkwardRanges) {
  const std::vector<FormCase> cases = {
      {"x^4", [](const AffineForm* x) { return Aff_powVI(x, 4); }, [](long double t) { return t * t * t * t; }, 0},
      {"x^2", [](const AffineForm* x) { return Aff_powVI(x, 2); }, [](long double t) { return t * t; }, 0},
      {"x^3", [](const AffineForm* x) { return Aff_powVI(x, 3); }, [](long double t) { return t * t * t; }, 0},
      {"1/x", [](const AffineForm* x) { return Aff_powVI(x, -1); }, [](long double t) { return 1 / t; }, 0},
      {"x^-2", [](const AffineForm* x) { return Aff_powVI(x, -2); }, [](long double t) { return 1 / (t * t); }, 0},
      {"x^1.5", [](const AffineForm* x) { return Aff_powVS(x, 1.5); }, [](long double t) { return powl(t, 1.5L); }, 0},
      {"x^-0.5", [](const AffineForm* x) { return Aff_powVS(x, -0.5); },
       [](long double t) { return t < 0 ? NAN : powl(t, -0.5L); }, 0},
      {"sqrt", Aff_sqrt, [](long double t) { return sqrtl(t); }, 0},
      {"ln", Aff_ln, [](long double t) { return t < 0 ? NAN : logl(t); }, 0},
      {"exp", Aff_exp, [](long double t) { return expl(t); }, 0},
      {"sin", Aff_sin, [](long double t) { return sinl(t); }, M_PI / 2},
      {"cos", Aff_cos, [](long double t) { return cosl(t); }, M_PI},
      {"tan", Aff_tan, [](long double t) { return tanl(t); }, 3 * M_PI / 2},
      {"atan", Aff_atan, [](long double t) { return atanl(t); }, 0},
      {"acos", Aff_acos, [](long double t) { return acosl(t); }, 1},
      {"asin", Aff_asin, [](long double t) { return asinl(t); }, -1},
      {"sinh", Aff_sinh, [](long double t) { return sinhl(t); }, 0},
      {"cosh", Aff_cosh, [](long double t) { return coshl(t); }, 0},
      {"tanh", Aff_tanh, [](long double t) { return tanhl(t); }, 0},
      {"abs", Aff_abs, [](long double t) { return fabsl(t); }, 0},
      {"sign", Aff_sign, [](long double t) { return t > 0 ? 1.0L : t < 0 ? -1.0L : 0.0L; }, 0},
      {"sqr", Aff_sqr, [](long double t) { return t * t; }, 0},
      {"max(x,0.5)", [](const AffineForm* x) { return Aff_maxVS(x, 0.5); },
       [](long double t) { return t > 0.5L ? t : 0.5L; }, 0.5},
      {"min(x,0.5)", [](const AffineForm* x) { return Aff_minSV(0.5, x); },
       [](long double t) { return t < 0.5L ? t : 0.5L; }, 0.5},
      {"3^x", [](const AffineForm* x) { return Aff_powSV(3, x); }, [](long double t) { return powl(3.0L, t); }, 0},
      {"gexp", [](const AffineForm* x) { return Aff_gexp(x, -1.5, 2, 0.5); },
       [](long double t) { return (expl(-1.5L * t) + 2) * 0.5L; }, 0},
      {"lx", Aff_lx, [](long double t) { return t < 0 || t > 1 ? NAN : logl(t / (1 - t)); }, 1},
      {"poly3", [](const AffineForm* x) { return Aff_poly3(x, 1, -2, 0.5, 0.75); },
       [](long double t) { return 1 - 2 * t + 0.5L * t * t + 0.75L * t * t * t; }, 0},
      {"poly3 quadratic", [](const AffineForm* x) { return Aff_poly3(x, 1, -2, -3, 0); },
       [](long double t) { return 1 - 2 * t - 3 * t * t; }, 0},
  };
  Fixture f;
  BoxGenerator gen;
  for (const FormCase& c : cases) {
    for (int k = 0; k < 1500; ++k) {
      const Interval box[2] = {{}, gen.box(c.special)};
      setAffineBox(f.ctx, 1, box);
      AffineForm x{};
      Aff_init(&x, 1, f.ctx);
      Aff_setVar(&x, box[1], 1);
      const AffineForm r = c.form(&x);
      const Interval range = Aff_toIvl(&r, false);
      Aff_free(&x);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      if (f.ctx->errors.errorCount) {
        Vm_clearErrors(&f.ctx->errors);
        continue;
      }
      for (double t : gen.points(box[1], 20)) {
        const long double v = c.truth(t);
        if (std::isinf(v)) continue;  // a pole
        ASSERT_TRUE(encloses(range, v)) << c.name << "(" << t << ") over [" << box[1].lo << ", " << box[1].hi
                                        << "]: " << double(v) << " not in [" << range.lo << ", " << range.hi << "]";
      }
    }
  }
}

// The two-operand operations over boxes of every shape (wide and unbounded
// ones included): the range encloses every sampled pair, except where the
// POWER of a variable base cuts it below kIvlDomainFloor.
TEST(AffineTest, OperationsOverAwkwardBoxes) {
  Fixture f;
  BoxGenerator gen;
  for (int32_t op : {kOpSub, kOpAdd, kOpMul, kOpDiv, kOpMax, kOpMin, kOpPower}) {
    for (int k = 0; k < 1500; ++k) {
      const Interval box[3] = {{}, gen.box(), gen.box()};
      setAffineBox(f.ctx, 2, box);
      AffFamily a;
      a.ctx = f.ctx, a.box = box, a.n = 2;
      const Interval range = Aff_toIvl(a.bin(op, a.var(1), a.var(2)), false);
      ASSERT_TRUE(roundsToNearest()) << op;
      if (f.ctx->errors.errorCount) {
        Vm_clearErrors(&f.ctx->errors);
        continue;
      }
      const std::vector<double> p1 = gen.points(box[1], 12), p2 = gen.points(box[2], 12);
      for (size_t i = 0; i < p1.size(); ++i) {
        if (op == kOpPower && p1[i] < kIvlDomainFloor) continue;
        const long double v = LongFamily::bin(op, p1[i], p2[i]);
        if (std::isinf(v)) continue;  // a pole
        ASSERT_TRUE(encloses(range, v)) << op << " at " << p1[i] << ", " << p2[i] << ": " << double(v) << " not in ["
                                        << range.lo << ", " << range.hi << "]";
      }
    }
  }
}

// One-variable forms for the worked cases.
struct One {
  Fixture f;
  AffineForm x{};
  explicit One(Interval box) {
    const Interval b[2] = {{}, box};
    setAffineBox(f.ctx, 1, b);
    Aff_init(&x, 1, f.ctx);
    Aff_setVar(&x, box, 1);
  }
  ~One() { Aff_free(&x); }
  Interval range(const AffineForm& a) const { return Aff_toIvl(&a, false); }
};

// A function with a domain over a box partly outside it raises nothing and
// encloses its values at the points inside; only a box wholly outside raises
// "Unfeasible argument". TAN across a pole gives the whole line, and a
// negative integer power across 0 raises "Division by zero", as the interval
// modes do.
TEST(AffineTest, ABoxPartlyOutsideTheDomainKeepsItsValues) {
  struct DomainCase {
    const char* name;
    std::function<AffineForm(const AffineForm*)> form;
    std::function<double(double)> truth;
    Interval partly, outside;
  };
  const std::vector<DomainCase> cases = {
      {"sqrt", Aff_sqrt, [](double t) { return std::sqrt(t); }, {-1, 2}, {-2, -1}},
      {"x^0.5", [](const AffineForm* x) { return Aff_powVS(x, 0.5); }, [](double t) { return std::sqrt(t); },
       {-1, 2}, {-2, -1}},
      {"x^-0.5", [](const AffineForm* x) { return Aff_powVS(x, -0.5); }, [](double t) { return 1 / std::sqrt(t); },
       {-1, 2}, {-2, 0}},
      {"ln", Aff_ln, [](double t) { return std::log(t); }, {-1, 2}, {-2, 0}},
      {"asin", Aff_asin, [](double t) { return std::asin(t); }, {-3, 0.5}, {1.5, 3}},
      {"acos", Aff_acos, [](double t) { return std::acos(t); }, {0.5, 3}, {-3, -1.5}},
      {"lx", Aff_lx, [](double t) { return std::log(t / (1 - t)); }, {-1, 0.5}, {1, 2}},
      {"x^y", [](const AffineForm* x) { return Aff_pow(x, x); }, [](double t) { return std::pow(t, t); }, {-1, 2},
       {-2, 0}},
  };
  for (const DomainCase& c : cases) {
    One in(c.partly);
    const Interval r = in.range(c.form(&in.x));
    EXPECT_EQ(in.f.ctx->errors.errorCount, 0) << c.name;
    for (double t = c.partly.lo; t <= c.partly.hi; t += 1.0 / 64) {
      const double v = c.truth(t);
      if (std::isfinite(v) && t > kIvlDomainFloor) {
        EXPECT_TRUE(encloses(r, v)) << c.name << " at " << t;
      }
    }
    One out(c.outside);
    c.form(&out.x);
    EXPECT_EQ(out.f.ctx->errors.firstError, kStatusUnfeasibleArgument) << c.name;
  }
  One pole(Interval{1, 2});
  const AffineForm tan = Aff_tan(&pole.x);
  EXPECT_EQ(pole.f.ctx->errors.errorCount, 0);
  EXPECT_EQ(tan.radius, kInf);
  for (int k : {-1, -2}) {
    One through(Interval{-1, 2});
    Aff_powVI(&through.x, k);
    EXPECT_EQ(through.f.ctx->errors.firstError, kStatusDivisionByZero) << k;
  }
}

TEST(AffineTest, WorkedCases) {
  One v(Interval{1, 3});
  const AffineForm d = Aff_sub(&v.x, &v.x);
  EXPECT_EQ(d.centre, 0);
  EXPECT_EQ(d.radius, 0);
  EXPECT_EQ(v.range(d).lo, 0);
  EXPECT_EQ(v.range(d).hi, 0);
  const AffineForm sq = Aff_mul(&v.x, &v.x);
  EXPECT_EQ(sq.centre, 4.5);
  EXPECT_EQ(sq.coef[1], 4);
  EXPECT_EQ(sq.radius, 0.5);
  const AffineForm sq2 = Aff_sqr(&v.x);
  EXPECT_EQ(sq2.centre, 4.5);
  EXPECT_EQ(sq2.radius, 0.5);
  EXPECT_EQ(v.range(Aff_maxVS(&v.x, 5)).lo, 5);
  EXPECT_EQ(v.range(Aff_minVS(&v.x, 5)).hi, 3);
  const Interval half = v.range(Aff_divVS(&v.x, 2));
  EXPECT_EQ(half.lo, 0.5);
  EXPECT_EQ(half.hi, 1.5);
  EXPECT_EQ(v.range(Aff_powVI(&v.x, 0)).lo, 1);
  EXPECT_EQ(v.f.ctx->errors.errorCount, 0);
  Aff_divVS(&v.x, 0);
  EXPECT_EQ(v.f.ctx->errors.firstError, kStatusDivisionByZero);

  One through(Interval{0, 1});
  Aff_divSV(1, &through.x);
  EXPECT_EQ(through.f.ctx->errors.firstError, kStatusDivisionByZero);
  const Interval s = through.range(Aff_sign(&through.x));  // mended: sign(0) is 0
  EXPECT_LE(s.lo, 0);
  EXPECT_GE(s.hi, 1);

  One abs(Interval{-1, 3});
  const Interval a = abs.range(Aff_abs(&abs.x));
  EXPECT_LE(a.lo, 0);
  EXPECT_NEAR(a.hi, 3, 1e-12);  // 0.5 x + [0, 1.5] over [-1, 3] reaches [-0.5, 3]
  One wide(Interval{-kInf, kInf});
  const Interval w = wide.range(Aff_sin(&wide.x));  // mended: ends on unbounded ranges
  EXPECT_LE(w.lo, -1);
  EXPECT_GE(w.hi, 1);
}

// The rise of (1 + x)^12 over x in [0.01, 0.1] keeps an enclosure away
// from 0 while its linear form reaches 0: its reciprocal is bounded by the
// enclosure's, not a fault.
TEST(AffineTest, ReciprocalOfAFormWhoseEnclosureAvoidsZero) {
  One v(Interval{0.01, 0.1});
  AffineForm rise{};
  Aff_init(&rise, 1, v.f.ctx);
  Aff_set(&rise, &v.x);
  for (const auto& step : std::vector<std::function<AffineForm(const AffineForm*)>>{
           [](const AffineForm* a) { return Aff_addSV(1, a); }, [](const AffineForm* a) { return Aff_powVI(a, 12); },
           [](const AffineForm* a) { return Aff_subVS(a, 1); }}) {
    const AffineForm next = step(&rise);
    Aff_set(&rise, &next);
  }
  ASSERT_TRUE(Ivl_contains(Aff_toIvl(&rise, false), 0.0));
  const Interval r = v.range(Aff_divSV(1, &rise));
  EXPECT_EQ(v.f.ctx->errors.errorCount, 0);
  for (double t = 0.01; t <= 0.1; t += 0.001) EXPECT_TRUE(encloses(r, 1 / (std::pow(1 + t, 12) - 1))) << t;
  Aff_free(&rise);
}

TEST(AffineTest, WidthsShrinkWithTheBox) {
  for (const Case& c : kCases) {
    double previous = kInf;
    for (double w = 0.1; w > 1e-7; w /= 10) {
      Fixture f;
      const Interval box[3] = {{}, {0.3 - w, 0.3 + w}, {-0.2 - w, -0.2 + w}};
      setAffineBox(f.ctx, 2, box);
      AffFamily a;
      a.ctx = f.ctx, a.box = box, a.n = 2;
      const Interval r = Aff_toIvl(build(a, c), false);
      EXPECT_LE(r.hi - r.lo, previous * 1.0000001) << c.name << " at " << w;
      EXPECT_LT(r.hi - r.lo, 100 * w) << c.name << " at " << w;
      previous = r.hi - r.lo;
    }
  }
}

// SIN, COS and TAN over narrow ranges near and far from 0, out to where a
// period no longer changes a double: each ends, and each range encloses.
TEST(AffineTest, FarRangesEndAndEnclose) {
  BoxGenerator gen;
  for (double c : {10.3, 1e3, 1e6, 1e9, 1e12, 1e15, 1e16, 1e17, 1e20, 1e300, -1e17, -1e300}) {
    for (double w : {1e-9, 1e-3, 0.5, 3.0, 20.0}) {
      for (int which = 0; which < 3; ++which) {
        One v(Interval{c, c + w});
        const AffineForm r = which == 0 ? Aff_sin(&v.x) : which == 1 ? Aff_cos(&v.x) : Aff_tan(&v.x);
        if (v.f.ctx->errors.errorCount) continue;  // TAN over a pole
        const Interval range = v.range(r);
        for (double t : gen.points(Interval{c, c + w}, 200)) {
          const long double truth = which == 0 ? sinl(t) : which == 1 ? cosl(t) : tanl(t);
          ASSERT_TRUE(encloses(range, truth)) << which << " at " << t << " over [" << c << ", " << c + w << "]";
        }
      }
    }
  }
}

}  // namespace
