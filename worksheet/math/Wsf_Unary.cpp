// One-argument mathematical functions, ATAN2, PI, LOG and POWER on plain
// values.
#include "worksheet/math/Wsf_Unary.h"

#include <cmath>

#include "values/Text_Convert.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Num_Helpers.h"

namespace {

const double kPi = std::acos(-1.0);
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

bool inside(const Domain& d, double x) { return d.closed ? (x >= d.lo && x <= d.hi) : (x > d.lo && x < d.hi); }

// The argument checks every member shares: null when f should compute on
// x's number, else the finished result.
Value* screen(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isPlain(x)) return nullptr;
  if (x->kind >= kValFirstPayload && x->kind < kValKind17) {
    Vm_raise(x->context, kStatusUnsupportedFunction, "worksheet", 0, 0, 0);
    return Wsf_error(result, kErrValue);
  }
  return Wsf_error(result, kErrValue);
}

// A smooth real function with its domain; "#num!" outside it. A text that
// reads as a number stands for that number.
Value* smooth(Value* result, const Value* x, double (*f)(double), const Domain& domain) {
  double v = 0;
  if (x->kind == kValText && Text_toDouble(x->text ? x->text : u"", &v)) {
  } else if (Value* done = screen(result, x)) {
    return done;
  } else {
    v = x->number;
  }
  if (!inside(domain, v)) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, f(v));
}

// The library's inverse hyperbolic functions stay accurate where x^2 overflows.
double acoshOf(double x) { return std::acosh(x); }
double asinhOf(double x) { return std::asinh(x); }
double atanhOf(double x) { return std::atanh(x); }
double degreesOf(double x) { return x * (180 / kPi); }
double radiansOf(double x) { return x * (kPi * 0.005555555555555556); }
double sqrtpiOf(double x) { return std::sqrt(x * kPi); }
double log10Of(double x) { return std::log(x) / std::log(10.0); }

}  // namespace

Value* Wsf_acos(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::acos(v); }, kUnitClosed); }
Value* Wsf_acosh(Value* r, const Value* x) { return smooth(r, x, acoshOf, kFromOne); }
Value* Wsf_asin(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::asin(v); }, kUnitClosed); }
Value* Wsf_asinh(Value* r, const Value* x) { return smooth(r, x, asinhOf, kAll); }
Value* Wsf_atan(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::atan(v); }, kAll); }
Value* Wsf_atanh(Value* r, const Value* x) { return smooth(r, x, atanhOf, kUnitOpen); }
Value* Wsf_cos(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::cos(v); }, kAll); }
Value* Wsf_cosh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::cosh(v); }, kAll); }
Value* Wsf_degrees(Value* r, const Value* x) { return smooth(r, x, degreesOf, kAll); }
Value* Wsf_exp(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::exp(v); }, kAll); }
Value* Wsf_ln(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::log(v); }, kPositive); }
Value* Wsf_log10(Value* r, const Value* x) { return smooth(r, x, log10Of, kPositive); }
Value* Wsf_radians(Value* r, const Value* x) { return smooth(r, x, radiansOf, kAll); }
Value* Wsf_sin(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::sin(v); }, kAll); }
Value* Wsf_sinh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::sinh(v); }, kAll); }
Value* Wsf_sqrtpi(Value* r, const Value* x) { return smooth(r, x, sqrtpiOf, kNonNegative); }
Value* Wsf_tan(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::tan(v); }, kAll); }
Value* Wsf_tanh(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::tanh(v); }, kAll); }
Value* Wsf_sqrt(Value* r, const Value* x) { return smooth(r, x, [](double v) { return std::sqrt(v); }, kNonNegative); }

Value* Wsf_abs(Value* result, const Value* x) {
  if (Value* done = screen(result, x)) return done;
  const int32_t kind = x->kind < kValBool ? kValReal : x->kind;
  const double v = std::fabs(x->number);
  Val_clear(result);
  Val_setKind(result, kind)->number = v;
  return result;
}

Value* Wsf_sign(Value* result, const Value* x) {
  if (Value* done = screen(result, x)) return done;
  const double s = x->number < 0 ? -1 : (x->number == 0 ? 0 : 1);
  Val_clear(result);
  return Val_setInt(result, static_cast<int32_t>(s));
}

Value* Wsf_atan2(Value* result, const Value* x, const Value* y) {
  if (Value* done = screen(result, x)) return done;
  if (Value* done = screen(result, y)) return done;
  if (x->number == 0 && y->number == 0) return Wsf_error(result, kErrDiv0);
  const double angle = std::atan2(y->number, x->number);
  Val_clear(result);
  return Val_setNumber(result, angle);
}

Value* Wsf_pi(Value* result) {
  Val_clear(result);
  return Val_setNumber(result, kPi);
}

Value* Wsf_log(Value* result, int argc, const Value* const* argv) {
  if (argc < 2 || argv[1]->kind == kValMissing) return Wsf_log10(result, argv[0]);
  if (Value* done = screen(result, argv[0])) return done;
  if (Value* done = screen(result, argv[1])) return done;
  const double x = argv[0]->number, base = argv[1]->number;
  if (!(x > 0) || !(base > 0)) return Wsf_error(result, kErrNum);
  if (base == 1) return Wsf_error(result, kErrDiv0);
  Val_clear(result);
  return Val_setNumber(result, std::log(x) / std::log(base));
}

Value* Wsf_power(Value* result, const Value* x, const Value* y) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Value* done = screen(result, y)) return done;
  if (Value* done = screen(result, x)) return done;
  const double v = std::pow(x->number, y->number);
  if (!std::isfinite(v)) return Wsf_error(result, kErrNum);
  const int32_t kind = x->kind > y->kind ? x->kind : y->kind;
  int32_t whole = 0;
  Val_clear(result);
  if (kind <= kValInt && v == std::trunc(v) && Num_truncToInt32(v, &whole)) return Val_setInt(result, whole);
  return Val_setNumber(result, v);
}

Value* Wsf_sqr(Value* result, const Value* x) {
  if (Value* done = screen(result, x)) return done;
  const int32_t kind = x->kind < kValBool ? kValReal : x->kind;
  const double v = x->number * x->number;
  Val_clear(result);
  Val_setKind(result, kind == kValBool ? kValInt : kind)->number = v;
  return result;
}
