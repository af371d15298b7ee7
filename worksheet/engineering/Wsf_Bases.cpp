// Number base conversions: read the input in its notation into a signed
// 64-bit value, check it against the target's range, write it in the
// target's notation.
#include "worksheet/engineering/Wsf_Bases.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"

namespace {

constexpr int kWidth = 10;  // digits of every non-decimal notation

// radix^10: the modulus of the ten-digit two's complement.
int64_t modulusOf(int radix) {
  int64_t m = 1;
  for (int i = 0; i < kWidth; ++i) m *= radix;
  return m;
}
int64_t lowestOf(int radix) { return -modulusOf(radix) / 2; }
int64_t highestOf(int radix) { return modulusOf(radix) / 2 - 1; }

int digitOf(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return 99;
}

// The value of ten or fewer digits in the radix; ten digits whose value is
// in the upper half stand for a negative number. False for a bad digit or
// more than ten.
bool readDigits(const std::u16string& digits, int radix, int64_t* value) {
  if (digits.size() > static_cast<size_t>(kWidth)) return false;
  int64_t v = 0;
  for (char16_t c : digits) {
    const int d = digitOf(c);
    if (d >= radix) return false;
    v = v * radix + d;
  }
  *value = v > highestOf(radix) ? v - modulusOf(radix) : v;
  return true;
}

// The decimal digits of a whole number as a text ("-" for a negative one;
// negative zero is 0, as the worksheet writes it, not "-0").
std::u16string decimalDigits(double x) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.0f", x + 0.0);
  return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

// Reads the number argument in the radix (10: truncated decimal); 0 or the
// error code. A text in a radix other than ten is its digits as they stand
// ("1e3" is no binary number), never the number it might read as.
uint32_t readInput(const Value* v, int radix, int64_t* value) {
  const bool text = v->kind == kValText;
  if (!text && v->kind != kValEmpty && v->kind != kValInt && v->kind != kValReal) return kErrValue;
  if (text && radix == 10) return kErrValue;
  if (text) return readDigits(v->text ? v->text : u"", radix, value) ? 0u : static_cast<uint32_t>(kErrNum);
  const double x = v->kind == kValEmpty ? 0.0 : v->number;
  if (radix == 10) {
    const double t = std::trunc(x);
    if (!(std::fabs(t) < 1e15)) return kErrNum;
    *value = static_cast<int64_t>(t);
    return 0;
  }
  // Binary and octal numbers are at most ten digits of 1 (7) and never
  // negative; a hexadecimal number's digits are limited by their count.
  if (!std::isfinite(x) || x != std::trunc(x) || x < 0 || x >= 1e10) return kErrNum;
  return readDigits(decimalDigits(x), radix, value) ? 0u : static_cast<uint32_t>(kErrNum);
}

// The value in the radix: ten digits for a negative value, else the digits
// it needs padded with zeros to places (0: none). False when places do not
// hold the digits.
bool writeDigits(int64_t value, int radix, int places, std::u16string* out) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  uint64_t v = static_cast<uint64_t>(value < 0 ? value + modulusOf(radix) : value);
  std::u16string s;
  do {
    s.insert(s.begin(), kDigits[v % static_cast<uint64_t>(radix)]);
    v /= static_cast<uint64_t>(radix);
  } while (v > 0);
  if (value < 0) s.insert(0, static_cast<size_t>(kWidth) - s.size(), u'0');
  else if (places > 0 && static_cast<size_t>(places) < s.size()) return false;
  else if (places > 0) s.insert(0, static_cast<size_t>(places) - s.size(), u'0');
  *out = s;
  return true;
}

// The places argument: 0 when absent, 1 to 10 when given; false when it is
// outside that or of a refused kind (code in *error).
bool placesOf(int argc, const Value* const* argv, int* places, uint32_t* error) {
  *places = 0;
  if (!Wsf_given(argc, argv, 1)) return true;
  const Value* p = argv[1];
  if (p->kind != kValEmpty && p->kind != kValInt && p->kind != kValReal) return *error = kErrValue, false;
  const double t = std::trunc(p->kind == kValEmpty ? 0.0 : p->number);
  if (!(t >= 1 && t <= kWidth)) return *error = kErrNum, false;
  *places = static_cast<int>(t);
  return true;
}

// number in the radix from, to decimal: a real.
Value* toDecimal(Value* result, const Value* number, int from) {
  if (Wsf_hooksOrError(result, 1, &number)) return result;
  int64_t v = 0;
  const uint32_t error = readInput(number, from, &v);
  if (error != 0) return Wsf_error(result, error);
  Val_clear(result);
  return Val_setNumber(result, static_cast<double>(v));
}

// (number, places) from the radix from to the radix to: a text.
Value* convert(Value* result, int argc, const Value* const* argv, int from, int to) {
  if (Wsf_hooksOrError(result, argc, argv)) return result;
  int64_t v = 0;
  uint32_t error = readInput(argv[0], from, &v);
  int places = 0;
  if (error == 0 && !placesOf(argc, argv, &places, &error)) return Wsf_error(result, error);
  if (error != 0) return Wsf_error(result, error);
  std::u16string text;
  if (v < lowestOf(to) || v > highestOf(to) || !writeDigits(v, to, places, &text)) return Wsf_error(result, kErrNum);
  Val_clear(result);
  return Val_setText(result, text.c_str());
}

}  // namespace

Value* Wsf_bin2dec(Value* r, const Value* number) { return toDecimal(r, number, 2); }
Value* Wsf_hex2dec(Value* r, const Value* number) { return toDecimal(r, number, 16); }
Value* Wsf_oct2dec(Value* r, const Value* number) { return toDecimal(r, number, 8); }
Value* Wsf_bin2hex(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 2, 16); }
Value* Wsf_bin2oct(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 2, 8); }
Value* Wsf_dec2bin(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 10, 2); }
Value* Wsf_dec2hex(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 10, 16); }
Value* Wsf_dec2oct(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 10, 8); }
Value* Wsf_hex2bin(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 16, 2); }
Value* Wsf_hex2oct(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 16, 8); }
Value* Wsf_oct2bin(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 8, 2); }
Value* Wsf_oct2hex(Value* r, int argc, const Value* const* argv) { return convert(r, argc, argv, 8, 16); }
