// Code store of compiled symbols and the memory budget of the compile step.
#include "interpreter/Prog_Program.h"

#include "interpreter/Code_Segment.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "values/Vm_Status.h"

namespace {

std::u16string keyOf(SymbolSpace space, const std::u16string& name) { return std::u16string(1, space) + name; }

void freeSymbol(Symbol* s) {
  Val_clear(&s->value);
  if (s->formula && s->formula->code) {
    Code_free(s->formula->code);
    delete s->formula->code;
  }
  delete s->formula;
  delete s;
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
  for (auto& entry : table->byKey) freeSymbol(entry.second);
  delete table;
}

Symbol* Prog_findSymbol(const SymbolTable* table, SymbolSpace space, const std::u16string& name) {
  auto it = table->byKey.find(keyOf(space, name));
  return it == table->byKey.end() ? nullptr : it->second;
}

Symbol* Prog_addSymbol(SymbolTable* table, SymbolSpace space, const std::u16string& name,
                       const std::u16string& definition) {
  if (Symbol* s = Prog_findSymbol(table, space, name)) return s;
  if (table->counter >= kSymbolSerialMax) {
    Vm_raise(table->context, kStatusSymbolTableFull, "Prog_addSymbol", 0, 0, 0);
    return nullptr;
  }
  Symbol* s = new Symbol();
  s->name = name;
  s->definition = definition;
  s->space = space;
  s->serial = ++table->counter;
  s->value.context = table->context;
  table->byKey.emplace(keyOf(space, name), s);
  table->bySerial.push_back(s);
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

// Cells of rect that no range of the symbols from serial `from` on holds:
// each covered part is cut away and the rest (at most four rectangles) is
// looked at again.
int64_t uncoveredCells(const SymbolTable* table, const RangeRef& rect, size_t from) {
  int64_t uncovered = 0;
  std::vector<RangeRef> work{rect};
  while (!work.empty()) {
    const RangeRef part = work.back();
    work.pop_back();
    bool covered = false;
    for (size_t j = from; j < table->bySerial.size() && !covered; ++j) {
      const RangeRef* other = table->bySerial[j]->value.source;
      RangeRef common{};
      if (!other || !Model_intersectRanges(part, *other, &common)) continue;
      RangeRef rest[4];
      Model_subtractRange(part, common, &rest[0], &rest[1], &rest[2], &rest[3]);
      for (const RangeRef& r : rest)
        if (r.sheet) work.push_back(r);
      covered = true;
    }
    if (!covered) uncovered += Model_rangeArea(part);
  }
  return uncovered;
}

// Progress of the count, and the user's stop (status 1).
bool countGoesOn(const SymbolTable* table, size_t k) {
  const size_t count = table->bySerial.size() - 1;
  Model_showProgress(table->context, kProgressCountCells, static_cast<int32_t>(k * 100 / (count ? count : 1)));
  if (!Model_userAbortAny(table->context)) return true;
  Vm_raise(table->context, kStatusInterrupt, "Prog_countCells", 0, 0, 0);
  return false;
}

}  // namespace

bool Prog_countCells(const SymbolTable* table, int32_t* formulaCells, int64_t* distinctCells) {
  *formulaCells = Prog_countFormulaCells(table);
  *distinctCells = 0;
  for (size_t k = 1; k < table->bySerial.size(); ++k) {
    if (!countGoesOn(table, k)) return false;
    // A cell that a later range holds too is counted there.
    if (const RangeRef* own = table->bySerial[k]->value.source) *distinctCells += uncoveredCells(table, *own, k + 1);
  }
  return true;
}

bool Prog_countRangeCells(const SymbolTable* table, const RangeRef& range, int64_t* uncovered) {
  *uncovered = 0;
  if (!countGoesOn(table, 0)) return false;
  *uncovered = uncoveredCells(table, range, 1);
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
      Vm_raise(table->context, kStatusVariableWithFormula, "Prog_checkVariableCells", at.sheet, at.row, at.column);
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
