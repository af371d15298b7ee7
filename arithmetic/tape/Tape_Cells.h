// Per-cell tapes of the reverse modes: each cell's own node array, sized by
// the operations its formula performs, lent to the context while the cell
// runs. Its nodes carry names that no other cell's nodes carry, given in the
// order the cells are first taped (so a cell's names follow those of every
// cell it reads), and a node names its operands in other cells by those
// names; a sweep over a chain's cells finds them through CellNodes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

struct CellTape {
  int32_t kind = 0;       // 0 none, else the value kind of its nodes (7 or 10)
  int32_t count = 0;      // operations the cell's own formula performs
  NodeRef base = 0;       // its nodes are named base + 1 .. base + count
  void* nodes = nullptr;  // count + 1 nodes of its kind, slot 0 unused; owned
};

// Frees the tape's nodes; the tape then has none.
inline void Tape_freeCellTape(CellTape* tape) {
  std::free(tape->nodes);
  tape->nodes = nullptr;
  tape->kind = 0;
}

// Keeps the context's own node arrays while cells' tapes are lent to it, and
// gives them back when it goes.
class CellTapeLoan {
 public:
  explicit CellTapeLoan(EvalBuffers* buffers)
      : b_(buffers),
        rev_(buffers->revTape),
        ivRev_(buffers->ivRevTape),
        revCapacity_(buffers->revTapeCapacity),
        ivRevCapacity_(buffers->ivRevTapeCapacity) {}
  ~CellTapeLoan() {
    b_->revTape = rev_;
    b_->ivRevTape = ivRev_;
    b_->revTapeCapacity = revCapacity_;
    b_->ivRevTapeCapacity = ivRevCapacity_;
  }
  CellTapeLoan(const CellTapeLoan&) = delete;
  CellTapeLoan& operator=(const CellTapeLoan&) = delete;

 private:
  EvalBuffers* b_;
  RevNode* rev_;
  IvRevNode* ivRev_;
  int32_t revCapacity_, ivRevCapacity_;
};

// Gives a cell's tape nodes of the kind (a new array under fresh names when
// it holds another kind or none) and lends them to the context as its node
// array (*nodes, *capacity) with the counter at 0; a cell without a tape, or
// whose formula performs no operation, leaves the context without one.
// Status 2, and false, when memory runs out.
template <class Node>
bool Tape_prepareCell(EvalContext* ctx, CellTape* tape, int32_t kind, Node** nodes, int32_t* capacity,
                      const char* family) {
  if (tape && tape->count > 0 && tape->kind != kind) {
    Tape_freeCellTape(tape);
    auto* fresh = static_cast<Node*>(std::calloc(static_cast<size_t>(tape->count) + 1, sizeof(Node)));
    if (!fresh) {
      Vm_raise(Vm_errorsOf(ctx), kStatusNoMemory, family, 0, 0, 0);
      return false;
    }
    tape->nodes = fresh;
    tape->kind = kind;
    tape->base = ctx->buffers.cellTapeNodes;
    ctx->buffers.cellTapeNodes += tape->count;
    for (int32_t k = 1; k <= tape->count; ++k) {
      fresh[k].self = tape->base + k;
      fresh[k].context = ctx;
    }
  }
  const bool lent = tape && tape->kind == kind && tape->count > 0;
  *nodes = lent ? static_cast<Node*>(tape->nodes) : nullptr;
  *capacity = lent ? tape->count : 0;
  ctx->buffers.tapeCount = 0;
  return true;
}

// The nodes of a chain's cell tapes of one kind, found by their names, and
// walked in the order of their names.
template <class Node>
class CellNodes {
 public:
  CellNodes(const std::vector<CellTape*>& cells, int32_t kind) {
    for (CellTape* t : cells)
      if (t && t->kind == kind && t->nodes && t->count > 0) cells_.push_back(t);
    std::sort(cells_.begin(), cells_.end(), [](const CellTape* a, const CellTape* b) { return a->base < b->base; });
  }
  // The node the name names, null when no cell of the chain holds it.
  Node* at(NodeRef name) const {
    auto after =
        std::upper_bound(cells_.begin(), cells_.end(), name, [](NodeRef r, const CellTape* t) { return r <= t->base; });
    if (after == cells_.begin()) return nullptr;
    const CellTape* t = *(after - 1);
    return name - t->base <= t->count ? static_cast<Node*>(t->nodes) + (name - t->base) : nullptr;
  }
  // Calls f on every node, from the last name to the first.
  template <class F>
  void backward(F f) const {
    for (auto t = cells_.rbegin(); t != cells_.rend(); ++t)
      for (int32_t k = (*t)->count; k >= 1; --k) f(static_cast<Node*>((*t)->nodes)[k]);
  }

 private:
  std::vector<CellTape*> cells_;
};
