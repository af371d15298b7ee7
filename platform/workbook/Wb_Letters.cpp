// Letters beyond ASCII in names, read from UTF-8 by the runtime's character
// classes and case mapping of every script.
#include "platform/workbook/Wb_Letters.h"

#include "base/Utf8_Text.h"

#include <cctype>
#include <clocale>
#include <cwctype>

namespace {

constexpr char32_t kFirstBeyondAscii = 0x80;

}  // namespace

char32_t Wb_codePointAt(std::string_view text, std::size_t pos, std::size_t* length) {
  *length = 1;
  const auto first = static_cast<unsigned char>(text[pos]);
  const Utf8Lead lead = Utf8_leadOf(first);
  if (lead.length == 1) return first;
  const char32_t broken = kWbBrokenByte + first;
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

char32_t Wb_lowerCase(char32_t c) {
  if (c < kFirstBeyondAscii) return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
  if (c >= kWbBrokenByte) return c;
  const auto mapped = static_cast<char32_t>(towlower_l(static_cast<wint_t>(c), Utf8_classes()));
  return mapped < kFirstBeyondAscii ? c : mapped;
}

std::size_t Wb_letterAt(std::string_view text, std::size_t pos) {
  std::size_t length = 1;
  const char32_t c = Wb_codePointAt(text, pos, &length);
  if (c < kFirstBeyondAscii || c >= kWbBrokenByte) return 0;
  return iswalnum_l(static_cast<wint_t>(c), Utf8_classes()) ? length : 0;
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
