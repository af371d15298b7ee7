// Elementary functions, pairwise extremes and integer powers over the
// evaluation-mode kinds, by a table of each family's members.
#include "arithmetic/operators/Op_Elementary.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "arithmetic/affine/Aff_Ops.h"
#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/grad/Grad_Ops.h"
#include "arithmetic/hess/Hess_Ops.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/ivgrad/IvGrad_Ops.h"
#include "arithmetic/ivhess/IvHess_Ops.h"
#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/numeric/Num_Elementary.h"
#include "arithmetic/operators/Op_Finite.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/propagate/IvProp_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "base/Chk_Assert.h"
#include "values/Aff_Payload.h"
#include "values/DegDag_Node.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/IvGrad_Payload.h"
#include "values/IvHess_Payload.h"
#include "values/IvProp_Node.h"
#include "values/IvRev_Node.h"
#include "values/Rev_Node.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// The buffers of the context the value is bound to, or null for a value
// bound to none.
EvalBuffers* buffersOf(const Value& v) { return v.context ? &v.context->buffers : nullptr; }

// The buffers' result, or a private one for values bound to no context.
Value* resultOf(EvalBuffers* buffers) {
  thread_local Value loose{};
  if (buffers && buffers->result) return buffers->result;
  loose.context = nullptr;
  return &loose;
}

Value valueError(EvalBuffers* buffers) { return *Val_setError(resultOf(buffers), kErrValue); }

// Whether op meets a point value v at the closed edge of its domain (ACOS
// and ASIN at -1 and 1, SQRT at 0): the function has a value there but no
// slope.
bool atDomainEdge(int32_t op, const Value& v) {
  double x = 0.0;
  return Op_derivativeValue(v, &x) && Num_refusesArgument(op, x) && std::isfinite(Num_elementary(op, x, false).f);
}

bool isPlain(int32_t kind) { return kind >= kValEmpty && kind <= kValReal; }
double numberOf(const Value& v) { return v.kind <= kValMissing ? 0.0 : v.number; }

template <typename T>
using Unary = T (*)(const T*);

// The unary members indexed by tape code; the codes below kOpAbs and max,
// min and power have none.
template <typename T>
using UnaryTable = std::array<Unary<T>, kOpTanh + 1>;

// One family's members over its payload T, with the setter that stores a
// result into a value.
template <typename T>
struct Members {
  UnaryTable<T> unary;
  T (*max)(const T*, const T*);
  T (*maxVS)(const T*, double);
  T (*maxSV)(double, const T*);
  T (*min)(const T*, const T*);
  T (*minVS)(const T*, double);
  T (*minSV)(double, const T*);
  T (*powVI)(const T*, int32_t);
  Value* (*set)(Value*, const T*);
};

constexpr bool isUnary(int32_t op) {
  return op >= kOpAbs && op <= kOpTanh && op != kOpMax && op != kOpMin && op != kOpPower;
}

// True when every unary code has its member.
template <typename T>
constexpr bool complete(const UnaryTable<T>& table) {
  for (int32_t op = 0; op <= kOpTanh; ++op)
    if (isUnary(op) && !table[op]) return false;
  return true;
}

// Places each member at its tape code, whatever the order of the list.
template <typename T>
constexpr UnaryTable<T> byCode(std::initializer_list<std::pair<OpCode, Unary<T>>> members) {
  UnaryTable<T> table{};
  for (const auto& [op, f] : members) table[op] = f;
  return table;
}

#define OP_UNARY(T, P)             \
  byCode<T>({{kOpAbs, P##_abs},    \
             {kOpAcos, P##_acos},  \
             {kOpAsin, P##_asin},  \
             {kOpAtan, P##_atan},  \
             {kOpCos, P##_cos},    \
             {kOpCosh, P##_cosh},  \
             {kOpExp, P##_exp},    \
             {kOpLn, P##_ln},      \
             {kOpSign, P##_sign},  \
             {kOpSin, P##_sin},    \
             {kOpSinh, P##_sinh},  \
             {kOpSquare, P##_sqr}, \
             {kOpSqrt, P##_sqrt},  \
             {kOpTan, P##_tan},    \
             {kOpTanh, P##_tanh}})

// The real families raise their integer powers as real ones.
template <typename T, T (*PowVS)(const T*, double)>
T powAsReal(const T* x, int32_t n) {
  return PowVS(x, static_cast<double>(n));
}

constexpr Members<SampleVector> kSample{
    OP_UNARY(SampleVector, Smp),        Smp_max,       Smp_maxVS, Smp_maxSV, Smp_min, Smp_minVS, Smp_minSV,
    powAsReal<SampleVector, Smp_powVS>, Val_setSamples};
constexpr Members<GradValue> kGrad{
    OP_UNARY(GradValue, Grad),        Grad_max,   Grad_maxVS, Grad_maxSV, Grad_min, Grad_minVS, Grad_minSV,
    powAsReal<GradValue, Grad_powVS>, Val_setGrad};
constexpr Members<RevNode> kRev{
    OP_UNARY(RevNode, Rev),        Rev_max,   Rev_maxVS, Rev_maxSV, Rev_min, Rev_minVS, Rev_minSV,
    powAsReal<RevNode, Rev_powVS>, Val_setRev};
constexpr Members<HessValue> kHess{
    OP_UNARY(HessValue, Hess),        Hess_max,   Hess_maxVS, Hess_maxSV, Hess_min, Hess_minVS, Hess_minSV,
    powAsReal<HessValue, Hess_powVS>, Val_setHess};
constexpr Members<IvGradValue> kIvGrad{OP_UNARY(IvGradValue, IvGrad),
                                       IvGrad_max,
                                       IvGrad_maxVS,
                                       IvGrad_maxSV,
                                       IvGrad_min,
                                       IvGrad_minVS,
                                       IvGrad_minSV,
                                       IvGrad_powVI,
                                       Val_setIvGrad};
constexpr Members<IvRevNode> kIvRev{OP_UNARY(IvRevNode, IvRev),
                                    IvRev_max,
                                    IvRev_maxVS,
                                    IvRev_maxSV,
                                    IvRev_min,
                                    IvRev_minVS,
                                    IvRev_minSV,
                                    IvRev_powVI,
                                    Val_setIvRev};
constexpr Members<IvHessValue> kIvHess{OP_UNARY(IvHessValue, IvHess),
                                       IvHess_max,
                                       IvHess_maxVS,
                                       IvHess_maxSV,
                                       IvHess_min,
                                       IvHess_minVS,
                                       IvHess_minSV,
                                       IvHess_powVI,
                                       Val_setIvHess};
constexpr Members<IvPropNode> kIvProp{OP_UNARY(IvPropNode, IvProp),
                                      IvProp_max,
                                      IvProp_maxVS,
                                      IvProp_maxSV,
                                      IvProp_min,
                                      IvProp_minVS,
                                      IvProp_minSV,
                                      IvProp_powVI,
                                      Val_setIvProp};
constexpr Members<AffineForm> kAffine{
    OP_UNARY(AffineForm, Aff), Aff_max, Aff_maxVS, Aff_maxSV, Aff_min, Aff_minVS, Aff_minSV, Aff_powVI, Val_setAffine};

// Plain intervals take their operands by reference, and the functions with a
// domain cut a copy of theirs: these adapt them to the table's shape.
template <Interval (*F)(const Interval&)>
Interval ivlOne(const Interval* x) { return F(*x); }
template <Interval (*F)(Interval*)>
Interval ivlCut(const Interval* x) {
  Interval copy = *x;
  return F(&copy);
}
template <Interval (*F)(Interval*, const Interval*)>
Interval ivlCutOver(const Interval* x) {
  Interval copy = *x;
  return F(&copy, nullptr);
}
template <Interval (*F)(const Interval&, const Interval*)>
Interval ivlOver(const Interval* x) { return F(*x, nullptr); }
template <Interval (*F)(const Interval&, const Interval&)>
Interval ivlTwo(const Interval* x, const Interval* y) { return F(*x, *y); }
template <Interval (*F)(const Interval&, double)>
Interval ivlVS(const Interval* x, double d) { return F(*x, d); }
template <Interval (*F)(double, const Interval&)>
Interval ivlSV(double d, const Interval* y) { return F(d, *y); }
Interval ivlPowVI(const Interval* x, int32_t n) { return Ivl_powVI(*x, n); }

constexpr Members<Interval> kInterval{byCode<Interval>({{kOpAbs, ivlOne<Ivl_abs>},
                                                        {kOpAcos, ivlCutOver<Ivl_acos>},
                                                        {kOpAsin, ivlCutOver<Ivl_asin>},
                                                        {kOpAtan, ivlOver<Ivl_atan>},
                                                        {kOpCos, ivlOne<Ivl_cos>},
                                                        {kOpCosh, ivlOne<Ivl_cosh>},
                                                        {kOpExp, ivlOne<Ivl_exp>},
                                                        {kOpLn, ivlCut<Ivl_ln>},
                                                        {kOpSign, ivlOne<Ivl_sign>},
                                                        {kOpSin, ivlOne<Ivl_sin>},
                                                        {kOpSinh, ivlOne<Ivl_sinh>},
                                                        {kOpSquare, ivlOne<Ivl_sqr>},
                                                        {kOpSqrt, ivlCutOver<Ivl_sqrt>},
                                                        {kOpTan, ivlOne<Ivl_tan>},
                                                        {kOpTanh, ivlOne<Ivl_tanh>}}),
                                      ivlTwo<Ivl_max>,
                                      ivlVS<Ivl_maxVS>,
                                      ivlSV<Ivl_maxSV>,
                                      ivlTwo<Ivl_min>,
                                      ivlVS<Ivl_minVS>,
                                      ivlSV<Ivl_minSV>,
                                      ivlPowVI,
                                      Val_setInterval};

template <typename T>
Value unary(const Members<T>& m, int32_t op, const Value& x) {
  CORVAN_ASSERT(isUnary(op));
  const T r = m.unary[op](static_cast<const T*>(x.payload));
  return *Op_finiteResult(m.set(resultOf(buffersOf(x)), &r));
}

template <typename T>
Value extreme(const Members<T>& m, bool larger, int32_t kind, const Value& x, const Value& y) {
  const T* px = x.kind == kind ? static_cast<const T*>(x.payload) : nullptr;
  const T* py = y.kind == kind ? static_cast<const T*>(y.payload) : nullptr;
  T r{};
  if (px && py) r = (larger ? m.max : m.min)(px, py);
  else if (px) r = (larger ? m.maxVS : m.minVS)(px, numberOf(y));
  else r = (larger ? m.maxSV : m.minSV)(numberOf(x), py);
  return *m.set(resultOf(buffersOf(px ? x : y)), &r);
}

template <typename T>
Value power(const Members<T>& m, const Value& x, int32_t n) {
  const T r = m.powVI(static_cast<const T*>(x.payload), n);
  return *Op_finiteResult(m.set(resultOf(buffersOf(x)), &r));
}

// Calls visit with the members of a family kind (5 to 14).
template <typename Visit>
Value withMembers(int32_t kind, Visit visit) {
  switch (kind) {
    case kValSamples: return visit(kSample);
    case kValGrad: return visit(kGrad);
    case kValRev: return visit(kRev);
    case kValHess: return visit(kHess);
    case kValIvGrad: return visit(kIvGrad);
    case kValIvRev: return visit(kIvRev);
    case kValIvHess: return visit(kIvHess);
    case kValInterval: return visit(kInterval);
    case kValIvProp: return visit(kIvProp);
    default: return visit(kAffine);
  }
}

bool isFamily(int32_t kind) { return kind >= kValSamples && kind <= kValAffine; }

Value pairwise(bool larger, const Value& x, const Value& y) {
  EvalBuffers* buffers = buffersOf(x.context ? x : y);
  const bool fx = isFamily(x.kind) && x.payload, fy = isFamily(y.kind) && y.payload;
  const bool fits = (fx && fy && x.kind == y.kind) || (fx && isPlain(y.kind)) || (fy && isPlain(x.kind));
  if (!fits) return valueError(buffers);
  const int32_t kind = fx ? x.kind : y.kind;
  return withMembers(kind, [&](const auto& m) { return extreme(m, larger, kind, x, y); });
}

}  // namespace

bool Op_isModeKind(int32_t kind) { return kind >= kValSamples && kind <= kValDegVec; }

Value Op_elementary(int32_t op, const Value& x) {
  EvalBuffers* buffers = buffersOf(x);
  if (!isUnary(op) || !Op_isModeKind(x.kind) || !x.payload) return valueError(buffers);
  if (x.kind == kValDegVec) {
    if (op == kOpSquare) DegVec_sqr(&x);
    else DegVec_nonlin(&x);
    return *resultOf(buffers);
  }
  if (x.kind == kValDegDag) {
    const auto* node = static_cast<const DegDagNode*>(x.payload);
    const DegDagNode r = op == kOpSquare ? DegDag_sqr(node) : DegDag_nonlin(node);
    return *Val_setDegDag(resultOf(buffers), &r);
  }
  if (atDomainEdge(op, x)) return *Val_setNoDerivative(resultOf(buffers));
  return withMembers(x.kind, [&](const auto& m) { return unary(m, op, x); });
}

Value Op_max(const Value& x, const Value& y) { return pairwise(true, x, y); }
Value Op_min(const Value& x, const Value& y) { return pairwise(false, x, y); }

Value Op_powVI(const Value& x, int32_t n) {
  EvalBuffers* buffers = buffersOf(x);
  if (!Op_isModeKind(x.kind) || !x.payload) return valueError(buffers);
  if (x.kind == kValDegVec) {
    if (n == 2) DegVec_sqr(&x);
    else DegVec_nonlin(&x);
    return *resultOf(buffers);
  }
  if (x.kind == kValDegDag) {
    const DegDagNode r = DegDag_powVS(static_cast<const DegDagNode*>(x.payload), static_cast<double>(n));
    return *Val_setDegDag(resultOf(buffers), &r);
  }
  return withMembers(x.kind, [&](const auto& m) { return power(m, x, n); });
}

bool Op_intervalOf(const Value& x, Interval* out) {
  if (!x.payload) return false;
  switch (x.kind) {
    case kValIvGrad: *out = static_cast<const IvGradValue*>(x.payload)->value; return true;
    case kValIvRev: *out = static_cast<const IvRevNode*>(x.payload)->value; return true;
    case kValIvHess: *out = static_cast<const IvHessValue*>(x.payload)->value; return true;
    case kValInterval: *out = *static_cast<const Interval*>(x.payload); return true;
    case kValIvProp: *out = static_cast<const IvPropNode*>(x.payload)->value; return true;
    case kValAffine: *out = Aff_toIvl(static_cast<const AffineForm*>(x.payload), true); return true;
    default: return false;
  }
}
