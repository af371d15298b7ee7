// Letters beyond ASCII in names: defined names, sheet names and functions
// may hold the letters and digits of every script, which the workbook
// stores as UTF-8; names compare without regard to their case by the
// runtime's case mapping of every script, whatever the process locale.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The bytes of the letter or digit beyond ASCII that starts at `pos` of a
// UTF-8 text; 0 for an ASCII character, another character (a space,
// punctuation, a symbol) and a broken byte sequence.
std::size_t Wb_letterAt(std::string_view text, std::size_t pos);
// The bytes of the word character at `pos`: an ASCII letter or digit, one
// of the ASCII characters `extra`, or a letter or digit beyond ASCII
// (Wb_letterAt); 0 for any other.
std::size_t Wb_wordCharAt(std::string_view text, std::size_t pos, std::string_view extra);
// The whole character that starts at `pos`, as the text shows it: every
// byte of its sequence (one byte when the sequence is broken).
std::string Wb_characterAt(std::string_view text, std::size_t pos);
// The code point of the UTF-8 sequence at `pos` and its bytes (`*length`);
// the byte at `pos` of a broken sequence alone, as a value beyond Unicode
// (kWbBrokenByte + the byte), so that broken bytes stay apart.
char32_t Wb_codePointAt(std::string_view text, std::size_t pos, std::size_t* length);
constexpr char32_t kWbBrokenByte = 0x110000;
// The lower case of a character by the runtime's case mapping; a letter
// beyond ASCII never maps into ASCII.
char32_t Wb_lowerCase(char32_t c);
// Calls fn(lower case) for each character of a text, as Wb_equalNoCase
// compares them.
template <typename Fn>
void Wb_eachFoldedCharacter(std::string_view name, Fn fn) {
  for (std::size_t i = 0; i < name.size();) {
    std::size_t length = 1;
    fn(Wb_lowerCase(Wb_codePointAt(name, i, &length)));
    i += length;
  }
}
