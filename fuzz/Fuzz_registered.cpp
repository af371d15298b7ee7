// Fuzz target: any bytes as a formula, evaluated by the stand-in's
// calculation with the library's worksheet functions registered into it,
// so that every registered function is called with whatever arguments the
// formula gives: any count, ranges, arrays, errors and texts.
#include <cstdint>
#include <string>

#include "tests/support/FuzzRegistered.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  Fuzz_registeredFormula(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
