// The dispatch table over ids -1 to 1361 and the calls in every form.
#include "interpreter/Fn_Dispatch.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

#include "arithmetic/affine/Aff_Build.h"
#include "arithmetic/dependency/DegDag_Ops.h"
#include "arithmetic/dependency/DegVec_Ops.h"
#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "base/Chk_Assert.h"
#include "interpreter/Fn_Table.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "simulation/functions/Sim_Entries.h"
#include "values/Fn_Ids.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/Wsf_Registry.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/common/Wsf_Shared.h"

namespace {

constexpr size_t kTableSize = kFnLastId - kFnFirstId + 1;

constexpr FnDispatchEntry entryOf(FnForm form, int8_t selector) {
  FnDispatchEntry e{};
  e.form = form;
  e.selector = selector;
  return e;
}

// The calling form and selector of every listed identifier; an unsupported
// function (id -1) has its own form.
constexpr std::array<FnDispatchEntry, kTableSize> buildTable() {
  std::array<FnDispatchEntry, kTableSize> table{};
  auto at = [&table](int32_t id) -> FnDispatchEntry& { return table[static_cast<size_t>(id - kFnFirstId)]; };
#define CORVAN_FORM_ENTRY(symbol, name, id, count, optional, form, selector, kinds, flags) \
  at(id) = entryOf(kForm##form, selector);
  CORVAN_WORKSHEET_FUNCTIONS(CORVAN_FORM_ENTRY)
#undef CORVAN_FORM_ENTRY
#define CORVAN_FORM_RANGE(first, last, form, kinds, flags) \
  for (int32_t id = first; id <= last; ++id) at(id) = entryOf(kForm##form, 0);
  CORVAN_SIMULATION_FUNCTIONS(CORVAN_FORM_RANGE)
#undef CORVAN_FORM_RANGE
  at(kFnUnsupported) = entryOf(kFormUnsupported, 0);
  return table;
}

const std::array<FnDispatchEntry, kTableSize>& table() {
  static constexpr std::array<FnDispatchEntry, kTableSize> t = buildTable();
  return t;
}

Value notAvailable(const EvalBuffers& buffers) { return *Val_setError(buffers.result, kErrNA); }

// Calls a worksheet function of the worksheet library in the result slot,
// with the cell being evaluated; false when it has none for id.
bool callWorksheet(int32_t id, int32_t n, Value** a, const EvalPosition& position, Value* slot, Value* r) {
  const WsfEntry entry = Wsf_entry(id);
  if (!entry) return false;
  const Symbol* symbol = position.currentSymbol;
  const CellRef at = symbol ? Prog_symbolCell(symbol) : CellRef{};
  const bool arrays = (symbol && symbol->formula && symbol->formula->isArray) || position.arrayContext;
  const WsfCall call{symbol ? &at : nullptr, arrays};
  *r = *entry(slot, n, a, &call);
  return true;
}

// Calls a function of the simulation library in the result slot, with the
// cell being evaluated and its sampled-input number; false when it has none
// for id.
bool callSimulation(int32_t id, int32_t n, Value** a, int32_t cell, const EvalPosition& position, Value* slot,
                    Value* r) {
  const SimEntry entry = Sim_entry(id);
  if (!entry) return false;
  const Symbol* symbol = position.currentSymbol;
  const CellRef at = symbol ? Prog_symbolCell(symbol) : CellRef{};
  const SimCall call{symbol ? &at : nullptr, cell, symbol ? symbol->value.source : nullptr};
  *r = *entry(slot, n, a, &call);
  return true;
}

// Calls the implementation in its form; false when there is none.
bool callImpl(const FnDispatchEntry& e, int32_t id, int32_t n, Value** a, int32_t cell, EvalContext* ctx, Value* r) {
  Value* slot = ctx->buffers.result;
  if (callWorksheet(id, n, a, ctx->position, slot, r) || callSimulation(id, n, a, cell, ctx->position, slot, r))
    return true;
  const FnImpl& f = e.impl;
  switch (e.form) {
    case kFormA1: if (!f.a1) return false; *r = f.a1(a[0]); return true;
    case kFormA2: if (!f.a2) return false; *r = f.a2(a[0], a[1]); return true;
    case kFormA4: if (!f.a4) return false; *r = f.a4(a[0], a[1], a[2], a[3]); return true;
    case kFormA5: if (!f.a5) return false; *r = f.a5(a[0], a[1], a[2], a[3], a[4]); return true;
    case kFormCtx: if (!f.ctx) return false; *r = f.ctx(ctx); return true;
    case kFormA1Ctx: if (!f.a1Ctx) return false; *r = f.a1Ctx(a[0], ctx); return true;
    case kFormA2Ctx: if (!f.a2Ctx) return false; *r = f.a2Ctx(a[0], a[1], ctx); return true;
    case kFormA3Ctx: if (!f.a3Ctx) return false; *r = f.a3Ctx(a[0], a[1], a[2], ctx); return true;
    case kFormA4Ctx: if (!f.a4Ctx) return false; *r = f.a4Ctx(a[0], a[1], a[2], a[3], ctx); return true;
    case kFormList: if (!f.list) return false; *r = f.list(n, a, ctx); return true;
    case kFormListSel: if (!f.listSel) return false; *r = f.listSel(n, a, e.selector, ctx); return true;
    case kFormA1Sel: if (!f.a1Sel) return false; *r = f.a1Sel(a[0], e.selector, ctx); return true;
    case kFormIdCtx: if (!f.idCtx) return false; *r = f.idCtx(id, ctx); return true;
    case kFormIdA2: if (!f.idA2) return false; *r = f.idA2(id, a[0], a[1]); return true;
    case kFormCell: if (!f.cell) return false; *r = f.cell(cell, ctx); return true;
    case kFormCellA1: if (!f.cellA1) return false; *r = f.cellA1(cell, a[0], ctx); return true;
    case kFormCellA2: if (!f.cellA2) return false; *r = f.cellA2(cell, a[0], a[1], ctx); return true;
    case kFormCellList: if (!f.cellList) return false; *r = f.cellList(cell, n, a, ctx); return true;
    case kFormFalse: *r = *Val_setBool(slot, 0); return true;
    case kFormTrue: *r = *Val_setBool(slot, 1); return true;
    case kFormUnsupported: *r = Fn_unsupportedFunction(ctx); return true;
    default: return false;
  }
}

// Every value of v, and of the elements of an array v, that numberOf(value,
// &x) takes replaced by the number x.
template <typename NumberOf>
void replaceByNumbers(Value* v, NumberOf numberOf) {
  if (v->kind == kValArray && v->array) {
    for (int32_t i = 0; i < v->array->rows; ++i)
      for (int32_t j = 0; j < v->array->columns; ++j) replaceByNumbers(Val_at(v, i, j), numberOf);
    return;
  }
  if (double x = 0.0; numberOf(*v, &x)) Val_setNumber(v, x);
}

// A private copy of an argument that keeps the cell or range it was read
// from: the functions read a text or a logical from a reference by other
// rules than one typed in the formula.
void copyArgument(Value* copy, const Value* arg) {
  Val_assign(copy, arg);
  Vm_setRangeRef(copy, arg->source);
}

// A private copy of an argument with every sample vector replaced by its
// trial t.
void sampleArgument(Value* v, int32_t t) {
  replaceByNumbers(v, [t](const Value& e, double* x) {
    if (e.kind != kValSamples) return false;
    const auto* s = static_cast<const SampleVector*>(e.payload);
    *x = s && t <= s->n ? s->data[t] : std::numeric_limits<double>::quiet_NaN();
    return true;
  });
}

// The point a value of a derivative, tape, interval or affine mode stands
// for: a derivative kind's value, an enclosure's midpoint.
bool pointOf(const Value& v, double* x) {
  if (Op_derivativeValue(v, x)) return true;
  Interval range{};
  if (!Op_intervalOf(v, &range)) return false;
  *x = Aff_mid(range);
  return true;
}

void trialByTrial(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                  EvalContext* ctx) {
  const int32_t trials = ctx->sampling.trialCount;
  std::vector<double> samples(static_cast<size_t>(trials) + 1, 0.0);
  std::vector<Value> copies(static_cast<size_t>(n), Val_empty(ctx));
  std::vector<Value*> pointers(static_cast<size_t>(n));
  Value result = Val_empty(ctx);
  bool failed = false;
  for (int32_t t = 1; t <= trials && !failed; ++t) {
    for (int32_t i = 0; i < n; ++i) {
      copyArgument(&copies[static_cast<size_t>(i)], args[i]);
      sampleArgument(&copies[static_cast<size_t>(i)], t);
      pointers[static_cast<size_t>(i)] = &copies[static_cast<size_t>(i)];
    }
    Fn_dispatch(id, n, pointers.data(), text, cell, &result, ctx);
    if (Val_isScalar(result.kind) && result.kind != kValError) {
      samples[static_cast<size_t>(t)] = result.kind <= kValMissing ? 0.0 : result.number;
    } else if (result.kind == kValError) {
      samples[static_cast<size_t>(t)] = std::numeric_limits<double>::quiet_NaN();
    } else {
      const CellRef at = ctx->position.currentSymbol ? Prog_symbolCell(ctx->position.currentSymbol) : CellRef{};
      Vm_raise(Vm_errorsOf(ctx), kStatusUnsupportedVector, "Fn_callNode", at.sheet, at.row, at.column);
      failed = true;
    }
  }
  if (failed) {
    Val_setInt(out, 0);
  } else {
    SampleVector s{samples.data(), trials, trials, ctx};
    Val_setSamples(out, &s);
  }
  for (Value& v : copies) Val_clear(&v);
  Val_clear(&result);
}

// Whether v, or an element of it, passes the test.
template <class Test>
bool holdsAny(const Value& v, Test test) {
  if (v.kind == kValArray && v.array) {
    for (int32_t i = 0; i < v.array->rows; ++i)
      for (int32_t j = 0; j < v.array->columns; ++j)
        if (holdsAny(*Val_at(&v, i, j), test)) return true;
    return false;
  }
  return test(v);
}

// Whether v, or an element of it, is a value of a derivative, tape,
// interval or affine mode.
bool holdsModal(const Value& v) {
  return holdsAny(v, [](const Value& e) { return e.kind >= kValGrad && e.kind <= kValAffine; });
}

// Whether v, or an element of it, is a value a mode could not compute: the
// value mode's answer at the point then stands for no answer of the mode.
bool holdsNoDerivative(const Value& v) {
  return holdsAny(v, [](const Value& e) { return Val_isNoDerivative(&e); });
}

// An error a mode gave that the value mode has to settle: a value already
// marked as one the mode could not compute stays as it is.
bool unsettled(const Value& v) { return v.kind == kValError && !Val_isNoDerivative(&v); }

// Whether the result, or an element of an array result, is such an error
// from arguments that hold values of a mode: the function may not compute
// that mode (it has no derivatives in an argument that counts or indexes,
// say), or the worksheet may show that error there too.
// Whether argument v holds a value of a mode or one a mode could not
// compute; an array's answer is kept for the next elements of a lifted call.
bool holdsModeValue(const Value* v) {
  auto make = [v] { return holdsModal(*v) || holdsNoDerivative(*v); };
  if (v->kind != kValArray || !Wsf_sharing()) return make();
  return *Wsf_shared<bool>(v, kWsfFactModal, make);
}

bool modeRefused(const Value& r, int32_t n, Value* const* args) {
  bool refused = unsettled(r);
  if (r.kind == kValArray && r.array)
    for (int32_t i = 0; i < r.array->rows && !refused; ++i)
      for (int32_t j = 0; j < r.array->columns && !refused; ++j) refused = unsettled(*Val_at(&r, i, j));
  if (!refused) return false;
  for (int32_t k = 0; k < n; ++k)
    if (holdsModeValue(args[k])) return true;
  return false;
}

// The call in the value mode at the point its arguments stand for
// (variables at their values, enclosures at their midpoints), its result
// copied into *trial; false when there is no implementation. The trial call
// leaves no other trace: the mode and the error record are restored.
bool valueModeCall(const FnDispatchEntry& e, int32_t id, int32_t n, Value** args, int32_t cell, EvalContext* ctx,
                   Value* trial) {
  const EvalErrors errors = ctx->errors;
  const int32_t mode = ctx->flags.mode;
  ctx->flags.mode = kModeReal;
  // The copies are no arguments of a lifted call: nothing is kept about them.
  const WsfSharedScope none(false);
  std::vector<Value> copies(static_cast<size_t>(n), Val_empty(ctx));
  std::vector<Value*> pointers(static_cast<size_t>(n));
  for (size_t k = 0; k < copies.size(); ++k) {
    copyArgument(&copies[k], args[k]);
    replaceByNumbers(&copies[k], pointOf);
    pointers[k] = &copies[k];
  }
  Value r{};
  const bool called = callImpl(e, id, n, pointers.data(), cell, ctx, &r);
  if (called) Val_assign(trial, &r);
  Val_clear(ctx->buffers.result);
  for (Value& v : copies) Val_clear(&v);
  ctx->flags.mode = mode;
  ctx->errors = errors;
  return called;
}

// A refused error v becomes the value mode's answer t at the same point:
// its error when it gives one (a worksheet error stays that error), else
// "#value!" marked as a value the mode could not compute, with what the
// value mode gives (a number, a text, ...) when it is known. A result beyond
// the doubles stays one unless the value mode gives a number there: then a
// step of the mode's formula (a square of 1E+300, say) left the doubles'
// range where the value mode's did not, and the mode has no answer.
void settleError(Value* v, const Value* t) {
  if (!unsettled(*v)) return;
  const bool valueModeNumber = t && t->kind != kValError;
  if (v->overflow && !valueModeNumber) return;
  uint32_t code = 0;
  if (t && t->kind == kValError && Vm_errorCode(t->number, &code)) Val_setError(v, code);
  else Val_setNoDerivativeOf(v, t ? Op_answerOf(*t) : kValAnswerUnknown);
}

// The element of the value mode's answer t that stands beside element (i, j)
// of an array result: t itself when it is no array, null past its edge.
const Value* trialElement(const Value* t, int32_t i, int32_t j) {
  if (!t || t->kind != kValArray || !t->array) return t;
  return i < t->array->rows && j < t->array->columns ? Val_at(t, i, j) : nullptr;
}

// Settles a refused result, and each refused element of an array result,
// by the value mode at the same point; an array result is settled in a
// copy, as the trial call reuses the result slot, and then left there. The
// simulation functions draw when called: their refusals are marked untried.
// A value the mode could not compute that a function hands back, itself
// or as an element, is not what the function answers there: what the
// value mode gives becomes unknown.
void forgetAnswers(Value* r) {
  if (r->kind == kValArray && !r->array) return;
  for (int32_t k = 0; k < Wsf_count(r); ++k)
    if (Value* e = const_cast<Value*>(Wsf_element(r, k)); Val_isNoDerivative(e)) Val_setNoDerivative(e);
}

void settleRefusal(const FnDispatchEntry& e, int32_t id, int32_t n, Value** args, int32_t cell, EvalContext* ctx,
                   Value* r) {
  const bool array = r->kind == kValArray && r->array;
  Value settled = Val_empty(ctx), trial = Val_empty(ctx);
  Val_assign(&settled, r);
  const bool unknown = std::any_of(args, args + n, [](const Value* a) { return holdsNoDerivative(*a); });
  const Value* t = !unknown && !Sim_entry(id) && valueModeCall(e, id, n, args, cell, ctx, &trial) ? &trial : nullptr;
  if (array) {
    for (int32_t i = 0; i < settled.array->rows; ++i)
      for (int32_t j = 0; j < settled.array->columns; ++j) settleError(Val_at(&settled, i, j), trialElement(t, i, j));
    Value* slot = ctx->buffers.result;
    Val_clear(slot);
    *slot = settled;
    *r = *slot;
  } else {
    settleError(&settled, t);
    *r = settled;
  }
  Val_clear(&trial);
}

// A parameter that takes one number or one logical reads a value wherever
// it comes from; one that takes them from ranges and arrays only a value
// given directly.
bool readsEveryValue(FnParameterKind kind) {
  return kind == kParamNumber || kind == kParamNumberNoLogical || kind == kParamLogical;
}

bool wantsNumber(FnParameterKind kind) {
  return kind == kParamNumber || kind == kParamNumberNoLogical || kind == kParamNumbers;
}

// Whether a logical stands for its number where the kind wants one.
bool readsLogicalAsNumber(FnParameterKind kind) { return kind == kParamNumber || kind == kParamNumbers; }

// Whether a text reads as a number or a logical, or a logical as a number,
// where the kind wants one; with as, that number or logical is set into it
// (as may be v itself).
bool readValue(Value* v, FnParameterKind kind, Value* as) {
  if (v->kind == kValBool && readsLogicalAsNumber(kind)) {
    if (as) Val_setNumber(as, v->number);
    return true;
  }
  if (v->kind != kValText) return false;
  if (double x = 0.0; wantsNumber(kind) && Op_numericText(*v, &x)) {
    if (as) Val_setNumber(as, x);
    return true;
  }
  if (kind != kParamLogical && kind != kParamLogicals) return false;
  const std::u16string_view text(v->text ? v->text : u"");
  const bool yes = Text_equalsNoCase(text, u"TRUE");
  if (!yes && !Text_equalsNoCase(text, u"FALSE")) return false;
  if (as) Val_setBool(as, yes ? 1 : 0);
  return true;
}

// Whether an element of the array is a value that the kind reads.
bool holdsReadValue(const Value& v, FnParameterKind kind) {
  for (int32_t i = 0; i < v.array->rows; ++i)
    for (int32_t j = 0; j < v.array->columns; ++j)
      if (readValue(Val_at(&v, i, j), kind, nullptr)) return true;
  return false;
}

// A left-out argument as the blank its kind reads: 0 for one number, "" for
// a text, FALSE for one logical; an empty value elsewhere (the lists skip
// or count it by their own rules).
void setBlank(Value* v, FnParameterKind kind) {
  if (kind == kParamNumber || kind == kParamNumberNoLogical) Val_setNumber(v, 0.0);
  else if (kind == kParamText) Val_setText(v, u"");
  else if (kind == kParamLogical) Val_setBool(v, 0);
  else Val_setKind(v, kValEmpty);
}

// Reads the argument *arg as its parameter's kind: a text in place, an
// array's elements in a copy in own (which *arg then points at, still
// telling the range it was read from) unless it is own already; one left
// out becomes a blank where blank says so.
void convertArgument(Value** arg, FnParameterKind kind, bool blank, Value* own) {
  Value* v = *arg;
  if (v->kind == kValMissing && blank) setBlank(v, kind);
  if (v->kind != kValArray && (readsEveryValue(kind) || !v->source)) readValue(v, kind, v);
  if (v->kind != kValArray || !v->array || !readsEveryValue(kind) || !holdsReadValue(*v, kind)) return;
  if (v != own) {
    Val_assign(own, v);
    if (v->source) Vm_setRangeRef(own, v->source);
    *arg = own;
  }
  for (int32_t i = 0; i < own->array->rows; ++i)
    for (int32_t j = 0; j < own->array->columns; ++j) readValue(Val_at(own, i, j), kind, Val_at(own, i, j));
}

// Whether a parameter that takes a reference was given another value.
bool refusesReference(int32_t id, int32_t n, Value* const* args) {
  for (int32_t k = 0; k < n; ++k)
    if (Fn_parameterKind(id, k) == kParamReference && !args[k]->source) return true;
  return false;
}

// Whether v is one value an argument of the kind reads without fault: a
// number (of any evaluation mode) or blank, a logical unless the kind
// refuses one, and where a text is wanted also a text.
bool readsWithoutFault(const Value* v, FnParameterKind kind) {
  if (v->kind == kValBool) return kind != kParamNumberNoLogical;
  return (v->kind >= kValEmpty && v->kind <= kValAffine) || (kind == kParamText && v->kind == kValText);
}

// The worksheet reads a function's arguments one by one, in order: the
// first that is an error, a text where one number or logical is wanted, or
// a logical where a number it does not stand for is, decides the call (the
// error, or "#value!"), whatever the arguments after it hold. The reading
// ends at a parameter of another kind, or at an argument that is no single
// value (an array, a structure-mode value): those the function reads by its
// own rules. A function without an
// implementation reads none (it is reported as such), nor does a
// simulation entry (its trailing texts are notes). Sets *r when one
// decides.
bool firstFaultInOrder(int32_t id, int32_t n, Value* const* args, EvalContext* ctx, Value* r) {
  if (!Fn_hasImplementation(id) || Sim_entry(id)) return false;
  for (int32_t k = 0; k < n; ++k) {
    const FnParameterKind kind = Fn_parameterKind(id, k);
    if (!readsEveryValue(kind) && kind != kParamText) return false;
    const Value* v = args[k];
    if (readsWithoutFault(v, kind)) continue;
    const bool refused = v->kind == kValText || v->kind == kValBool;
    if (v->kind == kValError) *r = *Val_assign(ctx->buffers.result, v);
    else if (refused) *r = *Val_setError(ctx->buffers.result, kErrValue);
    return v->kind == kValError || refused;
  }
  return false;
}

}  // namespace

FnDispatchEntry Fn_entry(int32_t id) {
  if (id < kFnFirstId || id > kFnLastId) return FnDispatchEntry{};
  return table()[static_cast<size_t>(id - kFnFirstId)];
}

bool Fn_hasImplementation(int32_t id) {
  const FnDispatchEntry e = Fn_entry(id);
  return e.form == kFormFalse || e.form == kFormTrue || e.impl.a1 != nullptr || Wsf_entry(id) != nullptr ||
         Sim_entry(id) != nullptr;
}

void Fn_convertArguments(int32_t id, int32_t n, Value** args, Value* own) {
  for (int32_t k = 0; k < n; ++k) Fn_convertArgument(id, k, &args[k], &own[k]);
}

void Fn_convertArgument(int32_t id, int32_t k, Value** arg, Value* own) {
  convertArgument(arg, Fn_parameterKind(id, k), Fn_leavesOutBlank(id), own);
}

bool Fn_readsArgumentsOnly(int32_t id) { return Wsf_entry(id) != nullptr || Sim_entry(id) != nullptr; }

Value Fn_unsupportedFunction(EvalContext* ctx) {
  Vm_raise(Vm_errorsOf(ctx), kStatusUnsupportedFunction, "Fn_unsupportedFunction", 0, 0, 0);
  return notAvailable(ctx->buffers);
}

Value Fn_unknownFunction(int32_t n, Value** args, const char16_t* /*text*/, EvalContext* ctx) {
  // An unknown function outranks any warning before it: the diagnosis reads
  // the first warning to learn that cells hold functions it cannot compute.
  ++ctx->errors.warningCount;
  ctx->errors.firstWarning = kWarnUnknownFunction;
  // The structure-analysis modes take unknown calls in their own families;
  // every other mode reports the function.
  std::vector<Value> arguments;
  for (int32_t k = 0; k < n; ++k) arguments.push_back(*args[k]);
  if (DegDag_unknownFunction(n, arguments.data(), ctx) || DegVec_unknownFunction(n, arguments.data(), ctx))
    return *ctx->buffers.result;
  Vm_raise(Vm_errorsOf(ctx), kStatusUnknownFunction, "Fn_unknownFunction", 0, 0, 0);
  return notAvailable(ctx->buffers);
}

void Fn_dispatch(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx) {
  // The call builds its result in the context's result slot; out receives a
  // deep copy of it (or its array), so it must be another slot.
  CORVAN_ASSERT(out != ctx->buffers.result);
  Value r{};
  const FnDispatchEntry entry = Fn_entry(id);
  // An error the arguments decide before the call (a reference wanted, the
  // first fault in order) is the worksheet's in every mode: no mode refused
  // it, and the value mode's call at the point would skip those rules.
  const bool refused = refusesReference(id, n, args);
  if (refused) r = *Val_setError(ctx->buffers.result, kErrValue);
  const bool decided = refused || firstFaultInOrder(id, n, args, ctx, &r);
  if (!decided && !callImpl(entry, id, n, args, cell, ctx, &r)) r = Fn_unknownFunction(n, args, text, ctx);
  if (!decided) forgetAnswers(&r);
  if (!decided && modeRefused(r, n, args)) settleRefusal(entry, id, n, args, cell, ctx, &r);
  Value* result = ctx->buffers.result;
  if (r.kind == kValArray && r.array && r.array == result->array && Val_movable(result)) {
    // An array built in the result slot moves into out rather than being
    // copied; the slot is left empty.
    Val_clear(out);
    *out = *result;
    *result = Val_empty(ctx);
    return;
  }
  Val_assign(out, &r);
}

void Fn_callNode(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx) {
  if (ctx->flags.mode == kModeSamples && Fn_isElementwise(id) && Op_anyArgHasKind(n, args, kValSamples))
    trialByTrial(id, n, args, text, cell, out, ctx);
  else
    Fn_dispatch(id, n, args, text, cell, out, ctx);
}
