// Texts as the calculation's text functions see them: the workbook's UTF-8
// read as UTF-16 units (the characters that lengths and positions count),
// written back as UTF-8, and the runtime's case mapping of every letter.
#include <clocale>
#include <cwctype>

#include "base/Utf8_Text.h"
#include "platform/calc/Calc_Internal.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

void appendUnit(char32_t code, std::u16string* out) {
  if (code < 0x10000) {
    out->push_back(static_cast<char16_t>(code));
    return;
  }
  code -= 0x10000;
  out->push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
  out->push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
}

bool isHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

}  // namespace

std::u16string Calc_utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const Utf8Lead lead = Utf8_leadOf(c);
    char32_t code = lead.length == 1 ? c : c & (0x7F >> lead.length);
    int k = 1;
    for (; k < lead.length && i + k < utf8.size(); ++k) {
      const auto b = static_cast<unsigned char>(utf8[i + k]);
      if (b < (k == 1 ? lead.low : 0x80) || b > (k == 1 ? lead.high : 0xBF)) break;
      code = (code << 6) | (b & 0x3F);
    }
    // A broken sequence is one replacement character; the byte that broke
    // it starts the next character.
    if (k < lead.length || lead.length == 0) out.push_back(kReplacement);
    else appendUnit(code, &out);
    i += static_cast<size_t>(k);
  }
  return out;
}

CellValue Calc_textValue(const std::string& utf8) {
  // No UTF-8 text has more UTF-16 units than bytes.
  if (utf8.size() > kCalcMaxText && Calc_utf16(utf8).size() > kCalcMaxText)
    return CellValue::makeError(CellError::Value);
  return CellValue::makeText(utf8);
}

std::string Calc_utf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    if (isHigh(text[i]) && i + 1 < text.size() && isLow(text[i + 1]))
      code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (isHigh(text[i]) || isLow(text[i])) code = kReplacement;  // half of a pair that a cut separated
    if (code < 0x80) {
      out += static_cast<char>(code);
      continue;
    }
    const int length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    out += static_cast<char>(((0xF00 >> length) & 0xFF) | (code >> (6 * (length - 1))));
    for (int k = length - 2; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
  }
  return out;
}

bool Calc_isLetter(char16_t c) { return iswalpha_l(c, Utf8_classes()) != 0; }
