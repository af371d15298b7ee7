// The formula reader: compiles every cell a model depends on into bytecode,
// referenced cells first. Each problem function's cell is read from the
// workbook, its formula parsed by recursive descent into postfix code over
// the code store's symbols, and every cell it references compiled depth
// first; each item ends with its cells in evaluation order, its own cell
// last. Pruning then keeps only the cells whose value can change with the
// decision variables or per trial.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "interpreter/Lex_Lexer.h"
#include "interpreter/Load_Source.h"
#include "interpreter/Prog_Program.h"
#include "simulation/import/Addin_Import.h"
#include "values/Model_Chain.h"
#include "values/Model_Refs.h"

struct BigMBuilder;
struct CodeSegment;
struct FunctionTable;
struct VariableTable;

// Static result types of the productions: value kinds plus markers.
enum ParseType : int32_t {
  kTypeMissing = 1,
  kTypeBool = 2,
  kTypeInt = 3,
  kTypeReal = 4,
  kTypeInvalid = 18,  // a text in arithmetic
  kTypeText = 19,
  kTypeAny = 21,
  kTypeExternal = 22,  // the formula is a lone external reference
  kTypeFailed = 24,
};

struct FormulaReader {
  EvalContext* context;
  ReaderSource* source;  // not owned
  SymbolTable* store;    // not owned
  VariableTable* variables;
  FunctionTable* functions;
  FormulaLexer lexer;
  Symbol* current;     // the cell being compiled
  CodeSegment* code;   // its code
  int32_t token;       // TokenKind
  int32_t referenceCount;
  bool loneExternal;
  int32_t firstTokenEnd;  // the lexer's cursor after the formula's first token
  bool zeroOperand;    // the last primary was a reference to a constant 0
  // The last primary was a number, or a reference to a cell without formula
  // holding a number, a logical or nothing (a decision variable too).
  bool plainOperand;
  int32_t randomCalls;
  BigMBuilder* bigM;   // null unless non-smooth constructs are linearised
  Symbol* lastBlock;   // the array block met last (its cells come in a row)
  // The argument being read is a bare reference of a function that skips
  // empty cells, so a range there is read cut to its used cells.
  bool bareArgument;
  // The last reference or constant read and where its code ends, so that a
  // call can tell an argument that is that operand alone.
  const Symbol* lastOperand;
  const uint8_t* lastOperandEnd;
  // The rows and columns a reference that is a whole argument is read at,
  // from its first cell (0: its own): SUMIF's sum range has its range's.
  int32_t sizedRows, sizedColumns;
  // The order being built and the stamp its symbols carry in Symbol::placed.
  const std::vector<Symbol*>* stampedOrder;
  size_t stampedSize;
  uint32_t orderStamp;
  // Formulas an import of another add-in's model put in place of cells' own,
  // by cell key, and what the import found.
  std::unordered_map<uint32_t, std::u16string> rewrites;
  AddinReport imported;
  // The model order every function's chain shares, the stamp its cells
  // carry in Symbol::placed, and by serial the spans each placed cell runs.
  std::shared_ptr<CellChain::Order> modelOrder;
  uint32_t modelStamp;
  std::vector<std::vector<CellChain::Span>> reach;
  // Cells the ranges still to be built may have (kReaderRangeCellsPerLoad
  // when the reader is made).
  int64_t rangeCellsLeft;
};

// The most cells one range may have, as in the spreadsheet: a larger one
// reads as #REF!. Ranges are built element by element (64 bytes each), so
// the cells of all the ranges one reader builds are bounded too, at two of
// the largest (512 MB): past that the load stops, out of memory, at the
// cell whose formula asked for more.
constexpr int64_t kReaderMaxRangeCells = int64_t{1} << 22;
constexpr int64_t kReaderRangeCellsPerLoad = int64_t{1} << 23;

// Options of the binding: import a model written with another
// optimisation add-in's markers; recognise other simulation add-ins'
// definitions; linearise non-smooth and logical constructs over the
// decision variables with big-M rows.
constexpr uint32_t kReaderImportMarkers = 1;
constexpr uint32_t kReaderImportSimulation = 2;
constexpr uint32_t kReaderBigM = 4;

// A reader over the context's code store; null when memory runs out.
FormulaReader* Reader_create(EvalContext* ctx, SymbolTable* store, ReaderSource* source);
void Reader_destroy(FormulaReader* reader);
// Binds the model's tables and indexes the items; with an import option
// the other add-in's model is imported first (false, with the reader's
// report, when it fails); with kReaderBigM the compile linearises (false
// when the builder cannot start).
bool Reader_bindModel(FormulaReader* reader, FunctionTable* functions, VariableTable* variables,
                      uint32_t options = 0);
// Compiles every item's cell and right-hand side, then finishes the model;
// false when a status was raised.
bool Parse_compileModel(FormulaReader* reader);
// The steps of Parse_compileModel: one item's cell and right-hand side into
// the model order (false when a status was raised), and what follows the
// last item (the registry's trial rows, the linearisation's closing rows).
bool Parse_compileItem(FormulaReader* reader, size_t item);
bool Parse_finishModel(FormulaReader* reader);
// Keeps in each item's chains only the cells that depend on the variables,
// are volatile or are the root; with freeConstants the others lose their
// code and keep their values.
bool Parse_pruneModel(FormulaReader* reader, bool freeConstants);
// The symbol of a cell, read from the source when it is new.
Symbol* Parse_cellSymbol(FormulaReader* reader, const CellRef& cell);
// Compiles a cell and appends it, after what it references, to order (a
// cell already in order stays where it is); iterative, so a chain of any
// length compiles.
void Parse_compileCell(FormulaReader* reader, std::vector<Symbol*>* order, Symbol* cell);
// Takes the cells past size out of order (what a failed compile placed), as
// never placed; the rest keep their places, so the next compile into order
// goes on without placing it all again.
void Parse_unplaceAfter(FormulaReader* reader, std::vector<Symbol*>* order, size_t size);
// Compiles a cell into the reader's model order (each cell placed once,
// after what it references) and makes chain the spans of that order which
// the cell runs: what it references, itself last.
void Parse_compileChain(FormulaReader* reader, CellChain* chain, Symbol* cell);
// The generated symbol "s0!rhsK" holding a right-hand side given as text,
// read as a formula of `place` (the constraint's cell) reads it: its names
// are the sheet's own first, then the workbook's.
Symbol* Parse_rhsSymbol(FormulaReader* reader, int32_t item, const std::u16string& text, const CellRef& place);
// Compiles one formula text into the symbol's code (the text must be set).
int32_t Parse_formula(FormulaReader* reader, Symbol* cell);
// The formula text of a cell of the source; false when it holds none.
bool Parse_formulaOf(ReaderSource* source, const CellRef& cell, std::u16string* formula);
// Function id and argument count of a function symbol.
int16_t Parse_functionId(const Symbol* fn);
int32_t Parse_argumentCount(const Symbol* fn);
