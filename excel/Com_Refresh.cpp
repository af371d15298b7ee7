// Reads values the model takes from the workbook as they stand: ranges of
// other workbooks through the application (which opens a book first when
// it must), and the marked symbols again once the workbook has
// recalculated, from the cached used range where it holds them.
#include "excel/Com_Refresh.h"

#include <string>

#include "excel/Com_Automation.h"
#include "interpreter/Prog_Program.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"

namespace {

constexpr const char* kBadSheetText = "Worksheet Index !";

// Gets member of obj with the prepared arguments into ea->result; the
// arguments are then cleared.
bool get(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoDispId id, uint16_t flags,
         bool report = true) {
  const bool ok = Com_invoke(ea, obj, member, &ea->result, flags, report, id);
  Com_clearArgs(ea);
  return ok;
}

// The object in ea->result, now the caller's; null when it holds none.
AutoObject* takeObject(ExcelAutomation* ea) {
  AutoObject* obj = ea->result.vt == Auto_vtDispatch ? ea->result.dispatch : nullptr;
  if (obj) Auto_variantInit(&ea->result);
  else Auto_variantClear(&ea->result);
  return obj;
}

// The range object of a reference text on obj (the application or a
// sheet); null when obj gives none.
AutoObject* rangeOf(ExcelAutomation* ea, AutoObject* obj, int slot, std::u16string_view text) {
  if (!Com_addArgString(ea, std::u16string(text).c_str())) return nullptr;
  const bool ok = get(ea, obj, u"Range", Com_cachedId(ea, obj, slot, u"Range"), Auto_propertyGet, false);
  return ok ? takeObject(ea) : nullptr;
}

// Converts a block of values read at once into value: element by element
// when value is an array of that shape already (its decision variables'
// cells left alone), else, for a value read from no cell of this workbook,
// into a new array. True when an element changed.
bool convertInto(const AutoVariant* values, Value* value) {
  if (values->vt != (Auto_vtArray | Auto_vtVariant)) return value->reference == 0 && Com_variantToValue(values, value);
  int32_t low1 = 0, high1 = 0, low2 = 0, high2 = 0;
  Auto_arrayBounds(values->array, 1, &low1, &high1);
  Auto_arrayBounds(values->array, 2, &low2, &high2);
  const int32_t rows = high1 - low1 + 1, columns = high2 - low2 + 1;
  if (rows > kValMaxRows || columns > kValMaxColumns) return false;
  const bool same =
      value->kind == kValArray && value->array && value->array->rows == rows && value->array->columns == columns;
  if (!same &&
      (value->source || Val_makeArray(value, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != kStatusOk))
    return false;
  bool changed = !same;
  AutoVariant element;
  Auto_variantInit(&element);
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = 0; j < columns; ++j) {
      Value* e = Val_at(value, i, j);
      if (e->reference == 0 && Com_arrayElement(values, i, j, &element)) changed |= Com_variantToValue(&element, e);
      Auto_variantClear(&element);
    }
  return changed;
}

// The "Value" of a range object into value (the object released); false
// when the call fails.
bool readRangeValue(ExcelAutomation* ea, AutoObject* range, Value* value, bool* changed) {
  const bool ok = get(ea, range, u"Value", Com_cachedId(ea, range, kComValue, u"Value"), Auto_propertyGet);
  Auto_release(range);
  if (ok) *changed = convertInto(&ea->result, value);
  Auto_variantClear(&ea->result);
  return ok;
}

// The folder of the model workbook, with its separator; empty when the
// workbook has none.
std::u16string workbookFolder(ExcelAutomation* ea) {
  std::u16string folder;
  if (get(ea, ea->workbook, u"FullName", Auto_dispidUnknown, Auto_propertyGet, false) && ea->result.vt == Auto_vtString)
    folder.assign(ea->result.str, Auto_stringLen(ea->result.str));
  Auto_variantClear(&ea->result);
  const size_t cut = folder.find_last_of(u"/\\");
  folder.resize(cut == std::u16string::npos ? 0 : cut + 1);
  return folder;
}

// Opens the book an external reference names.
bool openBook(ExcelAutomation* ea, std::u16string_view text) {
  std::u16string path = Com_externalBookPath(text);
  if (path.find_first_of(u"/\\") == std::u16string::npos) path = workbookFolder(ea) + path;
  AutoObject* books =
      get(ea, ea->application, u"Workbooks", Auto_dispidUnknown, Auto_propertyGet, false) ? takeObject(ea) : nullptr;
  const bool ok = books && Com_addArgString(ea, path.c_str()) &&
                  get(ea, books, u"Open", Auto_dispidUnknown, Auto_method, false) && ea->result.vt == Auto_vtDispatch;
  Auto_variantClear(&ea->result);
  if (books) Auto_release(books);
  return ok;
}

bool inUsedRange(const ExcelAutomation* ea, const RangeRef& r) {
  return r.sheet == ea->usedSheet && r.firstRow >= ea->usedFirstRow && r.lastRow <= ea->usedLastRow &&
         r.firstColumn >= ea->usedFirstColumn && r.lastColumn <= ea->usedLastColumn;
}

// Takes fresh into e when it differs; true then.
bool takeWhenDiffers(Value* e, const Value& fresh) {
  const bool differs = e->kind != fresh.kind || e->number != fresh.number ||
                       (fresh.kind == kValText && std::u16string_view(e->text ? e->text : u"") != fresh.text);
  if (differs) Val_assign(e, &fresh);
  return differs;
}

// A symbol's cells from the cached used range.
bool refreshFromUsed(ExcelAutomation* ea, const RangeRef& r, Value* value) {
  const bool single = r.firstRow == r.lastRow && r.firstColumn == r.lastColumn;
  bool changed = false;
  Value fresh = Val_empty(value->context);
  for (int32_t row = r.firstRow; row <= r.lastRow; ++row)
    for (int32_t column = r.firstColumn; column <= r.lastColumn; ++column) {
      Value* e = single                     ? value
                 : value->kind == kValArray ? Val_at(value, row - r.firstRow, column - r.firstColumn)
                                            : nullptr;
      if (e && e->reference == 0 && Com_usedValue(ea, row, column, &fresh)) changed |= takeWhenDiffers(e, fresh);
    }
  Val_clear(&fresh);
  return changed;
}

// The values of an external reference into value, changed telling whether
// any element differs from what it held.
InterpStatus readExternal(ExcelAutomation* ea, std::u16string_view text, Value* value, bool* changed) {
  AutoObject* range = rangeOf(ea, ea->application, kComAppRange, text);
  if (!range && !openBook(ea, text)) return kStatusExternalName;
  if (!range && !(range = rangeOf(ea, ea->application, kComAppRange, text))) return kStatusUndefinedIdentifier;
  return readRangeValue(ea, range, value, changed) ? kStatusOk : kStatusUndefinedIdentifier;
}

}  // namespace

InterpStatus Com_readExternal(ExcelAutomation* ea, std::u16string_view text, Value* value) {
  bool changed = false;
  return readExternal(ea, text, value, &changed);
}

bool Com_refreshSymbol(ExcelAutomation* ea, Symbol* s) {
  bool changed = false;
  const RangeRef* source = s->value.source;
  const RangeRef r = source ? *source : RangeRef{};
  InterpStatus failure = kStatusOk;
  if (!source) failure = readExternal(ea, s->name, &s->value, &changed);
  else if (inUsedRange(ea, r)) changed = refreshFromUsed(ea, r, &s->value);
  else if (r.sheet < 1 || r.sheet > ea->sheetCount) failure = kStatusOleError;
  else if (AutoObject* range = rangeOf(ea, ea->sheets[r.sheet], kComSheetRange, Com_rangeToA1(r, true)); !range)
    failure = kStatusUndefinedIdentifier;
  else if (!readRangeValue(ea, range, &s->value, &changed)) failure = kStatusUndefinedIdentifier;
  if (failure != kStatusOk)
    Vm_raise(Vm_errorsOf(ea->context), failure, failure == kStatusOleError ? kBadSheetText : "Com_refreshSymbol", r.sheet,
             r.firstRow, r.firstColumn);
  return changed;
}

void Com_refreshArrayBlocks(ExcelAutomation* ea, SymbolTable* table) {
  Com_loadUsedRange(ea, ea->activeSheet);
  for (Symbol* s : table->bySerial)
    if (s && s->refresh) s->mark = Com_refreshSymbol(ea, s) ? 1 : 0;
}
