// Worksheet functions against hand-computed values: rounding, math domains,
// aggregates over mixed ranges, criteria, lookups, logic and information.
#include <cmath>

#include "CalcTestUtil.h"

using CalcFunctions = CalcFixture;

TEST_F(CalcFunctions, RoundingAsTheDecimalsRead) {
  expectValues({
      {"=ROUND(2.5,0)", "3"}, {"=ROUND(-2.5,0)", "-3"}, {"=ROUND(1.005,2)", "1.01"},
      {"=ROUND(-1.005,2)", "-1.01"}, {"=ROUND(2.675,2)", "2.68"}, {"=ROUND(0.285,2)", "0.29"},
      {"=ROUND(1234.5678,-2)", "1200"}, {"=ROUND(1250,-2)", "1300"}, {"=ROUND(49,-2)", "0"},
      {"=ROUND(50,-2)", "100"}, {"=ROUND(123.456,1.7)", "123.5"}, {"=ROUND(1/3,10)", "0.3333333333"},
      {"=ROUNDUP(-3.2,0)", "-4"}, {"=ROUNDUP(31415.92654,-2)", "31500"}, {"=ROUNDUP(0.001,-2)", "100"},
      {"=ROUNDDOWN(-3.9,0)", "-3"}, {"=TRUNC(-3.789,1)", "-3.7"}, {"=TRUNC(1234.5,-2)", "1200"},
      {"=INT(-0.5)", "-1"}, {"=MOD(-10,3)", "2"}, {"=MOD(10,-3)", "-2"}, {"=MOD(-1.25,1)", "0.75"},
      {"=MOD(5,0)", "#DIV/0!"}, {"=ROUND(#N/A,1)", "#N/A"}, {"=ABS(\"-2\")", "2"}, {"=SIGN(-3)", "-1"},
  });
}

TEST_F(CalcFunctions, MathDomains) {
  expectValues({
      {"=SQRT(-1)", "#NUM!"}, {"=LN(0)", "#NUM!"}, {"=LN(-1)", "#NUM!"}, {"=LOG(0)", "#NUM!"},
      {"=LOG(10,1)", "#DIV/0!"}, {"=EXP(710)", "#NUM!"}, {"=ASIN(2)", "#NUM!"}, {"=ATAN2(0,0)", "#DIV/0!"},
      {"=SQRT(\"abc\")", "#VALUE!"}, {"=LOG(1000,10)", "3"}, {"=LOG(8,2)", "3"}, {"=LOG10(0.001)", "-3"},
      {"=SIN()", "#VALUE!"},  // wrong argument count
  });
  EXPECT_DOUBLE_EQ(num("=ATAN2(-1,0)"), M_PI);          // x first, then y
  EXPECT_DOUBLE_EQ(num("=ATAN2(1,-1)"), -M_PI / 4);
  EXPECT_DOUBLE_EQ(num("=SIN(PI()/6)"), 0.5);
  EXPECT_DOUBLE_EQ(num("=TANH(0.5)"), std::tanh(0.5));
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
  expectValues({
      {"=SUM(G2:G10)", "4.5"}, {"=SUM(\"3\",2)", "5"}, {"=SUM(TRUE,2)", "3"}, {"=SUM(\"abc\",2)", "#VALUE!"},
      {"=SUM(K2:K4)", "#DIV/0!"}, {"=PRODUCT(G2:G3,\"2\")", "11"}, {"=PRODUCT(Z1:Z3)", "0"},
      {"=SUMSQ(G2:G10)", "51.25"},  // 1 + 30.25 + 16 + 4
      {"=MAX(G2:G10)", "5.5"}, {"=MIN(G2:G10)", "-4"}, {"=MAX(\"7\",3)", "7"}, {"=MAX(Z1:Z3)", "0"},
      {"=AVERAGE(G2:G10)", "0.9"}, {"=AVERAGE(\"4\",2)", "3"}, {"=AVERAGE(Z1:Z3)", "#DIV/0!"},
      {"=COUNT(G2:G10)", "5"}, {"=COUNT(1,\"2\",\"abc\",TRUE)", "3"}, {"=COUNT(K2:K4)", "2"},
      {"=COUNTA(G2:G10)", "8"}, {"=COUNTA(1,\"\",TRUE)", "3"},
  });
}

TEST_F(CalcAggregates, Criteria) {
  expectValues({
      {"=COUNTIF(G2:G10,\">1\")", "2"}, {"=COUNTIF(G2:G10,\"<=0\")", "2"}, {"=COUNTIF(G2:G10,\"ABC\")", "1"},
      {"=COUNTIF(G2:G10,\"a*\")", "2"}, {"=COUNTIF(G2:G10,\"<>abc\")", "8"},
      {"=COUNTIF(G2:G10,\"\")", "2"},  // the blank and the empty text
      {"=COUNTIF(G2:G10,\"<>\")", "8"},  // everything but the blank
      {"=COUNTIF(H2:H10,5)", "2"}, {"=COUNTIF(H2:H10,\">\"&H4)", "2"}, {"=COUNTIF(J2:J4,\"?\")", "2"},
      {"=COUNTIF(J2:J4,\"a~*\")", "0"}, {"=SUMIF(G2:G10,\">0\")", "8.5"}, {"=SUMIF(J2:J4,\"b\",H2:H4)", "5"},
      {"=SUMIF(J2:J4,\"a*\",H2)", "8"},  // sum range takes the criteria range's shape
      {"=SUMIF(J2:J4,\"<>a\",H2:H4)", "8"},
  });
}

TEST_F(CalcAggregates, SumProduct) {
  expectValues({
      {"=SUMPRODUCT(H2:H4,G2:G4)", "32.5"},         // 5 + 27.5
      {"=SUMPRODUCT(G2:H3,G2:H3)", "81.25"},        // 1 + 25 + 30.25 + 25
      {"=SUMPRODUCT({1,2,3},{4,5,6})", "32"}, {"=SUMPRODUCT((J2:J4=\"a\")*H2:H4)", "5"},
      {"=SUMPRODUCT(--(J2:J4<>\"a\"))", "2"}, {"=SUMPRODUCT(H2:H4,H2:H5)", "#VALUE!"},
      {"=SUMPRODUCT(K2:K4,H2:H4)", "#DIV/0!"},
  });
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
  expectValues({
      {"=MATCH(30,G2:G6,0)", "3"}, {"=MATCH(35,G2:G6)", "3"}, {"=MATCH(5,G2:G6,1)", "#N/A"},
      {"=MATCH(\"30\",G2:G6,0)", "#N/A"}, {"=MATCH(\"CH*\",H2:H6,0)", "3"}, {"=MATCH(35,L2:L6,-1)", "2"},
      {"=MATCH(1,G2:H6,0)", "#N/A"}, {"=VLOOKUP(35,G2:I6,2,TRUE)", "\"cherry\""},
      {"=VLOOKUP(30,G2:I6,2.9,FALSE)", "\"cherry\""}, {"=VLOOKUP(35,G2:I6,2,FALSE)", "#N/A"},
      {"=VLOOKUP(30,G2:I6,4,FALSE)", "#REF!"}, {"=VLOOKUP(30,G2:I6,0,FALSE)", "#VALUE!"},
      {"=VLOOKUP(\"ban*\",H2:I6,2,FALSE)", "0.25"}, {"=HLOOKUP(2,{1,2,3;4,5,6},2,FALSE)", "5"},
      {"=HLOOKUP(2,{1,2,3;4,5,6},3,FALSE)", "#REF!"}, {"=INDEX(G2:I6,2,3)", "0.25"},
      {"=INDEX({10,20,30},2)", "20"}, {"=INDEX({1,2;3,4},2,1)", "3"}, {"=INDEX(H2:H6,6)", "#REF!"},
      {"=INDEX(H2:H6,-1)", "#VALUE!"}, {"=SUM(INDEX(G2:I6,0,1))", "150"},
      {"=CHOOSE(2.9,\"a\",\"b\",\"c\")", "\"b\""}, {"=CHOOSE(1,1,1/0)", "1"}, {"=CHOOSE(3,1,2)", "#VALUE!"},
      {"=SUM(CHOOSE(2,G2:G6,L2:L6))", "150"}, {"=ROW(C7)+COLUMN(D1)", "11"},
      {"=ROWS({1,2;3,4;5,6})*COLUMNS(G2:I6)", "9"},
  });
}

TEST_F(CalcFunctions, LogicAndInformation) {
  setNum("E2", 2);
  formula("E8", "=\"\"");
  Calc_recalculate(wb);
  expectValues({
      {"=IF(FALSE,1)", "FALSE"}, {"=IF(FALSE,1,)", "0"}, {"=IF(\"abc\",1,2)", "#VALUE!"},
      {"=IF(#N/A,1,2)", "#N/A"}, {"=IF(TRUE,1,1/0)", "1"}, {"=IF(Z1,1,2)", "2"},
      {"=IFERROR(1/0,\"div\")", "\"div\""}, {"=SUM(IFERROR({1,2}/{0,1},10))", "12"}, {"=AND(Z1)", "#VALUE!"},
      {"=AND(FALSE,#N/A)", "#N/A"}, {"=OR(Z1,FALSE)", "FALSE"}, {"=OR(E2:E8)", "TRUE"}, {"=NOT(Z1)", "TRUE"},
      {"=NOT(\"abc\")", "#VALUE!"}, {"=ISBLANK(Z1)", "TRUE"}, {"=ISBLANK(E8)", "FALSE"},
      {"=ISNUMBER(TRUE)", "FALSE"}, {"=ISNUMBER(\"5\")", "FALSE"}, {"=ISTEXT(E8)", "TRUE"},
      {"=ISERROR(#N/A)", "TRUE"}, {"=TRUE()", "TRUE"}, {"=TEXT(\"abc\",\"0.00\")", "\"abc\""},
      {"=TEXT(TRUE,\"0\")", "\"TRUE\""}, {"=TEXT(1/0,\"0\")", "#DIV/0!"},
      {"=TEXT(1234.5,\"General\")", "\"1234.5\""},
  });
}

TEST_F(CalcFunctions, TextFunctions) {
  setText("A1", std::string("a\x01") + "b\x1f");
  expectValues({
      {"=CLEAN(A1)", "\"ab\""}, {"=TRIM(\"  a   b  \")", "\"a b\""},
      {"=PROPER(\"hello wORLD 2-way\")", "\"Hello World 2-Way\""}, {"=REPT(\"ab\",3)", "\"ababab\""},
      {"=REPT(\"a\",-1)", "#VALUE!"},
      {"=REPT(\"ab\",20000)", "#VALUE!"},  // longer than a cell holds
      {"=FIND(\"b\",\"abcb\",3)", "4"}, {"=FIND(\"B\",\"abc\")", "#VALUE!"}, {"=FIND(1,12341)", "1"},
      {"=SEARCH(\"B\",\"abc\")", "2"}, {"=SEARCH(\"c?\",\"abcd\")", "3"}, {"=SEARCH(\"~?\",\"ab?\")", "3"},
      {"=SEARCH(\"x\",\"abc\")", "#VALUE!"}, {"=SEARCH(\"a\",\"abc\",5)", "#VALUE!"},
      {"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\")", "\"a+b+c\""},
      {"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)", "\"a-b+c\""}, {"=REPLACE(\"abcdef\",2,3,\"X\")", "\"aXef\""},
      {"=REPLACE(\"abc\",9,1,\"X\")", "\"abcX\""}, {"=VALUE(\"1e3\")", "1000"}, {"=VALUE(\"abc\")", "#VALUE!"},
      {"=VALUE(#N/A)", "#N/A"},
  });
}

TEST_F(CalcFunctions, NumbersAsTexts) {
  expectValues({
      {"=FIXED(1234.567)", "\"1,234.57\""}, {"=FIXED(1234.567,-1)", "\"1,230\""},
      {"=FIXED(-1234.567,1,TRUE)", "\"-1234.6\""}, {"=FIXED(-0.001)", "\"0.00\""},
      {"=DOLLAR(1234.567)", "\"$1,234.57\""}, {"=DOLLAR(-1234.567,1)", "\"($1,234.6)\""},
      {"=ROMAN(1999)", "\"MCMXCIX\""}, {"=ROMAN(2024)", "\"MMXXIV\""}, {"=ROMAN(0)", "\"\""},
      {"=ROMAN(499,0)", "\"CDXCIX\""}, {"=ROMAN(499,1)", "\"LDVLIV\""}, {"=ROMAN(499,2)", "\"XDIX\""},
      {"=ROMAN(499,3)", "\"VDIV\""}, {"=ROMAN(499,4)", "\"ID\""}, {"=ROMAN(499,FALSE)", "\"ID\""},
      {"=ROMAN(4000)", "#VALUE!"}, {"=ROMAN(5,5)", "#VALUE!"},
  });
}

TEST_F(CalcFunctions, DateSerials) {
  // 44197 is Friday 1 January 2021; 44226 is 30 January, 44255 the 28 February, 44286 the 31 March.
  expectValues({
      {"=WEEKDAY(44197)", "6"}, {"=WEEKDAY(44197,2)", "5"}, {"=WEEKDAY(44197,3)", "4"},
      {"=WEEKDAY(44197,16)", "7"},  // weeks from Saturday: Friday is the 7th day
      {"=WEEKDAY(1)", "1"},  // 1 January 1900 counts as a Sunday
      {"=WEEKDAY(44197,4)", "#NUM!"}, {"=WEEKDAY(-1)", "#NUM!"}, {"=DAYS360(44226,44255)", "28"},
      {"=DAYS360(44255,44286)", "30"},  // from the end of February
      {"=DAYS360(44211,44286)", "76"},  // the 31st stays when the start is before the 30th
      {"=DAYS360(44226,44286,TRUE)", "60"},
      {"=DAYS360(59,61)", "3"},  // 28 February 1900 is not its month's last day
      {"=DAYS360(60,61)", "1"},  // the counted 29 February 1900 is
  });
}
