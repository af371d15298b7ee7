// Worksheet functions against hand-computed values, for the cases the shared
// calc workbooks (recalculated by the saving tests) do not reach: rounding
// and math domains, typed arguments and empty ranges, criteria, lookups,
// logic and information, text, numbers as texts and date serials.
#include "CalcTestUtil.h"

using CalcFunctions = CalcFixture;

TEST_F(CalcFunctions, RoundingAndMathDomains) {
  expectValues({
      {"=ROUND(49,-2)", "0"}, {"=ROUND(50,-2)", "100"}, {"=ROUNDUP(0.001,-2)", "100"},
      {"=SQRT(-1)", "#NUM!"}, {"=LN(0)", "#NUM!"}, {"=LN(-1)", "#NUM!"}, {"=LOG(0)", "#NUM!"},
      {"=LOG(10,1)", "#DIV/0!"}, {"=ATAN2(0,0)", "#DIV/0!"}, {"=0^0", "#NUM!"}, {"=0^-1", "#DIV/0!"},
      {"=(-8)^(1/3)", "#NUM!"}, {"=POWER(0,-1)", "#DIV/0!"},
      {"=SIN()", "#VALUE!"},  // wrong argument count
  });
}

TEST_F(CalcFunctions, AggregatesCriteriaAndProducts) {
  // G2:G4: 1, 5.5, "abc"; H2:H4: 5, 5, 3; J2:J4: "a", "B", "ab"; Z empty.
  setNum("G2", 1);
  setNum("G3", 5.5);
  setText("G4", "abc");
  for (const char* a1 : {"H2", "H3"}) setNum(a1, 5);
  setNum("H4", 3);
  setText("J2", "a");
  setText("J3", "B");
  setText("J4", "ab");
  expectValues({
      {"=SUM(\"3\",2)", "5"}, {"=PRODUCT(G2:G3,\"2\")", "11"}, {"=PRODUCT(Z1:Z3)", "0"}, {"=MAX(\"7\",3)", "7"},
      {"=MAX(Z1:Z3)", "0"}, {"=AVERAGE(\"4\",2)", "3"}, {"=AVERAGE(Z1:Z3)", "#DIV/0!"},
      {"=COUNTIF(G2:G4,\"ABC\")", "1"}, {"=COUNTIF(H2:H4,\">\"&H4)", "2"}, {"=COUNTIF(J2:J4,\"?\")", "2"},
      {"=COUNTIF(J2:J4,\"a~*\")", "0"},
      {"=SUMIF(J2:J4,\"a*\",H2)", "8"},  // sum range takes the criteria range's shape
      {"=SUMPRODUCT(H2:H4,G2:G4)", "32.5"},   // 5 + 27.5
      {"=SUMPRODUCT(G2:H3,G2:H3)", "81.25"},  // 1 + 25 + 30.25 + 25
  });
}

TEST_F(CalcFunctions, Lookups) {
  const char* fruit[] = {"apple", "banana", "cherry", "date", "elder"};
  for (int i = 0; i < 5; ++i) {
    Wb_setValue(wb, sh, 1 + i, 6, CellValue::makeNumber(10 * (i + 1)));
    Wb_setValue(wb, sh, 1 + i, 7, CellValue::makeText(fruit[i]));
    Wb_setValue(wb, sh, 1 + i, 8, CellValue::makeNumber(i * 0.25));
  }
  expectValues({
      {"=MATCH(\"30\",G2:G6,0)", "#N/A"}, {"=MATCH(1,G2:H6,0)", "#N/A"}, {"=VLOOKUP(30,G2:I6,4,FALSE)", "#REF!"},
      {"=HLOOKUP(2,{1,2,3;4,5,6},2,FALSE)", "5"}, {"=HLOOKUP(2,{1,2,3;4,5,6},3,FALSE)", "#REF!"},
      {"=INDEX(G2:I6,2,3)", "0.25"}, {"=INDEX(H2:H6,6)", "#REF!"}, {"=SUM(INDEX(G2:I6,0,1))", "150"},
      {"=ROW(C7)+COLUMN(D1)", "11"}, {"=ROWS({1,2;3,4;5,6})*COLUMNS(G2:I6)", "9"},
  });
}

TEST_F(CalcFunctions, LogicAndInformation) {
  formula("E8", "=\"\"");
  Calc_recalculate(wb);
  expectValues({
      {"=IF(Z1,1,2)", "2"}, {"=SUM(IFERROR({1,2}/{0,1},10))", "12"}, {"=AND(Z1)", "#VALUE!"},
      {"=OR(Z1,FALSE)", "FALSE"}, {"=NOT(Z1)", "TRUE"}, {"=ISBLANK(Z1)", "TRUE"}, {"=ISNUMBER(TRUE)", "FALSE"},
      {"=ISTEXT(E8)", "TRUE"}, {"=TRUE()", "TRUE"}, {"=TEXT(TRUE,\"0\")", "\"TRUE\""},
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
