// The open workbook as the importers of other add-ins' models read it,
// through the automation layer: references, styled cells, defined names,
// the active sheet's formulas, and cells through the formula reader's
// source.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simulation/import/Addin_Import.h"

struct ExcelAutomation;
struct ReaderSource;

struct ComAddinBook final : AddinWorkbook {
  ExcelAutomation* ea;  // not owned
  ReaderSource* cells;  // not owned
  ComAddinBook(ExcelAutomation* automation, ReaderSource* source) : ea(automation), cells(source) {}
  uint8_t activeSheet() override;
  int32_t sheetCount() override;
  bool parseReference(std::u16string_view text, RangeRef* range) override;
  bool styledCells(const std::u16string& style, std::vector<RangeRef>* found) override;
  bool namesContaining(std::u16string_view part,
                       std::vector<std::pair<std::u16string, std::u16string>>* names) override;
  bool nameValue(const std::u16string& name, int32_t sheet, std::u16string* value) override;
  bool cellFormula(const CellRef& cell, std::u16string* formula) override;
  bool formulasContaining(const std::vector<std::u16string_view>& parts,
                          std::vector<std::pair<CellRef, std::u16string>>* found) override;
};
