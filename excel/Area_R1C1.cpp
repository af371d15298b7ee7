// Reading references written in R1C1 notation ("R2C3", "R[1]C[-1]:R5C5",
// "RC,R1C1") relative to a base cell. Texts whose rows or columns fall
// outside what a reference can hold, or whose corners are out of order, are
// refused.
#include <cctype>

#include "excel/Area_Areas.h"

namespace {

constexpr int kMaxRow = UINT16_MAX;
constexpr int kMaxColumn = UINT8_MAX;
constexpr long kMaxDigits = 1000000;   // beyond every row and column

bool readDigits(const char*& s, long* n) {
  if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
  *n = 0;
  while (std::isdigit(static_cast<unsigned char>(*s))) {
    if (*n < kMaxDigits) *n = *n * 10 + (*s - '0');
    ++s;
  }
  return true;
}

// index = "[" ["-"] digits "]" | digits | nothing; 0-based result.
bool readIndex(const char*& s, int base, int limit, int* out) {
  long value = base;
  long n = 0;
  if (*s == '[') {
    ++s;
    bool negative = *s == '-';
    if (negative) ++s;
    if (!readDigits(s, &n) || *s != ']') return false;
    ++s;
    value = negative ? base - n : base + n;
  } else if (readDigits(s, &n) && n > 0) {
    value = n - 1;
  }
  if (value < 0 || value > limit) return false;
  *out = static_cast<int>(value);
  return true;
}

bool readCorner(const char*& s, int baseRow, int baseColumn, int* row, int* column) {
  if (*s != 'R') return false;
  ++s;
  if (!readIndex(s, baseRow, kMaxRow, row) || *s != 'C') return false;
  ++s;
  return readIndex(s, baseColumn, kMaxColumn, column);
}

bool readArea(const char*& s, int baseRow, int baseColumn, XLREF* area) {
  int r1, c1;
  if (!readCorner(s, baseRow, baseColumn, &r1, &c1)) return false;
  int r2 = r1, c2 = c1;
  if (*s == ':') {
    ++s;
    if (!readCorner(s, baseRow, baseColumn, &r2, &c2)) return false;
  }
  if (r2 < r1 || c2 < c1) return false;
  *area = {static_cast<std::uint16_t>(r1), static_cast<std::uint16_t>(r2),
           static_cast<std::uint8_t>(c1), static_cast<std::uint8_t>(c2)};
  return true;
}

// text = area { "," area } end.
bool readAreas(const char* text, int baseRow, int baseColumn, std::vector<XLREF>* out) {
  if (!text) return false;
  const char* s = text;
  for (;;) {
    XLREF area;
    if (!readArea(s, baseRow, baseColumn, &area) || out->size() >= 0xffff) return false;
    out->push_back(area);
    if (*s == '\0') return true;
    if (*s != ',') return false;
    ++s;
  }
}

}  // namespace

int Area_countR1C1Areas(const char* text, int baseRow, int baseColumn) {
  std::vector<XLREF> areas;
  return readAreas(text, baseRow, baseColumn, &areas) ? static_cast<int>(areas.size()) : 0;
}

XLOPER* Area_fromR1C1(const char* text, const XLOPER* base) {
  const XLREF* baseAreas;
  int count;
  if (!Area_areasOf(base, &baseAreas, &count) || count != 1) return nullptr;
  std::vector<XLREF> areas;
  if (!readAreas(text, baseAreas[0].rwFirst, baseAreas[0].colFirst, &areas)) return nullptr;
  return Area_newReference(Area_sheetOf(base), areas);
}
