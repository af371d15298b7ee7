// Dependency classes of reference expressions in the vector and graph
// modes, the composition that only the graph sees, the counting pass that
// sizes the graph, the hooks of worksheet functions and unknown functions.
#include <gtest/gtest.h>

#include <vector>

#include "tests/arithmetic/ModeFamilies.h"
#include "values/Vm_Status.h"

namespace {

const double kPoint[3] = {0, 1.5, -0.5};

// Classes of an expression over two variables in mode 16 and in mode 15,
// the graph sized from the counting pass of mode 16.
template <class BuildVector, class BuildGraph>
void classesOf(BuildVector buildVector, BuildGraph buildGraph, bool nonSmoothAllowed, int32_t vector[3],
               uint8_t graph[3]) {
  EvalContext* ctx = makeContext(2, kPoint);
  ctx->flags.nonSmoothAllowed = nonSmoothAllowed;
  ctx->flags.mode = kModeDegVec;
  {
    DegVecFamily f{{ctx, {}}, 2};
    const Value* r = buildVector(f);
    const auto* classes = r->kind == kValDegVec ? static_cast<const DegVec*>(r->payload)->classes : nullptr;
    for (int k = 1; k <= 2; ++k) vector[k] = classes ? classes[k] : 0;
  }
  ctx->tables.functions->maxCellTape = ctx->buffers.tapeCount;
  ctx->flags.mode = kModeDegDag;
  ctx->buffers.tapeCount = 0;
  EXPECT_TRUE(DegDag_prepareTape(ctx));
  {
    DegDagFamily f{{ctx, {}}};
    const Value* r = buildGraph(f);
    if (r->kind == kValDegDag)
      DegDag_reverseSweep(graph, false, static_cast<const DegDagNode*>(r->payload)->self, &ctx->buffers,
                          ctx->tables.diagnosisCells, ctx->position.currentCell);
  }
  EXPECT_EQ(ctx->errors.errorCount, 0);
  freeContext(ctx);
}

struct Reference {
  const char* name;
  bool nonSmoothAllowed;
  int32_t expected[3];
  const Value* (*vec)(DegVecFamily&);
  const Value* (*dag)(DegDagFamily&);
};

#define BOTH(expr) [](DegVecFamily& f) { return expr; }, [](DegDagFamily& f) { return expr; }

const Reference kReferences[] = {
    {"x + y", false, {0, 1, 1}, BOTH(f.bin(kOpAdd, f.var(1), f.var(2)))},
    {"3x", false, {0, 1, 0}, BOTH(f.sv(kOpMul, 3.0, f.var(1)))},
    {"x - 2", false, {0, 1, 0}, BOTH(f.vs(kOpSub, f.var(1), 2.0))},
    {"x y", false, {0, 2, 2}, BOTH(f.bin(kOpMul, f.var(1), f.var(2)))},
    {"x^2", false, {0, 2, 0}, BOTH(f.un(kOpSquare, f.var(1)))},
    {"POWER(x, 2)", false, {0, 2, 0}, BOTH(f.vs(kOpPower, f.var(1), 2.0))},
    {"POWER(x, 2.5)", false, {0, 3, 0}, BOTH(f.vs(kOpPower, f.var(1), 2.5))},
    {"exp(x)", false, {0, 3, 0}, BOTH(f.un(kOpExp, f.var(1)))},
    {"x / y", false, {0, 3, 3}, BOTH(f.bin(kOpDiv, f.var(1), f.var(2)))},
    {"abs(x)", false, {0, 4, 0}, BOTH(f.un(kOpAbs, f.var(1)))},
    {"abs(x), non-smooth allowed", true, {0, 3, 0}, BOTH(f.un(kOpAbs, f.var(1)))},
    {"max(x, y)", false, {0, 4, 4}, BOTH(f.bin(kOpMax, f.var(1), f.var(2)))},
    {"0 * x", false, {0, 0, 0}, BOTH(f.sv(kOpMul, 0.0, f.var(1)))},
    {"x^2 + y", false, {0, 2, 1}, BOTH(f.bin(kOpAdd, f.un(kOpSquare, f.var(1)), f.var(2)))},
    {"sqrt(x x)", false, {0, 3, 0}, BOTH(f.un(kOpSqrt, f.bin(kOpMul, f.var(1), f.var(1))))},
};

TEST(Dependency, ReferenceExpressionsHaveTheirClassesInBothModes) {
  for (const Reference& ref : kReferences) {
    int32_t vector[3] = {};
    uint8_t graph[3] = {};
    classesOf(ref.vec, ref.dag, ref.nonSmoothAllowed, vector, graph);
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(vector[k], ref.expected[k]) << ref.name << " vector, variable " << k;
      EXPECT_EQ(graph[k], ref.expected[k]) << ref.name << " graph, variable " << k;
    }
  }
}

TEST(Dependency, OnlyTheGraphSeesHowClassesCompose) {
  // (x x) y: the vector calls the product of a quadratic nonlinear in both;
  // the graph keeps it quadratic in y.
  auto expr = [](auto& f) { return f.bin(kOpMul, f.bin(kOpMul, f.var(1), f.var(1)), f.var(2)); };
  int32_t vector[3] = {};
  uint8_t graph[3] = {};
  classesOf(expr, expr, false, vector, graph);
  EXPECT_EQ(vector[1], kDegSmooth);
  EXPECT_EQ(vector[2], kDegSmooth);
  EXPECT_EQ(graph[1], kDegSmooth);
  EXPECT_EQ(graph[2], kDegQuadratic);
  // A node recorded after the result does not count.
  auto unused = [](auto& f) {
    auto r = f.bin(kOpAdd, f.var(1), f.var(2));
    f.un(kOpExp, f.var(1));
    return r;
  };
  uint8_t fresh[3] = {};
  classesOf(unused, unused, false, vector, fresh);
  EXPECT_EQ(fresh[1], kDegLinear);
}

TEST(Dependency, UnknownFunctionsAndHooks) {
  EvalContext* ctx = makeContext(2, kPoint);
  std::vector<VarDegreeNote> notes(3);
  ctx->tables.diagnosisCells = notes.data();
  ctx->position.currentCell = CellRef{1, 4, 2};
  ctx->flags.mode = kModeDegVec;
  DegVecFamily f{{ctx, {}}, 2};
  const Value* arguments[2] = {f.vs(kOpMul, f.var(1), 2.0), f.number(5.0)};
  const Value args[2] = {*arguments[0], *arguments[1]};
  EXPECT_TRUE(DegVec_unknownFunction(2, args, ctx));
  ASSERT_EQ(ctx->buffers.result->kind, kValDegVec);
  EXPECT_EQ(static_cast<const DegVec*>(ctx->buffers.result->payload)->classes[1], kDegUnknownFunction);
  EXPECT_EQ(ctx->errors.firstWarning, kWarnUnknownFunction);
  EXPECT_EQ(notes[1].cls, kDegUnknownFunction);
  EXPECT_EQ(notes[1].row, 4);
  EXPECT_EQ(notes[2].cls, 0);

  EXPECT_TRUE(DegVec_markArgs2(arguments[0], arguments[1]));  // ROUND(2x, 5)
  EXPECT_EQ(static_cast<const DegVec*>(ctx->buffers.result->payload)->classes[1], kDegNonSmooth);
  EXPECT_FALSE(DegVec_markArgs2(arguments[1], arguments[1]));  // constant arguments compute as usual
  EXPECT_TRUE(DegVec_if(arguments[0]));
  EXPECT_EQ(static_cast<const DegVec*>(ctx->buffers.result->payload)->classes[1], kDegSmooth);
  ctx->flags.mode = kModeGrad;
  EXPECT_FALSE(DegVec_unknownFunction(2, args, ctx));  // declines outside its mode
  ctx->tables.diagnosisCells = nullptr;
  freeContext(ctx);
}

}  // namespace
