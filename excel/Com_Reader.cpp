// Reads cells and names for the formula reader through the automation
// layer. A sheet's cells come in tiles of its used range, read once each
// when a cell of the tile is first asked for and kept as values and formula
// texts until the source goes; a cell outside the used range is empty. A
// tile's formula texts are read only where its formula cells are, once for
// a rectangle of them that one array block holds. Array-formula blocks are
// asked for once and remembered by the rows they cover.
#include "excel/Com_Reader.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "excel/Com_AddinBook.h"
#include "excel/Com_Automation.h"
#include "excel/Com_Refresh.h"
#include "interpreter/Load_Names.h"
#include "values/Model_Functions.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

namespace {

bool isFormulaText(std::u16string_view text) { return !text.empty() && text[0] == u'='; }

// Whether the formula property's text of a cell is a formula: not for a
// constant, nor for a text constant (its text given), which reads back as
// its own text.
bool isFormulaOf(std::u16string_view text, const char16_t* constant) {
  return isFormulaText(text) && !(constant && text == constant);
}

// The workbook's references, sheets and defined names through automation.
struct AutomationNames : LoadNameBook {
  ExcelAutomation* ea;
  explicit AutomationNames(ExcelAutomation* automation) : ea(automation) {}
  bool reference(uint8_t sheet, std::u16string_view text, RangeRef* range) override {
    if (!Com_parseReference(ea, text, range)) return false;
    if (range->sheet == 0) range->sheet = sheet;
    return true;
  }
  int32_t sheetOfPrefix(std::u16string_view prefix) override { return Com_sheetOfPrefix(ea, prefix); }
  bool definition(std::u16string_view name, int32_t scope, std::u16string* text) override {
    return Com_getNameValue(ea, std::u16string(name).c_str(), text, scope);
  }
};

}  // namespace

bool Com_cellFormula(ExcelAutomation* ea, int32_t row, int32_t column, Value* value, std::u16string* formula) {
  formula->clear();
  if (!Com_usedValue(ea, row, column, value)) return false;
  std::u16string text;
  if (Com_usedFormula(ea, row, column, &text) && isFormulaOf(text, value->kind == kValText ? value->text : nullptr))
    *formula = std::move(text);
  return true;
}

namespace {

// Tiles of this many rows and columns, aligned on the sheet's grid.
constexpr int32_t kTileRows = 1024;
constexpr int32_t kTileColumns = 16;

// A cell's value as its kind and number (which a number, boolean, error or
// empty cell is made of), or its kind and its text in its tile's texts.
struct CachedCell {
  double number = 0.0;
  int32_t kind = kValEmpty;
  uint32_t text = 0;
  uint32_t formula = 0;  // its text in its tile's formulas; 0 for none
};

struct Tile {
  RangeRef area{};                // the part of the used range it holds
  std::vector<CachedCell> cells;  // row by row
  std::vector<std::u16string> texts;  // of its text cells
  // The formula texts of its cells, [0] empty; the cells of a run with one
  // text (an array block's, a row of copies) share it.
  std::vector<std::u16string> formulas{1};

  const char16_t* textOf(const CachedCell& c) const { return c.kind == kValText ? texts[c.text].c_str() : nullptr; }
};

// What is known of one sheet: its used range and the array blocks met.
struct SheetCells {
  bool known = false;
  RangeRef used{};
  std::vector<std::vector<RangeRef>> blockRows;  // by row: the blocks met that cover it, by column

  const RangeRef* blockAt(const CellRef& at) const {
    if (at.row >= blockRows.size()) return nullptr;
    const std::vector<RangeRef>& row = blockRows[at.row];
    auto after = std::upper_bound(row.begin(), row.end(), at.column,
                                  [](uint8_t column, const RangeRef& b) { return column < b.firstColumn; });
    return after != row.begin() && at.column <= (after - 1)->lastColumn ? &*(after - 1) : nullptr;
  }

  void addBlock(const RangeRef& block) {
    if (blockRows.size() <= block.lastRow) blockRows.resize(static_cast<size_t>(block.lastRow) + 1);
    for (size_t row = block.firstRow; row <= block.lastRow; ++row) {
      std::vector<RangeRef>& blocks = blockRows[row];
      blocks.insert(
          std::upper_bound(blocks.begin(), blocks.end(), block,
                           [](const RangeRef& a, const RangeRef& b) { return a.firstColumn < b.firstColumn; }),
          block);
    }
  }
};

bool inRange(const RangeRef& r, const CellRef& cell) {
  return cell.row >= r.firstRow && cell.row <= r.lastRow && cell.column >= r.firstColumn && cell.column <= r.lastColumn;
}

// The tile of the used range that holds the cell.
RangeRef tileOf(const RangeRef& used, const CellRef& cell) {
  const int32_t top = (cell.row - 1) / kTileRows * kTileRows + 1;
  const int32_t left = (cell.column - 1) / kTileColumns * kTileColumns + 1;
  return RangeRef{cell.sheet, static_cast<uint16_t>(std::max<int32_t>(top, used.firstRow)),
                  static_cast<uint8_t>(std::max<int32_t>(left, used.firstColumn)),
                  static_cast<uint16_t>(std::min<int32_t>(top + kTileRows - 1, used.lastRow)),
                  static_cast<uint8_t>(std::min<int32_t>(left + kTileColumns - 1, used.lastColumn))};
}

// A tile whose formula cells make more rectangles than one per this many
// cells has its formulas read whole, in one call.
constexpr size_t kCellsPerFormulaArea = 256;

int32_t columnsOf(const RangeRef& r) { return r.lastColumn - r.firstColumn + 1; }
int32_t rowsOf(const RangeRef& r) { return r.lastRow - r.firstRow + 1; }

// The cells from one of an area's cells to its edge, along the row or down
// the column.
int32_t cellsTo(const RangeRef& area, const CellRef& from, bool down) {
  return down ? area.lastRow - from.row + 1 : area.lastColumn - from.column + 1;
}

CachedCell& cellOf(Tile* tile, int32_t row, int32_t column) {
  return tile->cells[static_cast<size_t>((row - tile->area.firstRow) * columnsOf(tile->area) +
                                         (column - tile->area.firstColumn))];
}

// Gets a property of obj with the prepared arguments into result; a failure
// is diagnosed when report is set.
bool get(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id, AutoVariant* result,
         bool report = true) {
  const bool ok = Com_invoke(ea, obj, member, result, Auto_propertyGet, report, id);
  Com_clearArgs(ea);
  return ok;
}

// The range object of an area of its sheet, owned by the caller; null when
// the call fails.
AutoObject* rangeObject(ExcelAutomation* ea, const RangeRef& area) {
  AutoObject* sheet = ea->sheets[area.sheet];
  AutoVariant v;
  Auto_variantInit(&v);
  if (!Com_addArgString(ea, Com_rangeToA1(area, true).c_str()) ||
      !get(ea, sheet, u"Range", Com_cachedId(ea, sheet, kComSheetRange, u"Range"), &v) || v.vt != Auto_vtDispatch) {
    Auto_variantClear(&v);
    return nullptr;
  }
  return v.dispatch;
}

// A property's result, its elements read in place: the value itself for a
// single cell.
struct Elements {
  AutoVariant* block;
  bool isArray;
  int32_t lower1 = 0, lower2 = 0;  // the array's first indices

  explicit Elements(AutoVariant* result) : block(result), isArray(result->vt == (Auto_vtArray | Auto_vtVariant)) {
    int32_t upper = 0;
    if (isArray) Auto_arrayBounds(block->array, 1, &lower1, &upper);
    if (isArray) Auto_arrayBounds(block->array, 2, &lower2, &upper);
  }

  // Element (i, j), 0-based; null outside the result.
  const AutoVariant* at(int32_t i, int32_t j) const {
    if (!isArray) return i == 0 && j == 0 ? block : nullptr;
    const int32_t index[2] = {lower1 + i, lower2 + j};
    AutoVariant* e = nullptr;
    return Auto_failed(Auto_arrayPtrOfIndex(block->array, index, &e)) ? nullptr : e;
  }
};

// Keeps a cell's value in its tile.
void keepValue(const Value& value, Tile* tile, CachedCell* c) {
  c->kind = value.kind;
  if (value.kind != kValText) {
    c->number = value.number;
    return;
  }
  c->text = static_cast<uint32_t>(tile->texts.size());
  tile->texts.emplace_back(value.text ? value.text : u"");
}

// A kept value into value.
void restoreValue(const Tile& tile, const CachedCell& c, Value* value) {
  if (c.kind == kValText) Val_setText(value, tile.textOf(c));
  else Val_setKind(value, c.kind)->number = c.number;
}

// The values of the tile's cells.
bool readValues(ExcelAutomation* ea, AutoObject* range, Tile* tile) {
  AutoVariant values;
  Auto_variantInit(&values);
  Value value{};
  const bool ok = get(ea, range, u"Value", Com_cachedId(ea, range, kComValue, u"Value"), &values);
  const Elements elements(&values);
  for (int32_t i = 0; ok && i < rowsOf(tile->area); ++i)
    for (int32_t j = 0; j < columnsOf(tile->area); ++j)
      if (const AutoVariant* v = elements.at(i, j)) {
        Com_variantToValue(v, &value);
        keepValue(value, tile, &cellOf(tile, tile->area.firstRow + i, tile->area.firstColumn + j));
      }
  Val_clear(&value);
  Auto_variantClear(&values);
  return ok;
}

// The formulas of an area of the tile (the range object's area) into its
// cells; a constant's formula text (its value as text) is dropped unread.
bool readFormulas(ExcelAutomation* ea, AutoObject* range, const RangeRef& area, Tile* tile) {
  AutoVariant formulas;
  Auto_variantInit(&formulas);
  const bool ok = get(ea, range, u"Formula", Com_cachedId(ea, range, kComFormula, u"Formula"), &formulas);
  const Elements elements(&formulas);
  for (int32_t i = 0; ok && i < rowsOf(area); ++i)
    for (int32_t j = 0; j < columnsOf(area); ++j) {
      const AutoVariant* f = elements.at(i, j);
      if (!f || f->vt != Auto_vtString || !f->str || f->str[0] != u'=') continue;
      CachedCell& c = cellOf(tile, area.firstRow + i, area.firstColumn + j);
      const std::u16string_view text(f->str, Auto_stringLen(f->str));
      if (!isFormulaOf(text, tile->textOf(c))) continue;
      if (tile->formulas.back() != text) tile->formulas.emplace_back(text);
      c.formula = static_cast<uint32_t>(tile->formulas.size() - 1);
    }
  Auto_variantClear(&formulas);
  return ok;
}

// The rectangles of the formula cells of a range, the object of area;
// false when the application cannot say or finds none.
bool formulaAreas(ExcelAutomation* ea, AutoObject* range, const RangeRef& within, std::vector<RangeRef>* areas) {
  AutoVariant special, address;
  Auto_variantInit(&special);
  Auto_variantInit(&address);
  Com_addArgInt(ea, Auto_cellTypeFormulas);
  bool ok = get(ea, range, u"SpecialCells", Auto_dispidUnknown, &special, false) && special.vt == Auto_vtDispatch &&
            get(ea, special.dispatch, u"Address", Auto_dispidUnknown, &address) && address.vt == Auto_vtString;
  const std::u16string_view text = ok ? std::u16string_view(address.str, Auto_stringLen(address.str)) : u"";
  for (size_t start = 0; ok && start <= text.size();) {
    const size_t comma = std::min(text.find(u',', start), text.size());
    RangeRef area{};
    ok = Com_parseReference(ea, text.substr(start, comma - start), &area) && area.sheet == 0;
    area.sheet = within.sheet;
    ok = ok && inRange(within, CellRef{area.sheet, area.firstRow, area.firstColumn}) &&
         inRange(within, CellRef{area.sheet, area.lastRow, area.lastColumn});
    areas->push_back(area);
    start = comma + 1;
  }
  Auto_variantClear(&special);
  Auto_variantClear(&address);
  return ok;
}

// Whether every cell of a range (the object of part) lies in one array
// block, which is then known to the sheet.
bool inOneBlock(ExcelAutomation* ea, AutoObject* range, const RangeRef& part, SheetCells* sheet) {
  AutoVariant has;
  Auto_variantInit(&has);
  const bool all = ea->hasArrays &&
                   get(ea, range, u"HasArray", Com_cachedId(ea, range, kComHasArray, u"HasArray"), &has) &&
                   has.vt == Auto_vtBool && has.boolean != 0;
  Auto_variantClear(&has);
  const CellRef corner{part.sheet, part.firstRow, part.firstColumn};
  RangeRef block{};
  if (!all) return false;
  if (const RangeRef* known = sheet->blockAt(corner)) block = *known;
  else if (Com_arrayBlockOf(ea, corner, &block)) sheet->addBlock(block);
  else return false;
  return inRange(block, CellRef{part.sheet, part.lastRow, part.lastColumn});
}

// The formulas of a rectangle of formula cells: one text for every cell
// when one array block holds them all, else each cell's.
bool readAreaFormulas(ExcelAutomation* ea, const RangeRef& part, Tile* tile, SheetCells* sheet) {
  AutoObject* range = rangeObject(ea, part);
  if (!range) return false;
  const RangeRef corner{part.sheet, part.firstRow, part.firstColumn, part.firstRow, part.firstColumn};
  AutoObject* first = inOneBlock(ea, range, part, sheet) ? rangeObject(ea, corner) : nullptr;
  bool ok = false;
  if (first && (ok = readFormulas(ea, first, corner, tile))) {
    const uint32_t formula = cellOf(tile, part.firstRow, part.firstColumn).formula;
    for (int32_t row = part.firstRow; row <= part.lastRow; ++row)
      for (int32_t column = part.firstColumn; column <= part.lastColumn; ++column)
        cellOf(tile, row, column).formula = formula;
  } else if (!first) {
    ok = readFormulas(ea, range, part, tile);
  }
  if (first) Auto_release(first);
  Auto_release(range);
  return ok;
}

// The tile's values, then the formulas of its formula cells: each rectangle
// of them read apart, or the whole tile at once when they are many or the
// application cannot pick them out; the array blocks met become known to
// the sheet.
bool readTile(ExcelAutomation* ea, const RangeRef& area, Tile* tile, SheetCells* sheet) {
  AutoObject* range = rangeObject(ea, area);
  if (!range) return false;
  tile->area = area;
  const auto cells = static_cast<size_t>(rowsOf(area)) * static_cast<size_t>(columnsOf(area));
  tile->cells.resize(cells);
  bool ok = readValues(ea, range, tile);
  std::vector<RangeRef> areas;
  if (ok && cells > 1 && formulaAreas(ea, range, area, &areas) && areas.size() * kCellsPerFormulaArea <= cells) {
    for (size_t k = 0; ok && k < areas.size(); ++k) ok = readAreaFormulas(ea, areas[k], tile, sheet);
  } else if (ok) {
    ok = readFormulas(ea, range, area, tile);
  }
  Auto_release(range);
  return ok;
}

}  // namespace

struct ComCellCache {
  std::vector<SheetCells> sheets;            // by sheet, 1-based
  std::unordered_map<uint32_t, Tile> tiles;  // by sheet and tile place
  uint32_t lastKey = 0;                      // the tile read from last: cells come in runs
  const Tile* lastTile = nullptr;

  SheetCells* sheet(ExcelAutomation* ea, uint8_t index) {
    if (sheets.size() <= index) sheets.resize(static_cast<size_t>(index) + 1);
    SheetCells* s = &sheets[index];
    if (!s->known && !(s->known = Com_usedArea(ea, index, &s->used))) return nullptr;
    return s;
  }

  // The cell as read and its tile, null outside the used range; false when
  // a read fails.
  bool cell(ExcelAutomation* ea, const CellRef& at, const CachedCell** out, const Tile** tile) {
    *out = nullptr;
    SheetCells* s = sheet(ea, at.sheet);
    if (!s) return false;
    if (!inRange(s->used, at)) return true;
    const uint32_t key = static_cast<uint32_t>(at.sheet) << 16 | static_cast<uint32_t>((at.row - 1) / kTileRows) << 8 |
                         static_cast<uint32_t>((at.column - 1) / kTileColumns);
    if (!lastTile || key != lastKey) {
      auto [it, fresh] = tiles.try_emplace(key);
      if (fresh && !readTile(ea, tileOf(s->used, at), &it->second, s)) {
        tiles.erase(it);
        return false;
      }
      lastKey = key;
      lastTile = &it->second;
    }
    const Tile& t = *lastTile;
    *out = &t.cells[static_cast<size_t>((at.row - t.area.firstRow) * columnsOf(t.area) +
                                        (at.column - t.area.firstColumn))];
    *tile = &t;
    return true;
  }

  // The array block of a formula cell, asked of the workbook once per block.
  bool block(ExcelAutomation* ea, const CellRef& at, RangeRef* out) {
    SheetCells* s = sheet(ea, at.sheet);
    if (!s) return false;
    if (const RangeRef* known = s->blockAt(at)) {
      *out = *known;
      return true;
    }
    if (!Com_arrayBlockOf(ea, at, out)) return false;
    s->addBlock(*out);
    return true;
  }
};

ComReaderSource::ComReaderSource(ExcelAutomation* automation)
    : ea(automation), cache(new ComCellCache()), addins(new ComAddinBook(automation, this)) {}

AddinWorkbook* ComReaderSource::addinWorkbook() { return addins.get(); }

ComReaderSource::~ComReaderSource() = default;

bool ComReaderSource::resolve(uint8_t sheet, const std::u16string& text, LoadNamed* named) {
  AutomationNames names(ea);
  return Load_resolveName(&names, sheet, text, named);
}

bool ComReaderSource::readExternal(const std::u16string& text, Value* value) {
  const InterpStatus status = Com_readExternal(ea, text, value);
  // An opened book without the range: the reference is undefined (the
  // caller's status for a book that cannot be had comes second).
  if (status == kStatusUndefinedIdentifier) Vm_raise(Vm_errorsOf(ea->context), status, "readExternal", 0, 0, 0);
  return status == kStatusOk;
}

void ComReaderSource::refreshSymbols(SymbolTable* table) {
  cache.reset(new ComCellCache());
  Com_refreshArrayBlocks(ea, table);
}

bool ComReaderSource::usedArea(uint8_t sheet, RangeRef* area) {
  if (sheet < 1 || sheet > ea->sheetCount) return false;
  const SheetCells* s = cache->sheet(ea, sheet);
  if (s) *area = s->used;
  return s != nullptr;
}

bool ComReaderSource::formulasIgnored(uint8_t sheet) const {
  const FunctionTable* functions = ea->context ? ea->context->tables.functions : nullptr;
  return functions && functions->activeSheetFormulasOnly && sheet != ea->activeSheet;
}

bool ComReaderSource::arrayCell(const CellRef& cell, ReaderCell* info) {
  RangeRef block{};
  if (!ea->hasArrays || !cache->block(ea, cell, &block)) return false;
  info->isArray = true;
  info->arrayRow = static_cast<uint16_t>(cell.row - block.firstRow);
  info->arrayColumn = static_cast<uint8_t>(cell.column - block.firstColumn);
  info->block = block;
  return true;
}

bool ComReaderSource::readCell(const CellRef& cell, Value* value, ReaderCell* info) {
  if (cell.sheet < 1 || cell.sheet > ea->sheetCount) return false;
  const CachedCell* stored = nullptr;
  const Tile* tile = nullptr;
  if (!cache->cell(ea, cell, &stored, &tile)) {
    // A sheet of the workbook whose cells cannot be read: a range failure,
    // raised before the caller's status for a cell it could not have.
    Vm_raise(Vm_errorsOf(ea->context), kStatusRangeFailure, "readCell", cell.sheet, cell.row, cell.column);
    return false;
  }
  if (stored) {
    restoreValue(*tile, *stored, value);
    info->formula = tile->formulas[stored->formula];
  }
  if (formulasIgnored(cell.sheet) && !info->formula.empty()) {
    info->formula.clear();
    info->storedOnly = true;
  }
  // A cell of an array formula: the block's formula, run once for the
  // whole block.
  if (!info->formula.empty()) arrayCell(cell, info);
  return true;
}

int32_t ComReaderSource::readRun(const CellRef& first, int32_t count, bool down, Value* values, ReaderCell* info) {
  if (first.sheet < 1 || first.sheet > ea->sheetCount) return 0;
  const CachedCell* stored = nullptr;
  const Tile* tile = nullptr;
  if (!cache->cell(ea, first, &stored, &tile) || !stored) return 0;
  // Constants run to the first formula cell (whose stored value stands for
  // it when formulas are ignored: it is read alone); cells of an array
  // block to the block's edge; neither past the tile.
  const bool formulas = !formulasIgnored(first.sheet);
  const bool inBlock = formulas && stored->formula != 0;
  if (inBlock && !arrayCell(first, info)) return 0;
  if (inBlock) info->formula = tile->formulas[stored->formula];
  int32_t n = std::min(count, cellsTo(tile->area, first, down));
  if (inBlock) n = std::min(n, cellsTo(info->block, first, down));
  const ptrdiff_t step = down ? columnsOf(tile->area) : 1;
  for (int32_t k = 0; k < n; ++k) {
    const CachedCell& c = stored[k * step];
    if (!inBlock && c.formula != 0) return k;
    restoreValue(*tile, c, values + k);
  }
  return n;
}
