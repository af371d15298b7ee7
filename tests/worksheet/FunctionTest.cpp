// Worksheet functions on plain values: results checked against values
// computed by hand, the error rules and the mended faults.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "tests/support/TestValues.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/logical/Wsf_Logical.h"
#include "worksheet/math/Crit_Criteria.h"
#include "worksheet/math/Wsf_Other.h"
#include "worksheet/math/Wsf_Rounding.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {


TEST(WsfUnary, ValuesDomainsAndKinds) {
  TestValues vs;
  Value* r = vs.make();
  EXPECT_EQ(Wsf_acos(r, vs.num(1))->number, 0.0);  // the closed domain: ACOS(1) is 0
  EXPECT_DOUBLE_EQ(Wsf_asin(r, vs.num(-1))->number, -M_PI / 2);
  EXPECT_TRUE(isError(Wsf_acos(r, vs.num(1.5)), kErrNum));
  EXPECT_TRUE(isError(Wsf_atanh(r, vs.num(1)), kErrNum));
  EXPECT_EQ(Wsf_acosh(r, vs.num(1))->number, 0.0);
  EXPECT_TRUE(isError(Wsf_ln(r, vs.num(0)), kErrNum));
  EXPECT_DOUBLE_EQ(Wsf_log10(r, vs.num(1000))->number, 3.0);
  EXPECT_TRUE(isError(Wsf_sqrt(r, vs.num(-1)), kErrNum));
  EXPECT_EQ(Wsf_sqrt(r, vs.num(0))->number, 0.0);
  EXPECT_TRUE(isError(Wsf_cos(r, vs.text(u"x")), kErrValue));
  EXPECT_TRUE(isError(Wsf_cos(r, vs.error(kErrRef)), kErrRef));
  Wsf_abs(r, vs.integer(-3));
  EXPECT_EQ(r->kind, kValInt);
  EXPECT_EQ(r->number, 3.0);
  Wsf_sign(r, vs.num(0));
  EXPECT_EQ(r->kind, kValInt);
  EXPECT_EQ(r->number, 0.0);
  EXPECT_DOUBLE_EQ(Wsf_atan2(r, vs.num(0), vs.num(-2))->number, -M_PI / 2);
  EXPECT_DOUBLE_EQ(Wsf_atan2(r, vs.num(-1), vs.num(-1))->number, std::atan(1.0) - M_PI);
  EXPECT_TRUE(isError(Wsf_atan2(r, vs.num(0), vs.num(0)), kErrDiv0));
  const Value* logArgs[] = {vs.num(8), vs.num(2)};
  EXPECT_DOUBLE_EQ(Wsf_log(r, 2, logArgs)->number, 3.0);
  const Value* badLog[] = {vs.num(-1), vs.num(2)};
  EXPECT_TRUE(isError(Wsf_log(r, 2, badLog), kErrNum));
}

TEST(WsfUnary, IntegerPowersStayIntegerOnlyWhenTheyFit) {
  TestValues vs;
  Value* r = vs.make();
  Wsf_power(r, vs.integer(2), vs.integer(3));
  EXPECT_EQ(r->kind, kValInt);
  EXPECT_EQ(r->number, 8.0);
  Wsf_power(r, vs.integer(2), vs.integer(-1));
  EXPECT_EQ(r->kind, kValReal);
  EXPECT_EQ(r->number, 0.5);
  Wsf_power(r, vs.integer(2), vs.integer(40));
  EXPECT_EQ(r->kind, kValReal);
  EXPECT_EQ(r->number, 1099511627776.0);
  EXPECT_TRUE(isError(Wsf_power(r, vs.num(-8), vs.num(1.0 / 3)), kErrNum));
  EXPECT_TRUE(isError(Wsf_power(r, vs.num(0), vs.num(-1)), kErrNum));
}

TEST(WsfRounding, HandComputedCases) {
  TestValues vs;
  Value* r = vs.make();
  using Two = Value* (*)(Value*, const Value*, const Value*);
  struct Case { Two f; double a, b, expected; };
  const Case cases[] = {{Wsf_ceiling, 2.5, 1, 3},
                        {Wsf_ceiling, -2.5, -1, -3},
                        {Wsf_ceiling, 4, 2, 4},
                        {Wsf_floor, -2.5, -1, -2},
                        // A negative number with a positive step: CEILING toward zero, FLOOR away.
                        {Wsf_ceiling, -2.5, 1, -2},
                        {Wsf_floor, -2.5, 1, -3},
                        {Wsf_mod, -3, 2, 1},
                        {Wsf_mod, 3, -2, -1},
                        {Wsf_quotient, -7, 2, -3},
                        {Wsf_round, 0.5, 0, 1},
                        {Wsf_round, -2.5, 0, -3},
                        {Wsf_round, 1234, -2, 1200},
                        {Wsf_roundup, 0.3, 0, 1},
                        {Wsf_rounddown, -1.9, 0, -1},
                        {Wsf_combin, 5, 2, 10},
                        {Wsf_combin, 1030, 3, 181591060},
                        {Wsf_combin, 1030, 1027, 181591060},
                        // A huge n with a small k takes k steps, not n.
                        {Wsf_combin, 999999999999999, 2, 999999999999999.0 * 999999999999998.0 / 2},
                        {Wsf_combin, 1e300, 1, 1e300}};
  for (const Case& c : cases) EXPECT_EQ(c.f(r, vs.num(c.a), vs.num(c.b))->number, c.expected) << c.a << " " << c.b;
  EXPECT_TRUE(isError(Wsf_ceiling(r, vs.num(2.5), vs.num(-1)), kErrNum));
  EXPECT_TRUE(isError(Wsf_mod(r, vs.num(5), vs.num(0)), kErrDiv0));
  EXPECT_TRUE(isError(Wsf_combin(r, vs.num(2), vs.num(5)), kErrNum));
  EXPECT_TRUE(isError(Wsf_combin(r, vs.num(1e15), vs.num(5e14)), kErrNum));  // overflows at once
  using One = Value* (*)(Value*, const Value*);
  struct Unary { One f; double a, expected; };
  const Unary unary[] = {{Wsf_even, 1.5, 2}, {Wsf_even, 3, 4},   {Wsf_even, -1, -2}, {Wsf_even, 0, 0},
                         {Wsf_odd, 0, 1},    {Wsf_odd, 2, 3},    {Wsf_odd, -2, -3},  {Wsf_int, -2.5, -3},
                         {Wsf_fact, 5, 120}, {Wsf_factdouble, 7, 105}, {Wsf_factdouble, 6, 48},
                         {Wsf_even, 3000000001.0, 3000000002.0}};
  for (const Unary& u : unary) EXPECT_EQ(u.f(r, vs.num(u.a))->number, u.expected) << u.a;
  EXPECT_TRUE(isError(Wsf_factdouble(r, vs.num(301)), kErrNum));
  const Value* mr[] = {vs.num(10), vs.num(3)};
  EXPECT_EQ(Wsf_mround(r, 2, mr)->number, 9.0);
  const Value* gcd[] = {vs.num(12), vs.row({vs.num(18), vs.num(30)})};
  EXPECT_EQ(Wsf_gcd(r, 2, gcd)->number, 6.0);
  EXPECT_EQ(Wsf_lcm(r, 2, gcd)->number, 180.0);
  EXPECT_TRUE(isError(Wsf_gcd(r, 0, nullptr), kErrNA));
  const Value* gcdBool[] = {vs.boolean(true)};
  EXPECT_TRUE(isError(Wsf_gcd(r, 1, gcdBool), kErrValue));
  const Value* multi[] = {vs.num(2), vs.num(3)};
  EXPECT_EQ(Wsf_multinomial(r, 2, multi)->number, 10.0);
  const Value* huge[] = {vs.num(3e9), vs.num(1)};  // no 32-bit wrap and no huge factorials
  EXPECT_EQ(Wsf_multinomial(r, 2, huge)->number, 3000000001.0);
  const Value* overflow[] = {vs.num(1000), vs.num(1000)};
  EXPECT_TRUE(isError(Wsf_multinomial(r, 2, overflow), kErrNum));
}

TEST(WsfLogical, ConnectivesIfAndInformation) {
  TestValues vs;
  Value* r = vs.make();
  EXPECT_EQ(Wsf_and(r, 0, nullptr)->number, 1.0);
  struct Rounded { double x, digits, expected; };
  for (const Rounded& c : {Rounded{1.005, 2, 1.01}, Rounded{-1.005, 2, -1.01}, Rounded{0.285, 2, 0.29}})
    EXPECT_EQ(Wsf_round(r, vs.num(c.x), vs.num(c.digits))->number, c.expected) << c.x;
  EXPECT_EQ(Wsf_or(r, 0, nullptr)->number, 0.0);
  const Value* withEmpty[] = {vs.row({vs.num(1), vs.make()})};
  EXPECT_EQ(Wsf_and(r, 1, withEmpty)->kind, kValBool);
  EXPECT_EQ(Wsf_and(r, 1, withEmpty)->number, 1.0);  // a range's blanks and texts do not count
  const Value* onlyText[] = {vs.row({vs.text(u"a")})};
  EXPECT_TRUE(isError(Wsf_and(r, 1, onlyText), kErrValue));
  const Value* ifTrue[] = {vs.boolean(true), vs.boolean(true)};
  Wsf_if(r, 2, ifTrue);
  EXPECT_EQ(r->kind, kValBool);  // IF(TRUE, TRUE) is TRUE
  EXPECT_EQ(r->number, 1.0);
  const Value* ifFalse[] = {vs.boolean(false), vs.num(5)};
  EXPECT_EQ(Wsf_if(r, 2, ifFalse)->kind, kValBool);  // IF(FALSE, 5) is FALSE
  const Value* lazy[] = {vs.boolean(true), vs.text(u"a"), vs.error(kErrDiv0)};
  EXPECT_EQ(Wsf_if(r, 3, lazy)->kind, kValText);
  EXPECT_EQ(Wsf_iseven(r, vs.num(3e9))->number, 1.0);
  EXPECT_EQ(Wsf_isodd(r, vs.num(3000000001.0))->number, 1.0);
  EXPECT_EQ(Wsf_iseven(r, vs.num(-3.5))->number, 0.0);
  EXPECT_TRUE(isError(Wsf_iseven(r, vs.boolean(true)), kErrValue));
  EXPECT_EQ(Wsf_type(r, vs.boolean(true))->number, 4.0);
  EXPECT_EQ(Wsf_type(r, vs.error(kErrNA))->number, 16.0);
  EXPECT_EQ(Wsf_type(r, vs.row({vs.num(1)}))->number, 64.0);
  EXPECT_EQ(Wsf_errortype(r, vs.error(kErrNum))->number, 6.0);
  EXPECT_TRUE(isError(Wsf_errortype(r, vs.num(5)), kErrNA));
  EXPECT_EQ(Wsf_n(r, vs.text(u"abc"))->number, 0.0);
  EXPECT_EQ(Wsf_n(r, vs.boolean(true))->kind, kValInt);  // N(TRUE) is 1
  EXPECT_EQ(Wsf_n(r, vs.boolean(true))->number, 1.0);
  EXPECT_EQ(Wsf_iseven(r, vs.text(u"4"))->number, 1.0);
  EXPECT_EQ(Wsf_iserr(r, vs.error(kErrNA))->number, 0.0);
  EXPECT_EQ(Wsf_countblank(r, vs.row({vs.make(), vs.num(0), vs.make()}))->number, 2.0);
}

TEST(CritCriteria, WildcardsOperatorsAndCounts) {
  EXPECT_EQ(Crit_compareText(u"abcd", u"ab?d"), 0);
  EXPECT_EQ(Crit_compareText(u"ABXD", u"ab?d"), 0);
  EXPECT_NE(Crit_compareText(u"abd", u"ab?d"), 0);
  EXPECT_EQ(Crit_compareText(u"abcd", u"*cd"), 0);
  EXPECT_EQ(Crit_compareText(u"ad", u"a*d"), 0);
  EXPECT_EQ(Crit_compareText(u"abc", u"ab*"), 0);    // a trailing star matches the rest
  EXPECT_EQ(Crit_compareText(u"aaab", u"*aab"), 0);  // the matcher backtracks
  EXPECT_EQ(Crit_compareText(u"a*", u"a~*"), 0);
  EXPECT_NE(Crit_compareText(u"ab", u"a~*"), 0);
  TestValues vs;
  Value* range = vs.row({vs.num(9), vs.num(10), vs.num(12), vs.num(5), vs.text(u"5"), vs.text(u"apple"), vs.make()});
  struct Case { const char16_t* criterion; int32_t count; };
  const Case cases[] = {{u">=10", 2}, {u"<>5", 5}, {u"5", 2}, {u"=5x", 0}, {u"a*", 1}, {u"", 1}, {u"<>", 6}};
  Value* r = vs.make();
  for (const Case& c : cases) {
    const Value* args[] = {range, vs.text(c.criterion)};
    EXPECT_EQ(Wsf_countif(r, 2, args)->number, c.count) << Text_length(c.criterion);
  }
  const Value* byNumber[] = {range, vs.num(5)};
  EXPECT_EQ(Wsf_countif(r, 2, byNumber)->number, 2.0);  // the text "5" reads as 5
  const Value* sum[] = {range, vs.text(u">9"), vs.row({vs.num(1), vs.num(2), vs.num(4)})};
  EXPECT_EQ(Wsf_sumif(r, 3, sum)->number, 6.0);  // only the common part is walked
}

}  // namespace

namespace {

// ROMAN's forms as the worksheet documents them for 499.
TEST(WsfOther, RomanForms) {
  TestValues vs;
  Value* r = vs.make();
  const char16_t* forms[] = {u"CDXCIX", u"LDVLIV", u"XDIX", u"VDIV", u"ID"};
  for (int form = 0; form <= 4; ++form) {
    const Value* args[] = {vs.num(499), vs.num(form)};
    EXPECT_EQ(Text_toUtf8(Wsf_roman(r, 2, args)->text), Text_toUtf8(forms[form]));
  }
  const Value* classic[] = {vs.num(1999), vs.boolean(true)};
  EXPECT_EQ(Text_toUtf8(Wsf_roman(r, 2, classic)->text), "MCMXCIX");
  const Value* tooLarge[] = {vs.num(4000)};
  const Value* badForm[] = {vs.num(10), vs.num(5)};
  EXPECT_TRUE(isError(Wsf_roman(r, 1, tooLarge), kErrValue));
  EXPECT_TRUE(isError(Wsf_roman(r, 2, badForm), kErrValue));
}

}  // namespace
