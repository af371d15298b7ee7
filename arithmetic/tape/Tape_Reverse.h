// The reverse tapes (kind 7 over reals, kind 10 over intervals) as their
// callers see them: their preparation and backward sweeps, one template over
// a scalar-operations type S (RevScalar, IvRevScalar), instantiated where the
// operations are compiled so the sweeps keep the arithmetic's rounding.
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

#include "values/Pay_Tape.h"
#include "values/Vm_Context.h"

struct CellTape;

// S names the label kFamily its statuses carry, the value kind kKind of its
// nodes, the context's node array kNodes and its capacity kCapacity (members
// of EvalBuffers); constant(c); isZero(a); mul(partial, adjoint), the amount
// passed to an operand; add(&adjoint, amount) and toGradient(&entry, amount,
// subtract), which adds the amount (or takes it away).

// The nodes of S and their scalar.
template <class S>
using TapeNode = std::remove_pointer_t<std::remove_reference_t<decltype(std::declval<EvalBuffers&>().*S::kNodes)>>;
template <class S>
using TapeScalar = decltype(TapeNode<S>::value);

// Makes the context's tape of S hold the capacity the memory pass recorded
// (nodes linked to their own addresses); status 37 before that pass, 2 when
// memory runs out, false in both cases. The node counter is not touched.
template <class S>
bool Tape_prepareReverse(EvalContext* ctx);

// Per-cell tapes, for an evaluation that gives each cell its own tape (kept
// across evaluations; the caller keeps the context's own tape with a
// CellTapeLoan): before a cell runs, its tape gets nodes of S when it has
// none and becomes the context's tape with the counter at 0 (no tape for a
// cell without one); status 2 and false when memory runs out.
template <class S>
bool Tape_prepareReverseCell(EvalContext* ctx, CellTape* tape);

// Adds (or, with subtract, subtracts) the gradient of the value whose
// reference is result into gradient (variable k at k, or k - 1 when
// zeroBased): a node of the context's tape is swept backwards from itself, a
// variable leaf gives its unit entry, a constant nothing. The sweep
// overwrites the tape's forward values with adjoints.
template <class S>
void Tape_reverseSweep(TapeScalar<S>* gradient, bool zeroBased, bool subtract, NodeRef result, EvalBuffers* buffers);

// The sweep of Tape_reverseSweep over the tapes of the cells just run (a
// function side's chain), whose nodes name one another across cells.
template <class S>
void Tape_reverseSweepCells(const std::vector<CellTape*>& cells, TapeScalar<S>* gradient, bool zeroBased, bool subtract,
                            NodeRef result);
