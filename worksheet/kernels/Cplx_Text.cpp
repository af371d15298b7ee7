// Reading and writing complex numbers as text.
#include "worksheet/kernels/Cplx_Text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

bool isSuffix(char16_t c) { return c == u'i' || c == u'j'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the digits from position i.
size_t skipDigits(const std::string& s, size_t i) {
  while (i < s.size() && isDigit(s[i])) ++i;
  return i;
}

// The length of the decimal number at position at: blanks, a sign, digits
// with at most one point (at least one digit), then an exponent when digits
// follow its letter. The reading stops at the first character it cannot
// use; no hexadecimal, infinity or not-a-number forms. 0 when none.
size_t decimalLength(const std::string& s, size_t at) {
  size_t i = at;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  const size_t whole = skipDigits(s, i);
  const bool point = whole < s.size() && s[whole] == '.';
  size_t end = point ? skipDigits(s, whole + 1) : whole;
  if (end - i == (point ? 1u : 0u)) return 0;  // no digit
  if (end < s.size() && (s[end] == 'e' || s[end] == 'E')) {
    const size_t sign = end + 1 < s.size() && (s[end + 1] == '+' || s[end + 1] == '-') ? end + 2 : end + 1;
    if (skipDigits(s, sign) > sign) end = skipDigits(s, sign);
  }
  return end - at;
}

// The number that starts at position at (decimalLength); the position after
// it, at itself when nothing could be read or its value is beyond the reals.
size_t readNumber(const std::string& narrow, size_t at, double* x) {
  const size_t length = decimalLength(narrow, at);
  if (length == 0) return at;
  const char* first = narrow.data() + at;
  const char* last = first + length;
  while (*first == ' ' || *first == '\t') ++first;
  const bool negative = *first == '-';
  if (*first == '+' || *first == '-') ++first;
  double v = 0;
  const auto r = std::from_chars(first, last, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != last) return at;
  *x = negative ? -v : v;
  return at + length;
}

// The text with every character beyond ASCII as one the runtime never reads.
std::string narrowOf(std::u16string_view text) {
  std::string s;
  for (char16_t c : text) s += c < 0x80 && c != 0 ? static_cast<char>(c) : '\x01';
  return s;
}

// Drops the zeros before the first "E" (a "." before them stays).
void trimExponentZeros(std::string* s) {
  const size_t e = s->find('E');
  if (e == std::string::npos) return;
  size_t first = e;
  while (first > 0 && (*s)[first - 1] == '0') --first;
  s->erase(first, e - first);
}

// One part: 15 significant digits, or below 0.1 the exponent form trimmed.
std::string partText(double x) {
  char buffer[48];
  if (std::fabs(x) >= 0.1) {
    std::snprintf(buffer, sizeof buffer, "%.15G", x);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.14E", x);
  std::string s = buffer;
  trimExponentZeros(&s);
  return s;
}

}  // namespace

bool Cplx_parse(std::u16string_view text, double* re, double* im, char16_t* suffix) {
  *re = 0;
  *im = 0;
  *suffix = u'i';
  if (text.empty()) return true;
  const size_t n = text.size();
  const bool endsInSuffix = isSuffix(text[n - 1]);
  if (endsInSuffix) *suffix = text[n - 1];
  if (isSuffix(text[0])) {
    *im = 1;
    return n == 1;
  }
  const std::string narrow = narrowOf(text);
  const size_t first = readNumber(narrow, 0, re);
  if (first == n) return true;
  if (first == n - 1 && endsInSuffix) {
    *im = *re;
    *re = 0;
    return true;
  }
  const size_t second = readNumber(narrow, first, im);
  if (second == n - 2 && endsInSuffix && (text[second] == u'+' || text[second] == u'-')) {
    *im = text[second] == u'+' ? 1 : -1;
    return true;
  }
  return second == n - 1 && endsInSuffix && second > first;
}

bool Cplx_format(double re, double im, char16_t suffix, std::u16string* out) {
  if (!isSuffix(suffix)) return false;
  std::string s;
  if (im == 0) {
    s = re == 0 ? "0" : partText(re);
  } else {
    if (re != 0) s = partText(re);
    if (im == 1) s += re != 0 ? "+" : "";
    else if (im == -1) s += "-";
    else s += (im > 0 && re != 0 ? "+" : "") + partText(im);
  }
  out->assign(s.begin(), s.end());
  if (im != 0) *out += suffix;
  return true;
}

bool Cplx_argument(std::u16string_view text, double* angle, bool* zero) {
  double re = 0, im = 0;
  char16_t suffix = 0;
  if (!Cplx_parse(text, &re, &im, &suffix)) return false;
  *zero = re == 0 && im == 0;
  *angle = *zero ? 0 : std::atan2(im, re);
  return true;
}

bool Cplx_modulus(std::u16string_view text, double* modulus) {
  double re = 0, im = 0;
  char16_t suffix = 0;
  if (!Cplx_parse(text, &re, &im, &suffix)) return false;
  const double a = std::fabs(re), b = std::fabs(im);
  const double big = std::fmax(a, b), small = std::fmin(a, b);
  // The modulus of 0 is 0, not the 0/0 of the scaled form.
  *modulus = big == 0 ? 0 : big * std::sqrt(1 + (small / big) * (small / big));
  return std::isfinite(*modulus);
}
