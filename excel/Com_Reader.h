// The formula reader's source over the automation layer: cells, formulas,
// stored values and defined names of the open workbook, so that the
// interpreter compiles a model from the same workbook the host services
// recalculate. Cells are read in tiles of a sheet's used range, each tile
// once per load and kept as values, whatever order the cells are asked in.
#pragma once

#include <memory>
#include <string>

#include "interpreter/Parse_Reader.h"

struct ExcelAutomation;
struct Value;
struct ComCellCache;
struct ComAddinBook;

// The formula of a cell of the cached used range into formula, empty for a
// constant (a text cell holding "=" is a constant); its value into value.
// False outside the used range.
bool Com_cellFormula(ExcelAutomation* ea, int32_t row, int32_t column, Value* value, std::u16string* formula);

struct ComReaderSource : ReaderSource {
  ExcelAutomation* ea;  // not owned; its workbook open and its sheets read
  explicit ComReaderSource(ExcelAutomation* automation);
  ~ComReaderSource() override;
  ComReaderSource(const ComReaderSource&) = delete;
  ComReaderSource& operator=(const ComReaderSource&) = delete;
  bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) override;
  bool readCell(const CellRef& cell, Value* value, ReaderCell* info) override;
  int32_t readRun(const CellRef& first, int32_t count, bool down, Value* values, ReaderCell* info) override;
  AddinWorkbook* addinWorkbook() override;
  bool readExternal(const std::u16string& text, Value* value) override;
  // Reads the marked symbols again; the cells kept from the load go, so
  // that what is read later is the workbook's as it stands.
  void refreshSymbols(SymbolTable* table) override;
  bool usedArea(uint8_t sheet, RangeRef* area) override;

 private:
  // Whether the formulas of the sheet's cells count for nothing (the model
  // takes only the active sheet's).
  bool formulasIgnored(uint8_t sheet) const;
  // Whether a formula cell lies in an array block, which info then
  // describes.
  bool arrayCell(const CellRef& cell, ReaderCell* info);
  std::unique_ptr<ComCellCache> cache;
  std::unique_ptr<ComAddinBook> addins;
};
