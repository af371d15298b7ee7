// The library's automation layer over the spreadsheet application: the
// application object (the front end's, or one started here and quit again),
// calls by member name with prepared arguments and a cache of member ids,
// the diagnostic text of every failed call, and on top of it the workbook as
// the formula interpreter reads it: sheets, the active sheet's used range,
// addresses and references, values, defined names, worksheet functions and
// formula scans. Texts are UTF-16 throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/automation/Auto.h"
#include "values/Model_Refs.h"

struct EvalContext;
struct EvalHost;
struct List;
struct Value;

constexpr int kComMaxArgs = 32;

// Slots of the member-id cache.
enum ComCacheSlot {
  kComActiveSheet = 1,  // on the application
  kComAppRange = 2,
  kComSheetRange = 3,  // on a worksheet
  kComSheetIndex = 4,
  kComValue = 5,  // on a range
  kComAreas = 6,
  kComCells = 7,
  kComCount = 8,
  kComColumn = 9,
  kComRow = 10,
  kComFormula = 11,
  kComHasArray = 12,
  kComStyle = 13,
  kComCurrentArray = 14,
  kComFormulaArray = 15,
  kComWorksheet = 16,
  kComItem = 17,
  kComName = 18,
  kComCacheSlots = 19,
};

struct ExcelAutomation {
  int32_t argCount;
  int32_t namedCount;
  const AutoChar* names[kComMaxArgs + 1];  // [0] the member, [1..] named arguments
  AutoDispId dispids[kComMaxArgs + 1];
  AutoVariant args[kComMaxArgs];  // the first appended is the call's last parameter
  AutoObject* application;
  int32_t ownsApplication;  // started here: quit at release

  AutoObject* workbook;
  AutoObject* worksheetFunction;
  AutoObject* currentSheet;
  AutoVariant result;  // of the last call
  // The cached used range of one sheet.
  uint8_t usedSheet;
  uint16_t usedFirstRow, usedFirstColumn, usedLastRow, usedLastColumn;
  AutoVariant usedFormulas;  // a two-dimensional array, or one value
  AutoVariant usedValues;
  int32_t hasArrays;
  int32_t activeSheet;  // 1-based
  int32_t sheetCount;
  std::vector<AutoObject*> sheets;         // 1..sheetCount
  std::vector<std::u16string> sheetNames;  // 1..sheetCount
  int32_t scanRow, scanColumn;
  AutoObject* namesCollection;  // the Names collection being enumerated
  int32_t nameCursor, nameCount;
  AutoDispId cache[kComCacheSlots];  // -1 until first used
  EvalContext* context;              // receives raised statuses (not owned)
  std::u16string diagnostic;         // text of the last failed call
};

// ---- Application and calls ----
// A fresh object bound to ctx, without application.
ExcelAutomation* Com_create(EvalContext* ctx);
// Releases every object and argument, quits an application started here,
// and frees the record; null-safe.
void Com_destroy(ExcelAutomation* ea);
// Uses the front end's application (not quit at release).
bool Com_attachApplication(ExcelAutomation* ea, AutoObject* handle);
// Starts the application by its program id and makes it visible.
bool Com_createExcel(ExcelAutomation* ea, const AutoChar* progId);
// Quits and releases an application started here; one handed over is left alone.
void Com_releaseExcel(ExcelAutomation* ea);
// Calls member on obj (flags: method 1, get 2, put 4, put by reference 8)
// with the prepared arguments; dispid -1 looks the name up, any other is the
// member's id. A failure composes the diagnostic text when report is set.
bool Com_invoke(ExcelAutomation* ea, AutoObject* obj, const AutoChar* member, AutoVariant* result, uint16_t flags,
                bool report, AutoDispId dispid);
// The member's id from the cache slot, looked up on obj at first use.
AutoDispId Com_cachedId(ExcelAutomation* ea, AutoObject* obj, int slot, const AutoChar* member);
void Com_addArgMissing(ExcelAutomation* ea, const AutoChar* name = nullptr);
void Com_addArgBool(ExcelAutomation* ea, bool b, const AutoChar* name = nullptr);
void Com_addArgInt(ExcelAutomation* ea, int32_t n, const AutoChar* name = nullptr);
void Com_addArgReal(ExcelAutomation* ea, double x, const AutoChar* name = nullptr);
bool Com_addArgString(ExcelAutomation* ea, const AutoChar* text, const AutoChar* name = nullptr);
// A borrowed object: never released by the layer.
void Com_addArgDispatch(ExcelAutomation* ea, AutoObject* obj, const AutoChar* name = nullptr);
void Com_clearArgs(ExcelAutomation* ea);
// The diagnostic of a failed call of member: "Range: Type mismatch, argument 2." ...
std::u16string Com_diagnosticText(const AutoChar* member, AutoResult result, uint32_t argIndex, uint16_t exceptionCode);

// ---- Workbook ----
bool Com_getWorksheetFunction(ExcelAutomation* ea);
// Opens the workbook at path, or takes the active one for a null path.
bool Com_openWorkbook(ExcelAutomation* ea, const AutoChar* path);
// The sheets and their names, the active sheet, the member-id cache and
// whether any sheet holds array formulas; no used range is read (the
// reader's source reads the cells it needs, Com_loadUsedRange a whole sheet).
bool Com_readSheets(ExcelAutomation* ea);
bool Com_readActiveSheet(ExcelAutomation* ea);
// Caches the used range (formulas and values) of sheet i.
bool Com_loadUsedRange(ExcelAutomation* ea, int32_t sheet);
// The place of sheet i's used range, without reading its cells.
bool Com_usedArea(ExcelAutomation* ea, int32_t sheet, RangeRef* area);
// Element (row, column), 0-based, of a block of cells read at once (the
// value itself at (0, 0) when it is none); false outside it.
bool Com_arrayElement(const AutoVariant* block, int32_t row, int32_t column, AutoVariant* out);
bool Com_selectSheet(ExcelAutomation* ea, int32_t i);
bool Com_getSheetName(ExcelAutomation* ea, int32_t i, std::u16string* name);
// The index of the named sheet, or 0.
int32_t Com_findSheetIndex(ExcelAutomation* ea, const AutoChar* name);
int32_t Com_getActiveSheetIndex(const ExcelAutomation* ea);
// The cached value and formula text of a cell of the used range; false
// outside it.
bool Com_usedValue(ExcelAutomation* ea, int32_t row, int32_t column, Value* out);
bool Com_usedFormula(ExcelAutomation* ea, int32_t row, int32_t column, std::u16string* formula);
// Whether the cell lies in an array formula's block (asked only when the
// workbook has array formulas): the whole block into block.
bool Com_arrayBlockOf(ExcelAutomation* ea, const CellRef& cell, RangeRef* block);

// The cell's position: sheet (read from the cell when sheet < 1), row and
// column, which must fit 16 and 8 bits. For rows x columns above 1 the range
// already filled is widened to that size instead.
bool Com_getRangeRef(ExcelAutomation* ea, AutoObject* cell, int32_t sheet, int32_t rows, int32_t columns,
                     RangeRef* range);

// ---- Addresses ----
// "b3", or "b3:c4" (with the colon when asked) for a block.
std::u16string Com_rangeToA1(const RangeRef& range, bool withColon);
// The ADDRESS text: modes 1 to 4 (absolute, row absolute, column absolute,
// relative), A1 or R1C1 style; empty when a column is beyond 676 in A1 style.
std::u16string Com_formatAddress(int32_t row, int32_t column, int32_t mode, bool a1Style);
// The sheet a reference's part before "!" names ("sheet", "'my sheet'"),
// matched by its whole name without regard to case; 0 when none matches.
int32_t Com_sheetOfPrefix(const ExcelAutomation* ea, std::u16string_view part);
// Reads "sheet!b3:c4", "'my sheet'!b3" or "b3"; the sheet is matched by its
// whole name without regard to case (0 when the text names none).
bool Com_parseReference(const ExcelAutomation* ea, std::u16string_view text, RangeRef* range);
// Reads an area "b3:c4" (no sheet) whose corners may lie past the library's
// grid, each moved onto the grid's last row or column; the cells beyond are
// none the library can refer to.
bool Com_parseClippedArea(std::u16string_view text, RangeRef* range);
bool Com_isExternalRef(std::u16string_view text);
std::u16string Com_externalBookPath(std::u16string_view text);

// ---- Values, names, functions, scans ----
// Converts the variant into the value; true when the value changed.
bool Com_variantToValue(const AutoVariant* v, Value* out);
// Calls the named worksheet function through the host's automation object
// with argc arguments in worksheet order, each missing, boolean, text or real
// by its kind; a text answer stays a text. False without an automation
// object.
bool Com_callWorksheetFunctionValues(const EvalHost& host, const AutoChar* name, int argc, const Value* const* argv,
                                     Value* out);
// Calls the named worksheet function with the prepared arguments.
bool Com_callWorksheetFunction(ExcelAutomation* ea, const AutoChar* name, Value* out);
// The definition text of a name of sheet i, or of the workbook for i outside 1..sheetCount.
bool Com_getNameValue(ExcelAutomation* ea, const AutoChar* name, std::u16string* text, int32_t sheet);
bool Com_countNames(ExcelAutomation* ea);
// The next defined name containing part (lower case) and its definition.
bool Com_nextName(ExcelAutomation* ea, std::u16string_view part, std::u16string* name, std::u16string* text);
void Com_resetFormulaScan(ExcelAutomation* ea);
// The next formula of the cached used range, row by row, containing part
// (lower case), with its cell when asked.
bool Com_findNextFormula(ExcelAutomation* ea, std::u16string_view part, std::u16string* formula,
                         CellRef* cell = nullptr);
// Appends to list (as RangeRef records) every cell of the cached used range,
// column by column, whose formula contains any of the parts (lower case).
bool Com_findFormulasContaining(ExcelAutomation* ea, int32_t count, const std::u16string_view* parts, List* list);
// Appends to list the rectangles of numeric cells that carry the named cell
// style, sheet by sheet; every change made to find them is undone before it
// returns. False when a step fails.
bool Com_findStyledCells(ExcelAutomation* ea, const AutoChar* style, List* list);
