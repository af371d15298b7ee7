// Workbooks written for other add-ins, built cell by cell on one sheet
// "Plan": cells by A1 text (numbers, texts or formulas), cells given a named
// cell style, and defined names of the workbook or of the sheet. Kept open
// in the stand-in application, or saved as a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"

struct AddinBook {
  std::vector<std::pair<std::string, std::string>> cells;       // A1 text, value or "=formula"
  std::vector<std::string> styled;                              // A1 ranges of the style "Adjustable"
  std::vector<std::pair<std::string, std::string>> names;       // workbook names
  std::vector<std::pair<std::string, std::string>> sheetNames;  // names of sheet Plan, hidden

  // Opens it in the stand-in application, as its active workbook.
  Workbook* open() const {
    Workbook* wb = Wb_newWorkbook("addin.xlsx");
    Sheet* plan = Wb_addSheet(wb, "Plan");
    for (const auto& [at, value] : cells) {
      int row = 0, col = 0;
      EXPECT_TRUE(Wb_parseA1(at, &row, &col)) << at;
      char* end = nullptr;
      const double x = std::strtod(value.c_str(), &end);
      if (value[0] == '=') Wb_setFormula(wb, plan, row, col, value);
      else if (!*end) Wb_setValue(wb, plan, row, col, CellValue::makeNumber(x));
      else Wb_setValue(wb, plan, row, col, CellValue::makeText(value));
    }
    if (!styled.empty()) {
      const int style = Wb_addStyle(wb, CellStyle{"Adjustable", "0.00"});
      for (const std::string& range : styled) {
        const size_t colon = range.find(':');
        int r1 = 0, c1 = 0, r2 = 0, c2 = 0;
        EXPECT_TRUE(Wb_parseA1(range.substr(0, colon), &r1, &c1)) << range;
        if (colon == std::string::npos) r2 = r1, c2 = c1;
        else EXPECT_TRUE(Wb_parseA1(range.substr(colon + 1), &r2, &c2)) << range;
        for (int row = r1; row <= r2; ++row)
          for (int col = c1; col <= c2; ++col) Wb_cellAt(wb, plan, row, col)->style = style;
      }
    }
    for (const auto& [name, value] : names) Wb_defineName(wb, DefinedName{name, value, -1, false});
    for (const auto& [name, value] : sheetNames) Wb_defineName(wb, DefinedName{name, value, 0, true});
    Calc_recalculate(wb);
    return wb;
  }
  std::string save(const std::filesystem::path& path) const {
    Workbook* wb = open();
    std::string error;
    EXPECT_TRUE(Xlsx_save(wb, path.string(), &error)) << error;
    Wb_closeWorkbook(wb);
    return path.string();
  }
};

// The two-product plan in markers: maximise 3x + 5y (B9, named WBMAX) over
// the adjustable cells B2:C2 with x <= 4 as a bound (D5), 2y <= C6 = 12
// between cells (D6) and 3x + 2y <= 18 against a number (D7). Optimum
// x = 2, y = 6, profit 36.
inline AddinBook addinPlan() {
  AddinBook b;
  b.cells = {{"B2", "0"},
             {"C2", "0"},
             {"B5", "=B2"},
             {"B6", "=2*C2"},
             {"C6", "12"},
             {"B7", "=3*B2+2*C2"},
             {"B9", "=3*B2+5*C2"},
             {"D5", "=wb(B2,\"<=\",4)"},
             {"D6", "=wb(B6,\"<=\",C6)"},
             {"D7", "=wb(B7, \"<=\", 18)"}};
  b.styled = {"B2:C2"};
  b.names = {{"WBMAX", "Plan!$B$9"}};
  return b;
}
