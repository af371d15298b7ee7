// Counted wide strings of the automation interface: allocation, length, and
// conversion from and to the UTF-8 texts of the workbook model.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/automation/Auto.h"

namespace {

constexpr std::uint32_t kMaxLength = 0x3fffffff;

std::uint32_t* headerOf(const AutoChar* s) {
  return reinterpret_cast<std::uint32_t*>(const_cast<AutoChar*>(s)) - 1;
}

void appendUtf16(char32_t c, std::u16string* out) {
  if (c < 0x10000) {
    out->push_back(static_cast<char16_t>(c));
    return;
  }
  c -= 0x10000;
  out->push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

void appendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// One code point from UTF-8 at `*i`; malformed input gives U+FFFD and skips a byte.
char32_t nextUtf8(const std::string& s, std::size_t* i) {
  unsigned char b = static_cast<unsigned char>(s[*i]);
  int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
  if (extra < 0 || *i + extra >= s.size() + (extra == 0 ? 1 : 0)) {
    ++*i;
    return 0xFFFD;
  }
  char32_t c = extra == 0 ? b : b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    unsigned char t = static_cast<unsigned char>(s[*i + k]);
    if ((t & 0xC0) != 0x80) {
      ++*i;
      return 0xFFFD;
    }
    c = (c << 6) | (t & 0x3F);
  }
  *i += static_cast<std::size_t>(extra) + 1;
  return c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? 0xFFFD : c;
}

}  // namespace

AutoString Auto_allocStringLen(const AutoChar* text, std::uint32_t length) {
  if (length > kMaxLength) return nullptr;
  void* block = std::malloc(sizeof(std::uint32_t) + (static_cast<std::size_t>(length) + 1) * sizeof(AutoChar));
  if (!block) return nullptr;
  auto* header = static_cast<std::uint32_t*>(block);
  *header = length;
  AutoString s = reinterpret_cast<AutoString>(header + 1);
  if (text) std::memcpy(s, text, length * sizeof(AutoChar));
  else std::memset(s, 0, length * sizeof(AutoChar));
  s[length] = 0;
  return s;
}

AutoString Auto_allocString(const AutoChar* text) {
  if (!text) return nullptr;
  std::uint32_t n = 0;
  while (text[n] && n <= kMaxLength) ++n;
  return Auto_allocStringLen(text, n);
}

std::uint32_t Auto_stringLen(const AutoChar* s) { return s ? *headerOf(s) : 0; }

void Auto_freeString(AutoString s) {
  if (s) std::free(headerOf(s));
}

AutoString Auto_stringFromUtf8(const std::string& text) {
  // A text of ASCII characters alone (every formula of most workbooks) is
  // widened straight into the string.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    AutoString out = Auto_allocStringLen(nullptr, static_cast<std::uint32_t>(text.size()));
    if (out) std::copy(text.begin(), text.end(), out);
    return out;
  }
  std::u16string wide;
  wide.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) appendUtf16(nextUtf8(text, &i), &wide);
  return Auto_allocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
}

std::string Auto_stringToUtf8(const AutoChar* s) {
  std::string out;
  std::uint32_t n = Auto_stringLen(s);
  for (std::uint32_t i = 0; i < n; ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    appendUtf8(c, &out);
  }
  return out;
}
