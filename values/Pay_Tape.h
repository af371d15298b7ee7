// Names shared by every tape of the evaluation modes: the operand reference of
// a node and the operation codes (also the member order of the families).
#pragma once

#include <cstdint>

// > 0 a node of the tape, < 0 minus a decision variable's position, 0 none or
// a constant.
using NodeRef = int32_t;

enum OpCode : int32_t {
  kOpNone = 0,  // constant or variable leaf
  kOpSub = 1,   // also negation, as 0 - x
  kOpAdd = 2,
  kOpMul = 3,
  kOpDiv = 4,
  kOpAbs = 5,
  kOpAcos = 6,
  kOpAsin = 7,
  kOpAtan = 8,
  kOpCos = 9,
  kOpCosh = 10,
  kOpExp = 11,
  kOpLn = 12,
  kOpMax = 13,
  kOpMin = 14,
  kOpPower = 15,
  kOpSign = 16,
  kOpSin = 17,
  kOpSinh = 18,
  kOpSquare = 19,
  kOpSqrt = 20,
  kOpTan = 21,
  kOpTanh = 22,
};
