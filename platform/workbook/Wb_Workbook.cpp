// Workbook model of the stand-in application: cells, sheets, names, styles.
#include "platform/workbook/Wb_Workbook.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <mutex>
#include <set>

#include "base/Stored_Prefixes.h"
#include "base/Utf8_Text.h"
#include "platform/workbook/Wb_Letters.h"

namespace {

struct ErrorName { CellError code; const char* text; };
constexpr ErrorName kErrors[] = {
  {CellError::Null, "#NULL!"}, {CellError::Div0, "#DIV/0!"}, {CellError::Value, "#VALUE!"},
  {CellError::Ref, "#REF!"},   {CellError::Name, "#NAME?"},  {CellError::Num, "#NUM!"},
  {CellError::NA, "#N/A"},
};

void bump(Workbook* wb) { ++wb->structureVersion; }

}  // namespace

const char* Wb_errorText(CellError e) {
  for (const auto& en : kErrors)
    if (en.code == e) return en.text;
  return "#VALUE!";
}

bool Wb_errorFromText(const std::string& text, CellError* out) {
  for (const auto& en : kErrors)
    if (Wb_equalNoCase(text, en.text)) { *out = en.code; return true; }
  return false;
}

CellValue CellValue::makeNumber(double d) { CellValue v; v.kind = CellKind::Number; v.number = d; return v; }
CellValue CellValue::makeText(std::string s) { CellValue v; v.kind = CellKind::Text; v.text = std::move(s); return v; }
CellValue CellValue::makeBoolean(bool b) { CellValue v; v.kind = CellKind::Boolean; v.number = b ? 1.0 : 0.0; return v; }
CellValue CellValue::makeError(CellError e) { CellValue v; v.kind = CellKind::Error; v.error = e; return v; }

bool CellValue::operator==(const CellValue& o) const {
  if (kind != o.kind) return false;
  switch (kind) {
    case CellKind::Empty: return true;
    case CellKind::Number:
    case CellKind::Boolean: return number == o.number;
    case CellKind::Text: return text == o.text;
    case CellKind::Error: return error == o.error;
  }
  return false;
}

NumberFormat::NumberFormat(std::string_view text) {
  if (text.empty()) return;
  // Kept for the whole process; the elements of a set keep their addresses.
  // Locked, as formats may be given from any thread.
  static std::mutex lock;
  static std::set<std::string, std::less<>> kept;
  std::lock_guard<std::mutex> hold(lock);
  auto it = kept.find(text);
  if (it == kept.end()) it = kept.emplace(text).first;
  text_ = &*it;
}

const std::string& NumberFormat::str() const {
  static const std::string general;
  return text_ ? *text_ : general;
}

Application& Wb_app() {
  static Application app;
  return app;
}

void Wb_resetApp() { Wb_app() = Application{}; }

Workbook* Wb_newWorkbook(const std::string& name) {
  Application& app = Wb_app();
  auto wb = std::make_unique<Workbook>();
  wb->name = name;
  wb->styles.push_back(CellStyle{"Normal", ""});
  app.workbooks.push_back(std::move(wb));
  app.activeWorkbook = static_cast<int>(app.workbooks.size()) - 1;
  return app.workbooks.back().get();
}

Workbook* Wb_activeWorkbook() {
  Application& app = Wb_app();
  if (app.activeWorkbook < 0 || app.activeWorkbook >= static_cast<int>(app.workbooks.size())) return nullptr;
  return app.workbooks[app.activeWorkbook].get();
}

void Wb_closeWorkbook(Workbook* wb) {
  Application& app = Wb_app();
  auto it = std::find_if(app.workbooks.begin(), app.workbooks.end(),
                         [wb](const auto& p) { return p.get() == wb; });
  if (it == app.workbooks.end()) return;
  int index = static_cast<int>(it - app.workbooks.begin());
  app.workbooks.erase(it);
  if (app.activeWorkbook >= index) app.activeWorkbook = std::max(-1, app.activeWorkbook - 1);
  if (app.activeWorkbook < 0 && !app.workbooks.empty()) app.activeWorkbook = 0;
}

Sheet* Wb_addSheet(Workbook* wb, const std::string& name) {
  auto sh = std::make_unique<Sheet>();
  sh->name = name;
  wb->sheets.push_back(std::move(sh));
  bump(wb);
  return wb->sheets.back().get();
}

Sheet* Wb_insertSheet(Workbook* wb, int index, const std::string& name) {
  index = std::clamp(index, 0, static_cast<int>(wb->sheets.size()));
  auto sh = std::make_unique<Sheet>();
  sh->name = name;
  Sheet* added = sh.get();
  wb->sheets.insert(wb->sheets.begin() + index, std::move(sh));
  std::vector<DefinedName> names = wb->names.list();
  for (DefinedName& dn : names)
    if (dn.scopeSheet >= index) ++dn.scopeSheet;
  wb->names.assign(std::move(names));
  if (wb->activeSheet >= index && wb->sheets.size() > 1) ++wb->activeSheet;
  bump(wb);
  return added;
}

bool Wb_deleteSheet(Workbook* wb, int index) {
  if (wb->sheets.size() <= 1 || index < 0 || index >= static_cast<int>(wb->sheets.size())) return false;
  wb->sheets.erase(wb->sheets.begin() + index);
  std::vector<DefinedName> names = wb->names.list();
  std::erase_if(names, [index](const DefinedName& dn) { return dn.scopeSheet == index; });
  for (DefinedName& dn : names)
    if (dn.scopeSheet > index) --dn.scopeSheet;
  wb->names.assign(std::move(names));
  if (wb->activeSheet > index || wb->activeSheet == static_cast<int>(wb->sheets.size())) --wb->activeSheet;
  bump(wb);
  return true;
}

int Wb_sheetIndex(const Workbook* wb, const std::string& name) {
  for (size_t i = 0; i < wb->sheets.size(); ++i)
    if (Wb_equalNoCase(wb->sheets[i]->name, name)) return static_cast<int>(i);
  return -1;
}

Sheet* Wb_activeSheet(Workbook* wb) {
  if (!wb || wb->activeSheet < 0 || wb->activeSheet >= static_cast<int>(wb->sheets.size())) return nullptr;
  return wb->sheets[wb->activeSheet].get();
}

const Cell* Wb_findCell(const Sheet* sh, int row, int col) { return sh->cells.get(Wb_cellKey(row, col)); }

Cell* Wb_cellAt(Workbook* wb, Sheet* sh, int row, int col) {
  auto [it, inserted] = sh->cells.try_emplace(Wb_cellKey(row, col));
  if (inserted) bump(wb);
  return &it->second;
}

void Wb_setValue(Workbook* wb, Sheet* sh, int row, int col, const CellValue& v) {
  Cell* c = Wb_cellAt(wb, sh, row, col);
  if (!c->formula.empty()) { c->formula.clear(); bump(wb); }
  c->value = v;
  c->keepsStoredValue = false;
  if (wb->changedCells.size() < kWbChangedCellsMax) wb->changedCells.push_back({sh, Wb_cellKey(row, col)});
  else wb->changedMany = true;
}

void Wb_setFormula(Workbook* wb, Sheet* sh, int row, int col, const std::string& formula) {
  Cell* c = Wb_cellAt(wb, sh, row, col);
  c->formula = formula;
  c->keepsStoredValue = false;
  bump(wb);
}

bool Wb_setArrayFormula(Workbook* wb, Sheet* sh, const CellRange& b, const std::string& formula) {
  for (const ArrayBlock& a : sh->arrays) {
    bool overlaps = !(a.row2 < b.row1 || b.row2 < a.row1 || a.col2 < b.col1 || b.col2 < a.col1);
    bool same = a.row1 == b.row1 && a.row2 == b.row2 && a.col1 == b.col1 && a.col2 == b.col2;
    if (overlaps && !same) return false;
  }
  int index = -1;
  for (size_t i = 0; i < sh->arrays.size(); ++i) {
    const ArrayBlock& a = sh->arrays[i];
    if (a.row1 == b.row1 && a.col1 == b.col1 && a.row2 == b.row2 && a.col2 == b.col2) index = static_cast<int>(i);
  }
  if (index < 0) {
    sh->arrays.push_back(ArrayBlock{b.row1, b.col1, b.row2, b.col2, formula});
    index = static_cast<int>(sh->arrays.size()) - 1;
  }
  sh->arrays[index].formula = formula;
  for (int r = b.row1; r <= b.row2; ++r)
    for (int c = b.col1; c <= b.col2; ++c) {
      Cell* cell = Wb_cellAt(wb, sh, r, c);
      cell->arrayBlock = index;
      cell->formula = (r == b.row1 && c == b.col1) ? formula : std::string();
      cell->keepsStoredValue = false;
    }
  bump(wb);
  return true;
}

void Wb_clearCell(Workbook* wb, Sheet* sh, int row, int col) {
  if (sh->cells.erase(Wb_cellKey(row, col))) bump(wb);
}

bool Wb_usedRange(const Sheet* sh, CellRange* out) {
  const auto& rows = sh->cells.rows();
  if (rows.empty()) return false;
  CellRange r;
  r.row1 = rows.front().row;
  r.row2 = rows.back().row;
  r.col1 = Wb_keyCol(rows.front().cells.front().first);
  r.col2 = r.col1;
  for (const auto& row : rows) {
    r.col1 = std::min(r.col1, Wb_keyCol(row.cells.front().first));
    r.col2 = std::max(r.col2, Wb_keyCol(row.cells.back().first));
  }
  *out = r;
  return true;
}

const DefinedName* Wb_findName(const Workbook* wb, const std::string& name, int scopeSheet) {
  return wb->names.findSeenFrom(name, scopeSheet);
}

WbReading Wb_definitionReading(const DefinedName& dn, WbReading usedAt) {
  if (dn.scopeSheet >= 0) return {dn.scopeSheet, dn.scopeSheet};
  return {usedAt.sheet, -1};
}

std::string Wb_qualifiedName(const Workbook* wb, const DefinedName& dn) {
  if (dn.scopeSheet < 0) return std::string(kStoredThisWorkbook) + dn.name;
  return Wb_quoteSheetName(wb->sheets[dn.scopeSheet]->name) + "!" + dn.name;
}

const DefinedName* Wb_findNameInScope(const Workbook* wb, const std::string& name, int scopeSheet) {
  return wb->names.find(name, scopeSheet);
}

void Wb_defineName(Workbook* wb, const DefinedName& dn) {
  wb->names.define(dn);
  bump(wb);
}

bool Wb_deleteName(Workbook* wb, const std::string& name, int scopeSheet) {
  if (!wb->names.erase(name, scopeSheet)) return false;
  bump(wb);
  return true;
}

int Wb_findStyle(const Workbook* wb, const std::string& name) {
  for (size_t i = 0; i < wb->styles.size(); ++i)
    if (Wb_equalNoCase(wb->styles[i].name, name)) return static_cast<int>(i);
  return -1;
}

int Wb_addStyle(Workbook* wb, const CellStyle& st) {
  int i = Wb_findStyle(wb, st.name);
  if (i >= 0) { wb->styles[i] = st; return i; }
  wb->styles.push_back(st);
  return static_cast<int>(wb->styles.size()) - 1;
}

std::string Wb_columnName(int col) {
  std::string s;
  for (int c = col + 1; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
  return s;
}

namespace {

// The column letter's number (A = 1), 0 for anything but an ASCII letter:
// the reading of a reference must not depend on the process's locale.
int columnLetter(char ch) {
  const int lower = ch | 0x20;
  return lower >= 'a' && lower <= 'z' ? lower - 'a' + 1 : 0;
}

}  // namespace

bool Wb_parseA1(std::string_view text, int* row, int* col) {
  size_t i = 0;
  if (i < text.size() && text[i] == '$') ++i;
  long c = 0;
  size_t letters = i;
  while (i < text.size() && columnLetter(text[i]) != 0) {
    c = c * 26 + columnLetter(text[i]);
    if (c > 16384) return false;
    ++i;
  }
  if (i == letters) return false;
  if (i < text.size() && text[i] == '$') ++i;
  long r = 0;
  size_t digits = i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    r = r * 10 + (text[i] - '0');
    if (r > 1048576) return false;
    ++i;
  }
  if (i == digits || i != text.size() || r == 0) return false;
  *row = static_cast<int>(r - 1);
  *col = static_cast<int>(c - 1);
  return true;
}

std::string Wb_a1(int row, int col, bool absolute) {
  const char* d = absolute ? "$" : "";
  return d + Wb_columnName(col) + d + std::to_string(row + 1);
}

std::string Wb_quoteSheetName(const std::string& name) {
  bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
  for (char ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch)) && ch != '_' && ch != '.') plain = false;
  int dummyRow, dummyCol;
  if (plain && !Wb_parseA1(name, &dummyRow, &dummyCol)) return name;
  std::string q = "'";
  for (char ch : name) {
    q += ch;
    if (ch == '\'') q += '\'';
  }
  return q + "'";
}

bool Wb_equalNoCase(std::string_view a, std::string_view b) { return Utf8_compareNoCase(a, b) == 0; }

bool Wb_parseNumber(const std::string& text, double* out) {
  size_t b = text.find_first_not_of(" \t"), e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  const std::string t = text.substr(b, e - b + 1);
  size_t i = (t[0] == '+' || t[0] == '-') ? 1 : 0, digits = 0;
  auto skipDigits = [&] {
    size_t n = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) { ++i; ++n; }
    return n;
  };
  digits += skipDigits();
  if (i < t.size() && t[i] == '.') {
    ++i;
    digits += skipDigits();
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (skipDigits() == 0) return false;
  }
  if (i != t.size()) return false;
  double d = 0;
  const char* first = t.c_str() + (t[0] == '+' ? 1 : 0);
  auto r = std::from_chars(first, t.c_str() + t.size(), d);
  if (r.ec != std::errc() || !std::isfinite(d)) return false;
  *out = d;
  return true;
}
