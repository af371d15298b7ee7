// The kind-7 operations: one tape node each, a quotient by a huge divisor
// three.
#include "arithmetic/reverse/Rev_Ops.h"

#include <cmath>

#include "arithmetic/numeric/Num_Elementary.h"
#include "arithmetic/numeric/Num_Scalar.h"
#include "arithmetic/tape/Tape_Sweep.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raise(EvalErrors* errors, InterpStatus code) { Vm_raise(errors, code, RevScalar::kFamily, 0, 0, 0); }

RevNode* next(EvalContext* ctx) { return Tape_nextNode<RevScalar>(ctx); }

// A node with x as its only operand; the number operand, if any, has no
// reference.
RevNode single(const RevNode* x, double value, double partial) {
  RevNode* node = next(x->context);
  return node ? Tape_writeNode(node, value, partial, 0.0, x->self, 0) : *x;
}

// As single, for an operation whose number stands on the left.
RevNode singleRight(const RevNode* x, double value, double partial) {
  RevNode* node = next(x->context);
  return node ? Tape_writeNode(node, value, 0.0, partial, 0, x->self) : *x;
}

RevNode pair(const RevNode* x, const RevNode* y, double value, double p1, double p2) {
  RevNode* node = next(x->context);
  return node ? Tape_writeNode(node, value, p1, p2, x->self, y->self) : *x;
}

template <int32_t op>
RevNode unary(const RevNode* x) {
  RevNode* node = next(x->context);
  if (!node) return *x;
  if (Num_refusesArgument(op, x->value)) {
    raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument);
    return *x;
  }
  const NumDerivs d = Num_elementary(op, x->value, false);
  return Tape_writeNode(node, d.f, d.d1, 0.0, x->self, 0);
}

bool badDivisor(double y) { return y == 0.0 || std::isnan(y); }

// Whether a quotient q by y goes over scaled operands: its slope in y, -q / y,
// falls below the doubles' normal range at a huge y while the formula's need
// not (LN(3 / (3 + 1E+300 A1)) has a slope of 2), and 1 / y is normal.
bool scaledQuotient(double q, double y) { return Num_quotientCoefficientsOutOfRange(q, y) && std::isnormal(1.0 / y); }

// The quotient q by y as x / y and y / y (which is 1), scaled by 1 / y, then
// their quotient, whose slope in the second is -q: the sweep divides by y
// last. x is null for a number over y.
RevNode overScaled(double q, const RevNode* x, const RevNode* y) {
  const double r = 1.0 / y->value;
  const RevNode ys = single(y, 1.0, r);
  if (!x) return singleRight(&ys, q, -q);
  const RevNode xs = single(x, q, r);
  return pair(&xs, &ys, q, 1.0, -q);
}

RevNode maxMin(bool isMax, const RevNode* x, const RevNode* y) {
  const NumMaxMin m = Num_maxMin(isMax, x->value, y->value, true, true);
  return pair(x, y, m.value, m.wa, m.wb);
}

}  // namespace

void Rev_setConst(RevNode* node, double d) {
  node->value = d;
  node->partial1 = 0.0;
  node->partial2 = 0.0;
}

RevNode Rev_neg(const RevNode* x) { return single(x, -x->value, -1.0); }
RevNode Rev_sub(const RevNode* x, const RevNode* y) { return pair(x, y, x->value - y->value, 1.0, -1.0); }
RevNode Rev_subSV(double d, const RevNode* x) { return singleRight(x, d - x->value, -1.0); }
RevNode Rev_subVS(const RevNode* x, double d) { return single(x, x->value - d, 1.0); }
RevNode Rev_add(const RevNode* x, const RevNode* y) { return pair(x, y, x->value + y->value, 1.0, 1.0); }
RevNode Rev_addSV(double d, const RevNode* x) { return singleRight(x, d + x->value, 1.0); }
RevNode Rev_addVS(const RevNode* x, double d) { return single(x, x->value + d, 1.0); }
RevNode Rev_mul(const RevNode* x, const RevNode* y) { return pair(x, y, x->value * y->value, y->value, x->value); }
RevNode Rev_mulSV(double d, const RevNode* x) { return singleRight(x, d * x->value, d); }
RevNode Rev_mulVS(const RevNode* x, double d) { return single(x, x->value * d, d); }

RevNode Rev_div(const RevNode* x, const RevNode* y) {
  RevNode* node = next(x->context);
  if (!node) return *x;
  if (badDivisor(y->value)) {
    raise(Vm_errorsOf(x->context), kStatusDivisionByZero);
    return *x;
  }
  // The slope in y is -q / y, not -x / y^2: y^2 leaves the doubles' range
  // (1E-300 squared is 0) where the slope itself does not.
  const double q = x->value / y->value;
  if (scaledQuotient(q, y->value)) return overScaled(q, x, y);
  return Tape_writeNode(node, q, 1.0 / y->value, -(q / y->value), x->self, y->self);
}

RevNode Rev_divSV(double d, const RevNode* x) {
  RevNode* node = next(x->context);
  if (!node) return *x;
  if (badDivisor(x->value)) {
    raise(Vm_errorsOf(x->context), kStatusDivisionByZero);
    return *x;
  }
  const double q = d / x->value;
  if (scaledQuotient(q, x->value)) return overScaled(q, nullptr, x);
  return Tape_writeNode(node, q, 0.0, -(q / x->value), 0, x->self);
}

RevNode Rev_divVS(const RevNode* x, double d) {
  if (badDivisor(d)) {
    if (next(x->context)) raise(Vm_errorsOf(x->context), kStatusDivisionByZero);
    return *x;
  }
  // The quotient itself, as the other modes form it: x * (1 / d) may round
  // to a neighbour (48.5 * (1 / 3) is 16.166666666666664, 48.5 / 3 ...668).
  return single(x, x->value / d, 1.0 / d);
}

RevNode Rev_abs(const RevNode* x) { return unary<kOpAbs>(x); }
RevNode Rev_acos(const RevNode* x) { return unary<kOpAcos>(x); }
RevNode Rev_asin(const RevNode* x) { return unary<kOpAsin>(x); }
RevNode Rev_atan(const RevNode* x) { return unary<kOpAtan>(x); }
RevNode Rev_cos(const RevNode* x) { return unary<kOpCos>(x); }
RevNode Rev_cosh(const RevNode* x) { return unary<kOpCosh>(x); }
RevNode Rev_exp(const RevNode* x) { return unary<kOpExp>(x); }
RevNode Rev_ln(const RevNode* x) { return unary<kOpLn>(x); }
RevNode Rev_max(const RevNode* x, const RevNode* y) { return maxMin(true, x, y); }
RevNode Rev_min(const RevNode* x, const RevNode* y) { return maxMin(false, x, y); }

RevNode Rev_maxSV(double d, const RevNode* x) {
  const NumMaxMin m = Num_maxMin(true, d, x->value, false, true);
  return singleRight(x, m.value, m.wb);
}

RevNode Rev_maxVS(const RevNode* x, double d) {
  const NumMaxMin m = Num_maxMin(true, x->value, d, true, false);
  return single(x, m.value, m.wa);
}

RevNode Rev_minSV(double d, const RevNode* x) {
  const NumMaxMin m = Num_maxMin(false, d, x->value, false, true);
  return singleRight(x, m.value, m.wb);
}

RevNode Rev_minVS(const RevNode* x, double d) {
  const NumMaxMin m = Num_maxMin(false, x->value, d, true, false);
  return single(x, m.value, m.wa);
}

RevNode Rev_pow(const RevNode* x, const RevNode* y) {
  RevNode* node = next(x->context);
  if (!node) return *x;
  if (Num_refusesArgument(kOpPower, x->value)) {
    raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument);
    return *x;
  }
  const double p = std::pow(x->value, y->value);
  return Tape_writeNode(node, p, Num_powerBaseSlope(x->value, y->value, y->value / x->value * p),
                        std::log(x->value) * p, x->self, y->self);
}

RevNode Rev_powSV(double d, const RevNode* x) {
  const double p = std::pow(d, x->value);
  return singleRight(x, p, Num_lnBase(d) * p);
}

RevNode Rev_powVS(const RevNode* x, double d) {
  const NumDerivs p = Num_powerConst(x->value, d);
  return single(x, p.f, p.d1);
}

RevNode Rev_sign(const RevNode* x) { return unary<kOpSign>(x); }
RevNode Rev_sin(const RevNode* x) { return unary<kOpSin>(x); }
RevNode Rev_sinh(const RevNode* x) { return unary<kOpSinh>(x); }
RevNode Rev_sqr(const RevNode* x) { return unary<kOpSquare>(x); }
RevNode Rev_sqrt(const RevNode* x) { return unary<kOpSqrt>(x); }
RevNode Rev_tan(const RevNode* x) { return unary<kOpTan>(x); }
RevNode Rev_tanh(const RevNode* x) { return unary<kOpTanh>(x); }

// The kind-7 tape's preparation and sweeps, compiled with the operations.
template bool Tape_prepareReverse<RevScalar>(EvalContext* ctx);
template bool Tape_prepareReverseCell<RevScalar>(EvalContext* ctx, CellTape* tape);
template void Tape_reverseSweep<RevScalar>(double* gradient, bool zeroBased, bool subtract, NodeRef result,
                                           EvalBuffers* buffers);
template void Tape_reverseSweepCells<RevScalar>(const std::vector<CellTape*>& cells, double* gradient, bool zeroBased,
                                                bool subtract, NodeRef result);
