// Ranges as automation objects: resolving reference texts, values and
// formulas as variants (one value, or a two-dimensional array for a block),
// array formulas, areas, cells and items, and addresses.
#include <algorithm>

#include "platform/automation/Auto_Internal.h"
#include "platform/calc/Calc.h"

namespace {

constexpr int kMaxRow = 1048575, kMaxCol = 16383;
constexpr std::int32_t kStyleA1 = 1, kStyleR1C1 = -4150;
// The most cells one put may write: a whole-sheet range is refused, not filled.
constexpr long long kMaxWrite = 1LL << 22;

long long cellCount(const CellRange& a) {
  return static_cast<long long>(a.row2 - a.row1 + 1) * (a.col2 - a.col1 + 1);
}

const Cell* cellOf(const AutoObject* r, int row, int col) { return Wb_findCell(r->sheet, row, col); }

AutoResult notReference(AutoCall& call, const std::string& text) {
  return call.raise(Auto_excFailed, "\"" + text + "\" is not a reference the application accepts.");
}

// "[Book.xlsx]Sheet!A1" or "'C:\dir\[Book.xlsx]My Sheet'!A1": the open
// workbook and the reference within it.
bool splitExternal(const std::string& text, Workbook** wb, std::string* local) {
  std::size_t open = text.find('['), close = text.find(']');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  std::string book = text.substr(open + 1, close - open - 1), rest = text.substr(close + 1);
  std::size_t bang = rest.rfind('!');
  if (bang == std::string::npos) return false;
  std::string sheet = rest.substr(0, bang);
  if (!sheet.empty() && sheet.back() == '\'' && text.find('\'') < open) sheet.pop_back();
  *wb = nullptr;
  for (const auto& w : Wb_app().workbooks)
    if (Wb_equalNoCase(w->name, book)) *wb = w.get();
  *local = Wb_quoteSheetName(sheet) + "!" + rest.substr(bang + 1);
  return *wb != nullptr;
}

// "B3" or "$A$1:$C$9" on the sheet itself: read without the formula
// parser, which would also compute the range's values.
bool plainArea(const std::string& text, int sheet, CellRange* area) {
  const std::size_t colon = text.find(':');
  int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  if (colon == std::string::npos) {
    if (!Wb_parseA1(text, &row1, &col1)) return false;
    row2 = row1;
    col2 = col1;
  } else if (!Wb_parseA1(text.substr(0, colon), &row1, &col1) || !Wb_parseA1(text.substr(colon + 1), &row2, &col2)) {
    return false;
  }
  *area = CellRange{sheet, std::min(row1, row2), std::min(col1, col2), std::max(row1, row2), std::max(col1, col2)};
  return true;
}

// Resolves a reference text seen from `sheet`; false when it is none.
bool resolveText(Workbook* wb, int sheet, const std::string& text, bool sheetFixed, Workbook** outWb, int* outSheet,
                 std::vector<CellRange>* areas) {
  CellRange plain;
  if (plainArea(text, sheet, &plain)) {
    *outWb = wb;
    *outSheet = sheet;
    *areas = {plain};
    return true;
  }
  std::string local = text;
  if (text.find('[') != std::string::npos) {
    if (sheetFixed || !splitExternal(text, &wb, &local)) return false;
  }
  CalcEvalResult r;
  if (!Calc_evaluateReference(wb, sheet, local, &r) || !r.isReference || r.areas.empty()) return false;
  for (const CellRange& a : r.areas)
    if (a.sheet != r.areas[0].sheet) return false;
  if (sheetFixed && r.areas[0].sheet != sheet) return false;
  *outWb = wb;
  *outSheet = r.areas[0].sheet;
  *areas = r.areas;
  return true;
}

// Cell1 or Cell2 of Range(): a text or a range object.
AutoResult rangeArgument(AutoCall& call, std::size_t param, Workbook* wb, int sheet, bool sheetFixed, Workbook** outWb,
                         int* outSheet, std::vector<CellRange>* areas) {
  const AutoVariant* v = call.args[param];
  if (v->vt == Auto_vtDispatch) {
    const AutoObject* o = Auto_argumentObject(v, AutoKind::Range);
    if (!o) return call.fail(Auto_eTypeMismatch, param);
    int index = Auto_sheetIndexOf(o);
    if (sheetFixed && (o->wb != wb || index != sheet)) return call.raise(Auto_excFailed, "The range lies on another sheet.");
    *outWb = o->wb;
    *outSheet = index;
    *areas = o->areas;
    return Auto_ok;
  }
  std::string text;
  AutoResult rc;
  if (!call.text(param, &text, &rc)) return rc;
  if (!resolveText(wb, sheet, text, sheetFixed, outWb, outSheet, areas)) return notReference(call, text);
  return Auto_ok;
}

// What a property gives for one cell of a sheet (null for an empty cell).
using CellElement = void (*)(const Sheet*, const Cell*, AutoVariant*);

// The property of every cell as a variant: one value or an array of the
// first area, its cells found row by row, then what the empty ones give.
AutoResult valuesOf(AutoCall& call, CellElement element) {
  const CellRange& a = call.self->areas[0];
  const Sheet* sh = call.self->sheet;
  if (cellCount(a) == 1) {
    element(sh, cellOf(call.self, a.row1, a.col1), call.result);
    return Auto_ok;
  }
  AutoArray* arr = Auto_arrayCreate(1, a.row2 - a.row1 + 1, 1, a.col2 - a.col1 + 1);
  if (!arr) return call.raise(Auto_excFailed, "The range is too large to be read at once.");
  const auto width = static_cast<std::size_t>(a.col2 - a.col1 + 1);
  sh->cells.eachRowIn(a.row1, a.col1, a.row2, a.col2, [&](auto cells) {
    const auto row = static_cast<std::size_t>(Wb_keyRow(cells.front().first) - a.row1);
    for (const auto& [key, cell] : cells)
      element(sh, &cell, &arr->items[row * width + static_cast<std::size_t>(Wb_keyCol(key) - a.col1)]);
  });
  for (AutoVariant& item : arr->items)
    if (item.vt == Auto_vtEmpty) element(sh, nullptr, &item);
  Auto_variantClear(call.result);
  call.result->vt = Auto_vtArray | Auto_vtVariant;
  call.result->array = arr;
  return Auto_ok;
}

void valueElement(const Sheet*, const Cell* c, AutoVariant* out) { Auto_cellToVariant(c, out); }

std::string constantText(const CellValue& v) {
  switch (v.kind) {
    case CellKind::Number: return Auto_realToText(v.number);
    case CellKind::Text: return v.text;
    case CellKind::Boolean: return v.number != 0 ? "TRUE" : "FALSE";
    case CellKind::Error: return Wb_errorText(v.error);
    case CellKind::Empty: break;
  }
  return "";
}

// The formula text of a formula cell (its block's for a cell of an array
// block); null for a constant or an empty cell.
const std::string* formulaTextOf(const Sheet* sh, const Cell* c) {
  if (!c) return nullptr;
  if (c->arrayBlock >= 0 && c->arrayBlock < static_cast<int>(sh->arrays.size()))
    return &sh->arrays[c->arrayBlock].formula;
  return c->formula.empty() ? nullptr : &c->formula;
}

std::string formulaOf(const Sheet* sh, const Cell* c) {
  if (const std::string* text = formulaTextOf(sh, c)) return *text;
  return c ? constantText(c->value) : std::string();
}

void formulaElement(const Sheet* sh, const Cell* c, AutoVariant* out) {
  if (const std::string* text = formulaTextOf(sh, c)) Auto_setText(out, *text);
  else Auto_setText(out, c ? constantText(c->value) : std::string());
}

bool isFormulaCell(const Sheet* sh, const Cell& c) {
  return !c.formula.empty() || (c.arrayBlock >= 0 && c.arrayBlock < static_cast<int>(sh->arrays.size()));
}

// Appends the formula cells of an area as rectangles: each row's runs of
// formula cells, a run under a run of the same columns in the row above
// joining that run's rectangle.
void appendFormulaAreas(const Sheet* sh, const CellRange& a, std::vector<CellRange>* found) {
  std::vector<std::size_t> open, next;  // rectangles that reach the row above, and this row
  int lastRow = -2;
  sh->cells.eachRowIn(a.row1, a.col1, a.row2, a.col2, [&](auto cells) {
    const int row = Wb_keyRow(cells.front().first);
    if (row != lastRow + 1) open.clear();
    next.clear();
    for (std::size_t k = 0; k < cells.size(); ++k) {
      if (!isFormulaCell(sh, cells[k].second)) continue;
      const int first = Wb_keyCol(cells[k].first);
      int last = first;
      while (k + 1 < cells.size() && Wb_keyCol(cells[k + 1].first) == last + 1 &&
             isFormulaCell(sh, cells[k + 1].second))
        last = Wb_keyCol(cells[++k].first);
      auto above = std::find_if(open.begin(), open.end(),
                                [&](std::size_t i) { return (*found)[i].col1 == first && (*found)[i].col2 == last; });
      if (above != open.end()) {
        (*found)[*above].row2 = row;
        next.push_back(*above);
      } else {
        next.push_back(found->size());
        found->push_back(CellRange{0, row, first, row, last});
      }
    }
    open.swap(next);
    lastRow = row;
  });
}

// SpecialCells(Type): of the range's cells, those of a kind; only the
// formula cells (array blocks included) can be asked for. A single cell
// stands for the sheet's used range; when no cell is found the call fails.
AutoResult rangeSpecialCells(AutoCall& call) {
  std::int32_t type = 0;
  AutoResult rc;
  if (!call.integer(0, &type, &rc)) return rc;
  if (type != Auto_cellTypeFormulas) return call.raise(Auto_excFailed, "Only formula cells can be picked out.");
  const Sheet* sh = call.self->sheet;
  std::vector<CellRange> searched = call.self->areas;
  CellRange used;
  if (searched.size() == 1 && cellCount(searched[0]) == 1)
    searched = Wb_usedRange(sh, &used) ? std::vector{used} : std::vector<CellRange>{};
  std::vector<CellRange> found;
  for (const CellRange& a : searched) appendFormulaAreas(sh, a, &found);
  if (found.empty()) return call.raise(Auto_excFailed, "No cells were found.");
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, found));
}

// Refuses writes that would cut an array block or exceed the size limit.
AutoResult checkWritable(AutoCall& call) {
  long long total = 0;
  for (const CellRange& a : call.self->areas) {
    total += cellCount(a);
    for (const ArrayBlock& b : call.self->sheet->arrays)
      if (!(b.row2 < a.row1 || a.row2 < b.row1 || b.col2 < a.col1 || a.col2 < b.col1))
        return call.raise(Auto_excFailed, "Part of an array formula cannot be changed.");
  }
  if (total > kMaxWrite) return call.raise(Auto_excFailed, "The range is too large to be written at once.");
  return Auto_ok;
}

bool formulaParses(const AutoVariant& v) {
  if (v.vt != Auto_vtString) return true;
  std::string text = Auto_stringToUtf8(v.str);
  std::size_t b = text.find_first_not_of(' ');
  return b == std::string::npos || text[b] != '=' || text.size() == b + 1 || Calc_checkFormula(text.substr(b), nullptr);
}

// Value and Formula puts: one value into every cell, or an array element by
// element (cells beyond the array get #N/A, as a spreadsheet fills them).
AutoResult putValues(AutoCall& call) {
  AutoResult rc = checkWritable(call);
  if (Auto_failed(rc)) return rc;
  const AutoVariant& v = *call.putValue;
  bool isArray = v.vt == (Auto_vtArray | Auto_vtVariant) && v.array;
  if (isArray) {
    for (const AutoVariant& e : v.array->items)
      if (!formulaParses(e)) return call.raise(Auto_excFailed, "A formula of the array does not parse.");
  } else if (!formulaParses(v)) {
    return call.raise(Auto_excFailed, "The formula does not parse.");
  }
  AutoVariant na;
  Auto_variantInit(&na);
  Auto_setError(&na, CellError::NA);
  for (const CellRange& a : call.self->areas)
    for (int r = a.row1; r <= a.row2; ++r)
      for (int c = a.col1; c <= a.col2; ++c) {
        const AutoVariant* e = &v;
        if (isArray) {
          std::uint32_t i = static_cast<std::uint32_t>(r - a.row1), j = static_cast<std::uint32_t>(c - a.col1);
          const AutoArray& arr = *v.array;
          if (arr.count[0] == 1 && arr.count[1] > 1) i = 0;   // one row fills every row
          e = i < arr.count[0] && j < arr.count[1] ? &arr.items[i * arr.count[1] + j] : &na;
        }
        if (!Auto_variantToCell(call.self->wb, call.self->sheet, r, c, *e)) {
          Calc_afterChange(call.self->wb);
          call.argError = call.putIndex;
          return Auto_eTypeMismatch;
        }
      }
  Calc_afterChange(call.self->wb);
  return Auto_ok;
}

AutoResult rangeValue(AutoCall& call) {
  if (call.kind & Auto_propertyPut) return putValues(call);
  return valuesOf(call, valueElement);
}

AutoResult rangeFormula(AutoCall& call) {
  if (call.kind & Auto_propertyPut) return putValues(call);
  return valuesOf(call, formulaElement);
}

const ArrayBlock* blockOf(const AutoObject* r, int row, int col) {
  const Cell* c = cellOf(r, row, col);
  if (!c || c->arrayBlock < 0 || c->arrayBlock >= static_cast<int>(r->sheet->arrays.size())) return nullptr;
  return &r->sheet->arrays[c->arrayBlock];
}

AutoResult rangeFormulaArray(AutoCall& call) {
  const CellRange& a = call.self->areas[0];
  if (!(call.kind & Auto_propertyPut)) {
    Auto_setText(call.result, formulaOf(call.self->sheet, cellOf(call.self, a.row1, a.col1)));
    return Auto_ok;
  }
  std::string formula;
  AutoResult rc;
  if (!call.putText(&formula, &rc)) return rc;
  if (formula.empty() || formula[0] != '=' || !Calc_checkFormula(formula, nullptr))
    return call.raise(Auto_excFailed, "The array formula does not parse.");
  if (cellCount(a) > kMaxWrite || !Wb_setArrayFormula(call.self->wb, call.self->sheet, a, formula))
    return call.raise(Auto_excFailed, "The array formula would cut another array block.");
  Calc_afterChange(call.self->wb);
  return Auto_ok;
}

// TRUE when every cell is in an array block, FALSE when none is, else Null.
AutoResult rangeHasArray(AutoCall& call) {
  long long inBlocks = 0, total = 0;
  for (const CellRange& a : call.self->areas) {
    total += cellCount(a);
    for (const ArrayBlock& b : call.self->sheet->arrays) {
      long long rows = std::min(a.row2, b.row2) - std::max(a.row1, b.row1) + 1;
      long long cols = std::min(a.col2, b.col2) - std::max(a.col1, b.col1) + 1;
      if (rows > 0 && cols > 0) inBlocks += rows * cols;
    }
  }
  if (inBlocks == 0 || inBlocks == total) {
    Auto_setBool(call.result, inBlocks > 0);
  } else {
    Auto_variantClear(call.result);
    call.result->vt = Auto_vtNull;
  }
  return Auto_ok;
}

AutoResult rangeCurrentArray(AutoCall& call) {
  const CellRange& a = call.self->areas[0];
  const ArrayBlock* b = blockOf(call.self, a.row1, a.col1);
  if (!b) return call.raise(Auto_excFailed, "The cell is not part of an array formula.");
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {CellRange{0, b->row1, b->col1, b->row2, b->col2}}));
}

AutoResult rangeAreas(AutoCall& call) {
  AutoObject* o = Auto_newObject(AutoKind::Areas, call.self->wb, call.self->sheet);
  o->areas = call.self->areas;
  return Auto_returnObject(call, o);
}

AutoResult rangeCells(AutoCall& call) {
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, call.self->areas));
}

AutoResult countResult(AutoCall& call, long long n) {
  if (n <= 0x7fffffff) Auto_setInt(call.result, static_cast<std::int32_t>(n));
  else Auto_setReal(call.result, static_cast<double>(n));
  return Auto_ok;
}

AutoResult rangeCount(AutoCall& call) {
  long long n = 0;
  for (const CellRange& a : call.self->areas) n += cellCount(a);
  return countResult(call, n);
}

AutoResult rangeRow(AutoCall& call) {
  Auto_setInt(call.result, call.self->areas[0].row1 + 1);
  return Auto_ok;
}

AutoResult rangeColumn(AutoCall& call) {
  Auto_setInt(call.result, call.self->areas[0].col1 + 1);
  return Auto_ok;
}

AutoResult rangeWorksheet(AutoCall& call) {
  return Auto_returnObject(call, Auto_newObject(AutoKind::Worksheet, call.self->wb, call.self->sheet));
}

// Item(row, column) relative to the first cell; Item(n) counts along the rows.
AutoResult rangeItem(AutoCall& call) {
  const CellRange& a = call.self->areas[0];
  std::int32_t i, j;
  AutoResult rc;
  if (!call.integer(0, &i, &rc)) return rc;
  long long row, col;
  if (call.has(1)) {
    if (!call.integer(1, &j, &rc)) return rc;
    row = a.row1 + static_cast<long long>(i) - 1;
    col = a.col1 + static_cast<long long>(j) - 1;
  } else {
    long long width = a.col2 - a.col1 + 1;
    if (i < 1) return call.raise(Auto_excFailed, "The item index lies outside the sheet.");
    row = a.row1 + (i - 1) / width;
    col = a.col1 + (i - 1) % width;
  }
  if (row < 0 || row > kMaxRow || col < 0 || col > kMaxCol)
    return call.raise(Auto_excFailed, "The item index lies outside the sheet.");
  int r = static_cast<int>(row), c = static_cast<int>(col);
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {CellRange{0, r, c, r, c}}));
}

std::string areaAddress(const CellRange& a, bool rowAbs, bool colAbs, bool r1c1) {
  auto corner = [&](int row, int col) {
    if (r1c1) return "R" + std::to_string(row + 1) + "C" + std::to_string(col + 1);
    return (colAbs ? "$" : "") + Wb_columnName(col) + (rowAbs ? "$" : "") + std::to_string(row + 1);
  };
  std::string s = corner(a.row1, a.col1);
  if (a.row1 != a.row2 || a.col1 != a.col2) s += ":" + corner(a.row2, a.col2);
  return s;
}

// "[Book.xlsx]Sheet!", quoted as a whole when the book or sheet name needs it.
std::string externalPrefix(const std::string& book, const std::string& sheet) {
  std::string inner = "[" + book + "]" + sheet;
  if (Wb_quoteSheetName(sheet) == sheet && book.find_first_of(" '") == std::string::npos) return inner + "!";
  std::string quoted = "'";
  for (char c : inner) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'!";
}

AutoResult rangeAddress(AutoCall& call) {
  bool rowAbs = true, colAbs = true, external = false;
  std::int32_t style = kStyleA1;
  AutoResult rc;
  if ((call.has(0) && !call.boolean(0, &rowAbs, &rc)) || (call.has(1) && !call.boolean(1, &colAbs, &rc)) ||
      (call.has(2) && !call.integer(2, &style, &rc)) || (call.has(3) && !call.boolean(3, &external, &rc)))
    return rc;
  if (style != kStyleA1 && style != kStyleR1C1) return call.raise(Auto_excFailed, "Unknown reference style.");
  std::string s;
  for (const CellRange& a : call.self->areas) {
    if (!s.empty()) s += ",";
    if (external) s += externalPrefix(call.self->wb->name, call.self->sheet->name);
    s += areaAddress(a, rowAbs, colAbs, style == kStyleR1C1);
  }
  Auto_setText(call.result, s);
  return Auto_ok;
}

// The defined name whose reference is exactly this range.
AutoResult rangeName(AutoCall& call) {
  Workbook* wb = call.self->wb;
  int sheet = Auto_sheetIndexOf(call.self);
  for (const DefinedName& dn : wb->names) {
    CalcEvalResult r;
    if (!Calc_evaluateReference(wb, sheet, Wb_qualifiedName(wb, dn), &r) || !r.isReference ||
        r.areas.size() != call.self->areas.size())
      continue;
    bool same = true;
    for (std::size_t i = 0; i < r.areas.size(); ++i) {
      const CellRange &x = r.areas[i], &y = call.self->areas[i];
      same = same && x.sheet == sheet && x.row1 == y.row1 && x.col1 == y.col1 && x.row2 == y.row2 && x.col2 == y.col2;
    }
    if (!same) continue;
    AutoObject* o = Auto_newObject(AutoKind::Name, wb);
    o->name = dn.name;
    o->scope = dn.scopeSheet;
    return Auto_returnObject(call, o);
  }
  return call.raise(Auto_excFailed, "No defined name refers to this range.");
}

AutoResult areasCount(AutoCall& call) {
  Auto_setInt(call.result, static_cast<std::int32_t>(call.self->areas.size()));
  return Auto_ok;
}

AutoResult areasItem(AutoCall& call) {
  std::int32_t i;
  AutoResult rc;
  if (!call.integer(0, &i, &rc)) return rc;
  if (i < 1 || i > static_cast<std::int32_t>(call.self->areas.size()))
    return call.raise(Auto_excNotFound, "Subscript out of range.");
  return Auto_returnObject(call, Auto_newRange(call.self->wb, call.self->sheet, {call.self->areas[i - 1]}));
}

constexpr AutoInvokeKind kGet = Auto_propertyGet | Auto_method;
constexpr AutoInvokeKind kGetPut = kGet | Auto_propertyPut;

}  // namespace

AutoResult Auto_rangeMember(AutoCall& call, Workbook* wb, int sheet, bool sheetFixed) {
  Workbook* wb1;
  int sheet1;
  std::vector<CellRange> areas;
  AutoResult rc = rangeArgument(call, 0, wb, sheet, sheetFixed, &wb1, &sheet1, &areas);
  if (Auto_failed(rc)) return rc;
  if (call.has(1)) {
    Workbook* wb2;
    int sheet2;
    std::vector<CellRange> second;
    rc = rangeArgument(call, 1, wb, sheet, sheetFixed, &wb2, &sheet2, &second);
    if (Auto_failed(rc)) return rc;
    if (wb2 != wb1 || sheet2 != sheet1) return call.raise(Auto_excFailed, "The two corners lie on different sheets.");
    CellRange box = areas[0];
    box.row1 = std::min(box.row1, second[0].row1);
    box.col1 = std::min(box.col1, second[0].col1);
    box.row2 = std::max(box.row2, second[0].row2);
    box.col2 = std::max(box.col2, second[0].col2);
    areas = {box};
  }
  return Auto_returnObject(call, Auto_newRange(wb1, wb1->sheets[sheet1].get(), areas));
}

const std::vector<AutoMember>& Auto_rangeMembers() {
  static const std::vector<AutoMember> m = [] {
    std::vector<AutoMember> t = {
      {"Address", kGet, {"RowAbsolute", "ColumnAbsolute", "ReferenceStyle", "External"}, 0, rangeAddress},
      {"Areas", kGet, {}, 0, rangeAreas, true},
      {"Cells", kGet, {}, 0, rangeCells, true},
      {"Column", kGet, {}, 0, rangeColumn},
      {"Count", kGet, {}, 0, rangeCount},
      {"CurrentArray", kGet, {}, 0, rangeCurrentArray},
      {"Formula", kGetPut, {}, 0, rangeFormula},
      {"FormulaArray", kGetPut, {}, 0, rangeFormulaArray},
      {"HasArray", kGet, {}, 0, rangeHasArray},
      {"Item", kGet, {"RowIndex", "ColumnIndex"}, 1, rangeItem},
      {"Name", kGet, {}, 0, rangeName},
      {"Row", kGet, {}, 0, rangeRow},
      {"SpecialCells", kGet, {"Type"}, 1, rangeSpecialCells},
      {"Value", kGetPut, {}, 0, rangeValue},
      {"Worksheet", kGet, {}, 0, rangeWorksheet},
    };
    for (const AutoMember& f : Auto_rangeFormatMembers()) t.push_back(f);
    return t;
  }();
  return m;
}

const std::vector<AutoMember>& Auto_areasMembers() {
  static const std::vector<AutoMember> m = {
    {"Count", kGet, {}, 0, areasCount},
    {"Item", kGet, {"Index"}, 1, areasItem},
  };
  return m;
}
