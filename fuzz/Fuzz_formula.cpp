// Fuzz target: any bytes as a formula, evaluated on a small workbook with
// values, a second sheet and names, and moved the way shared formulas move.
#include <cstdint>
#include <string>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

Workbook* workbook() {
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static Workbook* wb = workbook();
  std::string text(reinterpret_cast<const char*>(data), size);
  CalcEvalResult result;
  Calc_evaluate(wb, 0, text, &result);
  Xlsx_shiftFormula(text, 3, -2);
  return 0;
}
