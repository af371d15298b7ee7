// Functions and commands of the callback interface over the application:
// EVALUATE, names, values and their texts, cell queries, recalculation and
// calculation mode, the status bar and screen updating.
//
// Texts handed out are cut to 255 characters where a cut text is still the
// same kind of answer (text values from EVALUATE and xlCoerce, TEXT, a
// cell's number format); where a cut would read as something else
// (GET.NAME's definition, GET.FORMULA, REFTEXT) the call fails with
// xlretFailed instead.
#include "base/Stored_Prefixes.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

constexpr int kMaxNameDepth = 16;
constexpr std::size_t kMaxNameLength = 255;  // no defined name is longer

// Top-level parts of a union ("A1:A3,B2"): commas outside parentheses,
// braces and quoted texts.
std::vector<std::string> unionParts(const std::string& s) {
  std::vector<std::string> parts(1);
  int depth = 0;
  char quote = 0;
  for (char c : s) {
    if (quote) quote = c == quote ? 0 : quote;
    else if (c == '"' || c == '\'') quote = c;
    else if (c == '(' || c == '{') ++depth;
    else if (c == ')' || c == '}') --depth;
    else if (c == ',' && depth == 0) { parts.emplace_back(); continue; }
    parts.back() += c;
  }
  return parts;
}

// What a name gives without compiling a formula, as options are read by
// the hundred: #NAME? when it is not defined, its number when it holds one.
// False when it takes a formula.
bool plainNameValue(const std::string& text, const DefinedName* dn, CalcEvalResult* out) {
  double number = 0;
  CellValue value;
  if (dn && Calc_numberLiteral(dn->definition, &number)) value = CellValue::makeNumber(number);
  else if (!dn && text.size() <= kMaxNameLength) value = CellValue::makeError(CellError::Name);
  else return false;
  *out = CalcEvalResult{};
  out->value.values = {value};
  return true;
}

// A text that is one name answered without a formula (see plainNameValue).
bool plainName(Workbook* wb, int sheet, const std::string& text, CalcEvalResult* out) {
  return Xlc_isNameText(text) && plainNameValue(text, Wb_findName(wb, text, sheet), out);
}

// The text that evaluates a name read at `at` alone: the name that holds
// it, or with `sheetsOwn` the name as the sheet's own ("!name").
std::string nameText(const Workbook* wb, const DefinedName& dn, bool sheetsOwn) {
  return sheetsOwn ? "!" + dn.name : Wb_qualifiedName(wb, dn);
}

// Evaluates a text read at `at`. A union of references, written out or as
// the definition of a name, gives the areas of all its parts. With
// `sheetsOwn` a name's definition is read at `at` whatever scope holds it.
bool evaluateText(Workbook* wb, WbReading at, const std::string& text, bool sheetsOwn, int depth, CalcEvalResult* out) {
  std::vector<std::string> parts = unionParts(text);
  if (parts.size() == 1) {
    bool isName = Xlc_isNameText(text);
    const DefinedName* dn = isName ? Wb_findName(wb, text, at.names) : nullptr;
    if (isName && plainNameValue(text, dn, out)) return true;
    if (!dn || depth >= kMaxNameDepth || unionParts(dn->definition).size() == 1)
      return Calc_evaluateReference(wb, at.sheet, dn ? nameText(wb, *dn, sheetsOwn) : text, out);
    const WbReading inner = sheetsOwn ? at : Wb_definitionReading(*dn, at);
    return evaluateText(wb, inner, dn->definition, false, depth + 1, out);
  }
  *out = CalcEvalResult{};
  out->isReference = true;
  for (const std::string& part : parts) {
    CalcEvalResult r;
    if (depth >= kMaxNameDepth || !evaluateText(wb, at, part, false, depth + 1, &r)) return false;
    if (!r.isReference) {   // a union of anything but references is no value
      *out = CalcEvalResult{};
      out->value.values = {CellValue::makeError(CellError::Value)};
      return true;
    }
    out->areas.insert(out->areas.end(), r.areas.begin(), r.areas.end());
  }
  return true;
}

void setEvalResult(XLOPER* res, Workbook* wb, const CalcEvalResult& r) {
  if (r.isReference) {
    bool oneSheet = !r.areas.empty();
    for (const CellRange& a : r.areas) oneSheet = oneSheet && a.sheet == r.areas[0].sheet;
    if (!oneSheet) Xlc_setErr(res, xlerrRef);
    else Xlc_setRef(res, wb, r.areas[0].sheet, r.areas);
    return;
  }
  const CalcArray& v = r.value;
  if (v.values.empty() || v.rows > 0xffff || v.cols > 0xffff) Xlc_setErr(res, xlerrValue);
  else if (v.values.size() == 1) Xlc_setValue(res, v.values[0]);
  else Xlc_setArray(res, v);
}

// The cell a reference starts at, or nullptr when it is empty.
const Cell* firstCell(const XlcRef& ref) {
  return Wb_findCell(ref.wb->sheets[ref.sheet].get(), ref.areas[0].row1, ref.areas[0].col1);
}

// A constant as the formula bar shows it.
std::string constantText(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: return Xlc_numberText(v.number);
    case CellKind::Text: return v.text;
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    case CellKind::Empty: return "";
  }
  return "";
}

std::string asFormula(const std::string& f) { return !f.empty() && f[0] == '=' ? f : "=" + f; }

bool isBlankCell(const Cell* c) {
  return !c || (c->value.kind == CellKind::Empty && c->formula.empty() && c->arrayBlock < 0);
}

}  // namespace

int Xlc_fnEvaluate(XLOPER* res, int, XLOPER** a) {
  if (Xlc_type(a[0]) != xltypeStr) return xlretInvXloper;
  XlcScoped sc;
  if (!Xlc_splitSheetPrefix(Xlc_text(a[0]), &sc)) return xlretFailed;
  // Options are read by the hundred, most of them names not defined: what a
  // plain name gives is kept while the workbook's names stay as they are.
  if (const CalcEvalResult* kept = Calc_keptResult(sc.wb, sc.sheet, sc.rest)) {
    setEvalResult(res, sc.wb, *kept);
    return xlretSuccess;
  }
  CalcEvalResult r;
  if (plainName(sc.wb, sc.sheet, sc.rest, &r)) Calc_keepResult(sc.wb, sc.sheet, sc.rest, r);
  else if (sc.rest.empty() || !evaluateText(sc.wb, WbReading{sc.sheet, sc.sheet}, sc.rest, sc.sheetsOwn, 0, &r)) {
    Xlc_setErr(res, xlerrValue);
    return xlretSuccess;
  }
  setEvalResult(res, sc.wb, r);
  return xlretSuccess;
}

int Xlc_fnGetName(XLOPER* res, int, XLOPER** a) {
  if (Xlc_type(a[0]) != xltypeStr) return xlretInvXloper;
  XlcScoped sc;
  if (!Xlc_splitSheetPrefix(Xlc_text(a[0]), &sc)) return xlretFailed;
  // "[0]!name" asks for the workbook's own name past a sheet's of that spelling.
  const bool workbook = sc.rest.starts_with(kStoredThisWorkbook);
  const std::string name = workbook ? sc.rest.substr(kStoredThisWorkbook.size()) : sc.rest;
  const DefinedName* dn = Xlc_isNameText(name) ? Wb_findName(sc.wb, name, workbook ? -1 : sc.sheet) : nullptr;
  if (!dn) { Xlc_setErr(res, xlerrName); return xlretSuccess; }
  return Xlc_setWholeText(res, "=" + dn->definition) ? xlretSuccess : xlretFailed;
}

int Xlc_fnValue(XLOPER* res, int, XLOPER** a) {
  CellValue v;
  if (!Xlc_firstValue(a[0], &v)) return xlretInvXloper;
  double d = 0;
  if (v.kind == CellKind::Error) Xlc_setErr(res, static_cast<std::uint16_t>(v.error));
  else if (v.kind == CellKind::Number || v.kind == CellKind::Empty) Xlc_setNum(res, v.number);
  else if (v.kind == CellKind::Text && Calc_textToNumber(v.text, &d)) Xlc_setNum(res, d);
  else Xlc_setErr(res, xlerrValue);
  return xlretSuccess;
}

int Xlc_fnText(XLOPER* res, int, XLOPER** a) {
  CellValue v;
  if (!Xlc_firstValue(a[0], &v) || Xlc_type(a[1]) != xltypeStr) return xlretInvXloper;
  double d = v.number;
  std::string text;
  if (v.kind == CellKind::Error) { Xlc_setErr(res, static_cast<std::uint16_t>(v.error)); return xlretSuccess; }
  if (v.kind == CellKind::Boolean || (v.kind == CellKind::Text && !Calc_textToNumber(v.text, &d))) {
    Xlc_setText(res, constantText(v));
    return xlretSuccess;
  }
  if (!Calc_formatNumber(d, Xlc_text(a[1]), &text)) Xlc_setErr(res, xlerrValue);
  else Xlc_setText(res, text);
  return xlretSuccess;
}

int Xlc_fnGetCell(XLOPER* res, int, XLOPER** a) {
  int type = 0;
  XlcRef ref;
  if (!Xlc_intArg(a[0], &type)) return xlretInvXloper;
  if (int rc = Xlc_resolveRef(a[1], &ref)) return rc;
  // Only the number format (7) is kept by this application.
  if (type != 7) { Xlc_setErr(res, xlerrValue); return xlretSuccess; }
  const Cell* c = firstCell(ref);
  Xlc_setText(res, c && !c->numberFormat.empty() ? c->numberFormat.str() : "General");
  return xlretSuccess;
}

int Xlc_fnGetFormula(XLOPER* res, int, XLOPER** a) {
  XlcRef ref;
  if (int rc = Xlc_resolveRef(a[0], &ref)) return rc;
  const Cell* c = firstCell(ref);
  std::string text;
  if (c && c->arrayBlock >= 0) {
    const ArrayBlock& b = ref.wb->sheets[ref.sheet]->arrays[c->arrayBlock];
    text = Xlc_formulaToR1C1(asFormula(b.formula), b.row1, b.col1);
  } else if (c && !c->formula.empty()) {
    text = Xlc_formulaToR1C1(asFormula(c->formula), ref.areas[0].row1, ref.areas[0].col1);
  } else if (c) {
    text = constantText(c->value);
  }
  return Xlc_setWholeText(res, text) ? xlretSuccess : xlretFailed;
}

int Xlc_fnReftext(XLOPER* res, int n, XLOPER** a) {
  XlcRef ref;
  bool a1 = false;
  if (int rc = Xlc_resolveRef(a[0], &ref)) return rc;
  if (Xlc_given(n, a, 1) && !Xlc_truth(a[1], &a1)) return xlretInvXloper;
  return Xlc_setWholeText(res, Xlc_refText(ref, a1)) ? xlretSuccess : xlretFailed;
}

int Xlc_fnIsblank(XLOPER* res, int, XLOPER** a) {
  XLTYPE t = Xlc_type(a[0]);
  XlcRef ref;
  if (t == xltypeRef || t == xltypeSRef) {
    if (int rc = Xlc_resolveRef(a[0], &ref)) return rc;
    const CellRange& r = ref.areas[0];
    bool oneCell = ref.areas.size() == 1 && r.row1 == r.row2 && r.col1 == r.col2;
    Xlc_setBool(res, oneCell && isBlankCell(firstCell(ref)));
  } else {
    Xlc_setBool(res, t == xltypeNil || t == xltypeMissing);
  }
  return xlretSuccess;
}

int Xlc_fnGetDocument(XLOPER* res, int, XLOPER** a) {
  int type = 0;
  if (!Xlc_intArg(a[0], &type)) return xlretInvXloper;
  if (type == 14) Xlc_setNum(res, static_cast<double>(Wb_app().calcMode));
  else Xlc_setErr(res, xlerrValue);   // no other document property is kept
  return xlretSuccess;
}

int Xlc_fnGetWorkspace(XLOPER* res, int, XLOPER** a) {
  int type = 0;
  if (!Xlc_intArg(a[0], &type)) return xlretInvXloper;
  if (type == 40) Xlc_setBool(res, Wb_app().screenUpdating);
  else Xlc_setErr(res, xlerrValue);   // no other workspace property is kept
  return xlretSuccess;
}

int Xlc_fnCaller(XLOPER* res, int, XLOPER**) {
  Workbook* wb = nullptr;
  int sheet = -1;
  if (!Xlc_callerSheet(&wb, &sheet)) return xlretFailed;
  CellRange a1;
  a1.sheet = sheet;
  Xlc_setRef(res, wb, sheet, {a1});
  return xlretSuccess;
}

int Xlc_cmdDefineName(XLOPER* res, int n, XLOPER** a) {
  if (Xlc_type(a[0]) != xltypeStr) return xlretInvXloper;
  XlcScoped sc;
  if (!Xlc_splitSheetPrefix(Xlc_text(a[0]), &sc) || !Xlc_isNameText(sc.rest)) return xlretFailed;
  DefinedName dn;
  dn.name = sc.rest;
  // A name without a sheet prefix belongs to the active sheet, where the
  // "!name" texts read it back.
  dn.scopeSheet = sc.sheet;
  if (int rc = Xlc_definitionOf(a[1], sc.wb, &dn.definition)) return rc;
  if (Xlc_given(n, a, 4) && !Xlc_truth(a[4], &dn.hidden)) return xlretInvXloper;
  Wb_defineName(sc.wb, dn);
  Calc_afterChange(sc.wb);
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int Xlc_cmdCalculateNow(XLOPER* res, int, XLOPER**) {
  Calc_recalculateAll();
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int Xlc_cmdCalculation(XLOPER* res, int, XLOPER** a) {
  int mode = 0;
  if (!Xlc_intArg(a[0], &mode)) return xlretInvXloper;
  if (mode < 1 || mode > 3) return xlretFailed;
  Application& app = Wb_app();
  bool toAutomatic = mode == 1 && app.calcMode != CalcMode::Automatic;
  app.calcMode = static_cast<CalcMode>(mode);
  if (toAutomatic)   // switching to automatic catches up
    for (auto& wb : app.workbooks) Calc_catchUp(wb.get());
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int Xlc_cmdMessage(XLOPER* res, int n, XLOPER** a) {
  bool show = false;
  if (!Xlc_truth(a[0], &show)) return xlretInvXloper;
  if (Xlc_given(n, a, 1) && Xlc_type(a[1]) != xltypeStr) return xlretInvXloper;
  Application& app = Wb_app();
  if (show) {
    app.statusBar = Xlc_given(n, a, 1) ? Xlc_text(a[1]) : std::string();
    app.statusHistory.push_back(app.statusBar);
  } else {
    app.statusBar.clear();   // the status bar goes back to the application
  }
  if (app.statusListener) app.statusListener(app.statusBar);
  Xlc_setBool(res, true);
  return xlretSuccess;
}

int Xlc_cmdEcho(XLOPER* res, int n, XLOPER** a) {
  Application& app = Wb_app();
  bool on = !app.screenUpdating;   // without an argument ECHO toggles
  if (Xlc_given(n, a, 0) && !Xlc_truth(a[0], &on)) return xlretInvXloper;
  app.screenUpdating = on;
  Xlc_setBool(res, true);
  return xlretSuccess;
}
