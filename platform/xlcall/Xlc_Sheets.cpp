// Sheets as the callback interface sees them: stable sheet ids, the active
// sheet and the calling macro's sheet, references resolved to cells, sheet
// names with their book, and sheet prefixes of texts.
#include <cctype>

#include "platform/workbook/Wb_Letters.h"
#include "platform/xlcall/Xlc_Host.h"
#include "platform/xlcall/Xlc_Internal.h"

namespace {

// Sheet ids are 1-based indexes into this table; an entry whose sheet is
// gone is emptied and its id never given out again.
struct SheetEntry {
  Workbook* wb = nullptr;
  const Sheet* sheet = nullptr;
};
std::vector<SheetEntry> g_ids;

Workbook* g_callerWb = nullptr;
int g_callerSheet = -1;

bool isOpen(const Workbook* wb) {
  for (const auto& p : Wb_app().workbooks)
    if (p.get() == wb) return true;
  return false;
}

int indexOfSheet(const Workbook* wb, const Sheet* sh) {
  for (std::size_t i = 0; i < wb->sheets.size(); ++i)
    if (wb->sheets[i].get() == sh) return static_cast<int>(i);
  return -1;
}

bool validSheet(const Workbook* wb, int sheet) {
  return wb && isOpen(wb) && sheet >= 0 && sheet < static_cast<int>(wb->sheets.size());
}

void pruneClosedSheets() {
  for (SheetEntry& e : g_ids)
    if (e.wb && (!isOpen(e.wb) || indexOfSheet(e.wb, e.sheet) < 0)) e = SheetEntry{};
}

Workbook* findWorkbook(const std::string& name) {
  for (const auto& p : Wb_app().workbooks)
    if (Wb_equalNoCase(p->name, name)) return p.get();
  return nullptr;
}

std::string unquote(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == '\'' && i + 1 < s.size() && s[i + 1] == '\'') ++i;
  }
  return out;
}

// Position of the "!" after a sheet prefix at the start of s, or npos.
std::size_t prefixEnd(const std::string& s) {
  std::size_t i = 0;
  if (!s.empty() && s[0] == '\'') {
    for (i = 1; i < s.size(); ++i) {
      if (s[i] != '\'') continue;
      if (i + 1 < s.size() && s[i + 1] == '\'') { ++i; continue; }
      break;
    }
    ++i;
  } else {
    while (i < s.size())
      if (const std::size_t n = Wb_wordCharAt(s, i, "_.[]")) i += n;
      else break;
  }
  return i > 0 && i < s.size() && s[i] == '!' ? i : std::string::npos;
}

// A name or reference without operators, read the same on any sheet.
bool isPlain(const std::string& s) {
  if (s.empty()) return false;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = Wb_wordCharAt(s, i, "_.$:\\");
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

IDSHEET Xlc_sheetId(Workbook* wb, int sheet) {
  pruneClosedSheets();
  const Sheet* sh = wb->sheets[sheet].get();
  for (std::size_t i = 0; i < g_ids.size(); ++i)
    if (g_ids[i].wb == wb && g_ids[i].sheet == sh) return static_cast<IDSHEET>(i + 1);
  g_ids.push_back(SheetEntry{wb, sh});
  return static_cast<IDSHEET>(g_ids.size());
}

bool Xlc_sheetOfId(IDSHEET id, Workbook** wb, int* sheet) {
  if (id < 1 || id > static_cast<IDSHEET>(g_ids.size())) return false;
  const SheetEntry& e = g_ids[id - 1];
  if (!e.wb || !isOpen(e.wb)) return false;
  int index = indexOfSheet(e.wb, e.sheet);
  if (index < 0) return false;
  *wb = e.wb;
  *sheet = index;
  return true;
}

void Xlc_setCallerSheet(Workbook* wb, int sheet) {
  g_callerWb = wb;
  g_callerSheet = sheet;
}

void Xlc_resetHost() {
  for (SheetEntry& e : g_ids) e = SheetEntry{};
  g_callerWb = nullptr;
  g_callerSheet = -1;
  Xlc_clearMacros();
}

bool Xlc_activeSheet(Workbook** wb, int* sheet) {
  Workbook* w = Wb_activeWorkbook();
  if (!w || !validSheet(w, w->activeSheet)) return false;
  *wb = w;
  *sheet = w->activeSheet;
  return true;
}

bool Xlc_callerSheet(Workbook** wb, int* sheet) {
  if (!validSheet(g_callerWb, g_callerSheet)) return Xlc_activeSheet(wb, sheet);
  *wb = g_callerWb;
  *sheet = g_callerSheet;
  return true;
}

int Xlc_resolveRef(const XLOPER* x, XlcRef* out) {
  const XLREF* refs = nullptr;
  std::size_t count = 0;
  XLTYPE t = Xlc_type(x);
  if (t == xltypeSRef) {
    if (!Xlc_callerSheet(&out->wb, &out->sheet)) return xlretFailed;
    refs = &x->val.sref.ref;
    count = 1;
  } else if (t == xltypeRef) {
    if (!Xlc_sheetOfId(x->val.mref.idSheet, &out->wb, &out->sheet)) return xlretInvXloper;
    if (!x->val.mref.lpmref) return xlretInvXloper;
    refs = x->val.mref.lpmref->reftbl;
    count = x->val.mref.lpmref->count;
  } else {
    return xlretInvXloper;
  }
  if (count == 0) return xlretInvXloper;
  out->areas.clear();
  for (std::size_t i = 0; i < count; ++i) {
    CellRange a;
    a.sheet = out->sheet;
    a.row1 = static_cast<std::uint16_t>(refs[i].rwFirst);
    a.row2 = static_cast<std::uint16_t>(refs[i].rwLast);
    a.col1 = refs[i].colFirst;
    a.col2 = refs[i].colLast;
    if (a.row1 > a.row2 || a.col1 > a.col2) return xlretInvXloper;
    out->areas.push_back(a);
  }
  return xlretSuccess;
}

// The area's empty cells first, then the stored ones row by row: no lookup per cell.
CalcArray Xlc_areaValues(Workbook* wb, int sheet, const CellRange& area) {
  CalcArray a;
  a.rows = area.row2 - area.row1 + 1;
  a.cols = area.col2 - area.col1 + 1;
  // The cells come in row-major order: each value is made once, empty ones
  // up to the next stored cell, then a copy of it.
  const std::size_t size = std::size_t(a.rows) * a.cols;
  a.values.reserve(size);
  wb->sheets[sheet]->cells.eachRowIn(area.row1, area.col1, area.row2, area.col2, [&](auto cells) {
    const std::size_t rowStart = std::size_t(Wb_keyRow(cells.front().first) - area.row1) * a.cols;
    for (const auto& [key, cell] : cells) {
      a.values.resize(rowStart + (Wb_keyCol(key) - area.col1));
      a.values.push_back(cell.value);
    }
  });
  a.values.resize(size);
  return a;
}

void Xlc_setAreaArray(XLOPER* x, Workbook* wb, int sheet, const CellRange& area) {
  const int rows = area.row2 - area.row1 + 1, cols = area.col2 - area.col1 + 1;
  XLOPER* elems = Xlc_setNilArray(x, std::size_t(rows) * cols, rows, cols);
  wb->sheets[sheet]->cells.eachRowIn(area.row1, area.col1, area.row2, area.col2, [&](auto cells) {
    XLOPER* row = elems + std::size_t(Wb_keyRow(cells.front().first) - area.row1) * cols;
    for (const auto& [key, cell] : cells) Xlc_setElement(&row[Wb_keyCol(key) - area.col1], cell.value);
  });
}

std::string Xlc_fullSheetName(const Workbook* wb, int sheet) {
  return "[" + wb->name + "]" + wb->sheets[sheet]->name;
}

bool Xlc_findSheet(const std::string& text, Workbook** wb, int* sheet) {
  std::string s = text;
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') s = unquote(s.substr(1, s.size() - 2));
  Workbook* w = Wb_activeWorkbook();
  if (!s.empty() && s[0] == '[') {
    std::size_t close = s.find(']');
    if (close == std::string::npos) return false;
    w = findWorkbook(s.substr(1, close - 1));
    s = s.substr(close + 1);
  }
  int index = w ? Wb_sheetIndex(w, s) : -1;
  if (index < 0) return false;
  *wb = w;
  *sheet = index;
  return true;
}

bool Xlc_splitSheetPrefix(const std::string& text, XlcScoped* out) {
  std::string s = !text.empty() && text[0] == '=' ? text.substr(1) : text;
  if (!Xlc_activeSheet(&out->wb, &out->sheet)) return false;
  out->rest = s;
  out->prefixed = false;
  out->sheetsOwn = false;
  if (!s.empty() && s[0] == '!') {
    out->rest = s.substr(1);
    out->prefixed = true;
    out->sheetsOwn = true;
    return true;
  }
  std::size_t bang = prefixEnd(s);
  if (bang == std::string::npos || !isPlain(s.substr(bang + 1))) return true;
  Workbook* wb = nullptr;
  int sheet = -1;
  if (!Xlc_findSheet(s.substr(0, bang), &wb, &sheet)) return true;
  out->wb = wb;
  out->sheet = sheet;
  out->rest = s.substr(bang + 1);
  out->prefixed = true;
  return true;
}
