// Variants (locale-free text conversions, arrays) and the worksheet-function
// object, whose answers are checked against values another spreadsheet
// program computed for the same calls.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "platform/automation/Auto.h"
#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/AutoClient.h"

namespace {

TEST(AutoVariant, TextConversionsAreTheSameInEveryLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");   // a comma locale, when the machine has it
  struct Case { const char* text; AutoVarType vt; bool ok; double value; };
  const Case cases[] = {
    {" 42 ", Auto_vtI4, true, 42}, {"-7", Auto_vtI2, true, -7}, {"1.5", Auto_vtI4, false, 0},
    {"1e3", Auto_vtI4, false, 0}, {"0x10", Auto_vtI4, false, 0}, {"1,5", Auto_vtR8, false, 0},
    {"1.5", Auto_vtR8, true, 1.5}, {"-.25e2", Auto_vtR8, true, -25}, {"1e", Auto_vtR8, false, 0},
    {"1,000", Auto_vtR8, false, 0}, {"inf", Auto_vtR8, false, 0},
    {"2024-01-15", Auto_vtDate, true, 45306}, {"2024/1/15 12:00", Auto_vtDate, true, 45306.5},
    {"1/15/2024", Auto_vtDate, true, 45306}, {"15-Jan-2024", Auto_vtDate, true, 45306},
    {"15 january 2024", Auto_vtDate, true, 45306}, {"Jan 15, 2024", Auto_vtDate, true, 45306},
    {"6:30 PM", Auto_vtDate, true, 0.7708333333333334}, {"1900-01-01", Auto_vtDate, true, 2},
    {"12", Auto_vtDate, false, 0}, {"1.5", Auto_vtDate, false, 0}, {"2023-02-29", Auto_vtDate, false, 0},
    {"13/1/2024", Auto_vtDate, false, 0}, {"25:00", Auto_vtDate, false, 0},
    {"TRUE", Auto_vtBool, true, -1}, {"false", Auto_vtBool, true, 0}, {"2", Auto_vtBool, true, -1},
  };
  for (const Case& c : cases) {
    Var in, out;
    in.v = vstr(c.text);
    AutoResult rc = Auto_variantChangeType(&out.v, &in.v, 0, c.vt);
    ASSERT_EQ(!Auto_failed(rc), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_EQ(rc, Auto_eTypeMismatch) << c.text;
      continue;
    }
    Var r;
    ASSERT_EQ(Auto_variantChangeType(&r.v, &out.v, 0, Auto_vtR8), Auto_ok);
    EXPECT_NEAR(r.v.r8, c.value, 1e-12) << c.text;
  }
  struct Back { AutoVariant v; const char* text; };
  const Back backs[] = {
    {vnum(0.1), "0.1"}, {vnum(1e20), "1E+20"}, {vnum(-2.5e-7), "-2.5E-07"}, {vnum(1.0 / 3), "0.333333333333333"},
    {vbool(true), "True"}, {vint(-12), "-12"},
  };
  for (const Back& b : backs) {
    Var out;
    ASSERT_EQ(Auto_variantChangeType(&out.v, &b.v, 0, Auto_vtString), Auto_ok);
    EXPECT_EQ(Auto_stringToUtf8(out.v.str), b.text);
  }
  Var date, text;
  date.v.vt = Auto_vtDate;
  date.v.date = 45306.75;
  ASSERT_EQ(Auto_variantChangeType(&text.v, &date.v, 0, Auto_vtString), Auto_ok);
  EXPECT_EQ(Auto_stringToUtf8(text.v.str), "2024-01-15 18:00:00");
  std::setlocale(LC_ALL, "C");
  // Out of range and without a form of the type.
  Var big, small, err;
  big.v = vnum(40000);
  EXPECT_EQ(Auto_variantChangeType(&small.v, &big.v, 0, Auto_vtI2), Auto_eOverflow);
  err.v.vt = Auto_vtError;
  err.v.error = static_cast<AutoResult>(Auto_cellErrorBase + 7);
  EXPECT_EQ(Auto_variantChangeType(&small.v, &err.v, 0, Auto_vtString), Auto_eTypeMismatch);
  EXPECT_EQ(Auto_variantChangeType(&small.v, &err.v, 0, Auto_vtR8), Auto_eTypeMismatch);
}

// A cell's broken UTF-8 reaches the library as the calculation reads it:
// one U+FFFD per broken sequence, its neighbours kept.
TEST(AutoVariant, BrokenUtf8ReadsAsTheCalculationReadsIt) {
  for (const std::string& broken : {std::string("a\xE6\x97"
                                                "b"),
                                    std::string("\xC3(x"), std::string("\xFF\xF4\x90")}) {
    AutoString s = Auto_stringFromUtf8(broken);
    EXPECT_EQ(std::u16string(s, Auto_stringLen(s)), Calc_utf16(broken));
    Auto_freeString(s);
  }
  AutoString s = Auto_stringFromUtf8(
      "a\xE6\x97"
      "b");
  EXPECT_EQ(Auto_stringLen(s), 3u);
  EXPECT_EQ(Auto_stringToUtf8(s),
            "a\xEF\xBF\xBD"
            "b");
  Auto_freeString(s);
}

TEST(AutoVariant, StringsArraysAndDeepCopies) {
  AutoString s = Auto_stringFromUtf8("Zürich €");
  EXPECT_EQ(Auto_stringLen(s), 8u);
  EXPECT_EQ(Auto_stringToUtf8(s), "Zürich €");
  Auto_freeString(s);
  Var a;
  a.v.vt = Auto_vtArray | Auto_vtVariant;
  a.v.array = Auto_arrayCreate(0, 2, 1, 3);
  std::int32_t lo, hi, at[2] = {1, 3}, outside[2] = {2, 3};
  ASSERT_EQ(Auto_arrayBounds(a.v.array, 1, &lo, &hi), Auto_ok);
  EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(0, 1));
  AutoVariant hello = vstr("hello");
  EXPECT_EQ(Auto_arrayPutElement(a.v.array, at, &hello), Auto_ok);
  Auto_variantClear(&hello);
  EXPECT_EQ(Auto_arrayPutElement(a.v.array, outside, &hello), Auto_eBadIndex);
  Var copy(a), e;
  Auto_variantClear(&a.v);   // the copy owns its own texts
  ASSERT_EQ(Auto_arrayGetElement(copy.v.array, at, &e.v), Auto_ok);
  EXPECT_EQ(Auto_stringToUtf8(e.v.str), "hello");
}

// Values computed by LibreOffice 7.4 (en-US) for the same functions and
// arguments, frozen here; calls as the library makes them (texts as texts,
// numbers as reals, an omitted FIXED decimals as a missing argument).
struct Expect {
  enum Kind { Number, Text, Error } kind;
  double number;
  std::string text;
};
Expect num(double d) { return {Expect::Number, d, ""}; }
Expect txt(const char* s) { return {Expect::Text, 0, s}; }
Expect err() { return {Expect::Error, 0, ""}; }

struct FunctionCase {
  const char* name;
  std::vector<AutoVariant> args;
  Expect expected;
};

TEST(WorksheetFunction, AgreesWithAnotherSpreadsheetProgram) {
  Wb_resetApp();
  AutoObject* app = Auto_application();
  AutoClient client;
  Obj wsf = client.object(app, "WorksheetFunction");
  std::vector<FunctionCase> cases = {
    {"TEXT", {vstr("1234.567"), vstr("#,##0.00")}, txt("1,234.57")},
    {"TEXT", {vstr("0.333333"), vstr("0.00")}, txt("0.33")},
    {"TEXT", {vstr("0.25"), vstr("0%")}, txt("25%")},
    {"TEXT", {vstr("1234.5"), vstr("0.00E+00")}, txt("1.23E+03")},
    {"TEXT", {vstr("45306"), vstr("yyyy-mm-dd")}, txt("2024-01-15")},
    {"TEXT", {vstr("-1234.5"), vstr("#,##0.0")}, txt("-1,234.5")},
    {"TEXT", {vstr("abc"), vstr("0.00")}, txt("abc")},
    {"TEXT", {vstr("0.5"), vstr("h:mm AM/PM")}, txt("12:00 PM")},
    {"TEXT", {vstr("7"), vstr("000")}, txt("007")},
    {"DOLLAR", {vnum(1234.567)}, txt("$1,234.57")},
    {"DOLLAR", {vnum(1234.567), vnum(-2.0)}, txt("$1,200")},
    {"DOLLAR", {vnum(0.125), vnum(2.0)}, txt("$0.13")},
    {"DOLLAR", {vnum(99.5), vnum(0.0)}, txt("$100")},
    {"FIXED", {vnum(1234.567)}, txt("1,234.57")},
    {"FIXED", {vnum(1234.567), vnum(1.0), vbool(true)}, txt("1234.6")},
    {"FIXED", {vnum(1234.567), missing(), vbool(true)}, txt("1234.57")},
    {"FIXED", {vnum(-1234.567), vnum(-1.0)}, txt("-1,230")},
    {"FIXED", {vnum(0.5), vnum(0.0)}, txt("1")},
    {"FIXED", {vnum(1000000.0), vnum(3.0), vbool(false)}, txt("1,000,000.000")},
    {"FIND", {vstr("b"), vstr("abcb")}, num(2)},
    {"FIND", {vstr("b"), vstr("abcb"), vnum(3.0)}, num(4)},
    {"FIND", {vstr("B"), vstr("abc")}, err()},
    {"FIND", {vstr("c"), vstr("abc"), vnum(5.0)}, err()},
    {"SEARCH", {vstr("B"), vstr("abcb")}, num(2)},
    {"SEARCH", {vstr("?c"), vstr("abcd")}, num(2)},
    {"SEARCH", {vstr("b*d"), vstr("abcd")}, num(2)},
    {"SEARCH", {vstr("x"), vstr("abc")}, err()},
    {"SEARCH", {vstr("~*"), vstr("a*b")}, num(2)},
    {"SEARCH", {vstr("b"), vstr("abcb"), vnum(3.0)}, num(4)},
    {"REPLACE", {vstr("abcdef"), vnum(2.0), vnum(3.0), vstr("XY")}, txt("aXYef")},
    {"REPLACE", {vstr("abc"), vnum(5.0), vnum(1.0), vstr("Z")}, txt("abcZ")},
    {"REPLACE", {vstr("abc"), vnum(0.0), vnum(1.0), vstr("Z")}, err()},
    {"REPLACE", {vstr("12345"), vnum(2.0), vnum(2.0), vstr("")}, txt("145")},
    {"SUBSTITUTE", {vstr("a-b-c"), vstr("-"), vstr("+")}, txt("a+b+c")},
    {"SUBSTITUTE", {vstr("a-b-c"), vstr("-"), vstr("+"), vnum(2.0)}, txt("a-b+c")},
    {"SUBSTITUTE", {vstr("aaa"), vstr("a"), vstr("b"), vnum(5.0)}, txt("aaa")},
    {"SUBSTITUTE", {vstr("abc"), vstr(""), vstr("x")}, txt("abc")},
    {"SUBSTITUTE", {vstr("aaaa"), vstr("aa"), vstr("b")}, txt("bb")},
    {"REPT", {vstr("ab"), vnum(3.0)}, txt("ababab")},
    {"REPT", {vstr("ab"), vnum(0.0)}, txt("")},
    {"REPT", {vstr("ab"), vnum(-1.0)}, err()},
    {"REPT", {vstr("ab"), vnum(2.9)}, txt("abab")},
    {"TRIM", {vstr("  a   b  ")}, txt("a b")},
    {"TRIM", {vstr("x")}, txt("x")},
    {"CLEAN", {vstr("a\tb\nc")}, txt("abc")},
    {"PROPER", {vstr("hello wORLD o'neil 2nd")}, txt("Hello World O'Neil 2Nd")},
    {"PROPER", {vstr("ÄBC déf")}, txt("Äbc Déf")},
    {"ROMAN", {vnum(1999.0)}, txt("MCMXCIX")},
    {"ROMAN", {vnum(1999.0), vnum(1.0)}, txt("MLMVLIV")},
    {"ROMAN", {vnum(1999.0), vnum(2.0)}, txt("MXMIX")},
    {"ROMAN", {vnum(1999.0), vnum(3.0)}, txt("MVMIV")},
    {"ROMAN", {vnum(1999.0), vnum(4.0)}, txt("MIM")},
    {"ROMAN", {vnum(499.0), vnum(4.0)}, txt("ID")},
    {"ROMAN", {vnum(0.0)}, txt("")},
    {"ROMAN", {vnum(4000.0)}, err()},
    {"ROMAN", {vnum(-1.0)}, err()},
    {"DAYS360", {vnum(45322.0), vnum(45382.0)}, num(60)},
    {"DAYS360", {vnum(45322.0), vnum(45382.0), vbool(true)}, num(60)},
    {"DAYS360", {vnum(45351.0), vnum(45382.0)}, num(30)},
    {"DAYS360", {vnum(45351.0), vnum(45382.0), vbool(true)}, num(31)},
    {"DAYS360", {vnum(45382.0), vnum(45322.0)}, num(-60)},
    {"DAYS360", {vnum(45351.0), vnum(45716.0)}, num(358)},
    {"DAYS360", {vnum(45350.0), vnum(45351.0)}, num(1)},
    {"DAYS360", {vnum(36950.0), vnum(37315.0)}, num(358)},
    {"WEEKDAY", {vnum(45306.0)}, num(2)},
    {"WEEKDAY", {vnum(45306.0), vnum(2.0)}, num(1)},
    {"WEEKDAY", {vnum(45306.0), vnum(3.0)}, num(0)},
    {"WEEKDAY", {vnum(45306.0), vnum(11.0)}, num(1)},
    {"WEEKDAY", {vnum(45306.0), vnum(17.0)}, num(2)},
    {"WEEKDAY", {vnum(45306.0), vnum(4.0)}, err()},
    {"WEEKDAY", {vnum(45310.75)}, num(6)},
  };
  for (FunctionCase& c : cases) {
    Var r;
    std::string call = c.name;
    AutoResult rc = client.call(wsf, c.name, Auto_method, std::move(c.args), &r.v);
    switch (c.expected.kind) {
      case Expect::Error:
        EXPECT_EQ(rc, Auto_eException) << call;
        EXPECT_EQ(client.exceptionCode, Auto_excFailed) << call;
        break;
      case Expect::Number:
        ASSERT_EQ(rc, Auto_ok) << call;
        ASSERT_EQ(r.v.vt, Auto_vtR8) << call;
        EXPECT_EQ(r.v.r8, c.expected.number) << call;
        break;
      case Expect::Text:
        ASSERT_EQ(rc, Auto_ok) << call;
        ASSERT_EQ(r.v.vt, Auto_vtString) << call;
        EXPECT_EQ(Auto_stringToUtf8(r.v.str), c.expected.text) << call << " " << c.expected.text;
        break;
    }
  }
  // Wrong argument counts and argument types fail with their codes; a
  // function answering a block gives an array.
  Var r;
  EXPECT_EQ(client.call(wsf, "Rept", Auto_method, {vstr("a")}, &r.v), Auto_eBadParamCount);
  AutoVariant obj = vobj(wsf);
  EXPECT_EQ(client.call(wsf, "Trim", Auto_method, {obj}, &r.v), Auto_eTypeMismatch);
  EXPECT_EQ(client.call(wsf, "Trim", Auto_method, {vstr("x")}, &r.v, {{"Arg1", vstr("y")}}), Auto_eUnknownName);
  Auto_release(app);
}

}  // namespace
