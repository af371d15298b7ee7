// Temporary General-only number formatting, until the number formats land.
#include <cstdio>

#include "platform/calc/Calc.h"

bool Calc_formatNumber(double value, const std::string& format, std::string* out) {
  if (!format.empty() && format != "General") return false;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  *out = buf;
  return true;
}

std::string Calc_displayText(const CellValue& v, const std::string& format) {
  switch (v.kind) {
    case CellKind::Empty: return "";
    case CellKind::Text: return v.text;
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    case CellKind::Number: break;
  }
  std::string s;
  if (!Calc_formatNumber(v.number, format, &s)) Calc_formatNumber(v.number, "", &s);
  return s;
}
