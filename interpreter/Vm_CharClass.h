// Character classes of the formula lexer for codes 0 to 127; characters
// above 127 read as name characters, so sheet names with accented letters
// work.
#pragma once

#include <array>
#include <cstdint>

enum CharClass : uint32_t {
  kCharName = 0,  // letters and $ : ? ! # . ' _
  kCharDigit = 1,
  kCharOperator = 2,
  kCharQuote = 3,
  kCharBrace = 4,  // {
  kCharBlank = 5,  // space, tab
  kCharLineFeed = 6,
  kCharReturn = 7,
  kCharDelete = 8,
  kCharEnd = 9,  // NUL
  kCharInvalid = 10,
};

constexpr std::array<uint32_t, 128> Vm_buildCharClasses() {
  std::array<uint32_t, 128> t{};
  for (uint32_t& c : t) c = kCharInvalid;
  for (char c = 'a'; c <= 'z'; ++c) t[c] = kCharName;
  for (char c = 'A'; c <= 'Z'; ++c) t[c] = kCharName;
  for (char c : {'$', ':', '?', '!', '#', '.', '\'', '_'}) t[c] = kCharName;
  for (char c = '0'; c <= '9'; ++c) t[c] = kCharDigit;
  for (char c : {'%', '&', '(', ')', '*', '+', ',', '-', '/', '<', '=', '>', '^'}) t[c] = kCharOperator;
  t['"'] = kCharQuote;
  t['{'] = kCharBrace;
  t[' '] = t['\t'] = kCharBlank;
  t['\n'] = kCharLineFeed;
  t['\r'] = kCharReturn;
  t[0x7F] = kCharDelete;
  t[0] = kCharEnd;
  return t;
}

inline constexpr std::array<uint32_t, 128> kCharClasses = Vm_buildCharClasses();

inline uint32_t Vm_charClass(char16_t c) { return c < 128 ? kCharClasses[c] : kCharName; }
