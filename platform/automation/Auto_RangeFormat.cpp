// Range members about how cells look and where they go: number format, cell
// style, displayed text, whole columns and their width, copying a block to
// another place, and Find / FindNext over displayed texts or formulas.
#include <algorithm>
#include <cctype>

#include "platform/automation/Auto_Internal.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"

namespace {

constexpr int kMaxRow = 1048575;
constexpr long long kMaxWrite = 1LL << 22;
constexpr std::int32_t kLookInValues = -4163, kLookInFormulas = -4123;
constexpr std::int32_t kLookAtWhole = 1, kLookAtPart = 2;
constexpr std::int32_t kByRows = 1, kByColumns = 2;
constexpr std::int32_t kNext = 1, kPrevious = 2;

long long cellCount(const std::vector<CellRange>& areas) {
  long long n = 0;
  for (const CellRange& a : areas) n += static_cast<long long>(a.row2 - a.row1 + 1) * (a.col2 - a.col1 + 1);
  return n;
}

// A text property shared by every cell, or Null when the cells differ.
template <typename Fn>
AutoResult commonText(AutoCall& call, Fn textOf) {
  if (cellCount(call.self->areas) > kMaxWrite) return call.raise(Auto_excFailed, "The range is too large to be read at once.");
  std::string first;
  bool any = false;
  for (const CellRange& a : call.self->areas)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        std::string t = textOf(Wb_findCell(call.self->sheet, r, c));
        if (any && t != first) {
          Auto_variantClear(call.result);
          call.result->vt = Auto_vtNull;
          return Auto_ok;
        }
        first = t;
        any = true;
      }
  Auto_setText(call.result, first);
  return Auto_ok;
}

// Applies `fn` to every cell of the range, creating the cells.
template <typename Fn>
AutoResult eachCell(AutoCall& call, Fn fn) {
  if (cellCount(call.self->areas) > kMaxWrite)
    return call.raise(Auto_excFailed, "The range is too large to be formatted at once.");
  for (const CellRange& a : call.self->areas)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) fn(Wb_cellAt(call.self->wb, call.self->sheet, r, c));
  return Auto_ok;
}

AutoResult rangeNumberFormat(AutoCall& call) {
  if (!(call.kind & Auto_propertyPut))
    return commonText(call, [](const Cell* c) { return c && !c->numberFormat.empty() ? c->numberFormat : std::string("General"); });
  std::string format;
  AutoResult rc;
  if (!call.putText(&format, &rc)) return rc;
  if (Wb_equalNoCase(format, "General")) format.clear();
  std::string probe;
  if (!format.empty() && !Calc_formatNumber(1, format, &probe))
    return call.raise(Auto_excFailed, "The number format cannot be read.");
  return eachCell(call, [&](Cell* c) { c->numberFormat = format; });
}

AutoResult rangeStyle(AutoCall& call) {
  Workbook* wb = call.self->wb;
  if (!(call.kind & Auto_propertyPut))
    return commonText(call, [wb](const Cell* c) {
      int s = c ? c->style : 0;
      return s >= 0 && s < static_cast<int>(wb->styles.size()) ? wb->styles[s].name : std::string("Normal");
    });
  std::string name;
  AutoResult rc;
  if (!call.putText(&name, &rc)) return rc;
  int s = Wb_findStyle(wb, name);
  if (s < 0) return call.raise(Auto_excNotFound, "No style of that name.");
  const CellStyle& st = wb->styles[s];
  return eachCell(call, [&](Cell* c) {
    c->style = s;
    if (st.includeNumber) c->numberFormat = st.numberFormat;
  });
}

AutoResult rangeText(AutoCall& call) {
  const CellRange& a = call.self->areas[0];
  const Cell* c = Wb_findCell(call.self->sheet, a.row1, a.col1);
  Auto_setText(call.result, c ? Calc_displayText(c->value, c->numberFormat) : "");
  return Auto_ok;
}

AutoResult rangeEntireColumn(AutoCall& call) {
  std::vector<CellRange> columns;
  for (const CellRange& a : call.self->areas) columns.push_back(CellRange{0, 0, a.col1, kMaxRow, a.col2});
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, columns));
}

// Columns have no width in this application, so no text is ever cut: nothing to fit.
AutoResult rangeAutoFit(AutoCall& call) {
  Auto_setBool(call.result, true);
  return Auto_ok;
}

// Copies the first area, with formulas moved as copying moves them, number
// formats, styles and the array blocks wholly inside it.
AutoResult rangeCopy(AutoCall& call) {
  if (!call.has(0)) return call.raise(Auto_excFailed, "This application has no clipboard: give a destination.");
  const AutoObject* dest = Auto_argumentObject(call.args[0], AutoKind::Range);
  if (!dest) return call.fail(Auto_eTypeMismatch, 0);
  const CellRange src = call.self->areas[0];
  const Sheet* from = call.self->sheet;
  Workbook* toWb = dest->wb;
  Sheet* to = dest->sheet;
  int dr = dest->areas[0].row1 - src.row1, dc = dest->areas[0].col1 - src.col1;
  CellRange target{0, src.row1 + dr, src.col1 + dc, src.row2 + dr, src.col2 + dc};
  if (target.row2 > kMaxRow || target.col2 > 16383) return call.raise(Auto_excFailed, "The copy would leave the sheet.");
  if (cellCount({src}) > kMaxWrite) return call.raise(Auto_excFailed, "The range is too large to be copied.");
  for (const ArrayBlock& b : to->arrays)
    if (!(b.row2 < target.row1 || target.row2 < b.row1 || b.col2 < target.col1 || target.col2 < b.col1))
      return call.raise(Auto_excFailed, "Part of an array formula cannot be changed.");
  // Read everything first: source and destination may overlap.
  std::vector<std::pair<std::uint64_t, Cell>> cells;
  for (const auto& [key, cell] : from->cells) {
    int r = Wb_keyRow(key), c = Wb_keyCol(key);
    if (r >= src.row1 && r <= src.row2 && c >= src.col1 && c <= src.col2) cells.push_back({key, cell});
  }
  std::vector<ArrayBlock> blocks;
  for (const ArrayBlock& b : from->arrays)
    if (b.row1 >= src.row1 && b.row2 <= src.row2 && b.col1 >= src.col1 && b.col2 <= src.col2) blocks.push_back(b);
  const Workbook* fromWb = call.self->wb;
  for (int r = target.row1; r <= target.row2; ++r)
    for (int c = target.col1; c <= target.col2; ++c) Wb_clearCell(toWb, to, r, c);
  for (auto& [key, cell] : cells) {
    Cell* out = Wb_cellAt(toWb, to, Wb_keyRow(key) + dr, Wb_keyCol(key) + dc);
    out->value = cell.value;
    out->numberFormat = cell.numberFormat;
    const std::string& styleName = cell.style < static_cast<int>(fromWb->styles.size()) ? fromWb->styles[cell.style].name : "Normal";
    int s = Wb_findStyle(toWb, styleName);
    out->style = s >= 0 ? s : Wb_addStyle(toWb, fromWb->styles[cell.style]);
    if (cell.arrayBlock < 0 && !cell.formula.empty()) out->formula = "=" + Xlsx_shiftFormula(cell.formula.substr(1), dr, dc);
  }
  for (const ArrayBlock& b : blocks)
    Wb_setArrayFormula(toWb, to, CellRange{0, b.row1 + dr, b.col1 + dc, b.row2 + dr, b.col2 + dc},
                       "=" + Xlsx_shiftFormula(b.formula.substr(1), dr, dc));
  ++toWb->structureVersion;
  Calc_afterChange(toWb);
  Auto_setBool(call.result, true);
  return Auto_ok;
}

// The settings of the last Find, which FindNext goes on with.
struct FindSettings {
  std::string what;
  std::int32_t lookIn = kLookInFormulas, lookAt = kLookAtPart, order = kByRows, direction = kNext;
  bool matchCase = false;
};

FindSettings& lastFind() {
  static FindSettings s;
  return s;
}

std::string folded(std::string s, bool matchCase) {
  if (!matchCase)
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool matches(const FindSettings& f, const Sheet* sh, const Cell& cell) {
  std::string text;
  if (f.lookIn == kLookInValues) text = Calc_displayText(cell.value, cell.numberFormat);
  else if (cell.arrayBlock >= 0 && cell.arrayBlock < static_cast<int>(sh->arrays.size())) text = sh->arrays[cell.arrayBlock].formula;
  else text = cell.formula.empty() ? Calc_displayText(cell.value, "") : cell.formula;
  if (text.empty()) return false;
  std::string t = folded(text, f.matchCase), w = folded(f.what, f.matchCase);
  return f.lookAt == kLookAtWhole ? t == w : t.find(w) != std::string::npos;
}

// The next matching cell of the first area after (row, col) in search order,
// wrapping around; false when none matches.
bool search(const FindSettings& f, const AutoObject* self, int row, int col, int* hitRow, int* hitCol) {
  const CellRange& a = self->areas[0];
  std::vector<std::pair<int, int>> hits;   // (row, col) of every matching cell in search order
  for (const auto& [key, cell] : self->sheet->cells) {
    int r = Wb_keyRow(key), c = Wb_keyCol(key);
    if (r >= a.row1 && r <= a.row2 && c >= a.col1 && c <= a.col2 && matches(f, self->sheet, cell)) hits.push_back({r, c});
  }
  if (hits.empty()) return false;
  auto before = [&](const std::pair<int, int>& x, const std::pair<int, int>& y) {
    return f.order == kByColumns ? std::make_pair(x.second, x.first) < std::make_pair(y.second, y.first) : x < y;
  };
  std::sort(hits.begin(), hits.end(), before);
  std::pair<int, int> after{row, col};
  std::pair<int, int> hit;
  if (f.direction == kPrevious) {
    auto it = std::lower_bound(hits.begin(), hits.end(), after, before);
    hit = it == hits.begin() ? hits.back() : *(it - 1);
  } else {
    auto it = std::upper_bound(hits.begin(), hits.end(), after, before);
    hit = it == hits.end() ? hits.front() : *it;
  }
  *hitRow = hit.first;
  *hitCol = hit.second;
  return true;
}

// The cell an After argument names (inside the first area), or the first cell.
AutoResult afterCell(AutoCall& call, std::size_t param, int* row, int* col) {
  const CellRange& a = call.self->areas[0];
  *row = a.row1;
  *col = a.col1;
  if (!call.has(param)) return Auto_ok;
  const AutoObject* o = Auto_argumentObject(call.args[param], AutoKind::Range);
  if (!o || o->sheet != call.self->sheet) return call.fail(Auto_eTypeMismatch, param);
  *row = o->areas[0].row1;
  *col = o->areas[0].col1;
  if (*row < a.row1 || *row > a.row2 || *col < a.col1 || *col > a.col2)
    return call.raise(Auto_excFailed, "The After cell lies outside the range searched.");
  return Auto_ok;
}

AutoResult findResult(AutoCall& call, const FindSettings& f, int row, int col) {
  int hr, hc;
  if (!search(f, call.self, row, col, &hr, &hc)) return Auto_returnObject(call, nullptr);   // Nothing
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {CellRange{0, hr, hc, hr, hc}}));
}

AutoResult rangeFind(AutoCall& call) {
  FindSettings f = lastFind();
  AutoResult rc;
  if (!call.text(0, &f.what, &rc)) return rc;
  if ((call.has(2) && !call.integer(2, &f.lookIn, &rc)) || (call.has(3) && !call.integer(3, &f.lookAt, &rc)) ||
      (call.has(4) && !call.integer(4, &f.order, &rc)) || (call.has(5) && !call.integer(5, &f.direction, &rc)) ||
      (call.has(6) && !call.boolean(6, &f.matchCase, &rc)))
    return rc;
  if (f.what.empty() || (f.lookIn != kLookInValues && f.lookIn != kLookInFormulas) ||
      (f.lookAt != kLookAtWhole && f.lookAt != kLookAtPart) || (f.order != kByRows && f.order != kByColumns) ||
      (f.direction != kNext && f.direction != kPrevious))
    return call.raise(Auto_excFailed, "Find was given settings it does not know.");
  int row, col;
  if (Auto_failed(rc = afterCell(call, 1, &row, &col))) return rc;
  lastFind() = f;
  return findResult(call, f, row, col);
}

AutoResult rangeFindNext(AutoCall& call) {
  const FindSettings& f = lastFind();
  if (f.what.empty()) return call.raise(Auto_excFailed, "FindNext without a Find before it.");
  int row, col;
  AutoResult rc = afterCell(call, 0, &row, &col);
  if (Auto_failed(rc)) return rc;
  return findResult(call, f, row, col);
}

constexpr AutoInvokeKind kGet = Auto_propertyGet | Auto_method;
constexpr AutoInvokeKind kGetPut = kGet | Auto_propertyPut;

}  // namespace

std::vector<AutoMember> Auto_rangeFormatMembers() {
  return {
    {"AutoFit", Auto_method, {}, 0, rangeAutoFit},
    {"Copy", Auto_method, {"Destination"}, 0, rangeCopy},
    {"EntireColumn", kGet, {}, 0, rangeEntireColumn},
    {"Find", Auto_method, {"What", "After", "LookIn", "LookAt", "SearchOrder", "SearchDirection", "MatchCase"}, 1, rangeFind},
    {"FindNext", Auto_method, {"After"}, 0, rangeFindNext},
    {"NumberFormat", kGetPut, {}, 0, rangeNumberFormat},
    {"Style", kGetPut, {}, 0, rangeStyle},
    {"Text", kGet, {}, 0, rangeText},
  };
}
