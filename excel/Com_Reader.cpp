// Reads cells and names for the formula reader through the automation
// layer. A sheet's cells come in tiles of its used range, read once each
// when a cell of the tile is first asked for and kept as values and formula
// texts until the source goes; a cell outside the used range is empty.
// Array-formula blocks are asked for once and remembered cell by cell.
#include "excel/Com_Reader.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "excel/Com_AddinBook.h"
#include "excel/Com_Automation.h"
#include "values/Model_Functions.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

namespace {

// Defined names refer through at most this many other names.
constexpr int kMaxNameDepth = 8;

bool isFormulaText(const std::u16string& text) { return !text.empty() && text[0] == u'='; }

// The formula of a cell whose formula property reads text: none for a
// constant, nor for a text constant, which reads back as its own text.
void keepFormula(const Value* value, std::u16string&& text, std::u16string* formula) {
  if (!isFormulaText(text) || (value->kind == kValText && value->text && text == value->text)) return;
  *formula = std::move(text);
}

bool resolveText(ExcelAutomation* ea, uint8_t sheet, std::u16string_view text, RangeRef* range,
                 std::u16string* formula, int depth) {
  if (Com_parseReference(ea, text, range)) {
    if (range->sheet == 0) range->sheet = sheet;
    return true;
  }
  if (depth > kMaxNameDepth || text.find(u'!') != std::u16string_view::npos) return false;
  // A sheet's own name first, then the workbook's.
  std::u16string definition;
  const std::u16string name(text);
  if (!Com_getNameValue(ea, name.c_str(), &definition, sheet) && !Com_getNameValue(ea, name.c_str(), &definition, 0))
    return false;
  const std::u16string_view body =
      isFormulaText(definition) ? std::u16string_view(definition).substr(1) : std::u16string_view(definition);
  if (resolveText(ea, sheet, body, range, formula, depth + 1)) return true;
  *range = RangeRef{};
  *formula = isFormulaText(definition) ? definition : u"=" + definition;
  return true;
}

}  // namespace

bool Com_cellFormula(ExcelAutomation* ea, int32_t row, int32_t column, Value* value, std::u16string* formula) {
  formula->clear();
  if (!Com_usedValue(ea, row, column, value)) return false;
  std::u16string text;
  if (Com_usedFormula(ea, row, column, &text)) keepFormula(value, std::move(text), formula);
  return true;
}

namespace {

// Tiles of this many rows and columns, aligned on the sheet's grid.
constexpr int32_t kTileRows = 1024;
constexpr int32_t kTileColumns = 16;

struct CachedCell {
  Value value{};
  std::u16string formula;
};

struct Tile {
  RangeRef area{};                // the part of the used range it holds
  std::vector<CachedCell> cells;  // row by row
};

// What is known of one sheet: its used range and the array blocks met.
struct SheetCells {
  bool known = false;
  RangeRef used{};
  std::unordered_map<uint32_t, RangeRef> blocks;  // by row * 256 + column of each cell of a block met
};

uint32_t cellKey(const CellRef& cell) { return static_cast<uint32_t>(cell.row) * 256u + cell.column; }

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

// One cell of a tile's formula and value arrays.
void convertCell(const AutoVariant* formulas, const AutoVariant* values, int32_t i, int32_t j, CachedCell* out) {
  AutoVariant v;
  Auto_variantInit(&v);
  if (Com_arrayElement(values, i, j, &v)) Com_variantToValue(&v, &out->value);
  Auto_variantClear(&v);
  // A constant's formula text (its value as text) is dropped unread.
  if (Com_arrayElement(formulas, i, j, &v) && v.vt == Auto_vtString && v.str && v.str[0] == u'=')
    keepFormula(&out->value, std::u16string(v.str, Auto_stringLen(v.str)), &out->formula);
  Auto_variantClear(&v);
}

bool readTile(ExcelAutomation* ea, const RangeRef& area, Tile* tile) {
  AutoVariant formulas, values;
  Auto_variantInit(&formulas);
  Auto_variantInit(&values);
  const bool ok = Com_readRange(ea, area, &formulas, &values);
  if (ok) {
    tile->area = area;
    const int32_t rows = area.lastRow - area.firstRow + 1, columns = area.lastColumn - area.firstColumn + 1;
    tile->cells.resize(static_cast<size_t>(rows) * static_cast<size_t>(columns));
    for (int32_t i = 0; i < rows; ++i)
      for (int32_t j = 0; j < columns; ++j)
        convertCell(&formulas, &values, i, j, &tile->cells[static_cast<size_t>(i * columns + j)]);
  }
  Auto_variantClear(&formulas);
  Auto_variantClear(&values);
  return ok;
}

}  // namespace

struct ComCellCache {
  std::vector<SheetCells> sheets;            // by sheet, 1-based
  std::unordered_map<uint32_t, Tile> tiles;  // by sheet and tile place
  uint32_t lastKey = 0;                      // the tile read from last: cells come in runs
  const Tile* lastTile = nullptr;
  ~ComCellCache() {
    for (auto& entry : tiles)
      for (CachedCell& c : entry.second.cells) Val_clear(&c.value);
  }

  SheetCells* sheet(ExcelAutomation* ea, uint8_t index) {
    if (sheets.size() <= index) sheets.resize(static_cast<size_t>(index) + 1);
    SheetCells* s = &sheets[index];
    if (!s->known && !(s->known = Com_usedArea(ea, index, &s->used))) return nullptr;
    return s;
  }

  // The cell as read, null outside the used range; false when a read fails.
  bool cell(ExcelAutomation* ea, const CellRef& at, const CachedCell** out) {
    *out = nullptr;
    const SheetCells* s = sheet(ea, at.sheet);
    if (!s) return false;
    if (!inRange(s->used, at)) return true;
    const uint32_t key = static_cast<uint32_t>(at.sheet) << 16 | static_cast<uint32_t>((at.row - 1) / kTileRows) << 8 |
                         static_cast<uint32_t>((at.column - 1) / kTileColumns);
    if (!lastTile || key != lastKey) {
      auto [it, fresh] = tiles.try_emplace(key);
      if (fresh && !readTile(ea, tileOf(s->used, at), &it->second)) {
        tiles.erase(it);
        return false;
      }
      lastKey = key;
      lastTile = &it->second;
    }
    const Tile& t = *lastTile;
    const int32_t columns = t.area.lastColumn - t.area.firstColumn + 1;
    *out = &t.cells[static_cast<size_t>((at.row - t.area.firstRow) * columns + (at.column - t.area.firstColumn))];
    return true;
  }

  // The array block of a formula cell, asked of the workbook once per block.
  bool block(ExcelAutomation* ea, const CellRef& at, RangeRef* out) {
    SheetCells* s = sheet(ea, at.sheet);
    if (!s) return false;
    if (auto it = s->blocks.find(cellKey(at)); it != s->blocks.end()) {
      *out = it->second;
      return true;
    }
    if (!Com_arrayBlockOf(ea, at, out)) return false;
    for (uint16_t row = out->firstRow; row <= out->lastRow; ++row)
      for (int column = out->firstColumn; column <= out->lastColumn; ++column)
        s->blocks.emplace(cellKey(CellRef{at.sheet, row, static_cast<uint8_t>(column)}), *out);
    return true;
  }
};

ComReaderSource::ComReaderSource(ExcelAutomation* automation)
    : ea(automation), cache(new ComCellCache()), addins(new ComAddinBook(automation, this)) {}

AddinWorkbook* ComReaderSource::addinWorkbook() { return addins.get(); }

ComReaderSource::~ComReaderSource() = default;

bool ComReaderSource::resolve(uint8_t sheet, const std::u16string& text, RangeRef* range, std::u16string* formula) {
  return resolveText(ea, sheet, text, range, formula, 0);
}

bool ComReaderSource::usedArea(uint8_t sheet, RangeRef* area) {
  if (sheet < 1 || sheet > ea->sheetCount) return false;
  const SheetCells* s = cache->sheet(ea, sheet);
  if (s) *area = s->used;
  return s != nullptr;
}

bool ComReaderSource::readCell(const CellRef& cell, Value* value, ReaderCell* info) {
  if (cell.sheet < 1 || cell.sheet > ea->sheetCount) return false;
  const CachedCell* stored = nullptr;
  if (!cache->cell(ea, cell, &stored)) return false;
  if (stored) {
    Val_assign(value, &stored->value);
    info->formula = stored->formula;
  }
  const FunctionTable* functions = ea->context ? ea->context->tables.functions : nullptr;
  if (functions && functions->activeSheetFormulasOnly && cell.sheet != ea->activeSheet) info->formula.clear();
  // A cell of an array formula: the block's formula, run once for the
  // whole block.
  RangeRef block{};
  if (!info->formula.empty() && ea->hasArrays && cache->block(ea, cell, &block)) {
    info->isArray = true;
    info->arrayRow = static_cast<uint16_t>(cell.row - block.firstRow);
    info->arrayColumn = static_cast<uint8_t>(cell.column - block.firstColumn);
    info->block = block;
  }
  return true;
}
