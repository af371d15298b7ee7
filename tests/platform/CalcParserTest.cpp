// Formula parsing: operator precedence and associativity, literals, array
// constants, references with sheets, and clear failures on bad input.
#include "CalcTestUtil.h"

using CalcParser = CalcFixture;

TEST_F(CalcParser, PrecedenceLiteralsAndArrayConstants) {
  expectValues({
      {"=12/3/2", "2"}, {"=--3", "3"}, {"= 1 + 2 * 3 ", "7"},
      {"=1+1&\"x\"", "\"2x\""},  // & below +
      {"=1&2=\"12\"", "TRUE"},    // comparison lowest
      {"=.5", "0.5"}, {"=2.5e-1", "0.25"}, {"=\"say \"\"hi\"\"\"", "\"say \"hi\"\""}, {"=false", "FALSE"},
      {"=#div/0!", "#DIV/0!"}, {"=#NULL!", "#NULL!"},
  });
  EXPECT_EQ(evaluated(0, "={1,2;3,-4}"), "2x2 {1,2,3,-4}");
  EXPECT_EQ(evaluated(0, "={\"a\",TRUE,#N/A}"), "1x3 {a,TRUE,#N/A}");
}

TEST_F(CalcParser, BadFormulasFailWithAReason) {
  struct Case { const char* text; const char* says; };
  const Case cases[] = {
    {"=1+", "unexpected end"}, {"=(1+2", "missing )"}, {"=\"abc", "missing closing quote"},
    {"=1 2", "unexpected character"}, {"={1,2;3}", "rows differ"}, {"=SUM(1;2)", "expected , or )"},
    {"=#BAD!", "unknown error"}, {"=A1:", "cell reference expected"}, {"='Sheet A1", "missing closing quote"},
    {"=", "empty formula"}, {"=1e", "exponent expected"}, {"=$X$Y", "bad reference"}, {"=1e999", "too large"}, {"=@1", "unexpected character"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Calc_checkFormula(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
    EXPECT_NE(error.find("position"), std::string::npos) << error;
    CalcEvalResult r;
    EXPECT_FALSE(Calc_evaluate(wb, 0, c.text, &r)) << c.text;
  }
  std::string error;
  EXPECT_TRUE(Calc_checkFormula("=SUM('Bob''s Data'!A1:B2, Other!$C$3, _xlfn.FOO(1,,2))", &error)) << error;
}

TEST_F(CalcParser, DeepNestingIsRefusedNotACrash) {
  std::string deep(5000, '(');
  deep = "=" + deep + "1" + std::string(5000, ')');
  std::string error;
  EXPECT_FALSE(Calc_checkFormula(deep, &error));
  std::string longChain = "=1";
  for (int i = 0; i < 3000; ++i) longChain += "+1";
  EXPECT_FALSE(Calc_checkFormula(longChain, &error));
  EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
  std::string minus = "=" + std::string(300, '-') + "1";
  EXPECT_FALSE(Calc_checkFormula(minus, &error));
}

TEST_F(CalcParser, UnparsableCellFormulaGivesAnErrorValue) {
  formula("A1", "=1+*2");
  formula("A2", "=A1+1");
  formula("A3", "=B1+*2");
  Calc_recalculate(wb);
  expectCells({{"A1", "#NAME?"}, {"A2", "#NAME?"}, {"A3", "#NAME?"}});
}
