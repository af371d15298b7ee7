// Texts as the package files write them: characters XML cannot carry as
// _xHHHH_ escapes (UTF-16 units), and only valid UTF-8 in and out.
#include <charconv>
#include <cstdio>
#include <string_view>

#include "base/Utf8_Text.h"
#include "platform/xlsx/Xlsx_Internal.h"

namespace {

// Length of the UTF-8 sequence at `i` and its code point; 0 when the bytes
// there are no valid sequence.
size_t utf8At(std::string_view s, size_t i, unsigned* code) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  *code = n == 1 ? c : c & (0x7F >> n);
  for (size_t k = 1; k < n; ++k) {
    unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    *code = (*code << 6) | (b & 0x3F);
  }
  static const unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  bool valid = *code >= kLeast[n] && *code <= 0x10FFFF && !(*code >= 0xD800 && *code < 0xE000);
  return valid ? n : 0;
}

// The code of an _xHHHH_ escape at `i`, or -1.
long escapeAt(std::string_view s, size_t i) {
  unsigned code = 0;
  if (s.substr(i, 2) != "_x" || i + 6 >= s.size() || s[i + 6] != '_') return -1;
  auto res = std::from_chars(s.data() + i + 2, s.data() + i + 6, code, 16);
  return res.ec == std::errc() && res.ptr == s.data() + i + 6 ? static_cast<long>(code) : -1;
}

// Whether the text reads the same decoded: ASCII without the '_' that
// starts an escape, as most texts of a workbook are.
bool isPlainText(std::string_view s) {
  constexpr unsigned char kAscii = 0x80;
  for (char c : s)
    if (static_cast<unsigned char>(c) >= kAscii || c == '_') return false;
  return true;
}

}  // namespace

std::string Xlsx_decodeText(std::string_view s) {
  if (isPlainText(s)) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned code = 0;
    long escaped = escapeAt(s, i);
    if (escaped >= 0) {
      i += 6;
      long low = escaped >= 0xD800 && escaped < 0xDC00 ? escapeAt(s, i + 1) : -1;
      if (low >= 0xDC00 && low < 0xE000) {
        Utf8_append(
            out, 0x10000 + ((static_cast<unsigned>(escaped) - 0xD800) << 10) + (static_cast<unsigned>(low) - 0xDC00));
        i += 7;
      } else {
        Utf8_append(out, escaped >= 0xD800 && escaped < 0xE000 ? 0xFFFD : static_cast<unsigned>(escaped));
      }
    } else if (size_t n = utf8At(s, i, &code); n > 0) {
      out.append(s, i, n);
      i += n - 1;
    } else {
      Utf8_append(out, 0xFFFD);
    }
  }
  return out;
}

std::string Xlsx_fileText(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned code = 0;
    size_t n = utf8At(s, i, &code);
    char hex[8];
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      continue;
    }
    if ((code < 0x20 && code != '\t' && code != '\n') || code == 0x7F || code == 0xFFFE || code == 0xFFFF) {
      std::snprintf(hex, sizeof hex, "_x%04X_", code);
      out += hex;
    } else if (escapeAt(s, i) >= 0) {
      out += "_x005F_";
    } else {
      out.append(s, i, n);
    }
    i += n - 1;
  }
  return out;
}
