// The node arrays of the tape modes: sized from the operation count that the
// memory pass records in the function table (the most operations one side of
// one function performs), kept across evaluations and grown when a later pass
// records more. Node k names itself k and carries the context.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "values/Model_Functions.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// Makes *nodes hold the recorded count + 1 nodes (slot 0 unused; *allocated
// says how many past slot 0 it holds) and links nodes 1..*allocated. Status
// 37 before the memory pass, 2 when memory runs out; false in both cases,
// with the array left as it was.
template <class Node>
bool Tape_prepareNodes(EvalContext* ctx, Node** nodes, int32_t* allocated, const char* family) {
  const int32_t count = ctx->functions ? ctx->functions->maxCellTape : -1;
  if (count < 0) {
    Vm_raise(ctx, kStatusNoSizingPass, family, 0, 0, 0);
    return false;
  }
  if (!*nodes || *allocated < count) {
    auto* fresh = static_cast<Node*>(std::calloc(static_cast<size_t>(count) + 1, sizeof(Node)));
    if (!fresh) {
      Vm_raise(ctx, kStatusNoMemory, family, 0, 0, 0);
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
