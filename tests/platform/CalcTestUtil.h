// Shared fixture of the calculation tests: a fresh application with one
// workbook, and helpers to evaluate formula texts on its sheets.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>

#include "platform/calc/Calc.h"
#include "tests/support/SheetCells.h"

class CalcFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    wb = Wb_newWorkbook("calc.xlsx");
    sh = Wb_addSheet(wb, "S");
  }
  void TearDown() override { Wb_resetApp(); }

  // The single value of a formula evaluated on sheet `sheet` (the first by default).
  CellValue eval(const std::string& text, int sheet = 0) {
    CalcEvalResult r;
    EXPECT_TRUE(Calc_evaluate(wb, sheet, text, &r)) << text;
    if (r.value.values.empty()) return CellValue::makeError(CellError::Null);
    return r.value.values[0];
  }
  // What Calc_evaluate gives on a sheet: "ref " and the areas (sheet index!
  // corners) for a reference, then the shape and the values as they show;
  // "<failed>" when it fails.
  std::string evaluated(int sheet, const std::string& text) {
    CalcEvalResult r;
    if (!Calc_evaluate(wb, sheet, text, &r)) return "<failed>";
    std::string out = r.isReference ? "ref" : "";
    for (std::size_t i = 0; i < r.areas.size(); ++i) {
      const auto& a = r.areas[i];
      out += (i ? "," : " ") + std::to_string(a.sheet) + "!" + Wb_a1(a.row1, a.col1) + ":" + Wb_a1(a.row2, a.col2);
    }
    out += (out.empty() ? "" : " ") + std::to_string(r.value.rows) + "x" + std::to_string(r.value.cols) + " {";
    for (std::size_t i = 0; i < r.value.values.size(); ++i) out += (i ? "," : "") + Calc_displayText(r.value.values[i], "");
    return out + "}";
  }
  // Each formula against its value: "\"abc\"" a text, "2.5" a number (exactly
  // the double the digits read as), else as it shows ("TRUE", "#N/A").
  void expectValues(std::initializer_list<std::pair<const char*, std::string>> cases) {
    for (const auto& [text, want] : cases) expectValue(eval(text), want, text);
  }
  // Each cell of sheet S (given as A1 text) against its value, written as above.
  void expectCells(std::initializer_list<std::pair<const char*, std::string>> cases) {
    for (const auto& [a1, want] : cases) expectValue(value(a1), want, a1);
  }
  static void expectValue(const CellValue& v, const std::string& want, const std::string& what) {
    char* end = nullptr;
    double d = std::strtod(want.c_str(), &end);
    if (!want.empty() && want[0] == '"') {
      EXPECT_EQ(v, CellValue::makeText(want.substr(1, want.size() - 2))) << what;
    } else if (!want.empty() && *end == '\0') {
      EXPECT_EQ(v, CellValue::makeNumber(d)) << what;
    } else {
      EXPECT_NE(v.kind, CellKind::Text) << what;
      EXPECT_EQ(Calc_displayText(v, ""), want) << what;
    }
  }
  void setNum(const char* a1, double d) { Test_put(wb, sh, a1, CellValue::makeNumber(d)); }
  void setText(const char* a1, const std::string& t) { Test_put(wb, sh, a1, CellValue::makeText(t)); }
  void formula(const char* a1, const std::string& f, Sheet* on = nullptr) { Test_formula(wb, on ? on : sh, a1, f); }
  const CellValue& value(const char* a1, Sheet* on = nullptr) { return Test_valueAt(on ? on : sh, a1); }

  Workbook* wb = nullptr;
  Sheet* sh = nullptr;
};

inline void PrintTo(const CellValue& v, std::ostream* os) {
  static const char* kinds[] = {"empty", "number", "text", "boolean", "error"};
  *os << kinds[static_cast<int>(v.kind)] << " " << Calc_displayText(v, "");
}
