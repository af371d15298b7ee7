// The one input of the registered-functions fuzz target, shared with the
// test that replays its findings: formula text evaluated by the stand-in's
// calculation on the fuzz workbook, with the library's worksheet functions
// and the simulation names registered into it as `corvan` registers them;
// the result, for the test.
#pragma once

#include <string>

#include "frontend/Fe_Frontend.h"
#include "platform/calc/Calc.h"
#include "tests/support/FuzzWorkbook.h"

inline CalcEvalResult Fuzz_registeredFormula(const std::string& text) {
  static Workbook* wb = [] {
    Fe_registerFunctions();
    return Fuzz_workbook();
  }();
  CalcEvalResult result;
  Calc_evaluate(wb, 0, text, &result);
  return result;
}
