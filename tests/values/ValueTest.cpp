// The value record: kind changes keeping or resetting payloads, arrays and
// their reuse, deep copies, and the materialisation of decision variables
// and sampled inputs in each evaluation mode.
#include <gtest/gtest.h>

#include "values/Aff_Payload.h"
#include "values/DegDag_Node.h"
#include "values/DegVec_Payload.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/Model_Variables.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Val_Kind17.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

class ValueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ctx = Vm_createContext();
    ctx->tables.variables = Model_createVariableTable();
    // Variables 1..6; variable j holds [j, j + 0.5] (a point j in the real
    // modes reads the low end).
    for (int j = 1; j <= 6; ++j)
      ctx->tables.variables->records.push_back(VarRecord{kVarContinuous, {j * 1.0, j + 0.5}, {0, 10}, 0});
    ctx->tables.variables->inputSamples = {{1.5, 2.5, 3.5}};
    a = Val_empty(ctx);
    b = Val_empty(ctx);
  }
  void TearDown() override {
    Val_clear(&a);
    Val_clear(&b);
    Vm_destroyContext(ctx);
  }
  // A value standing for decision variable j (or, negative, a sampled input).
  Value reference(int32_t j) {
    Value v = Val_empty(ctx);
    Val_setNumber(&v, 99.0);
    v.reference = j;
    return v;
  }
  EvalContext* ctx = nullptr;
  Value a{}, b{};
};

// Taking a value of the same payload kind swaps the records: the target
// holds the source's content with no copy, and neither shares a record with
// the other; other kinds and variable references are copied.
// A value moves as a copy would only when nothing in it stands for a
// variable or a sampled input.
TEST_F(ValueTest, OnlyValuesStandingForNoInputAreMovable) {
  Val_setNumber(&a, 2.0);
  EXPECT_TRUE(Val_movable(&a));
  a.reference = 3;
  EXPECT_FALSE(Val_movable(&a));
  a.reference = -1;
  EXPECT_FALSE(Val_movable(&a));
  a.reference = 0;
  ASSERT_EQ(Val_makeArray(&b, 2, 2), kStatusOk);
  Val_setNumber(Val_at(&b, 1, 1), 4.0);
  EXPECT_TRUE(Val_movable(&b));
  Val_at(&b, 1, 1)->reference = 2;
  EXPECT_FALSE(Val_movable(&b));
}

TEST_F(ValueTest, TakingMovesPayloadsOfOneKindAndCopiesTheRest) {
  Val_setKind(&a, kValGrad);
  Val_setKind(&b, kValGrad);
  auto* ga = static_cast<GradValue*>(a.payload);
  auto* gb = static_cast<GradValue*>(b.payload);
  ASSERT_TRUE(Grad_init(ga, 3, ctx) && Grad_init(gb, 3, ctx));
  Grad_setVar(gb, 5.0, 3);
  Val_take(&a, &b);
  EXPECT_EQ(a.payload, gb);
  EXPECT_EQ(b.payload, ga);
  EXPECT_EQ(static_cast<GradValue*>(a.payload)->value, 5.0);
  EXPECT_EQ(static_cast<GradValue*>(a.payload)->gradient[3], 1.0);

  Value scalar = Val_empty(ctx);
  Val_setNumber(&scalar, 7.0);
  Val_take(&a, &scalar);  // another kind: a copy
  EXPECT_EQ(a.kind, kValReal);
  EXPECT_EQ(a.number, 7.0);
  EXPECT_EQ(scalar.number, 7.0);

  ctx->flags.mode = kModeReal;
  Value variable = reference(2);
  Val_take(&a, &variable);  // a variable is what it stands for in the mode
  EXPECT_EQ(a.number, 2.0);
  EXPECT_EQ(variable.reference, 2);
}

// An operator's answer, a copy of the context's result record, is taken
// from the record while it still holds the answer's payload: the record
// gets the target's former one. Any other value is copied, the record left.
TEST_F(ValueTest, AnOperatorsAnswerIsTakenFromTheResultRecord) {
  Value* record = ctx->buffers.result;
  ASSERT_NE(record, nullptr);
  Val_setKind(record, kValGrad);
  Val_setKind(&a, kValGrad);
  auto* answer = static_cast<GradValue*>(record->payload);
  auto* former = static_cast<GradValue*>(a.payload);
  ASSERT_TRUE(Grad_init(answer, 2, ctx) && Grad_init(former, 2, ctx));
  Grad_setVar(answer, 4.0, 2);
  const Value r = *record;
  Val_takeResult(&a, r);
  EXPECT_EQ(a.payload, answer);
  EXPECT_EQ(record->payload, former);
  EXPECT_EQ(static_cast<GradValue*>(a.payload)->gradient[2], 1.0);

  Val_setKind(&b, kValGrad);
  ASSERT_TRUE(Grad_init(static_cast<GradValue*>(b.payload), 2, ctx));
  Grad_setVar(static_cast<GradValue*>(b.payload), 6.0, 1);
  Val_takeResult(&a, b);  // not the record's: a copy
  EXPECT_NE(a.payload, b.payload);
  EXPECT_EQ(record->payload, former);
  EXPECT_EQ(static_cast<GradValue*>(a.payload)->value, 6.0);
  EXPECT_EQ(static_cast<GradValue*>(a.payload)->gradient[1], 1.0);
}

TEST_F(ValueTest, KindChangesKeepOrResetPayloads) {
  Val_setKind(&a, kValGrad);
  auto* g = static_cast<GradValue*>(a.payload);
  ASSERT_TRUE(g && Grad_init(g, 3, ctx));
  Grad_setVar(g, 2.0, 2);
  Val_setKind(&a, kValGrad);  // same kind: payload and contents stay
  EXPECT_EQ(a.payload, g);
  EXPECT_EQ(g->gradient[2], 1.0);
  Val_setNumber(&a, 4.0);
  EXPECT_EQ(a.payload, nullptr);
  Val_setKind(&a, kValGrad);
  g = static_cast<GradValue*>(a.payload);
  EXPECT_EQ(g->gradient, nullptr);
  EXPECT_EQ(g->n, 0);
  Val_setKind(&a, kValIvGrad);
  EXPECT_EQ(static_cast<IvGradValue*>(a.payload)->curvature, kCurvAffine);
  Val_setKind(&a, kValInterval);
  const Interval* x = static_cast<Interval*>(a.payload);
  EXPECT_EQ(x->lo, 0.0);
  EXPECT_EQ(x->hi, 0.0);

  // During the sizing pass, setting kind 16 again empties the vector; its
  // storage stays for the next sizing, which zeroes it.
  Val_setKind(&a, kValDegVec);
  auto* d = static_cast<DegVec*>(a.payload);
  ASSERT_TRUE(DegVec_init(d, 4));
  d->classes[3] = kDegSmooth;
  const int32_t* storage = d->classes;
  ctx->flags.sizingPass = 1;
  Val_setKind(&a, kValDegVec);
  EXPECT_EQ(static_cast<DegVec*>(a.payload), d);
  EXPECT_EQ(d->n, 0);
  ASSERT_TRUE(DegVec_init(d, 3));
  EXPECT_EQ(d->classes, storage);
  EXPECT_EQ(d->classes[3], kDegIndependent);
}

TEST_F(ValueTest, ScalarSettersAndTexts) {
  EXPECT_EQ(Val_setBool(&a, 7)->number, 1.0);
  EXPECT_EQ(a.kind, kValBool);
  EXPECT_EQ(Val_setWord(&a, 65535)->number, 65535.0);
  EXPECT_EQ(a.kind, kValInt);
  EXPECT_EQ(Val_setByte(&a, 255)->kind, kValInt);
  EXPECT_EQ(Val_setError(&a, kErrDiv0)->number, -536608761.0);
  Val_setText(&a, u"abc");
  Val_setText(&a, a.text);  // its own text
  EXPECT_EQ(Text_toUtf8(a.text), "abc");
  Val_assign(&b, &a);
  EXPECT_NE(b.text, a.text);
  a.text[0] = u'x';
  EXPECT_EQ(Text_toUtf8(b.text), "abc");
}

// The overflow mark of "#num!" goes with copies of that error, and every
// other setter, an array element's copy included, leaves a value without it.
TEST_F(ValueTest, AnOverflowMarkGoesWithTheErrorAndNothingElse) {
  uint32_t code = 0;
  Val_setOverflow(&a);
  ASSERT_TRUE(Vm_errorCode(a.number, &code));
  EXPECT_EQ(code, kErrNum);
  EXPECT_EQ(Val_assign(&b, &a)->overflow, 1);
  EXPECT_EQ(b.kind, kValError);
  ASSERT_EQ(Val_makeArray(&b, 1, 2), kStatusOk);
  Val_assign(Val_at(&b, 0, 1), &a);
  Val_assign(&a, &b);
  EXPECT_EQ(Val_at(&a, 0, 1)->overflow, 1);
  EXPECT_EQ(Val_at(&a, 0, 0)->overflow, 0);
  Value other = Val_empty(ctx);
  Value* (*const setters[])(Value*) = {
      [](Value* v) { return Val_setError(v, kErrNum); }, [](Value* v) { return Val_setNumber(v, 1.0); },
      [](Value* v) { return Val_setBool(v, 1); }, Val_clear, [](Value* v) { return Val_setKind(v, kValError); }};
  for (auto set : setters) {
    Val_setOverflow(&other);
    EXPECT_EQ(set(&other)->overflow, 0);
  }
  Val_setOverflow(&other);
  Val_setError(Val_clear(&b), kErrNum);
  EXPECT_EQ(Val_assign(&other, &b)->overflow, 0);
  Val_clear(&other);
}

// A size no array holds is refused, never cut to the record's 16-bit rows
// and 8-bit columns; the value keeps what it held.
TEST_F(ValueTest, ArraysBeyondTheLargestSizeAreRefused) {
  ASSERT_EQ(Val_makeArray(&a, 2, 1), 0);
  const struct {
    int32_t rows, columns;
    bool made;
  } sizes[] = {{kValMaxRows, 1, true}, {1, kValMaxColumns, true}, {kValMaxRows + 1, 1, false},
               {1, kValMaxColumns + 1, false}, {59274, 256, false}, {-1, 1, false}};
  for (const auto& size : sizes) {
    Value v = Val_empty(a.context);
    EXPECT_EQ(Val_makeArray(&v, size.rows, size.columns) == kStatusOk, size.made) << size.rows << " x " << size.columns;
    if (size.made) {
      EXPECT_EQ(v.array->rows * v.array->columns, size.rows * size.columns);
    }
    Val_clear(&v);
  }
  EXPECT_EQ(Val_makeArray(&a, kValMaxRows + 1, 1), kStatusInvalidArray);
  EXPECT_EQ(a.array->rows, 2);
}

TEST_F(ValueTest, ArraysReuseStorageAndCopyDeeply) {
  ASSERT_EQ(Val_makeArray(&a, 4, 4), 0);
  Val_setText(Val_at(&a, 3, 3), u"corner");
  ASSERT_EQ(Val_makeArray(&b, 3, 2), 0);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 2; ++c) Val_setNumber(Val_at(&b, r, c), r * 10 + c);
  Val_setText(Val_at(&b, 2, 1), u"text");
  Val_assign(&a, &b);
  EXPECT_EQ(a.kind, kValArray);
  EXPECT_EQ(a.array->rows, 3);
  EXPECT_EQ(a.array->columns, 2);
  EXPECT_EQ(a.array->allocatedRows, 4);
  EXPECT_EQ(a.array->allocatedColumns, 4);
  EXPECT_EQ(Val_at(&a, 1, 1)->number, 11.0);
  EXPECT_EQ(Val_at(&a, 0, 0)->context, ctx);
  ASSERT_EQ(Val_at(&a, 2, 1)->kind, kValText);
  EXPECT_NE(Val_at(&a, 2, 1)->text, Val_at(&b, 2, 1)->text);
  EXPECT_EQ(Text_toUtf8(Val_at(&a, 3, 3)->text), "corner");  // outside the used part, kept

  // A larger array replaces the storage; the old elements are freed.
  ASSERT_EQ(Val_makeArray(&a, 5, 1), 0);
  EXPECT_EQ(a.array->allocatedRows, 5);
  EXPECT_EQ(Val_at(&a, 4, 0)->kind, kValEmpty);
}

using ValueDeathTest = ValueTest;

// With checks compiled in (Debug and sanitizer builds), a slot receiving a
// shallow copy of itself and an element index past the array's storage stop
// the program at once.
TEST_F(ValueDeathTest, ShallowAliasesAndIndexesPastTheStorageAreCaught) {
#ifndef CORVAN_CHECKS
  GTEST_SKIP() << "checks are compiled in only in Debug and sanitizer builds";
#endif
  Val_setText(&a, u"shared");
  b = a;  // shallow: the same text
  EXPECT_DEATH(Val_assign(&b, &a), "check failed: !sharesStorage");
  b = Val_empty(ctx);
  ASSERT_EQ(Val_makeArray(&b, 2, 3), 0);
  EXPECT_DEATH(Val_at(&b, 2, 0), "check failed");
  EXPECT_DEATH(Val_at(&b, 0, -1), "check failed");
}

TEST_F(ValueTest, MakingAnArrayReleasesAnEvaluationPayload) {
  for (int32_t kind : {kValSamples, kValGrad, kValHess, kValIvHess, kValAffine, kValDegVec}) {
    Val_setKind(&a, kind);
    ASSERT_NE(a.payload, nullptr);
    switch (kind) {
      case kValSamples: Smp_init(static_cast<SampleVector*>(a.payload), 8, ctx); break;
      case kValGrad: Grad_init(static_cast<GradValue*>(a.payload), 8, ctx); break;
      case kValHess: Hess_init(static_cast<HessValue*>(a.payload), 8, ctx); break;
      case kValIvHess: IvHess_init(static_cast<IvHessValue*>(a.payload), 8, ctx); break;
      case kValAffine: Aff_init(static_cast<AffineForm*>(a.payload), 8, ctx); break;
      default: DegVec_init(static_cast<DegVec*>(a.payload), 8); break;
    }
    ASSERT_EQ(Val_makeArray(&a, 2, 2), 0);
    EXPECT_EQ(a.payload, nullptr) << kind;  // leak check under the sanitizer build
    // Reusing the descriptor releases a payload too.
    Val_setKind(&a, kind);
    ASSERT_EQ(Val_makeArray(&a, 1, 1), 0);
    EXPECT_EQ(a.payload, nullptr) << kind;
  }
}

TEST_F(ValueTest, PayloadsCopyDeeply) {
  GradValue g{};
  ASSERT_TRUE(Grad_init(&g, 3, ctx));
  Grad_setVar(&g, 1.5, 3);
  Val_setGrad(&a, &g);
  Val_assign(&b, &a);
  auto* copy = static_cast<GradValue*>(b.payload);
  EXPECT_NE(copy->gradient, g.gradient);
  g.gradient[3] = 9.0;
  static_cast<GradValue*>(a.payload)->gradient[3] = 8.0;
  EXPECT_EQ(copy->gradient[3], 1.0);
  EXPECT_EQ(copy->value, 1.5);
  EXPECT_EQ(copy->node, -3);
  Grad_free(&g);

  Kind17Record r{};
  r.first = 3;
  r.text[0] = u'q';
  Val_setKind17(&a, &r);
  Val_assign(&b, &a);
  EXPECT_EQ(static_cast<Kind17Record*>(b.payload)->text[0], u'q');

  Value bad = Val_empty(ctx);
  bad.kind = 21;
  Val_setNumber(&b, 5.0);
  Val_assign(&b, &bad);
  EXPECT_EQ(ctx->errors.firstError, kStatusInvalidOperation);
  EXPECT_EQ(b.kind, kValReal);
  EXPECT_EQ(b.number, 5.0);
}

TEST_F(ValueTest, DecisionVariablesMaterialisePerMode) {
  const Value x = reference(5);
  for (int32_t mode = kModeGrad; mode <= kModeDegVec; ++mode) {
    SCOPED_TRACE(mode);
    ctx->flags.mode = mode;
    Val_assign(&a, &x);
    EXPECT_EQ(a.kind, mode);
    ASSERT_NE(a.payload, nullptr);
  }
  ctx->flags.mode = kModeGrad;
  Val_assign(&a, &x);
  const auto* g = static_cast<GradValue*>(a.payload);
  EXPECT_EQ(g->n, 6);
  EXPECT_EQ(g->value, 5.0);
  for (int k = 1; k <= 6; ++k) EXPECT_EQ(g->gradient[k], k == 5 ? 1.0 : 0.0);
  ctx->flags.mode = kModeRev;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<RevNode*>(a.payload)->self, -5);
  ctx->flags.mode = kModeHess;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<HessValue*>(a.payload)->gradient[5], 1.0);
  EXPECT_EQ(static_cast<HessValue*>(a.payload)->hessian[5][5], 0.0);
  ctx->flags.mode = kModeIvGrad;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<IvGradValue*>(a.payload)->value.hi, 5.5);
  EXPECT_EQ(static_cast<IvGradValue*>(a.payload)->gradient[5].lo, 1.0);
  ctx->flags.mode = kModeAffine;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<AffineForm*>(a.payload)->centre, 5.25);
  EXPECT_EQ(static_cast<AffineForm*>(a.payload)->coef[5], 1.0);
  ctx->flags.mode = kModeDegDag;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<DegDagNode*>(a.payload)->outClass, kDegLinear);
  ctx->flags.mode = kModeDegVec;
  Val_assign(&a, &x);
  EXPECT_EQ(static_cast<DegVec*>(a.payload)->classes[5], kDegLinear);
  EXPECT_EQ(static_cast<DegVec*>(a.payload)->classes[4], kDegIndependent);

  for (int32_t mode : {kModeReal, kModeSamples}) {
    ctx->flags.mode = mode;
    Val_assign(&a, &x);
    EXPECT_EQ(a.kind, kValReal);
    EXPECT_EQ(a.number, 5.0);
  }
  ctx->flags.mode = 0;
  Val_assign(&a, &x);
  EXPECT_EQ(ctx->errors.firstError, kStatusInvalidOperation);
  EXPECT_EQ(a.kind, kValReal);
}

TEST_F(ValueTest, CompactGradientsUseThePositionInTheFunctionsVariables) {
  List variables{};
  List_appendInt(&variables, 2);
  List_appendInt(&variables, 5);
  ctx->flags.compactDerivatives = 1;
  ctx->position.currentVariables = &variables;
  ctx->flags.mode = kModeGrad;
  const Value x5 = reference(5), x4 = reference(4);
  Val_assign(&a, &x5);
  ASSERT_EQ(a.kind, kValGrad);
  const auto* g = static_cast<GradValue*>(a.payload);
  EXPECT_EQ(g->n, 2);
  EXPECT_EQ(g->gradient[2], 1.0);
  EXPECT_EQ(g->gradient[1], 0.0);
  // Variable 4 is not among the function's: a plain number, or its interval.
  Val_assign(&a, &x4);
  EXPECT_EQ(a.kind, kValReal);
  EXPECT_EQ(a.number, 4.0);
  ctx->flags.mode = kModeIvHess;
  Val_assign(&a, &x4);
  EXPECT_EQ(a.kind, kValInterval);
  List_removeAll(&variables);
  ctx->position.currentVariables = nullptr;
}

TEST_F(ValueTest, SampledInputs) {
  const Value input = reference(-1);
  ctx->flags.mode = kModeSamples;
  Val_assign(&a, &input);  // no trials: nothing happens
  EXPECT_EQ(a.kind, kValEmpty);
  ctx->sampling.trialCount = 3;
  Val_assign(&a, &input);
  ASSERT_EQ(a.kind, kValSamples);
  const auto* s = static_cast<SampleVector*>(a.payload);
  EXPECT_EQ(s->n, 3);
  EXPECT_EQ(s->data[3], 3.5);
  ctx->flags.mode = kModeReal;
  ctx->sampling.currentTrial = 2;
  Val_assign(&a, &input);
  EXPECT_EQ(a.kind, kValReal);
  EXPECT_EQ(a.number, 2.5);
  ctx->sampling.currentTrial = 0;
  Val_assign(&a, &input);
  EXPECT_EQ(a.number, 99.0);
  ctx->flags.mode = kModeDegVec;
  ctx->flags.sizingPass = 1;
  Val_assign(&a, &input);
  EXPECT_EQ(a.kind, kValDegVec);
}

}  // namespace
