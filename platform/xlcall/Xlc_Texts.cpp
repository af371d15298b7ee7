// Texts the callback interface composes: reference texts with book and
// sheet, formulas in R1C1 notation, numbers written to read back exactly,
// defined-name texts and the definitions DEFINE.NAME stores.
#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/workbook/Wb_Letters.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

// The ASCII characters that names hold besides letters and digits.
constexpr std::string_view kNamePunctuation = "_.\\";
// And those of the words of a formula: names and cell references.
constexpr std::string_view kReferencePunctuation = "_.\\$";

std::string quoted(const std::string& s, char quote) {
  std::string q(1, quote);
  for (char c : s) {
    q += c;
    if (c == quote) q += quote;
  }
  return q + quote;
}

// "[Book]Sheet", quoted when the book or the sheet name needs it.
std::string bookSheetPrefix(const Workbook* wb, int sheet) {
  const std::string& sheetName = wb->sheets[sheet]->name;
  bool plainBook = !wb->name.empty();
  for (char c : wb->name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') plainBook = false;
  std::string full = "[" + wb->name + "]" + sheetName;
  return plainBook && Wb_quoteSheetName(sheetName) == sheetName ? full : quoted(full, '\'');
}

std::string cellText(int row, int col, bool a1) {
  if (a1) return Wb_a1(row, col, true);
  return "R" + std::to_string(row + 1) + "C" + std::to_string(col + 1);
}

std::string areaText(const CellRange& a, bool a1) {
  std::string t = cellText(a.row1, a.col1, a1);
  if (a.row1 != a.row2 || a.col1 != a.col2) t += ":" + cellText(a.row2, a.col2, a1);
  return t;
}

// One part of an R1C1 reference: "R5" absolute, "R[-1]" relative, "R" same.
std::string r1c1Part(char letter, bool absolute, int index, int base) {
  std::string s(1, letter);
  if (absolute) return s + std::to_string(index + 1);
  if (index == base) return s;
  return s + "[" + std::to_string(index - base) + "]";
}

// An A1 cell reference ("$B3") in R1C1 relative to (row, col); false when
// the word is no cell reference.
bool cellToR1C1(const std::string& word, int row, int col, std::string* out) {
  int r = 0, c = 0;
  if (!Wb_parseA1(word, &r, &c)) return false;
  bool colAbsolute = word[0] == '$';
  bool rowAbsolute = word.find('$', colAbsolute ? 1 : 0) != std::string::npos;
  *out = r1c1Part('R', rowAbsolute, r, row) + r1c1Part('C', colAbsolute, c, col);
  return true;
}

// Length of the quoted text (string literal or sheet name) starting at i.
std::size_t quotedLength(const std::string& f, std::size_t i) {
  char q = f[i];
  std::size_t j = i + 1;
  while (j < f.size()) {
    if (f[j] == q && j + 1 < f.size() && f[j + 1] == q) { j += 2; continue; }
    if (f[j] == q) return j + 1 - i;
    ++j;
  }
  return f.size() - i;
}

std::size_t errorLiteralLength(const std::string& f, std::size_t i) {
  for (CellError e : {CellError::Null, CellError::Div0, CellError::Value, CellError::Ref,
                      CellError::Name, CellError::Num, CellError::NA}) {
    std::string t = Wb_errorText(e);
    if (Wb_equalNoCase(f.substr(i, t.size()), t)) return t.size();
  }
  return 1;
}

std::size_t numberLength(const std::string& f, std::size_t i) {
  std::size_t j = i;
  while (j < f.size() && (std::isdigit(static_cast<unsigned char>(f[j])) || f[j] == '.')) ++j;
  if (j < f.size() && (f[j] == 'e' || f[j] == 'E')) {
    std::size_t k = j + 1;
    if (k < f.size() && (f[k] == '+' || f[k] == '-')) ++k;
    if (k < f.size() && std::isdigit(static_cast<unsigned char>(f[k]))) {
      while (k < f.size() && std::isdigit(static_cast<unsigned char>(f[k]))) ++k;
      j = k;
    }
  }
  return j - i;
}

std::string elementText(const XLOPER* x) {
  switch (Xlc_type(x)) {
    case xltypeNum: return Xlc_numberText(x->val.num);
    case xltypeInt: return std::to_string(x->val.w);
    case xltypeStr: return quoted(Xlc_text(x), '"');
    case xltypeBool: return x->val.xbool ? "TRUE" : "FALSE";
    case xltypeErr: return Wb_errorText(static_cast<CellError>(x->val.err));
    default: return "";
  }
}

int arrayDefinition(const XLOPER* x, std::string* out) {
  const auto& arr = x->val.array;
  if (!arr.lparray || arr.rows == 0 || arr.columns == 0) return xlretInvXloper;
  std::string s = "{";
  for (int r = 0; r < arr.rows; ++r)
    for (int c = 0; c < arr.columns; ++c) {
      std::string e = elementText(&arr.lparray[r * arr.columns + c]);
      if (e.empty()) return xlretInvXloper;
      s += (c > 0 ? "," : (r > 0 ? ";" : "")) + e;
    }
  *out = s + "}";
  return xlretSuccess;
}

int referenceDefinition(const XLOPER* x, const Workbook* wb, std::string* out) {
  XlcRef ref;
  if (int rc = Xlc_resolveRef(x, &ref)) return rc;
  if (ref.wb != wb) return xlretFailed;   // names refer to cells of their own book
  std::string sheet = Wb_quoteSheetName(ref.wb->sheets[ref.sheet]->name);
  std::string s;
  for (const CellRange& a : ref.areas) s += (s.empty() ? "" : ",") + sheet + "!" + areaText(a, true);
  *out = s;
  return xlretSuccess;
}

}  // namespace

std::string Xlc_refText(const XlcRef& ref, bool a1) {
  std::string prefix = bookSheetPrefix(ref.wb, ref.sheet) + "!";
  std::string s;
  for (const CellRange& a : ref.areas) s += (s.empty() ? "" : ",") + prefix + areaText(a, a1);
  return s;
}

std::string Xlc_formulaToR1C1(const std::string& f, int row, int col) {
  std::string out;
  out.reserve(f.size());
  std::size_t i = 0;
  while (i < f.size()) {
    char ch = f[i];
    std::size_t len = 1;
    if (ch == '"' || ch == '\'') {
      len = quotedLength(f, i);
    } else if (ch == '#') {
      len = errorLiteralLength(f, i);
    } else if (std::isdigit(static_cast<unsigned char>(ch))) {
      len = numberLength(f, i);
    } else if (const std::size_t first = Wb_wordCharAt(f, i, kReferencePunctuation)) {
      len = first;
      while (i + len < f.size())
        if (const std::size_t n = Wb_wordCharAt(f, i + len, kReferencePunctuation)) len += n;
        else break;
      std::string word = f.substr(i, len), r1c1;
      bool followedByCall = i + len < f.size() && (f[i + len] == '(' || f[i + len] == '!');
      if (!followedByCall && cellToR1C1(word, row, col, &r1c1)) {
        out += r1c1;
        i += len;
        continue;
      }
    }
    out.append(f, i, len);
    i += len;
  }
  return out;
}

std::string Xlc_numberText(double d) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  return ec == std::errc() ? std::string(buf, end) : std::string("#NUM!");
}

bool Xlc_isNameText(const std::string& t) {
  if (t.empty() || t[0] == '.' || std::isdigit(static_cast<unsigned char>(t[0]))) return false;
  for (std::size_t i = 0; i < t.size();) {
    const std::size_t n = Wb_wordCharAt(t, i, kNamePunctuation);
    if (n == 0) return false;
    i += n;
  }
  int r, c;
  if (Wb_parseA1(t, &r, &c) || Wb_equalNoCase(t, "TRUE") || Wb_equalNoCase(t, "FALSE")) return false;
  // R1C1 cell texts ("R", "C2", "R1C1") are references, not names.
  std::size_t i = 0;
  if (std::toupper(t[i]) == 'R') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
  }
  if (i < t.size() && std::toupper(t[i]) == 'C') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
  }
  return i != t.size();
}

int Xlc_definitionOf(const XLOPER* x, const Workbook* wb, std::string* out) {
  std::string error;
  switch (Xlc_type(x)) {
    case xltypeStr: {
      std::string t = Xlc_text(x);
      if (t.empty() || t[0] != '=') { *out = quoted(t, '"'); return xlretSuccess; }
      if (!Calc_checkFormula(t, &error)) return xlretFailed;
      *out = t.substr(1);
      return xlretSuccess;
    }
    case xltypeNum:
      if (!std::isfinite(x->val.num)) return xlretInvXloper;
      [[fallthrough]];
    case xltypeInt:
    case xltypeBool:
    case xltypeErr:
      *out = elementText(x);
      return out->empty() ? xlretInvXloper : xlretSuccess;
    case xltypeRef:
    case xltypeSRef: return referenceDefinition(x, wb, out);
    case xltypeMulti: return arrayDefinition(x, out);
    default: return xlretInvXloper;
  }
}
