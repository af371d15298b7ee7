// The frame of the drawing simulation functions: stored percentile rows and
// sample-vector arguments shorter than the trial count are never read past
// their end, and registration enters the calling cell once.
#include <gtest/gtest.h>

#include <cmath>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/functions/Sim_Random.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

struct Frame : ::testing::Test {
  EvalContext* ctx = Vm_createContext();
  CellRef cell{1, 3, 3};
  Frame() {
    ctx->tables.variables = Model_createVariableTable();
    ctx->tables.variables->registry = CellReg_create();
    ctx->flags.mode = kModeSamples;
  }
  ~Frame() override { Vm_destroyContext(ctx); }
  CellRegistry* reg() { return ctx->tables.variables->registry.get(); }
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
  SimCall call{&cell, 1};
  const Value* u = Sim_rand(ctx->buffers.result, &call);
  ASSERT_EQ(u->kind, kValSamples);
  const auto* s = static_cast<const SampleVector*>(u->payload);
  EXPECT_EQ(s->data[1], 0.25);
  EXPECT_EQ(s->data[2], 0.5);
  for (int i = 3; i <= 4; ++i) EXPECT_TRUE(s->data[i] > 0 && s->data[i] < 1) << s->data[i];
}

// A sample-vector bound of 3 samples under a run of 5 trials: status 42
// and "#num!" instead of reading samples 4 and 5.
TEST_F(Frame, ShortSampleVectorArgumentIsRefused) {
  ctx->sampling.trialCount = 5;
  Value low = Val_empty(ctx), high = Val_empty(ctx);
  SampleVector b{};
  Smp_init(&b, 3, ctx);
  for (int i = 1; i <= 3; ++i) Smp_setAt(&b, i, i);
  Val_setSamples(&low, &b);
  Smp_free(&b);
  Val_setNumber(&high, 9);
  const Value* r = Sim_randbetween(ctx->buffers.result, &low, &high, nullptr);
  EXPECT_EQ(r->kind, kValError);
  uint32_t code = 0;
  EXPECT_TRUE(Vm_errorCode(r->number, &code) && code == kErrNum);
  EXPECT_EQ(ctx->errors.firstError, kStatusUnsupportedVector);
  EXPECT_TRUE(std::isnan(Sim_valueAt(&low, 4)));
  EXPECT_EQ(Sim_valueAt(&low, 3), 3.0);
  Val_clear(&low);
  Val_clear(&high);
}

TEST_F(Frame, RegistrationKeepsTheFirstRecord) {
  ctx->flags.mode = kModeDegVec;
  ctx->sampling.trialCount = 10;
  ctx->sampling.registerUncertain = 1;
  ASSERT_TRUE(Sim_registering(ctx));
  SimCall call{&cell, 0};
  const RangeRef at{1, 3, 3, 3, 3};
  EXPECT_EQ(Sim_register(ctx->buffers.result, &call, 31, kSimFamilyBounded, 0, nullptr, &at)->kind, kValDegVec);
  EXPECT_EQ(Sim_register(ctx->buffers.result, &call, 45, kSimFamilySampled, 0, nullptr, nullptr)->kind, kValDegVec);
  ASSERT_EQ(reg()->records.size(), 1u);
  EXPECT_EQ(reg()->records[0]->law, 31);
  EXPECT_EQ(reg()->records[0]->family, kSimFamilyBounded);
  EXPECT_EQ(reg()->records[0]->position.firstRow, 3);
  ctx->sampling.registerUncertain = 0;
  EXPECT_FALSE(Sim_registering(ctx));
}

}  // namespace
