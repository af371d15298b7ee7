// The number base conversions BIN2DEC to OCT2HEX: integers between binary,
// octal, decimal and hexadecimal notation, ten digits wide, negative numbers
// in ten-digit two's complement (binary -512..511, octal -2^29..2^29 - 1,
// hexadecimal -2^39..2^39 - 1). Binary and octal inputs are numbers whose
// decimal digits are read as the notation's digits (1010 is binary 1010);
// hexadecimal inputs are texts of at most ten characters, or whole numbers
// whose decimal digits are taken as the text. Hexadecimal is written in upper
// case. The optional places pad a non-negative result with zeros to that
// many digits (1 to 10, at least the digits it has); a negative result
// always has ten. Only plain numbers (and texts for hexadecimal inputs) are
// taken: other kinds give "#value!", a bad digit, a fraction or a value out
// of range "#num!".
#pragma once

#include "values/Val_Value.h"

Value* Wsf_bin2dec(Value* result, const Value* number);
Value* Wsf_hex2dec(Value* result, const Value* number);
Value* Wsf_oct2dec(Value* result, const Value* number);
// (number, places): the conversions to a notation other than decimal.
Value* Wsf_bin2hex(Value* result, int argc, const Value* const* argv);
Value* Wsf_bin2oct(Value* result, int argc, const Value* const* argv);
Value* Wsf_dec2bin(Value* result, int argc, const Value* const* argv);
Value* Wsf_dec2hex(Value* result, int argc, const Value* const* argv);
Value* Wsf_dec2oct(Value* result, int argc, const Value* const* argv);
Value* Wsf_hex2bin(Value* result, int argc, const Value* const* argv);
Value* Wsf_hex2oct(Value* result, int argc, const Value* const* argv);
Value* Wsf_oct2bin(Value* result, int argc, const Value* const* argv);
Value* Wsf_oct2hex(Value* result, int argc, const Value* const* argv);
