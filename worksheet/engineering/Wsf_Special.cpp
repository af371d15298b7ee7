// Bessel and error functions on plain numbers.
#include "worksheet/engineering/Wsf_Special.h"

#include <cmath>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Special.h"

namespace {

// Orders above this would take the recurrences of the kernels too long.
constexpr double kMaxOrder = 1 << 20;
// The limit from which erf is taken as 1.
constexpr double kErfLimit = 30;

struct Bessel {
  double (*order0)(double);
  double (*order1)(double);
  double (*orderN)(int32_t, double);
  bool positiveX;  // x > 0 required
  bool nanIsZero;  // a result that is not a number is 0
};

double runtimeJ0(double x) { return ::j0(x); }
double runtimeJ1(double x) { return ::j1(x); }
double runtimeJn(int32_t n, double x) { return ::jn(n, x); }
double runtimeY0(double x) { return ::y0(x); }
double runtimeY1(double x) { return ::y1(x); }
double runtimeYn(int32_t n, double x) { return ::yn(n, x); }

constexpr Bessel kI{Kern_besselI0, Kern_besselI1, Kern_besselIn, false, false};
constexpr Bessel kJ{runtimeJ0, runtimeJ1, runtimeJn, false, true};
constexpr Bessel kK{Kern_besselK0, Kern_besselK1, Kern_besselKn, true, false};
constexpr Bessel kY{runtimeY0, runtimeY1, runtimeYn, true, false};

Value* bessel(Value* result, const Value* x, const Value* n, const Bessel& b) {
  const Value* argv[] = {x, n};
  if (Wsf_hooksOrError(result, 2, argv)) return result;
  for (const Value* v : argv)
    if (v->kind != kValInt && v->kind != kValReal) return Wsf_error(result, kErrValue);
  const double order = std::trunc(n->number);
  if (!(order >= 0 && order <= kMaxOrder)) return Wsf_error(result, kErrNum);
  if (b.positiveX && !(x->number > 0)) return Wsf_error(result, kErrNum);
  const int32_t k = static_cast<int32_t>(order);
  double y = k == 0 ? b.order0(x->number) : k == 1 ? b.order1(x->number) : b.orderN(k, x->number);
  if (b.nanIsZero && std::isnan(y)) y = 0;
  return Wsf_finite(result, y);
}

// erfc(x) = Q(1/2, x^2) for x >= 0, the C library's as erf's; 0 or an
// error code.
uint32_t erfcOf(double x, double* out) {
  *out = std::erfc(x);
  return std::isnan(*out) ? uint32_t{kErrNum} : 0u;
}

}  // namespace

Value* Wsf_besseli(Value* r, const Value* x, const Value* n) { return bessel(r, x, n, kI); }
Value* Wsf_besselj(Value* r, const Value* x, const Value* n) { return bessel(r, x, n, kJ); }
Value* Wsf_besselk(Value* r, const Value* x, const Value* n) { return bessel(r, x, n, kK); }
Value* Wsf_bessely(Value* r, const Value* x, const Value* n) { return bessel(r, x, n, kY); }

Value* Wsf_erf(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  for (int i = 0; i < argc; ++i)
    if (argv[i]->kind != kValEmpty && argv[i]->kind != kValInt && argv[i]->kind != kValReal &&
        !(i == 1 && argv[i]->kind == kValMissing))
      return Wsf_error(result, kErrValue);
  const double lower = argv[0]->kind == kValEmpty ? 0.0 : argv[0]->number;
  if (lower < 0) return Wsf_error(result, kErrNum);
  double a = 0, b = 0;
  if (!Wsf_given(argc, argv, 1)) {
    if (!(lower < kErfLimit)) return Wsf_error(result, kErrNum);
    const uint32_t status = Kern_erf(lower, &a);
    return status != 0 ? Wsf_error(result, status == kErrNA ? kErrNum : status) : Wsf_finite(result, a);
  }
  const double upper = argv[1]->kind == kValEmpty ? 0.0 : argv[1]->number;
  if (upper < 0 || (lower == 0 && !(upper < kErfLimit))) return Wsf_error(result, kErrNum);
  // erf(upper) - erf(lower) as erfc(lower) - erfc(upper): the tails keep
  // their accuracy where both limits are large.
  if (erfcOf(lower, &a) != 0 || erfcOf(upper, &b) != 0) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, a - b);
}

Value* Wsf_erfc(Value* result, const Value* x) {
  if (Wsf_hooksOrError(result, 1, &x)) return result;
  if (x->kind != kValEmpty && x->kind != kValInt && x->kind != kValReal) return Wsf_error(result, kErrValue);
  const double v = x->kind == kValEmpty ? 0.0 : x->number;
  double q = 0;
  if (!(v >= 0 && v < kErfLimit) || erfcOf(v, &q) != 0) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, q);
}
