// Evaluation semantics: error propagation, coercion of texts and booleans,
// comparisons across types, concatenation, references on other sheets and
// defined names in workbook and sheet scope.
#include "CalcTestUtil.h"

using CalcEval = CalcFixture;

TEST_F(CalcEval, LeftOperandsErrorWins) {
  expectValues({
      {"=#N/A+1/0", "#N/A"}, {"=1/0+#N/A", "#DIV/0!"}, {"=#N/A&\"x\"", "#N/A"}, {"=#N/A=#N/A", "#N/A"},
      {"=1/0>1", "#DIV/0!"}, {"=\"abc\"+1", "#VALUE!"}, {"=1E+300*1E+10", "#NUM!"},
      {"=NOSUCHFUNCTION(1)", "#NAME?"}, {"=NoSuchName+1", "#NAME?"}, {"=Nowhere!A1", "#REF!"},
  });
}

TEST_F(CalcEval, PowersFollowTheHost) {
  expectValues({
      {"=0^0", "#NUM!"}, {"=0^-1", "#DIV/0!"}, {"=(-8)^(1/3)", "#NUM!"}, {"=(-2)^3", "-8"},
      {"=POWER(0,-1)", "#DIV/0!"},
  });
}

TEST_F(CalcEval, CoercionOfTextsAndBooleans) {
  setText("A1", "3");
  setText("A2", "");
  expectValues({
      {"=\"3\"+4", "7"}, {"=-\"3\"", "-3"}, {"=\"1e3\"+0", "1000"}, {"=\" 3\"+1", "4"}, {"=\"50%\"+0", "0.5"},
      {"=A1+1", "4"}, {"=A2+1", "#VALUE!"}, {"=\"\"+1", "#VALUE!"}, {"=\"TRUE\"+0", "#VALUE!"},
      {"=\"0x10\"+0", "#VALUE!"}, {"=\"inf\"+0", "#VALUE!"}, {"=TRUE+1", "2"},
      {"=Z99+1", "1"},  // empty cell is 0
      {"=-FALSE", "0"},
  });
}

TEST_F(CalcEval, ComparisonsAcrossTypes) {
  expectValues({
      {"=\"abc\"<\"abd\"", "TRUE"}, {"=\"a\"=\"A\"", "TRUE"}, {"=\"B\">\"a\"", "TRUE"},
      {"=1<\"a\"", "TRUE"},  // numbers < texts < booleans
      {"=\"a\"<TRUE", "TRUE"}, {"=TRUE>1", "TRUE"}, {"=TRUE=1", "FALSE"}, {"=FALSE<TRUE", "TRUE"},
      {"=Z1=0", "TRUE"},  // an empty cell equals 0, "" and FALSE
      {"=Z1=\"\"", "TRUE"}, {"=Z1=FALSE", "TRUE"}, {"=Z1=Z2", "TRUE"}, {"=Z1<1", "TRUE"}, {"=2<>2", "FALSE"},
      {"=3>=3", "TRUE"}, {"=3<=2", "FALSE"},
  });
}

TEST_F(CalcEval, Concatenation) {
  setNum("A1", 0.25);
  expectValues({
      {"=\"a\"&\"b\"", "\"ab\""}, {"=1&2", "\"12\""}, {"=A1&\"%\"", "\"0.25%\""},
      {"=1/3&\"\"", "\"0.333333333333333\""}, {"=Z1&\"x\"", "\"x\""}, {"=TRUE&\"\"", "\"TRUE\""},
      {"=\"n=\"&A1*2", "\"n=0.5\""},
  });
}

TEST_F(CalcEval, ReferencesToOtherSheets) {
  Sheet* other = Wb_addSheet(wb, "Bob's Data");
  Sheet* third = Wb_addSheet(wb, "Other Sheet");
  Wb_setValue(wb, other, 0, 0, CellValue::makeNumber(5));
  Wb_setValue(wb, other, 1, 0, CellValue::makeNumber(7));
  Wb_setValue(wb, third, 2, 2, CellValue::makeNumber(11));
  expectValues({
      {"='Bob''s Data'!A1+1", "6"}, {"=SUM('Bob''s Data'!A1:A2)", "12"},
      {"=SUM('Bob''s Data'!A2:A1)", "12"},  // corners in any order
      {"='Other Sheet'!$C$3*2", "22"},
      {"='other sheet'!C3", "11"},  // sheet names ignore case
  });
}

TEST_F(CalcEval, NamesInWorkbookAndSheetScope) {
  Sheet* results = Wb_addSheet(wb, "Results");
  setNum("B2", 1.5);
  setNum("B3", 2);
  Wb_defineName(wb, {"Factor", "2", -1, false});
  Wb_defineName(wb, {"Factor", "3", 1, false});
  Wb_defineName(wb, {"Rate", "0.05", -1, false});
  Wb_defineName(wb, {"Seed", "S!$B$2", -1, false});
  Wb_defineName(wb, {"Both", "S!$B$2:$B$3", -1, false});
  Wb_defineName(wb, {"Twice", "Seed*2", -1, false});
  Wb_defineName(wb, {"Loop", "Loop+1", -1, false});
  expectValues({{"=Factor", "2"}, {"=Twice", "3"}, {"=Loop", "#NAME?"}});
  EXPECT_EQ(num("=SUM(Both)*(1+Rate)"), 3.5 * 1.05);
  EXPECT_EQ(eval("=Factor", 1), CellValue::makeNumber(3));   // the sheet's own name hides the workbook's
  EXPECT_EQ(eval("=Seed*Factor", 1), CellValue::makeNumber(4.5));
  formula("A1", "=Factor*10", results);
  Calc_recalculate(wb);
  EXPECT_EQ(value("A1", results), CellValue::makeNumber(30));
}

TEST_F(CalcEval, EvaluateGivesReferencesForCellsAndNames) {
  Sheet* model = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, model, 1, 1, CellValue::makeNumber(9));
  Wb_defineName(wb, {"solver_opt", "Model!$B$2", 1, true});
  Wb_defineName(wb, {"solver_typ", "2", 1, true});
  CalcEvalResult r;
  ASSERT_TRUE(Calc_evaluate(wb, 1, "!solver_opt", &r));
  ASSERT_TRUE(r.isReference);
  ASSERT_EQ(r.areas.size(), 1u);
  EXPECT_EQ(r.areas[0].sheet, 1);
  EXPECT_EQ(r.areas[0].row1, 1);
  EXPECT_EQ(r.areas[0].col1, 1);
  EXPECT_EQ(r.value.values[0], CellValue::makeNumber(9));
  ASSERT_TRUE(Calc_evaluate(wb, 1, "=!solver_typ", &r));
  EXPECT_FALSE(r.isReference);
  EXPECT_EQ(r.value.values[0], CellValue::makeNumber(2));
  ASSERT_TRUE(Calc_evaluate(wb, 0, "Model!A1:C2", &r));
  ASSERT_TRUE(r.isReference);
  EXPECT_EQ(r.value.rows, 2);
  EXPECT_EQ(r.value.cols, 3);
  EXPECT_EQ(r.value.values[4], CellValue::makeNumber(9));
  EXPECT_FALSE(Calc_evaluate(wb, 7, "=1", &r));
}

TEST_F(CalcEval, UnionsOfAreasAreOneReference) {
  Sheet* model = Wb_addSheet(wb, "Model");
  Wb_setValue(wb, model, 3, 1, CellValue::makeNumber(4));
  Wb_defineName(wb, {"solver_adj", "Model!$B$4:$C$4,Model!$E$4", 1, true});
  CalcEvalResult r;
  ASSERT_TRUE(Calc_evaluate(wb, 1, "!solver_adj", &r));
  ASSERT_TRUE(r.isReference);
  ASSERT_EQ(r.areas.size(), 2u);
  EXPECT_EQ(r.areas[0].col2, 2);
  EXPECT_EQ(r.areas[1].col1, 4);
  EXPECT_EQ(r.value.cols, 2);
  EXPECT_EQ(r.value.values[0], CellValue::makeNumber(4));
  ASSERT_TRUE(Calc_evaluate(wb, 1, "=A1,S!B2", &r));      // areas on two sheets
  EXPECT_FALSE(r.isReference);
  EXPECT_EQ(r.value.values[0], errorValue(CellError::Value));
  formula("A1", "=SUM(solver_adj)", model);               // a union is no value in a cell
  formula("A2", "=SUM(solver_adj)");                      // and a name local to Model is unknown here
  Calc_recalculate(wb);
  EXPECT_EQ(value("A1", model), errorValue(CellError::Value));
  EXPECT_EQ(value("A2"), errorValue(CellError::Name));
}

TEST_F(CalcEval, ArraysElementByElement) {
  CalcEvalResult r;
  ASSERT_TRUE(Calc_evaluate(wb, 0, "={1,2,3}*{10;20}", &r));
  ASSERT_EQ(r.value.rows, 2);
  ASSERT_EQ(r.value.cols, 3);
  EXPECT_EQ(r.value.values[5], CellValue::makeNumber(60));
  ASSERT_TRUE(Calc_evaluate(wb, 0, "={1,2,3}+{1,2}", &r));
  EXPECT_EQ(r.value.values[2], errorValue(CellError::NA));   // beyond the shorter array
  ASSERT_TRUE(Calc_evaluate(wb, 0, "={1,2}>1", &r));
  EXPECT_EQ(r.value.values[1], CellValue::makeBoolean(true));
  // Blocks too large to hold are errors, not failed allocations.
  expectValues({
      {"=SUM(ABS({-1,2,-3}))", "6"}, {"=SUM(A1:A1000000*A1:XFD1)", "#NUM!"}, {"=SUM(MMULT(A1:A1000000,A1:XFD1))", "#NUM!"},
      {"=SUM(A1:XFD1048576)", "#REF!"},
  });
}

TEST_F(CalcEval, AddinFunctionsReceiveValues) {
  setNum("A1", 2);
  setNum("A2", 3);
  Calc_registerFunction("DOTTWICE", [](const std::vector<CalcArray>& args) {
    double s = 0;
    for (const CellValue& v : args[0].values) s += 2 * v.number;
    CalcArray out;
    out.values.push_back(CellValue::makeNumber(s));
    return out;
  });
  Calc_registerFunction("BROKEN", [](const std::vector<CalcArray>&) { return CalcArray{2, 2, {}}; });
  expectValues({{"=dottwice(A1:A2)+1", "11"}, {"=_xll.DOTTWICE({1,1})", "4"}, {"=BROKEN()", "#VALUE!"}});
  formula("B1", "=DOTTWICE(A1:A2*1)");   // arguments arrive whole, also in a plain formula
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeNumber(10));
}
