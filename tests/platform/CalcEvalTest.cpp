// Evaluation semantics: error propagation, coercion of texts and booleans,
// comparisons across types, concatenation, references on other sheets and
// defined names in workbook and sheet scope.
#include "CalcTestUtil.h"

using CalcEval = CalcFixture;

TEST_F(CalcEval, LeftOperandsErrorWins) {
  EXPECT_EQ(eval("=#N/A+1/0"), errorValue(CellError::NA));
  EXPECT_EQ(eval("=1/0+#N/A"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=#N/A&\"x\""), errorValue(CellError::NA));
  EXPECT_EQ(eval("=#N/A=#N/A"), errorValue(CellError::NA));
  EXPECT_EQ(eval("=1/0>1"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=\"abc\"+1"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=1E+300*1E+10"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=NOSUCHFUNCTION(1)"), errorValue(CellError::Name));
  EXPECT_EQ(eval("=NoSuchName+1"), errorValue(CellError::Name));
  EXPECT_EQ(eval("=Nowhere!A1"), errorValue(CellError::Ref));
}

TEST_F(CalcEval, PowersFollowTheHost) {
  EXPECT_EQ(eval("=0^0"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=0^-1"), errorValue(CellError::Div0));
  EXPECT_EQ(eval("=(-8)^(1/3)"), errorValue(CellError::Num));
  EXPECT_EQ(num("=(-2)^3"), -8);
  EXPECT_EQ(eval("=POWER(0,-1)"), errorValue(CellError::Div0));
}

TEST_F(CalcEval, CoercionOfTextsAndBooleans) {
  setText("A1", "3");
  setText("A2", "");
  EXPECT_EQ(num("=\"3\"+4"), 7);
  EXPECT_EQ(num("=-\"3\""), -3);
  EXPECT_EQ(num("=\"1e3\"+0"), 1000);
  EXPECT_EQ(num("=\" 3\"+1"), 4);
  EXPECT_EQ(num("=\"50%\"+0"), 0.5);
  EXPECT_EQ(num("=A1+1"), 4);
  EXPECT_EQ(eval("=A2+1"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=\"\"+1"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=\"TRUE\"+0"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=\"0x10\"+0"), errorValue(CellError::Value));
  EXPECT_EQ(eval("=\"inf\"+0"), errorValue(CellError::Value));
  EXPECT_EQ(num("=TRUE+1"), 2);
  EXPECT_EQ(num("=Z99+1"), 1);             // empty cell is 0
  EXPECT_EQ(shown("=-FALSE"), "0");
}

TEST_F(CalcEval, ComparisonsAcrossTypes) {
  EXPECT_EQ(shown("=\"abc\"<\"abd\""), "TRUE");
  EXPECT_EQ(shown("=\"a\"=\"A\""), "TRUE");
  EXPECT_EQ(shown("=\"B\">\"a\""), "TRUE");
  EXPECT_EQ(shown("=1<\"a\""), "TRUE");     // numbers < texts < booleans
  EXPECT_EQ(shown("=\"a\"<TRUE"), "TRUE");
  EXPECT_EQ(shown("=TRUE>1"), "TRUE");
  EXPECT_EQ(shown("=TRUE=1"), "FALSE");
  EXPECT_EQ(shown("=FALSE<TRUE"), "TRUE");
  EXPECT_EQ(shown("=Z1=0"), "TRUE");        // an empty cell equals 0, "" and FALSE
  EXPECT_EQ(shown("=Z1=\"\""), "TRUE");
  EXPECT_EQ(shown("=Z1=FALSE"), "TRUE");
  EXPECT_EQ(shown("=Z1=Z2"), "TRUE");
  EXPECT_EQ(shown("=Z1<1"), "TRUE");
  EXPECT_EQ(shown("=2<>2"), "FALSE");
  EXPECT_EQ(shown("=3>=3"), "TRUE");
  EXPECT_EQ(shown("=3<=2"), "FALSE");
}

TEST_F(CalcEval, Concatenation) {
  setNum("A1", 0.25);
  EXPECT_EQ(shown("=\"a\"&\"b\""), "ab");
  EXPECT_EQ(shown("=1&2"), "12");
  EXPECT_EQ(shown("=A1&\"%\""), "0.25%");
  EXPECT_EQ(shown("=1/3&\"\""), "0.333333333333333");
  EXPECT_EQ(shown("=Z1&\"x\""), "x");
  EXPECT_EQ(shown("=TRUE&\"\""), "TRUE");
  EXPECT_EQ(shown("=\"n=\"&A1*2"), "n=0.5");
}

TEST_F(CalcEval, ReferencesToOtherSheets) {
  Sheet* other = Wb_addSheet(wb, "Bob's Data");
  Sheet* third = Wb_addSheet(wb, "Other Sheet");
  Wb_setValue(wb, other, 0, 0, CellValue::makeNumber(5));
  Wb_setValue(wb, other, 1, 0, CellValue::makeNumber(7));
  Wb_setValue(wb, third, 2, 2, CellValue::makeNumber(11));
  EXPECT_EQ(num("='Bob''s Data'!A1+1"), 6);
  EXPECT_EQ(num("=SUM('Bob''s Data'!A1:A2)"), 12);
  EXPECT_EQ(num("=SUM('Bob''s Data'!A2:A1)"), 12);   // corners in any order
  EXPECT_EQ(num("='Other Sheet'!$C$3*2"), 22);
  EXPECT_EQ(num("='other sheet'!C3"), 11);           // sheet names ignore case
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
  EXPECT_EQ(num("=Factor"), 2);
  EXPECT_EQ(eval("=Factor", 1), CellValue::makeNumber(3));   // the sheet's own name hides the workbook's
  EXPECT_EQ(eval("=Seed*Factor", 1), CellValue::makeNumber(4.5));
  EXPECT_EQ(num("=SUM(Both)*(1+Rate)"), 3.5 * 1.05);
  EXPECT_EQ(num("=Twice"), 3);
  EXPECT_EQ(eval("=Loop"), errorValue(CellError::Name));
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
  EXPECT_EQ(num("=SUM(ABS({-1,2,-3}))"), 6);
  // Blocks too large to hold are errors, not failed allocations.
  EXPECT_EQ(eval("=SUM(A1:A1000000*A1:XFD1)"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=SUM(MMULT(A1:A1000000,A1:XFD1))"), errorValue(CellError::Num));
  EXPECT_EQ(eval("=SUM(A1:XFD1048576)"), errorValue(CellError::Ref));
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
  EXPECT_EQ(num("=dottwice(A1:A2)+1"), 11);
  EXPECT_EQ(num("=_xll.DOTTWICE({1,1})"), 4);
  formula("B1", "=DOTTWICE(A1:A2*1)");   // arguments arrive whole, also in a plain formula
  Calc_recalculate(wb);
  EXPECT_EQ(value("B1"), CellValue::makeNumber(10));
  Calc_registerFunction("BROKEN", [](const std::vector<CalcArray>&) { return CalcArray{2, 2, {}}; });
  EXPECT_EQ(eval("=BROKEN()"), errorValue(CellError::Value));
}
