// RAND and RANDBETWEEN: seeded draws per trial, stored percentile rows, and
// the registration pass, which registers the calling cell once and draws
// nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "simulation/functions/Sim_Entries.h"
#include "simulation/functions/Sim_Random.h"
#include "simulation/registry/CellReg_Registry.h"
#include "tests/simulation/SimCaller.h"
#include "values/Fn_Ids.h"
#include "values/Rand_State.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"

namespace {

constexpr int32_t kTrials = 200;

TEST(SimRandom, SeededDrawsPerTrial) {
  std::vector<double> first;
  for (int run = 0; run < 2; ++run) {
    EvalContext* ctx = Vm_createContext();
    ctx->sampling.trialCount = kTrials;
    Smp_init(ctx->sampling.sampleBuffer, kTrials, ctx);
    Value bottom = Val_empty(ctx), top = Val_empty(ctx);
    SampleVector b{};
    Smp_init(&b, kTrials, ctx);
    for (int32_t i = 1; i <= kTrials; ++i) Smp_setAt(&b, i % 7, i);
    Val_setSamples(&bottom, &b);
    Smp_free(&b);
    Val_setNumber(&top, 9);
    const Value* between = Sim_randbetween(ctx->buffers.result, &bottom, &top, nullptr);
    ASSERT_EQ(between->kind, kValSamples);
    const SampleVector* s = samplesOf(between);
    for (int32_t i = 1; i <= kTrials; ++i) {
      EXPECT_TRUE(s->data[i] >= i % 7 && s->data[i] <= 9 && s->data[i] == std::floor(s->data[i])) << s->data[i];
      if (run == 0) first.push_back(s->data[i]);
      else EXPECT_EQ(s->data[i], first[static_cast<size_t>(i - 1)]);  // the same seed repeats
    }
    const Value* u = Sim_rand(ctx->buffers.result, nullptr);
    ASSERT_EQ(u->kind, kValSamples);
    double mean = 0;
    for (int32_t i = 1; i <= kTrials; ++i) mean += samplesOf(u)->data[i] / kTrials;
    EXPECT_NEAR(mean, 0.5, 0.1);
    Val_clear(&bottom);
    Vm_destroyContext(ctx);
  }
}

// A context with a model's variable table and registry, in the registration pass.
struct Registration : SimCaller {
  SimCall plain{&cell, 0};
  Registration() {
    cell = CellRef{1, 4, 2};
    registration(100);
  }
};

TEST_F(Registration, RandRegistersItsCellOnceAndDrawsNothing) {
  const int32_t before = ctx->sampling.rand->stream.state;
  EXPECT_EQ(Sim_rand(ctx->buffers.result, &plain)->kind, kValDegVec);
  EXPECT_EQ(Sim_rand(ctx->buffers.result, &plain)->kind, kValDegVec);
  ASSERT_EQ(reg()->records.size(), 1u);
  const CellRegRecord& r = *reg()->records[0];
  EXPECT_EQ(r.key, CellReg_cellKey(1, 4, 2));
  EXPECT_EQ(r.law, kSimLawUnitUniform);
  EXPECT_EQ(r.family, kSimFamilyRandom);
  EXPECT_EQ(r.uncertainArgument, 0);
  EXPECT_EQ(ctx->sampling.rand->stream.state, before);
  // Without the flag the pass draws as usual.
  sampled(0);
  const Value* u = Sim_rand(ctx->buffers.result, &plain);
  EXPECT_EQ(u->kind, kValReal);
  EXPECT_EQ(reg()->records.size(), 1u);
}

TEST_F(Registration, RandbetweenRegistersWhetherItsBoundsAreUncertain) {
  Value* low = num(1);
  Value* high = Val_setKind(values.make(), kValDegVec);
  EXPECT_EQ(Sim_randbetween(ctx->buffers.result, low, high, &plain)->kind, kValDegVec);
  CellRef other{1, 5, 2};
  SimCall second{&other, 0};
  EXPECT_EQ(Sim_randbetween(ctx->buffers.result, low, num(6), &second)->kind, kValDegVec);
  ASSERT_EQ(reg()->records.size(), 2u);
  EXPECT_EQ(reg()->records[0]->law, kSimLawIntegerUniform);
  EXPECT_EQ(reg()->records[0]->uncertainArgument, 1);
  EXPECT_EQ(reg()->records[1]->uncertainArgument, 0);
}

TEST_F(Registration, StoredPercentilesGiveTheSameValues) {
  sampled(3);
  CellReg_setCellCount(reg(), 1);
  const double row[] = {0, 0.25, 0.5, 0.999};
  CellReg_setTrialRow(reg(), 1, row, 3);
  SimCall numbered{&cell, 1};
  const int32_t before = ctx->sampling.rand->stream.state;
  for (int pass = 0; pass < 2; ++pass) {
    const Value* u = Sim_rand(ctx->buffers.result, &numbered);
    ASSERT_EQ(u->kind, kValSamples);
    EXPECT_EQ(samplesOf(u)->data[1], 0.25);
    EXPECT_EQ(samplesOf(u)->data[3], 0.999);
  }
  const Value* k = Sim_randbetween(ctx->buffers.result, num(1), num(4), &numbered);
  EXPECT_EQ(samplesOf(k)->data[1], 2);
  EXPECT_EQ(samplesOf(k)->data[2], 3);
  EXPECT_EQ(samplesOf(k)->data[3], 4);
  EXPECT_EQ(ctx->sampling.rand->stream.state, before);
}

// Every function the list marks as the simulation library's has an entry,
// and no other.
TEST(SimEntries, EveryListedFunctionHasAnEntry) {
  struct Listed {
    int32_t id;
    bool simulation;
  };
#define CORVAN_LISTED(symbol, name, id, count, optional, form, selector, kinds, flags) \
  {id, ((flags)&kFnSimulation) != 0},
  const Listed listed[] = {CORVAN_WORKSHEET_FUNCTIONS(CORVAN_LISTED)};
#undef CORVAN_LISTED
  int marked = 0;
  for (const Listed& l : listed) {
    EXPECT_EQ(Sim_entry(l.id) != nullptr, l.simulation) << l.id;
    marked += l.simulation ? 1 : 0;
  }
  EXPECT_EQ(marked, 2);  // RAND and RANDBETWEEN
}

}  // namespace
