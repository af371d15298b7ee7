// The frame of the drawing simulation functions: stored percentile rows and
// sample-vector arguments shorter than the trial count are never read past
// their end, and registration enters the calling cell once.
#include <gtest/gtest.h>

#include <cmath>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/functions/Sim_Random.h"
#include "simulation/registry/CellReg_Registry.h"
#include "simulation/registry/Model_Draws.h"
#include "tests/simulation/SimCaller.h"
#include "values/Vm_Status.h"

namespace {

struct Frame : SimCaller {
  Frame() {
    cell = CellRef{1, 3, 3};
    ctx->flags.mode = kModeSamples;
  }
};

// A stored row of 2 trials under a run of 4: trials 3 and 4 draw afresh
// instead of reading beyond the row.
TEST_F(Frame, ShortPercentileRowDrawsAfreshPastItsEnd) {
  ctx->sampling.trialCount = 4;
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.25, 0.5};
  CellReg_setTrialRow(reg(), 1, row, 2);
  EXPECT_EQ((*Model_getSampleTable(ctx->tables.variables))[0].size(), 3u);
  EXPECT_EQ(Model_getDistributionSamples(ctx->tables.variables, 2), nullptr);
  const SimCall numbered{&cell, 1};
  const Value* u = Sim_rand(ctx->buffers.result, &numbered);
  ASSERT_EQ(u->kind, kValSamples);
  const SampleVector* s = samplesOf(u);
  EXPECT_EQ(s->data[1], 0.25);
  EXPECT_EQ(s->data[2], 0.5);
  for (int i = 3; i <= 4; ++i) EXPECT_TRUE(s->data[i] > 0 && s->data[i] < 1) << s->data[i];
}

// A sample-vector bound of 3 samples under a run of 5 trials: status 42
// and "#num!" instead of reading samples 4 and 5.
TEST_F(Frame, ShortSampleVectorArgumentIsRefused) {
  ctx->sampling.trialCount = 5;
  Value* low = samples({1, 2, 3});
  const Value* r = Sim_randbetween(ctx->buffers.result, low, num(9), nullptr);
  EXPECT_EQ(r->kind, kValError);
  uint32_t code = 0;
  EXPECT_TRUE(Vm_errorCode(r->number, &code) && code == kErrNum);
  EXPECT_EQ(ctx->errors.firstError, kStatusUnsupportedVector);
  EXPECT_TRUE(std::isnan(Sim_valueAt(low, 4)));
  EXPECT_EQ(Sim_valueAt(low, 3), 3.0);
}

// A percentile row stored for the calling cell's input reaches the draws of
// every family through the model's accessor: trial t of a run draws the
// law's quantile at entry t, and a single trial the entry of the context's
// current trial. Quantiles of the standard normal from tables.
TEST_F(Frame, StoredPercentileRowReachesTheDrawsOfEveryFamily) {
  const double z[] = {-1.2815515655446004, 0.0, 1.959963984540054};  // at 0.1, 0.5, 0.975
  const double stored[] = {0, 0.1, 0.5, 0.975};
  CellReg_setCellCount(reg(), 1);
  ASSERT_TRUE(CellReg_setTrialRow(reg(), 1, stored, 3));
  const double* row = Model_getDistributionSamples(ctx->tables.variables, 1);
  ASSERT_NE(row, nullptr);
  struct Case {
    int32_t id;  // normal (10, 2) or uniform on [2, 6]
    bool normal;
  } cases[] = {{1108, true}, {1220, true}, {1325, true}, {1111, false}, {1225, false}, {1337, false}};
  for (const Case& c : cases) {
    const auto law = [&](int32_t t) { return c.normal ? 10 + 2 * z[t - 1] : 2 + 4 * row[t]; };
    const std::initializer_list<Value*> args = {num(c.normal ? 10 : 2), num(c.normal ? 2 : 6)};
    sampled(3);
    const Value* r = call(c.id, args, 1);
    ASSERT_EQ(r->kind, kValSamples) << c.id;
    for (int32_t t = 1; t <= 3; ++t) EXPECT_NEAR(samplesOf(r)->data[t], law(t), 1e-12) << c.id << " trial " << t;
    sampled(1);
    ctx->sampling.currentTrial = 2;
    r = call(c.id, args, 1);
    ASSERT_EQ(r->kind, kValReal) << c.id;
    EXPECT_NEAR(r->number, law(2), 1e-12) << c.id;
    ctx->sampling.currentTrial = 0;
  }
}

TEST_F(Frame, RegistrationKeepsTheFirstRecord) {
  registration();
  ASSERT_TRUE(Sim_registering(ctx->flags.mode, ctx->sampling));
  const SimCall plain{&cell, 0};
  const RangeRef at{1, 3, 3, 3, 3};
  EXPECT_EQ(Sim_register(ctx->buffers.result, &plain, 31, kSimFamilyBounded, 0, nullptr, &at)->kind, kValDegVec);
  EXPECT_EQ(Sim_register(ctx->buffers.result, &plain, 45, kSimFamilySampled, 0, nullptr, nullptr)->kind, kValDegVec);
  ASSERT_EQ(reg()->records.size(), 1u);
  EXPECT_EQ(reg()->records[0]->law, 31);
  EXPECT_EQ(reg()->records[0]->family, kSimFamilyBounded);
  EXPECT_EQ(reg()->records[0]->position.firstRow, 3);
  ctx->sampling.registerUncertain = 0;
  EXPECT_FALSE(Sim_registering(ctx->flags.mode, ctx->sampling));
}

}  // namespace
