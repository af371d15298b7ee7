// Stack, instruction loop, array rules (implicit intersection, array-formula
// broadcasting) and the store of a cell's result.
#include "interpreter/Vm_Machine.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "base/Chk_Assert.h"
#include "interpreter/Code_Segment.h"
#include "interpreter/Fn_Dispatch.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Parse_Reader.h"
#include "interpreter/Prog_Program.h"
#include "values/Fn_Ids.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/common/Wsf_Shared.h"

namespace {

EvalContext* ctxOf(const Program* p) { return p->context; }

// No slot used, none deferring a value (only slots up to the highest used
// can).
void emptyStack(Program* p) {
  std::fill(p->deferred, p->deferred + (p->highWater + 1), nullptr);
  p->top = p->highWater = -1;
}

// A defined name standing for a formula: it has no cell of its own to meet
// a range in, so its value is the formula's whole result, array or not, as
// an array formula or an array-taking call using the name computes it.
bool isNameFormula(const Symbol* s) { return s->space == kSpaceCell && !s->value.source && s->formula; }

// Operators and scalar functions work element by element in an array
// formula, a defined name's formula and inside the arguments of an
// array-taking call.
bool isArrayContext(const Program* p) {
  if (p->arrayDepth > 0) return true;
  const Symbol* s = p->currentCell;
  return s && s->formula && (s->formula->isArray || isNameFormula(s));
}

// A defined name's formula that takes a range of several cells element by
// element outside any array-taking call: a formula using the name outside
// arrays would meet that range in its own cell instead, so its value
// depends on where it is used.
void notePlaceDependence(Program* p, int32_t n, Value* const* operands) {
  Symbol* s = p->currentCell;
  if (p->arrayDepth > 0 || !s || !isNameFormula(s)) return;
  for (int32_t k = 0; k < n; ++k)
    if (operands[k]->kind == kValArray && operands[k]->source && Model_rangeArea(*operands[k]->source) > 1)
      s->formula->placeDependent = 1;
}

// Rows and columns of a value: 1 x 1 for a scalar.
void shapeOf(const Value* v, int32_t* rows, int32_t* columns) {
  const bool array = v->kind == kValArray && v->array;
  *rows = array ? v->array->rows : 1;
  *columns = array ? v->array->columns : 1;
}

// Element (i, j) of an operand in an element-wise result: an operand of one
// row or column repeats along it; past the edge of a longer one, notAvailable.
const Value* elementOf(const Value* v, int32_t i, int32_t j, const Value* notAvailable) {
  if (v->kind != kValArray || !v->array) return v;
  const int32_t row = v->array->rows > 1 ? i : 0;
  const int32_t column = v->array->columns > 1 ? j : 0;
  if (row >= v->array->rows || column >= v->array->columns) return notAvailable;
  return Val_at(v, row, column);
}

Value applyOperator(Program* p, uint32_t op, const Value& x, const Value& y) {
  switch (op) {
    case kCodePow: return Op_powOperator(x, y);
    case kCodeMul: return Op_mul(x, y);
    case kCodeDiv: return Op_div(x, y);
    case kCodeAdd: return Op_add(x, y);
    case kCodeSub: return Op_sub(x, y);
    case kCodeConcat: return Op_concat(x, y);
    case kCodeEq: return Op_eq(x, y);
    case kCodeLt: return Op_lt(x, y);
    case kCodeGt: return Op_gt(x, y);
    case kCodeLe: return Op_le(x, y);
    case kCodeGe: return Op_ge(x, y);
    case kCodeNe: return Op_ne(x, y);
    default:
      Vm_raise(Vm_errorsOf(ctxOf(p)), kStatusInvalidOperation, "Vm_applyOperator", 0, 0, 0);
      return *Val_setNumber(ctxOf(p)->buffers.result, 0.0);
  }
}

Value applyUnary(uint32_t op, const Value& x) { return op == kCodeNeg ? Op_neg(x) : Op_divVS(x, 100.0); }

// The element of the array v the current cell selects by implicit
// intersection; "#value!" when it selects none.
Value selectedElement(const Program* p, const Value* v) {
  Value element = Val_empty(ctxOf(p));
  if (int32_t i = 0, j = 0; Vm_implicitIntersection(p, v, &i, &j)) Val_assign(&element, Val_at(v, i, j));
  else Val_setError(&element, kErrValue);
  return element;
}

// Reduces a range operand to the element the current cell selects; one
// that selects none becomes "#value!". An array that is no range (a
// constant, a computed array) stays whole.
void intersect(const Program* p, Value* v) {
  if (v->kind != kValArray || !v->array || !v->source) return;
  Value element = selectedElement(p, v);
  Val_clear(v);
  *v = element;
}

// Outside array context, and in it for a function that answers an array, an
// array given where a function of ranges takes one value (Fn_takesOneValue)
// is read as that one value: a range by implicit intersection ("#value!"
// when it meets none), any other array by its first element unless the
// function lifts arrays. A lent argument is read into its own slot.
void readOneValue(Program* p, int32_t id, int32_t n, Value** args, Value* own) {
  if (isArrayContext(p) && !Fn_answersArray(id)) return;
  const bool lifts = Fn_liftsArrays(id);
  for (int32_t k = 0; k < n; ++k) {
    Value* v = args[k];
    if (!Fn_takesOneValue(id, k) || v->kind != kValArray || !v->array || (lifts && !v->source)) continue;
    Value element = selectedElement(p, v);
    Val_clear(&own[k]);
    own[k] = element;
    args[k] = &own[k];
  }
}

// A text built by "&" formats its operands and takes a block of its own:
// it counts as this many elements.
constexpr int64_t kTextElementWeight = 8;

// Whether the cell being run was abandoned at the user's stop.
bool stopped(const EvalContext* ctx) {
  return ctx->errors.errorCount > 0 && ctx->errors.firstError == kStatusInterrupt;
}

// Fills each element of result with apply over the operands' elements,
// doing `work` for the stop before each; false when a stop ended it.
template <typename Apply>
bool fillElements(Program* p, int32_t n, Value* const* operands, Value* result, int64_t work, Apply& apply) {
  Value notAvailable = Val_empty(ctxOf(p));
  Val_setError(&notAvailable, kErrNA);
  std::vector<const Value*> element(static_cast<size_t>(n));
  for (int32_t i = 0; i < result->array->rows; ++i) {
    for (int32_t j = 0; j < result->array->columns; ++j) {
      if (Vm_stopAsked(ctxOf(p), work)) return false;
      for (int32_t k = 0; k < n; ++k) element[static_cast<size_t>(k)] = elementOf(operands[k], i, j, &notAvailable);
      apply(element.data(), Val_at(result, i, j));
    }
  }
  return true;
}

// Runs op over n operands element by element: outside array context each
// range is first reduced to its intersected element (one that meets none is
// "#value!", which op passes on as any error operand, after an error to its
// left), and only arrays that are no ranges are left to go element by
// element. The result goes into out. Each element built spends weight of
// the cell's elements, past them out is "#num!", and does work for the stop
// (Vm_stopAsked), which leaves out as it was.
template <typename Apply>
void elementwise(Program* p, int32_t n, Value** operands, Value* out, int64_t weight, int64_t work, Apply apply) {
  if (isArrayContext(p)) notePlaceDependence(p, n, operands);
  for (int32_t k = 0; k < n && !isArrayContext(p); ++k) intersect(p, operands[k]);
  bool anyArray = false;
  for (int32_t k = 0; k < n; ++k) anyArray = anyArray || operands[k]->kind == kValArray;
  if (anyArray) {
    int32_t rows = 1, columns = 1;
    Vm_broadcastShape(n, operands, &rows, &columns);
    const int64_t cost = static_cast<int64_t>(rows) * columns * weight;
    if (cost > p->elementsLeft) {
      Val_setError(out, kErrNum);
      return;
    }
    p->elementsLeft -= cost;
    Value result = Val_empty(ctxOf(p));
    if (Val_makeArray(&result, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != 0 ||
        fillElements(p, n, operands, &result, work, apply))
      Val_assign(out, &result);
    Val_clear(&result);
    return;
  }
  std::vector<const Value*> element(operands, operands + n);
  apply(element.data(), out);
}

// Pushes a value the caller owns and leaves it empty: moved into the slot
// when that gives what a copy would, so that an array result is not copied.
void pushResult(Program* p, Value* v) {
  if (!Val_movable(v) || p->top >= kVmStackSize - 1) {
    Vm_push(p, v);
    Val_clear(v);
    return;
  }
  Value* slot = &p->stack[++p->top];
  Val_clear(slot);
  *slot = *v;
  *v = Val_empty(slot->context);
  p->highWater = std::max(p->highWater, p->top);
}

// Pushes an operator's result r (a copy of the context's result record)
// into the slot its operands left: the result's payload is moved there, the
// slot's former payload becomes the context's scratch, nothing is copied.
void pushTaken(Program* p, const Value& r) {
  Value* slot = &p->stack[++p->top];
  Val_takeResult(slot, r);
  const Value* result = ctxOf(p)->buffers.result;
  CORVAN_ASSERT(!slot->payload || !result || slot->payload != result->payload);
  if (slot->source) {
    std::free(slot->source);
    slot->source = nullptr;
  }
  p->highWater = std::max(p->highWater, p->top);
}

// An operator over arrays: element by element, or on the elements the
// current cell intersects; the operands are copies with their ranges.
void arrayOperator(Program* p, uint32_t op, int32_t n, Value* const* slots) {
  Value copies[2] = {Val_empty(ctxOf(p)), Val_empty(ctxOf(p))};
  Value* operands[2] = {&copies[0], &copies[1]};
  for (int32_t k = 0; k < n; ++k) {
    Val_assign(operands[k], slots[k]);
    if (slots[k]->source) Vm_setRangeRef(operands[k], slots[k]->source);
  }
  Value out = Val_empty(ctxOf(p));
  const int64_t weight = op == kCodeConcat ? kTextElementWeight : 1;
  elementwise(p, n, operands, &out, weight, weight, [&](const Value* const* e, Value* dst) {
    Value r = n == 2 ? applyOperator(p, op, *e[0], *e[1]) : applyUnary(op, *e[0]);
    Val_assign(dst, &r);
  });
  for (Value& c : copies) Val_clear(&c);
  pushResult(p, &out);
}

// Operands are read in their stack slots; the slots stay as they are until
// the result takes the left one's place.
void binaryOp(Program* p, uint32_t op) {
  Value* right = Vm_pop(p);
  Value* left = Vm_pop(p);
  if (left->kind != kValArray && right->kind != kValArray) return pushTaken(p, applyOperator(p, op, *left, *right));
  Value* const slots[2] = {left, right};
  arrayOperator(p, op, 2, slots);
}

void unaryOp(Program* p, uint32_t op) {
  Value* slot = Vm_pop(p);
  if (slot->kind != kValArray) return pushTaken(p, applyUnary(op, *slot));
  arrayOperator(p, op, 1, &slot);
}

// The cell's array value the top slot defers, popped, when copying it
// would give the same: no element is a decision variable or a sampled
// input to be set up in the evaluation mode. Null, the slot left, for any
// other.
const Value* popPlainArray(Program* p) {
  if (p->top < 0) return nullptr;
  const Value* v = p->deferred[p->top];
  if (!v || !Val_movable(v)) return nullptr;
  p->deferred[p->top--] = nullptr;
  return v;
}

// Pushes a cell's array value to be copied into its slot when popped.
void pushDeferred(Program* p, const Value* v) {
  if (p->top >= kVmStackSize - 1) {
    Vm_push(p, v);  // raises the overflow
    return;
  }
  p->deferred[++p->top] = v;
  p->highWater = std::max(p->highWater, p->top);
}

// In array context an array given to a function of ranges where it reads
// one value lifts the call: it runs once for each element of those arrays
// (broadcast as an operator's operands are), its other arguments taken
// whole, and answers the array of results. The arguments lifted over; none
// for a function that takes such an array itself (LARGE's k).
std::vector<int32_t> liftedArguments(const Program* p, int32_t id, int32_t n, Value* const* args) {
  std::vector<int32_t> lifted;
  if (!isArrayContext(p) || Fn_isScalarArgs(id) || Fn_liftsArrays(id) || Fn_answersArray(id) ||
      !Fn_hasImplementation(id))
    return lifted;
  for (int32_t k = 0; k < n; ++k)
    if (Fn_takesOneValue(id, k) && args[k]->kind == kValArray && args[k]->array) lifted.push_back(k);
  return lifted;
}

void liftCall(Program* p, int32_t id, const std::vector<int32_t>& lifted, const std::vector<Value*>& args,
              const char16_t* text, int32_t cell, Value* out) {
  std::vector<Value*> operands;
  for (int32_t k : lifted) operands.push_back(args[static_cast<size_t>(k)]);
  const auto m = static_cast<int32_t>(operands.size());
  // Lifted over its first argument alone in the value mode, a lookup or
  // RANK works out what it needs of its other arguments (a sorted copy of
  // the searched line) once for all the elements.
  const bool share =
      lifted.size() == 1 && lifted[0] == 0 && Wsf_sharesLiftedWork(id) && ctxOf(p)->flags.mode == kModeReal;
  const WsfSharedScope shared(share);
  elementwise(p, m, operands.data(), out, 1, kVmStopStride, [&](const Value* const* e, Value* dst) {
    std::vector<Value*> element(args);
    for (int32_t i = 0; i < m; ++i)
      element[static_cast<size_t>(lifted[static_cast<size_t>(i)])] = const_cast<Value*>(e[i]);
    Fn_callNode(id, static_cast<int32_t>(element.size()), element.data(), text, cell, dst, ctxOf(p));
    // An element's result is one value: an array (CHOOSE choosing one)
    // gives its first, as the worksheet's lifted call does.
    if (dst->kind == kValArray && dst->array) {
      Value first = Val_empty(ctxOf(p));
      Val_assign(&first, Val_at(dst, 0, 0));
      Val_clear(dst);
      *dst = first;
    }
  });
}

// Calls the function on its arguments whole. IF and CHOOSE hand back the
// cell they chose as a reference, not only its value (ISREF and ROW see it,
// a blank stays blank, a sum skips its text): the range their
// implementation left on the context's result slot moves into out. The slot
// starts the call without one, so that no other call's result takes it.
void callWhole(Program* p, int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out) {
  Value* result = ctxOf(p)->buffers.result;
  std::free(result->source);
  result->source = nullptr;
  Fn_callNode(id, n, args, text, cell, out, ctxOf(p));
  if (result->source && out->kind != kValArray) {
    std::free(out->source);
    out->source = result->source;
    result->source = nullptr;
  }
}

void callFunction(Program* p) {
  const Symbol* fn = p->lastCell;
  const int32_t id = Parse_functionId(fn), n = Parse_argumentCount(fn);
  if (Fn_isArrayArgs(id) && p->arrayDepth > 0) --p->arrayDepth;
  // The popped slots are dead: each argument takes its slot's content, range
  // included, and the slot is left empty. A call that takes its arguments
  // whole and only reads them reads a cell's array pushed unmaterialised
  // in place.
  const bool lent = Fn_readsArgumentsOnly(id) && !Fn_isScalarArgs(id) && id != kIdIf;
  std::vector<Value> args(static_cast<size_t>(n), Val_empty(ctxOf(p)));
  std::vector<Value*> pointers(static_cast<size_t>(n));
  for (int32_t k = n - 1; k >= 0; --k) {
    if (const Value* cellValue = lent ? popPlainArray(p) : nullptr) {
      pointers[static_cast<size_t>(k)] = const_cast<Value*>(cellValue);
      continue;
    }
    Value* slot = Vm_pop(p);
    args[static_cast<size_t>(k)] = *slot;
    *slot = Val_empty(ctxOf(p));
    pointers[static_cast<size_t>(k)] = &args[static_cast<size_t>(k)];
  }
  Fn_convertArguments(id, n, pointers.data(), args.data());
  readOneValue(p, id, n, pointers.data(), args.data());
  const char16_t* text = fn->definition.empty() ? fn->name.c_str() : fn->definition.c_str();
  const int32_t cell = std::abs(static_cast<int16_t>(fn->value.reference));
  Value out = Val_empty(ctxOf(p));
  bool anyArray = false;
  for (const Value* a : pointers) anyArray = anyArray || a->kind == kValArray;
  const bool ifOverArray = id == kIdIf && n > 0 && pointers[0]->kind == kValArray;
  ctxOf(p)->position.arrayContext = isArrayContext(p) ? 1 : 0;
  // A function without an implementation is called with its arguments as
  // they are, so that it is reported as such rather than as the #VALUE! of
  // a range that does not meet the formula's cell.
  const std::vector<int32_t> lifted = liftedArguments(p, id, n, pointers.data());
  if (!lifted.empty()) {
    liftCall(p, id, lifted, pointers, text, cell, &out);
  } else if ((!anyArray || !Fn_isScalarArgs(id) || !Fn_hasImplementation(id)) && !ifOverArray) {
    callWhole(p, id, n, pointers.data(), text, cell, &out);
  } else {
    // Outside array context IF meets only its condition's range; what is
    // still an array then goes element by element.
    // A range that meets no cell is the argument "#value!", which the
    // function takes as it takes any error (ISERROR gives TRUE).
    const int32_t reduce = isArrayContext(p) ? 0 : id == kIdIf ? 1 : n;
    bool stillArray = reduce == 0;
    for (int32_t k = 0; k < reduce; ++k) {
      intersect(p, pointers[static_cast<size_t>(k)]);
      stillArray = stillArray || pointers[static_cast<size_t>(k)]->kind == kValArray;
    }
    if (!stillArray) {
      callWhole(p, id, n, pointers.data(), text, cell, &out);
    } else {
      elementwise(p, n, pointers.data(), &out, 1, kVmStopStride, [&](const Value* const* e, Value* dst) {
        std::vector<Value*> element(static_cast<size_t>(n));
        for (int32_t k = 0; k < n; ++k) element[static_cast<size_t>(k)] = const_cast<Value*>(e[k]);
        Fn_callNode(id, n, element.data(), text, cell, dst, ctxOf(p));
      });
    }
  }
  for (Value& a : args) Val_clear(&a);
  pushResult(p, &out);
}

void pushOperand(Program* p) {
  if (!p->lastCell) {
    Value zero = Val_empty(ctxOf(p));
    Vm_push(p, Val_setNumber(&zero, 0.0));
    return;
  }
  const Value* v = &p->lastCell->value;
  if (p->lastCell->formula && p->lastCell->formula->placeDependent && !isArrayContext(p)) {
    // Each cell meets the name's range in its own place: the name's one
    // value is none of them.
    const CellRef at = p->currentCell ? Prog_symbolCell(p->currentCell) : CellRef{};
    Vm_raise(Vm_errorsOf(ctxOf(p)), kStatusRangeFailure, "Vm_pushOperand", at.sheet, at.row, at.column);
  }
  if (v->kind == kValArray && v->array) pushDeferred(p, v);
  else Vm_push(p, v);
}

void pushText(Program* p) {
  Value text = Val_empty(ctxOf(p));
  Val_setText(&text, p->lastCell ? p->lastCell->name.c_str() : u"");
  pushResult(p, &text);
}

void decodeNext(Program* p) {
  uint32_t operand = 0;
  p->op = Code_decode(p->currentCell->formula->code, &operand);
  p->lastCell = operand >= 1 ? Prog_symbolBySerial(p->codeStore, operand) : nullptr;
}

void execute(Program* p) {
  switch (p->op) {
    case kCodeCall: callFunction(p); break;
    case kCodeLiteral:
    case kCodeRef:
    case kCodeNumber:
    case kCodeArray: pushOperand(p); break;
    case kCodeText: pushText(p); break;
    case kCodeParen: break;  // only symbolic texts mark parentheses
    case kCodeArrayArgs: ++p->arrayDepth; break;
    case kCodeArrayEnd: --p->arrayDepth; break;
    case kCodeNeg:
    case kCodePercent: unaryOp(p, p->op); break;
    case kCodePow:
    case kCodeMul:
    case kCodeDiv:
    case kCodeAdd:
    case kCodeSub:
    case kCodeConcat:
    case kCodeEq:
    case kCodeLt:
    case kCodeGt:
    case kCodeLe:
    case kCodeGe:
    case kCodeNe: binaryOp(p, p->op); break;
    default: {
      Vm_raise(Vm_errorsOf(ctxOf(p)), kStatusInvalidCode, "Vm_execute", 0, 0, 0);
      Value zero = Val_empty(ctxOf(p));
      Vm_push(p, Val_setNumber(&zero, 0.0));
    }
  }
}

bool isSingleCell(const RangeRef& r) { return r.firstRow == r.lastRow && r.firstColumn == r.lastColumn; }

// Element (i, j) of a precedent's value, "#n/a" outside its array.
void copyElement(const Value* from, int32_t i, int32_t j, Value* to) {
  if (from->kind != kValArray || !from->array) {
    Val_assign(to, from);
  } else if (i < from->array->rows && j < from->array->columns) {
    Val_assign(to, Val_at(from, i, j));
  } else {
    Val_setError(to, kErrNA);
  }
}

// A range or name without code: its value gathers its changed cells.
void gatherRange(Symbol* s) {
  const RangeRef* own = s->value.source;
  for (Symbol* dep : s->precedents) {
    const bool isVolatile = dep->formula && dep->formula->isVolatile;
    RangeRef common{};
    if (!(dep->mark || isVolatile) || !own || !dep->value.source ||
        !Model_intersectRanges(*own, *dep->value.source, &common))
      continue;
    const RangeRef& src = *dep->value.source;
    if (isSingleCell(*own)) {
      copyElement(&dep->value, own->firstRow - src.firstRow, own->firstColumn - src.firstColumn, &s->value);
      continue;
    }
    if (s->value.kind != kValArray || !s->value.array) continue;
    for (int32_t row = common.firstRow; row <= common.lastRow; ++row)
      for (int32_t col = common.firstColumn; col <= common.lastColumn; ++col)
        copyElement(&dep->value, row - src.firstRow, col - src.firstColumn,
                    Val_at(&s->value, row - own->firstRow, col - own->firstColumn));
  }
  s->mark = 1;
}

bool needsEvaluation(const Program* p, const Symbol* s) {
  if (s->formula->isVolatile || ctxOf(p)->flags.incremental == 0) return true;
  if (s->mark) return false;
  if (s->name.size() > 1 && s->name[1] == u'0') return true;
  for (const Symbol* dep : s->precedents)
    if (dep->mark) return true;
  return false;
}

// The element of an array result that a scalar cell keeps: its place in
// its array formula's block; for an ordinary cell, a range meets the cell's
// row or column ("#value!" when it meets neither), a computed array gives
// its first element.
void scalarElement(const Program* p, const Symbol* s, const Value* r, Value* element) {
  if (s->formula->isArray || !r->source || !s->value.source) {
    copyElement(r, s->formula->arrayRow, s->formula->arrayColumn, element);
    return;
  }
  int32_t i = 0, j = 0;
  if (Vm_implicitIntersection(p, r, &i, &j)) copyElement(r, i, j, element);
  else Val_setError(element, kErrValue);
}

// Stores an array formula's result in its block (v, its source the block),
// each cell its element ("#n/a" past the result). A result of the block's
// shape whose elements copy as they are (no decision variable in it)
// becomes the block's array whole, its former array left to r, unless a
// decision variable is bound in the block. A block run for the first time
// gets its array.
void storeBlock(Value* v, Value* r) {
  const RangeRef block = *v->source;
  const auto rows = static_cast<uint16_t>(block.lastRow - block.firstRow + 1);
  const auto columns = static_cast<uint8_t>(block.lastColumn - block.firstColumn + 1);
  if (v->reference == 0 && r->kind == kValArray && r->array && r->array->rows == rows && r->array->columns == columns &&
      Val_movable(r)) {
    std::swap(v->array, r->array);
    Val_setKind(v, kValArray);
    if (!r->array) Val_clear(r);
    return;
  }
  if (!v->array) {
    if (Val_makeArray(v, rows, columns) != kStatusOk) return;
    Vm_setRangeRef(v, &block);
  }
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = 0; j < columns; ++j) copyElement(r, i, j, Val_at(v, i, j));
}

// The popped slot r is dead: its content moves into the symbol's value v,
// which keeps its own decision-variable reference.
void takeWhole(Value* v, Value* r) {
  const int32_t reference = v->reference;
  Val_take(v, r);
  v->reference = reference;
}

// Stores a cell's result: a defined name's as it is, an array into a scalar
// cell gives one element (scalarElement), into an array formula's block each
// cell its element (storeBlock), into another array the common part; a
// scalar fills an array.
void storeResult(const Program* p, Symbol* s, Value* r) {
  Value* v = &s->value;
  if (s->space == kSpaceBlock) {
    storeBlock(v, r);
  } else if (isNameFormula(s)) {
    takeWhole(v, r);
  } else if (r->kind == kValArray && r->array && v->kind != kValArray) {
    Value element = Val_empty(v->context);
    scalarElement(p, s, r, &element);
    const int32_t reference = v->reference;
    Val_assign(v, &element);
    v->reference = reference;
    Val_clear(&element);
  } else if (r->kind == kValArray && r->array && v->array) {
    const int32_t rows = std::min<int32_t>(r->array->rows, v->array->rows);
    const int32_t columns = std::min<int32_t>(r->array->columns, v->array->columns);
    for (int32_t i = 0; i < rows; ++i)
      for (int32_t j = 0; j < columns; ++j) Val_assign(Val_at(v, i, j), Val_at(r, i, j));
  } else if (v->kind == kValArray && v->array) {
    for (int32_t i = 0; i < v->array->rows; ++i)
      for (int32_t j = 0; j < v->array->columns; ++j) Val_assign(Val_at(v, i, j), r);
  } else {
    takeWhole(v, r);
  }
}

}  // namespace

void Vm_setRangeRef(Value* v, const RangeRef* range) { Wsf_setSource(v, range); }

void Vm_initProgram(Program* p, EvalContext* ctx) {
  p->context = ctx;
  ctx->stop = EvalStop{Model_userAbort, 0};
  p->op = 0;
  for (Value& slot : p->stack) slot = Val_empty(ctx);
  p->highWater = kVmStackSize - 1;  // every slot's deferral cleared
  emptyStack(p);
  p->arrayDepth = 0;
  p->elementsLeft = kVmElementsPerCell;
  p->runs = 0;
  p->currentCell = p->lastCell = nullptr;
  p->codeStore = ctx->tables.codeStore;
  p->variables = ctx->tables.variables;
  p->functions = ctx->tables.functions;
}

void Vm_releaseProgram(Program* p) {
  for (Value& slot : p->stack) Val_clear(&slot);
  emptyStack(p);
}

bool Vm_push(Program* p, const Value* v) {
  if (p->top >= kVmStackSize - 1) {
    Vm_raise(Vm_errorsOf(ctxOf(p)), kStatusStackOverflow, "Vm_push", 0, 0, 0);
    return false;
  }
  Value* slot = &p->stack[++p->top];
  Val_assign(slot, v);
  if (v->source) {
    Vm_setRangeRef(slot, v->source);
  } else if (slot->source) {
    std::free(slot->source);
    slot->source = nullptr;
  }
  p->highWater = std::max(p->highWater, p->top);
  return true;
}

Value* Vm_pop(Program* p) {
  if (p->top < 0) {
    Vm_raise(Vm_errorsOf(ctxOf(p)), kStatusStackEmpty, "Vm_pop", 0, 0, 0);
    p->top = 0;
  }
  if (const Value* v = p->deferred[p->top]) {
    p->deferred[p->top--] = nullptr;
    Vm_push(p, v);
  }
  return &p->stack[p->top--];
}

int32_t Vm_depth(const Program* p) { return p->highWater + 1; }

bool Vm_implicitIntersection(const Program* p, const Value* array, int32_t* row, int32_t* column) {
  *row = *column = 0;
  if (!array->source) return true;
  const RangeRef& r = *array->source;
  const CellRef at = p->currentCell ? Prog_symbolCell(p->currentCell) : CellRef{};
  if (r.firstRow == r.lastRow) {
    if (at.column < r.firstColumn || at.column > r.lastColumn) return false;
    *column = at.column - r.firstColumn;
    return true;
  }
  if (r.firstColumn == r.lastColumn && at.row >= r.firstRow && at.row <= r.lastRow) {
    *row = at.row - r.firstRow;
    return true;
  }
  return false;
}

void Vm_broadcastShape(int32_t n, const Value* const* operands, int32_t* rows, int32_t* columns) {
  // An operand of one row or column repeats along it; past a longer
  // operand's edge the elements are #N/A (elementOf), so the result is as
  // large as the largest operand in each direction.
  *rows = *columns = 1;
  for (int32_t k = 0; k < n; ++k) {
    int32_t r = 1, c = 1;
    shapeOf(operands[k], &r, &c);
    *rows = std::max(*rows, r);
    *columns = std::max(*columns, c);
  }
}

Value* Vm_execute(Program* p) {
  ++p->runs;
  const int32_t outerDepth = p->arrayDepth;
  p->arrayDepth = 0;
  decodeNext(p);
  while (p->op != kCodeEnd) {
    if (ctxOf(p)->errors.errorCount != 0) break;
    execute(p);
    decodeNext(p);
  }
  p->arrayDepth = outerDepth;
  return Vm_pop(p);
}

void Vm_run(Program* p) {
  Symbol* s = p->currentCell;
  EvalContext* ctx = ctxOf(p);
  ++p->runs;
  if (Model_userAbort(&ctx->host)) {
    Vm_raise(Vm_errorsOf(ctx), kStatusInterrupt, "Vm_run", 0, 0, 0);
    return;
  }
  ctx->position.currentSymbol = s;
  ctx->position.currentCell = Prog_symbolCell(s);
  if (!Prog_hasCode(s)) {
    gatherRange(s);
    return;
  }
  if (!needsEvaluation(p, s)) return;
  s->formula->code->cursor = s->formula->code->start;
  emptyStack(p);
  p->elementsLeft = kVmElementsPerCell;
  Value* r = Vm_execute(p);
  if (stopped(ctx)) return;  // abandoned as if stopped before it: the cell keeps its former value
  if (s->value.source) {
    const CellRef at = Prog_symbolCell(s);
    Vm_setErrorCell(&ctx->errors, at.sheet, at.row, at.column);
  }
  storeResult(p, s, r);
  s->mark = 1;
}
