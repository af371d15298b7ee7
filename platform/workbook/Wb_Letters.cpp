// Letters beyond ASCII in names, read from UTF-8 by the runtime's character
// classes and case mapping of every script.
#include "platform/workbook/Wb_Letters.h"

#include "base/Utf8_Text.h"

#include <cctype>
#include <clocale>
#include <cwctype>

std::size_t Wb_letterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  const char32_t c = Utf8_codePointAt(text, pos, &length);
  if (c < kUtf8FirstBeyondAscii || c >= kUtf8BrokenByte) return 0;
  return iswalnum_l(static_cast<wint_t>(c), Utf8_classes()) ? length : 0;
}

std::size_t Wb_wordCharAt(std::string_view text, std::size_t pos, std::string_view extra) {
  const auto c = static_cast<unsigned char>(text[pos]);
  if (c >= kUtf8FirstBeyondAscii) return Wb_letterAt(text, pos);
  return std::isalnum(c) || extra.find(static_cast<char>(c)) != std::string_view::npos ? 1 : 0;
}

std::string Wb_characterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  Utf8_codePointAt(text, pos, &length);
  return std::string(text.substr(pos, length));
}
