// The source a load reads cells from: the workbook through automation,
// the command line's workbook, or a test's table. The reader asks it for
// cells, references, defined names and used areas.
#pragma once

#include <cstdint>
#include <string>

#include "interpreter/Load_Names.h"
#include "values/Model_Refs.h"

struct AddinWorkbook;
struct SymbolTable;
struct Value;

// What a cell holds besides its value.
struct ReaderCell {
  std::u16string formula;   // empty for a constant
  bool isArray = false;     // part of an array formula
  bool storedOnly = false;  // a formula the model does not compute: its stored value stands for it
  uint16_t arrayRow = 0;    // position in the array formula's block
  uint8_t arrayColumn = 0;
  RangeRef block{};  // the whole block, when the source knows it (else all zero)
};

// Where the reader gets cells from (the workbook through automation, or a
// test's table).
struct ReaderSource {
  virtual ~ReaderSource() = default;
  // The range a reference text names on the given sheet ("b4", "$a$1:$c$3",
  // "sheet2!b4", a defined name); a defined name that stands for a formula
  // leaves the range all zero and gives its formula text instead, with the
  // sheet it is read on (see Load_resolveName).
  virtual bool resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) = 0;
  // The stored value of a cell and its formula.
  virtual bool readCell(const CellRef& cell, Value* value, ReaderCell* info) = 0;
  // The stored values of a run of cells from first on, along its row (or
  // down its column) and at most count of them, into values one after
  // another, as far as the cells hold alike: constants (info left as it
  // is), or cells of one array block (info then tells first's formula and
  // place in it). The number read; 0 when first is to be read alone,
  // through readCell.
  virtual int32_t readRun(const CellRef& /*first*/, int32_t /*count*/, bool /*down*/, Value* /*values*/,
                          ReaderCell* /*info*/) {
    return 0;
  }
  // The sheet's used area: every cell outside it is empty and holds no
  // formula (an area left all zero when the sheet holds no cell); false when
  // the source does not know it, and then every cell of a range is read.
  virtual bool usedArea(uint8_t /*sheet*/, RangeRef* /*area*/) { return false; }
  // The values of a reference into another workbook ("'[book.xlsx]sheet'!a1"),
  // a scalar or an array; false when the book or the range cannot be had.
  virtual bool readExternal(const std::u16string& /*text*/, Value* /*value*/) { return false; }
  // Reads every symbol of the table marked for refresh again, setting each
  // one's changed flag; a source that cannot read the workbook again leaves
  // them as they are.
  virtual void refreshSymbols(SymbolTable* /*table*/) {}
  // The workbook as the import of another add-in's model reads it; null when
  // the source cannot give it.
  virtual AddinWorkbook* addinWorkbook() { return nullptr; }
};
