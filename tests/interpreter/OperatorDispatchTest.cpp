// Operator rules over the plain kinds (kinds kept or promoted, errors left
// first, division by zero, text joins, comparisons across kinds) and the
// dispatcher's id table.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Model_Structure.h"
#include "arithmetic/operators/Op_Operators.h"
#include "values/Grad_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/Smp_Payload.h"
#include "values/Val_Kind17.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

struct Ctx {
  EvalContext* ctx = Vm_createContext();
  std::vector<Value> held;
  ~Ctx() {
    for (Value& v : held) Val_clear(&v);
    Vm_destroyContext(ctx);
  }
  Value num(int32_t kind, double x) {
    Value v = Val_empty(ctx);
    Val_setNumber(&v, x);
    v.kind = kind;
    return v;
  }
  Value text(const char16_t* t) {
    Value v = Val_empty(ctx);
    Val_setText(&v, t);
    held.push_back(v);
    return v;
  }
  Value err(uint32_t code) {
    Value v = Val_empty(ctx);
    Val_setError(&v, code);
    return v;
  }
};

uint32_t errorOf(const Value& v) {
  uint32_t code = 99;
  return v.kind == kValError && Vm_errorCode(v.number, &code) ? code : 99;
}

TEST(Operators, ArithmeticKeepsOrPromotesKinds) {
  Ctx c;
  struct Case {
    Value (*op)(const Value&, const Value&);
    Value x, y;
    int32_t kind;
    double number;
  };
  const std::vector<Case> cases = {
      // Booleans and empty cells become numbers, as in the worksheet.
      {Op_sub, c.num(kValBool, 1), c.num(kValBool, 1), kValInt, 0},
      {Op_add, c.num(kValBool, 1), c.num(kValBool, 1), kValInt, 2},
      {Op_mul, c.num(kValBool, 1), c.num(kValBool, 1), kValInt, 1},
      {Op_add, c.num(kValEmpty, 0), c.num(kValEmpty, 0), kValInt, 0},
      {Op_add, c.num(kValInt, 2), c.num(kValBool, 1), kValInt, 3},
      {Op_add, c.num(kValReal, 0.5), c.num(kValBool, 1), kValReal, 1.5},
      {Op_div, c.num(kValInt, 8), c.num(kValInt, 2), kValReal, 4},
      {Op_mul, c.num(kValEmpty, 0), c.num(kValInt, 7), kValInt, 0},
  };
  for (const Case& k : cases) {
    const Value r = k.op(k.x, k.y);
    EXPECT_EQ(r.kind, k.kind);
    EXPECT_EQ(r.number, k.number);
  }
}

TEST(Operators, ErrorsPassLeftFirstAndBadOperandsGiveErrors) {
  Ctx c;
  EXPECT_EQ(errorOf(Op_add(c.err(kErrNA), c.err(kErrRef))), kErrNA);
  EXPECT_EQ(errorOf(Op_lt(c.num(kValInt, 1), c.err(kErrRef))), kErrRef);
  EXPECT_EQ(errorOf(Op_concat(c.err(kErrNum), c.err(kErrRef))), kErrNum);
  EXPECT_EQ(errorOf(Op_div(c.num(kValInt, 1), c.num(kValInt, 0))), kErrDiv0);
  EXPECT_EQ(errorOf(Op_divVS(c.num(kValInt, 1), 0.0)), kErrDiv0);
  EXPECT_EQ(errorOf(Op_divSV(1.0, c.num(kValEmpty, 0))), kErrDiv0);
  EXPECT_EQ(errorOf(Op_sub(c.num(kValReal, 1), c.text(u"a"))), kErrValue);
  EXPECT_EQ(Op_add(c.text(u"50%"), c.num(kValInt, 1)).number, 1.5);  // numeric texts count
  EXPECT_EQ(errorOf(Op_neg(c.text(u"a"))), kErrValue);
  EXPECT_EQ(errorOf(Op_pow(c.num(kValInt, 0), c.num(kValInt, -1))), kErrDiv0);
  EXPECT_EQ(errorOf(Op_pow(c.num(kValInt, -8), c.num(kValReal, 0.5))), kErrNum);
}

// Kind 17 has no arithmetic and no order: "#value!" (with status 41 when
// non-smooth comparisons are not allowed); a join reads it as empty.
TEST(Operators, Kind17TakesNoArithmeticOrComparison) {
  Ctx c;
  Kind17Record record{};
  Value k17 = Val_empty(c.ctx);
  Val_setKind17(&k17, &record);
  c.held.push_back(k17);
  const Value one = c.num(kValInt, 1);
  EXPECT_EQ(errorOf(Op_add(k17, one)), kErrValue);
  EXPECT_EQ(errorOf(Op_mulSV(2.0, k17)), kErrValue);
  EXPECT_EQ(errorOf(Op_neg(k17)), kErrValue);
  c.ctx->flags.nonSmoothAllowed = 1;
  EXPECT_EQ(errorOf(Op_lt(one, k17)), kErrValue);
  EXPECT_EQ(c.ctx->errors.errorCount, 0);
  c.ctx->flags.nonSmoothAllowed = 0;
  EXPECT_EQ(errorOf(Op_eq(k17, one)), kErrValue);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusNonSmoothSpecial);
  const Value joined = Op_concat(c.text(u"a"), k17);
  ASSERT_EQ(joined.kind, kValText);
  EXPECT_EQ(std::u16string(joined.text), u"a");
}

TEST(Operators, TextJoinsStayTextsAndShort) {
  Ctx c;
  const Value twelve = Op_concat(c.text(u"1"), c.num(kValInt, 2));
  ASSERT_EQ(twelve.kind, kValText);
  EXPECT_EQ(std::u16string(twelve.text), u"12");
  EXPECT_EQ(std::u16string(Op_concat(c.num(kValReal, 1.0 / 3), c.text(u"")).text), u"0.333333333333333");
  EXPECT_EQ(errorOf(Op_mul(c.num(kValReal, 1e300), c.num(kValReal, 1e10))), kErrNum);
  const Value mixed = Op_concat(c.text(u"a"), c.num(kValReal, 1.5));
  ASSERT_EQ(mixed.kind, kValText);
  EXPECT_EQ(std::u16string(mixed.text), u"a1.5");
  EXPECT_EQ(std::u16string(Op_concat(c.num(kValBool, 1), c.text(u"x")).text), u"TRUEx");
  // A join holds what a worksheet cell holds, 32,767 characters.
  const std::u16string half(16384, u'x');
  EXPECT_EQ(errorOf(Op_concat(c.text(half.c_str()), c.text(half.c_str()))), kErrValue);
  const Value longest = Op_concat(c.text(half.c_str()), c.text(half.substr(1).c_str()));
  ASSERT_EQ(longest.kind, kValText);
  EXPECT_EQ(std::u16string(longest.text).size(), 32767u);
}

TEST(Operators, ComparisonsAcrossKinds) {
  Ctx c;
  struct Case {
    Value (*op)(const Value&, const Value&);
    Value x, y;
    bool expected;
  };
  const Value empty = Val_empty(c.ctx);
  const std::vector<Case> cases = {
      {Op_eq, c.text(u"abc"), c.text(u"ABC"), true},
      {Op_lt, c.num(kValInt, 5), c.text(u"a"), true},
      {Op_gt, c.text(u"a"), c.num(kValInt, 5), true},
      {Op_eq, c.text(u""), empty, true},
      {Op_lt, empty, c.text(u"b"), true},
      {Op_ge, c.text(u"b"), empty, true},
      {Op_le, c.num(kValBool, 1), c.num(kValInt, 1), false},
      {Op_ne, c.num(kValReal, 2), c.num(kValInt, 2), false},
      {Op_lt, c.num(kValReal, -1), empty, true},
      {Op_gt, c.num(kValBool, 0), c.num(kValInt, 100), true},
      {Op_gt, c.num(kValBool, 0), c.text(u"z"), true},
      {Op_eq, empty, c.num(kValBool, 0), true},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Value r = cases[i].op(cases[i].x, cases[i].y);
    ASSERT_EQ(r.kind, kValBool) << i;
    EXPECT_EQ(r.number != 0, cases[i].expected) << i;
  }
  // With non-smooth operations not allowed, a text comparison is refused.
  c.ctx->flags.nonSmoothAllowed = 0;
  EXPECT_EQ(errorOf(Op_eq(c.text(u"a"), c.text(u"a"))), kErrValue);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusNonSmoothSpecial);
}

TEST(Operators, GradientValuesGoToTheirFamily) {
  Ctx c;
  c.ctx->tables.variables = Model_createVariableTable();
  Model_addVariableRange(c.ctx->tables.variables, RangeRef{1, 1, 1, 1, 2}, kVarContinuous);
  Model_getVariable(c.ctx->tables.variables, 1)->value = Interval{2.0, 2.0};
  c.ctx->flags.mode = kModeGrad;
  ASSERT_TRUE(Grad_init(c.ctx->buffers.gradBuffer, 2, c.ctx));  // sized as a pass over the model sizes it
  Value var = Val_empty(c.ctx), x = Val_empty(c.ctx);
  var.reference = 1;
  Val_assign(&x, &var);
  ASSERT_EQ(x.kind, kValGrad);
  // d/dx1 of 3 - x1 * x1 / 4 at x1 = 2 is -1.
  Value sq = Val_empty(c.ctx), r = Val_empty(c.ctx);
  Value t = Op_mul(x, x);
  Val_assign(&sq, &t);
  t = Op_subSV(3.0, Op_divVS(sq, 4.0));
  Val_assign(&r, &t);
  ASSERT_EQ(r.kind, kValGrad);
  const auto* g = static_cast<const GradValue*>(r.payload);
  EXPECT_DOUBLE_EQ(g->value, 2.0);
  EXPECT_DOUBLE_EQ(g->gradient[1], -1.0);
  EXPECT_DOUBLE_EQ(g->gradient[2], 0.0);
  EXPECT_EQ(errorOf(Op_sub(x, c.text(u"a"))), kErrValue);
  EXPECT_EQ(errorOf(Op_div(x, c.num(kValInt, 0))), kErrDiv0);
  c.ctx->flags.nonSmoothAllowed = 0;
  EXPECT_EQ(errorOf(Op_lt(x, sq)), kErrValue);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusNonSmoothSpecial);
  for (Value* v : {&x, &sq, &r}) Val_clear(v);
}

TEST(Operators, PowersOfSampleVectorsGoElementWise) {
  Ctx c;
  ASSERT_TRUE(Smp_init(c.ctx->sampling.sampleBuffer, 3, c.ctx));  // sized as a pass sizes it
  SampleVector v{};
  ASSERT_TRUE(Smp_init(&v, 3, c.ctx));
  const double samples[] = {1, 2, 3};
  ASSERT_TRUE(Smp_setValues(&v, 3, samples));
  Value s = Val_empty(c.ctx);
  Val_setSamples(&s, &v);
  Smp_free(&v);
  struct Case {
    Value x, y;
    double want[3];
  };
  const Case cases[] = {{s, c.num(kValInt, 2), {1, 4, 9}}, {c.num(kValInt, 2), s, {2, 4, 8}}, {s, s, {1, 4, 27}}};
  for (const Case& k : cases) {
    const Value r = Op_pow(k.x, k.y);
    ASSERT_EQ(r.kind, kValSamples);
    const auto* out = static_cast<const SampleVector*>(r.payload);
    ASSERT_EQ(out->n, 3);
    for (int i = 0; i < 3; ++i) EXPECT_DOUBLE_EQ(out->data[i + 1], k.want[i]);
  }
  EXPECT_EQ(errorOf(Op_pow(s, c.text(u"a"))), kErrValue);
  Val_clear(&s);
}

// Over x in [1, 2] and y in [0.5, 1.5], as plain intervals and as intervals
// with gradients, every operator's interval holds the point values on a grid.
TEST(Operators, IntervalKindsEncloseThePointValues) {
  Ctx c;
  const Interval bx{1.0, 2.0}, by{0.5, 1.5};
  struct Case {
    const char* name;
    Value (*apply)(const Value& x, const Value& y, const Value& two);
    double (*point)(double x, double y);
  };
  const Case cases[] = {
      {"x+y", [](const Value& x, const Value& y, const Value&) { return Op_add(x, y); }, [](double x, double y) { return x + y; }},
      {"x-y", [](const Value& x, const Value& y, const Value&) { return Op_sub(x, y); }, [](double x, double y) { return x - y; }},
      {"x*y", [](const Value& x, const Value& y, const Value&) { return Op_mul(x, y); }, [](double x, double y) { return x * y; }},
      {"x/y", [](const Value& x, const Value& y, const Value&) { return Op_div(x, y); }, [](double x, double y) { return x / y; }},
      {"-x", [](const Value& x, const Value&, const Value&) { return Op_neg(x); }, [](double x, double) { return -x; }},
      {"x^2", [](const Value& x, const Value&, const Value& two) { return Op_pow(x, two); }, [](double x, double) { return x * x; }},
      {"2^y", [](const Value&, const Value& y, const Value& two) { return Op_pow(two, y); }, [](double, double y) { return std::pow(2.0, y); }},
      {"x^y", [](const Value& x, const Value& y, const Value&) { return Op_pow(x, y); }, [](double x, double y) { return std::pow(x, y); }},
      {"3/x", [](const Value& x, const Value&, const Value&) { return Op_divSV(3.0, x); }, [](double x, double) { return 3.0 / x; }},
  };
  c.ctx->flags.mode = kModeIvGrad;
  ASSERT_TRUE(IvGrad_init(c.ctx->buffers.ivGradBuffer, 2, c.ctx));
  IvGradValue gx{}, gy{};
  ASSERT_TRUE(IvGrad_init(&gx, 2, c.ctx) && IvGrad_init(&gy, 2, c.ctx));
  IvGrad_setVar(&gx, bx, 1);
  IvGrad_setVar(&gy, by, 2);
  Value x[2] = {Val_empty(c.ctx), Val_empty(c.ctx)}, y[2] = {Val_empty(c.ctx), Val_empty(c.ctx)};
  Val_setInterval(&x[0], &bx);
  Val_setInterval(&y[0], &by);
  Val_setIvGrad(&x[1], &gx);
  Val_setIvGrad(&y[1], &gy);
  IvGrad_free(&gx);
  IvGrad_free(&gy);
  const Value two = c.num(kValInt, 2);
  for (int k = 0; k < 2; ++k) {
    for (const Case& op : cases) {
      SCOPED_TRACE(op.name);
      const Value r = op.apply(x[k], y[k], two);
      ASSERT_EQ(r.kind, x[k].kind);
      const Interval got = r.kind == kValInterval ? *static_cast<const Interval*>(r.payload)
                                                  : static_cast<const IvGradValue*>(r.payload)->value;
      for (double a = bx.lo; a <= bx.hi; a += 0.125)
        for (double b = by.lo; b <= by.hi; b += 0.125) {
          const double p = op.point(a, b);
          EXPECT_TRUE(got.lo <= p && p <= got.hi) << a << " " << b << " " << p << " not in [" << got.lo << ", " << got.hi << "]";
        }
    }
  }
  EXPECT_EQ(c.ctx->errors.firstError, kStatusOk);
  // A divisor through 0 raises "Division by zero" and still gives a result.
  const Interval through{-1.0, 1.0};
  Value z = Val_empty(c.ctx);
  Val_setInterval(&z, &through);
  EXPECT_EQ(Op_div(x[0], z).kind, kValInterval);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusDivisionByZero);
  for (Value* v : {&x[0], &x[1], &y[0], &y[1], &z}) Val_clear(v);
}

TEST(Dispatch, EveryNamedIdReachesAFormOrIsDeliberatelyUnknown) {
  // Ids the name table knows but the dispatcher leaves to the unknown handler.
  const std::vector<int32_t> unknownOnPurpose = {1302, 1303, 1323, 1327, 1328, 1329, 1330, 1333, 1351, 1354, 1356};
  FunctionRecord rec;
  for (int32_t i = 0; i < Fn_count(); ++i) {
    ASSERT_TRUE(Fn_recordAt(i, &rec));
    const bool onPurpose = (rec.id >= 64 && rec.id <= 80) ||
                           std::find(unknownOnPurpose.begin(), unknownOnPurpose.end(), rec.id) != unknownOnPurpose.end();
    if (onPurpose) continue;
    EXPECT_NE(Fn_entry(rec.id).form, kFormUnknown) << "id " << rec.id;
  }
  EXPECT_EQ(Fn_entry(303).form, kFormA1Sel);
  EXPECT_EQ(Fn_entry(309).selector, 2);
  EXPECT_EQ(Fn_entry(319).selector, 1);
  EXPECT_EQ(Fn_entry(1017).selector, 0);
  EXPECT_EQ(Fn_entry(1362).form, kFormUnknown);
}

TEST(Dispatch, ConstantsUnknownAndUnsupportedCalls) {
  Ctx c;
  c.ctx->flags.mode = kModeReal;
  Value out = Val_empty(c.ctx);
  Fn_callNode(706, 0, nullptr, u"true", 0, &out, c.ctx);
  EXPECT_EQ(out.kind, kValBool);
  EXPECT_EQ(out.number, 1);
  EXPECT_EQ(c.ctx->errors.errorCount, 0);
  // A listed function not built yet (a name not in the table once every
  // one is built) is answered as unknown.
  int32_t unbuilt = kFnUnknown;
  for (int32_t i = 0; i < Fn_count() && unbuilt == kFnUnknown; ++i) {
    FunctionRecord rec{};
    if (Fn_recordAt(i, &rec) && rec.id > 0 && !Fn_isRandom(rec.id) && !Fn_hasImplementation(rec.id)) unbuilt = rec.id;
  }
  // A scaling warning raised before does not hide the unknown function.
  Vm_warn(&c.ctx->errors, kWarnScaling, 0);
  Fn_callNode(unbuilt, 0, nullptr, u"unbuilt", 0, &out, c.ctx);
  EXPECT_EQ(errorOf(out), kErrNA);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnknownFunction);
  EXPECT_EQ(c.ctx->errors.firstWarning, kWarnUnknownFunction);
  EXPECT_EQ(c.ctx->errors.warningCount, 2);
  Vm_clearErrors(&c.ctx->errors);
  Fn_callNode(-1, 0, nullptr, u"x", 0, &out, c.ctx);
  EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedFunction);
  Val_clear(&out);
}

}  // namespace
