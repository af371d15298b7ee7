// Sums, sample statistics, matrix and model functions on plain values,
// against values computed by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/TestValues.h"
#include "values/Val_Value.h"
#include "values/Vm_Status.h"
#include "worksheet/math/Wsf_Matrix.h"
#include "worksheet/math/Wsf_Model.h"
#include "worksheet/math/Wsf_Sums.h"
#include "worksheet/statistics/Wsf_Subtotal.h"
#include "worksheet/statistics/Wsf_Sample.h"

namespace {


const double kEmpty = NAN;

TEST(WsfSums, SumsProductsAndPairs) {
  TestValues vs;
  Value* r = vs.make();
  Value* withGaps = vs.grid(1, 4, {1, kEmpty, 2, 3});
  Val_setText(Val_at(withGaps, 0, 1), u"x");
  const Value* args[] = {withGaps, vs.num(4)};
  EXPECT_EQ(Wsf_sum(r, 2, args)->number, 10.0);
  EXPECT_EQ(Wsf_product(r, 2, args)->number, 24.0);
  EXPECT_EQ(Wsf_sumsq(r, 2, args)->number, 30.0);
  EXPECT_EQ(Wsf_product(r, 0, nullptr)->number, 0.0);  // nothing counted is 0
  const Value* sp[] = {vs.grid(2, 2, {1, 2, 3, 4}), vs.grid(2, 2, {5, 6, 7, 8})};
  EXPECT_EQ(Wsf_sumproduct(r, 2, sp, false)->number, 70.0);
  const Value* spBad[] = {vs.grid(2, 2, {1, 2, 3, 4}), vs.grid(2, 3, {1, 2, 3, 4, 5, 6})};
  EXPECT_TRUE(isError(Wsf_sumproduct(r, 2, spBad, false), kErrValue));
  const Value* spOne[] = {vs.grid(1, 2, {1, 2})};
  EXPECT_EQ(Wsf_sumproduct(r, 1, spOne, false)->number, 3.0);
  EXPECT_EQ(Wsf_sumxmy2(r, vs.grid(1, 3, {1, 2, 3}), vs.grid(3, 1, {2, 2, 5}))->number, 5.0);
  EXPECT_EQ(Wsf_sumx2my2(r, vs.grid(1, 2, {3, 4}), vs.grid(1, 2, {1, 2}))->number, 20.0);
  EXPECT_TRUE(isError(Wsf_sumx2py2(r, vs.grid(1, 3, {1, 2, 3}), vs.grid(1, 4, {1, 2, 3, 4})), kErrNA));
  EXPECT_EQ(Wsf_seriessum(r, vs.num(2), vs.num(1), vs.num(1), vs.grid(1, 3, {1, 2, 3}))->number, 34.0);
  const Value* sub[] = {vs.num(9.7), vs.grid(1, 3, {1, 2, 3})};
  EXPECT_EQ(Wsf_subtotal(r, 2, sub)->number, 6.0);
  const Value* bad[] = {vs.num(12), vs.grid(1, 3, {1, 2, 3})};
  EXPECT_TRUE(isError(Wsf_subtotal(r, 2, bad), kErrValue));
}

TEST(WsfSample, ExtremesOrderStatisticsAndMoments) {
  TestValues vs;
  Value* r = vs.make();
  EXPECT_EQ(Wsf_max(r, 0, nullptr)->number, 0.0);  // nothing counted gives 0
  EXPECT_EQ(Wsf_min(r, 0, nullptr)->number, 0.0);
  const Value* skipped[] = {vs.text(u"x")};
  EXPECT_TRUE(isError(Wsf_max(r, 1, skipped), kErrValue));  // a direct text that is no number
  const Value* direct[] = {vs.boolean(true), vs.num(0.5)};
  EXPECT_EQ(Wsf_max(r, 2, direct)->number, 1.0);
  const Value* data[] = {vs.grid(2, 3, {4, 1, 3, 2, kEmpty, 9})};
  EXPECT_EQ(Wsf_max(r, 1, data)->number, 9.0);
  EXPECT_EQ(Wsf_min(r, 1, data)->number, 1.0);
  EXPECT_EQ(Wsf_median(r, 1, data)->number, 3.0);
  EXPECT_TRUE(isError(Wsf_median(r, 0, nullptr), kErrNum));  // no numbers: "#num!"
  EXPECT_DOUBLE_EQ(Wsf_var(r, 1, data)->number, 9.7);        // mean 3.8, S d^2 = 38.8
  EXPECT_DOUBLE_EQ(Wsf_varp(r, 1, data)->number, 7.76);
  EXPECT_DOUBLE_EQ(Wsf_stdev(r, 1, data)->number, std::sqrt(9.7));
  const Value* one[] = {vs.num(1)};
  EXPECT_TRUE(isError(Wsf_var(r, 1, one), kErrDiv0));
  EXPECT_EQ(Wsf_small(r, data[0], vs.num(2))->number, 2.0);
  EXPECT_TRUE(isError(Wsf_small(r, data[0], vs.num(6)), kErrNum));
  EXPECT_EQ(Wsf_percentile(r, vs.grid(1, 4, {1, 2, 3, 4}), vs.num(0.5))->number, 2.5);
  EXPECT_EQ(Wsf_quartile(r, vs.grid(1, 4, {1, 2, 3, 4}), vs.num(1))->number, 1.75);
  EXPECT_EQ(Wsf_trimmean(r, vs.grid(1, 5, {1, 2, 3, 4, 100}), vs.num(0.4))->number, 3.0);
  const Value* rank[] = {vs.num(3), data[0]};
  EXPECT_EQ(Wsf_rank(r, 2, rank)->number, 3.0);
  const Value* pr[] = {vs.grid(1, 4, {1, 2, 3, 4}), vs.num(2.5)};
  EXPECT_EQ(Wsf_percentrank(r, 2, pr)->number, 0.5);
  const Value* mode[] = {vs.grid(1, 4, {1, 2, 2, 1})};
  EXPECT_EQ(Wsf_mode(r, 1, mode)->number, 1.0);
  const Value* skew[] = {vs.grid(1, 3, {1, 2, 6})};  // 3/2 * S((x-3)/sqrt 7)^3 = 1.5 * 18 / 7^1.5
  EXPECT_DOUBLE_EQ(Wsf_skew(r, 1, skew)->number, 1.5 * 18 / std::pow(7.0, 1.5));
  Value* y = vs.grid(1, 4, {2, 4, 6, 9});
  Value* x = vs.grid(1, 4, {1, 2, 3, 4});
  EXPECT_DOUBLE_EQ(Wsf_slope(r, y, x)->number, 2.3);  // S xy centred 11.5, S xx 5
  EXPECT_NEAR(Wsf_pearson(r, y, x)->number, 11.5 / std::sqrt(5 * 26.75), 1e-15);
  EXPECT_NEAR(Wsf_steyx(r, y, x)->number, std::sqrt((26.75 - 11.5 * 11.5 / 5) / 2), 1e-15);
  EXPECT_TRUE(isError(Wsf_slope(r, y, vs.grid(1, 4, {1, 1, 1, 1})), kErrDiv0));
}

TEST(WsfMatrix, DeterminantInverseAndProduct) {
  TestValues vs;
  Value* r = vs.make();
  EXPECT_NEAR(Wsf_mdeterm(r, vs.grid(2, 2, {1, 2, 3, 4}))->number, -2.0, 1e-15);
  Wsf_mdeterm(r, vs.grid(2, 2, {1, 2, 2, 4}));
  EXPECT_EQ(r->kind, kValInt);
  EXPECT_EQ(Wsf_mdeterm(r, vs.num(5))->number, 5.0);
  EXPECT_TRUE(isError(Wsf_mdeterm(r, vs.grid(2, 3, {1, 2, 3, 4, 5, 6})), kErrValue));
  EXPECT_TRUE(isError(Wsf_mdeterm(r, vs.grid(2, 2, {1, kEmpty, 3, 4})), kErrValue));
  Wsf_minverse(r, vs.grid(2, 2, {4, 7, 2, 6}));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_NEAR(Val_at(r, 0, 1)->number, -0.7, 1e-15);
  EXPECT_NEAR(Val_at(r, 1, 0)->number, -0.2, 1e-15);
  EXPECT_TRUE(isError(Wsf_minverse(r, vs.grid(2, 2, {1, 2, 2, 4})), kErrNum));
  EXPECT_TRUE(isError(Wsf_minverse(r, vs.num(0)), kErrNum));
  // The inverse of a number is an array of one element.
  Wsf_minverse(r, vs.num(4));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(Val_at(r, 0, 0)->number, 0.25);
  // A blank, a logical or a text anywhere fails the whole product; an error
  // passes on, the first factor's first.
  EXPECT_TRUE(
      isError(Wsf_mmult(r, vs.grid(2, 3, {1, kEmpty, 3, 4, 5, 6}), vs.grid(3, 2, {1, 0, 0, 1, 1, 1})), kErrValue));
  Value* logical = vs.make();
  Val_setBool(logical, true);
  EXPECT_TRUE(isError(Wsf_mmult(r, vs.num(2), logical), kErrValue));
  Value* fault = vs.make();
  Val_setError(fault, kErrNA);
  EXPECT_TRUE(isError(Wsf_mmult(r, fault, logical), kErrNA));
  EXPECT_TRUE(isError(Wsf_mmult(r, logical, fault), kErrValue));
  // Rows of plain numbers whose product leaves the doubles give "#num!", as
  // the operators do.
  Wsf_mmult(r, vs.grid(2, 2, {1e300, 1e300, 1, 2}), vs.grid(2, 1, {1e300, 3}));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_TRUE(isError(Val_at(r, 0, 0), kErrNum));
  EXPECT_EQ(Val_at(r, 1, 0)->number, 1e300 + 6);
  EXPECT_TRUE(isError(Wsf_mmult(r, vs.grid(2, 3, {}), vs.grid(2, 3, {})), kErrValue));
  // The product of two numbers is an array of one element.
  Wsf_mmult(r, vs.num(3), vs.num(4));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(Val_at(r, 0, 0)->number, 12.0);
  // A number against a column or row is a 1 x 1 matrix.
  Wsf_mmult(r, vs.grid(3, 1, {1, 2, 3}), vs.num(2));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(r->array->rows, 3);
  EXPECT_EQ(Val_at(r, 2, 0)->number, 6.0);
  Wsf_mmult(r, vs.num(2), vs.grid(1, 2, {1, 5}));
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(Val_at(r, 0, 1)->number, 10.0);
  EXPECT_TRUE(isError(Wsf_mmult(r, vs.grid(1, 3, {1, 2, 3}), vs.num(2)), kErrValue));
}

// A 3 x 5 by 5 x 7 product: every element equals its sum term by term in
// doubles, and a column whose sums leave the doubles gives "#num!" alone.
TEST(WsfMatrix, ProductOfWiderMatricesIsExactElementByElement) {
  TestValues vs;
  Value* r = vs.make();
  constexpr int kRows = 3, kInner = 5, kColumns = 7;
  std::vector<double> a(kRows * kInner), b(kInner * kColumns);
  for (int k = 0; k < kRows * kInner; ++k) a[k] = 0.1 * (k + 1) - 0.37 * (k % 3);
  for (int k = 0; k < kInner * kColumns; ++k) b[k] = 1.0 / (k + 3) + (k % 4);
  Value* x = vs.make();
  Value* y = vs.make();
  Val_makeArray(x, kRows, kInner);
  Val_makeArray(y, kInner, kColumns);
  for (int k = 0; k < kRows * kInner; ++k) Val_setNumber(Val_at(x, k / kInner, k % kInner), a[k]);
  for (int k = 0; k < kInner * kColumns; ++k) Val_setNumber(Val_at(y, k / kColumns, k % kColumns), b[k]);
  for (int k : {0, 1}) Val_setNumber(Val_at(y, k, 6), b[k * kColumns + 6] = 1.6e308);
  Wsf_mmult(r, x, y);
  ASSERT_EQ(r->kind, kValArray);
  int overflowed = 0;
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kColumns; ++j) {
      double sum = 0.0;
      for (int k = 0; k < kInner; ++k) sum = sum + a[i * kInner + k] * b[k * kColumns + j];
      if (std::isfinite(sum)) EXPECT_EQ(Val_at(r, i, j)->number, sum) << i << ", " << j;
      else EXPECT_TRUE(isError(Val_at(r, i, j), kErrNum)) << i << ", " << j;
      overflowed += std::isfinite(sum) ? 0 : 1;
    }
  EXPECT_EQ(overflowed, 1);
}

TEST(WsfModel, FormsAndSmoothFunctions) {
  TestValues vs;
  Value* r = vs.make();
  const Value* dot[] = {vs.grid(1, 3, {1, 2, 3}), vs.grid(3, 1, {4, 5, 6})};
  EXPECT_EQ(Wsf_dotproduct(r, 2, dot, false)->number, 32.0);
  const Value* block[] = {vs.grid(1, 3, {1, 2, 3}), vs.grid(2, 3, {1, 1, 1, 2, 2, 2})};
  EXPECT_EQ(Wsf_dotproduct(r, 2, block, false)->number, 6.0);
  Wsf_dotproduct(r, 2, block, true);
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_EQ(Val_at(r, 1, 0)->number, 12.0);
  const Value* uneven[] = {vs.grid(1, 3, {1, 2, 3}), vs.grid(2, 2, {1, 1, 1, 1})};
  EXPECT_TRUE(isError(Wsf_dotproduct(r, 2, uneven, false), kErrValue));
  Value* missing = Val_setKind(vs.make(), kValMissing);
  const Value* quad[] = {vs.grid(1, 2, {2, 3}), missing, vs.grid(2, 2, {1, 2, 3, 4})};
  EXPECT_EQ(Wsf_quadproduct(r, 3, quad)->number, 4 + 12 + 18 + 36.0);
  const Value* quadBad[] = {vs.grid(1, 2, {2, 3}), missing, vs.grid(1, 3, {1, 2, 3})};
  EXPECT_TRUE(isError(Wsf_quadproduct(r, 3, quadBad), kErrValue));
  const Value* term[] = {vs.grid(1, 2, {1, 2}), vs.grid(1, 2, {3, 4}), missing};
  EXPECT_EQ(Wsf_quadterm(r, 3, term)->number, 0.0);
  EXPECT_EQ(Wsf_poly3(r, vs.num(2), vs.num(1), vs.num(1), vs.num(1), vs.num(1))->number, 15.0);
  EXPECT_DOUBLE_EQ(Wsf_gexp(r, vs.num(1), vs.num(2), vs.num(1), vs.num(3))->number, (std::exp(2.0) + 1) * 3);
  EXPECT_DOUBLE_EQ(Wsf_lx(r, vs.num(0.75))->number, std::log(3.0));
  EXPECT_TRUE(isError(Wsf_lx(r, vs.num(1)), kErrDiv0));
}

}  // namespace

#include "worksheet/statistics/Stat_Regression.h"
#include "worksheet/statistics/Wsf_Pairwise.h"

namespace {

TEST(StatRegression, LinestAndTrendRecoverAKnownPlane) {
  TestValues vs;
  Value* r = vs.make();
  // y = 1 + 2 x1 - 3 x2, exactly.
  Value* x = vs.grid(4, 2, {0, 0, 1, 0, 0, 1, 2, 3});
  Value* y = vs.grid(4, 1, {1, 3, -2, -4});
  const Value* args[] = {y, x};
  Stat_fitLinest(r, 2, args, false);
  ASSERT_EQ(r->kind, kValArray);
  ASSERT_EQ(r->array->columns, 3);
  EXPECT_NEAR(Val_at(r, 0, 0)->number, -3.0, 1e-12);
  EXPECT_NEAR(Val_at(r, 0, 1)->number, 2.0, 1e-12);
  EXPECT_NEAR(Val_at(r, 0, 2)->number, 1.0, 1e-12);
  Value* yes = Val_setBool(vs.make(), 1);
  const Value* withStats[] = {y, x, yes, yes};
  Stat_fitLinest(r, 4, withStats, false);
  ASSERT_EQ(r->array->rows, 5);
  EXPECT_NEAR(Val_at(r, 2, 0)->number, 1.0, 1e-12);  // r^2 of an exact fit
  EXPECT_EQ(Val_at(r, 3, 1)->number, 1.0);           // 4 observations, 3 coefficients
  EXPECT_EQ(Val_at(r, 1, 0)->kind, kValError);
  const Value* trend[] = {y, x, vs.grid(1, 2, {10, 10})};
  Wsf_trend(r, 3, trend);
  ASSERT_EQ(r->kind, kValArray);
  EXPECT_NEAR(Val_at(r, 0, 0)->number, -9.0, 1e-10);
  const Value* row[] = {vs.grid(1, 3, {2, 4, 6})};
  Wsf_trend(r, 1, row);
  ASSERT_EQ(r->array->rows, 1);
  EXPECT_NEAR(Val_at(r, 0, 2)->number, 6.0, 1e-12);
  const Value* tooFew[] = {vs.grid(2, 1, {1, 2}), vs.grid(2, 2, {1, 2, 3, 5})};
  EXPECT_TRUE(isError(Stat_fitLinest(r, 2, tooFew, false), kErrDiv0));
  const Value* logOfZero[] = {vs.grid(2, 1, {0, 2})};
  EXPECT_TRUE(isError(Stat_fitLinest(r, 1, logOfZero, true), kErrNum));
}

TEST(WsfPairwise, KindsNaNsAndErrors) {
  TestValues vs;
  Value* r = vs.make();
  Wsf_max2(r, Val_setBool(vs.make(), 1), Val_setInt(vs.make(), 0));
  EXPECT_EQ(r->kind, kValInt);
  EXPECT_EQ(r->number, 1.0);
  EXPECT_TRUE(isError(Wsf_max2(r, vs.num(NAN), vs.num(1)), kErrNum));
  EXPECT_EQ(Wsf_max2(r, vs.num(1), vs.num(NAN))->number, 1.0);
  EXPECT_EQ(Wsf_min2(r, vs.num(NAN), vs.num(1))->number, 1.0);
  EXPECT_TRUE(isError(Wsf_min2(r, vs.num(1), vs.num(NAN)), kErrNum));
  EXPECT_TRUE(isError(Wsf_min2(r, Val_setError(vs.make(), kErrRef), Val_setError(vs.make(), kErrNA)), kErrRef));
  EXPECT_TRUE(isError(Wsf_max2(r, vs.text(u"a"), vs.text(u"b")), kErrValue));
}

}  // namespace
