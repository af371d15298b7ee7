// The callback interface over a user workbook ("Model" active) and the
// front end's add-in, whose sheet is the calling macro's. Every test ends
// with no result memory left unfreed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlcall.h"
#include "tests/support/SheetCells.h"

namespace {

// A result that is given back with xlFree when the test leaves its scope.
struct XResult {
  XResult() { x.xltype = xltypeNil; }
  XResult(const XResult&) = delete;
  XResult& operator=(const XResult&) = delete;
  ~XResult() { Excel4(xlFree, nullptr, 1, &x); }
  XLTYPE type() const { return static_cast<XLTYPE>(x.xltype & ~xlbitXLFree); }
  XLOPER x;
};

XLOPER xlNum(double d) { XLOPER x; x.xltype = xltypeNum; x.val.num = d; return x; }
XLOPER xlInt(int w) { XLOPER x; x.xltype = xltypeInt; x.val.w = static_cast<std::int16_t>(w); return x; }
XLOPER xlBool(bool b) { XLOPER x; x.xltype = xltypeBool; x.val.xbool = b; return x; }
XLOPER xlMissing() { XLOPER x; x.xltype = xltypeMissing; return x; }
XLOPER xlArray(XLOPER* elems, int rows, int columns) {
  XLOPER x;
  x.xltype = xltypeMulti;
  x.val.array = {elems, static_cast<std::uint16_t>(rows), static_cast<std::uint16_t>(columns)};
  return x;
}
XLOPER xlSRef(int row, int col) {
  XLOPER x;
  x.xltype = xltypeSRef;
  x.val.sref.count = 1;
  x.val.sref.ref = XLREF{std::uint16_t(row), std::uint16_t(row), std::uint8_t(col), std::uint8_t(col)};
  return x;
}

// A result as one text: a text as itself, a number as a cell shows it, a
// boolean as TRUE/FALSE, an error as "#<code>", a reference as its sheet and
// areas ("Model!A1:A3,B2"), an array as "{rows x columns}", else "<type N>".
std::string describe(const XLOPER& x) {
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
std::string code(int rc) { return "<code " + std::to_string(rc) + ">"; }
std::string err(int e) { return "#" + std::to_string(e); }

// What a call gives (see describe), or "<code N>" when it fails; the result
// is given back.
std::string call(int fn, std::vector<XLOPER*> args) {
  XResult r;
  int rc = Excel4v(fn, &r.x, static_cast<int>(args.size()), args.data());
  return rc == xlretSuccess ? describe(r.x) : code(rc);
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

  // Arguments that live until the test ends: a counted text, a number, a
  // boolean, and a reference to A1 areas such as "A1:C2,F6" (corners kept
  // in the order given) on Model unless `sheet` names another sheet by id.
  XLOPER* text(const std::string& s) {
    std::string& counted = storage_.emplace_back(1, static_cast<char>(s.size())) += s;
    XLOPER* x = &values_.emplace_back();
    x->xltype = xltypeStr;
    x->val.str = counted.data();
    return x;
  }
  XLOPER* num(double d) { return &values_.emplace_back(xlNum(d)); }
  XLOPER* integer(int w) { return &values_.emplace_back(xlInt(w)); }
  XLOPER* boolean(bool b) { return &values_.emplace_back(xlBool(b)); }
  XLOPER* missing() { return &values_.emplace_back(xlMissing()); }
  XLOPER* ref(const std::string& areas, IDSHEET sheet = 0) {
    std::string& block = storage_.emplace_back(sizeof(XLMREF) + std::count(areas.begin(), areas.end(), ',') * sizeof(XLREF), '\0');
    auto* m = reinterpret_cast<XLMREF*>(block.data());
    std::stringstream in(areas);
    for (std::string area; std::getline(in, area, ',');) {
      std::size_t colon = area.find(':');
      int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
      EXPECT_TRUE(Wb_parseA1(area.substr(0, colon), &r1, &c1)) << area;
      EXPECT_TRUE(Wb_parseA1(colon == std::string::npos ? area : area.substr(colon + 1), &r2, &c2)) << area;
      m->reftbl[m->count++] = XLREF{std::uint16_t(r1), std::uint16_t(r2), std::uint8_t(c1), std::uint8_t(c2)};
    }
    XLOPER* x = &values_.emplace_back();
    x->xltype = xltypeRef;
    x->val.mref = {m, sheet ? sheet : Xlc_sheetId(book, 0)};
    return x;
  }
  void number(Sheet* sh, const char* a1, double d) { Test_put(book, sh, a1, CellValue::makeNumber(d)); }
  void formula(Sheet* sh, const char* a1, const char* f) { Test_formula(book, sh, a1, f); }
  const CellValue& valueAt(Sheet* sh, const char* a1) { return Test_valueAt(sh, a1); }

  Workbook* addin = nullptr;
  Workbook* book = nullptr;
  Sheet* model = nullptr;
  Sheet* data = nullptr;

 private:
  std::deque<std::string> storage_;   // texts and blocks of areas the arguments point into
  std::deque<XLOPER> values_;
};

TEST_F(XlcallTest, WrongCallsGiveTheirResultCodes) {
  XResult r;
  XLOPER* n = num(1);
  EXPECT_EQ(Excel4(0x7fff, &r.x, 0), xlretInvXlfn);
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 0), xlretInvCount);
  EXPECT_EQ(Excel4(xlfText, &r.x, 1, n), xlretInvCount);
  EXPECT_EQ(Excel4(xlFree, &r.x, 31), xlretInvCount);
  EXPECT_EQ(Excel4(xlSet, &r.x, 2, n, n), xlretInvXloper);          // a number is no reference
  EXPECT_EQ(Excel4(xlfEvaluate, &r.x, 1, n), xlretInvXloper);       // EVALUATE wants a text
  EXPECT_EQ(Excel4(xlfReftext, &r.x, 1, static_cast<XLOPER*>(nullptr)), xlretInvXloper);
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 1, ref("A1", 9999)), xlretInvXloper);   // no such sheet
  EXPECT_EQ(Excel4(xlCoerce, &r.x, 1, ref("A4:A2")), xlretInvXloper);      // corners backwards
  EXPECT_EQ(r.type(), xltypeNil);
}

TEST_F(XlcallTest, CoercingTextsNumbersAndReferences) {
  XLOPER *toNum = integer(xltypeNum), *toStr = integer(xltypeStr), *toInt = integer(xltypeInt);
  XLOPER *toBool = integer(xltypeBool), *toMulti = integer(xltypeMulti);
  const struct { XLOPER* value; XLOPER* type; std::string expected; } cases[] = {
      {text("abc"), toNum, code(xlretInvXloper)}, {text("--5"), toNum, code(xlretInvXloper)},
      {text(" 12.5 "), toNum, "12.5"}, {text("25%"), toNum, "0.25"}, {text("true"), toBool, "TRUE"},
      {num(0.25), toStr, "0.25"}, {num(2.6), toInt, "3"},
      {num(40000), toInt, code(xlretInvXloper)},   // beyond 16 bits
      {ref("A1,B2"), toMulti, code(xlretInvXloper)},
      {ref("D9"), toNum, "0"}, {ref("D9:E9"), toNum, "0"}, {ref("D9"), toStr, ""},   // blanks read as 0 and ""
  };
  for (const auto& c : cases) {
    XResult r;
    int rc = Excel4(xlCoerce, &r.x, 2, c.value, c.type);
    EXPECT_EQ(rc == xlretSuccess ? describe(r.x) : code(rc), c.expected) << describe(*c.value);
    EXPECT_TRUE(rc != xlretSuccess || r.type() == c.type->val.w) << "type " << r.type();
  }
  number(model, "A1", 1);
  Wb_setValue(book, model, 0, 1, CellValue::makeText("x"));
  Wb_setValue(book, model, 1, 1, CellValue::makeBoolean(true));
  XResult r;
  ASSERT_EQ(Excel4(xlCoerce, &r.x, 2, ref("A1:B2"), toMulti), xlretSuccess);
  ASSERT_EQ(describe(r.x), "{2x2}");
  EXPECT_TRUE(r.x.xltype & xlbitXLFree);
  const XLOPER* e = r.x.val.array.lparray;
  EXPECT_EQ((std::vector<std::string>{describe(e[0]), describe(e[1]), describe(e[2]), describe(e[3])}),
            (std::vector<std::string>{"1", "x", "<type 256>", "TRUE"}));   // A2 is empty: nil
  EXPECT_EQ(call(xlCoerce, {ref("A1")}), "1");   // no type: the value itself
}

// A reference taken whole gives every cell of its area in place, the cells
// the sheet does not hold as nil; the texts belong to the array.
TEST_F(XlcallTest, CoercingAnAreaGivesEachCellInPlace) {
  Wb_setValue(book, model, 1, 2, CellValue::makeNumber(2.5));
  Wb_setValue(book, model, 1, 4, CellValue::makeText("far"));
  Wb_setValue(book, model, 3, 1, CellValue::makeError(CellError::Div0));
  Wb_setValue(book, model, 3, 3, CellValue::makeBoolean(false));
  Wb_setValue(book, model, 3, 9, CellValue::makeNumber(7));   // beyond the area
  for (XLOPER* type : {static_cast<XLOPER*>(nullptr), integer(xltypeMulti), integer(xltypeMulti | xltypeNum)}) {
    XResult r;
    int rc = type ? Excel4(xlCoerce, &r.x, 2, ref("B2:E4"), type) : Excel4(xlCoerce, &r.x, 1, ref("B2:E4"));
    ASSERT_EQ(rc, xlretSuccess);
    ASSERT_EQ(describe(r.x), "{3x4}");
    std::vector<std::string> got;
    for (int i = 0; i < 12; ++i) got.push_back(describe(r.x.val.array.lparray[i]));
    const std::string nil = "<type 256>";
    EXPECT_EQ(got, (std::vector<std::string>{nil, "2.5", nil, "far", nil, nil, nil, nil, err(xlerrDiv0), nil, "FALSE", nil}));
    Excel4(xlFree, nullptr, 1, &r.x);
    EXPECT_EQ(Xlc_liveBlocks(), 0u);
  }
  EXPECT_EQ(call(xlCoerce, {ref("C2:C2"), integer(xltypeMulti)}), "{1x1}");   // one cell: an array of one
  EXPECT_EQ(call(xlCoerce, {ref("C2")}), "2.5");
  EXPECT_EQ(call(xlCoerce, {ref("B2:E4"), integer(xltypeNum)}), "0");   // the first cell, blank
}

TEST_F(XlcallTest, FreeGivesBackEveryResultAndOnlyThose) {
  XResult r;
  Wb_setValue(book, model, 0, 0, CellValue::makeText(std::string(300, 'x')));
  ASSERT_EQ(Excel4(xlCoerce, &r.x, 2, ref("A1"), integer(xltypeStr)), xlretSuccess);
  EXPECT_EQ(Xlc_liveBlocks(), 1u);
  EXPECT_EQ(describe(r.x), std::string(255, 'x'));   // a cell text is cut to 255 characters
  EXPECT_EQ(r.x.val.str[256], '\0');
  Excel4(xlFree, nullptr, 1, &r.x);
  EXPECT_EQ(Xlc_liveBlocks(), 0u);
  EXPECT_EQ(r.x.xltype, xltypeNil);
  XLOPER* longText = text(std::string(255, 'y'));
  ASSERT_EQ(Excel4(xlFree, nullptr, 1, longText), xlretSuccess);   // not ours: left alone
  EXPECT_EQ(longText->xltype, xltypeStr);
}

TEST_F(XlcallTest, SetWritesOneAreaAndRefusesArrayBlocks) {
  XLOPER elems[4] = {xlNum(1), xlNum(2), xlNum(3), xlNum(4)}, arr = xlArray(elems, 2, 2);
  EXPECT_EQ(call(xlSet, {ref("A1:C2"), &arr}), "TRUE");
  EXPECT_EQ(valueAt(model, "B2"), CellValue::makeNumber(4));
  EXPECT_EQ(valueAt(model, "C1"), CellValue::makeError(CellError::NA));   // beyond the array
  EXPECT_EQ(call(xlSet, {ref("A1:C2"), num(7)}), "TRUE");
  EXPECT_EQ(valueAt(model, "C2"), CellValue::makeNumber(7));
  EXPECT_EQ(call(xlSet, {ref("A1:C2")}), "TRUE");   // no value clears
  EXPECT_EQ(valueAt(model, "A1").kind, CellKind::Empty);
  EXPECT_EQ(call(xlSet, {ref("A1,F6"), num(7)}), code(xlretInvXloper));
  ASSERT_TRUE(Wb_setArrayFormula(book, model, CellRange{0, 10, 0, 11, 1}, "={1,2;3,4}"));
  EXPECT_EQ(call(xlSet, {ref("B12:B13"), num(7)}), code(xlretFailed));   // cuts the block
  XLOPER local = xlSRef(2, 3);   // the calling macro's sheet
  EXPECT_EQ(call(xlSet, {&local, num(7)}), "TRUE");
  EXPECT_EQ(Wb_findCell(addin->sheets[0].get(), 2, 3)->value, CellValue::makeNumber(7));
  // A row above 16 bits signed still addresses its cell.
  EXPECT_EQ(call(xlSet, {ref("IV40001"), num(5)}), "TRUE");
  EXPECT_EQ(Wb_findCell(model, 40000, 255)->value, CellValue::makeNumber(5));
  EXPECT_EQ(call(xlCoerce, {ref("IV40001")}), "5");
}

// Every element inside the area must convert before any cell is written;
// elements beyond the area are not looked at.
TEST_F(XlcallTest, SetWritesNothingWhenAnElementInsideTheAreaDoesNotConvert) {
  XLOPER bad = xlNum(0);
  bad.xltype = xltypeErr;
  bad.val.err = 99;   // no error value
  XLOPER elems[6] = {xlNum(1), xlBool(true), xlInt(3), xlMissing(), bad, xlNum(6)}, arr = xlArray(elems, 2, 3);
  EXPECT_EQ(call(xlSet, {ref("A1:C2"), &arr}), code(xlretInvXloper));
  EXPECT_EQ(Wb_findCell(model, 0, 0), nullptr);
  EXPECT_EQ(call(xlSet, {ref("A1:C1"), &arr}), "TRUE");   // the first row only
  EXPECT_EQ(valueAt(model, "A1"), CellValue::makeNumber(1));
  EXPECT_EQ(valueAt(model, "B1"), CellValue::makeBoolean(true));
  EXPECT_EQ(valueAt(model, "C1"), CellValue::makeNumber(3));
  XLOPER mixed[3] = {*text("ab"), xlMissing(), xlNum(2)}, row = xlArray(mixed, 1, 3);
  EXPECT_EQ(call(xlSet, {ref("A1:D1"), &row}), "TRUE");
  EXPECT_EQ(valueAt(model, "A1"), CellValue::makeText("ab"));
  EXPECT_EQ(valueAt(model, "B1").kind, CellKind::Empty);   // a blank clears the cell
  EXPECT_EQ(valueAt(model, "C1"), CellValue::makeNumber(2));
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeError(CellError::NA));
  EXPECT_EQ(call(xlSet, {ref("E1"), &bad}), code(xlretInvXloper));
}

TEST_F(XlcallTest, SheetIdsNamesAndReferenceTexts) {
  EXPECT_EQ(call(xlSheetId, {}), "Model!");   // the active sheet, no areas
  EXPECT_EQ(call(xlSheetId, {text("[corvan.xla]Front")}), "Front!");
  EXPECT_EQ(call(xlSheetId, {text("Nowhere")}), code(xlretInvXloper));
  XLOPER local = xlSRef(0, 0);
  XLOPER* b3 = ref("B3", Xlc_sheetId(book, 1));
  EXPECT_EQ(call(xlSheetNm, {&local}), "[CORVAN.XLA]Front");   // the calling macro's sheet
  EXPECT_EQ(call(xlSheetNm, {b3}), "[Model Book.xlsx]Data Sheet");
  EXPECT_EQ(call(xlfReftext, {b3, boolean(true)}), "'[Model Book.xlsx]Data Sheet'!$B$3");
  XLOPER* range = ref("F5:AB5,A1", Xlc_sheetId(addin, 0));
  EXPECT_EQ(call(xlfReftext, {range, boolean(true)}), "[CORVAN.XLA]Front!$F$5:$AB$5,[CORVAN.XLA]Front!$A$1");
  EXPECT_EQ(call(xlfReftext, {range}), "[CORVAN.XLA]Front!R5C6:R5C28,[CORVAN.XLA]Front!R1C1");   // R1C1 unless asked
  Wb_closeWorkbook(addin);
  EXPECT_EQ(call(xlSheetNm, {range}), code(xlretInvXloper));   // its book was closed
}

TEST_F(XlcallTest, BreakKeyStatusBarAndScreenUpdating) {
  Xlc_pressBreak();
  EXPECT_EQ(call(xlAbort, {boolean(false)}), "TRUE");   // seen, then cleared
  EXPECT_EQ(call(xlAbort, {}), "FALSE");
  call(xlcMessage, {boolean(true), text("Trial 5  Value 3.25")});
  call(xlcMessage, {boolean(false)});
  EXPECT_EQ(Wb_app().statusHistory, std::vector<std::string>{"Trial 5  Value 3.25"});
  EXPECT_EQ(Wb_app().statusBar, "");
  EXPECT_EQ(call(xlcMessage, {boolean(true), num(1)}), code(xlretInvXloper));
  call(xlcEcho, {boolean(false)});
  EXPECT_EQ(call(xlfGetWorkspace, {num(40)}), "FALSE");
  call(xlcEcho, {});   // toggles back on
  EXPECT_TRUE(Wb_app().screenUpdating);
}

TEST_F(XlcallTest, ValueTextIsblankAndCellQueries) {
  number(model, "A1", 1234.5);
  Wb_cellAt(book, model, 0, 0)->numberFormat = "0.00%";
  formula(model, "D5", "=SUMPRODUCT($A$1:$C$1,A2:C2)+'Data Sheet'!B$3*LOG10(D5)&\"A1\"");
  EXPECT_EQ(call(xlfValue, {text("5")}), "5");
  EXPECT_EQ(call(xlfValue, {text("five")}), err(xlerrValue));
  EXPECT_EQ(call(xlfValue, {text("2024-03-15")}), "45366");  // day 1 is 1 January 1900
  EXPECT_EQ(call(xlfValue, {text("6:00 PM")}), "0.75");
  EXPECT_EQ(call(xlfText, {text("abc"), text("General")}), "abc");         // a text stays
  EXPECT_EQ(call(xlfText, {ref("A1"), text("#,##0.00")}), "1,234.50");    // the cell's value
  EXPECT_EQ(call(xlfText, {num(1), num(1)}), code(xlretInvXloper));        // the format must be a text
  EXPECT_EQ(call(xlfIsblank, {ref("A1")}), "FALSE");
  EXPECT_EQ(call(xlfIsblank, {ref("A2")}), "TRUE");
  EXPECT_EQ(call(xlfIsblank, {missing()}), "TRUE");
  EXPECT_EQ(call(xlfGetCell, {num(7), ref("A1")}), "0.00%");
  EXPECT_EQ(call(xlfGetCell, {num(7), ref("B1")}), "General");
  EXPECT_EQ(call(xlfGetFormula, {ref("D5")}),
            "=SUMPRODUCT(R1C1:R1C3,R[-3]C[-3]:R[-3]C[-1])+'Data Sheet'!R3C[-2]*LOG10(RC)&\"A1\"");
  EXPECT_EQ(call(xlfGetFormula, {ref("A1")}), "1234.5");
}

TEST_F(XlcallTest, EvaluateNamesAndFormulaTexts) {
  number(model, "A1", 2);
  number(model, "A2", 5);
  for (const DefinedName& dn : {DefinedName{"solver_adj", "Model!$A$1:$A$3,Model!$A$2:$B$2", 0, true},
                                {"solver_adj", "Model!$Z$1", -1, false}, {"rate", "0.05", 1, false}})
    Wb_defineName(book, dn);
  Wb_defineName(addin, {"msg_trial", "\"Trial\"", 0, false});
  const std::pair<const char*, std::string> cases[] = {
      {"!solver_adj", "Model!A1:A3,A2:B2"}, {"'[CORVAN.XLA]Front'!msg_trial", "Trial"},
      {"'Data Sheet'!rate", "0.05"}, {"'Nowhere'!rate", err(xlerrRef)}, {"=A1*3", "6"},
      {"!A1:A2,B3", "Model!A1:A2,B3"},
      {"=SUM(A1,A2)", "7"},   // commas of a call stay
      {"={1,2;3,4}", "{2x2}"}, {"=1+", err(xlerrValue)}, {"=A1,1", err(xlerrValue)},
      {"=A1:A70000", err(xlerrRef)},   // no 16-bit row holds it
  };
  for (const auto& [formula, expected] : cases) EXPECT_EQ(call(xlfEvaluate, {text(formula)}), expected) << formula;
  book->activeSheet = 1;   // from "Data Sheet" only the workbook's name is seen
  EXPECT_EQ(call(xlfEvaluate, {text("!solver_adj")}), "Model!Z1");
}

// A name holding a number gives it, and a name not defined gives #NAME?,
// without a formula: each as its definition evaluated as a formula gives.
TEST_F(XlcallTest, EvaluateNamesHoldingNumbersAsTheirFormulas) {
  number(model, "A1", 4);
  const char* definitions[] = {"12",  "-2.5", "1E+25", ".5",   "7.",    "0",     "-0", "5%",
                               "1+1", "-A1",  "--3",   "TRUE", "\"x\"", "Model!$A$1"};
  for (const char* definition : definitions) {
    Wb_defineName(book, {"opt", definition, 0, true});
    EXPECT_EQ(call(xlfEvaluate, {text("!opt")}), call(xlfEvaluate, {text(std::string("=") + definition)}))
        << definition;
  }
  Wb_defineName(book, {"opt", "-0", 0, true});
  XResult r;
  ASSERT_EQ(Excel4(xlfEvaluate, &r.x, 1, text("!opt")), xlretSuccess);
  EXPECT_FALSE(std::signbit(r.x.val.num));  // as the sign evaluates: never "-0"
  EXPECT_EQ(call(xlfEvaluate, {text("!solver_missing")}), err(xlerrName));
  EXPECT_EQ(call(xlfEvaluate, {text("solver_missing")}), err(xlerrName));
  EXPECT_EQ(call(xlfEvaluate, {text("!OPT")}), "0");  // names are found whatever their case
}

// What EVALUATE gives for a plain name is kept between calls, and each
// definition, change or deletion of the name is seen at the next call.
TEST_F(XlcallTest, EvaluatingANameAgainSeesItsChanges) {
  auto evaluate = [&](const char* t) { return call(xlfEvaluate, {text(t)}); };
  EXPECT_EQ(evaluate("!opt"), err(xlerrName));
  EXPECT_EQ(evaluate("!opt"), err(xlerrName));
  call(xlcDefineName, {text("opt"), num(3)});
  EXPECT_EQ(evaluate("!opt"), "3");
  EXPECT_EQ(evaluate("opt"), "3");
  Wb_defineName(book, {"opt", "4", -1, false});   // the workbook's name, hidden by the sheet's
  EXPECT_EQ(evaluate("!opt"), "3");
  Wb_defineName(book, {"opt", "5", 0, false});
  EXPECT_EQ(evaluate("!opt"), "5");
  EXPECT_TRUE(Wb_deleteName(book, "opt", 0));
  EXPECT_EQ(evaluate("!opt"), "4");
  Wb_defineName(book, {"opt", "Model!$A$1", -1, false});
  number(model, "A1", 6);
  EXPECT_EQ(evaluate("!opt"), "Model!A1");
  EXPECT_TRUE(Wb_deleteName(book, "opt", -1));
  EXPECT_EQ(evaluate("!opt"), err(xlerrName));
}

TEST_F(XlcallTest, DefineNameThenGetName) {
  EXPECT_EQ(call(xlcDefineName, {text("solver_tim"), num(100), missing(), missing(), boolean(true)}), "TRUE");
  const DefinedName* dn = Wb_findName(book, "solver_tim", 0);
  ASSERT_NE(dn, nullptr);
  EXPECT_TRUE(dn->scopeSheet == 0 && dn->hidden);   // the active sheet's own name, hidden
  EXPECT_EQ(call(xlfGetName, {text("!solver_tim")}), "=100");
  call(xlcDefineName, {text("solver_adj"), ref("A1:B2")});
  EXPECT_EQ(call(xlfGetName, {text("!solver_adj")}), "=Model!$A$1:$B$2");
  XLOPER elems[2] = {xlNum(1), xlNum(2.5)}, arr = xlArray(elems, 1, 2);
  call(xlcDefineName, {text("scen_value1"), &arr});
  EXPECT_EQ(Wb_findName(book, "scen_value1", 0)->definition, "{1,2.5}");
  call(xlcDefineName, {text("solver_rhs1"), text("=A1*2")});
  EXPECT_EQ(Wb_findName(book, "solver_rhs1", 0)->definition, "A1*2");
  EXPECT_EQ(call(xlcDefineName, {text("solver_rhs1"), text("=1+")}), code(xlretFailed));
  EXPECT_EQ(call(xlcDefineName, {text("A1"), num(100)}), code(xlretFailed));   // a cell's name
  EXPECT_EQ(call(xlfGetName, {text("!solver_zzz")}), err(xlerrName));
  // "[0]!name" is the workbook's own name past the sheet's of that spelling,
  // and its names are the workbook's too.
  Wb_defineName(book, {"rate", "2", 0, false});
  Wb_defineName(book, {"rate", "3", -1, false});
  Wb_defineName(book, {"twice", "rate*2", -1, false});
  EXPECT_EQ(call(xlfGetName, {text("rate")}), "=2");
  EXPECT_EQ(call(xlfGetName, {text("[0]!rate")}), "=3");
  EXPECT_EQ(call(xlfGetName, {text("[0]!nosuch")}), err(xlerrName));
  EXPECT_EQ(call(xlfEvaluate, {text("[0]!rate")}), "3");
  EXPECT_EQ(call(xlfEvaluate, {text("twice")}), "6");
}

TEST_F(XlcallTest, SetAndCalculateNowInManualMode) {
  formula(model, "C1", "=A1+B1");
  formula(model, "D1", "=C1*2");
  Calc_recalculate(book);
  XLOPER elems[2] = {xlNum(2), xlNum(3)}, arr = xlArray(elems, 1, 2);
  call(xlcCalculation, {num(3)});
  call(xlSet, {ref("A1:B1"), &arr});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(0));   // not yet recalculated
  call(xlcCalculateNow, {});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(10));
  call(xlcCalculation, {num(1)});
  call(xlSet, {ref("A1"), num(4)});
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(14));
  EXPECT_EQ(call(xlcCalculation, {num(4)}), code(xlretFailed));
  EXPECT_EQ(call(xlfGetDocument, {num(14)}), "1");
}

TEST_F(XlcallTest, SelectSpecialFindsPrecedentsDependentsAndArrays) {
  number(model, "A1", 1);
  formula(model, "B1", "=A1*2");
  formula(model, "C1", "=B1+1");
  ASSERT_TRUE(Wb_setArrayFormula(book, model, CellRange{0, 4, 0, 5, 1}, "={1,2;3,4}"));
  Calc_recalculate(book);
  XLOPER *prec = num(9), *dep = num(10), *one = num(1), *all = num(2);
  const struct { const char* from; std::vector<XLOPER*> special; std::string result, selection; } cases[] = {
      {"C1", {prec, one, all}, "TRUE", "Model!A1,B1"},   // and, two levels up, A1
      {"C1", {prec, one, one}, "TRUE", "Model!B1"},      // direct only
      {"A1", {prec, one, all}, code(xlretFailed), "Model!A1"},   // a constant
      {"A1", {dep, one, all}, "TRUE", "Model!B1,C1"},
      {"B6", {num(6)}, "TRUE", "Model!A5:B6"},                    // the current array
      {"C1", {num(6)}, code(xlretFailed), "Model!C1"},            // left as it was
  };
  for (const auto& c : cases) {
    ASSERT_EQ(call(xlcSelect, {ref(c.from)}), "TRUE");
    EXPECT_EQ(call(xlcSelectSpecial, c.special), c.result) << c.selection;
    EXPECT_EQ(call(xlfSelection, {}), c.selection);
  }
  EXPECT_EQ(call(xlcSelect, {ref("A1", Xlc_sheetId(book, 1))}), code(xlretFailed));   // not the active sheet
}

TEST_F(XlcallTest, UdfRunsARegisteredMacroByNameOrByItsCell) {
  std::vector<CellValue> seen;
  Xlc_registerMacro("Show", [&seen](const std::vector<CellValue>& args) {
    seen = args;
    return CellValue::makeNumber(args.empty() ? 0 : args[0].number + 1);
  });
  Wb_defineName(addin, {"Show", "Front!$A$10", 0, false});
  XLOPER cell = xlSRef(9, 0);
  EXPECT_EQ(call(xlUDF, {text("show"), num(3), text("why")}), "4");
  EXPECT_EQ(seen, (std::vector<CellValue>{CellValue::makeNumber(3), CellValue::makeText("why")}));
  EXPECT_EQ(call(xlUDF, {&cell, num(3)}), "4");
  EXPECT_EQ(call(xlUDF, {ref("A10", Xlc_sheetId(addin, 0)), num(3)}), "4");
  EXPECT_EQ(call(xlUDF, {ref("A9", Xlc_sheetId(addin, 0)), num(3)}), code(xlretFailed));
  EXPECT_EQ(call(xlUDF, {text("Nope")}), code(xlretFailed));
  // A name's letters beyond ASCII are folded too.
  Xlc_registerMacro("\u00C9t\u00E9", [](const std::vector<CellValue>&) { return CellValue::makeNumber(7); });
  EXPECT_EQ(call(xlUDF, {text("\u00E9T\u00C9")}), "7");
  EXPECT_EQ(call(xlUDF, {text("Ete")}), code(xlretFailed));
}

// An add-in offers a procedure and registers a worksheet function for it:
// formulas then call the procedure; flag 1 makes it volatile, flag 2 one
// call per element, flag 4 its arguments evaluated as the formula does. An unknown procedure, a flag outside those bits
// or a name that is no text is refused.
TEST_F(XlcallTest, RegisterBindsAWorksheetFunctionToAnOfferedProcedure) {
  int calls = 0;
  Xlc_offerProcedure("twice", [&calls](const std::vector<CalcArray>& args) {
    ++calls;
    const CellValue& x = args.empty() || args[0].values.empty() ? CellValue{} : args[0].values[0];
    return CalcArray{1, 1, {CellValue::makeNumber(2 * x.number)}};
  });
  EXPECT_EQ(call(xlfRegister, {text("twice"), text("XLTWICE")}), "TRUE");
  EXPECT_EQ(call(xlfRegister, {text("Twice"), text("XLTWICEVOL"), integer(kCalcVolatile | kCalcScalarArgs)}), "TRUE");
  EXPECT_EQ(call(xlfRegister, {text("nope"), text("XLNOPE")}), code(xlretFailed));
  EXPECT_EQ(call(xlfRegister, {text("twice"), num(1)}), code(xlretInvXloper));
  EXPECT_EQ(call(xlfRegister, {text("twice"), text("XLBAD"), integer(8)}), code(xlretInvXloper));
  number(model, "A1", 1);
  number(model, "A2", 2);
  number(model, "C1", 0);
  formula(model, "B1", "=XLTWICE(A1)");
  formula(model, "B2", "=SUMPRODUCT(XLTWICEVOL(A1:A2))");
  formula(model, "B3", "=XLNOPE(A1)");
  Calc_recalculate(book);
  EXPECT_EQ(valueAt(model, "B1"), CellValue::makeNumber(2));
  EXPECT_EQ(valueAt(model, "B2"), CellValue::makeNumber(6));
  EXPECT_EQ(valueAt(model, "B3"), CellValue::makeError(CellError::Name));
  // An operator over a range spans it, but with flag 4 takes the cell in
  // the formula's row as the formula does; a reference arrives whole.
  Xlc_offerProcedure("count", [](const std::vector<CalcArray>& args) {
    return CalcArray{1, 1, {CellValue::makeNumber(static_cast<double>(args[0].values.size()))}};
  });
  EXPECT_EQ(call(xlfRegister, {text("count"), text("XLCOUNT")}), "TRUE");
  EXPECT_EQ(call(xlfRegister, {text("count"), text("XLCOUNTPLAIN"), integer(kCalcPlainArgs)}), "TRUE");
  formula(model, "D1", "=XLCOUNTPLAIN(A1:A2)");
  formula(model, "D2", "=XLCOUNTPLAIN(A1:A2*2)");
  formula(model, "D3", "=XLCOUNT(A1:A2*2)");
  Calc_recalculate(book);
  EXPECT_EQ(valueAt(model, "D1"), CellValue::makeNumber(2));
  EXPECT_EQ(valueAt(model, "D2"), CellValue::makeNumber(1));
  EXPECT_EQ(valueAt(model, "D3"), CellValue::makeNumber(2));
  const int before = calls;
  number(model, "C1", 1);  // read by no formula: only the volatile one runs again
  Calc_recalculate(book);
  EXPECT_EQ(calls, before + 2);
}
