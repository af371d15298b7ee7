// Cell addresses of the automation layer: A1 texts, ADDRESS texts, parsing
// of written references and external workbook references.
#include <algorithm>
#include <string>

#include "excel/Com_Automation.h"
#include "values/Text_Convert.h"

namespace {

constexpr int32_t kMaxRow = kRefMaxRow;
constexpr int32_t kMaxColumn = kRefMaxColumn;
// The last column ADDRESS writes in A1 style.
constexpr int32_t kMaxAddressColumn = 676;

// Column letters in lower case: 1 a, 26 z, 27 aa, 53 ba.
std::u16string columnLetters(int32_t column) {
  int32_t q = column / 26, r = column % 26;
  if (r == 0) {
    q -= 1;
    r = 26;
  }
  std::u16string s;
  if (q > 0) s += static_cast<char16_t>(u'a' + q - 1);
  s += static_cast<char16_t>(u'a' + r - 1);
  return s;
}

std::u16string number(long n) { return Text_fromUtf8(std::to_string(n)); }

std::u16string cellA1(int32_t row, int32_t column) { return columnLetters(column) + number(row); }

bool isLetter(char16_t c) { return c >= u'a' && c <= u'z'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Letters and digits of the widest grid a spreadsheet application writes
// (XFD1048576), read before the library's own limits are applied.
constexpr int32_t kMaxLetters = 3;
constexpr size_t kMaxDigits = 7;

// Reads "[$]letters[$]digits" at text[*at]; false when malformed or, unless
// clip is set, beyond the library's grid (clip moves such a corner onto the
// grid's last row or column).
bool readCorner(std::u16string_view text, size_t* at, uint16_t* row, uint8_t* column, bool clip = false) {
  size_t i = *at;
  if (i < text.size() && text[i] == u'$') ++i;
  int32_t col = 0, letters = 0;
  for (; i < text.size() && isLetter(Text_foldCase(text[i])) && letters < kMaxLetters; ++i, ++letters)
    col = col * 26 + (Text_foldCase(text[i]) - u'a' + 1);
  if (letters == 0 || (i < text.size() && isLetter(Text_foldCase(text[i])))) return false;
  if (i < text.size() && text[i] == u'$') ++i;
  long r = 0;
  size_t digits = 0;
  for (; i < text.size() && isDigit(text[i]) && digits < kMaxDigits; ++i, ++digits) r = r * 10 + (text[i] - u'0');
  if (digits == 0 || r < 1 || (i < text.size() && isDigit(text[i]))) return false;
  if (!clip && (col > kMaxColumn || r > kMaxRow)) return false;
  *row = static_cast<uint16_t>(std::min<long>(r, kMaxRow));
  *column = static_cast<uint8_t>(std::min<int32_t>(col, kMaxColumn));
  *at = i;
  return true;
}

}  // namespace

int32_t Com_sheetOfPrefix(const ExcelAutomation* ea, std::u16string_view part) {
  std::u16string name(part);
  if (name.size() >= 2 && name.front() == u'\'' && name.back() == u'\'') {
    name = name.substr(1, name.size() - 2);
    for (size_t k = name.find(u"''"); k != std::u16string::npos; k = name.find(u"''", k + 1)) name.erase(k, 1);
  }
  for (int32_t i = 1; i <= ea->sheetCount; ++i)
    if (Text_equalsNoCase(name, ea->sheetNames[i])) return i;
  return 0;
}

std::u16string Com_rangeToA1(const RangeRef& range, bool withColon) {
  std::u16string text = cellA1(range.firstRow, range.firstColumn);
  if (range.lastRow == range.firstRow && range.lastColumn == range.firstColumn) return text;
  return text + (withColon ? u":" : u"") + cellA1(range.lastRow, range.lastColumn);
}

std::u16string Com_formatAddress(int32_t row, int32_t column, int32_t mode, bool a1Style) {
  if (!a1Style) {
    const bool relativeRow = mode == 3 || mode == 4, relativeColumn = mode == 2 || mode == 4;
    return u"R" + (relativeRow ? u"[" + number(row) + u"]" : number(row)) + u"C" +
           (relativeColumn ? u"[" + number(column) + u"]" : number(column));
  }
  if (column < 1 || column > kMaxAddressColumn) return {};
  std::u16string text = (mode == 1 || mode == 3 ? u"$" : u"") + columnLetters(column) +
                        (mode == 1 || mode == 2 ? u"$" : u"") + number(row);
  for (char16_t& c : text)
    if (isLetter(c)) c = static_cast<char16_t>(c - 32);
  return text;
}

bool Com_parseReference(const ExcelAutomation* ea, std::u16string_view text, RangeRef* range) {
  *range = RangeRef{};
  RangeRef r{};
  const size_t bang = text.rfind(u'!');
  if (bang != std::u16string_view::npos) {
    // A sheet past the last one a position holds is none the library reads.
    const int32_t sheet = Com_sheetOfPrefix(ea, text.substr(0, bang));
    if (sheet == 0 || sheet > kRefMaxSheet) return false;
    r.sheet = static_cast<uint8_t>(sheet);
    text.remove_prefix(bang + 1);
  }
  size_t at = 0;
  if (!readCorner(text, &at, &r.firstRow, &r.firstColumn)) return false;
  r.lastRow = r.firstRow;
  r.lastColumn = r.firstColumn;
  if (at < text.size() && text[at] == u':') {
    ++at;
    if (!readCorner(text, &at, &r.lastRow, &r.lastColumn)) return false;
  }
  if (at < text.size() && text[at] != 0x7F) return false;
  *range = r;
  return true;
}

bool Com_parseClippedArea(std::u16string_view text, RangeRef* range) {
  *range = RangeRef{};
  RangeRef r{};
  size_t at = 0;
  if (!readCorner(text, &at, &r.firstRow, &r.firstColumn, true)) return false;
  r.lastRow = r.firstRow;
  r.lastColumn = r.firstColumn;
  if (at < text.size() && text[at] == u':') {
    ++at;
    if (!readCorner(text, &at, &r.lastRow, &r.lastColumn, true)) return false;
  }
  if (at != text.size()) return false;
  *range = r;
  return true;
}

bool Com_isExternalRef(std::u16string_view text) {
  const size_t open = text.find(u'[');
  return open != std::u16string_view::npos && text.find(u']', open) != std::u16string_view::npos;
}

std::u16string Com_externalBookPath(std::u16string_view text) {
  const size_t open = text.find(u'['), close = text.find(u']', open);
  if (open == std::u16string_view::npos || close == std::u16string_view::npos) return {};
  std::u16string_view folder = text.substr(0, open);
  if (!folder.empty() && folder.front() == u'\'') folder.remove_prefix(1);
  return std::u16string(folder) + std::u16string(text.substr(open + 1, close - open - 1));
}
