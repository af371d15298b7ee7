// Values the model takes from the workbook as they stand rather than
// computing them: references into other workbooks, opened when they are
// not, and the symbols marked for refresh, read again after the workbook
// has recalculated.
#pragma once

#include <string_view>

#include "values/Vm_Status.h"

struct ExcelAutomation;
struct Symbol;
struct SymbolTable;
struct Value;

// The values of a reference into another workbook ("'[book.xlsx]sheet'!a1"),
// a scalar or an array. A book that is not open is opened from the folder
// the text names, or from the model workbook's folder when it names none.
// kStatusOk, kStatusExternalName when the book cannot be opened, or
// kStatusUndefinedIdentifier when the opened book has no such range.
InterpStatus Com_readExternal(ExcelAutomation* ea, std::u16string_view text, Value* value);
// Reads the symbol's cell or block again (from the cached used range when
// it lies inside it), or its external reference by its text; a decision
// variable's cell keeps its value. True when an element changed. Raises
// status 3 ("Worksheet Index !") for a sheet outside the workbook and 14
// for a range the workbook does not give.
bool Com_refreshSymbol(ExcelAutomation* ea, Symbol* s);
// Reads the active sheet's used range again, then every symbol of the table
// marked for refresh, each one's changed flag set by what it read.
void Com_refreshArrayBlocks(ExcelAutomation* ea, SymbolTable* table);
