// Texts of the interpreter and of the automation layer: NUL-terminated UTF-16
// (char16_t), owned copies allocated with the C heap when they hang on a
// value, std::u16string elsewhere. Conversions between text and numbers or
// dates are locale-free: "." is the decimal point and dates read month
// before day, whatever the process locale says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Number of characters before the terminator; 0 for null.
size_t Text_length(const char16_t* text);
// An own copy (free with std::free); null when memory runs out. A null text
// copies as the empty text.
char16_t* Text_duplicate(const char16_t* text);
// Lower and upper case of a character: the one case fold of the system
// (Utf8_lowerCase, Utf8_upperCase), under the interpreter's names.
char16_t Text_foldCase(char16_t c);
char16_t Text_upperCase(char16_t c);
// Whole texts equal without regard to case.
bool Text_equalsNoCase(std::u16string_view a, std::u16string_view b);

// Each broken byte sequence of the UTF-8 reads as one U+FFFD; the bytes
// around it read as they are.
std::u16string Text_fromUtf8(std::string_view utf8);
std::string Text_toUtf8(std::u16string_view text);

// Writes the shortest text that reads back as exactly x ("0.1", "1e+30",
// "2147483648"); returns the length written (the buffer must hold 32
// characters).
int Text_formatNumber(double x, char16_t* out);
// A number as the worksheet turns it into text when joining or converting:
// at most 15 significant digits without trailing zeros, plain from 1E-4 up
// to below 1E+15 ("0.0001", "123456789012345"), scientific outside
// ("1E-05", "1.5E+15", "1E+300"); negative zero is "0".
std::u16string Text_sheetNumber(double x);

// The whole text (blanks around it allowed) read as a decimal number.
bool Text_toDouble(std::u16string_view text, double* out);
// The whole text read as an integer in the 32-bit range.
bool Text_toInt32(std::u16string_view text, int32_t* out);
// The whole text read as a date and/or time: "2024-01-31", "1/31/2024",
// "31 Jan 2024", "Jan 31, 2024", each optionally followed by a time, or a
// time alone ("10:30", "10:30:15 PM"). The result is the serial number of
// days since 30 December 1899, the time as its fraction.
bool Text_toDate(std::u16string_view text, double* out);
