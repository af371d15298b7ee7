// The kind-10 operations: one tape node each.
#include "arithmetic/ivtape/IvRev_Ops.h"

#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/tape/Tape_Sweep.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};
constexpr Interval kOne{1.0, 1.0};
IvRevNode* next(EvalContext* ctx) { return Tape_nextNode<IvRevScalar>(ctx); }

// A new node of operands x (left) and y (right), either possibly absent.
IvRevNode append(const IvRevNode* x, const IvRevNode* y, const Interval& value, const Interval& p1, const Interval& p2) {
  const IvRevNode* any = x ? x : y;
  IvRevNode* node = next(any->context);
  if (!node) return *any;
  return Tape_writeNode(node, value, p1, p2, x ? x->self : 0, y ? y->self : 0);
}

// The domain fault: the new node becomes the constant [NaN, NaN].
IvRevNode fault(const IvRevNode* x, InterpStatus code, const char* label) {
  IvRevNode* node = next(x->context);
  Vm_raise(Vm_errorsOf(x->context), code, label, 0, 0, 0);
  if (!node) return *x;
  return Tape_writeNode(node, Ivl_empty(), kZero, kZero, 0, 0);
}

IvRevNode unary(int32_t op, const IvRevNode* x, const char* label) {
  if (Ivl_refuses(op, x->value)) return fault(x, kStatusUnfeasibleArgument, label);
  Interval cut = x->value;
  const IvlDerivs d = Ivl_elementary(op, &cut);
  return append(x, nullptr, d.f, d.d1, kZero);
}

IvRevNode maxMin(bool isMax, const IvRevNode* x, const IvRevNode* y) {
  Interval wx, wy;
  Ivl_maxMinWeights(isMax, x->value, y->value, &wx, &wy);
  return append(x, y, isMax ? Ivl_max(x->value, y->value) : Ivl_min(x->value, y->value), wx, wy);
}

IvRevNode maxMinNumber(bool isMax, bool numberLeft, const IvRevNode* x, double d) {
  Interval w, wd;
  Ivl_maxMinWeights(isMax, x->value, Interval{d, d}, &w, &wd);
  const Interval value = isMax ? Ivl_maxVS(x->value, d) : Ivl_minVS(x->value, d);
  return numberLeft ? append(nullptr, x, value, kZero, w) : append(x, nullptr, value, w, kZero);
}

}  // namespace

void IvRev_setConst(IvRevNode* node, double d) {
  node->value = Interval{d, d};
  node->partial1 = kZero;
  node->partial2 = kZero;
}

IvRevNode IvRev_neg(const IvRevNode* x) { return append(x, nullptr, Ivl_neg(x->value), Interval{-1, -1}, kZero); }
IvRevNode IvRev_sub(const IvRevNode* x, const IvRevNode* y) {
  return append(x, y, Ivl_sub(x->value, y->value), kOne, Interval{-1, -1});
}
IvRevNode IvRev_subSV(double d, const IvRevNode* x) {
  return append(nullptr, x, Ivl_subSV(d, x->value), kZero, Interval{-1, -1});
}
IvRevNode IvRev_subVS(const IvRevNode* x, double d) { return append(x, nullptr, Ivl_subVS(x->value, d), kOne, kZero); }
IvRevNode IvRev_add(const IvRevNode* x, const IvRevNode* y) { return append(x, y, Ivl_add(x->value, y->value), kOne, kOne); }
IvRevNode IvRev_addSV(double d, const IvRevNode* x) { return append(nullptr, x, Ivl_addSV(d, x->value), kZero, kOne); }
IvRevNode IvRev_addVS(const IvRevNode* x, double d) { return append(x, nullptr, Ivl_addVS(x->value, d), kOne, kZero); }
IvRevNode IvRev_mul(const IvRevNode* x, const IvRevNode* y) {
  return append(x, y, Ivl_mul(x->value, y->value), y->value, x->value);
}
IvRevNode IvRev_mulSV(double d, const IvRevNode* x) {
  return append(nullptr, x, Ivl_mulSV(d, x->value), kZero, Interval{d, d});
}
IvRevNode IvRev_mulVS(const IvRevNode* x, double d) {
  return append(x, nullptr, Ivl_mulVS(x->value, d), Interval{d, d}, kZero);
}
IvRevNode IvRev_div(const IvRevNode* x, const IvRevNode* y) {
  return append(x, y, Ivl_div(x->value, y->value), Ivl_divSV(1.0, y->value),
                Ivl_div(Ivl_neg(x->value), Ivl_sqr(y->value)));
}
IvRevNode IvRev_divSV(double d, const IvRevNode* x) {
  return append(nullptr, x, Ivl_divSV(d, x->value), kZero, Ivl_divSV(-d, Ivl_sqr(x->value)));
}
IvRevNode IvRev_divVS(const IvRevNode* x, double d) {
  const Interval r = Ivl_divSV(1.0, Interval{d, d});
  return append(x, nullptr, Ivl_divVS(x->value, d), r, kZero);
}

IvRevNode IvRev_abs(const IvRevNode* x) { return unary(kOpAbs, x, "IABS"); }
IvRevNode IvRev_acos(const IvRevNode* x) { return unary(kOpAcos, x, "IACOS"); }
IvRevNode IvRev_asin(const IvRevNode* x) { return unary(kOpAsin, x, "IASIN"); }
IvRevNode IvRev_atan(const IvRevNode* x) { return unary(kOpAtan, x, "IATAN"); }
IvRevNode IvRev_cos(const IvRevNode* x) { return unary(kOpCos, x, "ICOS"); }
IvRevNode IvRev_cosh(const IvRevNode* x) { return unary(kOpCosh, x, "ICOSH"); }
IvRevNode IvRev_exp(const IvRevNode* x) { return unary(kOpExp, x, "IEXP"); }
IvRevNode IvRev_ln(const IvRevNode* x) { return unary(kOpLn, x, "ILN"); }
IvRevNode IvRev_sign(const IvRevNode* x) { return unary(kOpSign, x, "ISIGN"); }
IvRevNode IvRev_sin(const IvRevNode* x) { return unary(kOpSin, x, "ISIN"); }
IvRevNode IvRev_sinh(const IvRevNode* x) { return unary(kOpSinh, x, "ISINH"); }
IvRevNode IvRev_sqr(const IvRevNode* x) { return unary(kOpSquare, x, "ISQR"); }
IvRevNode IvRev_sqrt(const IvRevNode* x) { return unary(kOpSqrt, x, "ISQRT"); }
IvRevNode IvRev_tan(const IvRevNode* x) { return unary(kOpTan, x, "ITAN"); }
IvRevNode IvRev_tanh(const IvRevNode* x) { return unary(kOpTanh, x, "ITANH"); }

IvRevNode IvRev_max(const IvRevNode* x, const IvRevNode* y) { return maxMin(true, x, y); }
IvRevNode IvRev_min(const IvRevNode* x, const IvRevNode* y) { return maxMin(false, x, y); }
IvRevNode IvRev_maxSV(double d, const IvRevNode* x) { return maxMinNumber(true, true, x, d); }
IvRevNode IvRev_maxVS(const IvRevNode* x, double d) { return maxMinNumber(true, false, x, d); }
IvRevNode IvRev_minSV(double d, const IvRevNode* x) { return maxMinNumber(false, true, x, d); }
IvRevNode IvRev_minVS(const IvRevNode* x, double d) { return maxMinNumber(false, false, x, d); }

IvRevNode IvRev_powVI(const IvRevNode* x, int32_t k) {
  if (k < 0 && Ivl_contains(x->value, 0.0)) return fault(x, kStatusDivisionByZero, "IPOW");
  return append(x, nullptr, Ivl_powVI(x->value, k), Ivl_mulSV(k, Ivl_powVI(x->value, k - 1)), kZero);
}

IvRevNode IvRev_powVS(const IvRevNode* x, double d) {
  if (Ivl_isIntegerExponent(d)) return IvRev_powVI(x, int32_t(d));
  if (x->value.hi < 0.0) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_powVS(&cut, d);
  return append(x, nullptr, f, d == 0.0 ? kZero : Ivl_mulSV(d, Ivl_powVS(&cut, d - 1.0)), kZero);
}

IvRevNode IvRev_powSV(double d, const IvRevNode* x) {
  if (!(d > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  const Interval f = Ivl_powSV(d, x->value);
  return append(nullptr, x, f, kZero, Ivl_mul(f, Ivl_lnOpen(Interval{d, d})));
}

IvRevNode IvRev_pow(const IvRevNode* x, const IvRevNode* y) {
  if (!(x->value.hi > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  const Interval f = Ivl_pow(&cut, y->value);
  Interval c1 = cut, c2 = cut;
  // d/dx = y x^(y - 1), formed directly (y / x times the value loses the
  // points where x is cut).
  const Interval p1 = Ivl_mul(y->value, Ivl_pow(&c1, Ivl_subVS(y->value, 1.0)));
  return append(x, y, f, p1, Ivl_mul(Ivl_ln(&c2), f));
}

// The kind-10 tape's preparation and sweeps, compiled here with the interval
// arithmetic's directed rounding.
template bool Tape_prepareReverse<IvRevScalar>(EvalContext* ctx);
template bool Tape_prepareReverseCell<IvRevScalar>(EvalContext* ctx, CellTape* tape);
template void Tape_reverseSweep<IvRevScalar>(Interval* gradient, bool zeroBased, bool subtract, NodeRef result,
                                             EvalBuffers* buffers);
template void Tape_reverseSweepCells<IvRevScalar>(const std::vector<CellTape*>& cells, Interval* gradient,
                                                  bool zeroBased, bool subtract, NodeRef result);
