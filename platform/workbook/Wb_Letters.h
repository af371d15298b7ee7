// Letters beyond ASCII in names: defined names, sheet names and functions
// may hold the letters and digits of every script, which the workbook
// stores as UTF-8; names compare without regard to their case by the one
// case fold of base/Utf8_Text.h.
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
