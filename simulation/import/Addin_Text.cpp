// Shared steps of the importers: ASCII lower case (the names and references
// they look for are ASCII), comma tokens with the quoting of defined-name
// values, numbers that must fill their whole token, references as valid
// ranges, and the failure report.
#include "simulation/import/Addin_Text.h"

#include <cmath>
#include <cstdlib>
#include <limits>

std::u16string Addin_lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  return out;
}

std::u16string_view Addin_trim(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u" \t");
  if (first == std::u16string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(u" \t") - first + 1);
}

std::u16string_view Addin_skipLeading(std::u16string_view text, std::u16string_view skip) {
  const size_t first = text.find_first_not_of(skip);
  return first == std::u16string_view::npos ? std::u16string_view{} : text.substr(first);
}

bool Addin_nextCommaToken(std::u16string_view text, size_t* cursor, std::u16string* token) {
  if (*cursor >= text.size()) return false;
  token->clear();
  bool quoted = false;
  size_t k = *cursor;
  for (; k < text.size(); ++k) {
    const char16_t c = text[k];
    if (c == u'"') {
      if (quoted && k + 1 < text.size() && text[k + 1] == u'"') {
        token->push_back(u'"');
        ++k;
      } else {
        quoted = !quoted;
      }
    } else if (c == u',' && !quoted) {
      break;
    } else {
      token->push_back(c);
    }
  }
  *cursor = k + 1;
  return true;
}

double Addin_parseWholeNumber(std::u16string_view text) {
  const std::u16string_view t = Addin_trim(text);
  std::string ascii;
  for (char16_t c : t) {
    if (c > 127) return std::numeric_limits<double>::quiet_NaN();
    ascii.push_back(static_cast<char>(c));
  }
  char* end = nullptr;
  const double x = ascii.empty() ? 0.0 : std::strtod(ascii.c_str(), &end);
  if (ascii.empty() || end != ascii.c_str() + ascii.size()) return std::numeric_limits<double>::quiet_NaN();
  return x;
}

std::u16string Addin_wide(std::string_view text) { return std::u16string(text.begin(), text.end()); }

bool Addin_rangeOf(AddinWorkbook* book, std::u16string_view text, uint8_t sheet, RangeRef* range) {
  const std::u16string t = Addin_lower(Addin_trim(text));
  if (t.empty() || !book->parseReference(t, range)) return false;
  if (range->sheet == 0) range->sheet = sheet;
  return range->sheet > 0 && range->firstRow > 0 && range->firstColumn > 0 && range->lastRow >= range->firstRow &&
         range->lastColumn >= range->firstColumn;
}

int32_t Addin_area(const RangeRef& r) { return (r.lastRow - r.firstRow + 1) * (r.lastColumn - r.firstColumn + 1); }

CellRef Addin_firstCell(const RangeRef& r) { return CellRef{r.sheet, r.firstRow, r.firstColumn}; }

bool Addin_fail(AddinReport* report, const std::u16string& why, const CellRef& cell) {
  report->failure = why;
  report->failureCell = cell;
  return false;
}

std::u16string Addin_quoted(std::u16string_view text) { return u"\"" + std::u16string(text) + u"\""; }
