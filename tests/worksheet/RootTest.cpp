// The root finders on test residuals with known roots, and the residuals of
// the financial functions against direct sums.
#include <gtest/gtest.h>

#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/numeric/Root_Brent.h"
#include "worksheet/numeric/Root_Residuals.h"

namespace {

// A residual with a counter of its calls.
struct Residual {
  double (*f)(double);
  int calls = 0;
};

uint32_t evaluate(void* user, double x, double* out) {
  auto* r = static_cast<Residual*>(user);
  ++r->calls;
  *out = r->f(x);
  return 0;
}

uint32_t failing(void*, double, double* out) {
  *out = 0;
  return kErrorBase + kErrDiv0;
}

constexpr double tolerance(double root) { return 2 * (6e-9 * (root < 0 ? -root : root) + 1.5e-8); }

TEST(RootBrent, SolvesSmoothFlatAndSteepResidualsWithinItsSteps) {
  struct Case {
    double (*f)(double);
    double a, b, root;
  };
  const Case cases[] = {
      {[](double x) { return x * x - 2; }, 0, 2, std::sqrt(2.0)},         // smooth
      {[](double x) { return std::pow(x - 1, 9); }, -3, 2, 1},            // flat near its root
      {[](double x) { return std::atan(1e6 * (x - 0.3)); }, -5, 5, 0.3},  // steep
      {[](double x) { return std::exp(x) - 5; }, 0, 10, std::log(5.0)},   // curved
      {[](double x) { return x - 4; }, 1, 4, 4},                          // root at an end
  };
  for (const Case& c : cases) {
    Residual r{c.f};
    double root = 0;
    ASSERT_EQ(Root_brent(c.a, c.b, &r, evaluate, 0, &root), 0u) << c.root;
    EXPECT_NEAR(root, c.root, c.root == 1 ? 1e-3 : tolerance(c.root));
    EXPECT_LE(r.calls, kRootMaxIterations + 2);
  }
}

TEST(RootBrent, SolvesForATarget) {
  Residual r{[](double x) { return x * x * x; }};
  double root = 0;
  ASSERT_EQ(Root_brent(0, 10, &r, evaluate, 27, &root), 0u);
  EXPECT_NEAR(root, 3, tolerance(3));
}

TEST(RootBrent, ReportsNoRootWithoutASignChange) {
  Residual r{[](double x) { return x * x + 1; }};
  double root = -7;
  EXPECT_EQ(Root_brent(-3, 3, &r, evaluate, 0, &root), kErrorBase + kErrNum);
  EXPECT_EQ(root, -7);
  EXPECT_EQ(Root_brent(0, 1, nullptr, failing, 0, &root), kErrorBase + kErrDiv0);
}

TEST(RootBrent, GivesUpAfterAHundredSteps) {
  // A jump across a span of 1e300 needs about a thousand halvings.
  Residual r{[](double x) { return x < 0.125 ? -1.0 : 1.0; }};
  double root = 0;
  EXPECT_EQ(Root_brent(-1e300, 1e300, &r, evaluate, 0, &root), kErrorBase + kErrNA);
  EXPECT_EQ(r.calls, 2 + kRootMaxIterations);
}

TEST(RootBracket, WidensUntilTheSignChanges) {
  Residual r{[](double x) { return x - 40; }};
  double a = 0, b = 1;
  ASSERT_EQ(Root_bracket(&a, &b, &r, evaluate), 0u);
  EXPECT_LE(a, 40);
  EXPECT_GE(b, 40);
  double root = 0;
  ASSERT_EQ(Root_brent(a, b, &r, evaluate, 0, &root), 0u);
  EXPECT_NEAR(root, 40, tolerance(40));
}

TEST(RootBracket, GivesUpAfterFiftyWideningsAndOnADegenerateInterval) {
  Residual r{[](double x) { return 1 + x * x; }};
  double a = -1, b = 1;
  EXPECT_EQ(Root_bracket(&a, &b, &r, evaluate), kErrorBase + kErrNum);
  EXPECT_EQ(r.calls, 2 + kRootMaxWidenings);
  double c = 2, d = 2;
  EXPECT_EQ(Root_bracket(&c, &d, &r, evaluate), kErrorBase + kErrNum);
  // A zero at an end counts as a sign change.
  Residual z{[](double x) { return x; }};
  double e = 0, f = 1;
  EXPECT_EQ(Root_bracket(&e, &f, &z, evaluate), 0u);
}

TEST(RootResiduals, MatchDirectSums) {
  double flows[] = {3, -100, 30, 80};
  double out = 0;
  ASSERT_EQ(Root_npvAtRate(flows, 0.1, &out), 0u);
  EXPECT_NEAR(out, -100 / 1.1 + 30 / (1.1 * 1.1) + 80 / std::pow(1.1, 3), 1e-12);
  double dated[] = {2, -100, 110, 45000, 45365};
  ASSERT_EQ(Root_xnpvAtRate(dated, 0.1, &out), 0u);
  EXPECT_NEAR(out, 0, 1e-12);
  ASSERT_EQ(Root_xnpvAtRate(dated, -2, &out), 0u);  // the base stays at 0.001
  EXPECT_NEAR(out, -100 + 110 / 0.001, 1e-9);
  double early[] = {2, -100, 110, 45000, 44000};
  EXPECT_EQ(Root_xnpvAtRate(early, 0.1, &out), kErrorBase + kErrNum);
  double annuity[] = {10, -100, 1000, 0, 0};
  ASSERT_EQ(Root_annuityBalance(annuity, 0, &out), 0u);
  EXPECT_EQ(out, 0);
  ASSERT_EQ(Root_annuityBalance(annuity, 0.05, &out), 0u);
  EXPECT_NEAR(out, 1000 * std::pow(1.05, 10) - 100 * (std::pow(1.05, 10) - 1) / 0.05, 1e-9);
  // A two-coupon bond settled at the start of its period, 5% yield, 5% coupon.
  double bond[] = {0.05, 100, 2, 0, 180, 180, 2};
  ASSERT_EQ(Root_priceAtYield(bond, 0.05, &out), 0u);
  EXPECT_NEAR(out, 100, 1e-9);
}

}  // namespace
