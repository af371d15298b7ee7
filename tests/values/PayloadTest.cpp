// Payload records of the evaluation modes: sizing keeps or resets what it
// should, copies are deep and complete, seeds are unit vectors.
#include <gtest/gtest.h>

#include <cstdlib>

#include "values/Aff_Payload.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/Smp_Payload.h"

namespace {

EvalContext* const kCtx = reinterpret_cast<EvalContext*>(0x1000);

TEST(Payload, SampleVectorsKeepTheirDataWhileTheCapacitySuffices) {
  SampleVector v{};
  ASSERT_TRUE(Smp_init(&v, 4, kCtx));
  const double samples[] = {1, 2, 3, 4};
  ASSERT_TRUE(Smp_setValues(&v, 4, samples));
  EXPECT_FALSE(Smp_setValues(&v, 3, samples));
  ASSERT_TRUE(Smp_init(&v, 2, kCtx));
  EXPECT_EQ(v.capacity, 4);
  EXPECT_EQ(v.data[2], 2.0);
  ASSERT_TRUE(Smp_init(&v, 6, kCtx));  // grows, keeping the samples
  EXPECT_EQ(v.data[2], 2.0);
  EXPECT_EQ(v.data[6], 0.0);
  Smp_setAt(&v, 9.0, 6);
  EXPECT_EQ(v.data[6], 9.0);
  Smp_setAt(&v, 7.0, 0);  // outside 1..n: every sample
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(v.data[i], 7.0);
  SampleVector w{};
  ASSERT_TRUE(Smp_set(&w, &v));
  v.data[1] = 0.0;
  EXPECT_EQ(w.data[1], 7.0);
  EXPECT_EQ(w.n, 6);
  EXPECT_EQ(w.context, kCtx);
  Smp_free(&v);
  Smp_free(&w);
}

TEST(Payload, GradientCopiesCarryTheirTexts) {
  GradValue g{};
  ASSERT_TRUE(Grad_init(&g, 2, kCtx));
  Grad_setVar(&g, 3.0, 2);
  g.valueText = static_cast<char16_t*>(std::calloc(kGradTextLength, sizeof(char16_t)));
  g.valueText[0] = u'0';
  g.textCount = 2;
  g.partialTexts = static_cast<char16_t**>(std::calloc(3, sizeof(char16_t*)));
  g.partialTexts[2] = static_cast<char16_t*>(std::calloc(kGradTextLength, sizeof(char16_t)));
  g.partialTexts[2][0] = u'1';
  GradValue copy{};
  ASSERT_TRUE(Grad_set(&copy, &g));
  EXPECT_NE(copy.valueText, g.valueText);
  EXPECT_EQ(copy.valueText[0], u'0');
  EXPECT_EQ(copy.partialTexts[1], nullptr);
  EXPECT_EQ(copy.partialTexts[2][0], u'1');
  EXPECT_EQ(copy.gradient[2], 1.0);
  EXPECT_EQ(copy.node, -2);
  Grad_setConst(&copy, 4.0);
  EXPECT_EQ(copy.gradient[2], 0.0);
  EXPECT_EQ(copy.node, 0);
  Grad_free(&g);
  Grad_free(&copy);
}

// The Hessian's block: shrinking it zeroes what falls outside and keeps
// what stays inside, widening it again finds zeros, a copy takes the block,
// seeding and resizing leave the zero Hessian.
TEST(Payload, HessianBlocksKeepZerosOutside) {
  HessValue h{};
  ASSERT_TRUE(Hess_init(&h, 4, kCtx));
  EXPECT_LT(h.last, h.first);
  Hess_setBlock(&h, 1, 4);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) h.hessian[i][j] = 10.0 * i + j;
  Hess_setBlock(&h, 2, 3);
  Hess_setBlock(&h, 1, 4);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) {
      const bool inside = i >= 2 && i <= 3 && j >= 2 && j <= 3;
      EXPECT_EQ(h.hessian[i][j], inside ? 10.0 * i + j : 0.0) << i << j;
    }
  Hess_setBlock(&h, 2, 3);
  HessValue copy{};
  ASSERT_TRUE(Hess_init(&copy, 4, kCtx));
  Hess_setBlock(&copy, 1, 4);
  copy.hessian[1][4] = copy.hessian[4][1] = 7.0;  // left from an earlier use
  ASSERT_TRUE(Hess_set(&copy, &h));
  EXPECT_EQ(copy.first, 2);
  EXPECT_EQ(copy.last, 3);
  EXPECT_EQ(copy.hessian[2][3], 23.0);
  EXPECT_EQ(copy.hessian[1][4] + copy.hessian[4][1], 0.0);
  Hess_setVar(&copy, 2.0, 3);
  EXPECT_EQ(copy.hessian[2][3], 0.0);
  EXPECT_EQ(copy.gradient[3], 1.0);
  ASSERT_TRUE(Hess_init(&h, 3, kCtx));
  EXPECT_EQ(h.hessian[2][2] + h.hessian[3][3], 0.0);
  Hess_free(&h);
  Hess_free(&copy);
}

TEST(Payload, HessiansResizeAndCopyWhole) {
  HessValue h{};
  ASSERT_TRUE(Hess_init(&h, 3, kCtx));
  Hess_setVar(&h, 1.0, 1);
  Hess_setBlock(&h, 1, 3);  // widened before entries are written
  h.hessian[1][3] = h.hessian[3][1] = 2.0;
  HessValue copy{};
  ASSERT_TRUE(Hess_set(&copy, &h));
  h.hessian[3][1] = 5.0;
  EXPECT_EQ(copy.hessian[1][3], 2.0);
  EXPECT_EQ(copy.hessian[3][1], 2.0);
  EXPECT_EQ(copy.gradient[1], 1.0);
  ASSERT_TRUE(Hess_init(&copy, 2, kCtx));  // smaller: storage kept, zeroed
  EXPECT_EQ(copy.capacity, 3);
  EXPECT_EQ(copy.hessian[1][1] + copy.gradient[1], 0.0);
  ASSERT_TRUE(Hess_init(&copy, 5, kCtx));
  EXPECT_EQ(copy.capacity, 5);
  EXPECT_EQ(copy.hessian[5][5], 0.0);
  Hess_free(&h);
  Hess_free(&copy);

  IvHessValue ih{};
  ASSERT_TRUE(IvHess_init(&ih, 2, kCtx));
  IvHess_setVar(&ih, Interval{-1, 2}, 2);
  IvHessValue icopy{};
  ASSERT_TRUE(IvHess_set(&icopy, &ih));
  EXPECT_EQ(icopy.value.hi, 2.0);
  EXPECT_EQ(icopy.gradient[2].lo, 1.0);
  EXPECT_EQ(icopy.gradient[1].hi, 0.0);
  IvHess_free(&ih);
  IvHess_free(&icopy);
}

TEST(Payload, IntervalAffineAndDependencySeeds) {
  IvGradValue g{};
  ASSERT_TRUE(IvGrad_init(&g, 3, kCtx));
  IvGrad_setVar(&g, Interval{1, 4}, 3);
  EXPECT_EQ(g.curvature, kCurvAffine);
  EXPECT_EQ(g.node, -3);
  EXPECT_EQ(g.gradient[3].hi, 1.0);
  IvGradValue gcopy{};
  ASSERT_TRUE(IvGrad_set(&gcopy, &g));
  EXPECT_EQ(gcopy.value.lo, 1.0);
  EXPECT_EQ(gcopy.gradient[3].lo, 1.0);
  IvGrad_free(&g);
  IvGrad_free(&gcopy);
  EXPECT_EQ(gcopy.curvature, kCurvAffine);

  AffineForm a{};
  ASSERT_TRUE(Aff_init(&a, 2, kCtx));
  Aff_setVar(&a, Interval{1, 4}, 1);
  EXPECT_EQ(a.centre, 2.5);
  EXPECT_EQ(a.radius, 0.0);
  EXPECT_EQ(a.coef[1], 1.0);
  EXPECT_EQ(a.enclosure.hi, 4.0);
  AffineForm acopy{};
  ASSERT_TRUE(Aff_set(&acopy, &a));
  EXPECT_EQ(acopy.coef[1], 1.0);
  EXPECT_EQ(acopy.enclosure.lo, 1.0);
  Aff_free(&a);
  Aff_free(&acopy);

  DegVec d{};
  ASSERT_TRUE(DegVec_init(&d, 4));
  DegVec_setVar(&d, 2);
  DegVec dcopy{};
  ASSERT_TRUE(DegVec_set(&dcopy, &d));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(dcopy.classes[i], i == 2 ? kDegLinear : kDegIndependent);
  DegVec_free(&d);
  DegVec_free(&dcopy);
}

}  // namespace
