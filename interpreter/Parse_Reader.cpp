// Reading, compiling and pruning the cells of a model: symbol naming, the
// depth-first compilation with circular-reference detection, and pruning to
// the cells that depend on the variables.
#include "interpreter/Parse_Reader.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_set>
#include <utility>

#include "interpreter/BigM_Builder.h"
#include "interpreter/Code_Segment.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Import_Model.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Vm_Machine.h"
#include "simulation/registry/CellReg_Registry.h"
#include "values/Fn_Ids.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

void raiseAt(FormulaReader* r, InterpStatus code, const CellRef& at) {
  Vm_raise(Vm_errorsOf(r->context), code, "Parse", at.sheet, at.row, at.column);
}

std::u16string ascii(const char* text) { return Text_fromUtf8(text); }

void setSource(Value* v, const RangeRef& range) { Vm_setRangeRef(v, &range); }

// "s1!" of a sheet: the prefix of every cell and range key.
std::u16string sheetPrefix(uint8_t sheet) { return u"s" + ascii(std::to_string(sheet).c_str()) + u"!"; }

bool sameRange(const RangeRef& a, const RangeRef& b) {
  return a.sheet == b.sheet && a.firstRow == b.firstRow && a.firstColumn == b.firstColumn && a.lastRow == b.lastRow &&
         a.lastColumn == b.lastColumn;
}

// Whether a decision variable lies in the range.
bool holdsVariable(const VariableTable* variables, const RangeRef& range) {
  return variables && std::any_of(variables->ranges.begin(), variables->ranges.end(),
                                  [&range](const RangeRef& v) { return Model_rangesOverlap(v, range); });
}

// The symbol of an array formula's block: the block formula, compiled and
// run once for the whole block; each cell of the block takes its element.
// Its array is made when it first runs, unless a decision variable lies in
// it: that one is bound in it now, and so refused with the formula.
Symbol* blockSymbol(FormulaReader* r, const ReaderCell& info) {
  const RangeRef& block = info.block;
  if (r->lastBlock && r->lastBlock->value.source && sameRange(*r->lastBlock->value.source, block)) return r->lastBlock;
  const std::u16string name = sheetPrefix(block.sheet) + Model_rangeText(block);
  Symbol* s = Prog_findSymbol(r->store, kSpaceBlock, name);
  if (s) return r->lastBlock = s;
  s = Prog_addSymbol(r->store, kSpaceBlock, name, u"");
  if (!s) return nullptr;
  r->lastBlock = s;
  const auto rows = static_cast<uint16_t>(block.lastRow - block.firstRow + 1);
  const auto columns = static_cast<uint8_t>(block.lastColumn - block.firstColumn + 1);
  if (holdsVariable(r->variables, block) && Val_makeArray(&s->value, rows, columns) != 0) return nullptr;
  s->formula = new FormulaRecord();
  s->formula->text = info.formula;
  s->formula->isArray = 1;
  setSource(&s->value, block);
  if (r->variables) Model_bindVariable(r->variables, &s->value);
  return s;
}

// A cell of an array formula whose whole block of several cells is known
// and is run once for the whole block.
bool inBlock(const ReaderCell& info) {
  return info.isArray && Model_validRange(info.block) && Model_rangeArea(info.block) >= 2;
}

// A cell's formula: its own (the text moves from info), or its array
// block's.
void setFormula(FormulaReader* r, Symbol* s, ReaderCell* info) {
  if (inBlock(*info)) {
    if (Symbol* block = blockSymbol(r, *info)) s->precedents.push_back(block);
    return;
  }
  s->formula = new FormulaRecord();
  s->formula->text = std::move(info->formula);
  s->formula->isArray = info->isArray;
  s->formula->arrayRow = info->arrayRow;
  s->formula->arrayColumn = info->arrayColumn;
}

// Makes info as new, keeping the memory of its formula text.
void renew(ReaderCell* info) {
  std::u16string text = std::move(info->formula);
  text.clear();
  *info = ReaderCell{std::move(text)};
}

// A cell from the source, with the formula an import gave it in place of
// its own.
bool readCell(FormulaReader* r, const CellRef& cell, Value* value, ReaderCell* info) {
  if (!r->source->readCell(cell, value, info)) return false;
  const auto rewritten = r->rewrites.find(CellReg_cellKey(cell.sheet, cell.row, cell.column));
  if (rewritten != r->rewrites.end()) *info = ReaderCell{rewritten->second};
  return true;
}

// A range spelled from any two opposite corners ("c9:a1") as the same
// range from its top left to its bottom right.
void orderCorners(RangeRef* range) {
  if (range->firstRow > range->lastRow) std::swap(range->firstRow, range->lastRow);
  if (range->firstColumn > range->lastColumn) std::swap(range->firstColumn, range->lastColumn);
}

// The smallest range holding a and b.
RangeRef spanOf(const RangeRef& a, const RangeRef& b) {
  return RangeRef{a.sheet, std::min(a.firstRow, b.firstRow), std::min(a.firstColumn, b.firstColumn),
                  std::max(a.lastRow, b.lastRow), std::max(a.lastColumn, b.lastColumn)};
}

// The part of a range inside its sheet's used area, or the whole range when
// the source does not know the used area; false when no cell of it is used.
bool usedPart(FormulaReader* r, const RangeRef& range, RangeRef* part) {
  RangeRef used{};
  if (!r->source->usedArea(range.sheet, &used)) return *part = range, true;
  return Model_validRange(used) && Model_intersectRanges(range, used, part);
}

// A range of several cells cut to those that can hold anything: the cells
// in the sheet's used area and the decision variables. At least two cells
// stay, so that the cut is still a range (the cells added are empty too).
// False when the source does not know the used area.
bool cutToUsed(FormulaReader* r, const RangeRef& range, RangeRef* cut) {
  RangeRef live{};
  if (!r->source->usedArea(range.sheet, &live)) return false;
  if (r->variables)
    for (const RangeRef& v : r->variables->ranges)
      if (v.sheet == range.sheet) live = Model_validRange(live) ? spanOf(live, v) : v;
  if (!Model_validRange(live) || !Model_intersectRanges(range, live, cut))
    *cut = RangeRef{range.sheet, range.firstRow, range.firstColumn, range.firstRow, range.firstColumn};
  if (cut->firstRow != cut->lastRow || cut->firstColumn != cut->lastColumn) return true;
  if (cut->lastRow < range.lastRow) ++cut->lastRow;
  else if (cut->firstRow > range.firstRow) --cut->firstRow;
  else if (cut->lastColumn < range.lastColumn) ++cut->lastColumn;
  else --cut->firstColumn;
  return true;
}

CellRef currentCell(const FormulaReader* r);

// Counts a range's cells against what one reader may build; false, with the
// status raised at the cell being compiled (or the range's first cell when
// none is), when they are more than is left.
bool spendRangeCells(FormulaReader* r, int64_t cells, const RangeRef& range) {
  r->rangeCellsLeft -= cells;
  if (r->rangeCellsLeft >= 0) return true;
  raiseAt(r, kStatusNoMemory, r->current ? currentCell(r) : CellRef{range.sheet, range.firstRow, range.firstColumn});
  return false;
}

// The cells of a run of a range's cells as their source gives them, along
// a row or down a column: their values into the range's array; a formula
// cell as a precedent of its own, a cell of an array block its block,
// once. The number of cells read, 0 when reading fails (raised). With
// formulas imported in place of cells' own, every cell is read alone.
int32_t readRangeRun(FormulaReader* r, Symbol* s, const RangeRef& range, const CellRef& first, int32_t count, bool down,
                     ReaderCell* info, std::vector<Symbol*>* blocks) {
  Value* values = Val_at(&s->value, first.row - range.firstRow, first.column - range.firstColumn);
  renew(info);
  int32_t n = r->rewrites.empty() ? r->source->readRun(first, count, down, values, info) : 0;
  if (n == 0 && !readCell(r, first, values, info)) {
    raiseAt(r, kStatusOleError, first);
    return 0;
  }
  n = std::max(n, 1);
  if (info->storedOnly) s->refresh = 1;
  if (info->formula.empty()) return n;
  if (!inBlock(*info)) {
    for (int32_t k = 0; k < n; ++k) {
      const CellRef cell{first.sheet, static_cast<uint16_t>(first.row + (down ? k : 0)),
                         static_cast<uint8_t>(first.column + (down ? 0 : k))};
      if (Symbol* precedent = Parse_cellSymbol(r, cell)) s->precedents.push_back(precedent);
    }
  } else if (Symbol* block = blockSymbol(r, *info);
             block && std::find(blocks->begin(), blocks->end(), block) == blocks->end()) {
    blocks->push_back(block);
    s->precedents.push_back(block);
  }
  return n;
}

// Reads the cells of the range's part read into its array, run after run:
// along the rows, or down a range one column wide, whose elements lie one
// after another too. False when reading fails (raised).
bool readRangeCells(FormulaReader* r, Symbol* s, const RangeRef& range, const RangeRef& read) {
  const bool down = range.firstColumn == range.lastColumn;
  std::vector<Symbol*> blocks;  // the array blocks the range meets
  ReaderCell info;              // one for every run: its formula's memory serves them all
  int32_t row = read.firstRow, column = read.firstColumn;
  while (row <= read.lastRow && r->context->errors.errorCount == 0) {
    const CellRef cell{range.sheet, static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
    const int32_t count = down ? read.lastRow - row + 1 : read.lastColumn - column + 1;
    const int32_t n = readRangeRun(r, s, range, cell, count, down, &info, &blocks);
    if (n == 0) return false;
    if (down) {
      row += n;
    } else if ((column += n) > read.lastColumn) {
      ++row;
      column = read.firstColumn;
    }
  }
  return true;
}

// A new cell or range symbol: its values read from the source, its formula
// cells as precedents, its variables bound.
void fillRangeSymbol(FormulaReader* r, Symbol* s, const RangeRef& range) {
  const bool single = range.firstRow == range.lastRow && range.firstColumn == range.lastColumn;
  if (single) {
    ReaderCell info;
    const CellRef cell{range.sheet, range.firstRow, range.firstColumn};
    if (!readCell(r, cell, &s->value, &info)) {
      raiseAt(r, kStatusOleError, cell);
      return;
    }
    s->refresh = info.storedOnly ? 1 : 0;
    if (!info.formula.empty()) setFormula(r, s, &info);
  } else {
    const uint16_t rows = static_cast<uint16_t>(range.lastRow - range.firstRow + 1);
    const uint8_t columns = static_cast<uint8_t>(range.lastColumn - range.firstColumn + 1);
    const int64_t cells = int64_t{rows} * columns;
    if (cells > kReaderMaxRangeCells) {
      Val_setError(&s->value, kErrRef);
      return;
    }
    if (!spendRangeCells(r, cells, range)) return;
    if (Val_makeArray(&s->value, rows, columns) != 0) return;
    // Only the cells in the sheet's used area are read; the others stay empty.
    RangeRef read{};
    if (usedPart(r, range, &read) && !readRangeCells(r, s, range, read)) return;
  }
  setSource(&s->value, range);
  if (r->variables) Model_bindVariable(r->variables, &s->value);
  if (r->variables) Model_bindUncertainCells(r->variables, &s->value);
}

// "%g"-style text of a number for the names of constants.
std::u16string numberName(double x) {
  char16_t buffer[32];
  const int n = Text_formatNumber(x, buffer);
  return std::u16string(buffer, static_cast<size_t>(n));
}

}  // namespace

// ---- Creation and binding ----

FormulaReader* Reader_create(EvalContext* ctx, SymbolTable* store, ReaderSource* source) {
  Vm_clearErrors(&ctx->errors);
  FormulaReader* r = new FormulaReader();
  r->context = ctx;
  r->source = source;
  r->store = store;
  r->rangeCellsLeft = kReaderRangeCellsPerLoad;
  Lex_init(&r->lexer, ctx);
  ctx->tables.codeStore = store;
  ctx->tables.reader = r;
  return r;
}

void Reader_destroy(FormulaReader* reader) {
  if (!reader) return;
  if (reader->context && reader->context->tables.reader == reader) reader->context->tables.reader = nullptr;
  BigM_destroy(reader->bigM);
  Lex_destroy(&reader->lexer);
  delete reader;
}

bool Reader_bindModel(FormulaReader* r, FunctionTable* functions, VariableTable* variables, uint32_t options) {
  r->functions = functions;
  r->variables = variables;
  r->context->tables.functions = functions;
  r->context->tables.variables = variables;
  r->randomCalls = 0;
  if ((options & (kReaderImportSimulation | kReaderImportMarkers)) && !Import_run(r, options)) return false;
  if ((options & kReaderBigM) && !r->bigM && !(r->bigM = BigM_init(r))) return false;
  return Model_buildItemArray(functions);
}

// ---- Symbols ----

namespace {

// The symbol of a cell or range under its canonical key "s1!a1:b3" (however
// the formula spelled it), read from the source when it is new.
Symbol* rangeSymbol(FormulaReader* r, const RangeRef& range) {
  if (range.firstRow == range.lastRow && range.firstColumn == range.lastColumn) {
    const CellRef cell{range.sheet, range.firstRow, range.firstColumn};
    if (Symbol* known = Prog_findCell(r->store, cell)) return known;
    Symbol* s = Prog_addCell(r->store, cell, sheetPrefix(range.sheet) + Model_rangeText(range));
    if (s) fillRangeSymbol(r, s, range);
    return s;
  }
  const uint32_t before = r->store->counter;
  Symbol* s = Prog_addSymbol(r->store, kSpaceCell, sheetPrefix(range.sheet) + Model_rangeText(range), u"");
  if (s && s->serial > before) fillRangeSymbol(r, s, range);  // new: read from the source
  return s;
}

}  // namespace

bool Parse_formulaOf(ReaderSource* source, const CellRef& cell, std::u16string* formula) {
  Value v{};
  ReaderCell info;
  const bool read = source->readCell(cell, &v, &info);
  Val_clear(&v);
  *formula = std::move(info.formula);
  return read && !formula->empty();
}

Symbol* Parse_cellSymbol(FormulaReader* r, const CellRef& cell) {
  return rangeSymbol(r, RangeRef{cell.sheet, cell.row, cell.column, cell.row, cell.column});
}

Symbol* Parse_rhsSymbol(FormulaReader* r, int32_t item, const std::u16string& text, const CellRef& place) {
  const std::u16string name = u"s0!rhs" + ascii(std::to_string(item).c_str());
  Symbol* s = Prog_addSymbol(r->store, kSpaceGenerated, name, u"");
  if (s && !s->formula && !Prog_hasCode(s)) {
    s->formula = new FormulaRecord();
    s->formula->text = text;
    s->formula->usedAt = place;
  }
  return s;
}

int16_t Parse_functionId(const Symbol* fn) {
  return static_cast<int16_t>(static_cast<uint32_t>(fn->value.number) & 0xFFFFu);
}

int32_t Parse_argumentCount(const Symbol* fn) { return static_cast<int32_t>(static_cast<uint32_t>(fn->value.number) >> 16); }

// ---- Parser ----

namespace {

int32_t comparison(FormulaReader* r);

int32_t next(FormulaReader* r) { return r->token = Lex_next(&r->lexer); }

// The last primary read is no plain operand (and no zero constant).
void clearOperand(FormulaReader* r) { r->zeroOperand = r->plainOperand = false; }
uint8_t* codePosition(FormulaReader* r) { return r->code->cursor; }

void emit(FormulaReader* r, uint8_t op) { Code_emitByte(r->code, op); }

void emitOperand(FormulaReader* r, uint8_t op, const Symbol* s) {
  if (!Code_hasRoom(r->code, kCodeOperandSize)) return;
  Code_emitByte(r->code, op);
  Code_emitWord(r->code, s->serial);
}

void addDependency(FormulaReader* r, Symbol* s) {
  std::vector<Symbol*>& deps = r->current->precedents;
  if (std::find(deps.begin(), deps.end(), s) == deps.end()) deps.push_back(s);
}

int32_t arithmeticType(int32_t a, int32_t b) {
  if (a == kTypeFailed || b == kTypeFailed) return kTypeFailed;
  if (a == kTypeText || b == kTypeText) return kTypeInvalid;
  if (a == kTypeReal || b == kTypeReal) return kTypeReal;
  if (a == kTypeAny || b == kTypeAny) return kTypeAny;
  return kTypeInt;
}

int32_t typeOfKind(int32_t kind) { return kind == kValArray || kind == kValError ? kTypeAny : kind; }

// Where a symbol's formula stands; a defined name's formula has no cell (it
// is no reference) and stands for the cell that first used the name.
CellRef placeOf(const Symbol* s) {
  return s->value.source || !s->formula ? Prog_symbolCell(s) : s->formula->usedAt;
}

CellRef currentCell(const FormulaReader* r) { return placeOf(r->current); }

// The sheet the current formula's references and names are read on: a
// defined name's own sheet for its formula, else the formula's cell's.
uint8_t readingSheet(const FormulaReader* r) {
  const FormulaRecord* f = r->current->formula;
  return f && f->readSheet != 0 ? f->readSheet : currentCell(r).sheet;
}

bool isExternalText(const std::u16string& text) {
  const size_t open = text.find(u'[');
  return open != std::u16string::npos && text.find(u']', open) != std::u16string::npos;
}

// A reference into another workbook: a symbol keyed by the text itself that
// holds the values read from that book; status 24 when they cannot be read.
Symbol* externalSymbol(FormulaReader* r, const std::u16string& text) {
  Value value = Val_empty(r->context);
  Symbol* s = nullptr;
  if (!r->source->readExternal(text, &value)) {
    raiseAt(r, kStatusExternalName, currentCell(r));
  } else if ((s = Prog_addSymbol(r->store, kSpaceCell, text, u""))) {
    Val_assign(&s->value, &value);
    s->refresh = 1;
  }
  Val_clear(&value);
  return s;
}

// A spelling that reads as one cell ("b4", "$b$4", "s2!b4"): resolved at
// once and found by its position, never looked up by its text.
bool readsAsCell(const std::u16string& text) {
  return !text.empty() && text.back() >= u'0' && text.back() <= u'9' && text.find(u':') == std::u16string::npos;
}

// The range of rows x columns cells from range's first cell, within the
// sheet.
RangeRef sizedFromFirstCell(RangeRef range, int32_t rows, int32_t columns) {
  range.lastRow = static_cast<uint16_t>(std::min<int32_t>(range.firstRow + rows - 1, UINT16_MAX));
  range.lastColumn = static_cast<uint8_t>(std::min<int32_t>(range.firstColumn + columns - 1, UINT8_MAX));
  return range;
}

// The rows and columns of an argument whose code from start is one
// reference or constant alone: a range's, an array constant's, or 1 x 1;
// false for any other argument.
bool operandSize(const FormulaReader* r, const uint8_t* start, int32_t* rows, int32_t* columns) {
  if (r->lastOperandEnd != r->code->cursor || r->code->cursor - start != kCodeOperandSize) return false;
  const Value& v = r->lastOperand->value;
  if (v.source) {
    *rows = v.source->lastRow - v.source->firstRow + 1;
    *columns = v.source->lastColumn - v.source->firstColumn + 1;
  } else if (v.kind == kValArray && v.array) {
    *rows = v.array->rows;
    *columns = v.array->columns;
  } else {
    *rows = *columns = 1;
  }
  return true;
}

// The text a token is resolved by: inside a workbook name's formula, a
// name without its sheet is the workbook's.
std::u16string resolvedText(const FormulaReader* r, const std::u16string& token) {
  const FormulaRecord* f = r->current->formula;
  const bool workbookNames = f && f->workbookNames && token.find(u'!') == std::u16string::npos;
  return workbookNames ? Load_workbookNameText(token) : token;
}

int32_t reference(FormulaReader* r) {
  const bool external = isExternalText(r->lexer.tokenText);
  const std::u16string text = external ? r->lexer.tokenText : resolvedText(r, r->lexer.tokenText);
  const uint8_t sheet = readingSheet(r);
  const std::u16string name = external ? text : sheetPrefix(sheet) + text;
  // Only the argument's first token may be the sum range read at another
  // size, and only when it is the whole argument (below): 1/(A3-A3) keeps
  // both its A3.
  const bool sizing = r->sizedRows > 0 && !external;
  const int32_t sizedRows = r->sizedRows, sizedColumns = r->sizedColumns;
  r->sizedRows = r->sizedColumns = 0;
  Symbol* s = (external || !readsAsCell(text)) && !sizing ? Prog_findSymbol(r->store, kSpaceCell, name) : nullptr;
  const bool bare = r->bareArgument;
  r->bareArgument = false;
  const bool first = r->lexer.cursor == r->firstTokenEnd;
  next(r);
  const bool wholeArgument = r->token == kTokComma || r->token == kTokClose;
  if (!s && external) {
    // Alone in its formula (its first token and its last) the reference
    // leaves the cell with its stored value, which is read again on refresh.
    if (first && r->token == kTokEnd) {
      r->loneExternal = true;
      return kTypeExternal;
    }
    if (!(s = externalSymbol(r, text))) return kTypeFailed;
  } else if (!s) {
    LoadNamed named;
    if (!r->source->resolve(sheet, text, &named)) {
      raiseAt(r, kStatusUndefinedIdentifier, currentCell(r));
      return kTypeFailed;
    }
    RangeRef range = named.range, cut{};
    orderCorners(&range);
    const RangeRef written = range;
    if (sizing && wholeArgument && range.sheet != 0) range = sizedFromFirstCell(range, sizedRows, sizedColumns);
    if (bare && (r->token == kTokComma || r->token == kTokClose) && Model_rangeArea(range) > 1 &&
        cutToUsed(r, range, &cut)) {
      // The whole argument of a function that skips empty cells: its used
      // cells are all that count, under the cut range's own key.
      s = rangeSymbol(r, cut);
    } else if (range.sheet != 0) {
      // Every spelling of a range ("$a$1", "sheet1!a1", a defined name) is
      // an alias of its one symbol; not of a range read at another size.
      if ((s = rangeSymbol(r, range)) && sameRange(range, written)) Prog_addAlias(r->store, name, s);
    } else if ((s = Prog_findSymbol(r->store, kSpaceCell, name))) {
      // A formula name met before whose text reads like a cell ("rhs1"),
      // so it was not looked up by its text above.
    } else if ((s = Prog_addSymbol(r->store, kSpaceCell, name, u""))) {
      // A defined name standing for a formula: compiled at the cell that
      // uses it, its names and references read on the sheet that defines it.
      s->formula = new FormulaRecord();
      s->formula->text = named.formula;
      s->formula->usedAt = currentCell(r);
      s->formula->readSheet = named.formulaSheet;
      s->formula->workbookNames = named.workbookNames;
    }
    if (!s) return kTypeFailed;
  }
  // A decision variable or a sampled input always holds a number, but no
  // constant one.
  r->plainOperand = s->value.kind <= kValReal && !s->formula && s->precedents.empty();
  r->zeroOperand = r->plainOperand && s->value.number == 0.0 && s->value.reference == 0;
  ++r->referenceCount;
  emitOperand(r, kCodeRef, s);
  r->lastOperand = s;
  r->lastOperandEnd = codePosition(r);
  addDependency(r, s);
  return typeOfKind(s->value.kind);
}

int32_t constantOperand(FormulaReader* r, SymbolSpace space, uint8_t op) {
  Symbol* s = Prog_addSymbol(r->store, space, r->lexer.tokenText, u"");
  if (!s) return kTypeFailed;
  // A number whose name another value already holds gets a name of its own.
  if (op == kCodeNumber && s->value.kind != kValEmpty && s->value.number != r->lexer.value.number)
    s = Prog_addSymbol(r->store, space, r->lexer.tokenText + u"#" + numberName(r->lexer.value.number), u"");
  if (!s) return kTypeFailed;
  if (s->value.kind == kValEmpty && op != kCodeText) Val_assign(&s->value, &r->lexer.value);
  emitOperand(r, op, s);
  r->lastOperand = s;
  r->lastOperandEnd = codePosition(r);
  next(r);
  r->plainOperand = op == kCodeNumber;
  return op == kCodeText ? kTypeText : typeOfKind(s->value.kind);
}

int32_t missingArgument(FormulaReader* r) {
  Symbol* s = Prog_addSymbol(r->store, kSpaceLiteral, u"MisArg", u"");
  if (!s) return kTypeFailed;
  s->value.kind = kValMissing;
  emitOperand(r, kCodeLiteral, s);
  return kTypeMissing;
}

// The function symbol: plain name; "%s%d" with the argument count when the
// name was entered with another count; random functions numbered per call.
Symbol* functionSymbol(FormulaReader* r, const FunctionRecord& fn, int32_t n) {
  const std::u16string base = fn.name[0] ? std::u16string(fn.name) : r->lexer.tokenText;
  const double number = static_cast<double>((static_cast<uint32_t>(n) << 16) | static_cast<uint16_t>(fn.id));
  std::u16string name = base;
  int32_t callNumber = 0;
  if (Fn_isRandom(fn.id)) {
    callNumber = ++r->randomCalls;
    if (callNumber > 1) name += ascii(std::to_string(callNumber).c_str());
  } else if (Symbol* same = Prog_findSymbol(r->store, kSpaceFunction, name); same && same->value.number != number) {
    name += ascii(std::to_string(n).c_str());
  }
  Symbol* s = Prog_addSymbol(r->store, kSpaceFunction, name, base != name ? base : u"");
  if (!s) return nullptr;
  s->value.kind = kValReal;
  s->value.number = number;
  if (callNumber > 0) s->value.reference = -callNumber;
  return s;
}

// Functions whose result comes from the used cells of a range alone: they
// skip empty cells wherever they stand in it.
constexpr int16_t kSkipsEmptyCells[] = {kIdSum, kIdCount, kIdCounta, kIdAverage, kIdMax, kIdMin};

bool skipsEmptyCells(int16_t id) {
  return std::find(std::begin(kSkipsEmptyCells), std::end(kSkipsEmptyCells), id) != std::end(kSkipsEmptyCells);
}

constexpr int32_t kSumRangeArgument = 2;

int32_t call(FormulaReader* r) {
  const FunctionRecord fn = r->lexer.function;
  const std::u16string text = r->lexer.tokenText;
  if (next(r) != kTokOpen) {
    raiseAt(r, kStatusMissingOpen, currentCell(r));
    return kTypeFailed;
  }
  next(r);
  uint8_t* const callStart = codePosition(r);
  if (Fn_isArrayArgs(fn.id)) emit(r, kCodeArrayArgs);
  int32_t n = 0;
  bool failed = false;
  std::vector<uint8_t*> argStarts;
  // SUMIF's sum range, a reference alone, is read at the size of its range,
  // from its first cell, as the worksheet reads it.
  int32_t rangeRows = 0, rangeColumns = 0;
  if (r->token == kTokClose) {
    next(r);
  } else {
    for (;;) {
      argStarts.push_back(codePosition(r));
      r->bareArgument = skipsEmptyCells(fn.id) && !r->bigM && r->token == kTokName;
      const FnParameterKind kind = Fn_parameterKind(fn.id, n);
      const bool table = kind == kParamTable && !Fn_isArrayArgs(fn.id);
      // A number or logical of an array-taking call (TREND's constant) is
      // read in the context around the call, its arguments' array context
      // closed for it: -A1:B2 there meets the formula's cell.
      const bool single = Fn_isArrayArgs(fn.id) &&
                          (kind == kParamNumber || kind == kParamNumberNoLogical || kind == kParamLogical);
      if (table) emit(r, kCodeArrayArgs);
      if (single) emit(r, kCodeArrayEnd);
      r->lastOperand = nullptr;
      r->lastOperandEnd = nullptr;
      if (fn.id == kIdSumif && n == kSumRangeArgument && r->token == kTokName) {
        r->sizedRows = rangeRows;
        r->sizedColumns = rangeColumns;
      }
      const int32_t type = r->token == kTokComma || r->token == kTokClose ? missingArgument(r) : comparison(r);
      r->sizedRows = r->sizedColumns = 0;
      if (fn.id == kIdSumif && n == 0 && !operandSize(r, argStarts.back(), &rangeRows, &rangeColumns))
        rangeRows = rangeColumns = 0;
      if (table) emit(r, kCodeArrayEnd);
      if (single) emit(r, kCodeArrayArgs);
      ++n;
      if (type > kTypeAny && r->context->errors.errorCount == 0) {
        Vm_raise(Vm_errorsOf(r->context), kStatusTypeMismatch, "param", currentCell(r).sheet, currentCell(r).row,
                 currentCell(r).column);
      }
      failed = failed || type == kTypeFailed;
      if (r->token != kTokComma || n >= kFnMaxArguments) break;
      next(r);
    }
    if (r->token != kTokClose) {
      raiseAt(r, n >= kFnMaxArguments ? kStatusWrongArgumentCount : kStatusMissingClose, currentCell(r));
      return kTypeFailed;
    }
    next(r);
  }
  if (!Fn_acceptsCount(&fn, n)) {
    raiseAt(r, kStatusWrongArgumentCount, currentCell(r));
    return kTypeFailed;
  }
  if (r->context->errors.errorCount) return kTypeFailed;
  int32_t replaced = kTypeAny;
  if (r->bigM && !failed && BigM_replaceCall(r->bigM, fn.id, n, callStart, argStarts, &replaced)) {
    clearOperand(r);
    return replaced;
  }
  FunctionRecord named = fn;
  if (!named.name[0]) std::copy(text.begin(), text.begin() + std::min<size_t>(text.size(), kFnNameLength - 1), named.name);
  Symbol* s = functionSymbol(r, named, n);
  if (!s) return kTypeFailed;
  if (fn.isVolatile && r->current->formula) r->current->formula->isVolatile = 1;
  addDependency(r, s);
  emitOperand(r, kCodeCall, s);
  clearOperand(r);
  return failed ? kTypeFailed : fn.resultType;
}

int32_t primary(FormulaReader* r) {
  clearOperand(r);
  // A refused formula reads no further operand: a cell or range it made now
  // would be left unread by the refusal, and a later formula would find it so.
  if (r->context->errors.errorCount) return kTypeFailed;
  switch (r->token) {
    case kTokFunction: return call(r);
    case kTokLiteral: return constantOperand(r, kSpaceLiteral, kCodeLiteral);
    case kTokNumber: return constantOperand(r, kSpaceLiteral, kCodeNumber);
    case kTokArray: return constantOperand(r, kSpaceLiteral, kCodeArray);
    case kTokText: return constantOperand(r, kSpaceText, kCodeText);
    case kTokName: return reference(r);
    case kTokOpen: {
      next(r);
      const int32_t type = comparison(r);
      if (r->token != kTokClose) {
        raiseAt(r, kStatusMissingClose, currentCell(r));
        return kTypeFailed;
      }
      emit(r, kCodeParen);
      next(r);
      clearOperand(r);
      return type;
    }
    default:
      raiseAt(r, kStatusInvalidExpression, currentCell(r));
      return kTypeFailed;
  }
}

int32_t signedPrimary(FormulaReader* r) {
  int32_t minus = 0;
  while (r->token == kTokAdd || r->token == kTokSub) {
    if (r->token == kTokSub) ++minus;
    next(r);
  }
  const int32_t type = primary(r);
  // An even count still negates twice: "--" turns booleans into numbers.
  for (int32_t k = minus % 2 ? 1 : std::min<int32_t>(minus, 2); k > 0; --k) emit(r, kCodeNeg);
  return type;
}

// Each "%" divides by 100 once more: "5%%" is 0.0005.
int32_t percent(FormulaReader* r) {
  int32_t type = signedPrimary(r);
  for (; r->token == kTokPercent; next(r)) {
    emit(r, kCodePercent);
    if (type != kTypeFailed && type != kTypeInvalid) type = type == kTypeText ? kTypeInvalid : kTypeReal;
  }
  return type;
}

// What a factor of a product is: a zero constant, and a plain operand (a
// number, or a reference to a cell without formula holding a number, a
// logical or nothing: never an error or a text), signed or taken in
// percent; a power is neither.
struct Factor {
  bool zero = false;
  bool plain = false;
};

int32_t power(FormulaReader* r, Factor* factor) {
  int32_t type = percent(r);
  *factor = Factor{r->zeroOperand, r->plainOperand};
  while (r->token == kTokPow) {
    next(r);
    type = arithmeticType(type, percent(r));
    emit(r, kCodePow);
    *factor = Factor{};
  }
  return type;
}

// A product of plain factors one of which is a constant 0 folds to the
// integer 0: it is 0 whatever values the cells take. A division, an error,
// a text or a formula among the factors may give an error instead, so such
// a product is kept.
int32_t multiplicative(FormulaReader* r) {
  uint8_t* const start = codePosition(r);
  Factor factor{};
  int32_t type = power(r, &factor);
  bool anyZero = factor.zero, foldable = factor.plain, product = false;
  while (r->token == kTokMul || r->token == kTokDiv) {
    const int32_t op = r->token;
    next(r);
    const int32_t leftType = type;
    uint8_t* const rightStart = codePosition(r);
    type = arithmeticType(type, power(r, &factor));
    product = true;
    if (op == kTokMul && leftType == kTypeBool && r->bigM && type != kTypeFailed &&
        BigM_replaceProduct(r->bigM, start, rightStart)) {
      type = kTypeReal;
      foldable = false;
      continue;
    }
    anyZero = anyZero || factor.zero;
    foldable = foldable && factor.plain && op == kTokMul;
    if (op == kTokDiv && type != kTypeFailed && type != kTypeInvalid) type = kTypeReal;
    emit(r, op == kTokMul ? kCodeMul : kCodeDiv);
  }
  if (!product || !anyZero || !foldable || type == kTypeFailed || r->context->errors.errorCount) return type;
  r->code->cursor = start;
  std::fill(start, r->code->start + r->code->capacity, uint8_t{0});
  Symbol* s = Prog_addSymbol(r->store, kSpaceLiteral, u"0", u"");
  if (!s) return kTypeFailed;
  if (s->value.kind == kValEmpty) Val_setInt(&s->value, 0);
  emitOperand(r, kCodeNumber, s);
  return kTypeInt;
}

int32_t additive(FormulaReader* r) {
  int32_t type = multiplicative(r);
  while (r->token == kTokAdd || r->token == kTokSub) {
    const int32_t op = r->token;
    next(r);
    type = arithmeticType(type, multiplicative(r));
    emit(r, op == kTokAdd ? kCodeAdd : kCodeSub);
  }
  return type;
}

int32_t concat(FormulaReader* r) {
  int32_t type = additive(r);
  while (r->token == kTokConcat) {
    next(r);
    const int32_t right = additive(r);
    type = type == kTypeFailed || right == kTypeFailed ? kTypeFailed : kTypeText;
    emit(r, kCodeConcat);
  }
  return type;
}

int32_t comparison(FormulaReader* r) {
  uint8_t* const leftStart = codePosition(r);
  int32_t type = concat(r);
  if (r->token >= kTokEq && r->token <= kTokNe) {
    const uint8_t op = static_cast<uint8_t>(r->token);
    next(r);
    uint8_t* const rightStart = codePosition(r);
    const int32_t right = concat(r);
    type = type == kTypeFailed || right == kTypeFailed ? kTypeFailed : kTypeBool;
    if (!r->bigM || type == kTypeFailed || !BigM_replaceComparison(r->bigM, leftStart, rightStart, op)) emit(r, op);
  }
  if (r->token == kTokEnd) emit(r, kCodeEnd);
  if (r->token != kTokComma && r->token != kTokClose && r->token != kTokEnd && r->context->errors.errorCount == 0) {
    raiseAt(r, kStatusUnexpectedEnd, currentCell(r));
    return kTypeFailed;
  }
  return type;
}

// A "," or ")" left over at the top of a formula: a "," in a defined name's
// formula joins areas (status 25), any other is an unmatched ")" (status 16)
// or a stray "," (status 5); raised at the formula's cell, the first cell
// that used a name.
void refuseStray(FormulaReader* r, const Symbol* cell) {
  const bool name = !cell->value.source && cell->formula && cell->formula->usedAt.sheet > 0;
  InterpStatus code = kStatusUnexpectedEnd;
  if (r->token == kTokComma && name) code = kStatusMultiArea;
  else if (r->token == kTokClose) code = kStatusMissingOpen;
  raiseAt(r, code, placeOf(cell));
}

}  // namespace

int32_t Parse_formula(FormulaReader* r, Symbol* cell) {
  FormulaRecord* f = cell->formula;
  if (!Lex_loadText(&r->lexer, f->text.c_str())) return kTypeFailed;
  f->code = new CodeSegment();
  if (!Code_init(f->code, static_cast<uint32_t>(5 * f->text.size() + 1), r->context)) return kTypeFailed;
  r->current = cell;
  r->code = f->code;
  r->referenceCount = 0;
  r->loneExternal = false;
  if (next(r) == kTokEq) next(r);
  r->firstTokenEnd = r->lexer.cursor;
  int32_t type = comparison(r);
  if (r->token != kTokEnd && r->context->errors.errorCount == 0) refuseStray(r, cell);
  if (type == kTypeFailed || (r->loneExternal && type != kTypeExternal)) {
    const CellRef at = placeOf(cell);
    Vm_raise(Vm_errorsOf(r->context), kStatusTypeMismatch, "Parse_formula", at.sheet, at.row, at.column);
    type = kTypeFailed;
  }
  const CellRef at = placeOf(cell);
  Vm_setErrorCell(&r->context->errors, at.sheet, at.row, at.column);
  if (type == kTypeExternal) cell->refresh = 1;
  if (type == kTypeExternal || r->context->errors.errorCount) {
    Code_free(f->code);
    delete f->code;
    f->code = nullptr;
  }
  std::u16string().swap(f->text);  // compiled: the text's memory goes too
  Lex_clearToken(&r->lexer);
  return type;
}

namespace {

// The user's stop ends a compilation or a walk with status 1.
bool stopped(FormulaReader* r, const char* where) {
  if (!Model_userAbortAny(&r->context->host)) return false;
  Vm_raise(Vm_errorsOf(r->context), kStatusInterrupt, where, 0, 0, 0);
  return true;
}

}  // namespace

namespace {

// Starts or continues the order's stamp: the same order grown only by the
// reader keeps it; any other gets a new one, carried by what it holds.
uint32_t stampOf(FormulaReader* r, const std::vector<Symbol*>* order) {
  if (r->stampedOrder == order && r->stampedSize == order->size() && r->orderStamp != 0) return r->orderStamp;
  r->stampedOrder = order;
  ++r->orderStamp;
  for (Symbol* s : *order) s->placed = r->orderStamp;
  return r->orderStamp;
}

// A cell on a walk's path and the next of its precedents to look at.
struct Visit {
  Symbol* cell;
  size_t next = 0;  // the next precedent to look at
};

// A cell on the compile path: marked in progress, its formula compiled.
void enter(FormulaReader* r, std::vector<Visit>* path, Symbol* cell) {
  cell->mark = 1;
  if (cell->formula && !cell->formula->text.empty() && !Prog_hasCode(cell)) Parse_formula(r, cell);
  path->push_back(Visit{cell});
}

// Walks the precedents of cell depth first with a path of its own, so that
// chains of any length are walked: a precedent is entered when shouldEnter
// says so, a cycle is reported at the cell reached last, and each cell is
// handed to leave once its precedents are done.
template <class ShouldEnter, class Leave>
void walkPrecedents(FormulaReader* r, Symbol* cell, ShouldEnter shouldEnter, Leave leave) {
  std::vector<Visit> path;
  enter(r, &path, cell);
  while (!path.empty()) {
    Visit& top = path.back();
    Symbol* at = top.cell;
    if (r->context->errors.errorCount == 0 && top.next < at->precedents.size()) {
      Symbol* dep = at->precedents[top.next++];
      if (dep->mark) {
        raiseAt(r, kStatusCircularReference, placeOf(at));
        continue;
      }
      if (shouldEnter(dep) && !stopped(r, "Parse_compileCell")) enter(r, &path, dep);
      continue;
    }
    leave(at);
    at->mark = 0;
    path.pop_back();
  }
}

}  // namespace

void Parse_compileCell(FormulaReader* r, std::vector<Symbol*>* order, Symbol* cell) {
  if (!cell || r->context->errors.errorCount || stopped(r, "Parse_compileCell")) return;
  const uint32_t stamp = stampOf(r, order);
  auto uncompiledOrUnplaced = [stamp](const Symbol* dep) {
    const bool uncompiled = dep->formula && !dep->formula->text.empty();
    return uncompiled || (!dep->precedents.empty() && dep->placed != stamp);
  };
  walkPrecedents(r, cell, uncompiledOrUnplaced, [order, stamp](Symbol* at) {
    if (at->placed == stamp) return;
    order->push_back(at);
    at->placed = stamp;
  });
  r->stampedSize = order->size();
}

void Parse_unplaceAfter(FormulaReader* r, std::vector<Symbol*>* order, size_t size) {
  for (size_t k = size; k < order->size(); ++k) (*order)[k]->placed = 0;
  order->resize(size);
  if (r->stampedOrder == order) r->stampedSize = size;
}

namespace {

using Span = CellChain::Span;

bool inModelOrder(const FormulaReader* r, const Symbol* s) { return r->modelStamp != 0 && s->placed == r->modelStamp; }

// A cell that chains run: one with a formula, or with precedents to gather.
bool runs(const Symbol* s) { return s->formula || !s->precedents.empty(); }

std::vector<Span>* reachOf(FormulaReader* r, const Symbol* s) {
  if (r->reach.size() <= s->serial) r->reach.resize(static_cast<size_t>(s->serial) + 1);
  return &r->reach[s->serial];
}

// Sorted, overlapping and touching spans joined.
void mergeSpans(std::vector<Span>* spans) {
  std::sort(spans->begin(), spans->end());
  size_t kept = 0;
  for (const Span& span : *spans) {
    if (kept > 0 && span.first <= (*spans)[kept - 1].second) {
      (*spans)[kept - 1].second = std::max((*spans)[kept - 1].second, span.second);
    } else {
      (*spans)[kept++] = span;
    }
  }
  spans->resize(kept);
}

// Appends a cell whose precedents are placed to the model order; what it
// runs is itself and what they run.
void placeInModel(FormulaReader* r, Symbol* at) {
  const auto index = static_cast<uint32_t>(r->modelOrder->size());
  r->modelOrder->push_back(at);
  at->placed = r->modelStamp;
  std::vector<Span> spans{Span{index, index + 1}};
  for (const Symbol* dep : at->precedents) {
    if (!runs(dep) || !inModelOrder(r, dep)) continue;
    const std::vector<Span>& theirs = *reachOf(r, dep);
    spans.insert(spans.end(), theirs.begin(), theirs.end());
  }
  mergeSpans(&spans);
  *reachOf(r, at) = std::move(spans);
}

}  // namespace

void Parse_compileChain(FormulaReader* r, CellChain* chain, Symbol* cell) {
  if (!cell || r->context->errors.errorCount || stopped(r, "Parse_compileCell")) return;
  if (!r->modelOrder) {
    r->modelOrder = std::make_shared<CellChain::Order>();
    r->modelStamp = ++r->orderStamp;
    r->stampedOrder = nullptr;  // an order of Parse_compileCell takes a stamp of its own
  }
  if (!inModelOrder(r, cell)) {
    auto unplaced = [r](const Symbol* dep) { return runs(dep) && !inModelOrder(r, dep); };
    walkPrecedents(r, cell, unplaced, [r](Symbol* at) {
      if (r->context->errors.errorCount == 0) placeInModel(r, at);
    });
  }
  if (r->context->errors.errorCount == 0) chain->share(r->modelOrder, *reachOf(r, cell));
}

bool Parse_compileItem(FormulaReader* r, size_t i) {
  ModelItem* item = r->functions->array[i];
  r->context->position.currentFunction = static_cast<int32_t>(i);
  Model_showProgress(&r->context->host, kProgressParsing, static_cast<int32_t>(i));
  if (item->cell.sheet > 0 && item->cell.row > 0 && item->cell.column > 0)
    Parse_compileChain(r, &item->leftChain, Parse_cellSymbol(r, item->cell));
  if (item->rhsCell.sheet > 0) Parse_compileChain(r, &item->rightChain, Parse_cellSymbol(r, item->rhsCell));
  else if (!item->rhsText.empty())
    Parse_compileChain(r, &item->rightChain, Parse_rhsSymbol(r, static_cast<int32_t>(i), item->rhsText, item->cell));
  return r->context->errors.errorCount == 0;
}

bool Parse_finishModel(FormulaReader* r) {
  // The registry's trial rows cover every random-function call compiled.
  if (r->variables && r->variables->registry) CellReg_setCellCount(r->variables->registry.get(), r->randomCalls);
  return !r->bigM || BigM_finish(r->bigM);
}

bool Parse_compileModel(FormulaReader* r) {
  for (size_t i = 0; i < r->functions->array.size(); ++i)
    if (!Parse_compileItem(r, i)) return false;
  return Parse_finishModel(r);
}

namespace {

// A cell's end of the walk: kept when it depends on a variable or a sampled
// input, is volatile, is the root, or is a defined name's formula (which has
// no stored value: only its run gives it one); otherwise, with
// freeConstants, it loses its code and keeps its value.
void finishCell(std::vector<Symbol*>* order, Symbol* cell, bool root, bool freeConstants) {
  const bool isVolatile = cell->formula && cell->formula->isVolatile;
  const bool unstored = cell->formula && !cell->value.source;
  if (cell->mark || isVolatile || root || unstored) {
    order->push_back(cell);
  } else if (freeConstants && Prog_hasCode(cell)) {
    Code_free(cell->formula->code);
    delete cell->formula->code;
    cell->formula->code = nullptr;
    cell->precedents.clear();
  }
}

// Rebuilds order from root, every cell after what it depends on, with a
// path of its own so that chains of any length are walked.
void walkChain(FormulaReader* r, std::vector<Symbol*>* order, Symbol* root, bool freeConstants) {
  std::unordered_set<const Symbol*> visited{root};
  std::vector<Visit> path{Visit{root}};
  if (r->context->errors.errorCount || stopped(r, "Dep_walkCell")) return;
  while (!path.empty() && r->context->errors.errorCount == 0) {
    Visit& top = path.back();
    Symbol* cell = top.cell;
    if (top.next == cell->precedents.size()) {
      path.pop_back();
      finishCell(order, cell, path.empty(), freeConstants);
      continue;
    }
    Symbol* dep = cell->precedents[top.next];
    if ((Prog_hasCode(dep) || !dep->precedents.empty()) && visited.insert(dep).second) {
      if (stopped(r, "Dep_walkCell")) return;
      path.push_back(Visit{dep});  // walked first; its mark is read on the way back
      continue;
    }
    if (dep->mark || (dep->formula && dep->formula->isVolatile)) cell->mark = 1;
    ++top.next;
  }
}

void pruneChain(FormulaReader* r, CellChain* chain, bool freeConstants) {
  if (chain->empty()) return;
  Symbol* root = chain->back();
  std::vector<Symbol*> kept;
  walkChain(r, &kept, root, freeConstants);
  chain->assign(kept);
}

}  // namespace

bool Parse_pruneModel(FormulaReader* r, bool freeConstants) {
  // Marks: decision-variable cells and sampled inputs.
  for (size_t i = 1; i < r->store->bySerial.size(); ++i) {
    Symbol* s = r->store->bySerial[i];
    s->mark = s->value.reference != 0 ? 1 : 0;
  }
  for (size_t i = 0; i < r->functions->array.size(); ++i) {
    ModelItem* item = r->functions->array[i];
    Vm_clearErrors(&r->context->errors);
    pruneChain(r, &item->leftChain, freeConstants);
    pruneChain(r, &item->rightChain, freeConstants);
    Model_showProgress(&r->context->host, kProgressOptimizing, static_cast<int32_t>(i));
    if (r->context->errors.errorCount) return false;
  }
  // The registry's trial rows cover every random-function call compiled.
  if (r->variables && r->variables->registry) CellReg_setCellCount(r->variables->registry.get(), r->randomCalls);
  return !r->bigM || BigM_finish(r->bigM);
}
