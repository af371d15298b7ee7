// Shared parts of the callback interface's implementation: result records
// and their memory, references resolved to the application's sheets, texts
// of references, and the handlers of the function numbers.
#pragma once

#include <string>
#include <vector>

#include "platform/calc/Calc.h"
#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlcall/Xlcall.h"

// Largest reference the 16-bit rows and 8-bit columns can express.
constexpr int kXlcRows = 65536;
constexpr int kXlcCols = 256;
// Counted texts hold at most this many characters.
constexpr std::size_t kXlcMaxText = 255;

// ---- Values and their memory (Xlc_Value.cpp) ----

// The type without the memory flags.
XLTYPE Xlc_type(const XLOPER* x);
// Argument i is given and not xltypeMissing.
bool Xlc_given(int count, XLOPER** args, int i);

void Xlc_setNil(XLOPER* x);
void Xlc_setNum(XLOPER* x, double d);
void Xlc_setBool(XLOPER* x, bool b);
void Xlc_setErr(XLOPER* x, std::uint16_t err);
// A text result; texts longer than 255 characters are cut to 255.
void Xlc_setText(XLOPER* x, const std::string& s);
// A text result that must be whole: false (nothing set) when it is too long.
bool Xlc_setWholeText(XLOPER* x, const std::string& s);
void Xlc_setValue(XLOPER* x, const CellValue& v);
// An array result (xltypeMulti) of the values, row by row.
void Xlc_setArray(XLOPER* x, const CalcArray& a);
// An array result of `count` nil elements, `rows` x `cols`; gives its
// elements, to be set with Xlc_setElement.
XLOPER* Xlc_setNilArray(XLOPER* x, std::size_t count, int rows, int cols);
// An element of an array result: a value the array owns.
void Xlc_setElement(XLOPER* element, const CellValue& v);
// A reference result on (wb, sheet); #REF! when an area lies beyond the
// rows and columns a reference can express or there are too many areas.
void Xlc_setRef(XLOPER* x, Workbook* wb, int sheet, const std::vector<CellRange>& areas);
// Gives back the memory of a result (only when it carries xlbitXLFree).
void Xlc_release(XLOPER* x);

// The counted text of an xltypeStr.
std::string Xlc_text(const XLOPER* x);
// The value of a scalar record (number, text, boolean, error, integer, nil,
// missing); false for references and arrays.
bool Xlc_scalarValue(const XLOPER* x, CellValue* out);
// Whether Xlc_scalarValue takes a record.
bool Xlc_isScalar(const XLOPER* x);
// The values an argument stands for: a scalar itself (1 x 1), an array's
// elements, a one-area reference's cells (with `firstOnly`, the first cell of
// any reference). An xlret code: xlretInvXloper for anything else.
int Xlc_argValues(const XLOPER* x, bool firstOnly, CalcArray* out);
// The first value an argument stands for, through Xlc_argValues.
bool Xlc_firstValue(const XLOPER* x, CellValue* out);
// A boolean argument (a number counts as TRUE when not 0).
bool Xlc_truth(const XLOPER* x, bool* out);
// A whole-number argument given as a number or an integer.
bool Xlc_intArg(const XLOPER* x, int* out);
// xlCoerce of a value to the types of `mask` (0: a reference to its values).
int Xlc_coerce(const XLOPER* value, unsigned mask, XLOPER* out);

// ---- Sheets and references (Xlc_Sheets.cpp) ----

struct XlcRef {
  Workbook* wb = nullptr;
  int sheet = -1;
  std::vector<CellRange> areas;
};

bool Xlc_activeSheet(Workbook** wb, int* sheet);
bool Xlc_callerSheet(Workbook** wb, int* sheet);
// An xltypeRef or xltypeSRef argument; xlretInvXloper for anything else, an
// unknown sheet id, an empty area list or corners out of order.
int Xlc_resolveRef(const XLOPER* x, XlcRef* out);
// The values of an area, row by row (empty where the sheet has no cell).
CalcArray Xlc_areaValues(Workbook* wb, int sheet, const CellRange& area);
// The same values as an array result (Xlc_setArray of Xlc_areaValues),
// made from the cells directly.
void Xlc_setAreaArray(XLOPER* x, Workbook* wb, int sheet, const CellRange& area);
// "[Book]Sheet" as xlSheetNm gives it.
std::string Xlc_fullSheetName(const Workbook* wb, int sheet);
// A sheet named "Sheet" (active workbook), "[Book]Sheet", quoted or not.
bool Xlc_findSheet(const std::string& text, Workbook** wb, int* sheet);

// A text with an optional sheet prefix: "!rest" (the active sheet),
// "'Sheet'!rest" or "[Book]Sheet!rest" (that sheet, when rest is a plain
// name or reference) or no prefix (the active sheet, the whole text).
struct XlcScoped {
  Workbook* wb = nullptr;
  int sheet = -1;
  std::string rest;
  bool prefixed = false;
  bool sheetsOwn = false;  // "!name": the name as the active sheet's own (Calc_evaluate)
};
bool Xlc_splitSheetPrefix(const std::string& text, XlcScoped* out);

// ---- Texts (Xlc_Texts.cpp) ----

// "[Book.xlsx]Sheet!$A$1:$B$2" (a1) or "...!R1C1:R2C2", quoted when the
// names need it; areas joined with ",".
std::string Xlc_refText(const XlcRef& ref, bool a1);
// A1 references of a formula rewritten in R1C1 relative to (row, col).
std::string Xlc_formulaToR1C1(const std::string& formula, int row, int col);
// The shortest text that reads back as the same number.
std::string Xlc_numberText(double d);
// A text a defined name may be called.
bool Xlc_isNameText(const std::string& text);
// The definition (text after "=") of what DEFINE.NAME's "refers to" gives,
// for a name of workbook `wb`; an xlret code.
int Xlc_definitionOf(const XLOPER* refersTo, const Workbook* wb, std::string* out);

// Forgets every registered macro and offered procedure (Xlc_Entry.cpp).
void Xlc_clearMacros();

// ---- Handlers of the function numbers (count already checked) ----

using XlcHandler = int (*)(XLOPER* result, int count, XLOPER** args);

int Xlc_fnEvaluate(XLOPER* res, int n, XLOPER** a);
int Xlc_fnGetName(XLOPER* res, int n, XLOPER** a);
int Xlc_fnValue(XLOPER* res, int n, XLOPER** a);
int Xlc_fnText(XLOPER* res, int n, XLOPER** a);
int Xlc_fnGetCell(XLOPER* res, int n, XLOPER** a);
int Xlc_fnGetFormula(XLOPER* res, int n, XLOPER** a);
int Xlc_fnReftext(XLOPER* res, int n, XLOPER** a);
int Xlc_fnIsblank(XLOPER* res, int n, XLOPER** a);
int Xlc_fnGetDocument(XLOPER* res, int n, XLOPER** a);
int Xlc_fnGetWorkspace(XLOPER* res, int n, XLOPER** a);
int Xlc_fnCaller(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdDefineName(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdCalculateNow(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdCalculation(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdMessage(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdEcho(XLOPER* res, int n, XLOPER** a);

int Xlc_fnSelection(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdSelect(XLOPER* res, int n, XLOPER** a);
int Xlc_cmdSelectSpecial(XLOPER* res, int n, XLOPER** a);
