// The node appends and backward sweeps of the two reverse tapes (kind 7 over
// reals, kind 10 over intervals): one template over a scalar-operations type
// S, so the point sweep and the enclosing one walk their nodes alike.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "arithmetic/tape/Tape_Cells.h"
#include "arithmetic/tape/Tape_Nodes.h"
#include "base/Chk_Assert.h"
#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// S names the label kFamily its statuses carry, the value
// kind kKind of its nodes, the context's node array kNodes and its capacity
// kCapacity (members of EvalBuffers); constant(c); isZero(a); mul(partial,
// adjoint), the amount passed to an operand; add(&adjoint, amount) and
// toGradient(&entry, amount, subtract), which adds the amount (or takes it
// away).

// The nodes of S and their scalar.
template <class S>
using TapeNode = std::remove_pointer_t<std::remove_reference_t<decltype(std::declval<EvalBuffers&>().*S::kNodes)>>;
template <class S>
using TapeScalar = decltype(TapeNode<S>::value);

// The next node of the context's tape, or null (status 37 raised) when it is
// full.
template <class S>
TapeNode<S>* Tape_nextNode(EvalContext* ctx) {
  TapeNode<S>* nodes = ctx->buffers.*S::kNodes;
  if (nodes && ctx->buffers.tapeCount < ctx->buffers.*S::kCapacity) return &nodes[++ctx->buffers.tapeCount];
  Vm_raise(ctx, kStatusNoSizingPass, S::kFamily, 0, 0, 0);
  return nullptr;
}

// Makes the context's tape of S hold the capacity the memory pass recorded
// (nodes linked to their own addresses); status 37 before that pass, 2 when
// memory runs out, false in both cases. The node counter is not touched.
template <class S>
bool Tape_prepareReverse(EvalContext* ctx) {
  return Tape_prepareNodes(ctx, &(ctx->buffers.*S::kNodes), &(ctx->buffers.*S::kCapacity), S::kFamily);
}

// Per-cell tapes, for an evaluation that gives each cell its own tape (kept
// across evaluations; the caller keeps the context's own tape with a
// CellTapeLoan): before a cell runs, its tape gets nodes of S when it has
// none and becomes the context's tape with the counter at 0 (no tape for a
// cell without one); status 2 and false when memory runs out.
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

// Passes node's adjoint to its operands: a tape node found by at(reference)
// gathers it, a variable leaf hands it to toGradient, a constant drops it.
template <class S, class At, class ToGradient>
void Tape_spreadAdjoint(const TapeNode<S>& node, At at, ToGradient toGradient) {
  const TapeScalar<S> a = node.value;
  if (S::isZero(a)) return;
  const NodeRef refs[2] = {node.operand1, node.operand2};
  const TapeScalar<S>* partials[2] = {&node.partial1, &node.partial2};
  for (int s = 0; s < 2; ++s) {
    if (TapeNode<S>* operand = refs[s] > 0 ? at(refs[s]) : nullptr) S::add(&operand->value, S::mul(*partials[s], a));
    else if (refs[s] < 0) toGradient(refs[s], S::mul(*partials[s], a));
  }
}

// Adds (or takes away) an amount at the gradient entry of variable leaf r:
// variable k at k, or k - 1 when zeroBased.
template <class S>
auto Tape_gradientAdder(TapeScalar<S>* gradient, bool zeroBased, bool subtract) {
  const int32_t shift = zeroBased ? 1 : 0;
  return [=](NodeRef r, const TapeScalar<S>& amount) { S::toGradient(&gradient[-r - shift], amount, subtract); };
}

// Adds (or, with subtract, subtracts) the gradient of the value whose
// reference is result into gradient (variable k at k, or k - 1 when
// zeroBased): a node of the context's tape is swept
// backwards from itself, a variable leaf gives its unit entry, a constant
// nothing. The sweep overwrites the tape's forward values with adjoints.
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

// The sweep of Tape_reverseSweep over the tapes of the cells just run (a
// function side's chain), whose nodes name one another across cells.
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
