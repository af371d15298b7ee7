// Texts of references and values, and the selection-based queries, against
// the stand-in application.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "excel/Area_Areas.h"
#include "excel/Xl_Queries.h"
#include "excel/Xl_Value.h"
#include "tests/excel/ModelFixture.h"
#include "tests/excel/TestRefs.h"

using XlQueries = ModelFixture;

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

XlOwned textValue(const char* text) { return XlOwned(Xl_newText(text, std::strlen(text))); }

}  // namespace

TEST_F(XlQueries, ReferenceAndSheetTexts) {
  TestRef ref({"B2:C3"}, sheetId());
  std::string text;
  ASSERT_TRUE(Xl_refText(ref.get(), 0, &text));
  EXPECT_TRUE(endsWith(text, "$B$2:$C$3")) << text;
  ASSERT_TRUE(Xl_refText(ref.get(), 1, &text));
  EXPECT_TRUE(endsWith(text, "R2C2:R3C3")) << text;
  ASSERT_TRUE(Xl_cellRefText(sheetId(), 4, 0, 1, &text));
  EXPECT_TRUE(endsWith(text, "R5C1")) << text;
  ASSERT_TRUE(Xl_activeCellRefText(0, 2, 0, &text));
  EXPECT_TRUE(endsWith(text, "$C$1")) << text;
  ASSERT_TRUE(Xl_elementText(ref.get(), 3, &text));
  EXPECT_EQ(text, "R3C3");
  EXPECT_FALSE(Xl_elementText(ref.get(), 4, &text));
  EXPECT_EQ(Xl_activeSheetId(), sheetId());
  ASSERT_TRUE(Xl_sheetNameOfRef(ref.get(), &text));
  EXPECT_TRUE(endsWith(text, "Model")) << text;
  ASSERT_TRUE(Xl_activeSheetName(&text));
  EXPECT_TRUE(endsWith(text, "Model")) << text;
}

TEST_F(XlQueries, NumberAndFormulaTexts) {
  std::string text;
  ASSERT_TRUE(Xl_numberToText(2.5, &text));
  EXPECT_EQ(text, "2.5");
  EXPECT_EQ(Xl_substring("abc", 1), "bc");
  EXPECT_EQ(Xl_substring("abc", 3), "");
  name("solver_x", "Model!$A$1*3");
  // "=..." gives the rest, a name its definition, any other text itself.
  const std::pair<const char*, const char*> cases[] = {
      {"=SUM(A1)", "SUM(A1)"}, {"!solver_x", "Model!$A$1*3"}, {"abc", "abc"}};
  for (const auto& [value, expected] : cases) {
    ASSERT_TRUE(Xl_formulaTextOf(textValue(value).get(), &text)) << value;
    EXPECT_EQ(text, expected);
  }
  EXPECT_FALSE(Xl_formulaTextOf(textValue("").get(), &text));
}

TEST_F(XlQueries, FormulasAndNumberFormats) {
  number("A1", 5);
  formula("D1", "=A1*2");
  Wb_cellAt(wb, sheet, 0, 0)->numberFormat = "0.00";
  std::string text;
  TestRef d1({"D1"}, sheetId()), a1({"A1"}, sheetId()), empty({"H8"}, sheetId());
  ASSERT_TRUE(Xl_cellFormula(d1.get(), &text));
  EXPECT_EQ(text.substr(0, 1), "=");
  ASSERT_TRUE(Xl_cellFormula(a1.get(), &text));
  EXPECT_EQ(text, "5");
  EXPECT_FALSE(Xl_cellFormula(empty.get(), &text));
  ASSERT_TRUE(Xl_cellNumberFormat(a1.get(), &text));
  EXPECT_EQ(text, "0.00");
  ASSERT_TRUE(Xl_cellNumberFormat(d1.get(), &text));
  EXPECT_EQ(text, "General");
}

TEST_F(XlQueries, PrecedentsReachEveryLevel) {
  formula("C1", "=E1");
  formula("B1", "=C1+1");
  formula("D1", "=A1*2+B1");
  Wb_app().selection = {CellRange{0, 9, 9, 9, 9}};
  bool previous = false;
  ASSERT_TRUE(Xl_setEcho(false, &previous));             // screen updating off, as during a run
  EXPECT_TRUE(previous);
  TestRef d1({"D1"}, sheetId()), a1({"A1"}, sheetId());
  XLOPER* precedents = nullptr;
  ASSERT_TRUE(Xl_getPrecedents(d1.get(), &precedents));
  ASSERT_NE(precedents, nullptr);
  for (const char* cell : {"A1", "B1", "C1", "E1"}) {
    XLREF area = testArea(cell);
    EXPECT_TRUE(Area_containsCell(precedents, area.rwFirst, area.colFirst)) << cell;
  }
  EXPECT_FALSE(Area_containsCell(precedents, 0, 3));     // not D1 itself
  Xl_freeValue(precedents);
  ASSERT_TRUE(Xl_getPrecedents(a1.get(), &precedents));  // a constant: none, but success
  EXPECT_EQ(precedents, nullptr);
  // The selection and screen updating are as they were.
  ASSERT_EQ(Wb_app().selection.size(), 1u);
  EXPECT_EQ(Wb_app().selection[0].row1, 9);
  EXPECT_FALSE(Wb_app().screenUpdating);
  EXPECT_FALSE(Xl_selectRelated(3, d1.get(), &precedents));
}

TEST_F(XlQueries, CurrentArrayAndPosition) {
  ASSERT_TRUE(Wb_setArrayFormula(wb, sheet, CellRange{0, 0, 4, 1, 5}, "=A1:B2"));   // E1:F2
  TestRef f2({"F2"}, sheetId()), a9({"A9"}, sheetId());
  XLOPER* array = nullptr;
  int index = -1;
  ASSERT_TRUE(Xl_getArrayPosition(f2.get(), &array, &index));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(testAreasText(array), "E1:F2");
  EXPECT_EQ(index, 3);
  Xl_freeValue(array);
  ASSERT_TRUE(Xl_getArrayPosition(a9.get(), &array, &index));
  EXPECT_EQ(array, nullptr);
}
