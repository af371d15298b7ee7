// The kind-13 recording operations and the backward contraction.
#include "arithmetic/propagate/IvProp_Ops.h"

#include <cmath>
#include <limits>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "base/Chk_Assert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr Interval kZero{0.0, 0.0};

IvPropNode* next(EvalContext* ctx) {
  // A negative count would pass the check below and write before the array;
  // the check refuses a full one.
  CORVAN_ASSERT(ctx->buffers.tapeCount >= 0 && ctx->buffers.ivPropCapacity >= 0);
  if (ctx->buffers.ivPropNodes && ctx->buffers.tapeCount < ctx->buffers.ivPropCapacity)
    return &ctx->buffers.ivPropNodes[++ctx->buffers.tapeCount];
  Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, "IvProp", 0, 0, 0);
  return nullptr;
}

// Whether an operand is a constant in the kind (self 0): no node of the
// trace, it takes part as the node's constant does.
bool constantOperand(const IvPropNode* v) { return v && v->self == 0; }

// A new node of operation op over operands x (left) and y (right), either
// possibly absent, with the constant k, or the value of an operand that is
// a constant.
IvPropNode record(int32_t op, const IvPropNode* x, const IvPropNode* y, const Interval& k, const Interval& value) {
  const IvPropNode* any = x ? x : y;
  IvPropNode* node = next(any->context);
  if (!node) return *any;
  node->value = value;
  node->constant = constantOperand(y) ? y->value : constantOperand(x) ? x->value : k;
  node->op = op;
  node->operand1 = x && !constantOperand(x) ? x->self : 0;
  node->operand2 = y && !constantOperand(y) ? y->self : 0;
  return *node;
}

IvPropNode fault(const IvPropNode* x, InterpStatus code, const char* label) {
  IvPropNode* node = next(x->context);
  Vm_raise(Vm_errorsOf(x->context), code, label, 0, 0, 0);
  if (!node) return *x;
  IvProp_setConst(node, 0.0);
  node->value = Ivl_empty();
  node->operand1 = node->operand2 = 0;
  return *node;
}

IvPropNode unary(int32_t op, const IvPropNode* x, const char* label) {
  if (Ivl_refuses(op, x->value)) return fault(x, kStatusUnfeasibleArgument, label);
  Interval cut = x->value;
  return record(op, x, nullptr, kZero, Ivl_elementary(op, &cut).f);
}

Interval point(double d) { return Interval{d, d}; }

// The points t >= 0 (or > 0) with t^d in z for a real, non-integer d,
// widened for the rounding of 1 / d.
Interval realRoot(Interval z, double d) {
  if (z.hi < 0.0 || (d < 0.0 && z.hi <= 0.0)) return Ivl_empty();
  const bool unbounded = d < 0.0 && z.lo <= 0.0;
  if (z.lo < 0.0) z.lo = 0.0;
  Interval r = Ivl_powVS(&z, 1.0 / d);
  r = Interval{std::fmax(r.lo - std::fabs(r.lo) * 1e-12, 0.0), r.hi + std::fabs(r.hi) * 1e-12};
  if (unbounded) r.hi = std::numeric_limits<double>::infinity();
  return r;
}

// The projection of the allowed range z of a node on its first operand x
// (the second operand y, or the constant k when it has none).
Interval projectFirst(const IvPropNode& node, Interval z, const Interval& x, const Interval* y) {
  const Interval k = node.constant;
  const Interval other = y ? *y : k;
  switch (node.op) {
    case kOpSub: return Ivl_add(z, other);
    case kOpAdd: return Ivl_sub(z, other);
    case kOpMul: return Ivl_div(z, other);
    case kOpDiv: return Ivl_mul(z, other);
    case kOpPower:
      if (y) return Ivl_whole();  // x^y: not narrowed
      return Ivl_isIntegerExponent(k.lo) ? Ivl_rootInv(z, int32_t(k.lo), &x) : realRoot(z, k.lo);
    default: break;
  }
  if (y) return Ivl_whole();
  switch (node.op) {
    case kOpAbs: return Ivl_absInv(z, &x);
    case kOpAcos: return Ivl_cos(z);
    case kOpAsin: return Ivl_sin(z);
    case kOpAtan: return Ivl_tan(z);
    case kOpCos: return Ivl_acos(&z, &x);
    case kOpExp: return Ivl_lnOpen(z);
    case kOpLn: return Ivl_exp(z);
    case kOpSin: return Ivl_asin(&z, &x);
    case kOpSquare: return Ivl_sqrt(&z, &x);
    case kOpSqrt: return Ivl_sqr(z);
    case kOpTan: return Ivl_atan(z, &x);
    default: return Ivl_whole();
  }
}

// The projection on the second operand y of a node whose first operand is
// x, or the constant k when it has none.
Interval projectSecond(const IvPropNode& node, const Interval& z, const Interval* x) {
  const Interval k = node.constant;
  const Interval first = x ? *x : k;
  switch (node.op) {
    case kOpSub: return Ivl_sub(first, z);
    case kOpAdd: return Ivl_sub(z, first);
    case kOpMul: return Ivl_div(z, first);
    case kOpDiv: return Ivl_div(first, z);
    case kOpPower:
      if (x || !(k.lo > 0.0)) return Ivl_whole();
      return Ivl_div(Ivl_lnOpen(z), Ivl_lnOpen(k));
    default: return Ivl_whole();
  }
}

// Narrows target to its common part with p, when they meet.
void narrow(Interval* target, const Interval& p) {
  if (target && Ivl_intersects(p, *target)) *target = Ivl_intersect(p, *target);
}

}  // namespace

void IvProp_setConst(IvPropNode* node, double d) {
  node->value = point(d);
  node->constant = kZero;
  node->op = kOpNone;
}

IvPropNode IvProp_neg(const IvPropNode* x) { return record(kOpSub, nullptr, x, kZero, Ivl_neg(x->value)); }
IvPropNode IvProp_sub(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpSub, x, y, kZero, Ivl_sub(x->value, y->value));
}
IvPropNode IvProp_subSV(double d, const IvPropNode* x) { return record(kOpSub, nullptr, x, point(d), Ivl_subSV(d, x->value)); }
IvPropNode IvProp_subVS(const IvPropNode* x, double d) { return record(kOpSub, x, nullptr, point(d), Ivl_subVS(x->value, d)); }
IvPropNode IvProp_add(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpAdd, x, y, kZero, Ivl_add(x->value, y->value));
}
IvPropNode IvProp_addSV(double d, const IvPropNode* x) { return record(kOpAdd, nullptr, x, point(d), Ivl_addSV(d, x->value)); }
IvPropNode IvProp_addVS(const IvPropNode* x, double d) { return record(kOpAdd, x, nullptr, point(d), Ivl_addVS(x->value, d)); }
IvPropNode IvProp_mul(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpMul, x, y, kZero, Ivl_mul(x->value, y->value));
}
IvPropNode IvProp_mulSV(double d, const IvPropNode* x) { return record(kOpMul, nullptr, x, point(d), Ivl_mulSV(d, x->value)); }
IvPropNode IvProp_mulVS(const IvPropNode* x, double d) { return record(kOpMul, x, nullptr, point(d), Ivl_mulVS(x->value, d)); }
IvPropNode IvProp_div(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpDiv, x, y, kZero, Ivl_div(x->value, y->value));
}
IvPropNode IvProp_divSV(double d, const IvPropNode* x) { return record(kOpDiv, nullptr, x, point(d), Ivl_divSV(d, x->value)); }
IvPropNode IvProp_divVS(const IvPropNode* x, double d) { return record(kOpDiv, x, nullptr, point(d), Ivl_divVS(x->value, d)); }

IvPropNode IvProp_abs(const IvPropNode* x) { return unary(kOpAbs, x, "IABS"); }
IvPropNode IvProp_acos(const IvPropNode* x) { return unary(kOpAcos, x, "IACOS"); }
IvPropNode IvProp_asin(const IvPropNode* x) { return unary(kOpAsin, x, "IASIN"); }
IvPropNode IvProp_atan(const IvPropNode* x) { return unary(kOpAtan, x, "IATAN"); }
IvPropNode IvProp_cos(const IvPropNode* x) { return unary(kOpCos, x, "ICOS"); }
IvPropNode IvProp_cosh(const IvPropNode* x) { return unary(kOpCosh, x, "ICOSH"); }
IvPropNode IvProp_exp(const IvPropNode* x) { return unary(kOpExp, x, "IEXP"); }
IvPropNode IvProp_ln(const IvPropNode* x) { return unary(kOpLn, x, "ILN"); }
IvPropNode IvProp_sign(const IvPropNode* x) { return unary(kOpSign, x, "ISIGN"); }
IvPropNode IvProp_sin(const IvPropNode* x) { return unary(kOpSin, x, "ISIN"); }
IvPropNode IvProp_sinh(const IvPropNode* x) { return unary(kOpSinh, x, "ISINH"); }
IvPropNode IvProp_sqr(const IvPropNode* x) { return unary(kOpSquare, x, "ISQR"); }
IvPropNode IvProp_sqrt(const IvPropNode* x) { return unary(kOpSqrt, x, "ISQRT"); }
IvPropNode IvProp_tan(const IvPropNode* x) { return unary(kOpTan, x, "ITAN"); }
IvPropNode IvProp_tanh(const IvPropNode* x) { return unary(kOpTanh, x, "ITANH"); }

IvPropNode IvProp_max(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpMax, x, y, kZero, Ivl_max(x->value, y->value));
}
IvPropNode IvProp_min(const IvPropNode* x, const IvPropNode* y) {
  return record(kOpMin, x, y, kZero, Ivl_min(x->value, y->value));
}
IvPropNode IvProp_maxSV(double d, const IvPropNode* x) { return record(kOpMax, nullptr, x, point(d), Ivl_maxSV(d, x->value)); }
IvPropNode IvProp_maxVS(const IvPropNode* x, double d) { return record(kOpMax, x, nullptr, point(d), Ivl_maxVS(x->value, d)); }
IvPropNode IvProp_minSV(double d, const IvPropNode* x) { return record(kOpMin, nullptr, x, point(d), Ivl_minSV(d, x->value)); }
IvPropNode IvProp_minVS(const IvPropNode* x, double d) { return record(kOpMin, x, nullptr, point(d), Ivl_minVS(x->value, d)); }

IvPropNode IvProp_powVI(const IvPropNode* x, int32_t k) {
  if (k < 0 && Ivl_contains(x->value, 0.0)) return fault(x, kStatusDivisionByZero, "IPOW");
  return record(kOpPower, x, nullptr, point(k), Ivl_powVI(x->value, k));
}

IvPropNode IvProp_powVS(const IvPropNode* x, double d) {
  if (Ivl_isIntegerExponent(d)) return IvProp_powVI(x, int32_t(d));
  if (x->value.hi < 0.0) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  return record(kOpPower, x, nullptr, point(d), Ivl_powVS(&cut, d));
}

IvPropNode IvProp_powSV(double d, const IvPropNode* x) {
  if (!(d > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  return record(kOpPower, nullptr, x, point(d), Ivl_powSV(d, x->value));
}

IvPropNode IvProp_pow(const IvPropNode* x, const IvPropNode* y) {
  if (!(x->value.hi > 0.0)) return fault(x, kStatusUnfeasibleArgument, "IPOW");
  Interval cut = x->value;
  return record(kOpPower, x, y, kZero, Ivl_pow(&cut, y->value));
}

bool IvProp_prepareTape(EvalContext* ctx) {
  return Tape_prepareNodes(ctx, &ctx->buffers.ivPropNodes, &ctx->buffers.ivPropCapacity, "IvProp", true);
}

void IvProp_contract(Interval* box, bool zeroBased, bool inequality, EvalBuffers* buffers) {
  const int32_t n = buffers->tapeCount;
  if (n < 1 || !buffers->ivPropNodes) return;
  IvPropNode* nodes = buffers->ivPropNodes;
  Interval& root = nodes[n].value;
  if (Ivl_contains(root, 0.0)) root = inequality ? Interval{root.lo, 0.0} : kZero;
  const int32_t shift = zeroBased ? 1 : 0;
  auto target = [&](NodeRef r) -> Interval* {
    if (r > 0) return &nodes[r].value;
    return r < 0 ? &box[-r - shift] : nullptr;
  };
  for (int32_t k = n; k >= 1; --k) {
    const IvPropNode& node = nodes[k];
    if (node.op == kOpNone) continue;
    Interval* t1 = target(node.operand1);
    Interval* t2 = target(node.operand2);
    const Interval x = t1 ? *t1 : Ivl_whole(), y = t2 ? *t2 : Ivl_whole();
    const Interval p1 = t1 ? projectFirst(node, node.value, x, t2 ? &y : nullptr) : Ivl_whole();
    const Interval p2 = t2 ? projectSecond(node, node.value, t1 ? &x : nullptr) : Ivl_whole();
    narrow(t1, p1);
    narrow(t2, p2);
  }
}
