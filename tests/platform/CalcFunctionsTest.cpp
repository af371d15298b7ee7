// Worksheet functions against hand-computed values: rounding, math domains,
// aggregates over mixed ranges, criteria, lookups, logic and information.
#include <cmath>

#include "CalcTestUtil.h"

using CalcFunctions = CalcFixture;

TEST_F(CalcFunctions, RoundingAsTheDecimalsRead) {
  EXPECT_EQ(num("=ROUND(2.5,0)"), 3);
  EXPECT_EQ(num("=ROUND(-2.5,0)"), -3);
  EXPECT_EQ(num("=ROUND(1.005,2)"), 1.01);
  EXPECT_EQ(num("=ROUND(-1.005,2)"), -1.01);
  EXPECT_EQ(num("=ROUND(2.675,2)"), 2.68);
  EXPECT_EQ(num("=ROUND(0.285,2)"), 0.29);
  EXPECT_EQ(num("=ROUND(1234.5678,-2)"), 1200);
  EXPECT_EQ(num("=ROUND(1250,-2)"), 1300);
  EXPECT_EQ(num("=ROUND(49,-2)"), 0);
  EXPECT_EQ(num("=ROUND(50,-2)"), 100);
  EXPECT_EQ(num("=ROUND(123.456,1.7)"), 123.5);
  EXPECT_EQ(num("=ROUND(1/3,10)"), 0.3333333333);
  EXPECT_EQ(num("=ROUNDUP(-3.2,0)"), -4);
  EXPECT_EQ(num("=ROUNDUP(31415.92654,-2)"), 31500);
  EXPECT_EQ(num("=ROUNDUP(0.001,-2)"), 100);
  EXPECT_EQ(num("=ROUNDDOWN(-3.9,0)"), -3);
  EXPECT_EQ(num("=TRUNC(-3.789,1)"), -3.7);
  EXPECT_EQ(num("=TRUNC(1234.5,-2)"), 1200);
  EXPECT_EQ(num("=INT(-0.5)"), -1);
  EXPECT_EQ(num("=MOD(-10,3)"), 2);
  EXPECT_EQ(num("=MOD(10,-3)"), -2);
  EXPECT_EQ(num("=MOD(-1.25,1)"), 0.75);
  EXPECT_EQ(eval("=MOD(5,0)"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=ROUND(#N/A,1)"), errorValue(CellError::NA));
  EXPECT_EQ(num("=ABS(\"-2\")"), 2);
  EXPECT_EQ(num("=SIGN(-3)"), -1);
}

TEST_F(CalcFunctions, MathDomains) {
  EXPECT_EQ(eval("=SQRT(-1)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=LN(0)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=LN(-1)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=LOG(0)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=LOG(10,1)"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=EXP(710)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=ASIN(2)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=ATAN2(0,0)"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=SQRT(\"abc\")"), errorValue(CellError::Value));
  EXPECT_EQ(num("=LOG(1000,10)"), 3);
  EXPECT_EQ(num("=LOG(8,2)"), 3);
  EXPECT_EQ(num("=LOG10(0.001)"), -3);
  EXPECT_DOUBLE_EQ(num("=ATAN2(-1,0)"), M_PI);          // x first, then y
  EXPECT_DOUBLE_EQ(num("=ATAN2(1,-1)"), -M_PI / 4);
  EXPECT_DOUBLE_EQ(num("=SIN(PI()/6)"), 0.5);
  EXPECT_DOUBLE_EQ(num("=TANH(0.5)"), std::tanh(0.5));
  EXPECT_EQ(eval("=SIN()"), errorValue(CellError::Value));   // wrong argument count
}

class CalcAggregates : public CalcFixture {
 protected:
  void SetUp() override {
    CalcFixture::SetUp();
    // G2:G10: 1, 5.5, "abc", -4, (empty), 2, 0, "apple", ="" ; K2:K4: 1, #DIV/0!, 2
    setNum("G2", 1); setNum("G3", 5.5); setText("G4", "abc"); setNum("G5", -4);
    setNum("G7", 2); setNum("G8", 0); setText("G9", "apple");
    formula("G10", "=\"\"");
    setNum("K2", 1); formula("K3", "=1/0"); setNum("K4", 2);
    setNum("H2", 5); setNum("H3", 5); setNum("H4", 3);
    setText("J2", "a"); setText("J3", "B"); setText("J4", "ab");
    Calc_recalculate(wb);
  }
};

TEST_F(CalcAggregates, RangesSkipTextsTypedArgumentsConvert) {
  EXPECT_EQ(num("=SUM(G2:G10)"), 4.5);
  EXPECT_EQ(num("=SUM(\"3\",2)"), 5);
  EXPECT_EQ(num("=SUM(TRUE,2)"), 3);
  EXPECT_EQ(eval("=SUM(\"abc\",2)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=SUM(K2:K4)"), errorValue(CellError::Div0));
  EXPECT_EQ(num("=PRODUCT(G2:G3,\"2\")"), 11);
  EXPECT_EQ(num("=PRODUCT(Z1:Z3)"), 0);
  EXPECT_EQ(num("=SUMSQ(G2:G10)"), 1 + 30.25 + 16 + 4);
  EXPECT_EQ(num("=MAX(G2:G10)"), 5.5);
  EXPECT_EQ(num("=MIN(G2:G10)"), -4);
  EXPECT_EQ(num("=MAX(\"7\",3)"), 7);
  EXPECT_EQ(num("=MAX(Z1:Z3)"), 0);
  EXPECT_EQ(num("=AVERAGE(G2:G10)"), 0.9);
  EXPECT_EQ(num("=AVERAGE(\"4\",2)"), 3);
  EXPECT_EQ(eval("=AVERAGE(Z1:Z3)"), errorValue(CellError::Div0));
  EXPECT_EQ(num("=COUNT(G2:G10)"), 5);
  EXPECT_EQ(num("=COUNT(1,\"2\",\"abc\",TRUE)"), 3);
  EXPECT_EQ(num("=COUNT(K2:K4)"), 2);
  EXPECT_EQ(num("=COUNTA(G2:G10)"), 8);
  EXPECT_EQ(num("=COUNTA(1,\"\",TRUE)"), 3);
}

TEST_F(CalcAggregates, Criteria) {
  EXPECT_EQ(num("=COUNTIF(G2:G10,\">1\")"), 2);
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"<=0\")"), 2);
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"ABC\")"), 1);
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"a*\")"), 2);
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"<>abc\")"), 8);
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"\")"), 2);       // the blank and the empty text
  EXPECT_EQ(num("=COUNTIF(G2:G10,\"<>\")"), 8);     // everything but the blank
  EXPECT_EQ(num("=COUNTIF(H2:H10,5)"), 2);
  EXPECT_EQ(num("=COUNTIF(H2:H10,\">\"&H4)"), 2);
  EXPECT_EQ(num("=COUNTIF(J2:J4,\"?\")"), 2);
  EXPECT_EQ(num("=COUNTIF(J2:J4,\"a~*\")"), 0);
  EXPECT_EQ(num("=SUMIF(G2:G10,\">0\")"), 8.5);
  EXPECT_EQ(num("=SUMIF(J2:J4,\"b\",H2:H4)"), 5);
  EXPECT_EQ(num("=SUMIF(J2:J4,\"a*\",H2)"), 8);     // sum range takes the criteria range's shape
  EXPECT_EQ(num("=SUMIF(J2:J4,\"<>a\",H2:H4)"), 8);
}

TEST_F(CalcAggregates, SumProduct) {
  EXPECT_EQ(num("=SUMPRODUCT(H2:H4,G2:G4)"), 5 + 27.5);
  EXPECT_EQ(num("=SUMPRODUCT({1,2,3},{4,5,6})"), 32);
  EXPECT_EQ(num("=SUMPRODUCT((J2:J4=\"a\")*H2:H4)"), 5);
  EXPECT_EQ(num("=SUMPRODUCT(--(J2:J4<>\"a\"))"), 2);
  EXPECT_EQ(num("=SUMPRODUCT(G2:H3,G2:H3)"), 1 + 25 + 30.25 + 25);
  EXPECT_EQ(eval("=SUMPRODUCT(H2:H4,H2:H5)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=SUMPRODUCT(K2:K4,H2:H4)"), errorValue(CellError::Div0));
}

TEST_F(CalcFunctions, Lookups) {
  double keys[] = {10, 20, 30, 40, 50};
  const char* fruit[] = {"apple", "banana", "cherry", "date", "elder"};
  for (int i = 0; i < 5; ++i) {
    set(1 + i, 6, CellValue::makeNumber(keys[i]));
    set(1 + i, 7, CellValue::makeText(fruit[i]));
    set(1 + i, 8, CellValue::makeNumber(i * 0.25));
    set(1 + i, 11, CellValue::makeNumber(50 - 10 * i));
  }
  EXPECT_EQ(num("=MATCH(30,G2:G6,0)"), 3);
  EXPECT_EQ(num("=MATCH(35,G2:G6)"), 3);
  EXPECT_EQ(eval("=MATCH(5,G2:G6,1)"), errorValue(CellError::NA));
  EXPECT_EQ(eval("=MATCH(\"30\",G2:G6,0)"), errorValue(CellError::NA));
  EXPECT_EQ(num("=MATCH(\"CH*\",H2:H6,0)"), 3);
  EXPECT_EQ(num("=MATCH(35,L2:L6,-1)"), 2);
  EXPECT_EQ(eval("=MATCH(1,G2:H6,0)"), errorValue(CellError::NA));
  EXPECT_EQ(shown("=VLOOKUP(35,G2:I6,2,TRUE)"), "cherry");
  EXPECT_EQ(shown("=VLOOKUP(30,G2:I6,2.9,FALSE)"), "cherry");
  EXPECT_EQ(eval("=VLOOKUP(35,G2:I6,2,FALSE)"), errorValue(CellError::NA));
  EXPECT_EQ(eval("=VLOOKUP(30,G2:I6,4,FALSE)"), errorValue(CellError::Ref));
  EXPECT_EQ(eval("=VLOOKUP(30,G2:I6,0,FALSE)"), errorValue(CellError::Value));
  EXPECT_EQ(num("=VLOOKUP(\"ban*\",H2:I6,2,FALSE)"), 0.25);
  EXPECT_EQ(num("=HLOOKUP(2,{1,2,3;4,5,6},2,FALSE)"), 5);
  EXPECT_EQ(eval("=HLOOKUP(2,{1,2,3;4,5,6},3,FALSE)"), errorValue(CellError::Ref));
  EXPECT_EQ(num("=INDEX(G2:I6,2,3)"), 0.25);
  EXPECT_EQ(num("=INDEX({10,20,30},2)"), 20);
  EXPECT_EQ(num("=INDEX({1,2;3,4},2,1)"), 3);
  EXPECT_EQ(eval("=INDEX(H2:H6,6)"), errorValue(CellError::Ref));
  EXPECT_EQ(eval("=INDEX(H2:H6,-1)"), errorValue(CellError::Value));
  EXPECT_EQ(num("=SUM(INDEX(G2:I6,0,1))"), 150);
  EXPECT_EQ(shown("=CHOOSE(2.9,\"a\",\"b\",\"c\")"), "b");
  EXPECT_EQ(num("=CHOOSE(1,1,1/0)"), 1);
  EXPECT_EQ(eval("=CHOOSE(3,1,2)"), errorValue(CellError::Value));
  EXPECT_EQ(num("=SUM(CHOOSE(2,G2:G6,L2:L6))"), 150);
  EXPECT_EQ(num("=ROW(C7)+COLUMN(D1)"), 11);
  EXPECT_EQ(num("=ROWS({1,2;3,4;5,6})*COLUMNS(G2:I6)"), 9);
}

TEST_F(CalcFunctions, LogicAndInformation) {
  setNum("E2", 2);
  formula("E8", "=\"\"");
  Calc_recalculate(wb);
  EXPECT_EQ(eval("=IF(FALSE,1)"), CellValue::makeBoolean(false));
  EXPECT_EQ(eval("=IF(FALSE,1,)"), CellValue::makeNumber(0));
  EXPECT_EQ(eval("=IF(\"abc\",1,2)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=IF(#N/A,1,2)"), errorValue(CellError::NA));
  EXPECT_EQ(num("=IF(TRUE,1,1/0)"), 1);
  EXPECT_EQ(num("=IF(Z1,1,2)"), 2);
  EXPECT_EQ(shown("=IFERROR(1/0,\"div\")"), "div");
  EXPECT_EQ(num("=SUM(IFERROR({1,2}/{0,1},10))"), 12);
  EXPECT_EQ(eval("=AND(Z1)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=AND(FALSE,#N/A)"), errorValue(CellError::NA));
  EXPECT_EQ(eval("=OR(Z1,FALSE)"), CellValue::makeBoolean(false));
  EXPECT_EQ(eval("=OR(E2:E8)"), CellValue::makeBoolean(true));
  EXPECT_EQ(eval("=NOT(Z1)"), CellValue::makeBoolean(true));
  EXPECT_EQ(eval("=NOT(\"abc\")"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=ISBLANK(Z1)"), CellValue::makeBoolean(true));
  EXPECT_EQ(eval("=ISBLANK(E8)"), CellValue::makeBoolean(false));
  EXPECT_EQ(eval("=ISNUMBER(TRUE)"), CellValue::makeBoolean(false));
  EXPECT_EQ(eval("=ISNUMBER(\"5\")"), CellValue::makeBoolean(false));
  EXPECT_EQ(eval("=ISTEXT(E8)"), CellValue::makeBoolean(true));
  EXPECT_EQ(eval("=ISERROR(#N/A)"), CellValue::makeBoolean(true));
  EXPECT_EQ(eval("=TRUE()"), CellValue::makeBoolean(true));
  EXPECT_EQ(shown("=TEXT(\"abc\",\"0.00\")"), "abc");
  EXPECT_EQ(shown("=TEXT(TRUE,\"0\")"), "TRUE");
  EXPECT_EQ(eval("=TEXT(1/0,\"0\")"), errorValue(CellError::Div0));
  EXPECT_EQ(shown("=TEXT(1234.5,\"General\")"), "1234.5");
}

TEST_F(CalcFunctions, TextFunctions) {
  setText("A1", std::string("a\x01") + "b\x1f");
  EXPECT_EQ(shown("=CLEAN(A1)"), "ab");
  EXPECT_EQ(shown("=TRIM(\"  a   b  \")"), "a b");
  EXPECT_EQ(shown("=PROPER(\"hello wORLD 2-way\")"), "Hello World 2-Way");
  EXPECT_EQ(shown("=REPT(\"ab\",3)"), "ababab");
  EXPECT_EQ(eval("=REPT(\"a\",-1)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=REPT(\"ab\",20000)"), errorValue(CellError::Value));   // longer than a cell holds
  EXPECT_EQ(num("=FIND(\"b\",\"abcb\",3)"), 4);
  EXPECT_EQ(eval("=FIND(\"B\",\"abc\")"), errorValue(CellError::Value));
  EXPECT_EQ(num("=FIND(1,12341)"), 1);
  EXPECT_EQ(num("=SEARCH(\"B\",\"abc\")"), 2);
  EXPECT_EQ(num("=SEARCH(\"c?\",\"abcd\")"), 3);
  EXPECT_EQ(num("=SEARCH(\"~?\",\"ab?\")"), 3);
  EXPECT_EQ(eval("=SEARCH(\"x\",\"abc\")"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=SEARCH(\"a\",\"abc\",5)"), errorValue(CellError::Value));
  EXPECT_EQ(shown("=SUBSTITUTE(\"a-b-c\",\"-\",\"+\")"), "a+b+c");
  EXPECT_EQ(shown("=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)"), "a-b+c");
  EXPECT_EQ(shown("=REPLACE(\"abcdef\",2,3,\"X\")"), "aXef");
  EXPECT_EQ(shown("=REPLACE(\"abc\",9,1,\"X\")"), "abcX");
  EXPECT_EQ(num("=VALUE(\"1e3\")"), 1000);
  EXPECT_EQ(eval("=VALUE(\"abc\")"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=VALUE(#N/A)"), errorValue(CellError::NA));
}

TEST_F(CalcFunctions, NumbersAsTexts) {
  EXPECT_EQ(shown("=FIXED(1234.567)"), "1,234.57");
  EXPECT_EQ(shown("=FIXED(1234.567,-1)"), "1,230");
  EXPECT_EQ(shown("=FIXED(-1234.567,1,TRUE)"), "-1234.6");
  EXPECT_EQ(shown("=FIXED(-0.001)"), "0.00");
  EXPECT_EQ(shown("=DOLLAR(1234.567)"), "$1,234.57");
  EXPECT_EQ(shown("=DOLLAR(-1234.567,1)"), "($1,234.6)");
  EXPECT_EQ(shown("=ROMAN(1999)"), "MCMXCIX");
  EXPECT_EQ(shown("=ROMAN(2024)"), "MMXXIV");
  EXPECT_EQ(shown("=ROMAN(0)"), "");
  const char* forms[] = {"CDXCIX", "LDVLIV", "XDIX", "VDIV", "ID"};
  for (int f = 0; f <= 4; ++f) EXPECT_EQ(shown("=ROMAN(499," + std::to_string(f) + ")"), forms[f]);
  EXPECT_EQ(shown("=ROMAN(499,FALSE)"), "ID");
  EXPECT_EQ(eval("=ROMAN(4000)"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=ROMAN(5,5)"), errorValue(CellError::Value));
}

TEST_F(CalcFunctions, DateSerials) {
  // 44197 is Friday 1 January 2021; 44226 is 30 January, 44255 the 28 February, 44286 the 31 March.
  EXPECT_EQ(num("=WEEKDAY(44197)"), 6);
  EXPECT_EQ(num("=WEEKDAY(44197,2)"), 5);
  EXPECT_EQ(num("=WEEKDAY(44197,3)"), 4);
  EXPECT_EQ(num("=WEEKDAY(44197,16)"), 7);   // weeks from Saturday: Friday is the 7th day
  EXPECT_EQ(num("=WEEKDAY(1)"), 1);          // 1 January 1900 counts as a Sunday
  EXPECT_EQ(eval("=WEEKDAY(44197,4)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=WEEKDAY(-1)"), errorValue(CellError::Num));
  EXPECT_EQ(num("=DAYS360(44226,44255)"), 28);
  EXPECT_EQ(num("=DAYS360(44255,44286)"), 30);       // from the end of February
  EXPECT_EQ(num("=DAYS360(44211,44286)"), 76);       // the 31st stays when the start is before the 30th
  EXPECT_EQ(num("=DAYS360(44226,44286,TRUE)"), 60);
  EXPECT_EQ(num("=DAYS360(59,61)"), 3);              // 28 February 1900 is not its month's last day
  EXPECT_EQ(num("=DAYS360(60,61)"), 1);              // the counted 29 February 1900 is
}
