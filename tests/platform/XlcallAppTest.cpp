// Callback interface over the calculation: EVALUATE of names and formula
// texts, defined names, recalculation in manual mode, the selection and its
// special forms, TEXT, and macros run by name or by reference.
#include <cstdio>

#include "tests/platform/XlcallFixture.h"

namespace {

void sheetName(Workbook* wb, int sheet, const std::string& name, const std::string& def, bool hidden = false) {
  Wb_defineName(wb, DefinedName{name, def, sheet, hidden});
}

std::vector<CellRange> areasOf(const XLOPER& ref) {
  std::vector<CellRange> out;
  for (int i = 0; i < ref.val.mref.lpmref->count; ++i) {
    const XLREF& a = ref.val.mref.lpmref->reftbl[i];
    out.push_back(CellRange{0, static_cast<std::uint16_t>(a.rwFirst), a.colFirst,
                            static_cast<std::uint16_t>(a.rwLast), a.colLast});
  }
  return out;
}

bool sameAreas(const std::vector<CellRange>& a, const std::vector<CellRange>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].row1 != b[i].row1 || a[i].col1 != b[i].col1 || a[i].row2 != b[i].row2 || a[i].col2 != b[i].col2)
      return false;
  return true;
}

}  // namespace

TEST_F(XlcallTest, EvaluateReadsTheActiveSheetsOwnName) {
  sheetName(book, 0, "solver_adj", "Model!$A$1:$A$3,Model!$A$2:$B$2", true);
  sheetName(book, -1, "solver_adj", "Model!$Z$1");
  XText bang("!solver_adj");
  XResult r;
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &bang.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeRef);
  EXPECT_EQ(r.x.val.mref.idSheet, modelId());
  EXPECT_TRUE(sameAreas(areasOf(r.x), {CellRange{0, 0, 0, 2, 0}, CellRange{0, 1, 0, 1, 1}}));
  Excel4(xlFree, nullptr, 1, &r.x);

  book->activeSheet = 1;   // from "Data Sheet" only the workbook's name is seen
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &bang.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeRef);
  EXPECT_EQ(r.x.val.mref.idSheet, modelId());
  EXPECT_TRUE(sameAreas(areasOf(r.x), {CellRange{0, 0, 25, 0, 25}}));
}

TEST_F(XlcallTest, EvaluateReadsNamesOfANamedSheet) {
  sheetName(addin, 0, "msg_trial", "\"Trial\"");
  sheetName(book, 1, "rate", "0.05");
  XLOPER local = xlSRef(0, 0);
  XResult nm, r;
  ASSERT_EQ(Excel4(xlSheetNm, &nm.x, 1, &local), xlretSuccess);
  char text[300];
  std::snprintf(text, sizeof text, "'%s'!%s", nm.text().c_str(), "msg_trial");
  XText frontName(text), rate("'Data Sheet'!rate"), nowhere("'Nowhere'!rate");
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &frontName.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeStr);
  EXPECT_EQ(r.text(), "Trial");
  Excel4(xlFree, nullptr, 1, &r.x);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &rate.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeNum);
  EXPECT_DOUBLE_EQ(r.x.val.num, 0.05);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &nowhere.x), xlretSuccess);
  EXPECT_EQ(r.type(), xltypeErr);
}

TEST_F(XlcallTest, EvaluateFormulaTexts) {
  number(model, "A1", 2);
  number(model, "A2", 5);
  XText product("=A1*3"), range("!A1:A2"), broken("=1+"), tooLong("=A1:A70000"), constant("={1,2;3,4}");
  XResult r;
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &product.x), xlretSuccess);
  EXPECT_DOUBLE_EQ(r.x.val.num, 6);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &range.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeRef);
  EXPECT_TRUE(sameAreas(areasOf(r.x), {CellRange{0, 0, 0, 1, 0}}));
  Excel4(xlFree, nullptr, 1, &r.x);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &broken.x), xlretSuccess);
  EXPECT_EQ(r.type(), xltypeErr);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &tooLong.x), xlretSuccess);   // no 16-bit row holds it
  ASSERT_EQ(r.type(), xltypeErr);
  EXPECT_EQ(r.x.val.err, xlerrRef);
  XText written("!A1:A2,B3"), sum("=SUM(A1,A2)"), mixed("=A1,1");
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &written.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeRef);
  EXPECT_TRUE(sameAreas(areasOf(r.x), {CellRange{0, 0, 0, 1, 0}, CellRange{0, 2, 1, 2, 1}}));
  Excel4(xlFree, nullptr, 1, &r.x);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &sum.x), xlretSuccess);   // commas of a call stay
  EXPECT_DOUBLE_EQ(r.x.val.num, 7);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &mixed.x), xlretSuccess);
  EXPECT_EQ(r.type(), xltypeErr);
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, &constant.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeMulti);
  EXPECT_EQ(r.x.val.array.rows, 2);
  EXPECT_DOUBLE_EQ(r.x.val.array.lparray[2].val.num, 3);
}

TEST_F(XlcallTest, DefineNameThenGetName) {
  XText tim("solver_tim"), bangTim("!solver_tim"), adj("solver_adj"), scen("scen_value1"), rhs("solver_rhs1");
  XText twice("=A1*2"), broken("=1+"), cellName("A1"), undefinedName("!solver_zzz");
  XLOPER hundred = xlNum(100), missing = xlMissing(), hidden = xlBool(true);
  XResult r;
  ASSERT_EQ(Excel4(xlcDefineName, &r.x, 5, &tim.x, &hundred, &missing, &missing, &hidden), xlretSuccess);
  const DefinedName* dn = Wb_findName(book, "solver_tim", 0);
  ASSERT_NE(dn, nullptr);
  EXPECT_EQ(dn->scopeSheet, 0);   // the active sheet's own name
  EXPECT_TRUE(dn->hidden);
  ASSERT_EQ(Excel4(xlfGetName, &r.x, 1, &bangTim.x), xlretSuccess);
  EXPECT_EQ(r.text(), "=100");
  Excel4(xlFree, nullptr, 1, &r.x);

  XRef block(modelId(), {xlArea(0, 0, 1, 1)});
  ASSERT_EQ(Excel4(xlcDefineName, &r.x, 2, &adj.x, &block.x), xlretSuccess);
  XText bangAdj("!solver_adj");
  ASSERT_EQ(Excel4(xlfGetName, &r.x, 1, &bangAdj.x), xlretSuccess);
  EXPECT_EQ(r.text(), "=Model!$A$1:$B$2");
  Excel4(xlFree, nullptr, 1, &r.x);

  XLOPER elems[2] = {xlNum(1), xlNum(2.5)};
  XLOPER arr;
  arr.xltype = xltypeMulti;
  arr.val.array = {elems, 1, 2};
  ASSERT_EQ(Excel4(xlcDefineName, &r.x, 2, &scen.x, &arr), xlretSuccess);
  EXPECT_EQ(Wb_findName(book, "scen_value1", 0)->definition, "{1,2.5}");
  ASSERT_EQ(Excel4(xlcDefineName, &r.x, 2, &rhs.x, &twice.x), xlretSuccess);
  EXPECT_EQ(Wb_findName(book, "solver_rhs1", 0)->definition, "A1*2");

  EXPECT_EQ(Excel4(xlcDefineName, &r.x, 2, &rhs.x, &broken.x), xlretFailed);
  EXPECT_EQ(Excel4(xlcDefineName, &r.x, 2, &cellName.x, &hundred), xlretFailed);
  ASSERT_EQ(Excel4(xlfGetName, &r.x, 1, &undefinedName.x), xlretSuccess);
  EXPECT_EQ(r.type(), xltypeErr);
  EXPECT_EQ(r.x.val.err, xlerrName);
}

TEST_F(XlcallTest, SetAndCalculateNowInManualMode) {
  formula(model, "C1", "=A1+B1");
  formula(model, "D1", "=C1*2");
  Calc_recalculate(book);
  XLOPER manual = xlNum(3), automatic = xlNum(1);
  XResult r;
  ASSERT_EQ(Excel4(xlcCalculation, &r.x, 1, &manual), xlretSuccess);
  XRef ab(modelId(), {xlArea(0, 0, 0, 1)});
  XLOPER elems[2] = {xlNum(2), xlNum(3)};
  XLOPER arr;
  arr.xltype = xltypeMulti;
  arr.val.array = {elems, 1, 2};
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &ab.x, &arr), xlretSuccess);
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(0));   // not yet recalculated
  ASSERT_EQ(Excel4(xlcCalculateNow, &r.x, 0), xlretSuccess);
  EXPECT_EQ(valueAt(model, "C1"), CellValue::makeNumber(5));
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(10));

  ASSERT_EQ(Excel4(xlcCalculation, &r.x, 1, &automatic), xlretSuccess);
  XLOPER four = xlNum(4);
  XRef a1(modelId(), {xlCell(0, 0)});
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &a1.x, &four), xlretSuccess);
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(14));
}

TEST_F(XlcallTest, SelectSpecialFindsPrecedentsDependentsAndArrays) {
  number(model, "A1", 1);
  formula(model, "B1", "=A1*2");
  formula(model, "C1", "=B1+1");
  ASSERT_TRUE(Wb_setArrayFormula(book, model, CellRange{0, 4, 0, 5, 1}, "={1,2;3,4}"));
  Calc_recalculate(book);
  XRef c1(modelId(), {xlCell(0, 2)}), a1(modelId(), {xlCell(0, 0)}), inArray(modelId(), {xlCell(5, 1)});
  XLOPER prec = xlNum(9), dep = xlNum(10), arrayType = xlNum(6), one = xlNum(1), all = xlNum(2);
  XResult r, sel;

  ASSERT_EQ(Excel4(xlcSelect, &r.x, 1, &c1.x), xlretSuccess);
  ASSERT_EQ(Excel4(xlcSelectSpecial, &r.x, 3, &prec, &one, &all), xlretSuccess);
  ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
  auto found = areasOf(sel.x);
  EXPECT_EQ(found.size(), 2u);   // B1 and, two levels up, A1
  EXPECT_TRUE(sameAreas(found, {CellRange{0, 0, 1, 0, 1}, CellRange{0, 0, 0, 0, 0}}) ||
              sameAreas(found, {CellRange{0, 0, 0, 0, 0}, CellRange{0, 0, 1, 0, 1}}));
  Excel4(xlFree, nullptr, 1, &sel.x);

  ASSERT_EQ(Excel4(xlcSelect, &r.x, 1, &c1.x), xlretSuccess);
  ASSERT_EQ(Excel4(xlcSelectSpecial, &r.x, 3, &prec, &one, &one), xlretSuccess);
  ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
  EXPECT_TRUE(sameAreas(areasOf(sel.x), {CellRange{0, 0, 1, 0, 1}}));   // direct only
  Excel4(xlFree, nullptr, 1, &sel.x);

  ASSERT_EQ(Excel4(xlcSelect, &r.x, 1, &a1.x), xlretSuccess);
  EXPECT_EQ(Excel4(xlcSelectSpecial, &r.x, 3, &prec, &one, &all), xlretFailed);   // a constant
  ASSERT_EQ(Excel4(xlcSelectSpecial, &r.x, 3, &dep, &one, &all), xlretSuccess);
  ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
  EXPECT_EQ(areasOf(sel.x).size(), 2u);   // B1 and C1
  Excel4(xlFree, nullptr, 1, &sel.x);

  ASSERT_EQ(Excel4(xlcSelect, &r.x, 1, &inArray.x), xlretSuccess);
  ASSERT_EQ(Excel4(xlcSelectSpecial, &r.x, 1, &arrayType), xlretSuccess);
  ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
  EXPECT_TRUE(sameAreas(areasOf(sel.x), {CellRange{0, 4, 0, 5, 1}}));
  Excel4(xlFree, nullptr, 1, &sel.x);
  ASSERT_EQ(Excel4(xlcSelect, &r.x, 1, &c1.x), xlretSuccess);
  EXPECT_EQ(Excel4(xlcSelectSpecial, &r.x, 1, &arrayType), xlretFailed);
  ASSERT_EQ(Excel4(xlfSelection, &sel.x, 0), xlretSuccess);
  EXPECT_TRUE(sameAreas(areasOf(sel.x), {CellRange{0, 0, 2, 0, 2}}));   // left as it was

  XRef onData(dataId(), {xlCell(0, 0)});
  EXPECT_EQ(Excel4(xlcSelect, &r.x, 1, &onData.x), xlretFailed);   // not the active sheet
}

TEST_F(XlcallTest, TextFormatsNumbersAndCells) {
  number(model, "A1", 1234.5);
  XRef a1(modelId(), {xlCell(0, 0)});
  XText general("General"), word("abc");
  XResult r;
  ASSERT_EQ(Excel4(xlfText, &r.x, 2, &a1.x, &general.x), xlretSuccess);   // the cell's value
  ASSERT_EQ(r.type(), xltypeStr);
  EXPECT_EQ(r.text(), "1234.5");
  Excel4(xlFree, nullptr, 1, &r.x);
  ASSERT_EQ(Excel4(xlfText, &r.x, 2, &word.x, &general.x), xlretSuccess);   // a text stays
  ASSERT_EQ(r.type(), xltypeStr);
  EXPECT_EQ(r.text(), "abc");
  Excel4(xlFree, nullptr, 1, &r.x);
  XText percent("0.00%"), thousands("#,##0.00");
  XLOPER half = xlNum(0.5);
  ASSERT_EQ(Excel4(xlfText, &r.x, 2, &half, &percent.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeStr);
  EXPECT_EQ(r.text(), "50.00%");
  Excel4(xlFree, nullptr, 1, &r.x);
  ASSERT_EQ(Excel4(xlfText, &r.x, 2, &a1.x, &thousands.x), xlretSuccess);
  ASSERT_EQ(r.type(), xltypeStr);
  EXPECT_EQ(r.text(), "1,234.50");
  Excel4(xlFree, nullptr, 1, &r.x);
  XLOPER n = xlNum(1);
  EXPECT_EQ(Excel4(xlfText, &r.x, 2, &n, &n), xlretInvXloper);   // the format must be a text
}

TEST_F(XlcallTest, UdfRunsARegisteredMacroByNameOrByItsCell) {
  std::vector<CellValue> seen;
  Xlc_registerMacro("Show", [&seen](const std::vector<CellValue>& args) {
    seen = args;
    return CellValue::makeNumber(args.empty() ? 0 : args[0].number + 1);
  });
  sheetName(addin, 0, "Show", "Front!$A$10");
  XText byName("show"), label("why"), unknown("Nope");
  XLOPER reason = xlNum(3), cell = xlSRef(9, 0);
  XResult r;
  ASSERT_EQ(Excel4(xlUDF, &r.x, 3, &byName.x, &reason, &label.x), xlretSuccess);
  EXPECT_DOUBLE_EQ(r.x.val.num, 4);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], CellValue::makeText("why"));
  ASSERT_EQ(Excel4(xlUDF, &r.x, 2, &cell, &reason), xlretSuccess);
  EXPECT_DOUBLE_EQ(r.x.val.num, 4);
  XRef sameCell(Xlc_sheetId(addin, 0), {xlCell(9, 0)}), otherCell(Xlc_sheetId(addin, 0), {xlCell(8, 0)});
  ASSERT_EQ(Excel4(xlUDF, &r.x, 2, &sameCell.x, &reason), xlretSuccess);
  EXPECT_EQ(Excel4(xlUDF, &r.x, 2, &otherCell.x, &reason), xlretFailed);
  EXPECT_EQ(Excel4(xlUDF, &r.x, 1, &unknown.x), xlretFailed);
}
