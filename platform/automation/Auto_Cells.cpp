// Cells and variants: a cell's value as a variant the way a spreadsheet
// program hands it out (dates for date-formatted numbers, cell errors as
// automation error codes), and a variant written into a cell as if typed.
#include <cctype>

#include "platform/automation/Auto_Internal.h"

namespace {

// Serial 60 is the 29 February 1900 that spreadsheets count and the calendar
// does not: earlier serials are one day behind the automation dates.
constexpr double kFirstCalendarSerial = 61;

}  // namespace

double Auto_serialToDate(double serial) {
  return serial < kFirstCalendarSerial - 1 && serial >= 0 ? serial + 1 : serial;
}

double Auto_dateToSerial(double date) {
  return date < kFirstCalendarSerial && date >= 1 ? date - 1 : date;
}

bool Auto_isDateFormat(const std::string& format) {
  // Date and time codes outside quoted texts, escapes and bracketed tags
  // ([h] elapsed hours counts; colours and [$...] tags do not).
  bool quoted = false;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quoted) {
      quoted = c != '"';
      continue;
    }
    if (c == '"') { quoted = true; continue; }
    if (c == '\\' || c == '_' || c == '*') { ++i; continue; }
    if (c == '[') {
      std::size_t end = format.find(']', i);
      if (end == std::string::npos) return false;
      std::string tag = format.substr(i + 1, end - i - 1);
      if (!tag.empty() && std::string("hHmMsS").find(tag[0]) != std::string::npos) return true;
      i = end;
      continue;
    }
    if (c == ';') return false;   // the first section decides
    if (std::string("dDmMyYhHsS").find(c) != std::string::npos) return true;
  }
  return false;
}

void Auto_cellToVariant(const Cell* cell, AutoVariant* out) {
  Auto_variantClear(out);
  if (!cell) return;
  const CellValue& v = cell->value;
  switch (v.kind) {
    case CellKind::Empty: return;
    case CellKind::Number:
      if (!cell->numberFormat.empty() && Auto_isDateFormat(cell->numberFormat) && v.number >= 0 && v.number < 2958466) {
        out->vt = Auto_vtDate;
        out->date = Auto_serialToDate(v.number);
      } else {
        Auto_setReal(out, v.number);
      }
      return;
    case CellKind::Text: Auto_setText(out, v.text); return;
    case CellKind::Boolean: Auto_setBool(out, v.number != 0); return;
    case CellKind::Error: Auto_setError(out, v.error); return;
  }
}

CellValue Auto_parseConstant(const std::string& text) {
  double d;
  CellError e;
  if (Auto_textToReal(text, &d)) return CellValue::makeNumber(d);
  if (Wb_equalNoCase(text, "TRUE") || Wb_equalNoCase(text, "FALSE")) return CellValue::makeBoolean(Wb_equalNoCase(text, "TRUE"));
  if (Wb_errorFromText(text, &e)) return CellValue::makeError(e);
  return CellValue::makeText(text);
}

bool Auto_variantToCell(Workbook* wb, Sheet* sh, int row, int col, const AutoVariant& v) {
  CellValue value;
  switch (v.vt) {
    case Auto_vtEmpty: case Auto_vtNull: break;
    case Auto_vtBool: value = CellValue::makeBoolean(v.boolean != 0); break;
    case Auto_vtDate: value = CellValue::makeNumber(Auto_dateToSerial(v.date)); break;
    case Auto_vtError: {
      std::uint32_t code = static_cast<std::uint32_t>(v.error) - Auto_cellErrorBase;
      CellError e;
      if (code > 42 || !Wb_errorFromText(Wb_errorText(static_cast<CellError>(code)), &e) ||
          static_cast<std::uint32_t>(e) != code)
        return false;
      value = CellValue::makeError(e);
      break;
    }
    case Auto_vtString: {
      std::string text = Auto_stringToUtf8(v.str);
      std::size_t b = text.find_first_not_of(' ');
      if (b != std::string::npos && text[b] == '=' && text.size() > b + 1) {
        Wb_setFormula(wb, sh, row, col, text.substr(b));
        return true;
      }
      // A leading apostrophe keeps the rest as text, as typing it does.
      value = !text.empty() && text[0] == '\'' ? CellValue::makeText(text.substr(1)) : Auto_parseConstant(text);
      break;
    }
    default: {
      AutoVariant num;
      Auto_variantInit(&num);
      if (Auto_failed(Auto_variantChangeType(&num, &v, 0, Auto_vtR8))) return false;
      value = CellValue::makeNumber(num.r8);
    }
  }
  if (value.kind == CellKind::Empty && !Wb_findCell(sh, row, col)) return true;
  Wb_setValue(wb, sh, row, col, value);
  return true;
}
