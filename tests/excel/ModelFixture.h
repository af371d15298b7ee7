// A workbook of the stand-in application with one active sheet "Model", on
// which tests define the model's names and cells.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlc_Host.h"
#include "tests/support/SheetCells.h"

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
  void number(const char* a1, double value) { Test_put(wb, sheet, a1, CellValue::makeNumber(value)); }
  void text(const char* a1, const std::string& value) { Test_put(wb, sheet, a1, CellValue::makeText(value)); }
  void formula(const char* a1, const std::string& f) { Test_formula(wb, sheet, a1, f); }
  CellValue valueAt(const char* a1) const { return Test_valueAt(sheet, a1); }
  IDSHEET sheetId() const { return Xlc_sheetId(wb, 0); }
};
