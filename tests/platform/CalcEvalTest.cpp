// Formula parsing and evaluation: precedence, literals and array constants,
// clear failures on bad input, error propagation, coercion of texts and
// booleans, comparisons across types, concatenation, references on other
// sheets, defined names in workbook and sheet scope, references and unions
// given back by evaluation, arrays and add-in functions.
#include "CalcTestUtil.h"

using CalcEval = CalcFixture;

TEST_F(CalcEval, OperatorsLiteralsAndTypes) {
  setText("A1", "3");
  setText("A2", "");
  setNum("A3", 0.25);
  expectValues({
      {"=12/3/2", "2"}, {"=--3", "3"}, {"= 1 + 2 * 3 ", "7"},
      {"=1+1&\"x\"", "\"2x\""},  // & below +
      {"=1&2=\"12\"", "TRUE"},    // comparison lowest
      {"=.5", "0.5"}, {"=2.5e-1", "0.25"}, {"=\"say \"\"hi\"\"\"", "\"say \"hi\"\""}, {"=false", "FALSE"},
      {"=#div/0!", "#DIV/0!"}, {"=#NULL!", "#NULL!"},
      {"=#N/A+1/0", "#N/A"},  // the left operand's error wins
      {"=NoSuchName+1", "#NAME?"}, {"=Nowhere!A1", "#REF!"},
      {"=A1+1", "4"}, {"=A2+1", "#VALUE!"}, {"=\"TRUE\"+0", "#VALUE!"}, {"=\"0x10\"+0", "#VALUE!"},
      {"=\"inf\"+0", "#VALUE!"}, {"=-FALSE", "0"},
      {"=Z99+1", "1"},  // empty cell is 0
      {"=\"a\"<TRUE", "TRUE"},  // numbers < texts < booleans
      {"=TRUE>1", "TRUE"}, {"=TRUE=1", "FALSE"},
      {"=Z1=0", "TRUE"},  // an empty cell equals 0, "" and FALSE
      {"=Z1=\"\"", "TRUE"}, {"=Z1=FALSE", "TRUE"}, {"=Z1=Z2", "TRUE"}, {"=Z1<1", "TRUE"},
      {"=A3&\"%\"", "\"0.25%\""}, {"=Z1&\"x\"", "\"x\""}, {"=TRUE&\"\"", "\"TRUE\""},
  });
}

TEST_F(CalcEval, OtherSheetsAndNamesInWorkbookAndSheetScope) {
  Sheet* other = Wb_addSheet(wb, "Other Sheet");
  Wb_setValue(wb, other, 0, 0, CellValue::makeNumber(5));
  Wb_setValue(wb, other, 1, 0, CellValue::makeNumber(7));
  setNum("B2", 1.5);
  setNum("B3", 2);
  Wb_defineName(wb, {"Factor", "2", -1, false});
  Wb_defineName(wb, {"Factor", "3", 1, false});
  Wb_defineName(wb, {"Seed", "S!$B$2", -1, false});
  Wb_defineName(wb, {"Both", "S!$B$2:$B$3", -1, false});
  Wb_defineName(wb, {"Twice", "Seed*2", -1, false});
  Wb_defineName(wb, {"Loop", "Loop+1", -1, false});
  expectValues({
      {"=SUM('Other Sheet'!A2:A1)", "12"},  // corners in any order
      {"='other sheet'!$A$2*2", "14"},       // sheet names ignore case
      {"=Factor", "2"}, {"=Twice", "3"}, {"=Loop", "#NAME?"}, {"=SUM(Both)*Factor", "7"},
  });
  EXPECT_EQ(eval("=Seed*Factor", 1), CellValue::makeNumber(4.5));   // the sheet's own name hides the workbook's
  formula("C1", "=Factor*10", other);
  Calc_recalculate(wb);
  EXPECT_EQ(value("C1", other), CellValue::makeNumber(30));
}

TEST_F(CalcEval, EvaluateGivesReferencesForCellsNamesAndUnions) {
  Sheet* model = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, model, 1, 1, CellValue::makeNumber(9));
  Wb_defineName(wb, {"solver_opt", "Model!$B$2", 1, true});
  Wb_defineName(wb, {"solver_typ", "2", 1, true});
  Wb_defineName(wb, {"solver_adj", "Model!$B$2:$C$2,Model!$E$2", 1, true});
  EXPECT_EQ(evaluated(1, "!solver_opt"), "ref 1!B2:B2 1x1 {9}");
  EXPECT_EQ(evaluated(1, "=!solver_typ"), "1x1 {2}");
  EXPECT_EQ(evaluated(0, "Model!A1:C2"), "ref 1!A1:C2 2x3 {,,,,9,}");
  EXPECT_EQ(evaluated(1, "!solver_adj"), "ref 1!B2:C2,1!E2:E2 1x2 {9,}");
  EXPECT_EQ(evaluated(1, "=A1,S!B2"), "1x1 {#VALUE!}");   // areas on two sheets
  EXPECT_EQ(evaluated(7, "=1"), "<failed>");               // no such sheet
  formula("A1", "=SUM(solver_adj)", model);               // a union is no value in a cell
  formula("A2", "=SUM(solver_adj)");                      // and a name local to Model is unknown here
  Calc_recalculate(wb);
  EXPECT_EQ(value("A1", model), CellValue::makeError(CellError::Value));
  EXPECT_EQ(value("A2"), CellValue::makeError(CellError::Name));
}

TEST_F(CalcEval, ArrayConstantsAndArraysElementByElement) {
  EXPECT_EQ(evaluated(0, "={1,2;3,-4}"), "2x2 {1,2,3,-4}");
  EXPECT_EQ(evaluated(0, "={\"a\",TRUE,#N/A}"), "1x3 {a,TRUE,#N/A}");
  EXPECT_EQ(evaluated(0, "={1,2,3}*{10;20}"), "2x3 {10,20,30,20,40,60}");
  EXPECT_EQ(evaluated(0, "={1,2,3}+{1,2}"), "1x3 {2,4,#N/A}");   // beyond the shorter array
  EXPECT_EQ(evaluated(0, "={1,2}>1"), "1x2 {FALSE,TRUE}");
  // Blocks too large to hold are errors, not failed allocations.
  expectValues({
      {"=SUM(ABS({-1,2,-3}))", "6"}, {"=SUM(A1:A1000000*A1:XFD1)", "#NUM!"}, {"=SUM(MMULT(A1:A1000000,A1:XFD1))", "#NUM!"},
      {"=SUM(A1:XFD1048576)", "#REF!"},
  });
}

TEST_F(CalcEval, AddinFunctionsReceiveValuesAndAreFoundWhenRegisteredLater) {
  setNum("A1", 2);
  setNum("A2", 3);
  formula("B1", "=DOTTWICE(A1:A2*1)");   // arguments arrive whole, also in a plain formula
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeError(CellError::Name));
  Calc_registerFunction("DOTTWICE", [](const std::vector<CalcArray>& args) {
    double s = 0;
    for (const CellValue& v : args[0].values) s += 2 * v.number;
    return CalcArray{1, 1, {CellValue::makeNumber(s)}};
  });
  Calc_registerFunction("BROKEN", [](const std::vector<CalcArray>&) { return CalcArray{2, 2, {}}; });
  expectValues({{"=dottwice(A1:A2)+1", "11"}, {"=_xll.DOTTWICE({1,1})", "4"}, {"=BROKEN()", "#VALUE!"}});
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeNumber(10));
}

TEST_F(CalcEval, BadFormulasFailWithAReason) {
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

TEST_F(CalcEval, DeepNestingIsRefusedNotACrash) {
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

TEST_F(CalcEval, UnparsableCellFormulaGivesAnErrorValue) {
  formula("A1", "=1+*2");
  formula("A2", "=A1+1");
  formula("A3", "=B1+*2");
  Calc_recalculate(wb);
  expectCells({{"A1", "#NAME?"}, {"A2", "#NAME?"}, {"A3", "#NAME?"}});
}
