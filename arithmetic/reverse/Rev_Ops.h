// Reverse tape over reals (kind 7): each operation on kind-7 values appends
// one node to the context's tape with its value and its partial derivatives
// with respect to at most two operands, and returns a copy of that node; the
// backward sweep then turns the partials into the gradient of the value the
// evaluation produced. A zero divisor raises status 30 and an argument
// outside an open domain status 31; the operation then returns its operand.
// A tape that is full raises status 37 and appends nothing.
#pragma once

#include <vector>

#include "values/Rev_Node.h"

struct CellTape;
struct EvalBuffers;
struct EvalContext;

// value = d with no derivatives; operands, self and context stay.
void Rev_setConst(RevNode* node, double d);

RevNode Rev_neg(const RevNode* x);
RevNode Rev_sub(const RevNode* x, const RevNode* y);
RevNode Rev_subSV(double d, const RevNode* x);
RevNode Rev_subVS(const RevNode* x, double d);
RevNode Rev_add(const RevNode* x, const RevNode* y);
RevNode Rev_addSV(double d, const RevNode* x);
RevNode Rev_addVS(const RevNode* x, double d);
RevNode Rev_mul(const RevNode* x, const RevNode* y);
RevNode Rev_mulSV(double d, const RevNode* x);
RevNode Rev_mulVS(const RevNode* x, double d);
RevNode Rev_div(const RevNode* x, const RevNode* y);
RevNode Rev_divSV(double d, const RevNode* x);
RevNode Rev_divVS(const RevNode* x, double d);
RevNode Rev_abs(const RevNode* x);
RevNode Rev_acos(const RevNode* x);
RevNode Rev_asin(const RevNode* x);
RevNode Rev_atan(const RevNode* x);
RevNode Rev_cos(const RevNode* x);
RevNode Rev_cosh(const RevNode* x);
RevNode Rev_exp(const RevNode* x);
RevNode Rev_ln(const RevNode* x);
// MAX and MIN weigh a tie as the forward families do (0.5 each for two tape
// operands), so MAX(x, x) has derivative 1.
RevNode Rev_max(const RevNode* x, const RevNode* y);
RevNode Rev_maxSV(double d, const RevNode* x);
RevNode Rev_maxVS(const RevNode* x, double d);
RevNode Rev_min(const RevNode* x, const RevNode* y);
RevNode Rev_minSV(double d, const RevNode* x);
RevNode Rev_minVS(const RevNode* x, double d);
RevNode Rev_pow(const RevNode* x, const RevNode* y);
RevNode Rev_powSV(double d, const RevNode* x);
RevNode Rev_powVS(const RevNode* x, double d);
RevNode Rev_sign(const RevNode* x);
RevNode Rev_sin(const RevNode* x);
RevNode Rev_sinh(const RevNode* x);
RevNode Rev_sqr(const RevNode* x);
RevNode Rev_sqrt(const RevNode* x);
RevNode Rev_tan(const RevNode* x);
RevNode Rev_tanh(const RevNode* x);

// Makes the context's tape hold the capacity the memory pass recorded (nodes
// linked to their own addresses); status 37 before that pass, 2 when memory
// runs out, false in both cases. The node counter is not touched.
bool Rev_prepareTape(EvalContext* ctx);
// Adds (or, with subtract, subtracts) the gradient of the value whose
// reference is result into gradient (variable k at k, or k - 1 when
// zeroBased): a tape node is swept backwards from itself, a variable leaf
// gives its unit entry, a constant nothing. The sweep overwrites the tape's
// forward values with adjoints.
void Rev_reverseSweep(double* gradient, bool zeroBased, bool subtract, NodeRef result, EvalBuffers* buffers);
// Per-cell tapes, for an evaluation that gives each cell its own tape (kept
// across evaluations; the caller keeps the context's own tape with a
// CellTapeLoan): before a cell runs, its tape gets kind-7 nodes when it has
// none and becomes the context's tape with the counter at 0 (no tape for a
// cell without one); status 2 and false when memory runs out.
bool Rev_prepareCellTape(EvalContext* ctx, CellTape* tape);
// The sweep of Rev_reverseSweep over the tapes of the cells just run (a
// function side's chain), whose nodes name one another across cells.
void Rev_reverseSweepCells(const std::vector<CellTape*>& cells, double* gradient, bool zeroBased, bool subtract,
                           NodeRef result);
