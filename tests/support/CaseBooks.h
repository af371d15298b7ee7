// The shared worksheet-function cases as workbooks of the stand-in: a case's
// input cells on its sheets and its formula (an array formula over its
// block) in its cell, and the comparison of a cell's value with what the
// case expects. The stand-in's case tests and the comparison of its
// calculation with the interpreter's share them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "tests/support/FunctionCases.h"

// One case of a cases file, by the file's column names.
struct CaseRecord {
  std::string id, function, formula, context, type, expected, compare, array, cell;
};

inline CaseRecord Cases_record(const std::vector<std::string>& f, std::map<std::string, size_t>& col) {
  return CaseRecord{f[col["id"]],      f[col["function"]],      f[col["formula"]],
                    f[col["context"]], f[col["expected_type"]], f[col["expected"]],
                    f[col["compare"]], f[col["array"]],         f[col["cell"]]};
}

// Calls visit with each case of the shared cases file `file` (under
// functions/); false when the file cannot be read.
template <class Visit>
bool Cases_forEach(const std::string& file, Visit visit) {
  std::ifstream in(std::string(CORVAN_DATA) + "/functions/" + file, std::ios::binary);
  std::vector<std::string> f, header;
  if (!in || !Cases_readRecord(in, &header)) return false;
  std::map<std::string, size_t> col;
  for (size_t i = 0; i < header.size(); ++i) col[header[i]] = i;
  while (Cases_readRecord(in, &f))
    if (f.size() == header.size()) visit(Cases_record(f, col));
  return true;
}

// The input cells of a case as the workbook's values.
inline bool Cases_contextCells(const std::string& json, std::vector<std::pair<std::string, CellValue>>* out) {
  std::vector<CaseInput> inputs;
  if (!Cases_readContext(json, &inputs)) return false;
  for (const CaseInput& input : inputs) {
    CellValue v;
    CellError e;
    if (input.kind == CaseInput::Text)
      v = Wb_errorFromText(input.text, &e) ? CellValue::makeError(e) : CellValue::makeText(input.text);
    else if (input.kind == CaseInput::Boolean) v = CellValue::makeBoolean(input.boolean);
    else v = CellValue::makeNumber(input.number());
    out->push_back({input.cell, v});
  }
  return true;
}

// A new workbook (in a reset application) of the case: sheet "Formulas"
// with the formula, cells of other sheets ("Data!A1") on sheets of that
// name; a formula over several cells is one array formula over its block.
// The formula's sheet and cell go to sheet, row and column; null when the
// case cannot be read.
inline Workbook* Cases_makeBook(const CaseRecord& c, Sheet** sheet, int* row, int* column) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("cases.xlsx");
  Sheet* sh = *sheet = Wb_addSheet(wb, "Formulas");
  std::vector<std::pair<std::string, CellValue>> context;
  if (!Cases_contextCells(c.context, &context)) return nullptr;
  for (const auto& [key, v] : context) {
    const size_t bang = key.find('!');
    Sheet* at = sh;
    if (bang != std::string::npos) {
      at = nullptr;
      for (const auto& other : wb->sheets)
        if (other->name == key.substr(0, bang)) at = other.get();
      if (!at) at = Wb_addSheet(wb, key.substr(0, bang));
    }
    int r, k;
    if (!Wb_parseA1(key.substr(bang == std::string::npos ? 0 : bang + 1), &r, &k)) return nullptr;
    Wb_setValue(wb, at, r, k, v);
  }
  if (!Wb_parseA1(c.cell, row, column)) return nullptr;
  if (c.array.empty()) {
    Wb_setFormula(wb, sh, *row, *column, c.formula);
    return wb;
  }
  int r1 = *row, c1 = *column, r2, c2;
  const size_t colon = c.array.find(':');
  if (!Wb_parseA1(c.array.substr(0, colon), &r1, &c1)) return nullptr;
  r2 = r1, c2 = c1;
  if (colon != std::string::npos && !Wb_parseA1(c.array.substr(colon + 1), &r2, &c2)) return nullptr;
  Wb_setArrayFormula(wb, sh, CellRange{0, r1, c1, r2, c2}, c.formula);
  return wb;
}

inline std::string Cases_shown(const CellValue& v) {
  static const char* kinds[] = {"empty", "number", "text", "boolean", "error"};
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", v.number);
  return std::string(kinds[static_cast<int>(v.kind)]) + " " +
         (v.kind == CellKind::Number ? std::string(buf) : Calc_displayText(v, ""));
}

inline bool Cases_close(double r, double e, double absolute) {
  double diff = std::fabs(r - e);
  return diff <= absolute || diff <= 1e-14 * std::max(std::fabs(r), std::fabs(e));
}

// Whether the result passes the case's comparison.
inline bool Cases_passes(const CellValue& r, const CaseRecord& c) {
  if (c.compare == "iserror") return r.kind == CellKind::Error;
  if (c.type == "number") {
    if (r.kind != CellKind::Number) return false;
    double e = std::strtod(c.expected.c_str(), nullptr);
    if (c.compare.rfind("round:", 0) == 0)
      return Cases_close(r.number, e, std::pow(10.0, -std::atoi(c.compare.c_str() + 6)));
    if (c.compare.rfind("sig:", 0) == 0) {
      double digits = std::atoi(c.compare.c_str() + 4);
      double scale = e == 0 ? 0 : std::floor(std::log10(std::fabs(e)));
      return Cases_close(r.number, e, std::pow(10.0, scale + 1 - digits));
    }
    return Cases_close(r.number, e, 0);
  }
  if (c.type == "text") return r.kind == CellKind::Text && r.text == c.expected;
  if (c.type == "boolean") return r.kind == CellKind::Boolean && (r.number != 0) == (c.expected == "TRUE");
  return r.kind == CellKind::Error && Wb_errorText(r.error) == c.expected;
}
