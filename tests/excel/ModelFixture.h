// A workbook of the stand-in application with one active sheet "Model", on
// which tests define the model's names and cells.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"

class ModelFixture : public ::testing::Test {
 protected:
  Workbook* wb = nullptr;
  Sheet* sheet = nullptr;

  void SetUp() override {
    Wb_resetApp();
    Xlc_resetHost();
    wb = Wb_newWorkbook("model.xlsx");
    sheet = Wb_addSheet(wb, "Model");
  }
  void TearDown() override {
    EXPECT_EQ(Xlc_liveBlocks(), 0u);     // every result was given back
    Wb_resetApp();
    Xlc_resetHost();
  }

  // A hidden name local to the model sheet.
  void name(const std::string& text, const std::string& definition) {
    Wb_defineName(wb, {text, definition, 0, true});
  }
  void number(const char* a1, double value) {
    int row, column;
    ASSERT_TRUE(Wb_parseA1(a1, &row, &column));
    Wb_setValue(wb, sheet, row, column, CellValue::makeNumber(value));
  }
  void text(const char* a1, const std::string& value) {
    int row, column;
    ASSERT_TRUE(Wb_parseA1(a1, &row, &column));
    Wb_setValue(wb, sheet, row, column, CellValue::makeText(value));
  }
  void formula(const char* a1, const std::string& f) {
    int row, column;
    ASSERT_TRUE(Wb_parseA1(a1, &row, &column));
    Wb_setFormula(wb, sheet, row, column, f);
  }
  CellValue valueAt(const char* a1) const {
    int row, column;
    Wb_parseA1(a1, &row, &column);
    const Cell* cell = Wb_findCell(sheet, row, column);
    return cell ? cell->value : CellValue{};
  }
  IDSHEET sheetId() const { return Xlc_sheetId(wb, 0); }
};
