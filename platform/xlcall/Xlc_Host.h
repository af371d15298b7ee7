// Host side of the callback interface: what the front end and the tests use
// to play the application around the library (never used by the library).
//
// The calling macro's sheet is the front end's own add-in sheet: single
// references (xltypeSRef) and xlSheetNm of such a reference mean that sheet,
// while names with a leading "!" mean the active sheet (the user's model).
// Macros run by xlUDF are registered here by name; a reference to a macro
// is the cell a defined name of the same name refers to.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlcall.h"

// The sheet of the calling macro; nullptr (the default) means the active sheet.
void Xlc_setCallerSheet(Workbook* wb, int sheet);

// A macro receives its arguments as values (a reference as its first cell's
// value) and answers one value.
using XlcMacro = std::function<CellValue(const std::vector<CellValue>& args)>;
void Xlc_registerMacro(const std::string& name, XlcMacro macro);

// The procedures an add-in offers by name, as a module offers the
// procedures it exports. xlfRegister(procedure name, function name
// [, flags]) makes the worksheet function of that name call the procedure
// (its arguments and answer as Calc_registerFunction describes; flags are
// CalcFunctionFlag bits: 1 volatile, 2 scalar arguments, 4 plain
// arguments); an unknown procedure fails the call.
void Xlc_offerProcedure(const std::string& name, CalcFunction procedure);

// The user presses the break key; xlAbort reads it (and clears it when asked).
void Xlc_pressBreak();

// Stable id of a sheet while its workbook is open, and back.
IDSHEET Xlc_sheetId(Workbook* wb, int sheet);
bool Xlc_sheetOfId(IDSHEET id, Workbook** wb, int* sheet);

// Blocks of memory handed out in results and not yet given back with xlFree.
std::size_t Xlc_liveBlocks();

// Forgets the caller sheet, the registered macros and the offered procedures
// (tests, with Wb_resetApp); worksheet functions already registered stay.
void Xlc_resetHost();
