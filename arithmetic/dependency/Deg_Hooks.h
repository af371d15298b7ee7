// What the two structure modes (dependency vectors, kind 16, and dependency
// graphs, kind 15) share: the walk over an argument's values that depend on a
// decision variable, and the frames of the hooks that worksheet functions
// call at their start and of the unknown-function handler. The mode number
// equals the kind its values take.
#pragma once

#include <cstdint>

#include "arithmetic/dependency/DegVec_Ops.h"
#include "values/Val_Value.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// Calls f on the argument when it has the kind, or on each element of that
// kind of an array argument, row by row.
template <class F>
void Deg_forEachOfKind(const Value* argument, int32_t kind, F f) {
  if (argument->kind == kind) {
    f(argument);
    return;
  }
  if (argument->kind != kValArray || !argument->array) return;
  for (int32_t r = 0; r < argument->array->rows; ++r)
    for (int32_t c = 0; c < argument->array->columns; ++c) {
      const Value* element = Val_at(argument, r, c);
      if (element->kind == kind) f(element);
    }
}

// Merges every value of the kind in the argument into the result value of
// the buffers: into a result of the kind with two(result, e), else one(e)
// starts it.
template <class Two, class One>
void Deg_merge(const EvalBuffers& buffers, const Value* argument, int32_t kind, Two two, One one) {
  Deg_forEachOfKind(argument, kind, [&](const Value* e) {
    if (buffers.result->kind == kind) two(buffers.result, e);
    else one(e);
  });
}

// A hook's frame: false outside the mode; else the result starts as the
// number 0, mark merges each argument in turn, and the answer is whether the
// result depends on a variable. The context is the first argument's, when
// there is one.
template <class Mark>
bool Deg_markAll(int32_t count, const Value* arguments, EvalContext* ctx, int32_t kind, Mark mark) {
  if (count > 0 && arguments[0].context) ctx = arguments[0].context;
  if (!ctx || ctx->flags.mode != kind) return false;
  Val_setNumber(ctx->buffers.result, 0.0);
  for (int32_t i = 0; i < count; ++i) mark(&arguments[i]);
  return ctx->buffers.result->kind == kind;
}

// Replaces the context's result by an array of the argument's shape whose
// every element is a copy of it.
inline void Deg_shapeLike(EvalContext* ctx, const Value* argument) {
  Value merged = Val_empty(ctx);
  Val_assign(&merged, ctx->buffers.result);
  if (Val_makeArray(ctx->buffers.result, argument->array->rows, argument->array->columns) == kStatusOk) {
    for (int32_t r = 0; r < argument->array->rows; ++r)
      for (int32_t c = 0; c < argument->array->columns; ++c) Val_assign(Val_at(ctx->buffers.result, r, c), &merged);
  }
  Val_clear(&merged);
}

// The unknown-function frame: false outside the mode; else the result is the
// cell's stored value (0 when there is none), each dependent argument
// rebuilds it through unknownArg, and a result that depends on a variable
// raises warning 4 when no warning was counted before.
template <class Unknown>
bool Deg_unknownFunction(int32_t count, const Value* arguments, EvalContext* ctx, int32_t kind, Unknown unknownArg) {
  if (!ctx || ctx->flags.mode != kind) return false;
  if (ctx->position.currentCellValue) Val_assign(ctx->buffers.result, ctx->position.currentCellValue);
  else Val_setNumber(ctx->buffers.result, 0.0);
  for (int32_t i = 0; i < count; ++i) Deg_forEachOfKind(&arguments[i], kind, unknownArg);
  if (ctx->buffers.result->kind == kind && ctx->errors.warningCount == 0) DegVec_warnUnknownFnCell(&ctx->errors);
  return true;
}
