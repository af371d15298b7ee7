// One expression skeleton per member and elementary function of the
// arithmetic families, evaluated by the adaptors of ModeFamilies.h.
#pragma once

#include "tests/arithmetic/ModeFamilies.h"

enum Form { kUnary, kBinary, kLeft, kRight };

struct Case {
  const char* name;
  Form form;
  int32_t op;
  double s;      // the number of a mixed form
  double shift;  // moves the inner operand into the function's domain
};

// op applied to u = 0.5 x1 + 0.25 x1 x2 + shift and v = x2^2 - 0.5 x1 + 1,
// which lie within shift +- 0.56 and [0.6, 2.04] for x in [-0.8, 0.8].
template <class F>
typename F::T build(F& f, const Case& c) {
  auto x1 = f.var(1), x2 = f.var(2);
  auto u = f.vs(kOpAdd, f.bin(kOpAdd, f.sv(kOpMul, 0.5, x1), f.sv(kOpMul, 0.25, f.bin(kOpMul, x1, x2))), c.shift);
  auto v = f.vs(kOpAdd, f.bin(kOpSub, f.un(kOpSquare, x2), f.vs(kOpMul, x1, 0.5)), 1.0);
  switch (c.form) {
    case kUnary: return f.un(c.op, u);
    case kBinary: return f.bin(c.op, u, v);
    case kLeft: return f.sv(c.op, c.s, v);
    default: return f.vs(c.op, u, c.s);
  }
}

inline const Case kCases[] = {
    {"neg", kUnary, kNeg, 0, 0},        {"abs", kUnary, kOpAbs, 0, 0.1},      {"acos", kUnary, kOpAcos, 0, 0},
    {"asin", kUnary, kOpAsin, 0, 0},    {"atan", kUnary, kOpAtan, 0, 0},      {"cos", kUnary, kOpCos, 0, 0},
    {"cosh", kUnary, kOpCosh, 0, 0},    {"exp", kUnary, kOpExp, 0, 0},        {"ln", kUnary, kOpLn, 0, 1.5},
    {"sign", kUnary, kOpSign, 0, 0.7},  {"sin", kUnary, kOpSin, 0, 0},        {"sinh", kUnary, kOpSinh, 0, 0},
    {"sqr", kUnary, kOpSquare, 0, 0},   {"sqrt", kUnary, kOpSqrt, 0, 1.5},    {"tan", kUnary, kOpTan, 0, 0},
    {"tanh", kUnary, kOpTanh, 0, 0},    {"sub", kBinary, kOpSub, 0, 0},       {"add", kBinary, kOpAdd, 0, 0},
    {"mul", kBinary, kOpMul, 0, 0},     {"div", kBinary, kOpDiv, 0, 0},       {"max", kBinary, kOpMax, 0, 1.0},
    {"min", kBinary, kOpMin, 0, 1.0},   {"pow", kBinary, kOpPower, 0, 1.5},   {"subSV", kLeft, kOpSub, 2, 0},
    {"addSV", kLeft, kOpAdd, 2, 0},     {"mulSV", kLeft, kOpMul, -3, 0},      {"divSV", kLeft, kOpDiv, 3, 0},
    {"maxSV", kLeft, kOpMax, 1.2, 0},   {"minSV", kLeft, kOpMin, 1.2, 0},     {"powSV", kLeft, kOpPower, 2.5, 0},
    {"subVS", kRight, kOpSub, 2, 0},    {"addVS", kRight, kOpAdd, 2, 0},      {"mulVS", kRight, kOpMul, -3, 0},
    {"divVS", kRight, kOpDiv, 4, 0},    {"maxVS", kRight, kOpMax, 0.1, 0},    {"minVS", kRight, kOpMin, 0.1, 0},
    {"powVS", kRight, kOpPower, 2.5, 1.5},
};

