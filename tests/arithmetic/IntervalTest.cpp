// Interval library: worked cases of the arithmetic, the elementary functions,
// the extended division and the curvature tables; enclosure of sampled point
// values (computed in long double) over random boxes; ends that are the
// exact results rounded outward; rounding back at nearest after every
// operation; widths that shrink with the box.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "IntervalBoxes.h"
#include "arithmetic/interval/Curv_Class.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/interval/Ivl_Pair.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kEps = kIvlDomainFloor;

void expectIvl(const Interval& x, double lo, double hi) {
  EXPECT_EQ(x.lo, lo);
  EXPECT_EQ(x.hi, hi);
}

bool isWhole(const Interval& x) { return x.lo == -kInf && x.hi == kInf; }

// LN and the powers with an interval base cut a lower end below 0 to
// kIvlDomainFloor, but an argument that reaches 0 gives the value the end
// the function has at its pole there, so the truths hold down to 0.
struct UnaryCase {
  const char* name;
  std::function<Interval(Interval)> interval;
  std::function<long double(long double)> truth;
  double special;  // a pole or domain end the boxes should touch
};

const std::vector<UnaryCase>& unaryCases() {
  static const std::vector<UnaryCase> cases = {
      {"abs", [](Interval x) { return Ivl_abs(x); }, [](long double t) { return fabsl(t); }, 0.0},
      {"acos", [](Interval x) { return Ivl_acos(&x); }, [](long double t) { return acosl(t); }, 1.0},
      {"asin", [](Interval x) { return Ivl_asin(&x); }, [](long double t) { return asinl(t); }, -1.0},
      {"atan", [](Interval x) { return Ivl_atan(x); }, [](long double t) { return atanl(t); }, 0.0},
      {"cos", [](Interval x) { return Ivl_cos(x); }, [](long double t) { return cosl(t); }, M_PI},
      {"cosh", [](Interval x) { return Ivl_cosh(x); }, [](long double t) { return coshl(t); }, 0.0},
      {"exp", [](Interval x) { return Ivl_exp(x); }, [](long double t) { return expl(t); }, 0.0},
      {"ln", [](Interval x) { return Ivl_ln(&x); }, [](long double t) { return t < 0 ? NAN : logl(t); }, 0.0},
      {"sign", [](Interval x) { return Ivl_sign(x); },
       [](long double t) { return t > 0 ? 1.0L : t < 0 ? -1.0L : 0.0L; }, 0.0},
      {"sin", [](Interval x) { return Ivl_sin(x); }, [](long double t) { return sinl(t); }, M_PI / 2},
      {"sinh", [](Interval x) { return Ivl_sinh(x); }, [](long double t) { return sinhl(t); }, 0.0},
      {"sqr", [](Interval x) { return Ivl_sqr(x); }, [](long double t) { return t * t; }, 0.0},
      {"sqrt", [](Interval x) { return Ivl_sqrt(&x); }, [](long double t) { return sqrtl(t); }, 0.0},
      {"tan", [](Interval x) { return Ivl_tan(x); }, [](long double t) { return tanl(t); }, M_PI / 2},
      {"tanh", [](Interval x) { return Ivl_tanh(x); }, [](long double t) { return tanhl(t); }, 0.0},
      {"cube", [](Interval x) { return Ivl_powVI(x, 3); }, [](long double t) { return t * t * t; }, 0.0},
      {"pow-2", [](Interval x) { return Ivl_powVI(x, -2); }, [](long double t) { return 1 / (t * t); }, 0.0},
      {"pow-3", [](Interval x) { return Ivl_powVI(x, -3); }, [](long double t) { return 1 / (t * t * t); }, 0.0},
      {"pow4", [](Interval x) { return Ivl_powVI(x, 4); }, [](long double t) { return t * t * t * t; }, 0.0},
      {"pow0.5", [](Interval x) { return Ivl_powVS(&x, 0.5); },
       [](long double t) { return t < 0 ? NAN : powl(t, 0.5L); }, 0.0},
      {"pow-1.5", [](Interval x) { return Ivl_powVS(&x, -1.5); },
       [](long double t) { return t < 0 ? NAN : powl(t, -1.5L); }, 0.0},
      {"2^x", [](Interval x) { return Ivl_powSV(2.0, x); }, [](long double t) { return powl(2.0L, t); }, 0.0},
      {"0.3^x", [](Interval x) { return Ivl_powSV(0.3, x); }, [](long double t) { return powl(0.3L, t); }, 0.0},
  };
  return cases;
}

struct BinaryCase {
  const char* name;
  std::function<Interval(Interval, Interval)> interval;
  std::function<long double(long double, long double)> truth;
};

const std::vector<BinaryCase>& binaryCases() {
  static const std::vector<BinaryCase> cases = {
      {"add", Ivl_add, [](long double a, long double b) { return a + b; }},
      {"sub", Ivl_sub, [](long double a, long double b) { return a - b; }},
      {"mul", Ivl_mul, [](long double a, long double b) { return a * b; }},
      {"div", Ivl_div, [](long double a, long double b) { return b == 0 ? NAN : a / b; }},
      {"max", Ivl_max, [](long double a, long double b) { return a > b ? a : b; }},
      {"min", Ivl_min, [](long double a, long double b) { return a < b ? a : b; }},
      {"pow", [](Interval x, Interval y) { return Ivl_pow(&x, y); },
       [](long double a, long double b) { return a < 0 ? NAN : powl(a, b); }},
  };
  return cases;
}

TEST(IntervalTest, WorkedArithmetic) {
  expectIvl(Ivl_sub({1, 2}, {1, 2}), -1, 1);
  expectIvl(Ivl_subInner({1, 2}, {1, 2}), 0, 0);
  expectIvl(Ivl_mul({0, 0}, Ivl_whole()), 0, 0);
  expectIvl(Ivl_mulSV(0, Ivl_whole()), 0, 0);
  EXPECT_TRUE(isWhole(Ivl_add({-kInf, 1}, {kInf, kInf})));
  EXPECT_TRUE(isWhole(Ivl_sub({-kInf, 0}, {-kInf, 0})));
  EXPECT_TRUE(isWhole(Ivl_div({1, 2}, {-1, 1})));
  EXPECT_TRUE(isWhole(Ivl_div({1, 2}, {0, 1})));
  EXPECT_TRUE(isWhole(Ivl_divVS({1, 2}, 0)));
  const Interval s = Ivl_add({0.1, 0.1}, {0.2, 0.2});
  EXPECT_EQ(std::nextafter(s.lo, 1.0), s.hi);
  volatile double a = 0.1, b = 0.2;
  EXPECT_EQ(a + b, 0.30000000000000004);
  EXPECT_EQ(Ivl_powVI({-2, 3}, 2).lo, 0);
  EXPECT_NEAR(Ivl_powVI({-2, 3}, 2).hi, 9 + 9 * 1.4901161193848e-8, 1e-14);
  const Interval c = Ivl_powVI({-2, -1}, 3);
  EXPECT_LT(c.lo, -8);
  EXPECT_GT(c.hi, -1);
  EXPECT_TRUE(Ivl_isEmpty(Ivl_powVI({-1, 1}, -1)));
  expectIvl(Ivl_powVI({-kInf, 5}, 0), 1, 1);
  EXPECT_TRUE(Ivl_isEmpty(Ivl_intersect({0, 1}, {2, 3})));
  EXPECT_EQ(Ivl_gap({0, 1}, {2, 3}), 1);
  EXPECT_TRUE(Ivl_intersects({0, 1}, {1, 2}));
  EXPECT_EQ(Ivl_gap({0, 1}, {1, 2}), 0);
  expectIvl(Ivl_setBounds(3, 1), 1, 3);
  expectIvl(Ivl_setMidRad(1, -0.5), 0.5, 1.5);
  EXPECT_EQ(Ivl_dist({0, 1}, {0.5, 3}), 2);
}

TEST(IntervalTest, WorkedElementary) {
  Interval x{0.5, 2};
  const Interval r = Ivl_acos(&x);
  expectIvl(x, 0.5, 1);
  EXPECT_LE(r.lo, 0);
  EXPECT_NEAR(r.hi, std::acos(0.5), 1e-15);
  x = {2, 3};
  EXPECT_TRUE(Ivl_isEmpty(Ivl_acos(&x)));
  x = {0, 1};
  const Interval l = Ivl_ln(&x);
  EXPECT_EQ(x.lo, kEps);
  expectIvl(l, -kInf, l.hi);
  EXPECT_GE(l.hi, 0);
  EXPECT_LE(l.hi, 1e-15);
  x = {-1, 0};
  EXPECT_TRUE(Ivl_isEmpty(Ivl_ln(&x)));
  x = {-1, 4};
  expectIvl(Ivl_sqrt(&x), 0, 2);
  x = {-4, -1};
  EXPECT_TRUE(Ivl_isEmpty(Ivl_sqrt(&x)));
  x = {-1, 2};
  const Interval p = Ivl_powVS(&x, -1);
  EXPECT_EQ(x.lo, kEps);
  EXPECT_NEAR(p.lo, 0.5, 1e-15);
  EXPECT_EQ(p.hi, kInf);
  x = {0.25, 4};
  EXPECT_EQ(Ivl_powVS(&x, -0.5).hi, std::nextafter(std::nextafter(2.0, kInf), kInf));
  x = {-1, 2};
  const Interval q = Ivl_pow(&x, {-1, 2});
  EXPECT_EQ(x.lo, kEps);
  expectIvl(q, 0, kInf);
  EXPECT_FALSE(Ivl_isEmpty(Ivl_powSV(-2, {2, 2})));
  EXPECT_TRUE(Ivl_isEmpty(Ivl_powSV(-2, {0, 1})));  // mended: (-2)^0.5 has no value
  EXPECT_TRUE(Ivl_isEmpty(Ivl_powSV(0, {-1, 1})));
  expectIvl(Ivl_cos({0, 7}), -1, 1);
  EXPECT_EQ(Ivl_cos({-0.1, 0.1}).hi, 1);
  EXPECT_EQ(Ivl_cos({3, 3.5}).lo, -1);
  EXPECT_TRUE(isWhole(Ivl_tan({1, 2})));
  EXPECT_TRUE(isWhole(Ivl_tan({-4.8, -2})));
  EXPECT_TRUE(isWhole(Ivl_tan({0, 3.2})));
  EXPECT_NEAR(Ivl_tan({-1, 1}).hi, std::tan(1.0), 1e-15);
  EXPECT_EQ(Ivl_cosh({-1, 2}).lo, 1);
  expectIvl(Ivl_sign({0, 0}), 0, 0);
  expectIvl(Ivl_sign({0, 1}), -1, 1);
  // A point far out keeps its true value (the reduction is the library's).
  EXPECT_TRUE(encloses(Ivl_sin({1e22, 1e22}), sinl(1e22L)));
  EXPECT_TRUE(encloses(Ivl_sin({1e-20, 1e-20}), 1e-20L));
}

TEST(IntervalTest, InverseFormsKeepEveryBranch) {
  // cos t in [0.5, 1]: t in [-pi/3, pi/3] + 2k pi, on both sides of each
  // multiple of 2 pi.
  Interval z{0.5, 1};
  const Interval near{-4, 4}, far{4, 7};
  const Interval c = Ivl_acos(&z, &near);
  EXPECT_NEAR(c.lo, -M_PI / 3, 1e-9);
  EXPECT_NEAR(c.hi, M_PI / 3, 1e-9);
  EXPECT_LE(c.lo, -M_PI / 3);
  const Interval d = Ivl_acos(&z, &far);
  EXPECT_NEAR(d.lo, 2 * M_PI - M_PI / 3, 1e-9);
  EXPECT_EQ(d.hi, 7);
  z = {-0.1, 0.1};
  const Interval range{2, 4};
  const Interval s = Ivl_asin(&z, &range);  // sin t near 0 on [2, 4]: near pi
  EXPECT_LT(s.lo, M_PI - 0.1);
  EXPECT_GT(s.hi, M_PI + 0.1);
  EXPECT_GT(s.lo, 2.5);
  const Interval whole{-2, 2};
  const Interval r = Ivl_rootInv({-kInf, 1}, 3, &whole);
  EXPECT_EQ(r.lo, -kInf);
  EXPECT_GE(r.hi, 1);
  const Interval e = Ivl_rootInv({0, 4}, 2, &whole);
  EXPECT_LE(e.lo, -2);
  EXPECT_GE(e.hi, 2);
  expectIvl(Ivl_absInv({1, 2}, &whole), -2, 2);
  // Ranges so far out that a period no longer changes a double: each form
  // ends and keeps every point of the range.
  for (double c : {1e15, 1e17, 1e20, -1e17, 1e300}) {
    for (const Interval far : {Interval{c, c}, Interval{c, std::nextafter(c, kInf)}}) {
      Interval unit{-1, 1};
      const Interval a = Ivl_acos(&unit, &far), b = Ivl_asin(&unit, &far), t = Ivl_atan({-kInf, kInf}, &far);
      for (const Interval& r : {a, b, t}) {
        EXPECT_LE(r.lo, far.lo) << c;
        EXPECT_GE(r.hi, far.hi) << c;
      }
    }
  }
}

TEST(IntervalTest, ExtendedDivision) {
  IntervalPair p = Ivl_divExtended({1, 2}, {-1, 1});
  expectIvl(p.first, -kInf, -1);
  expectIvl(p.second, 1, kInf);
  EXPECT_EQ(p.gap, 2);
  expectIvl(Ivl_divExtended({1, 2}, {0, 1}).first, 1, kInf);
  expectIvl(Ivl_divExtended({1, 2}, {-1, 0}).first, -kInf, -1);
  expectIvl(Ivl_divExtended({-2, -1}, {0, 1}).first, -kInf, -1);
  EXPECT_TRUE(isWhole(Ivl_divExtended({-1, 1}, {-1, 1}).first));
  EXPECT_TRUE(isWhole(Ivl_divExtended({3, 4}, {0, 0}).second));
  const IntervalPair z = Ivl_divExtended({0, 0}, {-1, 1});
  expectIvl(z.first, -kInf, 0);
  expectIvl(z.second, 0, kInf);
  EXPECT_EQ(z.gap, 0);
  const IntervalPair s = Ivl_addSVPair(0.5, p);
  expectIvl(s.first, -kInf, -0.5);
  expectIvl(s.second, 1.5, kInf);
  EXPECT_EQ(s.gap, 2);
  const IntervalPair c = Ivl_intersectPair(s, {-1, 1});
  expectIvl(c.first, -1, -0.5);
  expectIvl(c.second, -1, -0.5);
  EXPECT_EQ(c.gap, 0);
  const IntervalPair w = Ivl_intersectPair(p, {-3, 3});
  expectIvl(w.first, -3, -1);
  expectIvl(w.second, 1, 3);
  EXPECT_EQ(w.gap, 2);
  expectIvl(Ivl_hullPair(w), -3, 3);
  EXPECT_FALSE(Ivl_pairIntersects(p, {-0.5, 0.5}));
  // Every quotient of sampled points lies in one of the pieces.
  BoxGenerator gen;
  for (int k = 0; k < 3000; ++k) {
    const Interval x = gen.box(), y = gen.box();
    const IntervalPair q = Ivl_divExtended(x, y);
    ASSERT_TRUE(roundsToNearest());
    for (double a : gen.points(x, 6))
      for (double b : gen.points(y, 6)) {
        if (b == 0) continue;
        const long double v = static_cast<long double>(a) / b;
        ASSERT_TRUE(encloses(q.first, v) || encloses(q.second, v)) << a << " / " << b;
      }
  }
}

namespace {

// The two doubles around the exact result whose nearest double is r and
// whose error (exact - r) has the sign of err: [r, r] when it is exact.
Interval neighbours(double r, double err) {
  if (err > 0) return Interval{r, std::nextafter(r, kInf)};
  if (err < 0) return Interval{std::nextafter(r, -kInf), r};
  return Interval{r, r};
}

// Exact results by error-free transformations, computed rounding to nearest.
Interval sumTruth(double a, double b) {
  const double s = a + b, bb = s - a;
  return neighbours(s, (a - (s - bb)) + (b - bb));
}
Interval productTruth(double a, double b) {
  const double p = a * b;
  return neighbours(p, std::fma(a, b, -p));
}
Interval quotientTruth(double a, double b) {
  const double q = a / b;
  return neighbours(q, std::fma(-q, b, a) * b);  // (a - q b) has the error's sign times b's
}
Interval rootTruth(double a) {
  const double s = std::sqrt(a);
  return neighbours(s, std::fma(-s, s, a));
}

// A double of either sign with a random 53-bit significand, scaled by 2^-40
// to 2^40.
double randomDouble(std::mt19937_64& rng) {
  const double significand = std::ldexp(static_cast<double>(rng() >> 11), -53) + 0.5;
  const int exponent = static_cast<int>(rng() % 81) - 40;
  return std::ldexp(rng() % 2 ? -significand : significand, exponent);
}

struct DirectedCase {
  const char* name;
  std::function<Interval(double, double)> interval;
  std::function<Interval(double, double)> truth;
};

}  // namespace

// Each end of a sum, difference, product, quotient, square, square root and
// midpoint-radius interval of doubles is the exact result rounded in its
// direction: the neighbouring double below and above it, or the result
// itself when it is a double; both units round to nearest again after each.
TEST(IntervalTest, EndsAreTheExactResultRoundedOutward) {
  // clang-format off
  const std::vector<DirectedCase> cases = {
      {"add", [](double a, double b) { return Ivl_add({a, a}, {b, b}); }, sumTruth},
      {"addSV", [](double a, double b) { return Ivl_addSV(a, {b, b}); }, sumTruth},
      {"sub", [](double a, double b) { return Ivl_sub({a, a}, {b, b}); },
       [](double a, double b) { return sumTruth(a, -b); }},
      {"subVS", [](double a, double b) { return Ivl_subVS({a, a}, b); },
       [](double a, double b) { return sumTruth(a, -b); }},
      {"mul", [](double a, double b) { return Ivl_mul({a, a}, {b, b}); }, productTruth},
      {"mulSV", [](double a, double b) { return Ivl_mulSV(a, {b, b}); }, productTruth},
      {"divVS", [](double a, double b) { return Ivl_divVS({a, a}, b); }, quotientTruth},
      {"sqr", [](double a, double) { return Ivl_sqr({a, a}); }, [](double a, double) { return productTruth(a, a); }},
      {"sqrt",
       [](double a, double) {
         Interval x{std::fabs(a), std::fabs(a)};
         return Ivl_sqrt(&x, nullptr);
       },
       [](double a, double) { return rootTruth(std::fabs(a)); }},
      {"setMidRad", [](double a, double b) { return Ivl_setMidRad(a, b); },
       [](double a, double b) {
         return Interval{sumTruth(a, -std::fabs(b)).lo, sumTruth(a, std::fabs(b)).hi};
       }},
  };
  // clang-format on
  std::mt19937_64 rng(68);
  for (const DirectedCase& c : cases)
    for (int k = 0; k < 20000; ++k) {
      const double a = randomDouble(rng), b = randomDouble(rng);
      const Interval got = c.interval(a, b), want = c.truth(a, b);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      ASSERT_EQ(got.lo, want.lo) << c.name << " " << a << " " << b;
      ASSERT_EQ(got.hi, want.hi) << c.name << " " << a << " " << b;
    }
}

TEST(IntervalTest, UnaryEnclosure) {
  BoxGenerator gen;
  for (const UnaryCase& c : unaryCases()) {
    for (int k = 0; k < 2500; ++k) {
      const Interval x = gen.box(c.special);
      const Interval r = c.interval(x);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      if (Ivl_isEmpty(r)) continue;
      ASSERT_LE(r.lo, r.hi) << c.name << " [" << x.lo << ", " << x.hi << "]";
      for (double t : gen.points(x, 24))
        ASSERT_TRUE(encloses(r, c.truth(t))) << c.name << "(" << t << ") in [" << x.lo << ", " << x.hi
                                              << "] gives [" << r.lo << ", " << r.hi << "]";
    }
  }
}

TEST(IntervalTest, BinaryEnclosure) {
  BoxGenerator gen;
  for (const BinaryCase& c : binaryCases()) {
    for (int k = 0; k < 6000; ++k) {
      const Interval x = gen.box(), y = gen.box();
      const Interval r = c.interval(x, y);
      ASSERT_TRUE(roundsToNearest()) << c.name;
      if (Ivl_isEmpty(r)) continue;
      const std::vector<double> a = gen.points(x, 6), b = gen.points(y, 6);
      for (double s : a)
        for (double t : b)
          ASSERT_TRUE(encloses(r, c.truth(s, t))) << c.name << "(" << s << ", " << t << ") gives [" << r.lo
                                                   << ", " << r.hi << "]";
    }
  }
}

TEST(IntervalTest, WidthsShrinkWithTheBox) {
  for (const UnaryCase& c : unaryCases()) {
    const double centre = 0.7;
    double previous = kInf;
    for (double w = 1e-1; w > 1e-9; w /= 10) {
      const Interval r = c.interval(Interval{centre - w, centre + w});
      const double width = r.hi - r.lo;
      EXPECT_LE(width, previous) << c.name << " at half width " << w;
      EXPECT_LT(width, 40 * w + 1e-7 * std::fabs(r.hi) + 1e-14) << c.name << " at half width " << w;
      previous = width;
    }
  }
}

TEST(CurvatureTest, ClassesOfSigns) {
  EXPECT_EQ(Curv_ofInterval({0, 0}), 2);
  EXPECT_EQ(Curv_ofInterval({0, 1}), 3);
  EXPECT_EQ(Curv_ofInterval({1, 2}), 4);
  EXPECT_EQ(Curv_ofInterval({-1, 0}), 1);
  EXPECT_EQ(Curv_ofInterval({-2, -1}), 0);
  EXPECT_EQ(Curv_ofInterval({-1, 1}), 6);
  EXPECT_EQ(Curv_divClassNum(3, -2), 1);
  EXPECT_EQ(Curv_divClassNum(3, 0), 3);
  const Interval g1[3] = {{}, {0, 0}, {1, 2}}, g2[3] = {{}, {1, 1}, {-1, 1}}, none[1] = {};
  EXPECT_EQ(Curv_ofGradient(2, g1), 4);
  EXPECT_EQ(Curv_ofGradient(2, g2), 3);
  EXPECT_EQ(Curv_ofGradient(0, none), 2);
  const Interval gu[3] = {{}, {1, 1}, {0, 0}}, gv[3] = {{}, {2, 2}, {0, 0}}, gw[3] = {{}, {2, 2}, {1, 1}};
  const Interval zero[3] = {{}, {0, 0}, {0, 0}}, neg[2] = {{}, {-1, -1}}, pos[2] = {{}, {1, 1}};
  EXPECT_EQ(Curv_ofCrossTerm(2, gu, gv), 3);
  EXPECT_EQ(Curv_ofCrossTerm(2, gu, gw), 6);
  EXPECT_EQ(Curv_ofCrossTerm(2, zero, gw), 2);
  EXPECT_EQ(Curv_ofCrossTerm(1, neg, pos), 1);
}

// Every entry of the sum and product tables, written out by hand from the
// rules: equal classes stay, affine is neutral, convex with strictly convex
// is strictly convex (likewise concave), else unknown; for products zero wins,
// then unknown, a positive factor keeps the other, signs multiply.
TEST(CurvatureTest, SumAndProductTablesEntryByEntry) {
  const int sum[7][7] = {{0, 0, 0, 6, 6, 6, 6}, {0, 1, 1, 6, 6, 6, 6}, {0, 1, 2, 3, 4, 5, 6}, {6, 6, 3, 3, 4, 6, 6},
                         {6, 6, 4, 4, 4, 6, 6}, {6, 6, 5, 6, 6, 5, 6}, {6, 6, 6, 6, 6, 6, 6}};
  const int product[7][7] = {{4, 3, 2, 1, 0, 6, 6}, {3, 3, 2, 1, 1, 6, 6}, {2, 2, 2, 2, 2, 2, 2}, {1, 1, 2, 3, 3, 6, 6},
                             {0, 1, 2, 3, 4, 5, 6}, {6, 6, 2, 6, 5, 6, 6}, {6, 6, 2, 6, 6, 6, 6}};
  const int negated[7] = {4, 3, 2, 1, 0, 5, 6};
  for (int a = 0; a < 7; ++a) {
    EXPECT_EQ(Curv_neg(a), negated[a]) << a;
    for (int b = 0; b < 7; ++b) {
      EXPECT_EQ(Curv_add(a, b), sum[a][b]) << a << " + " << b;
      EXPECT_EQ(Curv_mul(a, b), product[a][b]) << a << " * " << b;
      EXPECT_EQ(Curv_sub(a, b), sum[a][negated[b]]) << a << " - " << b;
    }
  }
  EXPECT_EQ(Curv_add(7, 2), 6);  // outside the classes: unknown
  EXPECT_EQ(Curv_mul(-1, 4), 6);
}

// The sum and product tables against their meaning: the class of a sum (or
// product) of two numbers drawn from the sign sets of the classes. Classes 5
// and 6 are checked by the stated rules.
TEST(CurvatureTest, TablesMatchTheirSignSets) {
  const std::vector<std::vector<double>> members = {
      {-2, -0.5}, {-1, 0}, {0}, {0, 1}, {0.5, 2}};
  for (int a = 0; a < 7; ++a) {
    for (int b = 0; b < 7; ++b) {
      const int sum = Curv_add(a, b), product = Curv_mul(a, b);
      EXPECT_EQ(sum, Curv_add(b, a));
      EXPECT_EQ(product, Curv_mul(b, a));
      EXPECT_EQ(Curv_sub(a, b), Curv_add(a, Curv_neg(b)));
      if (a == 2 || b == 2) {
        EXPECT_EQ(product, 2);
      }
      if (a == 2) {
        EXPECT_EQ(sum, b);
      }
      if (a >= 5 || b >= 5) {
        if (a != 2 && b != 2) {
          EXPECT_EQ(sum, a == 5 && b == 5 ? 5 : 6);
        }
        continue;
      }
      // Every sum or product of members must carry the class's sign promise.
      for (double x : members[a])
        for (double y : members[b]) {
          const double s = x + y, p = x * y;
          const auto keeps = [](int cls, double v) {
            switch (cls) {
              case 0: return v < 0;
              case 1: return v <= 0;
              case 2: return v == 0;
              case 3: return v >= 0;
              case 4: return v > 0;
              default: return true;
            }
          };
          EXPECT_TRUE(keeps(sum, s)) << a << " + " << b;
          EXPECT_TRUE(keeps(product, p)) << a << " * " << b;
        }
    }
  }
  for (int a = 0; a < 7; ++a)
    for (int b = 0; b < 7; ++b)
      for (int c = 0; c < 7; ++c) EXPECT_EQ(Curv_add(Curv_add(a, b), c), Curv_add(a, Curv_add(b, c)));
  EXPECT_EQ(Curv_neg(5), 5);
  EXPECT_EQ(Curv_neg(6), 6);
}

}  // namespace
