// Test adaptors that evaluate one expression skeleton in every arithmetic
// family: plain doubles (the independent truth), kind-6 gradients (with or
// without tape recording, numeric or symbolic), kind-8 Hessians, kind-7 tape
// nodes, kind-5 sample vectors and the two dependency modes. Each adaptor
// offers var(p), un(op, x), bin(op, x, y), sv(op, s, y) and vs(op, x, s) over
// its own value type, with operations named by their tape codes (kNeg for
// negation).
#pragma once

#include <cmath>
#include <deque>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/grad/Grad_Ops.h"
#include "arithmetic/grad/Grad_Text.h"
#include "arithmetic/hess/Hess_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Pay_Tape.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

constexpr int32_t kNeg = 100;

// The family operations of prefix P over payload T, looked up by code.
#define MODE_OP_TABLES(P, T)                                                              \
  inline T (*P##_unaryOf(int32_t op))(const T*) {                                        \
    switch (op) {                                                                         \
      case kNeg: return P##_neg;        case kOpAbs: return P##_abs;                      \
      case kOpAcos: return P##_acos;    case kOpAsin: return P##_asin;                    \
      case kOpAtan: return P##_atan;    case kOpCos: return P##_cos;                      \
      case kOpCosh: return P##_cosh;    case kOpExp: return P##_exp;                      \
      case kOpLn: return P##_ln;        case kOpSign: return P##_sign;                    \
      case kOpSin: return P##_sin;      case kOpSinh: return P##_sinh;                    \
      case kOpSquare: return P##_sqr;   case kOpSqrt: return P##_sqrt;                    \
      case kOpTan: return P##_tan;      default: return P##_tanh;                         \
    }                                                                                     \
  }                                                                                       \
  inline T (*P##_binaryOf(int32_t op))(const T*, const T*) {                             \
    switch (op) {                                                                         \
      case kOpSub: return P##_sub;      case kOpAdd: return P##_add;                      \
      case kOpMul: return P##_mul;      case kOpDiv: return P##_div;                      \
      case kOpMax: return P##_max;      case kOpMin: return P##_min;                      \
      default: return P##_pow;                                                            \
    }                                                                                     \
  }                                                                                       \
  inline T (*P##_leftOf(int32_t op))(double, const T*) {                                 \
    switch (op) {                                                                         \
      case kOpSub: return P##_subSV;    case kOpAdd: return P##_addSV;                    \
      case kOpMul: return P##_mulSV;    case kOpDiv: return P##_divSV;                    \
      case kOpMax: return P##_maxSV;    case kOpMin: return P##_minSV;                    \
      default: return P##_powSV;                                                          \
    }                                                                                     \
  }                                                                                       \
  inline T (*P##_rightOf(int32_t op))(const T*, double) {                                \
    switch (op) {                                                                         \
      case kOpSub: return P##_subVS;    case kOpAdd: return P##_addVS;                    \
      case kOpMul: return P##_mulVS;    case kOpDiv: return P##_divVS;                    \
      case kOpMax: return P##_maxVS;    case kOpMin: return P##_minVS;                    \
      default: return P##_powVS;                                                          \
    }                                                                                     \
  }

MODE_OP_TABLES(Grad, GradValue)
MODE_OP_TABLES(Hess, HessValue)
MODE_OP_TABLES(Rev, RevNode)
MODE_OP_TABLES(Smp, SampleVector)

// Plain numbers (double, or long double for a truth in higher precision),
// written independently of the families.
template <class Real>
struct PlainFamilyOf {
  using T = Real;
  Real x[3];
  T var(int p) const { return x[p]; }
  static T un(int32_t op, T a) {
    switch (op) {
      case kNeg: return -a;
      case kOpAbs: return std::fabs(a);
      case kOpAcos: return std::acos(a);
      case kOpAsin: return std::asin(a);
      case kOpAtan: return std::atan(a);
      case kOpCos: return std::cos(a);
      case kOpCosh: return std::cosh(a);
      case kOpExp: return std::exp(a);
      case kOpLn: return std::log(a);
      case kOpSign: return a > 0 ? T(1) : a < 0 ? T(-1) : T(0);
      case kOpSin: return std::sin(a);
      case kOpSinh: return std::sinh(a);
      case kOpSquare: return a * a;
      case kOpSqrt: return std::sqrt(a);
      case kOpTan: return std::tan(a);
      default: return std::tanh(a);
    }
  }
  static T bin(int32_t op, T a, T b) {
    switch (op) {
      case kOpSub: return a - b;
      case kOpAdd: return a + b;
      case kOpMul: return a * b;
      case kOpDiv: return a / b;
      case kOpMax: return a > b ? a : b;
      case kOpMin: return a < b ? a : b;
      default: return std::pow(a, b);
    }
  }
  static T sv(int32_t op, double s, T b) { return bin(op, s, b); }
  static T vs(int32_t op, T a, double s) { return bin(op, a, s); }
};
using PlainFamily = PlainFamilyOf<double>;

// Values kept by an adaptor: family results are shallow copies of the
// context's result record, so each is deep-copied at once.
template <class P, bool (*Copy)(P*, const P*), void (*Free)(P*)>
struct Kept {
  std::deque<P> store;
  ~Kept() {
    for (P& p : store) Free(&p);
  }
  const P* keep(const P& result) {
    store.emplace_back();
    Copy(&store.back(), &result);
    return &store.back();
  }
};

// Kinds 6 and 8, and kind 5 (whose "variables" are sample vectors).
template <class P, bool (*Copy)(P*, const P*), void (*Free)(P*), P (*Un(int32_t))(const P*),
          P (*Bin(int32_t))(const P*, const P*), P (*Left(int32_t))(double, const P*), P (*Right(int32_t))(const P*, double)>
struct ForwardFamily : Kept<P, Copy, Free> {
  using T = const P*;
  T un(int32_t op, T a) { return this->keep(Un(op)(a)); }
  T bin(int32_t op, T a, T b) { return this->keep(Bin(op)(a, b)); }
  T sv(int32_t op, double s, T b) { return this->keep(Left(op)(s, b)); }
  T vs(int32_t op, T a, double s) { return this->keep(Right(op)(a, s)); }
};

struct GradFamily : ForwardFamily<GradValue, Grad_set, Grad_free, Grad_unaryOf, Grad_binaryOf, Grad_leftOf, Grad_rightOf> {
  EvalContext* ctx;
  const double* x;
  int32_t n;
  T var(int p) {
    GradValue g{};
    if (ctx->flags.symbolic) {
      GradText_init(&g, n, ctx);
      GradText_setVar(&g, p);
    } else {
      Grad_init(&g, n, ctx);
      Grad_setVar(&g, x[p], p);
    }
    T kept = keep(g);
    Grad_free(&g);
    return kept;
  }
};

struct HessFamily : ForwardFamily<HessValue, Hess_set, Hess_free, Hess_unaryOf, Hess_binaryOf, Hess_leftOf, Hess_rightOf> {
  EvalContext* ctx;
  const double* x;
  int32_t n;
  T var(int p) {
    HessValue h{};
    Hess_init(&h, n, ctx);
    Hess_setVar(&h, x[p], p);
    T kept = keep(h);
    Hess_free(&h);
    return kept;
  }
};

struct SampleFamily : ForwardFamily<SampleVector, Smp_set, Smp_free, Smp_unaryOf, Smp_binaryOf, Smp_leftOf, Smp_rightOf> {
  const SampleVector* inputs[3];
  T var(int p) { return inputs[p]; }
};

struct RevFamily {
  using T = RevNode;
  EvalContext* ctx;
  const double* x;
  T var(int p) const { return RevNode{x[p], 0.0, 0.0, 0, 0, -p, ctx}; }
  static T un(int32_t op, T a) { return Rev_unaryOf(op)(&a); }
  static T bin(int32_t op, T a, T b) { return Rev_binaryOf(op)(&a, &b); }
  static T sv(int32_t op, double s, T b) { return Rev_leftOf(op)(s, &b); }
  static T vs(int32_t op, T a, double s) { return Rev_rightOf(op)(&a, s); }
};

// The two structure modes build values in the context's result value.
struct StructureFamily {
  using T = const Value*;
  EvalContext* ctx;
  std::deque<Value> store;
  ~StructureFamily() {
    for (Value& v : store) Val_clear(&v);
  }
  T keep(const Value* v) {
    store.push_back(Val_empty(ctx));
    Val_assign(&store.back(), v);
    return &store.back();
  }
  T keepResult() { return keep(ctx->buffers.result); }
  T number(double s) {
    Value v = Val_empty(ctx);
    Val_setNumber(&v, s);
    return keep(&v);
  }
  bool smoothKinks() const { return ctx->flags.nonSmoothAllowed != 0; }
};

struct DegVecFamily : StructureFamily {
  int32_t n;
  T var(int p) {
    Value v = Val_empty(ctx);
    Val_setKind(&v, kValDegVec);
    DegVec_init(static_cast<DegVec*>(v.payload), n);
    DegVec_setVar(static_cast<DegVec*>(v.payload), p);
    T kept = keep(&v);
    Val_clear(&v);
    return kept;
  }
  T zeroed(T v) {
    auto* d = static_cast<DegVec*>(store.back().payload);
    for (int32_t i = 1; i <= d->n; ++i) d->classes[i] = 0;
    return v;
  }
  T un(int32_t op, T a) {
    switch (op) {
      case kNeg: DegVec_add(a, number(0.0)); break;
      case kOpSquare: DegVec_sqr(a); break;
      case kOpAbs:
      case kOpSign: smoothKinks() ? DegVec_nonlin(a) : DegVec_nonsmooth(a, false); break;
      default: DegVec_nonlin(a); break;
    }
    return keepResult();
  }
  T bin(int32_t op, T a, T b) {
    switch (op) {
      case kOpSub:
      case kOpAdd: DegVec_add(a, b); break;
      case kOpMul: DegVec_mul(a, b); break;
      case kOpMax:
      case kOpMin: smoothKinks() ? DegVec_nonlin2(a, b) : DegVec_nonsmooth2(a, b, false); break;
      default: DegVec_nonlin2(a, b); break;  // division, power
    }
    return keepResult();
  }
  T mixed(int32_t op, bool left, T a, double s) {
    T c = number(s);
    switch (op) {
      case kOpMul: DegVec_add(a, c); return s == 0.0 ? zeroed(keepResult()) : keepResult();
      case kOpDiv:
        if (left && s != 0.0) {
          DegVec_nonlin(a);
          return keepResult();
        }
        DegVec_add(a, c);
        return left ? zeroed(keepResult()) : keepResult();
      case kOpMax:
      case kOpMin: smoothKinks() ? DegVec_nonlin2(a, c) : DegVec_nonsmooth2(a, c, false); return keepResult();
      case kOpPower: (!left && s == 2.0) ? DegVec_sqr(a) : DegVec_nonlin(a); return keepResult();
      default: DegVec_add(a, c); return keepResult();
    }
  }
  T sv(int32_t op, double s, T b) { return mixed(op, true, b, s); }
  T vs(int32_t op, T a, double s) { return mixed(op, false, a, s); }
};

struct DegDagFamily : StructureFamily {
  static const DegDagNode* node(T v) { return static_cast<const DegDagNode*>(v->payload); }
  T keepNode(const DegDagNode& d) {
    Value v = Val_empty(ctx);
    Val_setDegDag(&v, &d);
    T kept = keep(&v);
    Val_clear(&v);
    return kept;
  }
  T var(int p) { return keepNode(DegDagNode{kDegLinear, 0, 0, 0, 0, -p, ctx}); }
  T un(int32_t op, T a) {
    switch (op) {
      case kNeg: return keepNode(DegDag_neg(node(a)));
      case kOpSquare: return keepNode(DegDag_sqr(node(a)));
      case kOpAbs:
      case kOpSign: smoothKinks() ? DegDag_nonlinResult(a) : DegDag_nonsmooth(a, false); return keepResult();
      default: return keepNode(DegDag_nonlin(node(a)));
    }
  }
  T bin(int32_t op, T a, T b) {
    switch (op) {
      case kOpSub:
      case kOpAdd: return keepNode(DegDag_add(node(a), node(b)));
      case kOpMul: return keepNode(DegDag_mul(node(a), node(b)));
      case kOpMax:
      case kOpMin: smoothKinks() ? DegDag_nonlin2Result(a, b) : DegDag_nonsmooth2(a, b, false); return keepResult();
      default: return keepNode(DegDag_div(node(a), node(b)));
    }
  }
  T sv(int32_t op, double s, T b) {
    switch (op) {
      case kOpMul: return keepNode(DegDag_mulSV(s, node(b)));
      case kOpDiv: return keepNode(DegDag_divSV(s, node(b)));
      case kOpPower: return keepNode(DegDag_powSV(s, node(b)));
      case kOpMax:
      case kOpMin: return minMaxNumber(b, s);
      default: return keepNode(DegDag_addSV(s, node(b)));
    }
  }
  T vs(int32_t op, T a, double s) {
    switch (op) {
      case kOpMul: return keepNode(DegDag_mulVS(node(a), s));
      case kOpDiv: return keepNode(DegDag_divVS(node(a), s));
      case kOpPower: return keepNode(DegDag_powVS(node(a), s));
      case kOpMax:
      case kOpMin: return minMaxNumber(a, s);
      default: return keepNode(DegDag_addVS(node(a), s));
    }
  }
  T minMaxNumber(T a, double s) {
    T c = number(s);
    smoothKinks() ? DegDag_nonlin2Result(a, c) : DegDag_nonsmooth2(a, c, false);
    return keepResult();
  }
};

// A context over n decision variables with the given values, sized result
// records and a function table whose tape capacity is still unknown.
inline EvalContext* makeContext(int32_t n, const double* x, int32_t trials = 0) {
  EvalContext* ctx = Vm_createContext();
  ctx->tables.variables = Model_createVariableTable();
  for (int32_t j = 1; j <= n; ++j)
    ctx->tables.variables->records.push_back(VarRecord{kVarContinuous, {x[j], x[j]}, {-1e30, 1e30}, 0});
  ctx->tables.functions = Model_createFunctionTable();
  Grad_init(ctx->buffers.gradBuffer, n, ctx);
  Hess_init(ctx->buffers.hessBuffer, n, ctx);
  Smp_init(ctx->sampling.sampleBuffer, trials, ctx);
  return ctx;
}

inline void freeContext(EvalContext* ctx) {
  Model_freeFunctionTable(ctx->tables.functions);
  ctx->tables.functions = nullptr;
  Vm_destroyContext(ctx);
}
