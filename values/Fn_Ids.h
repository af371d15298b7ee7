// Worksheet-function identifiers that code names by hand (the derivative
// texts, the big-M rewrites); the function table and the dispatcher hold
// every identifier by number.
#pragma once

#include <cstdint>

enum FunctionId : int16_t {
  kIdAbs = 1, kIdAcos = 2, kIdAsin = 4, kIdAtan = 6, kIdCos = 11, kIdCosh = 12, kIdExp = 16, kIdLn = 23,
  kIdSign = 45, kIdSin = 46, kIdSinh = 47, kIdSqrt = 48, kIdTan = 58, kIdTanh = 59,
  kIdAnd = 701, kIdIf = 703, kIdNot = 704, kIdOr = 705, kIdMax = 939, kIdMin = 942,
};
