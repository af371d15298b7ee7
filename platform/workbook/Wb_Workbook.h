// Workbook model of the stand-in spreadsheet application.
//
// One in-process `Application` owns the open workbooks, the calculation mode,
// the status bar, the break flag, screen updating, the selection and the
// active sheet. Workbooks hold sheets of cells (value, formula text,
// array-formula block, number format, style), defined names in workbook and
// sheet scope, and named cell styles. Rows and columns are 0-based here.
// A sheet keeps its cells in a CellStore (row arrays, see Wb_CellStore.h).
//
// The calculation (platform/calc) keeps its compiled state per workbook and
// rebuilds it only when `structureVersion` changes: any change of a formula,
// a name, a sheet or the set of existing cells bumps it; writing a value into
// an existing cell does not, but lists the cell in `changedCells` so the next
// recalculation evaluates only the formulas that depend on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/workbook/Wb_CellStore.h"
#include "platform/workbook/Wb_NameTable.h"

enum class CellKind : std::uint8_t { Empty, Number, Text, Boolean, Error };

// Error values carry the spreadsheet's own error codes.
enum class CellError : std::uint8_t {
  Null = 0, Div0 = 7, Value = 15, Ref = 23, Name = 29, Num = 36, NA = 42
};

const char* Wb_errorText(CellError e);                 // "#DIV/0!" ...
bool Wb_errorFromText(const std::string& text, CellError* out);

struct CellValue {
  CellKind kind = CellKind::Empty;
  CellError error = CellError::Null;
  double number = 0.0;       // Number; Boolean as 0/1
  std::string text;          // Text

  static CellValue makeNumber(double d);
  static CellValue makeText(std::string s);
  static CellValue makeBoolean(bool b);
  static CellValue makeError(CellError e);
  bool operator==(const CellValue& o) const;
};

// A cell's number format ("" means General). Formats are few and repeat
// over many cells, so each distinct text is kept once for the process and a
// cell holds only a pointer to it: a cell stays small and cheap to make and
// copy. It reads as a const std::string and is assigned from any text.
class NumberFormat {
 public:
  NumberFormat() = default;
  explicit NumberFormat(std::string_view text);
  NumberFormat& operator=(std::string_view text) { return *this = NumberFormat(text); }

  const std::string& str() const;
  operator const std::string&() const { return str(); }
  bool empty() const { return text_ == nullptr; }
  void clear() { text_ = nullptr; }
  // Equal texts are the same kept text.
  bool operator==(const NumberFormat& o) const { return text_ == o.text_; }
  bool operator==(std::string_view text) const { return std::string_view(str()) == text; }

 private:
  const std::string* text_ = nullptr;   // the kept text; nullptr for General
};

struct Cell {
  CellValue value;
  std::string formula;        // "=..." as typed, empty for constants
  NumberFormat numberFormat;
  int arrayBlock = -1;        // index into Sheet::arrays, -1 when not in a block
  // The style and the flag below share one word: a sheet holds many cells,
  // and the eight bytes a cell saves so are pages a large sheet is spared.
  int style : 31 = 0;         // index into Workbook::styles
  // The value is the one the file stored for the formula. The calculation
  // keeps it while it cannot compute the formula and nothing the formula
  // reads has changed; any new formula or value clears it.
  bool keepsStoredValue : 1 = false;
};

// The cells of a sheet by Wb_cellKey(row, col), in row-major order.
using CellStore = WbCellStore<Cell>;

// An array formula entered over a block of cells; the top-left cell holds it.
struct ArrayBlock {
  int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  std::string formula;
};

struct CellRange {
  int sheet = 0;
  int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
};

struct Sheet {
  std::string name;
  bool visible = true;
  CellStore cells;
  std::vector<ArrayBlock> arrays;
  bool protectedCells = false;    // the sheet is protected: its cells are not to be changed
  std::vector<CellRange> merged;  // merged areas (rows and columns; `sheet` unused)
};

struct CellStyle {
  std::string name;
  std::string numberFormat;
  bool includeNumber = true;  // changing the style's number format changes its cells'
};

struct CalcState;             // owned by platform/calc
struct CalcTexts;             // owned by platform/calc
struct WbFileOrigin;          // owned by platform/xlsx

struct Workbook {
  std::string path;           // file it was opened from or saved to
  std::string name;           // file name without folders
  std::vector<std::unique_ptr<Sheet>> sheets;
  WbNameTable names;
  std::vector<CellStyle> styles;           // styles[0] is "Normal"
  int activeSheet = 0;
  std::uint64_t structureVersion = 1;
  std::shared_ptr<CalcState> calc;
  // Texts evaluated in the workbook's context, kept parsed and bound.
  std::shared_ptr<CalcTexts> texts;
  // What was kept of the file the workbook was opened from, for saving it.
  std::shared_ptr<const WbFileOrigin> origin;
  // Cells whose values were written since the last recalculation (sheet,
  // Wb_cellKey); past kWbChangedCellsMax writes `changedMany` stands for all.
  std::vector<std::pair<const Sheet*, std::uint64_t>> changedCells;
  bool changedMany = false;
};

constexpr std::size_t kWbChangedCellsMax = 4096;

enum class CalcMode : std::uint8_t { Automatic = 1, SemiAutomatic = 2, Manual = 3 };

struct Application {
  std::vector<std::unique_ptr<Workbook>> workbooks;
  int activeWorkbook = -1;
  CalcMode calcMode = CalcMode::Automatic;
  std::string statusBar;
  std::vector<std::string> statusHistory;
  // Called with each text put on the status bar ("" when it is given back).
  void (*statusListener)(const std::string& text) = nullptr;
  bool breakFlag = false;
  bool screenUpdating = true;
  std::vector<CellRange> selection;     // areas on the active sheet
};

// The one application of this process.
Application& Wb_app();
// Closes every workbook and resets the application to its start state (tests).
void Wb_resetApp();

// A cell's key: its row in the high half, its column in the low half, so
// that keys order cells row by row. Inline: keys are made for every cell
// read and every cell looked up.
inline std::uint64_t Wb_cellKey(int row, int col) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) | static_cast<std::uint32_t>(col);
}
inline int Wb_keyRow(std::uint64_t key) { return static_cast<int>(key >> 32); }
inline int Wb_keyCol(std::uint64_t key) { return static_cast<int>(key & 0xffffffffu); }

Workbook* Wb_newWorkbook(const std::string& name);   // owned by the application
Workbook* Wb_activeWorkbook();
void Wb_closeWorkbook(Workbook* wb);
Sheet* Wb_addSheet(Workbook* wb, const std::string& name);
// Inserts a new sheet at `index` (0 .. count); sheet-scoped names and the
// active sheet keep pointing at the same sheets.
Sheet* Wb_insertSheet(Workbook* wb, int index, const std::string& name);
// Deletes sheet `index` with the names scoped to it; false when it is the
// last sheet. The active sheet moves to a neighbour when it was deleted.
bool Wb_deleteSheet(Workbook* wb, int index);
int Wb_sheetIndex(const Workbook* wb, const std::string& name);  // case-insensitive; -1
Sheet* Wb_activeSheet(Workbook* wb);

const Cell* Wb_findCell(const Sheet* sh, int row, int col);   // nullptr when empty
Cell* Wb_cellAt(Workbook* wb, Sheet* sh, int row, int col);   // creates the cell
void Wb_setValue(Workbook* wb, Sheet* sh, int row, int col, const CellValue& v);  // clears a formula
void Wb_setFormula(Workbook* wb, Sheet* sh, int row, int col, const std::string& formula);
// Enters an array formula over the block; fails (false) when the block cuts another block.
bool Wb_setArrayFormula(Workbook* wb, Sheet* sh, const CellRange& block, const std::string& formula);
void Wb_clearCell(Workbook* wb, Sheet* sh, int row, int col);
// Used range: false when the sheet has no cells.
bool Wb_usedRange(const Sheet* sh, CellRange* out);

// Defined names, compared without regard to case. A sheet-scoped name hides a
// workbook one for formulas on that sheet.
const DefinedName* Wb_findName(const Workbook* wb, const std::string& name, int scopeSheet);
// Where a formula's names and unqualified references are read: names among
// those seen from sheet `names` (its own, then the workbook's; -1 the
// workbook's alone), references on sheet `sheet`. A cell's formula reads
// both on its own sheet.
struct WbReading {
  int sheet = 0;
  int names = 0;
};
// Where a name's definition is read when a formula read at `usedAt` uses
// it: a sheet's own name wholly on its sheet; a workbook name among the
// workbook's names, its unqualified references (a workbook has no cells)
// on the sheet that uses it.
WbReading Wb_definitionReading(const DefinedName& dn, WbReading usedAt);
// The text that names exactly this name from any sheet: "Sheet!name" for a
// sheet's own, "[0]!name" for the workbook's.
std::string Wb_qualifiedName(const Workbook* wb, const DefinedName& dn);
// The name of exactly that scope (-1 the workbook's), or nullptr.
const DefinedName* Wb_findNameInScope(const Workbook* wb, const std::string& name, int scopeSheet);
void Wb_defineName(Workbook* wb, const DefinedName& dn);   // replaces same name and scope
bool Wb_deleteName(Workbook* wb, const std::string& name, int scopeSheet);

int Wb_findStyle(const Workbook* wb, const std::string& name);  // -1 when absent
int Wb_addStyle(Workbook* wb, const CellStyle& st);

// A1 helpers: column letters <-> 0-based index; "B3" -> (2, 1).
std::string Wb_columnName(int col);
bool Wb_parseA1(std::string_view text, int* row, int* col);
std::string Wb_a1(int row, int col, bool absolute = false);
// Sheet name as a formula would write it: quoted when it needs quotes.
std::string Wb_quoteSheetName(const std::string& name);
// Whether two texts (names, functions, sheets) are the same without regard
// to case: each character, of every script, by its lower case
// (Utf8_lowerCase), whatever the process locale.
bool Wb_equalNoCase(std::string_view a, std::string_view b);
// A number written [+|-]digits[.digits][e[+|-]digits] (or starting with the
// point), blanks and tabs around it allowed, '.' as the decimal mark whatever
// the machine's locale; false for anything else and for overflow.
bool Wb_parseNumber(const std::string& text, double* out);
