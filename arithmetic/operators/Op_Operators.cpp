// Operators over value kinds. The scalar kinds compute here; errors pass,
// left first; texts and arrays give "#value!" in arithmetic; the kinds of the
// evaluation modes go to their arithmetic family.
#include "arithmetic/operators/Op_Operators.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "arithmetic/affine/Aff_Ops.h"
#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/grad/Grad_Ops.h"
#include "arithmetic/hess/Hess_Ops.h"
#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/interval/Ivl_Derivs.h"
#include "arithmetic/interval/Ivl_Elementary.h"
#include "arithmetic/ivgrad/IvGrad_Ops.h"
#include "arithmetic/ivhess/IvHess_Ops.h"
#include "arithmetic/ivtape/IvRev_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Finite.h"
#include "arithmetic/propagate/IvProp_Ops.h"
#include "arithmetic/reverse/Rev_Ops.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "base/Cal_Text.h"
#include "base/Chk_Assert.h"
#include "values/DegVec_Payload.h"
#include "values/Model_StructureInfo.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

enum class Arith { kAdd, kSub, kMul, kDiv, kPow };
constexpr int kArithCount = 5;
constexpr double kSquareExponent = 2.0;  // the ^ operator's exponent of a square

bool isScalar(int32_t kind) { return kind >= kValEmpty && kind <= kValReal; }
bool isError(const Value& v) { return v.kind == kValError; }
// A value of a derivative, tape, interval or affine mode.
bool isModeValue(const Value& v) { return v.kind >= kValGrad && v.kind <= kValAffine; }
bool isBlank(const Value& v) { return v.kind == kValEmpty || v.kind == kValMissing; }
double numberOf(const Value& v) { return isBlank(v) ? 0.0 : v.number; }

EvalContext* contextOf(const Value& x, const Value& y) { return x.context ? x.context : y.context; }

// The operand whose error a binary operator gives: the left one's first;
// null when neither is an error.
const Value* errorOperand(const Value& x, const Value& y) { return isError(x) ? &x : isError(y) ? &y : nullptr; }

// The context's buffers, or null for values bound to no context.
EvalBuffers* buffersOf(EvalContext* ctx) { return ctx ? &ctx->buffers : nullptr; }

// The buffers' result, or a private one for values bound to no context.
Value* resultOf(EvalBuffers* buffers) {
  thread_local Value loose{};
  if (buffers && buffers->result) return buffers->result;
  loose.context = nullptr;
  return &loose;
}

Value finish(Value* result) { return *result; }

// An operand's error as the operator's result. A value the mode could not
// compute stays one, but what the value mode gives there is the operator's
// answer, no longer the operand's: not known.
Value copyOf(Value* result, const Value& v) {
  Val_assign(result, &v);
  if (Val_isNoDerivative(result)) Val_setNoDerivative(result);
  return *result;
}

Value error(EvalBuffers* buffers, uint32_t code) { return finish(Val_setError(resultOf(buffers), code)); }

// A result beyond the doubles is "#num!", as the worksheet shows it. It
// raises nothing, so a formula may test it (ISERROR, ISNUMBER, IF); it is
// marked as an overflow, which the evaluation entries report (status 26)
// when a model function gives it.
Value overflow(EvalBuffers* buffers) { return finish(Val_setOverflow(resultOf(buffers))); }

Value number(EvalBuffers* buffers, int32_t kind, double x) {
  if (!std::isfinite(x)) return overflow(buffers);
  Value* r = resultOf(buffers);
  Val_setNumber(r, x);
  r->kind = kind;
  return *r;
}

Value boolean(EvalBuffers* buffers, bool b) { return finish(Val_setBool(resultOf(buffers), b ? 1 : 0)); }

void checkScaling(EvalContext* ctx, double a, double b) {
  if (!ctx || ctx->flags.scalingCheck != 1 || !ctx->tables.structure) return;
  Model_checkScaling(ctx->tables.structure, a, b, ctx->position.currentCell);
}

// The larger kind of the two, but a number at least: arithmetic on booleans
// and empty cells gives numbers (TRUE + TRUE is 2, not a boolean holding 2).
Value scalarArith(EvalContext* ctx, Arith op, int32_t kx, double x, int32_t ky, double y) {
  const int32_t kind = std::max(std::max(kx, ky), static_cast<int32_t>(kValInt));
  switch (op) {
    case Arith::kAdd: checkScaling(ctx, x, y); return number(buffersOf(ctx), kind, x + y);
    case Arith::kSub: checkScaling(ctx, x, y); return number(buffersOf(ctx), kind, x - y);
    case Arith::kMul: return number(buffersOf(ctx), kind, x * y);
    case Arith::kDiv: return y == 0.0 ? error(buffersOf(ctx), kErrDiv0) : number(buffersOf(ctx), kValReal, x / y);
    case Arith::kPow: break;
  }
  return error(buffersOf(ctx), kErrValue);
}

// ---- Dependency classes (kind 16) ----

bool isDeg(const Value& v) { return v.kind == kValDegVec; }

// The context's result as a copy of the kind-16 value v, counted as one
// operation; with independent every class becomes 0.
Value degCopy(EvalBuffers* buffers, const Value& v, bool independent) {
  Value* r = resultOf(buffers);
  if (r->payload != v.payload || r->kind != v.kind) Val_assign(r, &v);
  ++buffers->tapeCount;
  if (independent && r->kind == kValDegVec && r->payload) {
    DegVec* d = static_cast<DegVec*>(r->payload);
    for (int32_t k = 1; k <= d->n; ++k) d->classes[k] = 0;
  }
  return *r;
}

Value degArith(Arith op, const Value& x, const Value& y, EvalBuffers* buffers) {
  const bool both = isDeg(x) && isDeg(y);
  switch (op) {
    case Arith::kAdd:
    case Arith::kSub: DegVec_add(&x, &y); break;
    case Arith::kMul:
      if (both) {
        DegVec_mul(&x, &y);
      } else {
        DegVec_add(&x, &y);
        const Value& other = isDeg(x) ? y : x;
        if (isScalar(other.kind) && numberOf(other) == 0.0)
          return degCopy(buffers, *resultOf(buffers), true);
      }
      break;
    case Arith::kDiv:
      if (both) DegVec_nonlin2(&x, &y);
      else if (isDeg(x)) return degCopy(buffers, x, false);
      else if (isScalar(x.kind) && numberOf(x) == 0.0) return degCopy(buffers, y, true);
      else DegVec_nonlin(&y);
      break;
    // A square is the square of its base; any other power, a vector
    // exponent and a power of two vectors are smooth nonlinear.
    case Arith::kPow:
      if (both) DegVec_nonlin2(&x, &y);
      else if (isDeg(x) && isScalar(y.kind) && numberOf(y) == 2.0) DegVec_sqr(&x);
      else if (isDeg(x) && isScalar(y.kind)) DegVec_nonlin(&x);
      else if (isDeg(y) && isScalar(x.kind)) DegVec_nonlin(&y);
      else return error(buffers, kErrValue);
      break;
  }
  return *resultOf(buffers);
}

// The kind and number of a scalar operand; false for any other.
bool scalarOperand(const Value& v, int32_t* kind, double* x) {
  if (!isScalar(v.kind)) return false;
  *kind = v.kind;
  *x = numberOf(v);
  return true;
}

// An operand as arithmetic takes it: a text that reads as a number is that
// real (held in *real) beside a value of every mode, as in the worksheet;
// anything else is itself. Only a text operand is read: the operators look
// at the kinds first and come here only for one.
const Value& numericOperand(const Value& v, Value* real) {
  double t = 0.0;
  if (v.kind != kValText || !Op_numericText(v, &t)) return v;
  *real = Val_scalar(kValReal, t);
  real->context = v.context;
  return *real;
}

// One arithmetic family's members, indexed by Arith.
// The graph family has no power of two graph values (null there): that
// combination is handled before any family is called.
template <typename T>
struct FamilyOps {
  T (*vv[kArithCount])(const T*, const T*);
  T (*sv[kArithCount])(double, const T*);
  T (*vs[kArithCount])(const T*, double);
  T (*neg)(const T*);
  Value* (*set)(Value*, const T*);
  // Moves a result left in the buffers' scratch record into the value
  // without a copy, unless the evaluation builds symbolic texts; false when
  // it cannot (the value then gets a copy).
  bool (*adopt)(Value*, const T*, EvalBuffers*, bool symbolic);
};

// The scratch record holding r changes places with the value's record of
// the same kind when that one is at least as large: the value holds the
// result, the scratch a record to overwrite, and neither aliases the other.
template <typename T>
bool adoptScratch(Value* v, int32_t kind, T* scratch) {
  if (v->kind != kind || !v->payload) return false;
  T* held = static_cast<T*>(v->payload);
  if (held->capacity < scratch->capacity) return false;
  std::swap(*held, *scratch);
  CORVAN_ASSERT(!held->gradient || held->gradient != scratch->gradient);
  return true;
}

// Symbolic texts are never moved: they are copied with their values.
bool adoptGrad(Value* v, const GradValue* r, EvalBuffers* buffers, bool symbolic) {
  GradValue* scratch = buffers ? buffers->gradBuffer : nullptr;
  if (!scratch || symbolic || !r->gradient || r->gradient != scratch->gradient || scratch->valueText)
    return false;
  const auto* held = v->kind == kValGrad ? static_cast<const GradValue*>(v->payload) : nullptr;
  return held && !held->valueText && !held->partialTexts && adoptScratch(v, kValGrad, scratch);
}

bool adoptHess(Value* v, const HessValue* r, EvalBuffers* buffers, bool /*symbolic*/) {
  HessValue* scratch = buffers ? buffers->hessBuffer : nullptr;
  return scratch && r->hessian && r->hessian == scratch->hessian && adoptScratch(v, kValHess, scratch);
}

const FamilyOps<SampleVector> kSampleOps{{Smp_add, Smp_sub, Smp_mul, Smp_div, Smp_pow},
                                         {Smp_addSV, Smp_subSV, Smp_mulSV, Smp_divSV, Smp_powSV},
                                         {Smp_addVS, Smp_subVS, Smp_mulVS, Smp_divVS, Smp_powVS},
                                         Smp_neg,
                                         Val_setSamples,
                                         nullptr};
const FamilyOps<GradValue> kGradOps{{Grad_add, Grad_sub, Grad_mul, Grad_div, Grad_pow},
                                    {Grad_addSV, Grad_subSV, Grad_mulSV, Grad_divSV, Grad_powSV},
                                    {Grad_addVS, Grad_subVS, Grad_mulVS, Grad_divVS, Grad_powVS},
                                    Grad_neg,
                                    Val_setGrad,
                                    adoptGrad};
const FamilyOps<HessValue> kHessOps{{Hess_add, Hess_sub, Hess_mul, Hess_div, Hess_pow},
                                    {Hess_addSV, Hess_subSV, Hess_mulSV, Hess_divSV, Hess_powSV},
                                    {Hess_addVS, Hess_subVS, Hess_mulVS, Hess_divVS, Hess_powVS},
                                    Hess_neg,
                                    Val_setHess,
                                    adoptHess};
const FamilyOps<RevNode> kRevOps{{Rev_add, Rev_sub, Rev_mul, Rev_div, Rev_pow},
                                 {Rev_addSV, Rev_subSV, Rev_mulSV, Rev_divSV, Rev_powSV},
                                 {Rev_addVS, Rev_subVS, Rev_mulVS, Rev_divVS, Rev_powVS},
                                 Rev_neg,
                                 Val_setRev,
                                 nullptr};
// A difference has the classes of a sum.
const FamilyOps<DegDagNode> kDagOps{{DegDag_add, DegDag_add, DegDag_mul, DegDag_div, nullptr},
                                    {DegDag_addSV, DegDag_addSV, DegDag_mulSV, DegDag_divSV, DegDag_powSV},
                                    {DegDag_addVS, DegDag_addVS, DegDag_mulVS, DegDag_divVS, DegDag_powVS},
                                    DegDag_neg,
                                    Val_setDegDag,
                                    nullptr};
const FamilyOps<IvGradValue> kIvGradOps{{IvGrad_add, IvGrad_sub, IvGrad_mul, IvGrad_div, IvGrad_pow},
                                        {IvGrad_addSV, IvGrad_subSV, IvGrad_mulSV, IvGrad_divSV, IvGrad_powSV},
                                        {IvGrad_addVS, IvGrad_subVS, IvGrad_mulVS, IvGrad_divVS, IvGrad_powVS},
                                        IvGrad_neg,
                                        Val_setIvGrad,
                                        nullptr};
const FamilyOps<IvRevNode> kIvRevOps{{IvRev_add, IvRev_sub, IvRev_mul, IvRev_div, IvRev_pow},
                                     {IvRev_addSV, IvRev_subSV, IvRev_mulSV, IvRev_divSV, IvRev_powSV},
                                     {IvRev_addVS, IvRev_subVS, IvRev_mulVS, IvRev_divVS, IvRev_powVS},
                                     IvRev_neg,
                                     Val_setIvRev,
                                     nullptr};
const FamilyOps<IvHessValue> kIvHessOps{{IvHess_add, IvHess_sub, IvHess_mul, IvHess_div, IvHess_pow},
                                        {IvHess_addSV, IvHess_subSV, IvHess_mulSV, IvHess_divSV, IvHess_powSV},
                                        {IvHess_addVS, IvHess_subVS, IvHess_mulVS, IvHess_divVS, IvHess_powVS},
                                        IvHess_neg,
                                        Val_setIvHess,
                                        nullptr};
const FamilyOps<IvPropNode> kIvPropOps{{IvProp_add, IvProp_sub, IvProp_mul, IvProp_div, IvProp_pow},
                                       {IvProp_addSV, IvProp_subSV, IvProp_mulSV, IvProp_divSV, IvProp_powSV},
                                       {IvProp_addVS, IvProp_subVS, IvProp_mulVS, IvProp_divVS, IvProp_powVS},
                                       IvProp_neg,
                                       Val_setIvProp,
                                       nullptr};
const FamilyOps<AffineForm> kAffOps{{Aff_add, Aff_sub, Aff_mul, Aff_div, Aff_pow},
                                    {Aff_addSV, Aff_subSV, Aff_mulSV, Aff_divSV, Aff_powSV},
                                    {Aff_addVS, Aff_subVS, Aff_mulVS, Aff_divVS, Aff_powVS},
                                    Aff_neg,
                                    Val_setAffine,
                                    nullptr};

// Plain intervals take their operands by reference: these adapt them to the
// table's shape. The real powers narrow their base to its domain, so they
// work on a copy; an integer exponent takes the integer power, which negative
// bases allow.
template <Interval (*F)(const Interval&, const Interval&)>
Interval ivlVV(const Interval* x, const Interval* y) { return F(*x, *y); }
template <Interval (*F)(double, const Interval&)>
Interval ivlSV(double d, const Interval* y) { return F(d, *y); }
template <Interval (*F)(const Interval&, double)>
Interval ivlVS(const Interval* x, double d) { return F(*x, d); }

Interval ivlPow(const Interval* x, const Interval* y) {
  Interval base = *x;
  return Ivl_pow(&base, *y);
}

Interval ivlPowVS(const Interval* x, double d) {
  if (Ivl_isIntegerExponent(d)) return Ivl_powVI(*x, static_cast<int32_t>(d));
  Interval base = *x;
  return Ivl_powVS(&base, d);
}

Interval ivlNeg(const Interval* x) { return Ivl_neg(*x); }

const FamilyOps<Interval> kIvlOps{
    {ivlVV<Ivl_add>, ivlVV<Ivl_sub>, ivlVV<Ivl_mul>, ivlVV<Ivl_div>, ivlPow},
    {ivlSV<Ivl_addSV>, ivlSV<Ivl_subSV>, ivlSV<Ivl_mulSV>, ivlSV<Ivl_divSV>, ivlSV<Ivl_powSV>},
    {ivlVS<Ivl_addVS>, ivlVS<Ivl_subVS>, ivlVS<Ivl_mulVS>, ivlVS<Ivl_divVS>, ivlPowVS},
    ivlNeg,
    Val_setInterval,
    nullptr};

bool isIntervalKind(int32_t kind) { return kind >= kValIvGrad && kind <= kValAffine; }

// A divisor of an interval kind that holds 0 raises "Division by zero".
bool intervalDivisorHoldsZero(const Value& y) {
  Interval range{};
  if (!isIntervalKind(y.kind) || !Op_intervalOf(y, &range) || !Ivl_contains(range, 0.0)) return false;
  Vm_raise(Vm_errorsOf(y.context), kStatusDivisionByZero, "divide", 0, 0, 0);
  return true;
}

// The family's result into the buffers' result value: moved there when it
// lies in the scratch record (and the evaluation builds no symbolic texts),
// else copied; "#num!" when its value leaves the doubles.
template <typename T>
Value store(const FamilyOps<T>& ops, const T& r, EvalBuffers* buffers, bool symbolic) {
  Value* out = resultOf(buffers);
  if (!ops.adopt || !ops.adopt(out, &r, buffers, symbolic)) ops.set(out, &r);
  return finish(Op_finiteResult(out));
}

// x op y where one side, or both, holds the family's kind and the other a
// scalar; the family's result lands in the result of the context the
// operands are bound to.
template <typename T>
Value familyArith(const FamilyOps<T>& ops, Arith op, int32_t kind, const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  const int i = static_cast<int>(op);
  const T* px = x.kind == kind ? static_cast<const T*>(x.payload) : nullptr;
  const T* py = y.kind == kind ? static_cast<const T*>(y.payload) : nullptr;
  T r{};
  if (px && py) r = ops.vv[i](px, py);
  else if (py) r = ops.sv[i](numberOf(x), py);
  else r = ops.vs[i](px, numberOf(y));
  return store(ops, r, buffersOf(ctx), ctx && ctx->flags.symbolic);
}

template <typename T>
Value familyNeg(const FamilyOps<T>& ops, const Value& x) {
  const T r = ops.neg(static_cast<const T*>(x.payload));
  return store(ops, r, buffersOf(x.context), x.context && x.context->flags.symbolic);
}

// Kinds 5 to 15 have an arithmetic family each.
bool familyOf(int32_t kind) { return kind >= kValSamples && kind <= kValDegDag; }

Value dispatchFamily(Arith op, int32_t kind, const Value& x, const Value& y) {
  switch (kind) {
    case kValSamples: return familyArith(kSampleOps, op, kind, x, y);
    case kValGrad: return familyArith(kGradOps, op, kind, x, y);
    case kValRev: return familyArith(kRevOps, op, kind, x, y);
    case kValDegDag: return familyArith(kDagOps, op, kind, x, y);
    case kValIvGrad: return familyArith(kIvGradOps, op, kind, x, y);
    case kValIvRev: return familyArith(kIvRevOps, op, kind, x, y);
    case kValIvHess: return familyArith(kIvHessOps, op, kind, x, y);
    case kValInterval: return familyArith(kIvlOps, op, kind, x, y);
    case kValIvProp: return familyArith(kIvPropOps, op, kind, x, y);
    case kValAffine: return familyArith(kAffOps, op, kind, x, y);
    default: return familyArith(kHessOps, op, kind, x, y);
  }
}

// A family kind on one side with the same kind or a scalar on the other.
bool familyPair(const Value& x, const Value& y, int32_t* kind) {
  const bool fx = familyOf(x.kind), fy = familyOf(y.kind);
  if (fx && fy) {
    *kind = x.kind;
    return x.kind == y.kind;
  }
  *kind = fx ? x.kind : y.kind;
  return (fx && isScalar(y.kind)) || (fy && isScalar(x.kind));
}

// A divisor of 0: a number, or a point of a derivative mode whose value is
// 0, where the value mode gives "#div/0!" that a formula may test (ISERROR,
// COUNT) and so does every point mode.
bool zeroDivisor(const Value& y) {
  double value = 1.0;
  return Op_pointNumber(y, &value) && value == 0.0;
}

Value arithOperands(Arith op, const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (const Value* e = errorOperand(x, y)) return copyOf(resultOf(buffersOf(ctx)), *e);
  if (isDeg(x) || isDeg(y)) return degArith(op, x, y, buffersOf(ctx));
  int32_t kx = 0, ky = 0;
  double a = 0.0, b = 0.0;
  if (scalarOperand(x, &kx, &a) && scalarOperand(y, &ky, &b)) return scalarArith(ctx, op, kx, a, ky, b);
  // A text that is no number fails before any division by 0 ("a" / 0 is
  // "#value!").
  if (x.kind == kValText) return error(buffersOf(ctx), kErrValue);
  if (op == Arith::kDiv && zeroDivisor(y)) return error(buffersOf(ctx), kErrDiv0);
  int32_t kind = 0;
  if (!familyPair(x, y, &kind)) return error(buffersOf(ctx), kErrValue);
  // The interval result of a division by an interval through 0 is still
  // computed; the raised status fails the evaluation.
  if (op == Arith::kDiv) intervalDivisorHoldsZero(y);
  return dispatchFamily(op, kind, x, y);
}

Value arith(Arith op, const Value& x, const Value& y) {
  if (x.kind != kValText && y.kind != kValText) return arithOperands(op, x, y);
  Value xReal{}, yReal{};
  return arithOperands(op, numericOperand(x, &xReal), numericOperand(y, &yReal));
}

Value arithVSOperand(Arith op, const Value& x, double d) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(buffersOf(ctx)), x);
  if (isDeg(x)) return degCopy(buffersOf(ctx), x, op == Arith::kMul && d == 0.0);
  if (op == Arith::kDiv && d == 0.0 && (isScalar(x.kind) || x.kind < kValDegVec))
    return error(buffersOf(ctx), kErrDiv0);
  if (isScalar(x.kind)) return scalarArith(ctx, op, kValReal, numberOf(x), kValReal, d);
  if (familyOf(x.kind)) {
    Value scalar = Val_empty(ctx);
    Val_setNumber(&scalar, d);
    return dispatchFamily(op, x.kind, x, scalar);
  }
  return error(buffersOf(ctx), kErrValue);
}

Value arithVS(Arith op, const Value& x, double d) {
  if (x.kind != kValText) return arithVSOperand(op, x, d);
  Value real{};
  return arithVSOperand(op, numericOperand(x, &real), d);
}

Value arithSVOperand(Arith op, double d, const Value& x) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(buffersOf(ctx)), x);
  if (isDeg(x)) {
    if (op != Arith::kDiv) return degCopy(buffersOf(ctx), x, op == Arith::kMul && d == 0.0);
    if (d == 0.0) return degCopy(buffersOf(ctx), x, true);
    DegVec_nonlin(&x);
    return *resultOf(buffersOf(ctx));
  }
  if (isScalar(x.kind)) return scalarArith(ctx, op, kValReal, d, kValReal, numberOf(x));
  if (familyOf(x.kind)) {
    Value scalar = Val_empty(ctx);
    Val_setNumber(&scalar, d);
    return dispatchFamily(op, x.kind, scalar, x);
  }
  return error(buffersOf(ctx), kErrValue);
}

Value arithSV(Arith op, double d, const Value& x) {
  if (x.kind != kValText) return arithSVOperand(op, d, x);
  Value real{};
  return arithSVOperand(op, d, numericOperand(x, &real));
}

// Scalar powers with the worksheet's rules: 0 ^ negative is "#div/0!",
// 0 ^ 0 and a negative base with a fractional exponent "#num!".
Value scalarPow(EvalBuffers* buffers, double a, double b) {
  if (a == 0.0 && b < 0.0) return error(buffers, kErrDiv0);
  if (a == 0.0 && b == 0.0) return error(buffers, kErrNum);
  const double r = std::pow(a, b);
  if (std::isnan(r)) return error(buffers, kErrNum);
  return number(buffers, kValReal, r);
}

// Text of a value for joining: booleans TRUE/FALSE, numbers as the
// worksheet writes them (15 significant digits, "1E+15"), texts as they
// are, anything else empty.
std::u16string textOf(const Value& v) {
  switch (v.kind) {
    case kValBool: return v.number != 0.0 ? u"TRUE" : u"FALSE";
    case kValInt:
    case kValReal: return Text_sheetNumber(v.number);
    case kValText: return v.text ? std::u16string(v.text) : std::u16string();
    default: return std::u16string();
  }
}

// Case-blind comparison of two texts: negative, zero or positive.
int compareTexts(const std::u16string& a, const std::u16string& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char16_t ca = Text_foldCase(a[i]), cb = Text_foldCase(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool relationHolds(int cmp, int32_t rel) {
  switch (rel) {
    case kRelCmpEq: return cmp == 0;
    case kRelCmpNe: return cmp != 0;
    case kRelCmpLt: return cmp < 0;
    case kRelCmpLe: return cmp <= 0;
    case kRelCmpGt: return cmp > 0;
    case kRelCmpGe: return cmp >= 0;
    default: return false;
  }
}

int32_t mirror(int32_t rel) {
  switch (rel) {
    case kRelCmpLt: return kRelCmpGt;
    case kRelCmpGt: return kRelCmpLt;
    case kRelCmpLe: return kRelCmpGe;
    case kRelCmpGe: return kRelCmpLe;
    default: return rel;
  }
}

// The worksheet's order across kinds: every number (of any evaluation mode)
// before every text, every text before the logicals; -1 for the kinds that
// are compared otherwise.
int kindRank(const Value& v) {
  if (v.kind == kValText) return 1;
  if (v.kind == kValBool) return 2;
  return v.kind >= kValInt && v.kind <= kValAffine ? 0 : -1;
}

// Operands of two different kinds compare by their kinds alone ("a" > 1,
// FALSE > "z"); false when they are of one kind, either is not ranked or
// blank (a blank compares as 0, "" or FALSE against the other).
bool kindRelation(const Value& x, const Value& y, int32_t rel, bool* out) {
  const int rx = kindRank(x), ry = kindRank(y);
  if (rx < 0 || ry < 0 || rx == ry) return false;
  *out = relationHolds(rx < ry ? -1 : 1, rel);
  return true;
}

// Texts compare without regard to case; a blank is the empty text.
bool textRelation(const Value& x, const Value& y, int32_t rel, bool* out) {
  const bool xt = x.kind == kValText || isBlank(x), yt = y.kind == kValText || isBlank(y);
  if (!xt || !yt) return false;
  *out = relationHolds(compareTexts(textOf(x), textOf(y)), rel);
  return true;
}

// The dependency classes of a step between two operands (a comparison, a
// join) into the context's result: nonsmooth, or smooth nonlinear where the
// model lets steps count so; false when neither operand is of a dependency
// kind.
bool dependencyStep(const Value& x, const Value& y, bool nonlinear) {
  if (x.kind == kValDegDag || y.kind == kValDegDag) {
    if (nonlinear) DegDag_nonlin2Result(&x, &y);
    else DegDag_nonsmooth2(&x, &y, true);
    return true;
  }
  if (!isDeg(x) && !isDeg(y)) return false;
  if (nonlinear) DegVec_nonlin2(&x, &y);
  else DegVec_nonsmooth2(&x, &y, true);
  return true;
}

// Element-wise comparisons of sample vectors: a vector of 1.0 and 0.0.
Value compareSamples(const Value& x, const Value& y, int32_t rel, EvalBuffers* buffers) {
  using Both = SampleVector (*)(const SampleVector*, const SampleVector*);
  using One = SampleVector (*)(const SampleVector*, double);
  static const Both kBoth[] = {nullptr, Smp_eq, Smp_ne, Smp_lt, Smp_le, Smp_gt, Smp_ge};
  static const One kOne[] = {nullptr, Smp_eqVS, Smp_neVS, Smp_ltVS, Smp_leVS, Smp_gtVS, Smp_geVS};
  const auto* px = x.kind == kValSamples ? static_cast<const SampleVector*>(x.payload) : nullptr;
  const auto* py = y.kind == kValSamples ? static_cast<const SampleVector*>(y.payload) : nullptr;
  SampleVector r{};
  if (px && py) r = kBoth[rel](px, py);
  else if (px && isScalar(y.kind)) r = kOne[rel](px, numberOf(y));
  else if (py && isScalar(x.kind)) r = kOne[mirror(rel)](py, numberOf(x));
  else return error(buffers, kErrValue);
  return finish(Val_setSamples(resultOf(buffers), &r));
}

Value compare(const Value& x, const Value& y, int32_t rel) {
  EvalContext* ctx = contextOf(x, y);
  if (const Value* e = errorOperand(x, y)) return copyOf(resultOf(buffersOf(ctx)), *e);
  if (bool b = false; kindRelation(x, y, rel, &b)) return boolean(buffersOf(ctx), b);
  if (dependencyStep(x, y, ctx && ctx->flags.nonSmoothAllowed == 1)) return *resultOf(buffersOf(ctx));
  if (ctx && ctx->flags.nonSmoothAllowed == 0 && (x.kind >= kValGrad || y.kind >= kValGrad)) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNonSmoothSpecial, "compare", 0, 0, 0);
    return error(buffersOf(ctx), kErrValue);
  }
  if (x.kind == kValSamples || y.kind == kValSamples) return compareSamples(x, y, rel, buffersOf(ctx));
  if (x.kind <= kValHess && isScalar(y.kind)) return boolean(buffersOf(ctx), Op_compareConst(x, numberOf(y), rel));
  if (y.kind <= kValHess && isScalar(x.kind))
    return boolean(buffersOf(ctx), Op_compareConst(y, numberOf(x), mirror(rel)));
  // Two values of a derivative kind compare by their values; two
  // enclosures may compare one way at some of their points and the other
  // way at others, which is no value the mode can give.
  if (double vx = 0.0, vy = 0.0; Op_derivativeValue(x, &vx) && Op_derivativeValue(y, &vy))
    return boolean(buffersOf(ctx), Op_compareConst(Val_scalar(kValReal, vx), vy, rel));
  if (isModeValue(x) && isModeValue(y)) return finish(Val_setNoDerivativeOf(resultOf(buffersOf(ctx)), kValAnswerLogical));
  bool b = false;
  if (textRelation(x, y, rel, &b)) return boolean(buffersOf(ctx), b);
  return error(buffersOf(ctx), kErrValue);
}

// Whether x ^ y raises a negative base to an exponent of a derivative mode:
// such a power has values at whole exponents alone, so no derivative.
bool negativeBaseToVaryingExponent(const Value& x, const Value& y) {
  double base = 0.0, exponent = 0.0;
  if (!Op_derivativeValue(y, &exponent)) return false;
  if (isScalar(x.kind)) base = numberOf(x);
  return base < 0.0 || (Op_derivativeValue(x, &base) && base < 0.0);
}

// Whether x ^ y raises a base of a derivative mode at zero to a positive
// exponent that varies or is fractional: zero is then the closed edge of
// the power's domain (no negative base has such powers), where the power has
// a value but no slope, as SQRT at 0.
bool zeroBaseAtDomainEdge(const Value& x, const Value& y) {
  double base = 1.0, exponent = 0.0;
  if (!Op_derivativeValue(x, &base) || base != 0.0) return false;
  if (Op_derivativeValue(y, &exponent)) return exponent > 0.0;
  exponent = numberOf(y);
  return isScalar(y.kind) && exponent > 0.0 && exponent != std::trunc(exponent);
}

// Whether x ^ y is 0 to a negative power at the point of a derivative
// mode: "#div/0!" in the value mode, which a formula may test (as a divisor
// of 0), and so in every point mode.
bool zeroToNegativePower(const Value& x, const Value& y) {
  double base = 1.0, exponent = 0.0;
  return Op_pointNumber(x, &base) && Op_pointNumber(y, &exponent) && base == 0.0 && exponent < 0.0;
}

Value powOperands(const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (const Value* e = errorOperand(x, y)) return copyOf(resultOf(buffersOf(ctx)), *e);
  if (isDeg(x) || isDeg(y)) return degArith(Arith::kPow, x, y, buffersOf(ctx));
  int32_t kx = 0, ky = 0;
  double a = 0.0, b = 0.0;
  if (scalarOperand(x, &kx, &a) && scalarOperand(y, &ky, &b)) return scalarPow(buffersOf(ctx), a, b);
  if (x.kind == kValDegDag && y.kind == kValDegDag) {
    DegDag_nonlin2Result(&x, &y);
    return *resultOf(buffersOf(ctx));
  }
  if (zeroToNegativePower(x, y)) return error(buffersOf(ctx), kErrDiv0);
  if (negativeBaseToVaryingExponent(x, y) || zeroBaseAtDomainEdge(x, y))
    return finish(Val_setNoDerivative(resultOf(buffersOf(ctx))));
  int32_t kind = 0;
  if (familyPair(x, y, &kind)) return dispatchFamily(Arith::kPow, kind, x, y);
  return error(buffersOf(ctx), kErrValue);
}

}  // namespace

// A text operand that reads as a number ("4", "50%", "1/31/2024") counts as
// that real in arithmetic, as in the worksheet.
namespace {

// A text that reads as a number ("4", "50%", "1/31/2024"), and the number.
bool readsAsNumber(std::u16string t, double* out) {
  const bool percent = !t.empty() && t.back() == u'%';
  if (percent) t.pop_back();
  if (!Text_toDouble(t, out) && (percent || !Cal_sheetSerial(std::u16string_view(t), out))) return false;
  if (percent) *out /= 100.0;
  return true;
}

// The join of two values of which one or both a derivative mode carries,
// as the value mode makes it at the point, seen by its kind; an enclosure
// has no one point, and its join is not known.
ValModeAnswer joinAnswer(const Value& x, const Value& y) {
  double a = 0.0, b = 0.0;
  if ((isModeValue(x) && !Op_derivativeValue(x, &a)) || (isModeValue(y) && !Op_derivativeValue(y, &b)))
    return kValAnswerUnknown;
  const Value px = isModeValue(x) ? Val_scalar(kValReal, a) : x, py = isModeValue(y) ? Val_scalar(kValReal, b) : y;
  double number = 0.0;
  return readsAsNumber(textOf(px) + textOf(py), &number) ? kValAnswerNumericText : kValAnswerText;
}

}  // namespace

bool Op_numericText(const Value& v, double* out) {
  if (v.kind != kValText || !v.text) return false;
  return readsAsNumber(v.text, out);
}

ValModeAnswer Op_answerOf(const Value& v) {
  double number = 0.0;
  switch (v.kind) {
    case kValBool: return kValAnswerLogical;
    case kValInt:
    case kValReal: return kValAnswerNumber;
    case kValText: return Op_numericText(v, &number) ? kValAnswerNumericText : kValAnswerText;
    default: return kValAnswerUnknown;
  }
}

Value Op_add(const Value& x, const Value& y) { return arith(Arith::kAdd, x, y); }
Value Op_sub(const Value& x, const Value& y) { return arith(Arith::kSub, x, y); }
Value Op_mul(const Value& x, const Value& y) { return arith(Arith::kMul, x, y); }
Value Op_div(const Value& x, const Value& y) { return arith(Arith::kDiv, x, y); }
Value Op_addVS(const Value& x, double d) { return arithVS(Arith::kAdd, x, d); }
Value Op_subVS(const Value& x, double d) { return arithVS(Arith::kSub, x, d); }
Value Op_mulVS(const Value& x, double d) { return arithVS(Arith::kMul, x, d); }
Value Op_divVS(const Value& x, double d) { return arithVS(Arith::kDiv, x, d); }
Value Op_addSV(double d, const Value& x) { return arithSV(Arith::kAdd, d, x); }
Value Op_subSV(double d, const Value& x) { return arithSV(Arith::kSub, d, x); }
Value Op_mulSV(double d, const Value& x) { return arithSV(Arith::kMul, d, x); }

Value Op_divSV(double d, const Value& x) {
  if (zeroDivisor(x)) return error(buffersOf(x.context), kErrDiv0);
  if (intervalDivisorHoldsZero(x)) return error(buffersOf(x.context), kErrDiv0);
  return arithSV(Arith::kDiv, d, x);
}

Value Op_pow(const Value& x, const Value& y) {
  if (x.kind == kValText || y.kind == kValText) {
    Value xReal{}, yReal{};
    return powOperands(numericOperand(x, &xReal), numericOperand(y, &yReal));
  }
  return powOperands(x, y);
}

Value Op_powOperator(const Value& x, const Value& y) {
  double base = 1.0, exponent = 1.0;
  if ((!isScalar(x.kind) || !isScalar(y.kind)) && Op_pointNumber(x, &base) && Op_pointNumber(y, &exponent) &&
      base == 0.0 && exponent == 0.0)
    return error(buffersOf(contextOf(x, y)), kErrNum);
  // An interval kind's square is its family's square, whose end products
  // round outward and no further: the integer power also widens its ends
  // by a relative 2^-26, which on a sum of squares of 1E+8 leaves each
  // value uncertain by units.
  if (isIntervalKind(x.kind) && x.payload && isScalar(y.kind) && numberOf(y) == kSquareExponent)
    return Op_elementary(kOpSquare, x);
  return Op_pow(x, y);
}

Value Op_neg(const Value& x) {
  EvalContext* ctx = x.context;
  if (isError(x)) return copyOf(resultOf(buffersOf(ctx)), x);
  if (isScalar(x.kind)) return number(buffersOf(ctx), x.kind == kValReal ? kValReal : kValInt, -numberOf(x));
  if (double t = 0.0; Op_numericText(x, &t)) return number(buffersOf(ctx), kValReal, -t);
  if (isDeg(x)) return degCopy(buffersOf(ctx), x, false);
  if (x.kind == kValSamples) return familyNeg(kSampleOps, x);
  if (x.kind == kValGrad) return familyNeg(kGradOps, x);
  if (x.kind == kValHess) return familyNeg(kHessOps, x);
  if (x.kind == kValRev) return familyNeg(kRevOps, x);
  if (x.kind == kValDegDag) return familyNeg(kDagOps, x);
  if (x.kind == kValIvGrad) return familyNeg(kIvGradOps, x);
  if (x.kind == kValIvRev) return familyNeg(kIvRevOps, x);
  if (x.kind == kValIvHess) return familyNeg(kIvHessOps, x);
  if (x.kind == kValInterval) return familyNeg(kIvlOps, x);
  if (x.kind == kValIvProp) return familyNeg(kIvPropOps, x);
  if (x.kind == kValAffine) return familyNeg(kAffOps, x);
  return error(buffersOf(ctx), kErrValue);
}

Value Op_concat(const Value& x, const Value& y) {
  EvalContext* ctx = contextOf(x, y);
  if (const Value* e = errorOperand(x, y)) return copyOf(resultOf(buffersOf(ctx)), *e);
  if (dependencyStep(x, y, false)) return *resultOf(buffersOf(ctx));
  // The digits of a value of a derivative, tape, interval or affine mode
  // join in the value mode alone: here the join is a value the mode could
  // not compute.
  if (isModeValue(x) || isModeValue(y))
    return finish(Val_setNoDerivativeOf(resultOf(buffersOf(ctx)), joinAnswer(x, y)));
  // A join is a text even when it reads as a number ("1" & "2" is "12"),
  // so that it compares and joins further as the worksheet does.
  const std::u16string joined = textOf(x) + textOf(y);
  if (joined.size() > kOpMaxTextLength) return error(buffersOf(ctx), kErrValue);
  return finish(Val_setText(resultOf(buffersOf(ctx)), joined.c_str()));
}

Value Op_eq(const Value& x, const Value& y) { return compare(x, y, kRelCmpEq); }
Value Op_ne(const Value& x, const Value& y) { return compare(x, y, kRelCmpNe); }
Value Op_lt(const Value& x, const Value& y) { return compare(x, y, kRelCmpLt); }
Value Op_gt(const Value& x, const Value& y) { return compare(x, y, kRelCmpGt); }
Value Op_le(const Value& x, const Value& y) { return compare(x, y, kRelCmpLe); }
Value Op_ge(const Value& x, const Value& y) { return compare(x, y, kRelCmpGe); }

bool Op_compareConst(const Value& x, double d, int32_t relation) {
  if (isScalar(x.kind)) {
    const double v = numberOf(x);
    if (relation == kRelCmpContains) return v == d;
    return relationHolds(v < d ? -1 : v > d ? 1 : 0, relation);
  }
  if (double v = 0.0; Op_derivativeValue(x, &v)) {
    if (relation == kRelCmpContains) return v == d;
    return relationHolds(v < d ? -1 : v > d ? 1 : 0, relation);
  }
  // The interval kinds by their range: a relation holds when it holds for
  // every point of it; contains when d lies in it.
  if (Interval i{}; Op_intervalOf(x, &i)) {
    switch (relation) {
      case kRelCmpEq: return i.lo == d && i.hi == d;
      case kRelCmpNe: return !(i.lo == d && i.hi == d);
      case kRelCmpLt: return i.hi < d;
      case kRelCmpLe: return i.hi <= d;
      case kRelCmpGt: return i.lo > d;
      case kRelCmpGe: return i.lo >= d;
      case kRelCmpContains: return i.lo <= d && d <= i.hi;
      default: return false;
    }
  }
  return false;
}

bool Op_derivativeValue(const Value& x, double* out) {
  const double* value = Op_pointValue(x);
  return value && (*out = *value, true);
}

bool Op_pointNumber(const Value& v, double* out) {
  if (isScalar(v.kind)) return *out = numberOf(v), true;
  return Op_derivativeValue(v, out);
}

bool Op_hasKind(const Value& x, int32_t kind) {
  if (x.kind == kind) return true;
  if (x.kind != kValArray || !x.array) return false;
  for (int32_t i = 0; i < x.array->rows; ++i)
    for (int32_t j = 0; j < x.array->columns; ++j)
      if (Val_at(&x, i, j)->kind == kind) return true;
  return false;
}

bool Op_anyArgHasKind(int32_t n, Value* const* args, int32_t kind) {
  for (int32_t i = 0; i < n; ++i)
    if (Op_hasKind(*args[i], kind)) return true;
  return false;
}
