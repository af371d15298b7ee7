// Reverse tape over intervals (kind 10): each operation on kind-10 values
// appends one node with its interval value and the interval partials with
// respect to at most two operands, and returns a copy of it; the backward
// sweep turns them into an enclosure of the gradient over the box. A domain
// fault raises status 31 (30 for a negative power of an interval through 0)
// and turns the new node into the constant [NaN, NaN]. A tape that is full
// raises status 37 and appends nothing (the operand comes back).
#pragma once

#include <cstdint>
#include <vector>

#include "values/IvRev_Node.h"

struct CellTape;
struct EvalBuffers;
struct EvalContext;

// value = [d, d], zero partials; operands, self and context stay.
void IvRev_setConst(IvRevNode* node, double d);

IvRevNode IvRev_neg(const IvRevNode* x);
IvRevNode IvRev_sub(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_subSV(double d, const IvRevNode* x);
IvRevNode IvRev_subVS(const IvRevNode* x, double d);
IvRevNode IvRev_add(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_addSV(double d, const IvRevNode* x);
IvRevNode IvRev_addVS(const IvRevNode* x, double d);
IvRevNode IvRev_mul(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_mulSV(double d, const IvRevNode* x);
IvRevNode IvRev_mulVS(const IvRevNode* x, double d);
IvRevNode IvRev_div(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_divSV(double d, const IvRevNode* x);
IvRevNode IvRev_divVS(const IvRevNode* x, double d);
IvRevNode IvRev_abs(const IvRevNode* x);
IvRevNode IvRev_acos(const IvRevNode* x);
IvRevNode IvRev_asin(const IvRevNode* x);
IvRevNode IvRev_atan(const IvRevNode* x);
IvRevNode IvRev_cos(const IvRevNode* x);
IvRevNode IvRev_cosh(const IvRevNode* x);
IvRevNode IvRev_exp(const IvRevNode* x);
IvRevNode IvRev_ln(const IvRevNode* x);
IvRevNode IvRev_max(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_maxSV(double d, const IvRevNode* x);
IvRevNode IvRev_maxVS(const IvRevNode* x, double d);
IvRevNode IvRev_min(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_minSV(double d, const IvRevNode* x);
IvRevNode IvRev_minVS(const IvRevNode* x, double d);
IvRevNode IvRev_powVI(const IvRevNode* x, int32_t k);
IvRevNode IvRev_powVS(const IvRevNode* x, double d);
IvRevNode IvRev_powSV(double d, const IvRevNode* x);
IvRevNode IvRev_pow(const IvRevNode* x, const IvRevNode* y);
IvRevNode IvRev_sign(const IvRevNode* x);
IvRevNode IvRev_sin(const IvRevNode* x);
IvRevNode IvRev_sinh(const IvRevNode* x);
IvRevNode IvRev_sqr(const IvRevNode* x);
IvRevNode IvRev_sqrt(const IvRevNode* x);
IvRevNode IvRev_tan(const IvRevNode* x);
IvRevNode IvRev_tanh(const IvRevNode* x);

// Makes the context's kind-10 tape hold the capacity the memory pass
// recorded; status 37 before that pass, 2 when memory runs out, false in
// both cases.
bool IvRev_prepareTape(EvalContext* ctx);
// Adds (or, with subtract, subtracts) the interval gradient of the value
// whose reference is result into gradient (variable k at k, or k - 1 when
// zeroBased). The sweep overwrites the tape's values with adjoints.
void IvRev_reverseSweep(Interval* gradient, bool zeroBased, bool subtract, NodeRef result, EvalBuffers* buffers);
// The per-cell tapes of Rev_prepareCellTape and Rev_reverseSweepCells with
// kind-10 nodes.
bool IvRev_prepareCellTape(EvalContext* ctx, CellTape* tape);
void IvRev_reverseSweepCells(const std::vector<CellTape*>& cells, Interval* gradient, bool zeroBased, bool subtract,
                             NodeRef result);
