// Reverse tape over intervals (kind 10): each operation on kind-10 values
// appends one node with its interval value and the interval partials with
// respect to at most two operands, and returns a copy of it; the backward
// sweep (Tape_reverseSweep<IvRevScalar>) turns them into an enclosure of the
// gradient over the box. A domain fault raises status 31 (30 for a negative
// power of an interval through 0) and turns the new node into the constant
// [NaN, NaN]. A tape that is full raises status 37 and appends nothing (the
// operand comes back).
#pragma once

#include <cstdint>

#include "arithmetic/interval/Ivl_Arith.h"
#include "values/IvRev_Node.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

// The enclosing operations, rounded outwards, of the tape's preparation and
// sweeps (Tape_Reverse.h).
struct IvRevScalar {
  static constexpr const char* kFamily = "IvRev";
  static constexpr int32_t kKind = kValIvRev;
  static constexpr auto kNodes = &EvalBuffers::ivRevTape;
  static constexpr auto kCapacity = &EvalBuffers::ivRevTapeCapacity;
  static Interval constant(double c) { return Interval{c, c}; }
  static bool isZero(const Interval& a) { return a.lo == 0.0 && a.hi == 0.0; }
  static Interval mul(const Interval& partial, const Interval& a) { return Ivl_mul(partial, a); }
  static void add(Interval* adjoint, const Interval& amount) { *adjoint = Ivl_add(*adjoint, amount); }
  static void toGradient(Interval* g, const Interval& amount, bool subtract) {
    *g = subtract ? Ivl_sub(*g, amount) : Ivl_add(*g, amount);
  }
};

// value = [d, d], zero partials; operands, self and context stay.
void IvRev_setConst(IvRevNode* node, double d);

IvRevNode IvRev_neg(const IvRevNode* x);
IvRevNode IvRev_sub(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_subSV(double d, const IvRevNode* x);
IvRevNode IvRev_subVS(const IvRevNode* x, double d);
IvRevNode IvRev_add(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_addSV(double d, const IvRevNode* x);
IvRevNode IvRev_addVS(const IvRevNode* x, double d);
IvRevNode IvRev_mul(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_mulSV(double d, const IvRevNode* x);
IvRevNode IvRev_mulVS(const IvRevNode* x, double d);
IvRevNode IvRev_div(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_divSV(double d, const IvRevNode* x);
IvRevNode IvRev_divVS(const IvRevNode* x, double d);
IvRevNode IvRev_abs(const IvRevNode* x);
IvRevNode IvRev_acos(const IvRevNode* x);
IvRevNode IvRev_asin(const IvRevNode* x);
IvRevNode IvRev_atan(const IvRevNode* x);
IvRevNode IvRev_cos(const IvRevNode* x);
IvRevNode IvRev_cosh(const IvRevNode* x);
IvRevNode IvRev_exp(const IvRevNode* x);
IvRevNode IvRev_ln(const IvRevNode* x);
IvRevNode IvRev_max(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_maxSV(double d, const IvRevNode* x);
IvRevNode IvRev_maxVS(const IvRevNode* x, double d);
IvRevNode IvRev_min(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_minSV(double d, const IvRevNode* x);
IvRevNode IvRev_minVS(const IvRevNode* x, double d);
IvRevNode IvRev_powVI(const IvRevNode* x, int32_t k);
IvRevNode IvRev_powVS(const IvRevNode* x, double d);
IvRevNode IvRev_powSV(double d, const IvRevNode* x);
IvRevNode IvRev_pow(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_sign(const IvRevNode* x);
IvRevNode IvRev_sin(const IvRevNode* x);
IvRevNode IvRev_sinh(const IvRevNode* x);
IvRevNode IvRev_sqr(const IvRevNode* x);
IvRevNode IvRev_sqrt(const IvRevNode* x);
IvRevNode IvRev_tan(const IvRevNode* x);
IvRevNode IvRev_tanh(const IvRevNode* x);
