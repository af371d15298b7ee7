// Callback interface: result codes, memory of results, coercion, writing
// values, sheet ids and names, reference texts, the break key, the status
// bar, screen updating and cell queries.
#include <tuple>

#include "tests/platform/XlcallFixture.h"

TEST_F(XlcallTest, WrongCallsGiveTheirResultCodes) {
  XResult r;
  XLOPER n = xlNum(1);
  EXPECT_EQ(Excel4(0x7fff, &r.x, 0), xlretInvXlfn);
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 0), xlretInvCount);
  EXPECT_EQ(Excel4(xlfText, &r.x, 1, &n), xlretInvCount);
  EXPECT_EQ(Excel4(xlFree, &r.x, 31), xlretInvCount);
  EXPECT_EQ(Excel4(xlSet, &r.x, 2, &n, &n), xlretInvXloper);          // a number is no reference
  EXPECT_EQ(Excel4(xlfEvaluate, &r.x, 1, &n), xlretInvXloper);        // EVALUATE wants a text
  EXPECT_EQ(Excel4(xlfReftext, &r.x, 1, static_cast<XLOPER*>(nullptr)), xlretInvXloper);
  XRef unknownSheet(9999, {xlCell(0, 0)});
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 1, &unknownSheet.x), xlretInvXloper);
  XRef backwards(modelId(), {xlArea(3, 0, 1, 0)});
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 1, &backwards.x), xlretInvXloper);
  EXPECT_EQ(r.type(), xltypeNil);
}

TEST_F(XlcallTest, CoercingTextsAndNumbers) {
  XLOPER toNum = xlInt(xltypeNum), toStr = xlInt(xltypeStr), toInt = xlInt(xltypeInt), toBool = xlInt(xltypeBool);
  XText abc("abc"), num(" 12.5 "), pct("25%"), yes("true"), twoSigns("--5");
  XLOPER quarter = xlNum(0.25), big = xlNum(40000), rounded = xlNum(2.6);
  const std::tuple<XLOPER*, XLOPER*, std::string> cases[] = {
      {&abc.x, &toNum, code(xlretInvXloper)}, {&twoSigns.x, &toNum, code(xlretInvXloper)}, {&num.x, &toNum, "12.5"},
      {&pct.x, &toNum, "0.25"}, {&yes.x, &toBool, "TRUE"}, {&quarter, &toStr, "0.25"}, {&rounded, &toInt, "3"},
      {&big, &toInt, code(xlretInvXloper)},   // beyond 16 bits
  };
  for (const auto& [value, type, expected] : cases) {
    SCOPED_TRACE(describe(*value) + " to type " + std::to_string(type->val.w));
    XResult r;
    int rc = Excel4(xlCoerce, &r.x, 2, value, type);
    EXPECT_EQ(rc == xlretSuccess ? describe(r.x) : code(rc), expected);
    if (rc == xlretSuccess) {
      EXPECT_EQ(r.type(), type->val.w);
    }
  }
}

TEST_F(XlcallTest, CoercingAReferenceGivesItsValues) {
  number(model, "A1", 1);
  Wb_setValue(book, model, 0, 1, CellValue::makeText("x"));
  Wb_setValue(book, model, 1, 1, CellValue::makeBoolean(true));
  XRef block(modelId(), {xlArea(0, 0, 1, 1)});   // A1:B2, A2 empty
  XLOPER toMulti = xlInt(xltypeMulti);
  XResult r;
  ASSERT_EQ(Excel4(xlCoerce, &r.x, 2, &block.x, &toMulti), xlretSuccess);
  ASSERT_EQ(describe(r.x), "{2x2}");
  EXPECT_TRUE(r.x.xltype & xlbitXLFree);
  const XLOPER* e = r.x.val.array.lparray;
  EXPECT_EQ((std::vector<std::string>{describe(e[0]), describe(e[1]), describe(e[2]), describe(e[3])}),
            (std::vector<std::string>{"1", "x", "<type 256>", "TRUE"}));   // A2 is empty: nil
  XResult one;
  XRef a1(modelId(), {xlCell(0, 0)});
  ASSERT_EQ(Excel4(xlCoerce, &one.x, 1, &a1.x), xlretSuccess);   // no type: the value itself
  EXPECT_EQ(one.type(), xltypeNum);
  XRef twoAreas(modelId(), {xlCell(0, 0), xlCell(1, 1)});
  EXPECT_EQ(Excel4(xlCoerce, &one.x, 2, &twoAreas.x, &toMulti), xlretInvXloper);
}

TEST_F(XlcallTest, FreeGivesBackEveryResultAndOnlyThose) {
  XResult r;
  XText longText(std::string(255, 'y'));
  Wb_setValue(book, model, 0, 0, CellValue::makeText(std::string(300, 'x')));
  XRef a1(modelId(), {xlCell(0, 0)});
  XLOPER toStr = xlInt(xltypeStr);
  ASSERT_EQ(Excel4(xlCoerce, &r.x, 2, &a1.x, &toStr), xlretSuccess);
  EXPECT_EQ(Xlc_liveBlocks(), 1u);
  EXPECT_EQ(describe(r.x), std::string(255, 'x'));   // a cell text is cut to 255 characters
  EXPECT_EQ(r.x.val.str[256], '\0');
  Excel4(xlFree, nullptr, 1, &r.x);
  EXPECT_EQ(Xlc_liveBlocks(), 0u);
  EXPECT_EQ(r.x.xltype, xltypeNil);
  ASSERT_EQ(Excel4(xlFree, nullptr, 1, &longText.x), xlretSuccess);   // not ours: left alone
  EXPECT_EQ(longText.x.xltype, xltypeStr);
}

TEST_F(XlcallTest, SetWritesOneAreaAndRefusesArrayBlocks) {
  XRef area(modelId(), {xlArea(0, 0, 1, 2)});   // A1:C2
  XLOPER elems[4] = {xlNum(1), xlNum(2), xlNum(3), xlNum(4)}, arr = xlArray(elems, 2, 2), seven = xlNum(7);
  XResult r;
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &area.x, &arr), xlretSuccess);
  EXPECT_EQ(valueAt(model, "B2"), CellValue::makeNumber(4));
  EXPECT_EQ(valueAt(model, "C1"), CellValue::makeError(CellError::NA));   // beyond the array
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &area.x, &seven), xlretSuccess);
  EXPECT_EQ(valueAt(model, "C2"), CellValue::makeNumber(7));
  ASSERT_EQ(Excel4(xlSet, &r.x, 1, &area.x), xlretSuccess);   // no value clears
  EXPECT_EQ(valueAt(model, "A1").kind, CellKind::Empty);
  XRef twoAreas(modelId(), {xlCell(0, 0), xlCell(5, 5)});
  EXPECT_EQ(Excel4(xlSet, &r.x, 2, &twoAreas.x, &seven), xlretInvXloper);
  ASSERT_TRUE(Wb_setArrayFormula(book, model, CellRange{0, 10, 0, 11, 1}, "={1,2;3,4}"));
  XRef cutsBlock(modelId(), {xlArea(11, 1, 12, 1)});
  EXPECT_EQ(Excel4(xlSet, &r.x, 2, &cutsBlock.x, &seven), xlretFailed);
  XLOPER local = xlSRef(2, 3);   // the calling macro's sheet
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &local, &seven), xlretSuccess);
  EXPECT_EQ(Wb_findCell(addin->sheets[0].get(), 2, 3)->value, CellValue::makeNumber(7));
  XRef low(modelId(), {xlCell(40000, 255)});   // a row above 16 bits signed still addresses its cell
  ASSERT_EQ(Excel4(xlSet, &r.x, 2, &low.x, &seven), xlretSuccess);
  EXPECT_EQ(Wb_findCell(model, 40000, 255)->value, CellValue::makeNumber(7));
  EXPECT_EQ(call(xlCoerce, {&low.x}), "7");
}

TEST_F(XlcallTest, SheetIdsNamesAndReferenceTexts) {
  XText full("[corvan.xla]Front"), quoted("'Data Sheet'"), none("Nowhere");
  EXPECT_EQ(call(xlSheetId, {}), "Model!");   // the active sheet, no areas
  EXPECT_EQ(call(xlSheetId, {&full.x}), "Front!");
  EXPECT_EQ(call(xlSheetId, {&quoted.x}), "Data Sheet!");
  EXPECT_EQ(call(xlSheetId, {&none.x}), code(xlretInvXloper));
  XLOPER local = xlSRef(0, 0), a1 = xlBool(true), r1c1 = xlBool(false);
  XRef b3(dataId(), {xlCell(2, 1)});
  EXPECT_EQ(call(xlSheetNm, {&local}), "[CORVAN.XLA]Front");   // the calling macro's sheet
  EXPECT_EQ(call(xlSheetNm, {&b3.x}), "[Model Book.xlsx]Data Sheet");
  EXPECT_EQ(call(xlfReftext, {&b3.x, &a1}), "'[Model Book.xlsx]Data Sheet'!$B$3");
  EXPECT_EQ(call(xlfReftext, {&b3.x, &r1c1}), "'[Model Book.xlsx]Data Sheet'!R3C2");
  XRef range(Xlc_sheetId(addin, 0), {xlArea(4, 5, 4, 27), xlCell(0, 0)});
  EXPECT_EQ(call(xlfReftext, {&range.x, &a1}), "[CORVAN.XLA]Front!$F$5:$AB$5,[CORVAN.XLA]Front!$A$1");
  EXPECT_EQ(call(xlfReftext, {&range.x}), "[CORVAN.XLA]Front!R5C6:R5C28,[CORVAN.XLA]Front!R1C1");   // R1C1 unless asked
  Wb_closeWorkbook(addin);
  EXPECT_EQ(call(xlSheetNm, {&range.x}), code(xlretInvXloper));   // its book was closed
}

TEST_F(XlcallTest, BreakKeyStatusBarAndScreenUpdating) {
  XLOPER on = xlBool(true), off = xlBool(false), forty = xlNum(40), n = xlNum(1);
  EXPECT_EQ(call(xlAbort, {}), "FALSE");
  Xlc_pressBreak();
  EXPECT_EQ(call(xlAbort, {}), "TRUE");
  EXPECT_EQ(call(xlAbort, {&off}), "TRUE");   // still pending until cleared
  EXPECT_EQ(call(xlAbort, {}), "FALSE");
  XText first("Setting up 10%"), second("Trial 5  Value 3.25");
  EXPECT_EQ(call(xlcMessage, {&on, &first.x}), "TRUE");
  call(xlcMessage, {&on, &second.x});
  EXPECT_EQ(Wb_app().statusBar, "Trial 5  Value 3.25");
  call(xlcMessage, {&off});
  EXPECT_EQ(Wb_app().statusBar, "");
  EXPECT_EQ(Wb_app().statusHistory, (std::vector<std::string>{"Setting up 10%", "Trial 5  Value 3.25"}));
  EXPECT_EQ(call(xlcMessage, {&on, &n}), code(xlretInvXloper));
  call(xlcEcho, {&off});
  EXPECT_EQ(call(xlfGetWorkspace, {&forty}), "FALSE");
  call(xlcEcho, {});   // toggles back on
  EXPECT_TRUE(Wb_app().screenUpdating);
}

TEST_F(XlcallTest, ValueIsblankAndCellQueries) {
  number(model, "A1", 0);
  Wb_cellAt(book, model, 0, 0)->numberFormat = "0.00%";
  formula(model, "D5", "=SUMPRODUCT($A$1:$C$1,A2:C2)+'Data Sheet'!B$3*LOG10(D5)&\"A1\"");
  XText five("5"), word("five");
  XRef a1(modelId(), {xlCell(0, 0)}), a2(modelId(), {xlCell(1, 0)}), b1(modelId(), {xlCell(0, 1)}),
      d5(modelId(), {xlCell(4, 3)});
  XLOPER missing = xlMissing(), seven = xlNum(7);
  EXPECT_EQ(call(xlfValue, {&five.x}), "5");
  EXPECT_EQ(call(xlfValue, {&word.x}), err(xlerrValue));
  EXPECT_EQ(call(xlfIsblank, {&a1.x}), "FALSE");
  EXPECT_EQ(call(xlfIsblank, {&a2.x}), "TRUE");
  EXPECT_EQ(call(xlfIsblank, {&missing}), "TRUE");
  EXPECT_EQ(call(xlfGetCell, {&seven, &a1.x}), "0.00%");
  EXPECT_EQ(call(xlfGetCell, {&seven, &b1.x}), "General");
  EXPECT_EQ(call(xlfGetFormula, {&d5.x}),
            "=SUMPRODUCT(R1C1:R1C3,R[-3]C[-3]:R[-3]C[-1])+'Data Sheet'!R3C[-2]*LOG10(RC)&\"A1\"");
  number(model, "B1", 1.5);
  EXPECT_EQ(call(xlfGetFormula, {&b1.x}), "1.5");
}
