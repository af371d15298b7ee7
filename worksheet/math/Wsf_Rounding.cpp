// Rounding, divisibility and counting functions on plain numbers; in the
// structure modes their arguments become non-smooth dependencies.
#include "worksheet/math/Wsf_Rounding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

#include "base/Dbl_Whole.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Kern_Special.h"

namespace {

// FACTDOUBLE accepts arguments below this.
constexpr double kFactDoubleLimit = 301;
// Significant digits of a worksheet number.
constexpr int kDecimalDigits = 15;

// Checks of one argument: null to compute, else the finished result. These
// functions are not differentiable: the structure modes record a non-smooth
// dependency, the other evaluation modes give "#value!".
Value* single(Value* result, const Value* x) {
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isStructural(x)) return Wsf_nonSmoothStructure(result, x);
  return Wsf_isPlain(x) ? nullptr : Wsf_error(result, kErrValue);
}

// A text (or an array): no number the functions here could take.
bool holdsNoNumber(const Value* v, int) { return v->kind > kValError; }

// Checks of two arguments in argument order, as the worksheet converts
// them one by one: the first error or text decides.
Value* pair(Value* result, const Value* a, const Value* b) {
  const Value* const args[] = {a, b};
  if (Wsf_firstRefusedArg(result, 2, args, kErrValue, holdsNoNumber)) return result;
  if (Wsf_isPlain(a) && Wsf_isPlain(b)) return nullptr;
  if (Wsf_isStructural(a) || Wsf_isStructural(b)) return Wsf_nonSmoothStructure2(result, a, b);
  return Wsf_error(result, kErrValue);
}

Value* real(Value* result, double x) {
  Val_clear(result);
  return Val_setNumber(result, x);
}

double floorOf(double q) { return std::floor(q); }

// CEILING (up) or FLOOR (down) to a multiple of s, counted in steps of s:
// a negative number with a positive step goes up toward zero (CEILING) or
// down away from it (FLOOR); with a negative step the other way round. A
// positive number has no multiple of a negative step: #NUM!.
Value* toMultiple(Value* result, const Value* x, const Value* s, bool up) {
  if (Value* done = pair(result, x, s)) return done;
  const double a = x->number, m = s->number;
  if (a > 0 && m < 0) return Wsf_error(result, kErrNum);
  // No multiple of a zero step lies at or below a number.
  if (m == 0 && !up) return Wsf_error(result, kErrDiv0);
  if (a == 0 || m == 0) return real(result, 0);
  const double q = Dbl_stepQuotient(a, m), steps = up ? std::ceil(q) : std::floor(q);
  if (!std::isfinite(q)) return Wsf_error(result, kErrNum);  // more steps than the doubles count
  if (q == steps) return real(result, a);
  return real(result, steps == 0 ? 0.0 : steps * m);
}

// y to 15 significant digits, as its decimal form reads: 1.005 * 100 is
// 100.49999999999999 in doubles but 100.5 in decimals.
double toDecimalDigits(double y) {
  char text[64];
  const auto written = std::to_chars(text, text + sizeof text, y, std::chars_format::general, kDecimalDigits);
  double decimal = y;
  if (written.ec == std::errc()) std::from_chars(text, written.ptr, decimal);
  return decimal;
}

// ROUND, ROUNDDOWN and ROUNDUP: 0 toward zero, 1 half away, 2 away.
enum class Rounding { kDown, kHalf, kUp };

// x rounded at its k-th decimal (k < 0: left of the point). A number whose
// digits all lie before that place keeps its value (however large k); one
// whose digits all lie well after it rounds to 0, or up to 10^-k away from
// zero (which overflows for a k below -308).
double roundedAt(double x, double k, Rounding how) {
  if (x == 0 || !std::isfinite(x)) return x;
  const double lead = std::floor(std::log10(std::fabs(x)));  // the place of x's first digit
  if (lead + k >= kDecimalDigits) return x;
  if (lead + k < -1) return how == Rounding::kUp ? Num_sign(x) * std::pow(10.0, -k) : 0.0;
  const double p = std::pow(10.0, k);
  const double y = toDecimalDigits(x * p);
  double i = 0;
  const double f = std::modf(y, &i);
  // Whole at that place in its decimal form: that form, not x's last bits
  // (TRUNC(2.9999999999999996) is 3, as its 15 digits read).
  if (f == 0) return i / p;
  if (how == Rounding::kDown || (how == Rounding::kHalf && std::fabs(f) < 0.5)) return i / p;
  return Num_sign(y) * (std::fabs(i) + 1) / p;
}

Value* roundTo(Value* result, const Value* x, const Value* digits, Rounding how) {
  if (Value* done = pair(result, x, digits)) return done;
  return Wsf_finite(result, roundedAt(x->number, std::trunc(digits->number), how));
}

// Every plain number of the list (array elements in row-major order) into
// out; null, or the finished result on a refused argument. The blanks,
// logicals and texts of arrays and single cells are skipped.
Value* gather(Value* result, int argc, const Value* const* argv, std::vector<double>* out) {
  if (argc < 1) return Wsf_error(result, kErrNA);
  if (Wsf_structureHooks(result, argc, argv)) return result;
  auto take = [&](const Value* v, bool fromCells) -> Value* {
    if (Wsf_isError(v)) return Wsf_copy(result, v);
    if (v->kind == kValMissing) return Wsf_error(result, kErrNA);
    if (fromCells && (v->kind == kValEmpty || v->kind == kValBool || v->kind == kValText)) return nullptr;
    if (v->kind == kValEmpty || v->kind == kValInt || v->kind == kValReal) {
      out->push_back(v->number);
      return nullptr;
    }
    return Wsf_error(result, kErrValue);
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray) {
      if (Value* done = take(a, Wsf_isCellReference(a))) return done;
      continue;
    }
    for (int32_t r = 0; r < a->array->rows; ++r)
      for (int32_t c = 0; c < a->array->columns; ++c)
        if (Value* done = take(Val_at(a, r, c), true)) return done;
  }
  return nullptr;
}

}  // namespace

Value* Wsf_ceiling(Value* r, const Value* x, const Value* s) { return toMultiple(r, x, s, true); }
Value* Wsf_floor(Value* r, const Value* x, const Value* s) { return toMultiple(r, x, s, false); }

// EVEN and ODD read a number within a few ulps of a whole one as that whole
// number, as CEILING reads its count of steps: EXP(LN(3)) is 3 to them.
Value* Wsf_even(Value* result, const Value* x) {
  if (Value* done = single(result, x)) return done;
  const double v = Dbl_stepQuotient(x->number, 1.0), i = std::trunc(v), s = Num_sign(v);
  if (Kern_isOddTrunc(i)) return real(result, s * (std::fabs(i) + 1));
  return real(result, v == i ? i : s * (std::fabs(i) + 2));
}

Value* Wsf_odd(Value* result, const Value* x) {
  if (Value* done = single(result, x)) return done;
  const double v = Dbl_stepQuotient(x->number, 1.0), i = std::trunc(v), s = Num_sign(v);
  if (v == 0) return real(result, 1);
  if (!Kern_isOddTrunc(i)) return real(result, s * (std::fabs(i) + 1));
  return real(result, v == i ? i : s * (std::fabs(i) + 2));
}

Value* Wsf_int(Value* result, const Value* x) {
  if (x->kind == kValSamples && x->payload) {
    const auto* s = static_cast<const SampleVector*>(x->payload);
    SampleVector floors{};
    if (!Smp_init(&floors, s->n, x->context)) return Wsf_error(result, kErrValue);
    for (int32_t i = 1; i <= s->n; ++i) Smp_setAt(&floors, floorOf(s->data[i]), i);
    Val_clear(result);
    Val_setSamples(result, &floors);
    Smp_free(&floors);
    return result;
  }
  if (Value* done = single(result, x)) return done;
  return real(result, floorOf(x->number));
}

Value* Wsf_mod(Value* result, const Value* x, const Value* d) {
  if (Value* done = pair(result, x, d)) return done;
  if (d->number == 0) return Wsf_error(result, kErrDiv0);
  const double k = floorOf(x->number / d->number);
  return Wsf_finite(result, x->number - k * d->number);
}

Value* Wsf_quotient(Value* result, const Value* x, const Value* d) {
  if (Value* done = pair(result, x, d)) return done;
  if (d->number == 0) return Wsf_error(result, kErrDiv0);
  return Wsf_finite(result, std::trunc(x->number / d->number));
}

Value* Wsf_round(Value* r, const Value* x, const Value* d) { return roundTo(r, x, d, Rounding::kHalf); }
Value* Wsf_rounddown(Value* r, const Value* x, const Value* d) { return roundTo(r, x, d, Rounding::kDown); }

double Wsf_roundedDown(double x, double digits) { return roundedAt(x, digits, Rounding::kDown); }
Value* Wsf_roundup(Value* r, const Value* x, const Value* d) { return roundTo(r, x, d, Rounding::kUp); }

Value* Wsf_trunc(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  const int given = Wsf_given(argc, argv, 1) ? 2 : 1;
  if (Wsf_firstRefusedArg(result, given, argv, kErrValue, [](const Value* v, int) { return !Wsf_isPlain(v); }))
    return result;
  const double digits = given == 2 ? std::trunc(argv[1]->number) : 0.0;
  return Wsf_finite(result, roundedAt(argv[0]->number, digits, Rounding::kDown));
}

Value* Wsf_mround(Value* result, int argc, const Value* const* argv) {
  if (argc < 2) return Wsf_error(result, kErrNA);
  if (Wsf_structureHooks(result, argc, argv)) return result;
  const Value* x = argv[0];
  const Value* m = argv[1];
  if (Value* done = pair(result, x, m)) return done;
  const double a = x->number, b = m->number;
  if ((a > 0 && b < 0) || (a < 0 && b > 0)) return Wsf_error(result, kErrNum);
  if (a == 0 || b == 0) return real(result, 0);
  const double q = Dbl_stepQuotient(a, b), t = std::trunc(q);
  if (!std::isfinite(q)) return Wsf_error(result, kErrNum);
  if (q == t) return real(result, a);
  return real(result, (std::fabs(q - t) >= 0.5 ? t + 1 : t) * b);
}

// More factors of at least 2 than this leave the doubles.
constexpr double kCombinLogFactors = 1100;

Value* Wsf_combin(Value* result, const Value* n, const Value* k) {
  if (Value* done = pair(result, n, k)) return done;
  const double a = std::trunc(n->number), b = std::trunc(k->number);
  if (!(a >= 0 && b >= 0 && b <= a)) return Wsf_error(result, kErrNum);
  // C(a, b) = C(a, m) with m the smaller of b and a - b, built as
  // C(a - m + j, j) for j = 1..m: whole at every step, and the product
  // overflows within about a thousand steps however large m is.
  const double m = std::min(b, a - b);
  double c = 1, j = 1;
  for (; j <= m; ++j) {
    const double product = c * (a - m + j);
    if (!std::isfinite(product)) break;
    c = product / j;
  }
  if (j > m) return Wsf_finite(result, c);
  // The product left the doubles before its division: the rest of it in
  // logarithms. Each factor left, (a - m + i) / i with m at most a - m, is
  // at least 2, so more than kCombinLogFactors of them leave the doubles
  // whatever they are.
  if (m - j >= kCombinLogFactors) return Wsf_error(result, kErrNum);
  double lc = std::log(c);
  for (double i = j; i <= m; ++i) lc += std::log(a - m + i) - std::log(i);
  if (!(lc < std::log(std::numeric_limits<double>::max()))) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, std::exp(lc));
}

Value* Wsf_fact(Value* result, const Value* x) {
  if (Value* done = single(result, x)) return done;
  double v = 0;
  if (!Kern_factorial(&x->number, &v)) return Wsf_error(result, kErrNum);
  return real(result, v);
}

Value* Wsf_factdouble(Value* result, const Value* x) {
  if (Value* done = single(result, x)) return done;
  // A fraction above -1 truncates to 0, whose double factorial is 1.
  if (!(x->number > -1 && x->number < kFactDoubleLimit)) return Wsf_error(result, kErrNum);
  const double n = std::trunc(x->number);
  double p = 1;
  for (double i = n; i > 1; i -= 2) p *= i;  // exact while the product is below 2^53
  return Wsf_finite(result, p);
}

Value* Wsf_gcd(Value* result, int argc, const Value* const* argv) {
  std::vector<double> xs;
  if (Value* done = gather(result, argc, argv, &xs)) return done;
  double g = 0;
  for (double v : xs) {
    if (!(v >= 0 && std::isfinite(v))) return Wsf_error(result, kErrNum);
    const double t = std::trunc(v);
    g = Kern_gcd(&g, &t);
  }
  return Wsf_finite(result, g);
}

Value* Wsf_lcm(Value* result, int argc, const Value* const* argv) {
  std::vector<double> xs;
  if (Value* done = gather(result, argc, argv, &xs)) return done;
  // A 0 makes the multiple 0, even where the others' left the doubles; a
  // negative number after it is still #NUM!.
  double l = 1;
  bool zero = false;
  for (double v : xs) {
    if (!(v >= 0 && std::isfinite(v))) return Wsf_error(result, kErrNum);
    const double t = std::trunc(v);
    zero = zero || t == 0;
    if (!zero) l = Kern_lcm(&l, &t);
  }
  return Wsf_finite(result, zero ? 0.0 : l);
}

Value* Wsf_multinomial(Value* result, int argc, const Value* const* argv) {
  std::vector<double> xs;
  if (Value* done = gather(result, argc, argv, &xs)) return done;
  // (k1 + ... + km)! / (k1! ... km!) as a product of binomial steps, which
  // stays exact while it fits and never forms the huge factorials.
  double sum = 0, value = 1;
  for (double v : xs) {
    // A negative argument is #NUM! before its fraction is cut off.
    if (!(v >= 0 && std::isfinite(v))) return Wsf_error(result, kErrNum);
    const double k = std::trunc(v);
    // C(sum + k, k) = C(sum + k, sum): the shorter loop, cut short by overflow.
    const double steps = std::min(k, sum);
    for (double j = 1; j <= steps && std::isfinite(value); ++j) value = value * (sum + k - steps + j) / j;
    sum += k;
  }
  return Wsf_finite(result, value);
}
