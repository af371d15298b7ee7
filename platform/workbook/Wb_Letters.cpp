// Letters beyond ASCII in names, read from UTF-8 by the runtime's character
// classes and case mapping of every script.
#include "platform/workbook/Wb_Letters.h"

#include "base/Utf8_Text.h"

#include <clocale>
#include <cwctype>

std::size_t Wb_letterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  const char32_t c = Utf8_codePointAt(text, pos, &length);
  if (c < kUtf8FirstBeyondAscii || c >= kUtf8BrokenByte) return 0;
  return iswalnum_l(static_cast<wint_t>(c), Utf8_classes()) ? length : 0;
}

namespace {

// Whether an ASCII character is a letter or a digit, as every locale has it;
// read here rather than asked of the runtime, as a formula's every
// character is.
bool isAsciiLetterOrDigit(char c) {
  const char lower = Utf8_lowerAscii(c);
  return (c >= '0' && c <= '9') || (lower >= 'a' && lower <= 'z');
}

}  // namespace

std::size_t Wb_wordCharAt(std::string_view text, std::size_t pos, std::string_view extra) {
  const char c = text[pos];
  if (!Utf8_isAscii(c)) return Wb_letterAt(text, pos);
  return isAsciiLetterOrDigit(c) || extra.find(c) != std::string_view::npos ? 1 : 0;
}

std::string Wb_characterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  Utf8_codePointAt(text, pos, &length);
  return std::string(text.substr(pos, length));
}
