// Fuzz target: any bytes as the formula of a cell, read and compiled by the
// library's formula interpreter (its lexer, recursive-descent reader and
// code generator, with the cells and names the formula reaches) and run once
// in plain mode, on a small workbook of values, a formula cell, a second
// sheet and names. A formula it refuses fails with a status, never a crash.
#include <cstdint>
#include <string>

#include "frontend/Fe_Internal.h"
#include "platform/workbook/Wb_Workbook.h"

namespace {

// The workbook, with the fuzzed formula to go into C7 of its first sheet.
Workbook* workbook() {
  Workbook* wb = Wb_newWorkbook("fuzz.xlsx");
  Sheet* main = Wb_addSheet(wb, "Main");
  Sheet* other = Wb_addSheet(wb, "Other Sheet");
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) Wb_setValue(wb, main, r, c, CellValue::makeNumber(r * 3 + c - 4.5));
  Wb_setValue(wb, main, 4, 0, CellValue::makeText("Text*?~"));
  Wb_setValue(wb, other, 0, 0, CellValue::makeBoolean(true));
  Wb_setValue(wb, other, 1, 0, CellValue::makeError(CellError::NA));
  Wb_setFormula(wb, main, 5, 0, "=SUM(A1:C4)");
  Wb_defineName(wb, DefinedName{"Block", "Main!$A$1:$C$4", -1, false});
  Wb_defineName(wb, DefinedName{"Rate", "0.05", 0, false});
  Wb_defineName(wb, DefinedName{"Twice", "Block*2", -1, false});
  return wb;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static Workbook* wb = workbook();
  std::string text(reinterpret_cast<const char*>(data), size);
  Wb_setFormula(wb, wb->sheets[0].get(), 6, 2, text.empty() || text[0] != '=' ? "=" + text : text);
  FeInterpreted out;
  Fe_interpretWorkbook(wb, &out);
  return 0;
}
