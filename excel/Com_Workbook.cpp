// The workbook as the formula interpreter reads it through automation:
// opening, sheets, the cached used range, defined names, worksheet functions
// called by name and the scan of formulas.
#include <algorithm>
#include <string>
#include <utility>

#include "excel/Com_Automation.h"
#include "values/List_List.h"
#include "values/Text_Convert.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// Calls member into ea->result with the prepared arguments, which are then
// cleared.
bool call(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id = Auto_dispidUnknown,
          uint16_t flags = Auto_propertyGet) {
  const bool ok = Com_invoke(ea, obj, member, &ea->result, flags, true, id);
  Com_clearArgs(ea);
  return ok;
}

// The object of the last result, now owned by the caller; null when the
// result is no object.
AutoObject* takeObject(ExcelAutomation* ea) {
  if (ea->result.vt != Auto_vtDispatch || !ea->result.dispatch) {
    Auto_variantClear(&ea->result);
    return nullptr;
  }
  AutoObject* obj = ea->result.dispatch;
  Auto_variantInit(&ea->result);
  return obj;
}

AutoObject* getObject(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id = Auto_dispidUnknown,
                      uint16_t flags = Auto_propertyGet) {
  return call(ea, obj, member, id, flags) ? takeObject(ea) : nullptr;
}

bool getInt(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id, int32_t* out) {
  if (!call(ea, obj, member, id) || Auto_failed(Auto_variantChangeType(&ea->result, &ea->result, 0, Auto_vtI4)))
    return false;
  *out = ea->result.i4;
  return true;
}

bool getText(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id, std::u16string* out) {
  if (!call(ea, obj, member, id) || ea->result.vt != Auto_vtString) return false;
  out->assign(ea->result.str, Auto_stringLen(ea->result.str));
  return true;
}

// Moves the last result into *slot.
void keepResult(ExcelAutomation* ea, AutoVariant* slot) {
  Auto_variantClear(slot);
  *slot = ea->result;
  Auto_variantInit(&ea->result);
}

void replace(AutoObject** slot, AutoObject* obj) {
  if (*slot) Auto_release(*slot);
  *slot = obj;
}

void raise(ExcelAutomation* ea, InterpStatus code, const char* name) { Vm_raise(Vm_errorsOf(ea->context), code, name, 0, 0, 0); }

// Element (row, column) of a cached used-range variant, 1-based within the
// range; false outside it.
bool usedElement(const ExcelAutomation* ea, const AutoVariant* cache, int32_t row, int32_t column, AutoVariant* out) {
  if (row < ea->usedFirstRow || row > ea->usedLastRow || column < ea->usedFirstColumn || column > ea->usedLastColumn)
    return false;
  return Com_arrayElement(cache, row - ea->usedFirstRow, column - ea->usedFirstColumn, out);
}

// Rows or columns of a cached variant (1 for a single value).
int32_t extent(const AutoVariant* v, std::uint32_t dim) {
  if (v->vt != (Auto_vtArray | Auto_vtVariant)) return 1;
  std::int32_t lower = 0, upper = 0;
  Auto_arrayBounds(v->array, dim, &lower, &upper);
  return upper - lower + 1;
}

// A formula text: "=" first after blanks and tabs.
bool isFormula(std::u16string_view text) {
  const size_t first = text.find_first_not_of(u" \t");
  return first != std::u16string_view::npos && text[first] == u'=';
}

std::u16string lower(std::u16string text) {
  for (char16_t& c : text) c = Text_foldCase(c);
  return text;
}

// Whether any sheet's used range holds array formulas; false when the used
// range of the active sheet cannot be had or a query fails.
bool findArrays(ExcelAutomation* ea) {
  for (int32_t i = 1; i <= ea->sheetCount; ++i) {
    AutoObject* used = getObject(ea, ea->sheets[i], u"UsedRange");
    if (!used) {
      if (i == ea->activeSheet) return false;
      continue;
    }
    const bool ok = call(ea, used, u"HasArray", Com_cachedId(ea, used, kComHasArray, u"HasArray"));
    Auto_release(used);
    if (!ok) return false;
    if (ea->result.vt != Auto_vtBool || ea->result.boolean != 0) {
      ea->hasArrays = 1;
      break;
    }
  }
  return true;
}

// Looks the per-cell members up once, on the active sheet's cell A1.
bool fillCache(ExcelAutomation* ea) {
  static const std::pair<int, const AutoChar*> kRangeMembers[] = {
      {kComValue, u"Value"},         {kComAreas, u"Areas"},       {kComCells, u"Cells"},
      {kComCount, u"Count"},         {kComColumn, u"Column"},     {kComRow, u"Row"},
      {kComFormula, u"Formula"},     {kComHasArray, u"HasArray"}, {kComStyle, u"Style"},
      {kComCurrentArray, u"CurrentArray"}, {kComFormulaArray, u"FormulaArray"},
      {kComWorksheet, u"Worksheet"}, {kComItem, u"Item"},         {kComName, u"Name"}};
  Com_cachedId(ea, ea->application, kComAppRange, u"Range");
  Com_addArgString(ea, u"A1");
  AutoObject* range = getObject(ea, ea->currentSheet, u"Range", Com_cachedId(ea, ea->currentSheet, kComSheetRange, u"Range"));
  if (!range) {
    raise(ea, kStatusUndefinedIdentifier, "Range");
    return false;
  }
  for (const auto& [slot, name] : kRangeMembers) Com_cachedId(ea, range, slot, name);
  Auto_release(range);
  return true;
}

bool readSheetTables(ExcelAutomation* ea) {
  AutoObject* all = getObject(ea, ea->workbook, u"Sheets");
  int32_t count = 0;
  const bool counted = all && getInt(ea, all, u"Count", Auto_dispidUnknown, &count);
  if (all) Auto_release(all);
  if (!counted || count < 0) return false;
  for (AutoObject* sheet : ea->sheets)
    if (sheet) Auto_release(sheet);
  ea->sheets.assign(static_cast<size_t>(count) + 1, nullptr);
  ea->sheetNames.assign(static_cast<size_t>(count) + 1, std::u16string());
  ea->sheetCount = count;
  for (int32_t i = 1; i <= count; ++i) {
    Com_addArgInt(ea, i);
    ea->sheets[i] = getObject(ea, ea->workbook, u"Sheets");
    if (!ea->sheets[i] || !getText(ea, ea->sheets[i], u"Name", Auto_dispidUnknown, &ea->sheetNames[i])) return false;
  }
  return true;
}

}  // namespace

bool Com_getWorksheetFunction(ExcelAutomation* ea) {
  replace(&ea->worksheetFunction, getObject(ea, ea->application, u"WorksheetFunction"));
  return ea->worksheetFunction != nullptr;
}

bool Com_openWorkbook(ExcelAutomation* ea, const AutoChar* path) {
  AutoObject* book = nullptr;
  if (path) {
    AutoObject* books = getObject(ea, ea->application, u"Workbooks");
    if (books && Com_addArgString(ea, path)) book = getObject(ea, books, u"Open", Auto_dispidUnknown, Auto_method);
    if (books) Auto_release(books);
  } else {
    book = getObject(ea, ea->application, u"ActiveWorkbook");
  }
  replace(&ea->workbook, book);
  if (!book) raise(ea, kStatusOleError, "Workbook");
  return book != nullptr;
}

bool Com_readSheets(ExcelAutomation* ea) {
  const bool ok = ea->workbook && readSheetTables(ea) && Com_readActiveSheet(ea) && fillCache(ea) &&
                  findArrays(ea);
  if (!ok) raise(ea, kStatusOleError, "Sheets");
  return ok;
}

bool Com_readActiveSheet(ExcelAutomation* ea) {
  replace(&ea->currentSheet, getObject(ea, ea->application, u"ActiveSheet",
                                       Com_cachedId(ea, ea->application, kComActiveSheet, u"ActiveSheet")));
  return ea->currentSheet &&
         getInt(ea, ea->currentSheet, u"Index", Com_cachedId(ea, ea->currentSheet, kComSheetIndex, u"Index"),
                &ea->activeSheet);
}

bool Com_loadUsedRange(ExcelAutomation* ea, int32_t sheet) {
  if (sheet < 1 || sheet > ea->sheetCount) return false;
  AutoObject* used = getObject(ea, ea->sheets[sheet], u"UsedRange");
  if (!used) return false;
  int32_t row = 0, column = 0;
  bool ok = call(ea, used, u"Formula", Com_cachedId(ea, used, kComFormula, u"Formula"));
  if (ok) keepResult(ea, &ea->usedFormulas);
  ok = ok && call(ea, used, u"Value", Com_cachedId(ea, used, kComValue, u"Value"));
  if (ok) keepResult(ea, &ea->usedValues);
  ok = ok && getInt(ea, used, u"Column", Com_cachedId(ea, used, kComColumn, u"Column"), &column) &&
       getInt(ea, used, u"Row", Com_cachedId(ea, used, kComRow, u"Row"), &row);
  Auto_release(used);
  if (!ok) return false;
  ea->usedSheet = static_cast<uint8_t>(sheet);
  ea->usedFirstRow = static_cast<uint16_t>(row);
  ea->usedFirstColumn = static_cast<uint16_t>(column);
  ea->usedLastRow = static_cast<uint16_t>(row + extent(&ea->usedValues, 1) - 1);
  ea->usedLastColumn = static_cast<uint16_t>(column + extent(&ea->usedValues, 2) - 1);
  return true;
}

bool Com_usedArea(ExcelAutomation* ea, int32_t sheet, RangeRef* area) {
  if (sheet < 1 || sheet > ea->sheetCount) return false;
  AutoObject* used = getObject(ea, ea->sheets[sheet], u"UsedRange");
  if (!used) return false;
  std::u16string address;
  // A used range reaching past the grid is read up to the grid's edge: the
  // cells beyond are none a model's references can reach.
  const bool ok = getText(ea, used, u"Address", Auto_dispidUnknown, &address) && Com_parseClippedArea(address, area);
  Auto_release(used);
  if (ok) area->sheet = static_cast<uint8_t>(sheet);
  return ok;
}

bool Com_arrayElement(const AutoVariant* block, int32_t row, int32_t column, AutoVariant* out) {
  if (block->vt != (Auto_vtArray | Auto_vtVariant))
    return row == 0 && column == 0 && !Auto_failed(Auto_variantCopy(out, block));
  std::int32_t lower1 = 0, lower2 = 0, upper = 0;
  Auto_arrayBounds(block->array, 1, &lower1, &upper);
  Auto_arrayBounds(block->array, 2, &lower2, &upper);
  const std::int32_t at[2] = {lower1 + row, lower2 + column};
  return !Auto_failed(Auto_arrayGetElement(block->array, at, out));
}

bool Com_selectSheet(ExcelAutomation* ea, int32_t i) {
  if (!ea->workbook || i > ea->sheetCount) return false;
  AutoObject* sheet = ea->sheets[i < 1 ? ea->activeSheet : i];
  if (!sheet) return false;
  Auto_addRef(sheet);
  replace(&ea->currentSheet, sheet);
  return true;
}

bool Com_getSheetName(ExcelAutomation* ea, int32_t i, std::u16string* name) {
  if (!ea->workbook || i > ea->sheetCount) return false;
  *name = ea->sheetNames[i < 1 ? ea->activeSheet : i];
  return true;
}

int32_t Com_findSheetIndex(ExcelAutomation* ea, const AutoChar* name) {
  if (!Com_addArgString(ea, name)) return 0;
  AutoObject* sheet = getObject(ea, ea->application, u"Sheets");
  int32_t index = 0;
  if (sheet && !getInt(ea, sheet, u"Index", Com_cachedId(ea, sheet, kComSheetIndex, u"Index"), &index)) index = 0;
  if (sheet) Auto_release(sheet);
  return index;
}

int32_t Com_getActiveSheetIndex(const ExcelAutomation* ea) { return ea->activeSheet; }

bool Com_usedValue(ExcelAutomation* ea, int32_t row, int32_t column, Value* out) {
  AutoVariant v;
  Auto_variantInit(&v);
  const bool ok = usedElement(ea, &ea->usedValues, row, column, &v);
  if (ok) Com_variantToValue(&v, out);
  Auto_variantClear(&v);
  return ok;
}

bool Com_usedFormula(ExcelAutomation* ea, int32_t row, int32_t column, std::u16string* formula) {
  AutoVariant v;
  Auto_variantInit(&v);
  const bool ok = usedElement(ea, &ea->usedFormulas, row, column, &v) && v.vt == Auto_vtString;
  if (ok) formula->assign(v.str, Auto_stringLen(v.str));
  Auto_variantClear(&v);
  return ok;
}

bool Com_arrayBlockOf(ExcelAutomation* ea, const CellRef& cell, RangeRef* block) {
  if (!ea->hasArrays || cell.sheet < 1 || cell.sheet > ea->sheetCount) return false;
  AutoObject* sheet = ea->sheets[cell.sheet];
  const RangeRef one{cell.sheet, cell.row, cell.column, cell.row, cell.column};
  if (!Com_addArgString(ea, Com_rangeToA1(one, false).c_str())) return false;
  AutoObject* range = getObject(ea, sheet, u"Range", Com_cachedId(ea, sheet, kComSheetRange, u"Range"));
  if (!range) return false;
  const bool inArray = call(ea, range, u"HasArray", Com_cachedId(ea, range, kComHasArray, u"HasArray")) &&
                       ea->result.vt == Auto_vtBool && ea->result.boolean != 0;
  Auto_variantClear(&ea->result);
  AutoObject* array =
      inArray ? getObject(ea, range, u"CurrentArray", Com_cachedId(ea, range, kComCurrentArray, u"CurrentArray"))
              : nullptr;
  Auto_release(range);
  if (!array) return false;
  std::u16string address;
  const bool placed = getText(ea, array, u"Address", Auto_dispidUnknown, &address) &&
                      Com_parseReference(ea, address, block) && block->sheet == 0;
  Auto_release(array);
  if (!placed || cell.row < block->firstRow || cell.row > block->lastRow || cell.column < block->firstColumn ||
      cell.column > block->lastColumn)
    return false;
  block->sheet = cell.sheet;
  return true;
}

bool Com_callWorksheetFunctionValues(const EvalHost& host, const AutoChar* name, int argc, const Value* const* argv,
                                     Value* out) {
  auto* ea = reinterpret_cast<ExcelAutomation*>(host.excel);
  if (!ea || !ea->worksheetFunction) return false;
  Com_clearArgs(ea);
  for (int i = argc - 1; i >= 0; --i) {
    const Value* a = argv[i];
    if (a->kind == kValMissing) Com_addArgMissing(ea);
    else if (a->kind == kValBool) Com_addArgBool(ea, a->number != 0);
    else if (a->kind == kValText && !Com_addArgString(ea, a->text ? a->text : u"")) return false;
    else if (a->kind != kValText) Com_addArgReal(ea, a->number);
  }
  if (!call(ea, ea->worksheetFunction, name, Auto_dispidUnknown, Auto_method)) return false;
  // A text answer stays a text: the caller decides what reads as a number.
  if (ea->result.vt == Auto_vtString)
    Val_setText(out, std::u16string(ea->result.str, Auto_stringLen(ea->result.str)).c_str());
  else Com_variantToValue(&ea->result, out);
  Auto_variantClear(&ea->result);
  return true;
}

bool Com_callWorksheetFunction(ExcelAutomation* ea, const AutoChar* name, Value* out) {
  if (!call(ea, ea->worksheetFunction, name, Auto_dispidUnknown, Auto_method)) return false;
  Com_variantToValue(&ea->result, out);
  Auto_variantClear(&ea->result);
  return true;
}

bool Com_getNameValue(ExcelAutomation* ea, const AutoChar* name, std::u16string* text, int32_t sheet) {
  AutoObject* owner = sheet >= 1 && sheet <= ea->sheetCount ? ea->sheets[sheet] : ea->workbook;
  AutoObject* names = getObject(ea, owner, u"Names");
  if (!names) return false;
  Com_addArgString(ea, name);
  AutoObject* item = getObject(ea, names, u"Item", Com_cachedId(ea, names, kComItem, u"Item"), Auto_method);
  Auto_release(names);
  const bool ok = item && getText(ea, item, u"Value", Com_cachedId(ea, item, kComValue, u"Value"), text);
  if (item) Auto_release(item);
  return ok;
}

bool Com_countNames(ExcelAutomation* ea) {
  replace(&ea->namesCollection, getObject(ea, ea->workbook, u"Names"));
  ea->nameCursor = 1;
  ea->nameCount = 0;
  if (!ea->namesCollection || !call(ea, ea->namesCollection, u"Count", Com_cachedId(ea, ea->namesCollection, kComCount, u"Count")) ||
      (ea->result.vt != Auto_vtI4 && ea->result.vt != Auto_vtI2))
    return false;
  ea->nameCount = ea->result.vt == Auto_vtI4 ? ea->result.i4 : ea->result.i2;
  return ea->nameCount > 0;
}

bool Com_nextName(ExcelAutomation* ea, std::u16string_view part, std::u16string* name, std::u16string* text) {
  for (; ea->namesCollection && ea->nameCursor <= ea->nameCount; ++ea->nameCursor) {
    Com_addArgInt(ea, ea->nameCursor);
    AutoObject* item = getObject(ea, ea->namesCollection, u"Item", Com_cachedId(ea, ea->namesCollection, kComItem, u"Item"), Auto_method);
    if (!item) return false;
    bool found = getText(ea, item, u"Name", Com_cachedId(ea, item, kComName, u"Name"), name);
    found = found && lower(*name).find(part) != std::u16string::npos &&
            getText(ea, item, u"Value", Com_cachedId(ea, item, kComValue, u"Value"), text);
    Auto_release(item);
    if (found) {
      *name = lower(*name);
      ++ea->nameCursor;
      return true;
    }
  }
  return false;
}

void Com_resetFormulaScan(ExcelAutomation* ea) { ea->scanRow = ea->scanColumn = 1; }

bool Com_findNextFormula(ExcelAutomation* ea, std::u16string_view part, std::u16string* formula, CellRef* cell) {
  const int32_t rows = std::min(extent(&ea->usedFormulas, 1), 65535);
  const int32_t columns = std::min(extent(&ea->usedFormulas, 2), 255);
  for (; ea->scanRow <= rows; ++ea->scanRow, ea->scanColumn = 1) {
    for (; ea->scanColumn <= columns; ++ea->scanColumn) {
      std::u16string text;
      if (!Com_usedFormula(ea, ea->usedFirstRow + ea->scanRow - 1, ea->usedFirstColumn + ea->scanColumn - 1, &text) ||
          !isFormula(text) || lower(text).find(part) == std::u16string::npos)
        continue;
      *formula = std::move(text);
      if (cell)
        *cell = CellRef{static_cast<uint8_t>(ea->usedSheet), static_cast<uint16_t>(ea->usedFirstRow + ea->scanRow - 1),
                        static_cast<uint8_t>(ea->usedFirstColumn + ea->scanColumn - 1)};
      ++ea->scanColumn;
      return true;
    }
  }
  return false;
}

bool Com_findFormulasContaining(ExcelAutomation* ea, int32_t count, const std::u16string_view* parts, List* list) {
  if (ea->usedSheet == 0) return false;
  for (int32_t column = ea->usedFirstColumn; column <= ea->usedLastColumn; ++column)
    for (int32_t row = ea->usedFirstRow; row <= ea->usedLastRow; ++row) {
      std::u16string text;
      if (!Com_usedFormula(ea, row, column, &text) || !isFormula(text)) continue;
      text = lower(std::move(text));
      for (int32_t k = 0; k < count; ++k) {
        if (text.find(parts[k]) == std::u16string::npos) continue;
        const RangeRef cell{ea->usedSheet, static_cast<uint16_t>(row), static_cast<uint8_t>(column),
                            static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
        if (!List_appendRange(list, &cell)) return false;
        break;
      }
    }
  return true;
}

bool Com_getRangeRef(ExcelAutomation* ea, AutoObject* cell, int32_t sheet, int32_t rows, int32_t columns,
                     RangeRef* range) {
  if (rows * columns > 1) {
    const int32_t lastRow = range->firstRow + rows - 1, lastColumn = range->firstColumn + columns - 1;
    if (lastRow > 65535 || lastColumn > 255) return false;
    range->lastRow = static_cast<uint16_t>(lastRow);
    range->lastColumn = static_cast<uint8_t>(lastColumn);
    return true;
  }
  if (sheet < 1) {
    AutoObject* owner = getObject(ea, cell, u"Worksheet", Com_cachedId(ea, cell, kComWorksheet, u"Worksheet"));
    const bool ok = owner && getInt(ea, owner, u"Index", Com_cachedId(ea, owner, kComSheetIndex, u"Index"), &sheet);
    if (owner) Auto_release(owner);
    if (!ok) return false;
  }
  int32_t row = 0, column = 0;
  if (!getInt(ea, cell, u"Column", Com_cachedId(ea, cell, kComColumn, u"Column"), &column) ||
      !getInt(ea, cell, u"Row", Com_cachedId(ea, cell, kComRow, u"Row"), &row))
    return false;
  if (sheet > 255 || row < 1 || row > 65535 || column < 1 || column > 255) return false;
  *range = RangeRef{static_cast<uint8_t>(sheet), static_cast<uint16_t>(row), static_cast<uint8_t>(column),
                    static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
  return true;
}
