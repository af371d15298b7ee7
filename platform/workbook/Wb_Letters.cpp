// Letters beyond ASCII in names, read from UTF-8 by the runtime's character
// classes and case mapping of every script.
#include "platform/workbook/Wb_Letters.h"

#include <cctype>
#include <clocale>
#include <cwctype>

namespace {

constexpr char32_t kFirstBeyondAscii = 0x80;

// The runtime's character classes of every script, whatever the process
// locale says ("C" where the system has no UTF-8 classes: then ASCII only).
struct UnicodeClasses {
  locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  UnicodeClasses() {
    if (!locale) locale = newlocale(LC_CTYPE_MASK, "C", nullptr);
  }
  ~UnicodeClasses() {
    if (locale) freelocale(locale);
  }
  UnicodeClasses(const UnicodeClasses&) = delete;
  UnicodeClasses& operator=(const UnicodeClasses&) = delete;
};

locale_t unicodeClasses() {
  static const UnicodeClasses kClasses;
  return kClasses.locale;
}

// The bytes a lead byte announces and the range its second byte must lie in
// (overlong forms, surrogates and code points beyond U+10FFFF excluded);
// length 0 for a byte that starts no sequence.
struct Lead {
  std::size_t length;
  unsigned char low, high;
};

Lead leadOf(unsigned char c) {
  if (c < 0x80) return {1, 0, 0};
  if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
  if (c == 0xE0) return {3, 0xA0, 0xBF};
  if (c == 0xED) return {3, 0x80, 0x9F};
  if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
  if (c == 0xF0) return {4, 0x90, 0xBF};
  if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
  if (c == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

}  // namespace

char32_t Wb_codePointAt(std::string_view text, std::size_t pos, std::size_t* length) {
  *length = 1;
  const auto first = static_cast<unsigned char>(text[pos]);
  const Lead lead = leadOf(first);
  if (lead.length == 1) return first;
  const char32_t broken = kWbBrokenByte + first;
  if (lead.length == 0 || text.size() - pos < lead.length) return broken;
  char32_t code = first & (0x7Fu >> lead.length);
  for (std::size_t k = 1; k < lead.length; ++k) {
    const auto b = static_cast<unsigned char>(text[pos + k]);
    if (b < (k == 1 ? lead.low : 0x80) || b > (k == 1 ? lead.high : 0xBF)) return broken;
    code = (code << 6) | (b & 0x3F);
  }
  *length = lead.length;
  return code;
}

char32_t Wb_lowerCase(char32_t c) {
  if (c < kFirstBeyondAscii) return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
  if (c >= kWbBrokenByte) return c;
  const auto mapped = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), unicodeClasses()));
  return mapped < kFirstBeyondAscii ? c : mapped;
}

std::size_t Wb_letterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  const char32_t c = Wb_codePointAt(text, pos, &length);
  if (c < kFirstBeyondAscii || c >= kWbBrokenByte) return 0;
  return iswalnum_l(static_cast<wint_t>(c), unicodeClasses()) ? length : 0;
}

std::size_t Wb_wordCharAt(std::string_view text, std::size_t pos, std::string_view extra) {
  const auto c = static_cast<unsigned char>(text[pos]);
  if (c >= kFirstBeyondAscii) return Wb_letterAt(text, pos);
  return std::isalnum(c) || extra.find(static_cast<char>(c)) != std::string_view::npos ? 1 : 0;
}

std::string Wb_characterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  Wb_codePointAt(text, pos, &length);
  return std::string(text.substr(pos, length));
}
