// COMPLEX and the IM functions on complex numbers written as texts ("3+4i",
// "-2.5j"). A text argument is read into its two parts and its suffix; a
// complex result is written back as a text with that suffix (of several
// inputs, the suffix of those with an imaginary part; differing suffixes are
// refused). An argument that is not a text is a real number: the function
// then is the real-valued worksheet function or operator of the same meaning
// on the value itself (IMCOS is COS, IMDIV division), so that these
// functions work in every evaluation mode when their arguments are real. A
// plain number outside the real function's domain (IMSQRT and the
// logarithms of a negative number, IMARGUMENT of a negative number or 0,
// IMPOWER of a negative base to a fractional exponent) is taken as the
// complex number it is. Booleans and arrays give "#value!", a text that is
// no complex number and a result part that is not finite "#num!".
#pragma once

#include "values/Val_Value.h"

// (real part, imaginary part[, suffix "i" or "j"]): the text.
Value* Wsf_complex(Value* result, int argc, const Value* const* argv);
// The modulus, the imaginary part, the angle (in (-pi, pi]; "#div/0!" for
// 0) and the real part: numbers.
Value* Wsf_imabs(Value* result, const Value* z);
Value* Wsf_imaginary(Value* result, const Value* z);
Value* Wsf_imargument(Value* result, const Value* z);
Value* Wsf_imreal(Value* result, const Value* z);
Value* Wsf_imconjugate(Value* result, const Value* z);
Value* Wsf_imcos(Value* result, const Value* z);
Value* Wsf_imexp(Value* result, const Value* z);
// The logarithms give "#num!" for 0.
Value* Wsf_imln(Value* result, const Value* z);
Value* Wsf_imlog10(Value* result, const Value* z);
Value* Wsf_imlog2(Value* result, const Value* z);
Value* Wsf_imsin(Value* result, const Value* z);
Value* Wsf_imsqrt(Value* result, const Value* z);
// z1 / z2 ("#num!" for a divisor 0) and z1 - z2; a missing argument gives
// "#n/a".
Value* Wsf_imdiv(Value* result, const Value* a, const Value* b);
Value* Wsf_imsub(Value* result, const Value* a, const Value* b);
// z^n for a real n; "#num!" for z = 0.
Value* Wsf_impower(Value* result, const Value* z, const Value* n);
// The sum and the product of any number of arguments and array elements:
// a real when the imaginary part is exactly 0, else the text; "#n/a"
// without arguments.
Value* Wsf_imsum(Value* result, int argc, const Value* const* argv);
Value* Wsf_improduct(Value* result, int argc, const Value* const* argv);
