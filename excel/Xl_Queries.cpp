// Texts of references and values, and the spreadsheet queries built on the
// selection commands, formula texts, number formats and sheet identity; the
// write of one number into one cell.
#include "excel/Xl_Queries.h"

#include <cstdio>
#include <cstring>

#include "excel/Area_Areas.h"
#include "excel/Xl_Value.h"

namespace {

// One call of the application; its result is given back on destruction.
struct Call {
  XLOPER result{};
  int rc;
  template <class... Args>
  explicit Call(int function, const Args*... args)
      : rc(Excel4(function, &result, sizeof...(Args), const_cast<XLOPER*>(args)...)) {}
  ~Call() { Xl_giveBack(&result); }
  Call(const Call&) = delete;
  Call& operator=(const Call&) = delete;
  bool is(XLTYPE type) const { return rc == xlretSuccess && Xl_type(&result) == type; }
  bool isTrue() const { return is(xltypeBool) && result.val.xbool; }
};

// A number, or a text that reads as one ("18"), coerced as the application
// coerces a value to a number; false for anything else.
bool numberOf(const XLOPER* value, double* out) {
  if (Xl_type(value) == xltypeNum) {
    *out = value->val.num;
    return true;
  }
  if (Xl_type(value) != xltypeStr) return false;
  XlOwned number(Xl_coerce(value, xltypeNum));
  if (number) *out = number->val.num;
  return number != nullptr;
}

// A counted text on the stack.
struct TextArg {
  char buffer[257];
  XLOPER value{};
  explicit TextArg(const std::string& text) {
    std::size_t n = text.size() < 255 ? text.size() : 255;
    buffer[0] = static_cast<char>(n);
    std::memcpy(buffer + 1, text.data(), n);
    buffer[n + 1] = '\0';
    value.xltype = xltypeStr;
    value.val.str = buffer;
  }
};

int answerText(const Call& call, std::string* out) {
  if (!call.is(xltypeStr)) return 0;
  *out = Xl_textOf(&call.result);
  return 1;
}

}  // namespace

std::string Xl_textOf(const XLOPER* value) {
  if (!value || Xl_type(value) != xltypeStr || !value->val.str) return {};
  return std::string(value->val.str + 1, static_cast<unsigned char>(value->val.str[0]));
}

int Xl_refText(const XLOPER* ref, int style, std::string* out) {
  if (!Area_isReference(ref)) return 0;
  XLOPER a1 = Xl_boolean(style == 0);
  Call call(xlfReftext, ref, &a1);
  return answerText(call, out);
}

int Xl_cellRefText(IDSHEET sheet, int row, int column, int style, std::string* out) {
  AreaRef cell(sheet, Area_cellArea(row, column));
  return Xl_refText(&cell.value, style, out);
}

int Xl_activeCellRefText(int row, int column, int style, std::string* out) {
  return Xl_cellRefText(Xl_activeSheetId(), row, column, style, out);
}

int Xl_numberToText(double number, std::string* out) {
  XLOPER n = Xl_number(number);
  XLOPER* text = Xl_coerce(&n, xltypeStr);
  *out = Xl_textOf(text);
  Xl_freeValue(text);
  return text ? 1 : 0;
}

std::string Xl_substring(const std::string& text, int k) {
  if (k < 0 || static_cast<std::size_t>(k) >= text.size()) return {};
  return text.substr(k);
}

int Xl_nameDefinition(const XLOPER* text, std::string* out) {
  XLOPER international = Xl_boolean(true);
  Call call(xlfGetName, text, &international);
  std::string definition = Xl_textOf(call.is(xltypeStr) ? &call.result : nullptr);
  if (definition.empty() || definition[0] != '=') return 0;
  *out = definition.substr(1);
  return 1;
}

int Xl_formulaTextOf(const XLOPER* text, std::string* out) {
  std::string s = Xl_textOf(text);
  if (s.size() >= 2 && s[0] == '=') {
    *out = s.substr(1);
    return 1;
  }
  if (!Xl_nameDefinition(text, out)) *out = s;
  return out->empty() ? 0 : 1;
}

int Xl_evaluateNumbers(const XLOPER* text, int count, double* out) {
  Call call(xlfEvaluate, text);
  if (call.rc != xlretSuccess) return 0;
  if (!call.is(xltypeMulti)) return count == 1 && numberOf(&call.result, out);
  if (call.result.val.array.rows * call.result.val.array.columns != count) return 0;
  for (int k = 0; k < count; ++k)
    if (!numberOf(&call.result.val.array.lparray[k], &out[k])) return 0;
  return 1;
}

int Xl_evaluatedShape(const XLOPER* text, int* rows, int* columns) {
  Call call(xlfEvaluate, text);
  if (call.rc != xlretSuccess) return 0;
  const bool array = call.is(xltypeMulti);
  *rows = array ? call.result.val.array.rows : 1;
  *columns = array ? call.result.val.array.columns : 1;
  return 1;
}

int Xl_elementText(const XLOPER* value, int k, std::string* out) {
  if (!value) return 0;
  switch (Xl_type(value)) {
    case xltypeNum:
      return Xl_numberToText(value->val.num, out);
    case xltypeStr:
      return Xl_formulaTextOf(value, out);
    case xltypeRef:
    case xltypeSRef: {
      int row, column;
      if (!Area_cellOfSingleArea(value, k, &row, &column)) return 0;
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "R%uC%u", unsigned(row + 1), unsigned(column + 1));
      *out = buffer;
      return 1;
    }
    default:
      return 0;
  }
}

int Xl_setEcho(bool on, bool* previous) {
  XLOPER type = Xl_integer(40);
  Call state(xlfGetWorkspace, &type);
  if (!state.is(xltypeBool)) return 0;
  *previous = state.result.val.xbool != 0;
  if (*previous == on) return 1;
  XLOPER flag = Xl_boolean(on);
  return Call(xlcEcho, &flag).isTrue();
}

XLOPER* Xl_getSelection() {
  Call call(xlfSelection);
  return call.rc == xlretSuccess && Area_isReference(&call.result) ? Xl_newCopy(&call.result)
                                                                     : nullptr;
}

int Xl_select(const XLOPER* ref) { return Call(xlcSelect, ref).isTrue(); }

int Xl_selectSpecial(int type, int valueType, int levels) {
  XLOPER a = Xl_integer(type), b = Xl_integer(valueType), c = Xl_integer(levels);
  return Call(xlcSelectSpecial, &a, &b, &c).isTrue();
}

int Xl_selectRelated(int type, const XLOPER* ref, XLOPER** out) {
  *out = nullptr;
  bool known = type == SelectCurrentArray || type == SelectPrecedents || type == SelectDependents;
  if (!known || !Area_isReference(ref)) return 0;
  bool echo = true;
  bool echoRead = Xl_setEcho(false, &echo);
  XLOPER* saved = Xl_getSelection();
  int ok = 0;
  if (Xl_select(ref)) {
    if (Xl_selectSpecial(type, 1, 2)) *out = Xl_getSelection();
    ok = 1;
  }
  if (saved) Xl_select(saved);
  Xl_freeValue(saved);
  bool ignored;
  if (echoRead) Xl_setEcho(echo, &ignored);
  return ok;
}

int Xl_getPrecedents(const XLOPER* ref, XLOPER** out) {
  return Xl_selectRelated(SelectPrecedents, ref, out);
}

int Xl_getCurrentArray(const XLOPER* ref, XLOPER** out) {
  return Xl_selectRelated(SelectCurrentArray, ref, out);
}

int Xl_getArrayPosition(const XLOPER* cell, XLOPER** array, int* index) {
  *index = 0;
  int row, column, arrayRow, arrayColumn, rows, columns;
  if (!Area_cellOfSingleArea(cell, 0, &row, &column)) return 0;
  if (!Xl_getCurrentArray(cell, array)) return 0;
  if (!*array) return 1;
  if (!Area_cellOfSingleArea(*array, 0, &arrayRow, &arrayColumn) ||
      !Area_singleAreaSize(*array, &rows, &columns))
    return 0;
  *index = columns * (row - arrayRow) + column - arrayColumn;
  return 1;
}

int Xl_cellFormula(const XLOPER* ref, std::string* out) {
  if (!Area_isReference(ref)) return 0;
  Call call(xlfGetFormula, ref);
  return answerText(call, out) && !out->empty();
}

int Xl_cellNumberFormat(const XLOPER* ref, std::string* out) {
  const XLREF* areas;
  int count;
  if (!Area_areasOf(ref, &areas, &count)) return 0;
  AreaRef cell(ref, Area_cellArea(areas[0].rwFirst, areas[0].colFirst));
  XLOPER type = Xl_integer(7);
  std::string format;
  if (!answerText(Call(xlfGetCell, &type, &cell.value), &format)) return 0;
  TextArg formatArg(format);
  if (!Call(xlfText, &cell.value, &formatArg.value).is(xltypeStr)) return 0;
  *out = format;
  return 1;
}

IDSHEET Xl_activeSheetId() {
  Call call(xlSheetId);
  return call.is(xltypeRef) ? call.result.val.mref.idSheet : 0;
}

int Xl_sheetNameOfRef(const XLOPER* ref, std::string* out) {
  if (!Area_isReference(ref)) return 0;
  return answerText(Call(xlSheetNm, ref), out);
}

int Xl_activeSheetName(std::string* out) {
  AreaRef cell(Xl_activeSheetId(), Area_cellArea(0, 0));
  return Xl_sheetNameOfRef(&cell.value, out);
}

int Xl_setCellValue(IDSHEET sheet, int row, int column, double value) {
  AreaRef cell(sheet, Area_cellArea(row, column));
  XLOPER number = Xl_number(value);
  Call set(xlSet, &cell.value, &number);
  bool refused = set.is(xltypeErr) || (set.is(xltypeBool) && !set.isTrue());
  return set.rc == xlretSuccess && !refused ? 1 : 0;
}
