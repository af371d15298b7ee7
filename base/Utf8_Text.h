// What reading UTF-8 and mapping the case of every script share: how a lead
// byte starts a sequence, the runtime's character classes of every script
// whatever the process locale says, and the rule that keeps letters beyond
// ASCII out of it. Header only, so that the
// stand-in's workbook and calculation, which link nothing of the library,
// read texts as the interpreter does.
#pragma once

#include <clocale>
#include <cwctype>

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

// A letter beyond ASCII never maps into ASCII (the dotted capital I, the
// Kelvin sign and the dotless i keep their own), as the worksheet keeps it.
inline char16_t Utf8_keptBeyondAscii(char16_t c, wint_t mapped) {
  return c >= 0x80 && mapped < 0x80 ? c : static_cast<char16_t>(mapped);
}
