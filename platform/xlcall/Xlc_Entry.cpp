// Entry points of the callback interface: the variadic and the array form,
// the table of function numbers with their argument counts, and the special
// functions (free, coerce, set, sheet id and name, break key, macros).
#include <algorithm>
#include <cstdarg>
#include <iterator>
#include <map>
#include <utility>

#include "base/Utf8_Text.h"
#include "platform/os/Os_Guard.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

// Macros by name, compared without regard to case, letters of every script
// folded.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const { return Utf8_compareNoCase(a, b) < 0; }
};
std::map<std::string, XlcMacro, NoCaseLess>& macros() {
  static std::map<std::string, XlcMacro, NoCaseLess> m;
  return m;
}

std::map<std::string, CalcFunction, NoCaseLess>& procedures() {
  static std::map<std::string, CalcFunction, NoCaseLess> p;
  return p;
}

int fnRegister(XLOPER* res, int n, XLOPER** a) {
  int flags = 0;
  if (Xlc_type(a[0]) != xltypeStr || Xlc_type(a[1]) != xltypeStr) return xlretInvXloper;
  if (Xlc_given(n, a, 2) && (!Xlc_intArg(a[2], &flags) || flags < 0 ||
                             flags > static_cast<int>(kCalcVolatile | kCalcScalarArgs | kCalcPlainArgs)))
    return xlretInvXloper;
  auto it = procedures().find(Xlc_text(a[0]));
  const std::string name = Xlc_text(a[1]);
  if (it == procedures().end() || name.empty()) return xlretFailed;
  Calc_registerFunction(name, it->second, static_cast<unsigned>(flags));
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int fnFree(XLOPER*, int n, XLOPER** a) {
  for (int i = 0; i < n; ++i)
    if (a[i]) Xlc_release(a[i]);
  return xlretSuccess;
}

int fnCoerce(XLOPER* res, int n, XLOPER** a) {
  int mask = 0;
  if (Xlc_given(n, a, 1) && (!Xlc_intArg(a[1], &mask) || mask < 0 || mask > 0xffff)) return xlretInvXloper;
  return Xlc_coerce(a[0], static_cast<unsigned>(mask), res);
}

// True when the area cuts an array-formula block: its cells cannot be set.
bool touchesArray(const Sheet* sh, const CellRange& area) {
  bool touches = false;
  sh->cells.eachRowIn(area.row1, area.col1, area.row2, area.col2, [&](auto cells) {
    for (const auto& [key, cell] : cells) touches = touches || cell.arrayBlock >= 0;
  });
  return touches;
}

// The value written to the k-th cell of the area (row by row): a scalar
// fills the area, an array gives its elements and #N/A beyond them.
bool valueForCell(const XLOPER* v, int dr, int dc, CellValue* out) {
  if (!v) { *out = CellValue(); return true; }
  if (Xlc_type(v) != xltypeMulti) return Xlc_scalarValue(v, out);
  const auto& arr = v->val.array;
  if (dr >= arr.rows || dc >= arr.columns) { *out = CellValue::makeError(CellError::NA); return true; }
  return Xlc_scalarValue(&arr.lparray[dr * arr.columns + dc], out);
}

// Whether every value written to the area converts: a scalar, or the
// elements of an array that fall inside the area.
bool valuesConvert(const XLOPER* v, const CellRange& area) {
  if (!v) return true;
  if (Xlc_type(v) != xltypeMulti) return Xlc_isScalar(v);
  const auto& arr = v->val.array;
  int rows = std::min<int>(arr.rows, area.row2 - area.row1 + 1);
  int cols = std::min<int>(arr.columns, area.col2 - area.col1 + 1);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      if (!Xlc_isScalar(&arr.lparray[r * arr.columns + c])) return false;
  return true;
}

int fnSet(XLOPER* res, int n, XLOPER** a) {
  XlcRef ref;
  if (int rc = Xlc_resolveRef(a[0], &ref)) return rc;
  if (ref.areas.size() != 1) return xlretInvXloper;
  const XLOPER* v = Xlc_given(n, a, 1) ? a[1] : nullptr;
  CellValue value;
  if (v && Xlc_type(v) == xltypeMulti && (!v->val.array.lparray || !v->val.array.rows || !v->val.array.columns))
    return xlretInvXloper;
  if (!valueForCell(v, 0, 0, &value)) return xlretInvXloper;
  Sheet* sh = ref.wb->sheets[ref.sheet].get();
  const CellRange& area = ref.areas[0];
  if (touchesArray(sh, area)) return xlretFailed;
  // Nothing is written unless everything converts; then each cell's value
  // is made as it is written, with no copy of the whole area.
  if (!valuesConvert(v, area)) return xlretInvXloper;
  for (int r = area.row1; r <= area.row2; ++r)
    for (int c = area.col1; c <= area.col2; ++c) {
      valueForCell(v, r - area.row1, c - area.col1, &value);
      // Blank values clear cells that exist and create none.
      if (value.kind != CellKind::Empty || Wb_findCell(sh, r, c)) Wb_setValue(ref.wb, sh, r, c, value);
      if (c == area.col1) sh->cells.reserveRow(r, area.col2 - area.col1 + 1);  // room for the row's others at once
    }
  Calc_afterChange(ref.wb);
  Xlc_setBool(res, true);
  return xlretSuccess;
}

// A reference with the sheet id and no areas (nothing to free).
void setSheetId(XLOPER* res, Workbook* wb, int sheet) {
  res->val.mref.lpmref = nullptr;
  res->val.mref.idSheet = Xlc_sheetId(wb, sheet);
  res->xltype = xltypeRef;
}

int fnSheetId(XLOPER* res, int n, XLOPER** a) {
  Workbook* wb = nullptr;
  int sheet = -1;
  if (!Xlc_given(n, a, 0)) {
    if (!Xlc_activeSheet(&wb, &sheet)) return xlretFailed;
  } else if (Xlc_type(a[0]) != xltypeStr) {
    return xlretInvXloper;
  } else if (!Xlc_findSheet(Xlc_text(a[0]), &wb, &sheet)) {
    return xlretInvXloper;
  }
  setSheetId(res, wb, sheet);
  return xlretSuccess;
}

int fnSheetNm(XLOPER* res, int, XLOPER** a) {
  Workbook* wb = nullptr;
  int sheet = -1;
  XLTYPE t = Xlc_type(a[0]);
  if (t == xltypeSRef) {
    if (!Xlc_callerSheet(&wb, &sheet)) return xlretFailed;
  } else if (t != xltypeRef || !Xlc_sheetOfId(a[0]->val.mref.idSheet, &wb, &sheet)) {
    return xlretInvXloper;
  }
  // Book and sheet names are short; a longer one is cut like any text.
  Xlc_setText(res, Xlc_fullSheetName(wb, sheet));
  return xlretSuccess;
}

int fnAbort(XLOPER* res, int n, XLOPER** a) {
  Application& app = Wb_app();
  bool pressed = app.breakFlag;
  if (Xlc_given(n, a, 0)) {
    bool keep = true;
    if (!Xlc_truth(a[0], &keep)) return xlretInvXloper;
    if (!keep) app.breakFlag = false;   // FALSE clears the pending break
  }
  Xlc_setBool(res, pressed);
  return xlretSuccess;
}

// The macro whose defined name refers to exactly the referenced cell.
const XlcMacro* macroOfCell(const XlcRef& ref) {
  if (ref.areas.size() != 1) return nullptr;
  const CellRange& cell = ref.areas[0];
  if (cell.row1 != cell.row2 || cell.col1 != cell.col2) return nullptr;
  for (const DefinedName& dn : ref.wb->names) {
    auto it = macros().find(dn.name);
    if (it == macros().end()) continue;
    CalcEvalResult r;
    if (!Calc_evaluateReference(ref.wb, ref.sheet, Wb_qualifiedName(ref.wb, dn), &r) || !r.isReference ||
        r.areas.size() != 1)
      continue;
    const CellRange& d = r.areas[0];
    if (d.sheet == ref.sheet && d.row1 == cell.row1 && d.row2 == cell.row1 && d.col1 == cell.col1 &&
        d.col2 == cell.col1)
      return &it->second;
  }
  return nullptr;
}

CellValue argumentValue(const XLOPER* x) {
  CellValue v;
  return Xlc_firstValue(x, &v) ? v : CellValue::makeError(CellError::Value);
}

int fnUDF(XLOPER* res, int n, XLOPER** a) {
  const XlcMacro* macro = nullptr;
  XlcRef ref;
  if (Xlc_type(a[0]) == xltypeStr) {
    auto it = macros().find(Xlc_text(a[0]));
    if (it != macros().end()) macro = &it->second;
  } else if (int rc = Xlc_resolveRef(a[0], &ref)) {
    return rc;
  } else {
    macro = macroOfCell(ref);
  }
  if (!macro) return xlretFailed;
  std::vector<CellValue> args;
  for (int i = 1; i < n; ++i) args.push_back(argumentValue(a[i]));
  XlcMacro run = *macro;   // the macro may register macros itself
  Xlc_setValue(res, run(args));
  return xlretSuccess;
}

struct Entry {
  int fn;
  int minArgs, maxArgs;
  XlcHandler handler;
};

constexpr int kMaxArgs = 30;

constexpr Entry kEntries[] = {
    {xlAbort, 0, 1, fnAbort},
    {xlFree, 0, kMaxArgs, fnFree},
    {xlCoerce, 1, 2, fnCoerce},
    {xlSet, 1, 2, fnSet},
    {xlSheetId, 0, 1, fnSheetId},
    {xlSheetNm, 1, 1, fnSheetNm},
    {xlUDF, 1, kMaxArgs, fnUDF},
    {xlfEvaluate, 1, 1, Xlc_fnEvaluate},
    {xlfGetName, 1, 2, Xlc_fnGetName},
    {xlfValue, 1, 1, Xlc_fnValue},
    {xlfText, 2, 2, Xlc_fnText},
    {xlfGetCell, 2, 3, Xlc_fnGetCell},
    {xlfGetFormula, 1, 2, Xlc_fnGetFormula},
    {xlfReftext, 1, 2, Xlc_fnReftext},
    {xlfIsblank, 1, 1, Xlc_fnIsblank},
    {xlfSelection, 0, 0, Xlc_fnSelection},
    {xlfGetDocument, 1, 2, Xlc_fnGetDocument},
    {xlfGetWorkspace, 1, 1, Xlc_fnGetWorkspace},
    {xlfCaller, 0, 0, Xlc_fnCaller},
    {xlfRegister, 2, 3, fnRegister},
    {xlcDefineName, 2, 5, Xlc_cmdDefineName},
    {xlcCalculateNow, 0, 0, Xlc_cmdCalculateNow},
    {xlcCalculation, 1, 1, Xlc_cmdCalculation},
    {xlcMessage, 1, 2, Xlc_cmdMessage},
    {xlcSelect, 1, 2, Xlc_cmdSelect},
    {xlcSelectSpecial, 1, 3, Xlc_cmdSelectSpecial},
    {xlcEcho, 0, 1, Xlc_cmdEcho},
};

}  // namespace

void Xlc_registerMacro(const std::string& name, XlcMacro macro) { macros()[name] = std::move(macro); }

void Xlc_offerProcedure(const std::string& name, CalcFunction procedure) { procedures()[name] = std::move(procedure); }

void Xlc_clearMacros() {
  macros().clear();
  procedures().clear();
}

void Xlc_pressBreak() { Wb_app().breakFlag = true; }

int Excel4v(int xlfn, XLOPER* result, int count, XLOPER* args[]) {
  // The calls a solve makes most (the break test before every cell the
  // interpreter evaluates; free, coerce, set) head the table.
  const Entry* entry = std::find_if(std::begin(kEntries), std::end(kEntries), [xlfn](const Entry& e) { return e.fn == xlfn; });
  if (entry == std::end(kEntries)) entry = nullptr;
  // The result is written last: it may be one of the arguments.
  XLOPER out;
  Xlc_setNil(&out);
  int rc = xlretSuccess;
  if (!entry) rc = xlretInvXlfn;
  else if (count < entry->minArgs || count > entry->maxArgs || (count > 0 && !args)) rc = xlretInvCount;
  for (int i = 0; rc == xlretSuccess && i < count; ++i)
    if (!args[i]) rc = xlretInvXloper;
  // Out of memory: the call fails, the application goes on.
  if (rc == xlretSuccess) rc = Os_guard(int{xlretFailed}, [&] { return entry->handler(&out, count, args); });
  if (rc != xlretSuccess) Xlc_release(&out);
  if (result) *result = out;
  else Xlc_release(&out);
  return rc;
}

int Excel4(int xlfn, XLOPER* result, int count, ...) {
  if (count < 0 || count > kMaxArgs) {
    if (result) Xlc_setNil(result);
    return xlretInvCount;
  }
  XLOPER* args[kMaxArgs];
  va_list ap;
  va_start(ap, count);
  for (int i = 0; i < count; ++i) args[i] = va_arg(ap, XLOPER*);
  va_end(ap);
  return Excel4v(xlfn, result, count, args);
}
