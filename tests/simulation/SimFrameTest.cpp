// The frame of the drawing simulation functions: stored percentile rows and
// sample-vector arguments shorter than the trial count are never read past
// their end, and registration enters the calling cell once.
#include <gtest/gtest.h>

#include <cmath>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/functions/Sim_Random.h"
#include "simulation/registry/CellReg_Registry.h"
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
  EXPECT_EQ(CellReg_trialRowTrials(reg(), 1), 2);
  EXPECT_EQ(CellReg_trialRowTrials(reg(), 2), 0);
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
