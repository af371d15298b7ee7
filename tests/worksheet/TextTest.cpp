// The text functions: their edge cases, MID and TEXT as mended, the texts
// that read as numbers, and the functions the stand-in application computes.
#include <gtest/gtest.h>

#include "platform/workbook/Wb_Workbook.h"
#include "tests/worksheet/TestApplication.h"
#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"

namespace {

// A caller whose context reaches the stand-in application.
struct AppCaller : Caller {
  AppCaller() {
    Wb_resetApp();
    Test_attachApplication(ctx);
  }
  ~AppCaller() {
    Test_detachApplication(ctx);
    Wb_resetApp();
  }
};

TEST(Text, MidBeyondTheTextOrForNoCharactersIsTheEmptyText) {
  Caller c;
  EXPECT_EQ(textOf(c.call(kIdMid, {c.text(u"abc"), c.num(4), c.num(2)})), "");
  EXPECT_EQ(textOf(c.call(kIdMid, {c.text(u"abc"), c.num(2), c.num(0)})), "");
  EXPECT_TRUE(isError(c.call(kIdMid, {c.text(u"abc"), c.num(0), c.num(1)}), kErrValue));
  EXPECT_EQ(textOf(c.call(kIdMid, {c.text(u"abcde"), c.num(2), c.num(3)})), "bcd");
  EXPECT_EQ(textOf(c.call(kIdMid, {c.text(u"abcde"), c.num(4), c.num(9)})), "de");
}

TEST(Text, LeftRightAndTheTextsThatReadAsNumbers) {
  Caller c;
  EXPECT_EQ(textOf(c.call(kIdLeft, {c.text(u"abc"), c.num(5)})), "abc");
  EXPECT_TRUE(isError(c.call(kIdLeft, {c.text(u"abc"), c.num(-1)}), kErrValue));
  const Value* twelve = c.call(kIdLeft, {c.text(u"12x"), c.num(2)});
  EXPECT_EQ(twelve->kind, kValInt);
  EXPECT_EQ(twelve->number, 12);
  EXPECT_EQ(textOf(c.call(kIdRight, {c.text(u"abc")})), "c");
  EXPECT_EQ(textOf(c.call(kIdRight, {c.text(u"")})), "");
  EXPECT_EQ(textOf(c.call(kIdLeft, {c.text(u"Calc"), c.num(0)})), "");
  EXPECT_EQ(textOf(c.call(kIdUpper, {c.text(u"stra\u00dfe \u00e9t\u00e9")})), "STRAßE ÉTÉ");
  EXPECT_EQ(textOf(c.call(kIdLower, {c.text(u"\u00c9T\u00c9")})), "été");
  EXPECT_EQ(numberOf(c.call(kIdLen, {c.boolean(true)})), 4);
  EXPECT_EQ(numberOf(c.call(kIdLen, {c.num(1.5)})), 3);
}

TEST(Text, CharCodeValueTAndExact) {
  Caller c;
  EXPECT_TRUE(isError(c.call(kIdChar, {c.num(0)}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdChar, {c.num(256)}), kErrValue));
  EXPECT_EQ(textOf(c.call(kIdChar, {c.num(65.9)})), "A");
  EXPECT_EQ(numberOf(c.call(kIdCode, {c.call(kIdChar, {c.num(128)})})), 128);
  EXPECT_TRUE(isError(c.call(kIdCode, {c.text(u"")}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdCode, {c.text(u"A")})), 65);
  EXPECT_EQ(numberOf(c.call(kIdValue, {c.empty()})), 0);
  EXPECT_EQ(numberOf(c.call(kIdValue, {c.text(u"1.5")})), 1.5);
  EXPECT_EQ(numberOf(c.call(kIdValue, {c.text(u"2001-01-01")})), 36892);
  EXPECT_TRUE(isError(c.call(kIdValue, {c.text(u"x")}), kErrValue));
  EXPECT_TRUE(isError(c.call(kIdValue, {c.boolean(true)}), kErrValue));
  EXPECT_EQ(textOf(c.call(kIdT, {c.num(5)})), "");
  EXPECT_EQ(textOf(c.call(kIdT, {c.text(u"x")})), "x");
  EXPECT_TRUE(isError(c.call(kIdT, {c.error(kErrDiv0)}), kErrDiv0));
  const Value* exact = c.call(kIdExact, {c.text(u"a"), c.text(u"A")});
  EXPECT_EQ(exact->kind, kValBool);
  EXPECT_EQ(exact->number, 0);
  EXPECT_EQ(textOf(c.call(kIdConcatenate, {c.text(u"a"), c.num(1), c.boolean(true)})), "a1TRUE");
}

TEST(Text, TextFormatsTheNumberItself) {
  AppCaller c;
  const Value* r = c.call(kIdText, {c.num(1234567.891), c.text(u"0.00")});
  EXPECT_EQ(numberOf(r), 1234567.89);
  EXPECT_EQ(textOf(c.call(kIdText, {c.num(0.5), c.text(u"0%")})), "50%");
  EXPECT_TRUE(isError(c.call(kIdText, {c.num(1), c.num(0)}), kErrValue));
}

TEST(Text, FunctionsTheApplicationComputes) {
  AppCaller c;
  EXPECT_EQ(textOf(c.call(kIdTrim, {c.text(u"  a   b ")})), "a b");
  EXPECT_EQ(textOf(c.call(kIdProper, {c.text(u"hello world")})), "Hello World");
  EXPECT_EQ(textOf(c.call(kIdClean, {c.text(u"a\u0001b")})), "ab");
  EXPECT_EQ(numberOf(c.call(kIdFind, {c.text(u"b"), c.text(u"abcb"), c.num(3)})), 4);
  EXPECT_TRUE(isError(c.call(kIdFind, {c.text(u"B"), c.text(u"abc")}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdSearch, {c.text(u"B"), c.text(u"abc")})), 2);
  EXPECT_EQ(textOf(c.call(kIdRept, {c.text(u"ab"), c.num(3)})), "ababab");
  EXPECT_TRUE(isError(c.call(kIdRept, {c.text(u"ab"), c.num(-1)}), kErrValue));
  EXPECT_EQ(numberOf(c.call(kIdRept, {c.text(u"1"), c.num(3)})), 111);
  EXPECT_EQ(textOf(c.call(kIdSubstitute, {c.text(u"a-b-c"), c.text(u"-"), c.text(u"+"), c.num(2)})), "a-b+c");
  EXPECT_EQ(textOf(c.call(kIdReplace, {c.text(u"abcdef"), c.num(2), c.num(3), c.text(u"X")})), "aXef");
  EXPECT_EQ(textOf(c.call(kIdFixed, {c.num(1234.567), c.num(1)})), "1,234.6");
  EXPECT_EQ(
      textOf(c.call(kIdFixed, {c.num(1234.567), c.bound(Val_setKind(c.values.make(), kValMissing)), c.boolean(true)})),
      "1234.57");
  EXPECT_EQ(textOf(c.call(kIdDollar, {c.num(1234.567)})), "$1,234.57");
}

TEST(Text, WithoutTheApplicationItsFunctionsAreValueErrors) {
  Wsf_setApplicationCall(nullptr);
  Caller c;
  EXPECT_TRUE(isError(c.call(kIdTrim, {c.text(u"a")}), kErrValue));
}

TEST(Text, TextFunctionsAreNonSmoothInTheStructureModes) {
  Caller c;
  c.ctx->flags.mode = kModeDegVec;
  DegVec d{};
  DegVec_init(&d, 1);
  DegVec_setVar(&d, 1);
  Value* x = c.bound(Val_setDegVec(c.values.make(), &d));
  DegVec_free(&d);
  for (int32_t id : {kIdLen, kIdUpper, kIdChar, kIdT}) {
    const Value* r = c.call(id, {x});
    ASSERT_EQ(r->kind, kValDegVec) << id;
    EXPECT_EQ(static_cast<const DegVec*>(r->payload)->classes[1], kDegNonSmooth) << id;
  }
  const Value* r = c.call(kIdMid, {c.text(u"abc"), x, c.num(1)});
  ASSERT_EQ(r->kind, kValDegVec);
  EXPECT_EQ(static_cast<const DegVec*>(r->payload)->classes[1], kDegNonSmooth);
}

}  // namespace
