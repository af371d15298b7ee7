// The edges of the sampled-input and positional-truncation functions,
// called by id as the dispatcher calls them: stored percentiles, sample-
// vector parameters, refused arguments, correlated vectors of the wrong
// size, the sample-point parameter, tables, and registration that checks
// no argument.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "simulation/random/Rand_Generator.h"
#include "tests/simulation/SimCaller.h"
#include "values/Vm_Status.h"

namespace {

struct Calls : SimCaller {
  Calls() { cell = CellRef{1, 2, 2}; }
  Value* matrix(int rows, int columns, std::initializer_list<double> xs) { return values.grid(rows, columns, xs); }
};

// No trials: one fresh draw; one trial with a stored row: the normal
// quantile of the row's entry at the current trial.
TEST_F(Calls, NormalDrawsOnceOrAtTheStoredPercentile) {
  const Value* x = call(1108, {num(0), num(1)});
  ASSERT_EQ(x->kind, kValReal);
  EXPECT_TRUE(std::isfinite(x->number));
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.5, 0.975};
  CellReg_setTrialRow(reg(), 1, row, 2);
  ctx->sampling.trialCount = 1;
  ctx->sampling.currentTrial = 2;
  x = call(1108, {num(10), num(2)}, 1);
  ASSERT_EQ(x->kind, kValReal);
  EXPECT_NEAR(x->number, 10 + 2 * 1.959963984540054, 1e-6);
}

// Five trials with a sample-vector mean: draw t takes the mean's sample t
// (at the stored percentile 0.5, the mean itself).
TEST_F(Calls, SampleVectorParametersGiveEachTrialItsOwn) {
  sampled(5);
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.5, 0.5, 0.5, 0.5, 0.5};
  CellReg_setTrialRow(reg(), 1, row, 5);
  const Value* x = call(1108, {samples({1, 2, 3, 4, 5}), num(1)}, 1);
  ASSERT_EQ(x->kind, kValSamples);
  for (int t = 1; t <= 5; ++t) EXPECT_NEAR(samplesOf(x)->data[t], t, 1e-9);
  // A standard deviation per trial in the positional family.
  ctx->sampling.trialCount = 4;
  const double quartile[] = {0, 0.75, 0.75, 0.75, 0.75};
  CellReg_setTrialRow(reg(), 1, quartile, 4);
  x = call(1220, {num(0), samples({1, 2, 3, 4})}, 1);
  ASSERT_EQ(x->kind, kValSamples);
  for (int t = 1; t <= 4; ++t) EXPECT_NEAR(samplesOf(x)->data[t], t * 0.6744897501960817, 1e-6);
}

// A parameter of 3 samples under 5 trials is never read past its end.
TEST_F(Calls, ShortSampleVectorParametersGiveNum) {
  sampled(5);
  for (int32_t id : {1108, 1220}) {
    Vm_clearErrors(&ctx->errors);
    EXPECT_TRUE(isError(call(id, {samples({1, 2, 3}), num(1)}), kErrNum)) << id;
    EXPECT_EQ(ctx->errors.firstError, kStatusUnsupportedVector) << id;
  }
}

TEST_F(Calls, RefusedArguments) {
  EXPECT_TRUE(isError(call(1108, {text(u"a"), num(1)}), kErrNum));
  EXPECT_TRUE(isError(call(1108, {values.error(kErrDiv0), text(u"a")}), kErrDiv0));
  EXPECT_TRUE(isError(call(1107, {num(1), num(2), num(3), samples({0, 1})}), kErrNum));
  // Positional: a text after the bounds is accepted, an array there is not.
  EXPECT_EQ(call(1220, {num(0), num(1), num(-1), num(1), text(u"note")})->kind, kValReal);
  EXPECT_TRUE(isError(call(1220, {num(0), num(1), num(-1), num(1), matrix(1, 1, {1})}), kErrNum));
  EXPECT_TRUE(isError(call(1220, {num(0), text(u"1")}), kErrNum));
  // Tables of 2 or 3 columns only.
  EXPECT_TRUE(isError(call(1204, {matrix(1, 4, {1, 2, 3, 4})}), kErrValue));
  EXPECT_TRUE(isError(call(1204, {num(1)}), kErrValue));
  EXPECT_TRUE(isError(call(1205, {matrix(1, 2, {1, 1})}), kErrNA));
  EXPECT_TRUE(isError(call(1205, {matrix(1, 1, {1})}), kErrValue));
  EXPECT_TRUE(isError(call(1253, {num(1)}), kErrNA));
}

// A count past the 32-bit range is no count a law takes: the draw fails
// (NaN, which a cell shows as #NUM!), never a draw from a count cut down to
// 2^31 - 1 (the binomial's 1E+12 trials drew about 1.07E+9 successes).
TEST_F(Calls, CountsPastThirtyTwoBitsFailTheirDraws) {
  struct Row {
    int32_t id;
    std::vector<double> args;
  };
  const Row rows[] = {
      {1101, {1e12, 0.5}}, {1101, {-1e12, 0.5}},    {1101, {4294967297.0, 0.5}}, {1203, {0.5, 1e12}},
      {1219, {0.5, 1e12}}, {1213, {1e12, 5, 1e13}}, {1223, {0, 1, 1e12}},        {1304, {0.5, 1e12}},
      {1305, {1e12}},      {1310, {1e12, 1}},       {1324, {0.5, 1e12}},         {1334, {1e12}},
  };
  for (const Row& r : rows) {
    std::vector<const Value*> args;
    for (double x : r.args) args.push_back(num(x));
    const SimCall at{&cell, 0};
    const Value* x = Sim_entry(r.id)(ctx->buffers.result, static_cast<int>(args.size()), args.data(), &at);
    EXPECT_TRUE(x->kind == kValReal && std::isnan(x->number)) << r.id << " " << r.args[0] << ": " << x->number;
  }
  // Counts within the range still draw: 20 trials of probability 0.3.
  const Value* x = call(1101, {num(20), num(0.3)});
  ASSERT_EQ(x->kind, kValReal);
  EXPECT_TRUE(x->number >= 0 && x->number <= 20 && x->number == std::trunc(x->number)) << x->number;
}

// Means {1, 2} under the identity: each mean plus its own standard normal
// draw, in index order; a 3 x 3 matrix for two means is refused.
TEST_F(Calls, CorrelatedVectorsNeedAMatrixOfTheirSize) {
  RandState* same = new RandState(*ctx->sampling.rand);
  const double z1 = Rand_inverseNormal(Rand_uniform01(same)), z2 = Rand_inverseNormal(Rand_uniform01(same));
  delete same;
  const Value* x = call(1115, {matrix(2, 1, {1, 2}), matrix(2, 2, {1, 0, 0, 1})});
  ASSERT_EQ(x->kind, kValArray);
  ASSERT_EQ(x->array->columns, 2);
  EXPECT_NEAR(Val_at(x, 0, 0)->number, 1 + z1, 1e-6);
  EXPECT_NEAR(Val_at(x, 0, 1)->number, 2 + z2, 1e-6);
  EXPECT_TRUE(isError(call(1115, {matrix(2, 1, {1, 2}), matrix(3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1})}), kErrValue));
  EXPECT_TRUE(isError(call(1114, {matrix(2, 1, {1, 2}), matrix(2, 2, {1, 1, 1, 1})}), kErrValue));
}

// A 2 x 3 array: sample point 4 is row 2, column 1; point 7 and point 0 lie
// outside; any other argument comes back as it is.
TEST_F(Calls, SamplePointParameter) {
  Value* a = matrix(2, 3, {11, 12, 13, 21, 22, 23});
  ctx->sampling.sampleIndex = 4;
  EXPECT_EQ(call(1150, {a})->number, 21);
  ctx->sampling.sampleIndex = 7;
  EXPECT_TRUE(isError(call(1150, {a}), kErrNA));
  ctx->sampling.sampleIndex = 0;
  EXPECT_TRUE(isError(call(1150, {a}), kErrNA));
  EXPECT_EQ(call(1150, {num(5)})->number, 5);
}

TEST_F(Calls, TablesPassTheirErrorsAndRefuseOtherKinds) {
  Value* t = matrix(2, 2, {1, 2, 3, 4});
  Val_setError(Val_at(t, 1, 0), kErrRef);
  EXPECT_TRUE(isError(call(1116, {t}), kErrRef));
  EXPECT_TRUE(isError(call(1117, {num(3)}), kErrValue));
  const Value* p = call(1117, {matrix(1, 3, {7, 8, 9})});
  ASSERT_EQ(p->kind, kValArray);
  EXPECT_EQ(Val_at(p, 0, 0)->number + Val_at(p, 0, 1)->number + Val_at(p, 0, 2)->number, 24);
}

// Registration checks no argument: an error argument registers too; an
// uncertain argument marks the record; the positional family keeps the
// cell's area.
TEST_F(Calls, RegistrationTakesEveryCallAndMarksUncertainArguments) {
  registration(100);
  Value* uncertain = Val_setKind(values.make(), kValDegVec);
  EXPECT_EQ(call(1220, {values.error(kErrNum), num(1)})->kind, kValDegVec);
  cell = CellRef{1, 3, 2};
  EXPECT_EQ(call(1104, {uncertain})->kind, kValDegVec);
  cell = CellRef{1, 4, 2};
  EXPECT_EQ(call(1112, {})->kind, kValDegVec);
  ASSERT_EQ(reg()->records.size(), 3u);
  EXPECT_EQ(reg()->records[0]->family, kSimFamilyBounded);
  EXPECT_EQ(reg()->records[0]->position.firstRow, 2);
  EXPECT_EQ(reg()->records[1]->law, 14);
  EXPECT_EQ(reg()->records[1]->family, kSimFamilySampled);
  EXPECT_EQ(reg()->records[1]->uncertainArgument, 1);
  EXPECT_EQ(reg()->records[1]->position.sheet, 0);
  EXPECT_EQ(reg()->records[2]->law, 46);
  EXPECT_EQ(reg()->records[2]->uncertainArgument, 0);
  // The vectors and tables do not register.
  cell = CellRef{1, 5, 2};
  EXPECT_EQ(call(1115, {matrix(1, 1, {0}), matrix(1, 1, {1})})->kind, kValArray);
  EXPECT_EQ(reg()->records.size(), 3u);
}

}  // namespace
