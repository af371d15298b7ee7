// Fuzz target: any bytes as a formula, evaluated on a small workbook with
// values, a second sheet and names, and moved the way shared formulas move.
#include <cstdint>
#include <string>

#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/FuzzWorkbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static Workbook* wb = Fuzz_workbook();
  std::string text(reinterpret_cast<const char*>(data), size);
  CalcEvalResult result;
  Calc_evaluate(wb, 0, text, &result);
  Xlsx_shiftFormula(text, 3, -2);
  return 0;
}
