// The big-M rewrites: helper variables and constants, rows written as
// postfix code in their own segments, and the rewrite of the source cell.
//
// Row shapes (x an operand, y a continuous helper, b a binary helper, M the
// row's own big-M constant, d a difference), each compared with 0:
//   R1  x - (1 - b)M - y <= 0      R2  x + (1 - b)M - y >= 0
//   R3  s x - bM - y <= 0          R4  s x + bM - y >= 0   (s = +1 or -1, x may be absent)
//   S1  d + epsD - bM <= 0         S2  d + (1 - b)M >= 0
// S1 and S2 make b = 1 exactly when d >= 0 (and d <= -epsD when b = 0);
// R1 and R2 tie y to x when b = 1, R3 and R4 tie y to s x when b = 0.
#include "interpreter/BigM_Builder.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <unordered_set>
#include <vector>

#include "interpreter/Code_Segment.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Lex_Lexer.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "values/Fn_Ids.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

constexpr double kEpsilon = 1.4901161193847656e-08;  // 2^-26
// Bytes of a row beyond its copied operands: at most a dozen instructions.
constexpr uint32_t kRowOverhead = 16 * kCodeOperandSize;

// Code from `from` up to `to` of the cell being compiled.
struct CodeRange {
  const uint8_t* from;
  const uint8_t* to;
};

// An operand of a row: copied code or a reference to a symbol.
struct Operand {
  CodeRange code{nullptr, nullptr};
  Symbol* symbol = nullptr;
};

std::u16string numbered(const char* prefix, int32_t k) { return Text_fromUtf8(prefix + std::to_string(k)); }

SymbolTable* storeOf(const BigMBuilder* b) { return b->reader->store; }
EvalContext* contextOf(const BigMBuilder* b) { return b->reader->context; }

// Walks the instructions of a code range.
template <typename Visit>
void forEachInstruction(CodeRange range, Visit visit) {
  for (const uint8_t* p = range.from; p < range.to;) {
    const uint8_t op = *p;
    uint32_t operand = 0;
    if (op >= kCodeCall && op <= kCodeArray) {
      std::memcpy(&operand, p + 1, sizeof operand);
      p += kCodeOperandSize;
    } else {
      p += 1;
    }
    visit(op, operand);
  }
}

Symbol* symbolOf(const BigMBuilder* b, uint32_t serial) { return Prog_symbolBySerial(storeOf(b), serial); }

void addDependency(Symbol* s, Symbol* dep) {
  if (std::find(s->precedents.begin(), s->precedents.end(), dep) == s->precedents.end()) s->precedents.push_back(dep);
}

// A decision variable, a cell whose formula is not compiled yet, or a
// compiled cell that depends on either; the symbols looked at join seen.
bool dependsOnVariable(const Symbol* start, std::unordered_set<const Symbol*>* seen) {
  std::vector<const Symbol*> work{start};
  while (!work.empty()) {
    const Symbol* s = work.back();
    work.pop_back();
    if (!seen->insert(s).second) continue;
    if (s->value.reference > 0) return true;
    if (s->formula && !s->formula->text.empty() && !Prog_hasCode(s)) return true;
    work.insert(work.end(), s->precedents.begin(), s->precedents.end());
  }
  return false;
}

bool rangeHasVariable(const BigMBuilder* b, CodeRange range) {
  bool found = false;
  std::unordered_set<const Symbol*> seen;
  forEachInstruction(range, [&](uint8_t op, uint32_t operand) {
    if (op == kCodeRef && !found) found = dependsOnVariable(symbolOf(b, operand), &seen);
  });
  return found;
}

// The range is exactly one reference; its symbol, or null.
Symbol* singleReference(const BigMBuilder* b, CodeRange range) {
  if (range.to - range.from != static_cast<std::ptrdiff_t>(kCodeOperandSize) || *range.from != kCodeRef) return nullptr;
  uint32_t serial = 0;
  std::memcpy(&serial, range.from + 1, sizeof serial);
  return symbolOf(b, serial);
}

// A single reference to a decision variable whose value is boolean.
Symbol* singleBoolean(const BigMBuilder* b, CodeRange range) {
  Symbol* s = singleReference(b, range);
  return s && s->value.reference > 0 && s->value.kind == kValBool ? s : nullptr;
}

Symbol* newVariable(BigMBuilder* b, int32_t type) {
  const int32_t k = ++b->variableCount;
  const std::u16string name = numbered("s0!var", k);
  if (Prog_findSymbol(storeOf(b), kSpaceGenerated, name)) return nullptr;
  Symbol* s = Prog_addSymbol(storeOf(b), kSpaceGenerated, name, numbered("s0_var", k - 1));
  if (!s) return nullptr;
  VariableTable* variables = b->reader->variables;
  Model_addExtraVariable(variables, type, static_cast<int32_t>(s->serial));
  s->value.kind = type == kVarBinary ? kValBool : kValReal;
  s->value.number = 0.0;
  s->value.reference = Model_variableCount(variables);
  return s;
}

Symbol* newBigM(BigMBuilder* b) {
  Symbol* s = Prog_addSymbol(storeOf(b), kSpaceGenerated, numbered("bigM", ++b->bigMCount), u"");
  if (s) Val_setNumber(&s->value, kBigMInitial);
  return s;
}

// ---- Writing a row ----

void emitRef(BigMBuilder* b, Symbol* s) {
  if (!Code_hasRoom(b->target, kCodeOperandSize)) return;
  Code_emitByte(b->target, kCodeRef);
  Code_emitWord(b->target, s->serial);
  addDependency(b->row, s);
}

void emitOp(BigMBuilder* b, uint8_t op) { Code_emitByte(b->target, op); }

void emitCopy(BigMBuilder* b, CodeRange range) {
  const auto bytes = static_cast<uint32_t>(range.to - range.from);
  if (!Code_hasRoom(b->target, bytes)) return;
  std::memcpy(b->target->cursor, range.from, bytes);
  b->target->cursor += bytes;
  forEachInstruction(range, [&](uint8_t op, uint32_t operand) {
    if (op == kCodeRef || op == kCodeCall) addDependency(b->row, symbolOf(b, operand));
  });
}

void emitOperand(BigMBuilder* b, const Operand& x) {
  if (x.symbol) emitRef(b, x.symbol);
  else emitCopy(b, x.code);
}

uint32_t operandBytes(const Operand& x) {
  return x.symbol ? kCodeOperandSize : static_cast<uint32_t>(x.code.to - x.code.from);
}

// A new row compared with 0 by relation, with its own big-M constant when
// bigM; its code is written by `body`. False when a symbol cannot be made.
bool writeRow(BigMBuilder* b, uint8_t construct, int32_t relation, bool bigM, uint32_t copiedBytes,
              const std::function<void(Symbol* m)>& body) {
  const int32_t k = ++b->constraintCount;
  const std::u16string name = numbered("s0!con", k);
  if (Prog_findSymbol(storeOf(b), kSpaceGenerated, name)) return false;
  Symbol* row = Prog_addSymbol(storeOf(b), kSpaceGenerated, name, numbered("s0_con", k));
  Symbol* m = bigM ? newBigM(b) : nullptr;
  if (!row || (bigM && !m)) return false;
  row->formula = new FormulaRecord();
  row->formula->code = new CodeSegment();
  if (!Code_init(row->formula->code, copiedBytes + kRowOverhead + 1, contextOf(b))) return false;
  b->row = row;
  b->target = row->formula->code;
  body(m);
  emitOp(b, kCodeEnd);
  auto* item = new ModelItem();
  item->relation = relation;
  item->leftChain.push_back(row);
  item->generated = true;
  item->bigM = m;
  b->reader->functions->pending.push_back(item);
  b->notes.push_back(BigMNote{construct, Prog_symbolCell(b->reader->current)});
  return contextOf(b)->errors.errorCount == 0;
}

// (1 - b) * M, or b * M.
void emitBigMTerm(BigMBuilder* b, Symbol* binary, Symbol* m, bool complement) {
  if (complement) {
    emitRef(b, b->one);
    emitRef(b, binary);
    emitOp(b, kCodeSub);
  } else {
    emitRef(b, binary);
  }
  emitRef(b, m);
  emitOp(b, kCodeMul);
}

// R1 (upper) and R2: y = x while the binary is 1.
bool tieWhenSet(BigMBuilder* b, uint8_t construct, const Operand& x, Symbol* binary, Symbol* y) {
  for (bool upper : {true, false}) {
    const bool ok = writeRow(b, construct, upper ? kRelLessEqual2 : kRelGreaterEqual2, true, operandBytes(x),
                             [&](Symbol* m) {
                               emitOperand(b, x);
                               emitBigMTerm(b, binary, m, true);
                               emitOp(b, upper ? kCodeSub : kCodeAdd);
                               emitRef(b, y);
                               emitOp(b, kCodeSub);
                             });
    if (!ok) return false;
  }
  return true;
}

// R3 (upper) and R4: y = s x (or y = 0 without x) while the binary is 0.
bool tieWhenClear(BigMBuilder* b, uint8_t construct, const Operand* x, bool negate, Symbol* binary, Symbol* y) {
  for (bool upper : {true, false}) {
    const bool ok = writeRow(b, construct, upper ? kRelLessEqual2 : kRelGreaterEqual2, true, x ? operandBytes(*x) : 0,
                             [&](Symbol* m) {
                               if (x) {
                                 emitOperand(b, *x);
                                 if (negate) emitOp(b, kCodeNeg);
                               }
                               emitBigMTerm(b, binary, m, false);
                               if (x) emitOp(b, upper ? kCodeSub : kCodeAdd);
                               else if (upper) emitOp(b, kCodeNeg);
                               emitRef(b, y);
                               emitOp(b, kCodeSub);
                             });
    if (!ok) return false;
  }
  return true;
}

// S1 and S2: the binary is 1 exactly when d >= 0; `d` writes d.
bool signRows(BigMBuilder* b, uint8_t construct, uint32_t bytes, const std::function<void()>& d, Symbol* binary) {
  return writeRow(b, construct, kRelLessEqual2, true, bytes,
                  [&](Symbol* m) {
                    d();
                    emitRef(b, b->epsilon);
                    emitOp(b, kCodeAdd);
                    emitBigMTerm(b, binary, m, false);
                    emitOp(b, kCodeSub);
                  }) &&
         writeRow(b, construct, kRelGreaterEqual2, true, bytes, [&](Symbol* m) {
           d();
           emitBigMTerm(b, binary, m, true);
           emitOp(b, kCodeAdd);
         });
}

// A row without big-M term: left op right (each a symbol) op2 z, compared
// with 0 by relation.
bool plainRow(BigMBuilder* b, uint8_t construct, int32_t relation, const Operand& x, Symbol* z) {
  return writeRow(b, construct, relation, false, operandBytes(x), [&](Symbol*) {
    emitOperand(b, x);
    emitRef(b, z);
    emitOp(b, kCodeSub);
  });
}

// The source cell's code from start on becomes a reference to the result.
void replaceSource(BigMBuilder* b, uint8_t* start, Symbol* result) {
  CodeSegment* code = b->reader->code;
  code->cursor = start;
  std::fill(start, code->start + code->capacity, uint8_t{0});
  Code_emitByte(code, kCodeRef);
  Code_emitWord(code, result->serial);
  addDependency(b->reader->current, result);
}

// ---- Constructs ----

bool rewriteAbs(BigMBuilder* b, CodeRange arg, Symbol** result) {
  Symbol* binary = newVariable(b, kVarBinary);
  Symbol* y = binary ? newVariable(b, kVarContinuous) : nullptr;
  if (!y) return false;
  const Operand x{arg, nullptr};
  const auto bytes = static_cast<uint32_t>(arg.to - arg.from);
  const bool ok = signRows(b, kBigMAbs, bytes, [&] { emitCopy(b, arg); }, binary) &&
                  tieWhenSet(b, kBigMAbs, x, binary, y) && tieWhenClear(b, kBigMAbs, &x, true, binary, y);
  *result = y;
  return ok;
}

bool rewriteIf(BigMBuilder* b, Symbol* condition, CodeRange whenTrue, CodeRange whenFalse, Symbol** result) {
  Symbol* y = newVariable(b, kVarContinuous);
  if (!y) return false;
  const Operand x1{whenTrue, nullptr}, x2{whenFalse, nullptr};
  *result = y;
  return tieWhenSet(b, kBigMIf, x1, condition, y) && tieWhenClear(b, kBigMIf, &x2, false, condition, y);
}

bool rewriteNot(BigMBuilder* b, Symbol* condition, Symbol** result) {
  Symbol* y = newVariable(b, kVarBinary);
  if (!y) return false;
  *result = y;
  // b - 1 + y = 0
  return writeRow(b, kBigMNot, kRelEqual, false, 0, [&](Symbol*) {
    emitRef(b, condition);
    emitRef(b, b->one);
    emitOp(b, kCodeSub);
    emitRef(b, y);
    emitOp(b, kCodeAdd);
  });
}

// AND (OR) over booleans, pairwise: z <= acc, z <= arg and z >= acc + arg - 1
// (z >= acc, z >= arg and z <= acc + arg), so that z is exactly the
// conjunction (disjunction) of the two.
bool rewriteAndOr(BigMBuilder* b, bool conjunction, const std::vector<Symbol*>& args, Symbol** result) {
  const uint8_t construct = conjunction ? kBigMAnd : kBigMOr;
  const int32_t bound = conjunction ? kRelGreaterEqual2 : kRelLessEqual2;
  Symbol* acc = args[0];
  for (size_t k = 1; k < args.size(); ++k) {
    Symbol* z = newVariable(b, kVarBinary);
    if (!z || !plainRow(b, construct, bound, Operand{{}, acc}, z) || !plainRow(b, construct, bound, Operand{{}, args[k]}, z))
      return false;
    const bool ok = writeRow(b, construct, conjunction ? kRelLessEqual2 : kRelGreaterEqual2, false, 0, [&](Symbol*) {
      emitRef(b, acc);
      emitRef(b, args[k]);
      emitOp(b, kCodeAdd);
      emitRef(b, z);
      emitOp(b, kCodeSub);
      if (conjunction) {
        emitRef(b, b->one);
        emitOp(b, kCodeSub);
      }
    });
    if (!ok) return false;
    acc = z;
  }
  *result = acc;
  return true;
}

// MAX (MIN) folded pairwise: z >= p, z >= q (z <= p, z <= q) and z within
// the big-M of p when the binary is 1, of q when it is 0.
bool rewriteMaxMin(BigMBuilder* b, bool maximum, const std::vector<Operand>& values, Symbol** result) {
  const uint8_t construct = maximum ? kBigMMax : kBigMMin;
  const int32_t below = maximum ? kRelLessEqual2 : kRelGreaterEqual2;
  const int32_t tie = maximum ? kRelGreaterEqual2 : kRelLessEqual2;
  const uint8_t toward = maximum ? kCodeAdd : kCodeSub;
  Operand p = values[0];
  for (size_t k = 1; k < values.size(); ++k) {
    const Operand& q = values[k];
    Symbol* z = newVariable(b, kVarContinuous);
    Symbol* binary = z ? newVariable(b, kVarBinary) : nullptr;
    if (!binary || !plainRow(b, construct, below, p, z) || !plainRow(b, construct, below, q, z)) return false;
    for (int which = 0; which < 2; ++which) {
      const Operand& x = which == 0 ? p : q;
      const bool ok = writeRow(b, construct, tie, true, operandBytes(x), [&](Symbol* m) {
        emitOperand(b, x);
        emitBigMTerm(b, binary, m, which == 0);
        emitOp(b, toward);
        emitRef(b, z);
        emitOp(b, kCodeSub);
      });
      if (!ok) return false;
    }
    p = Operand{{}, z};
  }
  *result = p.symbol;
  return true;
}

// The values of MAX and MIN: each cell of a range argument, any other
// argument's code.
std::vector<Operand> foldValues(BigMBuilder* b, const std::vector<CodeRange>& args) {
  std::vector<Operand> values;
  for (const CodeRange& arg : args) {
    const Symbol* s = singleReference(b, arg);
    const RangeRef* r = s && s->value.kind == kValArray ? s->value.source : nullptr;
    if (!r) {
      values.push_back(Operand{arg, nullptr});
      continue;
    }
    for (uint16_t row = r->firstRow; row <= r->lastRow; ++row)
      for (uint8_t column = r->firstColumn; column <= r->lastColumn; ++column) {
        Symbol* cell = Parse_cellSymbol(b->reader, CellRef{r->sheet, row, column});
        if (!cell) return {};
        values.push_back(Operand{{}, cell});
      }
  }
  return values;
}

int32_t typeOfHelper(const Symbol* s) { return s->value.kind == kValBool ? kValBool : kValReal; }

}  // namespace

BigMBuilder* BigM_init(FormulaReader* reader) {
  auto* b = new BigMBuilder{reader, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, {}};
  b->epsilon = Prog_addSymbol(reader->store, kSpaceGenerated, u"epsD", u"");
  b->one = Prog_addSymbol(reader->store, kSpaceGenerated, u"1", u"");
  if (!b->epsilon || !b->one) {
    delete b;
    return nullptr;
  }
  Val_setNumber(&b->epsilon->value, kEpsilon);
  Val_setInt(&b->one->value, 1);
  return b;
}

void BigM_destroy(BigMBuilder* builder) { delete builder; }

bool BigM_replaceCall(BigMBuilder* b, int16_t id, int32_t n, uint8_t* callStart, const std::vector<uint8_t*>& argStarts,
                      int32_t* resultType) {
  if (n < 1 || static_cast<int32_t>(argStarts.size()) < n) return false;
  std::vector<CodeRange> args;
  for (int32_t k = 0; k < n; ++k)
    args.push_back(CodeRange{argStarts[static_cast<size_t>(k)],
                             k + 1 < n ? argStarts[static_cast<size_t>(k) + 1] : b->reader->code->cursor});
  Symbol* result = nullptr;
  bool ok = false;
  switch (id) {
    case kIdAbs: ok = n == 1 && rangeHasVariable(b, args[0]) && rewriteAbs(b, args[0], &result); break;
    case kIdIf:
      if (Symbol* condition = n == 3 ? singleBoolean(b, args[0]) : nullptr)
        ok = rewriteIf(b, condition, args[1], args[2], &result);
      break;
    case kIdNot:
      if (Symbol* condition = n == 1 ? singleBoolean(b, args[0]) : nullptr) ok = rewriteNot(b, condition, &result);
      break;
    case kIdAnd:
    case kIdOr: {
      std::vector<Symbol*> booleans;
      for (const CodeRange& arg : args)
        if (Symbol* s = singleBoolean(b, arg)) booleans.push_back(s);
      ok = n >= 2 && static_cast<int32_t>(booleans.size()) == n &&
           rewriteAndOr(b, id == kIdAnd, booleans, &result);
      break;
    }
    case kIdMax:
    case kIdMin: {
      if (!std::any_of(args.begin(), args.end(), [&](const CodeRange& a) { return rangeHasVariable(b, a); })) break;
      const std::vector<Operand> values = foldValues(b, args);
      if (n == 1 && values.size() == 1 && !values[0].symbol) {
        // MAX of one value is that value: the call is dropped.
        *resultType = kFnAnyType;
        return true;
      }
      ok = values.size() >= 2 && rewriteMaxMin(b, id == kIdMax, values, &result);
      break;
    }
    default: break;
  }
  if (!ok || !result || contextOf(b)->errors.errorCount) return false;
  replaceSource(b, callStart, result);
  *resultType = typeOfHelper(result);
  return true;
}

bool BigM_replaceComparison(BigMBuilder* b, uint8_t* leftStart, uint8_t* rightStart, int32_t op) {
  if (op < kTokLt || op > kTokGe) return false;
  const CodeRange left{leftStart, rightStart}, right{rightStart, b->reader->code->cursor};
  if (!rangeHasVariable(b, left) && !rangeHasVariable(b, right)) return false;
  Symbol* binary = newVariable(b, kVarBinary);
  if (!binary) return false;
  const bool greater = op == kTokGt || op == kTokGe;
  const auto bytes = static_cast<uint32_t>(right.to - left.from);
  const auto difference = [&] {
    emitCopy(b, left);
    emitCopy(b, right);
    emitOp(b, kCodeSub);
    if (!greater) emitOp(b, kCodeNeg);
  };
  if (!signRows(b, greater ? kBigMGreater : kBigMLess, bytes, difference, binary) || contextOf(b)->errors.errorCount)
    return false;
  replaceSource(b, leftStart, binary);
  return true;
}

bool BigM_replaceProduct(BigMBuilder* b, uint8_t* leftStart, uint8_t* rightStart) {
  Symbol* binary = singleBoolean(b, CodeRange{leftStart, rightStart});
  const CodeRange right{rightStart, b->reader->code->cursor};
  if (!binary || !rangeHasVariable(b, right)) return false;
  Symbol* y = newVariable(b, kVarContinuous);
  if (!y) return false;
  const Operand x{right, nullptr};
  if (!tieWhenSet(b, kBigMProduct, x, binary, y) || !tieWhenClear(b, kBigMProduct, nullptr, false, binary, y) ||
      contextOf(b)->errors.errorCount)
    return false;
  replaceSource(b, leftStart, y);
  return true;
}

namespace {

// The user's stop ends the walk with status 1.
bool stopped(EvalContext* ctx) {
  if (!Model_userAbortAny(&ctx->host)) return false;
  Vm_raise(Vm_errorsOf(ctx), kStatusInterrupt, "BigM_collectCells", 0, 0, 0);
  return true;
}

// Appends to order, after what it depends on, every cell root depends on
// (root itself not), each once; a walk with its own path, so that chains of
// any length are collected.
void collectCells(EvalContext* ctx, Symbol* root, std::vector<Symbol*>* order) {
  struct Visit {
    Symbol* cell;
    size_t next;
  };
  std::unordered_set<const Symbol*> placed(order->begin(), order->end());
  std::vector<Visit> path{{root, 0}};
  if (ctx->errors.errorCount || stopped(ctx)) return;
  while (!path.empty() && ctx->errors.errorCount == 0) {
    Visit& top = path.back();
    if (top.next < top.cell->precedents.size()) {
      Symbol* dep = top.cell->precedents[top.next++];
      const bool needed = Prog_hasCode(dep) || !dep->precedents.empty();
      if (needed && !placed.count(dep) && !stopped(ctx)) path.push_back(Visit{dep, 0});
      continue;
    }
    Symbol* done = top.cell;
    path.pop_back();
    if (!path.empty() && placed.insert(done).second) order->push_back(done);
  }
}

}  // namespace

bool BigM_finish(BigMBuilder* b) {
  FunctionTable* functions = b->reader->functions;
  EvalContext* ctx = contextOf(b);
  Model_buildItemArray(functions);
  for (ModelItem* item : functions->array) {
    if (item->leftChain.empty()) continue;
    Symbol* root = item->leftChain.back();
    std::vector<Symbol*> cells;
    collectCells(ctx, root, &cells);
    cells.push_back(root);
    item->leftChain.assign(cells);
    if (ctx->errors.errorCount) return false;
  }
  return true;
}

const BigMNote* BigM_noteOf(const BigMBuilder* b, int32_t k) {
  return b && k >= 0 && k < static_cast<int32_t>(b->notes.size()) ? &b->notes[static_cast<size_t>(k)] : nullptr;
}

const char* BigM_constructName(uint8_t construct) {
  static const char* const names[] = {"",    "IF",  "NOT", "AND",        "OR",        "MAX",
                                      "MIN", "ABS", "comparison", "comparison", "product"};
  static_assert(std::size(names) == kBigMProduct + 1, "one name per construct");
  return construct <= kBigMProduct ? names[construct] : "";
}
