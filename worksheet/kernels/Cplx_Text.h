// Complex numbers as text, as the engineering functions keep them: a real
// part, a signed imaginary part and the suffix letter i or j ("3+4i", "-j",
// "1e3-2.5j", "4i"). Parts are written with 15 significant digits, those
// below 0.1 in magnitude in exponent form with the trailing zeros of the
// mantissa dropped ("5.E-02").
#pragma once

#include <string>
#include <string_view>

// Reads a complex text; false when it is none. The empty text is 0; the
// suffix is 'i' unless the text names 'j'.
bool Cplx_parse(std::u16string_view text, double* re, double* im, char16_t* suffix);
// Writes re + im suffix; false when the suffix is not 'i' or 'j'.
bool Cplx_format(double re, double im, char16_t suffix, std::u16string* out);
// The angle atan2(im, re) of a complex text; 0 with zero set when both parts
// are 0.
bool Cplx_argument(std::u16string_view text, double* angle, bool* zero);
// The modulus of a complex text (0 for 0); false when it is not finite.
bool Cplx_modulus(std::u16string_view text, double* modulus);
