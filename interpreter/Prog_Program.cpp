// Code store of compiled symbols and the memory budget of the compile step.
#include "interpreter/Prog_Program.h"

#include <algorithm>
#include <utility>

#include "interpreter/Code_Segment.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Vm_Machine.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// A symbol's formula and the memory its value holds; the symbol itself
// goes with its block.
void releaseSymbol(Symbol* s) {
  Val_clear(&s->value);
  if (s->formula && s->formula->code) {
    Code_free(s->formula->code);
    delete s->formula->code;
  }
  delete s->formula;
}

// Kilobytes of b bytes rounded up to whole 4 KB pages, never 0.
int64_t pageKB(double bytes) { return (static_cast<int64_t>(bytes / 4096.0) + 1) * 4; }

// The first cell of a variable symbol that is a decision variable, row by row.
CellRef firstVariableCell(const Symbol* s) {
  const RangeRef& r = *s->value.source;
  if (s->value.kind == kValArray && s->value.array) {
    for (uint16_t row = r.firstRow; row <= r.lastRow; ++row)
      for (int col = r.firstColumn; col <= r.lastColumn; ++col)
        if (Val_at(&s->value, row - r.firstRow, col - r.firstColumn)->reference > 0)
          return CellRef{r.sheet, row, static_cast<uint8_t>(col)};
  }
  return CellRef{r.sheet, r.firstRow, r.firstColumn};
}

}  // namespace

SymbolTable* Prog_createSymbolTable(EvalContext* ctx) {
  SymbolTable* table = new SymbolTable();
  table->context = ctx;
  table->bySerial.push_back(nullptr);
  return table;
}

void Prog_freeSymbolTable(SymbolTable* table) {
  if (!table) return;
  for (size_t i = 1; i < table->bySerial.size(); ++i) releaseSymbol(table->bySerial[i]);
  delete table;
}

namespace {

uint32_t pageKey(const CellRef& cell) {
  return static_cast<uint32_t>(cell.sheet) << 24 | static_cast<uint32_t>(cell.column) << 16 |
         static_cast<uint32_t>(cell.row / CellIndex::kPageRows);
}

// The page of the cell; null when it has none and make is false.
CellIndex::Page* pageOf(CellIndex* index, const CellRef& cell, bool make) {
  const uint32_t key = pageKey(cell);
  if (index->lastPage && index->lastKey == key) return index->lastPage;
  auto it = index->pages.find(key);
  if (it == index->pages.end()) {
    if (!make) return nullptr;
    it = index->pages.emplace(key, std::make_unique<CellIndex::Page>()).first;
    it->second->fill(nullptr);
  }
  index->lastKey = key;
  return index->lastPage = it->second.get();
}

// The cell of a canonical single-cell name "s1!b4"; false for any other text.
bool canonicalCell(const std::u16string& name, CellRef* cell) {
  size_t at = 1;
  int sheet = 0, column = 0, row = 0;
  if (name.size() < 5 || name[0] != u's') return false;
  for (; at < name.size() && name[at] >= u'0' && name[at] <= u'9' && sheet <= 255; ++at)
    sheet = sheet * 10 + (name[at] - u'0');
  if (at >= name.size() || name[at++] != u'!') return false;
  for (; at < name.size() && name[at] >= u'a' && name[at] <= u'z' && column <= 255; ++at)
    column = column * 26 + (name[at] - u'a' + 1);
  for (; at < name.size() && name[at] >= u'0' && name[at] <= u'9' && row <= 65535; ++at)
    row = row * 10 + (name[at] - u'0');
  if (at != name.size() || sheet < 1 || sheet > 255 || column < 1 || column > 255 || row < 1 || row > 65535)
    return false;
  *cell = CellRef{static_cast<uint8_t>(sheet), static_cast<uint16_t>(row), static_cast<uint8_t>(column)};
  return true;
}

Symbol* findKey(const SymbolTable* table, SymbolSpace space, const std::u16string& name) {
  if (Symbol* s = Prog_findKey(&table->byKey, space, name)) return s;
  return Prog_findKey(&table->aliases, space, name);
}

// Room for the next symbol: a new block when the last one is full.
Symbol* nextPlace(SymbolTable* table) {
  const size_t index = table->bySerial.size() - 1;
  if (index % kSymbolBlockSize == 0) table->blocks.push_back(std::make_unique<Symbol[]>(kSymbolBlockSize));
  return &table->blocks.back()[index % kSymbolBlockSize];
}

// A new symbol with the next serial, or null (status 22) when they are used up.
Symbol* newSymbol(SymbolTable* table, SymbolSpace space, const std::u16string& name, const std::u16string& definition) {
  if (table->counter >= kSymbolSerialMax) {
    Vm_raise(Vm_errorsOf(table->context), kStatusSymbolTableFull, "Prog_addSymbol", 0, 0, 0);
    return nullptr;
  }
  Symbol* s = nextPlace(table);
  s->name = name;
  s->definition = definition;
  s->space = space;
  s->serial = ++table->counter;
  s->value.context = table->context;
  table->bySerial.push_back(s);
  return s;
}

}  // namespace

Symbol* Prog_findSymbol(const SymbolTable* table, SymbolSpace space, const std::u16string& name) {
  if (Symbol* s = findKey(table, space, name)) return s;
  CellRef cell{};
  return space == kSpaceCell && canonicalCell(name, &cell) ? Prog_findCell(table, cell) : nullptr;
}

void Prog_addAlias(SymbolTable* table, const std::u16string& alias, Symbol* s) {
  if (alias != s->name) Prog_addKey(&table->aliases, s->space, alias, s);
}

Symbol* Prog_addSymbol(SymbolTable* table, SymbolSpace space, const std::u16string& name,
                       const std::u16string& definition) {
  if (Symbol* s = Prog_findKey(&table->aliases, space, name)) return s;
  if (Symbol* s = Prog_findKey(&table->byKey, space, name)) return s;
  Symbol* s = newSymbol(table, space, name, definition);
  if (s) Prog_addKey(&table->byKey, space, name, s);
  return s;
}

Symbol* Prog_findCell(const SymbolTable* table, const CellRef& cell) {
  const CellIndex::Page* page = pageOf(&table->cells, cell, false);
  return page ? (*page)[cell.row % CellIndex::kPageRows] : nullptr;
}

Symbol* Prog_addCell(SymbolTable* table, const CellRef& cell, const std::u16string& name) {
  CellIndex::Page* page = pageOf(&table->cells, cell, true);
  Symbol* s = newSymbol(table, kSpaceCell, name, u"");
  if (s) (*page)[cell.row % CellIndex::kPageRows] = s;
  return s;
}

Symbol* Prog_symbolBySerial(const SymbolTable* table, uint32_t serial) {
  return serial >= 1 && serial < table->bySerial.size() ? table->bySerial[serial] : nullptr;
}

CellRef Prog_symbolCell(const Symbol* s) {
  if (!s->value.source) return CellRef{};
  return CellRef{s->value.source->sheet, s->value.source->firstRow, s->value.source->firstColumn};
}

bool Prog_hasCode(const Symbol* s) { return s->formula && s->formula->code && s->formula->code->start; }

void Prog_markVariableCells(SymbolTable* table) {
  for (size_t i = 1; i < table->bySerial.size(); ++i) {
    Symbol* s = table->bySerial[i];
    s->mark = s->value.reference > 0 ? 1 : 0;
  }
}

int32_t Prog_countFormulaCells(const SymbolTable* table) {
  int32_t count = 0;
  for (size_t i = 1; i < table->bySerial.size(); ++i) {
    const Symbol* s = table->bySerial[i];
    if (!Prog_hasCode(s)) continue;
    count += s->formula->isArray && s->value.source ? Model_rangeArea(*s->value.source) : 1;
  }
  return count;
}

namespace {

// The rows the symbols' ranges cover, per sheet and column as sorted,
// merged spans: built in one sweep over the ranges, so that counting is
// linear in the cells of the columns and the references.
struct CellCover {
  std::unordered_map<uint32_t, std::vector<std::pair<uint16_t, uint16_t>>> spans;  // by sheet * 256 + column
};

uint32_t columnKey(uint8_t sheet, int column) {
  return static_cast<uint32_t>(sheet) * 256u + static_cast<uint32_t>(column);
}

void mergeSpans(std::vector<std::pair<uint16_t, uint16_t>>* spans) {
  std::sort(spans->begin(), spans->end());
  size_t kept = 0;
  for (const auto& span : *spans) {
    if (kept > 0 && span.first <= (*spans)[kept - 1].second + 1) {
      (*spans)[kept - 1].second = std::max((*spans)[kept - 1].second, span.second);
    } else {
      (*spans)[kept++] = span;
    }
  }
  spans->resize(kept);
}

// Progress of the count, and the user's stop (status 1).
bool countGoesOn(const SymbolTable* table, size_t k) {
  const size_t count = table->bySerial.size() - 1;
  Model_showProgress(&table->context->host, kProgressCountCells, static_cast<int32_t>(k * 100 / (count ? count : 1)));
  if (!Model_userAbortAny(&table->context->host)) return true;
  Vm_raise(Vm_errorsOf(table->context), kStatusInterrupt, "Prog_countCells", 0, 0, 0);
  return false;
}

// The cover of every symbol's range; false on a stop.
bool coverOf(const SymbolTable* table, CellCover* cover) {
  constexpr size_t kProgressStep = 4096;
  for (size_t k = 1; k < table->bySerial.size(); ++k) {
    if ((k == 1 || k % kProgressStep == 0) && !countGoesOn(table, k)) return false;
    const RangeRef* r = table->bySerial[k]->value.source;
    if (!r || r->lastRow < r->firstRow) continue;
    for (int column = r->firstColumn; column <= r->lastColumn; ++column)
      cover->spans[columnKey(r->sheet, column)].emplace_back(r->firstRow, r->lastRow);
  }
  for (auto& entry : cover->spans) mergeSpans(&entry.second);
  return true;
}

// Cells of range that the cover holds.
int64_t coveredCells(const CellCover& cover, const RangeRef& range) {
  int64_t covered = 0;
  for (int column = range.firstColumn; column <= range.lastColumn; ++column) {
    auto it = cover.spans.find(columnKey(range.sheet, column));
    if (it == cover.spans.end()) continue;
    for (const auto& [top, bottom] : it->second) {
      const int lo = std::max<int>(top, range.firstRow), hi = std::min<int>(bottom, range.lastRow);
      if (lo <= hi) covered += hi - lo + 1;
    }
  }
  return covered;
}

}  // namespace

bool Prog_countCells(const SymbolTable* table, int32_t* formulaCells, int64_t* distinctCells) {
  *formulaCells = Prog_countFormulaCells(table);
  *distinctCells = 0;
  CellCover cover;
  if (!coverOf(table, &cover)) return false;
  for (const auto& entry : cover.spans)
    for (const auto& [top, bottom] : entry.second) *distinctCells += bottom - top + 1;
  return true;
}

bool Prog_countRangeCells(const SymbolTable* table, const RangeRef& range, int64_t* uncovered) {
  *uncovered = 0;
  CellCover cover;
  if (!coverOf(table, &cover)) return false;
  *uncovered = Model_rangeArea(range) - coveredCells(cover, range);
  return true;
}

bool Prog_checkVariableCells(SymbolTable* table) {
  for (size_t i = 1; i < table->bySerial.size(); ++i) {
    Symbol* s = table->bySerial[i];
    if (s->value.reference == 0) {
      s->mark = 0;
      continue;
    }
    if (s->value.source && Prog_hasCode(s)) {
      const CellRef at = firstVariableCell(s);
      Vm_raise(Vm_errorsOf(table->context), kStatusVariableWithFormula, "Prog_checkVariableCells", at.sheet, at.row, at.column);
      return false;
    }
    s->mark = 1;
  }
  return true;
}

ProgBudget Prog_estimateMemory(int32_t depth, int32_t codeCells, int32_t nvMax, int32_t maxCellTape,
                               uint64_t freeBytes) {
  const double w = static_cast<double>(depth) + codeCells + 2;
  const double nv = nvMax, tape = maxCellTape;
  ProgBudget b{};
  b.forwardGradKB = pageKB(w * (nv + 10) * 8);
  b.reverseKB = pageKB(w * 80 + tape * 40);
  b.forwardHessKB = pageKB((nv * nv + 9) * w * 8);
  b.replayKB = pageKB(w * (nv + 10) * 8 + tape * (nv * 16 + 104));
  b.availKB = static_cast<int64_t>(freeBytes / 1024) + 1;
  b.reverseAllowed = b.availKB > b.reverseKB || b.reverseKB < b.forwardGradKB;
  b.forwardHessAllowed = b.forwardHessKB < b.availKB;
  b.replayAllowed = b.replayKB < b.availKB || b.replayKB < b.forwardHessKB;
  return b;
}

void Prog_refreshArrays(Program* program) {
  FormulaReader* reader = program->context ? program->context->tables.reader : nullptr;
  if (reader && reader->source) reader->source->refreshSymbols(program->codeStore);
}
