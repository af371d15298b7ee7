// Reverse tape over reals (kind 7): each operation on kind-7 values appends
// one node to the context's tape with its value and its partial derivatives
// with respect to at most two operands, and returns a copy of that node; the
// backward sweep (Tape_reverseSweep<RevScalar>) then turns the partials into
// the gradient of the value the evaluation produced. A zero divisor raises
// status 30 and an argument outside an open domain status 31; the operation
// then returns its operand. A tape that is full raises status 37 and appends
// nothing.
#pragma once

#include <cstdint>

#include "values/Rev_Node.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

// The point operations of the tape's preparation and sweeps (Tape_Reverse.h).
struct RevScalar {
  static constexpr const char* kFamily = "Rev";
  static constexpr int32_t kKind = kValRev;
  static constexpr auto kNodes = &EvalBuffers::revTape;
  static constexpr auto kCapacity = &EvalBuffers::revTapeCapacity;
  static double constant(double c) { return c; }
  static bool isZero(double a) { return a == 0.0; }
  static double mul(double partial, double a) { return partial * a; }
  static void add(double* adjoint, double amount) { *adjoint += amount; }
  static void toGradient(double* g, double amount, bool subtract) { *g += (subtract ? -1.0 : 1.0) * amount; }
};

// value = d with no derivatives; operands, self and context stay.
void Rev_setConst(RevNode* node, double d);

RevNode Rev_neg(const RevNode* x);
RevNode Rev_sub(const RevNode* x, const RevNode* y);
RevNode Rev_subSV(double d, const RevNode* x);
RevNode Rev_subVS(const RevNode* x, double d);
RevNode Rev_add(const RevNode* x, const RevNode* y);
RevNode Rev_addSV(double d, const RevNode* x);
RevNode Rev_addVS(const RevNode* x, double d);
RevNode Rev_mul(const RevNode* x, const RevNode* y);
RevNode Rev_mulSV(double d, const RevNode* x);
RevNode Rev_mulVS(const RevNode* x, double d);
RevNode Rev_div(const RevNode* x, const RevNode* y);
RevNode Rev_divSV(double d, const RevNode* x);
RevNode Rev_divVS(const RevNode* x, double d);
RevNode Rev_abs(const RevNode* x);
RevNode Rev_acos(const RevNode* x);
RevNode Rev_asin(const RevNode* x);
RevNode Rev_atan(const RevNode* x);
RevNode Rev_cos(const RevNode* x);
RevNode Rev_cosh(const RevNode* x);
RevNode Rev_exp(const RevNode* x);
RevNode Rev_ln(const RevNode* x);
// MAX and MIN weigh a tie as the forward families do (0.5 each for two tape
// operands), so MAX(x, x) has derivative 1.
RevNode Rev_max(const RevNode* x, const RevNode* y);
RevNode Rev_maxSV(double d, const RevNode* x);
RevNode Rev_maxVS(const RevNode* x, double d);
RevNode Rev_min(const RevNode* x, const RevNode* y);
RevNode Rev_minSV(double d, const RevNode* x);
RevNode Rev_minVS(const RevNode* x, double d);
RevNode Rev_pow(const RevNode* x, const RevNode* y);
RevNode Rev_powSV(double d, const RevNode* x);
RevNode Rev_powVS(const RevNode* x, double d);
RevNode Rev_sign(const RevNode* x);
RevNode Rev_sin(const RevNode* x);
RevNode Rev_sinh(const RevNode* x);
RevNode Rev_sqr(const RevNode* x);
RevNode Rev_sqrt(const RevNode* x);
RevNode Rev_tan(const RevNode* x);
RevNode Rev_tanh(const RevNode* x);
