// Locale-free text handling and conversions of the interpreter.
#include "values/Text_Convert.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <vector>

#include "base/Cal_Text.h"
#include "base/Utf8_Text.h"

size_t Text_length(const char16_t* text) {
  size_t n = 0;
  while (text && text[n]) ++n;
  return n;
}

char16_t* Text_duplicate(const char16_t* text) {
  const size_t n = Text_length(text);
  auto* copy = static_cast<char16_t*>(std::calloc(n + 1, sizeof(char16_t)));
  if (copy && n) std::memcpy(copy, text, n * sizeof(char16_t));
  return copy;
}

char16_t Text_foldCase(char16_t c) { return Utf8_lowerCase(c); }
char16_t Text_upperCase(char16_t c) { return Utf8_upperCase(c); }

bool Text_equalsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Text_foldCase(a[i]) != Text_foldCase(b[i])) return false;
  return true;
}

std::u16string Text_fromUtf8(std::string_view utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const Utf8Lead lead = Utf8_leadOf(c);
    uint32_t code = lead.length == 1 ? c : c & (0x7Fu >> lead.length);
    int k = 1;
    for (; k < lead.length && i + k < utf8.size(); ++k) {
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if (b < (k == 1 ? lead.low : 0x80) || b > (k == 1 ? lead.high : 0xBF)) break;
      code = (code << 6) | (b & 0x3F);
    }
    // A broken sequence reads as one replacement character; the byte that
    // broke it starts the next character.
    i += static_cast<size_t>(k);
    if (k < lead.length || lead.length == 0) {
      out += u'\uFFFD';
    } else if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

std::string Text_toUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t code = text[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (code >= 0xD800 && code < 0xE000) code = 0xFFFD;  // half of a pair that a cut separated
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

int Text_formatNumber(double x, char16_t* out) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer - 1, x);
  const int n = static_cast<int>(r.ptr - buffer);
  for (int i = 0; i < n; ++i) out[i] = static_cast<char16_t>(buffer[i]);
  out[n] = 0;
  return n;
}

namespace {

// Significant digits of the worksheet's number texts, and the decimal
// exponents from which they turn scientific.
constexpr int kSheetDigits = 15;
constexpr int kPlainLowestExponent = -4;

// "E+05", "E-12", "E+300": the sign and at least two digits.
std::string exponentText(int e) {
  const std::string digits = std::to_string(e < 0 ? -e : e);
  return std::string(e < 0 ? "E-" : "E+") + (digits.size() < 2 ? "0" : "") + digits;
}

// The digits before the point and after it, without trailing zeros.
std::string plainText(const std::string& digits, int e) {
  if (e < 0) return "0." + std::string(static_cast<size_t>(-e - 1), '0') + digits;
  const size_t whole = static_cast<size_t>(e) + 1;
  if (digits.size() <= whole) return digits + std::string(whole - digits.size(), '0');
  return digits.substr(0, whole) + "." + digits.substr(whole);
}

}  // namespace

std::u16string Text_sheetNumber(double x) {
  if (!std::isfinite(x)) return u"";
  if (x == 0.0) return u"0";
  // d.dddddddddddddde+XX: the significant digits and the decimal exponent.
  char buffer[40];
  char* end =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(x), std::chars_format::scientific, kSheetDigits - 1).ptr;
  char* mark = std::find(buffer, end, 'e');
  std::string digits = std::string(1, buffer[0]) + std::string(buffer + 2, mark);
  int e = 0;
  std::from_chars(mark + (mark[1] == '+' ? 2 : 1), end, e);
  digits.erase(digits.find_last_not_of('0') + 1);
  std::string text = e < kPlainLowestExponent || e >= kSheetDigits
                         ? digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + exponentText(e)
                         : plainText(digits, e);
  return Text_fromUtf8(x < 0.0 ? "-" + text : text);
}

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view trim(std::u16string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The trimmed text as ASCII; false when it holds anything else.
bool toAscii(std::u16string_view text, std::string* out) {
  text = trim(text);
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (c >= 0x80) return false;
    *out += static_cast<char>(c);
  }
  return true;
}

}  // namespace

bool Text_toDouble(std::u16string_view text, double* out) {
  std::string s;
  if (!toAscii(text, &s)) return false;
  size_t start = s[0] == '+' || s[0] == '-' ? 1 : 0;
  if (start == s.size() || !(isDigit(s[start]) || (s[start] == '.' && start + 1 < s.size() && isDigit(s[start + 1]))))
    return false;
  double value = 0.0;
  const auto r = std::from_chars(s.data() + start, s.data() + s.size(), value, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return false;
  *out = s[0] == '-' ? -value : value;
  return true;
}

bool Text_toInt32(std::u16string_view text, int32_t* out) {
  std::string s;
  if (!toAscii(text, &s)) return false;
  const size_t start = s[0] == '+' ? 1 : 0;
  int32_t value = 0;
  const auto r = std::from_chars(s.data() + start, s.data() + s.size(), value);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || (start && s[1] == '-')) return false;
  *out = value;
  return true;
}

bool Text_toDate(std::u16string_view text, double* out) { return Cal_readDays(text, out); }
