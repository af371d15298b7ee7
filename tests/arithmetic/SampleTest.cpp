// Sample vectors: every member equals the plain computation trial by trial;
// failed checks return the operand; comparisons and logic treat NaN as the
// family says.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "tests/arithmetic/ExpressionCases.h"
#include "values/Vm_Status.h"

namespace {

constexpr int32_t kTrials = 7;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Samples {
  EvalContext* ctx;
  SampleVector inputs[3] = {};
  Samples() : ctx(makeContext(0, nullptr, kTrials)) {}
  ~Samples() {
    for (SampleVector& v : inputs) Smp_free(&v);
    freeContext(ctx);
  }
  const SampleVector* make(int slot, std::initializer_list<double> values) {
    SampleVector& v = inputs[slot];
    Smp_init(&v, static_cast<int32_t>(values.size()), ctx);
    int32_t i = 1;
    for (double x : values) v.data[i++] = x;
    return &v;
  }
};

TEST(Samples, EveryMemberEqualsThePlainComputationTrialByTrial) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coordinate(-0.8, 0.8);
  Samples s;
  for (int p = 1; p <= 2; ++p) {
    Smp_init(&s.inputs[p], kTrials, s.ctx);
    for (int t = 1; t <= kTrials; ++t) s.inputs[p].data[t] = coordinate(rng);
  }
  for (const Case& c : kCases) {
    SampleFamily f;
    f.inputs[1] = &s.inputs[1];
    f.inputs[2] = &s.inputs[2];
    const SampleVector* r = build(f, c);
    ASSERT_EQ(r->n, kTrials) << c.name;
    for (int t = 1; t <= kTrials; ++t) {
      PlainFamily plain{{0, s.inputs[1].data[t], s.inputs[2].data[t]}};
      EXPECT_DOUBLE_EQ(build(plain, c), r->data[t]) << c.name << " trial " << t;
    }
  }
  EXPECT_EQ(s.ctx->errors.errorCount, 0);
}

TEST(Samples, AFailedCheckReturnsTheOperandAndKeepsThePartialPass) {
  Samples s;
  const SampleVector* x = s.make(1, {1, 2, 3});
  const SampleVector* y = s.make(2, {1, 0, 1});
  const SampleVector q = Smp_div(x, y);
  EXPECT_EQ(s.ctx->errors.firstError, kStatusDivisionByZero);
  EXPECT_EQ(q.data, x->data);
  EXPECT_EQ(s.ctx->sampling.sampleBuffer->data[1], 1.0);
  EXPECT_EQ(Smp_divSV(2.0, y).data, y->data);  // the divisor comes back

  const SampleVector* roots = s.make(1, {0, 4});
  const SampleVector r = Smp_sqrt(roots);  // 0 is accepted
  EXPECT_EQ(r.data[1], 0.0);
  EXPECT_EQ(r.data[2], 2.0);
  const SampleVector* logs = s.make(2, {1, 0});
  EXPECT_EQ(Smp_ln(logs).data, logs->data);
  EXPECT_EQ(s.ctx->errors.errorCount, 3);
  EXPECT_EQ(s.ctx->errors.firstError, kStatusDivisionByZero);
}

TEST(Samples, ComparisonsLogicAndSummaries) {
  Samples s;
  const SampleVector* x = s.make(1, {1, 2, kNaN, 0});
  const SampleVector* y = s.make(2, {2, 2, 1, 0});
  struct Row {
    SampleVector (*op)(const SampleVector*, const SampleVector*);
    double expected[4];
  };
  const Row rows[] = {
      {Smp_eq, {0, 1, 1, 1}}, {Smp_ne, {1, 0, 0, 0}}, {Smp_ge, {0, 1, 0, 1}}, {Smp_gt, {0, 0, 0, 0}},
      {Smp_le, {1, 1, 1, 1}}, {Smp_lt, {1, 0, 1, 0}}, {Smp_and, {1, 1, 0, 0}}, {Smp_or, {1, 1, 1, 0}},
  };
  for (const Row& row : rows) {
    const SampleVector r = row.op(x, y);
    for (int t = 1; t <= 4; ++t) EXPECT_EQ(r.data[t], row.expected[t - 1]) << "trial " << t;
  }
  const SampleVector n = Smp_not(x);
  EXPECT_EQ(n.data[3], 1.0);  // NaN is false
  EXPECT_EQ(Smp_ltVS(y, 1.0).data[4], 1.0);
  EXPECT_EQ(Smp_maxElem(y), 2.0);
  EXPECT_EQ(Smp_minElem(y), 0.0);
  EXPECT_EQ(Smp_mean(y), 1.25);
  const SampleVector empty{nullptr, 0, 0, s.ctx};
  EXPECT_TRUE(std::isnan(Smp_mean(&empty)));
  EXPECT_EQ(Smp_maxElem(&empty), -std::numeric_limits<double>::infinity());
}

// A trial beyond the doubles holds NaN, the error of a trial, through the
// operators and the elementary functions, as the value mode gives "#num!"
// there; the other trials keep the plain computation and nothing is raised.
TEST(Samples, ATrialBeyondTheDoublesHoldsTheErrorOfATrial) {
  struct Row {
    const char* name;
    Value (*op)(const Value&);
    double (*plain)(double);
  };
  const Row rows[] = {
      {"x*1E300", [](const Value& x) { return Op_mulVS(x, 1e300); }, [](double x) { return x * 1e300; }},
      {"x/1E-310", [](const Value& x) { return Op_divVS(x, 1e-310); }, [](double x) { return x / 1e-310; }},
      {"x^3", [](const Value& x) { return Op_powVI(x, 3); }, [](double x) { return x * x * x; }},
      {"EXP(x)", [](const Value& x) { return Op_elementary(kOpExp, x); }, [](double x) { return std::exp(x); }},
  };
  const double trials[] = {1, 1e300, -1e300, 800, 2, -0.5};
  constexpr int32_t kCount = 6;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Samples s;
    SampleVector& in = s.inputs[1];
    Smp_init(&in, kCount, s.ctx);
    for (int32_t t = 1; t <= kCount; ++t) in.data[t] = trials[t - 1];
    Value x = Val_empty(s.ctx);
    Val_setSamples(&x, &in);
    const Value r = row.op(x);
    ASSERT_EQ(r.kind, kValSamples);
    const auto* out = static_cast<const SampleVector*>(r.payload);
    bool beyond = false;
    for (int32_t t = 1; t <= kCount; ++t) {
      const double truth = row.plain(trials[t - 1]);
      beyond = beyond || std::isinf(truth);
      if (std::isinf(truth)) EXPECT_TRUE(std::isnan(out->data[t])) << "trial " << t;
      else EXPECT_EQ(out->data[t], truth) << "trial " << t;
    }
    EXPECT_TRUE(beyond);
    EXPECT_EQ(s.ctx->errors.errorCount, 0);
    Val_clear(&x);
  }
}

}  // namespace
