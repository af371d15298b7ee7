// The compiled model's code store: one Symbol per compiled cell, defined
// name, literal, text, function and generated name, each with its current
// value and compiled code, numbered by serial for the bytecode operands; and
// the memory budget that decides which derivative modes a model may use.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "interpreter/Prog_SymbolKeys.h"
#include "values/Model_Chain.h"
#include "values/Model_Refs.h"
#include "values/Val_Value.h"

struct CodeSegment;
struct EvalContext;
struct FunctionTable;
struct Program;

// Separate key spaces: a text "true" never meets the literal TRUE, the
// literal TRUE never meets the function TRUE(), a text never shadows the
// missing-argument symbol.
enum SymbolSpace : char16_t {
  kSpaceCell = u'c',       // cells and ranges by canonical key ("s1!b4"), defined names for formulas
  kSpaceLiteral = u'l',    // booleans, errors, numbers, array constants, "MisArg"
  kSpaceText = u't',       // text literals
  kSpaceFunction = u'f',   // worksheet-function calls
  kSpaceGenerated = u'g',  // generated names: "s0!rhs3"
  kSpaceBlock = u'b',      // array-formula blocks, by their range: "s1!a1:c3"
};

struct FormulaRecord {
  std::u16string text;        // formula text, emptied once compiled
  CodeSegment* code = nullptr;  // owned
  uint8_t isArray = 0;
  uint8_t isVolatile = 0;
  uint16_t arrayRow = 0;      // the cell's place in its array formula's block
  uint8_t arrayColumn = 0;
  CellRef usedAt{};           // a defined name's formula: the cell that first used it;
                              // a right-hand side's text: its constraint's cell
  uint8_t readSheet = 0;      // a defined name's formula: the sheet its names and unqualified
                              // references are read on (0: usedAt's)
  bool workbookNames = false;  // a defined name's formula: its names are the workbook's alone
  int32_t tapeCount = 0;      // tape nodes counted by the sizing pass
  uint8_t placeDependent = 0;  // a defined name's formula taking a range element by element:
                               // a use outside arrays would meet the range in its own cell
};

struct Symbol {
  std::u16string name;
  std::u16string definition;
  SymbolSpace space = kSpaceCell;
  uint32_t serial = 0;
  Value value{};                 // source range: the symbol's cell or range
  uint8_t mark = 0;              // changed in this pass; while compiling: in progress / dependent
  std::vector<Symbol*> precedents;  // symbols the formula references, or cells a range holds
  FormulaRecord* formula = nullptr;  // owned
  uint32_t placed = 0;               // while compiling: the stamp of the last order that holds it
  uint8_t refresh = 0;               // its values are the workbook's as they stand: read again on refresh
};

// Single-cell symbols by position in pages of rows: the cells of a column
// share pages, so that a model laid down its columns finds its cells in
// memory it has just used rather than all over a hash table.
struct CellIndex {
  static constexpr int kPageRows = 64;
  using Page = std::array<Symbol*, kPageRows>;
  std::unordered_map<uint32_t, std::unique_ptr<Page>> pages;  // by sheet, column and row / kPageRows
  uint32_t lastKey = 0;                                       // the page used last, cells come in runs
  Page* lastPage = nullptr;
};

// The symbols themselves, in blocks filled in serial order: a symbol keeps
// its place for the table's life, and the table frees them block by block.
constexpr size_t kSymbolBlockSize = 256;

struct SymbolTable {
  SymbolKeys byKey;                                    // symbols by space and canonical name, single cells apart
  SymbolKeys aliases;                                  // other spellings of them ("s1!$a$1" of "s1!a1")
  mutable CellIndex cells;                             // single-cell symbols
  std::vector<std::unique_ptr<Symbol[]>> blocks;       // every symbol, kSymbolBlockSize a block
  std::vector<Symbol*> bySerial;                       // every symbol by serial; entry 0 unused
  uint32_t counter = 0;
  EvalContext* context = nullptr;
};

constexpr uint32_t kSymbolSerialMax = 0x7FFFFFFF;

SymbolTable* Prog_createSymbolTable(EvalContext* ctx);
void Prog_freeSymbolTable(SymbolTable* table);
// The symbol of that name or of that alias; a single cell also by its
// canonical name ("s1!b4").
Symbol* Prog_findSymbol(const SymbolTable* table, SymbolSpace space, const std::u16string& name);
// Makes alias a second name of the symbol (nothing when it is its name).
void Prog_addAlias(SymbolTable* table, const std::u16string& alias, Symbol* s);
// The existing symbol, or a new one with the next serial (reachable by serial
// at once); status 22 and null when the serials are used up.
Symbol* Prog_addSymbol(SymbolTable* table, SymbolSpace space, const std::u16string& name,
                       const std::u16string& definition);
// The symbol of a single cell, or null.
Symbol* Prog_findCell(const SymbolTable* table, const CellRef& cell);
// A new symbol of the cell (none must exist) under its canonical name, as
// Prog_addSymbol makes them.
Symbol* Prog_addCell(SymbolTable* table, const CellRef& cell, const std::u16string& name);
Symbol* Prog_symbolBySerial(const SymbolTable* table, uint32_t serial);
// The symbol's cell position from its range (all zero for names and literals).
CellRef Prog_symbolCell(const Symbol* s);
bool Prog_hasCode(const Symbol* s);
// Starts an evaluation pass: decision-variable cells count as changed.
void Prog_markVariableCells(SymbolTable* table);
// Compiled cells, an array formula counting its whole area.
int32_t Prog_countFormulaCells(const SymbolTable* table);
// Compiled cells (as Prog_countFormulaCells) and the cells the symbols'
// ranges cover, each counted once however many ranges hold it; shows its
// progress and stops with status 1 (false) when the user asks.
bool Prog_countCells(const SymbolTable* table, int32_t* formulaCells, int64_t* distinctCells);
// The cells of range that no symbol's range covers; false on a stop.
bool Prog_countRangeCells(const SymbolTable* table, const RangeRef& range, int64_t* uncovered);
// Status 35 at the first decision-variable cell that holds a formula.
bool Prog_checkVariableCells(SymbolTable* table);

// Memory estimates of the derivative modes in kilobytes and what they allow.
struct ProgBudget {
  int64_t availKB, forwardGradKB, forwardHessKB, reverseKB, replayKB;
  bool reverseAllowed, forwardHessAllowed, replayAllowed;
};
// Estimates from the deepest stack, the number of compiled cells, the largest
// variable count of one function, the largest tape of one cell and the free
// memory in bytes.
ProgBudget Prog_estimateMemory(int32_t depth, int32_t codeCells, int32_t nvMax, int32_t maxCellTape,
                               uint64_t freeBytes);

// Runs the cells of a chain in order on the machine; the last one's value
// is the chain's result (null for an empty chain).
const Value* Prog_runChain(Program* program, const CellChain& chain);
// The sizing pass over every function (tape counts, stack depth, each
// function's variables) and the memory budget against freeBytes; false
// when an error was raised.
bool Prog_compile(Program* program, uint64_t freeBytes, ProgBudget* budget);
// Has the reader's source read every symbol marked for refresh again (the
// workbook having recalculated), each one's changed flag set by what it
// read; nothing without a reader.
void Prog_refreshArrays(Program* program);
