// The interval engine's evaluations of the loaded model: derivatives come
// over every variable of the box, whether the interpreter takes them over
// each function's own variables and spreads them or over all variables.
#include <vector>

#include "contract/Host_IntervalModel.h"
#include "tests/support/SessionFixture.h"
#include "values/Ivl_Interval.h"

namespace {

using LoadFn = int (*)(LibraryContext*, std::intptr_t, int, int, int, int, int, int);

class HostIntervalModelTest : public SessionLibrary {
 protected:
  // Variables x in A1 and y in B1; minimise C1 = (y - 1)² + y², which reads
  // only y, subject to D1 = x² + 3x <= 4, which reads only x.
  void SetUp() override {
    SessionLibrary::SetUp();
    newModel();
    number("A1", 0);
    number("B1", 0);
    formula("C1", "=(B1-1)^2+B1*B1");
    formula("D1", "=A1*A1+3*A1");
    names({{"solver_adj", "Model!$A$1:$B$1"}, {"solver_opt", "Model!$C$1"}, {"solver_typ", "2"},
           {"solver_num", "1"}, {"solver_lhs1", "Model!$D$1"}, {"solver_rel1", "1"}, {"solver_rhs1", "4"}});
  }
};

// The enclosure holds [lo, hi] and is no wider than rounding outward makes
// it.
void expectInterval(const Interval& got, double lo, double hi, const char* what) {
  EXPECT_TRUE(got.lo <= lo && got.lo >= lo - 1e-6) << what << " " << got.lo;
  EXPECT_TRUE(got.hi >= hi && got.hi <= hi + 1e-6) << what << " " << got.hi;
}

// Over x in [1, 2] and y in [1, 2]: the objective's gradient is (0, 4y - 2)
// = (0, [2, 6]) and its Hessian 4 at (y, y) alone; the constraint's gradient
// is (2x + 3, 0) = ([5, 7], 0); the affine forms' coefficients sit on the
// variable each function reads.
TEST_F(HostIntervalModelTest, DerivativesCoverTheBoxInBothLayouts) {
  for (int compact : {0, 1}) {
    ASSERT_EQ(begin(), 1);
    ASSERT_EQ(ordinal<LoadFn>(77)(context, 0, 0, 0, 0, 0, compact, 0), 0) << compact;
    context->analysed = 1;
    HostIntervalShape shape;
    HostIntervalModel* model = Host_bindIntervalModel(context, &shape);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(shape.n, 2);
    ASSERT_EQ(shape.m, 1);
    const Interval box[3] = {{0, 0}, {1, 2}, {1, 2}};
    const Interval stale{-9, 9};
    Interval value{}, gradient[3] = {stale, stale, stale}, hessian[9];
    for (Interval& h : hessian) h = stale;
    ASSERT_EQ(Host_intervalHessian(model, 0, box, &value, gradient, hessian), 0) << compact;
    expectInterval(gradient[1], 0, 0, "objective dx");
    expectInterval(gradient[2], 2, 6, "objective dy");
    expectInterval(hessian[1 * 3 + 1], 0, 0, "objective dxx");
    expectInterval(hessian[1 * 3 + 2], 0, 0, "objective dxy");
    expectInterval(hessian[2 * 3 + 1], 0, 0, "objective dyx");
    expectInterval(hessian[2 * 3 + 2], 4, 4, "objective dyy");
    gradient[1] = gradient[2] = stale;
    ASSERT_EQ(Host_intervalGradient(model, 1, box, &value, gradient), 0) << compact;
    expectInterval(gradient[1], 5, 7, "constraint dx");
    expectInterval(gradient[2], 0, 0, "constraint dy");
    for (int k : {0, 1}) {
      double centre = 0, radius = 0, coef[3] = {-9, -9, -9};
      Interval enclosure{};
      ASSERT_EQ(Host_intervalAffine(model, k, box, &centre, &radius, coef, 3, &enclosure), 0) << compact;
      EXPECT_EQ(coef[k == 0 ? 1 : 2], 0.0) << "affine of function " << k << ", compact " << compact;
      EXPECT_GT(coef[k == 0 ? 2 : 1], 0.0) << "affine of function " << k << ", compact " << compact;
    }
    Host_freeIntervalModel(model);
    context->analysed = 0;
    ASSERT_EQ(ordinal<ContextFn>(80)(context), 0);
    ASSERT_EQ(end(), 1);
  }
}

}  // namespace
