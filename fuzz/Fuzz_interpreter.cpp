// Fuzz target: any bytes as the formula of a cell, read and compiled by the
// library's formula interpreter (its lexer, recursive-descent reader and
// code generator, with the cells and names the formula reaches) and run once
// in plain mode, on a small workbook of values, a formula cell, a second
// sheet and names. A formula it refuses fails with a status, never a crash.
#include <cstdint>
#include <string>

#include "frontend/Fe_Interpreter.h"
#include "platform/workbook/Wb_Workbook.h"
#include "tests/support/FuzzWorkbook.h"

namespace {

// The fuzz workbook with an error value beside its boolean, the fuzzed
// formula to go into C7 of its first sheet.
Workbook* workbook() {
  Workbook* wb = Fuzz_workbook();
  Wb_setValue(wb, wb->sheets[1].get(), 1, 0, CellValue::makeError(CellError::NA));
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
