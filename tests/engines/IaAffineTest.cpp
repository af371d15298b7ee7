// Affine forms that are not bounded (a coefficient, the centre or the radius
// infinite or NaN, as from a gradient without finite bounds or a division by
// an interval through 0): one equation x2 - 0.5 = 0 over [0, 1]^2 whose form
// has such a part. Its range is its enclosure (or the whole line), never a
// NaN; the row test keeps the box; the contraction, the LP relaxation and
// the affine Newton step (with x1 - 0.25 = 0 added) leave the box as it
// was, with the zero in it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_Contract.h"
#include "engines/interval/Ia_Newton.h"
#include "engines/interval/Ia_Relax.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kZero1 = 0.25, kZero2 = 0.5;

// The form's parts; coefficient 2 is 1 and the rest exact.
struct BadForm {
  double coef1 = 0, centre = 0, radius = 0;
  Interval enclosure{-kInf, kInf};
};

// Row 1 is x2 - 0.5 with the bad parts; row 2, when there is one, the exact
// x1 - 0.25 that makes a square system for the Newton step.
int badAffine(void* user, int k, const Interval*, IaAffineForm* form) {
  if (k == 2) {
    form->coef[1] = 1.0;
    form->centre = form->mid[1] - kZero1;
    return 0;
  }
  const auto* bad = static_cast<const BadForm*>(user);
  form->coef[1] = bad->coef1;
  form->coef[2] = 1.0;
  form->centre = bad->centre + (form->mid[2] - kZero2);
  form->radius = bad->radius;
  form->enclosure = bad->enclosure;
  return 0;
}

IaModel equations(BadForm* bad, int m) {
  IaModel model;
  model.user = bad;
  model.n = 2, model.m = m;
  model.problemClass = IaClassEquations;
  model.relation.assign(m + 1, IaRelEqual);
  model.affine = badAffine;
  return model;
}

bool isNumber(const Interval& x) { return !std::isnan(x.lo) && !std::isnan(x.hi); }

void expectUnchanged(const IaBox& box, const IaBox& start, const char* name) {
  for (int i = 1; i <= 2; ++i) EXPECT_TRUE(box[i].lo == start[i].lo && box[i].hi == start[i].hi) << name;
}

TEST(IaAffine, AFormThatIsNotBoundedNeverDiscardsNorContractsTheBox) {
  struct {
    const char* name;
    BadForm form;  // the model's user data, so not const
  } cases[] = {
      {"infinite coefficient", {kInf, 0, 0}},
      {"negative infinite coefficient", {-kInf, 0, 0}},
      {"NaN coefficient", {kNaN, 0, 0}},
      {"NaN centre", {0, kNaN, 0}},
      {"infinite centre", {0, kInf, 0}},
      {"infinite radius", {0, 0, kInf}},
      {"NaN coefficient and enclosure", {kNaN, 0, 0, {kNaN, kNaN}}},
      {"NaN coefficient, finite enclosure", {kNaN, 0, 0, {-1, 1}}},
  };
  const IaBox start = {{0, 0}, {0, 1}, {0, 1}};
  for (auto& c : cases) {
    const IaModel model = equations(&c.form, 1);
    IaSearchContext s = Ia_searchContext(model, IaOptions{}, false, start);
    IaAffineForm form;
    ASSERT_EQ(Ia_evalAffine(s, 1, start.data(), &form), 0) << c.name;
    EXPECT_FALSE(Ia_formBounded(form, 2)) << c.name;
    const Interval range = Ia_affineRange(form, start.data(), 2);
    EXPECT_TRUE(isNumber(range) && Ivl_contains(range, 0.0)) << c.name;
    if (Ivl_isFinite(c.form.enclosure)) {
      EXPECT_TRUE(range.lo == -1 && range.hi == 1) << c.name;
    }
    EXPECT_TRUE(Ia_rowFeasible(s, 1, range)) << c.name;

    IaBox box = start;
    std::vector<Interval> values(2, Ivl_whole());
    std::vector<IaBox> slopes(2);
    bool trouble = false;
    EXPECT_EQ(Ia_contractAffine(s, box.data(), values.data(), {}, &slopes, &trouble), IaFate::Alive) << c.name;
    expectUnchanged(box, start, c.name);
    EXPECT_TRUE(isNumber(values[1])) << c.name;
    for (int i = 1; i <= 2; ++i) EXPECT_TRUE(isNumber(slopes[1][i])) << c.name;

    EXPECT_EQ(Ia_lpRelaxation(s, start.data(), nullptr).fate, IaFate::Alive) << c.name;

    const IaModel square = equations(&c.form, 2);
    IaSearchContext sq = Ia_searchContext(square, IaOptions{}, false, start);
    box = start;
    values.assign(3, Ivl_whole());
    EXPECT_EQ(Ia_affineNewton(sq, box.data(), values.data()), IaFate::Alive) << c.name;
    EXPECT_EQ(sq.counts.newton, 0) << c.name;
    expectUnchanged(box, start, c.name);
  }
}

// The same form with finite parts narrows x2 onto its zero: the check passes
// bounded forms through.
TEST(IaAffine, ABoundedFormStillContracts) {
  BadForm exact;
  const IaModel model = equations(&exact, 1);
  const IaBox start = {{0, 0}, {0, 1}, {0, 1}};
  IaSearchContext s = Ia_searchContext(model, IaOptions{}, false, start);
  IaBox box = start;
  std::vector<Interval> values(2, Ivl_whole());
  bool trouble = false;
  EXPECT_EQ(Ia_contractAffine(s, box.data(), values.data(), {}, nullptr, &trouble), IaFate::Alive);
  EXPECT_TRUE(Ivl_contains(box[2], kZero2));
  EXPECT_LT(box[2].hi - box[2].lo, 1e-9);
}

// A mean-value form over a gradient without finite bounds is the constant
// form of the value's range: no NaN from 0 times infinity.
TEST(IaAffine, AMeanValueFormOverAnUnboundedGradientIsItsRange) {
  const IaBox box = {{0, 0}, {-1, 2}, {-2, 2}};
  const std::vector<Interval> gradients[] = {{{0, 0}, {-kInf, kInf}, {1, 1}}, {{0, 0}, {0.25, kInf}, {1, 1}}};
  for (const auto& gradient : gradients) {
    for (const Interval over : {Interval{-3, 5}, Interval{-kInf, kInf}}) {
      IaAffineForm form;
      form.coef.assign(3, 0.0);
      form.mid = {0, 0.5, 0};
      Ia_meanValueForm(Interval{1, 1}, gradient.data(), over, box.data(), 2, &form);
      for (const double a : form.coef) EXPECT_FALSE(std::isnan(a));
      EXPECT_FALSE(std::isnan(form.centre) || std::isnan(form.radius));
      EXPECT_EQ(Ia_formBounded(form, 2), Ivl_isFinite(over));
      const Interval range = Ia_affineRange(form, box.data(), 2);
      EXPECT_TRUE(range.lo <= over.lo && range.hi >= over.hi);
    }
  }
}

}  // namespace
