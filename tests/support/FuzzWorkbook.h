// The small workbook the formula fuzz targets evaluate their bytes on:
// values on a first sheet "Main" (a 4 x 3 block, a text with wildcards and a
// formula in A6), a boolean on a second sheet and three names.
#pragma once

#include "platform/workbook/Wb_Workbook.h"

inline Workbook* Fuzz_workbook() {
  Workbook* wb = Wb_newWorkbook("fuzz.xlsx");
  Sheet* main = Wb_addSheet(wb, "Main");
  Sheet* other = Wb_addSheet(wb, "Other Sheet");
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) Wb_setValue(wb, main, r, c, CellValue::makeNumber(r * 3 + c - 4.5));
  Wb_setValue(wb, main, 4, 0, CellValue::makeText("Text*?~"));
  Wb_setValue(wb, other, 0, 0, CellValue::makeBoolean(true));
  Wb_setFormula(wb, main, 5, 0, "=SUM(A1:C4)");
  Wb_defineName(wb, DefinedName{"Block", "Main!$A$1:$C$4", -1, false});
  Wb_defineName(wb, DefinedName{"Rate", "0.05", 0, false});
  Wb_defineName(wb, DefinedName{"Twice", "Block*2", -1, false});
  return wb;
}
