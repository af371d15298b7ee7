// Moving the references of a formula text, as copying a cell does: a shared
// formula is stored once for a block of cells and each cell shows the master
// cell's formula moved to its own position.
#include "platform/xlsx/Xlsx.h"

#include <cctype>
#include <cstring>

namespace {

constexpr int kMaxRows = 1048576;
constexpr int kMaxCols = 16384;
// The first byte of the UTF-8 sequences beyond ASCII.
constexpr unsigned char kBeyondAscii = 0x80;

enum class PartKind { None, Cell, Column, Row };

// One side of a reference: "$B$3", "B3", "B" (whole column) or "3" (whole row).
struct RefPart {
  PartKind kind = PartKind::None;
  bool absCol = false, absRow = false;
  int col = 0, row = 0;    // 0-based
  size_t end = 0;
};

// Names hold letters of every script: each byte of a UTF-8 sequence belongs
// to the word it stands in, so "Kapazität1" never ends in a cell "t1".
bool isNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || u >= kBeyondAscii || c == '_' || c == '.' || c == '\\' || c == '?' || c == '$';
}

RefPart parsePart(const std::string& s, size_t i) {
  RefPart p;
  if (i < s.size() && s[i] == '$') { p.absCol = true; ++i; }
  size_t letters = i;
  long col = 0;
  while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i])) && i - letters < 3) {
    col = col * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
    ++i;
  }
  bool hasCol = i > letters;
  if (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) return RefPart{};
  if (!hasCol) { p.absRow = p.absCol; p.absCol = false; }
  if (hasCol && i < s.size() && s[i] == '$') { p.absRow = true; ++i; }
  size_t digits = i;
  long row = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && i - digits < 8) {
    row = row * 10 + (s[i] - '0');
    ++i;
  }
  bool hasRow = i > digits;
  if (hasRow && row == 0) return RefPart{};
  if ((hasCol && col > kMaxCols) || row > kMaxRows) return RefPart{};
  if (p.absRow && !hasRow) return RefPart{};
  p.kind = hasCol && hasRow ? PartKind::Cell : hasCol ? PartKind::Column : hasRow ? PartKind::Row : PartKind::None;
  p.col = static_cast<int>(col) - 1;
  p.row = static_cast<int>(row) - 1;
  p.end = i;
  return p;
}

// A reference ends where no name character, "(" or "!" follows.
bool endsReference(const std::string& s, size_t i) {
  return i >= s.size() || (!isNameChar(s[i]) && s[i] != '(' && s[i] != '!');
}

// Shifts the relative parts; false when the part leaves the sheet.
bool shiftPart(RefPart* p, int dRows, int dCols) {
  bool hasCol = p->kind != PartKind::Row, hasRow = p->kind != PartKind::Column;
  if (hasCol && !p->absCol) p->col += dCols;
  if (hasRow && !p->absRow) p->row += dRows;
  return (!hasCol || (p->col >= 0 && p->col < kMaxCols)) && (!hasRow || (p->row >= 0 && p->row < kMaxRows));
}

std::string partText(const RefPart& p) {
  std::string t;
  if (p.kind != PartKind::Row) t += (p.absCol ? "$" : "") + Wb_columnName(p.col);
  if (p.kind != PartKind::Column) t += (p.absRow ? "$" : "") + std::to_string(p.row + 1);
  return t;
}

// Tries a reference ("B3", "B3:C4", "B:C", "3:4") at i; on success appends its
// moved text to out and returns the position after it, else returns i.
size_t shiftReference(const std::string& s, size_t i, int dRows, int dCols, std::string* out) {
  RefPart a = parsePart(s, i);
  if (a.kind == PartKind::None) return i;
  RefPart b;
  if (a.end < s.size() && s[a.end] == ':') b = parsePart(s, a.end + 1);
  bool range = b.kind == a.kind && endsReference(s, b.end);
  if (!range && !(a.kind == PartKind::Cell && endsReference(s, a.end))) return i;
  bool ok = shiftPart(&a, dRows, dCols);
  if (range) ok = shiftPart(&b, dRows, dCols) && ok;
  *out += !ok ? "#REF!" : range ? partText(a) + ":" + partText(b) : partText(a);
  return range ? b.end : a.end;
}

// Copies a quoted run ('...' or "...", doubled quotes inside) starting at i.
size_t copyQuoted(const std::string& s, size_t i, std::string* out) {
  char q = s[i];
  size_t j = i + 1;
  while (j < s.size()) {
    if (s[j] == q && (j + 1 >= s.size() || s[j + 1] != q)) break;
    j += s[j] == q ? 2 : 1;
  }
  j = std::min(j + 1, s.size());
  out->append(s, i, j - i);
  return j;
}

// Copies an error literal such as #N/A or #DIV/0! whole, so that its letters
// are not taken for a reference.
size_t copyErrorLiteral(const std::string& s, size_t i, std::string* out) {
  static const char* const kErrors[] = {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"};
  for (const char* e : kErrors) {
    size_t n = std::strlen(e);
    if (s.size() - i >= n && Wb_equalNoCase(s.substr(i, n), e)) {
      out->append(s, i, n);
      return i + n;
    }
  }
  out->push_back('#');
  return i + 1;
}

// Copies a number (with its exponent) or a name that is not a reference.
size_t copyWord(const std::string& s, size_t i, std::string* out) {
  size_t j = i;
  bool number = std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == '.';
  while (j < s.size() && isNameChar(s[j])) {
    bool exponent = number && (s[j] == 'e' || s[j] == 'E') && j + 1 < s.size() && (s[j + 1] == '+' || s[j + 1] == '-');
    j += exponent ? 2 : 1;
  }
  out->append(s, i, j - i);
  return j;
}

}  // namespace

std::string Xlsx_shiftFormula(const std::string& text, int dRows, int dCols) {
  std::string out;
  out.reserve(text.size() + 8);
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c == '"' || c == '\'') {
      i = copyQuoted(text, i, &out);
    } else if (c == '#') {
      i = copyErrorLiteral(text, i, &out);
    } else if (isNameChar(c)) {
      size_t next = shiftReference(text, i, dRows, dCols, &out);
      i = next != i ? next : copyWord(text, i, &out);
    } else {
      out.push_back(c);
      ++i;
    }
  }
  return out;
}
