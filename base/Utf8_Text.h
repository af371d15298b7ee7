// What reading UTF-8 and mapping the case of every script share: how a lead
// byte starts a sequence and the code point it reads, the runtime's
// character classes of every script whatever the process locale says, and
// the one case fold of the system, which keeps letters beyond ASCII out of
// ASCII. Header only, so that the
// stand-in's workbook and calculation, which link nothing of the library,
// read texts as the interpreter does.
#pragma once

#include <clocale>
#include <cstddef>
#include <cwctype>
#include <string>
#include <string_view>

// How a lead byte starts a UTF-8 sequence: its length and the range its
// second byte must lie in (overlong forms, surrogates and code points beyond
// U+10FFFF excluded); length 0 for a byte that starts none.
struct Utf8Lead {
  int length;
  unsigned char low, high;
};

inline Utf8Lead Utf8_leadOf(unsigned char c) {
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

// The character classes and case mapping of every script ("C" where the
// system has no UTF-8 classes: then ASCII only). Made once per library, and
// freed when the program ends or the library is unloaded.
struct Utf8Classes {
  locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  Utf8Classes() {
    if (!locale) locale = newlocale(LC_CTYPE_MASK, "C", nullptr);
  }
  ~Utf8Classes() {
    if (locale) freelocale(locale);
  }
  Utf8Classes(const Utf8Classes&) = delete;
  Utf8Classes& operator=(const Utf8Classes&) = delete;
};

inline locale_t Utf8_classes() {
  static const Utf8Classes kClasses;
  return kClasses.locale;
}

// A broken byte of a UTF-8 text as a value beyond Unicode: this plus the byte.
constexpr char32_t kUtf8BrokenByte = 0x110000;
constexpr char32_t kUtf8FirstBeyondAscii = 0x80;

// The code point of the UTF-8 sequence at `pos` and its bytes (`*length`);
// the byte at `pos` of a broken sequence alone, as a value beyond Unicode
// (kUtf8BrokenByte + the byte), so that broken bytes stay apart.
inline char32_t Utf8_codePointAt(std::string_view text, std::size_t pos, std::size_t* length) {
  *length = 1;
  const auto first = static_cast<unsigned char>(text[pos]);
  const Utf8Lead lead = Utf8_leadOf(first);
  if (lead.length == 1) return first;
  const char32_t broken = kUtf8BrokenByte + first;
  if (lead.length == 0 || text.size() - pos < static_cast<std::size_t>(lead.length)) return broken;
  char32_t code = first & (0x7Fu >> lead.length);
  for (int k = 1; k < lead.length; ++k) {
    const auto b = static_cast<unsigned char>(text[pos + k]);
    if (b < (k == 1 ? lead.low : 0x80) || b > (k == 1 ? lead.high : 0xBF)) return broken;
    code = (code << 6) | (b & 0x3F);
  }
  *length = static_cast<std::size_t>(lead.length);
  return code;
}

// Appends the UTF-8 bytes of the code point `code` (at most U+10FFFF), or
// the broken byte a value beyond Unicode stands for.
inline void Utf8_append(std::string& out, char32_t code) {
  if (code >= kUtf8BrokenByte) {
    out.push_back(static_cast<char>(code - kUtf8BrokenByte));
  } else if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The case fold of the whole system: a character's lower (or upper) case,
// beyond ASCII by the runtime's case mapping of every script, whatever the
// process locale. A letter beyond ASCII never maps into ASCII (the dotted
// capital I, the Kelvin sign and the dotless i keep their own), as the
// worksheet keeps it; a broken byte stays as it is.
inline char32_t Utf8_mappedCase(char32_t c, wint_t (*map)(wint_t, locale_t)) {
  if (c >= kUtf8BrokenByte) return c;
  const auto mapped = static_cast<char32_t>(map(static_cast<wint_t>(c), Utf8_classes()));
  return c >= kUtf8FirstBeyondAscii && mapped < kUtf8FirstBeyondAscii ? c : mapped;
}
inline char32_t Utf8_lowerCase(char32_t c) {
  if (c < kUtf8FirstBeyondAscii) return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
  return Utf8_mappedCase(c, towlower_l);
}
inline char32_t Utf8_upperCase(char32_t c) {
  if (c < kUtf8FirstBeyondAscii) return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c;
  return Utf8_mappedCase(c, towupper_l);
}
// The same of a UTF-16 unit (the mappings keep a unit within its plane).
inline char16_t Utf8_lowerCase(char16_t c) { return static_cast<char16_t>(Utf8_lowerCase(char32_t{c})); }
inline char16_t Utf8_upperCase(char16_t c) { return static_cast<char16_t>(Utf8_upperCase(char32_t{c})); }

// An ASCII byte in lower case.
inline char Utf8_lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool Utf8_isAscii(char c) { return static_cast<unsigned char>(c) < kUtf8FirstBeyondAscii; }

// Calls fn(lower case) for each character of a UTF-8 text: an ASCII byte
// folded as it stands, any other character by its code point.
template <typename Fn>
void Utf8_eachFoldedCharacter(std::string_view text, Fn fn) {
  for (std::size_t i = 0; i < text.size();) {
    if (Utf8_isAscii(text[i])) {
      fn(static_cast<char32_t>(Utf8_lowerAscii(text[i++])));
      continue;
    }
    std::size_t length = 1;
    fn(Utf8_lowerCase(Utf8_codePointAt(text, i, &length)));
    i += length;
  }
}

// A UTF-8 text in lower case, character by character (broken bytes kept).
inline std::string Utf8_foldedText(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  Utf8_eachFoldedCharacter(text, [&](char32_t c) { Utf8_append(folded, c); });
  return folded;
}

// Two UTF-8 texts compared character by character by their lower case:
// below 0, 0 or above 0 as `a` sorts before, with or after `b`.
inline int Utf8_compareNoCase(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (Utf8_isAscii(a[i]) && Utf8_isAscii(b[j])) {
      const char x = Utf8_lowerAscii(a[i++]), y = Utf8_lowerAscii(b[j++]);
      if (x != y) return x < y ? -1 : 1;
      continue;
    }
    std::size_t la = 1, lb = 1;
    const char32_t x = Utf8_lowerCase(Utf8_codePointAt(a, i, &la));
    const char32_t y = Utf8_lowerCase(Utf8_codePointAt(b, j, &lb));
    if (x != y) return x < y ? -1 : 1;
    i += la;
    j += lb;
  }
  return (i < a.size()) - (j < b.size());
}

// Whether a code point is East Asian wide or fullwidth: a terminal shows it
// in two columns (the blocks of such characters, first and last).
inline bool Utf8_isWide(char32_t c) {
  static constexpr char32_t kWide[][2] = {{0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},  {0x3400, 0x4DBF},
                                          {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},  {0xF900, 0xFAFF},
                                          {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F},
                                          {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD}};
  for (const auto& block : kWide)
    if (c >= block[0] && c <= block[1]) return true;
  return false;
}

// The columns a terminal shows a UTF-8 text in: one per character, two per
// wide character; a broken byte counts one.
inline std::size_t Utf8_columns(std::string_view text) {
  std::size_t columns = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    columns += Utf8_isWide(Utf8_codePointAt(text, i, &length)) ? 2 : 1;
    i += length;
  }
  return columns;
}
