// The node appends and the definitions of the reverse tapes' preparation and
// sweeps (declared in Tape_Reverse.h), for the files that compile a tape's
// operations and instantiate them for its scalar-operations type.
#pragma once

#include <cstdint>
#include <vector>

#include "arithmetic/tape/Tape_Cells.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "arithmetic/tape/Tape_Reverse.h"
#include "base/Chk_Assert.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// The next node of the context's tape, or null (status 37 raised) when it is
// full.
template <class S>
TapeNode<S>* Tape_nextNode(EvalContext* ctx) {
  TapeNode<S>* nodes = ctx->buffers.*S::kNodes;
  if (nodes && ctx->buffers.tapeCount < ctx->buffers.*S::kCapacity) return &nodes[++ctx->buffers.tapeCount];
  Vm_raise(Vm_errorsOf(ctx), kStatusNoSizingPass, S::kFamily, 0, 0, 0);
  return nullptr;
}

template <class S>
bool Tape_prepareReverse(EvalContext* ctx) {
  return Tape_prepareNodes(ctx, &(ctx->buffers.*S::kNodes), &(ctx->buffers.*S::kCapacity), S::kFamily);
}

template <class S>
bool Tape_prepareReverseCell(EvalContext* ctx, CellTape* tape) {
  return Tape_prepareCell(ctx, tape, S::kKind, &(ctx->buffers.*S::kNodes), &(ctx->buffers.*S::kCapacity), S::kFamily);
}

// Fills node with its value, its partials and their operands, and returns a
// copy of it.
template <class Node, class T>
Node Tape_writeNode(Node* node, const T& value, const T& p1, const T& p2, NodeRef r1, NodeRef r2) {
  node->value = value;
  node->partial1 = p1;
  node->partial2 = p2;
  node->operand1 = r1;
  node->operand2 = r2;
  return *node;
}

// Passes partial times adjoint a to the operand r: a tape node found by at(r)
// gathers it, a variable leaf hands it to toGradient, a constant drops it.
template <class S, class At, class ToGradient>
void Tape_passAdjoint(NodeRef r, const TapeScalar<S>& partial, const TapeScalar<S>& a, At at, ToGradient toGradient) {
  if (r > 0) {
    if (TapeNode<S>* operand = at(r)) S::add(&operand->value, S::mul(partial, a));
  } else if (r < 0) {
    toGradient(r, S::mul(partial, a));
  }
}

// Passes node's adjoint to both its operands.
template <class S, class At, class ToGradient>
void Tape_spreadAdjoint(const TapeNode<S>& node, At at, ToGradient toGradient) {
  const TapeScalar<S> a = node.value;
  if (S::isZero(a)) return;
  Tape_passAdjoint<S>(node.operand1, node.partial1, a, at, toGradient);
  Tape_passAdjoint<S>(node.operand2, node.partial2, a, at, toGradient);
}

// Adds (or takes away) an amount at the gradient entry of variable leaf r:
// variable k at k, or k - 1 when zeroBased.
template <class S>
auto Tape_gradientAdder(TapeScalar<S>* gradient, bool zeroBased, bool subtract) {
  const int32_t shift = zeroBased ? 1 : 0;
  return [=](NodeRef r, const TapeScalar<S>& amount) { S::toGradient(&gradient[-r - shift], amount, subtract); };
}

template <class S>
void Tape_reverseSweep(TapeScalar<S>* gradient, bool zeroBased, bool subtract, NodeRef result, EvalBuffers* buffers) {
  const auto toGradient = Tape_gradientAdder<S>(gradient, zeroBased, subtract);
  if (result < 0) toGradient(result, S::constant(1.0));
  if (result <= 0 || result > buffers->tapeCount) return;
  TapeNode<S>* tape = buffers->*S::kNodes;
  for (int32_t k = 1; k < result; ++k) tape[k].value = S::constant(0.0);
  tape[result].value = S::constant(1.0);
  const auto at = [tape](NodeRef r) { return &tape[r]; };
  for (int32_t k = result; k >= 1; --k) {
    // A node's operands come before it on the tape.
    CORVAN_ASSERT(tape[k].operand1 < k && tape[k].operand2 < k);
    Tape_spreadAdjoint<S>(tape[k], at, toGradient);
  }
}

template <class S>
void Tape_reverseSweepCells(const std::vector<CellTape*>& cells, TapeScalar<S>* gradient, bool zeroBased, bool subtract,
                            NodeRef result) {
  const auto toGradient = Tape_gradientAdder<S>(gradient, zeroBased, subtract);
  if (result < 0) toGradient(result, S::constant(1.0));
  const CellNodes<TapeNode<S>> nodes(cells, S::kKind);
  TapeNode<S>* seed = result > 0 ? nodes.at(result) : nullptr;
  if (!seed) return;
  nodes.backward([](TapeNode<S>& node) { node.value = S::constant(0.0); });
  seed->value = S::constant(1.0);
  const auto at = [&nodes](NodeRef r) { return nodes.at(r); };
  nodes.backward([&](TapeNode<S>& node) { Tape_spreadAdjoint<S>(node, at, toGradient); });
}
