// Complex-number worksheet functions: texts are computed here part by part,
// real values through the real functions and generic operators.
#include "worksheet/engineering/Wsf_Complex.h"

#include <cmath>
#include <string>

#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/operators/Op_Shape.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Cplx_Text.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/math/Wsf_Sums.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

// The angle of a negative real number.
const double kNegativeAngle = std::atan2(0.0, -1.0);

struct Complex {
  double re = 0, im = 0;
  char16_t suffix = u'i';
};

// A complex function of z; false when it is undefined there.
using ComplexFn = bool (*)(const Complex& z, Complex* out);
using RealFn = Value* (*)(Value*, const Value*);

bool isText(const Value* v) { return v->kind == kValText; }

bool parse(const Value* v, Complex* z) { return Cplx_parse(v->text ? v->text : u"", &z->re, &z->im, &z->suffix); }

// The complex result as a text, "#num!" when a part is not finite.
Value* complexResult(Value* result, const Complex& z) {
  if (!std::isfinite(z.re) || !std::isfinite(z.im)) return Wsf_error(result, kErrNum);
  std::u16string text;
  if (!Cplx_format(z.re, z.im, z.suffix, &text)) return Wsf_error(result, kErrValue);
  Val_clear(result);
  return Val_setText(result, text.c_str());
}

Value* realResult(Value* result, double x) {
  Val_clear(result);
  return Val_setNumber(result, x);
}

// f of the complex number z, the result keeping z's suffix.
Value* applied(Value* result, const Complex& z, ComplexFn f) {
  Complex out;
  if (!f(z, &out)) return Wsf_error(result, kErrNum);
  out.suffix = z.suffix;
  return complexResult(result, out);
}

// The frame of the one-argument functions with a complex result: a text is
// computed by f; a plain number outside real's domain (takes false) as the
// complex number x + 0i; booleans and arrays give "#value!"; every other
// value goes to real.
Value* unary(Value* result, const Value* z, ComplexFn f, RealFn real, bool (*takes)(double)) {
  Complex c;
  if (isText(z)) return parse(z, &c) ? applied(result, c, f) : Wsf_error(result, kErrNum);
  if (z->kind == kValBool || z->kind == kValArray) return Wsf_error(result, kErrValue);
  if (takes && Wsf_isNumber(z) && !takes(z->number)) return c.re = z->number, applied(result, c, f);
  return real(result, z);
}

double modulus(const Complex& z) { return std::hypot(z.re, z.im); }
double argument(const Complex& z) { return std::atan2(z.im, z.re); }

bool cosOf(const Complex& z, Complex* out) {
  out->re = std::cos(z.re) * std::cosh(z.im);
  out->im = -std::sin(z.re) * std::sinh(z.im);
  return true;
}
bool sinOf(const Complex& z, Complex* out) {
  out->re = std::sin(z.re) * std::cosh(z.im);
  out->im = std::cos(z.re) * std::sinh(z.im);
  return true;
}
bool expOf(const Complex& z, Complex* out) {
  const double m = std::exp(z.re);
  out->re = m * std::cos(z.im);
  out->im = m * std::sin(z.im);
  return true;
}
bool conjugateOf(const Complex& z, Complex* out) {
  out->re = z.re;
  out->im = -z.im;
  return true;
}
// The logarithm over divisor (1 natural, ln 10, ln 2); undefined at 0.
bool logOver(const Complex& z, double divisor, Complex* out) {
  if (z.re == 0 && z.im == 0) return false;
  out->re = std::log(modulus(z)) / divisor;
  out->im = argument(z) / divisor;
  return true;
}
bool lnOf(const Complex& z, Complex* out) { return logOver(z, 1.0, out); }
bool log10Of(const Complex& z, Complex* out) { return logOver(z, Kern_lnInt(10), out); }
bool log2Of(const Complex& z, Complex* out) { return logOver(z, Kern_lnInt(2), out); }
// r^n (cos n theta + i sin n theta); undefined at 0.
bool powerOf(const Complex& z, double n, Complex* out) {
  if (z.re == 0 && z.im == 0) return false;
  const double m = std::pow(modulus(z), n), angle = n * argument(z);
  out->re = m * std::cos(angle);
  out->im = m * std::sin(angle);
  return true;
}
bool sqrtOf(const Complex& z, Complex* out) {
  const double m = std::sqrt(modulus(z)), half = argument(z) / 2;
  out->re = m * std::cos(half);
  out->im = m * std::sin(half);
  return true;
}

bool nonNegative(double x) { return x >= 0; }
bool positive(double x) { return x > 0; }

// The real logarithm of z over divisor, in z's kind.
Value* realLogOver(Value* result, const Value* z, double divisor) {
  WsfLocal ln(result->context);
  Wsf_ln(&ln.v, z);
  if (ln->kind != kValReal && !Op_isModeKind(ln->kind)) return Wsf_copy(result, &ln.v);
  return Wsf_from(result, Op_divVS(*ln, divisor));
}
Value* realLog10(Value* result, const Value* z) { return realLogOver(result, z, Kern_lnInt(10)); }
Value* realLog2(Value* result, const Value* z) { return realLogOver(result, z, Kern_lnInt(2)); }
// A real value is its own real part and conjugate; a blank is the number 0.
Value* itself(Value* result, const Value* z) {
  return z->kind == kValEmpty ? realResult(result, 0.0) : Wsf_copy(result, z);
}

// d in the kind of a real value (a constant of its evaluation mode).
Value* constantLike(Value* result, const Value* z, double d) {
  if (Wsf_isError(z) || Wsf_isStructural(z)) return Wsf_copy(result, z);
  if (Op_isModeKind(z->kind))
    return Op_makeConstLike(*z, d, false) ? Wsf_from(result, *z->context->buffers.result)
                                          : Wsf_error(result, kErrValue);
  if (!Wsf_isNumber(z)) return Wsf_error(result, kErrValue);
  return realResult(result, d);
}

Value* zeroLike(Value* result, const Value* z) { return constantLike(result, z, 0.0); }

// The angle of a real value of an evaluation mode: 0 right of zero, pi
// left of it, "#div/0!" where it may be zero; a constant of the value's
// kind, which adds no node to a tape. Sample vectors trial by trial, as
// ATAN2 of them and 0; a structure value stays as it is.
Value* realArgument(Value* result, const Value* z) {
  if (Wsf_isError(z) || Wsf_isStructural(z)) return Wsf_copy(result, z);
  if (z->kind == kValSamples) {
    const Value zero = Val_scalar(kValReal, 0.0);
    return Wsf_atan2(result, z, &zero);
  }
  if (Op_compareConst(*z, 0, kRelCmpGt)) return constantLike(result, z, 0.0);
  if (Op_compareConst(*z, 0, kRelCmpLt)) return constantLike(result, z, kNegativeAngle);
  return Wsf_error(result, kErrDiv0);
}

// A number part of a complex text: part(z) of a text, real(z) otherwise.
Value* partOf(Value* result, const Value* z, double (*part)(const Complex&), RealFn real) {
  Complex c;
  if (isText(z)) return parse(z, &c) ? realResult(result, part(c)) : Wsf_error(result, kErrNum);
  if (z->kind == kValBool || z->kind == kValArray) return Wsf_error(result, kErrValue);
  return real(result, z);
}

// Two complex operands, each a text or a plain number (imaginary part 0,
// all its digits). A part with imaginary part 0 takes the other's suffix;
// differing suffixes fail.
bool operands(const Value* a, const Value* b, Complex* x, Complex* y) {
  const auto read = [](const Value* v, Complex* z) {
    if (isText(v)) return parse(v, z);
    z->re = Wsf_number(v);
    return true;
  };
  if (!read(a, x) || !read(b, y)) return false;
  if (x->im == 0) x->suffix = y->suffix;
  if (y->im == 0) y->suffix = x->suffix;
  return x->suffix == y->suffix;
}

// The frame of IMDIV and IMSUB: f on two complex operands when either is a
// text, real on the values otherwise.
Value* binary(Value* result, const Value* a, const Value* b, bool (*f)(const Complex&, const Complex&, Complex*),
              Value (*real)(const Value&, const Value&)) {
  if (Wsf_isError(a)) return Wsf_copy(result, a);
  if (Wsf_isError(b)) return Wsf_copy(result, b);
  if (a->kind == kValMissing || b->kind == kValMissing) return Wsf_error(result, kErrNA);
  if (a->kind == kValBool || b->kind == kValBool) return Wsf_error(result, kErrValue);
  if (!isText(a) && !isText(b)) return Wsf_from(result, real(*a, *b));
  const Value* other = isText(a) ? b : a;
  if (Wsf_isStructural(other)) return Wsf_nonSmoothStructure(result, other);
  if (!isText(other) && !Wsf_isNumber(other)) return Wsf_error(result, kErrValue);
  Complex x, y, out;
  if (!operands(a, b, &x, &y) || !f(x, y, &out)) return Wsf_error(result, kErrNum);
  out.suffix = x.suffix;
  return complexResult(result, out);
}

bool quotient(const Complex& x, const Complex& y, Complex* out) {
  const double d = y.re * y.re + y.im * y.im;
  if (d == 0) return false;
  out->re = (x.re * y.re + x.im * y.im) / d;
  out->im = (x.im * y.re - x.re * y.im) / d;
  return true;
}
bool difference(const Complex& x, const Complex& y, Complex* out) {
  out->re = x.re - y.re;
  out->im = x.im - y.im;
  return true;
}

// Whether any argument or array element is a text.
bool anyText(int argc, const Value* const* argv) {
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k)
      if (isText(Wsf_element(argv[i], k))) return true;
  return false;
}

// The frame of IMSUM and IMPRODUCT: every argument and array element folded
// into the accumulator by step; real on the values when none is a text.
Value* folded(Value* result, int argc, const Value* const* argv, double start, void (*step)(Complex*, const Complex&),
              Value* (*real)(Value*, int, const Value* const*)) {
  if (argc == 0) return Wsf_error(result, kErrNA);
  if (!anyText(argc, argv)) return real(result, argc, argv);
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  Complex total;
  total.re = start;
  bool suffixFixed = false;
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k) {
      const Value* v = Wsf_element(argv[i], k);
      Complex z;
      if (Wsf_isError(v)) return Wsf_copy(result, v);
      if (isText(v) && !parse(v, &z)) return Wsf_error(result, kErrNum);
      if (!isText(v) && !Wsf_isNumber(v)) return Wsf_error(result, kErrValue);
      if (!isText(v)) z.re = Wsf_number(v);
      if (z.im != 0 && suffixFixed && z.suffix != total.suffix) return Wsf_error(result, kErrValue);
      if (z.im != 0 && !suffixFixed) total.suffix = z.suffix, suffixFixed = true;
      step(&total, z);
    }
  return total.im == 0 ? Wsf_finite(result, total.re) : complexResult(result, total);
}

void add(Complex* total, const Complex& z) {
  total->re += z.re;
  total->im += z.im;
}
void multiply(Complex* total, const Complex& z) {
  const double re = total->re * z.re - total->im * z.im;
  total->im = total->re * z.im + total->im * z.re;
  total->re = re;
}

}  // namespace

Value* Wsf_complex(Value* result, int argc, const Value* const* argv) {
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  if (argc < 2 || argv[0]->kind == kValMissing || argv[1]->kind == kValMissing) return Wsf_error(result, kErrNA);
  if (!Wsf_isNumber(argv[0]) || !Wsf_isNumber(argv[1])) return Wsf_error(result, kErrValue);
  Complex z;
  z.re = argv[0]->kind == kValEmpty ? 0.0 : argv[0]->number;
  z.im = argv[1]->kind == kValEmpty ? 0.0 : argv[1]->number;
  // The suffix: i when left out or empty, else exactly one letter i or j.
  if (argc > 2 && isText(argv[2]) && Text_length(argv[2]->text) > 0) {
    if (Text_length(argv[2]->text) != 1) return Wsf_error(result, kErrValue);
    z.suffix = argv[2]->text[0];
  } else if (argc > 2 && argv[2]->kind != kValMissing && argv[2]->kind != kValEmpty && !isText(argv[2])) {
    return Wsf_error(result, kErrValue);
  }
  std::u16string text;
  if (!Cplx_format(z.re, z.im, z.suffix, &text)) return Wsf_error(result, kErrValue);
  Val_clear(result);
  return Val_setText(result, text.c_str());
}

Value* Wsf_imabs(Value* result, const Value* z) { return partOf(result, z, modulus, Wsf_abs); }
Value* Wsf_imaginary(Value* result, const Value* z) {
  return partOf(
      result, z, [](const Complex& c) { return c.im; }, zeroLike);
}
Value* Wsf_imreal(Value* result, const Value* z) {
  return partOf(
      result, z, [](const Complex& c) { return c.re; }, itself);
}

// A text or plain number has its angle ("#div/0!" at 0); a value of an
// evaluation mode the constant angle of its kind.
Value* Wsf_imargument(Value* result, const Value* z) {
  if (!isText(z) && !Wsf_isNumber(z)) return partOf(result, z, argument, realArgument);
  Complex c;
  if (isText(z) && !parse(z, &c)) return Wsf_error(result, kErrNum);
  if (!isText(z)) c.re = Wsf_number(z);
  if (c.re == 0 && c.im == 0) return Wsf_error(result, kErrDiv0);
  return realResult(result, argument(c));
}

Value* Wsf_imconjugate(Value* result, const Value* z) { return unary(result, z, conjugateOf, itself, nullptr); }
Value* Wsf_imcos(Value* result, const Value* z) { return unary(result, z, cosOf, Wsf_cos, nullptr); }
Value* Wsf_imexp(Value* result, const Value* z) { return unary(result, z, expOf, Wsf_exp, nullptr); }
Value* Wsf_imln(Value* result, const Value* z) { return unary(result, z, lnOf, Wsf_ln, positive); }
Value* Wsf_imlog10(Value* result, const Value* z) { return unary(result, z, log10Of, realLog10, positive); }
Value* Wsf_imlog2(Value* result, const Value* z) { return unary(result, z, log2Of, realLog2, positive); }
Value* Wsf_imsin(Value* result, const Value* z) { return unary(result, z, sinOf, Wsf_sin, nullptr); }
Value* Wsf_imsqrt(Value* result, const Value* z) { return unary(result, z, sqrtOf, Wsf_sqrt, nonNegative); }

Value* Wsf_imdiv(Value* result, const Value* a, const Value* b) { return binary(result, a, b, quotient, Op_div); }
Value* Wsf_imsub(Value* result, const Value* a, const Value* b) { return binary(result, a, b, difference, Op_sub); }

Value* Wsf_impower(Value* result, const Value* z, const Value* n) {
  if (Wsf_isError(z)) return Wsf_copy(result, z);
  if (Wsf_isError(n)) return Wsf_copy(result, n);
  if (z->kind == kValMissing || n->kind == kValMissing) return Wsf_error(result, kErrNA);
  if (z->kind == kValBool || n->kind == kValBool) return Wsf_error(result, kErrValue);
  // A negative real base to a fractional exponent has a complex power.
  const bool complexBase =
      isText(z) || (Wsf_isNumber(z) && Wsf_isNumber(n) && z->number < 0 && n->number != std::trunc(n->number));
  if (!complexBase) return Wsf_power(result, z, n);
  if (Wsf_isStructural(n)) return Wsf_nonSmoothStructure(result, n);
  if (!Wsf_isNumber(n)) return Wsf_error(result, kErrValue);
  Complex c, out;
  if (isText(z) && !parse(z, &c)) return Wsf_error(result, kErrNum);
  if (!isText(z)) c.re = z->number;
  if (!powerOf(c, n->kind == kValEmpty ? 0.0 : n->number, &out)) return Wsf_error(result, kErrNum);
  out.suffix = c.suffix;
  return complexResult(result, out);
}

Value* Wsf_imsum(Value* result, int argc, const Value* const* argv) {
  return folded(result, argc, argv, 0.0, add, Wsf_sum);
}
Value* Wsf_improduct(Value* result, int argc, const Value* const* argv) {
  return folded(result, argc, argv, 1.0, multiply, Wsf_product);
}
