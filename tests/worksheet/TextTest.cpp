// The text functions: their edge cases, MID and TEXT as mended, results
// that stay texts though they read as numbers, and the functions the
// stand-in application computes.
#include <gtest/gtest.h>

#include "platform/workbook/Wb_Workbook.h"
#include "tests/worksheet/TestApplication.h"
#include "tests/worksheet/TestCaller.h"
#include "values/DegVec_Payload.h"
#include "values/Fn_Ids.h"
#include "values/Grad_Payload.h"
#include "values/Vm_Context.h"

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

TEST(Text, LeftRightAndResultsThatStayTexts) {
  Caller c;
  EXPECT_EQ(textOf(c.call(kIdLeft, {c.text(u"abc"), c.num(5)})), "abc");
  EXPECT_TRUE(isError(c.call(kIdLeft, {c.text(u"abc"), c.num(-1)}), kErrValue));
  EXPECT_EQ(textOf(c.call(kIdLeft, {c.text(u"12x"), c.num(2)})), "12");
  EXPECT_EQ(textOf(c.call(kIdMid, {c.text(u"a07"), c.num(2), c.num(2)})), "07");
  EXPECT_EQ(textOf(c.call(kIdUpper, {c.text(u"1e3")})), "1E3");
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
  EXPECT_EQ(textOf(c.call(kIdText, {c.num(1234567.891), c.text(u"0.00")})), "1234567.89");
  EXPECT_EQ(textOf(c.call(kIdText, {c.num(7), c.text(u"00")})), "07");
  EXPECT_EQ(textOf(c.call(kIdText, {c.num(0.5), c.text(u"0%")})), "50%");
  // A number given as the format is its text.
  EXPECT_EQ(textOf(c.call(kIdText, {c.num(2.5), c.num(0)})), "3");
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
  EXPECT_EQ(textOf(c.call(kIdRept, {c.text(u"0"), c.num(3)})), "000");
  EXPECT_EQ(textOf(c.call(kIdTrim, {c.text(u" 07 ")})), "07");
  EXPECT_EQ(textOf(c.call(kIdSubstitute, {c.text(u"a-b-c"), c.text(u"-"), c.text(u"+"), c.num(2)})), "a-b+c");
  EXPECT_EQ(textOf(c.call(kIdReplace, {c.text(u"abcdef"), c.num(2), c.num(3), c.text(u"X")})), "aXef");
  EXPECT_EQ(textOf(c.call(kIdFixed, {c.num(1234.567), c.num(1)})), "1,234.6");
  EXPECT_EQ(
      textOf(c.call(kIdFixed, {c.num(1234.567), c.bound(Val_setKind(c.values.make(), kValMissing)), c.boolean(true)})),
      "1234.57");
  EXPECT_EQ(textOf(c.call(kIdDollar, {c.num(1234.567)})), "$1,234.57");
}

// Texts beyond ASCII through every text function, those computed here and
// those the stand-in application computes: characters are counted, cut and
// cased, never bytes.
TEST(Text, CharactersBeyondAsciiInBothCalculations) {
  AppCaller c;
  const char16_t* hello = u"h\u00e9llo";
  const char16_t* omega = u"\u03a9";
  const char16_t* japan = u"\u65e5\u672c";
  const struct {
    int32_t id;
    std::vector<const Value*> args;
    double number;     // the answer when it is a number
    const char* text;  // else the text
  } cases[] = {
      {kIdLen, {c.text(hello)}, 5, nullptr},
      {kIdLen, {c.text(omega)}, 1, nullptr},
      {kIdLen, {c.text(japan)}, 2, nullptr},
      {kIdFind, {c.text(u"l"), c.text(hello)}, 3, nullptr},
      {kIdFind, {c.text(u"\u672c"), c.text(japan)}, 2, nullptr},
      {kIdSearch, {c.text(u"L"), c.text(hello)}, 3, nullptr},
      {kIdSearch, {c.text(u"\u00c9"), c.text(hello)}, 2, nullptr},
      {kIdSearch, {c.text(u"\u03c9"), c.text(omega)}, 1, nullptr},
      {kIdMid, {c.text(hello), c.num(2), c.num(2)}, 0, "\u00e9l"},
      {kIdMid, {c.text(japan), c.num(2), c.num(1)}, 0, "\u672c"},
      {kIdLeft, {c.text(japan)}, 0, "\u65e5"},
      {kIdLeft, {c.text(hello), c.num(2)}, 0, "h\u00e9"},
      {kIdRight, {c.text(hello), c.num(4)}, 0, "\u00e9llo"},
      {kIdRight, {c.text(omega)}, 0, "\u03a9"},
      {kIdReplace, {c.text(hello), c.num(3), c.num(1), c.text(u"X")}, 0, "h\u00e9Xlo"},
      {kIdReplace, {c.text(japan), c.num(2), c.num(1), c.text(omega)}, 0, "\u65e5\u03a9"},
      {kIdSubstitute, {c.text(hello), c.text(u"\u00e9"), c.text(u"e")}, 0, "hello"},
      {kIdSubstitute, {c.text(japan), c.text(u"\u65e5"), c.text(u"")}, 0, "\u672c"},
      {kIdUpper, {c.text(hello)}, 0, "H\u00c9LLO"},
      {kIdLower, {c.text(omega)}, 0, "\u03c9"},
      {kIdUpper, {c.text(u"\u03c9\u0436")}, 0, "\u03a9\u0416"},
      {kIdUpper, {c.text(japan)}, 0, "\u65e5\u672c"},
      {kIdProper, {c.text(u"\u00e9LAN \u03c9MEGA")}, 0, "\u00c9lan \u03a9mega"},
  };
  for (const auto& t : cases) {
    const Value* r = c.call(t.id, t.args);
    if (t.text) EXPECT_EQ(textOf(r), t.text) << t.id;
    else EXPECT_EQ(numberOf(r), t.number) << t.id;
  }
}

// A decision variable's value in a derivative or interval mode has no text:
// the text functions raise status 39 and give "#value!" instead of taking it
// as the empty text (LEN of 3.25 would otherwise be 4 in value mode and 0 in
// every other).
TEST(Text, TextFunctionsRefuseTheEvaluationModes) {
  AppCaller c;
  c.ctx->flags.mode = kModeGrad;
  GradValue g{};
  Grad_init(&g, 1, c.ctx);
  Grad_setVar(&g, 3.25, 1);
  Value* x = c.bound(Val_setGrad(c.values.make(), &g));
  Grad_free(&g);
  const Interval box{1, 2};
  Value* interval = c.bound(Val_setInterval(c.values.make(), &box));
  const struct {
    int32_t id;
    std::vector<const Value*> args;
  } calls[] = {
      {kIdLen, {x}},
      {kIdUpper, {x}},
      {kIdLower, {x}},
      {kIdCode, {x}},
      {kIdChar, {x}},
      {kIdLeft, {x, c.num(1)}},
      {kIdRight, {x}},
      {kIdMid, {x, c.num(1), c.num(1)}},
      {kIdFind, {c.text(u"3"), x}},
      {kIdSearch, {c.text(u"3"), interval}},
      {kIdReplace, {x, c.num(1), c.num(1), c.text(u"")}},
      {kIdSubstitute, {x, c.text(u"3"), c.text(u"4")}},
      {kIdTrim, {x}},
      {kIdProper, {interval}},
      {kIdClean, {x}},
      {kIdRept, {x, c.num(2)}},
      {kIdText, {x, c.text(u"0.0")}},
      {kIdConcatenate, {c.text(u"a"), x}},
      {kIdFixed, {x}},
      {kIdDollar, {x}},
  };
  for (const auto& call : calls) {
    Vm_clearErrors(&c.ctx->errors);
    EXPECT_TRUE(isError(c.call(call.id, call.args), kErrValue)) << call.id;
    EXPECT_EQ(c.ctx->errors.firstError, kStatusUnsupportedFunction) << call.id;
  }
  // The same functions on plain values raise nothing.
  Vm_clearErrors(&c.ctx->errors);
  EXPECT_EQ(numberOf(c.call(kIdLen, {c.num(3.25)})), 4);
  EXPECT_EQ(c.ctx->errors.errorCount, 0);
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
