// Fixture of the callback-interface tests: a user workbook with two sheets
// (the active one is "Model"), the front end's add-in workbook with its own
// sheet as the calling macro's sheet, and argument records owned by the test.
// Every test ends with no result memory left unfreed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlcall.h"
#include "tests/support/SheetCells.h"

// A text argument (counted, owned by the test).
struct XText {
  explicit XText(const std::string& s) : buf(1, static_cast<char>(s.size())) {
    buf += s;
    x.xltype = xltypeStr;
    x.val.str = buf.data();
  }
  XText(const XText&) = delete;
  XText& operator=(const XText&) = delete;
  std::string buf;
  XLOPER x;
};

// A reference argument with any number of areas on one sheet.
struct XRef {
  XRef(IDSHEET id, const std::vector<XLREF>& areas)
      : block(sizeof(XLMREF) + areas.size() * sizeof(XLREF)) {
    auto* m = reinterpret_cast<XLMREF*>(block.data());
    m->count = static_cast<std::uint16_t>(areas.size());
    for (std::size_t i = 0; i < areas.size(); ++i) m->reftbl[i] = areas[i];
    x.xltype = xltypeRef;
    x.val.mref.lpmref = m;
    x.val.mref.idSheet = id;
  }
  XRef(const XRef&) = delete;
  XRef& operator=(const XRef&) = delete;
  std::vector<char> block;
  XLOPER x;
};

// A result that is given back with xlFree when the test leaves its scope.
struct XResult {
  XResult() { x.xltype = xltypeNil; }
  ~XResult() { Excel4(xlFree, nullptr, 1, &x); }
  XResult(const XResult&) = delete;
  XResult& operator=(const XResult&) = delete;
  XLTYPE type() const { return static_cast<XLTYPE>(x.xltype & ~xlbitXLFree); }
  XLOPER x;
};

inline XLREF xlArea(int row1, int col1, int row2, int col2) {
  return XLREF{static_cast<std::uint16_t>(row1),
               static_cast<std::uint16_t>(row2),
               static_cast<std::uint8_t>(col1), static_cast<std::uint8_t>(col2)};
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
