// The database functions: selection by criteria ranges (OR across criteria
// rows, AND across the cells of a row, patterns and comparisons), the field
// argument, each function's combination and empty case, and a field of
// variable cells aggregated with its exact gradient, which agrees with the
// plain sum of the selected cells and with central differences.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/worksheet/TestCaller.h"
#include "values/Fn_Ids.h"
#include "values/Grad_Payload.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

namespace {

// Name, Age, Weight; the weights may be replaced by other values.
struct Table {
  Caller& c;
  std::vector<const Value*> names, ages, weights;
  explicit Table(Caller& caller) : c(caller) {
    const char16_t* n[] = {u"abc", u"a", u"Bob", u"ab", u"xyz"};
    const double a[] = {35, 15, 25, 5, 40}, w[] = {70, 40, 80, 20, 90};
    for (int i = 0; i < 5; ++i) {
      names.push_back(c.text(n[i]));
      ages.push_back(c.num(a[i]));
      weights.push_back(c.num(w[i]));
    }
  }
  const Value* value() {
    std::vector<const Value*> items{c.text(u"Name"), c.text(u"AGE"), c.text(u"Weight")};
    for (size_t i = 0; i < names.size(); ++i) items.insert(items.end(), {names[i], ages[i], weights[i]});
    return c.array(static_cast<int>(names.size()) + 1, 3, items);
  }
};

// A criteria range: headers, then rows of cells (null for a blank cell).
const Value* criteria(Caller& c, std::vector<const Value*> headers, std::vector<std::vector<const Value*>> rows) {
  std::vector<const Value*> items = headers;
  for (auto& row : rows)
    for (const Value* v : row) items.push_back(v ? v : c.empty());
  return c.array(static_cast<int>(rows.size()) + 1, static_cast<int>(headers.size()), items);
}

double dsum(Caller& c, const Value* db, const Value* crit) {
  return numberOf(c.call(kIdDsum, {db, c.text(u"weight"), crit}));
}

TEST(DatabaseFunctions, RowsAreAlternativesAndTheCellsOfARowAllHold) {
  Caller c;
  Table t(c);
  const Value* db = t.value();
  // Age over 30 or under 20: 70 + 40 + 20 + 90.
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"age")}, {{c.text(u">30")}, {c.text(u"<20")}})), 220);
  // ... with names beginning with a in both rows: abc, a, ab.
  EXPECT_EQ(dsum(c, db,
                 criteria(c, {c.text(u"Age"), c.text(u"Name")},
                          {{c.text(u">30"), c.text(u"a*")}, {c.text(u"<20"), c.text(u"a*")}})),
            130);
  // One row's cells together: over 30 with a name of three letters, or Bob.
  EXPECT_EQ(dsum(c, db,
                 criteria(c, {c.text(u"Age"), c.text(u"Name")},
                          {{c.text(u">30"), c.text(u"???")}, {nullptr, c.text(u"bob")}})),
            240);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Age")}, {{c.text(u"<>25")}})), 220);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Age")}, {{c.num(25)}})), 80);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Name")}, {{c.text(u"a?c")}})), 70);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Name")}, {{c.text(u"*b")}})), 100);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Name")}, {{c.text(u"*")}})), 300);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Name")}, {{c.text(u">=b")}})), 170);
  // A blank row among others is passed over; only blank rows select all.
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Age")}, {{c.text(u">30")}, {nullptr}})), 160);
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Age")}, {{nullptr}})), 300);
  // A criterion under a header that names no column selects nothing.
  EXPECT_EQ(dsum(c, db, criteria(c, {c.text(u"Height")}, {{c.num(1)}})), 0);
}

// A criterion typed as text is read as COUNTIF reads it: "=25" matches the
// number 25, an operator before a text compares texts without regard to
// case, and an operator with a blank before "=" compares with the text
// " =30", which no number matches.
TEST(DatabaseFunctions, TextCriteriaAreReadAsCountifReadsThem) {
  Caller c;
  Table t(c);
  const Value* db = t.value();
  const struct {
    const char16_t* header;
    const char16_t* criterion;
    double sum;
  } cases[] = {
      {u"Age", u"=25", 80},      // Bob
      {u"Age", u"=25.0", 80},    // Bob, the number read
      {u"Age", u"<=25", 140},    // a, Bob, ab
      {u"Age", u"< =30", 0},     // a text operand: no number matches
      {u"Name", u">=abc", 240},  // abc, Bob, xyz
      {u"Name", u"<ab", 40},     // a
      {u"Name", u"=AB", 20},     // ab, without regard to case
      {u"Name", u"<>a*", 170},   // Bob, xyz
  };
  int i = 0;
  for (const auto& k : cases)
    EXPECT_EQ(dsum(c, db, criteria(c, {c.text(k.header)}, {{c.text(k.criterion)}})), k.sum) << "case " << i++;
}

TEST(DatabaseFunctions, FieldsAndEmptySelections) {
  Caller c;
  Table t(c);
  const Value* db = t.value();
  const Value* all = criteria(c, {c.text(u"Age")}, {{c.text(u">0")}});
  const Value* none = criteria(c, {c.text(u"Age")}, {{c.text(u">100")}});
  const Value* one = criteria(c, {c.text(u"Name")}, {{c.text(u"bob")}});
  EXPECT_EQ(numberOf(c.call(kIdDsum, {db, c.num(2.9), all})), 120);
  EXPECT_TRUE(isError(c.call(kIdDsum, {db, c.num(0), all}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDsum, {db, c.num(4), all}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDsum, {db, c.text(u"Height"), all}), kErrValue));
  EXPECT_TRUE(
      isError(c.call(kIdDsum, {c.array(1, 3, {c.text(u"Name"), c.text(u"Age"), c.text(u"Weight")}), c.num(1), all}),
              kErrValue));
  EXPECT_TRUE(isError(c.call(kIdDget, {db, c.num(3), all}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdDget, {db, c.num(3), one})), 80);
  EXPECT_EQ(numberOf(c.call(kIdDmax, {db, c.num(3), none})), 0);
  EXPECT_EQ(numberOf(c.call(kIdDmin, {db, c.num(3), none})), 0);
  EXPECT_EQ(numberOf(c.call(kIdDmax, {db, c.num(3), all})), 90);
  EXPECT_EQ(numberOf(c.call(kIdDmin, {db, c.num(3), all})), 20);
  EXPECT_EQ(numberOf(c.call(kIdDproduct, {db, c.num(3), none})), 1);
  EXPECT_TRUE(isError(c.call(kIdDaverage, {db, c.num(3), none}), kErrDiv0));
  EXPECT_EQ(numberOf(c.call(kIdDaverage, {db, c.num(3), all})), 60);
  EXPECT_TRUE(isError(c.call(kIdDvar, {db, c.num(3), one}), kErrDiv0));
  EXPECT_EQ(numberOf(c.call(kIdDvarp, {db, c.num(3), one})), 0);
  EXPECT_EQ(numberOf(c.call(kIdDvar, {db, c.num(3), all})), 850);
  EXPECT_EQ(numberOf(c.call(kIdDvarp, {db, c.num(3), all})), 680);
  EXPECT_NEAR(numberOf(c.call(kIdDstdev, {db, c.num(3), all})), std::sqrt(850.0), 1e-12);
  EXPECT_EQ(numberOf(c.call(kIdDcount, {db, c.num(1), all})), 0);
  EXPECT_EQ(numberOf(c.call(kIdDcounta, {db, c.num(1), all})), 5);
  Value* missing = c.empty();
  missing->kind = kValMissing;
  EXPECT_EQ(numberOf(c.call(kIdDcount, {db, missing, one})), 1);
  // An error among the selected values is the result.
  t.weights[2] = c.error(kErrNA);
  EXPECT_TRUE(isError(c.call(kIdDsum, {t.value(), c.num(3), all}), kErrNA));
}

TEST(DatabaseFunctions, VarianceKeepsItsDigitsFarFromZero) {
  Caller c;
  Table t(c);
  for (size_t i = 0; i < t.weights.size(); ++i) t.weights[i] = c.num(1e9 + static_cast<double>(i));
  const Value* all = criteria(c, {c.text(u"Age")}, {{c.text(u">0")}});
  EXPECT_EQ(numberOf(c.call(kIdDvar, {t.value(), c.num(3), all})), 2.5);
  EXPECT_EQ(numberOf(c.call(kIdDvarp, {t.value(), c.num(3), all})), 2);
}

TEST(DatabaseFunctions, ALongCriterionRaisesAndImposesNothing) {
  Caller c;
  Table t(c);
  const std::u16string longText(300, u'a');
  EXPECT_EQ(dsum(c, t.value(), criteria(c, {c.text(u"Name")}, {{c.text(longText.c_str())}})), 300);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusTooLong);
}

// The weights as variables 1..5 in the gradient mode.
struct GradTable {
  Caller c;
  Table t{c};
  explicit GradTable(const std::vector<double>& x) {
    c.ctx->flags.mode = kModeGrad;
    Grad_init(c.ctx->buffers.gradBuffer, 5, c.ctx);
    for (int i = 0; i < 5; ++i) {
      Value* v = c.empty();
      GradValue g{};
      Grad_init(&g, 5, c.ctx);
      Grad_setVar(&g, x[static_cast<size_t>(i)], i + 1);
      Val_setGrad(v, &g);
      Grad_free(&g);
      t.weights[static_cast<size_t>(i)] = v;
    }
  }
};

double plainValue(int32_t id, const std::vector<double>& x, const char16_t* criterion) {
  Caller c;
  Table t(c);
  for (int i = 0; i < 5; ++i) t.weights[static_cast<size_t>(i)] = c.num(x[static_cast<size_t>(i)]);
  return numberOf(c.call(id, {t.value(), c.text(u"Weight"), criteria(c, {c.text(u"Age")}, {{c.text(criterion)}})}));
}

TEST(DatabaseFunctions, AFieldOfVariablesKeepsItsExactGradient) {
  const std::vector<double> x{1.3, -0.4, 2.2, 0.7, 1.9};
  // Ages over 20 select the first, third and fifth records.
  const char16_t* kOver20 = u">20";
  GradTable g(x);
  Caller& c = g.c;
  const Value* crit = criteria(c, {c.text(u"Age")}, {{c.text(kOver20)}});
  Value dsum = Val_empty(c.ctx);
  Val_assign(&dsum, c.call(kIdDsum, {g.t.value(), c.text(u"Weight"), crit}));
  ASSERT_EQ(dsum.kind, kValGrad);
  const Value* sum = c.call(kIdSum, {g.t.weights[0], g.t.weights[2], g.t.weights[4]});
  ASSERT_EQ(sum->kind, kValGrad);
  const auto* gd = static_cast<const GradValue*>(dsum.payload);
  const auto* gs = static_cast<const GradValue*>(sum->payload);
  EXPECT_EQ(gd->value, gs->value);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(gd->gradient[i], gs->gradient[i]) << "d/dx" << i;
  Val_clear(&dsum);
  // Every aggregate against central differences of its plain value.
  for (int32_t id :
       {kIdDsum, kIdDaverage, kIdDproduct, kIdDvar, kIdDvarp, kIdDstdev, kIdDstdevp, kIdDmax, kIdDmin, kIdDget}) {
    const char16_t* criterion = id == kIdDget ? u">38" : kOver20;
    GradTable m(x);
    const Value* r =
        m.c.call(id, {m.t.value(), m.c.text(u"Weight"), criteria(m.c, {m.c.text(u"Age")}, {{m.c.text(criterion)}})});
    ASSERT_EQ(r->kind, kValGrad) << id;
    const auto* gv = static_cast<const GradValue*>(r->payload);
    EXPECT_NEAR(gv->value, plainValue(id, x, criterion), 1e-12) << id;
    for (int i = 0; i < 5; ++i) {
      const double h = 1e-6;
      std::vector<double> up = x, down = x;
      up[static_cast<size_t>(i)] += h;
      down[static_cast<size_t>(i)] -= h;
      const double d = (plainValue(id, up, criterion) - plainValue(id, down, criterion)) / (2 * h);
      EXPECT_NEAR(gv->gradient[i + 1], d, 1e-6 * std::max(1.0, std::fabs(d))) << id << " d/dx" << i + 1;
    }
  }
}

TEST(DatabaseFunctions, SampleVectorsAndIntervalsAggregateInTheirMode) {
  constexpr int kTrials = 4;
  Caller c;
  c.ctx->flags.mode = kModeSamples;
  Smp_init(c.ctx->sampling.sampleBuffer, kTrials, c.ctx);
  Table t(c);
  for (int i = 0; i < 5; ++i) {
    Value* v = c.empty();
    SampleVector s{};
    Smp_init(&s, kTrials, c.ctx);
    for (int k = 1; k <= kTrials; ++k) Smp_setAt(&s, 10.0 * i + k, k);
    Val_setSamples(v, &s);
    Smp_free(&s);
    t.weights[static_cast<size_t>(i)] = v;
  }
  // Records 1, 3 and 5: 10i + k summed over i = 0, 2, 4.
  const Value* r = c.call(kIdDsum, {t.value(), c.num(3), criteria(c, {c.text(u"Age")}, {{c.text(u">20")}})});
  ASSERT_EQ(r->kind, kValSamples);
  const auto* s = static_cast<const SampleVector*>(r->payload);
  ASSERT_EQ(s->n, kTrials);
  for (int k = 1; k <= kTrials; ++k) EXPECT_EQ(s->data[k], 60.0 + 3 * k);

  Caller iv;
  iv.ctx->flags.mode = kModeInterval;
  Table u(iv);
  for (int i = 0; i < 5; ++i) {
    Value* v = iv.empty();
    const Interval box{i - 0.5, i + 0.5};
    Val_setInterval(v, &box);
    u.weights[static_cast<size_t>(i)] = v;
  }
  r = iv.call(kIdDaverage, {u.value(), iv.num(3), criteria(iv, {iv.text(u"Age")}, {{iv.text(u">20")}})});
  ASSERT_EQ(r->kind, kValInterval);
  const auto* box = static_cast<const Interval*>(r->payload);
  EXPECT_LE(box->lo, 1.5);
  EXPECT_GE(box->hi, 2.5);
  EXPECT_GT(box->lo, 1.4);
  EXPECT_LT(box->hi, 2.6);
}

}  // namespace
