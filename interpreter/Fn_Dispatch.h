// The worksheet-function dispatcher: routes a call, by function id, to its
// implementation in the calling form that implementation takes, trial by
// trial over sample vectors where the function works element by element.
// Ids without an implementation answer as unknown functions.
#pragma once

#include <cstdint>

#include "values/Val_Value.h"

// How an implementation takes its arguments (a0, a1 ... the leading
// arguments; n and args the whole list; k a constant selector; cell the
// sampled-input number).
enum FnForm : uint8_t {
  kFormUnknown = 0,
  kFormA1,        // (a0)
  kFormA2,        // (a0, a1)
  kFormA4,        // (a0, a1, a2, a3)
  kFormA5,        // (a0 ... a4)
  kFormCtx,       // (ctx)
  kFormA1Ctx,     // (a0, ctx)
  kFormA2Ctx,     // (a0, a1, ctx)
  kFormA3Ctx,     // (a0, a1, a2, ctx)
  kFormA4Ctx,     // (a0 ... a3, ctx)
  kFormList,      // (n, args, ctx)
  kFormListSel,   // (n, args, k, ctx)
  kFormA1Sel,     // (a0, k, ctx)
  kFormIdCtx,     // (id, ctx)
  kFormIdA2,      // (id, a0, a1)
  kFormCell,      // (cell, ctx)
  kFormCellA1,    // (cell, a0, ctx)
  kFormCellA2,    // (cell, a0, a1, ctx)
  kFormCellList,  // (cell, n, args, ctx)
  kFormFalse,     // constant FALSE
  kFormTrue,      // constant TRUE
  kFormUnsupported,
};

constexpr int32_t kFnFirstId = -1;
constexpr int32_t kFnLastId = 1361;

// Implementations, one type per form; every one returns the result value.
using FnImplA1 = Value (*)(Value*);
using FnImplA2 = Value (*)(Value*, Value*);
using FnImplA4 = Value (*)(Value*, Value*, Value*, Value*);
using FnImplA5 = Value (*)(Value*, Value*, Value*, Value*, Value*);
using FnImplCtx = Value (*)(EvalContext*);
using FnImplA1Ctx = Value (*)(Value*, EvalContext*);
using FnImplA2Ctx = Value (*)(Value*, Value*, EvalContext*);
using FnImplA3Ctx = Value (*)(Value*, Value*, Value*, EvalContext*);
using FnImplA4Ctx = Value (*)(Value*, Value*, Value*, Value*, EvalContext*);
using FnImplList = Value (*)(int32_t, Value**, EvalContext*);
using FnImplListSel = Value (*)(int32_t, Value**, int32_t, EvalContext*);
using FnImplA1Sel = Value (*)(Value*, int32_t, EvalContext*);
using FnImplIdCtx = Value (*)(int32_t, EvalContext*);
using FnImplIdA2 = Value (*)(int32_t, Value*, Value*);
using FnImplCell = Value (*)(int32_t, EvalContext*);
using FnImplCellA1 = Value (*)(int32_t, Value*, EvalContext*);
using FnImplCellA2 = Value (*)(int32_t, Value*, Value*, EvalContext*);
using FnImplCellList = Value (*)(int32_t, int32_t, Value**, EvalContext*);

union FnImpl {
  FnImplA1 a1;
  FnImplA2 a2;
  FnImplA4 a4;
  FnImplA5 a5;
  FnImplCtx ctx;
  FnImplA1Ctx a1Ctx;
  FnImplA2Ctx a2Ctx;
  FnImplA3Ctx a3Ctx;
  FnImplA4Ctx a4Ctx;
  FnImplList list;
  FnImplListSel listSel;
  FnImplA1Sel a1Sel;
  FnImplIdCtx idCtx;
  FnImplIdA2 idA2;
  FnImplCell cell;
  FnImplCellA1 cellA1;
  FnImplCellA2 cellA2;
  FnImplCellList cellList;
};

struct FnDispatchEntry {
  FnForm form;
  int8_t selector;
  FnImpl impl;  // null: not built yet, answered as unknown
};

// The calling form and selector of an id (kFormUnknown outside the table).
FnDispatchEntry Fn_entry(int32_t id);
// True when a call of id computes (an implementation or a constant).
bool Fn_hasImplementation(int32_t id);
// Whether a call of id leaves its arguments as they are: the worksheet and
// simulation libraries take them read-only.
bool Fn_readsArgumentsOnly(int32_t id);
// The worksheet's one rule for a text or a logical where a number or a
// logical is wanted, by each parameter's kind (Fn_parameterKind): a text
// that reads as a number ("4", "50%", a date) or as a logical (TRUE, FALSE),
// and a logical where a number is wanted, becomes that value where its
// parameter takes one, whether typed, computed or read from a cell, and so
// does each such element of an array given there; where the parameter
// takes ranges and arrays, only one given directly (not read from a cell)
// does. own[k] is the caller's slot for argument k: args[k]
// may point at it or at a value that must not change, which is then copied
// into own[k] before it is converted (args[k] then points at the copy).
void Fn_convertArguments(int32_t id, int32_t n, Value** args, Value* own);
// The same for argument k alone (args and own its own pointer and slot), as
// a call whose other arguments stay as they were converted reads a new one.
void Fn_convertArgument(int32_t id, int32_t k, Value** arg, Value* own);
// Evaluates the call into out, trial by trial when the mode is sample
// vectors, an argument holds one and the function works element by element.
void Fn_callNode(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx);
void Fn_dispatch(int32_t id, int32_t n, Value** args, const char16_t* text, int32_t cell, Value* out,
                 EvalContext* ctx);
// Status 39 and "#n/a".
Value Fn_unsupportedFunction(EvalContext* ctx);
// Warning 4, then status 38 and "#n/a" unless a structure-analysis mode takes it.
Value Fn_unknownFunction(int32_t n, Value** args, const char16_t* text, EvalContext* ctx);
