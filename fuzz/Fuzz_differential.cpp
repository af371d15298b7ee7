// Fuzz target: the bytes choose a formula of the differential generator
// (a function of the interpreter's table or an operator over arguments of
// every kind), which the stand-in's calculation and the interpreter then
// evaluate; a disagreement outside the documented differences and the open
// faults of tests/frontend/differential_open.csv stops the run, naming the
// formula and both sides.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/DiffCheck.h"
#include "tests/support/DiffOpen.h"

namespace {

// The open faults, read once; a list that cannot be read stops the run.
const DiffOpenList& openFaults() {
  static const DiffOpenList list = [] {
    DiffOpenList read;
    std::string error;
    if (!Diff_readOpen(Diff_openPath(CORVAN_SOURCE), &read, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return read;
  }();
  return list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  static Workbook* wb = [] {
    Fe_registerFunctions();
    return Diff_workbook();
  }();
  const DiffOpenList& open = openFaults();
  DiffChoices choices = DiffChoices::fromBytes(data, size);
  const DiffFormula formula = Diff_formula(choices);
  const DiffOutcome out = Diff_check(wb, formula.text);
  if (out.agree || out.documented || open.count(DiffKey{formula.target, out.kind})) return 0;
  std::fprintf(stderr, "the calculations differ in a way not listed (%s, %s): %s\n", formula.target.c_str(),
               out.kind.c_str(), out.detail.c_str());
  std::abort();
}
