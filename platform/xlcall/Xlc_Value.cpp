// Result records of the callback interface: building them, the memory they
// own (texts, area blocks, arrays; counted so tests can see leaks), reading
// arguments as values, and xlCoerce's conversions between types.
#include <cmath>
#include <cstring>
#include <new>

#include "base/Dbl_Whole.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

std::size_t g_liveBlocks = 0;

void* newBlock(std::size_t bytes) {
  void* p = ::operator new(bytes);
  ++g_liveBlocks;
  return p;
}

void freeBlock(void* p) {
  if (!p) return;
  ::operator delete(p);
  --g_liveBlocks;
}

char* newText(const std::string& s) {
  std::size_t n = std::min(s.size(), kXlcMaxText);
  char* p = static_cast<char*>(newBlock(n + 2));
  p[0] = static_cast<char>(static_cast<unsigned char>(n));
  std::memcpy(p + 1, s.data(), n);
  p[n + 1] = '\0';
  return p;
}

// Frees what a record owns, whether or not it carries the flag (array
// elements do not carry it; their array does).
void freeOwned(XLOPER* x) {
  switch (Xlc_type(x)) {
    case xltypeStr: freeBlock(x->val.str); break;
    case xltypeRef: freeBlock(x->val.mref.lpmref); break;
    case xltypeMulti: {
      // A number owns nothing: a large array of numbers is given back
      // without a call per element.
      std::size_t n = std::size_t(x->val.array.rows) * x->val.array.columns;
      for (std::size_t i = 0; i < n; ++i)
        if (Xlc_type(&x->val.array.lparray[i]) != xltypeNum) freeOwned(&x->val.array.lparray[i]);
      freeBlock(x->val.array.lparray);
      break;
    }
    default: break;
  }
}

bool errorOfCode(std::uint16_t code, CellError* out) {
  switch (code) {
    case xlerrNull: case xlerrDiv0: case xlerrValue: case xlerrRef:
    case xlerrName: case xlerrNum: case xlerrNA:
      *out = static_cast<CellError>(code);
      return true;
    default: return false;
  }
}

bool numberOf(const CellValue& v, double* d) {
  switch (v.kind) {
    case CellKind::Number:
    case CellKind::Boolean: *d = v.number; return true;
    case CellKind::Empty: *d = 0; return true;
    case CellKind::Text: return Calc_textToNumber(v.text, d);
    case CellKind::Error: return false;
  }
  return false;
}

std::string textOf(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: return Calc_displayText(v, "");
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Text: return v.text;
    default: return "";
  }
}

bool booleanOf(const CellValue& v, bool* b) {
  if (v.kind == CellKind::Text) {
    if (Wb_equalNoCase(v.text, "TRUE")) { *b = true; return true; }
    if (Wb_equalNoCase(v.text, "FALSE")) { *b = false; return true; }
    return false;
  }
  double d;
  if (!numberOf(v, &d)) return false;
  *b = d != 0;
  return true;
}

XLTYPE nativeType(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: return xltypeNum;
    case CellKind::Text: return xltypeStr;
    case CellKind::Boolean: return xltypeBool;
    case CellKind::Error: return xltypeErr;
    case CellKind::Empty: return xltypeNil;
  }
  return xltypeNil;
}

// One value to the first type of `mask` it converts to: its own type, then
// number, text, boolean, integer. Errors convert to nothing else.
bool convertScalar(const CellValue& v, unsigned mask, XLOPER* out) {
  if (mask & nativeType(v)) { Xlc_setValue(out, v); return true; }
  if (v.kind == CellKind::Error) return false;
  double d = 0;
  bool isNumber = numberOf(v, &d);
  bool b = false;
  if ((mask & xltypeNum) && isNumber) { Xlc_setNum(out, d); return true; }
  if (mask & xltypeStr) { Xlc_setText(out, textOf(v)); return true; }
  if ((mask & xltypeBool) && booleanOf(v, &b)) { Xlc_setBool(out, b); return true; }
  int whole = 0;
  if ((mask & xltypeInt) && isNumber) {
    if (!Dbl_toWhole(std::round(d), &whole) || whole < -32768 || whole > 32767) return false;
    out->xltype = xltypeInt;
    out->val.w = static_cast<std::int16_t>(whole);
    return true;
  }
  return false;
}

bool arrayValues(const XLOPER* x, CalcArray* out) {
  const auto& arr = x->val.array;
  if (!arr.lparray || arr.rows == 0 || arr.columns == 0) return false;
  out->rows = arr.rows;
  out->cols = arr.columns;
  out->values.resize(std::size_t(arr.rows) * arr.columns);
  for (std::size_t i = 0; i < out->values.size(); ++i)
    if (!Xlc_scalarValue(&arr.lparray[i], &out->values[i])) return false;
  return true;
}

}  // namespace

std::size_t Xlc_liveBlocks() { return g_liveBlocks; }

XLTYPE Xlc_type(const XLOPER* x) {
  return static_cast<XLTYPE>(x->xltype & ~(xlbitXLFree | xlbitDLLFree));
}

bool Xlc_given(int count, XLOPER** args, int i) {
  return i < count && args[i] && Xlc_type(args[i]) != xltypeMissing;
}

void Xlc_setNil(XLOPER* x) { x->xltype = xltypeNil; x->val.num = 0; }
void Xlc_setNum(XLOPER* x, double d) { x->xltype = xltypeNum; x->val.num = d; }
void Xlc_setBool(XLOPER* x, bool b) { x->xltype = xltypeBool; x->val.xbool = b ? 1 : 0; }
void Xlc_setErr(XLOPER* x, std::uint16_t err) { x->xltype = xltypeErr; x->val.err = err; }

void Xlc_setText(XLOPER* x, const std::string& s) {
  x->val.str = newText(s);
  x->xltype = xltypeStr | xlbitXLFree;
}

bool Xlc_setWholeText(XLOPER* x, const std::string& s) {
  if (s.size() > kXlcMaxText) return false;
  Xlc_setText(x, s);
  return true;
}

void Xlc_setValue(XLOPER* x, const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: Xlc_setNum(x, v.number); break;
    case CellKind::Text: Xlc_setText(x, v.text); break;
    case CellKind::Boolean: Xlc_setBool(x, v.number != 0); break;
    case CellKind::Error: Xlc_setErr(x, static_cast<std::uint16_t>(v.error)); break;
    case CellKind::Empty: Xlc_setNil(x); break;
  }
}

XLOPER* Xlc_setNilArray(XLOPER* x, std::size_t count, int rows, int cols) {
  auto* elems = static_cast<XLOPER*>(newBlock(count * sizeof(XLOPER)));
  for (std::size_t i = 0; i < count; ++i) Xlc_setNil(&elems[i]);
  x->val.array.lparray = elems;
  x->val.array.rows = static_cast<std::uint16_t>(rows);
  x->val.array.columns = static_cast<std::uint16_t>(cols);
  x->xltype = xltypeMulti | xlbitXLFree;
  return elems;
}

void Xlc_setElement(XLOPER* element, const CellValue& v) {
  Xlc_setValue(element, v);
  element->xltype &= ~xlbitXLFree;   // owned through the array
}

void Xlc_setArray(XLOPER* x, const CalcArray& a) {
  XLOPER* elems = Xlc_setNilArray(x, a.values.size(), a.rows, a.cols);
  for (std::size_t i = 0; i < a.values.size(); ++i) Xlc_setElement(&elems[i], a.values[i]);
}

void Xlc_setRef(XLOPER* x, Workbook* wb, int sheet, const std::vector<CellRange>& areas) {
  bool fits = !areas.empty() && areas.size() <= 0xffff;
  for (const CellRange& a : areas)
    fits = fits && a.row1 >= 0 && a.row1 <= a.row2 && a.row2 < kXlcRows &&
           a.col1 >= 0 && a.col1 <= a.col2 && a.col2 < kXlcCols;
  if (!fits) { Xlc_setErr(x, xlerrRef); return; }
  auto* m = static_cast<XLMREF*>(newBlock(sizeof(XLMREF) + (areas.size() - 1) * sizeof(XLREF)));
  m->count = static_cast<std::uint16_t>(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    // Rows travel as 16-bit patterns: rows above 32767 read back unsigned.
    m->reftbl[i].rwFirst = static_cast<std::uint16_t>(areas[i].row1);
    m->reftbl[i].rwLast = static_cast<std::uint16_t>(areas[i].row2);
    m->reftbl[i].colFirst = static_cast<std::uint8_t>(areas[i].col1);
    m->reftbl[i].colLast = static_cast<std::uint8_t>(areas[i].col2);
  }
  x->val.mref.lpmref = m;
  x->val.mref.idSheet = Xlc_sheetId(wb, sheet);
  x->xltype = xltypeRef | xlbitXLFree;
}

void Xlc_release(XLOPER* x) {
  if (!(x->xltype & xlbitXLFree)) return;
  freeOwned(x);
  Xlc_setNil(x);
}

std::string Xlc_text(const XLOPER* x) {
  if (!x->val.str) return "";
  return std::string(x->val.str + 1, static_cast<unsigned char>(x->val.str[0]));
}

bool Xlc_isScalar(const XLOPER* x) {
  CellError e;
  switch (Xlc_type(x)) {
    case xltypeNum: case xltypeStr: case xltypeBool: case xltypeInt: case xltypeNil: case xltypeMissing: return true;
    case xltypeErr: return errorOfCode(x->val.err, &e);
    default: return false;
  }
}

bool Xlc_scalarValue(const XLOPER* x, CellValue* out) {
  if (!Xlc_isScalar(x)) return false;
  // Set in place, as the CellValue::make... functions would make it: called
  // for every cell a caller writes, and a text reuses the room of the text
  // the value held before.
  out->error = CellError::Null;
  out->number = 0;
  out->text.clear();
  switch (Xlc_type(x)) {
    case xltypeNum: out->kind = CellKind::Number; out->number = x->val.num; break;
    case xltypeInt: out->kind = CellKind::Number; out->number = x->val.w; break;
    case xltypeBool: out->kind = CellKind::Boolean; out->number = x->val.xbool != 0 ? 1.0 : 0.0; break;
    case xltypeErr: out->kind = CellKind::Error; out->error = static_cast<CellError>(x->val.err); break;
    case xltypeStr:
      out->kind = CellKind::Text;
      if (x->val.str) out->text.assign(x->val.str + 1, static_cast<unsigned char>(x->val.str[0]));
      break;
    default: out->kind = CellKind::Empty; break;   // nil, missing
  }
  return true;
}

int Xlc_argValues(const XLOPER* x, bool firstOnly, CalcArray* out) {
  XLTYPE t = Xlc_type(x);
  if (t == xltypeRef || t == xltypeSRef) {
    XlcRef ref;
    if (int rc = Xlc_resolveRef(x, &ref)) return rc;
    CellRange a = ref.areas[0];
    if (firstOnly) {
      a.row2 = a.row1;
      a.col2 = a.col1;
    }
    // An array counts its rows in 16 bits.
    if (ref.areas.size() != 1 && !firstOnly) return xlretInvXloper;
    if (a.row2 - a.row1 + 1 > 0xffff) return xlretInvXloper;
    *out = Xlc_areaValues(ref.wb, ref.sheet, a);
    return xlretSuccess;
  }
  if (t == xltypeMulti) return arrayValues(x, out) ? xlretSuccess : xlretInvXloper;
  *out = CalcArray{};
  out->values.resize(1);
  return Xlc_scalarValue(x, &out->values[0]) ? xlretSuccess : xlretInvXloper;
}

bool Xlc_firstValue(const XLOPER* x, CellValue* out) {
  CalcArray a;
  if (Xlc_argValues(x, true, &a) != xlretSuccess) return false;
  *out = a.values[0];
  return true;
}

bool Xlc_truth(const XLOPER* x, bool* out) {
  XLTYPE t = Xlc_type(x);
  if (t == xltypeBool) *out = x->val.xbool != 0;
  else if (t == xltypeNum) *out = x->val.num != 0;
  else if (t == xltypeInt) *out = x->val.w != 0;
  else return false;
  return true;
}

bool Xlc_intArg(const XLOPER* x, int* out) {
  XLTYPE t = Xlc_type(x);
  if (t == xltypeInt) { *out = x->val.w; return true; }
  return t == xltypeNum && Dbl_toWhole(x->val.num, out);
}

int Xlc_coerce(const XLOPER* value, unsigned mask, XLOPER* out) {
  XLTYPE t = Xlc_type(value);
  if (t == xltypeInt && (mask == 0 || (mask & xltypeInt))) {
    *out = *value;
    out->xltype = xltypeInt;
    return xlretSuccess;
  }
  bool whole = mask == 0 || (mask & xltypeMulti);
  if (whole && (t == xltypeRef || t == xltypeSRef)) {
    // An area of several cells taken whole: its cells go straight into the
    // array, with no copy of their values on the way (checked as
    // Xlc_argValues checks a reference).
    XlcRef ref;
    if (int rc = Xlc_resolveRef(value, &ref)) return rc;
    if (ref.areas.size() != 1) return xlretInvXloper;
    const CellRange& a = ref.areas[0];
    if (a.row2 - a.row1 + 1 > 0xffff) return xlretInvXloper;
    if (a.row1 != a.row2 || a.col1 != a.col2) {
      Xlc_setAreaArray(out, ref.wb, ref.sheet, a);
      return xlretSuccess;
    }
  }
  CalcArray vals;
  if (int rc = Xlc_argValues(value, false, &vals)) return rc;
  bool isArray = t == xltypeMulti || vals.values.size() > 1;
  if (isArray && whole) {
    Xlc_setArray(out, vals);
    return xlretSuccess;
  }
  // A scalar, or an array taken by its top-left element.
  const CellValue& v = vals.values[0];
  if (mask == 0) { Xlc_setValue(out, v); return xlretSuccess; }
  if (convertScalar(v, mask, out)) return xlretSuccess;
  if (mask & xltypeMulti) {
    CalcArray one;
    one.values = {v};
    Xlc_setArray(out, one);
    return xlretSuccess;
  }
  return xlretInvXloper;
}
