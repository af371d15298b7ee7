// The node arrays of the tape modes: sized from the operation count that the
// memory pass records in the function table (the most operations one side of
// one function performs), kept across evaluations and grown when a later pass
// records more. Node k names itself k and carries the context.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "values/List_List.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// Makes *nodes hold the recorded count + 1 nodes (slot 0 unused; *allocated
// says how many past slot 0 it holds) and links nodes 1..*allocated; the
// count is that of one side of a function, or with wholeFunction that of both
// sides and the root on one trace. Status
// 37 before the memory pass, 2 when memory runs out; false in both cases,
// with the array left as it was.
template <class Node>
bool Tape_prepareNodes(EvalContext* ctx, Node** nodes, int32_t* allocated, const char* family,
                       bool wholeFunction = false) {
  const FunctionTable* table = ctx->tables.functions;
  const int32_t count = !table ? -1 : wholeFunction ? table->maxFunctionTape : table->maxCellTape;
  if (count < 0) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, family, 0, 0, 0);
    return false;
  }
  if (!*nodes || *allocated < count) {
    auto* fresh = static_cast<Node*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(Node)));
    if (!fresh) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, family, 0, 0, 0);
      return false;
    }
    std::free(*nodes);
    *nodes = fresh;
    *allocated = count;
  }
  for (int32_t k = 1; k <= *allocated; ++k) {
    (*nodes)[k].self = k;
    (*nodes)[k].context = ctx;
  }
  return true;
}

// Prepares a record tape of the Hessian replays (kind 6 or 9) for n
// variables: sizes the four scratch values, makes *tape hold the count the
// memory pass recorded for one side of a function (records 1..*capacity,
// each with forward value and adjoint sized for n and naming its record,
// operation, constant and operands cleared). Status 37 before that pass, 2
// when memory runs out; false in both cases.
template <class Rec, class Val>
bool Tape_prepareRecords(EvalContext* ctx, int32_t n, Rec** tape, int32_t* capacity, Val* const* scratch,
                         bool (*init)(Val*, int32_t, EvalContext*), void (*freeTape)(Rec*, int32_t),
                         const char* family) {
  for (int32_t i = 0; i < 4; ++i) {
    if (!init(scratch[i], n, ctx)) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, family, 0, 0, 0);
      return false;
    }
  }
  const int32_t count = ctx->tables.functions ? ctx->tables.functions->maxCellTape : -1;
  if (count < 0) {
    Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, family, 0, 0, 0);
    return false;
  }
  if (!*tape || *capacity < count) {
    auto* fresh = static_cast<Rec*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(Rec)));
    if (!fresh) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, family, 0, 0, 0);
      return false;
    }
    freeTape(*tape, *capacity);
    *tape = fresh;
    *capacity = count;
  }
  for (int32_t k = 1; k <= *capacity; ++k) {
    Rec& rec = (*tape)[k];
    rec.op = 0;
    rec.constant = {};
    rec.operand1 = rec.operand2 = 0;
    if (!init(&rec.forward, n, ctx) || !init(&rec.adjoint, n, ctx)) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, family, 0, 0, 0);
      return false;
    }
    rec.forward.node = rec.adjoint.node = k;
  }
  return true;
}

// The variables at gradient positions 1..n of the record tapes (slot 0
// unused): position p itself, or with compact derivatives the p-th of the
// current variables; null where there is none.
inline std::vector<const VarRecord*> Tape_variablesAt(EvalContext* ctx, int32_t n) {
  std::vector<const VarRecord*> variables(static_cast<size_t>(n) + 1, nullptr);
  List* own = ctx->flags.compactDerivatives ? ctx->position.currentVariables : nullptr;
  int32_t j = own ? List_firstInt(own) : 1;
  for (int32_t p = 1; p <= n; ++p) {
    variables[static_cast<size_t>(p)] = Model_getVariable(ctx->tables.variables, own ? j : p);
    if (own) j = List_nextInt(own);
  }
  return variables;
}
