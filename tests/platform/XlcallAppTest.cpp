// Callback interface over the calculation: EVALUATE of names and formula
// texts, defined names, recalculation in manual mode, the selection and its
// special forms, TEXT, and macros run by name or by reference.
#include "tests/platform/XlcallFixture.h"

TEST_F(XlcallTest, EvaluateNamesAndFormulaTexts) {
  number(model, "A1", 2);
  number(model, "A2", 5);
  Wb_defineName(book, {"solver_adj", "Model!$A$1:$A$3,Model!$A$2:$B$2", 0, true});
  Wb_defineName(book, {"solver_adj", "Model!$Z$1", -1, false});
  Wb_defineName(addin, {"msg_trial", "\"Trial\"", 0, false});
  Wb_defineName(book, {"rate", "0.05", 1, false});
  const std::pair<const char*, std::string> cases[] = {
      {"!solver_adj", "Model!A1:A3,A2:B2"}, {"'[CORVAN.XLA]Front'!msg_trial", "Trial"},
      {"'Data Sheet'!rate", "0.05"}, {"'Nowhere'!rate", err(xlerrRef)}, {"=A1*3", "6"},
      {"!A1:A2,B3", "Model!A1:A2,B3"},
      {"=SUM(A1,A2)", "7"},   // commas of a call stay
      {"={1,2;3,4}", "{2x2}"}, {"=1+", err(xlerrValue)}, {"=A1,1", err(xlerrValue)},
      {"=A1:A70000", err(xlerrRef)},   // no 16-bit row holds it
  };
  for (const auto& [text, expected] : cases) {
    XText t(text);
    EXPECT_EQ(call(xlfEvaluate, {&t.x}), expected) << text;
  }
  book->activeSheet = 1;   // from "Data Sheet" only the workbook's name is seen
  XText bang("!solver_adj");
  EXPECT_EQ(call(xlfEvaluate, {&bang.x}), "Model!Z1");
}

TEST_F(XlcallTest, DefineNameThenGetName) {
  XText tim("solver_tim"), bangTim("!solver_tim"), adj("solver_adj"), bangAdj("!solver_adj"), scen("scen_value1"),
      rhs("solver_rhs1"), twice("=A1*2"), broken("=1+"), cellName("A1"), undefinedName("!solver_zzz");
  XLOPER hundred = xlNum(100), missing = xlMissing(), hidden = xlBool(true);
  EXPECT_EQ(call(xlcDefineName, {&tim.x, &hundred, &missing, &missing, &hidden}), "TRUE");
  const DefinedName* dn = Wb_findName(book, "solver_tim", 0);
  ASSERT_NE(dn, nullptr);
  EXPECT_EQ(dn->scopeSheet, 0);   // the active sheet's own name
  EXPECT_TRUE(dn->hidden);
  EXPECT_EQ(call(xlfGetName, {&bangTim.x}), "=100");
  XRef block(modelId(), {xlArea(0, 0, 1, 1)});
  call(xlcDefineName, {&adj.x, &block.x});
  EXPECT_EQ(call(xlfGetName, {&bangAdj.x}), "=Model!$A$1:$B$2");
  XLOPER elems[2] = {xlNum(1), xlNum(2.5)}, arr = xlArray(elems, 1, 2);
  call(xlcDefineName, {&scen.x, &arr});
  EXPECT_EQ(Wb_findName(book, "scen_value1", 0)->definition, "{1,2.5}");
  call(xlcDefineName, {&rhs.x, &twice.x});
  EXPECT_EQ(Wb_findName(book, "solver_rhs1", 0)->definition, "A1*2");
  EXPECT_EQ(call(xlcDefineName, {&rhs.x, &broken.x}), code(xlretFailed));
  EXPECT_EQ(call(xlcDefineName, {&cellName.x, &hundred}), code(xlretFailed));
  EXPECT_EQ(call(xlfGetName, {&undefinedName.x}), err(xlerrName));
}

TEST_F(XlcallTest, SetAndCalculateNowInManualMode) {
  formula(model, "C1", "=A1+B1");
  formula(model, "D1", "=C1*2");
  Calc_recalculate(book);
  XLOPER manual = xlNum(3), automatic = xlNum(1), four = xlNum(4), fourteen = xlNum(14);
  XLOPER elems[2] = {xlNum(2), xlNum(3)}, arr = xlArray(elems, 1, 2);
  XRef ab(modelId(), {xlArea(0, 0, 0, 1)}), a1(modelId(), {xlCell(0, 0)});
  call(xlcCalculation, {&manual});
  EXPECT_EQ(call(xlfGetDocument, {&fourteen}), "3");
  call(xlSet, {&ab.x, &arr});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(0));   // not yet recalculated
  call(xlcCalculateNow, {});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(10));
  call(xlcCalculation, {&automatic});
  call(xlSet, {&a1.x, &four});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(14));
  XLOPER bad = xlNum(4);
  EXPECT_EQ(call(xlcCalculation, {&bad}), code(xlretFailed));
  EXPECT_EQ(call(xlfGetDocument, {&fourteen}), "1");
}

TEST_F(XlcallTest, SelectSpecialFindsPrecedentsDependentsAndArrays) {
  number(model, "A1", 1);
  formula(model, "B1", "=A1*2");
  formula(model, "C1", "=B1+1");
  ASSERT_TRUE(Wb_setArrayFormula(book, model, CellRange{0, 4, 0, 5, 1}, "={1,2;3,4}"));
  Calc_recalculate(book);
  XRef c1(modelId(), {xlCell(0, 2)}), a1(modelId(), {xlCell(0, 0)}), inArray(modelId(), {xlCell(5, 1)}),
      onData(dataId(), {xlCell(0, 0)});
  XLOPER prec = xlNum(9), dep = xlNum(10), arrayType = xlNum(6), one = xlNum(1), all = xlNum(2);
  struct Case {
    XLOPER* from;
    std::vector<XLOPER*> special;
    std::string result, selection;
  };
  const Case cases[] = {
      {&c1.x, {&prec, &one, &all}, "TRUE", "Model!A1,B1"},   // and, two levels up, A1
      {&c1.x, {&prec, &one, &one}, "TRUE", "Model!B1"},      // direct only
      {&a1.x, {&prec, &one, &all}, code(xlretFailed), "Model!A1"},   // a constant
      {&a1.x, {&dep, &one, &all}, "TRUE", "Model!B1,C1"},
      {&inArray.x, {&arrayType}, "TRUE", "Model!A5:B6"},
      {&c1.x, {&arrayType}, code(xlretFailed), "Model!C1"},   // left as it was
  };
  for (const Case& c : cases) {
    ASSERT_EQ(call(xlcSelect, {c.from}), "TRUE");
    EXPECT_EQ(call(xlcSelectSpecial, c.special), c.result) << c.selection;
    EXPECT_EQ(call(xlfSelection, {}), c.selection);
  }
  EXPECT_EQ(call(xlcSelect, {&onData.x}), code(xlretFailed));   // not the active sheet
}

TEST_F(XlcallTest, TextFormatsNumbersAndCells) {
  number(model, "A1", 1234.5);
  XRef a1(modelId(), {xlCell(0, 0)});
  XText general("General"), word("abc"), thousands("#,##0.00");
  XLOPER n = xlNum(1);
  EXPECT_EQ(call(xlfText, {&word.x, &general.x}), "abc");    // a text stays
  EXPECT_EQ(call(xlfText, {&a1.x, &thousands.x}), "1,234.50");   // the cell's value
  EXPECT_EQ(call(xlfText, {&n, &n}), code(xlretInvXloper));   // the format must be a text
}

TEST_F(XlcallTest, UdfRunsARegisteredMacroByNameOrByItsCell) {
  std::vector<CellValue> seen;
  Xlc_registerMacro("Show", [&seen](const std::vector<CellValue>& args) {
    seen = args;
    return CellValue::makeNumber(args.empty() ? 0 : args[0].number + 1);
  });
  Wb_defineName(addin, {"Show", "Front!$A$10", 0, false});
  XText byName("show"), label("why"), unknown("Nope");
  XLOPER reason = xlNum(3), cell = xlSRef(9, 0);
  XRef sameCell(Xlc_sheetId(addin, 0), {xlCell(9, 0)}), otherCell(Xlc_sheetId(addin, 0), {xlCell(8, 0)});
  EXPECT_EQ(call(xlUDF, {&byName.x, &reason, &label.x}), "4");
  EXPECT_EQ(seen, (std::vector<CellValue>{CellValue::makeNumber(3), CellValue::makeText("why")}));
  EXPECT_EQ(call(xlUDF, {&cell, &reason}), "4");
  EXPECT_EQ(call(xlUDF, {&sameCell.x, &reason}), "4");
  EXPECT_EQ(call(xlUDF, {&otherCell.x, &reason}), code(xlretFailed));
  EXPECT_EQ(call(xlUDF, {&unknown.x}), code(xlretFailed));
}
