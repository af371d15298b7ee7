// The callback interface over a user workbook with two sheets (the active
// one is "Model") and the front end's add-in workbook, whose sheet is the
// calling macro's: result codes and the memory of results, coercion, writing
// values, EVALUATE, defined names, recalculation, the selection, TEXT,
// macros, sheet ids and names, reference texts, the break key, the status
// bar, screen updating and cell queries. Every test ends with no result
// memory left unfreed.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlcall.h"
#include "tests/support/SheetCells.h"

namespace {

// Arguments and results point into themselves: they are not copied.
struct NoCopy {
  NoCopy() = default;
  NoCopy(const NoCopy&) = delete;
  NoCopy& operator=(const NoCopy&) = delete;
};

// A text argument (counted, owned by the test).
struct XText : NoCopy {
  explicit XText(const std::string& s) : buf(1, static_cast<char>(s.size())) {
    buf += s;
    x.xltype = xltypeStr;
    x.val.str = buf.data();
  }
  std::string buf;
  XLOPER x;
};

// A reference argument with any number of areas on one sheet.
struct XRef : NoCopy {
  XRef(IDSHEET id, const std::vector<XLREF>& areas)
      : block(sizeof(XLMREF) + areas.size() * sizeof(XLREF)) {
    auto* m = reinterpret_cast<XLMREF*>(block.data());
    m->count = static_cast<std::uint16_t>(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i) m->reftbl[i] = areas[i];
    x.xltype = xltypeRef;
    x.val.mref.lpmref = m;
    x.val.mref.idSheet = id;
  }
  std::vector<char> block;
  XLOPER x;
};

// A result that is given back with xlFree when the test leaves its scope.
struct XResult : NoCopy {
  XResult() { x.xltype = xltypeNil; }
  ~XResult() { Excel4(xlFree, nullptr, 1, &x); }
  XLTYPE type() const { return static_cast<XLTYPE>(x.xltype & ~xlbitXLFree); }
  XLOPER x;
};

inline XLREF xlArea(int row1, int col1, int row2, int col2) {
  return XLREF{std::uint16_t(row1), std::uint16_t(row2), std::uint8_t(col1), std::uint8_t(col2)};
}
inline XLREF xlCell(int row, int col) { return xlArea(row, col, row, col); }

inline XLOPER xlNum(double d) { XLOPER x; x.xltype = xltypeNum; x.val.num = d; return x; }
inline XLOPER xlInt(int w) { XLOPER x; x.xltype = xltypeInt; x.val.w = static_cast<std::int16_t>(w); return x; }
inline XLOPER xlBool(bool b) { XLOPER x; x.xltype = xltypeBool; x.val.xbool = b; return x; }
inline XLOPER xlMissing() { XLOPER x; x.xltype = xltypeMissing; return x; }
inline XLOPER xlArray(XLOPER* elems, int rows, int columns) {
  XLOPER x;
  x.xltype = xltypeMulti;
  x.val.array = {elems, static_cast<std::uint16_t>(rows), static_cast<std::uint16_t>(columns)};
  return x;
}
inline XLOPER xlSRef(int row, int col) {
  XLOPER x;
  x.xltype = xltypeSRef;
  x.val.sref.count = 1;
  x.val.sref.ref = xlCell(row, col);
  return x;
}

// A result as one text: a text as itself, a number as a cell shows it, a
// boolean as TRUE/FALSE, an error as "#<code>", a reference as its sheet and
// areas ("Model!A1:A3,B2"), an array as "{rows x columns}", else "<type N>".
inline std::string describe(const XLOPER& x) {
  switch (x.xltype & ~xlbitXLFree) {
    case xltypeStr: return std::string(x.val.str + 1, static_cast<unsigned char>(x.val.str[0]));
    case xltypeNum: return Calc_displayText(CellValue::makeNumber(x.val.num), "");
    case xltypeInt: return std::to_string(x.val.w);
    case xltypeBool: return x.val.xbool ? "TRUE" : "FALSE";
    case xltypeErr: return "#" + std::to_string(x.val.err);
    case xltypeMulti: return "{" + std::to_string(x.val.array.rows) + "x" + std::to_string(x.val.array.columns) + "}";
    case xltypeRef: {
      Workbook* wb = nullptr;
      int sheet = -1;
      std::string out = Xlc_sheetOfId(x.val.mref.idSheet, &wb, &sheet) ? wb->sheets[sheet]->name + "!" : "?!";
      for (int i = 0; x.val.mref.lpmref && i < x.val.mref.lpmref->count; ++i) {
        const XLREF& a = x.val.mref.lpmref->reftbl[i];
        out += (i ? "," : "") + Wb_a1(a.rwFirst, a.colFirst);
        if (a.rwFirst != a.rwLast || a.colFirst != a.colLast) out += ":" + Wb_a1(a.rwLast, a.colLast);
      }
      return out;
    }
    default: return "<type " + std::to_string(x.xltype) + ">";
  }
}

// How describe shows a failed call and an error value.
inline std::string code(int rc) { return "<code " + std::to_string(rc) + ">"; }
inline std::string err(int e) { return "#" + std::to_string(e); }

// What a call gives (see describe), or "<code N>" when it fails; the result
// is given back.
inline std::string call(int fn, std::vector<XLOPER*> args) {
  XLOPER r;
  r.xltype = xltypeNil;
  int rc = Excel4v(fn, &r, static_cast<int>(args.size()), args.data());
  if (rc != xlretSuccess) return code(rc);
  std::string out = describe(r);
  Excel4(xlFree, nullptr, 1, &r);
  return out;
}

}  // namespace

class XlcallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    Xlc_resetHost();
    addin = Wb_newWorkbook("CORVAN.XLA");
    Wb_addSheet(addin, "Front");
    book = Wb_newWorkbook("Model Book.xlsx");   // the active workbook
    model = Wb_addSheet(book, "Model");
    data = Wb_addSheet(book, "Data Sheet");
    book->activeSheet = 0;
    Xlc_setCallerSheet(addin, 0);
  }
  void TearDown() override {
    EXPECT_EQ(Xlc_liveBlocks(), 0u) << "a result was not given back";
    Xlc_resetHost();
    Wb_resetApp();
  }

  IDSHEET modelId() { return Xlc_sheetId(book, 0); }
  IDSHEET dataId() { return Xlc_sheetId(book, 1); }
  void number(Sheet* sh, const char* a1, double d) { Test_put(book, sh, a1, CellValue::makeNumber(d)); }
  void formula(Sheet* sh, const char* a1, const char* f) { Test_formula(book, sh, a1, f); }
  const CellValue& valueAt(Sheet* sh, const char* a1) { return Test_valueAt(sh, a1); }

  Workbook* addin = nullptr;
  Workbook* book = nullptr;
  Sheet* model = nullptr;
  Sheet* data = nullptr;
};

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
