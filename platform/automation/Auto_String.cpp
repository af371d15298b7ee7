// Counted wide strings of the automation interface: allocation, length, and
// conversion from and to the UTF-8 texts of the workbook model.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/automation/Auto.h"
#include "platform/calc/Calc.h"

namespace {

constexpr std::uint32_t kMaxLength = 0x3fffffff;

std::uint32_t* headerOf(const AutoChar* s) {
  return reinterpret_cast<std::uint32_t*>(const_cast<AutoChar*>(s)) - 1;
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
  const std::u16string wide = Calc_utf16(text);
  return Auto_allocStringLen(wide.data(), static_cast<std::uint32_t>(wide.size()));
}

std::string Auto_stringToUtf8(const AutoChar* s) { return Calc_utf8(std::u16string_view(s, Auto_stringLen(s))); }
