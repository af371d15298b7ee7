// One-argument mathematical functions, ATAN2, PI, LOG and POWER. Plain
// values compute here; the kinds of the evaluation modes go to their
// family's member (Op_elementary) or, for the composed functions, through
// the generic operators, so each function works in every mode.
#include "worksheet/math/Wsf_Unary.h"

#include <cmath>

#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "base/Dbl_Whole.h"
#include "values/Grad_Payload.h"
#include "values/Hess_Payload.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

const double kPi = std::acos(-1.0);
const double kDegreesPerRadian = 180 / kPi;
const double kRadiansPerDegree = kPi * 0.005555555555555556;
// Domain of a function: the open or closed interval (lo, hi); x must lie in it.
struct Domain {
  double lo, hi;
  bool closed;
};
constexpr Domain kAll{-INFINITY, INFINITY, false};
constexpr Domain kUnitClosed{-1, 1, true};
constexpr Domain kUnitOpen{-1, 1, false};
constexpr Domain kPositive{0, INFINITY, false};
constexpr Domain kNonNegative{0, INFINITY, true};
constexpr Domain kFromOne{1, INFINITY, true};
// Angles from 2^27 on keep too few bits below the period for a sine,
// cosine or tangent to mean anything: the worksheet refuses them.
constexpr double kMaxAngle = 134217728.0;
constexpr Domain kAngle{-kMaxAngle, kMaxAngle, false};

bool inside(const Domain& d, double x) { return d.closed ? (x >= d.lo && x <= d.hi) : (x > d.lo && x < d.hi); }

bool isModal(const Value* x) { return Op_isModeKind(x->kind) && x->payload; }
bool isIntervalKind(int32_t kind) { return kind >= kValIvGrad && kind <= kValAffine; }

// A value of an evaluation mode that lies outside the domain: numbers and
// derivative kinds by their value, interval kinds when wholly outside;
// sample vectors and structure kinds never (their families decide).
bool modalOutside(const Domain& d, const Value* x) {
  const int32_t below = d.closed ? kRelCmpLt : kRelCmpLe, above = d.closed ? kRelCmpGt : kRelCmpGe;
  return (std::isfinite(d.lo) && Op_compareConst(*x, d.lo, below)) ||
         (std::isfinite(d.hi) && Op_compareConst(*x, d.hi, above));
}

// The domain fault of a mode value: "#num!" for the derivative kinds; the
// interval kinds raise "Unfeasible argument" and answer the argument itself.
Value* domainFault(Value* result, const Value* x) {
  if (!isIntervalKind(x->kind)) return Wsf_error(result, kErrNum);
  Vm_raise(Vm_errorsOf(x->context), kStatusUnfeasibleArgument, "worksheet", 0, 0, 0);
  return Wsf_copy(result, x);
}

// The plain number an argument stands for; false when it has none.
bool plainNumber(const Value* x, double* v) {
  if (Wsf_isPlain(x)) return *v = Wsf_number(x), true;
  return false;
}

// A smooth function: its real f on plain numbers ("#num!" outside the
// domain), its family member op on the evaluation modes.
Value* smooth(Value* result, const Value* x, double (*f)(double), int32_t op, const Domain& domain) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  double v = 0;
  if (plainNumber(x, &v)) return inside(domain, v) ? Wsf_finite(result, f(v)) : Wsf_error(result, kErrNum);
  if (!isModal(x)) return Wsf_error(result, kErrValue);
  if (modalOutside(domain, x)) return domainFault(result, x);
  return Wsf_from(result, Op_elementary(op, *x));
}

// A function composed of the generic operators: f on plain numbers, build
// (x, context) on the evaluation modes after the domain test.
Value* composed(Value* result, const Value* x, double (*f)(double), const Domain& domain,
                Value (*build)(const Value&)) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  double v = 0;
  if (plainNumber(x, &v)) return inside(domain, v) ? Wsf_finite(result, f(v)) : Wsf_error(result, kErrNum);
  if (!isModal(x)) return Wsf_error(result, kErrValue);
  if (modalOutside(domain, x)) return domainFault(result, x);
  WsfLocal t(x->context);
  t = build(*x);
  // The operators' formula may round apart from f (ATANH near 0 loses
  // digits in its logarithm): a derivative mode's value is set to f's at
  // the point by a constant shift, which leaves its slopes as they are.
  double at = 0.0, formed = 0.0;
  if (Op_derivativeValue(*x, &at) && Op_derivativeValue(*t, &formed) && std::isfinite(f(at)) && f(at) != formed)
    t = Op_addVS(*t, f(at) - formed);
  return Wsf_from(result, *t);
}

// The mode answer of a one-argument worksheet function, as a value to chain.
Value sqrOf(const Value& x) { return Op_elementary(kOpSquare, x); }
Value sqrtOf(const Value& x) { return Op_elementary(kOpSqrt, x); }
Value lnOf(const Value& x) { return Op_elementary(kOpLn, x); }

// From here on x^2 leaves the doubles, and ln(sqrt(x^2 + shift) + x) is
// ln(2x) to the last bit.
constexpr double kHyperbolicHuge = 1e150;

// ln(sqrt(x^2 + shift) + x) for x >= 0: ASINH with shift 1, ACOSH with -1.
Value inverseHyperbolic(const Value& x, double shift) {
  WsfLocal t(x.context);
  if (Op_compareConst(x, kHyperbolicHuge, kRelCmpGt)) {
    t = Op_mulVS(x, 2.0);
    return lnOf(*t);
  }
  t = sqrOf(x);
  t = Op_addVS(*t, shift);
  t = sqrtOf(*t);
  t = Op_add(*t, x);
  return lnOf(*t);
}
Value acoshBuild(const Value& x) { return inverseHyperbolic(x, -1.0); }
// ASINH is odd: a negative x takes -ASINH(-x), since sqrt(x^2 + 1) + x
// cancels to 0 there (ASINH(-1E+14) failed the derivative modes).
Value asinhBuild(const Value& x) {
  if (!Op_compareConst(x, 0.0, kRelCmpLt)) return inverseHyperbolic(x, 1.0);
  WsfLocal t(x.context);
  t = Op_neg(x);
  t = inverseHyperbolic(*t, 1.0);
  return Op_neg(*t);
}
Value atanhBuild(const Value& x) {
  WsfLocal below(x.context), above(x.context);
  below = Op_subSV(1.0, x);
  above = Op_addSV(1.0, x);
  above = Op_div(*above, *below);
  above = lnOf(*above);
  return Op_divVS(*above, 2.0);
}
Value degreesBuild(const Value& x) { return Op_mulVS(x, kDegreesPerRadian); }
Value radiansBuild(const Value& x) { return Op_mulVS(x, kRadiansPerDegree); }
Value sqrtpiBuild(const Value& x) {
  WsfLocal t(x.context);
  t = Op_mulVS(x, kPi);
  return sqrtOf(*t);
}
Value log10Build(const Value& x) {
  WsfLocal t(x.context);
  t = lnOf(x);
  return Op_divVS(*t, std::log(10.0));
}

double degreesOf(double x) { return x * kDegreesPerRadian; }
double radiansOf(double x) { return x * kRadiansPerDegree; }
double sqrtpiOf(double x) { return std::sqrt(x * kPi); }
// Logarithms to the bases 10 and 2 exactly, so that their powers give whole
// numbers: ln 1000 / ln 10 is 2.9999999999999996, which INT makes 2.
double log10Of(double x) { return std::log10(x); }
double logBase(double x, double base) {
  return base == 10 ? std::log10(x) : base == 2 ? std::log2(x) : std::log(x) / std::log(base);
}

// ABS and SIGN: non-smooth, so the derivative, interval and tape kinds need
// the context's allowance ("Non-smooth special function" otherwise); the
// structure modes record a non-smooth dependency unless it is allowed.
Value* nonSmooth(Value* result, const Value* x, int32_t op) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  EvalContext* ctx = x->context;
  const bool allowed = ctx && Wsf_nonSmoothAllowed(ctx->flags);
  if (x->kind == kValDegVec || x->kind == kValDegDag) {
    if (allowed && x->kind == kValDegVec) {
      DegVec_nonlin(x);
      ++ctx->buffers.tapeCount;
    } else if (allowed) {
      DegDag_nonlinResult(x);
    } else if (x->kind == kValDegVec) {
      DegVec_nonsmooth(x, false);
    } else {
      DegDag_nonsmooth(x, false);
    }
    return Wsf_from(result, *ctx->buffers.result);
  }
  if (isModal(x) && x->kind != kValSamples && !allowed) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNonSmoothSpecial, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrValue);
  }
  if (isModal(x)) return Wsf_from(result, Op_elementary(op, *x));
  if (!Wsf_isPlain(x)) return Wsf_error(result, kErrValue);
  Val_clear(result);
  if (op == kOpSign) return Val_setInt(result, x->number < 0 ? -1 : (x->number == 0 ? 0 : 1));
  Val_setKind(result, x->kind < kValBool ? kValReal : x->kind)->number = std::fabs(x->number);
  return result;
}

// The angle of (x, y). A worksheet has no negative zero: a zero y is +0,
// so that a negative x gives +pi however the zero was computed (-A1*0).
double angleOf(double x, double y) { return std::atan2(y == 0 ? 0.0 : y, x); }

// ATAN2 over sample vectors: each trial's angle, NaN at the origin.
Value* atan2Samples(Value* result, const Value* x, const Value* y) {
  EvalContext* ctx = x->kind == kValSamples ? x->context : y->context;
  const auto* sx = x->kind == kValSamples ? static_cast<const SampleVector*>(x->payload) : nullptr;
  const auto* sy = y->kind == kValSamples ? static_cast<const SampleVector*>(y->payload) : nullptr;
  const int32_t n = sx ? sx->n : sy->n;
  SampleVector angles{};
  if (!Smp_init(&angles, n, ctx)) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrValue);
  }
  for (int32_t i = 1; i <= n; ++i) {
    const double a = sx ? (i <= sx->n ? sx->data[i] : NAN) : x->number;
    const double b = sy ? (i <= sy->n ? sy->data[i] : NAN) : y->number;
    Smp_setAt(&angles, a == 0 && b == 0 ? NAN : angleOf(a, b), i);
  }
  Val_setSamples(result, &angles);
  Smp_free(&angles);
  return result;
}

// A derivative-kind constant of the argument's size: zero gradient (and
// Hessian), value v.
template <typename T, bool (*Init)(T*, int32_t, EvalContext*), void (*SetConst)(T*, double), void (*Free)(T*),
          Value* (*Set)(Value*, const T*)>
Value* derivativeConst(Value* result, const Value* like, double v) {
  T c{};
  if (Init(&c, static_cast<const T*>(like->payload)->n, like->context)) {
    SetConst(&c, v);
    Set(result, &c);
  }
  Free(&c);
  return result;
}

// ATAN2 on the evaluation modes: atan(y / x) moved to the angle's quadrant.
// The structure modes cannot tell the sign of y, but either move is by a
// constant, which leaves the structure as it is.
Value* atan2Modal(Value* result, const Value* x, const Value* y) {
  EvalContext* ctx = isModal(x) ? x->context : y->context;
  if (isIntervalKind(x->kind) && Op_compareConst(*x, 0, kRelCmpContains)) {
    Vm_raise(Vm_errorsOf(ctx), kStatusDivisionByZero, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrDiv0);
  }
  if (Op_compareConst(*x, 0, kRelCmpEq)) {
    if (Op_compareConst(*y, 0, kRelCmpEq)) return Wsf_error(result, kErrDiv0);
    const double v = (Op_compareConst(*y, 0, kRelCmpLt) ? -1 : 1) * kPi * 0.5;
    const Value* grad = x->kind == kValGrad ? x : y->kind == kValGrad ? y : nullptr;
    const Value* hess = x->kind == kValHess ? x : y->kind == kValHess ? y : nullptr;
    if (grad) return derivativeConst<GradValue, Grad_init, Grad_setConst, Grad_free, Val_setGrad>(result, grad, v);
    if (hess) return derivativeConst<HessValue, Hess_init, Hess_setConst, Hess_free, Val_setHess>(result, hess, v);
  }
  WsfLocal t(ctx);
  t = Op_div(*y, *x);
  t = Op_elementary(kOpAtan, *t);
  if (t->kind == kValError) return Wsf_copy(result, &*t);
  if (Op_compareConst(*x, 0, kRelCmpLt)) {
    if (Op_compareConst(*y, 0, kRelCmpLt)) t = Op_subVS(*t, kPi);
    else if (Op_compareConst(*y, 0, kRelCmpGe) || Wsf_isStructural(y)) t = Op_addVS(*t, kPi);
    else Vm_raise(Vm_errorsOf(ctx), kStatusDivisionByZero, "worksheet", 0, 0, 0);
  }
  if (x->kind == kValDegVec || y->kind == kValDegVec) ++ctx->buffers.tapeCount;
  return Wsf_copy(result, &*t);
}

// An integer-valued power keeps the integer kind only when it is a whole
// number within the 32-bit range.
Value* plainPower(Value* result, const Value* x, const Value* y) {
  const double v = std::pow(x->number, y->number);
  if (!std::isfinite(v)) return Wsf_error(result, kErrNum);
  const int32_t kind = x->kind > y->kind ? x->kind : y->kind;
  int32_t whole = 0;
  Val_clear(result);
  if (kind <= kValInt && v == std::trunc(v) && Dbl_toWhole(v, &whole)) return Val_setInt(result, whole);
  return Val_setNumber(result, v);
}

}  // namespace

Value* Wsf_acos(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::acos(v); }, kOpAcos, kUnitClosed); }
Value* Wsf_asin(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::asin(v); }, kOpAsin, kUnitClosed); }
Value* Wsf_atan(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::atan(v); }, kOpAtan, kAll); }
Value* Wsf_cos(Value* r, const Value* x) {
  return smooth(
      r, x, [](double v) { return std::cos(v); }, kOpCos, kAngle);
}
Value* Wsf_cosh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::cosh(v); }, kOpCosh, kAll); }
Value* Wsf_exp(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::exp(v); }, kOpExp, kAll); }
Value* Wsf_ln(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::log(v); }, kOpLn, kPositive); }
Value* Wsf_sin(Value* r, const Value* x) {
  return smooth(
      r, x, [](double v) { return std::sin(v); }, kOpSin, kAngle);
}
Value* Wsf_sinh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::sinh(v); }, kOpSinh, kAll); }
Value* Wsf_tan(Value* r, const Value* x) {
  return smooth(
      r, x, [](double v) { return std::tan(v); }, kOpTan, kAngle);
}
Value* Wsf_tanh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::tanh(v); }, kOpTanh, kAll); }
Value* Wsf_sqrt(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::sqrt(v); }, kOpSqrt, kNonNegative); }

// The inverse hyperbolic functions use the library's functions on plain
// numbers, which stay accurate where x^2 overflows.
Value* Wsf_acosh(Value* r, const Value* x) { return composed(r, x, [](double v) { return std::acosh(v); }, kFromOne, acoshBuild); }
Value* Wsf_asinh(Value* r, const Value* x) { return composed(r, x, [](double v) { return std::asinh(v); }, kAll, asinhBuild); }
Value* Wsf_atanh(Value* r, const Value* x) { return composed(r, x, [](double v) { return std::atanh(v); }, kUnitOpen, atanhBuild); }
Value* Wsf_degrees(Value* r, const Value* x) { return composed(r, x, degreesOf, kAll, degreesBuild); }
Value* Wsf_radians(Value* r, const Value* x) { return composed(r, x, radiansOf, kAll, radiansBuild); }
Value* Wsf_sqrtpi(Value* r, const Value* x) { return composed(r, x, sqrtpiOf, kNonNegative, sqrtpiBuild); }
Value* Wsf_log10(Value* r, const Value* x) { return composed(r, x, log10Of, kPositive, log10Build); }

Value* Wsf_abs(Value* result, const Value* x) { return nonSmooth(result, x, kOpAbs); }
Value* Wsf_sign(Value* result, const Value* x) { return nonSmooth(result, x, kOpSign); }

Value* Wsf_atan2(Value* result, const Value* x, const Value* y) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isError(y)) return Wsf_copy(result, y);
  const bool samples = (x->kind == kValSamples && x->payload) || (y->kind == kValSamples && y->payload);
  if (samples && (Wsf_isPlain(x) || x->kind == kValSamples) && (Wsf_isPlain(y) || y->kind == kValSamples))
    return atan2Samples(result, x, y);
  if (isModal(x) || isModal(y)) return atan2Modal(result, x, y);
  if (!Wsf_isPlain(x) || !Wsf_isPlain(y)) return Wsf_error(result, kErrValue);
  if (x->number == 0 && y->number == 0) return Wsf_error(result, kErrDiv0);
  Val_clear(result);
  return Val_setNumber(result, angleOf(x->number, y->number));
}

Value* Wsf_pi(Value* result) {
  Val_clear(result);
  return Val_setNumber(result, kPi);
}

Value* Wsf_log(Value* result, int argc, const Value* const* argv) {
  if (argc < 2 || argv[1]->kind == kValMissing) return Wsf_log10(result, argv[0]);
  const Value* x = argv[0];
  const Value* base = argv[1];
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isError(base)) return Wsf_copy(result, base);
  if (isModal(x) || isModal(base)) {
    EvalContext* ctx = isModal(x) ? x->context : base->context;
    WsfLocal lx(ctx), lb(ctx);
    Wsf_ln(&lx.v, x);
    Wsf_ln(&lb.v, base);
    return Wsf_from(result, Op_div(*lx, *lb));
  }
  if (!Wsf_isPlain(x) || !Wsf_isPlain(base)) return Wsf_error(result, kErrValue);
  const double a = x->number, b = base->number;
  if (!(a > 0) || !(b > 0)) return Wsf_error(result, kErrNum);
  if (b == 1) return Wsf_error(result, kErrDiv0);
  Val_clear(result);
  return Val_setNumber(result, logBase(a, b));
}

Value* Wsf_power(Value* result, const Value* x, const Value* y) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isError(y)) return Wsf_copy(result, y);
  if (Wsf_isPlain(x) && Wsf_isPlain(y)) return plainPower(result, x, y);
  // An interval raised to an integer-valued exponent takes the integer
  // power, which negative bases allow.
  int32_t n = 0;
  if (isIntervalKind(x->kind) && isModal(x) && y->kind <= kValInt && Dbl_toWhole(y->number, &n))
    return Wsf_from(result, Op_powVI(*x, n));
  // 0 to the power 0 is 1, the limit of x^0, but x^y with a varying
  // exponent has no slope there: a result without derivatives.
  if (double b = 1, e = 1; Op_pointNumber(*x, &b) && Op_derivativeValue(*y, &e) && b == 0 && e == 0) {
    Val_clear(result);
    return Val_setNoDerivative(result);
  }
  if ((isModal(x) && (Wsf_isPlain(y) || y->kind == x->kind)) || (isModal(y) && Wsf_isPlain(x)) ||
      y->kind == kValDegVec)
    return Wsf_from(result, Op_pow(*x, *y));
  return Wsf_error(result, kErrValue);
}

Value* Wsf_powerFunction(Value* result, const Value* x, const Value* y) {
  if (Wsf_isPlain(x) && Wsf_isPlain(y) && Wsf_number(x) == 0.0 && Wsf_number(y) < 0.0)
    return Wsf_error(result, kErrDiv0);
  return Wsf_power(result, x, y);
}

Value* Wsf_sqr(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (isModal(x)) return Wsf_from(result, sqrOf(*x));
  if (!Wsf_isPlain(x)) return Wsf_error(result, kErrValue);
  const double v = x->number * x->number;
  const int32_t kind = x->kind <= kValBool ? (x->kind == kValBool ? kValInt : kValReal) : x->kind;
  Val_clear(result);
  Val_setKind(result, kind)->number = v;
  return result;
}
