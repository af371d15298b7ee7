// Teardown of an evaluation context frees everything it owns exactly once
// (the sanitizer build checks for leaks and double frees).
#include <gtest/gtest.h>

#include <cstdlib>

#include "values/Aff_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/Model_Functions.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Smp_Payload.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

namespace {

struct CountingSink : FormulaTextSink {
  explicit CountingSink(int* destroyed) : destroyed(destroyed) {}
  ~CountingSink() override { ++*destroyed; }
  int* destroyed;
};

TEST(Context, StartsWithTheInitialFlags) {
  EvalContext* ctx = Vm_createContext();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx->flags.incremental + ctx->flags.nonSmoothAllowed + ctx->flags.reverseAllowed +
                ctx->flags.replayAllowed + ctx->flags.affineKeepsInterval,
            5);
  EXPECT_EQ(ctx->flags.compactDerivatives + ctx->flags.recording + ctx->flags.sizingPass + ctx->flags.scalingCheck +
                ctx->flags.symbolic + ctx->flags.curvature + ctx->flags.aggregate + ctx->flags.forwardHessAllowed +
                ctx->flags.mode,
            0);
  EXPECT_EQ(ctx->buffers.result->context, ctx);
  EXPECT_EQ(ctx->buffers.ivGradBuffer->curvature, kCurvAffine);
  EXPECT_EQ(ctx->tables.structure->scalingThreshold, 24);
  EXPECT_EQ(ctx->host.textSink, nullptr);
  Vm_destroyContext(ctx);
}

TEST(Context, TheCurrentItemIsTheBuiltItemAtThePositionsFunction) {
  ModelItem first, second;
  FunctionTable table;
  table.array = {&first, &second};
  EvalTables tables{};
  EvalPosition position{};
  EXPECT_EQ(Vm_currentItem(tables, position), nullptr);  // no table
  tables.functions = &table;
  EXPECT_EQ(Vm_currentItem(tables, position), &first);
  position.currentFunction = 1;
  EXPECT_EQ(Vm_currentItem(tables, position), &second);
  position.currentFunction = 2;
  EXPECT_EQ(Vm_currentItem(tables, position), nullptr);
  position.currentFunction = -1;  // outside every function
  EXPECT_EQ(Vm_currentItem(tables, position), nullptr);
}

TEST(Context, TeardownReleasesEverythingItOwns) {
  EvalContext* ctx = Vm_createContext();
  ASSERT_NE(ctx, nullptr);
  int destroyed = 0;
  ctx->host.textSink = new CountingSink(&destroyed);
  char16_t out[4] = {};
  EXPECT_FALSE(ctx->host.textSink->functionName(1, u"", out));
  ctx->tables.variables = Model_createVariableTable();
  ctx->tables.variables->records.resize(3);
  ASSERT_TRUE(Smp_init(ctx->sampling.sampleBuffer, 100, ctx));
  ASSERT_TRUE(Grad_init(ctx->buffers.gradBuffer, 3, ctx));
  ASSERT_TRUE(Hess_init(ctx->buffers.hessBuffer, 3, ctx));
  ASSERT_TRUE(IvGrad_init(ctx->buffers.ivGradBuffer, 3, ctx));
  ASSERT_TRUE(IvHess_init(ctx->buffers.ivHessBuffer, 3, ctx));
  for (AffineForm* a : ctx->buffers.affineBuffers) ASSERT_TRUE(Aff_init(a, 3, ctx));
  for (GradValue* g : ctx->buffers.gradScratch) ASSERT_TRUE(Grad_init(g, 3, ctx));
  ctx->buffers.affineHalfWidths = static_cast<double*>(std::calloc(4, sizeof(double)));
  ctx->position.variableMarks = static_cast<uint16_t*>(std::calloc(4, sizeof(uint16_t)));
  ASSERT_EQ(Val_makeArray(ctx->buffers.result, 2, 2), 0);
  Val_setText(Val_at(ctx->buffers.result, 1, 1), u"kept until the teardown");
  StructureInfo* s = ctx->tables.structure;
  s->functionCount = 2;
  s->functionClassArrays = static_cast<uint8_t**>(std::calloc(2, sizeof(uint8_t*)));
  s->functionClassArrays[1] = static_cast<uint8_t*>(std::calloc(3, 1));
  s->variableClasses = static_cast<uint8_t*>(std::calloc(3, 1));
  Vm_destroyContext(ctx);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
