// Fuzz target: the bytes choose a formula of the differential generator
// (a function of the interpreter's table or an operator over arguments of
// every kind), which the stand-in's calculation and the interpreter then
// evaluate; a disagreement outside the documented differences stops the
// run, naming the formula and both sides.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/DiffCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static Workbook* wb = [] {
    Fe_registerFunctions();
    return Diff_workbook();
  }();
  DiffChoices choices = DiffChoices::fromBytes(data, size);
  const DiffOutcome out = Diff_check(wb, Diff_formula(choices));
  if (out.agree || out.documented) return 0;
  std::fprintf(stderr, "the calculations differ (%s): %s\n", out.kind.c_str(), out.detail.c_str());
  std::abort();
}
