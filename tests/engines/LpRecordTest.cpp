// LP engine record and scaling: typed rows from row limits, integer bounds,
// the objective kind test, refused records, and the exactness of
// power-of-two scaling.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engines/lpqp/Lp_Engine.h"

namespace {
constexpr double inf = kBoundInfinity;
}  // namespace

TEST(LpRecordSetup, RowBoundsGiveTypesAndRanges) {
  LpRecord lp;
  ASSERT_EQ(Lp_allocRecord(lp, 1, 4, 2), 0);
  const double lo[] = {0, 1, -inf, 2, -inf, 7}, up[] = {0, inf, 3, 5, inf, 7};
  for (int i = 1; i <= 5; ++i) lp.rowLower[i] = lo[i], lp.rowUpper[i] = up[i];
  lp.rowLower[6] = -inf;  // cut room starts unbounded
  lp.rowUpper[6] = inf;
  Lp_setRowTypes(lp);
  const char types[] = " ><<==";
  const double rhs[] = {0, 1, 3, 5, 0, 7}, ranges[] = {0, inf, inf, 3, inf, inf};
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(lp.types[i].type, types[i]) << i;
    EXPECT_EQ(lp.rhs[i], rhs[i]) << i;
    EXPECT_EQ(lp.ranges[i], ranges[i]) << i;
  }
  EXPECT_EQ(lp.types[6].type, '=');
  EXPECT_EQ(Lp_rowsInUse(lp), 4);
  EXPECT_EQ(Lp_allocRecord(lp, 0, 1, 0), 8);
}

TEST(LpRecordSetup, IntegerBoundsAndObjectiveKind) {
  LpRecord lp;
  ASSERT_EQ(Lp_allocRecord(lp, 3, 0, 0), 0);
  const double lo[] = {0, 0.5, -inf, 0.5}, up[] = {0, 2.7, inf, 0.7};
  for (int j = 1; j <= 3; ++j) lp.lower[j] = lo[j], lp.upper[j] = up[j];
  EXPECT_FALSE(Lp_boundsCrossed(lp));
  const int flags[] = {1, 2, 0};
  Lp_roundIntegerBounds(lp, flags);
  EXPECT_EQ(lp.lower[1], 1);
  EXPECT_EQ(lp.upper[1], 2);
  EXPECT_EQ(lp.lower[2], -inf);
  EXPECT_EQ(lp.upper[2], inf);
  EXPECT_EQ(lp.lower[3], 0.5);  // continuous: untouched
  const int third[] = {0, 0, 1};
  Lp_roundIntegerBounds(lp, third);
  EXPECT_TRUE(Lp_boundsCrossed(lp));  // [0.5, 0.7] has no integer
  // f = 3 + 2t is linear; t^2 is quadratic, not linear; t^3 neither.
  EXPECT_TRUE(Lp_slotIsLinear(3, 11, 19, 1e-8));
  EXPECT_FALSE(Lp_slotIsLinear(0, 16, 64, 1e-8));
  EXPECT_TRUE(Lp_slotIsQuadratic(0, 4, 16, 64, 1e-8));
  EXPECT_FALSE(Lp_slotIsQuadratic(0, 8, 64, 512, 1e-8));
  EXPECT_TRUE(Lp_slotIsLinear(1e6, 1e6 + 4, 1e6 + 8 + 1e-3, 1e-8));  // relative to |f(0)| + 1
  // (t - 4E+05)^2 passes at 0, 4, 8 with a bend of 16 there; over the
  // stretch 0, 2E+05, 4E+05 its bend is 4E+10, the same grown by (h / 4)^2.
  const LpBend far = {1.6e11, 1.6e11 - 3.2e6 + 16, 1.6e11 - 6.4e6 + 64};
  EXPECT_TRUE(Lp_slotIsLinear(far.f0, far.f4, far.f8, 1e-6));
  EXPECT_TRUE(Lp_slotHidesBend(far.f0, far.f4, far.f8, 1e-6));
  EXPECT_TRUE(Lp_slotBendsOver(far, 1.6e11, 4e10, 0, 2e5, 1e-6));
  // A line's rounding at 0, 4, 8 and a jump far out do not make a parabola.
  const LpBend noisy = {5, 5 + 1e-15, 5};
  EXPECT_FALSE(Lp_slotBendsOver(noisy, 5, 5.1, 5, 1e6, 1e-6));
  EXPECT_TRUE(Lp_slotHidesBend(0, 1e-15, 0, 1e-6));  // tested again, where it does not bend over
  EXPECT_FALSE(Lp_slotHidesBend(5, 5, 5, 1e-6));
  // -2E-11 (t + 17500)^2 bends by 3.2E-10 at 0, 4, 8: within the linear
  // test's 1E-08 beside 1, far beyond it beside its value at 0, -0.006125.
  const LpBend tiny = {-2e-11 * 17500 * 17500, -2e-11 * 17504 * 17504, -2e-11 * 17508 * 17508};
  EXPECT_TRUE(Lp_slotIsLinear(tiny.f0, tiny.f4, tiny.f8, 1e-8));
  EXPECT_TRUE(Lp_slotHidesBend(tiny.f0, tiny.f4, tiny.f8, 1e-8));
  EXPECT_TRUE(Lp_slotIsQuadratic(1.6e11, 1.6e11 - 1.6e6 + 4, far.f4, far.f8, 1e-8));
}

TEST(LpRecordSetup, UnsizedRecordIsRefused) {
  LpRecord lp;
  const double g[2] = {0, 1};
  EXPECT_EQ(Lp_boundedSimplex(lp, {}), 8);
  EXPECT_EQ(Lp_dualWarmStart(lp, {}), 8);
  EXPECT_EQ(Lp_resolveWithObjective(lp, {}, 0, g), 8);
  lp.n = 3;  // sizes that do not match the arrays
  EXPECT_EQ(Lp_boundedSimplex(lp, {}), 8);
  ASSERT_EQ(Lp_allocRecord(lp, 1, 1, 0), 0);
  lp.passes.gomoryRowsAdded = 2;  // more cut rows than room
  EXPECT_EQ(Lp_boundedSimplex(lp, {}), 8);
}

TEST(LpScale, PowersOfTwoBecomeOne) {
  LpRecord lp;
  ASSERT_EQ(Lp_allocRecord(lp, 2, 2, 0), 0);
  const double a[3][3] = {{0, -0.5, 32}, {1, 2, 8}, {3, 4, 16}};
  for (int i = 0; i < 3; ++i) std::copy(a[i], a[i] + 3, lp.matrix.row(i));
  Lp_computeScaling(lp);
  ASSERT_TRUE(Lp_scaleMatrix(lp.scaling, lp.matrix));
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 2; ++j) EXPECT_EQ(lp.matrix.row(i)[j], 1.0);
  EXPECT_EQ(lp.scaling.rowExp[1], 2);
  EXPECT_EQ(lp.scaling.colExp[1], 1);
  EXPECT_EQ(lp.scaling.colExp[2], -1);
  // The objective row: exponents -1 + 1 and 5 - 1 give 2.
  EXPECT_EQ(lp.scaling.rowExp[3], 2);
  EXPECT_EQ(lp.scaling.rowExp[0], 2);
  ASSERT_TRUE(Lp_unscaleMatrix(lp.scaling, lp.matrix));
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_EQ(lp.matrix.row(i)[j], a[i][j]);
  LpMatrix other;
  other.rows = 4;
  other.cols = 2;
  other.a.assign(8, 1.0);
  EXPECT_FALSE(Lp_scaleMatrix(lp.scaling, other));
}

TEST(LpScale, InfiniteBoundsAndTinyEntries) {
  LpRecord lp;
  ASSERT_EQ(Lp_allocRecord(lp, 2, 1, 0), 0);
  lp.matrix.row(1)[1] = 1024;
  lp.matrix.row(1)[2] = 1e-21;
  Lp_computeScaling(lp);
  std::vector<double> v = {0, inf, -inf}, w = {0, 3, inf};
  for (int k = 0; k < 3; ++k) {
    Lp_scaleVariables(lp.scaling, v.data());
    Lp_scaleRows(lp.scaling, w.data());
  }
  EXPECT_EQ(v[1], inf);
  EXPECT_EQ(v[2], -inf);
  EXPECT_EQ(w[2], inf);
  EXPECT_EQ(w[1], std::ldexp(3.0, -30));
  ASSERT_TRUE(Lp_scaleMatrix(lp.scaling, lp.matrix));
  EXPECT_EQ(lp.matrix.row(1)[2], 0.0);
  LpRecord flat;  // no scaling computed: values stay, tiny entries still go
  ASSERT_EQ(Lp_allocRecord(flat, 1, 1, 0), 0);
  flat.matrix.row(1)[1] = 5e-21;
  flat.matrix.row(1)[0] = 7;
  ASSERT_TRUE(Lp_scaleMatrix(flat.scaling, flat.matrix));
  EXPECT_EQ(flat.matrix.row(1)[1], 0.0);
  EXPECT_EQ(flat.matrix.row(1)[0], 7.0);
  std::vector<double> x = {0, 3};
  Lp_scaleVariables(flat.scaling, x.data());
  EXPECT_EQ(x[1], 3.0);
}
