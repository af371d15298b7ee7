// Cells of a sheet named by their A1 text, for tests that build models cell
// by cell and read back what they hold.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/workbook/Wb_Workbook.h"

// Puts a value into cell `a1` of `sheet`.
inline void Test_put(Workbook* wb, Sheet* sheet, const char* a1, const CellValue& value) {
  int row = 0, column = 0;
  ASSERT_TRUE(Wb_parseA1(a1, &row, &column)) << a1;
  Wb_setValue(wb, sheet, row, column, value);
}

// Puts a formula into cell `a1` of `sheet`.
inline void Test_formula(Workbook* wb, Sheet* sheet, const char* a1, const std::string& formula) {
  int row = 0, column = 0;
  ASSERT_TRUE(Wb_parseA1(a1, &row, &column)) << a1;
  Wb_setFormula(wb, sheet, row, column, formula);
}

// The value of cell `a1`; an empty value when the cell does not exist.
inline const CellValue& Test_valueAt(const Sheet* sheet, const char* a1) {
  static const CellValue kEmpty;
  int row = 0, column = 0;
  EXPECT_TRUE(Wb_parseA1(a1, &row, &column)) << a1;
  const Cell* cell = Wb_findCell(sheet, row, column);
  return cell ? cell->value : kEmpty;
}
